#include "Database.h"

#include "database/QueryDump.h"
#include "database/RequestRows.h"
#include "database/RequestStatements.h"
#include "sql/ClientThreadState.h"
#include "sql/SqlDialect.h"

#include <QDebug>
#include <QDeadlineTimer>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSqlError>

namespace {

// How long a stopped worker has to end by itself, and then its forced end,
// which takes milliseconds: nothing on the worker's stack waits for the
// server (see WorkerConnection).
const int stopGraceMs = 3000;
const int forcedEndMs = 500;
// The longest pause between two attempts to reach the server.
const int maxRetryMs = 30000;

} // namespace

Database::Database(QObject *parent, const QSqlDatabase *db, QMutex *dbMutex)
    : QThread(parent)
    , db(db)
    , dbMutex(dbMutex)
    , pacer(&slot, this)
    , connection(db, dbMutex, &slot, QStringLiteral("lumoview-worker-%1").arg(quintptr(this), 0, 16))
{
    waitTimer.setParent(this);
    waitTimer.setSingleShot(true);
    connect(this, &QThread::finished, this, &Database::on_thread_finished);
    connect(&waitTimer, &QTimer::timeout, this, &Database::on_wait_finish_timeout);
    connect(&pacer, &RowPacer::rowsReceived, this, &Database::rowsReceived);
}

