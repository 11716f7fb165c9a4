// The worker against the servers of scripts/dbserver, and what the round
// trips cannot show of the statements.
#include "DatabaseRecorder.h"
#include "TestServers.h"

#include "database/RequestStatements.h"
#include "sql/SqlDialect.h"
#include "sql/ConnectionBudget.h"
#include "database/ServiceStatements.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QTcpServer>
#include <QtTest>

#include <atomic>
#include <memory>

namespace {

const QString complete = QStringLiteral("Data acquisition is complete");
const QStringList interrupted{"Pending completion of the database (3 sec.)", "Interrupted by the user",
                              "The database is closed"};

// Rows written out exactly, one line each: bytes in hex, times to the
// millisecond, a time without one as MariaDB's driver writes it.
QStringList lines(const QVector<QVariantList> &rows)
{
    QStringList result;
    for (const QVariantList &row : rows) {
        QStringList values;
        for (const QVariant &v : row) {
            values << (v.isNull() ? QStringLiteral("NULL")
                       : v.type() == QVariant::ByteArray ? QString::fromLatin1(v.toByteArray().toHex())
                       : v.type() == QVariant::Time && v.toTime().msec() == 0 ? v.toTime().toString(Qt::ISODate)
                                                                               : v.toString());
        }
        result << values.join(QLatin1Char('|'));
    }
    return result;
}

} // namespace

class DatabaseTest : public QObject
{
    Q_OBJECT

    QMutex dbMutex;
    QSqlDatabase shared;    // the facade's connection stand-in
    QSqlDatabase reference; // read directly for the expected rows
    QDate day;
    int connectionCount = 0;
    std::unique_ptr<Database> worker;
    std::unique_ptr<DatabaseRecorder> recorder;

    void useServer(const QString &name)
    {
        shared = TestServers::connection(name, QStringLiteral("shared%1").arg(++connectionCount));
        reference = TestServers::connection(name, QStringLiteral("reference%1").arg(connectionCount));
        QVERIFY2(reference.open(), qPrintable(reference.lastError().text()));
        newWorker();
    }

    void newWorker()
    {
        worker = std::make_unique<Database>(nullptr, &shared, &dbMutex);
        recorder = std::make_unique<DatabaseRecorder>(worker.get());
    }

