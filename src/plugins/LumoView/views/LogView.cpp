#include "LogView.h"

#include "views/CsvExportAction.h"
#include "views/CsvWriter.h"

#include "decoding/EventCatalogue.h"

#include "views/DayNavigator.h"
#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTextCodec>
#include <QVBoxLayout>

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

    // Four table updates a second: painting, not rows, is what costs here.
    flushTimer.setInterval(250);
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

LogView::~LogView()
{
    discardPendingRows();
}

void LogView::discardPendingRows()
{
    for (const QVector<QTableWidgetItem *> &row : qAsConst(pendingRows))
        qDeleteAll(row);
    pendingRows.clear();
}

void LogView::on_updateData_clicked(bool)
{
    discardPendingRows();
    sizedColumns = false;
    // Sorting and column sizing are applied once, at the end: never per row.
    tableWidget->setSortingEnabled(false);
    tableWidget->setRowCount(0);
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

void LogView::on_db_lumoLogData(QDateTime time, QTime dev_time, int type_id, QString type,
                                QString descr, int val, QByteArray data)
{
    const DecodedLogRow decoded = decodeLogRow(ver, type_id, val, data, descr, codec);
    const bool sourceColumn = tableWidget->columnCount() >= 5;
    QVector<QTableWidgetItem *> row(tableWidget->columnCount(), nullptr);
    row[0] = new QTableWidgetItem(time.toString(QStringLiteral("hh:mm:ss")));
    row[1] = new QTableWidgetItem(dev_time.toString(QStringLiteral("hh:mm:ss")));
    row[2] = new QTableWidgetItem(type);
    if (sourceColumn && decoded.hasSource)
        row[3] = new QTableWidgetItem(decoded.source);
    if (decoded.hasDescription)
        row[sourceColumn ? 4 : 3] = new QTableWidgetItem(decoded.description);
    pendingRows.append(row);
    if (!flushTimer.isActive())
        flushTimer.start();
}

void LogView::flushRows()
{
    if (pendingRows.isEmpty()) {
        flushTimer.stop();
        return;
    }
    const int first = tableWidget->rowCount();
    tableWidget->setUpdatesEnabled(false);
    tableWidget->setRowCount(first + pendingRows.size());
    for (int r = 0; r < pendingRows.size(); ++r) {
        const QVector<QTableWidgetItem *> &cells = pendingRows.at(r);
        for (int c = 0; c < cells.size(); ++c) {
            if (cells.at(c))
                tableWidget->setItem(first + r, c, cells.at(c));
        }
    }
    pendingRows.clear();
    tableWidget->setUpdatesEnabled(true);

    if (!sizedColumns) {
        sizedColumns = true;
        for (int c = 0; c < 3; ++c)
            tableWidget->resizeColumnToContents(c);
        if (ver == LogGeneration2)
            tableWidget->resizeColumnToContents(3);
    }
}

void LogView::on_db_complete()
{
    flushRows();
    flushTimer.stop();
    tableWidget->setSortingEnabled(true);
    dateEdit->setEnabled(true);
    updateData->setEnabled(true);
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
