#include "SqlLiteralWriter.h"

#include "sql/SqlDialect.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>
#include <QTime>

#include <cmath>

SqlLiteralWriter::SqlLiteralWriter(Dialect dialect, bool backslashEscapes)
    : sqlDialect(dialect), escapes(backslashEscapes)
{
}

bool SqlLiteralWriter::learn(QSqlDatabase &db, qint64 *sessionId, QString *errorText)
{
    const bool pg = SqlDialect::forDriver(db.driverName()).isPostgres();
    QSqlQuery query(db);
    // Qt's MySQL driver settles for three-byte UTF-8 with MariaDB's client
    // library, which cannot hold characters beyond the BMP.
    if (!pg && !query.exec(QStringLiteral("set names utf8mb4"))) {
        if (errorText)
            *errorText = query.lastError().text();
        return false;
    }
    if (!query.exec(SqlDialect::forDriver(db.driverName()).sessionModeQuery()) || !query.next()) {
        if (errorText)
            *errorText = query.lastError().text();
        return false;
    }
    const QString mode = query.value(0).toString();
    sqlDialect = pg ? PostgreSql : MySql;
    if (pg)
        escapes = mode.compare(QLatin1String("on"), Qt::CaseInsensitive) != 0;
    else
        escapes = !mode.split(QLatin1Char(',')).contains(QLatin1String("NO_BACKSLASH_ESCAPES"),
                                                          Qt::CaseInsensitive);
    if (sessionId)
        *sessionId = query.value(1).toLongLong();
    return true;
}

bool SqlLiteralWriter::changesSessionMode(const QString &statement)
{
    const QString head = statement.trimmed().left(4);
    if (head.startsWith(QLatin1String("set"), Qt::CaseInsensitive)
        && (head.size() == 3 || head.at(3).isSpace() || head.at(3) == QLatin1Char('@')))
        return true;
    // Also a mode changed inside a longer text (several statements, or
    // PostgreSQL's set_config()).
    for (const char *word : {"sql_mode", "standard_conforming_strings", "set_config"}) {
        if (statement.contains(QLatin1String(word), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

QString SqlLiteralWriter::stringLiteral(const QString &text, QString *errorText) const
{
    if (!text.isValidUtf16()) {
        if (errorText)
            *errorText = QCoreApplication::translate("SqlLiteralWriter",
                                                     "The text value is not valid Unicode");
        return QString();
    }
    if (sqlDialect == PostgreSql && text.contains(QChar(0))) {
        if (errorText)
            *errorText = QCoreApplication::translate(
                "SqlLiteralWriter", "PostgreSQL text cannot hold the NUL character");
        return QString();
    }
    QString out;
    out.reserve(text.size() + 8);
    // In E'...' a backslash is an escape in every PostgreSQL mode, in '...'
    // only when standard_conforming_strings is off: a text with a backslash
    // goes into E'...' so that it never depends on the mode.
    const bool pgEscaped = sqlDialect == PostgreSql && text.contains(QLatin1Char('\\'));
    const bool doubleBackslashes = sqlDialect == PostgreSql ? pgEscaped : escapes;
    if (pgEscaped)
        out += QLatin1Char('E');
    out += QLatin1Char('\'');
    for (const QChar c : text) {
        if (c == QLatin1Char('\'')) {
            out += QLatin1String("''");
        } else if (c == QLatin1Char('\\') && doubleBackslashes) {
            out += QLatin1String("\\\\");
        } else if (c.unicode() == 0 && sqlDialect == MySql && escapes) {
            out += QLatin1String("\\0");
        } else {
            out += c;
        }
    }
    out += QLatin1Char('\'');
    return out;
}

QString SqlLiteralWriter::bytesLiteral(const QByteArray &bytes) const
{
    const QString hex = QString::fromLatin1(bytes.toHex());
    if (sqlDialect == MySql)
        return QLatin1String("x'") + hex + QLatin1Char('\'');
    // x'...' is a bit string in PostgreSQL; bytea takes the hex form, written
    // as E'\\x...' so that it reads the same in every mode.
    return QLatin1String("E'\\\\x") + hex + QLatin1String("'::bytea");
}

QString SqlLiteralWriter::literal(const QVariant &value, QString *errorText) const
{
    if (value.isNull())
        return QStringLiteral("NULL");
    switch (static_cast<int>(value.type())) {
    case QMetaType::QString:
        return stringLiteral(value.toString(), errorText);
    case QMetaType::QByteArray:
        return bytesLiteral(value.toByteArray());
    case QMetaType::QDate:
        return value.toDate().toString(QStringLiteral("''yyyy-MM-dd''"));
    case QMetaType::QTime:
        return value.toTime().toString(QStringLiteral("''hh:mm:ss''"));
    case QMetaType::QDateTime:
        return value.toDateTime().toString(QStringLiteral("''yyyy-MM-dd hh:mm:ss''"));
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
        return value.toString();
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = value.toDouble();
        if (!std::isfinite(d)) {
            if (errorText)
                *errorText = QCoreApplication::translate("SqlLiteralWriter",
                                                         "A number that is not finite has no literal");
            return QString();
        }
        return value.toString();
    }
    default:
        // Anything else travels as the text it converts to, quoted: it can
        // never become part of the statement.
        if (!value.canConvert<QString>()) {
            if (errorText)
                *errorText = QCoreApplication::translate("SqlLiteralWriter",
                                                         "A value of type %1 has no literal")
                                 .arg(QString::fromLatin1(value.typeName()));
            return QString();
        }
        return stringLiteral(value.toString(), errorText);
    }
}
