#include "cwsimple/TimelinePlottable.h"

#include <algorithm>
#include <cmath>

namespace cwsimple {

namespace {

// The pixel column an x position falls in, kept just outside the clip so
// that a deep zoom cannot overflow.
int column(double pixel, int lowest, int highest)
{
    return int(std::floor(qBound(double(lowest), pixel + 0.5, double(highest))));
}

} // namespace

// The brushes of a look, made once a replot rather than once a fill.
struct LookBrushes
{
    QBrush upper;
    QBrush lower; // the lower half's, when it differs
    bool halves = false;
    QColor textBackground;
};

// Fills the bars of one row, neighbouring fills of the same look as one.
class TimelinePlottable::RowPainter
{
public:
    RowPainter(QCPPainter *painter, const QVector<LookBrushes> &brushes, int top, int height)
        : painter(painter), brushes(brushes), top(top), height(height)
    {
    }

    // Columns [c1, c2) in look number `look`, merged with the fill before
    // when it has the same look and touches it.
    void add(int c1, int c2, int look)
    {
        if (pending && look == pendingLook && c1 <= pendingEnd && c2 >= pendingStart) {
            pendingStart = std::min(pendingStart, c1);
            pendingEnd = std::max(pendingEnd, c2);
            return;
        }
        flush();
        pending = true;
        pendingStart = c1;
        pendingEnd = c2;
        pendingLook = look;
    }
    // Paints what is pending: anything painted next goes on top of it.
    void flush()
    {
        if (!pending)
            return;
        pending = false;
        ++fills;
        const LookBrushes &look = brushes.at(lookIndex(pendingLook));
        const int width = pendingEnd - pendingStart;
        if (look.halves) {
            const int upper = height / 2;
            painter->fillRect(QRect(pendingStart, top, width, upper), look.upper);
            painter->fillRect(QRect(pendingStart, top + upper, width, height - upper), look.lower);
        } else {
            painter->fillRect(QRect(pendingStart, top, width, height), look.upper);
        }
    }
    // The colour a text over look number `look` is read against.
    QColor background(int look) const { return brushes.at(lookIndex(look)).textBackground; }

    int fills = 0;

private:
    // Unknown numbers are drawn in the default colour, the last entry.
    int lookIndex(int look) const { return look >= 0 && look < brushes.size() - 1 ? look : brushes.size() - 1; }

