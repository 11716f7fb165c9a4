#include "ScatterGraph.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

namespace {

// A pixel position, bounded so that points far outside cannot overflow.
int pixel(double position)
{
    return int(std::lround(qBound(-1e6, position, 1e6)));
}

} // namespace

ScatterGraph::ScatterGraph(QCPAxis *keyAxis, QCPAxis *valueAxis)
    : QCPGraph(keyAxis, valueAxis)
{
    setLineStyle(lsNone);
}

void ScatterGraph::getOptimizedScatterData(QVector<QCPGraphData> *scatterData,
                                           QCPGraphDataContainer::const_iterator begin,
                                           QCPGraphDataContainer::const_iterator end) const
{
    QCPAxis *k = keyAxis();
    QCPAxis *v = valueAxis();
    if (!scatterData || !k || !v || !adaptiveSampling() || scatterSkip() > 0) {
        QCPGraph::getOptimizedScatterData(scatterData, begin, end);
        return;
    }
    scatterData->clear();
    // Where a point can show: the axis rect widened by a point's size.
    const QRect rect = k->axisRect()->rect();
    const int margin = int(std::ceil(scatterStyle().size())) + 2;
    const bool keyHorizontal = k->orientation() == Qt::Horizontal;
    const int lowest = (keyHorizontal ? rect.top() : rect.left()) - margin;
    const int highest = (keyHorizontal ? rect.bottom() : rect.right()) + margin;
    if (highest < lowest)
        return; // no room to show anything yet
    // Per value pixel, the key pixel of the last point kept there: the data
    // are sorted by key, so a point in the same pixel follows at once.
    std::vector<int> lastKeyPixel(size_t(highest - lowest + 1), INT_MIN);
    for (auto it = begin; it != end; ++it) {
        const double valuePosition = v->coordToPixel(it->value);
        if (!(valuePosition >= lowest && valuePosition <= highest))
            continue; // not a number, or out of sight
        int &last = lastKeyPixel[size_t(pixel(valuePosition) - lowest)];
        const int keyPixel = pixel(k->coordToPixel(it->key));
        if (last == keyPixel)
            continue;
        last = keyPixel;
        scatterData->append(*it);
    }
}

QImage ScatterGraph::shapeImage(QCPPainter *painter, const QCPScatterStyle &style, QPointF fraction,
                                int *centre, QPoint *origin) const
{
    const int device = painter->device()->devType();
    if (painter->modes().testFlag(QCPPainter::pmVectorized) || (device != QInternal::Pixmap && device != QInternal::Image)
        || painter->transform().type() > QTransform::TxTranslate || style.shape() == QCPScatterStyle::ssPixmap
        || style.shape() == QCPScatterStyle::ssCustom)
        return QImage();
    const qreal dpr = painter->device()->devicePixelRatioF();
    if (dpr != 1)
        return QImage();
    const double penWidth = style.isPenDefined() ? style.pen().widthF() : mPen.widthF();
    *centre = int(std::ceil(style.size() / 2 + penWidth)) + 2;
    QImage image(2 * *centre + 1, 2 * *centre + 1, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QCPPainter shape(&image);
    shape.setAntialiasing(painter->antialiasing());
    shape.setTransform(QTransform::fromTranslate(*centre + fraction.x(), *centre + fraction.y()));
    style.applyTo(&shape, mPen);
    style.drawShape(&shape, 0, 0);
    shape.end();
    // Only what the shape covers is copied for every point.
    int left = image.width(), right = -1, top = image.height(), bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(line[x]) == 0)
                continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    if (right < 0)
        return QImage(); // nothing to copy: drawn as it is
    *origin = QPoint(left, top);
    return image.copy(left, top, right - left + 1, bottom - top + 1);
}

void ScatterGraph::drawScatterPlot(QCPPainter *painter, const QVector<QPointF> &scatters,
                                   const QCPScatterStyle &style) const
{
    QVector<QPoint> snapped;
    snapped.reserve(scatters.size());
    for (const QPointF &p : scatters) {
        if (!std::isnan(p.x()) && !std::isnan(p.y()))
            snapped.append(QPoint(pixel(p.x()), pixel(p.y())));
    }
    // Where the painter puts a whole pixel: whole pixels plus a fraction
    // that is the same for every point.
    const QTransform placed = painter->transform();
    const QPoint whole(int(std::floor(placed.dx())), int(std::floor(placed.dy())));
    const QPointF fraction(placed.dx() - whole.x(), placed.dy() - whole.y());
    int centre = 0;
    QPoint origin;
    const QImage image = style.isNone() ? QImage() : shapeImage(painter, style, fraction, &centre, &origin);
    if (image.isNull()) {
        QVector<QPointF> points;
        points.reserve(snapped.size());
        for (const QPoint &p : qAsConst(snapped))
            points.append(p);
        QCPGraph::drawScatterPlot(painter, points, style);
        return;
    }
    painter->save();
    painter->setTransform(QTransform());
    const QPoint offset = whole - QPoint(centre, centre) + origin;
    for (const QPoint &p : qAsConst(snapped))
        painter->drawImage(p + offset, image);
    painter->restore();
}
