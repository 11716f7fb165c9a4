// The service against the real servers (killed under its queries: in
// tst_faults).
#include "AsyncRecorder.h"
#include "TestServers.h"

#include "sql/ConnectionBudget.h"

#include <QtSql>
#include <QtTest>

#include <memory>

class AsyncDatabaseTest : public QObject
{
    Q_OBJECT

    QSqlDatabase reference;
    QString server;
    int connections = 0;
    std::unique_ptr<AsyncDatabase> service;
    std::unique_ptr<AsyncRecorder> recorder;

    bool pg() const { return server == QLatin1String("pg"); }

    QString scalar(const QString &text) { return TestServers::scalar(reference, text); }

    // A server of the row, an empty table, a service with a recorder.
    void start()
    {
        QFETCH(QString, name);
        server = name;
        reference = TestServers::connection(server, QStringLiteral("reference%1").arg(++connections));
        QVERIFY2(reference.open(), qPrintable(reference.lastError().text()));
        QSqlQuery(reference).exec(QStringLiteral("drop table if exists async_t"));
        QVERIFY(QSqlQuery(reference).exec(pg() ? "create table async_t (id serial primary key, n int, s text)"
                                               : "create table async_t (id int auto_increment primary key, n int, s text)"));
        service = std::make_unique<AsyncDatabase>(nullptr, TestServers::url(server));
        service->setReconnectInterval(200);
        recorder = std::make_unique<AsyncRecorder>(service.get());
    }

    // A query of the service, watched and submitted.
    AsyncSqlQuery *submit(const QString &text, const QVariantList &values = {})
    {
        auto *query = new AsyncSqlQuery(service.get(), text);
        for (const QVariant &value : values)
            query->addBindValue(value);
        recorder->watch(query);
        service->execQuery(query);
        return query;
    }

    QString sleep(double seconds) const
    {
        return QString::fromLatin1(pg() ? "select pg_sleep(%1)" : "select sleep(%1)").arg(seconds);
    }

private slots:
    void initTestCase() { SKIP_WITHOUT_SERVERS(); }

    void cleanup()
    {
        recorder.reset();
        service.reset();
        if (reference.isOpen())
            QSqlQuery(reference).exec(QStringLiteral("drop table if exists async_t"));
        reference = QSqlDatabase();
    }

    // Each worker runs its queries in submission order; reads and writes
    // (statements that begin with insert, update or delete, in any case)
    // have workers and sessions of their own, so a slow read holds up no
    // write. An insert gives its id, then finished. Idle, the workers give
    // their connections back.
    void queueOrderAndWorkers_data() { TestServers::addServerRows("name"); }
    void queueOrderAndWorkers()
    {
        start();
        ConnectionBudget &budget = ConnectionBudget::instance();
        const int idle = budget.idleMsecs();
        const auto restore = qScopeGuard([&] { budget.setIdleMsecs(idle); });
        budget.setIdleMsecs(1000);
        const QString others = TestServers::otherSessions(server);
        const QString before = scalar(others);
        AsyncSqlQuery *slow = submit(sleep(1.5));
        QVector<AsyncSqlQuery *> inserts, selects;
        for (int i = 0; i < 30; ++i) {
            inserts << submit(QStringLiteral("INSERT into async_t (n) values (?)"), {i});
            selects << submit(QStringLiteral("select ?"), {i});
        }
        AsyncSqlQuery *blanksFirst = submit(QStringLiteral("  update async_t set n = n where n < 0"));
        QVERIFY(recorder->waitUntil([&] { return recorder->count("finished") == 62; }));
        QCOMPARE(recorder->count("error"), 0);
        QVector<AsyncSqlQuery *> finished;
        for (const AsyncRecorder::Outcome &o : qAsConst(recorder->outcomes)) {
            if (o.signal == QLatin1String("finished"))
                finished << o.query;
        }
        QCOMPARE(finished, inserts + QVector<AsyncSqlQuery *>{slow} + selects + QVector<AsyncSqlQuery *>{blanksFirst});
        for (int i = 0; i < 30; ++i)
            QCOMPARE(recorder->outcomes.at(recorder->indexOf(selects[i], "finished")).rows, QVariantList{QVariant(QVariantList{i})});
        const int idAt = recorder->indexOf(inserts[3], "lastInsertId");
        QCOMPARE(recorder->outcomes.at(idAt + 1).query, inserts[3]);
        QCOMPARE(recorder->outcomes.at(idAt + 1).signal, QStringLiteral("finished"));
        QVERIFY(recorder->outcomes.at(idAt + 1).rows.isEmpty());
        if (!pg())
            QCOMPARE(recorder->outcomes.at(idAt).id.toInt(), 4);
        QTRY_COMPARE_WITH_TIMEOUT(scalar(others), before, 10000);
    }

