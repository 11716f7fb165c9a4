#include "StatementCanceller.h"

#include "database/ConnectOptions.h"
#include "database/SqlDialect.h"

#include <QCoreApplication>
#include <QMutexLocker>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

namespace {

const int cancelTimeoutSeconds = 2;

} // namespace

bool StatementCanceller::learnSession(QSqlDatabase &db)
{
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
    QMutexLocker locker(&mutex);
    session = {db.driverName(), db.hostName(),     db.userName(),       db.password(),
               db.databaseName(), db.connectOptions(), db.port(), id};
}

void StatementCanceller::clearSession()
{
    QMutexLocker locker(&mutex);
    session.id = -1;
}

bool StatementCanceller::cancel()
{
    Session target;
    {
        QMutexLocker locker(&mutex);
        target = session;
    }
    // Qt SQL's registry is gone once the application object is (a module
    // unloaded at exit).
    if (target.id < 0 || !QCoreApplication::instance() || (thread && !thread->isFinished()))
        return false;
    QThread *canceller = QThread::create([target] {
        // Unique among the threads alive, which is as long as it is used.
        const QString name = QStringLiteral("lumoview-cancel-%1")
                                 .arg(reinterpret_cast<quintptr>(QThread::currentThreadId()), 0, 16);
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(target.driver, name);
            db.setHostName(target.host);
            db.setPort(target.port);
            db.setUserName(target.user);
            db.setPassword(target.password);
            db.setDatabaseName(target.database);
            db.setConnectOptions(ConnectOptions::withTimeouts(target.driver, target.options,
                                                              cancelTimeoutSeconds, cancelTimeoutSeconds));
            if (db.open()) {
                QSqlQuery query(db);
                query.exec(SqlDialect::forDriver(target.driver).cancelStatement(target.id));
            }
        }
        QSqlDatabase::removeDatabase(name);
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
