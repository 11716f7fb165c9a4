#include "ChartLegend.h"

#include <qcustomplot.h>

ChartLegend::ChartLegend(QCPLegend *legend, QObject *parent)
    : QObject(parent)
    , m_legend(legend)
{
}

void ChartLegend::setVisible(bool visible)
{
    m_legend->setVisible(visible);
    emit changed();
}

bool ChartLegend::isVisible() const
{
    return m_legend->visible();
}
