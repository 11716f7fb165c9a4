// The worker streaming the big day to a receiver in the thread its object
// lives in, as a view's is, against a plain forward-only QSqlQuery fetch of
// the same statements in the same run. Wall-clock times, pacing included.
#include "HostKernel.h"
#include "PlainFetch.h"
#include "TestServers.h"

#include "database/Database.h"
#include "database/RequestStatements.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>

#include <cstdio>
#include <functional>

namespace {

struct WorkerRun
{
    qint64 total = 0;
    qint64 pauses = 0;
    int caughtUp = 0;
    int timedOut = 0;
    int rows = 0;
};

WorkerRun workerRun(QSqlDatabase &db, QMutex *mutex, const std::function<void(Database &)> &request)
{
    Database worker(nullptr, &db, mutex);
    WorkerRun run;
    // The rows are counted where a view gets them: queued, in this thread.
    QEventLoop loop;
    const auto count = [&run] { ++run.rows; };
    QObject::connect(&worker, &Database::lumoLogData, &loop, count);
    QObject::connect(&worker, &Database::lumoDt15Data, &loop, count);
    QObject::connect(&worker, &Database::lumoSgData, &loop, count);
    QObject::connect(&worker, &Database::complete, &loop, &QEventLoop::quit);

    // The connection is opened before timing starts, as in the baseline.
    worker.requestDetectors(1);
    loop.exec();

    QElapsedTimer timer;
    timer.start();
    run.rows = 0;
    request(worker);
    loop.exec();
    run.total = timer.nsecsElapsed();
    run.pauses = worker.pacingPauseNsecs();
    run.caughtUp = worker.pausesCaughtUp();
    run.timedOut = worker.pausesTimedOut();
    worker.stop();
    return run;
}

void report(const char *server, const char *what, qint64 baseline, int baselineRows, const WorkerRun &run)
{
    std::printf("| %s | %s | %d | %.0f | %.0f | %.0f | %d / %d | %.2f |\n", server, what, run.rows,
                baseline / 1e6, run.total / 1e6, run.pauses / 1e6, run.caughtUp, run.timedOut,
                run.total / double(baseline));
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
    std::printf("| server | request | rows | plain fetch ms | worker ms | pauses ms | pauses caught up / timed out | ratio |\n"
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
        const qint64 logBaseline = plainFetchNsecs(plain, statements.log(1, day, day.addDays(1), 0x5FFFF), &rows);
        const WorkerRun log = workerRun(db, &mutex, [&](Database &w) { w.requestLog(1, day, day.addDays(1), 0x5FFFF); });
        report(name.constData(), "log of the big day", logBaseline, rows, log);

        QStringList detectors;
        for (int d = 1; d <= 16; ++d)
            detectors << QString::number(d);
        const QString selection = detectors.join(QLatin1Char('+'));
        const QDate first = day.addDays(-29);
        const qint64 dtBaseline = plainFetchNsecs(
            plain, statements.dt15(1, selection, 0, 1, first, 30, false, QDateTime::currentDateTime()), &rows);
        const WorkerRun dt = workerRun(db, &mutex, [&](Database &w) {
            w.requestDt15(1, selection, 0, 1, first, 30, false);
        });
        report(name.constData(), "a month of 16 detectors", dtBaseline, rows, dt);

        // The baseline reads the same rows but does not decode them.
        const QDateTime weekFrom(day.addDays(-6), QTime(0, 0));
        const QDateTime weekTo(day.addDays(1), QTime(0, 0));
        const qint64 sgBaseline = plainFetchNsecs(plain, statements.sg(1, weekFrom, weekTo), &rows);
        const WorkerRun sg = workerRun(db, &mutex, [&](Database &w) { w.requestSg(1, weekFrom, weekTo); });
        report(name.constData(), "a week of 16 signal groups", sgBaseline, rows, sg);
    }
    return 0;
}
