#ifndef LOGSTEPMERGE_H
#define LOGSTEPMERGE_H

#include <QString>
#include <QVector>

class LogRecords;
struct DecodedLogRow;

// The records of a follow step against those the event log holds from the
// step's time on. The step sends them again in the order of time, with what
// was written since: where it sends one held, that one keeps its record;
// those it does not send any more are gone; one among them that the log does
// not hold was written late and waits aside until the step has ended. Past
// the records held, while nothing differed, records come as any other.
class LogStepMerge
{
public:
    enum Outcome {
        Held, // one held: it stays
        AsAny, // after those held: added as any record is
        Aside, // written late or after a change: added aside (setAside)
    };

    // `held`: the records from the step's time on, in the order of time.
    void begin(const QVector<int> &held);
    void clear();
    bool isActive() const { return m_active; }

    Outcome take(const LogRecords &records, int timeMsecs, int deviceTimeMsecs, const QString &type,
                 const DecodedLogRow &decoded);
    // The record added for an Aside outcome.
    void setAside(int record) { m_order.append(record); }

    // The step left the records held as they were but for ones added after
    // them.
    bool keepsOrder() const { return !m_differs && m_matched == m_held.size(); }
    int heldCount() const { return m_held.size(); }
    // The step's records in their order: held ones and those set aside.
    const QVector<int> &order() const { return m_order; }
    // The records held that the step did not send.
    QVector<int> gone() const;

private:
    bool m_active = false;
    QVector<int> m_held;
    int m_matched = 0;
    bool m_differs = false;
    QVector<int> m_order;
};

#endif // LOGSTEPMERGE_H
