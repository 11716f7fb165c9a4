#include "SGView.h"

#include "ChartWidget.h"
#include "views/CsvExportAction.h"
#include "LineSeries.h"
#include "PointSeries.h"
#include "cwsimple/Chart.h"
#include "cwsimple/ColorHBoxSeries.h"
#include "WallClock.h"

#include "views/BackgroundJob.h"
#include "views/DayNavigator.h"
#include "views/ToolRow.h"
#include "views/ViewClock.h"
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

SGView::SGView(QWidget *parent, uint object_id, QSqlDatabase *db, QMutex *dbMutex)
    : LumoWidget(parent, object_id, db, dbMutex)
    , greenStripes(QStringLiteral("://Resources/gb.png"))
    , amberStripes(QStringLiteral("://Resources/ab.png"))
    , evaluation(new BackgroundJob(this))
    , smoothing(new BackgroundJob(this))
{
    setupForm();
    initControls();
    for (ChartWidget *chart : {xyChart, cycleChart}) {
        chart->setRefreshTimeout(300);
        chart->legend()->setVisible(true);
        chart->axes()->bottom()->setDatetime(true);
        chart->axes()->bottom()->setDatetimeFormat(QStringLiteral("hh:mm:ss"));
        chart->enableTooltip(true);
    }
    tlChart->setMinGridStepX(1.0);
    tlChart->setBgColor(Qt::white);
    tlChart->xAxis()->setDatetimeFormat(QStringLiteral("hh:mm:ss"));

    stackedWidget->setCurrentWidget(xyPage);
    const QDateTime now = ViewClock::now();
    dateTimeEdit->setDateTime(WallClock::at(now.date(), now.time()));
    on_hourData_clicked(true);
}

SGView::~SGView()
{
    // Their deliveries call into this view: none may come any more.
    evaluation->cancel();
    smoothing->cancel();
}

void SGView::setupForm()
{
    setObjectName(QStringLiteral("SGView"));
    resize(975, 418);
    setWindowTitle(QString());

    auto *verticalLayout = new QVBoxLayout(this);
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    auto *row = new ToolRow(this, 2);
    frame = row;
    hourData = row->addModeButton("hourData", tr("Hour"), true);
    dayData = row->addModeButton("dayData", tr("Day"), false);
    weekData = row->addModeButton("weekData", tr("Week"), false);
    row->addLabel("label", tr("Date:"));
    dateTimeEdit = row->add("dateTimeEdit", new QDateTimeEdit);
    dateTimeEdit->setDisplayFormat(QStringLiteral("dd.MM.yyyy HH:mm"));
    dateTimeEdit->setCalendarPopup(true);
    dateTimeEdit->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    // The period is chosen and computed as the times are written, so that
    // an hour the local clock skips can be chosen and a day has 24 hours.
    dateTimeEdit->setTimeSpec(Qt::UTC);

    auto *pages = row->add("widget", new QWidget);
    auto *pageLayout = new QHBoxLayout(pages);
    pageLayout->setObjectName(QStringLiteral("horizontalLayout_2"));
    pageLayout->setSpacing(1);
    pageLayout->setContentsMargins(1, 1, 1, 1);
    sg = new QRadioButton(tr("signal groups"), pages);
    sg->setObjectName(QStringLiteral("sg"));
    sg->setChecked(true);
    timeline = new QRadioButton(tr("timeline"), pages);
    timeline->setObjectName(QStringLiteral("timeline"));
    cycles = new QRadioButton(tr("cycles"), pages);
    cycles->setObjectName(QStringLiteral("cycles"));
    pageLayout->addWidget(sg);
    pageLayout->addWidget(timeline);
    pageLayout->addWidget(cycles);

    QPushButton *refresh = row->addButton("updateData", tr("Refresh"));
    follow = new LiveFollow(this, 1);
    row->add("live", follow->button());
    averaging = row->addCheckBox("averaging", tr("smoothing"));
    days = new DayNavigator(this, {dateTimeEdit}, refresh);
    days->placeIn(row->boxLayout());
    row->addStretch();
    verticalLayout->addWidget(frame);

    stackedWidget = new QStackedWidget(this);
    stackedWidget->setObjectName(QStringLiteral("stackedWidget"));
    auto page = [this](const char *name, const char *layoutName, QWidget *chart) {
        auto *p = new QWidget;
        p->setObjectName(QLatin1String(name));
        auto *layout = new QVBoxLayout(p);
        layout->setObjectName(QLatin1String(layoutName));
        chart->setParent(p);
        layout->addWidget(chart);
        stackedWidget->addWidget(p);
        return p;
    };
    xyChart = new ChartWidget;
    xyChart->setObjectName(QStringLiteral("xy_chart"));
    xyChart->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    tlChart = new cwsimple::Chart;
    tlChart->setObjectName(QStringLiteral("tl_chart"));
    cycleChart = new ChartWidget;
    cycleChart->setObjectName(QStringLiteral("cycle_chart"));
    for (ChartWidget *chart : {xyChart, cycleChart})
        CsvExportAction::addTo(chart);
    CsvExportAction::addTo(tlChart);
    cycleChart->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    xyPage = page("xy_page", "verticalLayout_2", xyChart);
    timelinePage = page("timeline_page", "verticalLayout_3", tlChart);
    cyclePage = page("cycle_page", "verticalLayout_4", cycleChart);
    verticalLayout->addWidget(stackedWidget);

    auto *logBox = new QComboBox(this);
    logBox->setObjectName(QStringLiteral("log"));
    logBox->setFrame(false);
    verticalLayout->addWidget(logBox);

    stackedWidget->setCurrentIndex(2);
    connect(follow, &LiveFollow::stepDue, this, &SGView::step);
    connect(follow, &LiveFollow::replaceFrom, this, &SGView::replaceFrom);
    connect(follow, &LiveFollow::loadDue, this, [this] { on_updateData_clicked(); });
    connect(follow, &LiveFollow::moveTo, this, [this](const QDateTime &start) {
        dateTimeEdit->setDateTime(start);
        on_updateData_clicked();
    });
    QMetaObject::connectSlotsByName(this);
}

