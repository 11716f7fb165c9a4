#include "WorkerConnection.h"

#include "sql/ConnectOptions.h"
#include "database/RequestSlot.h"
#include "sql/SqlDialect.h"

#include <QCoreApplication>
#include <QMutex>
#include <QSqlError>

namespace {

// A server that accepts the connection and never answers must not hold a
// worker for minutes.
const int connectTimeoutSeconds = 5;

QString workerOptions(const QSqlDatabase &shared)
{
    return ConnectOptions::withTimeouts(shared.driverName(), shared.connectOptions(),
                                        connectTimeoutSeconds);
}

bool sameSettings(const QSqlDatabase &worker, const QSqlDatabase &shared)
{
    return worker.driverName() == shared.driverName()
           && worker.databaseName() == shared.databaseName()
           && worker.userName() == shared.userName() && worker.password() == shared.password()
           && worker.hostName() == shared.hostName() && worker.port() == shared.port()
           && worker.connectOptions() == workerOptions(shared);
}

} // namespace

WorkerConnection::WorkerConnection(const QSqlDatabase *shared, QMutex *sharedLock,
                                   RequestSlot *slot, const QString &name)
    : shared(shared), sharedLock(sharedLock), slot(slot), name(name)
{
}

WorkerConnection::~WorkerConnection()
{
    drop();
}

bool WorkerConnection::sync()
{
    // The facade holds the lock only while it changes the settings; a stop
    // is noticed meanwhile all the same.
    while (!sharedLock->tryLock(100)) {
        if (slot->stopRequested())
            return false;
    }
    if (!db.isValid() || !sameSettings(db, *shared)) {
        // Settings copied under the lock; the old connection closed after it.
        const QSqlDatabase settings = *shared;
        const QString options = workerOptions(settings);
        sharedLock->unlock();
        drop();
        db = QSqlDatabase::cloneDatabase(settings, name);
        db.setConnectOptions(options);
        return true;
    }
    sharedLock->unlock();
    return true;
}

bool WorkerConnection::acquirePermit(const std::function<void()> &waiting)
{
    if (budget.tryAcquire(this))
        return true;
    waiting();
    return budget.acquire(this, [this] { return slot->stopRequested(); });
}

bool WorkerConnection::open(QString *error)
{
    if (db.isOpen())
        return true;
    askedToGiveWay = false;
    // A pooler completes the login even when the server behind it is down,
    // and drops the connection at its first statement: a connection counts
    // as made once the server has answered one.
    if (db.open()) {
        QSqlQuery probe(db);
        if (probe.exec(QStringLiteral("select NULL"))) {
            canceller.learnSession(db);
            return true;
        }
        *error = probe.lastError().text();
    } else {
        *error = db.lastError().text();
    }
    // A pooler whose server is gone leaves the driver without a word.
    if (error->trimmed().isEmpty())
        *error = QCoreApplication::translate("Database", "The connection to the database closed at once");
    db.close();
    budget.release(this);
    return false;
}

bool WorkerConnection::shouldGiveWay() const
{
    return db.isOpen() && (askedToGiveWay || budget.contended());
}

void WorkerConnection::giveWay()
{
    askedToGiveWay = true;
    slot->nudge();
}

bool WorkerConnection::isAlive()
{
    if (!db.isOpen())
        return false;
    const bool alive = exec(QStringLiteral("select NULL"));
    release();
    if (!alive)
        close();
    return alive;
}

// Closes the connection before the statement on it goes: the driver's
// clean-up of a statement on an open connection would wait for its results.
void WorkerConnection::close()
{
    canceller.setBusy(false);
    canceller.clearSession();
    if (db.isValid())
        db.close();
    running = QSqlQuery();
    budget.release(this);
}

void WorkerConnection::drop()
{
    close();
    db = QSqlDatabase();
    if (QSqlDatabase::contains(name))
        QSqlDatabase::removeDatabase(name);
}

bool WorkerConnection::exec(const QString &text)
{
    running = QSqlQuery(db);
    running.setForwardOnly(true);
    drained = false;
    // Busy before the stop is looked at, and stop() sets the stop before it
    // looks at busy: one of the two sees the other.
    canceller.setBusy(true);
    if (slot->stopRequested() || !running.exec(text)) {
        canceller.setBusy(false);
        drained = true;
        return false;
    }
    return true;
}

bool WorkerConnection::next()
{
    if (running.next())
        return true;
    drained = true;
    return false;
}

void WorkerConnection::release()
{
    canceller.setBusy(false);
    running = QSqlQuery();
}

void WorkerConnection::abandon()
{
    canceller.setBusy(false);
    if (!drained && running.isActive() && SqlDialect::forDriver(db.driverName()).isPostgres())
        close();
    running = QSqlQuery();
}

void WorkerConnection::cancel()
{
    if (canceller.isBusy())
        canceller.cancel();
}