    // Answers reach the query that asked (the text keeps the double quotes
    // PostgreSQL was given); a failing or empty statement does not stop the
    // queries behind it; a query deleted while it runs, a cleared queue.
    // The dump file, set while they wait: one record each, local time, a
    // space, the statement as sent (PostgreSQL's still with backticks), a
    // carriage return.
    void answersToTheRightQuery_data() { TestServers::addServerRows("name"); }
    void answersToTheRightQuery()
    {
        start();
        QVERIFY(QSqlQuery(reference).exec(QStringLiteral("insert into async_t (n, s) values (1, 'one'), (2, 'two'), (3, null)")));
        QTemporaryDir dir;
        const QString dump = dir.filePath(QStringLiteral("async.dump"));
        submit(sleep(0.3));
        AsyncSqlQuery *good = submit(QStringLiteral("select `n`, `s` from async_t where n >= ? and coalesce(`s`, '') <> ? "
                                                    "order by n"), {2, "it's"});
        AsyncSqlQuery *bad = submit(QStringLiteral("select no_such_column from async_t"));
        AsyncSqlQuery *empty = submit(QString());
        AsyncSqlQuery *after = submit(QStringLiteral("select count(*) from async_t"));
        service->setDumpFileName(dump);
        QVERIFY(recorder->waitFor(5));
        service->setDumpFileName(QString());
        const QVector<AsyncRecorder::Outcome> o = recorder->outcomes.mid(1);
        QCOMPARE((QVector<AsyncSqlQuery *>{o[0].query, o[1].query, o[2].query, o[3].query}),
                 (QVector<AsyncSqlQuery *>{good, bad, empty, after}));
        QCOMPARE(o[0].rows.size(), 2);
        QCOMPARE(o[0].rows.at(0), QVariant(QVariantList{2, "two"}));
        QVERIFY(o[0].rows.at(1).toList().at(1).isNull());
        QCOMPARE(good->text().contains(QLatin1Char('`')), !pg());
        QVERIFY2(o[1].signal == "error" && o[1].error.contains("no_such_column"), qPrintable(o[1].error));
        QCOMPARE(o[2].error, QStringLiteral("null query"));
        QCOMPARE(o[3].rows, QVariantList{QVariant(QVariantList{3})});
        QTRY_COMPARE(recorder->queryErrorQueries, (QVector<AsyncSqlQuery *>{bad, empty}));
        QCOMPARE(recorder->queryErrors.first(), o[1].error);
        QVERIFY(recorder->databaseErrors.isEmpty());
        QFile file(dump);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QStringList records = QString::fromUtf8(file.readAll()).split(QLatin1Char('\r'));
        if (records.first().endsWith(sleep(0.3))) // still queued when the name came
            records.removeFirst();
        QVERIFY2(records.size() == 4, qPrintable(records.join(" | ")));
        const QRegularExpression stamp(QStringLiteral("^(\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d) (.*)$"));
        QCOMPARE(stamp.match(records[0]).captured(2),
                 QStringLiteral("select `n`, `s` from async_t where n >= 2 and coalesce(`s`, '') <> 'it''s' order by n"));
        QVERIFY(qAbs(QDateTime::fromString(stamp.match(records[0]).captured(1), Qt::ISODate)
                         .secsTo(QDateTime::currentDateTime())) < 60);
        QCOMPARE(stamp.match(records[2]).captured(2), QStringLiteral("select count(*) from async_t"));
        QCOMPARE(records[3], QString());

        // Deleted while it runs: the service says so, nobody is called.
        AsyncSqlQuery *doomed = submit(sleep(0.3));
        QTest::qWait(100);
        delete doomed;
        QVERIFY(recorder->waitUntil([&] { return !recorder->databaseErrors.isEmpty(); }));
        QCOMPARE(recorder->databaseErrors, QStringList{"query deleted"});

        // Cleared queue: running and queued queries dropped without a word.
        AsyncSqlQuery *running = submit(sleep(0.5));
        AsyncSqlQuery *dropped = submit(QStringLiteral("select 1"));
        QTest::qWait(100);
        QVERIFY(QMetaObject::invokeMethod(service.get(), "clearQueriesQueue"));
        AsyncSqlQuery next(service.get(), QStringLiteral("select 5"));
        QCOMPARE(recorder->run(service.get(), &next).rows, QVariantList{QVariant(QVariantList{5})});
        QCOMPARE(recorder->count(dropped, "finished") + recorder->count(running, "finished"), 0);
    }

