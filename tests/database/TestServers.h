#ifndef TESTSERVERS_H
#define TESTSERVERS_H

#include <QDate>
#include <QSqlDatabase>
#include <QStringList>
#include <QVariantList>
#include <QVector>

// The real servers of scripts/dbserver, reached through the URLs it exports
// (LUMOVIEW_TEST_PG_URL, _MYSQL_URL, and with its options _PGPART_URL,
// _PGSTANDBY_URL and _PGBOUNCER_URL). The URLs name the tables' owner, who
// may write test rows; a workstation signs in as the read-only operator.
namespace TestServers {

// "pg" and "mysql", as far as their URLs are set; after includeEveryLayout()
// (by the database and view suites) also "pgpart", the tables partitioned,
// and "pgbouncer", the data of "pg" through PgBouncer.
QStringList available();
void includeEveryLayout();
// The owner's URL of "pg", "mysql", "pgpart", "pgstandby" (a read-only hot
// standby of "pg") or "pgbouncer".
QString url(const QString &server);
// The same as the operator role (LUMOVIEW_TEST_OPERATOR), which may only
// read the tables and run ShowLog1; the owner's where the servers have none.
QString operatorUrl(const QString &server);
bool isPostgres(const QString &server);
// The owner's connection with the server's settings, the URL's query items
// (TLS options) as connect options, registered as `name`, not opened.
QSqlDatabase connection(const QString &server, const QString &name);
// The first line of a test that needs the servers.
#define SKIP_WITHOUT_SERVERS()                                                                                   \
    if (TestServers::available().isEmpty())                                                                      \
    QSKIP("No test servers: run through scripts/dbserver")

// For a data function: a string column `column` with one row per server;
// or columns "server" and "kind", a row per server and kind.
void addServerRows(const char *column = "server");
void addServerRows(const QStringList &kinds);
// The day the generator treated as the selected day.
QDate day();
// The rows of a statement (a failure warned of, no rows), the first value.
QVector<QVariantList> rows(const QSqlDatabase &db, const QString &statement);
QString scalar(const QSqlDatabase &db, const QString &statement);
// A statement counting the sessions of the database but the caller's.
QString otherSessions(const QString &server);
// Adds `count` events of `object` on day(), 10 s apart, descriptions of
// `width` characters: a day far larger than what the sockets hold.
bool addBulkyDay(const QSqlDatabase &db, uint object, int count, int width);

} // namespace TestServers

#endif // TESTSERVERS_H
