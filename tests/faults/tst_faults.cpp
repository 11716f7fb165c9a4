// The module when things go wrong underneath it, driven through the facade
// as the host drives it: a server killed while the views and the
// asynchronous service read, dump files that cannot be written, views closed
// in every state, the database URL changed while workers stream. What
// counts is what the user sees: the views' messages and rows, the service's
// signals, the files.
#include "AsyncRecorder.h"
#include "BoxCloser.h"
#include "TestServers.h"
#include "ViewIdle.h"

#include "plugin/LumoViewPlugin.h"

#include "ChartWidget.h"
#include "LineSeries.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <memory>

#ifdef __SANITIZE_ADDRESS__
// Set by ASAN_OPTIONS=detect_stack_use_after_return=1 (see workerEndedByForce).
extern "C" int __asan_option_detect_stack_use_after_return;
#endif

namespace {

const uint logGeneration = 0x5FFFF;
// An object whose day of events is far larger than what the sockets between
// server and client hold, so that a server killed while it streams cuts the
// rows off rather than leaving them all buffered on the client. (Qt's MySQL
// driver takes in every row when it executes, so there the kill finds them
// all on the client, or the statement still running.)
const uint bulkyObject = 901;
const int bulkyEvents = 3000;
const int bulkyDescription = 10000;
const QString complete = QStringLiteral("Data acquisition is complete");
const QString connecting = QStringLiteral("Connect to database lumo@127.0.0.1");

QComboBox *messageList(QWidget *view) { return view->findChild<QComboBox *>(QStringLiteral("log")); }
QPushButton *button(QWidget *view, const char *name) { return view->findChild<QPushButton *>(name); }
QTableWidget *table(QWidget *view) { return view->findChild<QTableWidget *>(QStringLiteral("tableWidget")); }
QDateEdit *dateEdit(QWidget *view) { return view->findChild<QDateEdit *>(QStringLiteral("dateEdit")); }
QWidget *overlay(QWidget *view) { return view->findChild<QWidget *>(QStringLiteral("Progress")); }

// The view's messages from `from` on, without their time stamps; only
// those with the error icon if `errorsOnly`.
QStringList messages(QWidget *view, int from = 0, bool errorsOnly = false)
{
    static const QImage errorIcon = QIcon(QStringLiteral(":/Resources/eventlogError.png")).pixmap(16).toImage();
    QStringList texts;
    QComboBox *log = messageList(view);
    for (int i = from; log && i < log->count(); ++i) {
        if (!errorsOnly || log->itemIcon(i).pixmap(16).toImage() == errorIcon)
            texts << log->itemText(i).mid(int(sizeof("[yyyy-MM-dd hh:mm:ss] ")) - 1);
    }
    return texts;
}
QStringList errors(QWidget *view, int from = 0) { return messages(view, from, true); }
int messageCount(QWidget *view) { return messageList(view)->count(); }

bool logIdle(QWidget *view, int ms = 30000)
{
    return QTest::qWaitFor([view] { return button(view, "updateData")->isEnabled() && overlay(view)->isHidden(); },
                           ms);
}

// Time, device time and type of every row shown, sorted.
QStringList logRows(QWidget *view)
{
    QStringList rows;
    QTableWidget *t = table(view);
    for (int r = 0; r < t->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < 3; ++c)
            cells << (t->item(r, c) ? t->item(r, c)->text() : QString());
        rows << cells.join(QLatin1Char(';'));
    }
    rows.sort();
    return rows;
}

// The selected-period curve of a detector view, without its gaps.
QVector<QPointF> selectedCurve(QWidget *view)
{
    QVector<QPointF> points;
    auto *chart = view->findChild<ChartWidget *>(QStringLiteral("chart"));
    auto *line = chart ? qobject_cast<LineSeries *>(chart->series(2)) : nullptr;
    for (int i = 0; line && i < line->pointsCount(); ++i) {
        if (!std::isnan(line->point(i).y()))
            points << line->point(i);
    }
    return points;
}

