#include "BackgroundJob.h"

#include <QThreadPool>

#include <mutex>

// Shared by the object and the pool thread. The lock orders the hand-over
// of the work and of its delivery between the threads, and keeps the
// object from going while the pool thread posts to it.
struct BackgroundJob::Run
{
    std::mutex mutex;
    BackgroundJob *owner = nullptr; // null once dropped
    Work work;
    Delivery delivery;
    std::atomic<bool> cancelled{false};
};

BackgroundJob::BackgroundJob(QObject *parent)
    : QObject(parent)
{
}

BackgroundJob::~BackgroundJob()
{
    cancel();
}

void BackgroundJob::cancel()
{
    if (!m_run)
        return;
    {
        std::lock_guard<std::mutex> lock(m_run->mutex);
        m_run->owner = nullptr;
        m_run->cancelled = true;
    }
    m_run.reset();
}

void BackgroundJob::start(Work work)
{
    cancel();
    auto run = std::make_shared<Run>();
    {
        std::lock_guard<std::mutex> lock(run->mutex);
        run->owner = this;
        run->work = std::move(work);
    }
    m_run = run;
    QThreadPool::globalInstance()->start([run] {
        Work work;
        {
            std::lock_guard<std::mutex> lock(run->mutex);
            work = std::move(run->work);
        }
        Delivery delivery = work(run->cancelled);
        std::lock_guard<std::mutex> lock(run->mutex);
        if (!run->owner || !delivery)
            return;
        run->delivery = std::move(delivery);
        // Posted under the lock: the owner cannot be deleted meanwhile, and
        // deleting it later discards the event.
        BackgroundJob *owner = run->owner;
        QMetaObject::invokeMethod(owner, [owner, run] { owner->deliver(run); }, Qt::QueuedConnection);
    });
}

void BackgroundJob::deliver(const std::shared_ptr<Run> &run)
{
    if (run != m_run)
        return; // dropped after it was posted
    Delivery delivery;
    {
        std::lock_guard<std::mutex> lock(run->mutex);
        delivery = std::move(run->delivery);
    }
    m_run.reset();
    delivery();
    emit delivered();
}
