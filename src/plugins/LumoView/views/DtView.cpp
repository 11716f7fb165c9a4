#include "DtView.h"

#include "views/SeriesCut.h"
#include "views/ToolRow.h"
#include "views/ViewClock.h"

#include "ChartWidget.h"
#include "GanttSeries.h"
#include "LineSeries.h"
#include "VLine.h"
#include "WallClock.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QPushButton>
#include <QToolButton>

namespace {

// The ids of the series: the curves of the three statements, then the health strip.
const int selectedCurve = 2;
const int yesterdayCurve = 3;
const int healthStrip = 4;

// Each curve keeps its colour whatever order its rows come in: blue, orange
// and green, as the chart gave them to a day with all three.
const QColor curveColours[] = {QColor(31, 119, 180), QColor(255, 127, 14), QColor(44, 160, 44)};

} // namespace

DtView::DtView(QWidget *parent, uint object_id, QStringList detectorNumbers, QSqlDatabase *db,
               QMutex *dbMutex)
    : DetectorWidget(parent, object_id, detectorNumbers, db, dbMutex)
    , form(this, "DtView", {QSize(1179, 353), 2, 2})
{
    setupForm();
    initControls();
    form.setTimeAxis();
    QMetaObject::invokeMethod(this, "updateDtList", Qt::QueuedConnection);
}

void DtView::setupForm()
{
    ToolRow *row = form.row();
    QComboBox *detectorBox = form.addDetectors("dt_label");
    rawData = row->addCheckBox("rawData", tr("raw data"));
    form.addPeriodModes(&dayData, &weekData);
    dateEdit = form.addDate("label", "Date:", "dateEdit");
    row->addLabel("label_2", tr("Parameter:"));
    parameter = row->addComboBox("parameter", {tr("Intensity"), tr("Occupancy"), tr("Speed")});
    row->addLabel("label_3", tr("Grouping:"));
    grouping = row->addComboBox(
        "grouping", {tr("Weekdays"), tr("Weekends"), tr("Weekdays before and after the weekdays"),
                     tr("Weekdays before the weekends"), tr("Weekdays after the weekends"),
                     tr("Weekends before the weekdays"), tr("Weekends after the weekdays"),
                     tr("Holidays"), tr("Holiday"), tr("Weekday"), tr("Mondays"), tr("Tuesdays"),
                     tr("Wednesdays"), tr("Thursdays"), tr("Fridays"), tr("Saturdays"),
                     tr("Sundays")});
    QPushButton *refresh = form.addRefresh("updateData");
    follow = new LiveFollow(this, 1);
    row->add("live", follow->button());
    form.endRow({dateEdit});

    connect(dateEdit, &QDateEdit::dateChanged, refresh, &QPushButton::click);
    connect(parameter, QOverload<int>::of(&QComboBox::currentIndexChanged), refresh, &QPushButton::click);
    connect(grouping, QOverload<int>::of(&QComboBox::currentIndexChanged), refresh, &QPushButton::click);
    connect(weekData, &QPushButton::toggled, grouping, &QWidget::setDisabled);
    connect(follow, &LiveFollow::stepDue, this, &DtView::step);
    connect(follow, &LiveFollow::replaceFrom, this, [this](int, const QDateTime &from) { replaceFrom(from); });
    connect(follow, &LiveFollow::loadDue, this, [this] { on_updateData_clicked(); });
    connect(follow, &LiveFollow::moveTo, this, [this](const QDateTime &start) { dateEdit->setDate(start.date()); });
    setForm(form.chart(), form.row(), detectorBox);
    QMetaObject::connectSlotsByName(this);
}

void DtView::on_dayData_clicked(bool checked)
{
    form.periodChosen(checked, "hh:mm:ss");
}

void DtView::on_weekData_clicked(bool checked)
{
    form.periodChosen(checked, "dddd\r\nhh:mm");
}