int dbserver(const QString &action, const QString &server)
{
    return QProcess::execute(QStringLiteral(LUMOVIEW_SOURCE_DIR "/scripts/dbserver"), {action, server});
}

QString sleepStatement(const QString &server, double seconds)
{
    return server == QLatin1String("pg") ? QStringLiteral("select pg_sleep(%1)").arg(seconds)
                                         : QStringLiteral("select sleep(%1)").arg(seconds);
}

// The URL with a port nobody listens on.
QString closedPortUrl(const QString &url)
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    QUrl u(url);
    u.setPort(probe.serverPort());
    return u.toString();
}

QStringList lines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

class FaultsTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<LumoViewPlugin> plugin;
    QList<QPointer<QWidget>> views;
    QSqlDatabase reference;
    QString server;
    int connections = 0;
    QDate day;

    AsyncDatabase *service() { return qobject_cast<AsyncDatabase *>(plugin->database()); }

    void useServer(const QString &name)
    {
        server = name;
        plugin = std::make_unique<LumoViewPlugin>();
        QCOMPARE(plugin->setDatabaseUrl(TestServers::url(server)), QStringLiteral("OK"));
        // Not the half minute between reconnection attempts of a workstation.
        service()->setReconnectInterval(200);
        openReference();
    }

    void openReference()
    {
        reference = TestServers::connection(server, QStringLiteral("reference%1").arg(++connections));
        QVERIFY2(reference.open(), qPrintable(reference.lastError().text()));
    }

    QWidget *track(QWidget *view)
    {
        views << view;
        view->resize(800, 600);
        view->show();
        return view;
    }
    QWidget *newLogView(uint object = 1) { return track(plugin->createLogWidget(object, logGeneration)); }

    // A log view that has loaded the selected day.
    QWidget *logViewOfDay()
    {
        QWidget *view = newLogView();
        if (!logIdle(view))
            return view;
        dateEdit(view)->setDate(day);
        if (QTest::qWaitFor([view] { return !overlay(view)->isHidden(); }))
            logIdle(view);
        return view;
    }

    // What the log view must show for the day.
    QStringList expectedLog(uint object = 1)
    {
        QSqlQuery q(reference);
        if (!q.exec(QStringLiteral("select e.time, e.devicetime, t.description from events e "
                                   "left join eventtypes t on t.id = e.type "
                                   "where e.objectid = %1 and e.time >= '%2' and e.time < '%3'")
                        .arg(object)
                        .arg(day.toString(Qt::ISODate), day.addDays(1).toString(Qt::ISODate)))) {
            qWarning() << q.lastError().text();
            return {};
        }
        QStringList rows;
        while (q.next()) {
            rows << QStringList{q.value(0).toDateTime().toString(QStringLiteral("hh:mm:ss")),
                                q.value(1).toTime().toString(QStringLiteral("hh:mm:ss")), q.value(2).toString()}
                        .join(QLatin1Char(';'));
        }
        rows.sort();
        return rows;
    }

    // The intensity of detector 1 on the day, as the detector view draws it.
    QVector<QPointF> expectedIntensity()
    {
        QSqlQuery q(reference);
        if (!q.exec(QStringLiteral("select time, sum(intensity) from dt15 where objectid = 1 and detectorid in (1) "
                                   "and time >= '%1' and time < '%2' group by time order by time")
                        .arg(day.toString(Qt::ISODate), day.addDays(1).toString(Qt::ISODate))))
            qWarning() << q.lastError().text();
        QVector<QPointF> points;
        while (q.next())
            points << QPointF(q.value(0).toDateTime().toMSecsSinceEpoch() / 1000.0, q.value(1).toDouble());
        return points;
    }

    bool exec(const QString &text)
    {
        QSqlQuery q(reference);
        if (q.exec(text))
            return true;
        qWarning() << text << q.lastError().text();
        return false;
    }

    bool addBulkyDay()
    {
        const QString start = day.toString(Qt::ISODate) + QStringLiteral(" 00:00:00");
        return exec(server == QLatin1String("pg")
                        ? QStringLiteral("insert into events (objectid, time, devicetime, type, value, \"index\", "
                                         "description) select %1, timestamp '%2' + i * interval '10 second', "
                                         "time '00:00:00' + i * interval '10 second', 1, 0, i, repeat('x', %3) "
                                         "from generate_series(1, %4) i")
                              .arg(bulkyObject).arg(start).arg(bulkyDescription).arg(bulkyEvents)
                        : QStringLiteral("insert into events (objectid, time, devicetime, type, value, `index`, "
                                         "description) select %1, timestamp '%2' + interval seq * 10 second, "
                                         "sec_to_time(seq * 10), 1, 0, seq, repeat('x', %3) from seq_1_to_%4")
                              .arg(bulkyObject).arg(start).arg(bulkyDescription).arg(bulkyEvents));
    }

    QString scalar(const QString &text)
    {
        QSqlQuery q(reference);
        return q.exec(text) && q.next() ? q.value(0).toString() : QStringLiteral("<none>");
    }

    AsyncSqlQuery *newQuery(const QString &text)
    {
        QObject *query = nullptr;
        QMetaObject::invokeMethod(service(), "newQuery", Q_RETURN_ARG(QObject *, query), Q_ARG(QString, text));
        return qobject_cast<AsyncSqlQuery *>(query);
    }

    // A load that a fault may have cut short: every row arrived, or some
    // did, none twice, and the view shows an error and claims no success.
    static void checkCutLoad(QWidget *view, int messagesFrom, const QStringList &expected)
    {
        const QStringList shown = logRows(view);
        if (shown == expected)
            return;
        QVERIFY2(std::includes(expected.cbegin(), expected.cend(), shown.cbegin(), shown.cend()),
                 "a row shown twice or one that is not in the database");
        QVERIFY2(!errors(view, messagesFrom).isEmpty(), "rows lost without an error");
        QVERIFY(!messages(view, messagesFrom).contains(complete));
    }

    // Closing a view ends its worker without the forced end that comes after
    // the worker's 3 s of grace.
    static void closeView(QWidget *view)
    {
        QElapsedTimer timer;
        timer.start();
        delete view;
        QVERIFY2(timer.elapsed() < 2900, qPrintable(QStringLiteral("closing took %1 ms").arg(timer.elapsed())));
    }

