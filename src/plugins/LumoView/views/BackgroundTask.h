#ifndef BACKGROUNDTASK_H
#define BACKGROUNDTASK_H

#include <QObject>

#include <atomic>
#include <functional>
#include <thread>

// Work for a thread of its own, so that the GUI thread stays free: a
// function that looks at its cancel flag now and then. `finished` comes in
// the task's own thread once the function has returned and its thread has
// ended, so what the function wrote may be read then. One run at a time.
class BackgroundTask : public QObject
{
    Q_OBJECT
public:
    using Work = std::function<void(const std::atomic<bool> &cancelled)>;

    explicit BackgroundTask(QObject *parent = nullptr);
    // Cancels a run under way and waits for it.
    ~BackgroundTask() override;

    // Cancels a run under way (waiting for it, without its `finished`) and
    // starts `work`.
    void start(Work work);
    // Asks the run under way to stop and waits for it; no `finished` follows.
    void cancel();
    // Waits for the run under way to end; its `finished` follows at once.
    void wait();
    bool isRunning() const { return m_thread.joinable(); }

signals:
    void finished();

private:
    Q_INVOKABLE void ended();

    std::thread m_thread;
    std::atomic<bool> m_cancelled{false};
    // The function of the run under way has returned.
    std::atomic<bool> m_done{false};
};

#endif // BACKGROUNDTASK_H
