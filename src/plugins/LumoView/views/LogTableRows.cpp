#include "LogTableRows.h"

#include "views/LogCell.h"
#include "views/LogTable.h"
#include "views/LogRowList.h"

#include <QElapsedTimer>
#include <QTableWidget>

namespace {

// Rows made, or checked, between looks at the clock.
const int rowChunk = 4096;
const int checkChunk = 1 << 16;
// Rows removed at once take about half of the table's slice of work.
const qint64 shrinkNsecs = LogTable::sliceMsecs * qint64(1000000) / 2;

} // namespace

LogTableRows::LogTableRows(QTableWidget *table, const LogRecords &records, const LogRowList &shown)
    : m_table(table)
    , m_records(records)
    , m_shown(shown)
{
}

void LogTableRows::reset()
{
    m_checkedRows = 0;
    m_heldSelection = -1;
    m_viewHeld = false;
    if (m_frozen) {
        m_frozen = false;
        m_table->setUpdatesEnabled(true);
    }
    m_table->clearSelection();
}

int LogTableRows::columnOf(LogRecords::Field field) const
{
    return field == LogRecords::Description && m_records.withSource() ? 4 : qMin(int(field), 3);
}

bool LogTableRows::lacksCells(int row) const
{
    return !m_table->item(row, columnOf(LogRecords::Description))
        || (m_records.withSource() && !m_table->item(row, columnOf(LogRecords::Source)));
}

void LogTableRows::makeCells(int row)
{
    const int record = m_shown.at(row);
    m_table->setItem(row, 0, new LogCell(LogRecords::Time, row));
    m_table->setItem(row, 1, new LogCell(LogRecords::DeviceTime, row));
    m_table->setItem(row, 2, new LogCell(LogRecords::Type, row));
    bool lacks = false;
    for (const LogRecords::Field field : {LogRecords::Source, LogRecords::Description}) {
        if (m_records.hasCell(record, field))
            m_table->setItem(row, columnOf(field), new LogCell(field, row));
        else
            lacks = lacks || field == LogRecords::Description || m_records.withSource();
    }
    m_lackingRows += lacks;
}

void LogTableRows::fixOptionalCells(int row)
{
    const int record = m_shown.at(row);
    bool lacked = false;
    bool lacks = false;
    for (const LogRecords::Field field : {LogRecords::Source, LogRecords::Description}) {
        if (field == LogRecords::Source && !m_records.withSource())
            continue;
        const int column = columnOf(field);
        const bool has = m_table->item(row, column);
        const bool wanted = m_records.hasCell(record, field);
        lacked = lacked || !has;
        lacks = lacks || !wanted;
        if (wanted && !has)
            m_table->setItem(row, column, new LogCell(field, row));
        else if (!wanted && has)
            delete m_table->takeItem(row, column);
    }
    m_lackingRows += int(lacks) - int(lacked);
}

void LogTableRows::sync(const std::function<bool()> &timeLeft)
{
    int rows = m_table->rowCount();
    const int target = m_shown.size();
    // Rows past the end go first, in chunks sized to the slice: the widget
    // walks its rows after each removal, the cells' deletion costs per row.
    while (rows > target && timeLeft()) {
        const int next = qMax(target, rows - m_shrinkChunk);
        QElapsedTimer clock;
        clock.start();
        for (int row = next; m_lackingRows > 0 && row < rows; ++row)
            m_lackingRows -= lacksCells(row);
        m_table->setRowCount(next);
        const qint64 perRow = qMax<qint64>(1, clock.nsecsElapsed() / (rows - next));
        m_shrinkChunk = int(qBound<qint64>(rowChunk, shrinkNsecs / perRow, 1 << 20));
        rows = next;
    }
    if (rows > target)
        return;

    // Rows showing other records than before may want other optional cells;
    // not where every row has them all and every record wants them all.
    m_checkedRows = qMin(m_checkedRows, rows);
    if (m_lackingRows == 0 && m_records.withoutCell(LogRecords::Description) == 0
        && m_records.withoutCell(LogRecords::Source) == 0)
        m_checkedRows = rows;
    QAbstractItemModel *model = m_table->model();
    // Each cell put in or taken out would be announced on its own; one
    // repaint covers them all.
    const bool blocked = model->blockSignals(true);
    while (m_checkedRows < rows && timeLeft()) {
        const int end = qMin(rows, m_checkedRows + checkChunk);
        for (int row = m_checkedRows; row < end; ++row)
            fixOptionalCells(row);
        m_checkedRows = end;
    }
    model->blockSignals(blocked);
    if (m_checkedRows < rows) {
        m_table->viewport()->update();
        return;
    }

    while (rows < target && timeLeft()) {
        const int next = qMin(target, rows + rowChunk);
        m_table->setRowCount(next);
        const bool blocked = model->blockSignals(true);
        for (int row = rows; row < next; ++row)
            makeCells(row);
        model->blockSignals(blocked);
        rows = next;
    }
    m_checkedRows = rows;
    m_table->viewport()->update();
}

