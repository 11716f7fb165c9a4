// The worker against the real servers: rows as the server holds them,
// messages as the user reads them, stop and reconnection.
#include "DatabaseRecorder.h"
#include "TestServers.h"

#include "HostKernel.h"
#include "SignalGroupEvent.h"

#include <QCoreApplication>
#include <QFile>
#include <QScopeGuard>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <memory>

class DatabaseTest : public QObject
{
    Q_OBJECT

private:
    QMutex dbMutex;
    QSqlDatabase shared;     // the facade's connection stand-in
    QSqlDatabase reference;  // read directly for the expected values
    QString server;
    int connectionCount = 0;

    void useServer(const QString &name)
    {
        server = name;
        shared = TestServers::connection(name, QStringLiteral("shared%1").arg(++connectionCount));
        reference = TestServers::connection(name, QStringLiteral("reference%1").arg(connectionCount));
        QVERIFY2(reference.open(), qPrintable(reference.lastError().text()));
    }

    std::unique_ptr<Database> newWorker()
    {
        return std::make_unique<Database>(nullptr, &shared, &dbMutex);
    }

    QVector<QVariantList> select(const QString &text, int columns)
    {
        QSqlQuery query(reference);
        query.setForwardOnly(true);
        QVector<QVariantList> rows;
        if (!query.exec(text)) {
            qWarning() << query.lastError().text();
            return rows;
        }
        while (query.next()) {
            QVariantList row;
            for (int i = 0; i < columns; ++i)
                row << query.value(i);
            rows << row;
        }
        return rows;
    }

