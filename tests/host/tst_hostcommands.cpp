// The host driven by another program: commands for the views on standard
// input, what the views show on standard output (--commands, --report).
#include "TestServers.h"

#include <QProcess>
#include <QSqlQuery>
#include <QtTest>

namespace {

// One host process and the report lines it has written so far.
class Host
{
public:
    Host(const QString &url, const QStringList &views)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QStringList arguments{"--db", url, "--object", "1", "--lang", "en", "--report", "--commands"};
        for (const QString &view : views)
            arguments << "--view" << view;
        process.start(LUMOVIEW_HOST, arguments);
    }
    ~Host()
    {
        process.kill();
        process.waitForFinished();
    }

    void send(const QByteArray &command) { process.write(command + '\n'); }

    // Waits for a line after the first `from` lines; its index, or -1.
    int waitFor(const QString &line, int from = 0, int timeoutMs = 60000)
    {
        QDeadlineTimer deadline(timeoutMs);
        forever {
            const int at = lines.indexOf(line, from);
            if (at >= 0)
                return at;
            if (deadline.hasExpired() || process.state() == QProcess::NotRunning)
                return -1;
            process.waitForReadyRead(100);
            while (process.canReadLine())
                lines << QString::fromUtf8(process.readLine()).trimmed();
        }
    }

    QProcess process;
    QStringList lines;
};

} // namespace

class HostCommandsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (TestServers::url("pg").isEmpty())
            QSKIP("No test server: run through scripts/dbserver");
    }

    // Each kind of view reports its load, and a Refresh sent to it another.
    void refreshReported_data()
    {
        QTest::addColumn<QString>("view");
        QTest::addColumn<QString>("loaded");
        QTest::addColumn<QString>("busy");
        QTest::newRow("event log") << "log" << "log line Data acquisition is complete" << "log line Obtaining log data";
        QTest::newRow("detector data") << "dt" << "dt line Data acquisition is complete"
                                       << "dt line Obtaining data for the characteristic period";
        QTest::newRow("fault chart") << "faults" << "faults status ready obtaining data complete"
                                     << "faults status busy obtaining detectors list ...";
    }
    void refreshReported()
    {
        QFETCH(QString, view);
        QFETCH(QString, loaded);
        QFETCH(QString, busy);
        Host host(TestServers::operatorUrl("pg"), {view});
        QVERIFY(host.waitFor("host ready") >= 0);
        // The detector view reads its detectors before its data.
        const int first = host.waitFor(busy.contains("characteristic") ? busy : loaded);
        QVERIFY2(first >= 0, qPrintable(host.lines.join('\n')));
        const int opened = host.waitFor(loaded, first);
        QVERIFY2(opened >= 0, qPrintable(host.lines.join('\n')));
        host.send("refresh " + view.toUtf8());
        const int refreshing = host.waitFor(busy, opened + 1);
        QVERIFY2(refreshing >= 0, qPrintable(host.lines.join('\n')));
        QVERIFY2(host.waitFor(loaded, refreshing + 1) >= 0, qPrintable(host.lines.join('\n')));
    }

    // Cancel ends a load whose statement runs on the server, without the
    // forced end; a date given to the view starts a load of that day.
    void cancelEndsTheLoad()
    {
        const QString scratch = QStringLiteral("lumo_hostcommands");
        {
            QSqlDatabase owner = TestServers::connection("pg", "owner");
            QVERIFY(owner.open());
            QSqlQuery(owner).exec("drop database if exists " + scratch);
            QVERIFY(QSqlQuery(owner).exec("create database " + scratch));
            owner.setDatabaseName(scratch);
            owner.close();
            QVERIFY(owner.open());
            QVERIFY(QSqlQuery(owner).exec(
                "create function \"ShowLog1\"(o integer, f date, t date, v integer) returns table (\"time\" "
                "timestamp, devicetime time, type integer, typename text, description text, value integer, data "
                "bytea) language sql as $$ select pg_sleep(600) where f < date '2001-01-01'; select f + time "
                "'12:00', time '12:00', 1, 'x', 'y', 1, null::bytea $$"));
        }
        QSqlDatabase::removeDatabase("owner");
        QUrl url(TestServers::url("pg"));
        url.setPath("/QPSQL/" + scratch);
        Host host(url.toString(), {"log"});
        int at = host.waitFor("log line Data acquisition is complete");
        QVERIFY2(at >= 0, qPrintable(host.lines.join('\n')));
        // A command waits until the view takes input again: then nothing
        // is left to cancel.
        host.send("date log " + QDate::currentDate().toString(Qt::ISODate).toUtf8());
        host.send("cancel log");
        QVERIFY(host.waitFor("host error nothing to cancel: cancel log", at) >= 0);

        host.send("date log 2000-01-01");
        at = host.waitFor("log line Obtaining log data", at);
        QVERIFY(at >= 0);
        host.send("cancel log");
        const int closed = host.waitFor("log line The database is closed", at);
        QVERIFY2(closed >= 0, qPrintable(host.lines.join('\n')));
        const QStringList stop = host.lines.mid(at, closed - at + 1);
        QVERIFY2(stop.contains("log line Interrupted by the user") && !stop.contains("log line Disconnected"),
                 qPrintable(stop.join('\n')));

        // Closing its input closes the host.
        host.send("refresh nothing");
        QVERIFY(host.waitFor("host error no view nothing: refresh nothing", closed) >= 0);
        host.process.closeWriteChannel();
        QVERIFY(host.process.waitForFinished(20000));
        QCOMPARE(host.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(host.process.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(HostCommandsTest)
#include "tst_hostcommands.moc"
