// The rejection chart against a classification computed here from records
// the test writes on and around every limit and border, on both servers.
#include "BoxCloser.h"
#include "TestServers.h"

#include "async/AsyncDatabase.h"
#include "views/FaultsDtView.h"

#include "ChartWidget.h"
#include "LineSeries.h"
#include "PointSeries.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDockWidget>
#include <QLabel>
#include <QMessageBox>
#include <QScopeGuard>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>
#include <QtTest>

#include <cmath>
#include <memory>

namespace {

const int object = 77; // no generated data: the test owns it
const QDate day(2024, 3, 6); // a Wednesday, the weekday with two day types

struct Record
{
    QTime time;
    int occupancy;
    int cars;
    int interval;
};

using Limits = QMap<int, double>;

bool zero(double v) { return std::fabs(v) <= 1e-12; }

// The limit in force at a minute: the first point at or after it, on the
// line from the point before; none after the last point.
bool limitAt(const Limits &limits, int minute, double *limit)
{
    for (auto it = limits.cbegin(); it != limits.cend(); ++it) {
        if (it.key() < minute)
            continue;
        if (it == limits.cbegin()) {
            *limit = it.value();
        } else {
            const auto before = std::prev(it);
            *limit = before.value() + (it.value() - before.value()) * (minute - before.key())
                                          / double(it.key() - before.key());
        }
        return true;
    }
    return false;
}

struct Parameters
{
    double alpha, beta, tp, kc;
};

QList<int> faultsOf(const Record &r, const Parameters &p, const Limits &upper, const Limits &lower)
{
    const double i = r.cars * 3600.0 / r.interval;
    const int minute = QTime(0, 0).secsTo(r.time) / 60;
    if (zero(i) && r.occupancy != 0)
        return {2};
    QList<int> f;
    double limit;
    bool upperZero = false;
    if (limitAt(upper, minute, &limit)) {
        if (i > limit + 1e-9)
            f << 5;
        upperZero = zero(limit);
    }
    if (!upperZero && zero(i) && r.occupancy == 0)
        f << 1;
    if (limitAt(lower, minute, &limit) && limit > i + 1e-9)
        f << 8;
    const double tanA = p.alpha > 0 ? std::tan(p.alpha * M_PI / 180) : 0;
    const double tanB = p.beta > 0 ? std::tan(p.beta * M_PI / 180) : 0;
    if (tanA != 0 && i > r.occupancy * tanA) {
        f << 6;
    } else if (tanB != 0 && i > (100 - r.occupancy) * tanB) {
        f << 7;
    } else if (p.tp > 0 && p.kc > 0) {
        const double d = (r.interval * r.occupancy / 100) - p.tp * r.cars - (r.interval - p.tp * r.cars) * p.kc;
        if (int(d) > 0)
            f << 4;
    }
    return f;
}

QVector<QPointF> sorted(QVector<QPointF> v)
{
    std::sort(v.begin(), v.end(), [](const QPointF &a, const QPointF &b) {
        return a.x() != b.x() ? a.x() < b.x() : a.y() < b.y();
    });
    return v;
}

} // namespace

class FaultsDtViewTest : public QObject
{
    Q_OBJECT

private:
    int connections = 0;