    static bool waitComplete(DatabaseRecorder &recorder, int completes = 1, int ms = 30000)
    {
        QElapsedTimer timer;
        timer.start();
        while (recorder.completes < completes && timer.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return recorder.completes >= completes;
    }

private slots:
    void initTestCase()
    {
        qRegisterMetaType<LogMessageType>("LogMessageType");
        if (TestServers::available().isEmpty())
            QSKIP("No test servers: run through scripts/dbserver");
    }

    void cleanup()
    {
        Database::stopDumpQueries();
        shared = QSqlDatabase();
        reference = QSqlDatabase();
    }

    void phasesAndStates_data() { TestServers::addServerRows(); }
    void phasesAndStates()
    {
        QFETCH(QString, server);
        useServer(server);
        const QDate day = TestServers::day();
        auto worker = newWorker();
        DatabaseRecorder recorder(worker.get());
        worker->requestPhases(1, day, day.addDays(1), true);
        QVERIFY(waitComplete(recorder));

        const QString range = QStringLiteral("between '%1' and '%2'")
                                  .arg(day.toString(Qt::ISODate), day.addDays(1).toString(Qt::ISODate));
        const auto phases = select("select time,phaseid,length+promtact from phasesdata where objectid=1 and time "
                                   + range + " order by time,phaseid", 3);
        const auto states = select("select time,value from events where objectid=1 and type=2 and time "
                                   + range + " order by time", 2);
        QVERIFY(phases.size() > 100);
        QVERIFY(!states.isEmpty());
        const auto gotPhases = recorder.rows("phase");
        QCOMPARE(gotPhases.size(), phases.size());
        for (int i = 0; i < phases.size(); ++i) {
            QCOMPARE(gotPhases.at(i).at(0).toDateTime(), phases.at(i).at(0).toDateTime());
            QCOMPARE(gotPhases.at(i).at(1).toInt(), phases.at(i).at(1).toInt());
            QCOMPARE(gotPhases.at(i).at(2).toInt(), phases.at(i).at(2).toInt());
        }
        QCOMPARE(recorder.count("state"), states.size());
        QCOMPARE(recorder.rows("state").last().at(1).toInt(), states.last().at(1).toInt());

        const QStringList messages = recorder.messages();
        QCOMPARE(messages.first(), QStringLiteral("Connect to database lumo@127.0.0.1"));
        const QStringList tail = messages.mid(messages.size() - 3);
        QCOMPARE(tail, (QStringList{"Obtaining data on the phases", "Obtaining data on the states",
                                    "Data acquisition is complete"}));
        // Phases strictly before states, complete last.
        QVERIFY(recorder.indexOf("phase") < recorder.indexOf("state"));
        QCOMPARE(recorder.events.last().signal, QStringLiteral("complete"));
    }

    void logOfEveryGeneration_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<uint>("object");
        QTest::addColumn<uint>("ver");
        for (const QString &s : TestServers::available()) {
            QTest::newRow(qPrintable(s + " current")) << s << 1u << 0x5FFFFu;
            QTest::newRow(qPrintable(s + " generation 3")) << s << 2u << 0x3FFFFu;
            QTest::newRow(qPrintable(s + " generation 2")) << s << 3u << 0x2FFFFu;
        }
    }
    void logOfEveryGeneration()
    {
        QFETCH(QString, server);
        QFETCH(uint, object);
        QFETCH(uint, ver);
        useServer(server);
        const QDate day = TestServers::day();
        auto worker = newWorker();
        DatabaseRecorder recorder(worker.get());
        worker->requestLog(object, day, day.addDays(1), ver);
        QVERIFY(waitComplete(recorder, 1, 60000));

        const auto expected = select(QStringLiteral(
            "select e.time,e.devicetime,e.type,t.description,e.description,e.value,e.data from events e "
            "join eventtypes t on t.id=e.type where e.objectid=%1 and e.time between '%2' and '%3' "
            "order by e.time,e.%4").arg(object).arg(day.toString(Qt::ISODate), day.addDays(1).toString(Qt::ISODate),
                                                   server == "pg" ? "\"index\"" : "`index`"), 7);
        QVERIFY(expected.size() > 10);
        const auto rows = recorder.rows("log");
        QCOMPARE(rows.size(), expected.size());
        // A pause after every 101 rows, ended as soon as this thread had the
        // rows sent before it, not by its 50 ms running out.
        QCOMPARE(worker->pausesCaughtUp() + worker->pausesTimedOut(), (rows.size() - 1) / 101);
        QVERIFY(worker->pausesCaughtUp() > worker->pausesTimedOut());
        const bool ready = ver == 0x5FFFF;
        for (int i = 0; i < rows.size(); ++i) {
            const QVariantList &got = rows.at(i);
            const QVariantList &want = expected.at(i);
            QCOMPARE(got.at(0).toDateTime(), want.at(0).toDateTime());
            QCOMPARE(got.at(1).toTime(), want.at(1).toTime());
            QCOMPARE(got.at(2).toInt(), want.at(2).toInt());
            QCOMPARE(got.at(3).toString(), want.at(3).toString());
            // The procedure delivers ready texts; the direct statement none.
            QCOMPARE(got.at(4).toString(),
                     ready ? (want.at(4).isNull() ? want.at(3).toString() : want.at(4).toString()) : QString());
            QCOMPARE(got.at(5).toInt(), want.at(5).toInt());
            QCOMPARE(got.at(6).toByteArray(), want.at(6).toByteArray());
        }
    }

    void detectorLists_data() { TestServers::addServerRows(); }
    void detectorLists()
    {
        QFETCH(QString, server);
        useServer(server);
        auto worker = newWorker();
        DatabaseRecorder recorder(worker.get());
        worker->requestDetectors(1);
        QVERIFY(waitComplete(recorder));
        QVector<int> ids;
        for (const QVariantList &row : recorder.rows("dt"))
            ids << row.at(0).toInt();
        QVector<int> expected;
        for (const QVariantList &row : select("select id from detectors where collect and objectid=1 order by id", 1))
            expected << row.at(0).toInt();
        QVERIFY(!expected.isEmpty());
        QCOMPARE(ids, expected);

        // No detectors: the completion message, one lumoDt(-1), complete().
        recorder.clear();
        worker->requestDetectors(5);
        QVERIFY(waitComplete(recorder));
        QCOMPARE(recorder.rows("dt"), (QVector<QVariantList>{{-1}}));
        const int done = recorder.indexOf("logMessage", QStringLiteral("Data acquisition is complete"));
        QVERIFY(done >= 0);
        QCOMPARE(recorder.indexOf("dt"), done + 1);
        QCOMPARE(recorder.events.at(done + 2).signal, QStringLiteral("complete"));
    }

