// The signal-group view fed as its worker feeds it, and loaded from the servers.
#include "TestServers.h"
#include "ViewIdle.h"

#include "HostKernel.h"
#include "SignalGroupEvent.h"
#include "views/SGView.h"

#include "ChartWidget.h"
#include "LineSeries.h"
#include "PointSeries.h"
#include "cwsimple/Chart.h"
#include "cwsimple/ColorHBoxSeries.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlQuery>
#include <QStackedWidget>
#include <QtTest>

#include <cmath>
#include <ctime>
#include <memory>

class SGViewTest : public QObject
{
    Q_OBJECT

private:
    QMutex dbMutex;
    QSqlDatabase offline;
    int connections = 0;

    std::unique_ptr<SGView> makeView(QSqlDatabase *db = nullptr)
    {
        auto view = std::make_unique<SGView>(nullptr, 1, db ? db : &offline, &dbMutex);
        view->resize(1000, 500);
        QCoreApplication::processEvents(); // the queued first load starts
        return view;
    }
    static ChartWidget *xy(QWidget *v) { return v->findChild<ChartWidget *>("xy_chart"); }
    static ChartWidget *cycles(QWidget *v) { return v->findChild<ChartWidget *>("cycle_chart"); }
    static cwsimple::Chart *timeline(QWidget *v) { return v->findChild<cwsimple::Chart *>("tl_chart"); }
    // A time of the test day: `base` stands for 10:00:00.
    QDateTime base;
    QDateTime at(int h, int m, int s = 0) const { return base.addSecs((h - 10) * 3600 + m * 60 + s); }
    static double secs(const QDateTime &t) { return t.toMSecsSinceEpoch() / 1000.0; }

    static void record(SGView *view, const QDateTime &t, int group, int state)
    {
        QVERIFY(QMetaObject::invokeMethod(view, "on_db_lumoSgData", Q_ARG(QDateTime, t), Q_ARG(int, group),
                                          Q_ARG(int, state)));
    }
    static void complete(SGView *view) { QVERIFY(QMetaObject::invokeMethod(view, "on_db_complete")); }
    static void reload(SGView *view) { QVERIFY(QMetaObject::invokeMethod(view, "on_updateData_clicked", Q_ARG(bool, false))); }

    static QVector<QPointF> points(ChartWidget *chart, int id)
    {
        QVector<QPointF> result;
        auto *series = qobject_cast<PointSeries *>(chart->series(id));
        for (int i = 0; series && i < series->pointsCount(); ++i)
            result << series->pt(i);
        return result;
    }

private slots:
    void initTestCase()
    {
        // Central European time, with its daylight-saving switches.
        qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
        tzset();
        Q_INIT_RESOURCE(LumoView);
        qRegisterMetaType<LogMessageType>("LogMessageType");
        offline = QSqlDatabase::addDatabase("QPSQL", "offline");
        offline.setHostName("127.0.0.1");
        offline.setPort(1);
    }

    void init() { base = QDateTime(QDate(2024, 3, 6), QTime(10, 0)); }

