// The module through the facade on tables partitioned by month and on a
// read-only hot standby.
#include "AsyncRecorder.h"
#include "EveryView.h"
#include "HostKernel.h"
#include "TestServers.h"

#include "sql/SqlDialect.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

#include <memory>

namespace {

// The months (counted from year 0) of the partitions a text names.
QSet<int> partitionMonths(const QString &text)
{
    static const QRegularExpression name(
        QStringLiteral("\\b(?:events|phasesdata|dt15|detectorsdata|dthealth)_p(\\d{4})_(\\d{2})\\b"));
    QSet<int> months;
    for (auto it = name.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        months << m.captured(1).toInt() * 12 + m.captured(2).toInt() - 1;
    }
    return months;
}

// The months from the first to the last day a statement reads (an
// exclusive bound at a midnight reads the day before).
QSet<int> monthsOf(const QString &statement)
{
    static const QRegularExpression literal(
        QStringLiteral("(<?)=? *'(\\d{4}-\\d{2}-\\d{2})(?:[ T](\\d{2}:\\d{2}:\\d{2}))?'"));
    int first = INT_MAX, last = INT_MIN;
    for (auto it = literal.globalMatch(statement); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const bool dayBefore = m.captured(1) == "<" && QStringList{"", "00:00:00"}.contains(m.captured(3));
        const QDate date = QDate::fromString(m.captured(2), Qt::ISODate).addDays(dayBefore ? -1 : 0);
        first = std::min(first, date.year() * 12 + date.month() - 1);
        last = std::max(last, date.year() * 12 + date.month() - 1);
    }
    QSet<int> months;
    for (int month = first; month <= last; ++month)
        months << month;
    return months;
}

std::unique_ptr<LumoViewPlugin> pluginOn(const QString &server)
{
    auto plugin = std::make_unique<LumoViewPlugin>();
    return plugin->setDatabaseUrl(TestServers::operatorUrl(server)) == QLatin1String("OK") ? std::move(plugin)
                                                                                             : nullptr;
}

} // namespace

class ServerLayoutsTest : public QObject
{
    Q_OBJECT

    QDate day;

    QVector<QStringList> shownOnDay(LumoViewPlugin *plugin)
    {
        EveryView views(plugin, 1, 1, day);
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
        new Road::Kernel(QCoreApplication::instance()); // the host's decoder of signal-group events
    }

    // Every statement the views send (from the dumps, which the views' first
    // loads write at once) reads only the partitions of its dates.
    void statementsReadTheirPartitionsOnly()
    {
        if (TestServers::url(QStringLiteral("pgpart")).isEmpty())
            QSKIP("No partitioned server: scripts/dbserver --partitioned");
        auto plugin = pluginOn(QStringLiteral("pgpart"));
        QVERIFY(plugin);
        QTemporaryDir dir;
        plugin->startDumpQueries(dir.filePath(QStringLiteral("views.sql")));
        qobject_cast<AsyncDatabase *>(plugin->database())->setDumpFileName(dir.filePath(QStringLiteral("service.sql")));
        EveryView views(plugin.get(), 1, 1, day);
        QVERIFY(views.idle());
        QVERIFY(views.showDay(day));
        plugin->stopDumpQueries();
        QStringList statements = EveryView::dumped(dir.filePath(QStringLiteral("views.sql")));
        for (const QString &record : EveryView::dumped(dir.filePath(QStringLiteral("service.sql")), QLatin1Char('\r')))
            statements << SqlDialect(SqlDialect::PostgreSql).quoteIdentifiers(record.section(QLatin1Char(' '), 1));
        QVERIFY2(statements.size() >= 20, qPrintable(statements.join('\n')));

        QSqlDatabase db = TestServers::connection(QStringLiteral("pgpart"), QStringLiteral("plans"));
        QVERIFY2(db.open(), qPrintable(db.lastError().text()));
        // The months with partitions of their own; the default partition
        // holds the rest and is read only by statements that reach past them.
        QSqlQuery names(db);
        QVERIFY(names.exec(QStringLiteral("select string_agg(relname, ' ') from pg_class where relispartition")));
        QVERIFY(names.next());
        const QSet<int> ownPartitions = partitionMonths(names.value(0).toString());
        static const QRegularExpression partitionedTable(
            QStringLiteral("\\b(?:from|join) (?:events|phasesdata|dt15|detectorsdata|dthealth|\"ShowLog1\")\\b"),
            QRegularExpression::CaseInsensitiveOption);
        int partitioned = 0;
        for (const QString &statement : qAsConst(statements)) {
            QSqlQuery explain(db);
            QVERIFY2(explain.exec(QStringLiteral("explain (costs off) ") + statement),
                     qPrintable(statement + ": " + explain.lastError().text()));
            QString plan = statement;
            while (explain.next())
                plan += QLatin1Char('\n') + explain.value(0).toString();
            const QSet<int> touched = partitionMonths(plan);
            QVERIFY2(monthsOf(statement).contains(touched), qPrintable(plan));
            QVERIFY2(!ownPartitions.contains(monthsOf(statement)) || !plan.contains(QLatin1String("_default")),
                     qPrintable(plan));
            if (partitionedTable.match(statement).hasMatch() && ownPartitions.contains(monthsOf(statement))
                && !statement.endsWith(QLatin1String("where false"))) {
                QVERIFY2(!touched.isEmpty(), qPrintable(plan));
                ++partitioned;
            }
        }
        // Log (both forms), phases, states, signal groups, detector data (two),
        // statistics (two), health, fault records.
        QVERIFY(partitioned >= 11);
    }

