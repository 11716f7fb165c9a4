#include "cwsimple/Series.h"

#include <qcustomplot.h>

namespace cwsimple {

Series::Series(QObject *parent)
    : QObject(parent)
{
}

Series::~Series()
{
    detach();
}

void Series::attach(QCPAxis *keyAxis, QCPAxis *valueAxis)
{
    Q_UNUSED(keyAxis)
    Q_UNUSED(valueAxis)
}

void Series::detach()
{
    for (const QPointer<QCPAbstractPlottable> &p : qAsConst(m_plottables))
        if (p && p->parentPlot())
            p->parentPlot()->removePlottable(p.data());
    m_plottables.clear();
}

void Series::addPlottable(QCPAbstractPlottable *plottable)
{
    // The simple charts have no legend.
    plottable->removeFromLegend();
    m_plottables.append(plottable);
}

QList<QCPAbstractPlottable *> Series::plottables() const
{
    QList<QCPAbstractPlottable *> list;
    for (const QPointer<QCPAbstractPlottable> &p : m_plottables)
        if (p)
            list.append(p.data());
    return list;
}

} // namespace cwsimple
