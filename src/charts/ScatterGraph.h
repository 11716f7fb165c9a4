#ifndef SCATTERGRAPH_H
#define SCATTERGRAPH_H

#include <qcustomplot.h>

// A QCPGraph of scatter points drawn on whole pixels. With adaptive
// sampling (QCustomPlot's default) it draws one point per pixel rather
// than every point in it: a week of points a few seconds apart then costs
// what the pixels cost, and the picture stays the one of every point. A
// zoom or pan samples the points of the new range. On screen and in
// pictures each point is a copy of the shape drawn once.
class ScatterGraph : public QCPGraph
{
    Q_OBJECT
public:
    ScatterGraph(QCPAxis *keyAxis, QCPAxis *valueAxis);

protected:
    void getOptimizedScatterData(QVector<QCPGraphData> *scatterData, QCPGraphDataContainer::const_iterator begin,
                                 QCPGraphDataContainer::const_iterator end) const override;
    void drawScatterPlot(QCPPainter *painter, const QVector<QPointF> &scatters,
                         const QCPScatterStyle &style) const override;

private:
    // The shape drawn once, its centre at `centre` plus the painter's
    // fraction of a pixel, cut to what it covers from `origin` on; null
    // where copies would not do (a vector device, a scaled painter, a
    // shape of pixmaps).
    QImage shapeImage(QCPPainter *painter, const QCPScatterStyle &style, QPointF fraction, int *centre,
                      QPoint *origin) const;
};

#endif // SCATTERGRAPH_H
