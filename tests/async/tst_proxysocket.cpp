// The loopback relay end to end, through a real SOCKS5 proxy (Dante, started
// here as a throwaway process).
#include "AsyncRecorder.h"
#include "TestServers.h"

#include "async/ProxySocket.h"

#include <QtNetwork>
#include <QtSql>
#include <QtTest>
#include <QtWidgets>

namespace {

const char dantePath[] = "/usr/sbin/danted";

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace

class ProxySocketTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QProcess dante;
    quint16 dantePort = 0;
    // Qt never sends connections to a loopback address or "localhost"
    // through a proxy, so the servers are named by this machine's host name,
    // which the proxy resolves (to the loopback address the servers use).
    QString serverHost;

    QString danteLog() const
    {
        QFile log(dir.filePath(QStringLiteral("danted.log")));
        return log.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(log.readAll()) : QString();
    }

    static void useProxy(quint16 port)
    {
        QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::Socks5Proxy, QStringLiteral("127.0.0.1"), port));
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
        if (TestServers::available().isEmpty())
            QSKIP("No test servers: run through scripts/dbserver");
        if (!QFile::exists(QLatin1String(dantePath)))
            QSKIP("No SOCKS5 proxy: install dante-server (scripts/install-deps)");
        serverHost = QHostInfo::localHostName();
        if (!QHostInfo::fromName(serverHost).addresses().contains(QHostAddress(QHostAddress::LocalHost)))
            QSKIP("This machine's host name does not resolve to 127.0.0.1, where the test servers are");
        dantePort = freePort();
        QFile config(dir.filePath(QStringLiteral("danted.conf")));
        QVERIFY(config.open(QIODevice::WriteOnly));
        // As root Dante insists on users to switch to.
        config.write(QStringLiteral("logoutput: %1\ninternal: 127.0.0.1 port = %2\nexternal: 127.0.0.1\nsocksmethod: none\n"
                                    "clientmethod: none\nuser.privileged: root\nuser.unprivileged: nobody\n"
                                    "client pass {\n from: 127.0.0.0/8 to: 0.0.0.0/0\n log: error connect\n}\n"
                                    "socks pass {\n from: 127.0.0.0/8 to: 0.0.0.0/0\n command: connect\n log: error connect\n}\n")
                         .arg(dir.filePath(QStringLiteral("danted.log")))
                         .arg(dantePort)
                         .toLocal8Bit());
        config.close();
        // Not our output: a Dante left behind by a crash must not hold it open.
        dante.setStandardOutputFile(QProcess::nullDevice());
        dante.setStandardErrorFile(QProcess::nullDevice());
        dante.start(QLatin1String(dantePath),
                    {"-f", config.fileName(), "-p", dir.filePath(QStringLiteral("danted.pid")), "-N", "1"});
        QVERIFY2(dante.waitForStarted(), qPrintable(dante.errorString()));
        const auto listening = [this] {
            QTcpSocket probe;
            probe.setProxy(QNetworkProxy::NoProxy);
            probe.connectToHost(QHostAddress::LocalHost, dantePort);
            return probe.waitForConnected(200);
        };
        QTRY_VERIFY2_WITH_TIMEOUT(dante.state() != QProcess::Running || listening(), qPrintable(danteLog()), 10000);
        QVERIFY2(dante.state() == QProcess::Running, qPrintable(danteLog()));
    }

    void cleanupTestCase()
    {
        dante.terminate();
        if (!dante.waitForFinished(5000))
            dante.kill();
    }

    void cleanup() { QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy); }

    // The proxy refuses, or cannot reach the server: the relay, listening
    // on loopback only, names the reason and drops its client, so the
    // driver fails at once (far below its own time-out).
    void proxyCannotHelp()
    {
        for (const quint16 proxy : {freePort(), dantePort}) {
            useProxy(proxy);
            const quint16 port = freePort();
            ProxySocket relay(serverHost, port, nullptr);
            QCOMPARE(relay.serverAddress(), QHostAddress(QHostAddress::LocalHost));
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^ProxySocket can't reach %1:%2: .+")
                                                                      .arg(QRegularExpression::escape(serverHost))
                                                                      .arg(port)));
            QTcpSocket client;
            QSignalSpy dropped(&client, &QTcpSocket::disconnected);
            client.connectToHost(QHostAddress::LocalHost, relay.serverPort());
            QVERIFY2(dropped.wait(8000), proxy == dantePort ? "server unreachable" : "proxy down");
        }
    }

    // Every view's worker has a connection of its own through the facade's
    // relay: two log views of a bulky day (megabytes, so that loads overlap)
    // and a phase view load their whole day, also when refreshed at once;
    // every session the server then has comes through the proxy.
    void viewsOverTheProxy_data() { TestServers::addServerRows(); }
    void viewsOverTheProxy()
    {
        QFETCH(QString, server);
        const bool pg = server == QLatin1String("pg");
        const uint bulkyObject = 902;
        const int bulkyEvents = 3000;
        const QDate day = TestServers::day();
        const QString date = day.toString(Qt::ISODate), next = day.addDays(1).toString(Qt::ISODate);
        QSqlDatabase reference = TestServers::connection(server, QStringLiteral("reference") + server);
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
        QSqlQuery insert(reference);
        QVERIFY2(insert.exec((pg ? QStringLiteral("insert into events (objectid,time,devicetime,type,value,\"index\",description) "
                                                  "select %1, timestamp '%2' + i * interval '10 second', time '00:00:00' + i * "
                                                  "interval '10 second', 1, 0, i, repeat('x', 2000) from generate_series(1, %3) i")
                                 : QStringLiteral("insert into events (objectid,time,devicetime,type,value,`index`,description) "
                                                  "select %1, timestamp '%2' + interval seq * 10 second, sec_to_time(seq * 10), "
                                                  "1, 0, seq, repeat('x', 2000) from seq_1_to_%3"))
                                 .arg(bulkyObject).arg(date + " 00:00:00").arg(bulkyEvents)),
                 qPrintable(insert.lastError().text()));
        // The phase view's rows: phases and control sources of the day.
        const int phaseRows = scalar(QStringLiteral("select (select count(*) from phasesdata where objectid=1 and %1) + "
                                                    "(select count(*) from events where objectid=1 and type=2 and %1)")
                                         .arg(QStringLiteral("time >= '%1' and time < '%2'").arg(date, next)));
        QVERIFY(phaseRows > 100);

        QPluginLoader loader(QStringLiteral(LUMOVIEW_MODULE_FILE));
        QObject *plugin = loader.instance();
        QVERIFY2(plugin, qPrintable(loader.errorString()));
        useProxy(dantePort);
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
        QVERIFY2(count >= 3, qPrintable(QString::number(count)));
    }
};

QTEST_MAIN(ProxySocketTest)
#include "tst_proxysocket.moc"
