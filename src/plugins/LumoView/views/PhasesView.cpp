#include "PhasesView.h"

#include "decoding/EventCatalogue.h"
#include "views/LiveFollow.h"
#include "views/SeriesCut.h"
#include "views/ToolRow.h"

#include "ChartWidget.h"
#include "GanttSeries.h"
#include "LineSeries.h"
#include "PointSeries.h"
#include "WallClock.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QHash>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

double seconds(const QDateTime &time)
{
    return WallClock::key(time);
}

} // namespace

PhasesView::PhasesView(QWidget *parent, uint object_id, QSqlDatabase *db, QMutex *dbMutex)
    : LumoWidget(parent, object_id, db, dbMutex)
    , lastPhaseKey(qQNaN())
    , form(this, "PhasesView", {QSize(601, 427), 6, 11, 2})
    , chart(form.chart())
    , frame(form.row())
{
    setupForm();
    initControls();
    form.setTimeAxis();
    chart->enableTooltip(true);
    QMetaObject::invokeMethod(updateData, "click", Qt::QueuedConnection);
}

void PhasesView::setupForm()
{
    setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Minimum);
    setMinimumSize(0, 300);

    ToolRow *row = form.row();
    form.addPeriodModes(&dayData, &weekData);
    dateEdit = form.addDate("label", "Date:", "dateEdit");
    withPromtact = row->addCheckBox("withPromtact", tr("with transition state"), true);
    QPushButton *refresh = form.addRefresh("updateData");
    follow = new LiveFollow(this, 2);
    row->add("live", follow->button());
    averaging = row->addCheckBox("averaging", tr("averaging"));
    avgPoints = row->add("avgPoints", new QSpinBox);
    avgPoints->setButtonSymbols(QAbstractSpinBox::NoButtons);
    avgPoints->setRange(3, 100);
    avgPoints->setValue(3);
    form.endRow({dateEdit});

    setTabOrder(dayData, weekData);
    connect(dateEdit, &QDateEdit::dateChanged, refresh, &QPushButton::click);
    connect(withPromtact, &QCheckBox::clicked, refresh, &QPushButton::click);
    connect(follow, &LiveFollow::stepDue, this, &PhasesView::step);
    connect(follow, &LiveFollow::replaceFrom, this, &PhasesView::replaceFrom);
    connect(follow, &LiveFollow::loadDue, this, [this] { on_updateData_clicked(); });
    connect(follow, &LiveFollow::moveTo, this, [this](const QDateTime &start) { dateEdit->setDate(start.date()); });
    QMetaObject::connectSlotsByName(this);
}

void PhasesView::on_updateData_clicked(bool)
{
    const QDate d = dateEdit->date();
    const QDate end = d.addDays(weekData->isChecked() ? 7 : 1);
    if (!follow->loadStarts(WallClock::at(d, QTime(0, 0)), WallClock::at(end, QTime(0, 0)))) {
        showProgress();
        chart->setEnabled(false);
        frame->setEnabled(false);
        return;
    }
    states.clear();
    lastPhaseKey = qQNaN();
    stateSeriesId = -1;
    phaseSeries.clear();
    avgSeries.clear();
    averagesShown = false;

    showProgress();
    chart->clear();

    // A step asks for what the load asked for.
    loadedEnd = end;
    loadedPromtact = withPromtact->isChecked();
    db.requestPhases(objectId, d, end, loadedPromtact);
    chart->setEnabled(false);
    frame->setEnabled(false);
}

void PhasesView::step(const LiveFollow::Cursors &cursors)
{
    db.followPhases(objectId, cursors.at(PhaseRuns), cursors.at(ControlSources), loadedEnd, loadedPromtact);
}

void PhasesView::replaceFrom(int stream, const QDateTime &from)
{
    stepChanged = true;
    const double key = seconds(from);
    if (stream == ControlSources) {
        while (!states.isEmpty() && seconds(states.last().first) >= key)
            states.removeLast();
        return;
    }
    lastPhaseKey = qQNaN();
    for (int id : qAsConst(phaseSeries)) {
        auto *phase = static_cast<PointSeries *>(chart->series(id));
        if (!phase)
            continue;
        SeriesCut::points(phase, key);
        if (phase->pointsCount() > 0 && !(phase->pt(phase->pointsCount() - 1).x() <= lastPhaseKey))
            lastPhaseKey = phase->pt(phase->pointsCount() - 1).x();
    }
}

void PhasesView::on_db_lumoPhaseData(QDateTime time, int phase_id, int length)
{
    // Counted as the worker counts them, shown or not.
    follow->row(PhaseRuns, time);
    if (length > 1000)
        return;
    auto *series = static_cast<PointSeries *>(chart->series(phase_id));
    if (!series) {
        series = new PointSeries(1);
        series->setName(tr("Phase %1").arg(phase_id));
        chart->addSeries(series, phase_id);
        phaseSeries.append(phase_id);
        if (follow->stepping())
            newPhase = true;
    }
    lastPhaseKey = seconds(time);
    series->addXY(lastPhaseKey, length);
}

