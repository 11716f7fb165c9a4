#include "LogTable.h"

#include "views/LogCell.h"
#include "views/LogSorter.h"

#include "decoding/EventCatalogue.h"

#include <QElapsedTimer>
#include <QHeaderView>
#include <QLocale>
#include <QPair>
#include <QTableWidget>
#include <QTime>

namespace {

// Records looked at between looks at the clock.
const int scanChunk = 1 << 16;
// Records that come after a sort are sorted in at most this often.
const int resortMsecs = 200;
// Rows come in the order of time, which is what the header shows then.
const int timeSection = 0;

QVector<QPair<const QTableWidget *, const LogTable *>> &registry()
{
    static QVector<QPair<const QTableWidget *, const LogTable *>> tables;
    return tables;
}

} // namespace

struct LogTable::SortRun
{
    Sort sort;
    LogRecords::Field field;
    // The records there were when it started.
    int records;
    QVector<int> order;
    QVector<int> ranks;
};

LogTable::LogTable(QTableWidget *table, QObject *parent)
    : QObject(parent)
    , m_table(table)
    , m_records(table->columnCount() >= 5)
    , m_timeOrder(m_records)
    , m_shownSort{timeSection, Qt::AscendingOrder}
    , m_wantedSort(m_shownSort)
    , m_comingSort(m_shownSort)
    , m_rows(table, m_records, m_shown)
{
    registry().append({table, this});
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { work(); });
    m_resortTimer.setSingleShot(true);
    m_resortTimer.setInterval(resortMsecs);
    // Records that came later are sorted in as a load would have them.
    connect(&m_resortTimer, &QTimer::timeout, this, [this] { startSort(true); });
    connect(&m_sortTask, &BackgroundTask::finished, this, &LogTable::sortFinished);

    // The table's own sort would move the cells: the header's clicks come
    // here instead.
    m_table->setSortingEnabled(false);
    QHeaderView *header = m_table->horizontalHeader();
    header->setSortIndicatorShown(true);
    header->setSectionsClickable(true);
    connect(header, &QHeaderView::sectionClicked, this, &LogTable::headerClicked);
    showSortIndicator();
}

LogTable::~LogTable()
{
    m_sortTask.cancel();
    registry().removeAll({m_table, this});
}

const LogTable *LogTable::of(const QTableWidget *table)
{
    for (const auto &entry : qAsConst(registry())) {
        if (entry.first == table)
            return entry.second;
    }
    return nullptr;
}

LogRecords::Field LogTable::fieldOf(int column) const
{
    switch (column) {
    case 0:
        return LogRecords::Time;
    case 1:
        return LogRecords::DeviceTime;
    case 2:
        return LogRecords::Type;
    case 3:
        return m_records.withSource() ? LogRecords::Source : LogRecords::Description;
    default:
        return LogRecords::Description;
    }
}

// ---- Records ----

void LogTable::beginLoad()
{
    m_sortTask.cancel();
    m_sortRun.reset();
    m_resortTimer.stop();
    m_scan.clear();
    m_loading = true;
    m_records.clear();
    m_timeOrder.clear();
    m_sortOrder.clear();
    m_sorted = false;
    m_sortComing = false;
    m_ranks.clear();
    m_filter = m_wantedFilter;
    m_filter.prepare(m_records);
    // The rows of the last load go, their picture with them.
    m_shown.clear();
    m_examined = 0;
    m_merge.clear();
    m_rows.reset();
    m_table->horizontalHeader()->setSectionsClickable(false);
    showSortIndicator();
    emit countsChanged(0, 0);
    work();
}

void LogTable::endLoad()
{
    if (!m_loading)
        return;
    m_loading = false;
    m_table->horizontalHeader()->setSectionsClickable(true);
    startSort();
    work();
}

