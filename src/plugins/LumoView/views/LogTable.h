#ifndef LOGTABLE_H
#define LOGTABLE_H

#include "views/BackgroundTask.h"
#include "views/LogFilter.h"
#include "views/LogFilterScan.h"
#include "views/LogRecords.h"
#include "views/LogRowList.h"
#include "views/LogStepMerge.h"
#include "views/LogTableRows.h"
#include "views/LogTimeOrder.h"

#include <QHash>
#include <QObject>
#include <QTimer>
#include <QVector>

#include <functional>
#include <memory>

class QTableWidget;
class QTime;

// The event log's table: every record of a load, the order chosen on the
// header and the filter, shown through the cells of a QTableWidget.
//
// A row of the widget stays where it is: it shows the record the table puts
// there, its cells asking for their texts (LogCell), so a new order or filter
// moves no cell and only rows at the end are added or removed, in slices of
// bounded time. Sorting runs in a thread of its own; while the rows change
// after a sort or a filter the widget keeps its former picture, and the
// header's indicator names the order of the rows on screen.
//
// Records come one way, addRecord, during a load or after it: a record
// earlier than the ones before it takes its place by time, and one that
// comes after a sort is sorted in where a load of them all would put it.
// A view that follows today replaces its newest records (beginReplace).
class LogTable : public QObject
{
    Q_OBJECT
public:
    // The most the table, and the view's intake of rows, work at a stretch
    // before the event loop has its turn.
    static constexpr int sliceMsecs = 10;

    // `table` has its columns: Time, Device time, Event type, [Source,]
    // Description.
    explicit LogTable(QTableWidget *table, QObject *parent = nullptr);
    ~LogTable() override;

    // The table showing its records in `table`, for the cells.
    static const LogTable *of(const QTableWidget *table);
    // The text of a field of the record shown in `row`.
    QString cellText(int row, LogRecords::Field field) const
    {
        return row < m_shown.size() ? m_records.text(m_shown.at(row), field) : QString();
    }

    // A load: the records go. Until endLoad the rows are shown in the order
    // of their time and the header sorts nothing; then its order applies.
    // The filter holds throughout.
    void beginLoad();
    void endLoad();
    bool isLoading() const { return m_loading; }

    void addRecord(int timeMsecs, int deviceTimeMsecs, int typeId, const QString &type, const DecodedLogRow &decoded);

    // After a load, the records from a time of the day on are replaced by
    // the ones added until endReplace. Those equal to the records held, in
    // their order, keep them, with their rows and the selection; from the
    // first that differs, the ones held go. Meanwhile the record at the top
    // of the view stays there, or the newest, if in view, stays in view.
    void beginReplace(int timeMsecs);
    void endReplace();
    // The records from a time of the day on, in the order of time.
    QVector<int> recordsFrom(int timeMsecs);
    // The latest time of the day of a record, -1 for none.
    int lastTime() const { return m_timeOrder.lastTime(); }

    void setFilter(const LogFilter &filter);
    const LogFilter &filter() const { return m_wantedFilter; }
    // The filter of the rows shown.
    const LogFilter &shownFilter() const { return m_filter; }

    const LogRecords &records() const { return m_records; }
    // The records of the rows shown, in their order; the widget may still be
    // catching up with them (isSettled).
    QVector<int> shownRecords() const { return m_shown.toVector(); }
    int shownCount() const { return m_shown.size(); }
    // The row of the widget showing a record, -1 if none.
    int rowOf(int record) const;
    // The first row from `time` on, in the order shown; where the rows run
    // back in time, the first at or before it. -1 if none.
    int rowFrom(const QTime &time) const;

    // The widget shows what the records, the order and the filter say, and
    // nothing is being sorted.
    bool isSettled() const;
    // Gets there at once: a sort under way is waited for.
    void settle();

signals:
    // The rows shown and the records of the load, now and then while they
    // change and once they have settled.
    void countsChanged(int shown, int total);
    void settled();

private:
    struct Sort
    {
        int section;
        Qt::SortOrder order;
        bool operator==(const Sort &other) const { return section == other.section && order == other.order; }
        bool operator!=(const Sort &other) const { return !(*this == other); }
    };
    struct SortRun;

    LogRecords::Field fieldOf(int column) const;
    void mergeLateRecords();

    void headerClicked(int section);
    // From the order the rows are in (a header click sorts by one column
    // after the other), or from the order of time, as a load does.
    void startSort(bool fromTimeOrder = false);
    void sortFinished();
    void showSortIndicator();

    void startScan(LogFilterScan::Source source);
    void scanSome(const std::function<bool()> &timeLeft);
    void applyScan();
    void examineNewRecords(const std::function<bool()> &timeLeft);
    bool behind() const;
    // Takes records out; the others' indexes close up.
    void removeRecords(const QVector<int> &gone);
    void holdView();
    void restoreView();
    void work(bool toTheEnd = false);
    void schedule();

    QTableWidget *const m_table;
    QTimer m_timer;
    QTimer m_resortTimer;
    bool m_loading = false;

    LogRecords m_records;
    LogTimeOrder m_timeOrder;
    // After a sort: every record in the order of the header (records that
    // came since at the end); before, the rows are in the order of time.
    bool m_sorted = false;
    QVector<int> m_sortOrder;
    Sort m_shownSort;
    Sort m_wantedSort;
    // The sort the rows will show once they have changed.
    Sort m_comingSort;
    bool m_sortComing = false;
    // Each text field's ranks from the last sort by it in this load.
    QHash<int, QVector<int>> m_ranks;
    BackgroundTask m_sortTask;
    std::shared_ptr<SortRun> m_sortRun;

    LogFilter m_filter;
    LogFilter m_wantedFilter;
    LogFilterScan m_scan;
    // The records the rows show; in the order of time: those of the first
    // `m_examined` records in that order that pass the filter.
    LogRowList m_shown;
    int m_examined = 0;
    LogTableRows m_rows;

    // A replacement under way, of the records from a place in the order of
    // time on.
    LogStepMerge m_merge;
    int m_replacedFrom = 0;
};

#endif // LOGTABLE_H
