#include "FaultsDtView.h"

#include "async/AsyncDatabase.h"
#include "async/AsyncSqlQuery.h"
#include "database/ServiceStatements.h"

#include "ChartWidget.h"
#include "LineSeries.h"
#include "PointSeries.h"

#include "views/ToolRow.h"
#include <QComboBox>
#include <QDateEdit>
#include <QDebug>
#include <QDockWidget>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTime>

#include <algorithm>
#include <cmath>

namespace {

const double pi = 3.141592653589793;
const int faultCount = 8;

bool isZero(double value)
{
    return std::fabs(value) <= 1e-12;
}

double tangent(double degrees)
{
    if (!(degrees > 0))
        return 0;
    const double t = std::tan(degrees * pi / 180);
    return isZero(t) ? 0 : t;
}

// The limit in force at `minute`: the first point at or after it, or the
// straight line from the point before. Nothing after the last point.
bool limitAt(const QMap<int, double> &limits, int minute, double *limit)
{
    const auto next = limits.lowerBound(minute);
    if (next == limits.cend())
        return false;
    if (next == limits.cbegin()) {
        *limit = next.value();
        return true;
    }
    const auto previous = std::prev(next);
    const double p = previous.key();
    const double a = previous.value();
    const double s = (next.value() - a) / (next.key() - p);
    *limit = minute * s + a - p * s;
    return true;
}

struct Point
{
    double occupancy;
    double intensity;
    QString tooltip;
};

} // namespace

FaultsDtView::FaultsDtView(QWidget *parent, AsyncDatabase *database, uint object_id, int dt_id,
                           QDate date)
    : QWidget(parent)
    , form(this, "FaultsDtView", {QSize(768, 412), -1, -1, 1, true, ChartForm::StatusLabel})
    , database(database)
{
    setupForm();
    this->date->blockSignals(true);
    this->date->setDate(date);
    this->date->blockSignals(false);
    setProperty("object_id", object_id);
    setProperty("initial_detector", dt_id);

    if (database) {
        const ServiceStatements statements(SqlDialect::forDriver(database->driverName()));
        dtListQuery = makeQuery(statements.detectorList(object_id), SLOT(dtlist_finished(QVariantList)));
        dataQueries << makeQuery(statements.faultParameters(object_id), SLOT(q1_finished(QVariantList)))
                    << makeQuery(statements.upperLimits(object_id), SLOT(q2_finished(QVariantList)))
                    << makeQuery(statements.lowerLimits(object_id), SLOT(q2_2_finished(QVariantList)))
                    << makeQuery(statements.faultRecords(object_id), SLOT(q3_finished(QVariantList)));
    }
    setupChart();
    if (database)
        connect(database, &AsyncDatabase::connectionError, this, &FaultsDtView::connectionError);
    QMetaObject::invokeMethod(this, "on_refreshButton_clicked", Qt::QueuedConnection);
}

// The service may still hold copies of the queries; it notices that their
// owners are gone and drops the answers.
FaultsDtView::~FaultsDtView()
{
    if (dtListQuery)
        dtListQuery->deleteLater();
    for (AsyncSqlQuery *query : qAsConst(dataQueries))
        query->deleteLater();
    for (PointSeries *series : qAsConst(pointSeries))
        series->deleteLater();
    if (leftBorder)
        leftBorder->deleteLater();
    if (rightBorder)
        rightBorder->deleteLater();
}

void FaultsDtView::setupForm()
{
    detectors = form.addDetectors("label_2");
    form.row()->addStretch(398);
    date = form.addDate("label", "date:", "date");
    refreshButton = form.addRefresh("refreshButton");
    form.endRow({date}, 0);
    chart = form.chart();
    status = form.status();

    connect(date, &QDateEdit::dateChanged, refreshButton, &QPushButton::click);
    QMetaObject::connectSlotsByName(this);
}

void FaultsDtView::setupChart()
{
    auto *normal = new PointSeries(1);
    normal->setName(tr("normal"));
    pointSeries << normal;
    for (int fault = 1; fault <= faultCount; ++fault) {
        auto *series = new PointSeries(1);
        series->setName(tr("fault %1").arg(fault));
        pointSeries << series;
    }
    for (PointSeries *series : qAsConst(pointSeries))
        chart->addSeries(series);

    leftBorder = new LineSeries;
    leftBorder->setName(tr("left border"));
    leftBorder->setWidth(2);
    rightBorder = new LineSeries;
    rightBorder->setName(tr("right border"));
    rightBorder->setWidth(2);
    chart->addSeries(leftBorder);
    chart->addSeries(rightBorder);

    chart->setRefreshTimeout(300);
    chart->legend()->setVisible(true);
    chart->enableTooltip(true);
    chart->axes()->bottom()->setTitle(tr("occupancy, %"));
    chart->axes()->left()->setTitle(tr("intensity, veh/h"));
}