void LogTable::addRecord(int timeMsecs, int deviceTimeMsecs, int typeId, const QString &type,
                         const DecodedLogRow &decoded)
{
    if (m_merge.isActive()) {
        switch (m_merge.take(m_records, timeMsecs, deviceTimeMsecs, type, decoded)) {
        case LogStepMerge::Held:
            return;
        case LogStepMerge::Aside:
            // Out of the order of time until the step has ended.
            m_timeOrder.leaveOutNext();
            m_merge.setAside(m_records.size());
            m_records.append(timeMsecs, deviceTimeMsecs, typeId, type, decoded);
            return;
        case LogStepMerge::AsAny:
            break;
        }
    }
    if (!m_loading)
        holdView();
    const int record = m_records.size();
    m_records.append(timeMsecs, deviceTimeMsecs, typeId, type, decoded);
    m_timeOrder.add(record, timeMsecs);
    if (m_sorted) {
        m_sortOrder.append(record);
        if (!m_resortTimer.isActive() && !m_sortTask.isRunning())
            m_resortTimer.start();
    }
    schedule();
}

void LogTable::mergeLateRecords()
{
    m_timeOrder.mergeLate();
    // The rows shown so far are in the order of time: looked for again.
    if (!m_sorted)
        startScan(LogFilterScan::TimeOrder);
}

void LogTable::beginReplace(int timeMsecs)
{
    endReplace();
    holdView();
    const QVector<int> held = recordsFrom(timeMsecs);
    m_replacedFrom = m_timeOrder.size() - held.size();
    m_merge.begin(held);
}

void LogTable::endReplace()
{
    if (!m_merge.isActive())
        return;
    if (m_merge.keepsOrder()) {
        m_merge.clear();
        return;
    }
    // A sort under way knows the records as they were: it starts again.
    if (m_sortRun) {
        m_sortTask.cancel();
        m_sortRun.reset();
        m_resortTimer.start();
    }
    // The order of time: the records before the ones replaced, then the
    // step's, those held among them keeping their records.
    const int firstAside = m_replacedFrom + m_merge.heldCount();
    m_timeOrder.replaceFrom(m_replacedFrom, m_merge.order());
    if (m_sorted) {
        for (int record = firstAside; record < m_records.size(); ++record)
            m_sortOrder.append(record);
    }
    const QVector<int> gone = m_merge.gone();
    m_merge.clear();
    removeRecords(gone);
    m_timeOrder.closeUp();
    // The rows are looked for again, or sorted in.
    if (m_sorted)
        m_resortTimer.start();
    else
        startScan(LogFilterScan::TimeOrder);
    schedule();
}

QVector<int> LogTable::recordsFrom(int timeMsecs)
{
    if (m_timeOrder.hasLate())
        mergeLateRecords();
    return m_timeOrder.from(timeMsecs);
}

void LogTable::removeRecords(const QVector<int> &gone)
{
    if (gone.isEmpty())
        return;
    const int selected = m_rows.isFrozen() ? -1 : m_rows.selectedRecord();
    const int selectedRow = selected < 0 ? -1 : rowOf(selected);
    const int kept = m_records.size() - gone.size();
    const QVector<int> renumbered = m_records.remove(gone);
    const auto newIndex = [&](int record) {
        return record < 0 ? -1 : renumbered.isEmpty() ? (record < kept ? record : -1) : renumbered.at(record);
    };
    const auto renumber = [&](QVector<int> &records) {
        int out = 0;
        for (int record : qAsConst(records)) {
            if (newIndex(record) >= 0)
                records[out++] = newIndex(record);
        }
        records.resize(out);
    };
    m_timeOrder.renumber(newIndex);
    renumber(m_sortOrder);
    m_rows.renumber(newIndex);
    m_rows.recheckFrom(m_shown.renumber(newIndex));
    if (m_scan.isActive())
        startScan(m_scan.source());
    if (selectedRow >= 0) {
        const int row = newIndex(selected) < 0 ? -1 : rowOf(newIndex(selected));
        if (row < 0)
            m_table->clearSelection();
        else if (row != selectedRow)
            m_table->selectRow(row);
    }
    schedule();
}

void LogTable::holdView()
{
    m_rows.holdView(m_shownSort.section == timeSection, m_shownSort.order);
}

