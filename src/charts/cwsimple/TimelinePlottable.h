#ifndef CWSIMPLE_TIMELINEPLOTTABLE_H
#define CWSIMPLE_TIMELINEPLOTTABLE_H

#include "cwsimple/TimelineBars.h"

#include <QColor>
#include <QPixmap>
#include <QSharedPointer>
#include <QVector>
#include <qcustomplot.h>

namespace cwsimple {

// How a bar is filled: one colour, two (upper half first), or a picture.
struct BarLook
{
    QColor first;  // invalid: the plottable's default colour
    QColor second; // valid: lower half in this colour
    QPixmap fill;  // non-null: the picture instead of colours
};

// Draws TimelineBars row by row, each bar snapped to whole pixel columns
// (at least one wide). With adaptive sampling (on by default) what cannot
// be seen at the current zoom is left out: a one-column bar that the next
// bar of its row paints over at once is skipped, and neighbouring columns
// of the same look are filled as one. The picture is the same as with
// every bar painted; a zoom or pan draws the detail of the new range.
class TimelinePlottable : public QCPAbstractPlottable
{
    Q_OBJECT
public:
    TimelinePlottable(QCPAxis *keyAxis, QCPAxis *valueAxis, QSharedPointer<TimelineBars> bars,
                      QSharedPointer<QVector<BarLook>> looks);

    void setDefaultColor(const QColor &color) { m_defaultColor = color; }
    // Text inside a bar wide enough for it: its length x2 - x1.
    void setShowLength(bool on) { m_showLength = on; }
    void setAdaptiveSampling(bool on) { m_adaptiveSampling = on; }
    bool adaptiveSampling() const { return m_adaptiveSampling; }
    // The fills the last replot made (merged ones count once).
    int filledLastReplot() const { return m_filled; }

    double selectTest(const QPointF &pos, bool onlySelectable, QVariant *details = nullptr) const override;
    QCPRange getKeyRange(bool &foundRange, QCP::SignDomain inSignDomain = QCP::sdBoth) const override;
    QCPRange getValueRange(bool &foundRange, QCP::SignDomain inSignDomain = QCP::sdBoth,
                           const QCPRange &inKeyRange = QCPRange()) const override;

protected:
    void draw(QCPPainter *painter) override;
    void drawLegendIcon(QCPPainter *painter, const QRectF &rect) const override;

private:
    class RowPainter;

    QSharedPointer<TimelineBars> m_bars;
    QSharedPointer<QVector<BarLook>> m_looks;
    QColor m_defaultColor = Qt::blue;
    double m_barHeight = 0.8;
    bool m_showLength = false;
    bool m_adaptiveSampling = true;
    int m_filled = 0;
};

} // namespace cwsimple

#endif // CWSIMPLE_TIMELINEPLOTTABLE_H
