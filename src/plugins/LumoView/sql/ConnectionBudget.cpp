#include "ConnectionBudget.h"

#include <QMutexLocker>

namespace {

// The views of a workstation load one or two things at a time; the rest
// waits its turn rather than take a connection from another workstation.
const int defaultPermits = 2;

} // namespace

ConnectionBudget &ConnectionBudget::instance()
{
    static ConnectionBudget budget(defaultPermits);
    return budget;
}

ConnectionBudget::ConnectionBudget(int permits)
    : limit(permits)
{
}

bool ConnectionBudget::tryAcquire(Holder *holder)
{
    QMutexLocker locker(&mutex);
    if (holders.contains(holder))
        return true;
    if (holders.size() >= limit)
        return false;
    holders.append(holder);
    return true;
}

bool ConnectionBudget::acquire(Holder *holder, const std::function<bool()> &cancelled)
{
    ++waiting;
    forever {
        if (tryAcquire(holder)) {
            --waiting;
            return true;
        }
        {
            QMutexLocker locker(&mutex);
            for (Holder *other : qAsConst(holders))
                other->giveWay();
        }
        freed.tryAcquire(1, 100);
        if (cancelled && cancelled()) {
            --waiting;
            return false;
        }
    }
}

void ConnectionBudget::release(Holder *holder)
{
    {
        QMutexLocker locker(&mutex);
        if (!holders.removeOne(holder))
            return;
    }
    freed.release();
}

int ConnectionBudget::permits() const
{
    QMutexLocker locker(&mutex);
    return limit;
}

void ConnectionBudget::setPermits(int permits)
{
    {
        QMutexLocker locker(&mutex);
        limit = permits;
    }
    freed.release();
}