void LogTable::restoreView()
{
    m_rows.restoreView(m_shownSort.section == timeSection, m_shownSort.order);
}

int LogTable::rowOf(int record) const
{
    return m_rows.rowOf(record);
}

int LogTable::rowFrom(const QTime &time) const
{
    const bool backwards = !m_loading && m_shownSort == Sort{timeSection, Qt::DescendingOrder};
    const int seconds = time.msecsSinceStartOfDay() / 1000;
    const int rows = qMin(m_shown.size(), m_table->rowCount());
    for (int row = 0; row < rows; ++row) {
        const int t = m_records.seconds(m_shown.at(row), LogRecords::Time);
        if (backwards ? t >= 0 && t <= seconds : t >= seconds)
            return row;
    }
    return -1;
}

// ---- Order ----

void LogTable::headerClicked(int section)
{
    // The header has turned its indicator already; it names the order of the
    // rows on screen until they are in the new one.
    const Qt::SortOrder order = section == m_wantedSort.section && m_wantedSort.order == Qt::AscendingOrder
        ? Qt::DescendingOrder
        : Qt::AscendingOrder;
    m_wantedSort = {section, order};
    showSortIndicator();
    startSort();
}

void LogTable::showSortIndicator()
{
    QHeaderView *header = m_table->horizontalHeader();
    const bool blocked = header->blockSignals(true);
    // While a load comes in, on a section no cell is in: none shown.
    header->setSortIndicator(m_loading ? m_table->columnCount() : m_shownSort.section, m_shownSort.order);
    header->blockSignals(blocked);
    header->viewport()->update();
}

void LogTable::startSort(bool fromTimeOrder)
{
    m_resortTimer.stop();
    if (m_loading)
        return;
    // Records of a follow step wait aside until it has ended: then.
    if (m_merge.isActive()) {
        m_resortTimer.start();
        return;
    }
    m_sortTask.cancel();
    m_sortRun.reset();
    // The order of time is what the records are in already.
    if (!m_sorted && m_wantedSort == Sort{timeSection, Qt::AscendingOrder}) {
        m_shownSort = m_comingSort = m_wantedSort;
        m_sortComing = false;
        showSortIndicator();
        work();
        return;
    }
    auto run = std::make_shared<SortRun>();
    run->sort = m_wantedSort;
    run->field = fieldOf(m_wantedSort.section);
    run->records = m_records.size();
    QVector<int> base = m_sortOrder;
    if (!m_sorted || fromTimeOrder) {
        if (m_timeOrder.hasLate())
            mergeLateRecords();
        base = m_timeOrder.toVector();
    }
    LogSorter sorter(m_records, run->field, run->sort.order);
    sorter.setRanks(m_ranks.value(run->field));
    m_sortRun = run;
    m_table->viewport()->setCursor(Qt::BusyCursor);
    m_sortTask.start([run, sorter, base, locale = QLocale()](const std::atomic<bool> &cancelled) mutable {
        run->order = sorter.sort(base, locale, cancelled);
        run->ranks = sorter.ranks();
    });
}

void LogTable::sortFinished()
{
    const std::shared_ptr<SortRun> run = std::move(m_sortRun);
    if (!run)
        return;
    if (!run->ranks.isEmpty())
        m_ranks.insert(run->field, run->ranks);
    // Records that came meanwhile go last, and are sorted in next; those a
    // follow step keeps aside go once it has ended.
    QVector<int> order = run->order;
    const int aside = m_merge.isActive() ? m_replacedFrom + m_merge.heldCount() : m_records.size();
    for (int record = run->records; record < aside; ++record)
        order.append(record);
    m_sortOrder = order;
    m_sorted = true;
    m_comingSort = run->sort;
    m_sortComing = true;
    startScan(LogFilterScan::SortOrder);
    if (m_records.size() > run->records)
        m_resortTimer.start();
    work();
}

// ---- Rows ----

