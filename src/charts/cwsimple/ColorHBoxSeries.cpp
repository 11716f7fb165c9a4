#include "cwsimple/ColorHBoxSeries.h"

namespace cwsimple {

ColorHBoxSeries::ColorHBoxSeries(QObject *parent)
    : Series(parent)
    , m_items(new BarPlottable::Items)
{
}

void ColorHBoxSeries::setShowLength(bool show)
{
    m_showLength = show;
    emit changed();
}

void ColorHBoxSeries::append(BarPlottable::Item &&item)
{
    m_items->append(std::move(item));
    emit changed();
}

void ColorHBoxSeries::addBar(double x1, double x2, double y, const QColor &color)
{
    BarPlottable::Item it;
    it.x1 = x1;
    it.x2 = x2;
    it.y = y;
    it.first = color;
    append(std::move(it));
}

void ColorHBoxSeries::addBar(double x1, double x2, double y, const QColor &first, const QColor &second)
{
    BarPlottable::Item it;
    it.x1 = x1;
    it.x2 = x2;
    it.y = y;
    it.first = first;
    it.second = second;
    append(std::move(it));
}

void ColorHBoxSeries::addBar(double x1, double x2, double y, const QPixmap &fill)
{
    BarPlottable::Item it;
    it.x1 = x1;
    it.x2 = x2;
    it.y = y;
    it.fill = fill;
    append(std::move(it));
}

void ColorHBoxSeries::clear()
{
    m_items->clear();
    emit changed();
}

ColorHBoxSeries::Bar ColorHBoxSeries::bar(int i) const
{
    if (i < 0 || i >= m_items->size())
        return Bar{0, 0, 0, QColor(), QColor(), QPixmap()};
    const BarPlottable::Item &it = m_items->at(i);
    return Bar{it.x1, it.x2, it.y, it.first, it.second, it.fill};
}

void ColorHBoxSeries::attach(QCPAxis *keyAxis, QCPAxis *valueAxis)
{
    auto *bars = new BarPlottable(keyAxis, valueAxis, m_items);
    bars->setDefaultColor(Qt::gray);
    addPlottable(bars);
}

void ColorHBoxSeries::sync()
{
    for (QCPAbstractPlottable *p : plottables())
        if (auto *bars = qobject_cast<BarPlottable *>(p))
            bars->setShowLength(m_showLength);
}

} // namespace cwsimple
