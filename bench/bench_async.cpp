// Small queries through the asynchronous service against the same queries
// run with a plain QSqlQuery on one connection, same run; and the time the
// loopback relay adds to a round trip.
#include "TestServers.h"

#include "async/AsyncDatabase.h"
#include "async/AsyncSqlQuery.h"
#include "async/ProxySocket.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

const int queries = 3000;
const int roundTrips = 2000;
const int rounds = 5;
const QString statement = QStringLiteral("select ?, ? + 1");

qint64 median(std::vector<qint64> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

qint64 plainRun(QSqlDatabase &db, int count)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < count; ++i) {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        // The same text the service sends: literals in place of the marks.
        if (!query.exec(QStringLiteral("select %1, %1 + 1").arg(i)) || !query.next()) {
            std::fprintf(stderr, "baseline: %s\n", qPrintable(query.lastError().text()));
            return -1;
        }
        query.value(0);
        query.value(1);
    }
    return timer.nsecsElapsed();
}

// All queries submitted at once (a view asking for several things), or
// one after another, each waiting for the last answer.
qint64 serviceRun(AsyncDatabase &service, int count, bool oneByOne)
{
    std::vector<std::unique_ptr<AsyncSqlQuery>> made;
    made.reserve(count);
    int answered = 0;
    QEventLoop loop;
    const auto submit = [&](int i) {
        made[i]->addBindValue(i);
        made[i]->addBindValue(i);
        service.execQuery(made[i].get());
    };
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < count; ++i) {
        made.push_back(std::make_unique<AsyncSqlQuery>(&service, statement));
        QObject::connect(made.back().get(), &AsyncSqlQuery::finished, &loop, [&, i](const QVariantList &rows) {
            if (rows.size() != 1)
                std::fprintf(stderr, "service: %d rows\n", int(rows.size()));
            ++answered;
            if (answered == count)
                loop.quit();
            else if (oneByOne)
                submit(i + 1);
        });
        QObject::connect(made.back().get(), &AsyncSqlQuery::error, &loop, [&](const QString &msg) {
            std::fprintf(stderr, "service: %s\n", qPrintable(msg));
            loop.exit(1);
        });
    }
    if (oneByOne) {
        submit(0);
    } else {
        for (int i = 0; i < count; ++i)
            submit(i);
    }
    if (loop.exec() != 0)
        return -1;
    return timer.nsecsElapsed();
}

// Round trips of a trivial statement on a connection to host:port, opened
// and used in a thread of its own while this thread runs the relay.
qint64 roundTripRun(const QSqlDatabase &settings, const QString &host, int port, int count)
{
    static int serial = 0;
    const QString name = QStringLiteral("trip%1").arg(++serial);
    qint64 elapsed = -1;
    std::unique_ptr<QThread> thread(QThread::create([&] {
        {
            QSqlDatabase db = QSqlDatabase::cloneDatabase(settings, name);
            db.setHostName(host);
            db.setPort(port);
            if (!db.open()) {
                std::fprintf(stderr, "round trips: %s\n", qPrintable(db.lastError().text()));
                return;
            }
            QSqlQuery query(db);
            query.exec(QStringLiteral("select 1"));
            QElapsedTimer timer;
            timer.start();
            for (int i = 0; i < count; ++i) {
                if (!query.exec(QStringLiteral("select 1")) || !query.next())
                    return;
            }
            elapsed = timer.nsecsElapsed();
        }
        QSqlDatabase::removeDatabase(name);
    }));
    QEventLoop loop;
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    thread->start();
    loop.exec();
    thread->wait();
    return elapsed;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList serviceRows, relayRows;
    int index = 0;
    for (const QString &server : TestServers::available()) {
        QSqlDatabase plain = TestServers::connection(server, QStringLiteral("plain%1").arg(++index));
        if (!plain.open()) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(server), qPrintable(plain.lastError().text()));
            return 1;
        }
        AsyncDatabase service(nullptr, TestServers::url(server));
        // Both connections open and warm before timing starts.
        plainRun(plain, 100);
        serviceRun(service, 100, true);

        // Rounds alternate between the two, and the medians are compared, so
        // that other load on the machine touches both alike.
        for (const bool oneByOne : {false, true}) {
            std::vector<qint64> bases, asyncs;
            for (int round = 0; round < rounds; ++round) {
                bases.push_back(plainRun(plain, queries));
                asyncs.push_back(serviceRun(service, queries, oneByOne));
            }
            const qint64 base = median(bases);
            const qint64 async = median(asyncs);
            serviceRows << QString::asprintf("| %s | %s | %d | %.0f | %.0f | %.2f |", qPrintable(server),
                                             oneByOne ? "one after another" : "all submitted at once",
                                             queries, queries / (base / 1e9), queries / (async / 1e9),
                                             double(async) / double(base));
        }

        ProxySocket relay(plain.hostName(), quint16(plain.port()), nullptr);
        std::vector<qint64> directs, relayeds;
        for (int round = 0; round < rounds; ++round) {
            directs.push_back(roundTripRun(plain, plain.hostName(), plain.port(), roundTrips));
            relayeds.push_back(roundTripRun(plain, QStringLiteral("127.0.0.1"), relay.serverPort(), roundTrips));
        }
        const qint64 direct = median(directs);
        const qint64 relayed = median(relayeds);
        relayRows << QString::asprintf("| %s | %d | %.1f | %.1f | %.1f | %.2f |", qPrintable(server), roundTrips,
                                       direct / 1e3 / roundTrips, relayed / 1e3 / roundTrips,
                                       (relayed - direct) / 1e3 / roundTrips, double(relayed) / double(direct));
    }
    std::printf("Medians of %d rounds.\n\n", rounds);
    std::printf("| server | submission | queries | plain QSqlQuery per s | service per s | time ratio |\n"
                "|---|---|---|---|---|---|\n%s\n\n",
                qPrintable(serviceRows.join(QLatin1Char('\n'))));
    std::printf("| server | round trips | direct µs | through the relay µs | added µs | ratio |\n"
                "|---|---|---|---|---|---|\n%s\n",
                qPrintable(relayRows.join(QLatin1Char('\n'))));
    return 0;
}