    // Spins without sleeping, so that pacing pauses end as soon as they can.
    static bool waitComplete(DatabaseRecorder &recorder, int completes = 1, int ms = 30000)
    {
        QElapsedTimer timer;
        timer.start();
        while (recorder.completes < completes && timer.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return recorder.completes >= completes;
    }

    bool run(const std::function<void(Database *)> &request)
    {
        recorder->clear();
        request(worker.get());
        return waitComplete(*recorder);
    }

    // The rows of a statement written with back-quotes, as lines().
    QStringList query(const QString &statement)
    {
        return lines(TestServers::rows(reference, SqlDialect::forDriver(reference.driverName()).quoteIdentifiers(statement)));
    }

    QString connectingTo() const { return "Connect to database " + shared.databaseName() + "@127.0.0.1"; }

    QString ofDay(const QString &column = QStringLiteral("`time`")) const
    {
        return QStringLiteral("%1 >= '%2' and %1 < '%3'").arg(column, day.toString(Qt::ISODate),
                                                             day.addDays(1).toString(Qt::ISODate));
    }

private slots:
    void initTestCase()
    {
        qRegisterMetaType<LogMessageType>("LogMessageType");
        SKIP_WITHOUT_SERVERS();
        day = TestServers::day();
    }

    void cleanup()
    {
        Database::stopDumpQueries();
        recorder.reset();
        worker.reset();
        shared = QSqlDatabase();
        reference.close(); // a pooler by session would keep a server connection for it
        reference = QSqlDatabase();
    }

    // Requests of every kind, one after the other on one worker.
    void requestsOfEveryKind_data() { TestServers::addServerRows(); }
    void requestsOfEveryKind()
    {
        QFETCH(QString, server);
        useServer(server);
        // Of two requests made while the facade or another worker holds the
        // shared lock, which the worker waits for, only the later runs.
        {
            QMutexLocker held(&dbMutex);
            worker->requestLog(1, day, day.addDays(1), 0x5FFFF);
            worker->requestDetectors(1);
        }
        QVERIFY(waitComplete(*recorder));
        QTest::qWait(300);
        QCOMPARE(recorder->count("log"), 0);
        QCOMPARE(recorder->completes, 1);
        QCOMPARE(recorder->messages().first(), connectingTo());
        QCOMPARE(lines(recorder->rows("dt")),
                 query("select id from detectors where collect and objectid=1 order by id"));

        // Every record generation. A pause after every 101 rows, ended as soon
        // as this thread had the rows sent before it, well before its 50 ms.
        for (const auto &[object, ver] : {qMakePair(1u, 0x5FFFFu), qMakePair(2u, 0x3FFFFu), qMakePair(3u, 0x2FFFFu)}) {
            QVERIFY(run([&](Database *w) { w->requestLog(object, day, day.addDays(1), ver); }));
            const QStringList expected = query(
                QStringLiteral("select e.`time`,e.devicetime,e.type,t.description,%1,e.value,e.`data` from events e "
                               "join eventtypes t on t.id=e.type where e.objectid=%2 and %3 order by e.`time`,"
                               "e.`index`")
                    .arg(ver == 0x5FFFF ? "coalesce(e.description,t.description)" : "NULL")
                    .arg(object)
                    .arg(ofDay("e.`time`")));
            QVERIFY(expected.size() > 10);
            QCOMPARE(lines(recorder->rows("log")), expected);
            QCOMPARE(worker->pausesCaughtUp() + worker->pausesTimedOut(), (expected.size() - 1) / 101);
            QVERIFY(worker->pausesCaughtUp() > worker->pausesTimedOut()); // most end early
        }

        QVERIFY(run([&](Database *w) { w->requestPhases(1, day, day.addDays(1), true); }));
        QCOMPARE(lines(recorder->rows("phase")), query("select `time`,phaseid,length+promtact from phasesdata where "
                                                        "objectid=1 and " + ofDay() + " order by `time`,phaseid"));
        QCOMPARE(lines(recorder->rows("state")),
                 query("select `time`,value from events where objectid=1 and type=2 and " + ofDay() + " order by 1"));
        QVERIFY(recorder->count("phase") > 100 && recorder->count("state") > 0);
        const QStringList messages = recorder->messages();
        QCOMPARE(messages.mid(messages.size() - 3),
                 (QStringList{"Obtaining data on the phases", "Obtaining data on the states", complete}));
        QVERIFY(recorder->indexOf("phase") < recorder->indexOf("state"));

        // Raw records: one without an interval has a state but no rate, and
        // does not end the day.
        const QDateTime stamp(day, QTime(23, 59, 30));
        const QString row = "objectid=1 and detectorid=1 and `time`='" + stamp.toString(Qt::ISODate) + "'";
        query("insert into detectorsdata (objectid,detectorid,`time`,cars,`interval`,occupancy,speed,state) "
              "values (1,1,'" + stamp.toString(Qt::ISODate) + "',7,0,5,40,0)");
        const auto removeRow = qScopeGuard([&] { query("delete from detectorsdata where " + row); });
        QVERIFY(run([&](Database *w) { w->requestDt15(1, "1", 0, 1, day, 1, true); }));
        QCOMPARE(recorder->messages().last(), complete);
        QVector<QDateTime> rates, states;
        for (const QVariantList &r : recorder->rows("dt15"))
            rates << (r.at(2).toInt() == 1 ? r.at(0).toDateTime() : QDateTime());
        for (const QVariantList &r : recorder->rows("dt15state"))
            states << r.at(0).toDateTime();
        rates.removeAll(QDateTime());
        QVERIFY(states.size() > 100);
        QCOMPARE(rates.size(), states.size() - 1);
        QVERIFY(states.contains(stamp) && !rates.contains(stamp));

        // Without the host's kernel (tst_signalviews has it) signal groups end at
        // the first row.
        QVERIFY(run([&](Database *w) { w->requestSg(1, QDateTime(day, QTime(8, 0)), QDateTime(day, QTime(9, 0))); }));
        QCOMPARE(recorder->count("sg"), 0);
        QVERIFY(recorder->messages().contains("Internal error: cannot decode event"));
        QVERIFY(!recorder->messages().contains(complete));

        // A database without the module's tables: each rejection reported.
        shared.setDatabaseName(TestServers::isPostgres(server) ? "postgres" : "mysql");
        newWorker();
        QVERIFY(run([&](Database *w) { w->requestPhases(1, day, day, false); }));
        const QStringList reported = recorder->messages();
        QCOMPARE(reported.last(), complete);
        const int statesAt = reported.indexOf("Obtaining data on the states");
        QVERIFY(reported.value(statesAt - 1).contains("phasesdata", Qt::CaseInsensitive));
        QVERIFY(reported.value(statesAt + 1).contains("events", Qt::CaseInsensitive));
        QCOMPARE(recorder->count("phase"), 0);
    }

    // Stopped while the rows stream, with this thread keeping up or blocked
    // (then every pause ends after its 50 ms): the stop returns at once and
    // no row is handed out after it.
    void stopWhileStreaming_data() { TestServers::addServerRows(); }
    void stopWhileStreaming()
    {
        QFETCH(QString, server);
        useServer(server);
        std::atomic<int> emitted{0};
        connect(worker.get(), &Database::lumoLogData, worker.get(), [&emitted] { ++emitted; }, Qt::DirectConnection);
        const int total = query("select count(*) from events where objectid=1 and " + ofDay()).first().toInt();
        for (const bool blocked : {false, true}) {
            recorder->clear();
            emitted = 0;
            worker->requestLog(1, day, day.addDays(1), 0x5FFFF);
            QTRY_VERIFY_WITH_TIMEOUT(recorder->count("log") > 150, 20000);
            if (blocked) {
                const int before = emitted;
                QThread::msleep(500);
                QVERIFY(worker->pausesTimedOut() >= 2);
                QVERIFY(emitted > before); // nothing was handled here, yet the worker went on
            }
            worker->stop();
            const int atStop = emitted;
            QTRY_VERIFY_WITH_TIMEOUT(worker->isFinished(), 5000);
            QVERIFY2(emitted - atStop <= 1, qPrintable(QString::number(emitted - atStop)));
            QVERIFY(waitComplete(*recorder, 2, 5000));
            QCOMPARE(recorder->count("log"), int(emitted));
            QVERIFY(emitted < total);
            const QStringList messages = recorder->messages();
            QCOMPARE(messages.mid(messages.indexOf(interrupted.first())), interrupted);
            QCOMPARE(recorder->completes, 2);
        }
    }

    // A stop ends a statement where it runs: rows still streaming are not
    // read (PostgreSQL), a statement still executing is cancelled on the
    // server (MariaDB buffers every row before the first). Here the log of
    // a database whose ShowLog1 yields rows without end: a worker that read
    // or waited for them all would be ended by force after its grace.
    void stopEndsTheStatement_data() { TestServers::addServerRows(); }
    void stopEndsTheStatement()
    {
        QFETCH(QString, server);
        if (server == QLatin1String("pgpart"))
            QSKIP("The same server as pg");
        useServer(server);
        const bool pg = TestServers::isPostgres(server);
        QSqlQuery(reference).exec(pg ? "create database lumo_endless" : "create database if not exists lumo_endless");
        shared.setDatabaseName("lumo_endless");
        QSqlDatabase endless = TestServers::connection(server, QStringLiteral("endless%1").arg(connectionCount));
        endless.setDatabaseName("lumo_endless");
        QVERIFY(endless.open());
        QSqlQuery(endless).exec(pg ? "drop function if exists \"ShowLog1\"" : "drop procedure if exists ShowLog1");
        QVERIFY(QSqlQuery(endless).exec(
            pg ? "create function \"ShowLog1\"(o integer, f date, t date, v integer) returns table (\"time\" timestamp, "
                 "devicetime time, type integer, typename text, description text, value integer, data bytea) "
                 "language sql stable as $$ select f + i * interval '1 second', time '00:00', 1, 'x', 'y', i, "
                 "null::bytea from (select generate_series(1, 1000000000) i) s $$"
               : "create procedure ShowLog1(o int, f date, t date, v int) select f + interval seq second, "
                 "time '00:00', 1, 'x', 'y', seq, null from seq_1_to_1000000000"));
        for (int round = 0; round < 3; ++round) {
            recorder->clear();
            worker->requestLog(1, day, day.addDays(1), 0x5FFFF);
            if (pg)
                QTRY_VERIFY_WITH_TIMEOUT(recorder->count("log") > 0, 20000);
            else
                QTRY_VERIFY_WITH_TIMEOUT(recorder->messages().contains("Obtaining log data"), 20000);
            worker->stop();
            QVERIFY(waitComplete(*recorder, 2, 20000));
            const QStringList messages = recorder->messages();
            QCOMPARE(messages.mid(messages.indexOf(interrupted.first())), interrupted);
        }
        // Stopped at once, before the statement may have reached the server.
        for (int round = 0; round < 5; ++round) {
            recorder->clear();
            worker->requestLog(1, day, day.addDays(1), 0x5FFFF);
            QTRY_VERIFY_WITH_TIMEOUT(recorder->messages().contains("Obtaining log data"), 20000);
            worker->stop();
            QVERIFY(waitComplete(*recorder, 2, 20000));
            QVERIFY2(!recorder->messages().contains("Disconnected"), qPrintable(recorder->messages().join('\n')));
        }
    }

    // A worker that cannot reach its server retries with the settings in
    // force, and never holds the shared lock while it connects: the facade
    // can point it at another server meanwhile (a standby promoted).
    void newSettingsFollowedWhileRetrying()
    {
        if (!TestServers::available().contains("pg"))
            QSKIP("Needs the PostgreSQL test server");
        useServer("pg");
        QTcpServer silent; // accepts and never answers
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        const int port = shared.port();
        shared.setPort(silent.serverPort());
        worker->requestDetectors(1);
        QTRY_VERIFY_WITH_TIMEOUT(recorder->messages().count(connectingTo()) == 1, 20000);
        // Free while the worker waits for the silent server.
        QVERIFY(dbMutex.tryLock());
        shared.setPort(port);
        dbMutex.unlock();
        QVERIFY(waitComplete(*recorder, 1, 30000));
        QCOMPARE(recorder->messages().last(), complete);
        QVERIFY(recorder->count("dt") > 0);
    }
    // The workstation's workers hold at most the budget's connections: one
    // that needs a connection while the other holds the only permit waits
    // for it, and an idle worker gives its connection back after the quiet
    // time, so that an idle workstation holds none.
    void connectionsWithinBudget_data() { TestServers::addServerRows(); }
    void connectionsWithinBudget()
    {
        QFETCH(QString, server);
        useServer(server);
        ConnectionBudget &budget = ConnectionBudget::instance();
        const int permits = budget.permits();
        const int idle = budget.idleMsecs();
        const auto restore = qScopeGuard([&] {
            budget.setPermits(permits);
            budget.setIdleMsecs(idle);
        });
        budget.setPermits(1);
        budget.setIdleMsecs(1000);
        const QString others = TestServers::otherSessions(server);

        // Earlier tests' connections stay registered and open.
        const QStringList before = query(others);
        Database second(nullptr, &shared, &dbMutex);
        DatabaseRecorder secondRecorder(&second);
        worker->requestLog(1, day, day.addDays(1), 0x5FFFF);
        second.requestDetectors(1);
        QVERIFY(waitComplete(*recorder));
        QVERIFY(waitComplete(secondRecorder));
        QCOMPARE(recorder->messages().last(), complete);
        QCOMPARE(secondRecorder.messages().last(), complete);
        QVERIFY(recorder->messages().contains("Waiting for another view to finish reading")
                || secondRecorder.messages().contains("Waiting for another view to finish reading"));
        QTRY_COMPARE_WITH_TIMEOUT(query(others), before, 10000);
        // The next request opens it again.
        QVERIFY(run([&](Database *w) { w->requestDetectors(1); }));
        QCOMPARE(recorder->messages().last(), complete);
    }

    // A view that follows its period asks at each step what changed in each
    // of its streams; what it holds, with the rows of a step put in place of
    // its own from the step's time on, equals a fresh load: new rows, rows
    // sharing the newest time, rows written late, a day without rows yet.
    void followSteps_data() { TestServers::addServerRows({"log", "log, older generation", "phases", "raw detector data"}); }
    void followSteps()
    {
        QFETCH(QString, server);
        QFETCH(QString, kind);
        useServer(server);
        const uint object = 906;
        const bool phases = kind == "phases", raw = kind.startsWith("raw");
        const QString tables = phases ? "phasesdata,events" : raw ? "detectorsdata" : "events";
        const auto clear = [&] {
            for (const QString &table : tables.split(','))
                query(QStringLiteral("delete from %1 where objectid=%2").arg(table).arg(object));
        };
        clear();
        const auto cleanUp = qScopeGuard(clear);
        int index = 0;
        const auto insert = [&](const QTime &time) {
            const QString t = "'" + QDateTime(day, time).toString("yyyy-MM-dd hh:mm:ss") + "'";
            ++index;
            if (phases)
                query(QStringLiteral("insert into phasesdata (objectid,`time`,phaseid,length,promtact) values (%1,%2,%3,%4,1)")
                          .arg(object).arg(t).arg(index % 3 + 1).arg(20 + index));
            query((phases ? QStringLiteral("insert into events (objectid,`time`,type,value,`index`) values (%1,%2,2,%3,%3)")
                   : raw ? QStringLiteral("insert into detectorsdata (objectid,detectorid,`time`,cars,`interval`,occupancy,"
                                          "speed,state) values (%1,1,%2,%3,60,5,40,%3)")
                         : QStringLiteral("insert into events (objectid,`time`,devicetime,type,value,`index`,description) "
                                          "values (%1,%2,'10:00:00',1,%3,%3,'x%3')")).arg(object).arg(t).arg(index));
        };
        const uint ver = kind == "log, older generation" ? 0x3FFFF : 0x5FFFF;
        const QStringList streams = phases ? QStringList{"phase", "state"} : raw ? QStringList{"dt15state"} : QStringList{"log"};
        using Rows = QVector<QVector<QVariantList>>;
        const auto load = [&] {
            run([&](Database *w) {
                phases ? w->requestPhases(object, day, day.addDays(1), true)
                : raw  ? w->requestDt15(object, "1", 0, 1, day, 1, true)
                       : w->requestLog(object, day, day.addDays(1), ver);
            });
            Rows rows;
            for (const QString &stream : streams)
                rows << recorder->rows(stream);
            return rows;
        };
        const auto cursorOf = [&](const QVector<QVariantList> &rows) {
            Database::FollowCursor cursor;
            const QDateTime last = rows.isEmpty() ? QDateTime(day, QTime(0, 0)) : rows.last().at(0).toDateTime();
            cursor.newest = QDateTime(last.date(), QTime(last.time().hour(), last.time().minute(), last.time().second()));
            cursor.window = std::max(cursor.newest.addSecs(-15 * 60), QDateTime(day, QTime(0, 0)));
            for (const QVariantList &row : rows) {
                cursor.inWindow += row.at(0).toDateTime() >= cursor.window;
                cursor.fromNewest += row.at(0).toDateTime() >= cursor.newest;
            }
            return cursor;
        };
        // One step, its rows put in place; whether any stream changed.
        const auto step = [&](Rows &held) {
            QVector<Database::FollowCursor> cursors;
            for (const QVector<QVariantList> &rows : held)
                cursors << cursorOf(rows);
            run([&](Database *w) {
                phases ? w->followPhases(object, cursors[0], cursors[1], day.addDays(1), true)
                : raw  ? w->followDt15(object, "1", 0, true, cursors[0], day.addDays(1))
                       : w->followLog(object, cursors[0], day.addDays(1), ver);
            });
            for (const QVariantList &from : recorder->rows("followFrom")) {
                QVector<QVariantList> &rows = held[from.at(0).toInt()];
                rows.erase(std::remove_if(rows.begin(), rows.end(), [&](const QVariantList &r) {
                               return r.at(0).toDateTime() >= from.at(1).toDateTime();
                           }), rows.end());
                rows += recorder->rows(streams.at(from.at(0).toInt()));
            }
            return recorder->count("followFrom") > 0;
        };

        Rows held = load();
        QVERIFY(held.first().isEmpty());
        QVERIFY(!step(held));
        QVERIFY(!recorder->messages().contains(complete));
        insert(QTime(10, 0, 0)); // into a day without rows
        QVERIFY(step(held));
        QCOMPARE(held, load());
        insert(QTime(10, 0, 5));
        insert(QTime(10, 0, 5));
        QVERIFY(step(held));
        QCOMPARE(held, load());
        QVERIFY(!step(held));
        insert(QTime(10, 0, 5)); // the newest time again
        insert(QTime(10, 3, 0));
        QVERIFY(step(held));
        QCOMPARE(recorder->rows("followFrom").first().at(1).toDateTime(), QDateTime(day, QTime(10, 0, 5)));
        QCOMPARE(held, load());
        insert(QTime(9, 55, 0)); // late, within the window
        QVERIFY(step(held));
        QCOMPARE(recorder->messages(), QStringList());
        QCOMPARE(recorder->rows("followFrom").first().at(1).toDateTime(), QDateTime(day, QTime(9, 48, 0)));
        QCOMPARE(held, load());
        QCOMPARE(held.first().size(), 6);
    }

    // Each statement beside the day condition it had before, over object 6's
    // records on and around the bounds of the day: the same rows except the
    // next midnight's, which a between up to it took in, and on PostgreSQL
    // those at 23:59:59.5, which a between up to 23:59:59 lost.
    void dayRangesAgainstFormerConditions_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("former");
        QTest::addColumn<QStringList>("onlyFormer"); // the first column of the rows only one returns
        QTest::addColumn<QStringList>("onlyNew");
        const uint object = 6;
        const QDate d = TestServers::day(), n = d.addDays(1);
        const QString day = d.toString(Qt::ISODate);
        const QStringList midnight{n.toString(Qt::ISODate) + "T00:00:00.000"};
        const QStringList midnights = midnight + midnight + midnight;
        enum Former { UpToMidnight, UpToLastSecond, OnTheDate };
        for (const QString &server : TestServers::available()) {
            const bool pg = TestServers::isPostgres(server);
            const SqlDialect dialect(pg ? SqlDialect::PostgreSql : SqlDialect::MySql);
            const RequestStatements requests(pg);
            // MariaDB's datetime keeps no fraction: there the record is at 23:59:59.
            const QStringList halfSecond = pg ? QStringList{"23:59:59.500"} : QStringList();
            // The statement with its `c >= 'from' and c < 'to'` written as before.
            auto row = [&](const QString &kind, const QString &statement, Former former, const QStringList &onlyFormer,
                           const QStringList &onlyNew = {}) {
                static const QRegularExpression range(QStringLiteral("([\\w.`]+) >= '([^']+)' and \\1 <=? '([^']+)'"));
                const QRegularExpressionMatch m = range.match(statement);
                const QString c = m.captured(1), from = m.captured(2), to = m.captured(3);
                const QString last = QDate::fromString(to.left(10), Qt::ISODate).addDays(-1).toString(Qt::ISODate);
                const QString text = former == UpToMidnight ? c + " between '" + from + "' and '" + to + "'"
                    : former == UpToLastSecond ? c + " between '" + from + "' and '" + last + " 23:59:59'"
                    : (pg ? c + "::date" : "date(" + c + ")") + " between '" + from.left(10) + "' and '" + last + "'";
                QTest::newRow(qPrintable(server + ": " + kind)) << server << statement
                    << QString(statement).replace(m.capturedStart(), m.hasMatch() ? m.capturedLength() : 0, text)
                    << onlyFormer << onlyNew;
            };
            const QStringList phases = requests.phases(object, d, n, false);
            row("phases", phases.at(0), UpToMidnight, midnight);
            row("states", phases.at(1), UpToMidnight, midnight);
            row("log, older generations", requests.log(object, d, n, 0x3FFFF).first(), UpToMidnight, midnights);
            row("signal groups", requests.sg(object, QDateTime(d, QTime(0, 0)), QDateTime(n, QTime(0, 0))).first(),
                UpToMidnight, midnight);
            for (const bool raw : {false, true}) {
                const QString table = raw ? QStringLiteral(", records") : QStringLiteral(", 15 minutes");
                row("detector data, day" + table, requests.dt15(object, "1", 0, 1, d, 1, raw, {}).at(1), OnTheDate, {});
                row("detector data, week" + table, requests.dt15(object, "1+2", 1, 1, d, 7, raw, {})[7], OnTheDate, {});
            }
            // Asked on the next day at 00:10: the day from its first quarter on.
            row("detector data, previous day",
                requests.dt15(object, "1", 0, 1, n, 1, false, QDateTime(n, QTime(0, 10))).last(),
                UpToLastSecond, {}, pg ? QStringList{n.toString(Qt::ISODate) + "T23:59:59.500"} : QStringList());
            const QStringList statistics = requests.dtStat(object, "1", 0, 1, d);
            row("statistics, day", statistics.at(1), UpToLastSecond, {}, halfSecond);
            // The fault chart's records, bound as the view binds them.
            QString records = ServiceStatements(dialect).faultRecords(object);
            for (const QString &value : {QStringLiteral("'1'"), "'" + day + "'", "'" + n.toString(Qt::ISODate) + "'"})
                records.replace(records.indexOf(QLatin1Char('?')), 1, value);
            row("fault chart records", records, OnTheDate, {});
            // The history was a weekday function over the weeks' range.
            QTest::newRow(qPrintable(server + ": statistics, history")) << server << statistics.at(0)
                << QString(statistics.at(0)).replace(
                       "(" + dialect.dayRange("`time`", d.addDays(-7), d.addDays(-7)) + " or "
                           + dialect.dayRange("`time`", d, d) + ")",
                       (pg ? QStringLiteral("extract(dow from `time`)=%1").arg(d.dayOfWeek() % 7)
                           : QStringLiteral("weekday(`time`)=%1").arg(d.dayOfWeek() - 1))
                           + " AND `time` BETWEEN '" + d.addDays(-7).toString(Qt::ISODate) + "' AND '" + day
                           + " 23:59:59'")
                << QStringList() << halfSecond;
            // ShowLog1 is the server's: the former one ran this.
            QTest::newRow(qPrintable(server + ": log, ShowLog1")) << server << requests.log(object, d, n, 0x5FFFF)[0]
                << QStringLiteral("select e.`time`,e.devicetime,e.`type`,t.description,coalesce(e.description,"
                                  "t.description),e.value,e.`data` from events e left join eventtypes t on "
                                  "t.id=e.`type` where e.objectid=%1 and e.`time` between '%2' and '%3' "
                                  "order by e.`time`,e.`index`").arg(object).arg(day, n.toString(Qt::ISODate))
                << midnights << QStringList();
        }
    }
    void dayRangesAgainstFormerConditions()
    {
        QFETCH(QString, server);
        QFETCH(QString, statement);
        QFETCH(QString, former);
        QFETCH(QStringList, onlyFormer);
        QFETCH(QStringList, onlyNew);
        QVERIFY2(former != statement, qPrintable(statement));
        useServer(server);
        const QStringList formerRows = query(former), rows = query(statement);
        QVERIFY(rows.size() > 1);
        // The first column of the rows of `a` that `b` lacks.
        auto only = [](QStringList a, const QStringList &b) {
            for (const QString &row : b)
                a.removeOne(row);
            for (QString &row : a)
                row = row.section(QLatin1Char('|'), 0, 0);
            return a;
        };
        QCOMPARE(only(formerRows, rows), onlyFormer);
        QCOMPARE(only(rows, formerRows), onlyNew);
    }