    void periodsCyclesAndBars_data()
    {
        QTest::addColumn<QDateTime>("start");
        QTest::newRow("plain day") << QDateTime(QDate(2024, 3, 6), QTime(10, 0));
        // The second record is the last before the clocks go forward.
        QTest::newRow("daylight saving begins") << QDateTime(QDate(2024, 3, 31), QTime(1, 59, 0));
    }
    void periodsCyclesAndBars()
    {
        QFETCH(QDateTime, start);
        base = start;
        auto view = makeView();
        record(view.get(), at(9, 59), 2, 1); // before its first closed record: ignored
        record(view.get(), at(10, 0, 0), 2, 4);
        record(view.get(), at(10, 0, 30), 2, 1);
        record(view.get(), at(10, 1, 0), 2, 4);
        record(view.get(), at(10, 2, 0), 2, 1);
        record(view.get(), at(10, 2, 20), 2, 4);
        record(view.get(), at(10, 3, 0), 2, 0); // closed to closed: a bar, no point
        record(view.get(), at(10, 0, 0), 7, 0);  // a group that never opens
        complete(view.get());

        QCOMPARE(points(xy(view.get()), 2),
                 (QVector<QPointF>{{secs(at(10, 0, 30)), 30}, {secs(at(10, 2, 0)), 20}}));
        QCOMPARE(points(cycles(view.get()), 2),
                 (QVector<QPointF>{{secs(at(10, 1, 0)), 60}, {secs(at(10, 2, 20)), 80}}));
        QVERIFY(xy(view.get())->series(7));
        QVERIFY(points(xy(view.get()), 7).isEmpty());

        auto *bars = static_cast<cwsimple::ColorHBoxSeries *>(timeline(view.get())->findSeries(1));
        QVERIFY(bars);
        QCOMPARE(bars->barCount(), 5);
        const QVector<QPair<QDateTime, QColor>> expected{{at(10, 0, 0), Qt::red}, {at(10, 0, 30), Qt::green},
                                                         {at(10, 1, 0), Qt::red}, {at(10, 2, 0), Qt::green},
                                                         {at(10, 2, 20), Qt::red}};
        for (int i = 0; i < bars->barCount(); ++i) {
            QCOMPARE(bars->x1(i), secs(expected.at(i).first));
            QCOMPARE(bars->firstColor(i), expected.at(i).second);
            QCOMPARE(bars->y(i), 2.0); // groups 2 and 7: group 2 is the top row
        }
        QCOMPARE(timeline(view.get())->yAxis()->customLabels().value(2.0), QStringLiteral("SG 2"));
        QCOMPARE(timeline(view.get())->yAxis()->customLabels().value(1.0), QStringLiteral("SG 7"));
    }

    void rowsAndGroupsKept()
    {
        auto view = makeView();
        for (int g : {5, 1, 3})
            record(view.get(), at(10, 0), g, 0);
        complete(view.get());
        const auto labels = timeline(view.get())->yAxis()->customLabels();
        QCOMPARE(labels.value(3.0), QStringLiteral("SG 1"));
        QCOMPARE(labels.value(2.0), QStringLiteral("SG 3"));
        QCOMPARE(labels.value(1.0), QStringLiteral("SG 5"));
        // A reload without group 5 still shows its row and series.
        reload(view.get());
        record(view.get(), at(11, 0), 1, 0);
        complete(view.get());
        QVERIFY(xy(view.get())->series(5));
        QVERIFY(cycles(view.get())->series(5));
        QCOMPARE(timeline(view.get())->yAxis()->customLabels().value(1.0), QStringLiteral("SG 5"));
    }

    void stateBarsDrawn()
    {
        auto view = makeView();
        int t = 0;
        for (int s : {0, 2, 16, 20, 32, 9, 0})
            record(view.get(), at(10, 0, t++), 1, s);
        complete(view.get());
        auto *bars = static_cast<cwsimple::ColorHBoxSeries *>(timeline(view.get())->findSeries(1));
        QCOMPARE(bars->barCount(), 6);
        QCOMPARE(bars->firstColor(0), QColor(Qt::black)); // state 0
        QCOMPARE(bars->firstColor(2), QColor(Qt::yellow)); // 16
        QCOMPARE(bars->firstColor(3), QColor(Qt::red));    // 20: red and yellow
        QCOMPARE(bars->secondColor(3), QColor(Qt::yellow));
        QCOMPARE(bars->firstColor(5), QColor(Qt::black)); // 9
        const QImage stripes = QPixmap("://Resources/gb.png").toImage();
        QCOMPARE(stripes.size(), QSize(10, 10));
        QCOMPARE(stripes.pixelColor(0, 0), QColor("#1A6D06"));
        QCOMPARE(stripes.pixelColor(9, 9), QColor(Qt::white));
        QCOMPARE(QPixmap("://Resources/ab.png").toImage().pixelColor(2, 5), QColor("#FFFE0F"));
    }

