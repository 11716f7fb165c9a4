#ifndef CWSIMPLE_COLORHBOXSERIES_H
#define CWSIMPLE_COLORHBOXSERIES_H

#include "cwsimple/Series.h"

#include <QColor>
#include <QPixmap>
#include <QSharedPointer>

#include "BarPlottable.h"

namespace cwsimple {

// Horizontal coloured bars on a timeline: x1..x2 (seconds since the epoch)
// in row y. Painted by one culling plottable, so 100 000 bars stay fast.
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
    void clear();

    int barCount() const { return m_items->size(); }
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
    void append(BarPlottable::Item &&item);

    QSharedPointer<BarPlottable::Items> m_items;
    bool m_showLength = false;
};

} // namespace cwsimple

#endif // CWSIMPLE_COLORHBOXSERIES_H
