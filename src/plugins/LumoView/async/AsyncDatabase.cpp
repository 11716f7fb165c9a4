#include "async/AsyncDatabase.h"

#include "async/AsyncDatabasePrivate.h"
#include "async/AsyncSqlQuery.h"
#include "async/AsyncSqlQueryPrivate.h"
#include "sql/DatabaseUrl.h"


AsyncDatabase::AsyncDatabase(QObject *parent, const QString &url)
    : QObject(parent)
{
    qRegisterMetaType<AsyncSqlQuery *>("AsyncSqlQuery*");
    setUrl(url);
}

AsyncDatabase::~AsyncDatabase()
{
    delete readWorker;
    readWorker = nullptr;
    delete writeWorker;
    writeWorker = nullptr;
}

bool AsyncDatabase::setUrl(const QString &url)
{
    if (url.isEmpty())
        return false;
    const DatabaseUrl parsed(url);
    if (!parsed.isValid()) {
        qCritical("%s", qPrintable(parsed.errorText()));
        return false;
    }
    driver = parsed.driverName();
    setProperty("url", url);
    if (readWorker)
        readWorker->setUrl(url);
    if (writeWorker)
        writeWorker->setUrl(url);
    return true;
}

void AsyncDatabase::setDumpFileName(const QString &name)
{
    dumpFile = name;
    if (readWorker)
        readWorker->setQueuedDumpFileName(name);
    if (writeWorker)
        writeWorker->setQueuedDumpFileName(name);
}

void AsyncDatabase::setReconnectInterval(int ms)
{
    reconnectInterval = ms;
    if (readWorker)
        readWorker->setReconnectInterval(ms);
    if (writeWorker)
        writeWorker->setReconnectInterval(ms);
}

void AsyncDatabase::stop()
{
    stopped = true;
    // The same grace as at destruction: the GUI thread waits at most 2 s
    // per worker.
    if (readWorker)
        readWorker->stopWorker(1000);
    if (writeWorker)
        writeWorker->stopWorker(1000);
}

void AsyncDatabase::execQuery(AsyncSqlQuery *query)
{
    if (!query)
        return;
    if (stopped) {
        // A stopped service runs nothing more; the caller learns it rather
        // than waiting for an answer that never comes.
        const QString text = tr("The query service is stopped");
        const bool autoRemove = query->d->autoRemove;
        QMetaObject::invokeMethod(
            query,
            [this, query, text, autoRemove] {
                emit query->error(text);
                emit queryError(query, text);
                if (autoRemove)
                    query->deleteLater();
            },
            Qt::QueuedConnection);
        return;
    }
    query->setDumpFileName(dumpFile);
    AsyncDatabasePrivate *&worker = query->isModifying() ? writeWorker : readWorker;
    if (!worker) {
        worker = new AsyncDatabasePrivate(this);
        worker->setReconnectInterval(reconnectInterval);
        worker->setQueuedDumpFileName(dumpFile);
    }
    worker->enqueue(query);
}

void AsyncDatabase::execQuery(QObject *query)
{
    execQuery(qobject_cast<AsyncSqlQuery *>(query));
}

void AsyncDatabase::execQuery(QString text)
{
    execQuery(new AsyncSqlQuery(this, text, true));
}

QObject *AsyncDatabase::newQuery(QString query_text, bool autoRemove)
{
    return new AsyncSqlQuery(this, query_text, autoRemove);
}

QObject *AsyncDatabase::newQuery(QString query_text)
{
    return newQuery(query_text, false);
}

QObject *AsyncDatabase::newQuery()
{
    return newQuery(QString(), false);
}

void AsyncDatabase::clearQueriesQueue()
{
    if (readWorker)
        readWorker->abort();
    if (writeWorker)
        writeWorker->abort();
}

void AsyncDatabase::reconnectNow()
{
    if (readWorker)
        readWorker->reconnectNow();
    if (writeWorker)
        writeWorker->reconnectNow();
}

AsyncDatabase *AsyncDatabase::clone()
{
    return new AsyncDatabase(parent(), property("url").toString());
}
