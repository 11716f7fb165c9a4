#ifndef CWSIMPLE_COLORHBOXSERIES_H
#define CWSIMPLE_COLORHBOXSERIES_H

#include "cwsimple/Series.h"
#include "cwsimple/TimelineBars.h"
#include "cwsimple/TimelinePlottable.h"

#include <QColor>
#include <QHash>
#include <QPixmap>
#include <QSharedPointer>

namespace cwsimple {

// Horizontal coloured bars on a timeline: x1..x2 (seconds since the epoch)
// in row y. Drawn by one plottable that leaves out what the zoom cannot
// show, so a week of bars a few seconds long stays quick to zoom and pan;
// the bars themselves (bar(), the export) are kept exactly.
class ColorHBoxSeries : public Series
{
    Q_OBJECT
public:
    struct Bar
    {
        double x1, x2, y;
        QColor first, second; // second invalid unless a two-colour bar
        QPixmap fill;         // non-null for texture bars
    };

    explicit ColorHBoxSeries(QObject *parent = nullptr);

    // Each bar shows its length x2 - x1 (seconds) inside when it fits.
    void setShowLength(bool show);
    bool showLength() const { return m_showLength; }

    void addBar(double x1, double x2, double y, const QColor &color);
    // Upper half in first, lower half in second.
    void addBar(double x1, double x2, double y, const QColor &first, const QColor &second);
    void addBar(double x1, double x2, double y, const QPixmap &fill);
    // Many bars at once, built anywhere: each names its look by the number
    // addLook() gave it (the looks are numbered from 0 as they are added).
    int addLook(const BarLook &look);
    void addBars(TimelineBars bars);
    // Keeps the first `count` bars.
    void truncate(int count);
    void clear();

    int barCount() const { return m_bars->size(); }
    Bar bar(int i) const;
    double x1(int i) const { return bar(i).x1; }
    double x2(int i) const { return bar(i).x2; }
    double y(int i) const { return bar(i).y; }
    QColor firstColor(int i) const { return bar(i).first; }
    QColor secondColor(int i) const { return bar(i).second; }

protected:
    void attach(QCPAxis *keyAxis, QCPAxis *valueAxis) override;
    void sync() override;

private:
    void append(double x1, double x2, double y, const BarLook &look);
    // The number of an equal look, added when there is none.
    int lookIndex(const BarLook &look);

    QSharedPointer<TimelineBars> m_bars;
    QSharedPointer<QVector<BarLook>> m_looks;
    // Looks by their colours' and picture's keys, so that addBar() finds
    // them among many; filled once there are more than a few.
    QHash<QString, int> m_lookIndex;
    bool m_showLength = false;
};

} // namespace cwsimple

#endif // CWSIMPLE_COLORHBOXSERIES_H
