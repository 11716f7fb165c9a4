#include "LogView.h"

#include "views/CsvExportAction.h"
#include "views/CsvWriter.h"
#include "views/DayNavigator.h"
#include "views/LogCell.h"
#include "views/LogFilterBar.h"
#include "views/SearchHighlightDelegate.h"

#include "decoding/EventCatalogue.h"

#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTextCodec>
#include <QVBoxLayout>

#include <algorithm>
#include <numeric>

LogView::LogView(QWidget *parent, uint object_id, uint ver, QSqlDatabase *db, QMutex *dbMutex)
    : LumoWidget(parent, object_id, db, dbMutex)
    , ver(ver)
{
    setupForm();
    initControls();
    if (logGenerationHasSource(ver)) {
        tableWidget->insertColumn(3);
        tableWidget->setHorizontalHeaderItem(3, new QTableWidgetItem(tr("Source")));
        highlighter->setColumns({2, 3, 4});
    } else {
        highlighter->setColumns({2, 3});
    }
    codec = QTextCodec::codecForName("Windows-1251");
    if (!codec)
        codec = QTextCodec::codecForLocale();

    connect(&flushTimer, &QTimer::timeout, this, &LogView::flushRows);
    jobTimer.setSingleShot(true);
    connect(&jobTimer, &QTimer::timeout, this, [this] { runFilterJob(); });
    connect(filterBar, &LogFilterBar::filterChanged, this, &LogView::applyFilter);
    connect(filterBar, &LogFilterBar::jumpRequested, this, &LogView::jumpTo);
    connect(tableWidget->horizontalHeader(), &QHeaderView::sortIndicatorChanged, this, &LogView::noteHeaderSort);
    QMetaObject::invokeMethod(updateData, "click", Qt::QueuedConnection);
}

void LogView::setupForm()
{
    setObjectName(QStringLiteral("LogView"));
    resize(674, 538);
    setWindowTitle(QString());

    auto *verticalLayout = new QVBoxLayout(this);
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    auto *horizontalLayout = new QHBoxLayout;
    horizontalLayout->setObjectName(QStringLiteral("horizontalLayout"));
    auto *label = new QLabel(tr("Date:"), this);
    label->setObjectName(QStringLiteral("label"));
    dateEdit = new QDateEdit(this);
    dateEdit->setObjectName(QStringLiteral("dateEdit"));
    dateEdit->setCalendarPopup(true);
    auto *refresh = new QPushButton(tr("Refresh"), this);
    refresh->setObjectName(QStringLiteral("updateData"));
    auto *save = new QPushButton(tr("Save"), this);
    save->setObjectName(QStringLiteral("saveData"));
    horizontalLayout->addWidget(label);
    horizontalLayout->addWidget(dateEdit);
    horizontalLayout->addWidget(refresh);
    horizontalLayout->addWidget(save);
    (new DayNavigator(this, {dateEdit}, refresh))->placeIn(horizontalLayout);
    horizontalLayout->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    verticalLayout->addLayout(horizontalLayout);

    filterBar = new LogFilterBar(this);
    verticalLayout->addWidget(filterBar);

    tableWidget = new QTableWidget(0, 4, this);
    tableWidget->setObjectName(QStringLiteral("tableWidget"));
    tableWidget->setHorizontalHeaderLabels({tr("Time"), tr("Device time"), tr("Event type"),
                                            tr("Description")});
    tableWidget->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tableWidget->setSelectionMode(QAbstractItemView::SingleSelection);
    tableWidget->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Rows arrive in time order; sorting by time keeps that order until the
    // user picks another column.
    tableWidget->horizontalHeader()->setSortIndicator(0, Qt::AscendingOrder);
    tableWidget->setSortingEnabled(true);
    tableWidget->horizontalHeader()->setStretchLastSection(true);
    tableWidget->verticalHeader()->setVisible(false);
    highlighter = new SearchHighlightDelegate(tableWidget);
    tableWidget->setItemDelegate(highlighter);
    verticalLayout->addWidget(tableWidget);

    auto *logBox = new QComboBox(this);
    logBox->setObjectName(QStringLiteral("log"));
    logBox->setFrame(false);
    verticalLayout->addWidget(logBox);

    QMetaObject::connectSlotsByName(this);
}

