#include "PointSeries.h"

#include "LineSeries.h"
#include "ScatterGraph.h"

#include <cmath>

PointSeries::PointSeries(int style)
    : ChartSeries(nullptr)
    , m_data(new QCPGraphDataContainer)
    , m_style(style)
{
}

void PointSeries::addXY(double x, double y)
{
    addXY(x, y, QString());
}

void PointSeries::addXY(double x, double y, const QString &tooltip)
{
    if (!m_points.isEmpty() && x < m_points.constLast().x())
        m_sorted = false;
    if (!tooltip.isEmpty() || !m_tips.isEmpty()) {
        m_tips.resize(m_points.size());
        m_tips.append(tooltip);
    }
    m_points.append(QPointF(x, y));
    m_data->add(QCPGraphData(x, y));
    emit changed();
}

void PointSeries::addPoints(const QVector<QPointF> &points)
{
    if (points.isEmpty())
        return;
    QVector<QCPGraphData> data(points.size());
    bool sorted = m_points.isEmpty() || points.constFirst().x() >= m_points.constLast().x();
    for (int i = 0; i < points.size(); ++i) {
        data[i] = QCPGraphData(points.at(i).x(), points.at(i).y());
        if (i > 0 && points.at(i).x() < points.at(i - 1).x())
            sorted = false;
    }
    m_sorted = m_sorted && sorted;
    m_points += points; // shares them when there were none
    if (!m_tips.isEmpty())
        m_tips.resize(m_points.size());
    m_data->add(data, sorted);
    emit changed();
}

void PointSeries::truncate(int count)
{
    count = std::max(count, 0);
    if (count >= m_points.size())
        return;
    if (m_sorted && count > 0) {
        // The plot's points are those added, in the same order: the last go,
        // those sharing the key of the first to go are put back as they were.
        const double key = m_points.at(count).x();
        m_data->removeAfter(std::nextafter(key, -qInf()));
        QVector<QCPGraphData> back;
        for (int i = count - 1; i >= 0 && m_points.at(i).x() == key; --i)
            back.prepend(QCPGraphData(key, m_points.at(i).y()));
        m_data->add(back, true);
    } else {
        QVector<QCPGraphData> kept(count);
        for (int i = 0; i < count; ++i)
            kept[i] = QCPGraphData(m_points.at(i).x(), m_points.at(i).y());
        m_data->set(kept);
    }
    m_points.resize(count);
    if (!m_tips.isEmpty())
        m_tips.resize(count);
    if (count == 0)
        m_sorted = true;
    emit changed();
}

QPointF PointSeries::pt(int index) const
{
    return m_points.value(index);
}

QString PointSeries::tooltipAt(int index) const
{
    return m_tips.value(index);
}

void PointSeries::clear()
{
    m_points.clear();
    m_tips.clear();
    m_data->clear();
    m_sorted = true;
    emit changed();
}

void PointSeries::attach(QCPAxis *keyAxis, QCPAxis *valueAxis)
{
    auto *graph = new ScatterGraph(keyAxis, valueAxis);
    graph->setData(m_data);
    addPlottable(graph, true);
}

void PointSeries::sync()
{
    ChartSeries::sync();
    auto *graph = qobject_cast<QCPGraph *>(mainPlottable());
    if (!graph)
        return;
    QCPScatterStyle::ScatterShape shape = QCPScatterStyle::ssCircle;
    if (m_style == Cross)
        shape = QCPScatterStyle::ssCross;
    else if (m_style == Square)
        shape = QCPScatterStyle::ssSquare;
    const double size = 5 + width();
    if (shape == QCPScatterStyle::ssCross)
        graph->setScatterStyle(QCPScatterStyle(shape, QPen(color(), width()), Qt::NoBrush, size));
    else
        graph->setScatterStyle(QCPScatterStyle(shape, color(), color(), size));
}

int PointSeries::insertionIndex(int sortedIndex) const
{
    if (m_sorted)
        return sortedIndex;
    const QCPGraphData &d = *(m_data->constBegin() + sortedIndex);
    for (int i = 0; i < m_points.size(); ++i)
        if (m_points.at(i).x() == d.key && m_points.at(i).y() == d.value)
            return i;
    return -1;
}

QString PointSeries::tooltipText(const QPointF &pixel, double maxDistance, bool keyIsDateTime,
                                 double *distance) const
{
    QCPAbstractPlottable *p = mainPlottable();
    if (!p)
        return QString();
    QVariant details;
    const double d = p->selectTest(pixel, false, &details);
    if (d < 0 || d > maxDistance)
        return QString();
    const QCPDataSelection sel = details.value<QCPDataSelection>();
    if (sel.isEmpty())
        return QString();
    const int sorted = sel.dataRange().begin();
    const int i = insertionIndex(sorted);
    if (i < 0)
        return QString();
    if (distance)
        *distance = d;
    QString text = QStringLiteral("%1\n%2\n%3")
                       .arg(name(), formatKey(m_points.at(i).x(), keyIsDateTime),
                            QString::number(m_points.at(i).y(), 'g', 8));
    if (!tooltipAt(i).isEmpty())
        text += QLatin1Char('\n') + tooltipAt(i);
    return text;
}

QVector<QStringList> PointSeries::table(bool keyIsDateTime) const
{
    // In x order, as drawn, whatever order the points came in.
    return LineSeries::graphTable(*m_data, keyIsDateTime);
}
