#ifndef SQLLITERALWRITER_H
#define SQLLITERALWRITER_H

#include <QSqlDatabase>
#include <QString>
#include <QVariant>

// Writes values as SQL literals for one connection. The form of a literal
// depends on the server and on the modes of the session (backslashes are
// escapes in MySQL unless NO_BACKSLASH_ESCAPES is set, and in PostgreSQL when
// standard_conforming_strings is off), so a writer is learnt from its own
// open connection with learn() and learnt again after every reconnection.
class SqlLiteralWriter
{
public:
    enum Dialect { MySql, PostgreSql };

    // MySQL in its default mode: the form used before any connection is known.
    SqlLiteralWriter() = default;
    SqlLiteralWriter(Dialect dialect, bool backslashEscapes);

    // Asks the open connection for its dialect and mode. False (writer
    // unchanged) when the connection cannot answer.
    bool learn(QSqlDatabase &db, QString *errorText = nullptr);

    Dialect dialect() const { return sqlDialect; }
    bool backslashEscapes() const { return escapes; }

    // The literal of `value`. A value the connection cannot hold as given
    // (NUL in PostgreSQL text, broken UTF-16, infinite numbers) gives an empty
    // result and the reason in `errorText`; it is never silently changed.
    QString literal(const QVariant &value, QString *errorText = nullptr) const;

    // True if the statement text starts with SET, after which the session
    // mode may have changed.
    static bool changesSessionMode(const QString &statement);

private:
    QString stringLiteral(const QString &text, QString *errorText) const;
    QString bytesLiteral(const QByteArray &bytes) const;

    Dialect sqlDialect = MySql;
    bool escapes = true;
};

#endif // SQLLITERALWRITER_H
