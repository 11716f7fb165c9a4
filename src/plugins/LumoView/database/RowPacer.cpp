#include "RowPacer.h"

#include "database/RequestSlot.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QMutexLocker>

namespace {

const int rowsBetweenPauses = 101;
const int pauseMsecs = 50;

} // namespace

RowPacer::RowPacer(const RequestSlot *slot, QObject *parent)
    : QObject(parent), slot(slot)
{
}

void RowPacer::beginRequest()
{
    rows = 0;
    sinceCheck = 0;
    pausedNsecs = 0;
    caughtUp = 0;
    timedOut = 0;
}

bool RowPacer::beforeRow()
{
    if (slot->stopRequested())
        return false;
    if (sinceCheck == rowsBetweenPauses) {
        sinceCheck = 0;
        // One count per pause rather than per row: the overlay only needs
        // to move now and then.
        emit rowsReceived(rows);
        if (!pause())
            return false;
    }
    ++sinceCheck;
    ++rows;
    return true;
}

bool RowPacer::pause()
{
    QElapsedTimer clock;
    clock.start();
    {
        QMutexLocker locker(&mutex);
        awaited = ++queued;
        // A permit left by a stop or by the marker of a pause that ran out.
        while (reached.tryAcquire())
            ;
    }
    QMetaObject::invokeMethod(this, "markerReached", Qt::QueuedConnection);
    const bool marker = reached.tryAcquire(1, pauseMsecs);
    {
        QMutexLocker locker(&mutex);
        awaited = 0;
    }
    pausedNsecs += clock.nsecsElapsed();
    if (slot->stopRequested())
        return false;
    ++(marker ? caughtUp : timedOut);
    return true;
}

void RowPacer::markerReached()
{
    QMutexLocker locker(&mutex);
    if (++arrived == awaited) {
        awaited = 0;
        reached.release();
    }
}

void RowPacer::wake()
{
    reached.release();
}
