#include "LogView.h"

#include "views/CsvExportAction.h"
#include "views/CsvWriter.h"
#include "views/LogCell.h"

#include "decoding/EventCatalogue.h"

#include "views/DayNavigator.h"
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

LogView::LogView(QWidget *parent, uint object_id, uint ver, QSqlDatabase *db, QMutex *dbMutex)
    : LumoWidget(parent, object_id, db, dbMutex)
    , ver(ver)
{
    setupForm();
    initControls();
    if (logGenerationHasSource(ver)) {
        tableWidget->insertColumn(3);
        tableWidget->setHorizontalHeaderItem(3, new QTableWidgetItem(tr("Source")));
    }
    codec = QTextCodec::codecForName("Windows-1251");
    if (!codec)
        codec = QTextCodec::codecForLocale();

    connect(&flushTimer, &QTimer::timeout, this, &LogView::flushRows);
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
// The most a flush works at a stretch before the event loop has its turn.
const int sliceMsecs = 8;
// Rows announced to the table at once within a slice.
const int chunkRows = 256;

} // namespace

LogView::~LogView() = default;

void LogView::on_updateData_clicked(bool)
{
    if (!loading) {
        loading = true;
        // The rows go in as they come and the order chosen by the last
        // header click is applied once, at the end. Meanwhile a click sorts
        // nothing, and the indicator stands on a section no cell is in, so
        // that putting a cell in sorts nothing either.
        QHeaderView *header = tableWidget->horizontalHeader();
        sortSection = header->sortIndicatorSection();
        sortOrder = header->sortIndicatorOrder();
        header->setSectionsClickable(false);
        const bool blocked = header->blockSignals(true);
        header->setSortIndicator(tableWidget->columnCount(), sortOrder);
        header->blockSignals(blocked);
        header->viewport()->update();
    }
    flushTimer.stop();
    sizedColumns = false;
    loadComplete = false;
    tableWidget->setRowCount(0);
    records.clear();
    shownRows = 0;
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

void LogView::flushRows()
{
    QAbstractItemModel *model = tableWidget->model();
    QElapsedTimer slice;
    slice.start();
    while (shownRows < records.size() && slice.elapsed() < sliceMsecs) {
        const int first = shownRows;
        const int end = qMin(records.size(), first + chunkRows);
        tableWidget->setRowCount(end);
        // The rows are announced; the table needs no word of each cell put
        // into them, one repaint covers them all.
        const bool blocked = model->blockSignals(true);
        for (int r = first; r < end; ++r)
            showRecord(r, r);
        model->blockSignals(blocked);
        shownRows = end;
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

    if (shownRows < records.size())
        flushTimer.start(0); // a backlog: the next slice once the loop has had its turn
    else if (loadComplete)
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

// By a time column the view sorts its records itself and moves no cell,
// only what the cells show: the rows came in time order, so this costs next
// to nothing where the table's own sort of a big day would stall the window
// for a third of a second. By a text column the table sorts, as on a click.
void LogView::applySortOrder()
{
    const bool byTime = sortSection == 0 || sortSection == 1;
    if (byTime) {
        const QVector<int> order =
            records.timeOrder(sortSection == 0 ? LogRecords::Time : LogRecords::DeviceTime, sortOrder);
        if (!std::is_sorted(order.cbegin(), order.cend()))
            reorderRows(order);
    }
    QHeaderView *header = tableWidget->horizontalHeader();
    const bool blocked = header->blockSignals(byTime || sortSection < 0);
    header->setSortIndicator(sortSection, sortOrder);
    header->blockSignals(blocked);
    header->setSectionsClickable(true);
}

void LogView::reorderRows(const QVector<int> &order)
{
    // A row the user selected meanwhile stays selected with its record.
    const QModelIndexList selected = tableWidget->selectionModel()->selectedRows();
    const int selectedRecord =
        selected.isEmpty() ? -1 : static_cast<LogCell *>(tableWidget->item(selected.first().row(), 0))->record();
    QAbstractItemModel *model = tableWidget->model();
    const bool blocked = model->blockSignals(true);
    for (int row = 0; row < order.size(); ++row)
        showRecord(row, order.at(row));
    model->blockSignals(blocked);
    tableWidget->viewport()->update();
    if (selectedRecord >= 0)
        tableWidget->selectRow(order.indexOf(selectedRecord));
}

void LogView::on_saveData_clicked()
{
    if (tableWidget->rowCount() == 0)
        return;
    CsvExportAction::askAndSave(this, tableRows());
}

bool LogView::saveTo(const QString &fileName, QString *error) const
{
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
