// The event log view receiving the big day: GUI-thread time per row and the
// event loop's latency while the rows stream in.
#include "TestServers.h"
#include "PeakMemory.h"

#include "views/LogView.h"

#include <QApplication>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

qint64 threadCpuNsecs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    qRegisterMetaType<LogMessageType>("LogMessageType");
    QMutex mutex;
    const QDate day = TestServers::day();
    std::printf("| server | rows | GUI-thread µs per row | loop latency p99 ms | worst ms | peak RSS MB |\n"
                "|---|---|---|---|---|---|\n");
    int index = 0;
    for (const QString &server : TestServers::available()) {
        QSqlDatabase db = TestServers::connection(server, QStringLiteral("view%1").arg(++index));
        LogView view(nullptr, 1, 0x5FFFF, &db, &mutex);
        view.resize(1000, 700);
        view.show();
        auto *refresh = view.findChild<QPushButton *>(QStringLiteral("updateData"));
        auto *table = view.findChild<QTableWidget *>(QStringLiteral("tableWidget"));
        // The first load (today) ends before the measured one starts.
        QEventLoop loop;
        QObject::connect(view.worker(), &Database::complete, &loop, &QEventLoop::quit);
        QApplication::processEvents(); // the queued first load starts
        if (!refresh->isEnabled())
            loop.exec();

        // A 5 ms tick: how late it fires is how long the loop was busy.
        QVector<double> lateness;
        QElapsedTimer sinceTick;
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            lateness.append(std::max(0.0, sinceTick.nsecsElapsed() / 1e6 - 5.0));
            sinceTick.restart();
        });

        const qint64 cpuStart = threadCpuNsecs();
        view.findChild<QDateEdit *>()->setDate(day);
        sinceTick.start();
        tick.start(5);
        loop.exec();
        tick.stop();
        const qint64 cpu = threadCpuNsecs() - cpuStart;
        const int rows = table->rowCount();

        std::sort(lateness.begin(), lateness.end());
        const double p99 = lateness.isEmpty() ? 0 : lateness.at(int(lateness.size() * 0.99));
        const double worst = lateness.isEmpty() ? 0 : lateness.last();
        std::printf("| %s | %d | %.1f | %.1f | %.1f | %.0f |\n", qPrintable(server), rows,
                    rows ? cpu / 1e3 / rows : 0.0, p99, worst, peakRssKb() / 1024.0);
    }
    return 0;
}
