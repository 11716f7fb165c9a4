#ifndef LOGRECORDS_H
#define LOGRECORDS_H

#include <QHash>
#include <QString>
#include <QVector>

struct DecodedLogRow;

// The records of one event-log load, decoded once as they arrive and kept
// compact, a column of numbers per field: times as milliseconds of the day,
// texts as indexes into tables of the distinct texts of the load, so that a
// record costs 14 bytes (18 with sources) and a sort or a filter looks at
// each distinct text once. Copies share their data until one of them
// changes, so a copy handed to another thread costs nothing.
class LogRecords
{
public:
    // What a cell of the table shows of its record.
    enum Field { Time, DeviceTime, Type, Source, Description };

    // An event type of the load by the text the table shows, with the number
    // of its records.
    struct EventType
    {
        QString name;
        int count;
    };

    explicit LogRecords(bool withSource = false);

    void clear();
    int size() const { return m_time.size(); }
    bool withSource() const { return m_withSource; }
    // Changes with every clear: text indexes taken before mean nothing since.
    quint64 generation() const { return m_generation; }

    // Appends a record; its index is the size before.
    void append(int timeMsecs, int deviceTimeMsecs, int typeId, const QString &type, const DecodedLogRow &decoded);
    // Whether a record holds what append would keep of these.
    bool holds(int record, int timeMsecs, int deviceTimeMsecs, const QString &type,
               const DecodedLogRow &decoded) const;
    // Takes records out (indexes in any order); the others keep their order
    // and close up. Returns each former index's new one, -1 for a record
    // taken out; empty where only the last records went, the others' indexes
    // unchanged. Texts stay, with their indexes.
    QVector<int> remove(QVector<int> records);

    // Milliseconds since midnight, -1 without a time.
    int timeMsecs(int record) const { return m_time.at(record); }
    // Seconds since midnight of a time field, -1 without a time.
    int seconds(int record, Field field) const
    {
        const int msecs = field == Time ? m_time.at(record) : m_deviceTime.at(record);
        return msecs < 0 ? -1 : msecs / 1000;
    }
    // A text field's index into texts(field), -1 where the record has no cell.
    int textId(int record, Field field) const
    {
        switch (field) {
        case Type:
            return m_wideType.isEmpty() ? m_type.at(record) : m_wideType.at(record);
        case Source:
            return m_withSource ? m_source.at(record) : -1;
        case Description:
            return m_description.at(record);
        default:
            return -1;
        }
    }
    // The distinct texts of a text field in the order they first came.
    const QVector<QString> &texts(Field field) const;
    const QVector<EventType> &eventTypes() const { return m_types; }

    QString text(int record, Field field) const;
    // False where the record's cell of that field is left without an item.
    bool hasCell(int record, Field field) const
    {
        return (field != Source && field != Description) || textId(record, field) >= 0;
    }
    // Records without a cell of a field where the table has its column.
    int withoutCell(Field field) const
    {
        if (field == Source)
            return m_withSource ? size() - m_withSourceCount : 0;
        return field == Description ? size() - m_withDescriptionCount : 0;
    }

    // "hh:mm:ss", nothing for -1.
    static QString clockText(int seconds);

private:
    // The distinct texts of a field, each kept once.
    struct TextTable
    {
        QVector<QString> texts;
        QHash<QString, int> ids;
        int id(const QString &text);
    };

    bool m_withSource;
    quint64 m_generation = 0;
    QVector<int> m_time;
    QVector<int> m_deviceTime;
    // Two bytes a record while the load has fewer types than that counts.
    QVector<quint16> m_type;
    QVector<int> m_wideType;
    QVector<int> m_source;
    QVector<int> m_description;
    int m_withSourceCount = 0;
    int m_withDescriptionCount = 0;

    QVector<EventType> m_types;
    QVector<QString> m_typeNames;
    QHash<int, int> m_typeById;
    QHash<QString, int> m_typeByName;
    TextTable m_sources;
    TextTable m_descriptions;
};

Q_DECLARE_TYPEINFO(LogRecords::EventType, Q_MOVABLE_TYPE);

#endif // LOGRECORDS_H
