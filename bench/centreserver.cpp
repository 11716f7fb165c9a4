#include "centreserver.h"

#include "TestServers.h"

#include <QDate>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

const int pollMs = 200;
const char slowEpoch[] = "2001-01-01";

QString watchedServer(const QString &server)
{
    // Behind the pooler the server's own connections are what counts.
    return server == QLatin1String("pgbouncer") ? QStringLiteral("pg") : server;
}

bool execAll(QSqlDatabase &db, const QStringList &statements, QString *error)
{
    for (const QString &statement : statements) {
        QSqlQuery query(db);
        if (!query.exec(statement)) {
            *error = query.lastError().text() + QStringLiteral(" in: ") + statement.left(120);
            return false;
        }
    }
    return true;
}

// The overloads the module calls (a plain literal picks the integer one)
// renamed, and in their place ones that sleep on a slow day first. Functions
// run with the caller's rights; cancelling the sleep ends the statement.
QStringList postgresSlowLog()
{
    QStringList statements;
    for (const char *generation : {"integer", "bigint"}) {
        const QString type = QString::fromLatin1(generation);
        statements << QStringLiteral("alter function \"ShowLog1\"(integer, timestamp, timestamp, %1) rename to \"ShowLog1Rows\"")
                          .arg(type)
                   << QStringLiteral(
                          "create function \"ShowLog1\"(p_object integer, p_start timestamp, p_end timestamp, p_generation %1) "
                          "returns table (\"time\" timestamp, \"devicetime\" time, \"type\" integer, "
                          "\"description\" text, \"descr\" text, \"value\" integer, \"data\" bytea) "
                          "language sql volatile as $fn$ "
                          "select pg_sleep(600) where p_start < timestamp '%2'; "
                          "select * from \"ShowLog1Rows\"(p_object, p_start, p_end, p_generation) $fn$")
                          .arg(type, QLatin1String(slowEpoch))
                   << QStringLiteral("revoke execute on function \"ShowLog1\"(integer, timestamp, timestamp, %1) from public")
                          .arg(type)
                   << QStringLiteral("grant execute on function \"ShowLog1\"(integer, timestamp, timestamp, %1) to lumo_operator")
                          .arg(type);
    }
    return statements;
}

// MariaDB cannot rename a procedure: the rows come from a copy made here
// of the procedure's body, which the slow one calls after its sleep. Both
// run with the caller's rights, so the operator may end them.
QStringList mysqlSlowLog()
{
    const QString select = QStringLiteral(
        "SELECT e.`time`, e.devicetime, e.`type`, t.description, coalesce(e.description, t.description) AS descr, "
        "e.value, e.`data` FROM events e LEFT JOIN eventtypes t ON t.id = e.`type` "
        "WHERE e.objectid = p_object AND e.`time` >= p_start AND e.`time` < p_end ORDER BY e.`time`, e.`index`;");
    const QString parameters =
        QStringLiteral("(IN p_object INT, IN p_start DATETIME, IN p_end DATETIME, IN p_generation BIGINT) "
                       "READS SQL DATA SQL SECURITY INVOKER ");
    return {QStringLiteral("CREATE PROCEDURE ShowLog1Rows") + parameters + QStringLiteral("BEGIN ") + select
                + QStringLiteral(" END"),
            QStringLiteral("DROP PROCEDURE ShowLog1"),
            QStringLiteral("CREATE PROCEDURE ShowLog1") + parameters
                + QStringLiteral("BEGIN IF p_start < '%1' THEN DO SLEEP(600); END IF; "
                                 "CALL ShowLog1Rows(p_object, p_start, p_end, p_generation); END")
                      .arg(QLatin1String(slowEpoch)),
            QStringLiteral("GRANT EXECUTE ON PROCEDURE lumo.ShowLog1 TO 'lumo_operator'@'%'"),
            QStringLiteral("GRANT EXECUTE ON PROCEDURE lumo.ShowLog1Rows TO 'lumo_operator'@'%'")};
}

} // namespace

CentreServer::CentreServer(const QString &server, QObject *parent)
    : QThread(parent)
    , server(watchedServer(server))
    , postgres(TestServers::isPostgres(watchedServer(server)))
{
}

CentreServer::~CentreServer()
{
    finish();
    wait();
}

QDate CentreServer::slowDay(int host)
{
    // Two days apart: no slow day is the end date of another's statement.
    return QDate(1950, 1, 1).addDays(2 * host);
}

QString CentreServer::slowMarker(const QDate &day)
{
    return QStringLiteral("'%1'").arg(day.toString(Qt::ISODate));
}

bool CentreServer::prepareSlowLog(QString *error)
{
    bool done = false;
    {
        QSqlDatabase db = TestServers::connection(server, QStringLiteral("centre-setup"));
        if (!db.open()) {
            *error = db.lastError().text();
        } else {
            QSqlQuery check(db);
            check.exec(postgres ? QStringLiteral("select 1 from pg_proc where proname = 'ShowLog1Rows'")
                                : QStringLiteral("select 1 from information_schema.routines "
                                                 "where routine_schema = 'lumo' and routine_name = 'ShowLog1Rows'"));
            done = check.next() || execAll(db, postgres ? postgresSlowLog() : mysqlSlowLog(), error);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("centre-setup"));
    return done;
}

CentreServer::Snapshot CentreServer::snapshot() const
{
    QMutexLocker locker(&mutex);
    return last;
}

void CentreServer::run()
{
    const QString name = QStringLiteral("centre-watch");
    {
        QSqlDatabase db = TestServers::connection(server, name);
        if (!db.open())
            qWarning("centre: the watcher cannot connect: %s", qPrintable(db.lastError().text()));
        while (!stopping && db.isOpen()) {
            if (!poll(db))
                qWarning("centre: the watcher's poll failed: %s", qPrintable(db.lastError().text()));
            msleep(pollMs);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

bool CentreServer::poll(QSqlDatabase &db)
{
    Snapshot now;
    QSqlQuery query(db);
    if (postgres) {
        if (!query.exec(QStringLiteral(
                "select count(*) filter (where backend_type = 'client backend' and pid <> pg_backend_pid()), "
                "string_agg(query, E'\\n') filter (where state = 'active' and pid <> pg_backend_pid() "
                "and query like '%ShowLog1%') from pg_stat_activity"))
            || !query.next())
            return false;
        now.connections = query.value(0).toInt();
        const QString texts = query.value(1).toString();
        if (!texts.isEmpty())
            now.logStatements = texts.split(QLatin1Char('\n'));
    } else {
        if (!query.exec(QStringLiteral("select count(*) from information_schema.processlist "
                                       "where id <> connection_id() and command <> 'Daemon'"))
            || !query.next())
            return false;
        now.connections = query.value(0).toInt();
        if (!query.exec(QStringLiteral("select host from information_schema.processlist "
                                       "where info = 'DO SLEEP(600)'")))
            return false;
        while (query.next())
            now.slowSessions.append(quint16(query.value(0).toString().section(QLatin1Char(':'), -1).toUInt()));
    }
    int seen = peak;
    while (now.connections > seen && !peak.compare_exchange_weak(seen, now.connections)) {
    }
    QMutexLocker locker(&mutex);
    now.generation = last.generation + 1;
    last = now;
    return true;
}