namespace {

// Ten table updates a second while rows come in: painting, not rows, is
// what costs when every row is cheap.
const int flushInterval = 100;
// The most a flush or a step of a filter works at a stretch before the
// event loop has its turn.
const int sliceMsecs = 8;
// Rows announced to the table at once within a slice.
const int chunkRows = 256;
// Records a filter looks at, or rows it removes, between looks at the clock.
const int scanChunk = 4096;

} // namespace

LogView::~LogView() = default;

void LogView::on_updateData_clicked(bool)
{
    cancelFilterJob();
    if (!loading) {
        loading = true;
        // The rows go in as they come and the order chosen by the last
        // header click is applied once, at the end.
        holdSorting();
    }
    flushTimer.stop();
    sizedColumns = false;
    loadComplete = false;
    tableWidget->setRowCount(0);
    records.clear();
    examined = 0;
    order.clear();
    laterSorts.clear();
    // The filter of the last load holds for this one too.
    filter = filterBar->filter();
    filter.prepare(records);
    highlighter->setSearch(filter.search());
    filterBar->setEventTypes(records.eventTypes());
    updateCounts();
    showProgress();
    const QDate d = dateEdit->date();
    db.requestLog(objectId, d, d.addDays(1), ver);
    dateEdit->setEnabled(false);
    updateData->setEnabled(false);
}

void LogView::on_dateEdit_dateChanged(QDate)
{
    QMetaObject::invokeMethod(updateData, "click", Qt::QueuedConnection);
}

void LogView::on_db_lumoLogData(const QDateTime &time, const QTime &dev_time, int type_id,
                                const QString &type, const QString &descr, int val,
                                const QByteArray &data)
{
    records.append(time, dev_time, type_id, type, decodeLogRow(ver, type_id, val, data, descr, codec));
    if (!flushTimer.isActive())
        flushTimer.start(flushInterval);
}

void LogView::setCell(int row, int column, int record, LogRecords::Field field, bool shown)
{
    if (!shown)
        delete tableWidget->takeItem(row, column);
    else if (auto *cell = static_cast<LogCell *>(tableWidget->item(row, column)))
        cell->setRecord(record);
    else
        tableWidget->setItem(row, column, new LogCell(&records, record, field));
}

void LogView::showRecord(int row, int record)
{
    const LogRecords::Record &r = records.at(record);
    const bool sourceColumn = tableWidget->columnCount() >= 5;
    setCell(row, 0, record, LogRecords::Time, true);
    setCell(row, 1, record, LogRecords::DeviceTime, true);
    setCell(row, 2, record, LogRecords::Type, true);
    if (sourceColumn)
        setCell(row, 3, record, LogRecords::Source, r.hasSource);
    setCell(row, sourceColumn ? 4 : 3, record, LogRecords::Description, r.hasDescription);
}

int LogView::recordAt(int row) const
{
    return static_cast<const LogCell *>(tableWidget->item(row, 0))->record();
}

int LogView::selectedRecord() const
{
    const QModelIndexList selected = tableWidget->selectionModel()->selectedRows();
    return selected.isEmpty() ? -1 : recordAt(selected.first().row());
}

void LogView::selectRecord(int record, const QVector<int> &shown)
{
    const int row = record < 0 ? -1 : shown.indexOf(record);
    if (row >= 0)
        tableWidget->selectRow(row);
    else
        tableWidget->clearSelection();
}

