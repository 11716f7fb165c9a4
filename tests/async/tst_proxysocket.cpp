// The loopback relay end to end, through real proxies (Dante for SOCKS5,
// tinyproxy for HTTP, started here as throwaway processes), and its limits
// against stand-ins for the server and the proxy.
#include "AsyncRecorder.h"
#include "TestServers.h"

#include "async/ProxySocket.h"

#include <QtNetwork>
#include <QtSql>
#include <QtTest>
#include <QtWidgets>

#include <pwd.h>
#include <unistd.h>

namespace {

const char dantePath[] = "/usr/sbin/danted";
const char tinyproxyPath[] = "/usr/bin/tinyproxy";
const QString loopback = QStringLiteral("127.0.0.1");

quint16 freePort()
{
    QTcpServer probe;
    probe.setProxy(QNetworkProxy::NoProxy);
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// The relay's warnings, from whichever thread, kept for the test to check;
// everything else goes on to QtTest.
QMutex warningsMutex;
QStringList warnings;
QtMessageHandler testHandler = nullptr;

void keepRelayWarnings(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (!text.startsWith(QLatin1String("ProxySocket "))) {
        testHandler(type, context, text);
        return;
    }
    QMutexLocker locker(&warningsMutex);
    warnings << text;
}

QStringList takeWarnings()
{
    QMutexLocker locker(&warningsMutex);
    return std::exchange(warnings, {});
}

// A stand-in for the database server: takes connections and reads nothing
// unless told to.
struct FarEnd : QTcpServer
{
    QVector<QTcpSocket *> accepted;
    FarEnd()
    {
        setProxy(QNetworkProxy::NoProxy);
        listen(QHostAddress::LocalHost, 0);
        connect(this, &QTcpServer::newConnection, [this] {
            while (hasPendingConnections())
                accepted << nextPendingConnection();
        });
    }

    // Connects `client` to the relay: true once it reached this end, false
    // when the relay closed it instead.
    bool relayed(QTcpSocket &client, quint16 relayPort)
    {
        const int before = accepted.size();
        client.setProxy(QNetworkProxy::NoProxy);
        client.connectToHost(QHostAddress::LocalHost, relayPort);
        return QTest::qWaitFor([&] { return accepted.size() > before || client.state() == QAbstractSocket::UnconnectedState; },
                               20000)
               && accepted.size() > before;
    }
};

// Bytes the kernel holds on the established connections to or from these
// ports: sent and not yet acknowledged, or received and not yet read.
qint64 kernelQueued(const QSet<quint16> &ports)
{
    QFile table(QStringLiteral("/proc/net/tcp"));
    if (!table.open(QIODevice::ReadOnly))
        return -1;
    const auto port = [](const QByteArray &endpoint) {
        return quint16(endpoint.mid(endpoint.indexOf(':') + 1).toUShort(nullptr, 16));
    };
    qint64 sum = 0;
    table.readLine();
    while (!table.atEnd()) {
        const QList<QByteArray> fields = table.readLine().simplified().split(' ');
        if (fields.size() > 4 && fields.at(3) == "01" && (ports.contains(port(fields.at(1))) || ports.contains(port(fields.at(2))))) {
            const QList<QByteArray> queues = fields.at(4).split(':');
            sum += queues.value(0).toLongLong(nullptr, 16) + queues.value(1).toLongLong(nullptr, 16);
        }
    }
    return sum;
}

// Bytes that tell where in a stream they belong.
QByteArray streamBytes(qint64 offset, int size)
{
    static const QByteArray cycle = [] {
        QByteArray bytes(64 * 1024 + 251, Qt::Uninitialized);
        for (int i = 0; i < bytes.size(); ++i)
            bytes[i] = char(i % 251);
        return bytes;
    }();
    return cycle.mid(int(offset % 251), size);
}

} // namespace

class ProxySocketTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QProcess dante, tinyproxy;
    quint16 dantePort = 0, httpPort = 0;
    // Why the SOCKS5 (Dante) or HTTP (tinyproxy) proxy is not at hand, if so.
    QString socksSkip, httpSkip;
    // Qt never sends connections to a loopback address or "localhost"
    // through a proxy, so the servers are named by this machine's host name,
    // which the proxy resolves (to the loopback address the servers use).
    QString serverHost;

    QString danteLog() const
    {
        QFile log(dir.filePath(QStringLiteral("danted.log")));
        return log.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(log.readAll()) : QString();
    }

