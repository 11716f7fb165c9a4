#ifndef LOGFILTER_H
#define LOGFILTER_H

#include "views/LogRecords.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

// Which records of the event log are shown: those of the chosen event types
// (all when none is chosen) whose type, source or description contains the
// search text, ignoring case.
class LogFilter
{
public:
    LogFilter() = default;
    LogFilter(const QStringList &types, const QString &search);

    QStringList types() const;
    const QString &search() const { return m_search; }
    bool isEmpty() const { return m_types.isEmpty() && m_search.isEmpty(); }
    bool operator==(const LogFilter &other) const
    {
        return m_types == other.m_types && m_search == other.m_search;
    }
    bool operator!=(const LogFilter &other) const { return !(*this == other); }

    // True when every record this filter shows, `wider` shows as well: the
    // rows shown now can then be narrowed instead of every record scanned.
    bool narrows(const LogFilter &wider) const;

    // Settles the verdicts that hang on the event type alone, once for all
    // records of a type. Again whenever the records have new types.
    void prepare(const LogRecords &records);
    bool accepts(const LogRecords::Record &record) const
    {
        if (!typeShown.at(record.type))
            return false;
        return m_search.isEmpty() || typeMatches.at(record.type)
            || (record.hasSource && record.source.contains(m_search, Qt::CaseInsensitive))
            || (record.hasDescription && record.description.contains(m_search, Qt::CaseInsensitive));
    }

private:
    QSet<QString> m_types;
    QString m_search;
    QVector<bool> typeShown;
    QVector<bool> typeMatches;
};

#endif // LOGFILTER_H
