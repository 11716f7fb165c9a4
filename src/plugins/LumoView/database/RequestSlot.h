#ifndef REQUESTSLOT_H
#define REQUESTSLOT_H

#include <QMutex>
#include <QSemaphore>
#include <QDateTime>
#include <QStringList>
#include <QVector>

#include <atomic>

// Where a view's requests wait for its worker: the latest request (a newer
// one replaces one not yet taken up) and the user's stop. The view's thread
// puts them in; the worker takes them and sleeps here between requests.
class RequestSlot
{
public:
    // A stream of rows that a view follows, at one step: the statements
    // that count its rows from `window` and from `newest` on and read them,
    // and how many of each the view holds.
    struct Follow
    {
        QString count;
        QString fromNewest;
        QString fromWindow;
        QDateTime window;
        QDateTime newest;
        int inWindow = 0;
        int fromNewestShown = 0;
    };

    struct Request
    {
        int kind = 0;
        QStringList statements;
        // A step of a view that follows: what is new in each of its streams.
        QVector<Follow> follow;
        bool isValid() const { return kind != 0; }
    };

    // The view's thread. A stop also drops the request still waiting.
    void submit(int kind, const QStringList &statements, const QVector<Follow> &follow = {});
    void requestStop();

    // The worker's thread.
    // A stop asked for since the worker's run began.
    bool stopRequested() const { return stopping.load(); }
    // Forgets the stop of the previous run.
    void beginRun() { stopping = false; }
    // Takes the waiting request, if any.
    Request take();
    bool hasRequest() const;
    // Sleeps until a request or a stop comes or `ms` pass (-1: no limit);
    // false when the time ran out.
    bool wait(int ms);
    // Sleeps `ms` unless a stop comes first (true then); a request that
    // comes meanwhile waits in the slot.
    bool waitForStop(int ms);
    // Wakes the worker from wait() without a request: it has something to
    // look at (another worker waits for its connection). Any thread.
    void nudge() { wakeup.release(); }

private:
    mutable QMutex mutex;
    Request pending;
    std::atomic<bool> stopping{false};
    // One release per request and per stop; the worker may find more than
    // it needs, which only costs a look at an empty slot.
    QSemaphore wakeup;
};

#endif // REQUESTSLOT_H