    // Starts a proxy on a free port with the configuration (%1 its port);
    // the port, or 0 once it has died.
    quint16 startProxy(QProcess &process, const QString &program, const QString &config, QStringList arguments)
    {
        const quint16 port = freePort();
        QFile file(dir.filePath(QFileInfo(program).fileName() + QStringLiteral(".conf")));
        if (!file.open(QIODevice::WriteOnly) || file.write(config.arg(port).toLocal8Bit()) < 0)
            return 0;
        file.close();
        // Not our output: a proxy left behind by a crash must not hold it open.
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(program, arguments << file.fileName());
        process.waitForStarted();
        const auto listening = [port] {
            QTcpSocket probe;
            probe.setProxy(QNetworkProxy::NoProxy);
            probe.connectToHost(QHostAddress::LocalHost, port);
            return probe.waitForConnected(200);
        };
        return QTest::qWaitFor([&] { return process.state() != QProcess::Running || listening(); }, 10000)
                       && process.state() == QProcess::Running
                   ? port : 0;
    }

    // The application's proxy for a data row: "socks", "http" or "none";
    // why that proxy cannot be had, if so.
    QString useProxy(const QString &kind) const
    {
        const bool socks = kind == QLatin1String("socks");
        if (kind == QLatin1String("none") || !(socks ? dantePort : httpPort))
            return kind == QLatin1String("none") ? QString() : socks ? socksSkip : httpSkip;
        QNetworkProxy::setApplicationProxy(QNetworkProxy(socks ? QNetworkProxy::Socks5Proxy : QNetworkProxy::HttpProxy,
                                                         loopback, socks ? dantePort : httpPort));
        return QString();
    }

    QUrl serverUrl(const QString &server) const
    {
        QUrl url(TestServers::url(server));
        url.setHost(serverHost);
        return url;
    }

private slots:
    void initTestCase()
    {
        testHandler = qInstallMessageHandler(keepRelayWarnings);
        serverHost = QHostInfo::localHostName();
        if (!QHostInfo::fromName(serverHost).addresses().contains(QHostAddress(QHostAddress::LocalHost)))
            socksSkip = httpSkip = QStringLiteral("This machine's host name does not resolve to 127.0.0.1, where the test servers are");
        if (socksSkip.isEmpty() && !QFile::exists(QLatin1String(dantePath)))
            socksSkip = QStringLiteral("No SOCKS5 proxy: install dante-server (scripts/install-deps)");
        if (httpSkip.isEmpty() && !QFile::exists(QLatin1String(tinyproxyPath)))
            httpSkip = QStringLiteral("No HTTP proxy: install tinyproxy (scripts/install-deps)");
        // As root both insist on users to switch to.
        if (socksSkip.isEmpty()) {
            dantePort = startProxy(dante, QLatin1String(dantePath),
                                   QStringLiteral("logoutput: %2\ninternal: 127.0.0.1 port = %1\nexternal: 127.0.0.1\n"
                                                  "socksmethod: none\nclientmethod: none\nuser.privileged: root\n"
                                                  "user.unprivileged: nobody\n"
                                                  "client pass {\n from: 127.0.0.0/8 to: 0.0.0.0/0\n log: error connect\n}\n"
                                                  "socks pass {\n from: 127.0.0.0/8 to: 0.0.0.0/0\n command: connect\n"
                                                  " log: error connect\n}\n")
                                       .arg(QStringLiteral("%1"), dir.filePath(QStringLiteral("danted.log"))),
                                   {"-p", dir.filePath(QStringLiteral("danted.pid")), "-N", "1", "-f"});
            QVERIFY2(dantePort, qPrintable(danteLog()));
        }
        if (httpSkip.isEmpty()) {
            httpPort = startProxy(tinyproxy, QLatin1String(tinyproxyPath),
                                  QStringLiteral("Port %1\nListen 127.0.0.1\nAllow 127.0.0.1\nTimeout 60\nUser nobody\n"
                                                 "Group nogroup\nLogLevel Critical\n"),
                                  {"-d", "-c"});
            QVERIFY(httpPort);
        }
    }

    void cleanupTestCase()
    {
        qInstallMessageHandler(testHandler);
        for (QProcess *proxy : {&dante, &tinyproxy}) {
            proxy->terminate();
            if (!proxy->waitForFinished(5000))
                proxy->kill();
        }
    }