    void onlyTheLastPendingRequestRuns_data() { TestServers::addServerRows(); }
    void onlyTheLastPendingRequestRuns()
    {
        QFETCH(QString, server);
        useServer(server);
        auto worker = newWorker();
        DatabaseRecorder recorder(worker.get());
        {
            // Held, the shared lock keeps the worker from taking the first
            // request however late this thread comes to submit the second.
            QMutexLocker held(&dbMutex);
            worker->requestLog(1, TestServers::day(), TestServers::day().addDays(1), 0x5FFFF);
            worker->requestDetectors(1);
        }
        QVERIFY(waitComplete(recorder));
        QTest::qWait(300);
        QCOMPARE(recorder.count("log"), 0);
        QVERIFY(recorder.count("dt") > 0);
        QCOMPARE(recorder.completes, 1);
    }

    void detectorData_data() { TestServers::addServerRows(); }
    void detectorData()
    {
        QFETCH(QString, server);
        useServer(server);
        const QDate day = TestServers::day();
        auto worker = newWorker();
        DatabaseRecorder recorder(worker.get());
        worker->requestDt15(1, "1+2+3", 0, 1, day, 1, false);
        QVERIFY(waitComplete(recorder));

        // Intensity is summed over all the detectors of a time stamp, their
        // states or-ed (computed here from the single detectors' rows).
        const QString dayText = day.toString(Qt::ISODate);
        QMap<QDateTime, QPair<double, int>> expected;
        for (const QVariantList &row : select(QStringLiteral(
                 "select time,intensity,state from dt15 where objectid=1 and detectorid in (1,2,3) and time >= '%1' "
                 "and time < '%2'").arg(dayText, day.addDays(1).toString(Qt::ISODate)), 3)) {
            auto &slot = expected[row.at(0).toDateTime()];
            if (!expected.contains(row.at(0).toDateTime()) || slot == QPair<double, int>())
                slot = {0.0, -1};
            slot.first += row.at(1).toDouble();
            if (!row.at(2).isNull())
                slot.second = (slot.second < 0 ? 0 : slot.second) | row.at(2).toInt();
        }
        QVector<QVariantList> selected;
        QVector<QVariantList> profile;
        for (const QVariantList &row : recorder.rows("dt15")) {
            if (row.at(2).toInt() == 1)
                selected << row;
            else if (row.at(2).toInt() == 0)
                profile << row;
        }
        const auto states = recorder.rows("dt15state");
        QVERIFY(expected.size() > 10);
        QCOMPARE(selected.size(), expected.size());
        QCOMPARE(states.size(), expected.size());
        int i = 0;
        for (auto it = expected.cbegin(); it != expected.cend(); ++it, ++i) {
            QCOMPARE(selected.at(i).at(0).toDateTime(), it.key()); // in time order
            QCOMPARE(selected.at(i).at(1).toDouble(), it.value().first);
            QCOMPARE(states.at(i).at(1).toInt(), it.value().second);
        }
        // The profile of day type 1, dated on the selected day.
        const auto expectedProfile = select(
            "select time,sum(intensity) from dt15p where objectid=1 and detectorid in (1,2,3) and daytype=1 "
            "group by time order by time", 2);
        QCOMPARE(profile.size(), expectedProfile.size());
        QVERIFY(!profile.isEmpty());
        QCOMPARE(profile.first().at(0).toDateTime(), QDateTime(day, expectedProfile.first().at(0).toTime()));
        QCOMPARE(profile.first().at(1).toDouble(), expectedProfile.first().at(1).toDouble());

        const QStringList messages = recorder.messages();
        QVERIFY(messages.contains("Obtaining data for the characteristic period"));
        QVERIFY(messages.contains("Obtaining data for the selected period"));
        QVERIFY(messages.contains("Obtaining data for the previous day"));
    }

