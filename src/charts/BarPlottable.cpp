#include "BarPlottable.h"

#include <QHash>

BarPlottable::BarPlottable(QCPAxis *keyAxis, QCPAxis *valueAxis, QSharedPointer<Items> items)
    : QCPAbstractPlottable(keyAxis, valueAxis)
    , m_items(std::move(items))
{
    setSelectable(QCP::stNone);
}

bool BarPlottable::hasBandBars() const
{
    if (!m_bandEnabled)
        return false;
    for (const Item &it : *m_items)
        if (isBand(it))
            return true;
    return false;
}

QRectF BarPlottable::pixelRect(const Item &it) const
{
    QCPAxis *k = mKeyAxis.data();
    QCPAxis *v = mValueAxis.data();
    double px1 = k->coordToPixel(it.x1);
    double px2 = k->coordToPixel(it.x2);
    if (px2 < px1)
        std::swap(px1, px2);
    double top, bottom;
    if (isBand(it)) {
        const QRect ar = k->axisRect()->rect();
        bottom = ar.bottom() - 2;
        top = bottom - bandPixelHeight();
    } else {
        top = v->coordToPixel(it.y + m_barHeight / 2);
        bottom = v->coordToPixel(it.y - m_barHeight / 2);
        if (bottom < top)
            std::swap(top, bottom);
    }
    // Keep very short bars visible as a one-pixel sliver.
    if (px2 - px1 < 1.0)
        px2 = px1 + 1.0;
    return QRectF(QPointF(px1, top), QPointF(px2, bottom));
}

void BarPlottable::draw(QCPPainter *painter)
{
    QCPAxis *k = mKeyAxis.data();
    QCPAxis *v = mValueAxis.data();
    if (!k || !v || m_items->isEmpty())
        return;
    const QCPRange kr = k->range();
    const QCPRange vr = v->range();
    const double half = m_barHeight / 2;
    const QRectF clip = clipRect();
    painter->setFont(mParentPlot->font());
    const QFontMetrics fm(painter->font());
    const int minTextWidth = fm.horizontalAdvance(QStringLiteral("00")) + 4;
    painter->setPen(Qt::NoPen);
    // Per pixel row, the last pixel column a sub-pixel bar was drawn in;
    // more sub-pixel bars in that column would only overdraw it.
    QHash<int, int> lastNarrow;

    for (const Item &it : qAsConst(*m_items)) {
        // Cull in plot coordinates first: cheap, and most bars are off-screen
        // when zoomed in.
        if (it.x2 < kr.lower || it.x1 > kr.upper)
            continue;
        const bool band = isBand(it);
        if (!band && (it.y + half < vr.lower || it.y - half > vr.upper))
            continue;
        const QRectF r = pixelRect(it).intersected(clip.adjusted(-1, -1, 1, 1));
        if (r.isEmpty())
            continue;
        if (r.width() <= 1.0) {
            const int column = int(r.left());
            auto slot = lastNarrow.find(int(r.top()));
            if (slot != lastNarrow.end() && *slot == column)
                continue;
            lastNarrow.insert(int(r.top()), column);
        }
        const QColor first = it.first.isValid() ? it.first : m_defaultColor;
        if (!it.fill.isNull()) {
            painter->fillRect(r, QBrush(it.fill));
        } else if (it.second.isValid()) {
            QRectF upper = r, lower = r;
            upper.setBottom(r.center().y());
            lower.setTop(r.center().y());
            painter->fillRect(upper, first);
            painter->fillRect(lower, it.second);
        } else {
            painter->fillRect(r, first);
        }
        if (r.width() < minTextWidth)
            continue;
        QString text = m_showLength ? QString::number(it.x2 - it.x1, 'g', 6) : it.text;
        if (text.isEmpty())
            continue;
        const int avail = int(r.width()) - 4;
        if (m_showLength) {
            if (fm.horizontalAdvance(text) > avail)
                continue;
        } else {
            text = fm.elidedText(text, Qt::ElideRight, avail);
            if (text.isEmpty() || text == QStringLiteral("…"))
                continue;
        }
        if (r.height() < fm.height() * 0.6)
            continue;
        // Dark text on light fills, light text on dark ones.
        const QColor bg = it.fill.isNull() ? first : QColor(Qt::white);
        painter->setPen(qGray(bg.rgb()) > 120 ? Qt::black : Qt::white);
        painter->drawText(r, Qt::AlignCenter | Qt::TextSingleLine, text);
        painter->setPen(Qt::NoPen);
    }
}

void BarPlottable::drawLegendIcon(QCPPainter *painter, const QRectF &rect) const
{
    painter->fillRect(rect.adjusted(0, rect.height() * 0.2, 0, -rect.height() * 0.2), m_defaultColor);
}

int BarPlottable::barAt(const QPointF &pixel) const
{
    if (!mKeyAxis || !mValueAxis)
        return -1;
    const double key = mKeyAxis->pixelToCoord(pixel.x());
    const double value = mValueAxis->pixelToCoord(pixel.y());
    const double keyTol = qAbs(mKeyAxis->pixelToCoord(pixel.x() + 1) - key);
    for (int i = m_items->size() - 1; i >= 0; --i) {
        const Item &it = m_items->at(i);
        if (key < it.x1 - keyTol || key > it.x2 + keyTol)
            continue;
        if (isBand(it)) {
            if (pixelRect(it).adjusted(-1, -1, 1, 1).contains(pixel))
                return i;
        } else if (qAbs(value - it.y) <= m_barHeight / 2) {
            return i;
        }
    }
    return -1;
}

double BarPlottable::selectTest(const QPointF &pos, bool onlySelectable, QVariant *details) const
{
    Q_UNUSED(details)
    if (onlySelectable && !selectable())
        return -1;
    return barAt(pos) >= 0 ? 0.0 : -1.0;
}

QCPRange BarPlottable::getKeyRange(bool &foundRange, QCP::SignDomain inSignDomain) const
{
    Q_UNUSED(inSignDomain)
    QCPRange r;
    foundRange = false;
    for (const Item &it : *m_items) {
        if (!foundRange) {
            r = QCPRange(qMin(it.x1, it.x2), qMax(it.x1, it.x2));
            foundRange = true;
        } else {
            r.expand(QCPRange(qMin(it.x1, it.x2), qMax(it.x1, it.x2)));
        }
    }
    return r;
}

QCPRange BarPlottable::getValueRange(bool &foundRange, QCP::SignDomain inSignDomain,
                                     const QCPRange &inKeyRange) const
{
    Q_UNUSED(inSignDomain)
    Q_UNUSED(inKeyRange)
    QCPRange r;
    foundRange = false;
    const double half = m_barHeight / 2;
    for (const Item &it : *m_items) {
        if (isBand(it)) // drawn in pixel space; the chart reserves room for it
            continue;
        const QCPRange b(it.y - half, it.y + half);
        if (!foundRange) {
            r = b;
            foundRange = true;
        } else {
            r.expand(b);
        }
    }
    return r;
}
