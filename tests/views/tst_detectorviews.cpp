// The detector views: detector data, statistics, the rejection chart and the
// health history, fed as their workers feed them and loaded from the servers.
#include "BoxCloser.h"
#include "ViewTest.h"

#include "BoxAndWhiskersSeries.h"
#include "HighLowSeries.h"
#include "WallClock.h"

#include <QDockWidget>
#include <QPointer>
#include <QSpinBox>
#include <QtTest>

#include <algorithm>

namespace {

// A detector selection on a past day.
struct Selection
{
    uint object;
    QList<int> detectors;
    int parameter, dayType, weeks, daysBack;
    QStringList health; // the health strip where it is known
};

struct Record
{
    QTime time;
    int occupancy, cars, interval;
    // The faults with the detector's own parameters (alpha 60°, beta 40°,
    // tp 0.5, kc 0.2), and with the global ones (88.8°, 88.6°, 0.3, 0.15).
    QList<int> own, global;
};

// For upper limits 100 at 07:00, 300 at 09:00, 0 from 10:00 to 11:00, 400
// at 12:00 and lower limits 20 from 07:00 to 15:00: records on, just inside
// and just outside each limit and border.
const QVector<Record> records{
    {QTime(6, 0), 5, 2, 60, {5, 6}, {5}}, // before the first limit point: 100 holds
    {QTime(8, 0), 0, 0, 60, {1, 8}, {1, 8}}, // no cars, limit 200 interpolated
    {QTime(10, 30), 0, 0, 60, {8}, {8}}, // no cars where the upper limit is 0: no fault 1
    {QTime(11, 30), 20, 0, 60, {2}, {2}}, // no cars but occupied: fault 2 alone
    {QTime(8, 0), 50, 3, 60, {6}, {4}}, // 180 just under the interpolated 200
    {QTime(8, 0), 50, 10, 180, {6}, {4}}, // 200: on the limit
    {QTime(8, 0), 60, 11, 180, {5, 6}, {5, 4}}, // 220: just over it
    {QTime(7, 0), 90, 1, 180, {7}, {4}}, // 20 on the lower limit
    {QTime(7, 0), 90, 1, 181, {8, 7}, {8, 4}}, // just under it
    {QTime(16, 0), 30, 40, 60, {6}, {6}}, // after the last upper point: no fault 5
    {QTime(9, 0), 10, 17, 3600, {8}, {8}}, // 17 < 10·tan 60° = 17.32: inside the left border
    {QTime(9, 0), 10, 18, 3600, {8, 6}, {8}}, // 18 > 17.32
    {QTime(9, 0), 80, 16, 3600, {8, 4}, {8, 4}}, // 16 < 20·tan 40° = 16.78
    {QTime(9, 0), 80, 17, 3600, {8, 7}, {8, 4}}, // 17 > 16.78
    {QTime(9, 30), 50, 10, 60, {5, 6}, {5, 4}}, // 600; d = 30-5-55·0.2 = 14 with the own parameters
    {QTime(9, 30), 20, 1, 60, {6}, {4}}, // d = 12-0.5-59.5·0.2 = -0.4
    {QTime(12, 15), 45, 30, 60, {6}, {4}}}; // between 0 and 400

QVector<QPointF> sorted(QVector<QPointF> v)
{
    std::sort(v.begin(), v.end(), [](const QPointF &a, const QPointF &b) {
        return a.x() != b.x() ? a.x() < b.x() : a.y() < b.y();
    });
    return v;
}

// Min, Tukey's hinges (the middle value in both halves) around the median, max.
QVector<double> fiveNumbers(QVector<double> v)
{
    std::sort(v.begin(), v.end());
    const auto median = [&v](int begin, int end) {
        return (v.at(begin + (end - begin - 1) / 2) + v.at(begin + (end - begin) / 2)) / 2;
    };
    const int n = v.size();
    return {v.first(), median(0, (n + 1) / 2), median(0, n), median(n / 2, n), v.last()};
}

} // namespace