    // A connection failing the same way is reported once, another failure
    // again; a new URL is taken at once and the waiting query runs. No port
    // means the driver's default (no test server there), not the one before.
    // stop() while the worker waits to reconnect ends it promptly.
    void connectionTrouble_data() { TestServers::addServerRows("name"); }
    void connectionTrouble()
    {
        start();
        QUrl wrongUser(TestServers::url(server));
        wrongUser.setUserName(QStringLiteral("nosuchuser"));
        service->setUrl(wrongUser.toString());
        AsyncSqlQuery *query = submit(QStringLiteral("select 42"));
        QVERIFY(recorder->waitUntil([&] { return !recorder->databaseErrors.isEmpty(); }));
        QTest::qWait(1000); // several more attempts, 200 ms apart
        QCOMPARE(recorder->databaseErrors.size(), 1);
        QVERIFY2(recorder->databaseErrors.first().contains("nosuchuser"), qPrintable(recorder->databaseErrors.first()));
        QUrl closedPort(TestServers::url(server));
        closedPort.setPort(1);
        service->setUrl(closedPort.toString());
        QVERIFY(recorder->waitUntil([&] { return recorder->databaseErrors.size() == 2; }));
        QTest::qWait(800);
        QCOMPARE(recorder->databaseErrors.size(), 2);
        QVERIFY(recorder->outcomes.isEmpty());
        // A password holding an unencoded "/": refused, without a word of it.
        QTest::ignoreMessage(QtCriticalMsg, "Invalid url format: a \"/\", \"?\" or \"#\" in the user name or "
                                            "password must be written as %2F, %3F or %23");
        QVERIFY(!service->setUrl(QStringLiteral("//lumo:se/cret@127.0.0.1/QPSQL/lumo")));
        service->setUrl(TestServers::url(server));
        QVERIFY(recorder->waitFor(1));
        QCOMPARE(recorder->outcomes.first().query, query);
        QCOMPARE(recorder->outcomes.first().rows, QVariantList{QVariant(QVariantList{42})});

        QUrl noPort(TestServers::url(server));
        noPort.setPort(-1);
        service->setReconnectInterval(30000);
        service->setUrl(noPort.toString());
        AsyncSqlQuery *waiting = submit(QStringLiteral("select 43"));
        QVERIFY(recorder->waitUntil([&] { return recorder->databaseErrors.size() == 3; }));
        QElapsedTimer timer;
        timer.start();
        QVERIFY(QMetaObject::invokeMethod(service.get(), "stop"));
        QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(timer.elapsed())));
        AsyncSqlQuery late(service.get(), QStringLiteral("select 1"));
        QCOMPARE(recorder->run(service.get(), &late).error, QStringLiteral("The query service is stopped"));
        QCOMPARE(recorder->count(waiting, "finished") + recorder->count(waiting, "error"), 0);
    }

    // Destroying or stopping the service with work queued ends it within
    // its grace time and drops the queue; a statement that runs on is
    // cancelled on the server rather than left behind by a terminated thread.
    void stopWithQueriesQueued_data() { TestServers::addServerRows("name"); }
    void stopWithQueriesQueued()
    {
        start();
        for (int i = 0; i < 20; ++i)
            service->execQuery(pg() ? QStringLiteral("insert into async_t (n) select 1 from pg_sleep(0.2)")
                                    : QStringLiteral("insert into async_t (n) select sleep(0.2)"));
        QVERIFY(AsyncRecorder::waitUntil([&] { return scalar(QStringLiteral("select count(*) from async_t")) != "0"; }));
        QElapsedTimer timer;
        timer.start();
        recorder.reset();
        service.reset();
        QVERIFY2(timer.elapsed() < 1500, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(scalar(QStringLiteral("select count(*) from async_t")).toInt() < 5);

        // stop(): 1 s of grace, then at most 1 s for the cancelled statement.
        const QString running = pg() ? "select count(*) from pg_stat_activity where query = 'select pg_sleep(30)'"
                                     : "select count(*) from information_schema.processlist where info = 'select sleep(30)'";
        service = std::make_unique<AsyncDatabase>(nullptr, TestServers::url(server));
        service->execQuery(sleep(30));
        QVERIFY(AsyncRecorder::waitUntil([&] { return scalar(running) == QLatin1String("1"); }));
        timer.restart();
        QVERIFY(QMetaObject::invokeMethod(service.get(), "stop"));
        QVERIFY2(timer.elapsed() < 2500, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(AsyncRecorder::waitUntil([&] { return scalar(running) == QLatin1String("0"); }, 5000));
    }
};

QTEST_GUILESS_MAIN(AsyncDatabaseTest)
#include "tst_asyncdatabase.moc"
