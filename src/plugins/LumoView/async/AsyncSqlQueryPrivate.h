#ifndef ASYNCSQLQUERYPRIVATE_H
#define ASYNCSQLQUERYPRIVATE_H

#include "sql/SqlLiteralWriter.h"

#include <QAtomicInt>
#include <QRecursiveMutex>
#include <QString>
#include <QVariantList>

class AsyncSqlQuery;
class QSqlQuery;

// The data a caller's query object shares with the copies the service keeps
// in its queues. The caller's thread binds values; the worker thread reads
// the text, renders the literals for its own connection and runs it.
struct AsyncSqlQueryPrivate
{
    // Cleared by the caller's object when it is destroyed while copies
    // remain. Read and cleared under ownerLock, which the worker also holds
    // while it emits on the owner, so the owner never goes away mid-signal.
    AsyncSqlQuery *owner = nullptr;
    QSqlQuery *sqlQuery = nullptr;
    // The statement with '?' where values are still to be written.
    QString text;
    QString templateText;
    bool modifying = false;
    bool autoRemove = false;
    QAtomicInt ref = 1;
    QString dumpFileName;

    // Values bound to the placeholders of `text`, in order. They become
    // literals only on the worker, in the form its connection needs.
    QVariantList bindings;
    // The writer of the connection that ran the query last (MySQL default
    // mode until then); text() renders with it.
    SqlLiteralWriter writer;
    QRecursiveMutex ownerLock;

    ~AsyncSqlQueryPrivate();
};

#endif // ASYNCSQLQUERYPRIVATE_H
