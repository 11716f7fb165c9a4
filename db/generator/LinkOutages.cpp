#include "LinkOutages.h"

#include <algorithm>

namespace {
const qint64 kLongestMs = 15 * 60 * 1000;
}

LinkOutages::LinkOutages(qint64 startMs, int meanEverySeconds, quint32 seed)
    : m_rng(seed ^ 0x9e3779b9u)
    , m_everyMs(qint64(meanEverySeconds) * 1000)
    , m_end(startMs)
{
    if (m_everyMs > 0)
        next();
}

double LinkOutages::uniform(double lo, double hi)
{
    return lo + (hi - lo) * (double(m_rng()) / 4294967296.0);
}

void LinkOutages::next()
{
    const qint64 gap = qint64(uniform(0.5, 1.5) * double(m_everyMs));
    const qint64 length = std::max<qint64>(1000, qint64(uniform(0.2, 1.0) * double(std::min(gap, kLongestMs))));
    m_end += gap;
    m_start = m_end - length;
}

qint64 LinkOutages::heldUntil(qint64 dueMs)
{
    if (m_everyMs <= 0)
        return -1;
    while (dueMs >= m_end)
        next();
    if (dueMs < m_start)
        return -1;
    return m_rng() % 2 ? m_end : -1;
}
