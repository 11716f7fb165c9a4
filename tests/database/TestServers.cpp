#include "TestServers.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>
#include <QUrl>
#include <QUrlQuery>

namespace TestServers {

namespace {
bool everyLayout = false;
}

QString url(const QString &server)
{
    return qEnvironmentVariable(qPrintable(QStringLiteral("LUMOVIEW_TEST_%1_URL").arg(server.toUpper())));
}

QString operatorUrl(const QString &server)
{
    const QString role = qEnvironmentVariable("LUMOVIEW_TEST_OPERATOR");
    QUrl u(url(server));
    if (role.isEmpty() || u.isEmpty())
        return url(server);
    u.setUserName(role.section(QLatin1Char(':'), 0, 0));
    u.setPassword(role.section(QLatin1Char(':'), 1));
    return u.toString();
}

bool isPostgres(const QString &server) { return server.startsWith(QLatin1String("pg")); }

void includeEveryLayout() { everyLayout = true; }

QStringList available()
{
    QStringList servers;
    for (const QString &name : QStringList{"pg", "mysql", "pgpart", "pgbouncer"}.mid(0, everyLayout ? 4 : 2)) {
        if (!url(name).isEmpty())
            servers << name;
    }
    return servers;
}

QSqlDatabase connection(const QString &server, const QString &name)
{
    const QUrl u(url(server));
    const QStringList parts = u.path().split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QSqlDatabase db = QSqlDatabase::addDatabase(parts.value(0), name);
    db.setDatabaseName(parts.value(1));
    db.setUserName(u.userName());
    db.setPassword(u.password());
    db.setHostName(u.host());
    db.setPort(u.port(3306));
    QStringList options;
    for (const auto &item : QUrlQuery(u).queryItems(QUrl::FullyDecoded))
        options << item.first + QLatin1Char('=') + item.second;
    db.setConnectOptions(options.join(QLatin1Char(';')));
    return db;
}

void addServerRows(const char *column)
{
    QTest::addColumn<QString>(column);
    for (const QString &server : available())
        QTest::newRow(qPrintable(server)) << server;
}

void addServerRows(const QStringList &kinds)
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("kind");
    for (const QString &server : available()) {
        for (const QString &kind : kinds)
            QTest::newRow(qPrintable(server + QLatin1String(": ") + kind)) << server << kind;
    }
}

QDate day()
{
    const QDate d = QDate::fromString(qEnvironmentVariable("LUMOVIEW_TEST_DAY"), Qt::ISODate);
    return d.isValid() ? d : QDate(2024, 3, 6);
}

QVector<QVariantList> rows(const QSqlDatabase &db, const QString &statement)
{
    QSqlQuery q(db);
    if (!q.exec(statement))
        qWarning("%s: %s", qPrintable(statement), qPrintable(q.lastError().text()));
    QVector<QVariantList> result;
    while (q.next()) {
        result.append(QVariantList());
        for (int i = 0; i < q.record().count(); ++i)
            result.last() << q.value(i);
    }
    return result;
}

QString scalar(const QSqlDatabase &db, const QString &statement)
{
    return rows(db, statement).value(0).value(0).toString();
}

QString otherSessions(const QString &server)
{
    return isPostgres(server)
        ? QStringLiteral("select count(*) from pg_stat_activity where datname=current_database() and pid<>pg_backend_pid()")
        : QStringLiteral("select count(*) from information_schema.processlist where db=database() and id<>connection_id()");
}

bool addBulkyDay(const QSqlDatabase &db, uint object, int count, int width)
{
    QSqlQuery insert(db);
    const bool done = insert.exec(
        QString::fromLatin1(db.driverName() == QLatin1String("QPSQL")
                                ? "insert into events (objectid, time, devicetime, type, value, \"index\", description) "
                                  "select %1, timestamp '%2' + i * interval '10 second', time '00:00:00' + i * "
                                  "interval '10 second', 1, 0, i, repeat('x', %4) from generate_series(1, %3) i"
                                : "insert into events (objectid, time, devicetime, type, value, `index`, description) "
                                  "select %1, timestamp '%2' + interval seq * 10 second, sec_to_time(seq * 10), 1, 0, "
                                  "seq, repeat('x', %4) from seq_1_to_%3")
            .arg(object).arg(day().toString(Qt::ISODate) + " 00:00:00").arg(count).arg(width));
    if (!done)
        qWarning("%s", qPrintable(insert.lastError().text()));
    return done;
}

} // namespace TestServers
