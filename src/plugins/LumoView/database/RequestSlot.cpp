#include "RequestSlot.h"

#include <QDeadlineTimer>
#include <QMutexLocker>

void RequestSlot::submit(int kind, const QStringList &statements, const QVector<Follow> &follow)
{
    {
        QMutexLocker locker(&mutex);
        pending = {kind, statements, follow};
    }
    wakeup.release();
}

void RequestSlot::requestStop()
{
    // What waits is stopped too; a request made after the stop runs once
    // the worker has ended.
    {
        QMutexLocker locker(&mutex);
        pending = Request();
    }
    stopping = true;
    wakeup.release();
}

RequestSlot::Request RequestSlot::take()
{
    QMutexLocker locker(&mutex);
    Request taken = pending;
    pending = Request();
    return taken;
}

bool RequestSlot::hasRequest() const
{
    QMutexLocker locker(&mutex);
    return pending.isValid();
}

bool RequestSlot::wait(int ms)
{
    if (stopRequested() || hasRequest())
        return true;
    // Permits left by requests already taken wake the worker early; it
    // then finds the slot as it was and sleeps again.
    return wakeup.tryAcquire(1, ms);
}

bool RequestSlot::waitForStop(int ms)
{
    const QDeadlineTimer deadline(ms);
    while (!stopRequested()) {
        if (!wakeup.tryAcquire(1, int(deadline.remainingTime())))
            return false;
    }
    return true;
}
