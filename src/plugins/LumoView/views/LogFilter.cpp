#include "LogFilter.h"

#include <algorithm>

LogFilter::LogFilter(const QStringList &types, const QString &search)
    : m_types(types.cbegin(), types.cend())
    , m_search(search)
{
}

QStringList LogFilter::types() const
{
    QStringList names(m_types.cbegin(), m_types.cend());
    std::sort(names.begin(), names.end(),
              [](const QString &a, const QString &b) { return a.localeAwareCompare(b) < 0; });
    return names;
}

bool LogFilter::narrows(const LogFilter &wider) const
{
    const bool types = wider.m_types.isEmpty() || (!m_types.isEmpty() && wider.m_types.contains(m_types));
    // A text containing this search contains every part of it, ignoring
    // case letter by letter.
    return types && m_search.contains(wider.m_search, Qt::CaseInsensitive);
}

void LogFilter::prepare(const LogRecords &records)
{
    const QVector<LogRecords::EventType> &eventTypes = records.eventTypes();
    typeShown.resize(eventTypes.size());
    typeMatches.resize(eventTypes.size());
    for (int i = 0; i < eventTypes.size(); ++i) {
        typeShown[i] = m_types.isEmpty() || m_types.contains(eventTypes.at(i).name);
        typeMatches[i] = eventTypes.at(i).name.contains(m_search, Qt::CaseInsensitive);
    }
}
