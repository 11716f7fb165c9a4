// The module driven through the facade when things go wrong underneath it,
// judged by what the user sees: the view's messages and rows, the files.
#include "AsyncRecorder.h"
#include "BoxCloser.h"
#include "EveryView.h"
#include "TestServers.h"

#include <QComboBox>
#include <QLabel>
#include <QSqlError>
#include <QSqlQuery>
#include <QTcpServer>
#include <QtTest>

#include <algorithm>
#include <memory>
#include <mutex>

#ifdef __SANITIZE_ADDRESS__
// Set by ASAN_OPTIONS=detect_stack_use_after_return=1 (see workerEndedByForce).
extern "C" int __asan_option_detect_stack_use_after_return;
#endif

namespace {

// An object whose day of events is far larger than what the sockets between
// server and client hold, so that a server killed while it streams cuts the
// rows off rather than leaving them all buffered on the client.
const uint bulkyObject = 901;
const int bulkyEvents = 3000;
const QString complete = QStringLiteral("Data acquisition is complete");
const QString connecting = QStringLiteral("Connect to database lumo@127.0.0.1");
const QString countEvents = QStringLiteral("select count(*) from events where objectid = 1");
const QStringList interrupted{"Pending completion of the database (3 sec.)", "Interrupted by the user",
                              "The database is closed"};

template<typename T = QPushButton>
T *child(QWidget *view, const char *name)
{
    return view->findChild<T *>(QLatin1String(name));
}
// The points a view's chart holds, in all its series.
int chartPoints(QWidget *view)
{
    int points = 0;
    for (ChartSeries *series : view->findChild<ChartWidget *>(QStringLiteral("chart"))->seriesList())
        points += series->pointsCount();
    return points;
}
bool busy(QWidget *view) { return !child<QWidget>(view, "Progress")->isHidden(); }
QTableWidget *table(QWidget *view) { return child<QTableWidget>(view, "tableWidget"); }
bool rowsShown(QWidget *view) { return QTest::qWaitFor([view] { return table(view)->rowCount() > 0; }, 20000); }
bool logIdle(QWidget *view, int ms = 30000)
{
    return QTest::qWaitFor([view] { return child(view, "updateData")->isEnabled() && !busy(view); }, ms);
}

// Starts a load of the log view (Refresh, or a new date) and waits for its end.
bool load(QWidget *view, const QDate &day = QDate())
{
    day.isValid() ? child<QDateEdit>(view, "dateEdit")->setDate(day) : child(view, "updateData")->click();
    static_cast<void>(QTest::qWaitFor([view] { return busy(view); }));
    return logIdle(view);
}

// How long `action` held the caller: closing a view or cancelling its load
// ends the worker without the forced end that comes after its 3 s of grace.
qint64 took(const std::function<void()> &action)
{
    QElapsedTimer timer;
    timer.start();
    action();
    return timer.elapsed();
}
void cancel(QWidget *view) { child<QPushButton>(child<QWidget>(view, "Progress"), "cancel")->click(); }

// How many of this process's file descriptors are open on `path`.
int openedAs(const QString &path)
{
    const QFileInfoList fds = QDir(QStringLiteral("/proc/self/fd"))
                                  .entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    return int(std::count_if(fds.cbegin(), fds.cend(),
                             [&](const QFileInfo &fd) { return fd.symLinkTarget() == QFileInfo(path).canonicalFilePath(); }));
}

// The view's messages from `from` on, without their time stamps; only
// those with the error icon if `errorsOnly`.
QStringList messages(QWidget *view, int from = 0, bool errorsOnly = false)
{
    static const QImage errorIcon = QIcon(QStringLiteral(":/Resources/eventlogError.png")).pixmap(16).toImage();
    QStringList texts;
    auto *log = child<QComboBox>(view, "log");
    for (int i = from; i < log->count(); ++i) {
        if (!errorsOnly || log->itemIcon(i).pixmap(16).toImage() == errorIcon)
            texts << log->itemText(i).mid(int(sizeof("[yyyy-MM-dd hh:mm:ss] ")) - 1);
    }
    return texts;
}
QStringList errors(QWidget *view, int from = 0) { return messages(view, from, true); }
int messageCount(QWidget *view) { return child<QComboBox>(view, "log")->count(); }

QStringList logRows(QWidget *view)
{
    QStringList rows;
    for (const QString &row : EveryView::shown(view))
        rows << row.section(QLatin1Char(';'), 0, 2);
    rows.sort();
    return rows;
}

// A load that a fault may have cut short: every row arrived, or some did,
// none twice, and the view shows an error and claims no success.
void checkCutLoad(QWidget *view, int messagesFrom, const QStringList &expected)
{
    const QStringList shown = logRows(view);
    if (shown == expected)
        return;
    QVERIFY2(std::includes(expected.cbegin(), expected.cend(), shown.cbegin(), shown.cend()),
             "a row shown twice or one that is not in the database");
    QVERIFY2(!errors(view, messagesFrom).isEmpty(), "rows lost without an error");
    QVERIFY(!messages(view, messagesFrom).contains(complete));
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
        QCOMPARE(plugin->setDatabaseUrl(TestServers::operatorUrl(server)), QStringLiteral("OK"));
        // Not the half minute between reconnection attempts of a workstation.
        service()->setReconnectInterval(200);
        reference = TestServers::connection(server, QStringLiteral("reference%1").arg(++connections));
        // A server restarted by the test before answers through the pooler
        // once the pooler has reconnected.
        QVERIFY2(QTest::qWaitFor([this] {
            if (reference.open() && QSqlQuery(reference).exec(QStringLiteral("select 1")))
                return true;
            reference.close();
            return false;
        }, 20000), qPrintable(reference.lastError().text()));
    }

