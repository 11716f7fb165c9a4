#ifndef SEARCHHIGHLIGHTDELEGATE_H
#define SEARCHHIGHLIGHTDELEGATE_H

#include <QStyledItemDelegate>

// Marks where the search text occurs in the cells of the searched columns,
// ignoring case. Only the cells being painted do any work, so a new search
// costs one repaint of what is on screen.
class SearchHighlightDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit SearchHighlightDelegate(QObject *parent = nullptr);

    void setSearch(const QString &text) { m_search = text; }
    const QString &search() const { return m_search; }
    void setColumns(const QVector<int> &columns) { m_columns = columns; }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    QString m_search;
    QVector<int> m_columns;
};

#endif // SEARCHHIGHLIGHTDELEGATE_H
