#ifndef LOGTABLEROWS_H
#define LOGTABLEROWS_H

#include "views/LogRecords.h"

#include <QtGlobal>

#include <functional>

class LogRowList;
class QTableWidget;

// The rows of the event log's widget, following the list of records shown
// (LogTable): rows at the end are added or removed and the optional cells
// put in or taken out, in slices of bounded time. While the rows change
// after a sort or a filter the widget keeps its former picture and the
// record selected stays selected; while records come in after a load, the
// view keeps its place.
class LogTableRows
{
public:
    LogTableRows(QTableWidget *table, const LogRecords &records, const LogRowList &shown);

    // A new load: the rows of the last go, their picture with them.
    void reset();

    // Brings rows and cells nearer to the records shown while time is left.
    void sync(const std::function<bool()> &timeLeft);
    // The rows from `row` on may show other records than before.
    void recheckFrom(int row) { m_checkedRows = qMin(m_checkedRows, row); }
    // Every row is there and has the cells of the record it shows.
    bool isInSync() const;

    // The row showing a record, -1 if none.
    int rowOf(int record) const;
    // The record of the row selected, -1 for none.
    int selectedRecord() const;
    // Takes records out: each one's new index, -1 for one gone.
    void renumber(const std::function<int(int)> &newIndex);

    // The widget keeps its picture and selection until thaw.
    void freeze();
    void thaw();
    bool isFrozen() const { return m_frozen; }

    // The order of time the rows are in, if they are (`byTime`), tells where
    // the newest record is without a look at every row.
    void holdView(bool byTime, Qt::SortOrder order);
    void restoreView(bool byTime, Qt::SortOrder order);

private:
    // A row has no item for a Source or Description cell.
    bool lacksCells(int row) const;
    void makeCells(int row);
    void fixOptionalCells(int row);
    int columnOf(LogRecords::Field field) const;
    // The row of the newest record shown, -1 for none.
    int newestShownRow(bool byTime, Qt::SortOrder order) const;

    QTableWidget *const m_table;
    const LogRecords &m_records;
    const LogRowList &m_shown;

    // Rows without an item for a Source or Description cell; rows below
    // `m_checkedRows` have the items of the record they show.
    int m_lackingRows = 0;
    int m_checkedRows = 0;
    int m_shrinkChunk = 8192;
    bool m_frozen = false;
    int m_heldSelection = -1;
    // Where the view stood when records began to come after the load: the
    // record at its top, or the newest in view; put back once they are in.
    bool m_viewHeld = false;
    int m_topRecord = -1;
    bool m_newestInView = false;
};

#endif // LOGTABLEROWS_H
