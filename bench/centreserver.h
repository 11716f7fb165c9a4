#ifndef CENTRESERVER_H
#define CENTRESERVER_H

#include <QList>
#include <QMutex>
#include <QStringList>
#include <QThread>

#include <atomic>

// The database server as the centre benchmark sees it, through the owner's
// connection (a superuser: PostgreSQL's reserved slots and MariaDB's extra
// connection admit it when the others are taken). It gives the event log a
// slow day, and watches, a few times a second, how many connections the
// server serves and which slow-day statements run.
class CentreServer : public QThread
{
    Q_OBJECT
public:
    struct Snapshot
    {
        // Every client connection but the watcher's own.
        int connections = -1;
        // PostgreSQL: the texts of the slow-day statements that run.
        QStringList logStatements;
        // MariaDB: the client ports of the sessions that run one (its list
        // shows the statement inside the procedure, not the call).
        QList<quint16> slowSessions;
        // Counts the polls: one taken after a moment began after it.
        quint64 generation = 0;
    };

    // `server`: "pg", "mysql" or "pgbouncer" (PostgreSQL watched directly).
    explicit CentreServer(const QString &server, QObject *parent = nullptr);
    ~CentreServer() override;

    // The log of any day before 2001 sleeps ten minutes before its rows, on
    // the server, until it is cancelled. Idempotent; false with `error`.
    bool prepareSlowLog(QString *error);
    // The marker of the log of `day` in a PostgreSQL statement text.
    static QString slowMarker(const QDate &day);
    static QDate slowDay(int host);

    Snapshot snapshot() const;
    int peakConnections() const { return peak; }
    void resetPeak() { peak = 0; }
    void finish() { stopping = true; }

protected:
    void run() override;

private:
    bool poll(class QSqlDatabase &db);

    const QString server;
    const bool postgres;
    mutable QMutex mutex;
    Snapshot last;
    std::atomic<int> peak{0};
    std::atomic<bool> stopping{false};
};

#endif // CENTRESERVER_H
