#ifndef GANTTSERIES_H
#define GANTTSERIES_H

#include "ChartSeries.h"

#include <QSharedPointer>

#include "BarPlottable.h"

// Labelled time bars, one row per y value. y = -1 is drawn as a band along
// the bottom of the plot area, below the other data.
class GanttSeries : public ChartSeries
{
    Q_OBJECT
public:
    struct Bar
    {
        double from, to, y;
        QColor color;
        QString text;
    };

    GanttSeries();

    // An invalid colour means "the series colour", resolved when drawn.
    void addBar(double from, double to, double y, const QColor &color, const QString &text);
    int barCount() const { return m_items->size(); }
    Bar bar(int i) const;
    int pointsCount() const override { return barCount(); }
    void clear() override;
    QVector<QStringList> table(bool keyIsDateTime) const override;

protected:
    void attach(QCPAxis *keyAxis, QCPAxis *valueAxis) override;
    void sync() override;
    QString tooltipText(const QPointF &pixel, double maxDistance, bool keyIsDateTime,
                        double *distance) const override;
    bool needsBottomBand() const override;

private:
    QSharedPointer<BarPlottable::Items> m_items;
};

#endif // GANTTSERIES_H
