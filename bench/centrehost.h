#ifndef CENTREHOST_H
#define CENTREHOST_H

#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QObject>
#include <QProcess>
#include <QStringList>

// One workstation of the centre benchmark: a lumoview-host process with all
// seven views of one object, driven through its --commands and followed
// through its --report. Once every view has loaded, it refreshes its views
// one after another for a few rounds; a host that presses Stop sets its
// event log to a slow day in the first round and cancels that load once
// the benchmark has seen the statement run on the server.
class CentreHost : public QObject
{
    // A host must not inherit the benchmark's own connections: MariaDB's
    // client library leaves them open across exec, and they would count as
    // the host's.
    class Process : public QProcess
    {
    protected:
        void setupChildProcess() override;
    };


    Q_OBJECT
public:
    struct Options
    {
        QString program;
        QString url;
        QString logDirectory;
        int index = 0;
        int rounds = 2;
        bool pressesStop = false;
        QDate slowDay;
    };

    // What the Stop of this host did.
    struct Stop
    {
        bool pressed = false;
        bool seenRunning = false;   // on the server before Cancel
        bool interrupted = false;   // the view said "Interrupted by the user"
        bool endedByForce = false;  // the view said "Disconnected"
        bool goneFromServer = false;
        bool othersCancelled = false;
        bool ownOnly() const
        {
            return pressed && seenRunning && interrupted && !endedByForce && goneFromServer && !othersCancelled;
        }
    };

    static const QStringList viewNames;

    CentreHost(const Options &options, QObject *parent = nullptr);
    ~CentreHost() override;

    void start();
    // Asks the host to close; it is ended by force if it has not after a while.
    void quit();
    // Pauses every view that follows today, as a user leaving it would.
    void pauseFollowing() { send(QStringLiteral("live off")); }
    qint64 pid() const { return process.processId(); }
    bool isRunning() const { return process.state() != QProcess::NotRunning; }
    const Options &options() const { return opts; }

    // Every load of its script completed; the time from its start.
    bool isDone() const { return finishedAfter >= 0; }
    qint64 doneAfterMs() const { return finishedAfter; }
    qint64 runningMs() const { return clock.isValid() ? clock.elapsed() : 0; }
    // What it waits for now, for a report on a host that did not finish.
    QString waitingFor() const;

    // The Stop: Cancel pressed once the server runs the slow statement.
    void pressCancel(bool seenRunning);
    // The benchmark's verdict on the server's side; the script goes on.
    void stopChecked(bool goneFromServer, bool othersCancelled);
    const Stop &stop() const { return stopResult; }

    // Lines of its views that tell of waiting for a connection.
    int serverFullNotes() const { return serverFull; }
    int budgetWaits() const { return budgetWaiting; }
    int forcedEnds() const { return forced; }

signals:
    void stopArmed(CentreHost *host);
    void stopEnded(CentreHost *host);
    void done(CentreHost *host);
    // A statement of this host that nobody of it stopped was cancelled.
    void cancelledByOther(CentreHost *host, const QString &view, const QString &text);

private:
    enum class Step { Opening, Refresh, StopArming, StopCancelling, StopEnded, StopChecked, Done };

    struct ViewState
    {
        int loads = 0;
        QString lastObtaining;
        QString lastLine;
    };

    void readOutput();
    void handle(const QString &view, const QString &kind, const QString &text);
    void loaded(const QString &view);
    void next();
    void send(const QString &command);

    const Options opts;
    Process process;
    QFile log;
    QElapsedTimer clock;
    QHash<QString, ViewState> views;
    Step step = Step::Opening;
    // The refreshes still to make, and the one waited for.
    QStringList plan;
    QString current;
    int expectedLoads = 0;
    qint64 finishedAfter = -1;
    QDate today;
    Stop stopResult;
    int serverFull = 0;
    int budgetWaiting = 0;
    int forced = 0;
};

#endif // CENTREHOST_H
