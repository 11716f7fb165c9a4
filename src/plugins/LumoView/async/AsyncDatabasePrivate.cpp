#include "async/AsyncDatabasePrivate.h"

#include "async/AsyncDatabase.h"
#include "async/AsyncSqlQuery.h"
#include "async/AsyncSqlQueryPrivate.h"
#include "sql/ClientThreadState.h"
#include "sql/DatabaseUrl.h"
#include "sql/SqlDialect.h"
#include "sql/ConnectOptions.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QMutexLocker>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>

namespace {

const int pauseStepMs = 50;
const int connectTimeoutSeconds = 5;
// How long a stop waits, after the grace time, for a cancelled statement to
// end before the worker is terminated.
const int cancelBudgetMs = 1000;

QString workerTr(const char *text)
{
    return QCoreApplication::translate("AsyncDatabase", text);
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
            urlPending = true;
        }
        semaphore.release();
    } else {
        startPending = true;
        pendingUrl = url;
        urlPending = true;
    }
}

void AsyncDatabasePrivate::enqueue(AsyncSqlQuery *query)
{
    AsyncSqlQuery *copy = query->queueCopy();
    {
        QMutexLocker locker(&mutex);
        queue.append(copy);
    }
    // Someone waits for an answer: a worker waiting to reconnect tries now.
    reconnectNow();
    if (isRunning()) {
        semaphore.release();
    } else {
        startPending = true;
        start(QThread::InheritPriority);
    }
}

// Destroys a queue copy; an autoRemove owner goes with it (in its own thread).
void AsyncDatabasePrivate::release(AsyncSqlQuery *copy)
{
    if (!copy)
        return;
    AsyncSqlQueryPrivate *d = copy->d;
    delete d->sqlQuery;
    d->sqlQuery = nullptr;
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
    // Terminating a thread inside the client library would leave its locks
    // and memory behind: the running statement is cancelled first, which
    // lets the thread end by itself. The cancel runs in a thread of its own,
    // so that a server that does not answer holds the caller no longer than
    // the cancel budget; a cancel still on its way then ends by itself.
    const QDeadlineTimer deadline(cancelBudgetMs);
    canceller.cancel();
    const bool ended = wait(deadline);
    canceller.wait(deadline);
    if (ended)
        return true;
    forcedEnd = true;
    terminate();
    if (!wait(500)) {
        // Qt aborts when a running thread's object goes: waiting is all
        // that is left.
        qCritical("AsyncDatabase: a worker does not end even by force");
        wait();
    }
    if (AsyncSqlQueryPrivate *d = running.exchange(nullptr))
        d->sqlQuery = nullptr;
    return false;
}

void AsyncDatabasePrivate::setQueuedDumpFileName(const QString &name)
{
    {
        QMutexLocker locker(&mutex);
        for (AsyncSqlQuery *copy : qAsConst(queue))
            copy->setDumpFileName(name);
    }
    QMutexLocker locker(&dumpMutex);
    dumpName = name;
    if (dumpFile.fileName() != name)
        dumpFile.close();
}

void AsyncDatabasePrivate::run()
{
    while (!stopRequested) {
        abortRequested = false;
        if (startPending) {
            startPending = false;
        } else {
            // Idle: the connection goes when another connection of the
            // workstation waits, or after a quiet minute.
            if (database && database->isOpen() && (giveWayRequested || budget.contended()))
                closeConnection();
            const bool open = database && database->isOpen();
            if (!semaphore.tryAcquire(1, open ? budget.idleMsecs() : -1)) {
                closeConnection();
                continue;
            }
        }

        mutex.lock();
        if (pendingUrl.isEmpty()) {
            mutex.unlock();
            if (database && database->isValid())
                processQueue();
            continue;
        }
        const QString url = pendingUrl;
        pendingUrl.clear();
        urlPending = false;
        mutex.unlock();
        applyUrl(url);
    }

    clearQueue();
    {
        QMutexLocker locker(&dumpMutex);
        dumpFile.close();
    }
    if (database) {
        closeConnection();
        const QString name = database->connectionName();
        delete database;
        database = nullptr;
        // Qt SQL's registry is gone once the application object is (a
        // module unloaded at exit); the name then goes with the process.
        if (QCoreApplication::instance())
            QSqlDatabase::removeDatabase(name);
    }
    ClientThreadState::release();
}