void LogView::flushRows()
{
    QAbstractItemModel *model = tableWidget->model();
    QElapsedTimer slice;
    slice.start();
    // Rows of types that came since the last flush.
    filter.prepare(records);
    QVector<int> passed;
    passed.reserve(chunkRows);
    while (examined < records.size() && slice.elapsed() < sliceMsecs) {
        const int end = qMin(records.size(), examined + chunkRows);
        passed.clear();
        for (int r = examined; r < end; ++r) {
            if (filter.accepts(records.at(r)))
                passed.append(r);
        }
        examined = end;
        if (passed.isEmpty())
            continue;
        const int first = tableWidget->rowCount();
        tableWidget->setRowCount(first + passed.size());
        // The rows are announced; the table needs no word of each cell put
        // into them, one repaint covers them all.
        const bool blocked = model->blockSignals(true);
        for (int i = 0; i < passed.size(); ++i)
            showRecord(first + i, passed.at(i));
        model->blockSignals(blocked);
        // Sized to the first chunk of rows: to more would cost more than a
        // slice may take.
        if (!sizedColumns) {
            sizedColumns = true;
            for (int c = 0; c < 3; ++c)
                tableWidget->resizeColumnToContents(c);
            if (ver == LogGeneration2)
                tableWidget->resizeColumnToContents(3);
        }
    }
    tableWidget->viewport()->update();
    updateCounts();

    if (examined < records.size()) {
        flushTimer.start(0); // a backlog: the next slice once the loop has had its turn
        return;
    }
    filterBar->setEventTypes(records.eventTypes());
    if (loadComplete)
        finishLoad();
    else
        flushTimer.stop();
}

void LogView::on_db_complete()
{
    loadComplete = true;
    flushRows();
}

void LogView::finishLoad()
{
    flushTimer.stop();
    // A second completion (the worker ending) has nothing left to sort.
    if (loading) {
        loading = false;
        applySortOrder();
    }
    dateEdit->setEnabled(true);
    updateData->setEnabled(true);
}

void LogView::holdSorting()
{
    QHeaderView *header = tableWidget->horizontalHeader();
    sortSection = header->sortIndicatorSection();
    sortOrder = header->sortIndicatorOrder();
    // A click sorts nothing, and the indicator stands on a section no cell
    // is in, so that putting a cell in sorts nothing either.
    header->setSectionsClickable(false);
    const bool blocked = header->blockSignals(true);
    header->setSortIndicator(tableWidget->columnCount(), sortOrder);
    header->blockSignals(blocked);
    header->viewport()->update();
}

void LogView::releaseSorting()
{
    QHeaderView *header = tableWidget->horizontalHeader();
    const bool blocked = header->blockSignals(true);
    header->setSortIndicator(sortSection, sortOrder);
    header->blockSignals(blocked);
    header->setSectionsClickable(true);
}

LogRecords::Field LogView::fieldOf(int column) const
{
    const bool sourceColumn = tableWidget->columnCount() >= 5;
    switch (column) {
    case 0:
        return LogRecords::Time;
    case 1:
        return LogRecords::DeviceTime;
    case 2:
        return LogRecords::Type;
    case 3:
        return sourceColumn ? LogRecords::Source : LogRecords::Description;
    default:
        return LogRecords::Description;
    }
}

// The view sorts its records itself and moves no cell, only what the cells
// show: each text is ranked once, so this costs next to nothing where the
// table's own sort of a big day would stall the window for a third of a
// second.
void LogView::applySortOrder()
{
    order.resize(records.size());
    std::iota(order.begin(), order.end(), 0);
    if (sortSection >= 0 && sortSection < tableWidget->columnCount())
        records.sort(order, fieldOf(sortSection), sortOrder);
    laterSorts.clear();
    if (!std::is_sorted(order.cbegin(), order.cend())) {
        QVector<int> shown;
        shown.reserve(tableWidget->rowCount());
        for (int record : qAsConst(order)) {
            if (filter.accepts(records.at(record)))
                shown.append(record);
        }
        reorderRows(shown);
    }
    releaseSorting();
}

