// The module on the layouts a centre with years of history uses, driven
// through the facade as the host drives it: tables partitioned by month,
// where each statement must read the partitions of its own dates only, and a
// read-only hot standby, which must serve every view as the primary does.
#include "AsyncRecorder.h"
#include "EveryView.h"
#include "HostKernel.h"
#include "TestServers.h"

#include "async/AsyncDatabase.h"
#include "database/SqlDialect.h"

#include <QRegularExpression>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const uint object = 1;
const int detector = 1;
const QRegularExpression partitionName(
    QStringLiteral("\\b(?:events|phasesdata|dt15|detectorsdata|dthealth)_p(\\d{4})_(\\d{2})\\b"));
const QRegularExpression partitionedTable(
    QStringLiteral("\\b(?:from|join) (?:events|phasesdata|dt15|detectorsdata|dthealth|\"ShowLog1\")\\b"),
    QRegularExpression::CaseInsensitiveOption);
// A date or date-time literal and the comparison before it.
const QRegularExpression dateLiteral(
    QStringLiteral("(<?)=? *'(\\d{4}-\\d{2}-\\d{2})(?:[ T](\\d{2}:\\d{2}:\\d{2}))?'"));

QStringList fileText(const QString &path, QChar separator)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(separator, Qt::SkipEmptyParts);
}

int month(const QDate &date)
{
    return date.year() * 12 + date.month() - 1;
}

// The months a statement's dates fall in: from the earliest to the latest
// day it reads (an exclusive bound at a midnight reads the day before).
QSet<int> monthsOf(const QString &statement)
{
    QDate first, last;
    auto it = dateLiteral.globalMatch(statement);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        QDate date = QDate::fromString(m.captured(2), Qt::ISODate);
        if (m.captured(1) == QLatin1String("<") && (m.captured(3).isEmpty() || m.captured(3) == QLatin1String("00:00:00")))
            date = date.addDays(-1);
        first = first.isValid() ? std::min(first, date) : date;
        last = last.isValid() ? std::max(last, date) : date;
    }
    QSet<int> months;
    for (int m = first.isValid() ? month(first) : 1; first.isValid() && m <= month(last); ++m)
        months << m;
    return months;
}

} // namespace

class ServerLayoutsTest : public QObject
{
    Q_OBJECT

    QDate day;

    static std::unique_ptr<LumoViewPlugin> pluginOn(const QString &server)
    {
        auto plugin = std::make_unique<LumoViewPlugin>();
        if (plugin->setDatabaseUrl(TestServers::url(server)) != QLatin1String("OK"))
            return nullptr;
        return plugin;
    }

    static AsyncDatabase *service(LumoViewPlugin *plugin)
    {
        return qobject_cast<AsyncDatabase *>(plugin->database());
    }

    // What each view shows for the day.
    QVector<QStringList> shownOnDay(LumoViewPlugin *plugin)
    {
        EveryView views(plugin, object, detector, day);
        if (!views.showDay(day))
            return {};
        QVector<QStringList> shown;
        for (const EveryView::View &view : views.all())
            shown << EveryView::shown(view.widget);
        return shown;
    }

private slots:
    void initTestCase()
    {
        day = TestServers::day();
        // The host's decoder of signal-group events.
        new Road::Kernel(QCoreApplication::instance());
    }

