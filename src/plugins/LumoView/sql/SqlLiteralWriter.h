#ifndef SQLLITERALWRITER_H
#define SQLLITERALWRITER_H

#include <QSqlDatabase>
#include <QString>
#include <QVariant>

// Writes values as SQL literals for one connection, so that the server gets
// exactly the value given and a value can never change the statement.
//
// PostgreSQL: a text with a backslash is written as E'...', bytes as
// E'\\x...'::bytea; both mean the same whatever standard_conforming_strings
// says, so nothing there depends on the session's mode.
// MySQL/MariaDB: backslashes are escapes unless the session's sql_mode holds
// NO_BACKSLASH_ESCAPES, and no quoting means the same in both; the writer is
// therefore learnt from its own open connection (learn()) after every
// (re)connection and after statements that may change the mode.
class SqlLiteralWriter
{
public:
    enum Dialect { MySql, PostgreSql };

    // MySQL in its default mode: the form used before any connection is known.
    SqlLiteralWriter() = default;
    SqlLiteralWriter(Dialect dialect, bool backslashEscapes);

    // Prepares the open connection (MySQL: full UTF-8 for the session) and
    // asks it for its dialect, its mode and the server's number of the
    // session. False, writer unchanged, when the connection cannot answer.
    bool learn(QSqlDatabase &db, qint64 *sessionId = nullptr, QString *errorText = nullptr);

    Dialect dialect() const { return sqlDialect; }
    bool backslashEscapes() const { return escapes; }

    // The literal of `value`. A value the connection cannot hold as given
    // (NUL in PostgreSQL text, broken UTF-16, infinite numbers) gives an empty
    // result and the reason in `errorText`; it is never silently changed.
    QString literal(const QVariant &value, QString *errorText = nullptr) const;

    // True if the statement may have changed the session's literal rules,
    // so that the writer must be learnt again.
    static bool changesSessionMode(const QString &statement);

private:
    QString stringLiteral(const QString &text, QString *errorText) const;
    QString bytesLiteral(const QByteArray &bytes) const;

    Dialect sqlDialect = MySql;
    bool escapes = true;
};

#endif // SQLLITERALWRITER_H