void SGView::setAxisFormats(const QString &format)
{
    xyChart->axes()->bottom()->setDatetimeFormat(format);
    cycleChart->axes()->bottom()->setDatetimeFormat(format);
    tlChart->xAxis()->setDatetimeFormat(format);
}

void SGView::setStart(const QDate &date, const QTime &time)
{
    dateTimeEdit->setDateTime(WallClock::at(date, time));
}

void SGView::on_hourData_clicked(bool checked)
{
    if (!checked)
        return;
    const QDateTime current = dateTimeEdit->dateTime();
    setStart(current.date(), QTime(current.time().hour(), 0));
    days->setStepDays(1);
    setAxisFormats(QStringLiteral("hh:mm:ss"));
    QMetaObject::invokeMethod(updateData, "click", Qt::QueuedConnection);
}

void SGView::on_dayData_clicked(bool checked)
{
    if (!checked)
        return;
    setStart(dateTimeEdit->date(), QTime(0, 0));
    days->setStepDays(1);
    setAxisFormats(QStringLiteral("hh:mm:ss"));
    QMetaObject::invokeMethod(updateData, "click", Qt::QueuedConnection);
}

void SGView::on_weekData_clicked(bool checked)
{
    if (!checked)
        return;
    const QDate date = dateTimeEdit->date();
    if (date.dayOfWeek() != Qt::Monday)
        setStart(date.addDays(1 - date.dayOfWeek()), QTime(0, 0));
    days->setStepDays(7);
    setAxisFormats(QStringLiteral("ddd\r\nhh:mm:ss"));
    QMetaObject::invokeMethod(updateData, "click", Qt::QueuedConnection);
}

void SGView::on_sg_clicked(bool checked)
{
    if (!checked)
        return;
    averaging->show();
    stackedWidget->setCurrentWidget(xyPage);
}

void SGView::on_timeline_clicked(bool checked)
{
    if (!checked)
        return;
    averaging->hide();
    stackedWidget->setCurrentWidget(timelinePage);
}

void SGView::on_cycles_clicked(bool checked)
{
    if (!checked)
        return;
    averaging->show();
    stackedWidget->setCurrentWidget(cyclePage);
}

void SGView::on_updateData_clicked(bool)
{
    const QDateTime start = dateTimeEdit->dateTime();
    const QDateTime end = hourData->isChecked() ? start.addSecs(3600)
                          : weekData->isChecked() ? start.addDays(7)
                                                  : start.addDays(1);
    // A step under way ends first; the load follows it.
    if (!follow->loadStarts(start, end)) {
        showProgress();
        setChartsEnabled(false);
        return;
    }
    // What is still being evaluated or smoothed belongs to the load before.
    evaluation->cancel();
    smoothing->cancel();
    records.clear();
    checkpoints.clear();
    evaluatedGroups.clear();
    evaluateAgainFrom = -1;
    xyAvgSeries.clear();
    cycleAvgSeries.clear();
    showProgress();

    xyChart->clear();
    cycleChart->clear();
    tlChart->removeAllSeries();
    tlChart->yAxis()->resetCustomLabels();
    tlChart->xAxis()->setDatetime(true);
    tlChart->setError(QString());

    loadedEnd = end;
    db.requestSg(objectId, start, end);
    setChartsEnabled(false);
}