    static bool run(QSqlQuery &q, const QString &sql)
    {
        if (q.exec(sql))
            return true;
        qWarning("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
        return false;
    }
    static QString stamp(const QTime &t) { return day.toString("yyyy-MM-dd ") + t.toString("hh:mm:ss"); }
    static QLabel *status(QWidget *view) { return view->findChild<QLabel *>("status"); }
    static bool waitComplete(QWidget *view)
    {
        return QTest::qWaitFor(
            [view] {
                const QString s = status(view)->text();
                return view->isEnabled() && (s == "obtaining data complete" || s == "no data");
            },
            30000);
    }

private slots:
    void classification_data()
    {
        TestServers::addServerRows();
    }
    void classification()
    {
        if (TestServers::available().isEmpty())
            QSKIP("No test servers: run through scripts/dbserver");
        QFETCH(QString, server);
        QSqlDatabase db = TestServers::connection(server, QStringLiteral("faults%1").arg(++connections));
        QVERIFY(db.open());
        const bool pg = TestServers::isPostgres(server);
        const QString limitColumn = pg ? QStringLiteral("\"limit\"") : QStringLiteral("`limit`");
        const QString intervalColumn = pg ? QStringLiteral("\"interval\"") : QStringLiteral("`interval`");
        QSqlQuery q(db);
        for (const char *table : {"detectors", "detectorsdata", "uplimits", "downlimits"})
            QVERIFY(run(q, QStringLiteral("delete from %1 where objectid=%2").arg(table).arg(object)));

        // Detector 1 its own parameters, detector 2 the global ones.
        QVERIFY(run(q, QStringLiteral("insert into detectors (objectid,id,collect,useglobalparam,alpha,beta,tp,kc) "
                                      "values (%1,1,%2,0,60,40,0.5,0.2),(%1,2,%2,1,1,1,0,0)")
                           .arg(object).arg(pg ? "true" : "1")));
        QVERIFY(run(q, "select alpha,beta,tp,kc from globdt"));
        const bool global = q.next();
        const Parameters globalParameters{global ? q.value(0).toDouble() : 0, global ? q.value(1).toDouble() : 0,
                                          global ? q.value(2).toDouble() : 0, global ? q.value(3).toDouble() : 0};

        // Limits of the weekday's lowest day type; the other day types of
        // the weekday get limits that would change every answer.
        QVERIFY(run(q, QStringLiteral("select daytype from analysisdaytypes where weekday=%1 order by daytype")
                           .arg(day.dayOfWeek())));
        QList<int> dayTypes;
        while (q.next())
            dayTypes << q.value(0).toInt();
        QVERIFY2(dayTypes.size() >= 2, "the generator gives Wednesday two day types");
        const Limits upper{{420, 100}, {540, 300}, {600, 0}, {660, 0}, {720, 400}};
        const Limits lower{{420, 20}, {900, 20}};
        for (int dt = 1; dt <= 2; ++dt) {
            for (int i = 0; i < dayTypes.size(); ++i) {
                const bool used = i == 0;
                for (auto it = upper.cbegin(); it != upper.cend(); ++it)
                    QVERIFY(run(q, QStringLiteral("insert into uplimits (objectid,detectorid,daytype,time_offset,%1) "
                                                  "values (%2,%3,%4,%5,%6)")
                                       .arg(limitColumn).arg(object).arg(dt).arg(dayTypes.at(i)).arg(it.key())
                                       .arg(used ? it.value() : 5000.0)));
                for (auto it = lower.cbegin(); it != lower.cend(); ++it)
                    QVERIFY(run(q, QStringLiteral("insert into downlimits (objectid,detectorid,daytype,time_offset,%1) "
                                                  "values (%2,%3,%4,%5,%6)")
                                       .arg(limitColumn).arg(object).arg(dt).arg(dayTypes.at(i)).arg(it.key())
                                       .arg(used ? it.value() : 0.0)));
            }
        }

        // Records on, just inside and just outside each limit and border.
        QList<Record> records;
        const auto add = [&](int h, int m, int occ, int cars, int interval) {
            records << Record{QTime(h, m), occ, cars, interval};
        };
        add(6, 0, 5, 2, 60);     // before the first limit point: 100 holds
        add(8, 0, 0, 0, 60);     // no cars, limit 200 interpolated: fault 1
        add(10, 30, 0, 0, 60);   // no cars where the upper limit is 0: normal
        add(11, 30, 20, 0, 60);  // no cars but occupied: fault 2 alone
        add(8, 0, 50, 3, 60);    // 180 just under the interpolated 200
        add(8, 0, 50, 10, 180);  // 200: on the limit
        add(8, 0, 60, 11, 180);  // 220: just over it, fault 5
        add(7, 0, 90, 1, 180);   // 20 on the lower limit
        add(7, 0, 90, 1, 181);   // just under it: fault 8
        add(16, 0, 30, 40, 60);  // after the last upper point: no fault 5
        add(9, 0, 10, 17, 3600); // 17 < 10·tan 60° = 17.32: inside the left border
        add(9, 0, 10, 18, 3600); // 18 > 17.32: fault 6 (and fault 8)
        add(9, 0, 80, 16, 3600); // 16 < 20·tan 40° = 16.78
        add(9, 0, 80, 17, 3600); // 17 > 16.78: fault 7
        add(9, 30, 50, 10, 60);  // 600: fault 5; d = 30-5-55·0.2 = 14: fault 4 too
        add(9, 30, 20, 1, 60);   // d = 12-0.5-59.5·0.2 = -0.4: no fault 4
        add(12, 15, 45, 30, 60); // between 0 and 400
        for (const Record &r : records)
            for (int dt = 1; dt <= 2; ++dt)
                QVERIFY(run(q, QStringLiteral("insert into detectorsdata (objectid,detectorid,time,cars,%1,occupancy,"
                                              "speed,state) values (%2,%3,'%4',%5,%6,%7,50,0)")
                                   .arg(intervalColumn).arg(object).arg(dt).arg(stamp(r.time)).arg(r.cars)
                                   .arg(r.interval).arg(r.occupancy)));

        AsyncDatabase service(nullptr, TestServers::url(server));
        for (int dt = 1; dt <= 2; ++dt) {
            const Parameters p = dt == 1 ? Parameters{60, 40, 0.5, 0.2} : globalParameters;
            QVector<QPointF> expected[9];
            for (const Record &r : records) {
                const QList<int> f = faultsOf(r, p, upper, lower);
                const QPointF point(r.occupancy, r.cars * 3600.0 / r.interval);
                if (f.isEmpty())
                    expected[0] << point;
                for (int fault : f)
                    expected[fault] << point;
            }
            if (dt == 1) {
                // The records were chosen to reach every fault but 3.
                for (int fault : {1, 2, 4, 5, 6, 7, 8})
                    QVERIFY2(!expected[fault].isEmpty(), qPrintable(QString::number(fault)));
            }

            QWidget dock;
            auto *view = new FaultsDtView(&dock, &service, object, dt, day);
            QVERIFY(waitComplete(view));
            QCOMPARE(view->findChild<QComboBox *>("detectors")->currentText(), QString::number(dt));
            QCOMPARE(view->windowTitle(), QStringLiteral("Rejection chart for dt %1-%2").arg(object).arg(dt));
            const QList<ChartSeries *> series = view->findChild<ChartWidget *>("chart")->seriesList();
            QCOMPARE(series.size(), 11);
            for (int i = 0; i <= 8; ++i) {
                auto *points = qobject_cast<PointSeries *>(series.at(i));
                QVERIFY(points);
                QVector<QPointF> drawn;
                for (int k = 0; k < points->pointsCount(); ++k)
                    drawn << points->pt(k);
                const QVector<QPointF> want = sorted(expected[i]);
                QCOMPARE(sorted(drawn).size(), want.size());
                for (int k = 0; k < want.size(); ++k) {
                    QCOMPARE(sorted(drawn).at(k).x(), want.at(k).x());
                    QVERIFY(std::abs(sorted(drawn).at(k).y() - want.at(k).y()) < 1e-9);
                }
                if (i > 0) {
                    QCOMPARE(points->name(), QStringLiteral("fault %1 (%2)").arg(i).arg(want.size()));
                    QCOMPARE(points->isVisible(), !want.isEmpty());
                }
            }
            auto *left = qobject_cast<LineSeries *>(series.at(9));
            auto *right = qobject_cast<LineSeries *>(series.at(10));
            QCOMPARE(left->isVisible(), p.alpha > 0);
            QCOMPARE(right->isVisible(), p.beta > 0);
            if (dt == 1) {
                double maxI = 0;
                for (const Record &r : records)
                    maxI = std::max(maxI, r.cars * 3600.0 / r.interval);
                // Each border from the axis up to the highest intensity.
                const auto ends = [](LineSeries *line) {
                    QVector<QPointF> v;
                    for (int k = 0; k < line->pointsCount(); ++k)
                        v << line->point(k);
                    return sorted(v);
                };
                QCOMPARE(ends(left).size(), 2);
                QCOMPARE(ends(left).at(0), QPointF(0, 0));
                QVERIFY(std::abs(ends(left).at(1).x() - maxI / std::tan(M_PI / 3)) < 1e-9);
                QCOMPARE(ends(left).at(1).y(), maxI);
                QCOMPARE(ends(right).size(), 2);
                QVERIFY(std::abs(ends(right).at(0).x() - (100 - maxI / std::tan(40 * M_PI / 180))) < 1e-9);
                QCOMPARE(ends(right).at(0).y(), maxI);
                QCOMPARE(ends(right).at(1), QPointF(100, 0));
            }
        }

        // Another day has no records; then an object without detectors.
        {
            QWidget dock;
            auto *view = new FaultsDtView(&dock, &service, object, 1, day.addDays(1));
            QVERIFY(waitComplete(view));
            QCOMPARE(status(view)->text(), QStringLiteral("no data"));
        }
        {
            BoxCloser boxes;
            QDockWidget dock;
            dock.setWidget(new FaultsDtView(&dock, &service, 5, -1, day));
            dock.show();
            QTRY_VERIFY_WITH_TIMEOUT(!dock.isVisible(), 20000);
            QCOMPARE(boxes.texts, QStringList{"Selected object not contains detectors"});
        }
        for (const char *table : {"detectors", "detectorsdata", "uplimits", "downlimits"})
            QVERIFY(run(q, QStringLiteral("delete from %1 where objectid=%2").arg(table).arg(object)));
    }

    // With globdt empty the detector's own parameters still count.
    void ownParametersWithoutGlobalRow_data() { classification_data(); }
    void ownParametersWithoutGlobalRow()
    {
        if (TestServers::available().isEmpty())
            QSKIP("No test servers: run through scripts/dbserver");
        QFETCH(QString, server);
        QSqlDatabase db = TestServers::connection(server, QStringLiteral("faults%1").arg(++connections));
        QVERIFY(db.open());
        const bool pg = TestServers::isPostgres(server);
        QSqlQuery q(db);
        for (const char *table : {"detectors", "detectorsdata"})
            QVERIFY(run(q, QStringLiteral("delete from %1 where objectid=%2").arg(table).arg(object)));
        QVERIFY(run(q, "select alpha,beta,tp,kc from globdt"));
        QList<QVariantList> saved;
        while (q.next())
            saved << QVariantList{q.value(0), q.value(1), q.value(2), q.value(3)};
        // The global row comes back whatever happens below.
        const auto restore = qScopeGuard([&] {
            QSqlQuery r(db);
            r.exec(QStringLiteral("delete from globdt"));
            for (const QVariantList &row : saved) {
                r.prepare(QStringLiteral("insert into globdt (alpha,beta,tp,kc) values (?,?,?,?)"));
                for (const QVariant &v : row)
                    r.addBindValue(v);
                r.exec();
            }
            for (const char *table : {"detectors", "detectorsdata"})
                r.exec(QStringLiteral("delete from %1 where objectid=%2").arg(table).arg(object));
        });
        QVERIFY(db.transaction());
        QVERIFY(run(q, "delete from globdt"));
        QVERIFY(run(q, QStringLiteral("insert into detectors (objectid,id,collect,useglobalparam,alpha,beta,tp,kc) "
                                      "values (%1,1,%2,0,45,0,0,0)").arg(object).arg(pg ? "true" : "1")));
        QVERIFY(run(q, QStringLiteral("insert into detectorsdata (objectid,detectorid,time,cars,%1,occupancy) "
                                      "values (%2,1,'%3',5,60,10)")
                           .arg(pg ? "\"interval\"" : "`interval`").arg(object).arg(stamp(QTime(8, 0)))));
        QVERIFY(db.commit());

        AsyncDatabase service(nullptr, TestServers::url(server));
        {
            QWidget dock;
            auto *view = new FaultsDtView(&dock, &service, object, 1, day);
            QVERIFY(waitComplete(view));
            // 300 veh/h > 10·tan 45°: fault 6; no right border with beta 0.
            const QList<ChartSeries *> series = view->findChild<ChartWidget *>("chart")->seriesList();
            QCOMPARE(series.at(6)->pointsCount(), 1);
            QCOMPARE(series.at(0)->pointsCount(), 0);
            QVERIFY(series.at(9)->isVisible());
            QVERIFY(!series.at(10)->isVisible());
        }
    }
};

QTEST_MAIN(FaultsDtViewTest)
#include "tst_faultsdtview.moc"
