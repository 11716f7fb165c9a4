// Every statement the views send for one controller's day, timed on a
// history of months × controllers and on a database that holds only the
// days the views read (the day, the day before, the same weekday of past
// weeks, for every controller, so that a day's rows lie as densely as in the
// history and the statements return the same rows), on PostgreSQL, on
// PostgreSQL with the tables partitioned by month, and on MariaDB. A
// statement's cost must not grow with the history kept: the history takes
// at most 1.5 times the one-day time, or 2 ms more.
//
// The statements are the views' own, taken from the query dumps of every
// view opened through the facade on the day. The databases are made here on
// the servers of scripts/dbserver (LUMOVIEW_TEST_PG_URL,
// LUMOVIEW_TEST_MYSQL_URL) by the generator (LUMOVIEW_DBGEN --history):
// LUMOVIEW_BENCH_HISTORY=CONTROLLERS,DAYS,DT15DAYS sizes the history
// (default 8,61,182); the day is today, so that the detector views also
// read yesterday's curve.
#include "EveryView.h"
#include "HostKernel.h"
#include "TestServers.h"

#include "async/AsyncDatabase.h"
#include "sql/SqlDialect.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>
#include <cstdio>

namespace {

const uint object = 3;
const int detector = 2;
const int rounds = 25;

struct Target
{
    QString server;   // "pg" or "mysql", the server of scripts/dbserver
    QString database;
    bool partitioned;
    bool oneDay;
};

QUrl serverUrl(const QString &server)
{
    return QUrl(TestServers::url(server));
}

QString databaseUrl(const Target &target)
{
    QUrl url = serverUrl(target.server);
    url.setPath(QStringLiteral("/%1/%2").arg(serverUrl(target.server).path().section(QLatin1Char('/'), 1, 1),
                                             target.database));
    return url.toString();
}

QStringList clientCommand(const Target &target, const QString &database)
{
    const QUrl url = serverUrl(target.server);
    if (target.server == QLatin1String("pg"))
        return {QStringLiteral("psql"), QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-v"),
                QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-h"), url.host(), QStringLiteral("-p"),
                QString::number(url.port()), QStringLiteral("-U"), url.userName(), QStringLiteral("-d"), database};
    return {QStringLiteral("mariadb"), QStringLiteral("--no-defaults"), QStringLiteral("--default-character-set=utf8mb4"),
            QStringLiteral("-h"), url.host(), QStringLiteral("-P"), QString::number(url.port(3306)), QStringLiteral("-u"),
            url.userName(), QStringLiteral("-p") + url.password(), database};
}

bool run(const QStringList &command, const QString &inputFile = QString(), const QStringList &extra = {})
{
    QProcess process;
    if (!inputFile.isEmpty())
        process.setStandardInputFile(inputFile);
    process.start(command.first(), command.mid(1) + extra);
    if (!process.waitForFinished(-1) || process.exitCode() != 0) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(command.join(' ')), process.readAllStandardError().constData());
        return false;
    }
    return true;
}

QString sourceFile(const char *path)
{
    return QStringLiteral(LUMOVIEW_SOURCE_DIR "/") + QLatin1String(path);
}

// A fresh database with the schema and ShowLog1; the generator's rows are
// loaded by load().
bool sql(const Target &target, const QString &database, const QString &statement)
{
    return run(clientCommand(target, database), QString(),
               {target.server == QLatin1String("pg") ? QStringLiteral("-c") : QStringLiteral("-e"), statement});
}

bool prepare(const Target &target, const QDate &first, const QDate &last)
{
    const bool pg = target.server == QLatin1String("pg");
    const QString admin = pg ? QStringLiteral("postgres") : QStringLiteral("lumo");
    if (!sql(target, admin, QStringLiteral("drop database if exists %1").arg(target.database))
        || !sql(target, admin, QStringLiteral("create database %1%2").arg(target.database,
                                                                       pg ? QString() : QStringLiteral(" character set utf8mb4"))))
        return false;
    const QString dialect = pg ? QStringLiteral("postgres") : QStringLiteral("mysql");
    if (!run(clientCommand(target, target.database), sourceFile("db/") + dialect + QStringLiteral("/schema.sql")))
        return false;
    if (target.partitioned
        && !run(clientCommand(target, target.database), sourceFile("db/postgres/partitioned.sql"),
                {QStringLiteral("-v"), QStringLiteral("first=") + first.toString(Qt::ISODate), QStringLiteral("-v"),
                 QStringLiteral("last=") + last.toString(Qt::ISODate)}))
        return false;
    return run(clientCommand(target, target.database), sourceFile("db/") + dialect + QStringLiteral("/showlog1.sql"));
}

// The generator's output straight into the server's client.
struct Load
{
    QProcess generator;
    QProcess client;
};

