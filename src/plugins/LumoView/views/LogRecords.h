#ifndef LOGRECORDS_H
#define LOGRECORDS_H

#include <QHash>
#include <QString>
#include <QVector>

class QDateTime;
class QTime;
struct DecodedLogRow;

// The rows of one event-log load, decoded once as they arrive and kept
// compact: times as seconds of the day, one shared text per event type. The
// table's cells read their texts from here.
class LogRecords
{
public:
    // What a cell of the table shows of its record.
    enum Field { Time, DeviceTime, Type, Source, Description };

    struct Record
    {
        int time;       // seconds since midnight, -1 without a time
        int deviceTime; // likewise
        QString type;
        QString source;
        QString description;
        bool hasSource;
        bool hasDescription;
    };

    void clear();
    void reserve(int rows) { records.reserve(rows); }
    int size() const { return records.size(); }
    const Record &at(int index) const { return records.at(index); }

    void append(const QDateTime &time, const QTime &deviceTime, int typeId, const QString &type,
                const DecodedLogRow &decoded);

    QString text(int index, Field field) const;
    // The order of the texts as a click on a header sorts them; equal texts
    // compare equal, so a stable sort keeps the arrival order among them.
    bool lessThan(int a, int b, Field field) const;
    // Every record's index in the order a stable sort by a time field gives.
    QVector<int> timeOrder(Field field, Qt::SortOrder order) const;

private:
    QVector<Record> records;
    QHash<int, QString> typeNames;
};

Q_DECLARE_TYPEINFO(LogRecords::Record, Q_MOVABLE_TYPE);

#endif // LOGRECORDS_H
