#include "PhasesView.h"

#include "decoding/EventCatalogue.h"

#include "ChartWidget.h"
#include "views/CsvExportAction.h"
#include "GanttSeries.h"
#include "LineSeries.h"
#include "PointSeries.h"
#include "WallClock.h"

#include "views/DayNavigator.h"
#include "views/ToolRow.h"
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <numeric>

namespace {

double seconds(const QDateTime &time)
{
    return WallClock::key(time);
}

} // namespace

PhasesView::PhasesView(QWidget *parent, uint object_id, QSqlDatabase *db, QMutex *dbMutex)
    : LumoWidget(parent, object_id, db, dbMutex)
{
    setupForm();
    initControls();
    chart->setRefreshTimeout(300);
    chart->legend()->setVisible(true);
    chart->axes()->bottom()->setDatetime(true);
    chart->axes()->bottom()->setDatetimeFormat(QStringLiteral("hh:mm:ss"));
    chart->enableTooltip(true);
    QMetaObject::invokeMethod(updateData, "click", Qt::QueuedConnection);
}

void PhasesView::setupForm()
{
    setObjectName(QStringLiteral("PhasesView"));
    resize(601, 427);
    setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Minimum);
    setMinimumSize(0, 300);
    setWindowTitle(QString());

    auto *verticalLayout = new QVBoxLayout(this);
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    verticalLayout->setSpacing(6);
    verticalLayout->setContentsMargins(11, 11, 11, 11);

    auto *row = new ToolRow(this, 2);
    frame = row;
    dayData = row->addModeButton("dayData", tr("Day"), true);
    weekData = row->addModeButton("weekData", tr("Week"), false);
    row->addLabel("label", tr("Date:"));
    dateEdit = row->addDateEdit("dateEdit");
    withPromtact = row->addCheckBox("withPromtact", tr("with transition state"), true);
    QPushButton *refresh = row->addButton("updateData", tr("Refresh"));
    averaging = row->addCheckBox("averaging", tr("averaging"));
    avgPoints = row->add("avgPoints", new QSpinBox);
    avgPoints->setButtonSymbols(QAbstractSpinBox::NoButtons);
    avgPoints->setRange(3, 100);
    avgPoints->setValue(3);
    (new DayNavigator(this, {dateEdit}, refresh))->placeIn(row->boxLayout());
    row->addStretch();
    verticalLayout->addWidget(frame);

    chart = new ChartWidget(this);
    chart->setObjectName(QStringLiteral("chart"));
    CsvExportAction::addTo(chart);
    chart->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    verticalLayout->addWidget(chart);

    auto *logBox = new QComboBox(this);
    logBox->setObjectName(QStringLiteral("log"));
    logBox->setFrame(false);
    verticalLayout->addWidget(logBox);

    setTabOrder(dayData, weekData);
    connect(dateEdit, &QDateEdit::dateChanged, refresh, &QPushButton::click);
    connect(withPromtact, &QCheckBox::clicked, refresh, &QPushButton::click);
    QMetaObject::connectSlotsByName(this);
}

void PhasesView::on_updateData_clicked(bool)
{
    lastStateTime = QDateTime();
    lastPhaseTime = QDateTime();
    stateSeriesId = -1;
    currentState = -1;
    phaseSeries.clear();
    avgSeries.clear();

    showProgress();
    chart->clear();

    const QDate d = dateEdit->date();
    const QDate end = d.addDays(weekData->isChecked() ? 7 : 1);
    db.requestPhases(objectId, d, end, withPromtact->isChecked());
    chart->setEnabled(false);
    frame->setEnabled(false);
}

void PhasesView::on_db_lumoPhaseData(QDateTime time, int phase_id, int length)
{
    if (length > 1000)
        return;
    auto *series = static_cast<PointSeries *>(chart->series(phase_id));
    if (!series) {
        series = new PointSeries(1);
        series->setName(tr("Phase %1").arg(phase_id));
        chart->addSeries(series, phase_id);
        phaseSeries.append(phase_id);
    }
    lastPhaseTime = time;
    series->addXY(seconds(time), length);
}

void PhasesView::addStateBar(const QDateTime &to)
{
    auto *states = static_cast<GanttSeries *>(chart->series(stateSeriesId));
    if (!states)
        return;
    const ControlSourceLabel source = controlSourceLabel(currentState);
    states->addBar(seconds(lastStateTime), seconds(to), -1.0, source.colour, source.label);
}

void PhasesView::on_db_lumoStateData(QDateTime time, int state)
{
    if (stateSeriesId == -1) {
        auto *states = new GanttSeries;
        states->setName(tr("State"));
        states->setColor(Qt::darkGray);
        stateSeriesId = chart->addSeries(states);
    }
    if (!lastStateTime.isNull())
        addStateBar(time);
    lastStateTime = time;
    currentState = state;
}

void PhasesView::on_db_complete()
{
    chart->setEnabled(true);
    frame->setEnabled(true);
    // The interval in force at the end runs to the last phase run; without
    // any phase run there is no end to draw it to.
    if (stateSeriesId != -1 && chart->series(stateSeriesId) && !lastPhaseTime.isNull()
        && WallClock::msecs(lastPhaseTime) > WallClock::msecs(lastStateTime)) {
        addStateBar(lastPhaseTime);
        // Drawn once: a second complete (the worker ending) adds nothing.
        lastStateTime = lastPhaseTime;
    }
}

void PhasesView::on_dayData_clicked(bool checked)
{
    if (!checked)
        return;
    chart->axes()->bottom()->setDatetimeFormat(QStringLiteral("hh:mm:ss"));
    QMetaObject::invokeMethod(updateData, "click", Qt::QueuedConnection);
}

void PhasesView::on_weekData_clicked(bool checked)
{
    if (!checked)
        return;
    chart->axes()->bottom()->setDatetimeFormat(QStringLiteral("ddd\r\nhh:mm"));
    QMetaObject::invokeMethod(updateData, "click", Qt::QueuedConnection);
}

void PhasesView::on_averaging_clicked(bool checked)
{
    for (int id : qAsConst(avgSeries))
        chart->removeSeries(id);
    avgSeries.clear();
    if (!checked)
        return;

    const int n = avgPoints->value();
    QVector<double> window(n, 0.0);
    for (int id : qAsConst(phaseSeries)) {
        auto *phase = static_cast<PointSeries *>(chart->series(id));
        if (!phase || phase->pointsCount() < n)
            continue;
        auto *line = new LineSeries;
        line->setName(phase->name() + tr(" (avg)"));
        line->setWidth(2);
        avgSeries.append(chart->addSeries(line));
        QVector<double> xs;
        QVector<double> ys;
        for (int i = 0; i < phase->pointsCount(); ++i) {
            const QPointF p = phase->pt(i);
            window.removeFirst();
            window.append(p.y());
            if (i + 1 >= n) {
                xs.append(p.x());
                ys.append(std::accumulate(window.cbegin(), window.cend(), 0.0) / n);
            }
        }
        line->addPoints(xs, ys);
    }
}

void PhasesView::on_avgPoints_valueChanged(int)
{
    if (averaging->isChecked())
        on_averaging_clicked(true);
}
