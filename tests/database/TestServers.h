#ifndef TESTSERVERS_H
#define TESTSERVERS_H

#include <QDate>
#include <QSqlDatabase>
#include <QStringList>

// The real servers of scripts/dbserver, reached through the URLs it exports
// (LUMOVIEW_TEST_PG_URL, _MYSQL_URL, and with its options _PGPART_URL and
// _PGSTANDBY_URL).
namespace TestServers {

// "pg" and "mysql", as far as their URLs are set; after includePartitioned()
// (by the database and view suites) also "pgpart", the tables partitioned.
QStringList available();
void includePartitioned();
// "pg", "mysql", "pgpart" or "pgstandby" (a read-only hot standby of "pg").
QString url(const QString &server);
bool isPostgres(const QString &server);
// A connection with the server's settings, registered as `name`, not opened.
QSqlDatabase connection(const QString &server, const QString &name);
// For a data function: a string column `column` with one row per server.
void addServerRows(const char *column = "server");
// The day the generator treated as the selected day.
QDate day();

} // namespace TestServers

#endif // TESTSERVERS_H
