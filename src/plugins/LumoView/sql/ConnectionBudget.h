#ifndef CONNECTIONBUDGET_H
#define CONNECTIONBUDGET_H

#include <QList>
#include <QMutex>
#include <QSemaphore>

#include <atomic>
#include <functional>

// How many server connections the module may hold at once in this process,
// a workstation: a centre runs tens of them against one server. A
// connection is opened only with a permit; one who waits for a permit asks
// the holders to give theirs back as soon as they are idle, and every holder
// gives it back after a quiet minute anyway.
class ConnectionBudget
{
public:
    // Holds a permit while its connection is open.
    class Holder
    {
    public:
        virtual ~Holder() = default;
        // Someone waits for a permit: close the connection once idle. Called
        // from the waiting thread; must not block.
        virtual void giveWay() = 0;
    };

    static ConnectionBudget &instance();
    explicit ConnectionBudget(int permits);

    // Blocks until `holder` may open a connection, or `cancelled` says to
    // give up (polled every 100 ms); false then. A holder asks once.
    bool acquire(Holder *holder, const std::function<bool()> &cancelled);
    // The same without waiting.
    bool tryAcquire(Holder *holder);
    // Gives the permit back, if `holder` has one; from any thread.
    void release(Holder *holder);
    // Someone waits for a permit now.
    bool contended() const { return waiting > 0; }

    int permits() const;
    void setPermits(int permits);
    // How long a holder keeps an idle connection.
    int idleMsecs() const { return idle; }
    void setIdleMsecs(int msecs) { idle = msecs; }

private:
    mutable QMutex mutex;
    int limit;
    QList<Holder *> holders;
    std::atomic<int> waiting{0};
    std::atomic<int> idle{60000};
    QSemaphore freed;
};

#endif // CONNECTIONBUDGET_H
