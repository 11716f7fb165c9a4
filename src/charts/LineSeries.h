#ifndef LINESERIES_H
#define LINESERIES_H

#include "ChartSeries.h"

#include <QPointF>
#include <QSharedPointer>
#include <QVector>
#include <limits>
#include <qcustomplot.h>

// A line through (x, y) points, kept sorted by x. The data container is
// shared with the QCPGraph, so adding a point never copies the series.
class LineSeries : public ChartSeries
{
    Q_OBJECT
public:
    explicit LineSeries(QObject *parent = nullptr);

    using ChartSeries::addXY;
    void addXY(double x, double y) override;
    void addPoint(const QPointF &p) { addXY(p.x(), p.y()); }
    // Batch insert: one changed() for the whole lot.
    void addPoints(const QVector<double> &x, const QVector<double> &y);
    QPointF point(int i) const;
    int pointsCount() const override { return m_data->size(); }
    void clear() override;
    QVector<QStringList> table(bool keyIsDateTime) const override;
    // x and y of a graph's points in x order, NaN gaps left out.
    static QVector<QStringList> graphTable(const QCPGraphDataContainer &data, bool keyIsDateTime);

protected:
    void attach(QCPAxis *keyAxis, QCPAxis *valueAxis) override;
    bool valueRange(double *lower, double *upper) const override;

private:
    void extend(double y)
    {
        if (y < m_minY)
            m_minY = y;
        if (y > m_maxY)
            m_maxY = y;
    }

    // Kept while adding so auto-rescale need not scan a million points.
    double m_minY = std::numeric_limits<double>::infinity();
    double m_maxY = -std::numeric_limits<double>::infinity();
    QSharedPointer<QCPGraphDataContainer> m_data;
};

#endif // LINESERIES_H