private slots:
    void initTestCase()
    {
        if (TestServers::available().isEmpty())
            QSKIP("No test servers: run through scripts/dbserver");
        day = TestServers::day();
    }

    void cleanup()
    {
        for (const QPointer<QWidget> &view : qAsConst(views))
            delete view.data();
        views.clear();
        if (plugin)
            plugin->stopDumpQueries();
        plugin.reset();
        if (reference.isOpen() || reference.open())
            exec(QStringLiteral("delete from events where objectid = %1").arg(bulkyObject));
        reference = QSqlDatabase();
    }

    // Neither dump stops the reading when its file cannot be written: a
    // directory, a file nobody may write, a missing folder, a full disk.
    // Once the file is writable again the records come back.
    void dumpsUnwritable_data() { TestServers::addServerRows("name"); }
    void dumpsUnwritable()
    {
        QFETCH(QString, name);
        useServer(name);
        const QStringList expected = expectedLog();
        QVERIFY(!expected.isEmpty());
        const QString events = scalar(QStringLiteral("select count(*) from events where objectid = 1"));
        QTemporaryDir dir;
        AsyncRecorder recorder(service());

        for (const QString &target : {dir.path(), QStringLiteral("/proc/version"),
                                      dir.filePath(QStringLiteral("missing/dump.sql")), QStringLiteral("/dev/full")}) {
            plugin->startDumpQueries(target);
            service()->setDumpFileName(target);
            QWidget *view = logViewOfDay();
            QCOMPARE(logRows(view), expected);
            QCOMPARE(messages(view).last(), complete);
            QCOMPARE(errors(view), QStringList());
            AsyncSqlQuery *count = newQuery(QStringLiteral("select count(*) from events where objectid = 1"));
            const AsyncRecorder::Outcome outcome = recorder.run(service(), count);
            QCOMPARE(outcome.signal, QStringLiteral("finished"));
            QCOMPARE(outcome.rows.value(0).toList().value(0).toString(), events);
            closeView(view);
        }
        QCOMPARE(recorder.databaseErrors, QStringList());
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());

        plugin->startDumpQueries(dir.filePath(QStringLiteral("views.sql")));
        service()->setDumpFileName(dir.filePath(QStringLiteral("async.sql")));
        QCOMPARE(logRows(logViewOfDay()), expected);
        QCOMPARE(recorder.run(service(), newQuery(QStringLiteral("select 5"))).signal, QStringLiteral("finished"));
        const QStringList viewRecords = lines(dir.filePath(QStringLiteral("views.sql")));
        QVERIFY(std::any_of(viewRecords.cbegin(), viewRecords.cend(),
                            [](const QString &line) { return line.contains(QLatin1String("ShowLog1")); }));
        QVERIFY(lines(dir.filePath(QStringLiteral("async.sql"))).value(0).endsWith(QLatin1String(" select 5\r")));
    }

    // Closing a view never hangs, whatever its worker is doing, and leaves
    // the shared connection and its lock usable.
    void viewClosedInEveryState_data() { TestServers::addServerRows("name"); }
    void viewClosedInEveryState()
    {
        QFETCH(QString, name);
        useServer(name);
        const QStringList expected = expectedLog();

        // Idle, after a load.
        QWidget *view = logViewOfDay();
        QCOMPARE(logRows(view), expected);
        closeView(view);

        // Streaming.
        view = newLogView();
        QVERIFY(logIdle(view));
        dateEdit(view)->setDate(day);
        QVERIFY(QTest::qWaitFor([view] { return table(view)->rowCount() > 0; }, 20000));
        QVERIFY(!overlay(view)->isHidden());
        closeView(view);

        // Waiting for the database lock, which the facade or another view holds.
        plugin->connectionMutex()->lock();
        auto unlock = qScopeGuard([this] { plugin->connectionMutex()->unlock(); });
        view = newLogView();
        QTest::qWait(300);
        QVERIFY(!overlay(view)->isHidden());
        QVERIFY(!messages(view).contains(complete));
        closeView(view);
        unlock.dismiss();
        plugin->connectionMutex()->unlock();

        // Inside a statement the server does not finish, since another
        // session holds the events table: Cancel ends the worker at once, as
        // an interruption, not a success; so does closing the view after a
        // second Refresh. The lock the worker held meanwhile is free.
        const bool pg = server == QLatin1String("pg");
        QSqlDatabase lockingSession = TestServers::connection(server, QStringLiteral("locking%1").arg(++connections));
        QVERIFY(lockingSession.open());
        QSqlQuery tableLock(lockingSession);
        QVERIFY(tableLock.exec(pg ? QStringLiteral("begin") : QStringLiteral("lock tables events write")));
        QVERIFY(!pg || tableLock.exec(QStringLiteral("lock table events in access exclusive mode")));
        const auto unlockTable = [&] { return tableLock.exec(pg ? QStringLiteral("rollback") : QStringLiteral("unlock tables")); };
        auto releaseTable = qScopeGuard(unlockTable);
        const QString waiting = pg ? QStringLiteral("select count(*) from pg_stat_activity where wait_event_type = 'Lock'")
                                   : QStringLiteral("select count(*) from information_schema.processlist "
                                                    "where state like 'Waiting for table%'");
        const auto statementWaits = [&] {
            return QTest::qWaitFor([&] {
                return messages(view, messageCount(view) - 1) == QStringList(QStringLiteral("Obtaining log data"))
                       && scalar(waiting) == QLatin1String("1");
            }, 20000);
        };
        view = newLogView();
        QVERIFY(statementWaits());
        QVERIFY(!plugin->connectionMutex()->tryLock(0));
        const int from = messageCount(view);
        QElapsedTimer timer;
        timer.start();
        overlay(view)->findChild<QPushButton *>(QStringLiteral("cancel"))->click();
        QVERIFY2(timer.elapsed() < 2900, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(logIdle(view, 5000));
        QCOMPARE(messages(view, from), QStringList({QStringLiteral("Pending completion of the database (3 sec.)"),
                                                    QStringLiteral("Interrupted by the user"),
                                                    QStringLiteral("The database is closed")}));
        QVERIFY(plugin->connectionMutex()->tryLock(0));
        plugin->connectionMutex()->unlock();
        button(view, "updateData")->click();
        QVERIFY(statementWaits());
        closeView(view);
        QCOMPARE(scalar(waiting), QStringLiteral("0"));
        releaseTable.dismiss();
        QVERIFY(unlockTable());

        // Connecting to a server that does not answer, again once a second.
        QCOMPARE(plugin->setDatabaseUrl(closedPortUrl(TestServers::url(server))), QStringLiteral("OK"));
        view = newLogView();
        // Each attempt says it connects, then why it failed.
        QVERIFY(QTest::qWaitFor([view] {
            return messages(view).count(connecting) >= 2 && errors(view).size() >= 2;
        }, 10000));
        closeView(view);

        // Nothing is left behind: the lock is free, a new view reads the day.
        QCOMPARE(plugin->setDatabaseUrl(TestServers::url(server)), QStringLiteral("OK"));
        QVERIFY(plugin->connectionMutex()->tryLock(0));
        plugin->connectionMutex()->unlock();
        view = logViewOfDay();
        QCOMPARE(logRows(view), expected);
        QCOMPARE(messages(view).last(), complete);
    }

    // A worker stuck opening the connection to a server that accepts it and
    // never answers: each attempt gives up after a while, and Cancel during
    // one ends the worker by force after its 3 s of grace, which frees the
    // shared lock it held meanwhile; the next view loads.
    void workerEndedByForce_data() { TestServers::addServerRows("name"); }
    void workerEndedByForce()
    {
#if defined(__SANITIZE_THREAD__)
        // Terminated in a blocking call of the client library, which TSan
        // does not check (ignore_noninstrumented_modules): the unwinding skips
        // the end of the ignored region its interceptor opened, and TSan ends
        // the process when a thread finishes with one open.
        QSKIP("ThreadSanitizer cannot follow a thread ended inside an uninstrumented library");
#elif defined(__SANITIZE_ADDRESS__)
        // The unwinding skips the epilogues that clear the redzones of the
        // instrumented frames from the thread's stack; the thread's last
        // writes (Qt's finished signal waking the event loop) land on them.
        // With detect_stack_use_after_return=1 those frames live on ASan's
        // fake stack, which goes with the thread: tst_faults_forced_end.
        if (!__asan_option_detect_stack_use_after_return)
            QSKIP("Run by tst_faults_forced_end, with AddressSanitizer's fake stack");
#endif
        QFETCH(QString, name);
        useServer(name);
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        QUrl mute(TestServers::url(server));
        mute.setPort(silent.serverPort());
        QCOMPARE(plugin->setDatabaseUrl(mute.toString()), QStringLiteral("OK"));
        QWidget *view = newLogView();
        // An attempt gives up after its connect time-out, and the next one
        // comes a second later.
        QVERIFY(QTest::qWaitFor([view] { return messages(view).count(connecting) == 2; }, 20000));
        QCOMPARE(errors(view).size(), 1);
        QVERIFY(!plugin->connectionMutex()->tryLock(0));
        const int from = messageCount(view);
        QElapsedTimer timer;
        timer.start();
        overlay(view)->findChild<QPushButton *>(QStringLiteral("cancel"))->click();
        QVERIFY(logIdle(view, 5000));
        QVERIFY2(timer.elapsed() < 4000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(messages(view, from), QStringList({QStringLiteral("Pending completion of the database (3 sec.)"),
                                                    QStringLiteral("Disconnected"),
                                                    QStringLiteral("The database is closed")}));
        QVERIFY(plugin->connectionMutex()->tryLock(0));
        plugin->connectionMutex()->unlock();
        closeView(view);

        QCOMPARE(plugin->setDatabaseUrl(TestServers::url(server)), QStringLiteral("OK"));
        view = logViewOfDay();
        QCOMPARE(logRows(view), expectedLog());
        QCOMPARE(messages(view).last(), complete);
    }

    // A view's load that runs when a new URL is applied ends on the server
    // it started on; its next load reads the new one, also after its worker
    // ended (Cancel). The service runs what was in flight and then follows.
    void urlChangedWhileStreaming()
    {
        if (TestServers::available().size() < 2)
            QSKIP("Needs both test servers");
        useServer(QStringLiteral("mysql"));
        const QStringList expectedMysql = expectedLog();
        useServer(QStringLiteral("pg"));
        const QStringList expectedPg = expectedLog();
        QTemporaryDir dir;
        const QString dump = dir.filePath(QStringLiteral("dump.sql"));
        plugin->startDumpQueries(dump);
        AsyncRecorder recorder(service());

        QWidget *view = newLogView();
        QVERIFY(logIdle(view));
        dateEdit(view)->setDate(day);
        QVERIFY(QTest::qWaitFor([view] { return table(view)->rowCount() > 0; }, 20000));
        const int from = messageCount(view);
        AsyncSqlQuery *inFlight = newQuery(sleepStatement(server, 0.5));
        AsyncSqlQuery *after = newQuery(QStringLiteral("select version()"));
        recorder.watch(inFlight);
        recorder.watch(after);
        service()->execQuery(inFlight);
        QTest::qWait(100);
        QCOMPARE(plugin->setDatabaseUrl(TestServers::url(QStringLiteral("mysql"))), QStringLiteral("OK"));
        service()->execQuery(after);

        QVERIFY(logIdle(view));
        checkCutLoad(view, from, expectedPg);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(recorder.waitFor(2));
        QCOMPARE(recorder.count(inFlight, QStringLiteral("finished")), 1);
        QCOMPARE(recorder.count(after, QStringLiteral("finished")), 1);
        const AsyncRecorder::Outcome version = recorder.outcomes.at(
            recorder.outcomes.at(0).query == after ? 0 : 1);
        QVERIFY2(version.rows.value(0).toList().value(0).toString().contains(QLatin1String("MariaDB")),
                 "a query submitted after the new URL ran on the old server");

        button(view, "updateData")->click();
        QVERIFY(logIdle(view));
        QCOMPARE(logRows(view), expectedMysql);
        QCOMPARE(messages(view).last(), complete);
        QVERIFY2(lines(dump).last().startsWith(QLatin1String("call ShowLog1")), qPrintable(lines(dump).last()));

        // Back to PostgreSQL after the user has cancelled a load, which ends
        // the view's worker.
        button(view, "updateData")->click();
        QVERIFY(QTest::qWaitFor([view] { return table(view)->rowCount() > 0; }, 20000));
        overlay(view)->findChild<QPushButton *>(QStringLiteral("cancel"))->click();
        QVERIFY(logIdle(view));
        QCOMPARE(plugin->setDatabaseUrl(TestServers::url(QStringLiteral("pg"))), QStringLiteral("OK"));
        const int again = messageCount(view);
        button(view, "updateData")->click();
        QVERIFY(logIdle(view));
        QCOMPARE(errors(view, again), QStringList());
        QCOMPARE(logRows(view), expectedPg);
        QVERIFY2(lines(dump).last().startsWith(QLatin1String("select * from \"ShowLog1\"")),
                 qPrintable(lines(dump).last()));
    }

    // Last: the server is killed while a log view streams a day, a detector
    // view loads and the service runs a query with another queued, and is
    // then restarted. Each reader ends or waits, says why, and once the
    // server is back everything reads in full, nothing twice.
    void serverKilledWhileReading_data() { TestServers::addServerRows("name"); }
    void serverKilledWhileReading()
    {
        QFETCH(QString, name);
        useServer(name);
        QVERIFY(addBulkyDay());
        const QStringList expected = expectedLog(bulkyObject);
        QCOMPARE(expected.size(), bulkyEvents);
        const QVector<QPointF> intensity = expectedIntensity();
        QVERIFY(!intensity.isEmpty());
        const QString events = scalar(QStringLiteral("select count(*) from events where objectid = 1"));
        reference.close();
        BoxCloser boxes;

        QWidget *log = newLogView(bulkyObject);
        QWidget *dt = track(plugin->createDtWidget(1, {1}));
        QVERIFY(logIdle(log));
        QVERIFY(viewIdle(dt));
        dateEdit(dt)->setDate(day);
        QVERIFY(viewIdle(dt));
        QCOMPARE(selectedCurve(dt), intensity);

        AsyncRecorder recorder(service());
        AsyncSqlQuery *inFlight = newQuery(sleepStatement(server, 2));
        AsyncSqlQuery *queued = newQuery(QStringLiteral("select count(*) from events where objectid = 1"));
        recorder.watch(inFlight);
        recorder.watch(queued);
        const int logFrom = messageCount(log);
        const int dtFrom = messageCount(dt);
        dateEdit(log)->setDate(day);
        button(dt, "updateData")->click();
        service()->execQuery(inFlight);
        service()->execQuery(queued);
        QVERIFY(QTest::qWaitFor([log] { return table(log)->rowCount() > 0; }, 20000));
        QCOMPARE(dbserver(QStringLiteral("kill"), server), 0);

        // The log's load ends, complete or with an error; the detector view
        // has its data or waits for the server; the service reports the
        // lost connection and keeps its queries.
        QVERIFY(logIdle(log));
        checkCutLoad(log, logFrom, expected);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(recorder.waitUntil([&] { return !recorder.databaseErrors.isEmpty(); }));
        QCOMPARE(recorder.outcomes.size(), 0);

        // A load asked for while the server is down waits for it, retrying.
        const int retryFrom = messageCount(log);
        button(log, "updateData")->click();
        QVERIFY(QTest::qWaitFor([&] {
            return messages(log, retryFrom).count(connecting) >= 2 && errors(log, retryFrom).size() >= 2;
        }, 10000));
        QVERIFY(!overlay(log)->isHidden());
        QCOMPARE(table(log)->rowCount(), 0);

        QCOMPARE(dbserver(QStringLiteral("restart"), server), 0);
        QVERIFY(logIdle(log));
        QCOMPARE(logRows(log), expected);
        QVERIFY(messages(log, retryFrom).contains(QStringLiteral("Connection established")));
        QCOMPARE(messages(log).last(), complete);

        QVERIFY(viewIdle(dt));
        if (selectedCurve(dt) != intensity)
            QVERIFY2(!errors(dt, dtFrom).isEmpty(), "detector values lost without an error");
        button(dt, "updateData")->click();
        QVERIFY(viewIdle(dt));
        QCOMPARE(selectedCurve(dt), intensity);

        QVERIFY(recorder.waitFor(2));
        QTest::qWait(300); // nothing more comes
        QCOMPARE(recorder.outcomes.size(), 2);
        QCOMPARE(recorder.count(inFlight, QStringLiteral("finished")), 1);
        QCOMPARE(recorder.count(queued, QStringLiteral("finished")), 1);
        const AsyncRecorder::Outcome count = recorder.outcomes.at(recorder.outcomes.at(0).query == queued ? 0 : 1);
        QCOMPARE(count.rows.value(0).toList().value(0).toString(), events);
        QCOMPARE(boxes.texts, QStringList());
    }
};

QTEST_MAIN(FaultsTest)
#include "tst_faults.moc"
