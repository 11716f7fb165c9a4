#include "LineSeries.h"

#include <cmath>

LineSeries::LineSeries(QObject *parent)
    : ChartSeries(parent)
    , m_data(new QCPGraphDataContainer)
{
}

void LineSeries::addXY(double x, double y)
{
    m_data->add(QCPGraphData(x, y));
    if (!std::isnan(y))
        extend(y);
    emit changed();
}

void LineSeries::addPoints(const QVector<double> &x, const QVector<double> &y)
{
    const int n = qMin(x.size(), y.size());
    QVector<QCPGraphData> points(n);
    bool sorted = true;
    for (int i = 0; i < n; ++i) {
        points[i] = QCPGraphData(x.at(i), y.at(i));
        if (!std::isnan(y.at(i)))
            extend(y.at(i));
        if (i > 0 && x.at(i) < x.at(i - 1))
            sorted = false;
    }
    m_data->add(points, sorted);
    emit changed();
}

QPointF LineSeries::point(int i) const
{
    if (i < 0 || i >= m_data->size())
        return QPointF();
    const QCPGraphData &d = *(m_data->constBegin() + i);
    return QPointF(d.key, d.value);
}

void LineSeries::clear()
{
    m_data->clear();
    m_minY = std::numeric_limits<double>::infinity();
    m_maxY = -std::numeric_limits<double>::infinity();
    emit changed();
}

void LineSeries::attach(QCPAxis *keyAxis, QCPAxis *valueAxis)
{
    auto *graph = new QCPGraph(keyAxis, valueAxis);
    graph->setData(m_data);
    graph->setAdaptiveSampling(true);
    addPlottable(graph, true);
}

bool LineSeries::valueRange(double *lower, double *upper) const
{
    if (m_data->isEmpty() || m_minY > m_maxY)
        return false;
    *lower = m_minY;
    *upper = m_maxY;
    return true;
}

QVector<QStringList> LineSeries::table(bool keyIsDateTime) const
{
    return graphTable(*m_data, keyIsDateTime);
}

QVector<QStringList> LineSeries::graphTable(const QCPGraphDataContainer &data, bool keyIsDateTime)
{
    QVector<QStringList> rows{{tr("X"), tr("Value")}};
    rows.reserve(data.size() + 1);
    for (auto it = data.constBegin(); it != data.constEnd(); ++it) {
        if (!std::isnan(it->value))
            rows.append({tableKey(it->key, keyIsDateTime), tableValue(it->value)});
    }
    return rows;
}
