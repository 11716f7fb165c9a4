#include "ChartSeries.h"

#include "WallClock.h"

#include <cmath>

#include <qcustomplot.h>

ChartSeries::ChartSeries(QObject *parent)
    : QObject(parent)
{
}

ChartSeries::~ChartSeries()
{
    detach();
}

void ChartSeries::setName(const QString &name)
{
    if (m_name == name)
        return;
    m_name = name;
    emit changed();
}

void ChartSeries::setWidth(int width)
{
    if (m_width == width)
        return;
    m_width = width;
    emit changed();
}

void ChartSeries::setVisible(bool visible)
{
    if (m_visible == visible)
        return;
    m_visible = visible;
    emit changed();
}

void ChartSeries::enableTooltip(bool enable)
{
    m_tooltip = enable;
}

void ChartSeries::setColor(const QColor &color)
{
    m_colorSet = true;
    if (m_color == color)
        return;
    m_color = color;
    emit changed();
}

void ChartSeries::clear()
{
}

int ChartSeries::pointsCount() const
{
    return 0;
}

void ChartSeries::addXY(double x, double y)
{
    Q_UNUSED(x)
    Q_UNUSED(y)
}

double ChartSeries::toKey(const QDateTime &x)
{
    return WallClock::key(x);
}

void ChartSeries::addXY(const QDateTime &x, double y)
{
    addXY(toKey(x), y);
}

void ChartSeries::attach(QCPAxis *keyAxis, QCPAxis *valueAxis)
{
    Q_UNUSED(keyAxis)
    Q_UNUSED(valueAxis)
}

void ChartSeries::detach()
{
    for (const QPointer<QCPAbstractPlottable> &p : qAsConst(m_plottables)) {
        // The plot may already be gone (it deletes its plottables itself).
        if (p && p->parentPlot())
            p->parentPlot()->removePlottable(p.data());
    }
    m_plottables.clear();
}

void ChartSeries::addPlottable(QCPAbstractPlottable *plottable, bool inLegend)
{
    m_plottables.append(plottable);
    if (!inLegend)
        plottable->removeFromLegend();
}

QList<QCPAbstractPlottable *> ChartSeries::plottables() const
{
    QList<QCPAbstractPlottable *> list;
    for (const QPointer<QCPAbstractPlottable> &p : m_plottables)
        if (p)
            list.append(p.data());
    return list;
}

QCPAbstractPlottable *ChartSeries::mainPlottable() const
{
    return m_plottables.isEmpty() ? nullptr : m_plottables.first().data();
}

void ChartSeries::sync()
{
    QPen pen(m_color, m_width);
    for (QCPAbstractPlottable *p : plottables()) {
        p->setName(m_name);
        p->setPen(pen);
        p->setVisible(m_visible);
    }
    QCPAbstractPlottable *main = mainPlottable();
    if (main && main->parentPlot() && main->parentPlot()->legend) {
        // Hidden series stay in the legend, greyed, so they can be re-shown.
        if (QCPPlottableLegendItem *item = main->parentPlot()->legend->itemWithPlottable(main))
            item->setTextColor(m_visible ? QColor(Qt::black) : QColor(170, 170, 170));
    }
}

QString ChartSeries::tooltipText(const QPointF &pixel, double maxDistance, bool keyIsDateTime,
                                 double *distance) const
{
    // Generic: the data point QCustomPlot reports nearest, for 1D plottables.
    QCPAbstractPlottable *p = mainPlottable();
    if (!p || !p->interface1D())
        return QString();
    QVariant details;
    const double d = p->selectTest(pixel, false, &details);
    if (d < 0 || d > maxDistance)
        return QString();
    const QCPDataSelection sel = details.value<QCPDataSelection>();
    if (sel.isEmpty())
        return QString();
    const int i = sel.dataRange().begin();
    QCPPlottableInterface1D *data = p->interface1D();
    if (distance)
        *distance = d;
    return QStringLiteral("%1\n%2\n%3")
        .arg(m_name, formatKey(data->dataMainKey(i), keyIsDateTime),
             QString::number(data->dataMainValue(i), 'g', 8));
}

QString ChartSeries::formatKey(double key, bool dateTime)
{
    if (!dateTime)
        return QString::number(key, 'g', 10);
    return WallClock::fromKey(key).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
}

bool ChartSeries::valueRange(double *lower, double *upper) const
{
    bool found = false;
    for (QCPAbstractPlottable *p : plottables()) {
        bool f = false;
        const QCPRange r = p->getValueRange(f);
        if (!f)
            continue;
        *lower = found ? qMin(*lower, r.lower) : r.lower;
        *upper = found ? qMax(*upper, r.upper) : r.upper;
        found = true;
    }
    return found;
}

QVector<QStringList> ChartSeries::table(bool) const
{
    return {};
}

QString ChartSeries::tableKey(double key, bool dateTime)
{
    if (!dateTime)
        return tableValue(key);
    const QDateTime t = WallClock::fromKey(key);
    return t.toString(t.time().msec() ? QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")
                                      : QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}