void LogTable::setFilter(const LogFilter &filter)
{
    m_wantedFilter = filter;
    if (filter == m_filter && !m_scan.isActive())
        return;
    // Typing on narrows what is shown: only the rows shown are looked at.
    if (!m_scan.isActive() && filter.narrows(m_filter))
        startScan(LogFilterScan::ShownRows);
    else
        startScan(m_sorted ? LogFilterScan::SortOrder : LogFilterScan::TimeOrder);
    work();
}

void LogTable::startScan(LogFilterScan::Source source)
{
    if (source == LogFilterScan::ShownRows)
        m_scan.start(source, m_wantedFilter, m_records, m_shown.toVector(), m_shown.size());
    else
        m_scan.start(source, m_wantedFilter, m_records, m_sortOrder, m_records.size());
    if (!m_loading)
        m_table->viewport()->setCursor(Qt::BusyCursor);
}

void LogTable::scanSome(const std::function<bool()> &timeLeft)
{
    if (m_scan.scanSome(m_records, m_timeOrder, timeLeft))
        applyScan();
}

void LogTable::applyScan()
{
    // The picture stays until the rows have changed; the record selected
    // stays selected.
    m_rows.freeze();
    const LogFilterScan::Source source = m_scan.source();
    const int position = m_scan.position();
    const QVector<int> &matched = m_scan.matched();
    if (source == LogFilterScan::TimeOrder)
        m_examined = position;
    // Every record passed: the rows share the list they came from.
    if (source == LogFilterScan::TimeOrder && m_timeOrder.isArrivalOrder() && matched.size() == position)
        m_shown.setFirst(position);
    else if (source == LogFilterScan::SortOrder && matched.size() == m_sortOrder.size())
        m_shown.assign(m_sortOrder);
    else
        m_shown.assign(matched);
    m_filter = m_scan.filter();
    m_rows.recheckFrom(0);
    m_scan.clear();
}

void LogTable::examineNewRecords(const std::function<bool()> &timeLeft)
{
    m_filter.prepare(m_records);
    while (m_examined < m_timeOrder.size() && timeLeft()) {
        const int end = qMin(m_timeOrder.size(), m_examined + scanChunk);
        for (int i = m_examined; i < end; ++i) {
            const int record = m_timeOrder.at(i);
            if (m_filter.accepts(m_records, record))
                m_shown.append(record);
        }
        m_examined = end;
    }
}

bool LogTable::behind() const
{
    return m_scan.isActive() || m_timeOrder.hasLate() || !m_rows.isInSync()
        || (!m_sorted && m_examined < m_timeOrder.size());
}

bool LogTable::isSettled() const
{
    return !behind() && !m_sortTask.isRunning() && !m_resortTimer.isActive();
}

void LogTable::schedule()
{
    if (!m_timer.isActive())
        m_timer.start(0);
}

void LogTable::work(bool toTheEnd)
{
    QElapsedTimer clock;
    clock.start();
    const std::function<bool()> timeLeft = [&] { return toTheEnd || clock.elapsed() < sliceMsecs; };
    m_timer.stop();

    if (m_timeOrder.hasLate())
        mergeLateRecords();
    if (m_scan.isActive())
        scanSome(timeLeft);
    if (!m_scan.isActive()) {
        if (!m_sorted)
            examineNewRecords(timeLeft);
        m_rows.sync(timeLeft);
    }
    if (behind()) {
        // While a load comes in, its rows are counted as they are shown.
        if (m_loading && !m_rows.isFrozen())
            emit countsChanged(qMin(m_shown.size(), m_table->rowCount()), m_records.size());
        m_timer.start(0);
        return;
    }

    m_rows.thaw();
    if (m_sortComing) {
        m_sortComing = false;
        m_shownSort = m_comingSort;
        showSortIndicator();
    }
    if (!m_sortTask.isRunning())
        m_table->viewport()->unsetCursor();
    emit countsChanged(m_shown.size(), m_records.size());
    if (isSettled()) {
        restoreView();
        emit settled();
    }
}

void LogTable::settle()
{
    if (m_resortTimer.isActive())
        startSort(true);
    // Its end comes at once, and with it the scan of the new order.
    m_sortTask.wait();
    work(true);
}