    QWidget *newLogView(uint object = 1)
    {
        QWidget *view = plugin->createLogWidget(object, 0x5FFFF);
        views << view;
        view->resize(800, 600);
        view->show();
        return view;
    }

    QWidget *logViewOfDay()
    {
        QWidget *view = newLogView();
        if (logIdle(view))
            load(view, day);
        return view;
    }

    // Time, device time and type of the day's rows, sorted as logRows().
    QStringList expectedLog(uint object = 1)
    {
        QStringList rows;
        for (const QVariantList &r : TestServers::rows(reference, QStringLiteral(
                 "select e.time, e.devicetime, t.description from events e left join eventtypes t on t.id = e.type "
                 "where e.objectid = %1 and e.time >= '%2' and e.time < '%3'")
                 .arg(object).arg(day.toString(Qt::ISODate), day.addDays(1).toString(Qt::ISODate))))
            rows << r.at(0).toDateTime().toString("hh:mm:ss") + ';' + r.at(1).toTime().toString("hh:mm:ss") + ';'
                        + r.at(2).toString();
        rows.sort();
        return rows;
    }

    QString scalar(const QString &text) { return TestServers::scalar(reference, text); }
    AsyncSqlQuery *newQuery(const QString &text) { return AsyncRecorder::newQuery(service(), text); }

    bool lockFree() { return std::unique_lock<QMutex>(*plugin->connectionMutex(), std::try_to_lock).owns_lock(); }

private slots:
    void initTestCase()
    {
        SKIP_WITHOUT_SERVERS();
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
            QSqlQuery(reference).exec(QStringLiteral("delete from events where objectid = %1").arg(bulkyObject));
        reference = QSqlDatabase();
    }

