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

    // Settles the verdict on each distinct text the records have, once, so
    // that a record is judged by looking its texts up. Again whenever the
    // records have new texts; texts judged before are not looked at again.
    void prepare(const LogRecords &records);
    // `records` as last prepared.
    bool accepts(const LogRecords &records, int record) const
    {
        const int type = records.textId(record, LogRecords::Type);
        if (!typeShown.at(type))
            return false;
        if (m_search.isEmpty() || typeMatches.at(type))
            return true;
        const int description = records.textId(record, LogRecords::Description);
        if (description >= 0 && descriptionMatches.at(description))
            return true;
        const int source = records.textId(record, LogRecords::Source);
        return source >= 0 && sourceMatches.at(source);
    }

private:
    void judge(const QVector<QString> &texts, QVector<bool> &verdicts) const;

    QSet<QString> m_types;
    QString m_search;
    quint64 preparedFor = 0;
    QVector<bool> typeShown;
    QVector<bool> typeMatches;
    QVector<bool> descriptionMatches;
    QVector<bool> sourceMatches;
};

#endif // LOGFILTER_H