    QCPPainter *painter;
    const QVector<LookBrushes> &brushes;
    const int top;
    const int height;
    bool pending = false;
    int pendingStart = 0;
    int pendingEnd = 0;
    int pendingLook = 0;
};

TimelinePlottable::TimelinePlottable(QCPAxis *keyAxis, QCPAxis *valueAxis, QSharedPointer<TimelineBars> bars,
                                     QSharedPointer<QVector<BarLook>> looks)
    : QCPAbstractPlottable(keyAxis, valueAxis)
    , m_bars(std::move(bars))
    , m_looks(std::move(looks))
{
    setSelectable(QCP::stNone);
}

void TimelinePlottable::draw(QCPPainter *painter)
{
    m_filled = 0;
    QCPAxis *k = mKeyAxis.data();
    QCPAxis *v = mValueAxis.data();
    if (!k || !v || m_bars->isEmpty())
        return;
    // Whole pixels: crisp edges, and a skipped bar is exactly one painted over.
    painter->setAntialiasing(false);
    painter->setPen(Qt::NoPen);
    painter->setFont(mParentPlot->font());
    const QFontMetrics fm(painter->font());
    const int minTextWidth = fm.horizontalAdvance(QStringLiteral("00")) + 4;
    const QCPRange kr = k->range();
    const QCPRange vr = v->range();
    const QRect clip = clipRect();
    const int lowest = clip.left() - 1;
    const int highest = clip.right() + 2;
    const double half = m_barHeight / 2;
    const TimelineBars &bars = *m_bars;
    QVector<LookBrushes> brushes;
    brushes.reserve(m_looks->size() + 1);
    for (const BarLook &look : qAsConst(*m_looks)) {
        const QColor first = look.first.isValid() ? look.first : m_defaultColor;
        if (!look.fill.isNull())
            brushes.append({QBrush(look.fill), QBrush(), false, Qt::white});
        else
            brushes.append({QBrush(first), QBrush(look.second), look.second.isValid(), first});
    }
    brushes.append({QBrush(m_defaultColor), QBrush(), false, m_defaultColor});

    for (const TimelineBars::Row &row : bars.rows()) {
        if (row.y + half < vr.lower || row.y - half > vr.upper)
            continue;
        int top = qRound(v->coordToPixel(row.y + half));
        int bottom = qRound(v->coordToPixel(row.y - half));
        if (bottom < top)
            std::swap(top, bottom);
        RowPainter paint(painter, brushes, top, std::max(1, bottom - top));
        const QVector<int> &order = row.bars;
        const int n = order.size();
        const auto reach = [&](int at) { return row.reach.isEmpty() ? bars.x2(order.at(at)) : row.reach.at(at); };
        // The first bar that reaches into view (the reach ascends).
        int lo = 0;
        int hi = n;
        while (lo < hi) {
            const int mid = (lo + hi) / 2;
            if (reach(mid) < kr.lower)
                lo = mid + 1;
            else
                hi = mid;
        }
        const auto startColumn = [&](int at) { return column(k->coordToPixel(bars.x1(order.at(at))), lowest, highest); };
        for (int at = lo; at < n; ++at) {
            if (bars.x1(order.at(at)) > kr.upper)
                break;
            if (m_adaptiveSampling && row.disjoint) {
                // Every bar of a column but the last ends in it and is painted
                // over by the next: on to the last, in steps that double.
                const int c = startColumn(at);
                int step = 1;
                while (at + step < n && startColumn(at + step) == c) {
                    at += step;
                    step *= 2;
                }
                int first = at + 1;
                int beyond = std::min(at + step, n);
                while (first < beyond) {
                    const int mid = (first + beyond) / 2;
                    if (startColumn(mid) == c)
                        first = mid + 1;
                    else
                        beyond = mid;
                }
                at = first - 1;
            }
            const int i = order.at(at);
            const double x1 = bars.x1(i);
            const double x2 = bars.x2(i);
            if (std::max(x1, x2) < kr.lower)
                continue;
            int c1 = column(k->coordToPixel(x1), lowest, highest);
            int c2 = column(k->coordToPixel(x2), lowest, highest);
            if (c2 < c1)
                std::swap(c1, c2);
            if (c2 == c1)
                ++c2;
            if (m_adaptiveSampling && c2 == c1 + 1 && at + 1 < n) {
                // The next bar starts in this column and covers it at once.
                const double next = bars.x1(order.at(at + 1));
                if (next <= kr.upper && column(k->coordToPixel(next), lowest, highest) == c1)
                    continue;
            }
            const int look = bars.look(i);
            const bool text = m_showLength && c2 - c1 >= minTextWidth;
            paint.add(c1, c2, look);
            if (!m_adaptiveSampling || text)
                paint.flush();
            if (!text)
                continue;
            const QRect r = QRect(c1, top, c2 - c1, bottom - top).intersected(clip.adjusted(-1, -1, 1, 1));
            const QString length = QString::number(x2 - x1, 'g', 6);
            if (r.width() < minTextWidth || fm.horizontalAdvance(length) > r.width() - 4 || r.height() < fm.height() * 0.6)
                continue;
            painter->setPen(qGray(paint.background(look).rgb()) > 120 ? Qt::black : Qt::white);
            painter->drawText(r, Qt::AlignCenter | Qt::TextSingleLine, length);
            painter->setPen(Qt::NoPen);
        }
        paint.flush();
        m_filled += paint.fills;
    }
}

void TimelinePlottable::drawLegendIcon(QCPPainter *painter, const QRectF &rect) const
{
    painter->fillRect(rect.adjusted(0, rect.height() * 0.2, 0, -rect.height() * 0.2), m_defaultColor);
}

double TimelinePlottable::selectTest(const QPointF &pos, bool onlySelectable, QVariant *details) const
{
    Q_UNUSED(details)
    QCPAxis *k = mKeyAxis.data();
    QCPAxis *v = mValueAxis.data();
    if ((onlySelectable && !selectable()) || !k || !v)
        return -1;
    const double key = k->pixelToCoord(pos.x());
    const double value = v->pixelToCoord(pos.y());
    const double tolerance = std::abs(k->pixelToCoord(pos.x() + 1) - key);
    const TimelineBars &bars = *m_bars;
    for (const TimelineBars::Row &row : bars.rows()) {
        if (std::abs(value - row.y) > m_barHeight / 2)
            continue;
        const QVector<int> &order = row.bars;
        const auto reach = [&](int at) { return row.reach.isEmpty() ? bars.x2(order.at(at)) : row.reach.at(at); };
        int lo = 0;
        int hi = order.size();
        while (lo < hi) {
            const int mid = (lo + hi) / 2;
            if (reach(mid) < key - tolerance)
                lo = mid + 1;
            else
                hi = mid;
        }
        for (int at = lo; at < order.size() && bars.x1(order.at(at)) <= key + tolerance; ++at) {
            if (bars.x2(order.at(at)) >= key - tolerance)
                return 0;
        }
    }
    return -1;
}

QCPRange TimelinePlottable::getKeyRange(bool &foundRange, QCP::SignDomain inSignDomain) const
{
    Q_UNUSED(inSignDomain)
    double lower = 0;
    double upper = 0;
    foundRange = m_bars->keyRange(&lower, &upper);
    return QCPRange(lower, upper);
}

QCPRange TimelinePlottable::getValueRange(bool &foundRange, QCP::SignDomain inSignDomain,
                                          const QCPRange &inKeyRange) const
{
    Q_UNUSED(inSignDomain)
    Q_UNUSED(inKeyRange)
    double lower = 0;
    double upper = 0;
    foundRange = m_bars->rowRange(&lower, &upper);
    return QCPRange(lower - m_barHeight / 2, upper + m_barHeight / 2);
}

} // namespace cwsimple