    void cleanup()
    {
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
        const QStringList unexpected = takeWarnings();
        QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join(QLatin1Char('\n'))));
    }

    // The proxy refuses, cannot reach the server, or takes the connection and
    // never answers: the relay, listening on loopback only, names the reason
    // and drops its client, so the driver fails at once.
    void proxyCannotHelp_data()
    {
        QTest::addColumn<QString>("proxy");
        QTest::addColumn<QString>("reason");
        QTest::newRow("proxy down") << "down" << "proxy 127\\.0\\.0\\.1:\\d+: Connection refused";
        QTest::newRow("server unreachable, SOCKS5") << "socks" << "connection refused";
        QTest::newRow("server unreachable, HTTP") << "http" << "the proxy answered: HTTP/1\\.\\d 5\\d\\d .*";
        QTest::newRow("proxy silent") << "silent" << "no answer within 0\\.5 s";
    }
    void proxyCannotHelp()
    {
        QFETCH(QString, proxy);
        QFETCH(QString, reason);
        FarEnd silent;
        if (proxy == QLatin1String("down") || proxy == QLatin1String("silent"))
            QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::Socks5Proxy, loopback,
                                                             proxy == QLatin1String("down") ? freePort() : silent.serverPort()));
        else if (const QString why = useProxy(proxy); !why.isEmpty())
            QSKIP(qPrintable(why));
        const quint16 port = freePort();
        ProxyLimits limits;
        limits.connectTimeoutMs = 500;
        ProxySocket relay(serverHost, port, nullptr, limits);
        QCOMPARE(relay.serverAddress(), QHostAddress(QHostAddress::LocalHost));
        QTcpSocket client;
        QSignalSpy dropped(&client, &QTcpSocket::disconnected);
        client.connectToHost(QHostAddress::LocalHost, relay.serverPort());
        QVERIFY(dropped.wait(8000));
        const QStringList said = takeWarnings();
        QCOMPARE(said.size(), 1);
        QVERIFY2(QRegularExpression(QStringLiteral("^ProxySocket can't reach %1:%2: %3$")
                                        .arg(QRegularExpression::escape(serverHost)).arg(port).arg(reason))
                     .match(said.first()).hasMatch(),
                 qPrintable(said.first()));
    }

    // The relay works in a thread of its own: its creator's thread may block
    // (here until the statement is done) while a statement goes through it.
    void creatorBlocked_data()
    {
        SKIP_WITHOUT_SERVERS();
        TestServers::addServerRows();
    }
    void creatorBlocked()
    {
        QFETCH(QString, server);
        if (const QString why = useProxy(QStringLiteral("socks")); !why.isEmpty())
            QSKIP(qPrintable(why));
        const QUrl url = serverUrl(server);
        ProxySocket relay(url.host(), quint16(url.port()), nullptr);
        const QSqlDatabase settings = TestServers::connection(server, QStringLiteral("settings") + server);
        QString answer;
        std::unique_ptr<QThread> worker(QThread::create([&] {
            const QString name = QStringLiteral("blocked") + server;
            {
                QSqlDatabase db = QSqlDatabase::cloneDatabase(settings, name);
                db.setHostName(loopback);
                db.setPort(relay.serverPort());
                QSqlQuery query(db);
                answer = db.open() && query.exec(QStringLiteral("select 'relayed'")) && query.next()
                             ? query.value(0).toString() : db.lastError().text() + query.lastError().text();
            }
            QSqlDatabase::removeDatabase(name);
        }));
        worker->start();
        QVERIFY(worker->wait(60000));
        QCOMPARE(answer, QStringLiteral("relayed"));
    }

    // A fast sender in front of a reader that takes nothing: what the sender
    // got rid of is in the kernel's queues, the proxy or the relay, which
    // holds no more than its limit. Once the reader reads, every byte
    // arrives in order.
    void backPressure_data()
    {
        QTest::addColumn<bool>("toServer");
        QTest::addColumn<QString>("proxy");
        QTest::newRow("to the server") << true << "none";
        QTest::newRow("to the client") << false << "none";
        QTest::newRow("to the client, SOCKS5") << false << "socks";
        QTest::newRow("to the client, HTTP") << false << "http";
    }
    void backPressure()
    {
        QFETCH(bool, toServer);
        QFETCH(QString, proxy);
        if (const QString why = useProxy(proxy); !why.isEmpty())
            QSKIP(qPrintable(why));
        FarEnd far;
        ProxySocket relay(proxy == QLatin1String("none") ? loopback : serverHost, far.serverPort(), nullptr);
        QTcpSocket client;
        QVERIFY(far.relayed(client, relay.serverPort()));
        QTcpSocket *sender = toServer ? &client : far.accepted.first();
        QTcpSocket *reader = toServer ? far.accepted.first() : &client;
        reader->setReadBufferSize(64 * 1024);

        const qint64 total = 48 * 1024 * 1024;
        qint64 queued = 0, sent = 0;
        const auto feed = [&] {
            for (; queued < total && sender->bytesToWrite() < 64 * 1024; queued += 64 * 1024)
                sender->write(streamBytes(queued, int(qMin<qint64>(64 * 1024, total - queued))));
        };
        connect(sender, &QIODevice::bytesWritten, this, [&](qint64 bytes) {
            sent += bytes;
            feed();
        });
        feed();
        // Until nothing moves any more.
        const QSet<quint16> ports{relay.serverPort(), far.serverPort(), dantePort, httpPort};
        QPair<qint64, qint64> now(-1, -1), before(-2, -2);
        for (int i = 0; i < 600 && now != before; ++i) {
            before = now;
            QTest::qWait(100);
            now = qMakePair(sent, kernelQueued(ports));
        }
        const qint64 held = sent - reader->bytesAvailable() - now.second;
        QVERIFY2(held <= ProxyLimits().bufferPerDirection + 128 * 1024,
                 qPrintable(QStringLiteral("%1 bytes held of %2 sent").arg(held).arg(sent)));

        qint64 received = 0;
        bool inOrder = true;
        const auto drain = [&] {
            const QByteArray bytes = reader->readAll();
            inOrder = inOrder && bytes == streamBytes(received, bytes.size());
            received += bytes.size();
        };
        connect(reader, &QIODevice::readyRead, this, drain);
        drain();
        QTRY_COMPARE_WITH_TIMEOUT(received, total, 120000);
        QVERIFY(inOrder);
    }

    // Beyond the cap a connection is closed at once, with one warning for
    // all of them; a place is free again once a relayed connection ended.
    // The relay may go with connections open: their clients see them end.
    void connectionCap()
    {
        FarEnd far;
        ProxyLimits limits;
        limits.connections = 2;
        auto relay = std::make_unique<ProxySocket>(loopback, far.serverPort(), nullptr, limits);
        QTcpSocket clients[4];
        QVERIFY(far.relayed(clients[0], relay->serverPort()));
        QVERIFY(far.relayed(clients[1], relay->serverPort()));
        QVERIFY(!far.relayed(clients[2], relay->serverPort()));
        QVERIFY(!far.relayed(clients[3], relay->serverPort()));
        QCOMPARE(takeWarnings(), QStringList{"ProxySocket refused a connection: 2 connections are relayed already"});
        clients[0].disconnectFromHost();
        std::vector<std::unique_ptr<QTcpSocket>> later;
        QVERIFY(QTest::qWaitFor([&] { return far.relayed(*later.emplace_back(new QTcpSocket), relay->serverPort()); }));
        relay.reset();
        QTRY_COMPARE(clients[1].state(), QAbstractSocket::UnconnectedState);
        QTRY_COMPARE(later.back()->state(), QAbstractSocket::UnconnectedState);
    }

    // A process of another user is closed before anything is relayed, with
    // one warning however often it tries; the host's own user is served.
    void otherUserRefused()
    {
        const passwd *nobody = ::getpwnam("nobody");
        const QString runuser = QStringLiteral("/usr/sbin/runuser");
        if (::geteuid() != 0 || !nobody || !QFile::exists(runuser))
            QSKIP("Needs root, runuser and the user nobody, to connect as someone else");
        FarEnd far;
        ProxySocket relay(loopback, far.serverPort(), nullptr);
        for (int i = 0; i < 2; ++i) {
            QProcess intruder;
            intruder.start(runuser,
                           {"-u", "nobody", "--", "/bin/bash", "-c",
                            QStringLiteral("exec 3<>/dev/tcp/127.0.0.1/%1 && printf query >&3; cat <&3").arg(relay.serverPort())});
            // It ends only once the relay has closed the connection.
            QVERIFY(intruder.waitForFinished(30000));
            QCOMPARE(intruder.readAllStandardOutput(), QByteArray());
        }
        QCOMPARE(takeWarnings(),
                 QStringList{QStringLiteral("ProxySocket refused a connection of another user (uid %1)").arg(nobody->pw_uid)});
        QTcpSocket own;
        QVERIFY(far.relayed(own, relay.serverPort()));
        QCOMPARE(far.accepted.size(), 1);
    }

    // The views' workers connect through the facade's relay: two log views of
    // a bulky day (megabytes, so that loads overlap) and a phase view load
    // their whole day, also when refreshed at once; every session the server
    // then has comes through the proxy.
    void viewsOverTheProxy_data() { creatorBlocked_data(); }
    void viewsOverTheProxy()
    {
        QFETCH(QString, server);
        if (const QString why = useProxy(QStringLiteral("socks")); !why.isEmpty())
            QSKIP(qPrintable(why));
        const bool pg = server == QLatin1String("pg");
        const uint bulkyObject = 902;
        const int bulkyEvents = 3000;
        const QDate day = TestServers::day();
        const QString date = day.toString(Qt::ISODate), next = day.addDays(1).toString(Qt::ISODate);
        QSqlDatabase reference = TestServers::connection(server, QStringLiteral("reference") + server);
        QVERIFY(reference.open());
        // Also what a run that was cut short left behind.
        const auto removeBulkyDay = [&] {
            QSqlQuery(reference).exec(QStringLiteral("delete from events where objectid=%1").arg(bulkyObject));
        };
        removeBulkyDay();
        const auto cleanUp = qScopeGuard(removeBulkyDay);
        QVERIFY(TestServers::addBulkyDay(reference, bulkyObject, bulkyEvents, 2000));
        // The phase view's rows: phases and control sources of the day.
        const int phaseRows = TestServers::scalar(reference, QStringLiteral("select (select count(*) from phasesdata where objectid=1 and %1) + "
                                                    "(select count(*) from events where objectid=1 and type=2 and %1)")
                                         .arg(QStringLiteral("time >= '%1' and time < '%2'").arg(date, next))).toInt();
        QVERIFY(phaseRows > 100);

        QPluginLoader loader(QStringLiteral(LUMOVIEW_MODULE_FILE));
        QObject *plugin = loader.instance();
        QVERIFY2(plugin, qPrintable(loader.errorString()));
        QString answer;
        QVERIFY(QMetaObject::invokeMethod(plugin, "setDatabaseUrl", Q_RETURN_ARG(QString, answer),
                                          Q_ARG(QString, serverUrl(server).toString())));
        QCOMPARE(answer, QStringLiteral("OK"));

        QVector<QWidget *> views(3);
        const auto closeViews = qScopeGuard([&] { qDeleteAll(views); });
        for (int i = 0; i < 2; ++i)
            QVERIFY(QMetaObject::invokeMethod(plugin, "createLogWidget", Q_RETURN_ARG(QWidget *, views[i]),
                                              Q_ARG(uint, bulkyObject), Q_ARG(uint, 0x5FFFF)));
        QVERIFY(QMetaObject::invokeMethod(plugin, "createPhasesWidget", Q_RETURN_ARG(QWidget *, views[2]), Q_ARG(uint, 1)));
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
            return views[0]->findChild<QTableWidget *>()->rowCount() == bulkyEvents
                   && views[1]->findChild<QTableWidget *>()->rowCount() == bulkyEvents
                   && views[2]->findChild<QLabel *>(QStringLiteral("rows"))->text().remove(QRegularExpression("\\D")).toInt()
                          == phaseRows;
        };
        for (int round = 0; round < 2; ++round) {
            if (round == 1) {
                for (QWidget *view : qAsConst(views))
                    view->findChild<QPushButton *>(QStringLiteral("updateData"))->click();
                QVERIFY(!loaded());
            }
            QVERIFY2(AsyncRecorder::waitUntil(loaded, 120000),
                     qPrintable(lastMessage(views[0]) + " / " + lastMessage(views[1]) + " / " + lastMessage(views[2])));
        }

        // The proxy's side of each connection it made to the server ...
        QSet<int> proxied;
        const QRegularExpression connect(
            QStringLiteral("tcp/connect \\[: \\S+ \\S+ -> \\S+\\.(\\d+) \\S+\\.%1\\b").arg(serverUrl(server).port()));
        for (auto it = connect.globalMatch(danteLog()); it.hasNext();)
            proxied.insert(it.next().captured(1).toInt());
        // ... and where the server's TCP sessions come from, but the test's own
        // (a pooler's come through the Unix socket, port -1).
        QSqlQuery sessions(reference);
        QVERIFY(sessions.exec(pg ? QStringLiteral("select client_port from pg_stat_activity where client_port > 0 "
                                                  "and pid <> pg_backend_pid() and backend_type = 'client backend'")
                                 : QStringLiteral("select substring_index(host, ':', -1) from information_schema.processlist"
                                                  " where id <> connection_id() and host like '%:%'")));
        int count = 0;
        for (; sessions.next(); ++count)
            QVERIFY2(proxied.contains(sessions.value(0).toInt()), qPrintable("not through the proxy: " + sessions.value(0).toString()));
        QVERIFY2(count >= 1, qPrintable(QString::number(count)));
    }
};

QTEST_MAIN(ProxySocketTest)
#include "tst_proxysocket.moc"
