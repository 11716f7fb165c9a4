// The detector data view fed as its worker feeds it, and loaded from the servers.
#include "BoxCloser.h"
#include "TestServers.h"
#include "ViewIdle.h"

#include "views/DtView.h"

#include "ChartWidget.h"
#include "GanttSeries.h"
#include "LineSeries.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QSqlQuery>
#include <QTimer>
#include <QtTest>

#include <cmath>
#include <memory>

class DtViewTest : public QObject
{
    Q_OBJECT

private:
    QMutex dbMutex;
    QSqlDatabase offline;
    int connections = 0;

    std::unique_ptr<DtView> makeView(const QStringList &detectors, QSqlDatabase *db = nullptr, uint object = 1)
    {
        auto view = std::make_unique<DtView>(nullptr, object, detectors, db ? db : &offline, &dbMutex);
        view->resize(1000, 500);
        QCoreApplication::processEvents(); // the queued list load starts
        return view;
    }
    static ChartWidget *chart(QWidget *view) { return view->findChild<ChartWidget *>("chart"); }
    static QDateTime at(int h, int m) { return QDateTime(QDate(2024, 3, 6), QTime(h, m)); }
    static double secs(const QDateTime &t) { return t.toMSecsSinceEpoch() / 1000.0; }

    static void value(DtView *view, const QDateTime &t, double v, int index)
    {
        QVERIFY(QMetaObject::invokeMethod(view, "on_db_lumoDt15Data", Q_ARG(QDateTime, t), Q_ARG(double, v),
                                          Q_ARG(int, index)));
    }
    static void state(DtView *view, const QDateTime &t, int s)
    {
        QVERIFY(QMetaObject::invokeMethod(view, "on_db_lumoDt15StateData", Q_ARG(QDateTime, t), Q_ARG(int, s)));
    }
    static void reload(DtView *view)
    {
        QVERIFY(QMetaObject::invokeMethod(view, "on_updateData_clicked", Q_ARG(bool, false)));
    }
    // Points of a curve; a NaN value (a gap) is kept as NaN.
    static QVector<QPointF> points(ChartWidget *c, int id)
    {
        QVector<QPointF> result;
        auto *line = qobject_cast<LineSeries *>(c->series(id));
        for (int i = 0; line && i < line->pointsCount(); ++i)
            result << line->point(i);
        return result;
    }

private slots:
    void initTestCase()
    {
        qRegisterMetaType<LogMessageType>("LogMessageType");
        offline = QSqlDatabase::addDatabase("QPSQL", "offline");
        offline.setHostName("127.0.0.1");
        offline.setPort(1);
    }

    // Each sample after the first gives the bar since the one before it, in
    // its own state, also a sample that follows an unknown one.
    void healthBars()
    {
        auto view = makeView({"5"});
        int m = 0;
        for (int s : {0, 0, 5, -1, 0, 128, 3, 2 | 8, 127})
            state(view.get(), at(10, m++), s);
        auto *health = qobject_cast<GanttSeries *>(chart(view.get())->series(4));
        QVERIFY(health);
        QCOMPARE(health->name(), QStringLiteral("health"));
        const QStringList texts{"no failure", "failures:1,4", "unknown", "no failure", "failures:",
                                "failures:1,2", "failures:2,5", "failures:1,2,4,5,6,7,8"};
        QCOMPARE(health->barCount(), texts.size());
        for (int i = 0; i < health->barCount(); ++i) {
            const GanttSeries::Bar bar = health->bar(i);
            QCOMPARE(bar.text, texts.at(i));
            QCOMPARE(bar.from, secs(at(10, i)));
            QCOMPARE(bar.to, secs(at(10, i + 1)));
            QCOMPARE(bar.y, -1.0);
        }
        QCOMPARE(health->bar(0).color, QColor(Qt::green));
        QCOMPARE(health->bar(2).color, QColor(Qt::gray));
        QCOMPARE(health->bar(1).color, health->color()); // a failure takes the series colour

        // A refresh starts the strip afresh: the first sample draws nothing.
        reload(view.get());
        state(view.get(), at(11, 0), 1);
        QCOMPARE(qobject_cast<GanttSeries *>(chart(view.get())->series(4))->barCount(), 0);
    }

