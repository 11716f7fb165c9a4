#include "ChartAxes.h"

#include "Axis.h"

ChartAxes::ChartAxes(Axis *bottom, Axis *left, QObject *parent)
    : QObject(parent)
    , m_bottom(bottom)
    , m_left(left)
{
    // The axes live exactly as long as this holder.
    m_bottom->setParent(this);
    m_left->setParent(this);
}
