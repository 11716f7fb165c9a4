#include "LogRecords.h"

#include "decoding/EventCatalogue.h"

#include <QDateTime>

#include <algorithm>
#include <numeric>

namespace {

int secondsOfDay(const QTime &time)
{
    return time.isValid() ? time.msecsSinceStartOfDay() / 1000 : -1;
}

// The text of a time as the table shows it, "hh:mm:ss"; none without a time.
QString clockText(int seconds)
{
    if (seconds < 0)
        return QString();
    return QTime::fromMSecsSinceStartOfDay(seconds * 1000).toString(QStringLiteral("hh:mm:ss"));
}

} // namespace

void LogRecords::clear()
{
    records.clear();
    typeNames.clear();
}

void LogRecords::append(const QDateTime &time, const QTime &deviceTime, int typeId, const QString &type,
                        const DecodedLogRow &decoded)
{
    // The rows of one event type share its text rather than each keeping a
    // copy of its own.
    auto name = typeNames.find(typeId);
    if (name == typeNames.end() || *name != type)
        name = typeNames.insert(typeId, type);
    records.append({secondsOfDay(time.time()), secondsOfDay(deviceTime), *name, decoded.source,
                    decoded.description, decoded.hasSource, decoded.hasDescription});
}

QString LogRecords::text(int index, Field field) const
{
    const Record &record = records.at(index);
    switch (field) {
    case Time:
        return clockText(record.time);
    case DeviceTime:
        return clockText(record.deviceTime);
    case Type:
        return record.type;
    case Source:
        return record.source;
    case Description:
        return record.description;
    }
    return QString();
}

bool LogRecords::lessThan(int a, int b, Field field) const
{
    switch (field) {
    // Texts of equal width, digits and colons at the same places: they sort
    // as their seconds do, and the empty text of no time first.
    case Time:
        return records.at(a).time < records.at(b).time;
    case DeviceTime:
        return records.at(a).deviceTime < records.at(b).deviceTime;
    default:
        // In the order of the user's language, as the table compares texts.
        return text(a, field).localeAwareCompare(text(b, field)) < 0;
    }
}

QVector<int> LogRecords::timeOrder(Field field, Qt::SortOrder order) const
{
    QVector<int> indexes(records.size());
    std::iota(indexes.begin(), indexes.end(), 0);
    const auto seconds = [this, field](int i) {
        return field == Time ? records.at(i).time : records.at(i).deviceTime;
    };
    if (order == Qt::AscendingOrder)
        std::stable_sort(indexes.begin(), indexes.end(), [&](int a, int b) { return seconds(a) < seconds(b); });
    else
        std::stable_sort(indexes.begin(), indexes.end(), [&](int a, int b) { return seconds(b) < seconds(a); });
    return indexes;
}