void AsyncDatabasePrivate::applyUrl(const QString &urlString)
{
    const DatabaseUrl databaseUrl(urlString);
    if (!databaseUrl.isValid()) {
        qCritical("%s", qPrintable(databaseUrl.errorText()));
        return;
    }
    const QUrl &url = databaseUrl.url();
    if (!database)
        database = new QSqlDatabase;
    closeConnection();
    if (database->driverName() != databaseUrl.driverName()) {
        const QString oldName = database->connectionName();
        *database = QSqlDatabase();
        if (!oldName.isEmpty())
            QSqlDatabase::removeDatabase(oldName);
        const QString name = QStringLiteral("Connection%1")
                                 .arg(static_cast<quint64>(reinterpret_cast<quintptr>(this)), 0, 10);
        *database = QSqlDatabase::addDatabase(databaseUrl.driverName(), name);
    }
    if (!database->isValid()) {
        qCritical("%s", qPrintable(workerTr("Error while working with database driver")));
        return;
    }
    database->setDatabaseName(databaseUrl.databaseName());
    database->setHostName(url.host(QUrl::FullyDecoded));
    database->setUserName(url.userName(QUrl::FullyDecoded));
    // Each URL whole: without a port the driver's default applies, not the
    // port of an earlier URL.
    database->setPort(url.port());
    database->setPassword(url.password(QUrl::FullyDecoded));
    // A server that does not answer must not hold the worker much longer
    // than it needs to notice a stop.
    database->setConnectOptions(ConnectOptions::withTimeouts(databaseUrl.driverName(),
                                                             databaseUrl.connectOptions(), connectTimeoutSeconds));
    if (database->isValid())
        processQueue();
}

void AsyncDatabasePrivate::closeConnection()
{
    canceller.clearSession();
    if (database && database->isOpen())
        database->close();
    giveWayRequested = false;
    budget.release(this);
}

void AsyncDatabasePrivate::giveWay()
{
    giveWayRequested = true;
    semaphore.release();
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
    for (int slept = 0; slept < ms && !stopRequested && !abortRequested && !urlPending && !retryRequested;
         slept += pauseStepMs)
        msleep(static_cast<unsigned long>(qMin(pauseStepMs, ms - slept)));
}

void AsyncDatabasePrivate::reportConnectionError(const QString &key, const QString &text)
{
    // One outage gives one report, however often the connection is retried;
    // a different failure is reported again. PostgreSQL's connection errors
    // have no number, so there the text tells them apart.
    if (key == lastErrorKey)
        return;
    lastErrorKey = key;
    qCritical("%s", qPrintable(text));
    emit service->databaseError(text);
    emit service->connectionError(text);
}

// Opens the connection again, then every reconnection interval until it
// answers.
AsyncDatabasePrivate::Reconnection AsyncDatabasePrivate::reconnect()
{
    // Only a request made while the worker waits cuts the wait short.
    retryRequested = false;
    for (;;) {
        if (stopRequested)
            return Reconnection::Stopped;
        if (abortRequested)
            return Reconnection::Aborted;
        if (urlPending)
            return Reconnection::NewUrl;
        // Whoever asked for this attempt learns how it went.
        if (retryRequested.exchange(false))
            lastErrorKey.clear();
        // A permit of the workstation's budget first; waiting for it ends
        // like the pause between attempts.
        if (!budget.acquire(this, [this] { return stopRequested || abortRequested || urlPending; }))
            continue;
        if (database->open() && isConnectionAlive()) {
            // The literal form depends on the session's mode, which may
            // differ after every connection.
            qint64 id = -1;
            QString modeError;
            if (writer.learn(*database, &id, &modeError)) {
                canceller.setSession(*database, id);
                lastErrorKey.clear();
                return Reconnection::Connected;
            }
            reportConnectionError(QStringLiteral("mode\n") + modeError, modeError);
            closeConnection();
        } else {
            const QSqlError error = database->lastError();
            // The error number where the driver has one (MySQL's texts vary
            // within one outage, with the system's error code of the attempt).
            if (error.type() != QSqlError::NoError)
                reportConnectionError(error.nativeErrorCode().isEmpty() ? error.text()
                                                                        : error.nativeErrorCode(),
                                      error.text());
            // No permit held while waiting for the next attempt.
            closeConnection();
        }
        pause(reconnectInterval);
    }
}