    // Neither dump stops the reading when its file cannot be written; closing
    // the view never hangs, whatever its worker does, and leaves the lock.
    void logViewUnderFaults_data() { TestServers::addServerRows("name"); }
    void logViewUnderFaults()
    {
        QFETCH(QString, name);
        useServer(name);
        const QStringList expected = expectedLog();
        QVERIFY(!expected.isEmpty());
        const QString events = scalar(countEvents);
        QTemporaryDir dir;
        AsyncRecorder recorder(service());
        QWidget *view = logViewOfDay();
        // A link planted under the dump's name is not followed: a warning
        // from each dump, nothing written through it.
        const QString planted = dir.filePath(QStringLiteral("planted"));
        QVERIFY(QFile(planted).open(QIODevice::WriteOnly) && QFile::link(planted, dir.filePath(QStringLiteral("link"))));
        for (int i = 0; i < 2; ++i)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("link is a symbolic link")));
        for (const QString &target : {dir.path(), QStringLiteral("/proc/version"),
                                      dir.filePath(QStringLiteral("missing/dump.sql")), QStringLiteral("/dev/full"),
                                      dir.filePath(QStringLiteral("link")), QString()}) {
            plugin->startDumpQueries(target.isEmpty() ? dir.filePath(QStringLiteral("views.sql")) : target);
            service()->setDumpFileName(target.isEmpty() ? dir.filePath(QStringLiteral("async.sql")) : target);
            const int from = messageCount(view);
            QVERIFY(load(view));
            QCOMPARE(logRows(view), expected);
            QCOMPARE(messages(view, from).last(), complete);
            QCOMPARE(errors(view, from), QStringList());
            const AsyncRecorder::Outcome outcome = recorder.run(service(), newQuery(countEvents));
            QCOMPARE(outcome.rows.value(0).toList().value(0).toString(), events);
        }
        QVERIFY(took([view] { delete view; }) < 2900);
        QCOMPARE(recorder.databaseErrors, QStringList());
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 (QStringList{"async.sql", "link", "planted", "views.sql"}));
        QCOMPARE(QFileInfo(planted).size(), 0);
        // The dumps' own files: the owner's only, open while dumping goes on.
        for (const char *name : {"async.sql", "views.sql"}) {
            QCOMPARE(QFile::permissions(dir.filePath(name)) & ~(QFile::ReadUser | QFile::WriteUser),
                     QFile::ReadOwner | QFile::WriteOwner);
            QVERIFY2(openedAs(dir.filePath(name)) > 0, name);
        }
        plugin->stopDumpQueries();
        service()->setDumpFileName(QString());
        QCOMPARE(openedAs(dir.filePath(QStringLiteral("views.sql"))) + openedAs(dir.filePath(QStringLiteral("async.sql"))), 0);

        // Closed while it streams, and while it waits for the database lock,
        // which the facade or another view holds.
        view = newLogView();
        QVERIFY(logIdle(view));
        child<QDateEdit>(view, "dateEdit")->setDate(day);
        QVERIFY(rowsShown(view));
        QVERIFY(busy(view));
        QVERIFY(took([view] { delete view; }) < 2900);
        {
            QMutexLocker held(plugin->connectionMutex());
            view = newLogView();
            QTest::qWait(300);
            QVERIFY(busy(view));
            QVERIFY(took([view] { delete view; }) < 2900);
        }

        // In a statement waiting for another session's table lock: Cancel and
        // closing cancel it on the server at once.
        const bool pg = server == QLatin1String("pg");
        QSqlDatabase lockingSession = TestServers::connection(server, QStringLiteral("locking%1").arg(++connections));
        QVERIFY(lockingSession.open());
        QSqlQuery tableLock(lockingSession);
        QVERIFY(tableLock.exec(pg ? QStringLiteral("begin") : QStringLiteral("lock tables events write")));
        QVERIFY(!pg || tableLock.exec(QStringLiteral("lock table events in access exclusive mode")));
        const auto unlockTable = [&] { return tableLock.exec(pg ? "rollback" : "unlock tables"); };
        auto releaseTable = qScopeGuard(unlockTable);
        const QString waiting = pg ? QStringLiteral("select count(*) from pg_stat_activity where "
                                                    "wait_event_type='Lock'")
                                   : QStringLiteral("select count(*) from information_schema.processlist where "
                                                    "state like 'Waiting for table%'");
        const auto statementWaits = [&] {
            return QTest::qWaitFor([&] {
                return messages(view, messageCount(view) - 1) == QStringList(QStringLiteral("Obtaining log data"))
                       && scalar(waiting) == QLatin1String("1");
            }, 20000);
        };
        // The statement waits on the server without the shared lock: the
        // facade can apply a URL meanwhile. The overlay says what goes on.
        view = newLogView();
        QVERIFY(statementWaits());
        QVERIFY(lockFree());
        const int from = messageCount(view);
        auto *overlay = child<QWidget>(view, "Progress");
        QVERIFY(took([view] { cancel(view); }) < 2900);
        QVERIFY(!child(overlay, "cancel")->isEnabled());
        QCOMPARE(child<QLabel>(overlay, "label")->text(), QStringLiteral("interruption ..."));
        QVERIFY(logIdle(view, 5000));
        QCOMPARE(messages(view, from), interrupted);
        QVERIFY(lockFree());
        child(view, "updateData")->click();
        QVERIFY(statementWaits());
        QVERIFY(!overlay->isHidden() && child(overlay, "cancel")->isEnabled());
        QCOMPARE(child<QLabel>(overlay, "label")->text(), QStringLiteral("Data updating"));
        QVERIFY(took([view] { delete view; }) < 2900);
        QCOMPARE(scalar(waiting), QStringLiteral("0"));
        releaseTable.dismiss();
        QVERIFY(unlockTable());

        // Nothing is left behind; the dump has the one load made while on.
        QVERIFY(lockFree());
        QCOMPARE(logRows(logViewOfDay()), expected);
        QCOMPARE(EveryView::dumped(dir.filePath(QStringLiteral("views.sql"))).filter(QStringLiteral("ShowLog1")).size(), 1);
    }

    // Cancel while connecting to a server that never answers ends the worker
    // by force after its 3 s of grace; it never held the shared lock there,
    // and closing a view whose worker is being ended so leaves none either.
    void workerEndedByForce_data() { TestServers::addServerRows("name"); }
    void workerEndedByForce()
    {
#if defined(__SANITIZE_THREAD__)
        // Ended inside the uninstrumented client library, the thread leaves
        // an ignored region open, which TSan ends the process for.
        QSKIP("ThreadSanitizer cannot follow a thread ended inside an uninstrumented library");
#elif defined(__SANITIZE_ADDRESS__)
        // The unwinding skips the epilogues that clear the redzones of the
        // instrumented frames; with detect_stack_use_after_return=1 those
        // frames live on ASan's fake stack, which goes with the thread.
        if (!__asan_option_detect_stack_use_after_return)
            QSKIP("Run by tst_faults_forced_end, with AddressSanitizer's fake stack");
#endif
        QFETCH(QString, name);
        useServer(name);
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        QUrl mute(TestServers::operatorUrl(server));
        mute.setPort(silent.serverPort());
        QCOMPARE(plugin->setDatabaseUrl(mute.toString()), QStringLiteral("OK"));
        // The first attempt takes the connect time-out of 5 s: it is under way
        // once announced.
        const auto connecting = [](QWidget *view) {
            return QTest::qWaitFor([view] { return messages(view).count(::connecting) == 1; }, 20000);
        };
        QWidget *view = newLogView();
        QVERIFY(connecting(view));
        QVERIFY(lockFree());
        const int from = messageCount(view);
        QVERIFY(took([view] { cancel(view); }) < 2900);
        QVERIFY(logIdle(view, 5000));
        QCOMPARE(messages(view, from), QStringList({interrupted[0], "Disconnected", interrupted[2]}));
        QVERIFY(lockFree());
        QVERIFY(took([view] { delete view; }) < 2900);

        // Closed while its grace runs out.
        view = newLogView();
        QVERIFY(connecting(view));
        cancel(view);
        QVERIFY(took([view] { delete view; }) < 4000);
        QVERIFY(lockFree());
        QCOMPARE(plugin->setDatabaseUrl(TestServers::operatorUrl(server)), QStringLiteral("OK"));
        QCOMPARE(logRows(logViewOfDay()), expectedLog());
    }

    // Over TLS (scripts/dbserver --tls) the views and the service verify
    // their server: one whose certificate another CA of the same name signed
    // is refused, with an error and nothing read.
    void encryptedLinks_data() { TestServers::addServerRows({"verified", "wrong CA"}); }
    void encryptedLinks()
    {
        QFETCH(QString, server);
        QFETCH(QString, kind);
        const bool wrongCa = kind == "wrong CA";
        const QString ca = qEnvironmentVariable("LUMOVIEW_TEST_TLS_CA");
        if (ca.isEmpty())
            QSKIP("No encrypted links: scripts/dbserver --tls");
        useServer(server);
        QString url = TestServers::operatorUrl(server);
        if (wrongCa)
            url.replace(ca, qEnvironmentVariable("LUMOVIEW_TEST_TLS_WRONG_CA"));
        QCOMPARE(plugin->setDatabaseUrl(url), QStringLiteral("OK"));

        AsyncRecorder recorder(service());
        AsyncSqlQuery *query = newQuery(countEvents);
        recorder.watch(query);
        service()->execQuery(query);
        if (!wrongCa) {
            QCOMPARE(logRows(logViewOfDay()), expectedLog());
            QVERIFY(recorder.waitUntil([&] { return recorder.count(query, QStringLiteral("finished")) == 1; }));
            QCOMPARE(recorder.outcomes.first().rows.value(0).toList().value(0).toString(), scalar(countEvents));
            QCOMPARE(recorder.databaseErrors, QStringList());
            return;
        }
        QWidget *view = newLogView();
        QVERIFY(QTest::qWaitFor([view] { return !errors(view).isEmpty(); }, 20000));
        QVERIFY(recorder.waitUntil([&] { return !recorder.databaseErrors.isEmpty(); }));
        QCOMPARE(table(view)->rowCount(), 0);
        QVERIFY(recorder.outcomes.isEmpty());
        cancel(view);
        QVERIFY(logIdle(view, 5000));
    }

    // A load running when a new URL is applied ends on its server, the next
    // reads the new one; so does the service after what was in flight.
    void urlChangedWhileStreaming()
    {
        if (TestServers::available().size() < 2)
            QSKIP("Needs both test servers");
        useServer(QStringLiteral("pg"));
        const QStringList expected = expectedLog();
        QTemporaryDir dir;
        const QString dump = dir.filePath(QStringLiteral("dump.sql"));
        plugin->startDumpQueries(dump);
        AsyncRecorder recorder(service());

        QWidget *view = newLogView();
        QVERIFY(logIdle(view));
        child<QDateEdit>(view, "dateEdit")->setDate(day);
        QVERIFY(rowsShown(view));
        const int from = messageCount(view);
        AsyncSqlQuery *inFlight = newQuery(QStringLiteral("select pg_sleep(0.5)"));
        recorder.watch(inFlight);
        service()->execQuery(inFlight);
        QTest::qWait(100);
        QCOMPARE(plugin->setDatabaseUrl(TestServers::operatorUrl(QStringLiteral("mysql"))), QStringLiteral("OK"));
        const AsyncRecorder::Outcome version = recorder.run(service(), newQuery(QStringLiteral("select version()")));
        QVERIFY2(version.rows.value(0).toList().value(0).toString().contains(QLatin1String("MariaDB")),
                 "a query submitted after the new URL ran on the old server");
        QVERIFY(recorder.waitUntil([&] { return recorder.count(inFlight, QStringLiteral("finished")) == 1; }));
        QVERIFY(logIdle(view));
        checkCutLoad(view, from, expected);

        // The dump tells the server (both hold the same rows).
        QVERIFY(load(view));
        QCOMPARE(logRows(view), expected);
        QVERIFY2(EveryView::dumped(dump).last().startsWith("call ShowLog1"), qPrintable(EveryView::dumped(dump).last()));
    }

    // The views of the service while the server is down: each shows the
    // service's error and can be refreshed; Refresh makes the service try
    // again at once rather than after its interval (a workstation's half
    // minute, longer than this test waits), and loads once it is back.
    void serviceViewsOverAnOutage_data() { TestServers::addServerRows("name"); }
    void serviceViewsOverAnOutage()
    {
        QFETCH(QString, name);
        useServer(name);
        service()->setReconnectInterval(60000);
        AsyncRecorder recorder(service());
        const auto status = [](QWidget *view) { return child<QLabel>(view, "status")->text(); };
        const QString complete = QStringLiteral("obtaining data complete");
        QWidget *faults = plugin->createDtFaultsView(1, 1, day);
        QWidget *health = plugin->createDtHealthHistoryView(2, 2);
        views << faults << health;
        for (QWidget *view : {faults, health}) {
            view->show();
            QVERIFY(QTest::qWaitFor([&] { return status(view) == complete && view->isEnabled(); }, 20000));
        }
        const int points = chartPoints(faults);
        QVERIFY(points > 0);

        QCOMPARE(QProcess::execute(QStringLiteral(LUMOVIEW_SOURCE_DIR "/scripts/dbserver"), {"kill", server}), 0);
        for (QWidget *view : {faults, health}) {
            child(view, "refreshButton")->click();
            QVERIFY(QTest::qWaitFor([&] { return view->isEnabled() && !recorder.databaseErrors.isEmpty(); }, 20000));
            QCOMPARE(status(view), recorder.databaseErrors.last());
        }
        // Refreshed while still down: tried at once, and said so again.
        const int reported = recorder.databaseErrors.size();
        child(faults, "refreshButton")->click();
        QVERIFY(!faults->isEnabled());
        QVERIFY(QTest::qWaitFor([&] { return faults->isEnabled() && recorder.databaseErrors.size() > reported; }, 20000));
        QCOMPARE(status(faults), recorder.databaseErrors.last());

        QCOMPARE(QProcess::execute(QStringLiteral(LUMOVIEW_SOURCE_DIR "/scripts/dbserver"), {"restart", server}), 0);
        // Refresh again whenever the view shows the error: an attempt may
        // still meet the server starting up.
        QVERIFY(QTest::qWaitFor([&] {
            if (faults->isEnabled() && status(faults) != complete)
                child(faults, "refreshButton")->click();
            return status(faults) == complete && status(health) == complete && faults->isEnabled() && health->isEnabled();
        }, 20000));
        QCOMPARE(chartPoints(faults), points);
    }

    // Last: the server killed while a view streams (the service's queries
    // meanwhile: tst_asyncdatabase), then restarted; also behind the pooler,
    // which stays up and lets clients log in while the server is gone.
    void serverKilledWhileReading_data()
    {
        TestServers::addServerRows("name");
        if (!TestServers::url(QStringLiteral("pgbouncer")).isEmpty())
            QTest::newRow("pgbouncer") << QStringLiteral("pgbouncer");
    }
    void serverKilledWhileReading()
    {
        QFETCH(QString, name);
        useServer(name);
        const QString killed = TestServers::isPostgres(server) ? QStringLiteral("pg") : server;
        QVERIFY(TestServers::addBulkyDay(reference, bulkyObject, bulkyEvents, 10000));
        const QStringList expected = expectedLog(bulkyObject);
        QCOMPARE(expected.size(), bulkyEvents);
        reference.close();
        BoxCloser boxes;

        QWidget *log = newLogView(bulkyObject);
        QVERIFY(logIdle(log));
        const int logFrom = messageCount(log);
        child<QDateEdit>(log, "dateEdit")->setDate(day);
        QVERIFY(rowsShown(log));
        const QString dbserver = QStringLiteral(LUMOVIEW_SOURCE_DIR "/scripts/dbserver");
        QCOMPARE(QProcess::execute(dbserver, {"kill", killed}), 0);
        // Up again for the next test whatever happens here.
        auto restart = qScopeGuard([&] { QProcess::execute(dbserver, {"restart", killed}); });

        QVERIFY(logIdle(log));
        checkCutLoad(log, logFrom, expected);
        if (QTest::currentTestFailed())
            return;

        // Meanwhile a load retries until cancelled, saying once what is wrong.
        int from = 0;
        for (const bool cancelled : {true, false}) {
            from = messageCount(log);
            child(log, "updateData")->click();
            QVERIFY2(QTest::qWaitFor([&] {
                return messages(log, from).count(connecting) == 1 && errors(log, from).size() == 1;
            }, 30000), qPrintable(messages(log, from).join('\n')));
            QVERIFY(busy(log));
            QCOMPARE(table(log)->rowCount(), 0);
            if (cancelled) {
                // Attempts go on meanwhile (after 1 s, 2 s …), without a word.
                QTest::qWait(3500);
                QCOMPARE(messages(log, from).count(connecting), 1);
                QCOMPARE(errors(log, from).size(), 1);
                QVERIFY(took([log] { cancel(log); }) < 2500);
                QVERIFY(logIdle(log, 5000));
                QVERIFY(messages(log, from).contains(interrupted[1]) && !messages(log, from).contains("Disconnected"));
            }
        }
        restart.dismiss();
        QCOMPARE(QProcess::execute(dbserver, {"restart", killed}), 0);
        QVERIFY(logIdle(log));
        QCOMPARE(logRows(log), expected);
        QVERIFY(messages(log, from).contains(QStringLiteral("Connection established")));
        QCOMPARE(messages(log).last(), complete);

        QCOMPARE(boxes.texts, QStringList());
    }
};

QTEST_MAIN(FaultsTest)
#include "tst_faults.moc"