    void curvesAndVisibility()
    {
        auto view = makeView({"5"});
        value(view.get(), at(10, 0), 100, 0);
        value(view.get(), at(10, 0), 90, 1);
        value(view.get(), at(10, 15), 95, 1);
        value(view.get(), at(10, 0), 80, 5); // not a query of the worker
        ChartWidget *c = chart(view.get());
        QCOMPARE(c->series(1)->name(), QStringLiteral("The characteristic period"));
        QCOMPARE(c->series(2)->name(), QStringLiteral("The selected period"));
        QVERIFY(!c->series(3));
        QCOMPARE(c->vlineCount(), 0); // no "Yesterday" without query 2
        QCOMPARE(points(c, 2), (QVector<QPointF>{{secs(at(10, 0)), 90}, {secs(at(10, 15)), 95}}));

        value(view.get(), at(11, 0), 70, 2);
        QCOMPARE(c->series(3)->name(), QStringLiteral("Yesterday"));
        QCOMPARE(c->vlineCount(), 1);

        // A curve the user hid stays hidden over a refresh; the others show.
        c->series(2)->setVisible(false);
        reload(view.get());
        QVERIFY(!c->series(2));
        for (int index : {0, 1, 2})
            value(view.get(), at(12, 0), 1, index);
        state(view.get(), at(12, 0), 0);
        QVERIFY(c->series(1)->isVisible());
        QVERIFY(!c->series(2)->isVisible());
        QVERIFY(c->series(3)->isVisible());
        QVERIFY(c->series(4)->isVisible());
    }

    void missingSlotsAreGaps()
    {
        auto view = makeView({"5"});
        for (const QTime &t : {QTime(9, 30), QTime(9, 45), QTime(11, 0), QTime(11, 15)})
            value(view.get(), QDateTime(QDate(2024, 3, 6), t), 10, 1);
        const QVector<QPointF> line = points(chart(view.get()), 2);
        QCOMPARE(line.size(), 5);
        QCOMPARE(line.at(2).x(), secs(at(10, 0)));
        QVERIFY(std::isnan(line.at(2).y()));
        QCOMPARE(line.at(3), QPointF(secs(at(11, 0)), 10));
    }

    void weekMode()
    {
        auto view = makeView({"5"});
        auto *grouping = view->findChild<QComboBox *>("grouping");
        QCOMPARE(grouping->count(), 17);
        QCOMPARE(grouping->itemText(16), QStringLiteral("Sundays"));
        view->findChild<QPushButton *>("weekData")->setChecked(true);
        QMetaObject::invokeMethod(view.get(), "on_weekData_clicked", Q_ARG(bool, true));
        QVERIFY(!grouping->isEnabledTo(grouping->parentWidget()));
        QCOMPARE(chart(view.get())->axes()->bottom()->datetimeFormat(), QStringLiteral("dddd\r\nhh:mm"));
        view->findChild<QPushButton *>("dayData")->setChecked(true);
        QMetaObject::invokeMethod(view.get(), "on_dayData_clicked", Q_ARG(bool, true));
        QVERIFY(grouping->isEnabledTo(grouping->parentWidget()));
        QCOMPARE(chart(view.get())->axes()->bottom()->datetimeFormat(), QStringLiteral("hh:mm:ss"));
    }

    void noDetectorsClosesTheDock()
    {
        if (TestServers::available().isEmpty())
            QSKIP("No test servers: run through scripts/dbserver");
        QSqlDatabase db = TestServers::connection(TestServers::available().first(), "dtnone");
        BoxCloser boxes;
        QWidget dock;
        dock.show();
        auto *view = new DtView(&dock, 5, {}, &db, &dbMutex); // object 5 has no detectors
        Q_UNUSED(view);
        QTRY_VERIFY_WITH_TIMEOUT(!dock.isVisible(), 20000);
        QCOMPARE(boxes.texts, QStringList{"The selected object does not have detectors"});
    }