void LogView::reorderRows(const QVector<int> &shown)
{
    // A row the user selected meanwhile stays selected with its record.
    const int selected = selectedRecord();
    QAbstractItemModel *model = tableWidget->model();
    const bool blocked = model->blockSignals(true);
    for (int row = 0; row < shown.size(); ++row)
        showRecord(row, shown.at(row));
    model->blockSignals(blocked);
    tableWidget->viewport()->update();
    if (selected >= 0)
        selectRecord(selected, shown);
}

void LogView::noteHeaderSort(int section, Qt::SortOrder sortOrder)
{
    // The table has sorted the rows shown; the order of all records follows
    // when a filter next needs it.
    if (loading || order.isEmpty())
        return;
    laterSorts.append({section, sortOrder});
    // A filter under way started from the rows in their former order.
    if (job.active && !job.swapping) {
        cancelFilterJob();
        applyFilter();
    }
}

const QVector<int> &LogView::sortedRecords()
{
    for (const auto &sort : qAsConst(laterSorts)) {
        if (sort.first >= 0 && sort.first < tableWidget->columnCount())
            records.sort(order, fieldOf(sort.first), sort.second);
    }
    laterSorts.clear();
    return order;
}

void LogView::applyFilter()
{
    const LogFilter wanted = filterBar->filter();
    if (loading) {
        // The rows are still in arrival order: the records received so far
        // are looked at again from the first, by the flushes.
        filter = wanted;
        filter.prepare(records);
        highlighter->setSearch(filter.search());
        tableWidget->setRowCount(0);
        examined = 0;
        flushTimer.start(0);
        updateCounts();
        return;
    }
    // Rows half changed by a filter under way are all changed again.
    const bool tableAsFiltered = !job.swapping;
    cancelFilterJob();
    if (tableAsFiltered && wanted == filter)
        return;

    job.active = true;
    job.target = wanted;
    job.target.prepare(records);
    // Typing on narrows what is shown: only the rows shown are looked at.
    if (tableAsFiltered && wanted.narrows(filter)) {
        job.source.resize(tableWidget->rowCount());
        for (int row = 0; row < job.source.size(); ++row)
            job.source[row] = recordAt(row);
    } else {
        job.source = sortedRecords();
    }
    job.matched.reserve(job.source.size());
    runFilterJob();
}

void LogView::runFilterJob(bool toTheEnd)
{
    QElapsedTimer slice;
    slice.start();
    const auto timeLeft = [&] { return toTheEnd || slice.elapsed() < sliceMsecs; };

    if (!job.swapping) {
        while (job.scanned < job.source.size() && timeLeft()) {
            const int end = qMin(job.source.size(), job.scanned + scanChunk);
            for (int i = job.scanned; i < end; ++i) {
                const int record = job.source.at(i);
                if (job.target.accepts(records.at(record)))
                    job.matched.append(record);
            }
            job.scanned = end;
        }
        if (job.scanned < job.source.size()) {
            jobTimer.start(0);
            return;
        }
        // The rows change in slices too; what is on screen stays until they
        // all have.
        job.swapping = true;
        job.source = QVector<int>();
        job.selected = selectedRecord();
        job.common = qMin(tableWidget->rowCount(), job.matched.size());
        holdSorting();
        tableWidget->setUpdatesEnabled(false);
    }

    QAbstractItemModel *model = tableWidget->model();
    while (job.swapped < job.common && timeLeft()) {
        const int end = qMin(job.common, job.swapped + scanChunk);
        const bool blocked = model->blockSignals(true);
        for (int row = job.swapped; row < end; ++row)
            showRecord(row, job.matched.at(row));
        model->blockSignals(blocked);
        job.swapped = end;
    }
    while (job.swapped >= job.common && tableWidget->rowCount() > job.matched.size() && timeLeft())
        tableWidget->setRowCount(qMax(job.matched.size(), tableWidget->rowCount() - scanChunk));
    while (job.swapped >= job.common && tableWidget->rowCount() < job.matched.size() && timeLeft()) {
        const int first = tableWidget->rowCount();
        const int end = qMin(job.matched.size(), first + chunkRows);
        tableWidget->setRowCount(end);
        const bool blocked = model->blockSignals(true);
        for (int row = first; row < end; ++row)
            showRecord(row, job.matched.at(row));
        model->blockSignals(blocked);
    }
    if (job.swapped < job.common || tableWidget->rowCount() != job.matched.size()) {
        jobTimer.start(0);
        return;
    }

    filter = job.target;
    highlighter->setSearch(filter.search());
    releaseSorting();
    tableWidget->setUpdatesEnabled(true);
    const int selected = job.selected;
    const QVector<int> shown = std::move(job.matched);
    job = FilterJob();
    selectRecord(selected, shown);
    updateCounts();
    if (pendingJump.isValid()) {
        const QTime time = pendingJump;
        pendingJump = QTime();
        jumpTo(time);
    }
}

