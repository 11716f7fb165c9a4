#ifndef ASYNCDATABASEPRIVATE_H
#define ASYNCDATABASEPRIVATE_H

#include "async/SqlLiteralWriter.h"

#include <QList>
#include <QMutex>
#include <QSemaphore>
#include <QString>
#include <QThread>

#include <atomic>

class AsyncDatabase;
class AsyncSqlQuery;
class QSqlDatabase;

// One worker of the asynchronous service: a queue of query copies run one
// after another on a connection created in this thread, reconnecting when
// the server goes away.
class AsyncDatabasePrivate : public QThread
{
    Q_OBJECT

public:
    explicit AsyncDatabasePrivate(AsyncDatabase *parent);
    ~AsyncDatabasePrivate() override;

    void setUrl(const QString &url);
    void enqueue(AsyncSqlQuery *query);
    // Drops every queued query without a signal.
    void clearQueue();
    // Drops the queue and abandons the current pass.
    void abort();
    // Ends the thread, terminating it after `timeout` ms. True if it ended
    // by itself.
    bool stopWorker(int timeout);
    void setQueuedDumpFileName(const QString &name);

protected:
    void run() override;

private:
    void applyUrl(const QString &url);
    void processQueue();
    bool isConnectionAlive();
    bool reconnect();
    void reportConnectionError(const QString &key, const QString &text);
    // Sleeps up to `ms`, waking early on stop or abort.
    void pause(int ms);
    void release(AsyncSqlQuery *copy);
    // Emits on the caller's object, or reports that it is gone.
    template<typename Emit>
    bool emitOnOwner(AsyncSqlQuery *copy, Emit emitSignal);
    void writeDump(const QString &fileName, const QString &statement);

    AsyncDatabase *service;
    QList<AsyncSqlQuery *> queue;
    QMutex mutex;
    QSemaphore semaphore;
    QSqlDatabase *database = nullptr;
    QString pendingUrl;
    std::atomic<bool> stopRequested{false};
    std::atomic<bool> abortRequested{false};
    bool startPending = false;

    SqlLiteralWriter writer;
    QString lastErrorKey;
};

#endif // ASYNCDATABASEPRIVATE_H