    // Every statement the views send for a day (taken from the two dumps)
    // touches, by its plan, only the partitions of the months of its dates.
    void statementsReadTheirPartitionsOnly()
    {
        if (TestServers::url(QStringLiteral("pgpart")).isEmpty())
            QSKIP("No partitioned server: scripts/dbserver --partitioned");
        auto plugin = pluginOn(QStringLiteral("pgpart"));
        QVERIFY(plugin);
        EveryView views(plugin.get(), object, detector, day);
        QVERIFY(views.idle());
        QTemporaryDir dir;
        plugin->startDumpQueries(dir.filePath(QStringLiteral("views.sql")));
        service(plugin.get())->setDumpFileName(dir.filePath(QStringLiteral("service.sql")));
        QVERIFY(views.showDay(day));
        plugin->stopDumpQueries();

        QStringList statements = fileText(dir.filePath(QStringLiteral("views.sql")), QLatin1Char('\n'));
        for (const QString &record : fileText(dir.filePath(QStringLiteral("service.sql")), QLatin1Char('\r')))
            statements << SqlDialect(SqlDialect::PostgreSql).quoteIdentifiers(record.section(QLatin1Char(' '), 1));
        QVERIFY2(statements.size() >= 20, qPrintable(statements.join('\n')));

        QSqlDatabase db = TestServers::connection(QStringLiteral("pgpart"), QStringLiteral("plans"));
        QVERIFY2(db.open(), qPrintable(db.lastError().text()));
        // The months with partitions of their own; the default partition
        // holds the rest and is read only by statements that reach past them.
        QSet<int> ownPartitions;
        QSqlQuery names(db);
        QVERIFY(names.exec(QStringLiteral("select relname from pg_class where relispartition")));
        while (names.next()) {
            const QRegularExpressionMatch m = partitionName.match(names.value(0).toString());
            if (m.hasMatch())
                ownPartitions << m.captured(1).toInt() * 12 + m.captured(2).toInt() - 1;
        }
        int partitioned = 0;
        for (const QString &statement : qAsConst(statements)) {
            QSqlQuery explain(db);
            QVERIFY2(explain.exec(QStringLiteral("explain (costs off) ") + statement),
                     qPrintable(statement + ": " + explain.lastError().text()));
            QString plan;
            QSet<int> touched;
            while (explain.next()) {
                const QString line = explain.value(0).toString();
                plan += line + QLatin1Char('\n');
                auto it = partitionName.globalMatch(line);
                while (it.hasNext()) {
                    const QRegularExpressionMatch m = it.next();
                    touched << m.captured(1).toInt() * 12 + m.captured(2).toInt() - 1;
                }
            }
            const QString where = statement + QLatin1Char('\n') + plan;
            QVERIFY2(monthsOf(statement).contains(touched), qPrintable(where));
            QVERIFY2(!ownPartitions.contains(monthsOf(statement)) || !plan.contains(QLatin1String("_default")),
                     qPrintable(where));
            if (partitionedTable.match(statement).hasMatch() && !statement.endsWith(QLatin1String("where false"))) {
                QVERIFY2(!touched.isEmpty(), qPrintable(where));
                ++partitioned;
            }
        }
        // Log (both forms), phases, states, signal groups, 15-minute and raw
        // detector data, statistics (history and day), health, fault records.
        QVERIFY(partitioned >= 11);
    }

    // The views read a standby as they read the primary; a write sent there
    // is refused by the server, reported once, and the service goes on.
    void standbyServesEveryView()
    {
        if (TestServers::url(QStringLiteral("pgstandby")).isEmpty())
            QSKIP("No standby: scripts/dbserver --standby");
        auto primary = pluginOn(QStringLiteral("pg"));
        QVERIFY(primary);
        // Whatever the primary holds by now has reached the standby.
        QSqlDatabase primaryDb = TestServers::connection(QStringLiteral("pg"), QStringLiteral("primary"));
        QSqlDatabase standbyDb = TestServers::connection(QStringLiteral("pgstandby"), QStringLiteral("standby"));
        QVERIFY(primaryDb.open() && standbyDb.open());
        QSqlQuery lsn(primaryDb);
        QVERIFY(lsn.exec(QStringLiteral("select pg_current_wal_lsn()")) && lsn.next());
        const QString position = lsn.value(0).toString();
        QVERIFY(QTest::qWaitFor([&] {
            QSqlQuery replayed(standbyDb);
            return replayed.exec(QStringLiteral("select pg_last_wal_replay_lsn() >= '%1'").arg(position))
                   && replayed.next() && replayed.value(0).toBool();
        }, 20000));

        const QVector<QStringList> expected = shownOnDay(primary.get());
        QVERIFY(!expected.isEmpty());
        primary.reset();
        auto standby = pluginOn(QStringLiteral("pgstandby"));
        QVERIFY(standby);
        const QVector<QStringList> shown = shownOnDay(standby.get());
        QCOMPARE(shown.size(), expected.size());
        for (int i = 0; i < shown.size(); ++i) {
            QVERIFY2(expected.at(i).size() > 1, qPrintable(QString::number(i)));
            QCOMPARE(shown.at(i), expected.at(i));
        }

        AsyncDatabase *async = service(standby.get());
        AsyncRecorder recorder(async);
        QObject *insert = nullptr;
        QMetaObject::invokeMethod(async, "newQuery", Q_RETURN_ARG(QObject *, insert),
                                  Q_ARG(QString, QStringLiteral("insert into globdt (alpha) values (1)")));
        const AsyncRecorder::Outcome refused = recorder.run(async, qobject_cast<AsyncSqlQuery *>(insert));
        QCOMPARE(refused.signal, QStringLiteral("error"));
        QVERIFY2(refused.error.contains(QLatin1String("read-only transaction")), qPrintable(refused.error));
        QObject *count = nullptr;
        QMetaObject::invokeMethod(async, "newQuery", Q_RETURN_ARG(QObject *, count),
                                  Q_ARG(QString, QStringLiteral("select count(*) from globdt")));
        const AsyncRecorder::Outcome read = recorder.run(async, qobject_cast<AsyncSqlQuery *>(count));
        QCOMPARE(read.signal, QStringLiteral("finished"));
        QTest::qWait(300); // nothing more comes
        QCOMPARE(recorder.count(QStringLiteral("error")), 1);
        QCOMPARE(recorder.queryErrors.size(), 1);
        QCOMPARE(recorder.databaseErrors, QStringList());
    }
};

QTEST_MAIN(ServerLayoutsTest)
#include "tst_serverlayouts.moc"
