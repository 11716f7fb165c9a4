#ifndef LOGSORTER_H
#define LOGSORTER_H

#include "views/LogRecords.h"

#include <QLocale>
#include <QVector>

#include <atomic>

// Orders the records of the event log as a click on a header does: stable,
// so that equal cells keep their former order, and the records without a
// cell in that column last, in their former order, either way. The keys are
// computed once: seconds for times, for texts the rank of each distinct
// text in the order of the language (by collation keys), so that a sort of
// a million records is a counting sort of integers. Works on its own copies,
// in any thread.
class LogSorter
{
public:
    LogSorter(const LogRecords &records, LogRecords::Field field, Qt::SortOrder order);

    // The ranks of the field's texts from an earlier sort of the same load,
    // taken as they are if they cover every text.
    void setRanks(const QVector<int> &ranks) { m_ranks = ranks; }
    const QVector<int> &ranks() const { return m_ranks; }

    // `base` (every record once) in the new order; empty if cancelled.
    QVector<int> sort(const QVector<int> &base, const QLocale &locale, const std::atomic<bool> &cancelled);

    // Each text's place in the order of `locale`; texts the language holds
    // equal share a place. Empty if cancelled.
    static QVector<int> rank(const QVector<QString> &texts, const QLocale &locale,
                             const std::atomic<bool> &cancelled);

private:
    const LogRecords m_records;
    const LogRecords::Field m_field;
    const Qt::SortOrder m_order;
    QVector<int> m_ranks;
};

#endif // LOGSORTER_H