AsyncSqlQuery *FaultsDtView::makeQuery(const QString &text, const char *finishedSlot)
{
    auto *query = new AsyncSqlQuery(database, text, false);
    connect(query, SIGNAL(finished(QVariantList)), this, finishedSlot);
    connect(query, &AsyncSqlQuery::error, this, &FaultsDtView::q_error);
    return query;
}

void FaultsDtView::submit(AsyncSqlQuery *query)
{
    inFlight.insert(query);
    database->execQuery(query);
}

bool FaultsDtView::answered()
{
    auto *query = qobject_cast<AsyncSqlQuery *>(sender());
    if (!query || !inFlight.remove(query))
        return false;
    // Another detector was chosen while this request ran: its answers are
    // stale, and the new request goes out once the service has let go of
    // every query.
    if (dataRequestPending) {
        if (inFlight.isEmpty()) {
            dataRequestPending = false;
            requestData();
        }
        return false;
    }
    return true;
}

QWidget *FaultsDtView::titleHolder()
{
    QWidget *holder = parentWidget();
    return holder && holder->inherits("QDockWidget") ? holder : this;
}

void FaultsDtView::on_refreshButton_clicked()
{
    if (!database) {
        status->setText(tr("No database connection is configured"));
        return;
    }
    status->setText(tr("obtaining detectors list ..."));
    setEnabled(false);
    // Still waiting for the list: the service is asked to try at once
    // rather than after its interval.
    if (inFlight.contains(dtListQuery))
        database->reconnectNow();
    else
        submit(dtListQuery);
}

void FaultsDtView::dtlist_finished(QVariantList result)
{
    if (!answered())
        return;
    QString remembered = property("initial_detector").toString();
    if (!remembered.isEmpty())
        setProperty("initial_detector", QVariant());
    else
        remembered = detectors->currentText();

    detectors->blockSignals(true);
    detectors->clear();
    if (result.isEmpty()) {
        detectors->blockSignals(false);
        QMessageBox::warning(this, tr("warning"), tr("Selected object not contains detectors"));
        QMetaObject::invokeMethod(titleHolder(), "close", Qt::QueuedConnection);
        return;
    }
    for (const QVariant &row : qAsConst(result)) {
        const QVariantList columns = row.toList();
        if (!columns.isEmpty())
            detectors->addItem(columns.first().toString());
    }
    detectors->setCurrentIndex(-1);
    detectors->blockSignals(false);
    const int found = remembered.isEmpty()
                          ? -1
                          : detectors->findText(remembered, Qt::MatchExactly | Qt::MatchCaseSensitive);
    detectors->setCurrentIndex(found >= 0 ? found : 0);
    // A list without a usable row selects nothing: nothing will re-enable.
    if (detectors->count() == 0)
        setEnabled(true);
}

void FaultsDtView::on_detectors_currentIndexChanged(int)
{
    titleHolder()->setWindowTitle(
        tr("Rejection chart for dt %1-%2").arg(property("object_id").toString(), detectors->currentText()));
    setEnabled(false);
    status->setText(tr("obtaining data ..."));
    for (ChartSeries *series : chart->seriesList())
        series->clear();
    for (AsyncSqlQuery *query : qAsConst(dataQueries)) {
        if (inFlight.contains(query)) {
            dataRequestPending = true;
            return;
        }
    }
    requestData();
}

void FaultsDtView::requestData()
{
    if (dataQueries.size() != 4)
        return;
    setEnabled(false);
    const QString detector = detectors->currentText();
    const QDate day = date->date();
    for (int i = 0; i < dataQueries.size(); ++i) {
        AsyncSqlQuery *query = dataQueries.at(i);
        query->resetBindings();
        query->addBindValue(detector);
        if (i == 1 || i == 2) {
            query->addBindValue(day.dayOfWeek());
        } else if (i == 3) {
            query->addBindValue(day);
            query->addBindValue(day.addDays(1));
        }
        submit(query);
    }
}

void FaultsDtView::q1_finished(QVariantList result)
{
    if (!answered() || result.isEmpty())
        return;
    const QVariantList row = result.first().toList();
    if (row.size() != 9)
        return;
    // Columns 1 to 4 after the switch are the detector's own values,
    // 5 to 8 the global ones.
    const int first = row.at(0).toInt() == 1 ? 5 : 1;
    alpha = row.at(first).toDouble();
    beta = row.at(first + 1).toDouble();
    tp = row.at(first + 2).toDouble();
    kc = row.at(first + 3).toDouble();
}

void FaultsDtView::readLimits(const QVariantList &result, QMap<int, double> *limits)
{
    limits->clear();
    for (const QVariant &row : result) {
        const QVariantList columns = row.toList();
        if (columns.size() < 2)
            continue;
        bool ok = false;
        const double limit = columns.at(1).toDouble(&ok);
        if (!ok || !std::isfinite(limit)) {
            qDebug("limits invalid");
            continue;
        }
        limits->insert(columns.at(0).toInt(), limit);
    }
}

