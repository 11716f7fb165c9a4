#ifndef STATEMENTCANCELLER_H
#define STATEMENTCANCELLER_H

#include <QDeadlineTimer>
#include <QMutex>
#include <QPointer>
#include <QString>
#include <QThread>

class QSqlDatabase;

// Cancels the statement that a connection's session runs on the server,
// through a short-lived connection of its own in a thread of its own. A
// thread blocked in a statement cannot be reached otherwise, and ending it
// by force leaves the client library waiting for the statement's results.
//
// The connection's thread records the session after every (re)connection;
// cancel() and wait() are called by the thread that owns the canceller,
// which must run an event loop: the cancelling thread is deleted there once
// it has ended. A server that does not answer holds it no longer than its
// connect time-out of 2 s and, on MySQL, 2 s for each read; an owner that
// goes before it has ended leaves it to end by itself.
class StatementCanceller
{
public:
    // After every (re)connection, in the connection's thread: asks the
    // server for the session's id. False if it does not answer; nothing can
    // be cancelled then.
    bool learnSession(QSqlDatabase &db);
    // The same, the id already known.
    void setSession(const QSqlDatabase &db, qint64 id);
    // Before the connection closes.
    void clearSession();

    // Starts a cancel and returns at once. False when no session is known
    // or the previous cancel is still on its way.
    bool cancel();
    // Waits for the last cancel to end; true once it has.
    bool wait(QDeadlineTimer deadline);

private:
    struct Session
    {
        QString driver, host, user, password, database, options;
        int port = -1;
        qint64 id = -1;
    };

    QMutex mutex;
    Session session;
    QPointer<QThread> thread;
};

#endif // STATEMENTCANCELLER_H
