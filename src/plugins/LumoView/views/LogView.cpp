#include "LogView.h"

#include "views/DayNavigator.h"
#include "views/LiveFollow.h"
#include "views/LogCsvExport.h"
#include "views/LogFilterBar.h"
#include "views/LogRowIntake.h"
#include "views/LogTable.h"
#include "views/SearchHighlightDelegate.h"

#include "decoding/EventCatalogue.h"

#include "WallClock.h"

#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTextCodec>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// Rows wait this long while a load comes in, so that the table takes them
// ten times a second: painting, not rows, is what costs when every row is
// cheap.
const int takeInterval = 100;
// The rows taken between looks at the clock.
const int takeChunk = 4096;
// How often Save's progress is shown.
const int progressInterval = 100;
// What a follow step looks at before the newest row held, for rows written
// late; the rows held from there on are what it counts.
const int lateMsecs = 15 * 60 * 1000;

} // namespace

struct LogView::SaveRun
{
    QString fileName;
    int rows = 0;
    std::atomic<int> written{0};
    bool ok = false;
    QString error;
};

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

    table = new LogTable(tableWidget, this);
    connect(table, &LogTable::countsChanged, this, &LogView::tableChanged);
    connect(table, &LogTable::settled, this, &LogView::tableSettled);
    connect(filterBar, &LogFilterBar::filterChanged, this, [this] { table->setFilter(filterBar->filter()); });
    connect(filterBar, &LogFilterBar::jumpRequested, this, &LogView::jumpTo);

    connect(follow, &LiveFollow::stepDue, this, [this](const LiveFollow::Cursors &cursors) {
        this->db.followLog(objectId, cursors.at(0), loadedDate.addDays(1), this->ver);
    });
    connect(follow, &LiveFollow::replaceFrom, this, [this](int, const QDateTime &from) {
        table->beginReplace(from.date() < loadedDate ? 0 : from.time().msecsSinceStartOfDay());
    });
    connect(follow, &LiveFollow::loadDue, this, [this] { on_updateData_clicked(); });
    connect(follow, &LiveFollow::moveTo, this, [this](const QDateTime &start) { dateEdit->setDate(start.date()); });

    // The worker leaves each row in the intake as it reads it, rather than
    // queueing a call with seven arguments per row to this thread.
    intake = new LogRowIntake(this);
    // The form connected the slot by name, queued: by name it is undone.
    disconnect(&this->db, SIGNAL(lumoLogData(QDateTime, QTime, int, QString, QString, int, QByteArray)), this,
               SLOT(on_db_lumoLogData(QDateTime, QTime, int, QString, QString, int, QByteArray)));
    connect(&this->db, &Database::lumoLogData, this, &LogView::on_db_lumoLogData, Qt::DirectConnection);
    takeTimer.setSingleShot(true);
    connect(&takeTimer, &QTimer::timeout, this, &LogView::takeRows);
    connect(intake, &LogRowIntake::rowsWaiting, this, [this] {
        if (!takeTimer.isActive())
            takeTimer.start(table->isLoading() ? takeInterval : 0);
    });

    connect(&saveTask, &BackgroundTask::finished, this, &LogView::saveFinished);
    connect(&saveProgress, &QTimer::timeout, this, &LogView::showSaveProgress);
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
    saveData = new QPushButton(tr("Save"), this);
    saveData->setObjectName(QStringLiteral("saveData"));
    horizontalLayout->addWidget(label);
    horizontalLayout->addWidget(dateEdit);
    horizontalLayout->addWidget(refresh);
    follow = new LiveFollow(this, 1);
    follow->button()->setObjectName(QStringLiteral("live"));
    horizontalLayout->addWidget(follow->button());
    horizontalLayout->addWidget(saveData);
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

LogView::~LogView()
{
    // The worker leaves rows in the intake from its own thread: it ends
    // before the intake goes. A save under way is written to the end.
    db.blockSignals(true);
    db.stopAndWait();
    saveTask.disconnect(this);
    saveTask.wait();
}

void LogView::on_updateData_clicked(bool)
{
    const QDate d = dateEdit->date();
    // A follow step under way ends first; the load comes after it.
    if (!follow->loadStarts(WallClock::at(d, QTime(0, 0)), WallClock::at(d.addDays(1), QTime(0, 0)))) {
        showProgress();
        dateEdit->setEnabled(false);
        updateData->setEnabled(false);
        return;
    }
    loadedDate = d;
    takeTimer.stop();
    intake->clear();
    loadComplete = false;
    sizedColumns = false;
    table->beginLoad();
    showProgress();
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
    intake->push(time, dev_time, type_id, type, descr, val, data);
}

void LogView::on_db_complete()
{
    // A step's rows are all taken before the next step can come.
    if (follow->stepping())
        stepComplete = true;
    else
        loadComplete = true;
    takeRows();
}

void LogView::takeRows()
{
    QElapsedTimer slice;
    slice.start();
    while (slice.elapsed() < LogTable::sliceMsecs) {
        const QVector<LogRowIntake::Row> rows = intake->take(takeChunk);
        if (rows.isEmpty())
            break;
        const bool stepping = follow->stepping();
        for (const LogRowIntake::Row &row : rows) {
            if (stepping && row.timeMsecs >= 0)
                follow->row(0, WallClock::at(loadedDate, QTime::fromMSecsSinceStartOfDay(row.timeMsecs)));
            table->addRecord(row.timeMsecs, row.deviceTimeMsecs, row.typeId, row.type,
                             decodeLogRow(ver, row.typeId, row.value, row.data, row.description, codec));
        }
    }
    if (!intake->isEmpty()) {
        takeTimer.start(0); // a backlog: the next slice once the loop has had its turn
        return;
    }
    if (stepComplete) {
        stepComplete = false;
        table->endReplace();
        follow->completed();
    } else if (loadComplete) {
        finishLoad();
    }
}

