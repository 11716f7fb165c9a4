#include "cwsimple/LabelTicker.h"

namespace cwsimple {

LabelTicker::LabelTicker()
    : m_plain(new QCPAxisTicker)
    , m_date(new QCPAxisTickerDateTime)
{
    // Keys are times as written (WallClock): labelled as such.
    m_date->setDateTimeSpec(Qt::UTC);
    m_date->setDateTimeFormat(QStringLiteral("hh:mm:ss"));
}

void LabelTicker::setDatetimeFormat(const QString &format)
{
    QString f = format;
    f.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    m_date->setDateTimeFormat(f);
}

void LabelTicker::generate(const QCPRange &range, const QLocale &locale, QChar formatChar,
                           int precision, QVector<double> &ticks, QVector<double> *subTicks,
                           QVector<QString> *tickLabels)
{
    if (!m_labels.isEmpty()) {
        ticks.clear();
        if (subTicks)
            subTicks->clear();
        if (tickLabels)
            tickLabels->clear();
        for (auto it = m_labels.constBegin(); it != m_labels.constEnd(); ++it) {
            if (!range.contains(it.key()))
                continue;
            ticks.append(it.key());
            if (tickLabels)
                tickLabels->append(it.value());
        }
        return;
    }
    QCPAxisTicker *inner = m_datetime ? static_cast<QCPAxisTicker *>(m_date.data()) : m_plain.data();
    int count = tickCount();
    if (m_minStep > 0)
        count = qBound(1, int(range.size() / m_minStep), count);
    inner->setTickCount(count);
    inner->generate(range, locale, formatChar, precision, ticks, subTicks, tickLabels);
}

} // namespace cwsimple
