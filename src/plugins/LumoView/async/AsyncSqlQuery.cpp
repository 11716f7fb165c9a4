#include "async/AsyncSqlQuery.h"

#include "async/AsyncDatabase.h"
#include "async/AsyncSqlQueryPrivate.h"
#include "async/SqlLiteralWriter.h"

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
    if (d->text.count(QLatin1Char('?')) > d->bindings.size())
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
    if (bindings.isEmpty()) {
        *statement = text;
        return true;
    }
    QString out;
    out.reserve(text.size() + 16 * bindings.size());
    int next = 0;
    for (const QChar c : text) {
        if (c == QLatin1Char('?') && next < bindings.size()) {
            const QString literal = writer.literal(bindings.at(next), errorText);
            if (literal.isEmpty())
                return false;
            out += literal;
            ++next;
        } else {
            out += c;
        }
    }
    *statement = out;
    return true;
}