    void smoothing()
    {
        QCOMPARE(SGView::smoothed({0, 0, 0, 0, 256, 0, 0, 0, 0}),
                 (QVector<double>{1, 8, 28, 56, 70, 56, 28, 8, 1}));
        // Fewer than nine points wrap more than once; a constant stays constant.
        QCOMPARE(SGView::smoothed({5, 5, 5}), (QVector<double>{5, 5, 5}));
        QCOMPARE(SGView::smoothed({256}), (QVector<double>{256}));

        auto view = makeView();
        for (int i = 0; i < 6; ++i) {
            record(view.get(), at(10, i, 0), 1, 4);
            record(view.get(), at(10, i, 10 + i), 1, 1);
        }
        record(view.get(), at(10, 7, 0), 1, 4);
        complete(view.get());
        auto *smooth = view->findChild<QCheckBox *>("averaging");
        smooth->click();
        ChartSeries *own = xy(view.get())->series(1);
        QVERIFY(!own->isVisible());
        LineSeries *line = nullptr;
        for (ChartSeries *s : xy(view.get())->seriesList())
            if (s->name() == "SG 1 (avg)")
                line = qobject_cast<LineSeries *>(s);
        QVERIFY(line);
        QCOMPARE(line->pointsCount(), own->pointsCount());
        QCOMPARE(line->color(), own->color());
        smooth->click();
        QVERIFY(own->isVisible());
        for (ChartSeries *s : xy(view.get())->seriesList())
            QVERIFY(!s->name().endsWith(" (avg)"));
    }

    // The offline worker keeps the view loading, so the slots are called as
    // the buttons would call them.
    void modesAndPages()
    {
        auto view = makeView();
        auto *edit = view->findChild<QDateTimeEdit *>("dateTimeEdit");
        edit->setDateTime(QDateTime(QDate(2024, 3, 6), QTime(14, 35))); // a Wednesday
        QMetaObject::invokeMethod(view.get(), "on_weekData_clicked", Q_ARG(bool, true));
        QCOMPARE(edit->dateTime(), QDateTime(QDate(2024, 3, 4), QTime(0, 0)));
        edit->setDateTime(QDateTime(QDate(2024, 3, 4), QTime(14, 35))); // a Monday
        QMetaObject::invokeMethod(view.get(), "on_dayData_clicked", Q_ARG(bool, true));
        QCOMPARE(edit->dateTime(), QDateTime(QDate(2024, 3, 4), QTime(0, 0)));
        edit->setDateTime(QDateTime(QDate(2024, 3, 4), QTime(14, 35)));
        QMetaObject::invokeMethod(view.get(), "on_weekData_clicked", Q_ARG(bool, true));
        QCOMPARE(edit->dateTime(), QDateTime(QDate(2024, 3, 4), QTime(14, 35)));
        QCOMPARE(xy(view.get())->axes()->bottom()->datetimeFormat(), QStringLiteral("ddd\r\nhh:mm:ss"));
        QMetaObject::invokeMethod(view.get(), "on_hourData_clicked", Q_ARG(bool, true));
        QCOMPARE(edit->dateTime(), QDateTime(QDate(2024, 3, 4), QTime(14, 0)));

        auto *smooth = view->findChild<QCheckBox *>("averaging");
        auto *stack = view->findChild<QStackedWidget *>("stackedWidget");
        view->show();
        QMetaObject::invokeMethod(view.get(), "on_timeline_clicked", Q_ARG(bool, true));
        QCOMPARE(stack->currentWidget()->objectName(), QStringLiteral("timeline_page"));
        QVERIFY(smooth->isHidden());
        QMetaObject::invokeMethod(view.get(), "on_cycles_clicked", Q_ARG(bool, true));
        QCOMPARE(stack->currentWidget()->objectName(), QStringLiteral("cycle_page"));
        QVERIFY(!smooth->isHidden());
    }

