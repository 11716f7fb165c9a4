#ifndef DBGEN_LINKOUTAGES_H
#define DBGEN_LINKOUTAGES_H

#include <QtGlobal>

#include <random>

// When the link of a live controller is down. Outages come one after the
// other, their ends on average `meanEverySeconds` apart, each at most 15
// minutes long; about half of what the controller writes during an outage
// is buffered and reaches the database only together at its end, while the
// rest arrives as usual. Draws on a random stream of its own, so that the
// rows themselves do not depend on it.
class LinkOutages
{
public:
    LinkOutages(qint64 startMs, int meanEverySeconds, quint32 seed);

    // For rows in the order written: the end of the outage that holds the
    // row due at `dueMs` back, or -1 when it goes out at once.
    qint64 heldUntil(qint64 dueMs);

private:
    void next();
    double uniform(double lo, double hi);

    std::mt19937 m_rng;
    const qint64 m_everyMs;
    qint64 m_start = 0;
    qint64 m_end;
};

#endif // DBGEN_LINKOUTAGES_H
