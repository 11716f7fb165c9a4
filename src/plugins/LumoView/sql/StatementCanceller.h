#ifndef STATEMENTCANCELLER_H
#define STATEMENTCANCELLER_H

#include <QDeadlineTimer>
#include <QPointer>
#include <QThread>

#include <memory>

class QSqlDatabase;

// Cancels the statement that a connection's session runs on the server, from
// any thread. A thread blocked in a statement cannot be reached otherwise, and
// ending it by force leaves the client library waiting for the statement's
// results.
//
// PostgreSQL: the protocol's cancel request, keyed to the connection itself,
// which needs no connection slot and goes through a pooler to the server
// connection the statement runs on. MySQL: KILL QUERY over a short-lived
// connection of its own. Either runs in a thread of its own, and is sent
// again while the connection stays busy: a cancel that reaches the server
// before the statement has started does nothing.
class StatementCanceller
{
public:
    StatementCanceller();
    ~StatementCanceller();

    // After every (re)connection, in the connection's thread: what cancels
    // the session's statements. False if the server does not tell; nothing
    // can be cancelled then.
    bool learnSession(QSqlDatabase &db);
    // The same, the MySQL session's id already known.
    void setSession(const QSqlDatabase &db, qint64 id);
    // Before the connection closes.
    void clearSession();

    // The span in which the connection's thread may wait on the server: a
    // statement's execution and the reading of its rows.
    void setBusy(bool busy);
    bool isBusy() const;

    // Starts cancelling and returns at once; the cancel is repeated while
    // the connection stays busy. False when no session is known.
    bool cancel();
    // Waits for the cancelling to end; true once it has.
    bool wait(QDeadlineTimer deadline);

    struct Shared;

private:
    std::shared_ptr<Shared> shared;
    QPointer<QThread> thread;
};

#endif // STATEMENTCANCELLER_H
