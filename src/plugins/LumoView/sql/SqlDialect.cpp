#include "SqlDialect.h"

#include "sql/SqlScanner.h"

SqlDialect SqlDialect::forDriver(const QString &driverName)
{
    return SqlDialect(driverName == QLatin1String("QPSQL") ? PostgreSql : MySql);
}

bool SqlDialect::isMySqlDriver(const QString &driverName)
{
    return driverName.startsWith(QLatin1String("QMYSQL"));
}

bool SqlDialect::refusedAsFull(const QString &error)
{
    static const char *const signs[] = {
        "too many connections",       // MariaDB 1040, PostgreSQL's max_connections
        "too many clients",           // PostgreSQL
        "remaining connection slots", // PostgreSQL's slots reserved for superusers
        "max_user_connections",       // MariaDB 1203
        "no more connections allowed" // a pooler's client limit
    };
    for (const char *sign : signs) {
        if (error.contains(QLatin1String(sign), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

QString SqlDialect::quoteIdentifiers(const QString &statement) const
{
    if (m_kind == MySql || !statement.contains(QLatin1Char('`')))
        return statement;
    QString text;
    text.reserve(statement.size());
    for (const SqlScanner::Span &span : SqlScanner(m_kind, false).spans(statement)) {
        if (span.part != SqlScanner::Part::BackQuotedName) {
            text += statement.midRef(span.begin, span.end - span.begin);
            continue;
        }
        // The same name in double quotes: a back-quote doubled inside is
        // one back-quote, a double quote inside is doubled.
        const int innerEnd = span.closed ? span.end - 1 : span.end;
        QString name = statement.mid(span.begin + 1, innerEnd - span.begin - 1);
        name.replace(QLatin1String("``"), QLatin1String("`"));
        name.replace(QLatin1Char('"'), QLatin1String("\"\""));
        text += QLatin1Char('"') + name + (span.closed ? QStringLiteral("\"") : QString());
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
