#ifndef LOGFILTERSCAN_H
#define LOGFILTERSCAN_H

#include "views/LogFilter.h"

#include <QVector>

#include <functional>

class LogRecords;
class LogTimeOrder;

// A new list of rows for the event log, looked for in slices of bounded
// time: the records of a source, in its order, that pass a filter.
class LogFilterScan
{
public:
    enum Source { TimeOrder, SortOrder, ShownRows };

    // `rows`: the records of a SortOrder or ShownRows source; the order of
    // time is read as it grows (scanSome). `expected`: about how many match.
    void start(Source source, const LogFilter &filter, const LogRecords &records, const QVector<int> &rows,
               int expected);
    void clear() { *this = LogFilterScan(); }
    bool isActive() const { return m_active; }
    Source source() const { return m_source; }

    // Looks at records while time is left; true once every one of the
    // source has been.
    bool scanSome(const LogRecords &records, const LogTimeOrder &timeOrder, const std::function<bool()> &timeLeft);

    const LogFilter &filter() const { return m_filter; }
    // The records looked at so far, and those of them that passed.
    int position() const { return m_position; }
    const QVector<int> &matched() const { return m_matched; }

private:
    bool m_active = false;
    Source m_source = TimeOrder;
    LogFilter m_filter;
    QVector<int> m_rows;
    int m_position = 0;
    QVector<int> m_matched;
};

#endif // LOGFILTERSCAN_H