void SGView::step(const LiveFollow::Cursors &cursors)
{
    db.followSg(objectId, cursors.at(0), loadedEnd);
}

void SGView::replaceFrom(int, const QDateTime &from)
{
    const int first = records.dropFrom(WallClock::msecs(from));
    evaluateAgainFrom = evaluateAgainFrom < 0 ? first : std::min(evaluateAgainFrom, first);
}

void SGView::setChartsEnabled(bool enabled)
{
    for (QWidget *w : std::initializer_list<QWidget *>{xyChart, tlChart, cycleChart, frame})
        w->setEnabled(enabled);
}

void SGView::on_db_lumoSgData(const QDateTime &time, int sg_id, int state)
{
    follow->row(0, time);
    // Converted once, here: the evaluation needs every time several times.
    records.append({WallClock::msecs(time), sg_id, state});
    if (!sgIds.contains(sg_id))
        sgIds.append(sg_id);
}

void SGView::on_db_complete()
{
    switch (follow->completed()) {
    case LiveFollow::NothingEnded:
        // A second completion (the worker ending) adds nothing.
        return;
    case LiveFollow::LoadEnded:
        records.seal();
        evaluateFrom(0);
        return;
    case LiveFollow::StepEnded:
        // The records the step replaced, once what is being evaluated is shown.
        if (evaluateAgainFrom >= 0 && !evaluation->isRunning())
            evaluateFrom(evaluateAgainFrom);
        return;
    }
}

void SGView::prepareGroups()
{
    std::sort(sgIds.begin(), sgIds.end());
    const int n = sgIds.size();
    tlChart->yAxis()->resetCustomLabels();
    for (int j = 0; j < n; ++j) {
        const int group = sgIds.at(j);
        const QString label = tr("SG %1").arg(group);
        tlChart->yAxis()->setCustomLabel(n - j, label);
        for (ChartWidget *chart : {xyChart, cycleChart}) {
            if (chart->series(group))
                continue;
            auto *series = new PointSeries(1);
            series->setName(label);
            chart->addSeries(series, group);
        }
    }
}

void SGView::evaluateFrom(int first)
{
    evaluateAgainFrom = -1;
    const bool load = checkpoints.isEmpty();
    QVector<int> groups = sgIds.toVector();
    std::sort(groups.begin(), groups.end());
    if (load || groups != evaluatedGroups) {
        // The rows of the timeline move: all is evaluated again, the series
        // in the order a load gives them.
        if (!load) {
            removeAverages();
            xyChart->clear();
            cycleChart->clear();
        }
        prepareGroups();
        checkpoints = {SgEvaluation::beginning(groups)};
        evaluatedGroups = groups;
        first = 0;
    }
    int at = checkpoints.size() - 1;
    while (at > 0 && checkpoints.at(at).record > first)
        --at;
    const SgEvaluation::Checkpoint start = checkpoints.at(at);
    const auto input = records.from(start.record);
    evaluation->start([this, input, start, groups, load](const std::atomic<bool> &cancelled) -> BackgroundJob::Delivery {
        auto result = std::make_shared<SgEvaluation>(SgEvaluation::from(*input, start, groups, cancelled));
        if (!result->complete)
            return {};
        return [this, groups, start, result, load] {
            showEvaluation(groups, start, *result);
            if (load)
                setChartsEnabled(true);
            if (averaging->isChecked())
                on_averaging_clicked(true);
            // A step that replaced records meanwhile, once it has ended.
            if (evaluateAgainFrom >= 0 && !follow->stepping())
                evaluateFrom(evaluateAgainFrom);
        };
    });
}