    void selectionIsSanitised()
    {
        QCOMPARE(RequestStatements::detectorSelection("1+2; drop table events", 1).condition, QString("detectorid =1"));
        QCOMPARE(RequestStatements::detectorSelection("x", 1).condition, QString("detectorid in (NULL)"));
        QCOMPARE(RequestStatements::valueColumn(-1), QString("intensity"));
    }

    // Back-quotes become double quotes for PostgreSQL, but never inside a
    // literal, a quoted identifier or a comment.
    void identifierQuoting_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("sent");
        QTest::newRow("literal") << "select `a` from t where b='x`y' and `c`='it''s `d`'"
                                 << "select \"a\" from t where b='x`y' and \"c\"='it''s `d`'";
        QTest::newRow("escaped literal") << "select E'a\\\\`', `b`" << "select E'a\\\\`', \"b\"";
        QTest::newRow("quoted name") << "select \"it's\", `a`" << "select \"it's\", \"a\"";
        QTest::newRow("comments") << "select `a` -- don't `b`\nfrom /* `c' */ `d`"
                                  << "select \"a\" -- don't `b`\nfrom /* `c' */ \"d\"";
        QTest::newRow("doubled, nested, dollar-quoted") << "select `a``b`, `c\"d` /* /* `e` */ `f` */, $$`g`$$ from `t`"
                                                        << "select \"a`b\", \"c\"\"d\" /* /* `e` */ `f` */, $$`g`$$ from \"t\"";
    }
    void identifierQuoting()
    {
        QFETCH(QString, statement);
        QFETCH(QString, sent);
        QCOMPARE(SqlDialect(SqlDialect::PostgreSql).quoteIdentifiers(statement), sent);
    }
};

QTEST_GUILESS_MAIN(DatabaseTest)
#include "tst_database.moc"
