#include "DtView.h"

#include "ChartWidget.h"
#include "views/CsvExportAction.h"
#include "GanttSeries.h"
#include "LineSeries.h"
#include "VLine.h"
#include "WallClock.h"

#include "views/DayNavigator.h"
#include "views/ToolRow.h"
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QPushButton>
#include <QVBoxLayout>

DtView::DtView(QWidget *parent, uint object_id, QStringList detectorNumbers, QSqlDatabase *db,
               QMutex *dbMutex)
    : DetectorWidget(parent, object_id, detectorNumbers, db, dbMutex)
{
    setupForm();
    initControls();
    chart->setRefreshTimeout(300);
    chart->legend()->setVisible(true);
    chart->axes()->bottom()->setDatetime(true);
    chart->axes()->bottom()->setDatetimeFormat(QStringLiteral("hh:mm:ss"));
    QMetaObject::invokeMethod(this, "updateDtList", Qt::QueuedConnection);
}

void DtView::setupForm()
{
    setObjectName(QStringLiteral("DtView"));
    resize(1179, 353);
    setWindowTitle(QString());
    auto *verticalLayout = new QVBoxLayout(this);
    verticalLayout->setSpacing(2);
    verticalLayout->setContentsMargins(2, 2, 2, 2);

    auto *frameWidget = new ToolRow(this);
    frameWidget->addLabel("dt_label", tr("Detector:"));
    QComboBox *detectorBox = frameWidget->addComboBox("detectors");
    detectorBox->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    rawData = frameWidget->addCheckBox("rawData", tr("raw data"));
    dayData = frameWidget->addModeButton("dayData", tr("Day"), true);
    weekData = frameWidget->addModeButton("weekData", tr("Week"), false);
    frameWidget->addLabel("label", tr("Date:"));
    dateEdit = frameWidget->addDateEdit("dateEdit");
    frameWidget->addLabel("label_2", tr("Parameter:"));
    parameter = frameWidget->addComboBox("parameter", {tr("Intensity"), tr("Occupancy"), tr("Speed")});
    frameWidget->addLabel("label_3", tr("Grouping:"));
    grouping = frameWidget->addComboBox(
        "grouping", {tr("Weekdays"), tr("Weekends"), tr("Weekdays before and after the weekdays"),
                     tr("Weekdays before the weekends"), tr("Weekdays after the weekends"),
                     tr("Weekends before the weekdays"), tr("Weekends after the weekdays"),
                     tr("Holidays"), tr("Holiday"), tr("Weekday"), tr("Mondays"), tr("Tuesdays"),
                     tr("Wednesdays"), tr("Thursdays"), tr("Fridays"), tr("Saturdays"),
                     tr("Sundays")});
    QPushButton *refresh = frameWidget->addButton("updateData", tr("Refresh"));
    (new DayNavigator(this, {dateEdit}, refresh))->placeIn(frameWidget->boxLayout());
    frameWidget->addStretch();
    verticalLayout->addWidget(frameWidget);

    auto *chartWidget = new ChartWidget(this);
    chartWidget->setObjectName(QStringLiteral("chart"));
    CsvExportAction::addTo(chartWidget);
    chartWidget->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    verticalLayout->addWidget(chartWidget);
    auto *logBox = new QComboBox(this);
    logBox->setObjectName(QStringLiteral("log"));
    logBox->setFrame(false);
    verticalLayout->addWidget(logBox);

    connect(dateEdit, &QDateEdit::dateChanged, refresh, &QPushButton::click);
    connect(parameter, QOverload<int>::of(&QComboBox::currentIndexChanged), refresh, &QPushButton::click);
    connect(grouping, QOverload<int>::of(&QComboBox::currentIndexChanged), refresh, &QPushButton::click);
    connect(weekData, &QPushButton::toggled, grouping, &QWidget::setDisabled);
    setForm(chartWidget, frameWidget, detectorBox);
    QMetaObject::connectSlotsByName(this);
}

void DtView::on_dayData_clicked(bool checked)
{
    if (!checked)
        return;
    chart->axes()->bottom()->setDatetimeFormat(QStringLiteral("hh:mm:ss"));
    QMetaObject::invokeMethod(updateData, "click", Qt::QueuedConnection);
}

void DtView::on_weekData_clicked(bool checked)
{
    if (!checked)
        return;
    chart->axes()->bottom()->setDatetimeFormat(QStringLiteral("dddd\r\nhh:mm"));
    QMetaObject::invokeMethod(updateData, "click", Qt::QueuedConnection);
}

void DtView::on_updateData_clicked(bool)
{
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
    db.requestDt15(objectId, currentDetector, parameter->currentIndex(), grouping->currentIndex(),
                   dateEdit->date(), weekData->isChecked() ? 7 : 1, rawData->isChecked());
    chart->setEnabled(false);
    frame->setEnabled(false);
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
        chart->addSeries(series, id);
        if (query_index == 2)
            chart->addVLine(new VLine(WallClock::now(), Qt::black, 2));
    }
    addCurvePoint(series, &lastKey[query_index], gapStep[query_index], time, value);
}

void DtView::on_db_lumoDt15StateData(QDateTime time, int value)
{
    if (healthSeriesId < 0) {
        auto *health = new GanttSeries;
        if (!seriesVisible[3])
            health->setVisible(false);
        health->setColor(Qt::darkGray);
        health->setName(tr("health"));
        health->enableTooltip(true);
        chart->addSeries(health, 4);
        healthSeriesId = 4;
    }
    auto *health = static_cast<GanttSeries *>(chart->series(4));
    if (!health)
        return;
    addHealthSample(health, time, value);
}
