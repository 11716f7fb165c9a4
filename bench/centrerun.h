#ifndef CENTRERUN_H
#define CENTRERUN_H

#include "centreserver.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>

class CentreHost;
class CentreVictim;
class QEventLoop;

// One row of the centre benchmark: N hosts against one server, with other
// clients' statements running beside them, until every host has loaded its
// views and pressed its Stop, and then a quiet minute.
class CentreRun : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        QString server; // "pg", "mysql", "pgbouncer"
        QString program;
        QString logDirectory;
        int hosts = 4;
        int rounds = 2;
        int stopEvery = 4;     // every n-th host presses Stop
        int staggerMs = 500;   // between two hosts' starts
        int deadlineMs = 300000;
        int quietMs = 65000;   // the idle connections' minute, and a margin
        int victims = 2;
    };

    struct Result
    {
        int hosts = 0;
        int fullyLoaded = 0;    // every load done within the deadline
        qint64 slowestMs = -1;  // of the fully loaded hosts
        int baseline = 0;       // server connections before the first host
        int peak = 0;           // server connections at most, the bench's watcher not counted
        int stopsPressed = 0;
        int stopsOwnOnly = 0;
        int othersCancelled = 0;  // other hosts' statements and victims' sleeps
        int victimSleeps = 0;
        int followMax = -1;       // a host's connections while its views follow today, at most
        int followTotal = -1;     // all hosts' together
        int idleMax = -1;         // a quiet host's connections, at most
        int idleTotal = -1;       // all quiet hosts' together
        int serverFull = 0;       // lines telling of a full server
        int budgetWaits = 0;      // lines telling of a view waiting for its host's turn
        int forcedEnds = 0;
        double cpuBusy = 0;       // share of the machine's CPU time while the hosts loaded
        QString error;
    };

    explicit CentreRun(const Options &options, QObject *parent = nullptr);
    ~CentreRun() override;

    Result run();

private:
    struct PendingStop
    {
        CentreHost *host = nullptr;
        qint64 armedAt = 0;
        qint64 cancelledAt = -1;
        quint64 endedGeneration = 0;
        qint64 endedAt = -1;
    };

    void startNextHost();
    void hostDone();
    void watchStops();
    bool runsOnServer(CentreHost *host, const CentreServer::Snapshot &snapshot) const;
    void otherCancelled(const QString &what);
    void finishLoading();
    void measureIdle();
    void waitFor(int ms);

    const Options opts;
    CentreServer server;
    QString url;
    quint16 port = 0;
    QList<CentreVictim *> victims;
    QList<CentreHost *> hosts;
    QList<PendingStop> stops;
    QList<qint64> othersCancelledAt;
    QElapsedTimer clock;
    QTimer starter;
    QTimer stopWatch;
    QTimer deadline;
    QEventLoop *loop = nullptr;
    Result result;
};

#endif // CENTRERUN_H