    void statistics_data() { TestServers::addServerRows(); }
    void statistics()
    {
        QFETCH(QString, server);
        useServer(server);
        const QDate day = TestServers::day();
        auto worker = newWorker();
        DatabaseRecorder recorder(worker.get());
        worker->requestDtStat(1, "2", 1, 4, day);
        QVERIFY(waitComplete(recorder));

        // Hinges computed here from the raw values of the same weekdays.
        QMap<QTime, QVector<double>> values;
        for (const QVariantList &row : select(QStringLiteral(
                 "select time,occupancy from dt15 where objectid=1 and detectorid=2 and time between '%1' and '%2 23:59:59'")
                     .arg(day.addDays(-28).toString(Qt::ISODate), day.toString(Qt::ISODate)), 2)) {
            const QDateTime t = row.at(0).toDateTime();
            if (t.date().dayOfWeek() == day.dayOfWeek())
                values[t.time()] << row.at(1).toDouble();
        }
        const auto stats = recorder.rows("stat");
        QCOMPARE(stats.size(), values.size());
        int i = 0;
        for (auto it = values.begin(); it != values.end(); ++it, ++i) {
            QVector<double> v = it.value();
            std::sort(v.begin(), v.end());
            const int n = v.size();
            auto median = [](const QVector<double> &s) {
                const int k = s.size();
                return k % 2 ? s[k / 2] : (s[k / 2 - 1] + s[k / 2]) / 2;
            };
            const QVector<double> lower = v.mid(0, (n + 1) / 2);
            const QVector<double> upper = v.mid(n / 2);
            const QVariantList &got = stats.at(i);
            QCOMPARE(got.at(0).toTime(), it.key());
            QCOMPARE(got.at(1).toDouble(), median(v));
            QCOMPARE(got.at(2).toDouble(), v.first());
            QCOMPARE(got.at(3).toDouble(), v.last());
            QCOMPARE(got.at(4).toDouble(), median(lower));
            QCOMPARE(got.at(5).toDouble(), median(upper));
        }
        const auto current = recorder.rows("current");
        QCOMPARE(current.size(), values.isEmpty() ? 0 : recorder.count("dt15state"));
        QVERIFY(!current.isEmpty());
    }

    void signalGroupsThroughTheHost_data() { TestServers::addServerRows(); }
    void signalGroupsThroughTheHost()
    {
        QFETCH(QString, server);
        useServer(server);
        const QDate day = TestServers::day();
        const QDateTime from(day, QTime(8, 0)), to(day, QTime(9, 0));

        // Without the host's kernel every request ends at its first row.
        {
            auto worker = newWorker();
            DatabaseRecorder recorder(worker.get());
            worker->requestSg(1, from, to);
            QVERIFY(waitComplete(recorder));
            QCOMPARE(recorder.count("sg"), 0);
            QVERIFY(recorder.messages().contains("Internal error: cannot decode event"));
            QVERIFY(!recorder.messages().contains("Data acquisition is complete"));
        }

        auto *kernel = new Road::Kernel(QCoreApplication::instance());
        auto worker = newWorker();
        DatabaseRecorder recorder(worker.get());
        worker->requestSg(1, from, to);
        QVERIFY(waitComplete(recorder));
        const auto expected = select(QStringLiteral(
            "select time,data from events where objectid=1 and type=7 and value=5 and time between '%1' and '%2' "
            "order by time").arg(from.toString("yyyy-MM-dd hh:mm:ss"), to.toString("yyyy-MM-dd hh:mm:ss")), 2);
        const auto rows = recorder.rows("sg");
        QVERIFY(expected.size() > 10);
        QCOMPARE(rows.size(), expected.size());
        for (int i = 0; i < rows.size(); ++i) {
            int group = 0, state = 0;
            QVERIFY(SignalGroupEvent::decode(expected.at(i).at(1).toByteArray(), &group, &state));
            QCOMPARE(rows.at(i).at(0).toDateTime(), expected.at(i).at(0).toDateTime());
            QCOMPARE(rows.at(i).at(1).toInt(), group);
            QCOMPARE(rows.at(i).at(2).toInt(), state);
        }
        QVERIFY(recorder.messages().contains("Data acquisition is complete"));
        worker.reset();
        delete kernel;
    }

