// The loopback relay end to end: a database driver talks to it, it reaches
// the real servers through a real SOCKS5 proxy (Dante, started here as a
// throwaway process), through the plug-in's own connection too, for every
// view at once; a proxy that is down or cannot reach the server gives a
// clear warning and no hang.
#include "TestServers.h"

#include "async/ProxySocket.h"

#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QHostInfo>
#include <QNetworkProxy>
#include <QPluginLoader>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSqlError>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTableWidget>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <memory>

namespace {

const char dantePath[] = "/usr/sbin/danted";
// A day of events far larger than the sockets between server and client
// hold (3000 rows of 2000 bytes), for an object of its own.
const uint bulkyObject = 902;
const int bulkyEvents = 3000;
const int bulkyDescription = 2000;

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// What a session over the relay saw, gathered in a thread of its own: the
// relay lives in the test's thread and must keep running meanwhile.
struct Session
{
    bool opened = false;
    QString error;
    QStringList values;
};

// Runs `statements` on a connection with the settings of `settings` but
// host `host` and port `port`, opened and used in a new thread; the
// caller's event loop runs until the thread is done.
Session runInThread(const QSqlDatabase &settings, const QString &host, int port,
                    const QStringList &statements, int ms = 30000)
{
    static int serial = 0;
    const QString name = QStringLiteral("relayed%1").arg(++serial);
    Session session;
    std::unique_ptr<QThread> thread(QThread::create([&] {
        {
            QSqlDatabase db = QSqlDatabase::cloneDatabase(settings, name);
            db.setHostName(host);
            db.setPort(port);
            db.setConnectOptions(db.driverName() == QLatin1String("QPSQL")
                                     ? QStringLiteral("connect_timeout=10")
                                     : QStringLiteral("MYSQL_OPT_CONNECT_TIMEOUT=10"));
            session.opened = db.open();
            if (!session.opened) {
                session.error = db.lastError().text();
            } else {
                for (const QString &text : statements) {
                    QSqlQuery query(db);
                    if (!query.exec(text) || !query.next()) {
                        session.error = query.lastError().text();
                        break;
                    }
                    session.values << query.value(0).toString();
                }
            }
        }
        QSqlDatabase::removeDatabase(name);
    }));
    thread->start();
    QElapsedTimer timer;
    timer.start();
    while (!thread->isFinished() && timer.elapsed() < ms)
        QTest::qWait(5);
    if (!thread->isFinished()) {
        session.error = QStringLiteral("<hangs>");
        thread->wait();
    }
    return session;
}

} // namespace

class ProxySocketTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QProcess dante;
    quint16 dantePort = 0;

    QString danteLog() const
    {
        QFile log(dir.filePath(QStringLiteral("danted.log")));
        return log.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(log.readAll()) : QString();
    }

    static void useProxy(quint16 port)
    {
        QNetworkProxy::setApplicationProxy(
            QNetworkProxy(QNetworkProxy::Socks5Proxy, QStringLiteral("127.0.0.1"), port));
    }


    // Qt never sends connections to a loopback address or "localhost"
    // through a proxy, so the servers are named by this machine's host name,
    // which the proxy resolves (to the loopback address the servers use).
    QString serverHost;

    QSqlDatabase settings(const QString &server) const
    {
        static int serial = 0;
        QSqlDatabase db = TestServers::connection(server, QStringLiteral("settings%1").arg(++serial));
        db.setHostName(serverHost);
        return db;
    }

