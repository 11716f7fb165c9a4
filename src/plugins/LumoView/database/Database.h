#ifndef DATABASE_H
#define DATABASE_H

#include "database/LogMessageType.h"
#include "database/RequestSlot.h"
#include "database/RowPacer.h"
#include "database/SgEventDecoder.h"
#include "database/WorkerConnection.h"

#include <QByteArray>
#include <QDateTime>
#include <QMutex>
#include <QSqlDatabase>
#include <QStringList>
#include <QThread>
#include <QTimer>

#include <atomic>

class RequestRows;

// The reader behind the data views: runs a request's statements on a worker
// thread of its own and streams every row back as a signal, reconnecting
// once a second while the database is away.
class Database : public QThread
{
    Q_OBJECT
public:
    enum RequestKind {
        NoRequest = 0,
        PhasesRequest = 1,
        LogRequest = 2,
        Dt15Request = 3,
        DetectorsRequest = 4,
        DtStatRequest = 5,
        SgRequest = 6,
        StopRequest = 7
    };

    // `db` is the facade's connection handle, which must outlive the worker;
    // it is read under `dbMutex`.
    Database(QObject *parent, const QSqlDatabase *db, QMutex *dbMutex);
    ~Database() override;

    void requestPhases(uint object_id, QDate from, QDate to, bool withPromtact);
    void requestLog(uint object_id, QDate from, QDate to, uint ver);
    void requestDt15(uint object_id, QString detectors, int parameter, int dayType, QDate date,
                     int days, bool fromDetectorsData);
    void requestDetectors(uint object_id);
    void requestDtStat(uint object_id, QString detectors, int parameter, quint8 weeks, QDate date);
    void requestSg(uint object_id, QDateTime from, QDateTime to);

    // Where a view that follows a period up to now stands in one stream of
    // its rows (a statement of its load): the rows it holds from `window` on
    // and from `newest` on, both times at whole seconds and as written, the
    // window some minutes before `newest` so that rows written late are
    // found too.
    struct FollowCursor
    {
        QDateTime window;
        QDateTime newest;
        int inWindow = 0;
        int fromNewest = 0;
    };
    // A step of a following view: for each stream in which the server now
    // holds other rows than the view, followFrom(stream, time) and then the
    // stream's rows from that time on, in the load's order and as the load's
    // signals, which replace what the view holds from that time on; then
    // complete(). Steps post no messages but errors.
    void followLog(uint object_id, const FollowCursor &cursor, QDate to, uint ver);
    void followPhases(uint object_id, const FollowCursor &phases, const FollowCursor &states, QDate to,
                      bool withPromtact);
    void followSg(uint object_id, const FollowCursor &cursor, QDateTime to);
    // The selected period's rows; the characteristic and previous-day curves
    // do not change.
    void followDt15(uint object_id, QString detectors, int parameter, bool fromDetectorsData,
                    const FollowCursor &cursor, QDate to);

    // Ends the worker before its owner goes: a stop, then up to 3 s for the
    // worker to end by itself before it is ended by force.
    void stopAndWait();

    // The last request's pacing pauses, for measurements and tests: the time
    // spent in them, how many ended as soon as the GUI thread had handled the
    // rows sent before them and how many ran out their 50 ms.
    qint64 pacingPauseNsecs() const { return pacer.pauseNsecs(); }
    int pausesCaughtUp() const { return pacer.pausesCaughtUp(); }
    int pausesTimedOut() const { return pacer.pausesTimedOut(); }

    // The process-wide dump of every statement executed by any worker.
    static void startDumpQueries(const QString &file_name);
    static void stopDumpQueries();

signals:
    void logMessage(QString message, LogMessageType type = Info);
    void lumoPhaseData(QDateTime time, int phase_id, int length);
    void lumoSgData(QDateTime time, int sg_id, int state);
    void lumoStateData(QDateTime time, int state);
    void lumoLogData(QDateTime time, QTime dev_time, int type_id, QString type, QString descr,
                     int val, QByteArray data);
    void lumoDt15Data(QDateTime time, double value, int query_index);
    void lumoDt15StateData(QDateTime time, int value);
    void lumoDt(int dt_id);
    void lumoDtStatData(QTime time, double median, double min, double max, double Q1, double Q3);
    void lumoDtCurrentData(QTime time, double value);
    void complete();
    // In a follow step: the rows of `stream` from `from` on follow.
    void followFrom(int stream, QDateTime from);
    // Rows of the current request handed out so far, now and then.
    void rowsReceived(int rows);

public slots:
    // Asks the worker to stop and returns at once: a statement running on
    // the server is cancelled there, rows not yet read are left unread, and
    // a worker that has not ended after 3 s is ended by force.
    void stop();

private slots:
    void on_wait_finish_timeout();
    void on_thread_finished();

protected:
    void run() override;

private:
    void submit(RequestKind kind, const QStringList &statements, const QVector<RequestSlot::Follow> &follow = {});
    void startRun();
    bool postgres() const;

    void runRequest(const RequestSlot::Request &request);
    void runFollowStep(const RequestSlot::Request &request);
    // The two numbers of a follow step's count statement.
    bool count(const QString &statement, int *inWindow, int *fromNewest);
    // Hands out every row of the statement just executed; false when the
    // request ends here (a stop, a row that cannot be decoded, a lost
    // connection).
    bool streamRows(RequestRows &rows, int statement);
    bool execQuery(const QString &statement);
    bool ensureConnected();
    bool openConnection(QString *error);
    // Posts the interruption once; true from then on.
    bool interrupted();
    bool stopNoticed();
    void endByForce();

    const QSqlDatabase *db;
    QMutex *dbMutex;
    RequestSlot slot;
    RowPacer pacer;
    QTimer waitTimer;
    const QString dateFormat = QStringLiteral("yyyy-MM-dd");
    SgEventDecoder decoder;

    // Worker thread only.
    WorkerConnection connection;
    bool stopSeen = false;
    // A follow step runs: it says nothing of its connection but errors, so
    // that a following view's message line does not fill with the steps'
    // turns at the workstation's connections.
    bool stepping = false;
    // The last run was ended by force: its connection is in no known state.
    std::atomic<bool> endedByForce{false};
};

#endif // DATABASE_H
