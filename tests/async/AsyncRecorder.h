#ifndef ASYNCRECORDER_H
#define ASYNCRECORDER_H

#include "async/AsyncDatabase.h"
#include "async/AsyncSqlQuery.h"

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QTest>
#include <QVariantList>
#include <QVector>

#include <functional>

// Lives in the test thread and receives, through queued connections, what
// the service's workers emit on query objects and on the service.
class AsyncRecorder : public QObject
{
public:
    struct Outcome
    {
        AsyncSqlQuery *query = nullptr;
        QString signal; // "finished", "error", "lastInsertId"; "timeout" from run()
        QVariantList rows;
        QVariant id;
        QString error;
    };

    QVector<Outcome> outcomes; // in arrival order
    QStringList databaseErrors;
    QStringList queryErrors;
    QVector<AsyncSqlQuery *> queryErrorQueries; // the query each queryError named

    explicit AsyncRecorder(AsyncDatabase *service = nullptr)
    {
        if (!service)
            return;
        connect(service, &AsyncDatabase::databaseError, this, [this](const QString &msg) { databaseErrors << msg; },
                Qt::QueuedConnection);
        connect(service, &AsyncDatabase::queryError, this, [this](AsyncSqlQuery *query, const QString &msg) {
            queryErrors << msg;
            queryErrorQueries << query;
        }, Qt::QueuedConnection);
    }

    void watch(AsyncSqlQuery *query)
    {
        connect(query, &AsyncSqlQuery::finished, this,
                [=](const QVariantList &rows) { outcomes.append({query, QStringLiteral("finished"), rows, {}, {}}); },
                Qt::QueuedConnection);
        connect(query, &AsyncSqlQuery::lastInsertId, this,
                [=](const QVariant &id) { outcomes.append({query, QStringLiteral("lastInsertId"), {}, id, {}}); },
                Qt::QueuedConnection);
        connect(query, &AsyncSqlQuery::error, this,
                [=](const QString &msg) { outcomes.append({query, QStringLiteral("error"), {}, {}, msg}); },
                Qt::QueuedConnection);
    }

    // Submits and waits for finished or error of that query.
    Outcome run(AsyncDatabase *service, AsyncSqlQuery *query, int ms = 30000)
    {
        watch(query);
        const int from = outcomes.size();
        service->execQuery(query);
        const auto answer = [&] { return qMax(indexOf(query, "finished", from), indexOf(query, "error", from)); };
        waitUntil([&] { return answer() >= 0; }, ms);
        disconnect(query, nullptr, this, nullptr);
        return answer() >= 0 ? outcomes.at(answer()) : Outcome{nullptr, QStringLiteral("timeout"), {}, {}, {}};
    }

    // A query of the service made as the host makes one, by name.
    static AsyncSqlQuery *newQuery(AsyncDatabase *service, const QString &text)
    {
        QObject *query = nullptr;
        QMetaObject::invokeMethod(service, "newQuery", Q_RETURN_ARG(QObject *, query), Q_ARG(QString, text));
        return qobject_cast<AsyncSqlQuery *>(query);
    }

    // Spins the event loop until `done` holds or `ms` have passed.
    static bool waitUntil(const std::function<bool()> &done, int ms = 30000)
    {
        QElapsedTimer timer;
        timer.start();
        while (!done() && timer.elapsed() < ms)
            QTest::qWait(2);
        return done();
    }
    bool waitFor(int n, int ms = 30000) { return waitUntil([&] { return outcomes.size() >= n; }, ms); }

    // The position of the first such outcome from `from` on, or -1.
    int indexOf(AsyncSqlQuery *query, const QString &signal, int from = 0) const
    {
        for (int i = from; i < outcomes.size(); ++i) {
            if (outcomes.at(i).query == query && outcomes.at(i).signal == signal)
                return i;
        }
        return -1;
    }
    int count(AsyncSqlQuery *query, const QString &signal) const
    {
        return int(std::count_if(outcomes.cbegin(), outcomes.cend(),
                                 [&](const Outcome &o) { return o.query == query && o.signal == signal; }));
    }
    int count(const QString &signal) const
    {
        return int(std::count_if(outcomes.cbegin(), outcomes.cend(), [&](const Outcome &o) { return o.signal == signal; }));
    }
};

#endif // ASYNCRECORDER_H