void DtView::on_updateData_clicked(bool)
{
    const int days = weekData->isChecked() ? 7 : 1;
    const QDate date = dateEdit->date();
    if (!follow->loadStarts(WallClock::at(date, QTime(0, 0)), WallClock::at(date.addDays(days), QTime(0, 0)))) {
        showProgress();
        chart->setEnabled(false);
        frame->setEnabled(false);
        return;
    }
    showProgress();
    resetHealth();
    for (int id = 1; id <= 4; ++id) {
        if (ChartSeries *series = chart->series(id))
            seriesVisible[id - 1] = series->isVisible();
    }
    chart->clear();
    // Raw records come about once a minute; five minutes without one is a
    // gap. The characteristic profile is always made of quarter hours.
    const double measured = rawData->isChecked() ? 300 : 900;
    gapStep[1] = measured;
    gapStep[2] = measured;
    loaded = {currentDetector, parameter->currentIndex(), rawData->isChecked(), date.addDays(days)};
    db.requestDt15(objectId, currentDetector, parameter->currentIndex(), grouping->currentIndex(), date, days,
                   rawData->isChecked());
    chart->setEnabled(false);
    frame->setEnabled(false);
}

// The profile and yesterday's curve stay as loaded; the selected period
// grows.
void DtView::step(const LiveFollow::Cursors &cursors)
{
    db.followDt15(objectId, loaded.detectors, loaded.parameter, loaded.raw, cursors.first(), loaded.end);
}

void DtView::replaceFrom(const QDateTime &from)
{
    const double key = WallClock::key(from);
    if (auto *curve = qobject_cast<LineSeries *>(chart->series(selectedCurve))) {
        SeriesCut::line(curve, key);
        if (curve->pointsCount() > 0)
            lastKey[selectedCurve - 1] = curve->point(curve->pointsCount() - 1).x();
    }
    if (auto *health = qobject_cast<GanttSeries *>(chart->series(healthStrip)))
        SeriesCut::bars(health, key);
    // The samples before `from` stay: the next bar starts at the last one.
    lastStateTime = follow->lastTime(0);
}

// A load adds yesterday's curve last. Where the selected period's first
// rows come in a step, it goes behind them again.
void DtView::keepYesterdayLast()
{
    auto *yesterday = qobject_cast<LineSeries *>(chart->series(yesterdayCurve));
    if (!yesterday || chart->seriesIds().constLast() == yesterdayCurve)
        return;
    auto *moved = new LineSeries;
    moved->setName(yesterday->name());
    moved->setVisible(yesterday->isVisible());
    moved->setColor(yesterday->color());
    QVector<double> xs;
    QVector<double> ys;
    for (int i = 0; i < yesterday->pointsCount(); ++i) {
        xs << yesterday->point(i).x();
        ys << yesterday->point(i).y();
    }
    moved->addPoints(xs, ys);
    chart->addSeries(moved, yesterdayCurve);
}

void DtView::on_db_lumoDt15Data(QDateTime time, double value, int query_index)
{
    if (query_index < 0 || query_index > 2)
        return;
    const int id = query_index + 1;
    ChartSeries *series = chart->series(id);
    if (!series) {
        static const QString names[] = {tr("The characteristic period"), tr("The selected period"),
                                        tr("Yesterday")};
        series = new LineSeries;
        if (!seriesVisible[query_index])
            series->setVisible(false);
        series->setName(names[query_index]);
        series->setColor(curveColours[query_index]);
        chart->addSeries(series, id);
        if (query_index == 2) {
            const QDateTime now = ViewClock::now();
            chart->addVLine(new VLine(WallClock::at(now.date(), now.time()), Qt::black, 2));
        }
        keepYesterdayLast();
    }
    addCurvePoint(series, &lastKey[query_index], gapStep[query_index], time, value);
}

void DtView::on_db_lumoDt15StateData(QDateTime time, int value)
{
    follow->row(0, time);
    if (healthSeriesId < 0) {
        auto *health = new GanttSeries;
        if (!seriesVisible[3])
            health->setVisible(false);
        health->setColor(Qt::darkGray);
        health->setName(tr("health"));
        health->enableTooltip(true);
        chart->addSeries(health, healthStrip);
        healthSeriesId = healthStrip;
        keepYesterdayLast();
    }
    auto *health = static_cast<GanttSeries *>(chart->series(healthStrip));
    if (!health)
        return;
    addHealthSample(health, time, value);
}