template<typename Emit>
bool AsyncDatabasePrivate::emitOnOwner(AsyncSqlQuery *copy, Emit emitSignal)
{
    // Held while emitting: the owner's destructor waits for it, so the owner
    // cannot go away in the middle of a signal.
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

void AsyncDatabasePrivate::emitFailure(AsyncSqlQuery *copy, const QString &text)
{
    AsyncSqlQuery *owner = nullptr;
    emitOnOwner(copy, [&](AsyncSqlQuery *o) {
        owner = o;
        emit o->error(text);
    });
    emit service->queryError(owner, text);
}

void AsyncDatabasePrivate::writeDump(const QString &fileName, const QString &statement)
{
    QMutexLocker locker(&dumpMutex);
    dumpFile.setFileName(fileName);
    // One write per record, so that the two workers' records never mix.
    dumpFile.append((QDateTime::currentDateTime().toString(Qt::ISODate) + QLatin1Char(' ') + statement
                     + QLatin1Char('\r'))
                        .toUtf8());
    // A query that ran with a name the service has left closes it again.
    if (fileName != dumpName)
        dumpFile.close();
}

// Runs one query until it succeeds, fails on a live connection, or the
// worker is told otherwise. A lost connection is restored and the same query
// run again.
AsyncDatabasePrivate::Attempt AsyncDatabasePrivate::runQuery(AsyncSqlQuery *copy,
                                                             const QString &dumpFileName,
                                                             QVariantList *rows, QVariant *insertId,
                                                             QString *failure)
{
    AsyncSqlQueryPrivate *d = copy->d;
    running = d;
    const auto dropStatement = qScopeGuard([this, d] {
        if (forcedEnd)
            return;
        running = nullptr;
        delete d->sqlQuery;
        d->sqlQuery = nullptr;
    });
    const SqlDialect dialect = SqlDialect::forDriver(database->driverName());

    for (;;) {
        if (stopRequested || abortRequested)
            return Attempt::Abandoned;
        if (d->text.isEmpty()) {
            *failure = QStringLiteral("null query");
            return Attempt::Failed;
        }
        if (database->isOpen()) {
            QString statement;
            if (!AsyncSqlQuery::render(d->text, d->bindings, writer, &statement, failure))
                return Attempt::Failed;
            d->writer = writer;
            if (!dumpFileName.isEmpty())
                writeDump(dumpFileName, statement);
            // In place: the query keeps the server's quoting afterwards.
            const QString quoted = dialect.quoteIdentifiers(d->text);
            if (quoted != d->text) {
                d->text = quoted;
                AsyncSqlQuery::render(d->text, d->bindings, writer, &statement, failure);
            }
            delete d->sqlQuery;
            d->sqlQuery = new QSqlQuery(*database);
            QSqlQuery *query = d->sqlQuery;
            query->setForwardOnly(true);
            if (query->exec(statement)) {
                if (d->modifying) {
                    *insertId = query->lastInsertId();
                } else {
                    rows->clear();
                    const int columns = query->record().count();
                    while (!stopRequested && !copy->isOwnerGone() && query->next()) {
                        QVariantList row;
                        row.reserve(columns);
                        for (int i = 0; i < columns; ++i)
                            row.append(query->value(i));
                        rows->append(QVariant(row));
                    }
                }
                if (stopRequested)
                    return Attempt::Abandoned;
                // Rows cut short by a failure are no result.
                if (!query->lastError().isValid()) {
                    if (SqlLiteralWriter::changesSessionMode(statement))
                        writer.learn(*database);
                    return Attempt::Succeeded;
                }
            }
            const QSqlError error = query->lastError();
            if (isConnectionAlive()) {
                *failure = error.isValid() ? error.text() : workerTr("The statement failed");
                return Attempt::Failed;
            }
        }
        closeConnection();
        switch (reconnect()) {
        case Reconnection::Connected:
            break;
        case Reconnection::NewUrl:
            return Attempt::Postponed;
        case Reconnection::Stopped:
        case Reconnection::Aborted:
            return Attempt::Abandoned;
        }
    }
}

void AsyncDatabasePrivate::processQueue()
{
    if (stopRequested)
        return;
    lastErrorKey.clear();
    AsyncSqlQuery *current = nullptr;
    const auto releaseCurrent = qScopeGuard([&] {
        if (forcedEnd)
            return;
        QMutexLocker locker(&mutex);
        release(current);
    });

    for (;;) {
        if (abortRequested)
            return;
        QString dumpFileName;
        {
            QMutexLocker locker(&mutex);
            release(current);
            current = nullptr;
            // A new URL is applied before anything else runs.
            if (queue.isEmpty() || urlPending)
                return;
            current = queue.takeFirst();
            dumpFileName = current->d->dumpFileName;
        }
        if (stopRequested)
            return;

        QVariantList rows;
        QVariant insertId;
        QString failure;
        switch (runQuery(current, dumpFileName, &rows, &insertId, &failure)) {
        case Attempt::Succeeded:
            if (abortRequested)
                return;
            if (current->d->modifying)
                emitOnOwner(current, [&](AsyncSqlQuery *owner) { emit owner->lastInsertId(insertId); });
            emitOnOwner(current, [&](AsyncSqlQuery *owner) { emit owner->finished(rows); });
            break;
        case Attempt::Failed:
            // The queries behind a failed one run all the same.
            emitFailure(current, failure);
            break;
        case Attempt::Postponed: {
            // Back to the head of the queue: it runs on the new connection.
            QMutexLocker locker(&mutex);
            queue.prepend(current);
            current = nullptr;
            return;
        }
        case Attempt::Abandoned:
            return;
        }
        if (stopRequested)
            return;
    }
}
