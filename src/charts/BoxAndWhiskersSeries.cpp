#include "BoxAndWhiskersSeries.h"

BoxAndWhiskersSeries::BoxAndWhiskersSeries(QObject *parent)
    : ChartSeries(parent)
    , m_data(new QCPStatisticalBoxDataContainer)
{
}

void BoxAndWhiskersSeries::addCandle(const QDateTime &x, double median, double min, double max,
                                     double Q1, double Q3)
{
    addCandle(toKey(x), median, min, max, Q1, Q3);
}

void BoxAndWhiskersSeries::addCandle(double x, double median, double min, double max, double Q1,
                                     double Q3)
{
    m_data->add(QCPStatisticalBoxData(x, min, Q1, median, Q3, max));
    emit changed();
}

BoxAndWhiskersSeries::Candle BoxAndWhiskersSeries::candle(int i) const
{
    if (i < 0 || i >= m_data->size())
        return Candle{0, 0, 0, 0, 0, 0};
    const QCPStatisticalBoxData &d = *(m_data->constBegin() + i);
    return Candle{d.key, d.median, d.minimum, d.maximum, d.lowerQuartile, d.upperQuartile};
}

void BoxAndWhiskersSeries::clear()
{
    m_data->clear();
    emit changed();
}

void BoxAndWhiskersSeries::attach(QCPAxis *keyAxis, QCPAxis *valueAxis)
{
    auto *box = new QCPStatisticalBox(keyAxis, valueAxis);
    box->setData(m_data);
    addPlottable(box, true);
}

void BoxAndWhiskersSeries::sync()
{
    ChartSeries::sync();
    auto *box = qobject_cast<QCPStatisticalBox *>(mainPlottable());
    if (!box)
        return;
    QColor fill = color();
    fill.setAlpha(90);
    box->setBrush(fill);
    box->setMedianPen(QPen(color().darker(150), width() + 1));
    // Box width is in key units (seconds): a share of the closest spacing,
    // so neighbouring boxes never overlap.
    double spacing = 0;
    for (int i = 1; i < m_data->size(); ++i) {
        const double d = (m_data->constBegin() + i)->key - (m_data->constBegin() + i - 1)->key;
        if (d > 0 && (spacing == 0 || d < spacing))
            spacing = d;
    }
    box->setWidth(spacing > 0 ? spacing * 0.6 : 60.0);
    box->setWhiskerWidth(box->width() * 0.5);
}

QString BoxAndWhiskersSeries::tooltipText(const QPointF &pixel, double maxDistance,
                                          bool keyIsDateTime, double *distance) const
{
    QCPAbstractPlottable *p = mainPlottable();
    if (!p)
        return QString();
    QVariant details;
    const double d = p->selectTest(pixel, false, &details);
    // Inside a box QCustomPlot reports 0.99 x its selection tolerance.
    if (d < 0 || d > qMax(maxDistance, p->parentPlot()->selectionTolerance() * 1.0))
        return QString();
    const QCPDataSelection sel = details.value<QCPDataSelection>();
    if (sel.isEmpty())
        return QString();
    const Candle c = candle(sel.dataRange().begin());
    if (distance)
        *distance = d;
    return tr("%1\n%2\nmedian %3, Q1 %4, Q3 %5\nmin %6, max %7")
        .arg(name(), formatKey(c.x, keyIsDateTime))
        .arg(c.median)
        .arg(c.q1)
        .arg(c.q3)
        .arg(c.min)
        .arg(c.max);
}

QVector<QStringList> BoxAndWhiskersSeries::table(bool keyIsDateTime) const
{
    QVector<QStringList> rows{{tr("X"), tr("Minimum"), tr("Lower quartile"), tr("Median"),
                               tr("Upper quartile"), tr("Maximum")}};
    rows.reserve(m_data->size() + 1);
    for (auto it = m_data->constBegin(); it != m_data->constEnd(); ++it) {
        rows.append({tableKey(it->key, keyIsDateTime), tableValue(it->minimum), tableValue(it->lowerQuartile),
                     tableValue(it->median), tableValue(it->upperQuartile), tableValue(it->maximum)});
    }
    return rows;
}
