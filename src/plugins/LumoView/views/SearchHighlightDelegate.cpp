#include "SearchHighlightDelegate.h"

#include <QApplication>
#include <QPainter>

namespace {

// The marker colour of text searches; the text on it is drawn dark, also in
// a selected row.
const QColor matchColour(255, 214, 64);

} // namespace

SearchHighlightDelegate::SearchHighlightDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{
}

void SearchHighlightDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                    const QModelIndex &index) const
{
    if (m_search.isEmpty() || !m_columns.contains(index.column())) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QString text = opt.text;
    int from = text.indexOf(m_search, 0, Qt::CaseInsensitive);
    if (from < 0) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }

    const QWidget *widget = opt.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    // Where the style puts the text, less the margins it keeps inside.
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect textRect =
        style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget).adjusted(margin, 0, -margin, 0);
    const QFontMetrics metrics(opt.font);
    const QString shown = metrics.elidedText(text, opt.textElideMode, textRect.width());
    // Of an elided text the characters before the ellipsis are as drawn.
    const int visible = shown == text ? text.size() : qMax(0, shown.size() - 1);

    // The cell without its text: background, selection, focus.
    opt.text.clear();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

    const QRect line = QStyle::alignedRect(opt.direction, opt.displayAlignment,
                                           QSize(textRect.width(), metrics.height()), textRect);
    QRegion marked;
    for (; from >= 0 && from < visible; from = text.indexOf(m_search, from + m_search.size(), Qt::CaseInsensitive)) {
        const int left = metrics.horizontalAdvance(shown.left(from));
        const int width = metrics.horizontalAdvance(shown.mid(from, qMin(m_search.size(), visible - from)));
        marked += QRect(line.left() + left, line.top(), width, line.height()).intersected(textRect);
    }

    QPalette::ColorGroup group = opt.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
    if (group == QPalette::Normal && !(opt.state & QStyle::State_Active))
        group = QPalette::Inactive;
    const QColor textColour =
        opt.palette.color(group, opt.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text);

    const int flags = int(opt.displayAlignment) | Qt::TextSingleLine;
    const auto drawText = [&](const QRegion &clip, const QColor &colour) {
        painter->save();
        painter->setClipRegion(clip, Qt::IntersectClip);
        painter->setFont(opt.font);
        painter->setPen(colour);
        painter->drawText(textRect, flags, shown);
        painter->restore();
    };
    for (const QRect &r : marked)
        painter->fillRect(r, matchColour);
    drawText(QRegion(textRect) - marked, textColour);
    drawText(marked, Qt::black);
}
