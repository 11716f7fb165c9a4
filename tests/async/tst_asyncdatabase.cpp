// The service against the real servers: which worker runs what and in which
// order, which query gets which answer, connection trouble reported once,
// the server killed and restarted, stop with queries queued, the dump file.
#include "AsyncRecorder.h"
#include "TestServers.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class AsyncDatabaseTest : public QObject
{
    Q_OBJECT

    QSqlDatabase reference;
    QString server;
    int connections = 0;

    bool pg() const { return server == QLatin1String("pg"); }

    bool exec(const QString &text)
    {
        QSqlQuery q(reference);
        if (!q.exec(text)) {
            qWarning() << text << q.lastError().text();
            return false;
        }
        return true;
    }

    QString scalar(const QString &text)
    {
        QSqlQuery q(reference);
        if (!q.exec(text) || !q.next())
            return QStringLiteral("<none>");
        return q.value(0).toString();
    }

    void useServer()
    {
        QFETCH(QString, name);
        server = name;
        reference = TestServers::connection(server, QStringLiteral("reference%1").arg(++connections));
        QVERIFY2(reference.open(), qPrintable(reference.lastError().text()));
        exec(QStringLiteral("drop table if exists async_t"));
        QVERIFY(exec(pg() ? QStringLiteral("create table async_t (id serial primary key, n int, s text)")
                          : QStringLiteral("create table async_t (id int auto_increment primary key, n int, s text)")));
    }

    std::unique_ptr<AsyncDatabase> newService(const QString &url = QString())
    {
        auto service = std::make_unique<AsyncDatabase>(nullptr, url.isEmpty() ? TestServers::url(server) : url);
        service->setReconnectInterval(200);
        return service;
    }

    QString sleepStatement(double seconds) const
    {
        return pg() ? QStringLiteral("select pg_sleep(%1)").arg(seconds)
                    : QStringLiteral("select sleep(%1)").arg(seconds);
    }

    // A URL whose port nobody listens on.
    static QString closedPortUrl(const QString &url)
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        QUrl u(url);
        u.setPort(probe.serverPort());
        probe.close();
        return u.toString();
    }

    static int dbserver(const QString &action, const QString &which)
    {
        return QProcess::execute(QStringLiteral(LUMOVIEW_SOURCE_DIR "/scripts/dbserver"), {action, which});
    }

    static int index(const AsyncRecorder &recorder, AsyncSqlQuery *query, const char *signal)
    {
        for (int i = 0; i < recorder.outcomes.size(); ++i) {
            if (recorder.outcomes.at(i).query == query && recorder.outcomes.at(i).signal == QLatin1String(signal))
                return i;
        }
        return -1;
    }

    static AsyncRecorder::Outcome outcome(const AsyncRecorder &recorder, AsyncSqlQuery *query, const char *signal)
    {
        const int i = index(recorder, query, signal);
        return i < 0 ? AsyncRecorder::Outcome() : recorder.outcomes.at(i);
    }

