#ifndef BACKGROUNDJOB_H
#define BACKGROUNDJOB_H

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>

// Work for Qt's global thread pool whose result is handed back to the
// thread this object lives in. Starting anew, cancel() or deleting the
// object drops the run in flight: its result is never handed over, and no
// one waits for it to end.
class BackgroundJob : public QObject
{
    Q_OBJECT
public:
    // What to do with a result, here.
    using Delivery = std::function<void()>;
    // The work, in a pool thread. It looks at `cancelled` now and then and
    // returns its delivery, which is not called once the run is dropped.
    using Work = std::function<Delivery(const std::atomic<bool> &cancelled)>;

    explicit BackgroundJob(QObject *parent = nullptr);
    ~BackgroundJob() override;

    void start(Work work);
    void cancel();
    // Started, and neither delivered nor dropped yet.
    bool isRunning() const { return bool(m_run); }

signals:
    // After a delivery has been called.
    void delivered();

private:
    struct Run;

    void deliver(const std::shared_ptr<Run> &run);

    std::shared_ptr<Run> m_run;
};

#endif // BACKGROUNDJOB_H
