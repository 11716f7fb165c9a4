#include "HighLowSeries.h"

#include <cmath>

HighLowSeries::HighLowSeries(QObject *parent)
    : ChartSeries(parent)
    , m_low(new QCPGraphDataContainer)
    , m_high(new QCPGraphDataContainer)
{
}

void HighLowSeries::addPoint(const QDateTime &x, double low, double high)
{
    addPoint(toKey(x), low, high);
}

void HighLowSeries::addPoint(double x, double low, double high)
{
    m_low->add(QCPGraphData(x, low));
    m_high->add(QCPGraphData(x, high));
    emit changed();
}

double HighLowSeries::lowAt(int i) const
{
    return i >= 0 && i < m_low->size() ? (m_low->constBegin() + i)->value : 0.0;
}

double HighLowSeries::highAt(int i) const
{
    return i >= 0 && i < m_high->size() ? (m_high->constBegin() + i)->value : 0.0;
}

double HighLowSeries::xAt(int i) const
{
    return i >= 0 && i < m_low->size() ? (m_low->constBegin() + i)->key : 0.0;
}

void HighLowSeries::clear()
{
    m_low->clear();
    m_high->clear();
    emit changed();
}

void HighLowSeries::attach(QCPAxis *keyAxis, QCPAxis *valueAxis)
{
    auto *high = new QCPGraph(keyAxis, valueAxis);
    high->setData(m_high);
    auto *low = new QCPGraph(keyAxis, valueAxis);
    low->setData(m_low);
    high->setChannelFillGraph(low);
    addPlottable(high, true); // legend entry for the whole band
    addPlottable(low, false);
}

void HighLowSeries::sync()
{
    ChartSeries::sync();
    QColor fill = color();
    fill.setAlpha(70);
    if (auto *high = qobject_cast<QCPGraph *>(mainPlottable()))
        high->setBrush(fill);
}

QString HighLowSeries::tooltipText(const QPointF &pixel, double maxDistance, bool keyIsDateTime,
                                   double *distance) const
{
    QCPAbstractPlottable *p = mainPlottable();
    if (!p || m_low->isEmpty())
        return QString();
    QCPAxis *k = p->keyAxis();
    QCPAxis *v = p->valueAxis();
    const double key = k->pixelToCoord(pixel.x());
    auto it = m_low->findBegin(key, false);
    // Nearest sample by key among the two neighbours.
    int best = -1;
    double bestDx = 0;
    for (auto c = it; c != m_low->constEnd() && c - it < 2; ++c) {
        const double dx = qAbs(k->coordToPixel(c->key) - pixel.x());
        if (best < 0 || dx < bestDx) {
            best = int(c - m_low->constBegin());
            bestDx = dx;
        }
    }
    if (best < 0 || bestDx > maxDistance)
        return QString();
    const double lo = lowAt(best), hi = highAt(best);
    const double y = v->pixelToCoord(pixel.y());
    if (y < qMin(lo, hi) - 1e-9 && qAbs(v->coordToPixel(qMin(lo, hi)) - pixel.y()) > maxDistance)
        return QString();
    if (y > qMax(lo, hi) + 1e-9 && qAbs(v->coordToPixel(qMax(lo, hi)) - pixel.y()) > maxDistance)
        return QString();
    if (distance)
        *distance = bestDx;
    return QStringLiteral("%1\n%2\n%3 – %4")
        .arg(name(), formatKey(xAt(best), keyIsDateTime), QString::number(lo, 'g', 8),
             QString::number(hi, 'g', 8));
}

QVector<QStringList> HighLowSeries::table(bool keyIsDateTime) const
{
    QVector<QStringList> rows{{tr("X"), tr("Low"), tr("High")}};
    rows.reserve(m_low->size() + 1);
    for (int i = 0; i < m_low->size(); ++i) {
        const double low = lowAt(i);
        const double high = highAt(i);
        if (!std::isnan(low) && !std::isnan(high))
            rows.append({tableKey(xAt(i), keyIsDateTime), tableValue(low), tableValue(high)});
    }
    return rows;
}
