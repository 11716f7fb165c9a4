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
// Plain data, computed in any thread. An evaluation can go on from a
// checkpoint of an earlier one, so that rows added by a follow step are
// evaluated without the records before them.
class SgEvaluation
{
public:
    // A group's state while records are evaluated; times in milliseconds
    // as written. A group is first tracked in a closed state, so openSince
    // is set before it is read.
    struct Tracker
    {
        bool tracked = false;
        qint64 openSince = 0;
        qint64 closedSince = 0;
        qint64 changedAt = 0;
        int state = 0;
        int cycleSum = 0;
        bool cycleHalf = false;
    };
    // Where an evaluation stood before record number `record`: how many
    // bars and, per group, points it had made, and the groups' states.
    struct Checkpoint
    {
        int record = 0;
        int bars = 0;
        QVector<int> openPeriods;
        QVector<int> cycles;
        std::vector<Tracker> trackers;
    };

    // How a bar looks, by the state that ends with it.
    enum Look { Green, GreenStripes, Red, Yellow, RedYellow, AmberStripes, Black, LookCount };
    static Look lookOf(int state);
    // Open: states 1, 2 and 3.
    static bool isOpen(int state) { return state >= 1 && state <= 3; }

    // `groups` ascending: the group at position j has the row size - j.
    // Stops early, incomplete, once `cancelled` is set.
    static SgEvaluation of(const std::vector<SgRecord> &records, const QVector<int> &groups,
                           const std::atomic<bool> &cancelled);
    // The same from `start` on: `records` begin with its record. What it
    // makes follows what the earlier evaluation had made until then.
    static SgEvaluation from(const std::vector<SgRecord> &records, const Checkpoint &start,
                             const QVector<int> &groups, const std::atomic<bool> &cancelled);
    // Where an evaluation of `groups` starts.
    static Checkpoint beginning(const QVector<int> &groups);

    cwsimple::TimelineBars bars;
    // Per group, in the order of `groups`.
    QVector<QVector<QPointF>> openPeriods;
    QVector<QVector<QPointF>> cycles;
    // After the start, ascending: every few thousand records, and where a
    // follow step goes back to (the newest second, 15 minutes before it).
    QVector<Checkpoint> checkpoints;
    bool complete = false;
};

#endif // SGEVALUATION_H