void FaultsDtView::q2_finished(QVariantList result)
{
    if (answered())
        readLimits(result, &upperLimits);
}

void FaultsDtView::q2_2_finished(QVariantList result)
{
    if (answered())
        readLimits(result, &lowerLimits);
}

void FaultsDtView::q3_finished(QVariantList result)
{
    if (!answered())
        return;
    if (result.isEmpty()) {
        status->setText(tr("no data"));
        setEnabled(true);
        return;
    }
    const double tanA = tangent(alpha);
    const double tanB = tangent(beta);
    leftBorder->clear();
    rightBorder->clear();
    for (PointSeries *series : qAsConst(pointSeries))
        series->clear();

    QVector<Point> points[faultCount + 1];
    double maxI = 0;
    int unusable = 0;
    const QTime midnight(0, 0);
    for (const QVariant &row : qAsConst(result)) {
        const QVariantList columns = row.toList();
        const QTime time = columns.value(3).toTime();
        const qint64 interval = columns.value(2).toLongLong();
        // Without a measuring interval or a time there is no intensity and
        // no limit: such a record cannot be placed.
        if (columns.size() < 4 || interval <= 0 || !time.isValid()) {
            ++unusable;
            continue;
        }
        const qint64 occ = columns.at(0).toInt();
        const qint64 cars = columns.at(1).toInt();
        const double intensity = cars * 3600.0 / interval;
        maxI = std::max(maxI, intensity);
        const int minute = midnight.secsTo(time) / 60;
        const bool noIntensity = isZero(intensity);

        int faults[4];
        int count = 0;
        if (noIntensity && occ != 0) {
            faults[count++] = 2;
        } else {
            double limit = 0;
            bool zeroLimit = false;
            if (limitAt(upperLimits, minute, &limit)) {
                if (intensity > limit)
                    faults[count++] = 5;
                zeroLimit = isZero(limit);
            }
            if (!zeroLimit && noIntensity && occ == 0)
                faults[count++] = 1;
            if (limitAt(lowerLimits, minute, &limit) && limit > intensity)
                faults[count++] = 8;
            if (tanA != 0 && intensity > occ * tanA) {
                faults[count++] = 6;
            } else if (tanB != 0 && intensity > (100 - occ) * tanB) {
                faults[count++] = 7;
            } else if (tp > 0 && kc > 0) {
                const double occupied = double(interval * occ / 100);
                const double d = occupied - tp * cars - (interval - tp * cars) * kc;
                // The whole part of d is above zero exactly when d >= 1.
                if (d >= 1)
                    faults[count++] = 4;
            }
        }

        const Point point{double(occ), intensity,
                          tr("time: %1\noccupancy=%2 %\nintensity=%3 veh/h")
                              .arg(midnight.addSecs(minute * 60).toString(QStringLiteral("hh:mm:ss")))
                              .arg(occ)
                              .arg(QString::number(std::trunc(intensity), 'f', 0))};
        if (count == 0)
            points[0].append(point);
        for (int i = 0; i < count; ++i)
            points[faults[i]].append(point);
    }
    if (unusable > 0)
        qDebug() << "FaultsDtView:" << unusable << "records without interval or time skipped";

    // In occupancy order every point is appended at the end of the series'
    // sorted data, however many records the day has.
    for (int i = 0; i <= faultCount; ++i) {
        std::stable_sort(points[i].begin(), points[i].end(),
                         [](const Point &a, const Point &b) { return a.occupancy < b.occupancy; });
        PointSeries *series = pointSeries.at(i);
        for (const Point &point : qAsConst(points[i]))
            series->addXY(point.occupancy, point.intensity, point.tooltip);
        if (i > 0) {
            series->setVisible(series->pointsCount() > 0);
            series->setName(tr("fault %1 (%2)").arg(i).arg(series->pointsCount()));
        }
    }

    if (tanA != 0) {
        leftBorder->addXY(0, 0);
        leftBorder->addXY(maxI / tanA, maxI);
    }
    leftBorder->setVisible(tanA != 0);
    if (tanB != 0) {
        rightBorder->addXY(100, 0);
        rightBorder->addXY(100 - maxI / tanB, maxI);
    }
    rightBorder->setVisible(tanB != 0);

    status->setText(tr("obtaining data complete"));
    setEnabled(true);
}

void FaultsDtView::connectionError(const QString &message)
{
    if (inFlight.isEmpty())
        return;
    // The queries stay queued and are answered once the database is back;
    // meanwhile the view says why and Refresh asks for another attempt.
    status->setText(message);
    setEnabled(true);
}

void FaultsDtView::q_error(QString message)
{
    if (!answered())
        return;
    status->setText(message);
    setEnabled(true);
}