void PhasesView::on_db_lumoStateData(QDateTime time, int state)
{
    follow->row(ControlSources, time);
    if (stateSeriesId == -1)
        addBand();
    // While loading the band grows with the rows; a step draws it whole at
    // its end.
    auto *band = static_cast<GanttSeries *>(chart->series(stateSeriesId));
    if (band && !states.isEmpty() && !follow->stepping()) {
        const ControlSourceLabel source = controlSourceLabel(states.last().second);
        band->addBar(seconds(states.last().first), seconds(time), -1.0, source.colour, source.label);
    }
    states.append({time, state});
}

void PhasesView::addBand()
{
    auto *band = new GanttSeries;
    band->setName(tr("State"));
    band->setColor(Qt::darkGray);
    stateSeriesId = chart->addSeries(band);
}

// A load adds the phases in the order it first sees them, by time and then
// by number, and the band after them; the chart colours the series in the
// order they come. Where a step has changed that order (a phase first seen,
// one seen earlier in rows written late) the chart is drawn again from what
// it holds, the phases' points and the user's choice of series.
void PhasesView::orderSeries()
{
    const auto firstRun = [this](int id) {
        const auto *phase = static_cast<PointSeries *>(chart->series(id));
        return phase && phase->pointsCount() > 0 ? phase->pt(0).x() : qInf();
    };
    QList<int> order = phaseSeries;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return firstRun(a) != firstRun(b) ? firstRun(a) < firstRun(b) : a < b;
    });
    if (order == phaseSeries && !newPhase)
        return;
    struct Phase
    {
        int id;
        QString name;
        bool visible;
        QVector<QPointF> points;
    };
    QVector<Phase> phases;
    for (int id : qAsConst(order)) {
        const auto *phase = static_cast<PointSeries *>(chart->series(id));
        phases << Phase{id, phase->name(), phase->isVisible(), {}};
        for (int i = 0; i < phase->pointsCount(); ++i)
            phases.last().points << phase->pt(i);
    }
    const bool bandShown = chart->series(stateSeriesId) && chart->series(stateSeriesId)->isVisible();
    const bool hadBand = stateSeriesId != -1;
    chart->clear();
    phaseSeries.clear();
    avgSeries.clear();
    for (const Phase &phase : qAsConst(phases)) {
        auto *series = new PointSeries(1);
        series->setName(phase.name);
        series->setVisible(phase.visible);
        for (const QPointF &p : phase.points)
            series->addXY(p.x(), p.y());
        chart->addSeries(series, phase.id);
        phaseSeries.append(phase.id);
    }
    stateSeriesId = -1;
    if (hadBand) {
        addBand();
        chart->series(stateSeriesId)->setVisible(bandShown);
    }
}

void PhasesView::drawStates()
{
    auto *band = static_cast<GanttSeries *>(chart->series(stateSeriesId));
    if (!band)
        return;
    band->clear();
    for (int i = 0; i < states.size(); ++i) {
        // The source in force at the end runs to the last phase run; without
        // a later one there is no end to draw it to.
        const double to = i + 1 < states.size() ? seconds(states.at(i + 1).first) : lastPhaseKey;
        if (i + 1 == states.size() && !(to > seconds(states.at(i).first)))
            break;
        const ControlSourceLabel source = controlSourceLabel(states.at(i).second);
        band->addBar(seconds(states.at(i).first), to, -1.0, source.colour, source.label);
    }
}

void PhasesView::on_db_complete()
{
    const LiveFollow::Completion ended = follow->completed();
    if (ended != LiveFollow::StepEnded) {
        chart->setEnabled(true);
        frame->setEnabled(true);
    } else if (!stepChanged) {
        return;
    }
    if (ended == LiveFollow::StepEnded)
        orderSeries();
    stepChanged = false;
    newPhase = false;
    drawStates();
    if (ended == LiveFollow::StepEnded && averagesShown)
        on_averaging_clicked(true);
}

void PhasesView::on_dayData_clicked(bool checked)
{
    form.periodChosen(checked, "hh:mm:ss");
}

void PhasesView::on_weekData_clicked(bool checked)
{
    form.periodChosen(checked, "ddd\r\nhh:mm");
}

void PhasesView::on_averaging_clicked(bool checked)
{
    averagesShown = checked;
    // A line drawn again keeps its colour: the chart would give it the next.
    QHash<QString, QColor> colours;
    for (int id : qAsConst(avgSeries)) {
        if (ChartSeries *line = chart->series(id))
            colours.insert(line->name(), line->color());
        chart->removeSeries(id);
    }
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
        if (colours.contains(line->name()))
            line->setColor(colours.value(line->name()));
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
