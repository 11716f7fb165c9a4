// The worker streaming the big day to a receiver in another thread, against
// a plain forward-only QSqlQuery fetch of the same statements, same run.
#include "HostKernel.h"
#include "TestServers.h"

#include "database/Database.h"
#include "database/RequestStatements.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <cstdio>
#include <functional>

namespace {

// Counts rows where a view would get them: in a thread of its own.
class Receiver : public QObject
{
public:
    std::atomic<int> rows{0};
    void row() { ++rows; }
};

qint64 plainFetch(QSqlDatabase &db, const QStringList &statements, bool postgres, int *rows)
{
    QElapsedTimer timer;
    timer.start();
    *rows = 0;
    for (QString text : statements) {
        if (postgres)
            text.replace(QLatin1Char('`'), QLatin1Char('"'));
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (!query.exec(text)) {
            std::fprintf(stderr, "baseline: %s\n", qPrintable(query.lastError().text()));
            continue;
        }
        const int columns = query.record().count();
        while (query.next()) {
            for (int c = 0; c < columns; ++c)
                query.value(c);
            ++*rows;
        }
    }
    return timer.nsecsElapsed();
}

struct WorkerRun
{
    qint64 total = 0;
    qint64 pauses = 0;
    int rows = 0;
};

WorkerRun workerRun(QSqlDatabase &db, QMutex *mutex, const std::function<void(Database &)> &request)
{
    QThread receiverThread;
    Receiver receiver;
    receiver.moveToThread(&receiverThread);
    receiverThread.start();

    Database worker(nullptr, &db, mutex);
    const auto count = [&receiver] { receiver.row(); };
    QObject::connect(&worker, &Database::lumoLogData, &receiver, count);
    QObject::connect(&worker, &Database::lumoDt15Data, &receiver, count);
    QObject::connect(&worker, &Database::lumoSgData, &receiver, count);
    QEventLoop loop;
    QObject::connect(&worker, &Database::complete, &loop, &QEventLoop::quit);

    // The connection is opened before timing starts, as in the baseline.
    worker.requestDetectors(1);
    loop.exec();

    QElapsedTimer timer;
    timer.start();
    request(worker);
    loop.exec();
    WorkerRun run;
    run.total = timer.nsecsElapsed();
    run.pauses = worker.pacingPauseNsecs();
    worker.stop();
    receiverThread.quit();
    receiverThread.wait();
    run.rows = receiver.rows;
    return run;
}

void report(const char *server, const char *what, qint64 baseline, int baselineRows, const WorkerRun &run)
{
    const double net = double(run.total - run.pauses);
    std::printf("| %s | %s | %d | %.0f | %.0f | %.0f | %.0f | %.2f |\n", server, what, run.rows,
                baseline / 1e6, run.total / 1e6, run.pauses / 1e6, net / 1e6, net / double(baseline));
    if (baselineRows != run.rows)
        std::printf("  (rows differ: baseline %d, worker %d)\n", baselineRows, run.rows);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    qRegisterMetaType<LogMessageType>("LogMessageType");
    // The worker decodes signal-group events through the host's service.
    new Road::Kernel(&app);
    const QDate day = TestServers::day();
    std::printf("| server | request | rows | plain fetch ms | worker ms | pauses ms | worker − pauses ms | ratio |\n"
                "|---|---|---|---|---|---|---|---|\n");
    QMutex mutex;
    int index = 0;
    for (const QString &server : TestServers::available()) {
        QSqlDatabase db = TestServers::connection(server, QStringLiteral("bench%1").arg(++index));
        QSqlDatabase plain = TestServers::connection(server, QStringLiteral("plain%1").arg(index));
        if (!plain.open()) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(server), qPrintable(plain.lastError().text()));
            return 1;
        }
        const bool postgres = server == QLatin1String("pg");
        const RequestStatements statements(postgres);
        const QByteArray name = server.toLatin1();

        int rows = 0;
        const qint64 logBaseline = plainFetch(plain, statements.log(1, day, day.addDays(1), 0x5FFFF), postgres, &rows);
        const WorkerRun log = workerRun(db, &mutex, [&](Database &w) { w.requestLog(1, day, day.addDays(1), 0x5FFFF); });
        report(name.constData(), "log of the big day", logBaseline, rows, log);

        QStringList detectors;
        for (int d = 1; d <= 16; ++d)
            detectors << QString::number(d);
        const QString selection = detectors.join(QLatin1Char('+'));
        const QDate first = day.addDays(-29);
        const qint64 dtBaseline = plainFetch(
            plain, statements.dt15(1, selection, 0, 1, first, 30, false, QDateTime::currentDateTime()),
            postgres, &rows);
        const WorkerRun dt = workerRun(db, &mutex, [&](Database &w) {
            w.requestDt15(1, selection, 0, 1, first, 30, false);
        });
        report(name.constData(), "a month of 16 detectors", dtBaseline, rows, dt);

        // The baseline reads the same rows but does not decode them.
        const QDateTime weekFrom(day.addDays(-6), QTime(0, 0));
        const QDateTime weekTo(day.addDays(1), QTime(0, 0));
        const qint64 sgBaseline = plainFetch(plain, statements.sg(1, weekFrom, weekTo), postgres, &rows);
        const WorkerRun sg = workerRun(db, &mutex, [&](Database &w) { w.requestSg(1, weekFrom, weekTo); });
        report(name.constData(), "a week of 16 signal groups", sgBaseline, rows, sg);
    }
    return 0;
}
