#include "async/AsyncDatabasePrivate.h"

#include "async/AsyncDatabase.h"
#include "async/AsyncSqlQuery.h"
#include "async/AsyncSqlQueryPrivate.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QMutexLocker>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>

namespace {

const int reconnectPeriodMs = 30000;
const int pauseStepMs = 50;

QString workerTr(const char *text)
{
    return QCoreApplication::translate("AsyncDatabase", text);
}

// Backticks quote identifiers in the module's statements; PostgreSQL wants
// double quotes. Only backticks outside string literals are changed, so a
// value that holds one reaches the server as given.
void rewriteBackticks(QString &text)
{
    bool inString = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\''))
            inString = !inString;
        else if (!inString && c == QLatin1Char('`'))
            text[i] = QLatin1Char('"');
    }
}

} // namespace

AsyncDatabasePrivate::AsyncDatabasePrivate(AsyncDatabase *parent)
    : QThread(parent), service(parent)
{
    if (parent)
        setUrl(parent->property("url").toString());
    start(QThread::InheritPriority);
}

AsyncDatabasePrivate::~AsyncDatabasePrivate()
{
    if (isRunning())
        stopWorker(1000);
    clearQueue();
}

void AsyncDatabasePrivate::setUrl(const QString &url)
{
    if (url.isEmpty())
        return;
    if (isRunning()) {
        {
            QMutexLocker locker(&mutex);
            pendingUrl = url;
        }
        semaphore.release();
    } else {
        startPending = true;
        pendingUrl = url;
    }
}

void AsyncDatabasePrivate::enqueue(AsyncSqlQuery *query)
{
    AsyncSqlQuery *copy = query->queueCopy();
    if (isRunning()) {
        {
            QMutexLocker locker(&mutex);
            queue.append(copy);
        }
        semaphore.release();
    } else {
        {
            QMutexLocker locker(&mutex);
            queue.append(copy);
        }
        startPending = true;
        start(QThread::InheritPriority);
    }
}

void AsyncDatabasePrivate::release(AsyncSqlQuery *copy)
{
    if (!copy)
        return;
    AsyncSqlQueryPrivate *d = copy->d;
    {
        QMutexLocker locker(&d->ownerLock);
        if (d->autoRemove && d->owner)
            d->owner->deleteLater();
    }
    delete copy;
}

void AsyncDatabasePrivate::clearQueue()
{
    QMutexLocker locker(&mutex);
    while (!queue.isEmpty())
        release(queue.takeFirst());
}

void AsyncDatabasePrivate::abort()
{
    abortRequested = true;
    clearQueue();
    if (isRunning())
        semaphore.release();
}

bool AsyncDatabasePrivate::stopWorker(int timeout)
{
    stopRequested = true;
    abortRequested = true;
    clearQueue();
    if (isRunning())
        semaphore.release();
    if (wait(static_cast<unsigned long>(timeout)))
        return true;
    terminate();
    wait();
    return false;
}

void AsyncDatabasePrivate::setQueuedDumpFileName(const QString &name)
{
    QMutexLocker locker(&mutex);
    for (AsyncSqlQuery *copy : qAsConst(queue))
        copy->setDumpFileName(name);
}

void AsyncDatabasePrivate::run()
{
    while (!stopRequested) {
        abortRequested = false;
        if (startPending)
            startPending = false;
        else
            semaphore.acquire();

        mutex.lock();
        if (pendingUrl.isEmpty()) {
            mutex.unlock();
            if (database && database->isValid())
                processQueue();
            continue;
        }
        const QString url = pendingUrl;
        pendingUrl.clear();
        mutex.unlock();
        applyUrl(url);
    }

    clearQueue();
    if (database) {
        const QString name = database->connectionName();
        delete database;
        database = nullptr;
        QSqlDatabase::removeDatabase(name);
    }
}

void AsyncDatabasePrivate::applyUrl(const QString &urlString)
{
    const QUrl url(urlString, QUrl::TolerantMode);
    const QString path = url.path(QUrl::FullyDecoded);
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.size() != 2) {
        qCritical("%s", qPrintable(workerTr("%1 - Invalid url format").arg(path)));
        return;
    }
    if (!database)
        database = new QSqlDatabase;
    if (database->isOpen())
        database->close();
    if (database->driverName() != parts.at(0)) {
        const QString oldName = database->connectionName();
        *database = QSqlDatabase();
        if (!oldName.isEmpty())
            QSqlDatabase::removeDatabase(oldName);
        const QString name = QStringLiteral("Connection%1")
                                 .arg(static_cast<quint64>(reinterpret_cast<quintptr>(this)), 0, 10);
        *database = QSqlDatabase::addDatabase(parts.at(0), name);
    }
    if (!database->isValid()) {
        qCritical("%s", qPrintable(workerTr("Error while working with database driver")));
        return;
    }
    database->setDatabaseName(parts.at(1));
    database->setHostName(url.host(QUrl::FullyDecoded));
    database->setUserName(url.userName(QUrl::FullyDecoded));
    if (url.port() != -1)
        database->setPort(url.port());
    database->setPassword(url.password(QUrl::FullyDecoded));
    // A server that does not answer must not hold the worker beyond the
    // time it needs to notice a stop.
    if (parts.at(0) == QLatin1String("QPSQL"))
        database->setConnectOptions(QStringLiteral("connect_timeout=5"));
    else if (parts.at(0).startsWith(QLatin1String("QMYSQL")))
        database->setConnectOptions(QStringLiteral("MYSQL_OPT_CONNECT_TIMEOUT=5"));
    if (database->isValid())
        processQueue();
}

