#ifndef ASYNCRECORDER_H
#define ASYNCRECORDER_H

#include "async/AsyncDatabase.h"
#include "async/AsyncSqlQuery.h"

#include <QObject>
#include <QStringList>
#include <QVariantList>
#include <QVector>

#include <functional>

// Lives in the test thread and receives, through queued connections, what
// the service's workers emit on query objects and on the service.
class AsyncRecorder : public QObject
{
    Q_OBJECT

public:
    struct Outcome
    {
        AsyncSqlQuery *query = nullptr;
        QString signal; // "finished", "error", "lastInsertId"
        QVariantList rows;
        QVariant id;
        QString error;
    };

    explicit AsyncRecorder(AsyncDatabase *service = nullptr);

    void watch(AsyncSqlQuery *query);
    // Submits and waits for finished or error of that query.
    Outcome run(AsyncDatabase *service, AsyncSqlQuery *query, int ms = 30000);
    bool waitFor(int outcomes, int ms = 30000);
    // Spins the event loop until `done` holds or `ms` have passed.
    static bool waitUntil(const std::function<bool()> &done, int ms = 30000);
    int count(AsyncSqlQuery *query, const QString &signal) const;
    int count(const QString &signal) const;

    QVector<Outcome> outcomes;      // in arrival order
    QStringList databaseErrors;
    QStringList queryErrors;
    QVector<AsyncSqlQuery *> queryErrorQueries; // the query each queryError named

private slots:
    void onFinished(QVariantList result);
    void onLastInsertId(QVariant id);
    void onError(QString msg);
};

#endif // ASYNCRECORDER_H
