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
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>

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
    dateTimeEdit->setDateTime(WallClock::now());
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
    // What is still being evaluated or smoothed belongs to the load before.
    evaluation->cancel();
    smoothing->cancel();
    records.clear();
    loadPending = true;
    xyAvgSeries.clear();
    cycleAvgSeries.clear();
    showProgress();

    xyChart->clear();
    cycleChart->clear();
    tlChart->removeAllSeries();
    tlChart->yAxis()->resetCustomLabels();
    tlChart->xAxis()->setDatetime(true);
    tlChart->setError(QString());

    const QDateTime start = dateTimeEdit->dateTime();
    const QDateTime end = hourData->isChecked() ? start.addSecs(3600)
                          : weekData->isChecked() ? start.addDays(7)
                                                  : start.addDays(1);
    db.requestSg(objectId, start, end);
    setChartsEnabled(false);
}

void SGView::setChartsEnabled(bool enabled)
{
    for (QWidget *w : std::initializer_list<QWidget *>{xyChart, tlChart, cycleChart, frame})
        w->setEnabled(enabled);
}

void SGView::on_db_lumoSgData(const QDateTime &time, int sg_id, int state)
{
    // Converted once, here: the evaluation needs every time several times.
    records.push_back({WallClock::msecs(time), sg_id, state});
    if (!sgIds.contains(sg_id))
        sgIds.append(sg_id);
}

void SGView::on_db_complete()
{
    // Evaluated once: a second completion (the worker ending) adds nothing.
    if (!loadPending)
        return;
    loadPending = false;
    std::sort(sgIds.begin(), sgIds.end());
    const int n = sgIds.size();
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

    auto input = std::make_shared<const std::vector<SgRecord>>(std::move(records));
    records = {};
    const QVector<int> groups = sgIds.toVector();
    evaluation->start([this, input, groups](const std::atomic<bool> &cancelled) -> BackgroundJob::Delivery {
        auto result = std::make_shared<SgEvaluation>(SgEvaluation::of(*input, groups, cancelled));
        if (!result->complete)
            return {};
        return [this, groups, result] { showEvaluation(groups, *result); };
    });
}

void SGView::showEvaluation(const QVector<int> &groups, SgEvaluation &result)
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
    bars->addBars(std::move(result.bars));
    for (int j = 0; j < groups.size(); ++j) {
        if (auto *xy = static_cast<PointSeries *>(xyChart->series(groups.at(j))))
            xy->addPoints(result.openPeriods.at(j));
        if (auto *cycle = static_cast<PointSeries *>(cycleChart->series(groups.at(j))))
            cycle->addPoints(result.cycles.at(j));
    }
    setChartsEnabled(true);
    if (averaging->isChecked())
        on_averaging_clicked(true);
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

void SGView::on_averaging_clicked(bool checked)
{
    smoothing->cancel();
    for (int id : qAsConst(xyAvgSeries))
        xyChart->removeSeries(id);
    for (int id : qAsConst(cycleAvgSeries))
        cycleChart->removeSeries(id);
    xyAvgSeries.clear();
    cycleAvgSeries.clear();

    if (!checked) {
        for (int group : qAsConst(sgIds)) {
            for (ChartWidget *chart : {xyChart, cycleChart}) {
                if (ChartSeries *series = chart->series(group))
                    series->setVisible(true);
            }
        }
        return;
    }
    // Each group's points on both charts, shared rather than copied.
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
