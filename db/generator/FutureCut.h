#ifndef DBGEN_FUTURECUT_H
#define DBGEN_FUTURECUT_H

#include <QtGlobal>

#include <string>
#include <vector>

class QDateTime;
class QString;

// Leaves out what a controller has not written yet at the generator's "now":
// a row is written once what it reports is over, an event at its time, a
// phase when it ends (its length and intermediate cycle), a 15-minute
// record at the quarter's end and a raw detector record at its minute's.
// Only the tables the views follow through the day are cut; the other
// tables, and every row of a past day, are written as they are.
class FutureCut
{
public:
    // The time the data are written at; an invalid time cuts nothing.
    static void setNow(const QDateTime &now);
    // "yyyy-MM-dd hh:mm:ss" (or with a T) as local time; invalid otherwise.
    static QDateTime timeFromText(const QString &text);

    FutureCut(const std::string &table, const std::vector<const char *> &columns);

    // False for a row (SQL literals in the columns' order) written after now.
    bool keeps(const std::vector<std::string> &values) const;

private:
    int m_timeColumn = -1;
    int m_fixedPeriod = 0;
    std::vector<int> m_periodColumns;
};

#endif // DBGEN_FUTURECUT_H
