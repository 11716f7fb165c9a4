#include "cwsimple/Axis.h"

#include "cwsimple/LabelTicker.h"

namespace cwsimple {

Axis::Axis(QCPAxis *axis, QObject *parent)
    : QObject(parent)
    , m_axis(axis)
    , m_ticker(new LabelTicker)
{
    m_axis->setTicker(m_ticker);
}

void Axis::setDatetime(bool datetime)
{
    m_datetime = datetime;
    m_ticker->setDatetime(datetime);
    emit changed();
}

void Axis::setDatetimeFormat(const QString &format)
{
    m_format = format;
    m_ticker->setDatetimeFormat(format);
    emit changed();
}

void Axis::setCustomLabel(double value, const QString &label)
{
    m_labels.insert(value, label);
    m_ticker->setLabels(m_labels);
    emit changed();
}

void Axis::resetCustomLabels()
{
    m_labels.clear();
    m_ticker->setLabels(m_labels);
    emit changed();
}

void Axis::setMinStep(double step)
{
    m_ticker->setMinStep(step);
    emit changed();
}

} // namespace cwsimple
