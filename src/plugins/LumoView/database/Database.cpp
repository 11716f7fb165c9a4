#include "Database.h"

#include "database/BoxStatistics.h"
#include "database/ConnectOptions.h"
#include "database/QueryDump.h"
#include "database/RequestStatements.h"
#include "database/SqlDialect.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDebug>
#include <QElapsedTimer>
#include <QMap>
#include <QMutexLocker>
#include <QSqlError>
#include <QSqlRecord>

#include <algorithm>

namespace {

// How long stop() waits for the worker to end by itself, and then for its
// forced end, which takes milliseconds: nothing on the worker's stack waits
// for the server (see Database::execute()).
const int stopGraceMs = 3000;
const int forcedEndMs = 500;
// A server that accepts the connection and never answers must not hold a
// worker for minutes; longer than the grace of a stop, so that a stop while
// connecting to such a server is what ends the worker by force.
const int connectTimeoutSeconds = 5;

int stateValue(const QVariant &value)
{
    if (value.isNull())
        return -1;
    bool ok = false;
    const int state = value.toInt(&ok);
    return ok ? state : -1;
}

// The shared connection's options with the worker's connect time-out.
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

Database::Database(QObject *parent, const QSqlDatabase *db, QMutex *dbMutex)
    : QThread(parent)
    , db(db)
    , dbMutex(dbMutex)
    , connectionName(QStringLiteral("lumoview-worker-%1").arg(quintptr(this), 0, 16))
{
    waitTimer.setParent(this);
    connect(this, &QThread::finished, this, &Database::on_thread_finished);
    connect(&waitTimer, &QTimer::timeout, this, &Database::on_wait_finish_timeout);

    if (QCoreApplication *app = QCoreApplication::instance()) {
        const QObjectList children = app->children();
        for (QObject *child : children) {
            if (!child->inherits("Road::Kernel"))
                continue;
            QMetaObject::invokeMethod(child, "plugin", Qt::DirectConnection,
                                      Q_RETURN_ARG(QObject *, hostPlugin),
                                      Q_ARG(QString, QStringLiteral("Orvane::Plugin")));
            break;
        }
    }
    // Looked up once rather than by name for every signal-group row.
    if (hostPlugin) {
        const QMetaObject *meta = hostPlugin->metaObject();
        createNotification = meta->method(meta->indexOfMethod("createNotification(QByteArray,int)"));
    }
}

Database::~Database()
{
    if (isRunning())
        stop();
    // Still running only if blocked where termination cannot reach it; Qt
    // would abort the process if its thread object went first.
    if (isRunning()) {
        qCritical("Database: a worker that was ended by force still runs; waiting for it");
        wait();
    }
    // Left behind only by a forced end.
    dropConnection();
}

void Database::startDumpQueries(const QString &file_name)
{
    QueryDump::start(file_name);
}

void Database::stopDumpQueries()
{
    QueryDump::stop();
}

bool Database::postgres() const
{
    return RequestStatements::isPostgres(db->driverName());
}

void Database::submit(RequestKind requestKind, const QStringList &statements)
{
    if (!isRunning()) {
        stopping = false;
        start();
    }
    QMutexLocker locker(&requestMutex);
    kind = requestKind;
    queries = statements;
    wakeup.release();
}

void Database::requestPhases(uint object_id, QDate from, QDate to, bool withPromtact)
{
    submit(PhasesRequest, RequestStatements(postgres()).phases(object_id, from, to, withPromtact));
}

void Database::requestLog(uint object_id, QDate from, QDate to, uint ver)
{
    submit(LogRequest, RequestStatements(postgres()).log(object_id, from, to, ver));
}

void Database::requestDt15(uint object_id, QString detectors, int parameter, int dayType,
                           QDate date, int days, bool fromDetectorsData)
{
    submit(Dt15Request,
           RequestStatements(postgres()).dt15(object_id, detectors, parameter, dayType, date, days,
                                              fromDetectorsData, QDateTime::currentDateTime()));
}

void Database::requestDetectors(uint object_id)
{
    submit(DetectorsRequest, RequestStatements(postgres()).detectors(object_id));
}

void Database::requestDtStat(uint object_id, QString detectors, int parameter, quint8 weeks,
                             QDate date)
{
    submit(DtStatRequest,
           RequestStatements(postgres()).dtStat(object_id, detectors, parameter, weeks, date));
}

void Database::requestSg(uint object_id, QDateTime from, QDateTime to)
{
    submit(SgRequest, RequestStatements(postgres()).sg(object_id, from, to));
}

void Database::stop()
{
    // A worker that is not running has nothing to stop; a stop left in the
    // slot would only meet the next request.
    if (isRunning()) {
        {
            QMutexLocker locker(&requestMutex);
            kind = StopRequest;
            wakeup.release();
        }
        // A statement that runs on the server ends only when the server ends
        // it: it is cancelled there, and the worker ends as interrupted. The
        // worker sets `inStatement` before it looks at `stopping`, so one of
        // the two sees the other.
        stopping = true;
        if (inStatement)
            canceller.cancel();
    }
    emit logMessage(tr("Pending completion of the database (3 sec.)"), Info);
    const QDeadlineTimer grace(stopGraceMs);
    if (!wait(grace)) {
        emit logMessage(tr("Disconnected"), Warning);
        endByForce();
    }
    // Within the same grace; a cancel that answered has ended already.
    canceller.wait(grace);
}

void Database::on_wait_finish_timeout()
{
    emit logMessage(tr("Disconnected"), Warning);
    endByForce();
}

// The last resort, for a worker blocked where neither a stop nor a cancel
// reaches it: opening a connection to a server that does not answer, or a
// statement on one that no longer answers at all. What the client library
// held is lost; the shared lock is given back once the thread has ended.
void Database::endByForce()
{
    terminate();
    wait(forcedEndMs);
}

void Database::on_thread_finished()
{
    waitTimer.stop();
    if (holdsDbMutex.exchange(false))
        dbMutex->unlock();
    emit logMessage(tr("The database is closed"), Success);
    emit complete();
}

bool Database::lockDb()
{
    // The lock may be held for long by another worker or the facade; a stop
    // is noticed meanwhile, since a thread blocked on a mutex cannot be
    // terminated.
    while (!dbMutex->tryLock(100)) {
        if (stopSeen)
            return false;
        bool stopping;
        {
            QMutexLocker locker(&requestMutex);
            stopping = kind == StopRequest;
        }
        if (stopping) {
            interrupted();
            return false;
        }
    }
    holdsDbMutex = true;
    return true;
}

void Database::unlockDb()
{
    holdsDbMutex = false;
    dbMutex->unlock();
}

void Database::syncConnection()
{
    if (!lockDb())
        return;
    if (!connection.isValid() || !sameSettings(connection, *db)) {
        dropConnection();
        connection = QSqlDatabase::cloneDatabase(*db, connectionName);
        connection.setConnectOptions(workerOptions(*db));
    }
    unlockDb();
}

// Closes the connection before the statement on it goes: after a forced end
// the statement may still expect results, which the driver's clean-up would
// wait for on an open connection.
void Database::dropConnection()
{
    canceller.clearSession();
    if (connection.isValid())
        connection.close();
    running = QSqlQuery();
    connection = QSqlDatabase();
    if (QSqlDatabase::contains(connectionName))
        QSqlDatabase::removeDatabase(connectionName);
}

void Database::run()
{
    rowsSinceCheck = 0;
    borrowedPermits = 0;
    stopSeen = false;
    // A forced end of the last run left its connection behind.
    if (connection.isValid())
        dropConnection();
    syncConnection();

    if (!stopSeen && ensureConnected(connection)) {
        forever {
            int taken;
            QStringList statements;
            {
                QMutexLocker locker(&requestMutex);
                taken = kind;
                statements = queries;
                kind = NoRequest;
                queries.clear();
            }
            if (taken == StopRequest)
                break;
            if (taken >= PhasesRequest && taken <= SgRequest) {
                syncConnection();
                runRequest(taken, statements);
                running = QSqlQuery();
            }
            if (stopSeen)
                break;
            giveBackPermits();
            wakeup.acquire();
        }
    }

    dropConnection();
}

void Database::giveBackPermits()
{
    if (borrowedPermits > 0)
        wakeup.release(borrowedPermits);
    borrowedPermits = 0;
}

bool Database::interrupted()
{
    stopSeen = true;
    emit logMessage(tr("Interrupted by the user"), Info);
    return true;
}

// True once the user has stopped; the first time it posts the interruption.
// Between statements and after a failed one: a statement cancelled by a stop
// is no failure of its own, and a request stopped is no success.
bool Database::stopNoticed()
{
    return stopSeen || (stopping && interrupted());
}

bool Database::waitForStop(int ms)
{
    if (!wakeup.tryAcquire(1, ms))
        return false;
    bool stopping;
    {
        QMutexLocker locker(&requestMutex);
        stopping = kind == StopRequest;
    }
    if (stopping)
        return interrupted();
    // A new request: it waits in the slot and gets its permit back later.
    ++borrowedPermits;
    return false;
}

bool Database::pacingCheck()
{
    if (rowsSinceCheck <= 100)
        return true;
    rowsSinceCheck = 0;
    // One count per pause rather than per row: the overlay only needs to
    // move now and then.
    emit rowsReceived(rowsInRequest);
    QElapsedTimer pause;
    pause.start();
    const bool stopping = pacingPause();
    pauseNsecs += pause.nsecsElapsed();
    if (stopping) {
        emit complete();
        return false;
    }
    return true;
}

// Waits until the GUI thread has handled every row signal sent so far (the
// marker queued behind them has reached this object, which lives there), a
// stop arrives or 50 ms pass. The bound keeps a busy or blocked GUI thread
// from holding the worker; the marker keeps the worker from idling while
// the GUI thread has nothing left to do. True when the user stopped.
bool Database::pacingPause()
{
    const quint64 marker = ++markersQueued;
    {
        QMutexLocker locker(&requestMutex);
        markerAwaited = marker;
    }
    QMetaObject::invokeMethod(this, "pacingMarkerReached", Qt::QueuedConnection);
    const QDeadlineTimer deadline(50);
    forever {
        const bool permit = wakeup.tryAcquire(1, int(qMax<qint64>(0, deadline.remainingTime())));
        QMutexLocker locker(&requestMutex);
        // The GUI thread clears it when it releases the marker's permit.
        const bool caughtUp = markerAwaited == 0;
        if (!permit || kind == StopRequest) {
            // The marker's permit, if it came meanwhile, goes with this pause;
            // one that comes later finds nothing to end.
            if (caughtUp)
                wakeup.tryAcquire();
            markerAwaited = 0;
            if (permit) {
                locker.unlock();
                return interrupted();
            }
            // Ran out its time, even if the marker came just after.
            ++timedOutPauses;
            return false;
        }
        if (caughtUp) {
            ++caughtUpPauses;
            return false;
        }
        // A new request: it waits in the slot and gets its permit back later.
        ++borrowedPermits;
    }
}

void Database::pacingMarkerReached()
{
    QMutexLocker locker(&requestMutex);
    // Markers are reached in the order they were queued; one whose pause
    // has run out of time must not end the next pause.
    if (++markersReached != markerAwaited)
        return;
    markerAwaited = 0;
    wakeup.release();
}

bool Database::streamRows(QSqlQuery &query, const RowHandler &handler)
{
    while (query.next()) {
        if (!pacingCheck())
            return false;
        ++rowsSinceCheck;
        ++rowsInRequest;
        if (!handler(query))
            return false;
    }
    // A connection lost in the middle of the rows must not pass for the end
    // of them: the request ends with the error. Running the statement again
    // would hand out the rows already reported a second time.
    if (query.isActive() && query.lastError().isValid()) {
        if (stopNoticed()) {
            emit complete();
            return false;
        }
        emit logMessage(query.lastError().text(), Error);
        qDebug() << "Database:" << query.lastError().text();
        emit complete();
        return false;
    }
    emit rowsReceived(rowsInRequest);
    return true;
}

bool Database::decodeSgRow(const QSqlQuery &query)
{
    const QDateTime time = query.value(0).toDateTime();
    const QByteArray data = query.value(1).toByteArray();
    QObject *notification = nullptr;
    if (hostPlugin) {
        createNotification.invoke(hostPlugin, Qt::DirectConnection, Q_RETURN_ARG(QObject *, notification),
                                  Q_ARG(QByteArray, data), Q_ARG(int, SgNotificationKind));
    }
    QVariantList fields;
    if (notification) {
        // The property of the notification's class, looked up once per class.
        if (notification->metaObject() != notificationClass) {
            notificationClass = notification->metaObject();
            notificationData = notificationClass->property(notificationClass->indexOfProperty("data"));
        }
        fields = (notificationData.isValid() ? notificationData.read(notification)
                                             : notification->property("data")).toList();
    }
    delete notification;
    if (fields.size() < 2) {
        emit logMessage(tr("Internal error: cannot decode event"), Error);
        emit complete();
        return false;
    }
    emit lumoSgData(time, fields.at(0).toInt(), fields.at(1).toInt());
    return true;
}

void Database::runRequest(int requestKind, const QStringList &statements)
{
    rowsSinceCheck = 0;
    rowsInRequest = 0;
    pauseNsecs = 0;
    caughtUpPauses = 0;
    timedOutPauses = 0;
    const int count = statements.size();
    bool anyRow = false;
    QMap<QTime, QVector<double>> history;

    for (int i = 0; i < count; ++i) {
        QString message;
        RowHandler handler;
        switch (requestKind) {
        case PhasesRequest:
            if (i == 0) {
                message = tr("Obtaining data on the phases");
                handler = [this](const QSqlQuery &q) {
                    emit lumoPhaseData(q.value(0).toDateTime(), q.value(1).toInt(), q.value(2).toInt());
                    return true;
                };
            } else {
                message = tr("Obtaining data on the states");
                handler = [this](const QSqlQuery &q) {
                    emit lumoStateData(q.value(0).toDateTime(), q.value(1).toInt());
                    return true;
                };
            }
            break;
        case LogRequest:
            message = tr("Obtaining log data");
            handler = [this](const QSqlQuery &q) {
                emit lumoLogData(q.value(0).toDateTime(), q.value(1).toTime(), q.value(2).toInt(),
                                 q.value(3).toString(), q.value(4).toString(), q.value(5).toInt(),
                                 q.value(6).toByteArray());
                return true;
            };
            break;
        case Dt15Request: {
            static const QString characteristic = tr("Obtaining data for the characteristic period");
            static const QString selected = tr("Obtaining data for the selected period");
            static const QString previous = tr("Obtaining data for the previous day");
            const int index = i < count - 2 ? 0 : (i == count - 2 ? 1 : 2);
            message = index == 0 ? characteristic : (index == 1 ? selected : previous);
            handler = [this, index](const QSqlQuery &q) {
                const QDateTime time = q.value(0).toDateTime();
                const QVariant value = q.value(1);
                // No value (a record without an interval) is a gap, not a zero.
                if (!value.isNull())
                    emit lumoDt15Data(time, value.toDouble(), index);
                if (index == 1)
                    emit lumoDt15StateData(time, stateValue(q.value(2)));
                return true;
            };
            break;
        }
        case DetectorsRequest:
            message = tr("Obtaining list of detectors");
            handler = [this, &anyRow](const QSqlQuery &q) {
                anyRow = true;
                emit lumoDt(q.value(0).toInt());
                return true;
            };
            break;
        case DtStatRequest:
            if (i == 0) {
                message = tr("Obtaining historical data");
                // A missing value is no measurement: it does not count.
                handler = [&history](const QSqlQuery &q) {
                    const QVariant value = q.value(1);
                    if (!value.isNull())
                        history[q.value(0).toTime()].append(value.toDouble());
                    return true;
                };
            } else {
                message = tr("Obtaining selected data");
                handler = [this](const QSqlQuery &q) {
                    const QTime time = q.value(0).toTime();
                    // No value is a gap, not a zero.
                    if (!q.value(1).isNull())
                        emit lumoDtCurrentData(time, q.value(1).toDouble());
                    emit lumoDt15StateData(QDateTime(QDate(), time), stateValue(q.value(2)));
                    return true;
                };
            }
            break;
        case SgRequest:
            message = tr("Obtaining data on the signal groups");
            handler = [this](const QSqlQuery &q) { return decodeSgRow(q); };
            break;
        default:
            return;
        }

        emit logMessage(message, Info);
        QSqlQuery query = execQuery(connection, statements.at(i));
        if (stopSeen) {
            emit complete();
            return;
        }
        if (!streamRows(query, handler))
            return;

        if (requestKind == DtStatRequest && i == 0) {
            for (auto it = history.begin(); it != history.end(); ++it) {
                if (!pacingCheck())
                    return;
                ++rowsSinceCheck;
                QVector<double> &values = it.value();
                std::sort(values.begin(), values.end());
                const BoxStatistics s = BoxStatistics::fromSorted(values);
                emit lumoDtStatData(it.key(), s.median, s.min, s.max, s.q1, s.q3);
            }
        }
    }

    if (stopNoticed()) {
        emit complete();
        return;
    }
    emit logMessage(tr("Data acquisition is complete"), Success);
    if (requestKind == DetectorsRequest && !anyRow)
        emit lumoDt(-1);
    emit complete();
}

QSqlQuery Database::execQuery(QSqlDatabase &db, QString text)
{
    text = SqlDialect::forDriver(db.driverName()).quoteIdentifiers(text);
    QueryDump::write(text);

    forever {
        if (stopNoticed() || !lockDb())
            return QSqlQuery();
        const bool ok = execute(db, text);
        unlockDb();
        if (ok)
            return running;
        if (stopNoticed())
            return QSqlQuery();

        const QSqlQuery failed = running;
        if (checkConnection(db)) {
            // The server is there: the statement itself is at fault.
            emit logMessage(failed.lastError().databaseText(), Info);
            qDebug() << "Database:" << failed.lastError().text();
            return failed;
        }
        if (!ensureConnected(db))
            return QSqlQuery();
    }
}

// Runs `text` as `running`, the one query of this worker on the server, so
// that a forced end of the thread finds no query on its stack: the unwinding
// would run the driver's clean-up, which waits for the statement's results,
// and the thread would never end. The copies handed out share the query.
bool Database::execute(QSqlDatabase &db, const QString &text)
{
    running = QSqlQuery(db);
    running.setForwardOnly(true);
    inStatement = true;
    const bool ok = !stopping && running.exec(text);
    inStatement = false;
    return ok;
}

bool Database::checkConnection(QSqlDatabase &db)
{
    if (!lockDb())
        return false;
    bool alive = false;
    if (db.isOpen()) {
        alive = execute(db, QStringLiteral("select NULL"));
        running = QSqlQuery();
        if (!alive) {
            canceller.clearSession();
            db.close();
        }
    }
    unlockDb();
    return alive;
}

bool Database::openConnection(QSqlDatabase &db)
{
    if (!lockDb())
        return false;
    if (db.isOpen()) {
        unlockDb();
        return true;
    }
    unlockDb();
    emit logMessage(tr("Connect to database %1@%2").arg(db.databaseName(), db.hostName()), Info);
    if (!lockDb())
        return false;
    const bool opened = db.open();
    const QString error = db.lastError().text();
    if (opened)
        canceller.learnSession(db);
    unlockDb();
    if (opened)
        emit logMessage(tr("Connection established"), Success);
    else
        emit logMessage(error, Error);
    return opened;
}

bool Database::ensureConnected(QSqlDatabase &db)
{
    if (checkConnection(db) || openConnection(db))
        return true;
    forever {
        if (stopSeen || waitForStop(1000))
            return false;
        if (openConnection(db))
            return true;
    }
}
