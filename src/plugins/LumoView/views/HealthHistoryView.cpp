#include "HealthHistoryView.h"

#include "database/ServiceStatements.h"

#include "async/AsyncDatabase.h"
#include "async/AsyncSqlQuery.h"

#include "ChartWidget.h"
#include "LineSeries.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>

namespace {
const char initialDetectorProperty[] = "initial_detector";
const char objectIdProperty[] = "object_id";
}

HealthHistoryView::HealthHistoryView(QWidget *parent, AsyncDatabase *database, uint object_id, int dt_id)
    : QWidget(parent)
    , database(database)
    , form(this, "HealthHistoryView", {QSize(784, 424), 2, 2, 1, true, ChartForm::StatusLabel})
{
    setupForm();

    {
        // Construction must not click Refresh; the queued call below loads.
        const QSignalBlocker blockEnd(end);
        const QSignalBlocker blockStart(start);
        const QDate today = QDate::currentDate();
        end->setDate(today);
        start->setDate(today.addMonths(-1));
    }

    setProperty(objectIdProperty, object_id);
    setProperty(initialDetectorProperty, dt_id);

    if (database) {
        const ServiceStatements statements(SqlDialect::forDriver(database->driverName()));
        healthQuery = new AsyncSqlQuery(database, statements.health(object_id), false);
        connect(healthQuery, &AsyncSqlQuery::finished, this, &HealthHistoryView::q_finished);
        connect(healthQuery, &AsyncSqlQuery::error, this, &HealthHistoryView::q_error);

        detectorListQuery = new AsyncSqlQuery(database, statements.detectorList(object_id), false);
        connect(detectorListQuery, &AsyncSqlQuery::finished, this, &HealthHistoryView::dtlist_finished);
        connect(detectorListQuery, &AsyncSqlQuery::error, this, &HealthHistoryView::q_error);
    }

    chart->setRefreshTimeout(300);
    chart->enableTooltip(true);
    chart->setAntialiasing(true);
    // One unnamed line: a legend would be an empty box.
    chart->legend()->setVisible(false);
    Axis *bottom = chart->axes()->bottom();
    bottom->setTitle(tr("date"));
    bottom->setDatetime(true);
    bottom->setDatetimeFormat(QStringLiteral("dd.MM.yyyy"));
    Axis *left = chart->axes()->left();
    left->setTitle(tr("health, %"));
    left->setRange(-1, 110);
    left->setScaleLock(true);

    healthSeries = new LineSeries;
    healthSeries->setWidth(3);
    chart->addSeries(healthSeries);

    if (database)
        connect(database, &AsyncDatabase::connectionError, this, &HealthHistoryView::connectionError);

    QMetaObject::invokeMethod(this, "on_refreshButton_clicked", Qt::QueuedConnection);
}

// The list query stays with the service; the health query may still be
// queued there, so it goes through the event loop.
HealthHistoryView::~HealthHistoryView()
{
    if (healthQuery)
        healthQuery->deleteLater();
}

// Tight margins: the row of controls must fit the facade's 768-wide dock.
void HealthHistoryView::setupForm()
{
    detectors = form.addDetectors("label", false);
    start = form.addDate("label_2", "Start date:", "start");
    end = form.addDate("label_3", "End date:", "end");
    refreshButton = form.addRefresh("refreshButton");
    form.endRow({start, end}, 398);
    chart = form.chart();
    status = form.status();

    connect(start, &QDateEdit::dateChanged, refreshButton, &QPushButton::click);
    connect(end, &QDateEdit::dateChanged, refreshButton, &QPushButton::click);
    QMetaObject::connectSlotsByName(this);
}

QWidget *HealthHistoryView::frameWindow() const
{
    QWidget *parent = parentWidget();
    if (parent && parent->inherits("QDockWidget"))
        return parent;
    return const_cast<HealthHistoryView *>(this);
}

void HealthHistoryView::on_refreshButton_clicked()
{
    if (!database || !healthQuery) {
        status->setText(tr("No database connection is configured"));
        return;
    }
    setEnabled(false);
    // Still waiting for the list: the service is asked to try at once
    // rather than after its interval.
    if (inFlight.contains(detectorListQuery))
        database->reconnectNow();
    else
        submit(detectorListQuery);
}

void HealthHistoryView::submit(AsyncSqlQuery *query)
{
    inFlight.insert(query);
    database->execQuery(query);
}

bool HealthHistoryView::answered()
{
    auto *query = qobject_cast<AsyncSqlQuery *>(sender());
    if (!query || !inFlight.remove(query))
        return false;
    // The history of a detector no longer chosen: read the chosen one's.
    if (query == healthQuery && healthRequestPending) {
        healthRequestPending = false;
        requestHealth();
        return false;
    }
    return true;
}

void HealthHistoryView::connectionError(const QString &message)
{
    if (inFlight.isEmpty())
        return;
    // The queries stay queued and are answered once the database is back;
    // meanwhile the view says why and Refresh asks for another attempt.
    status->setText(message);
    setEnabled(true);
}

void HealthHistoryView::dtlist_finished(QVariantList result)
{
    if (!answered())
        return;
    QString remembered = property(initialDetectorProperty).toString();
    if (!remembered.isEmpty())
        setProperty(initialDetectorProperty, QVariant()); // used once
    else
        remembered = detectors->currentText();

    {
        const QSignalBlocker blocker(detectors);
        detectors->clear();
        if (result.isEmpty()) {
            setEnabled(true);
            QMessageBox::warning(this, tr("warning"), tr("Selected object not contains detectors"));
            QMetaObject::invokeMethod(frameWindow(), "close", Qt::QueuedConnection);
            return;
        }
        for (const QVariant &row : qAsConst(result)) {
            const QVariantList columns = row.toList();
            if (!columns.isEmpty())
                detectors->addItem(columns.first().toString());
        }
        detectors->setCurrentIndex(-1);
    }

    const int found = remembered.isEmpty()
            ? -1
            : detectors->findText(remembered, Qt::MatchExactly | Qt::MatchCaseSensitive);
    detectors->setCurrentIndex(found < 0 ? 0 : found);
}

void HealthHistoryView::on_detectors_currentIndexChanged(int)
{
    setEnabled(false);
    frameWindow()->setWindowTitle(tr("health history for dt %1-%2")
                                      .arg(property(objectIdProperty).toString(), detectors->currentText()));
    status->setText(tr("obtaining data ..."));
    healthSeries->clear();
    if (inFlight.contains(healthQuery))
        healthRequestPending = true;
    else
        requestHealth();
}

void HealthHistoryView::requestHealth()
{
    setEnabled(false);
    healthQuery->resetBindings();
    healthQuery->addBindValue(start->date());
    healthQuery->addBindValue(end->date());
    healthQuery->addBindValue(detectors->currentText());
    submit(healthQuery);
}

void HealthHistoryView::q_finished(QVariantList result)
{
    if (!answered())
        return;
    for (const QVariant &row : qAsConst(result)) {
        const QVariantList columns = row.toList();
        if (columns.size() != 2) {
            qDebug("row count!=2");
            setEnabled(true);
            return;
        }
        const QDateTime day(columns.at(0).toDate(), QTime(0, 0));
        healthSeries->addXY(ChartSeries::toKey(day), columns.at(1).toInt());
    }
    status->setText(tr("obtaining data complete"));
    setEnabled(true);
}

void HealthHistoryView::q_error(QString message)
{
    if (!answered())
        return;
    status->setText(message);
    setEnabled(true);
}
