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

void LogFilter::judge(const QVector<QString> &texts, QVector<bool> &verdicts) const
{
    const int from = verdicts.size();
    verdicts.resize(texts.size());
    for (int i = from; i < texts.size(); ++i)
        verdicts[i] = !m_search.isEmpty() && texts.at(i).contains(m_search, Qt::CaseInsensitive);
}

void LogFilter::prepare(const LogRecords &records)
{
    if (preparedFor != records.generation()) {
        preparedFor = records.generation();
        typeShown.clear();
        typeMatches.clear();
        descriptionMatches.clear();
        sourceMatches.clear();
    }
    const QVector<LogRecords::EventType> &eventTypes = records.eventTypes();
    for (int i = typeShown.size(); i < eventTypes.size(); ++i)
        typeShown.append(m_types.isEmpty() || m_types.contains(eventTypes.at(i).name));
    judge(records.texts(LogRecords::Type), typeMatches);
    judge(records.texts(LogRecords::Description), descriptionMatches);
    judge(records.texts(LogRecords::Source), sourceMatches);
}
