#ifndef ASYNCDATABASE_H
#define ASYNCDATABASE_H

#include <QObject>
#include <QString>

class AsyncDatabasePrivate;
class AsyncSqlQuery;

// The module's shared, non-blocking SQL service. Reading statements run on
// one worker thread, inserts, updates and deletes on another; each has its
// own queue and connection, and answers through the signals of the
// submitted query object.
class AsyncDatabase : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString dumpFileName READ dumpFileName WRITE setDumpFileName)
    Q_PROPERTY(QString driverName READ driverName)

public:
    AsyncDatabase(QObject *parent, const QString &url);
    ~AsyncDatabase() override;

    // Applies a database URL (//user:password@host:port/DRIVER/database).
    // False, with nothing changed, for an empty or malformed URL.
    bool setUrl(const QString &url);

    QString dumpFileName() const { return dumpFile; }
    void setDumpFileName(const QString &name);
    QString driverName() const { return driver; }

    // How long a worker waits between attempts to restore a lost
    // connection (30 s by default); stop, abort, a new URL and a new query
    // end the wait early.
    void setReconnectInterval(int ms);

signals:
    void queryError(AsyncSqlQuery *query, QString msg);
    void databaseError(QString msg);
    // A connection could not be opened or restored: the queued queries wait
    // for it. Emitted with databaseError, once per failure, and again after
    // each attempt asked for by reconnectNow() or a new query.
    void connectionError(QString msg);

public slots:
    void stop();

public:
    Q_INVOKABLE void execQuery(AsyncSqlQuery *query);
    Q_INVOKABLE void execQuery(QObject *query);
    Q_INVOKABLE void execQuery(QString text);
    Q_INVOKABLE QObject *newQuery(QString query_text, bool autoRemove);
    Q_INVOKABLE QObject *newQuery(QString query_text);
    Q_INVOKABLE QObject *newQuery();
    Q_INVOKABLE void clearQueriesQueue();
    // A worker that waits to restore its connection tries again at once.
    Q_INVOKABLE void reconnectNow();
    Q_INVOKABLE AsyncDatabase *clone();

private:
    friend class AsyncDatabasePrivate;

    AsyncDatabasePrivate *readWorker = nullptr;
    AsyncDatabasePrivate *writeWorker = nullptr;
    QString dumpFile;
    QString driver;
    int reconnectInterval = 30000;
    bool stopped = false;
};

#endif // ASYNCDATABASE_H