void LogView::cancelFilterJob()
{
    jobTimer.stop();
    if (job.swapping) {
        releaseSorting();
        tableWidget->setUpdatesEnabled(true);
    }
    job = FilterJob();
}

void LogView::finishFilterJob()
{
    if (job.active)
        runFilterJob(true);
}

void LogView::jumpTo(const QTime &time)
{
    if (job.active) {
        pendingJump = time;
        return;
    }
    // In the order shown: where the rows run back in time, the first row at
    // or before the time.
    QHeaderView *header = tableWidget->horizontalHeader();
    const bool backwards =
        !loading && header->sortIndicatorSection() == 0 && header->sortIndicatorOrder() == Qt::DescendingOrder;
    const int seconds = time.msecsSinceStartOfDay() / 1000;
    for (int row = 0; row < tableWidget->rowCount(); ++row) {
        const int t = records.at(recordAt(row)).time;
        if (backwards ? t >= 0 && t <= seconds : t >= seconds) {
            tableWidget->selectRow(row);
            tableWidget->scrollTo(tableWidget->model()->index(row, 0), QAbstractItemView::PositionAtTop);
            return;
        }
    }
    tableWidget->clearSelection();
    tableWidget->scrollToBottom();
    on_db_logMessage(tr("No row from %1 on").arg(time.toString(QStringLiteral("HH:mm:ss"))));
}

void LogView::updateCounts()
{
    filterBar->setCounts(tableWidget->rowCount(), records.size());
}

QStringList LogView::shownEventTypes() const
{
    return filterBar->filter().types();
}

void LogView::setShownEventTypes(const QStringList &types)
{
    filterBar->setFilter(types, filterBar->filter().search());
}

QString LogView::searchText() const
{
    return filterBar->filter().search();
}

void LogView::setSearchText(const QString &text)
{
    filterBar->setFilter(filterBar->filter().types(), text);
}

void LogView::on_saveData_clicked()
{
    finishFilterJob();
    if (tableWidget->rowCount() == 0)
        return;
    CsvExportAction::askAndSave(this, tableRows());
}

bool LogView::saveTo(const QString &fileName, QString *error)
{
    finishFilterJob();
    return CsvWriter::write(fileName, tableRows(), error);
}

QVector<QStringList> LogView::tableRows() const
{
    const int columns = tableWidget->columnCount();
    QVector<QStringList> rows;
    rows.reserve(tableWidget->rowCount() + 1);
    rows.append((columns >= 5 ? tr("Time;Device time;Type;Source;Description")
                              : tr("Time;Device time;Type;Description"))
                    .split(QLatin1Char(';')));
    for (int r = 0; r < tableWidget->rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < 5; ++c) {
            const QTableWidgetItem *cell = c < columns ? tableWidget->item(r, c) : nullptr;
            row.append(cell ? cell->text() : QString());
        }
        rows.append(row);
    }
    return rows;
}