void SGView::showEvaluation(const QVector<int> &groups, const SgEvaluation::Checkpoint &start,
                            SgEvaluation &result)
{
    auto *bars = static_cast<cwsimple::ColorHBoxSeries *>(tlChart->findSeries(1));
    if (!bars) {
        bars = new cwsimple::ColorHBoxSeries;
        bars->setShowLength(true);
        // Numbered as the evaluation numbers them.
        for (int look = 0; look < SgEvaluation::LookCount; ++look)
            bars->addLook(barLook(SgEvaluation::Look(look)));
        tlChart->addSeries(bars, 1);
    }
    bars->truncate(start.bars);
    bars->addBars(std::move(result.bars));
    for (int j = 0; j < groups.size(); ++j) {
        if (auto *xy = static_cast<PointSeries *>(xyChart->series(groups.at(j)))) {
            xy->truncate(start.openPeriods.value(j));
            xy->addPoints(result.openPeriods.at(j));
        }
        if (auto *cycle = static_cast<PointSeries *>(cycleChart->series(groups.at(j)))) {
            cycle->truncate(start.cycles.value(j));
            cycle->addPoints(result.cycles.at(j));
        }
    }
    while (!checkpoints.isEmpty() && checkpoints.constLast().record > start.record)
        checkpoints.removeLast();
    checkpoints += result.checkpoints;
}

cwsimple::BarLook SGView::barLook(SgEvaluation::Look look) const
{
    switch (look) {
    case SgEvaluation::Green:
        return {QColor(Qt::green), QColor(), QPixmap()};
    case SgEvaluation::GreenStripes:
        return {QColor(), QColor(), greenStripes};
    case SgEvaluation::Red:
        return {QColor(Qt::red), QColor(), QPixmap()};
    case SgEvaluation::Yellow:
        return {QColor(Qt::yellow), QColor(), QPixmap()};
    case SgEvaluation::RedYellow:
        return {QColor(Qt::red), QColor(Qt::yellow), QPixmap()};
    case SgEvaluation::AmberStripes:
        return {QColor(), QColor(), amberStripes};
    default:
        return {QColor(Qt::black), QColor(), QPixmap()};
    }
}

QVector<double> SGView::smoothed(const QVector<double> &y)
{
    static const double weights[] = {1, 8, 28, 56, 70, 56, 28, 8, 1};
    const int m = y.size();
    QVector<double> result(m);
    for (int i = 0; i < m; ++i) {
        double sum = 0;
        for (int k = -4; k <= 4; ++k)
            sum += weights[k + 4] * y[((i + k) % m + m) % m];
        result[i] = sum / 256;
    }
    return result;
}

void SGView::removeAverages()
{
    for (int id : qAsConst(xyAvgSeries))
        xyChart->removeSeries(id);
    for (int id : qAsConst(cycleAvgSeries))
        cycleChart->removeSeries(id);
    xyAvgSeries.clear();
    cycleAvgSeries.clear();
}

void SGView::on_averaging_clicked(bool checked)
{
    smoothing->cancel();
    if (!checked) {
        removeAverages();
        for (int group : qAsConst(sgIds)) {
            for (ChartWidget *chart : {xyChart, cycleChart}) {
                if (ChartSeries *series = chart->series(group))
                    series->setVisible(true);
            }
        }
        return;
    }
    // Each group's points on both charts, shared rather than copied; the
    // lines shown stay until the new ones replace them.
    struct Line
    {
        ChartWidget *chart;
        int group;
        QVector<QPointF> points;
    };
    QVector<Line> lines;
    for (ChartWidget *chart : {xyChart, cycleChart}) {
        for (int group : qAsConst(sgIds)) {
            if (auto *series = static_cast<PointSeries *>(chart->series(group)))
                lines.append({chart, group, series->points()});
        }
    }
    smoothing->start([this, lines](const std::atomic<bool> &cancelled) -> BackgroundJob::Delivery {
        auto xs = std::make_shared<QVector<QVector<double>>>();
        auto ys = std::make_shared<QVector<QVector<double>>>();
        for (const Line &line : lines) {
            if (cancelled)
                return {};
            QVector<double> x(line.points.size());
            QVector<double> y(line.points.size());
            for (int i = 0; i < line.points.size(); ++i) {
                x[i] = line.points.at(i).x();
                y[i] = line.points.at(i).y();
            }
            xs->append(x);
            ys->append(smoothed(y));
        }
        return [this, lines, xs, ys] {
            removeAverages();
            for (int k = 0; k < lines.size(); ++k) {
                ChartWidget *chart = lines.at(k).chart;
                ChartSeries *series = chart->series(lines.at(k).group);
                if (!series)
                    continue;
                auto *line = new LineSeries;
                line->setName(series->name() + tr(" (avg)"));
                line->setWidth(2);
                line->setColor(series->color());
                (chart == xyChart ? xyAvgSeries : cycleAvgSeries).append(chart->addSeries(line));
                line->addPoints(xs->at(k), ys->at(k));
                series->setVisible(false);
            }
        };
    });
}
