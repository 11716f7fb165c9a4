#ifndef DATABASE_H
#define DATABASE_H

#include "database/LogMessageType.h"
#include "database/StatementCanceller.h"

#include <QByteArray>
#include <QDateTime>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QMutex>
#include <QSemaphore>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <functional>

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

    // The constant the host's decoding service expects with a signal-group
    // event (agreed with the host).
    static constexpr int SgNotificationKind = 0x53470705;

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

    // The last request's pacing pauses, for measurements and tests: the time
    // spent in them, how many ended as soon as the GUI thread had handled the
    // rows sent before them and how many ran out their 50 ms.
    qint64 pacingPauseNsecs() const { return pauseNsecs; }
    int pausesCaughtUp() const { return caughtUpPauses; }
    int pausesTimedOut() const { return timedOutPauses; }

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
    // Rows of the current request handed out so far, now and then.
    void rowsReceived(int rows);

public slots:
    void stop();

private slots:
    void on_wait_finish_timeout();
    void on_thread_finished();
    QSqlQuery execQuery(QSqlDatabase &db, QString text);
    // Queued by the worker behind a batch of rows: reached once this thread
    // has handled them.
    void pacingMarkerReached();

protected:
    void run() override;

private:
    using RowHandler = std::function<bool(const QSqlQuery &)>;

    void submit(RequestKind kind, const QStringList &statements);
    bool postgres() const;

    void runRequest(int kind, const QStringList &statements);
    // Hands out every row of `query`, pausing now and then so that the GUI
    // thread keeps up; false when the user stopped or the handler gave up.
    bool streamRows(QSqlQuery &query, const RowHandler &handler);
    bool pacingCheck();
    bool pacingPause();
    bool interrupted();
    bool stopNoticed();
    bool decodeSgRow(const QSqlQuery &query);

    bool execute(QSqlDatabase &db, const QString &text);
    void endByForce();
    void dropConnection();
    bool checkConnection(QSqlDatabase &db);
    bool openConnection(QSqlDatabase &db);
    bool ensureConnected(QSqlDatabase &db);
    bool waitForStop(int ms);
    void giveBackPermits();
    void syncConnection();
    bool lockDb();
    void unlockDb();

    int kind = NoRequest;
    // Not a copy: a URL of another driver replaces the facade's handle, and
    // a copy would keep the removed connection, which can never open again.
    const QSqlDatabase *db;
    QMutex *dbMutex;
    QMutex requestMutex;
    QSemaphore wakeup{0};
    QTimer waitTimer;
    QStringList queries;
    const QString dateFormat = QStringLiteral("yyyy-MM-dd");
    QObject *hostPlugin = nullptr;
    QMetaMethod createNotification;

    // Worker thread only: its own connection with the shared one's settings,
    // since a Qt SQL connection belongs to the thread that opened it and two
    // threads must not stream from one connection at once.
    QSqlDatabase connection;
    const QString connectionName;
    // The statement on the server, kept off the worker's stack (see execute()).
    QSqlQuery running;
    StatementCanceller canceller;
    const QMetaObject *notificationClass = nullptr;
    QMetaProperty notificationData;
    int rowsSinceCheck = 0;
    int rowsInRequest = 0;
    int borrowedPermits = 0;
    bool stopSeen = false;
    // Set by stop() for the worker's run; `inStatement` while a statement
    // runs on the server, for stop() to have it cancelled there.
    std::atomic<bool> stopping{false};
    std::atomic<bool> inStatement{false};
    std::atomic<bool> holdsDbMutex{false};
    std::atomic<qint64> pauseNsecs{0};
    std::atomic<int> caughtUpPauses{0};
    std::atomic<int> timedOutPauses{0};
    // Pacing markers: the worker counts those it queued; the GUI thread those
    // it reached, which it does in the same order. `markerAwaited` (under
    // requestMutex) is the marker the worker's pause waits for, 0 for none.
    quint64 markersQueued = 0;
    quint64 markersReached = 0;
    quint64 markerAwaited = 0;
};

#endif // DATABASE_H
