#include "SqlDialect.h"

SqlDialect SqlDialect::forDriver(const QString &driverName)
{
    return SqlDialect(driverName == QLatin1String("QPSQL") ? PostgreSql : MySql);
}

QString SqlDialect::quoteIdentifiers(const QString &statement) const
{
    if (m_kind == MySql || !statement.contains(QLatin1Char('`')))
        return statement;
    QString text = statement;
    // What the scan is inside of: a string literal, a double-quoted
    // identifier, a line comment or a block comment. A doubled quote inside
    // a literal toggles twice and so stays inside.
    QChar closing;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const QChar next = i + 1 < text.size() ? text.at(i + 1) : QChar();
        if (!closing.isNull()) {
            if (closing == QLatin1Char('\n') && c == QLatin1Char('\n')) {
                closing = QChar();
            } else if (closing == QLatin1Char('*') && c == QLatin1Char('*') && next == QLatin1Char('/')) {
                closing = QChar();
                ++i;
            } else if (c == closing && closing != QLatin1Char('*') && closing != QLatin1Char('\n')) {
                closing = QChar();
            }
            continue;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            closing = c;
        } else if (c == QLatin1Char('-') && next == QLatin1Char('-')) {
            closing = QLatin1Char('\n');
        } else if (c == QLatin1Char('/') && next == QLatin1Char('*')) {
            closing = QLatin1Char('*');
            ++i;
        } else if (c == QLatin1Char('`')) {
            text[i] = QLatin1Char('"');
        }
    }
    return text;
}

SqlLiteralWriter SqlDialect::literalWriter() const
{
    return m_kind == PostgreSql ? SqlLiteralWriter(SqlLiteralWriter::PostgreSql, false)
                                : SqlLiteralWriter(SqlLiteralWriter::MySql, true);
}

QString SqlDialect::literal(const QVariant &value) const
{
    return literalWriter().literal(value);
}

QString SqlDialect::dayRange(const QString &column, const QDate &first, const QDate &last) const
{
    return halfOpen(column, literal(first), literal(last.addDays(1)));
}

QString SqlDialect::halfOpen(const QString &column, const QString &from, const QString &to)
{
    return QStringLiteral("%1 >= %2 and %1 < %3").arg(column, from, to);
}

QString SqlDialect::timeOfDay(const QString &column) const
{
    return m_kind == PostgreSql ? column + QStringLiteral("::time")
                                : QStringLiteral("time(%1)").arg(column);
}

QString SqlDialect::boolean(bool value) const
{
    if (m_kind == PostgreSql)
        return value ? QStringLiteral("true") : QStringLiteral("false");
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

QString SqlDialect::sessionIdQuery() const
{
    return m_kind == PostgreSql ? QStringLiteral("select pg_backend_pid()")
                                : QStringLiteral("select connection_id()");
}

QString SqlDialect::cancelStatement(qint64 sessionId) const
{
    return m_kind == PostgreSql ? QStringLiteral("select pg_cancel_backend(%1)").arg(sessionId)
                                : QStringLiteral("kill query %1").arg(sessionId);
}

QString SqlDialect::sessionModeQuery() const
{
    return m_kind == PostgreSql
            ? QStringLiteral("select current_setting('standard_conforming_strings'), pg_backend_pid()")
            : QStringLiteral("select @@session.sql_mode, connection_id()");
}
