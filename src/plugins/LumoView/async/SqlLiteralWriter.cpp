#include "SqlLiteralWriter.h"

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

bool SqlLiteralWriter::learn(QSqlDatabase &db, QString *errorText)
{
    const bool pg = db.driverName() == QLatin1String("QPSQL");
    QSqlQuery query(db);
    const QString ask = pg ? QStringLiteral("show standard_conforming_strings")
                           : QStringLiteral("select @@sql_mode");
    if (!query.exec(ask) || !query.next()) {
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
    return true;
}

bool SqlLiteralWriter::changesSessionMode(const QString &statement)
{
    const QString head = statement.trimmed().left(4);
    return head.startsWith(QLatin1String("set"), Qt::CaseInsensitive)
           && (head.size() == 3 || head.at(3).isSpace());
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
    const bool doubleBackslashes = escapes;
    // In PostgreSQL a backslash is only an escape inside E'...' when
    // standard_conforming_strings is off; writing E'...' then keeps the
    // meaning explicit.
    if (sqlDialect == PostgreSql && escapes && text.contains(QLatin1Char('\\')))
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
    // x'...' is a bit string in PostgreSQL; bytea takes the hex escape form.
    return (escapes ? QLatin1String("E'\\\\x") : QLatin1String("'\\x")) + hex
           + QLatin1String("'::bytea");
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