private slots:
    void initTestCase()
    {
        if (TestServers::available().isEmpty())
            QSKIP("No test servers: run through scripts/dbserver");
        if (!QFile::exists(QLatin1String(dantePath)))
            QSKIP("No SOCKS5 proxy: install dante-server (scripts/install-deps)");
        const QString name = QHostInfo::localHostName();
        if (!QHostInfo::fromName(name).addresses().contains(QHostAddress(QHostAddress::LocalHost)))
            QSKIP("This machine's host name does not resolve to 127.0.0.1, where the test servers are");
        serverHost = name;
        dantePort = freePort();
        QFile config(dir.filePath(QStringLiteral("danted.conf")));
        QVERIFY(config.open(QIODevice::WriteOnly));
        // As root Dante insists on users to switch to.
        config.write(QStringLiteral("logoutput: %1\n"
                                    "internal: 127.0.0.1 port = %2\n"
                                    "external: 127.0.0.1\n"
                                    "socksmethod: none\n"
                                    "clientmethod: none\n"
                                    "user.privileged: root\n"
                                    "user.unprivileged: nobody\n"
                                    "client pass {\n"
                                    "    from: 127.0.0.0/8 to: 0.0.0.0/0\n"
                                    "    log: error connect\n"
                                    "}\n"
                                    "socks pass {\n"
                                    "    from: 127.0.0.0/8 to: 0.0.0.0/0\n"
                                    "    command: connect\n"
                                    "    log: error connect\n"
                                    "}\n")
                         .arg(dir.filePath(QStringLiteral("danted.log")))
                         .arg(dantePort)
                         .toLocal8Bit());
        config.close();
        dante.setProcessChannelMode(QProcess::ForwardedChannels);
        dante.start(QLatin1String(dantePath), {QStringLiteral("-f"), config.fileName(), QStringLiteral("-p"),
                                               dir.filePath(QStringLiteral("danted.pid")), QStringLiteral("-N"),
                                               QStringLiteral("1")});
        QVERIFY2(dante.waitForStarted(), qPrintable(dante.errorString()));
        const auto listening = [this] {
            QTcpSocket probe;
            probe.setProxy(QNetworkProxy::NoProxy);
            probe.connectToHost(QHostAddress::LocalHost, dantePort);
            return probe.waitForConnected(200);
        };
        QElapsedTimer timer;
        timer.start();
        while (!listening() && dante.state() == QProcess::Running && timer.elapsed() < 10000)
            QTest::qWait(50);
        QVERIFY2(dante.state() == QProcess::Running && listening(), qPrintable(danteLog()));
    }

    void cleanupTestCase()
    {
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
        if (dante.state() != QProcess::NotRunning) {
            dante.terminate();
            if (!dante.waitForFinished(5000))
                dante.kill();
            dante.waitForFinished();
        }
    }

    void cleanup() { QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy); }

    // Queries answered over relay and proxy, small and large answers, one
    // session after another on the same relay.
    void queriesOverTheProxy_data() { TestServers::addServerRows(); }
    void queriesOverTheProxy()
    {
        QFETCH(QString, server);
        const QSqlDatabase target = settings(server);
        useProxy(dantePort);
        ProxySocket relay(target.hostName(), quint16(target.port()), nullptr);
        QVERIFY(relay.isListening());
        QCOMPARE(relay.serverAddress(), QHostAddress(QHostAddress::LocalHost));

        for (int round = 0; round < 2; ++round) {
            const Session s = runInThread(target, QStringLiteral("127.0.0.1"), relay.serverPort(),
                                          {QStringLiteral("select 40 + 2"),
                                           QStringLiteral("select repeat('x', 300000)")});
            QVERIFY2(s.opened && s.error.isEmpty(), qPrintable(s.error));
            QCOMPARE(s.values.value(0), QStringLiteral("42"));
            QCOMPARE(s.values.value(1), QString(300000, QLatin1Char('x')));
        }
        // The proxy carried it.
        QVERIFY2(danteLog().contains(QStringLiteral(".%1").arg(target.port())), qPrintable(danteLog()));
    }

    // The proxy refuses, or cannot reach the server: the relay names the
    // reason and drops the local connection, so the driver fails at once.
    void proxyCannotHelp_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<bool>("proxyUp");
        for (const QString &s : TestServers::available()) {
            QTest::newRow(qPrintable(s + QStringLiteral(" proxy down"))) << s << false;
            QTest::newRow(qPrintable(s + QStringLiteral(" server unreachable"))) << s << true;
        }
    }
    void proxyCannotHelp()
    {
        QFETCH(QString, server);
        QFETCH(bool, proxyUp);
        const QSqlDatabase target = settings(server);
        useProxy(proxyUp ? dantePort : freePort());
        const quint16 port = proxyUp ? freePort() : quint16(target.port());
        ProxySocket relay(target.hostName(), port, nullptr);
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("^ProxySocket can't reach %1:%2: .+")
                                                    .arg(QRegularExpression::escape(target.hostName()))
                                                    .arg(port)));
        QElapsedTimer timer;
        timer.start();
        const Session s = runInThread(target, QStringLiteral("127.0.0.1"), relay.serverPort(),
                                      {QStringLiteral("select 1")});
        QVERIFY(!s.opened);
        QVERIFY2(s.error != QLatin1String("<hangs>"), "the driver hangs");
        // Far below the driver's own time-out of 10 s: the relay dropped it.
        QVERIFY2(timer.elapsed() < 8000, qPrintable(QString::number(timer.elapsed())));
    }

    // Through the facade: with an application proxy its connection points
    // at a relay, and a session with those settings is answered.
    void facadeConnectionOverTheProxy_data() { TestServers::addServerRows(); }
    void facadeConnectionOverTheProxy()
    {
        QFETCH(QString, server);
        QPluginLoader loader(QStringLiteral(LUMOVIEW_MODULE_FILE));
        QObject *plugin = loader.instance();
        QVERIFY2(plugin, qPrintable(loader.errorString()));
        useProxy(dantePort);
        QString answer;
        QUrl url(TestServers::url(server));
        url.setHost(serverHost);
        QVERIFY(QMetaObject::invokeMethod(plugin, "setDatabaseUrl", Q_RETURN_ARG(QString, answer),
                                          Q_ARG(QString, url.toString())));
        QCOMPARE(answer, QStringLiteral("OK"));
        const QSqlDatabase facade = QSqlDatabase::database(QStringLiteral("lumoview"), false);
        QCOMPARE(facade.hostName(), QStringLiteral("127.0.0.1"));
        const Session s = runInThread(facade, facade.hostName(), facade.port(), {QStringLiteral("select 5")});
        QVERIFY2(s.error.isEmpty(), qPrintable(s.error));
        QCOMPARE(s.values, QStringList{QStringLiteral("5")});
        QVERIFY(danteLog().contains(QStringLiteral(".%1").arg(url.port())));
    }

    // Every view's worker has a connection of its own, all through the one
    // relay: two log views of a bulky day (megabytes of events, so that the
    // loads overlap) and a phase view, opened at once, all load their whole
    // day, and again when refreshed at once. Every session the server then
    // has comes through the proxy.
    void viewsOverTheProxy_data() { TestServers::addServerRows(); }
    void viewsOverTheProxy()
    {
        QFETCH(QString, server);
        const bool pg = server == QLatin1String("pg");
        const QDate day = TestServers::day();
        const QString date = day.toString(Qt::ISODate);
        QSqlDatabase reference = settings(server);
        QVERIFY(reference.open());
        const auto scalar = [&](const QString &text) {
            QSqlQuery q(reference);
            return q.exec(text) && q.next() ? q.value(0).toInt() : -1;
        };
        // Also what a run that was cut short left behind.
        const auto removeBulkyDay = [&] {
            QSqlQuery(reference).exec(QStringLiteral("delete from events where objectid=%1").arg(bulkyObject));
        };
        removeBulkyDay();
        const auto cleanUp = qScopeGuard(removeBulkyDay);
        const QString bulkyDay =
            pg ? QStringLiteral("insert into events (objectid,time,devicetime,type,value,\"index\",description) "
                                "select %1, timestamp '%2' + i * interval '10 second', time '00:00:00' + i * "
                                "interval '10 second', 1, 0, i, repeat('x', %3) from generate_series(1, %4) i")
               : QStringLiteral("insert into events (objectid,time,devicetime,type,value,`index`,description) "
                                "select %1, timestamp '%2' + interval seq * 10 second, sec_to_time(seq * 10), 1, 0, "
                                "seq, repeat('x', %3) from seq_1_to_%4");
        QSqlQuery insert(reference);
        QVERIFY2(insert.exec(bulkyDay.arg(bulkyObject).arg(date + QStringLiteral(" 00:00:00")).arg(bulkyDescription).arg(bulkyEvents)),
                 qPrintable(insert.lastError().text()));
        // The phase view's rows: phases and control sources of the day, with
        // or without those at midnight of the next.
        const QString dayRows = QStringLiteral("select (select count(*) from phasesdata where objectid=1 and %1)"
                                               " + (select count(*) from events where objectid=1 and type=2 and %1)");
        const int phaseRowsMin = scalar(dayRows.arg(QStringLiteral("time >= '%1' and time < '%2'")
                                                         .arg(date, day.addDays(1).toString(Qt::ISODate))));
        const int phaseRowsMax = scalar(dayRows.arg(QStringLiteral("time between '%1' and '%2'")
                                                         .arg(date, day.addDays(1).toString(Qt::ISODate))));
        QVERIFY(phaseRowsMin > 100);

        QPluginLoader loader(QStringLiteral(LUMOVIEW_MODULE_FILE));
        QObject *plugin = loader.instance();
        QVERIFY2(plugin, qPrintable(loader.errorString()));
        useProxy(dantePort);
        QUrl url(TestServers::url(server));
        url.setHost(serverHost);
        QString answer;
        QVERIFY(QMetaObject::invokeMethod(plugin, "setDatabaseUrl", Q_RETURN_ARG(QString, answer),
                                          Q_ARG(QString, url.toString())));
        QCOMPARE(answer, QStringLiteral("OK"));

        QVector<QWidget *> views(3);
        const auto closeViews = qScopeGuard([&] { qDeleteAll(views); });
        for (int i = 0; i < 2; ++i)
            QVERIFY(QMetaObject::invokeMethod(plugin, "createLogWidget", Q_RETURN_ARG(QWidget *, views[i]),
                                              Q_ARG(uint, bulkyObject), Q_ARG(uint, 0x5FFFF)));
        QVERIFY(QMetaObject::invokeMethod(plugin, "createPhasesWidget", Q_RETURN_ARG(QWidget *, views[2]),
                                          Q_ARG(uint, 1)));
        for (QWidget *view : qAsConst(views))
            view->findChild<QDateEdit *>(QStringLiteral("dateEdit"))->setDate(day);
        const auto lastMessage = [](QWidget *view) {
            auto *log = view->findChild<QComboBox *>(QStringLiteral("log"));
            return log->count() ? log->itemText(log->count() - 1) : QString();
        };
        const auto loaded = [&] {
            for (QWidget *view : qAsConst(views)) {
                if (!view->findChild<QWidget *>(QStringLiteral("Progress"))->isHidden()
                    || !lastMessage(view).endsWith(QLatin1String("Data acquisition is complete")))
                    return false;
            }
            const QString rows = views[2]->findChild<QLabel *>(QStringLiteral("rows"))->text();
            const int phaseRows = QString(rows).remove(QRegularExpression(QStringLiteral("\\D"))).toInt();
            return views[0]->findChild<QTableWidget *>()->rowCount() == bulkyEvents
                   && views[1]->findChild<QTableWidget *>()->rowCount() == bulkyEvents
                   && phaseRows >= phaseRowsMin && phaseRows <= phaseRowsMax;
        };
        for (int round = 0; round < 2; ++round) {
            if (round == 1) {
                for (QWidget *view : qAsConst(views))
                    view->findChild<QPushButton *>(QStringLiteral("updateData"))->click();
                QVERIFY(!loaded());
            }
            QTRY_VERIFY2_WITH_TIMEOUT(loaded(), qPrintable(lastMessage(views[0]) + " / " + lastMessage(views[1])
                                                           + " / " + lastMessage(views[2])),
                                      120000);
        }

        // The proxy's side of each connection it made to the server ...
        QSet<int> proxied;
        const QRegularExpression connect(QStringLiteral("tcp/connect \\[: \\S+ \\S+ -> \\S+\\.(\\d+) \\S+\\.%1\\b")
                                             .arg(url.port()));
        for (auto it = connect.globalMatch(danteLog()); it.hasNext();)
            proxied.insert(it.next().captured(1).toInt());
        // ... and where the server's sessions come from, but the test's own.
        QSqlQuery sessions(reference);
        QVERIFY(sessions.exec(pg ? QStringLiteral("select client_port from pg_stat_activity where client_port is not "
                                                  "null and pid <> pg_backend_pid() and backend_type = 'client backend'")
                                 : QStringLiteral("select substring_index(host, ':', -1) from "
                                                  "information_schema.processlist where id <> connection_id() "
                                                  "and host like '%:%'")));
        QList<int> ports;
        while (sessions.next())
            ports << sessions.value(0).toInt();
        QVERIFY2(ports.size() >= 3, qPrintable(QString::number(ports.size())));
        for (int port : qAsConst(ports))
            QVERIFY2(proxied.contains(port), qPrintable(QStringLiteral("session from port %1 not through the proxy").arg(port)));
    }

};

QTEST_MAIN(ProxySocketTest)
#include "tst_proxysocket.moc"
