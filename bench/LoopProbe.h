#ifndef LOOPPROBE_H
#define LOOPPROBE_H

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <vector>

// How late a 5 ms tick comes round: how long the event loop was held. Each
// tick's lateness is kept, for percentiles.
class LoopProbe
{
public:
    LoopProbe()
    {
        tick.setTimerType(Qt::PreciseTimer);
        QObject::connect(&tick, &QTimer::timeout, [this] { note(); });
    }
    void start()
    {
        lateMs.clear();
        since.start();
        tick.start(5);
    }
    // The worst lateness.
    double stop()
    {
        tick.stop();
        // The time since the last tick counts too.
        note();
        return lateMs.empty() ? 0 : *std::max_element(lateMs.cbegin(), lateMs.cend());
    }
    double percentile(double p) const
    {
        if (lateMs.empty())
            return 0;
        std::vector<double> sorted = lateMs;
        std::sort(sorted.begin(), sorted.end());
        return sorted.at(std::min(sorted.size() - 1, size_t(p / 100 * sorted.size())));
    }

private:
    void note()
    {
        lateMs.push_back(std::max(0.0, since.nsecsElapsed() / 1e6 - 5.0));
        since.restart();
    }

    QTimer tick;
    QElapsedTimer since;
    std::vector<double> lateMs;
};

// Runs the event loop until `done`; a 2 ms timer looks again while nothing
// else happens. Not QTest::qWaitFor: its 10 ms naps would be measured.
inline bool runUntil(const std::function<bool()> &done, int timeoutMs = 600000)
{
    QTimer poll;
    poll.start(2);
    QElapsedTimer deadline;
    deadline.start();
    while (!done()) {
        if (deadline.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

#endif // LOOPPROBE_H
