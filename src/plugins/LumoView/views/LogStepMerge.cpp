#include "LogStepMerge.h"

#include "views/LogRecords.h"

#include <QSet>

void LogStepMerge::begin(const QVector<int> &held)
{
    clear();
    m_active = true;
    m_held = held;
}

void LogStepMerge::clear()
{
    m_active = false;
    m_held.clear();
    m_matched = 0;
    m_differs = false;
    m_order.clear();
}

LogStepMerge::Outcome LogStepMerge::take(const LogRecords &records, int timeMsecs, int deviceTimeMsecs,
                                         const QString &type, const DecodedLogRow &decoded)
{
    if (keepsOrder())
        return AsAny;
    // One held keeps its record; those held before it are gone. Both come in
    // the order of time: none later than it can be it.
    for (int i = m_matched; i < m_held.size() && records.timeMsecs(m_held.at(i)) <= timeMsecs; ++i) {
        if (records.holds(m_held.at(i), timeMsecs, deviceTimeMsecs, type, decoded)) {
            m_differs = m_differs || i > m_matched;
            m_order.append(m_held.at(i));
            m_matched = i + 1;
            return Held;
        }
    }
    m_differs = true;
    return Aside;
}

QVector<int> LogStepMerge::gone() const
{
    const QSet<int> sent(m_order.cbegin(), m_order.cend());
    QVector<int> records;
    for (int record : m_held) {
        if (!sent.contains(record))
            records.append(record);
    }
    return records;
}