private slots:
    void initTestCase()
    {
        if (TestServers::available().isEmpty())
            QSKIP("No test servers: run through scripts/dbserver");
    }

    void cleanup()
    {
        if (reference.isOpen())
            exec(QStringLiteral("drop table if exists async_t"));
        reference = QSqlDatabase();
    }

    // Each worker runs its queries in submission order; reads and writes
    // have workers and connections of their own, so a slow read holds up no
    // write.
    void queueOrderAndWorkers_data() { TestServers::addServerRows("name"); }
    void queueOrderAndWorkers()
    {
        useServer();
        auto service = newService();
        AsyncRecorder recorder(service.get());

        auto slow = std::make_unique<AsyncSqlQuery>(service.get(), sleepStatement(1.5));
        recorder.watch(slow.get());
        service->execQuery(slow.get());
        std::vector<std::unique_ptr<AsyncSqlQuery>> inserts, selects;
        for (int i = 0; i < 30; ++i) {
            auto insert = std::make_unique<AsyncSqlQuery>(service.get(),
                                                          QStringLiteral("INSERT into async_t (n) values (?)"));
            insert->addBindValue(i);
            recorder.watch(insert.get());
            service->execQuery(insert.get());
            inserts.push_back(std::move(insert));
            auto select = std::make_unique<AsyncSqlQuery>(service.get(), QStringLiteral("select ?"));
            select->addBindValue(i);
            recorder.watch(select.get());
            service->execQuery(select.get());
            selects.push_back(std::move(select));
        }
        QVERIFY(recorder.waitUntil([&] { return recorder.count(QStringLiteral("finished")) == 61; }));
        QCOMPARE(recorder.count(QStringLiteral("error")), 0);

        QVector<AsyncSqlQuery *> finishedOrder;
        for (const AsyncRecorder::Outcome &o : recorder.outcomes) {
            if (o.signal == QLatin1String("finished"))
                finishedOrder << o.query;
        }
        // Every write was done while the slow read still held its worker.
        QCOMPARE(finishedOrder.indexOf(slow.get()), 30);
        for (int i = 0; i < 30; ++i) {
            QCOMPARE(finishedOrder.at(i), inserts[i].get());
            QCOMPARE(finishedOrder.at(31 + i), selects[i].get());
            QCOMPARE(outcome(recorder, selects[i].get(), "finished").rows, QVariantList{QVariant(QVariantList{i})});
        }
        // The rows went in in submission order.
        QSqlQuery rows(reference);
        QVERIFY(rows.exec(QStringLiteral("select n from async_t order by id")));
        for (int i = 0; i < 30; ++i) {
            QVERIFY(rows.next());
            QCOMPARE(rows.value(0).toInt(), i);
        }
        // An insert gives its id first (MySQL has one), then finished with no rows.
        const int idAt = index(recorder, inserts[3].get(), "lastInsertId");
        QVERIFY(idAt >= 0);
        QCOMPARE(recorder.outcomes.at(idAt + 1).query, inserts[3].get());
        QCOMPARE(recorder.outcomes.at(idAt + 1).signal, QStringLiteral("finished"));
        QVERIFY(recorder.outcomes.at(idAt + 1).rows.isEmpty());
        if (!pg())
            QCOMPARE(recorder.outcomes.at(idAt).id.toInt(), 4);

        // Separate sessions: the reader's, the writer's and a clone's.
        auto reader = std::make_unique<AsyncSqlQuery>(
            service.get(), pg() ? QStringLiteral("select pg_backend_pid()") : QStringLiteral("select connection_id()"));
        const qint64 readSession = recorder.run(service.get(), reader.get()).rows.value(0).toList().value(0).toLongLong();
        auto writer = std::make_unique<AsyncSqlQuery>(
            service.get(), pg() ? QStringLiteral("insert into async_t (n) select pg_backend_pid()")
                                : QStringLiteral("insert into async_t (n) select connection_id()"));
        QCOMPARE(recorder.run(service.get(), writer.get()).signal, QStringLiteral("finished"));
        const qint64 writeSession = scalar(QStringLiteral("select n from async_t order by id desc limit 1")).toLongLong();
        std::unique_ptr<AsyncDatabase> clone(service->clone());
        auto cloneReader = std::make_unique<AsyncSqlQuery>(clone.get(), reader->text());
        const qint64 cloneSession =
            recorder.run(clone.get(), cloneReader.get()).rows.value(0).toList().value(0).toLongLong();
        QVERIFY(readSession > 0 && writeSession > 0 && cloneSession > 0);
        QVERIFY(readSession != writeSession);
        QVERIFY(cloneSession != readSession && cloneSession != writeSession);
    }

    // Answers reach the query that asked; a failing statement does not stop
    // the queries behind it; deleted and fire-and-forget queries.
    void answersToTheRightQuery_data() { TestServers::addServerRows("name"); }
    void answersToTheRightQuery()
    {
        useServer();
        QVERIFY(exec(QStringLiteral("insert into async_t (n, s) values (1, 'one'), (2, 'two'), (3, null)")));
        auto service = newService();
        AsyncRecorder recorder(service.get());

        auto good = std::make_unique<AsyncSqlQuery>(service.get(),
                                                    QStringLiteral("select `n`, `s` from async_t where n >= ? order by n"));
        good->addBindValue(2);
        auto bad = std::make_unique<AsyncSqlQuery>(service.get(), QStringLiteral("select no_such_column from async_t"));
        auto empty = std::make_unique<AsyncSqlQuery>(service.get(), QString());
        auto after = std::make_unique<AsyncSqlQuery>(service.get(), QStringLiteral("select count(*) from async_t"));
        for (AsyncSqlQuery *q : {good.get(), bad.get(), empty.get(), after.get()}) {
            recorder.watch(q);
            service->execQuery(q);
        }
        QVERIFY(recorder.waitFor(4));
        QCOMPARE(recorder.outcomes.at(0).query, good.get());
        QCOMPARE(recorder.outcomes.at(0).signal, QStringLiteral("finished"));
        const QVariantList rows = recorder.outcomes.at(0).rows;
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(0).toList().value(0).toInt(), 2);
        QCOMPARE(rows.at(0).toList().value(1).toString(), QStringLiteral("two"));
        QVERIFY(rows.at(1).toList().value(1).isNull());
        // The text keeps the double quotes PostgreSQL was given.
        QCOMPARE(good->text().contains(QLatin1Char('`')), !pg());

        QCOMPARE(recorder.outcomes.at(1).query, bad.get());
        QCOMPARE(recorder.outcomes.at(1).signal, QStringLiteral("error"));
        QVERIFY2(recorder.outcomes.at(1).error.contains(QLatin1String("no_such_column")),
                 qPrintable(recorder.outcomes.at(1).error));
        QCOMPARE(recorder.outcomes.at(2).query, empty.get());
        QCOMPARE(recorder.outcomes.at(2).error, QStringLiteral("null query"));
        QCOMPARE(recorder.outcomes.at(3).query, after.get());
        QCOMPARE(recorder.outcomes.at(3).rows.value(0).toList().value(0).toInt(), 3);
        QTRY_COMPARE(recorder.queryErrorQueries, (QVector<AsyncSqlQuery *>{bad.get(), empty.get()}));
        QCOMPARE(recorder.queryErrors.at(0), recorder.outcomes.at(1).error);
        QVERIFY(recorder.databaseErrors.isEmpty());

        // A query deleted while it runs: the service says so, nobody is called.
        auto doomed = new AsyncSqlQuery(service.get(), sleepStatement(0.3));
        recorder.watch(doomed);
        service->execQuery(doomed);
        QTest::qWait(100);
        delete doomed;
        QVERIFY(recorder.waitUntil([&] { return !recorder.databaseErrors.isEmpty(); }));
        QCOMPARE(recorder.databaseErrors, QStringList{QStringLiteral("query deleted")});

        // Fire and forget: the insert runs and its object goes away.
        const int children = service->findChildren<AsyncSqlQuery *>().size();
        QVERIFY(QMetaObject::invokeMethod(service.get(), "execQuery",
                                          Q_ARG(QString, QStringLiteral("insert into async_t (n) values (77)"))));
        auto mark = std::make_unique<AsyncSqlQuery>(service.get(), QStringLiteral("insert into async_t (n) values (78)"));
        QCOMPARE(recorder.run(service.get(), mark.get()).signal, QStringLiteral("finished"));
        QCOMPARE(scalar(QStringLiteral("select count(*) from async_t where n = 77")), QStringLiteral("1"));
        QTRY_COMPARE(service->findChildren<AsyncSqlQuery *>().size(), children + 1);

        // Cleared queue: queued queries are dropped without a word, the
        // service goes on afterwards.
        auto running = std::make_unique<AsyncSqlQuery>(service.get(), sleepStatement(0.5));
        auto dropped = std::make_unique<AsyncSqlQuery>(service.get(), QStringLiteral("select 1"));
        recorder.watch(running.get());
        recorder.watch(dropped.get());
        service->execQuery(running.get());
        service->execQuery(dropped.get());
        QTest::qWait(100);
        QVERIFY(QMetaObject::invokeMethod(service.get(), "clearQueriesQueue"));
        auto next = std::make_unique<AsyncSqlQuery>(service.get(), QStringLiteral("select 5"));
        QCOMPARE(recorder.run(service.get(), next.get()).rows.value(0).toList().value(0).toInt(), 5);
        QCOMPARE(recorder.count(dropped.get(), QStringLiteral("finished")), 0);
        QCOMPARE(recorder.count(running.get(), QStringLiteral("finished")), 0);
    }

    // A connection that keeps failing the same way is reported once; a new
    // URL is taken at once, and the query waiting for it then runs.
    void connectionErrorsOnce_data() { TestServers::addServerRows("name"); }
    void connectionErrorsOnce()
    {
        useServer();
        QUrl wrongUser(TestServers::url(server));
        wrongUser.setUserName(QStringLiteral("nosuchuser"));
        auto service = newService(wrongUser.toString());
        AsyncRecorder recorder(service.get());
        auto query = std::make_unique<AsyncSqlQuery>(service.get(), QStringLiteral("select 42"));
        recorder.watch(query.get());
        service->execQuery(query.get());
        QVERIFY(recorder.waitUntil([&] { return !recorder.databaseErrors.isEmpty(); }));
        QTest::qWait(1500); // several more attempts, 200 ms apart
        QCOMPARE(recorder.databaseErrors.size(), 1);
        QVERIFY2(recorder.databaseErrors.first().contains(QLatin1String("nosuchuser")),
                 qPrintable(recorder.databaseErrors.first()));

        // Another failure is reported again.
        service->setUrl(closedPortUrl(TestServers::url(server)));
        QVERIFY(recorder.waitUntil([&] { return recorder.databaseErrors.size() == 2; }));
        QTest::qWait(1000);
        QCOMPARE(recorder.databaseErrors.size(), 2);
        QVERIFY(recorder.outcomes.isEmpty());

        service->setUrl(TestServers::url(server));
        QVERIFY(recorder.waitFor(1));
        QCOMPARE(recorder.outcomes.first().rows.value(0).toList().value(0).toInt(), 42);
        QCOMPARE(recorder.databaseErrors.size(), 2);

        // A URL without a port means the driver's default, where no test
        // server listens, not the port of the URL before it.
        QUrl noPort(TestServers::url(server));
        noPort.setPort(-1);
        service->setUrl(noPort.toString());
        auto again = std::make_unique<AsyncSqlQuery>(service.get(), QStringLiteral("select 43"));
        recorder.watch(again.get());
        service->execQuery(again.get());
        QVERIFY(recorder.waitUntil([&] { return recorder.databaseErrors.size() == 3; }));
        QCOMPARE(recorder.outcomes.size(), 1);
    }

    // stop() while the worker waits to reconnect ends it promptly; queries
    // submitted afterwards are told that the service is stopped.
    void stopWhileReconnecting_data() { TestServers::addServerRows("name"); }
    void stopWhileReconnecting()
    {
        useServer();
        auto service = newService(closedPortUrl(TestServers::url(server)));
        service->setReconnectInterval(30000);
        AsyncRecorder recorder(service.get());
        auto query = std::make_unique<AsyncSqlQuery>(service.get(), QStringLiteral("select 1"));
        recorder.watch(query.get());
        service->execQuery(query.get());
        QVERIFY(recorder.waitUntil([&] { return !recorder.databaseErrors.isEmpty(); }));
        QElapsedTimer timer;
        timer.start();
        QVERIFY(QMetaObject::invokeMethod(service.get(), "stop"));
        QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(timer.elapsed())));

        auto late = std::make_unique<AsyncSqlQuery>(service.get(), QStringLiteral("select 1"));
        QCOMPARE(recorder.run(service.get(), late.get()).error, QStringLiteral("The query service is stopped"));
        QCOMPARE(recorder.count(query.get(), QStringLiteral("finished")), 0);
        QCOMPARE(recorder.count(query.get(), QStringLiteral("error")), 0);
    }

    // Destroying or stopping the service with work queued ends it within
    // its grace time and drops the queue; a statement that runs on is
    // cancelled on the server rather than left behind by a terminated thread.
    void stopWithQueriesQueued_data() { TestServers::addServerRows("name"); }
    void stopWithQueriesQueued()
    {
        useServer();
        const QString slowInsert = pg() ? QStringLiteral("insert into async_t (n) select 1 from pg_sleep(0.2)")
                                        : QStringLiteral("insert into async_t (n) select sleep(0.2)");
        auto service = newService();
        for (int i = 0; i < 20; ++i)
            service->execQuery(slowInsert);
        QVERIFY(AsyncRecorder::waitUntil([&] { return scalar(QStringLiteral("select count(*) from async_t")) != "0"; }));
        QElapsedTimer timer;
        timer.start();
        service.reset();
        QVERIFY2(timer.elapsed() < 1500, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(scalar(QStringLiteral("select count(*) from async_t")).toInt() < 5);

        const QString running = pg() ? QStringLiteral("select count(*) from pg_stat_activity where query = 'select pg_sleep(30)'")
                                     : QStringLiteral("select count(*) from information_schema.processlist "
                                                      "where info = 'select sleep(30)'");
        // stop() holds the caller no longer than destruction does: 1 s of
        // grace, then at most 1 s for the cancelled statement to end.
        service = newService();
        service->execQuery(sleepStatement(30));
        QVERIFY(AsyncRecorder::waitUntil([&] { return scalar(running) == QLatin1String("1"); }));
        timer.restart();
        QVERIFY(QMetaObject::invokeMethod(service.get(), "stop"));
        QVERIFY2(timer.elapsed() < 2500, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(AsyncRecorder::waitUntil([&] { return scalar(running) == QLatin1String("0"); }, 5000));
    }

    // Each execution attempt leaves one record: local time, a space, the
    // statement as sent (PostgreSQL's first attempt still with backticks),
    // a carriage return and no line feed.
    void dumpFile_data() { TestServers::addServerRows("name"); }
    void dumpFile()
    {
        useServer();
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("async.dump"));
        auto service = newService();
        AsyncRecorder recorder(service.get());
        service->setDumpFileName(path);
        auto first = std::make_unique<AsyncSqlQuery>(service.get(), QStringLiteral("select `n` from async_t where s = ?"));
        first->addBindValue(QStringLiteral("it's"));
        QCOMPARE(recorder.run(service.get(), first.get()).signal, QStringLiteral("finished"));

        // A new name reaches queries already queued.
        auto slow = std::make_unique<AsyncSqlQuery>(service.get(), sleepStatement(0.5));
        auto queued = std::make_unique<AsyncSqlQuery>(service.get(), QStringLiteral("select 2"));
        service->setDumpFileName(QString());
        recorder.watch(slow.get());
        service->execQuery(slow.get());
        QTest::qWait(150);
        service->execQuery(queued.get());
        service->setDumpFileName(path);
        recorder.watch(queued.get());
        QVERIFY(recorder.waitUntil([&] { return recorder.count(queued.get(), QStringLiteral("finished")) == 1; }));

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray dump = file.readAll();
        QVERIFY(!dump.contains('\n'));
        const QList<QByteArray> records = dump.split('\r');
        QCOMPARE(records.size(), 3);
        QVERIFY(records.at(2).isEmpty());
        const QRegularExpression stamp(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d (.*)$"));
        const QRegularExpressionMatch one = stamp.match(QString::fromUtf8(records.at(0)));
        QVERIFY2(one.hasMatch(), records.at(0).constData());
        QCOMPARE(one.captured(1), QStringLiteral("select `n` from async_t where s = 'it''s'"));
        const QDateTime when = QDateTime::fromString(QString::fromUtf8(records.at(0).left(19)), Qt::ISODate);
        QVERIFY(qAbs(when.secsTo(QDateTime::currentDateTime())) < 60);
        QCOMPARE(stamp.match(QString::fromUtf8(records.at(1))).captured(1), QStringLiteral("select 2"));
    }

    // Last: the servers are killed and restarted. What is running or queued
    // meanwhile is run again once the server is back, never lost.
    void serverKilledAndRestarted_data() { TestServers::addServerRows("name"); }
    void serverKilledAndRestarted()
    {
        useServer();
        reference.close();
        auto service = newService();
        AsyncRecorder recorder(service.get());
        auto warmUp = std::make_unique<AsyncSqlQuery>(service.get(), QStringLiteral("select 1"));
        QCOMPARE(recorder.run(service.get(), warmUp.get()).signal, QStringLiteral("finished"));
        auto warmUpWrite = std::make_unique<AsyncSqlQuery>(service.get(), QStringLiteral("insert into async_t (n) values (0)"));
        QCOMPARE(recorder.run(service.get(), warmUpWrite.get()).signal, QStringLiteral("finished"));

        auto inFlight = std::make_unique<AsyncSqlQuery>(service.get(), sleepStatement(1));
        auto read = std::make_unique<AsyncSqlQuery>(service.get(), QStringLiteral("select 7"));
        auto write = std::make_unique<AsyncSqlQuery>(service.get(), QStringLiteral("insert into async_t (n) values (8)"));
        for (AsyncSqlQuery *q : {inFlight.get(), read.get(), write.get()})
            recorder.watch(q);
        service->execQuery(inFlight.get());
        QTest::qWait(200);
        QCOMPARE(dbserver(QStringLiteral("kill"), server), 0);
        service->execQuery(read.get());
        service->execQuery(write.get());
        // Each worker that found the server gone reports each failure once,
        // not once per attempt (a dying server may first give another one).
        QVERIFY(recorder.waitUntil([&] { return recorder.databaseErrors.size() >= 2; }));
        QTest::qWait(600);
        const int reported = recorder.databaseErrors.size();
        QTest::qWait(600); // three more attempts each
        QCOMPARE(recorder.databaseErrors.size(), reported);
        for (const QString &text : qAsConst(recorder.databaseErrors))
            QVERIFY2(recorder.databaseErrors.count(text) <= 2, qPrintable(text));
        const int before = recorder.outcomes.size();

        QCOMPARE(dbserver(QStringLiteral("restart"), server), 0);
        QVERIFY(recorder.waitUntil([&] {
            return recorder.count(QStringLiteral("finished")) + recorder.count(QStringLiteral("error")) == 5;
        }, 60000));
        QCOMPARE(before, 3); // the warm-up's signals only
        QCOMPARE(recorder.count(QStringLiteral("error")), 0);
        QCOMPARE(outcome(recorder, read.get(), "finished").rows, QVariantList{QVariant(QVariantList{7})});
        QVERIFY(index(recorder, inFlight.get(), "finished") < index(recorder, read.get(), "finished"));
        QVERIFY(reference.open());
        QCOMPARE(scalar(QStringLiteral("select count(*) from async_t where n = 8")), QStringLiteral("1"));
    }
};

QTEST_GUILESS_MAIN(AsyncDatabaseTest)
#include "tst_asyncdatabase.moc"