Q_DECLARE_METATYPE(Selection)

class DetectorViewsTest : public ViewTest
{
    Q_OBJECT

private:
    static QDateTime at(int h, int m) { return QDateTime(QDate(2024, 3, 6), QTime(h, m)); }
    // A curve of (time, value) rows: a NULL value is a gap (-1), and so is a
    // missing quarter hour, drawn a quarter hour after the last point.
    static QVector<QPointF> curve(const QVector<QVariantList> &rows, const QDate &day)
    {
        QVector<QPointF> result;
        for (const QVariantList &row : rows) {
            const QDateTime t = row.at(0).toDateTime(); // or a time of `day`
            const double x = secs(t.isValid() ? t : QDateTime(day, row.at(0).toTime()));
            if (!result.isEmpty() && x - result.last().x() > 900 * 1.5)
                result << QPointF(result.last().x() + 900, -1);
            result << QPointF(x, row.at(1).isNull() ? -1 : row.at(1).toDouble());
        }
        return result;
    }
    static QStringList healthTexts(ChartWidget *c)
    {
        QStringList texts;
        auto *health = qobject_cast<GanttSeries *>(series(c, "health"));
        for (int i = 0; health && i < health->barCount(); ++i)
            texts << health->bar(i).text;
        return texts;
    }
    QStringList column(const QString &statement)
    {
        QStringList texts;
        for (const QVariantList &row : rows(statement))
            texts << row.at(0).toString();
        return texts;
    }

private slots:
    // A missing slot is a gap; a hidden curve stays hidden over a refresh.
    // A health sample is a bar since the one before it, in its own state.
    void detectorDataFed()
    {
        use();
        auto view = opened(facade.createDtWidget(1, {5}));
        ChartWidget *c = chart(view.get());
        deliver(view.get(), "on_db_lumoDt15Data", at(10, 0), 100.0, 0);
        for (const QTime &t : {QTime(9, 30), QTime(9, 45), QTime(11, 0)})
            deliver(view.get(), "on_db_lumoDt15Data", QDateTime(at(0, 0).date(), t), 10.0, 1);
        deliver(view.get(), "on_db_lumoDt15Data", at(10, 0), 80.0, 5); // not a query of the worker
        QVERIFY(!c->series(3) && c->vlineCount() == 0); // no "Yesterday" without its query
        QCOMPARE(points(c->series(2), -1), (QVector<QPointF>{{secs(at(9, 30)), 10}, {secs(at(9, 45)), 10},
                                                              {secs(at(10, 0)), -1}, {secs(at(11, 0)), 10}}));
        deliver(view.get(), "on_db_lumoDt15Data", at(11, 0), 70.0, 2);
        QVERIFY(c->series(3)->name() == "Yesterday" && c->vlineCount() == 1);

        int m = 0;
        for (int s : {0, 0, 5, -1, 0, 128, 3, 2 | 8, 127})
            deliver(view.get(), "on_db_lumoDt15StateData", at(10, m++), s);
        QCOMPARE(healthTexts(c), (QStringList{"no failure", "failures:1,4", "unknown", "no failure", "failures:",
                                              "failures:1,2", "failures:2,5", "failures:1,2,4,5,6,7,8"}));
        auto *health = qobject_cast<GanttSeries *>(c->series(4));
        for (int i = 0; i < health->barCount(); ++i)
            QCOMPARE(QVector<double>({health->bar(i).from, health->bar(i).to, health->bar(i).y}),
                     QVector<double>({secs(at(10, i)), secs(at(10, i + 1)), -1}));
        QCOMPARE(health->bar(0).color, QColor(Qt::green));
        QCOMPARE(health->bar(2).color, QColor(Qt::gray));
        QCOMPARE(health->bar(1).color, health->color()); // a failure takes the series colour

        c->series(2)->setVisible(false);
        deliver(view.get(), "on_updateData_clicked", false);
        for (int index : {0, 1, 2})
            deliver(view.get(), "on_db_lumoDt15Data", at(12, 0), 1.0, index);
        deliver(view.get(), "on_db_lumoDt15StateData", at(12, 0), 1);
        QVERIFY(c->series(1)->isVisible() && !c->series(2)->isVisible() && c->series(3)->isVisible());
        QVERIFY(c->series(4)->isVisible() && healthTexts(c).isEmpty());
    }

