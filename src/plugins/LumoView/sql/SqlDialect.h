#ifndef SQLDIALECT_H
#define SQLDIALECT_H

#include "sql/SqlLiteralWriter.h"

#include <QDate>
#include <QString>

// What differs between the two servers in the module's SQL: the quoting of
// identifiers, the literals and the few forms that are written per dialect.
// Statements are written once with back-quoted identifiers; the server's
// dialect turns them into its own quoting just before execution.
class SqlDialect
{
public:
    enum Kind { MySql, PostgreSql };

    explicit SqlDialect(Kind kind = MySql) : m_kind(kind) {}
    // "QPSQL" is PostgreSQL; every other driver speaks MySQL.
    static SqlDialect forDriver(const QString &driverName);
    // Whether a driver is one of MySQL's (QMYSQL, QMYSQL3), which take
    // MySQL's connect options.
    static bool isMySqlDriver(const QString &driverName);

    // Whether a failed connection was refused for want of a free connection
    // on the server (either server's words): others' connections have to go
    // first, the settings are not at fault.
    static bool refusedAsFull(const QString &error);

    Kind kind() const { return m_kind; }
    bool isPostgres() const { return m_kind == PostgreSql; }
    bool isMySql() const { return m_kind == MySql; }

    // The statement with its back-quoted identifiers in the dialect's
    // quoting. Back-quotes inside string literals, quoted identifiers and
    // comments are kept: a literal that holds a back-quote reaches the
    // server unchanged. The statement's own literals are read as in a
    // session with standard_conforming_strings on.
    QString quoteIdentifiers(const QString &statement) const;

    // Literals as the asynchronous service's writer puts them for a session
    // in the server's default mode.
    SqlLiteralWriter literalWriter() const;
    QString literal(const QVariant &value) const;

    // The time stamps of the days `first` to `last`, both included, as a
    // half-open range that an index on the column can bound: exact for
    // fractions of a second, and without the next day's midnight.
    QString dayRange(const QString &column, const QDate &first, const QDate &last) const;
    // `column` >= from and `column` < to, the two bounds written as given.
    static QString halfOpen(const QString &column, const QString &from, const QString &to);

    // The time of day of a time stamp column.
    QString timeOfDay(const QString &column) const;
    // The literal a boolean column is compared with.
    QString boolean(bool value) const;

    // The server's id of the session a statement runs in, and the statement
    // that cancels what another session runs (sent over a connection of its
    // own, since the session itself is busy).
    QString sessionIdQuery() const;
    QString cancelStatement(qint64 sessionId) const;
    // The session's literal mode (whether backslashes escape) and its id.
    QString sessionModeQuery() const;

private:
    Kind m_kind;
};

#endif // SQLDIALECT_H
