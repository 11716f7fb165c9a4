#include "AsyncRecorder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QtTest>

AsyncRecorder::AsyncRecorder(AsyncDatabase *service)
{
    if (service) {
        connect(service, &AsyncDatabase::databaseError, this,
                [this](const QString &msg) { databaseErrors << msg; }, Qt::QueuedConnection);
        connect(service, &AsyncDatabase::queryError, this,
                [this](AsyncSqlQuery *query, const QString &msg) {
                    queryErrors << msg;
                    queryErrorQueries << query;
                }, Qt::QueuedConnection);
    }
}

void AsyncRecorder::watch(AsyncSqlQuery *query)
{
    connect(query, &AsyncSqlQuery::finished, this, &AsyncRecorder::onFinished, Qt::QueuedConnection);
    connect(query, &AsyncSqlQuery::lastInsertId, this, &AsyncRecorder::onLastInsertId, Qt::QueuedConnection);
    connect(query, &AsyncSqlQuery::error, this, &AsyncRecorder::onError, Qt::QueuedConnection);
}

void AsyncRecorder::onFinished(QVariantList result)
{
    Outcome o;
    o.query = qobject_cast<AsyncSqlQuery *>(sender());
    o.signal = QStringLiteral("finished");
    o.rows = result;
    outcomes << o;
}

void AsyncRecorder::onLastInsertId(QVariant id)
{
    Outcome o;
    o.query = qobject_cast<AsyncSqlQuery *>(sender());
    o.signal = QStringLiteral("lastInsertId");
    o.id = id;
    outcomes << o;
}

void AsyncRecorder::onError(QString msg)
{
    Outcome o;
    o.query = qobject_cast<AsyncSqlQuery *>(sender());
    o.signal = QStringLiteral("error");
    o.error = msg;
    outcomes << o;
}

int AsyncRecorder::count(AsyncSqlQuery *query, const QString &signal) const
{
    int n = 0;
    for (const Outcome &o : outcomes)
        n += (o.query == query && o.signal == signal) ? 1 : 0;
    return n;
}

int AsyncRecorder::count(const QString &signal) const
{
    return int(std::count_if(outcomes.cbegin(), outcomes.cend(),
                             [&](const Outcome &o) { return o.signal == signal; }));
}

bool AsyncRecorder::waitUntil(const std::function<bool()> &done, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms)
        QTest::qWait(2);
    return done();
}

bool AsyncRecorder::waitFor(int n, int ms)
{
    return waitUntil([&] { return outcomes.size() >= n; }, ms);
}

AsyncRecorder::Outcome AsyncRecorder::run(AsyncDatabase *service, AsyncSqlQuery *query, int ms)
{
    watch(query);
    const int from = outcomes.size();
    service->execQuery(query);
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        for (int i = from; i < outcomes.size(); ++i) {
            const Outcome &o = outcomes.at(i);
            if (o.query == query && (o.signal == QLatin1String("finished") || o.signal == QLatin1String("error"))) {
                disconnect(query, nullptr, this, nullptr);
                return o;
            }
        }
        QTest::qWait(2);
    }
    disconnect(query, nullptr, this, nullptr);
    Outcome timeout;
    timeout.signal = QStringLiteral("timeout");
    return timeout;
}