void startLoad(Load *load, const Target &target, const QStringList &history, const QDate &day)
{
    // Today stops at the time the data are written at: the same for every load.
    static const QString now = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    QStringList args{QStringLiteral("--dialect"), target.server == QLatin1String("pg") ? QStringLiteral("pg")
                                                                                      : QStringLiteral("mysql"),
                     QStringLiteral("--history"), history.join(QLatin1Char(',')), QStringLiteral("--day"),
                     day.toString(Qt::ISODate), QStringLiteral("--now"), now};
    if (target.oneDay)
        args << QStringLiteral("--one-day");
    load->generator.setStandardOutputProcess(&load->client);
    load->client.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    load->client.setStandardOutputFile(QProcess::nullDevice());
    const QStringList client = clientCommand(target, target.database);
    load->client.start(client.first(), client.mid(1));
    load->generator.start(qEnvironmentVariable("LUMOVIEW_DBGEN"), args);
}

QString label(const QString &statement)
{
    static const QVector<QPair<QRegularExpression, QString>> kinds = {
        {QRegularExpression("ShowLog1"), "log"},
        {QRegularExpression("INNER JOIN events"), "log, older generations"},
        {QRegularExpression("from phasesdata"), "phases"},
        {QRegularExpression("from events .*type=2"), "control sources"},
        {QRegularExpression("T00:00:00'.*type.=7"), "signal groups, day"},
        {QRegularExpression("type.=7"), "signal groups, hour"},
        {QRegularExpression("from detectors where collect"), "detector list (worker)"},
        {QRegularExpression("from detectors where objectid"), "detector list (charts)"},
        {QRegularExpression("from dt15p"), "characteristic profile"},
        {QRegularExpression("(interval '1 day'|ADDDATE).* from dt15 "), "yesterday, 15 minutes"},
        {QRegularExpression("(interval '1 day'|ADDDATE).* from detectorsdata "), "yesterday, raw records"},
        {QRegularExpression("state from dt15 "), "detector data, day"},
        {QRegularExpression("state from detectorsdata "), "raw records, day"},
        {QRegularExpression("as tm,.* or "), "statistics, 15 weeks"},
        {QRegularExpression("as tm,"), "statistics, day"},
        {QRegularExpression("from dthealth"), "health"},
        {QRegularExpression("useGlobalParam"), "fault parameters"},
        {QRegularExpression("from uplimits"), "upper limits"},
        {QRegularExpression("from downlimits"), "lower limits"},
        {QRegularExpression("occupancy,cars"), "fault chart records"},
    };
    for (const auto &kind : kinds) {
        if (!kind.first.match(statement).hasMatch())
            continue;
        // The health history of the days between its two dates.
        const QRegularExpressionMatch dates = QRegularExpression("between '([-0-9]+)' and '([-0-9]+)'").match(statement);
        if (kind.second == QLatin1String("health") && dates.hasMatch())
            return QStringLiteral("health, %1 days")
                .arg(QDate::fromString(dates.captured(1), Qt::ISODate).daysTo(QDate::fromString(dates.captured(2), Qt::ISODate)) + 1);
        return kind.second;
    }
    return statement.left(40);
}

// The statements every view sends, from its opening (on today) to showing
// the day, as they reach the server, each once.
QStringList viewStatements(const Target &oneDay, const QDate &day)
{
    QTemporaryDir dir;
    LumoViewPlugin plugin;
    if (plugin.setDatabaseUrl(databaseUrl(oneDay)) != QLatin1String("OK"))
        return {};
    plugin.startDumpQueries(dir.filePath(QStringLiteral("views.sql")));
    auto *service = qobject_cast<AsyncDatabase *>(plugin.database());
    service->setDumpFileName(dir.filePath(QStringLiteral("service.sql")));
    EveryView views(&plugin, object, detector, day);
    if (!views.idle() || !views.showDay(day))
        std::fprintf(stderr, "%s: a view did not load the day\n", qPrintable(oneDay.database));
    plugin.stopDumpQueries();

    const SqlDialect dialect = SqlDialect::forDriver(service->driverName());
    QStringList statements;
    auto read = [&](const QString &name, QChar separator, bool stamped) {
        QFile file(dir.filePath(name));
        file.open(QIODevice::ReadOnly);
        for (const QString &record : QString::fromUtf8(file.readAll()).split(separator, Qt::SkipEmptyParts)) {
            const QString statement = dialect.quoteIdentifiers(stamped ? record.section(QLatin1Char(' '), 1) : record);
            if (!statements.contains(statement))
                statements << statement;
        }
    };
    read(QStringLiteral("views.sql"), QLatin1Char('\n'), false);
    read(QStringLiteral("service.sql"), QLatin1Char('\r'), true);
    return statements;
}

// One execution as a view's reader does it: forward only, every value taken.
double executionMs(QSqlDatabase &db, const QString &statement, int *rows)
{
    QElapsedTimer timer;
    timer.start();
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(statement)) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(statement), qPrintable(query.lastError().text()));
        return -1;
    }
    *rows = 0;
    const int columns = query.record().count();
    while (query.next()) {
        for (int c = 0; c < columns; ++c)
            query.value(c);
        ++*rows;
    }
    return timer.nsecsElapsed() / 1e6;
}

// The least of the rounds: on a shared machine other work only adds time.
double best(const QVector<double> &values)
{
    return *std::min_element(values.begin(), values.end());
}

