#ifndef ROWPACER_H
#define ROWPACER_H

#include <QMutex>
#include <QObject>
#include <QSemaphore>

#include <atomic>

class RequestSlot;

// Paces the rows a worker hands to its view's thread: after every 101 rows
// the worker pauses until that thread has handled the rows sent before the
// pause (a marker queued behind them reaches this object, which lives
// there), the user stops, or 50 ms pass. The bound keeps a busy or blocked
// view thread from holding the worker; the marker keeps the worker from
// idling while the view thread has nothing left to do.
class RowPacer : public QObject
{
    Q_OBJECT
public:
    // `slot` tells of the user's stop; the object must live in the thread
    // that receives the rows.
    explicit RowPacer(const RequestSlot *slot, QObject *parent = nullptr);

    // The worker's thread: before every row. False once the user has
    // stopped: the row is not to be handed out.
    bool beforeRow();
    // At the start of each request: the count and the accounting restart.
    void beginRequest();
    int rowsInRequest() const { return rows; }

    // The last request's pauses: the time spent in them, how many ended as
    // soon as the view's thread had the rows sent before them and how many
    // ran out their 50 ms.
    qint64 pauseNsecs() const { return pausedNsecs; }
    int pausesCaughtUp() const { return caughtUp; }
    int pausesTimedOut() const { return timedOut; }

    // Ends a pause under way at once: the user stopped.
    void wake();

signals:
    // Rows of the current request handed out so far, at every pause.
    void rowsReceived(int rows);

private slots:
    void markerReached();

private:
    bool pause();

    const RequestSlot *slot;
    int rows = 0;
    int sinceCheck = 0;
    std::atomic<qint64> pausedNsecs{0};
    std::atomic<int> caughtUp{0};
    std::atomic<int> timedOut{0};

    // Markers are counted by the worker as it queues them and by this
    // thread as they arrive, in the same order; `awaited` (under `mutex`)
    // is the marker the pause under way waits for, 0 for none, so that a
    // marker whose pause has run out cannot end the next one.
    QMutex mutex;
    QSemaphore reached;
    quint64 queued = 0;
    quint64 arrived = 0;
    quint64 awaited = 0;
};

#endif // ROWPACER_H