    void fromServer_data()
    {
        TestServers::addServerRows();
    }
    void fromServer()
    {
        if (TestServers::available().isEmpty())
            QSKIP("No test servers: run through scripts/dbserver");
        QFETCH(QString, server);
        const QString name = QStringLiteral("dt%1").arg(++connections);
        QSqlDatabase db = TestServers::connection(server, name);
        QSqlDatabase reference = TestServers::connection(server, name + "ref");
        QVERIFY(reference.open());
        const QDate day = TestServers::day();
        const QString from = day.toString("yyyy-MM-dd");
        const QString to = day.addDays(1).toString("yyyy-MM-dd");

        // The host's three detectors: their combination comes first and is
        // drawn, then every collected detector of the object (4 is not).
        auto view = makeView({"3", "1", "2"}, &db);
        auto *detectors = view->findChild<QComboBox *>("detectors");
        QVERIFY(viewIdle(view.get()));
        QStringList items;
        for (int i = 0; i < detectors->count(); ++i)
            items << detectors->itemText(i);
        QCOMPARE(items, (QStringList{"3+1+2", "1", "2", "3"}));
        QCOMPARE(detectors->currentText(), QStringLiteral("3+1+2"));
        QCOMPARE(view->windowTitle(), QStringLiteral("Data from the detector 3+1+2 for object 1"));

        // Intensity sums over the selection; the selected day is in the past.
        view->findChild<QDateEdit *>("dateEdit")->setDate(day);
        QVERIFY(viewIdle(view.get()));
        QSqlQuery q(reference);
        QVERIFY(q.exec(QStringLiteral("select time,sum(intensity) from dt15 where objectid=1 and detectorid in "
                                      "(1,2,3) and time >= '%1' and time < '%2' group by time order by time")
                           .arg(from, to)));
        QVector<QPointF> expected;
        while (q.next())
            expected << QPointF(secs(q.value(0).toDateTime()), q.value(1).toDouble());
        QVector<QPointF> drawn = points(chart(view.get()), 2);
        drawn.erase(std::remove_if(drawn.begin(), drawn.end(), [](const QPointF &p) { return std::isnan(p.y()); }),
                    drawn.end());
        QCOMPARE(drawn.size(), expected.size());
        for (int i = 0; i < expected.size(); ++i) {
            QCOMPARE(drawn.at(i).x(), expected.at(i).x());
            QVERIFY2(std::abs(drawn.at(i).y() - expected.at(i).y()) < 1e-6, qPrintable(QString::number(i)));
        }
        // The profile of the day type in use (grouping index = day type).
        auto *grouping = view->findChild<QComboBox *>("grouping");
        grouping->setCurrentIndex(11);
        QVERIFY(viewIdle(view.get()));
        QVERIFY(q.exec("select time,sum(intensity) from dt15p where objectid=1 and detectorid in (1,2,3) and "
                       "daytype=11 group by time order by time"));
        QVector<QPointF> profile;
        while (q.next())
            profile << QPointF(secs(QDateTime(day, q.value(0).toTime())), q.value(1).toDouble());
        const QVector<QPointF> characteristic = points(chart(view.get()), 1);
        QCOMPARE(characteristic.size(), 96);
        for (int i = 0; i < profile.size(); ++i) {
            QCOMPARE(characteristic.at(i).x(), profile.at(i).x());
            QVERIFY(std::abs(characteristic.at(i).y() - profile.at(i).y()) < 1e-6);
        }
        QVERIFY(!chart(view.get())->series(3)); // not today: no yesterday

        // Detector 2 alone, occupancy: its missing hour is a gap, not zeros.
        detectors->setCurrentIndex(detectors->findText("2"));
        QTRY_COMPARE(view->windowTitle(), QStringLiteral("Data from the detector 2 for object 1"));
        QVERIFY(viewIdle(view.get()));
        view->findChild<QComboBox *>("parameter")->setCurrentIndex(1);
        QVERIFY(viewIdle(view.get()));
        const QVector<QPointF> occupancy = points(chart(view.get()), 2);
        QVERIFY(occupancy.size() > 80);
        const double gapStart = secs(QDateTime(day, QTime(10, 0)));
        const double gapEnd = secs(QDateTime(day, QTime(10, 45)));
        bool gapSeen = false;
        for (const QPointF &p : occupancy) {
            if (p.x() >= gapStart && p.x() <= gapEnd) {
                QVERIFY2(std::isnan(p.y()), "a missing slot drawn as a value");
                gapSeen = true;
            }
        }
        QVERIFY(gapSeen);
        QVERIFY(q.exec(QStringLiteral("select avg(occupancy) from dt15 where objectid=1 and detectorid=2 and "
                                      "time >= '%1' and time < '%2'").arg(from, to)));
        QVERIFY(q.next());
        double sum = 0;
        int n = 0;
        for (const QPointF &p : occupancy) {
            if (!std::isnan(p.y())) {
                sum += p.y();
                ++n;
            }
        }
        QVERIFY(std::abs(sum / n - q.value(0).toDouble()) < 1e-6);
        q = QSqlQuery();
        view.reset();
    }