    void dumpShowsStatementsAsExecuted_data() { TestServers::addServerRows(); }
    void dumpShowsStatementsAsExecuted()
    {
        QFETCH(QString, server);
        useServer(server);
        QTemporaryDir dir;
        const QString first = dir.filePath("first.sql");
        const QString second = dir.filePath("second.sql");
        auto worker = newWorker();
        DatabaseRecorder recorder(worker.get());
        Database::startDumpQueries(first);
        QVERIFY(!QFile::exists(first)); // not touched until a statement runs
        worker->requestDetectors(1);
        QVERIFY(waitComplete(recorder));
        Database::startDumpQueries(second);
        recorder.clear();
        worker->requestSg(1, QDateTime(TestServers::day(), QTime(8, 0)), QDateTime(TestServers::day(), QTime(8, 1)));
        QVERIFY(waitComplete(recorder));
        Database::stopDumpQueries();
        recorder.clear();
        worker->requestDetectors(1);
        QVERIFY(waitComplete(recorder));

        auto lines = [](const QString &path) {
            QFile file(path);
            file.open(QIODevice::ReadOnly);
            return QString::fromLocal8Bit(file.readAll()).split('\n', Qt::SkipEmptyParts);
        };
        const QString collect = server == "pg" ? "true" : "1";
        QCOMPARE(lines(first), QStringList{"select id from detectors where collect=" + collect
                                           + " and objectid=1 order by id"});
        const QStringList sg = lines(second);
        QCOMPARE(sg.size(), 1);
        QVERIFY(sg.first().contains(server == "pg" ? "order by \"time\",\"index\"" : "order by `time`,`index`"));
    }

