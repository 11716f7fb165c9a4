#include "StatementCanceller.h"

#include "sql/ClientThreadState.h"
#include "sql/ConnectOptions.h"
#include "sql/SqlDialect.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QMutex>
#include <QMutexLocker>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QVariant>

#include <libpq-fe.h>

#include <atomic>

namespace {

const int cancelTimeoutSeconds = 2;
// Between two cancels of one stop, and how long a stop keeps cancelling.
const int repeatMsecs = 200;
const int budgetMsecs = 10000;

struct Target
{
    QString driver, host, user, password, database, options;
    int port = -1;
    qint64 id = -1;
    std::shared_ptr<PGcancel> pg;
    quint64 session = 0;

    bool isValid() const { return pg || id >= 0; }
};

PGconn *postgresConnection(const QSqlDatabase &db)
{
    if (!db.driver())
        return nullptr;
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "PGconn*") != 0)
        return nullptr;
    return *static_cast<PGconn *const *>(handle.constData());
}

// Sends KILL QUERY over a connection kept for the repeats of one stop.
class MySqlKiller
{
public:
    explicit MySqlKiller(const Target &target)
        : name(QStringLiteral("lumoview-cancel-%1")
                   .arg(reinterpret_cast<quintptr>(QThread::currentThreadId()), 0, 16))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(target.driver, name);
        db.setHostName(target.host);
        db.setPort(target.port);
        db.setUserName(target.user);
        db.setPassword(target.password);
        db.setDatabaseName(target.database);
        db.setConnectOptions(ConnectOptions::withTimeouts(target.driver, target.options,
                                                          cancelTimeoutSeconds, cancelTimeoutSeconds));
    }
    ~MySqlKiller() { QSqlDatabase::removeDatabase(name); }

    void kill(const Target &target)
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        if (db.isOpen() || db.open())
            QSqlQuery(db).exec(SqlDialect::forDriver(target.driver).cancelStatement(target.id));
    }

private:
    const QString name;
};

} // namespace

struct StatementCanceller::Shared
{
    QMutex mutex;
    Target target;
    // Changes with every session the connection has, and when it has none.
    std::atomic<quint64> sessions{0};
    std::atomic<bool> busy{false};

    Target current()
    {
        QMutexLocker locker(&mutex);
        return target;
    }
};

StatementCanceller::StatementCanceller()
    : shared(std::make_shared<Shared>())
{
}

// A cancel still on its way keeps what it needs and ends by itself.
StatementCanceller::~StatementCanceller() = default;

bool StatementCanceller::learnSession(QSqlDatabase &db)
{
    if (SqlDialect::forDriver(db.driverName()).isPostgres()) {
        setSession(db, -1);
        return shared->current().isValid();
    }
    QSqlQuery query(db);
    if (!query.exec(SqlDialect::forDriver(db.driverName()).sessionIdQuery()) || !query.next()) {
        clearSession();
        return false;
    }
    setSession(db, query.value(0).toLongLong());
    return true;
}

void StatementCanceller::setSession(const QSqlDatabase &db, qint64 id)
{
    Target target{db.driverName(), db.hostName(), db.userName(), db.password(),
                  db.databaseName(), db.connectOptions(), db.port(), -1, {}, 0};
    if (SqlDialect::forDriver(db.driverName()).isPostgres()) {
        if (PGconn *connection = postgresConnection(db)) {
            if (PGcancel *cancel = PQgetCancel(connection))
                target.pg = std::shared_ptr<PGcancel>(cancel, PQfreeCancel);
        }
    } else {
        target.id = id;
    }
    QMutexLocker locker(&shared->mutex);
    target.session = ++shared->sessions;
    shared->target = target;
}

void StatementCanceller::clearSession()
{
    QMutexLocker locker(&shared->mutex);
    shared->target = Target();
    ++shared->sessions;
}

void StatementCanceller::setBusy(bool busy)
{
    shared->busy = busy;
}

bool StatementCanceller::isBusy() const
{
    return shared->busy;
}

bool StatementCanceller::cancel()
{
    // Qt SQL's registry is gone once the application object is (a module
    // unloaded at exit).
    const Target target = shared->current();
    if (!target.isValid() || !QCoreApplication::instance())
        return false;
    // A thread per stop, for the session of that stop: one still cancelling
    // an earlier session's statement must not stand in for it.
    const std::shared_ptr<Shared> state = shared;
    QThread *canceller = QThread::create([state, target] {
        std::unique_ptr<MySqlKiller> killer;
        QElapsedTimer clock;
        clock.start();
        const auto sameStatement = [&] { return state->busy && state->sessions == target.session; };
        // At least once: a caller that does not mark its statements busy
        // (the asynchronous service) gets one cancel.
        do {
            if (target.pg) {
                char error[256];
                PQcancel(target.pg.get(), error, int(sizeof error));
            } else {
                if (!killer)
                    killer = std::make_unique<MySqlKiller>(target);
                killer->kill(target);
            }
            const QDeadlineTimer repeat(repeatMsecs);
            while (sameStatement() && !repeat.hasExpired())
                QThread::msleep(10);
        } while (sameStatement() && clock.elapsed() < budgetMsecs);
        killer.reset();
        ClientThreadState::release();
    });
    QObject::connect(canceller, &QThread::finished, canceller, &QObject::deleteLater);
    thread = canceller;
    canceller->start();
    return true;
}

bool StatementCanceller::wait(QDeadlineTimer deadline)
{
    return !thread || thread->wait(deadline);
}
