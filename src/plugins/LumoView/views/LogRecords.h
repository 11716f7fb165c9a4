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
        int type;       // index into eventTypes()
        QString source;
        QString description;
        bool hasSource;
        bool hasDescription;
    };

    // An event type of the load by the text the table shows, with the number
    // of its records.
    struct EventType
    {
        QString name;
        int count;
    };

    void clear();
    void reserve(int rows) { records.reserve(rows); }
    int size() const { return records.size(); }
    const Record &at(int index) const { return records.at(index); }
    const QVector<EventType> &eventTypes() const { return types; }

    void append(const QDateTime &time, const QTime &deviceTime, int typeId, const QString &type,
                const DecodedLogRow &decoded);

    QString text(int index, Field field) const;
    // False where the record's cell of that field is left without an item.
    bool hasCell(int index, Field field) const;
    // The order of the texts as a click on a header sorts them; equal texts
    // compare equal, so a stable sort keeps the arrival order among them.
    bool lessThan(int a, int b, Field field) const;
    // Sorts the record indexes in `order` as the table sorts its rows on a
    // header click: stable, the records without a cell in that column last
    // in their former order. Texts are ranked once per load, so a sort costs
    // integer comparisons only.
    void sort(QVector<int> &order, Field field, Qt::SortOrder sortOrder) const;

private:
    // Every record's place among the distinct texts of a field.
    const QVector<int> &ranks(Field field) const;

    QVector<Record> records;
    QVector<EventType> types;
    QHash<int, int> typeById;
    QHash<QString, int> typeByName;
    mutable QHash<int, QVector<int>> rankCache;
};

Q_DECLARE_TYPEINFO(LogRecords::Record, Q_MOVABLE_TYPE);
Q_DECLARE_TYPEINFO(LogRecords::EventType, Q_MOVABLE_TYPE);

#endif // LOGRECORDS_H
