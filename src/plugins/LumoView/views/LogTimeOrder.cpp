#include "LogTimeOrder.h"

#include <algorithm>
#include <numeric>

LogTimeOrder::LogTimeOrder(const LogRecords &records)
    : m_records(records)
{
}

void LogTimeOrder::clear()
{
    m_order.clear();
    m_late.clear();
    m_lastTime = -1;
}

QVector<int> LogTimeOrder::toVector() const
{
    if (!m_order.isEmpty())
        return m_order;
    QVector<int> order(m_records.size());
    std::iota(order.begin(), order.end(), 0);
    return order;
}

void LogTimeOrder::spell(int count)
{
    if (!m_order.isEmpty())
        return;
    m_order.resize(count);
    std::iota(m_order.begin(), m_order.end(), 0);
}

void LogTimeOrder::add(int record, int timeMsecs)
{
    if (timeMsecs >= 0 && timeMsecs < m_lastTime) {
        spell(record);
        m_late.append(record);
    } else {
        m_lastTime = qMax(m_lastTime, timeMsecs);
        if (!m_order.isEmpty())
            m_order.append(record);
    }
}

void LogTimeOrder::mergeLate()
{
    const auto earlier = [this](int a, int b) { return m_records.timeMsecs(a) < m_records.timeMsecs(b); };
    std::stable_sort(m_late.begin(), m_late.end(), earlier);
    // Both in the order of time; among equal times the late ones after.
    QVector<int> merged;
    merged.reserve(m_order.size() + m_late.size());
    std::merge(m_order.cbegin(), m_order.cend(), m_late.cbegin(), m_late.cend(), std::back_inserter(merged),
               earlier);
    m_order = std::move(merged);
    m_late.clear();
}

QVector<int> LogTimeOrder::from(int timeMsecs) const
{
    int position = size();
    while (position > 0 && m_records.timeMsecs(at(position - 1)) >= timeMsecs)
        --position;
    QVector<int> records;
    records.reserve(size() - position);
    for (; position < size(); ++position)
        records.append(at(position));
    return records;
}

void LogTimeOrder::replaceFrom(int kept, const QVector<int> &order)
{
    QVector<int> replaced(kept);
    for (int i = 0; i < kept; ++i)
        replaced[i] = at(i);
    replaced += order;
    m_order = replaced;
}

void LogTimeOrder::renumber(const std::function<int(int)> &newIndex)
{
    for (QVector<int> *records : {&m_order, &m_late}) {
        int out = 0;
        for (const int record : qAsConst(*records)) {
            if (newIndex(record) >= 0)
                (*records)[out++] = newIndex(record);
        }
        records->resize(out);
    }
}

void LogTimeOrder::closeUp()
{
    bool inOrder = true;
    for (int i = 0; inOrder && i < m_order.size(); ++i)
        inOrder = m_order.at(i) == i;
    if (inOrder)
        m_order.clear();
    m_lastTime = size() > 0 ? m_records.timeMsecs(at(size() - 1)) : -1;
}
