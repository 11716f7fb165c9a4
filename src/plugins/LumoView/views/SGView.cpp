#include "SGView.h"

#include "ChartWidget.h"
#include "views/CsvExportAction.h"
#include "LineSeries.h"
#include "PointSeries.h"
#include "cwsimple/Chart.h"
#include "cwsimple/ColorHBoxSeries.h"
#include "WallClock.h"

#include "views/DayNavigator.h"
#include "views/ToolRow.h"
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QHash>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

double seconds(qint64 msecs)
{
    return msecs / 1000.0;
}

bool isOpen(int state)
{
    return state >= 1 && state <= 3;
}

// A group's state while a load is evaluated; times in milliseconds as
// written (WallClock). A group is first tracked in a closed state, so
// openSince is set before it is read.
struct GroupTracker
{
    qint64 openSince = 0;
    qint64 closedSince = 0;
    qint64 changedAt = 0;
    int state = 0;
    int cycleSum = 0;
    bool cycleHalf = false;
};

} // namespace

SGView::SGView(QWidget *parent, uint object_id, QSqlDatabase *db, QMutex *dbMutex)
    : LumoWidget(parent, object_id, db, dbMutex)
    , greenStripes(QStringLiteral("://Resources/gb.png"))
    , amberStripes(QStringLiteral("://Resources/ab.png"))
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

SGView::~SGView() = default;

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
    records.clear();
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
    for (QWidget *w : std::initializer_list<QWidget *>{xyChart, cycleChart, tlChart, frame})
        w->setEnabled(false);
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
    std::sort(sgIds.begin(), sgIds.end());
    const int n = sgIds.size();
    QHash<int, int> rowOf;
    for (int j = 0; j < n; ++j) {
        const int group = sgIds.at(j);
        const int row = n - j;
        rowOf.insert(group, row);
        const QString label = tr("SG %1").arg(group);
        tlChart->yAxis()->setCustomLabel(row, label);
        for (ChartWidget *chart : {xyChart, cycleChart}) {
            // Built once per load: a second completion keeps what is there.
            if (chart->series(group))
                continue;
            auto *series = new PointSeries(1);
            series->setName(label);
            chart->addSeries(series, group);
        }
    }

    auto *bars = static_cast<cwsimple::ColorHBoxSeries *>(tlChart->findSeries(1));
    if (!bars) {
        bars = new cwsimple::ColorHBoxSeries;
        bars->setShowLength(true);
        tlChart->addSeries(bars, 1);
    }

    QHash<int, GroupTracker> trackers;
    for (const StateRecord &record : records) {
        const int g = record.sg_id;
        const int s = record.state;
        const qint64 t = record.msecs;
        auto it = trackers.find(g);
        if (it == trackers.end()) {
            if (s == 0 || s == 4) {
                GroupTracker tracker;
                tracker.closedSince = tracker.changedAt = t;
                tracker.state = s;
                trackers.insert(g, tracker);
            }
            continue;
        }
        GroupTracker &tracker = it.value();
        const bool wasOpen = isOpen(tracker.state);
        const bool nowOpen = isOpen(s);
        if (s != tracker.state) {
            addStateBar(bars, seconds(tracker.changedAt), seconds(t), rowOf.value(g), tracker.state);
            tracker.state = s;
            tracker.changedAt = t;
        }
        if (wasOpen == nowOpen)
            continue;
        int d;
        if (nowOpen) {
            d = int((t - tracker.closedSince) / 1000);
            tracker.openSince = t;
        } else {
            d = int((t - tracker.openSince) / 1000);
            if (auto *xy = static_cast<PointSeries *>(xyChart->series(g)))
                xy->addXY(seconds(tracker.openSince), d);
            tracker.closedSince = t;
        }
        tracker.cycleSum += d;
        if (tracker.cycleHalf) {
            if (auto *cycle = static_cast<PointSeries *>(cycleChart->series(g)))
                cycle->addXY(seconds(t), tracker.cycleSum);
            tracker.cycleSum = 0;
            tracker.cycleHalf = false;
        } else {
            tracker.cycleHalf = true;
        }
    }
    // Evaluated once: a second completion (the worker ending) adds nothing.
    records.clear();
    records.shrink_to_fit();

    for (QWidget *w : std::initializer_list<QWidget *>{xyChart, tlChart, cycleChart, frame})
        w->setEnabled(true);
    if (averaging->isChecked())
        on_averaging_clicked(true);
}

void SGView::addStateBar(cwsimple::ColorHBoxSeries *bars, double x1, double x2, double y, int state) const
{
    switch (state) {
    case 1:
        bars->addBar(x1, x2, y, QColor(Qt::green));
        break;
    case 2:
    case 3:
        bars->addBar(x1, x2, y, greenStripes);
        break;
    case 4:
        bars->addBar(x1, x2, y, QColor(Qt::red));
        break;
    case 16:
        bars->addBar(x1, x2, y, QColor(Qt::yellow));
        break;
    case 20:
        bars->addBar(x1, x2, y, QColor(Qt::red), QColor(Qt::yellow));
        break;
    case 32:
        bars->addBar(x1, x2, y, amberStripes);
        break;
    default:
        bars->addBar(x1, x2, y, QColor(Qt::black));
        break;
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

void SGView::smoothChart(ChartWidget *chart, QList<int> &avgIds)
{
    for (int group : qAsConst(sgIds)) {
        auto *series = static_cast<PointSeries *>(chart->series(group));
        if (!series)
            continue;
        const int m = series->pointsCount();
        QVector<double> xs(m);
        QVector<double> ys(m);
        for (int i = 0; i < m; ++i) {
            const QPointF p = series->pt(i);
            xs[i] = p.x();
            ys[i] = p.y();
        }
        auto *line = new LineSeries;
        line->setName(series->name() + tr(" (avg)"));
        line->setWidth(2);
        line->setColor(series->color());
        avgIds.append(chart->addSeries(line));
        line->addPoints(xs, smoothed(ys));
        series->setVisible(false);
    }
}

void SGView::on_averaging_clicked(bool checked)
{
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
    smoothChart(xyChart, xyAvgSeries);
    smoothChart(cycleChart, cycleAvgSeries);
}
