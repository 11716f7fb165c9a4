#ifndef ASYNCDATABASEPRIVATE_H
#define ASYNCDATABASEPRIVATE_H

#include "sql/SqlLiteralWriter.h"
#include "sql/DumpFile.h"
#include "sql/StatementCanceller.h"
#include "sql/ConnectionBudget.h"

#include <QList>
#include <QMutex>
#include <QSemaphore>
#include <QString>
#include <QThread>

#include <atomic>

class AsyncDatabase;
class AsyncSqlQuery;
struct AsyncSqlQueryPrivate;
class QSqlDatabase;

// One worker of the asynchronous service: a queue of query copies run one
// after another on a connection created in this thread, reconnecting when
// the server goes away.
class AsyncDatabasePrivate : public QThread, public ConnectionBudget::Holder
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
    // Ends the thread. A statement still running after `timeout` ms is
    // cancelled on the server; a thread that has not ended 1 s later is
    // terminated, so the caller waits at most `timeout` + 1 s. True if the
    // thread ended by itself.
    bool stopWorker(int timeout);
    // The service's dump file name, for the queries still queued and for
    // the file kept open: one of another name is closed.
    void setQueuedDumpFileName(const QString &name);
    void setReconnectInterval(int ms) { reconnectInterval = ms; }
    // Ends a wait between reconnection attempts; the outcome of the next
    // attempt is reported even when it fails as the one before.
    void reconnectNow() { retryRequested = true; }
    // Another connection of the workstation waits: close once idle.
    void giveWay() override;

protected:
    void run() override;

private:
    enum class Attempt { Succeeded, Failed, Abandoned, Postponed };
    enum class Reconnection { Connected, Stopped, Aborted, NewUrl };

    void applyUrl(const QString &url);
    void processQueue();
    Attempt runQuery(AsyncSqlQuery *copy, const QString &dumpFileName, QVariantList *rows,
                     QVariant *insertId, QString *failure);
    bool isConnectionAlive();
    Reconnection reconnect();
    void closeConnection();
    void reportConnectionError(const QString &key, const QString &text);
    // Sleeps up to `ms`, waking early on stop, abort, a new URL or a retry.
    void pause(int ms);
    void release(AsyncSqlQuery *copy);
    // Emits on the caller's object, or reports that it is gone.
    template<typename Emit>
    bool emitOnOwner(AsyncSqlQuery *copy, Emit emitSignal);
    void emitFailure(AsyncSqlQuery *copy, const QString &text);
    void writeDump(const QString &fileName, const QString &statement);

    AsyncDatabase *service;
    QList<AsyncSqlQuery *> queue;
    QMutex mutex;
    QSemaphore semaphore;
    QSqlDatabase *database = nullptr;
    QString pendingUrl;
    std::atomic<bool> stopRequested{false};
    std::atomic<bool> abortRequested{false};
    std::atomic<bool> urlPending{false};
    std::atomic<bool> retryRequested{false};
    std::atomic<bool> giveWayRequested{false};
    ConnectionBudget &budget = ConnectionBudget::instance();
    bool startPending = false;
    std::atomic<int> reconnectInterval{30000};
    // Set just before the thread is ended by force: its unwinding must not
    // run the driver's clean-up of a statement, which waits for the results
    // the server never sends.
    std::atomic<bool> forcedEnd{false};
    // The query whose statement the worker runs; after a forced end its
    // statement object is left to the process rather than cleaned up.
    std::atomic<AsyncSqlQueryPrivate *> running{nullptr};

    // The dump file last written, open while it is the service's; the
    // caller's thread closes it when the service's name changes.
    QMutex dumpMutex;
    DumpFile dumpFile;
    QString dumpName;

    SqlLiteralWriter writer;
    QString lastErrorKey;
    // Reaches this worker's session from the stopping thread.
    StatementCanceller canceller;
};

#endif // ASYNCDATABASEPRIVATE_H