    // Every view reads a standby as the primary; a write is refused once.
    void standbyServesEveryView()
    {
        if (TestServers::url(QStringLiteral("pgstandby")).isEmpty())
            QSKIP("No standby: scripts/dbserver --standby");
        // Whatever the primary holds by now has reached the standby.
        QSqlDatabase primaryDb = TestServers::connection(QStringLiteral("pg"), QStringLiteral("primary"));
        QSqlDatabase standbyDb = TestServers::connection(QStringLiteral("pgstandby"), QStringLiteral("standby"));
        QVERIFY(primaryDb.open() && standbyDb.open());
        QSqlQuery lsn(primaryDb), replayed(standbyDb);
        QVERIFY(lsn.exec(QStringLiteral("select pg_current_wal_lsn()")) && lsn.next());
        const QString caughtUp = QStringLiteral("select pg_last_wal_replay_lsn() >= '%1'").arg(lsn.value(0).toString());
        QVERIFY(QTest::qWaitFor([&] {
            return replayed.exec(caughtUp) && replayed.next() && replayed.value(0).toBool();
        }, 20000));

        auto plugin = pluginOn(QStringLiteral("pg"));
        QVERIFY(plugin);
        const QVector<QStringList> expected = shownOnDay(plugin.get());
        plugin.reset();
        plugin = pluginOn(QStringLiteral("pgstandby"));
        QVERIFY(plugin);
        const QVector<QStringList> shown = shownOnDay(plugin.get());
        QCOMPARE(shown.size(), expected.size());
        for (int i = 0; i < shown.size(); ++i) {
            QVERIFY2(expected.at(i).size() > 1, qPrintable(QString::number(i)));
            QCOMPARE(shown.at(i), expected.at(i));
        }

        auto *service = qobject_cast<AsyncDatabase *>(plugin->database());
        AsyncRecorder recorder(service);
        const auto run = [&](const QString &text) { return recorder.run(service, AsyncRecorder::newQuery(service, text)); };
        const AsyncRecorder::Outcome refused = run(QStringLiteral("insert into globdt (alpha) values (1)"));
        QCOMPARE(refused.signal, QStringLiteral("error"));
        QVERIFY2(refused.error.contains(QLatin1String("read-only transaction")), qPrintable(refused.error));
        QCOMPARE(run(QStringLiteral("select count(*) from globdt")).signal, QStringLiteral("finished"));
        QTest::qWait(300); // nothing more comes
        QCOMPARE(recorder.count(QStringLiteral("error")), 1);
        QCOMPARE(recorder.queryErrors.size(), 1);
        QCOMPARE(recorder.databaseErrors, QStringList());
    }
};

QTEST_MAIN(ServerLayoutsTest)
#include "tst_serverlayouts.moc"