    // The generated day with missing values and states: object 2, detectors
    // 1+2, states 0, all NULL, 4 and NULL, 0, no value at 08:30.
    void nullValuesAndStates_data() { fromServer_data(); }
    void nullValuesAndStates()
    {
        if (TestServers::available().isEmpty())
            QSKIP("No test servers: run through scripts/dbserver");
        QFETCH(QString, server);
        QSqlDatabase db = TestServers::connection(server, QStringLiteral("dtnull%1").arg(++connections));
        auto view = makeView({"1", "2"}, &db, 2);
        QVERIFY(viewIdle(view.get()));
        const QDate day = TestServers::day().addDays(-36);
        view->findChild<QDateEdit *>("dateEdit")->setDate(day);
        QVERIFY(viewIdle(view.get()));
        const QVector<QPointF> line = points(chart(view.get()), 2);
        QCOMPARE(line.size(), 4);
        const QVector<double> values{160, 180, qQNaN(), 200};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(line.at(i).x(), secs(QDateTime(day, QTime(8, 15 * i))));
            QVERIFY(std::isnan(values.at(i)) ? std::isnan(line.at(i).y()) : line.at(i).y() == values.at(i));
        }
        auto *health = qobject_cast<GanttSeries *>(chart(view.get())->series(4));
        QStringList texts;
        for (int i = 0; health && i < health->barCount(); ++i)
            texts << health->bar(i).text;
        QCOMPARE(texts, (QStringList{"unknown", "failures:4", "no failure"}));
        view.reset();
    }

    // Raw records of today with yesterday's after the current time, and the
    // quarter-hour profile, which keeps its own step: no gaps between its
    // points. In week mode each day has the profile of its weekday.
    void rawTodayAndWeek_data() { fromServer_data(); }
    void rawTodayAndWeek()
    {
        if (TestServers::available().isEmpty())
            QSKIP("No test servers: run through scripts/dbserver");
        QFETCH(QString, server);
        const QString name = QStringLiteral("dtraw%1").arg(++connections);
        QSqlDatabase db = TestServers::connection(server, name);
        QSqlDatabase reference = TestServers::connection(server, name + "ref");
        QVERIFY(reference.open());
        QSqlQuery q(reference);
        const QString interval = TestServers::isPostgres(server) ? "\"interval\"" : "`interval`";
        const QDate today = QDate::currentDate();
        const auto stamp = [](const QDate &d, const char *time) { return d.toString("yyyy-MM-dd ") + time; };
        // Also what a run that was cut short left behind.
        const auto removeRows = [&] {
            for (const char *table : {"detectors", "dt15p", "detectorsdata"})
                QSqlQuery(reference).exec(QStringLiteral("delete from %1 where objectid=903").arg(table));
        };
        removeRows();
        const auto cleanUp = qScopeGuard(removeRows);
        QVERIFY(q.exec("insert into detectors (objectid,id,collect) values (903,1,true)"));
        QVERIFY(q.exec("insert into dt15p (objectid,detectorid,daytype,time,intensity,occupancy,speed) values "
                       "(903,1,0,'00:00:00',10,1,50),(903,1,0,'00:15:00',20,1,50),(903,1,0,'00:30:00',30,1,50)"));
        QStringList raw;
        for (const QString &t : {stamp(today, "00:01:00"), stamp(today, "00:02:00"), stamp(today, "00:10:00"),
                                 stamp(today.addDays(-1), "23:58:00"), stamp(today.addDays(-1), "23:59:00")})
            raw << QStringLiteral("(903,1,'%1',2,60,5,50,0)").arg(t);
        QVERIFY(q.exec(QStringLiteral("insert into detectorsdata (objectid,detectorid,time,cars,%1,occupancy,speed,"
                                      "state) values %2").arg(interval, raw.join(','))));

        auto view = makeView({"1"}, &db, 903);
        QVERIFY(viewIdle(view.get()));
        view->findChild<QCheckBox *>("rawData")->setChecked(true);
        view->findChild<QPushButton *>("updateData")->click();
        QVERIFY(viewIdle(view.get()));
        ChartWidget *c = chart(view.get());
        const auto at = [](const QDate &d, int h, int m) { return secs(QDateTime(d, QTime(h, m))); };
        QCOMPARE(points(c, 1), (QVector<QPointF>{{at(today, 0, 0), 10}, {at(today, 0, 15), 20}, {at(today, 0, 30), 30}}));
        const QVector<QPointF> selected = points(c, 2);
        QCOMPARE(selected.size(), 4); // 2 cars a minute is 120 an hour; a gap after 00:02
        QCOMPARE(selected.at(1), QPointF(at(today, 0, 2), 120));
        QVERIFY(std::isnan(selected.at(2).y()));
        QCOMPARE(points(c, 3), (QVector<QPointF>{{at(today, 23, 58), 120}, {at(today, 23, 59), 120}}));
        QCOMPARE(c->series(3)->name(), QStringLiteral("Yesterday"));
        QCOMPARE(c->vlineCount(), 1);

        // A week of object 1's detector 1 from the generated day on.
        view = makeView({"1"}, &db);
        QVERIFY(viewIdle(view.get()));
        const QDate day = TestServers::day();
        view->findChild<QDateEdit *>("dateEdit")->setDate(day);
        QVERIFY(viewIdle(view.get()));
        view->findChild<QPushButton *>("weekData")->click();
        QVERIFY(viewIdle(view.get()));
        QVERIFY(q.exec("select daytype,time,intensity from dt15p where objectid=1 and detectorid=1 and daytype>=10"));
        QHash<QPair<int, QTime>, double> profile;
        while (q.next())
            profile.insert({q.value(0).toInt(), q.value(1).toTime()}, q.value(2).toDouble());
        const QVector<QPointF> week = points(chart(view.get()), 1);
        QCOMPARE(week.size(), 7 * 96);
        for (const QPointF &p : week) {
            const QDateTime t = QDateTime::fromMSecsSinceEpoch(qint64(p.x() * 1000));
            QVERIFY(t.date() >= day && t.date() < day.addDays(7));
            const auto key = qMakePair(t.date().dayOfWeek() + 9, t.time());
            QVERIFY2(profile.contains(key) && std::abs(profile.value(key) - p.y()) < 1e-6,
                     qPrintable(t.toString(Qt::ISODate)));
        }
        q = QSqlQuery();
        view.reset();
    }

    void averagesOverSelection_data() { fromServer_data(); }
    void averagesOverSelection()
    {
        if (TestServers::available().isEmpty())
            QSKIP("No test servers: run through scripts/dbserver");
        QFETCH(QString, server);
        const QString name = QStringLiteral("dtavg%1").arg(++connections);
        QSqlDatabase db = TestServers::connection(server, name);
        QSqlDatabase reference = TestServers::connection(server, name + "ref");
        QVERIFY(reference.open());
        const QDate day = TestServers::day();
        auto view = makeView({"1", "3"}, &db);
        QVERIFY(viewIdle(view.get()));
        view->findChild<QComboBox *>("parameter")->setCurrentIndex(2);
        QVERIFY(viewIdle(view.get()));
        view->findChild<QDateEdit *>("dateEdit")->setDate(day.addDays(-9)); // detector 3 has no data that day
        QVERIFY(viewIdle(view.get()));
        QSqlQuery q(reference);
        QVERIFY(q.exec(QStringLiteral("select time,avg(speed) from dt15 where objectid=1 and detectorid in (1,3) and "
                                      "time >= '%1' and time < '%2' group by time order by time")
                           .arg(day.addDays(-9).toString("yyyy-MM-dd"), day.addDays(-8).toString("yyyy-MM-dd"))));
        QMap<double, double> expected;
        while (q.next())
            expected.insert(secs(q.value(0).toDateTime()), q.value(1).toDouble());
        QVERIFY(expected.size() > 80);
        int compared = 0;
        for (const QPointF &p : points(chart(view.get()), 2)) {
            if (std::isnan(p.y()))
                continue;
            QVERIFY(expected.contains(p.x()));
            QVERIFY(std::abs(expected.value(p.x()) - p.y()) < 1e-6);
            ++compared;
        }
        QCOMPARE(compared, expected.size());
        q = QSqlQuery();
        view.reset();
    }
};

QTEST_MAIN(DtViewTest)
#include "tst_dtview.moc"