void LogView::finishLoad()
{
    loadComplete = false;
    // A second completion (the worker ending) finds the load ended.
    table->endLoad();
    dateEdit->setEnabled(true);
    updateData->setEnabled(true);
    if (follow->completed() != LiveFollow::LoadEnded || table->lastTime() < 0)
        return;
    // A step counts the rows held from some minutes before the newest one:
    // those are the ones its bookkeeping needs.
    const int newest = table->lastTime() - table->lastTime() % 1000;
    for (int record : table->recordsFrom(qMax(0, newest - lateMsecs))) {
        const int msecs = table->records().timeMsecs(record);
        follow->row(0, WallClock::at(loadedDate, QTime::fromMSecsSinceStartOfDay(msecs)));
    }
}

void LogView::tableChanged(int shown, int total)
{
    filterBar->setCounts(shown, total);
    highlighter->setSearch(table->shownFilter().search());
    if (total != shownTotal) {
        shownTotal = total;
        filterBar->setEventTypes(table->records().eventTypes());
    }
    // Sized to the first rows; later rows do not resize them.
    if (!sizedColumns && tableWidget->rowCount() > 0) {
        sizedColumns = true;
        for (int c = 0; c < 3; ++c)
            tableWidget->resizeColumnToContents(c);
        if (ver == LogGeneration2)
            tableWidget->resizeColumnToContents(3);
    }
}

void LogView::tableSettled()
{
    if (pendingJump.isValid()) {
        const QTime time = pendingJump;
        pendingJump = QTime();
        jumpTo(time);
    }
    if (!pendingSave.isEmpty()) {
        const QString fileName = pendingSave;
        pendingSave.clear();
        startSave(fileName);
    }
}

void LogView::jumpTo(const QTime &time)
{
    // Rows that are changing after a sort or a filter are jumped in once
    // they have; a load's rows as far as they came.
    if (!table->isLoading() && !table->isSettled()) {
        pendingJump = time;
        return;
    }
    const int row = table->rowFrom(time);
    if (row >= 0) {
        tableWidget->selectRow(row);
        tableWidget->scrollTo(tableWidget->model()->index(row, 0), QAbstractItemView::PositionAtTop);
        return;
    }
    tableWidget->clearSelection();
    tableWidget->scrollToBottom();
    on_db_logMessage(tr("No row from %1 on").arg(time.toString(QStringLiteral("HH:mm:ss"))));
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

LogCsvExport LogView::exportOfShownRows() const
{
    const QString header = tableWidget->columnCount() >= 5 ? tr("Time;Device time;Type;Source;Description")
                                                           : tr("Time;Device time;Type;Description");
    // While a load comes in, the rows the table has so far.
    const QVector<int> shown = table->shownRecords();
    return LogCsvExport(table->records(), shown.mid(0, qMin(shown.size(), tableWidget->rowCount())),
                        header.split(QLatin1Char(';')));
}

bool LogView::saveTo(const QString &fileName, QString *error)
{
    table->settle();
    return exportOfShownRows().write(fileName, error);
}

void LogView::on_saveData_clicked()
{
    if (table->shownCount() == 0 || saveTask.isRunning() || !pendingSave.isEmpty())
        return;
    QString fileName = QFileDialog::getSaveFileName(this, tr("Select file to save"), QString(),
                                                    tr("Comma separated value (*.csv)"));
    if (fileName.isEmpty())
        return;
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += QStringLiteral(".csv");
    saveText = saveData->text();
    saveData->setEnabled(false);
    // The rows a sort or a filter is changing are saved once they have.
    if (table->isLoading() || table->isSettled())
        startSave(fileName);
    else
        pendingSave = fileName;
    showSaveProgress();
}

void LogView::startSave(const QString &fileName)
{
    auto run = std::make_shared<SaveRun>();
    run->fileName = fileName;
    const LogCsvExport csv = exportOfShownRows();
    run->rows = csv.rowCount();
    saveRun = run;
    saveTask.start([run, csv](const std::atomic<bool> &cancelled) {
        run->ok = csv.write(run->fileName, &run->error, &run->written, &cancelled);
    });
    saveProgress.start(progressInterval);
}

void LogView::showSaveProgress()
{
    const int percent = saveRun && saveRun->rows > 0 ? int(qint64(saveRun->written) * 100 / saveRun->rows) : 0;
    const QString text = tr("Saving… %1%");
    // As wide as it gets from the start, so that the row does not move.
    saveData->setMinimumWidth(qMax(saveData->minimumWidth(),
                                   saveData->fontMetrics().horizontalAdvance(text.arg(100)) + 16));
    saveData->setText(text.arg(percent));
}

void LogView::saveFinished()
{
    saveProgress.stop();
    saveData->setText(saveText);
    saveData->setMinimumWidth(0);
    saveData->setEnabled(true);
    const std::shared_ptr<SaveRun> run = std::move(saveRun);
    if (run && !run->ok)
        QMessageBox::critical(this, tr("Error"), tr("Error open file %1: %2").arg(run->fileName, run->error));
}