Database::~Database()
{
    stopAndWait();
    // Still running only if blocked where termination cannot reach it; Qt
    // would abort the process if its thread object went first.
    if (isRunning()) {
        qCritical("Database: a worker that was ended by force still runs; waiting for it");
        wait();
    }
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

void Database::startRun()
{
    slot.beginRun();
    start();
}

void Database::submit(RequestKind requestKind, const QStringList &statements,
                      const QVector<RequestSlot::Follow> &follow)
{
    slot.submit(requestKind, statements, follow);
    // A worker still ending after a stop leaves the request in the slot for
    // the next run, which on_thread_finished starts.
    if (!isRunning())
        startRun();
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

namespace {

RequestSlot::Follow followOf(const RequestStatements::FollowStep &step, const Database::FollowCursor &cursor)
{
    return {step.count, step.fromNewest, step.fromWindow, cursor.window, cursor.newest, cursor.inWindow,
            cursor.fromNewest};
}

} // namespace

void Database::followLog(uint object_id, const FollowCursor &cursor, QDate to, uint ver)
{
    const RequestStatements statements(postgres());
    submit(LogRequest, {}, {followOf(statements.followLog(object_id, cursor.window, cursor.newest, to, ver), cursor)});
}

void Database::followPhases(uint object_id, const FollowCursor &phases, const FollowCursor &states, QDate to,
                            bool withPromtact)
{
    const RequestStatements statements(postgres());
    submit(PhasesRequest, {},
           {followOf(statements.followPhases(0, object_id, phases.window, phases.newest, to, withPromtact), phases),
            followOf(statements.followPhases(1, object_id, states.window, states.newest, to, withPromtact), states)});
}

void Database::followSg(uint object_id, const FollowCursor &cursor, QDateTime to)
{
    const RequestStatements statements(postgres());
    submit(SgRequest, {}, {followOf(statements.followSg(object_id, cursor.window, cursor.newest, to), cursor)});
}

void Database::followDt15(uint object_id, QString detectors, int parameter, bool fromDetectorsData,
                          const FollowCursor &cursor, QDate to)
{
    const RequestStatements statements(postgres());
    submit(Dt15Request, {},
           {followOf(statements.followDt15(object_id, detectors, parameter, fromDetectorsData, cursor.window,
                                           cursor.newest, to),
                     cursor)});
}

void Database::stop()
{
    emit logMessage(tr("Pending completion of the database (3 sec.)"), Info);
    // A worker that is not running has nothing to stop; a stop left in the
    // slot would only meet the next request.
    if (!isRunning() || waitTimer.isActive())
        return;
    slot.requestStop();
    pacer.wake();
    connection.cancel();
    waitTimer.start(stopGraceMs);
}

void Database::stopAndWait()
{
    if (!isRunning())
        return;
    const QDeadlineTimer grace(waitTimer.isActive() ? waitTimer.remainingTime() : stopGraceMs);
    stop();
    if (!wait(grace)) {
        emit logMessage(tr("Disconnected"), Warning);
        endByForce();
    }
    waitTimer.stop();
    // Within the same grace: a cancel that answered has ended already.
    connection.waitForCancel(grace);
}

void Database::on_wait_finish_timeout()
{
    emit logMessage(tr("Disconnected"), Warning);
    endByForce();
}

// The last resort, for a worker blocked where neither a stop nor a cancel
// reaches it: opening a connection to a server that does not answer, or a
// statement on one that no longer answers at all. What the client library
// held is lost; no lock is, since none is held across such a wait.
void Database::endByForce()
{
    endedByForce = true;
    terminate();
    wait(forcedEndMs);
}

void Database::on_thread_finished()
{
    waitTimer.stop();
    // A request made while the worker was ending has started a run of its own.
    if (isRunning())
        return;
    emit logMessage(tr("The database is closed"), Success);
    // One made while it was ending runs now; its own completion follows.
    if (slot.hasRequest()) {
        startRun();
        return;
    }
    emit complete();
}

void Database::run()
{
    stopSeen = false;
    if (endedByForce.exchange(false))
        connection.drop();

    if (!connection.sync()) {
        interrupted();
    } else if (ensureConnected()) {
        forever {
            const RequestSlot::Request request = slot.take();
            if (request.isValid())
                runRequest(request);
            if (stopSeen || slot.stopRequested())
                break;
            // Idle: the connection goes when another worker waits for one,
            // or after a quiet minute; the next request opens it again.
            if (connection.shouldGiveWay())
                connection.close();
            if (!slot.wait(connection.isOpen() ? connection.idleMsecs() : -1))
                connection.close();
            if (slot.stopRequested())
                break;
        }
    }
    // Closed before the statement goes: rows nobody will show are not read.
    connection.close();
    ClientThreadState::release();
}

bool Database::interrupted()
{
    if (!stopSeen) {
        stopSeen = true;
        emit logMessage(tr("Interrupted by the user"), Info);
    }
    return true;
}

// True once the user has stopped; the first time it posts the interruption.
bool Database::stopNoticed()
{
    return stopSeen || (slot.stopRequested() && interrupted());
}

void Database::runRequest(const RequestSlot::Request &request)
{
    if (!request.follow.isEmpty()) {
        runFollowStep(request);
        return;
    }
    pacer.beginRequest();
    // A changed URL is followed from the next request on.
    if (!connection.sync()) {
        interrupted();
        emit complete();
        return;
    }
    const int count = request.statements.size();
    RequestRows rows(this, request.kind, count, &decoder);
    for (int i = 0; i < count; ++i) {
        emit logMessage(rows.message(i), Info);
        if (!execQuery(request.statements.at(i))) {
            if (stopNoticed()) {
                emit complete();
                return;
            }
            // Rejected by the server: the next statement goes on.
            continue;
        }
        if (!streamRows(rows, i)) {
            connection.abandon();
            stopNoticed();
            emit complete();
            return;
        }
        connection.release();
        if (!rows.finishStatement(i, pacer)) {
            interrupted();
            emit complete();
            return;
        }
    }

    if (stopNoticed()) {
        emit complete();
        return;
    }
    emit logMessage(tr("Data acquisition is complete"), Success);
    rows.finishRequest();
    emit complete();
}

void Database::runFollowStep(const RequestSlot::Request &request)
{
    stepping = true;
    const auto stepEnds = qScopeGuard([this] { stepping = false; });
    pacer.beginRequest();
    if (!connection.sync()) {
        interrupted();
        emit complete();
        return;
    }
    // The streams are the load's statements; detector data follows its
    // selected period, the second to last of two.
    const bool dt15 = request.kind == Dt15Request;
    RequestRows rows(this, request.kind, dt15 ? 2 : request.follow.size(), &decoder);
    for (int i = 0; i < request.follow.size(); ++i) {
        const RequestSlot::Follow &stream = request.follow.at(i);
        int inWindow = 0;
        int fromNewest = 0;
        if (!count(stream.count, &inWindow, &fromNewest)) {
            if (stopNoticed())
                break;
            continue;
        }
        if (inWindow == stream.inWindow && fromNewest == stream.fromNewestShown)
            continue;
        // Rows before `newest` as they were: only the newest ones changed.
        const bool atNewest = inWindow - fromNewest == stream.inWindow - stream.fromNewestShown;
        emit followFrom(i, atNewest ? stream.newest : stream.window);
        if (!execQuery(atNewest ? stream.fromNewest : stream.fromWindow)) {
            if (stopNoticed())
                break;
            continue;
        }
        if (!streamRows(rows, dt15 ? 0 : i)) {
            connection.abandon();
            stopNoticed();
            break;
        }
        connection.release();
    }
    emit complete();
}

bool Database::count(const QString &statement, int *inWindow, int *fromNewest)
{
    if (!execQuery(statement))
        return false;
    const QSqlQuery &query = connection.query();
    const bool ok = connection.next();
    if (ok) {
        *inWindow = query.value(0).toInt();
        *fromNewest = query.value(1).toInt();
    }
    connection.release();
    return ok;
}

bool Database::streamRows(RequestRows &rows, int statement)
{
    const QSqlQuery &query = connection.query();
    while (connection.next()) {
        if (!pacer.beforeRow())
            return false;
        if (!rows.handle(statement, query))
            return false;
    }
    // A connection lost in the middle of the rows must not pass for the end
    // of them: the request ends with the error. Running the statement again
    // would hand out the rows already reported a second time.
    if (query.lastError().isValid()) {
        if (!stopNoticed()) {
            emit logMessage(query.lastError().text(), Error);
            qDebug() << "Database:" << query.lastError().text();
        }
        return false;
    }
    emit rowsReceived(pacer.rowsInRequest());
    return true;
}

bool Database::execQuery(const QString &statement)
{
    const QString text = SqlDialect::forDriver(connection.driverName()).quoteIdentifiers(statement);
    QueryDump::write(text);

    forever {
        if (stopNoticed())
            return false;
        if (connection.isOpen() && connection.exec(text))
            return true;
        if (stopNoticed())
            return false;
        const QSqlError error = connection.query().lastError();
        if (connection.isAlive()) {
            // The server is there: the statement itself is at fault.
            emit logMessage(error.databaseText(), Info);
            qDebug() << "Database:" << error.text();
            return false;
        }
        if (!ensureConnected())
            return false;
    }
}

bool Database::openConnection(QString *error)
{
    if (!connection.acquirePermit([this] {
            if (!stepping)
                emit logMessage(tr("Waiting for another view to finish reading"), Info);
        }))
        return false;
    return connection.open(error);
}

// The server is tried again after 1 s, then after twice as long each time up
// to 30 s, a little earlier or later at random so that the workstations of a
// centre do not all come back at once. Each attempt takes the settings in
// force, so that a new URL (a standby promoted after a failover) is followed
// without a new request. What went wrong is said once, not at every attempt.
bool Database::ensureConnected()
{
    if (connection.isAlive())
        return true;
    QString said;
    QString target;
    int delay = 1000;
    forever {
        const QString now = tr("Connect to database %1@%2").arg(connection.databaseName(), connection.hostName());
        if (now != target) {
            if (!stepping)
                emit logMessage(now, Info);
            target = now;
            said.clear();
        }
        QString error;
        if (openConnection(&error)) {
            if (!stepping || !said.isEmpty())
                emit logMessage(tr("Connection established"), Success);
            return true;
        }
        if (stopNoticed())
            return false;
        if (error != said) {
            said = error;
            if (SqlDialect::refusedAsFull(error))
                emit logMessage(tr("The database server has no free connection now; the view tries again until "
                                   "it gets one"), Warning);
            else
                emit logMessage(error, Error);
        }
        const int jitter = int(QRandomGenerator::global()->bounded(delay / 2)) - delay / 4;
        if (slot.waitForStop(delay + jitter) || !connection.sync()) {
            interrupted();
            return false;
        }
        delay = qMin(delay * 2, maxRetryMs);
    }
}
