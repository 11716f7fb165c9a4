#include "LogFilterScan.h"

#include "views/LogRecords.h"
#include "views/LogTimeOrder.h"

namespace {

// Records looked at between looks at the clock.
const int scanChunk = 1 << 16;

} // namespace

void LogFilterScan::start(Source source, const LogFilter &filter, const LogRecords &records,
                          const QVector<int> &rows, int expected)
{
    clear();
    m_active = true;
    m_source = source;
    m_filter = filter;
    m_filter.prepare(records);
    if (source != TimeOrder)
        m_rows = rows;
    m_matched.reserve(expected);
}

bool LogFilterScan::scanSome(const LogRecords &records, const LogTimeOrder &timeOrder,
                             const std::function<bool()> &timeLeft)
{
    // Records that come during a scan of the time order are looked at too.
    const auto size = [&] { return m_source == TimeOrder ? timeOrder.size() : m_rows.size(); };
    while (m_position < size() && timeLeft()) {
        m_filter.prepare(records);
        const int end = qMin(size(), m_position + scanChunk);
        for (int i = m_position; i < end; ++i) {
            const int record = m_source == TimeOrder ? timeOrder.at(i) : m_rows.at(i);
            if (m_filter.accepts(records, record))
                m_matched.append(record);
        }
        m_position = end;
    }
    return m_position >= size();
}
