#ifndef TESTSERVERS_H
#define TESTSERVERS_H

#include <QDate>
#include <QSqlDatabase>
#include <QStringList>

// The real servers of scripts/dbserver, reached through the URLs it exports
// (LUMOVIEW_TEST_PG_URL, _MYSQL_URL, and with its options _PGPART_URL,
// _PGSTANDBY_URL and _PGBOUNCER_URL). The URLs name the tables' owner, who
// may write test rows; a workstation signs in as the read-only operator.
namespace TestServers {

// "pg" and "mysql", as far as their URLs are set; after includePartitioned()
// (by the database and view suites) also "pgpart", the tables partitioned,
// and after includePooler() (by the same suites) "pgbouncer", the data of
// "pg" through PgBouncer.
QStringList available();
void includePartitioned();
void includePooler();
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
// For a data function: a string column `column` with one row per server.
void addServerRows(const char *column = "server");
// The day the generator treated as the selected day.
QDate day();

} // namespace TestServers

#endif // TESTSERVERS_H