bool LogTableRows::isInSync() const
{
    return m_table->rowCount() == m_shown.size() && m_checkedRows >= m_shown.size();
}

int LogTableRows::rowOf(int record) const
{
    const int row = m_shown.indexOf(record);
    return row < m_table->rowCount() ? row : -1;
}

int LogTableRows::selectedRecord() const
{
    const QModelIndexList selected = m_table->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return -1;
    const int row = selected.first().row();
    return row < m_shown.size() ? m_shown.at(row) : -1;
}

void LogTableRows::renumber(const std::function<int(int)> &newIndex)
{
    m_heldSelection = newIndex(m_heldSelection);
    m_topRecord = newIndex(m_topRecord);
}

void LogTableRows::freeze()
{
    if (m_frozen)
        return;
    m_heldSelection = selectedRecord();
    m_frozen = true;
    m_table->setUpdatesEnabled(false);
}

void LogTableRows::thaw()
{
    if (!m_frozen)
        return;
    m_frozen = false;
    m_table->setUpdatesEnabled(true);
    const int row = m_heldSelection < 0 ? -1 : rowOf(m_heldSelection);
    if (row >= 0)
        m_table->selectRow(row);
    else if (m_heldSelection >= 0)
        m_table->clearSelection();
    m_heldSelection = -1;
}

int LogTableRows::newestShownRow(bool byTime, Qt::SortOrder order) const
{
    const int rows = qMin(m_shown.size(), m_table->rowCount());
    if (rows == 0)
        return -1;
    if (byTime)
        return order == Qt::AscendingOrder ? rows - 1 : 0;
    int newest = 0;
    for (int row = 1; row < rows; ++row) {
        if (m_records.timeMsecs(m_shown.at(row)) >= m_records.timeMsecs(m_shown.at(newest)))
            newest = row;
    }
    return newest;
}

void LogTableRows::holdView(bool byTime, Qt::SortOrder order)
{
    if (m_viewHeld)
        return;
    m_viewHeld = true;
    const int top = m_table->rowAt(0);
    m_topRecord = top >= 0 && top < m_shown.size() ? m_shown.at(top) : -1;
    const int newest = newestShownRow(byTime, order);
    int bottom = m_table->rowAt(m_table->viewport()->height() - 1);
    if (bottom < 0)
        bottom = m_table->rowCount() - 1;
    m_newestInView = newest < 0 || (top >= 0 && newest >= top && newest <= bottom);
}

void LogTableRows::restoreView(bool byTime, Qt::SortOrder order)
{
    if (!m_viewHeld)
        return;
    m_viewHeld = false;
    QAbstractItemModel *model = m_table->model();
    if (m_newestInView) {
        const int row = newestShownRow(byTime, order);
        // Rows just added are laid out later: scrollTo would stop short of
        // them, scrollToBottom lays them out first.
        if (row >= 0 && row == m_table->rowCount() - 1)
            m_table->scrollToBottom();
        else if (row >= 0)
            m_table->scrollTo(model->index(row, 0));
        return;
    }
    const int row = m_topRecord < 0 ? -1 : rowOf(m_topRecord);
    if (row >= 0 && m_table->rowAt(0) != row)
        m_table->scrollTo(model->index(row, 0), QAbstractItemView::PositionAtTop);
}