    // An hour and a week from the servers: open periods as computed here
    // from the stored events, and for the week (which holds the generated
    // day's signal groups) the cycle chart and the timeline.
    void fromServer_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<bool>("week");
        for (const QString &server : TestServers::available()) {
            QTest::newRow(qPrintable(server + " hour")) << server << false;
            QTest::newRow(qPrintable(server + " week")) << server << true;
        }
    }
    void fromServer()
    {
        if (TestServers::available().isEmpty())
            QSKIP("No test servers: run through scripts/dbserver");
        QFETCH(QString, server);
        QFETCH(bool, week);
        auto *kernel = new Road::Kernel(QCoreApplication::instance());
        QSqlDatabase db = TestServers::connection(server, QStringLiteral("sg%1").arg(++connections));
        auto view = makeView(&db);
        auto *refresh = view->findChild<QPushButton *>("updateData");
        QTRY_VERIFY_WITH_TIMEOUT(refresh->isEnabled(), 20000);
        if (week) {
            view->findChild<QPushButton *>("weekData")->click();
            QVERIFY(viewIdle(view.get()));
        }
        const QDateTime start = week ? QDateTime(TestServers::day().addDays(1 - TestServers::day().dayOfWeek()), QTime(0, 0))
                                     : QDateTime(TestServers::day(), QTime(8, 0));
        view->findChild<QDateTimeEdit *>("dateTimeEdit")->setDateTime(start);
        refresh->click();
        QVERIFY(viewIdle(view.get(), 60000));
        const QDateTime end = week ? start.addDays(7) : start.addSecs(3600);

        // Open periods computed here from the stored events of the hour.
        QSqlDatabase reference = TestServers::connection(server, QStringLiteral("sgref%1").arg(connections));
        QVERIFY(reference.open());
        QSqlQuery q(reference);
        QVERIFY(q.exec(QStringLiteral("select time,data from events where objectid=1 and type=7 and value=5 and "
                                      "time >= '%1' and time < '%2' order by time")
                           .arg(start.toString("yyyy-MM-dd hh:mm:ss"), end.toString("yyyy-MM-dd hh:mm:ss"))));
        QMap<int, QVector<QPointF>> expected;
        QMap<int, QPair<QDateTime, int>> last; // tracked groups: time it opened, state
        while (q.next()) {
            int group = 0, state = 0;
            QVERIFY(SignalGroupEvent::decode(q.value(1).toByteArray(), &group, &state));
            const QDateTime t = q.value(0).toDateTime();
            const bool open = state >= 1 && state <= 3;
            if (!last.contains(group)) {
                if (!open)
                    last.insert(group, {QDateTime(), state});
                continue;
            }
            auto &tracked = last[group];
            const bool wasOpen = tracked.second >= 1 && tracked.second <= 3;
            if (!wasOpen && open)
                tracked.first = t;
            else if (wasOpen && !open)
                expected[group] << QPointF(secs(tracked.first), tracked.first.secsTo(t));
            tracked.second = state;
        }
        QVERIFY(expected.size() >= 2);
        for (auto it = expected.cbegin(); it != expected.cend(); ++it)
            QCOMPARE(points(xy(view.get()), it.key()), it.value());

        // The generated groups keep the cycle of the time-of-day plan, 120 s
        // from 07:00 to 10:00, give or take the 2 s their green varies; the
        // first point of a group counts from its first closed record.
        const auto *bars = static_cast<cwsimple::ColorHBoxSeries *>(timeline(view.get())->findSeries(1));
        QVERIFY(bars);
        for (int group : expected.keys()) {
            const QVector<QPointF> lengths = points(cycles(view.get()), group);
            QVERIFY(lengths.size() >= 25);
            for (int i = 1; i < lengths.size(); ++i)
                QVERIFY2(std::abs(lengths.at(i).y() - 120) <= 2, qPrintable(QString::number(lengths.at(i).y())));
            // The group's row of the timeline: one bar after the other.
            const double row = timeline(view.get())->yAxis()->customLabels().key(QStringLiteral("SG %1").arg(group));
            QVector<QPair<double, double>> spans;
            for (int i = 0; i < bars->barCount(); ++i) {
                if (bars->y(i) == row)
                    spans << qMakePair(bars->x1(i), bars->x2(i));
            }
            QVERIFY(spans.size() >= 3 * lengths.size());
            for (int i = 1; i < spans.size(); ++i)
                QCOMPARE(spans.at(i).first, spans.at(i - 1).second);
        }
        q = QSqlQuery();
        view.reset();
        delete kernel;
    }
};

QTEST_MAIN(SGViewTest)
#include "tst_sgview.moc"
