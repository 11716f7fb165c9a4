#ifndef LOGTIMEORDER_H
#define LOGTIMEORDER_H

#include "views/LogRecords.h"

#include <QVector>

#include <functional>

// The event log's records in the order of their time of day, then of
// arrival. Records come in it but for late ones, which wait until the order
// is asked for (mergeLate). While it is the order the records came in, only
// their number is kept.
class LogTimeOrder
{
public:
    explicit LogTimeOrder(const LogRecords &records);

    void clear();
    int size() const { return m_order.isEmpty() ? m_records.size() : m_order.size(); }
    int at(int i) const { return m_order.isEmpty() ? i : m_order.at(i); }
    // The records are in the order they came in.
    bool isArrivalOrder() const { return m_order.isEmpty(); }
    QVector<int> toVector() const;
    // The latest time of the day of a record, -1 for none.
    int lastTime() const { return m_lastTime; }

    // `record` has just been added to the records.
    void add(int record, int timeMsecs);
    // The next record added to the records stays out of the order.
    void leaveOutNext() { spell(m_records.size()); }
    bool hasLate() const { return !m_late.isEmpty(); }
    void mergeLate();
    // The records from a time of the day on; the late ones merged.
    QVector<int> from(int timeMsecs) const;

    // The first `kept` records of the order, then `order`.
    void replaceFrom(int kept, const QVector<int> &order);
    // Each record's new index, -1 for one taken out.
    void renumber(const std::function<int(int)> &newIndex);
    // After a replacement: back to the order of arrival where it is that
    // again, and the latest time anew.
    void closeUp();

private:
    // The order written out for the first `count` records.
    void spell(int count);

    const LogRecords &m_records;
    // Empty while that is the order the records came in.
    QVector<int> m_order;
    int m_lastTime = -1;
    QVector<int> m_late;
};

#endif // LOGTIMEORDER_H