    // Stopped while the rows stream, with this thread keeping up or blocked
    // (then every pause ends after its 50 ms): the worker hands out at most
    // 101 rows more.
    void stopWhileStreaming_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<bool>("blocked");
        for (const QString &s : TestServers::available()) {
            QTest::newRow(qPrintable(s + " keeping up")) << s << false;
            QTest::newRow(qPrintable(s + " blocked")) << s << true;
        }
    }
    void stopWhileStreaming()
    {
        QFETCH(QString, server);
        QFETCH(bool, blocked);
        useServer(server);
        const QDate day = TestServers::day();
        const int total = select(QStringLiteral("select count(*) from events where objectid=1 and time between '%1' and '%2'")
                                     .arg(day.toString(Qt::ISODate), day.addDays(1).toString(Qt::ISODate)), 1)
                              .first().first().toInt();
        QVERIFY(total > 500);
        auto worker = newWorker();
        DatabaseRecorder recorder(worker.get());
        std::atomic<int> emitted{0};
        connect(worker.get(), &Database::lumoLogData, worker.get(), [&emitted] { ++emitted; }, Qt::DirectConnection);
        worker->requestLog(1, day, day.addDays(1), 0x5FFFF);
        QTRY_VERIFY_WITH_TIMEOUT(recorder.count("log") > 150, 20000);
        if (blocked) {
            const int before = emitted;
            QThread::msleep(500);
            // Nothing was handled here, yet the worker went on.
            QVERIFY(worker->pausesTimedOut() >= 2);
            QVERIFY(emitted > before);
        }
        const int atStop = emitted;
        worker->stop();
        QVERIFY(worker->isFinished());
        QVERIFY2(emitted - atStop <= 101, qPrintable(QString::number(emitted - atStop)));
        QVERIFY(waitComplete(recorder, 2, 5000));
        QCoreApplication::processEvents();

        const int rows = recorder.count("log");
        QVERIFY2(rows < total, qPrintable(QString("%1 of %2").arg(rows).arg(total)));
        QCOMPARE(rows, int(emitted));
        const QStringList messages = recorder.messages();
        QVERIFY(messages.contains("Pending completion of the database (3 sec.)"));
        const int interrupted = recorder.indexOf("logMessage", QStringLiteral("Interrupted by the user"));
        const int closed = recorder.indexOf("logMessage", QStringLiteral("The database is closed"));
        QVERIFY(interrupted >= 0);
        QVERIFY(closed > interrupted);
        QVERIFY(!messages.contains("Disconnected"));
        QVERIFY(!messages.contains("Data acquisition is complete"));
        QCOMPARE(recorder.completes, 2);

        // The worker starts again for the next request.
        recorder.clear();
        worker->requestDetectors(1);
        QVERIFY(waitComplete(recorder));
        QVERIFY(recorder.count("dt") > 0);
    }

    void unreachableServerIsRetriedUntilStopped_data() { TestServers::addServerRows(); }
    void unreachableServerIsRetriedUntilStopped()
    {
        QFETCH(QString, server);
        useServer(server);
        shared.setPort(1); // nothing listens there
        auto worker = newWorker();
        DatabaseRecorder recorder(worker.get());
        worker->requestDetectors(1);
        QTRY_VERIFY_WITH_TIMEOUT(recorder.messages().count("Connect to database lumo@127.0.0.1") >= 3, 10000);
        const auto errors = std::count_if(recorder.events.cbegin(), recorder.events.cend(), [](const auto &e) {
            return e.signal == "logMessage" && e.args.at(1).toInt() == Error;
        });
        QVERIFY(errors >= 2);
        QElapsedTimer timer;
        timer.start();
        worker->stop();
        QVERIFY(timer.elapsed() < 2500);
        QVERIFY(waitComplete(recorder, 1, 3000));
        QVERIFY(recorder.messages().contains("Interrupted by the user"));
        QVERIFY(!recorder.messages().contains("Disconnected"));
        QCOMPARE(recorder.count("dt"), 0);

        // The same worker, the server back (settings corrected): the request runs.
        recorder.clear();
        shared.setPort(QUrl(TestServers::url(server)).port(3306));
        worker->requestDetectors(1);
        QVERIFY(waitComplete(recorder));
        QVERIFY(recorder.count("dt") > 0);
    }

    void rejectedStatementGoesOn_data() { TestServers::addServerRows(); }
    void rejectedStatementGoesOn()
    {
        QFETCH(QString, server);
        useServer(server);
        // A live server without the module's tables rejects both statements;
        // each rejection is reported and the request still completes.
        shared.setDatabaseName(server == "pg" ? "postgres" : "mysql");
        auto worker = newWorker();
        DatabaseRecorder recorder(worker.get());
        worker->requestPhases(1, TestServers::day(), TestServers::day(), false);
        QVERIFY(waitComplete(recorder));
        const QStringList messages = recorder.messages();
        QCOMPARE(messages.last(), QStringLiteral("Data acquisition is complete"));
        const int states = messages.indexOf("Obtaining data on the states");
        QVERIFY(states > 0);
        QVERIFY(messages.at(states - 1).contains("phasesdata", Qt::CaseInsensitive));
        QVERIFY(messages.at(states + 1).contains("events", Qt::CaseInsensitive));
        QCOMPARE(recorder.count("phase"), 0);
    }

    void rawDetectorData_data() { TestServers::addServerRows(); }
    void rawDetectorData()
    {
        QFETCH(QString, server);
        useServer(server);
        const QDate day = TestServers::day();
        // A record without an interval must not abort the day.
        const QString stamp = day.toString(Qt::ISODate) + " 23:59:30";
        QSqlQuery insert(reference);
        QVERIFY(insert.exec("insert into detectorsdata (objectid,detectorid,time,cars," + QString(server == "pg" ? "\"interval\"" : "`interval`")
                            + ",occupancy,speed,state) values (1,1,'" + stamp + "',7,0,5,40,0)"));
        const auto cleanupRow = qScopeGuard([&] {
            QSqlQuery(reference).exec("delete from detectorsdata where objectid=1 and detectorid=1 and time='" + stamp + "'");
        });

        auto worker = newWorker();
        DatabaseRecorder recorder(worker.get());
        worker->requestDt15(1, "1", 0, 1, day, 1, true);
        QVERIFY(waitComplete(recorder));
        const QString interval = server == "pg" ? "\"interval\"" : "`interval`";
        const auto raw = select(QStringLiteral("select time,cars,%1 from detectorsdata where objectid=1 and detectorid=1 "
                                               "and time >= '%2' and time < '%3' order by time")
                                    .arg(interval, day.toString(Qt::ISODate), day.addDays(1).toString(Qt::ISODate)), 3);
        QVector<QVariantList> values;
        for (const QVariantList &row : recorder.rows("dt15"))
            if (row.at(2).toInt() == 1)
                values << row;
        QVERIFY(raw.size() > 100);
        QCOMPARE(values.size(), raw.size() - 1); // the interval-0 record has no rate
        QCOMPARE(recorder.count("dt15state"), raw.size());
        int v = 0;
        for (const QVariantList &row : raw) {
            if (row.at(2).toInt() == 0)
                continue;
            QCOMPARE(values.at(v).at(0).toDateTime(), row.at(0).toDateTime());
            QVERIFY(qFuzzyCompare(values.at(v).at(1).toDouble(), row.at(1).toInt() * 3600.0 / row.at(2).toInt()));
            ++v;
        }
        QVERIFY(recorder.messages().contains("Data acquisition is complete"));

        // Several raw detectors: summed rates, a statement both servers take.
        recorder.clear();
        worker->requestDt15(1, "1+2", 0, 1, day, 1, true);
        QVERIFY(waitComplete(recorder));
        QVERIFY(recorder.count("dt15") > 100);
        QVERIFY(recorder.messages().contains("Data acquisition is complete"));
    }

    void dumpOfTwoWorkersAtOnce_data() { TestServers::addServerRows(); }
    void dumpOfTwoWorkersAtOnce()
    {
        QFETCH(QString, server);
        useServer(server);
        QTemporaryDir dir;
        const QString path = dir.filePath("dump.sql");
        Database::startDumpQueries(path);
        auto first = newWorker();
        auto second = newWorker();
        DatabaseRecorder one(first.get()), two(second.get());
        const QDate day = TestServers::day();
        for (int round = 0; round < 5; ++round) {
            one.clear();
            two.clear();
            first->requestDt15(1, "1+2", 1, 1, day, 3, false);
            second->requestDtStat(1, "2", 0, 4, day);
            QVERIFY(waitComplete(one));
            QVERIFY(waitComplete(two));
        }
        Database::stopDumpQueries();
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromLocal8Bit(file.readAll()).split('\n', Qt::SkipEmptyParts);
        // 5 rounds of 5 statements and of 2 statements, each line whole.
        QCOMPARE(lines.size(), 5 * 5 + 5 * 2);
        QCOMPARE(lines.filter(QRegularExpression("^select .* from dt15p where objectid=1 .*")).size(), 15);
        QCOMPARE(lines.filter(QRegularExpression("^SELECT .* FROM dt15 WHERE objectid=1 .*ORDER BY tm.*$")).size(), 10);
        QCOMPARE(lines.filter("`").isEmpty(), server == "pg");
    }

    void stopWhileBlockedOnTheSharedLock_data() { TestServers::addServerRows(); }
    void stopWhileBlockedOnTheSharedLock()
    {
        QFETCH(QString, server);
        useServer(server);
        auto worker = newWorker();
        DatabaseRecorder recorder(worker.get());
        dbMutex.lock(); // the facade or another worker holds the connection
        auto unlock = qScopeGuard([this] { dbMutex.unlock(); });
        worker->requestDetectors(1);
        QTest::qWait(200);
        QElapsedTimer timer;
        timer.start();
        worker->stop();
        // Noticed while waiting for the lock: no termination needed.
        QVERIFY(timer.elapsed() < 1000);
        QVERIFY(worker->isFinished());
        QVERIFY(waitComplete(recorder, 1, 2000));
        QVERIFY(recorder.messages().contains("Interrupted by the user"));
        QVERIFY(!recorder.messages().contains("Disconnected"));
        QVERIFY(recorder.messages().contains("The database is closed"));
        worker.reset();
        unlock.dismiss();
        dbMutex.unlock();

        // The lock is usable again: another worker reads.
        auto next = newWorker();
        DatabaseRecorder nextRecorder(next.get());
        next->requestDetectors(1);
        QVERIFY(waitComplete(nextRecorder));
        QVERIFY(nextRecorder.count("dt") > 0);
    }
};

QTEST_GUILESS_MAIN(DatabaseTest)
#include "tst_database.moc"
