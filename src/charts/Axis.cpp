#include "Axis.h"

#include <qcustomplot.h>

Axis::Axis(QCPAxis *axis, QObject *parent)
    : QObject(parent)
    , m_axis(axis)
{
}

void Axis::applyTicker()
{
    if (m_datetime) {
        QSharedPointer<QCPAxisTickerDateTime> ticker(new QCPAxisTickerDateTime);
        // Keys are times as written (WallClock): labelled as such.
        ticker->setDateTimeSpec(Qt::UTC);
        QString f = m_format;
        f.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        ticker->setDateTimeFormat(f);
        ticker->setTickCount(6);
        m_axis->setTicker(ticker);
    } else {
        m_axis->setTicker(QSharedPointer<QCPAxisTicker>(new QCPAxisTicker));
    }
}

void Axis::setDatetime(bool datetime)
{
    m_datetime = datetime;
    applyTicker();
    emit changed();
}

void Axis::setDatetimeFormat(const QString &format)
{
    m_format = format;
    if (m_datetime)
        applyTicker();
    emit changed();
}

void Axis::setTitle(const QString &title)
{
    m_axis->setLabel(title);
    emit changed();
}

QString Axis::title() const
{
    return m_axis->label();
}

void Axis::setRange(double minimum, double maximum)
{
    m_axis->setRange(minimum, maximum);
    emit changed();
}

double Axis::minimum() const
{
    return m_axis->range().lower;
}

double Axis::maximum() const
{
    return m_axis->range().upper;
}

void Axis::setScaleLock(bool locked)
{
    m_locked = locked;
    emit changed();
}