    void fromServer_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<Selection>("chosen");
        for (const QString &s : TestServers::available()) {
            QTest::newRow(qPrintable(s + ": intensity of 3, 4 weeks")) << s << Selection{1, {3, 1, 2}, 0, 11, 4, 0, {}};
            // Detector 2 misses an hour of the generated day.
            QTest::newRow(qPrintable(s + ": occupancy of 1, 1 day")) << s << Selection{1, {2}, 1, 0, 0, 0, {}};
            QTest::newRow(qPrintable(s + ": speed, 1 without data")) << s << Selection{1, {1, 3}, 2, 0, 1, 9, {}};
            // Generated on object 2 from 08:00: states 0, all NULL, 4 and NULL, 0; no value at 08:30.
            // 8, 7, 6 and 5 values per time of day: halves of even and odd counts.
            QTest::newRow(qPrintable(s + ": quartiles of eight weeks")) << s << Selection{7, {1}, 0, 0, 7, 0, {}};
            QTest::newRow(qPrintable(s + ": missing values and states"))
                << s << Selection{2, {1, 2}, 0, 0, 0, 36, {"unknown", "failures:4", "no failure"}};
        }
    }

    // A detector selection (intensity summed, the others averaged) against
    // the server's rows: the day and its day type's profile; candles of the
    // weekday over the weeks asked for, a band of 1.5 quartile distances.
    void fromServer()
    {
        USE_ROW_SERVER();
        QFETCH(Selection, chosen);
        const QDate day = TestServers::day().addDays(-chosen.daysBack);
        QStringList numbers, weekdays;
        for (int d : chosen.detectors)
            numbers << QString::number(d);
        for (int w = 0; w <= chosen.weeks; ++w)
            weekdays << sqlDay(day.addDays(-7 * w));
        const QString statement = QStringLiteral("select time,%1(%2) from %3 where objectid=%4 and detectorid in (%5) "
                                                 "and %6 group by time order by time")
                                      .arg(chosen.parameter ? "avg" : "sum")
                                      .arg(QStringList{"intensity", "occupancy", "speed"}.at(chosen.parameter));
        const auto selected = [&](const char *table, const QString &condition) {
            return rows(statement.arg(table).arg(chosen.object).arg(numbers.join(','), condition));
        };
        const auto checkHealth = [&](ChartWidget *c) {
            const auto *strip = qobject_cast<GanttSeries *>(series(c, "health"));
            QVERIFY(chosen.health.isEmpty()
                    || (healthTexts(c) == chosen.health && strip->bar(0).from == secs(QDateTime(day, QTime(8, 0)))));
        };

        auto view = loaded(facade.createDtWidget(chosen.object, chosen.detectors));
        QCOMPARE(texts(view->findChild<QComboBox *>("detectors")),
                 (numbers.size() > 1 ? QStringList{numbers.join('+')} : QStringList())
                     + column(QStringLiteral("select id from detectors where objectid=%1 and collect order by id")
                                .arg(chosen.object)));
        QCOMPARE(view->windowTitle(),
                 QString("Data from the detector %1 for object %2").arg(numbers.join('+')).arg(chosen.object));
        for (const QPair<QString, int> &choice :
             QVector<QPair<QString, int>>{{"parameter", chosen.parameter}, {"grouping", chosen.dayType}}) {
            auto *box = view->findChild<QComboBox *>(choice.first);
            if (box->currentIndex() != choice.second)
                QVERIFY(viewReloaded(view.get(), [=] { box->setCurrentIndex(choice.second); }));
        }
        QVERIFY(showDate(view.get(), day));
        ChartWidget *c = chart(view.get());
        const QString ofDay = QStringLiteral("time >= %1 and time < %2").arg(sqlDay(day), sqlDay(day.addDays(1)));
        compare(points(c->series(2), -1), curve(selected("dt15", ofDay), day));
        compare(points(c->series(1), -1), curve(selected("dt15p", "daytype=" + QString::number(chosen.dayType)), day));
        QVERIFY(!c->series(3)); // not today: no yesterday
        checkHealth(c);
        checkExport(view.get());

        view = loaded(facade.createDtStatWidget(chosen.object, chosen.detectors));
        view->findChild<QSpinBox *>("deepness")->setValue(chosen.weeks);
        view->findChild<QComboBox *>("parameter")->setCurrentIndex(chosen.parameter);
        // A changed date reloads by itself, and Refresh is then refused.
        QVERIFY(viewLoaded(view.get()) && viewReloaded(view.get(), [&] {
            view->findChild<QDateEdit *>("dateEdit")->setDate(day);
            view->findChild<QPushButton *>("updateData")->click();
        }));
        QCOMPARE(view->findChild<QComboBox *>("detectors")->currentText(), numbers.join('+'));
        QMap<QTime, QVector<double>> history;
        for (const QVariantList &row : selected("dt15", "cast(time as date) in (" + weekdays.join(',') + ')')) {
            if (!row.at(1).isNull())
                history[row.at(0).toDateTime().time()] << row.at(1).toDouble();
        }
        c = chart(view.get());
        auto *candles = qobject_cast<BoxAndWhiskersSeries *>(c->series(1));
        auto *band = qobject_cast<HighLowSeries *>(c->series(2));
        QCOMPARE(candles->pointsCount(), history.size());
        int i = 0;
        for (auto it = history.cbegin(); it != history.cend(); ++it, ++i) {
            const BoxAndWhiskersSeries::Candle candle = candles->candle(i);
            const QVector<double> n = fiveNumbers(it.value());
            const double d = 1.5 * (n.at(3) - n.at(1));
            compare({{candle.x, candle.min}, {candle.q1, candle.median}, {candle.q3, candle.max},
                     {band->lowAt(i), band->highAt(i)}},
                    {{secs(QDateTime(day, it.key())), n.at(0)}, {n.at(1), n.at(2)}, {n.at(3), n.at(4)},
                     {std::max(0.0, n.at(1) - d), n.at(3) + d}});
        }
        compare(points(c->series(3), -1), curve(selected("dt15", ofDay), day));
        checkHealth(c);
        checkExport(view.get());
        QVERIFY(!c->series(4)->isVisible());
        c->series(4)->setVisible(true);
        QVERIFY(click(view.get(), "updateData") && !c->series(4)->isVisible());
    }

    // Raw records of today (gaps of five minutes), yesterday's after now and
    // the quarter-hour profile; in week mode the profiles of the weekdays.
    void detectorDataRawTodayAndWeek_data() { TestServers::addServerRows(); }
    void detectorDataRawTodayAndWeek()
    {
        USE_ROW_SERVER();
        const QDate today = QDate::currentDate();
        const auto cleanUp = ownRows(903, {"detectors", "dt15p", "detectorsdata"});
        QStringList raw;
        for (const QDateTime &t : {QDateTime(today, QTime(0, 1)), QDateTime(today, QTime(0, 2)),
                                   QDateTime(today, QTime(0, 10)), QDateTime(today.addDays(-1), QTime(23, 58)),
                                   QDateTime(today.addDays(-1), QTime(23, 59))})
            raw << QStringLiteral("(903,1,'%1',%2,5,50,0)")
                       .arg(t.toString("yyyy-MM-dd hh:mm:ss"), t.time() == QTime(0, 2) ? "1,7" : "2,60");
        QVERIFY(run("insert into detectors (objectid,id,collect) values (903,1,true)"));
        QVERIFY(run("insert into dt15p (objectid,detectorid,daytype,time,intensity,occupancy,speed) values "
                    "(903,1,0,'00:00:00',10,1,50),(903,1,0,'00:15:00',20,1,50),(903,1,0,'00:30:00',30,1,50)"));
        QVERIFY(run(QStringLiteral("insert into detectorsdata (objectid,detectorid,time,cars,%1,occupancy,speed,state) "
                                   "values %2").arg(quoted("interval"), raw.join(','))));

        auto view = loaded(facade.createDtWidget(903, {1}));
        view->findChild<QCheckBox *>("rawData")->setChecked(true);
        QVERIFY(click(view.get(), "updateData"));
        ChartWidget *c = chart(view.get());
        const auto on = [today](int h, int m) { return secs(QDateTime(today, QTime(h, m))); };
        QCOMPARE(points(c->series(1)), (QVector<QPointF>{{on(0, 0), 10}, {on(0, 15), 20}, {on(0, 30), 30}}));
        // 2 cars a minute are 120 an hour; 1 car in 7 s is no whole number,
        // nor one of a few decimals.
        const QVector<QPointF> expected{{on(0, 1), 120}, {on(0, 2), 3600.0 / 7}, {on(0, 7), -1}, {on(0, 10), 120}};
        QCOMPARE(points(c->series(2), -1), expected);
        QCOMPARE(points(c->series(3)), (QVector<QPointF>{{on(23, 58), 120}, {on(23, 59), 120}}));
        QCOMPARE(c->series(3)->name(), QStringLiteral("Yesterday"));
        QCOMPARE(c->vlineCount(), 1);

        const QDate day = TestServers::day();
        view = loaded(facade.createDtWidget(1, {1}));
        QVERIFY(showDate(view.get(), day) && click(view.get(), "weekData"));
        QVERIFY(!view->findChild<QComboBox *>("grouping")->isEnabled());
        QHash<QPair<int, QTime>, double> profile;
        for (const QVariantList &row : rows("select daytype,time,intensity from dt15p where objectid=1 and "
                                            "detectorid=1 and daytype>=10"))
            profile.insert({row.at(0).toInt(), row.at(1).toTime()}, row.at(2).toDouble());
        const QVector<QPointF> week = points(chart(view.get())->series(1));
        QCOMPARE(week.size(), 7 * 96);
        for (const QPointF &p : week) {
            const QDateTime t = WallClock::fromKey(p.x());
            const auto key = qMakePair(t.date().dayOfWeek() + 9, t.time());
            QVERIFY2(t.date() >= day && t.date() < day.addDays(7) && profile.contains(key)
                         && std::abs(profile.value(key) - p.y()) < 1e-6,
                     qPrintable(t.toString()));
        }
    }

    void faultClassification_data() { TestServers::addServerRows({"with a global row", "without a global row"}); }

    // Object 77 (the test's own) on a Wednesday, whose lowest day type's
    // limits count; detector 2 takes the global parameters, where there are.
    void faultClassification()
    {
        USE_ROW_SERVER();
        QFETCH(QString, kind);
        const bool globalRow = kind == "with a global row";
        const QDate day(2024, 3, 6);
        const auto cleanUp = ownRows(77, {"detectors", "detectorsdata", "uplimits", "downlimits"});
        const QVector<QVariantList> saved = rows("select alpha,beta,tp,kc from globdt");
        const auto restore = qScopeGuard([&] {
            run("delete from globdt");
            for (const QVariantList &row : saved)
                run(QStringLiteral("insert into globdt (alpha,beta,tp,kc) values (%1,%2,%3,%4)")
                        .arg(row[0].toString(), row[1].toString(), row[2].toString(), row[3].toString()));
        });
        QVERIFY(run("delete from globdt"));
        QVERIFY(!globalRow || run("insert into globdt (alpha,beta,tp,kc) values (88.8,88.6,0.3,0.15)"));
        QVERIFY(run("insert into detectors (objectid,id,collect,useglobalparam,alpha,beta,tp,kc) "
                    "values (77,1,true,0,60,40,0.5,0.2),(77,2,true,1,1,1,0,0)"));
        QStringList upper, lower, data;
        for (const QString &type : column(QStringLiteral("select daytype from analysisdaytypes where weekday=%1 "
                                                         "order by daytype").arg(day.dayOfWeek()))) {
            // The other day types of the weekday have limits that would change every answer.
            const bool used = upper.isEmpty();
            for (int dt = 1; dt <= 2; ++dt) {
                const QString row = QStringLiteral("(77,%1,%2,%3,%4)").arg(dt).arg(type);
                for (const QPoint &limit : QVector<QPoint>{{420, 100}, {540, 300}, {600, 0}, {660, 0}, {720, 400}})
                    upper << row.arg(limit.x()).arg(used ? limit.y() : 5000);
                for (int minute : {420, 900})
                    lower << row.arg(minute).arg(used ? 20 : 0);
            }
        }
        QVERIFY(upper.size() > 10);
        for (const Record &r : records)
            for (int dt = 1; dt <= 2; ++dt)
                data << QStringLiteral("(77,%1,'%2',%3,%4,%5,50,0)").arg(dt)
                            .arg(QDateTime(day, r.time).toString("yyyy-MM-dd hh:mm:ss"))
                            .arg(r.cars).arg(r.interval).arg(r.occupancy);
        QVERIFY(run(QStringLiteral("insert into uplimits (objectid,detectorid,daytype,time_offset,%1) values %2")
                        .arg(quoted("limit"), upper.join(','))));
        QVERIFY(run(QStringLiteral("insert into downlimits (objectid,detectorid,daytype,time_offset,%1) values %2")
                        .arg(quoted("limit"), lower.join(','))));
        QVERIFY(run(QStringLiteral("insert into detectorsdata (objectid,detectorid,time,cars,%1,occupancy,speed,state) "
                                   "values %2").arg(quoted("interval"), data.join(','))));

        for (int dt = 1; dt <= (globalRow ? 2 : 1); ++dt) {
            auto view = loaded(facade.createDtFaultsView(77, dt, day));
            QCOMPARE(view->findChild<QComboBox *>("detectors")->currentText(), QString::number(dt));
            QCOMPARE(view->windowTitle(), QStringLiteral("Rejection chart for dt 77-%1").arg(dt));
            QVector<QPointF> expected[9];
            double maxI = 0;
            for (const Record &r : records) {
                const QPointF point(r.occupancy, r.cars * 3600.0 / r.interval);
                maxI = std::max(maxI, point.y());
                for (int fault : dt == 1 ? r.own : r.global)
                    expected[fault] << point;
            }
            const QList<ChartSeries *> series = chart(view.get())->seriesList();
            QCOMPARE(series.size(), 11);
            for (int i = 0; i <= 8; ++i) {
                compare(sorted(points(series.at(i))), sorted(expected[i]));
                QVERIFY(i == 0 || series.at(i)->name() == QString("fault %1 (%2)").arg(i).arg(expected[i].size()));
                QVERIFY(i == 0 || series.at(i)->isVisible() == !expected[i].isEmpty());
            }
            // Each border from the axis up to the highest intensity.
            const double tanA = std::tan((dt == 1 ? 60 : 88.8) * M_PI / 180);
            const double tanB = std::tan((dt == 1 ? 40 : 88.6) * M_PI / 180);
            compare(sorted(points(series.at(9))), {{0, 0}, {maxI / tanA, maxI}});
            compare(sorted(points(series.at(10))), {{100 - maxI / tanB, maxI}, {100, 0}});
            checkExport(view.get());
        }
    }

    void healthHistory_data() { TestServers::addServerRows(); }

    // A point per day with a row; the host's detector or the first; the
    // arrows move both dates.
    void healthHistory()
    {
        USE_ROW_SERVER();
        const QDate day = TestServers::day();
        const auto history = [this, day](int detector) {
            QVector<QPointF> result;
            for (const QVariantList &row : rows(QStringLiteral("select date,health from dthealth where objectid=2 and "
                                                               "detectorid=%1 and date between %2 and %3 order by date")
                                                    .arg(detector).arg(sqlDay(day.addDays(-30)), sqlDay(day))))
                result << QPointF(secs(row.at(0).toDate().startOfDay()), row.at(1).toInt());
            return result;
        };

        const QStringList all = column("select id from detectors where objectid=2 order by id");
        for (QWidget *other : {facade.createDtHealthHistoryView(2, 77), facade.createDtHealthHistoryView(2)})
            QCOMPARE(loaded(other)->findChild<QComboBox *>("detectors")->currentText(), all.value(0));
        auto view = loaded(facade.createDtHealthHistoryView(2, 2));
        QVERIFY(showDate(view.get(), day, "end") && showDate(view.get(), day.addDays(-30), "start"));
        auto *detectors = view->findChild<QComboBox *>("detectors");
        QCOMPARE(texts(detectors), all);
        QCOMPARE(detectors->currentText(), QStringLiteral("2"));
        QCOMPARE(view->windowTitle(), QStringLiteral("health history for dt 2-2"));
        QCOMPARE(view->findChild<QLabel *>("status")->text(), QStringLiteral("obtaining data complete"));
        QVERIFY(history(2).size() > 10 && history(2).size() < 31); // the generated history misses days
        QCOMPARE(points(chart(view.get())->seriesList().value(0)), history(2));
        checkExport(view.get());
        QVERIFY(viewReloaded(view.get(), [=] { detectors->setCurrentIndex(0); }));
        QCOMPARE(view->windowTitle(), QStringLiteral("health history for dt 2-1"));
        QCOMPARE(points(chart(view.get())->seriesList().value(0)), history(1));

        QSignalSpy refreshed(view->findChild<QPushButton *>("refreshButton"), &QPushButton::clicked);
        QVERIFY(click(view.get(), "nextDay"));
        QCOMPARE(view->findChild<QDateEdit *>("start")->date(), day.addDays(-29));
        QCOMPARE(view->findChild<QDateEdit *>("end")->date(), day.addDays(1));
        QCOMPARE(refreshed.count(), 1);
        QVERIFY(showDate(view.get(), day.addDays(2), "start"));
        QVERIFY(points(chart(view.get())->seriesList().value(0)).isEmpty());
    }

    // A view of an object without detectors (5) says so and closes its dock.
    void noDetectorsClosesTheView()
    {
        SKIP_WITHOUT_SERVERS();
        use(TestServers::available().first());
        const QString dt = QStringLiteral("The selected object does not have detectors");
        const QString other = QStringLiteral("Selected object not contains detectors");
        const QVector<QPair<std::function<QWidget *()>, QString>> views{
            {[this] { return facade.createDtWidget(5, {}); }, dt},
            {[this] { return facade.createDtStatWidget(5, {}); }, dt},
            {[this] { return facade.createDtFaultsView(5); }, other},
            {[this] { return facade.createDtHealthHistoryView(5); }, other}};
        for (const auto &view : views) {
            BoxCloser boxes;
            QPointer<QDockWidget> dock = new QDockWidget;
            dock->setAttribute(Qt::WA_DeleteOnClose);
            dock->setWidget(view.first());
            dock->show();
            QTRY_VERIFY_WITH_TIMEOUT(dock.isNull(), 20000);
            QCOMPARE(boxes.texts, QStringList{view.second});
        }
    }
};

QTEST_MAIN(DetectorViewsTest)
#include "tst_detectorviews.moc"
