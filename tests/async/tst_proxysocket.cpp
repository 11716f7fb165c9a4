// The loopback relay end to end: a database driver talks to it, it reaches
// the real servers through a real SOCKS5 proxy (Dante, started here as a
// throwaway process), through the plug-in's own connection too; a proxy
// that is down or cannot reach the server gives a clear warning and no hang.
#include "TestServers.h"

#include "async/ProxySocket.h"

#include <QElapsedTimer>
#include <QHostInfo>
#include <QNetworkProxy>
#include <QPluginLoader>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSqlError>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

const char dantePath[] = "/usr/sbin/danted";

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

    // A newer local connection replaces the one being relayed: the older
    // session is cut off (an error, no hang), the newer one is served.
    void newerClientReplacesOlder_data() { TestServers::addServerRows(); }
    void newerClientReplacesOlder()
    {
        QFETCH(QString, server);
        const QSqlDatabase target = settings(server);
        useProxy(dantePort);
        ProxySocket relay(target.hostName(), quint16(target.port()), nullptr);

        QSemaphore olderOpen, newerDone;
        Session older;
        const QString name = QStringLiteral("older%1").arg(server);
        std::unique_ptr<QThread> thread(QThread::create([&] {
            {
                QSqlDatabase db = QSqlDatabase::cloneDatabase(target, name);
                db.setHostName(QStringLiteral("127.0.0.1"));
                db.setPort(relay.serverPort());
                older.opened = db.open();
                olderOpen.release();
                newerDone.acquire();
                QSqlQuery query(db);
                if (query.exec(QStringLiteral("select 1")) && query.next())
                    older.values << query.value(0).toString();
                else
                    older.error = query.lastError().text();
            }
            QSqlDatabase::removeDatabase(name);
        }));
        thread->start();
        QVERIFY(waitAcquire(olderOpen));
        QVERIFY(older.opened);

        const Session newer = runInThread(target, QStringLiteral("127.0.0.1"), relay.serverPort(),
                                          {QStringLiteral("select 7")});
        newerDone.release();
        QTRY_VERIFY_WITH_TIMEOUT(thread->isFinished(), 30000);
        QVERIFY2(newer.error.isEmpty(), qPrintable(newer.error));
        QCOMPARE(newer.values, QStringList{QStringLiteral("7")});
        QVERIFY(older.values.isEmpty());
        QVERIFY(!older.error.isEmpty());
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

private:
    static bool waitAcquire(QSemaphore &semaphore)
    {
        QElapsedTimer timer;
        timer.start();
        while (!semaphore.tryAcquire() && timer.elapsed() < 30000)
            QTest::qWait(5);
        return timer.elapsed() < 30000;
    }
};

QTEST_MAIN(ProxySocketTest)
#include "tst_proxysocket.moc"
