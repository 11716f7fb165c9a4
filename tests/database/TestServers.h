#ifndef TESTSERVERS_H
#define TESTSERVERS_H

#include <QDate>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The real servers started by scripts/dbserver, reached through the URLs it
// exports (LUMOVIEW_TEST_PG_URL, LUMOVIEW_TEST_MYSQL_URL, and with its
// options LUMOVIEW_TEST_PGPART_URL, LUMOVIEW_TEST_PGSTANDBY_URL).
namespace TestServers {

// "pg" and "mysql", as far as their URLs are set; after
// includePartitioned() also "pgpart", PostgreSQL with the tables
// partitioned by month.
QStringList available();
// For the suites that read the days' data through every statement: the
// database and view tests.
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
