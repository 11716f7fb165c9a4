#include "SeriesCut.h"

#include "GanttSeries.h"
#include "LineSeries.h"
#include "PointSeries.h"

#include <cmath>

// The chart series offer no removal of single points: what stays is added
// again. A step cuts only the last seconds or minutes, and only the series
// that reach into them.

bool SeriesCut::points(PointSeries *series, double key)
{
    const int count = series->pointsCount();
    if (count == 0 || series->pt(count - 1).x() < key)
        return false;
    QVector<QPointF> kept;
    QVector<QString> tips;
    for (int i = 0; i < count; ++i) {
        const QPointF p = series->pt(i);
        if (p.x() < key) {
            kept << p;
            tips << series->tooltipAt(i);
        }
    }
    series->clear();
    for (int i = 0; i < kept.size(); ++i)
        series->addXY(kept.at(i).x(), kept.at(i).y(), tips.at(i));
    return true;
}

bool SeriesCut::line(LineSeries *series, double key)
{
    int kept = series->pointsCount();
    while (kept > 0 && series->point(kept - 1).x() >= key)
        --kept;
    while (kept > 0 && std::isnan(series->point(kept - 1).y()))
        --kept;
    if (kept == series->pointsCount())
        return false;
    QVector<double> xs;
    QVector<double> ys;
    for (int i = 0; i < kept; ++i) {
        xs << series->point(i).x();
        ys << series->point(i).y();
    }
    series->clear();
    series->addPoints(xs, ys);
    return true;
}

bool SeriesCut::bars(GanttSeries *series, double key)
{
    QVector<GanttSeries::Bar> kept;
    for (int i = 0; i < series->barCount(); ++i) {
        if (series->bar(i).to < key)
            kept << series->bar(i);
    }
    if (kept.size() == series->barCount())
        return false;
    series->clear();
    for (const GanttSeries::Bar &bar : qAsConst(kept))
        series->addBar(bar.from, bar.to, bar.y, bar.color, bar.text);
    return true;
}