bool AsyncDatabasePrivate::isConnectionAlive()
{
    if (!database || !database->isOpen())
        return false;
    QSqlQuery probe(*database);
    return probe.exec(QStringLiteral("select null"));
}

void AsyncDatabasePrivate::pause(int ms)
{
    for (int slept = 0; slept < ms && !stopRequested && !abortRequested; slept += pauseStepMs)
        msleep(pauseStepMs);
}

void AsyncDatabasePrivate::reportConnectionError(const QString &key, const QString &text)
{
    // One outage gives one report, however often the connection is retried;
    // a different failure is reported again.
    if (key == lastErrorKey)
        return;
    lastErrorKey = key;
    qCritical("%s", qPrintable(text));
    emit service->databaseError(text);
}

// Opens the connection again, every 30 s until it answers. False when the
// worker is stopping or the pass is abandoned.
bool AsyncDatabasePrivate::reconnect()
{
    for (;;) {
        if (stopRequested || abortRequested)
            return false;
        QString modeError;
        if (database->open() && isConnectionAlive()) {
            // The literal form depends on the session's modes, which may
            // differ after every connection.
            if (writer.learn(*database, &modeError))
                return true;
            reportConnectionError(QStringLiteral("mode\n") + modeError, modeError);
            database->close();
        } else {
            const QSqlError error = database->lastError();
            if (error.type() != QSqlError::NoError)
                reportConnectionError(error.nativeErrorCode() + QLatin1Char('\n') + error.text(),
                                      error.text());
        }
        pause(reconnectPeriodMs);
    }
}

template<typename Emit>
bool AsyncDatabasePrivate::emitOnOwner(AsyncSqlQuery *copy, Emit emitSignal)
{
    QMutexLocker locker(&copy->d->ownerLock);
    AsyncSqlQuery *owner = copy->d->owner;
    if (!owner) {
        locker.unlock();
        emit service->databaseError(workerTr("query deleted"));
        return false;
    }
    emitSignal(owner);
    return true;
}

void AsyncDatabasePrivate::writeDump(const QString &fileName, const QString &statement)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    // One write per record, so that the two workers' records never mix.
    file.write((QDateTime::currentDateTime().toString(Qt::ISODate) + QLatin1Char(' ') + statement
                + QLatin1Char('\r'))
                   .toUtf8());
}

void AsyncDatabasePrivate::processQueue()
{
    if (stopRequested)
        return;
    lastErrorKey.clear();
    const bool pg = database->driverName() == QLatin1String("QPSQL");
    AsyncSqlQuery *current = nullptr;

    for (;;) {
        if (abortRequested)
            break;
        {
            QMutexLocker locker(&mutex);
            release(current);
            current = nullptr;
            if (queue.isEmpty())
                return;
            current = queue.takeFirst();
        }
        if (stopRequested)
            break;
        AsyncSqlQueryPrivate *d = current->d;

        bool succeeded = false;
        bool failed = false;
        QString failure;
        while (!succeeded && !failed) {
            if (abortRequested)
                break;
            if (database->isOpen() && !d->text.isEmpty()) {
                QString statement;
                if (!AsyncSqlQuery::render(d->text, d->bindings, writer, &statement, &failure)) {
                    failed = true;
                    break;
                }
                d->writer = writer;
                delete d->sqlQuery;
                d->sqlQuery = new QSqlQuery(*database);
                d->sqlQuery->setForwardOnly(true);
                if (!d->dumpFileName.isEmpty())
                    writeDump(d->dumpFileName, statement);
                if (pg) {
                    rewriteBackticks(d->text);
                    rewriteBackticks(statement);
                }
                if (d->sqlQuery->exec(statement)) {
                    succeeded = true;
                    if (SqlLiteralWriter::changesSessionMode(statement))
                        writer.learn(*database);
                    break;
                }
            }
            if (database->isOpen()) {
                QSqlQuery probe(*database);
                if (probe.exec(QStringLiteral("select null"))) {
                    failed = true;
                    failure = d->text.isEmpty() ? QStringLiteral("null query")
                                                : d->sqlQuery->lastError().text();
                    break;
                }
            }
            database->close();
            if (!reconnect() && stopRequested)
                break;
            lastErrorKey.clear();
        }
        if (stopRequested)
            break;

        if (succeeded) {
            if (abortRequested)
                break;
            QVariantList result;
            if (d->modifying) {
                const QVariant id = d->sqlQuery->lastInsertId();
                emitOnOwner(current, [&](AsyncSqlQuery *owner) { emit owner->lastInsertId(id); });
            } else {
                QSqlQuery *query = d->sqlQuery;
                while (!stopRequested && query->next()) {
                    const QSqlRecord record = query->record();
                    QVariantList row;
                    row.reserve(record.count());
                    for (int i = 0; i < record.count(); ++i)
                        row.append(record.value(i));
                    result.append(QVariant(row));
                }
                if (stopRequested)
                    break;
            }
            emitOnOwner(current, [&](AsyncSqlQuery *owner) { emit owner->finished(result); });
            delete d->sqlQuery;
            d->sqlQuery = nullptr;
        } else if (failed) {
            AsyncSqlQuery *owner = nullptr;
            emitOnOwner(current, [&](AsyncSqlQuery *o) {
                owner = o;
                emit o->error(failure);
            });
            emit service->queryError(owner, failure);
        }
        // abortRequested: the pass ends at the top of the loop.
    }
    release(current);
}
