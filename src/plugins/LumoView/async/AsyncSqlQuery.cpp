#include "async/AsyncSqlQuery.h"

#include "async/AsyncDatabase.h"
#include "async/AsyncSqlQueryPrivate.h"
#include "sql/SqlLiteralWriter.h"
#include "sql/SqlScanner.h"

#include <QMutexLocker>
#include <QSqlQuery>

AsyncSqlQueryPrivate::~AsyncSqlQueryPrivate()
{
    delete sqlQuery;
}

AsyncSqlQuery::AsyncSqlQuery(AsyncDatabase *database, const QString &text, bool autoRemove)
    : QObject(database), d(new AsyncSqlQueryPrivate)
{
    d->owner = this;
    d->autoRemove = autoRemove;
    if (text.isEmpty())
        return;
    // The classification looks at the text as given: leading blanks make it
    // a reading statement.
    for (const char *word : {"insert", "update", "delete"}) {
        if (text.startsWith(QLatin1String(word), Qt::CaseInsensitive))
            d->modifying = true;
    }
    d->text = text.trimmed();
    if (d->text.contains(QLatin1Char('?')))
        d->templateText = d->text;
}

AsyncSqlQuery::AsyncSqlQuery(AsyncSqlQueryPrivate *shared)
    : QObject(nullptr), d(shared)
{
    d->ref.ref();
}

AsyncSqlQuery *AsyncSqlQuery::queueCopy() const
{
    return new AsyncSqlQuery(d);
}

bool AsyncSqlQuery::isOwnerGone() const
{
    QMutexLocker locker(&d->ownerLock);
    return !d->owner;
}

AsyncSqlQuery::~AsyncSqlQuery()
{
    {
        QMutexLocker locker(&d->ownerLock);
        if (d->owner == this)
            d->owner = nullptr;
    }
    if (!d->ref.deref())
        delete d;
}

bool AsyncSqlQuery::isModifying() const
{
    return d->modifying;
}

void AsyncSqlQuery::setDumpFileName(const QString &name)
{
    d->dumpFileName = name;
}

QString AsyncSqlQuery::dumpFileName() const
{
    return d->dumpFileName;
}

void AsyncSqlQuery::addBindValue(const QVariant &value)
{
    // Kept whatever the count: the worker, which knows the server's literal
    // rules, finds the placeholders and refuses a text they do not match.
    d->bindings.append(value);
}

void AsyncSqlQuery::resetBindings()
{
    if (!d->templateText.contains(QLatin1Char('?')))
        return;
    d->text = d->templateText;
    d->bindings.clear();
}

QString AsyncSqlQuery::formatValue(const QVariant &value) const
{
    return d->writer.literal(value);
}

QString AsyncSqlQuery::text() const
{
    QString statement;
    QString errorText;
    if (!render(d->text, d->bindings, d->writer, &statement, &errorText))
        return d->text;
    return statement;
}

bool AsyncSqlQuery::render(const QString &text, const QVariantList &bindings,
                           const SqlLiteralWriter &writer, QString *statement, QString *errorText)
{
    // Without values the text is the caller's own: nothing can land in the
    // wrong place (and PostgreSQL's ? operators keep working).
    if (bindings.isEmpty()) {
        *statement = text;
        return true;
    }
    const SqlScanner scanner(writer.dialect() == SqlLiteralWriter::PostgreSql ? SqlDialect::PostgreSql
                                                                              : SqlDialect::MySql,
                             writer.backslashEscapes());
    const QVector<int> placeholders = scanner.placeholders(text);
    if (placeholders.size() != bindings.size()) {
        if (errorText)
            *errorText = tr("The number of placeholders (%1) and of bound values (%2) differ; nothing was sent")
                             .arg(placeholders.size())
                             .arg(bindings.size());
        return false;
    }
    QString out;
    out.reserve(text.size() + 16 * bindings.size());
    int from = 0;
    for (int i = 0; i < placeholders.size(); ++i) {
        const QString literal = writer.literal(bindings.at(i), errorText);
        if (literal.isEmpty())
            return false;
        out += text.midRef(from, placeholders.at(i) - from);
        out += literal;
        from = placeholders.at(i) + 1;
    }
    out += text.midRef(from);
    *statement = out;
    return true;
}