QSqlDatabase open(const Target &target)
{
    QSqlDatabase db = TestServers::connection(target.server, target.server + target.database);
    db.setDatabaseName(target.database);
    if (!db.open())
        std::fprintf(stderr, "%s: %s\n", qPrintable(target.database), qPrintable(db.lastError().text()));
    return db;
}

// Both databases of a server, statement by statement, in alternating rounds.
bool compare(const QString &title, const Target &oneDayTarget, const Target &historyTarget, const QDate &day)
{
    const QStringList statements = viewStatements(oneDayTarget, day);
    QSqlDatabase oneDay = open(oneDayTarget);
    QSqlDatabase history = open(historyTarget);
    std::printf("\n%s\n\n| statement | rows | one day ms | history ms | ratio |\n|---|---:|---:|---:|---:|\n",
                qPrintable(title));
    bool reached = !statements.isEmpty();
    for (const QString &statement : statements) {
        QVector<double> oneDayMs, historyMs;
        int rowsOneDay = 0, rowsHistory = 0;
        executionMs(oneDay, statement, &rowsOneDay); // warm both
        executionMs(history, statement, &rowsHistory);
        for (int round = 0; round < rounds; ++round) {
            oneDayMs << executionMs(oneDay, statement, &rowsOneDay);
            historyMs << executionMs(history, statement, &rowsHistory);
        }
        const double a = best(oneDayMs), b = best(historyMs);
        const bool ok = b <= 1.5 * a || b - a <= 2.0;
        reached = reached && ok && rowsOneDay == rowsHistory;
        std::printf("| %s | %d%s | %.2f | %.2f | %.2f%s |\n", qPrintable(label(statement)), rowsOneDay,
                    rowsOneDay == rowsHistory ? "" : qPrintable(QStringLiteral(" (history %1)").arg(rowsHistory)),
                    a, b, b / a, ok ? "" : " ✗");
        std::fflush(stdout);
    }
    return reached;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    new Road::Kernel(&app); // the host's decoder of signal-group events
    if (TestServers::url(QStringLiteral("pg")).isEmpty() || TestServers::url(QStringLiteral("mysql")).isEmpty()) {
        std::fprintf(stderr, "bench_history: run it under scripts/dbserver (both servers)\n");
        return 2;
    }
    QStringList history = qEnvironmentVariable("LUMOVIEW_BENCH_HISTORY", QStringLiteral("8,61,182")).split(',');
    const QDate day = QDate::currentDate();
    const QDate first = day.addDays(1 - history.value(2).toInt());
    const QVector<Target> targets = {
        {"pg", "history", false, false},        {"pg", "oneday", false, true},
        {"pg", "history_part", true, false},    {"pg", "oneday_part", true, true},
        {"mysql", "history", false, false},     {"mysql", "oneday", false, true},
    };

    QElapsedTimer timer;
    timer.start();
    for (const Target &target : targets) {
        if (!prepare(target, first, day))
            return 1;
    }
    // All loads at once: the servers work while the generators write.
    QVector<Load *> loads;
    for (const Target &target : targets) {
        loads << new Load;
        startLoad(loads.last(), target, history, day);
    }
    bool loaded = true;
    for (int i = 0; i < loads.size(); ++i) {
        loads[i]->generator.waitForFinished(-1);
        loads[i]->client.closeWriteChannel();
        loads[i]->client.waitForFinished(-1);
        if (loads[i]->generator.exitCode() != 0 || loads[i]->client.exitCode() != 0) {
            std::fprintf(stderr, "loading %s %s failed\n", qPrintable(targets[i].server), qPrintable(targets[i].database));
            loaded = false;
        }
        delete loads[i];
    }
    if (!loaded)
        return 1;
    // As a history that has stood a while: vacuumed, with its statistics
    // and written out, so that no autovacuum or checkpoint of the fresh
    // tables runs beside the timings.
    for (const Target &target : targets) {
        if (target.server == QLatin1String("pg")) {
            sql(target, target.database, QStringLiteral("vacuum analyze"));
            sql(target, target.database, QStringLiteral("checkpoint"));
        } else {
            sql(target, target.database,
                QStringLiteral("analyze table events, phasesdata, dt15, detectorsdata, dthealth, dt15p, detectors"));
        }
    }
    std::printf("History: %s controllers (4 detectors each), %s days of events, phases and raw records, %s days of "
                "15-minute data and health, ending today; the views of controller %u on today, against a database of "
                "the days they read. Loaded in %.0f s. Each time is the least of %d runs, one day and history in "
                "turn.\n",
                qPrintable(history.value(0)), qPrintable(history.value(1)), qPrintable(history.value(2)), object,
                timer.elapsed() / 1000.0, rounds);

    bool reached = compare(QStringLiteral("PostgreSQL"), targets[1], targets[0], day);
    reached = compare(QStringLiteral("PostgreSQL, tables partitioned by month"), targets[3], targets[2], day) && reached;
    reached = compare(QStringLiteral("MariaDB"), targets[5], targets[4], day) && reached;
    std::printf("\nEvery statement within 1.5× (or 2 ms) of its one-day time: %s\n", reached ? "yes" : "no");
    return 0;
}
