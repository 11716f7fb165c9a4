#ifndef BARPLOTTABLE_H
#define BARPLOTTABLE_H

#include <QColor>
#include <QPixmap>
#include <QSharedPointer>
#include <QString>
#include <QVector>
#include <qcustomplot.h>

// Horizontal bars (x1..x2 at row y) painted directly, culled to the visible
// range. One plottable for 100 000 bars replots far faster than as many
// QCPItemRect items, each of which is a layerable of its own.
class BarPlottable : public QCPAbstractPlottable
{
    Q_OBJECT
public:
    struct Item
    {
        double x1 = 0, x2 = 0, y = 0;
        QColor first;  // invalid: the plottable's default colour
        QColor second; // valid: lower half in this colour
        QPixmap fill;  // non-null: texture fill instead of colours
        QString text;
    };
    using Items = QVector<Item>;

    BarPlottable(QCPAxis *keyAxis, QCPAxis *valueAxis, QSharedPointer<Items> items);

    void setDefaultColor(const QColor &c) { m_defaultColor = c; }
    void setBarHeight(double h) { m_barHeight = h; }
    // Text inside a bar is its length in seconds instead of Item::text.
    void setShowLength(bool on) { m_showLength = on; }
    // Bars at this row value are drawn as a band along the bottom of the
    // axis rect instead of at their value (used for y = -1 in Gantt views).
    void setBandRow(bool enabled, double row = -1.0) { m_bandEnabled = enabled; m_bandRow = row; }
    bool hasBandBars() const;
    static int bandPixelHeight() { return 14; }

    // Index of the bar under the pixel position, or -1.
    int barAt(const QPointF &pixel) const;

    double selectTest(const QPointF &pos, bool onlySelectable, QVariant *details = nullptr) const override;
    QCPRange getKeyRange(bool &foundRange, QCP::SignDomain inSignDomain = QCP::sdBoth) const override;
    QCPRange getValueRange(bool &foundRange, QCP::SignDomain inSignDomain = QCP::sdBoth,
                           const QCPRange &inKeyRange = QCPRange()) const override;

protected:
    void draw(QCPPainter *painter) override;
    void drawLegendIcon(QCPPainter *painter, const QRectF &rect) const override;

private:
    bool isBand(const Item &it) const { return m_bandEnabled && it.y == m_bandRow; }
    QRectF pixelRect(const Item &it) const;

    QSharedPointer<Items> m_items;
    QColor m_defaultColor = Qt::blue;
    double m_barHeight = 0.8;
    bool m_showLength = false;
    bool m_bandEnabled = false;
    double m_bandRow = -1.0;
};

#endif // BARPLOTTABLE_H
