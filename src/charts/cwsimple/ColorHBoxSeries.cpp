#include "cwsimple/ColorHBoxSeries.h"

namespace cwsimple {

namespace {

QString colourKey(const QColor &c)
{
    return c.isValid() ? QString::number(c.rgba64(), 16) : QStringLiteral("-");
}

QString lookKey(const BarLook &look)
{
    return colourKey(look.first) + QLatin1Char('/') + colourKey(look.second) + QLatin1Char('/')
        + (look.fill.isNull() ? QStringLiteral("-") : QString::number(look.fill.cacheKey()));
}

bool sameLook(const BarLook &a, const BarLook &b)
{
    return a.first == b.first && a.second == b.second && a.fill.cacheKey() == b.fill.cacheKey();
}

// Up to this many looks are searched one by one; past it by their keys.
const int fewLooks = 16;

} // namespace

ColorHBoxSeries::ColorHBoxSeries(QObject *parent)
    : Series(parent)
    , m_bars(new TimelineBars)
    , m_looks(new QVector<BarLook>)
{
}

void ColorHBoxSeries::setShowLength(bool show)
{
    m_showLength = show;
    emit changed();
}

int ColorHBoxSeries::addLook(const BarLook &look)
{
    m_looks->append(look);
    const int index = m_looks->size() - 1;
    if (m_looks->size() > fewLooks) {
        if (m_lookIndex.isEmpty()) {
            for (int i = 0; i < index; ++i)
                m_lookIndex.insert(lookKey(m_looks->at(i)), i);
        }
        m_lookIndex.insert(lookKey(look), index);
    }
    return index;
}

int ColorHBoxSeries::lookIndex(const BarLook &look)
{
    if (m_looks->size() <= fewLooks) {
        for (int i = 0; i < m_looks->size(); ++i) {
            if (sameLook(m_looks->at(i), look))
                return i;
        }
        return addLook(look);
    }
    const auto it = m_lookIndex.constFind(lookKey(look));
    return it != m_lookIndex.constEnd() ? it.value() : addLook(look);
}

void ColorHBoxSeries::append(double x1, double x2, double y, const BarLook &look)
{
    m_bars->append(x1, x2, y, lookIndex(look));
    emit changed();
}

void ColorHBoxSeries::addBar(double x1, double x2, double y, const QColor &color)
{
    append(x1, x2, y, BarLook{color, QColor(), QPixmap()});
}

void ColorHBoxSeries::addBar(double x1, double x2, double y, const QColor &first, const QColor &second)
{
    append(x1, x2, y, BarLook{first, second, QPixmap()});
}

void ColorHBoxSeries::addBar(double x1, double x2, double y, const QPixmap &fill)
{
    append(x1, x2, y, BarLook{QColor(), QColor(), fill});
}

void ColorHBoxSeries::addBars(TimelineBars bars)
{
    if (m_bars->isEmpty())
        *m_bars = std::move(bars);
    else
        m_bars->append(bars);
    emit changed();
}

void ColorHBoxSeries::truncate(int count)
{
    if (count >= m_bars->size())
        return;
    m_bars->truncate(count);
    emit changed();
}

void ColorHBoxSeries::clear()
{
    m_bars->clear();
    emit changed();
}

ColorHBoxSeries::Bar ColorHBoxSeries::bar(int i) const
{
    if (i < 0 || i >= m_bars->size())
        return Bar{0, 0, 0, QColor(), QColor(), QPixmap()};
    const BarLook look = m_looks->value(m_bars->look(i));
    return Bar{m_bars->x1(i), m_bars->x2(i), m_bars->y(i), look.first, look.second, look.fill};
}

void ColorHBoxSeries::attach(QCPAxis *keyAxis, QCPAxis *valueAxis)
{
    auto *bars = new TimelinePlottable(keyAxis, valueAxis, m_bars, m_looks);
    bars->setDefaultColor(Qt::gray);
    addPlottable(bars);
}

void ColorHBoxSeries::sync()
{
    for (QCPAbstractPlottable *p : plottables())
        if (auto *bars = qobject_cast<TimelinePlottable *>(p))
            bars->setShowLength(m_showLength);
}

} // namespace cwsimple
