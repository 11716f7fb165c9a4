#ifndef POINTSERIES_H
#define POINTSERIES_H

#include "ChartSeries.h"

#include <QPointF>
#include <QSharedPointer>
#include <QVector>
#include <qcustomplot.h>

// Scatter points with an optional tooltip text each. Indices are in the
// order points were added; the plot container is sorted by x. Drawn one
// point per pixel (ScatterGraph); the points themselves are kept exactly.
class PointSeries : public ChartSeries
{
    Q_OBJECT
public:
    enum PointStyle { Circle = 1, Cross, Square };

    explicit PointSeries(int style = Circle);

    using ChartSeries::addXY;
    void addXY(double x, double y) override;
    void addXY(double x, double y, const QString &tooltip);
    void addXY(const QDateTime &x, double y, const QString &tooltip) { addXY(toKey(x), y, tooltip); }
    // Many points at once, without tooltips: one change for all of them.
    void addPoints(const QVector<QPointF> &points);
    // Keeps the first `count` points added.
    void truncate(int count);
    // Every point in the order added (shared, not copied).
    QVector<QPointF> points() const { return m_points; }
    QPointF pt(int index) const;
    QString tooltipAt(int index) const;
    int pointStyle() const { return m_style; }
    int pointsCount() const override { return m_points.size(); }
    void clear() override;
    QVector<QStringList> table(bool keyIsDateTime) const override;

protected:
    void attach(QCPAxis *keyAxis, QCPAxis *valueAxis) override;
    void sync() override;
    QString tooltipText(const QPointF &pixel, double maxDistance, bool keyIsDateTime,
                        double *distance) const override;

private:
    int insertionIndex(int sortedIndex) const;

    QSharedPointer<QCPGraphDataContainer> m_data;
    QVector<QPointF> m_points;
    // Empty until a point has a tooltip.
    QVector<QString> m_tips;
    int m_style;
    bool m_sorted = true; // then sorted index == insertion index
};

#endif // POINTSERIES_H
