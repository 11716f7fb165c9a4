#include "GanttSeries.h"

GanttSeries::GanttSeries()
    : ChartSeries(nullptr)
    , m_items(new BarPlottable::Items)
{
}

void GanttSeries::addBar(double from, double to, double y, const QColor &color, const QString &text)
{
    BarPlottable::Item it;
    it.x1 = from;
    it.x2 = to;
    it.y = y;
    it.first = color;
    it.text = text;
    m_items->append(it);
    emit changed();
}

GanttSeries::Bar GanttSeries::bar(int i) const
{
    if (i < 0 || i >= m_items->size())
        return Bar{0, 0, 0, QColor(), QString()};
    const BarPlottable::Item &it = m_items->at(i);
    return Bar{it.x1, it.x2, it.y, it.first.isValid() ? it.first : color(), it.text};
}

void GanttSeries::clear()
{
    m_items->clear();
    emit changed();
}

void GanttSeries::attach(QCPAxis *keyAxis, QCPAxis *valueAxis)
{
    auto *bars = new BarPlottable(keyAxis, valueAxis, m_items);
    bars->setBandRow(true, -1.0);
    addPlottable(bars, true);
}

void GanttSeries::sync()
{
    ChartSeries::sync();
    if (auto *bars = qobject_cast<BarPlottable *>(mainPlottable()))
        bars->setDefaultColor(color());
}

bool GanttSeries::needsBottomBand() const
{
    auto *bars = qobject_cast<BarPlottable *>(mainPlottable());
    return bars && bars->hasBandBars();
}

QString GanttSeries::tooltipText(const QPointF &pixel, double maxDistance, bool keyIsDateTime,
                                 double *distance) const
{
    Q_UNUSED(maxDistance)
    auto *bars = qobject_cast<BarPlottable *>(mainPlottable());
    const int i = bars ? bars->barAt(pixel) : -1;
    if (i < 0)
        return QString();
    if (distance)
        *distance = 0;
    const BarPlottable::Item &it = m_items->at(i);
    QString text = it.text.isEmpty() ? name() : it.text;
    return QStringLiteral("%1\n%2 – %3")
        .arg(text, formatKey(it.x1, keyIsDateTime), formatKey(it.x2, keyIsDateTime));
}

QVector<QStringList> GanttSeries::table(bool keyIsDateTime) const
{
    QVector<QStringList> rows{{tr("From"), tr("To"), tr("Row"), tr("Text")}};
    rows.reserve(m_items->size() + 1);
    for (const BarPlottable::Item &it : qAsConst(*m_items))
        rows.append({tableKey(it.x1, keyIsDateTime), tableKey(it.x2, keyIsDateTime), tableValue(it.y), it.text});
    return rows;
}
