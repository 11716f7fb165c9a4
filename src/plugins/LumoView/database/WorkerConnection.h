#ifndef WORKERCONNECTION_H
#define WORKERCONNECTION_H

#include "sql/StatementCanceller.h"
#include "sql/ConnectionBudget.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include <atomic>
#include <functional>

class QMutex;
class RequestSlot;

// A worker's own connection to the server, with the settings of the
// facade's shared handle: a Qt SQL connection belongs to the thread that
// opened it, and two threads must not read from one connection at once.
//
// The shared lock guards the handle's settings and is held only while they
// are copied, never across a call that waits for the server: a worker ended
// by force (which happens only where it waits) can never leave it held, and
// nobody waits for a connect or a statement to read the settings.
//
// The connection is open only with a permit of the workstation's
// connection budget, and closed when another worker waits for one while
// this one is idle, or after a quiet minute.
//
// Everything but cancel() and giveWay() runs in the worker's thread.
class WorkerConnection : public ConnectionBudget::Holder
{
public:
    WorkerConnection(const QSqlDatabase *shared, QMutex *sharedLock, RequestSlot *slot,
                     const QString &name);
    ~WorkerConnection() override;

    // Takes the shared handle's settings when they have changed since the
    // last look, closing the connection made with the former ones. False
    // when the user stopped while the facade held the shared lock.
    bool sync();

    bool isOpen() const { return db.isOpen(); }
    // A permit to open the connection, waited for unless the user stops:
    // false then. `waiting` is told when the wait begins.
    bool acquirePermit(const std::function<void()> &waiting);
    // Opens with the settings taken and a permit; the error text when it
    // fails, which gives the permit back.
    bool open(QString *error);
    // An idle worker looks here: true when it should close its connection
    // now, for another worker or after `idleMsecs()` of quiet.
    bool shouldGiveWay() const;
    int idleMsecs() const { return budget.idleMsecs(); }
    // The server answers on the open connection; if not, it is closed.
    bool isAlive();
    void close();
    // Closes and forgets the connection (a forced end may have left it).
    void drop();

    QString databaseName() const { return db.databaseName(); }
    QString hostName() const { return db.hostName(); }
    QString driverName() const { return db.driverName(); }

    // Runs `text` forward-only. The statement counts as running on the
    // server until its rows are released or abandoned.
    bool exec(const QString &text);
    const QSqlQuery &query() const { return running; }
    bool next();
    // The rows were all read.
    void release();
    // The rest of the rows is not wanted: they are not read. PostgreSQL
    // would read them when the statement is released, so its connection
    // is closed first; the next statement connects again.
    void abandon();

    // Any thread: cancels the statement that runs on the server, if one
    // does. The worker then sees its statement fail.
    void cancel();
    void giveWay() override;
    bool waitForCancel(QDeadlineTimer deadline) { return canceller.wait(deadline); }

private:
    const QSqlDatabase *shared;
    QMutex *sharedLock;
    RequestSlot *slot;
    const QString name;
    ConnectionBudget &budget = ConnectionBudget::instance();
    std::atomic<bool> askedToGiveWay{false};
    QSqlDatabase db;
    // The one statement of this worker, kept off the worker's stack: after
    // a forced end no unwinding runs the driver's clean-up of it, which
    // would wait for results the server may never send.
    QSqlQuery running;
    // Every row of `running` has been read.
    bool drained = true;
    StatementCanceller canceller;
};

#endif // WORKERCONNECTION_H
