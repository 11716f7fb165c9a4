#ifndef SGEVALUATION_H
#define SGEVALUATION_H

#include "cwsimple/TimelineBars.h"

#include <QPointF>
#include <QVector>

#include <atomic>
#include <vector>

// One state record of a signal group, its time as written (WallClock).
struct SgRecord
{
    qint64 msecs;
    int group;
    int state;
};

// The signal-group view's evaluation of a load: the timeline's bars, each
// group's open periods (when each began, how many seconds it lasted) and
// cycles (every second switch, with the seconds since the cycle began).
// Plain data, computed in any thread.
class SgEvaluation
{
public:
    // How a bar looks, by the state that ends with it.
    enum Look { Green, GreenStripes, Red, Yellow, RedYellow, AmberStripes, Black, LookCount };
    static Look lookOf(int state);
    // Open: states 1, 2 and 3.
    static bool isOpen(int state) { return state >= 1 && state <= 3; }

    // `groups` ascending: the group at position j has the row size - j.
    // Stops early, incomplete, once `cancelled` is set.
    static SgEvaluation of(const std::vector<SgRecord> &records, const QVector<int> &groups,
                           const std::atomic<bool> &cancelled);

    cwsimple::TimelineBars bars;
    // Per group, in the order of `groups`.
    QVector<QVector<QPointF>> openPeriods;
    QVector<QVector<QPointF>> cycles;
    bool complete = false;
};

#endif // SGEVALUATION_H
