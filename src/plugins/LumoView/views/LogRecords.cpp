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
    types.clear();
    typeById.clear();
    typeByName.clear();
    rankCache.clear();
}

void LogRecords::append(const QDateTime &time, const QTime &deviceTime, int typeId, const QString &type,
                        const DecodedLogRow &decoded)
{
    // The rows of one event type share its text rather than each keeping a
    // copy of its own; types are told apart by the text the table shows.
    auto byId = typeById.constFind(typeId);
    int index = byId != typeById.constEnd() && types.at(*byId).name == type ? *byId : -1;
    if (index < 0) {
        index = typeByName.value(type, -1);
        if (index < 0) {
            index = types.size();
            types.append({type, 0});
            typeByName.insert(type, index);
        }
        typeById.insert(typeId, index);
    }
    ++types[index].count;
    records.append({secondsOfDay(time.time()), secondsOfDay(deviceTime), index, decoded.source,
                    decoded.description, decoded.hasSource, decoded.hasDescription});
    if (!rankCache.isEmpty())
        rankCache.clear();
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
        return types.at(record.type).name;
    case Source:
        return record.source;
    case Description:
        return record.description;
    }
    return QString();
}

bool LogRecords::hasCell(int index, Field field) const
{
    if (field == Source)
        return records.at(index).hasSource;
    if (field == Description)
        return records.at(index).hasDescription;
    return true;
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

const QVector<int> &LogRecords::ranks(Field field) const
{
    auto cached = rankCache.constFind(field);
    if (cached != rankCache.constEnd())
        return *cached;

    QVector<int> rank(records.size());
    if (field == Time || field == DeviceTime) {
        for (int i = 0; i < records.size(); ++i)
            rank[i] = field == Time ? records.at(i).time : records.at(i).deviceTime;
        return *rankCache.insert(field, rank);
    }
    // Each distinct text is compared in the language's order once; texts the
    // language holds equal share a rank, as they compare equal in the table.
    QVector<int> distinctOf(records.size());
    QHash<QString, int> distinct;
    QStringList texts;
    for (int i = 0; i < records.size(); ++i) {
        const QString t = text(i, field);
        auto it = distinct.constFind(t);
        if (it == distinct.constEnd()) {
            it = distinct.insert(t, texts.size());
            texts.append(t);
        }
        distinctOf[i] = *it;
    }
    QVector<int> sorted(texts.size());
    std::iota(sorted.begin(), sorted.end(), 0);
    std::sort(sorted.begin(), sorted.end(),
              [&texts](int a, int b) { return texts.at(a).localeAwareCompare(texts.at(b)) < 0; });
    QVector<int> textRank(texts.size());
    for (int i = 0, r = 0; i < sorted.size(); ++i) {
        if (i > 0 && texts.at(sorted.at(i - 1)).localeAwareCompare(texts.at(sorted.at(i))) < 0)
            ++r;
        textRank[sorted.at(i)] = r;
    }
    for (int i = 0; i < records.size(); ++i)
        rank[i] = textRank.at(distinctOf.at(i));
    return *rankCache.insert(field, rank);
}

void LogRecords::sort(QVector<int> &order, Field field, Qt::SortOrder sortOrder) const
{
    const QVector<int> &rank = ranks(field);
    const auto withoutCell = std::stable_partition(order.begin(), order.end(),
                                                   [this, field](int i) { return hasCell(i, field); });
    if (sortOrder == Qt::AscendingOrder)
        std::stable_sort(order.begin(), withoutCell, [&rank](int a, int b) { return rank.at(a) < rank.at(b); });
    else
        std::stable_sort(order.begin(), withoutCell, [&rank](int a, int b) { return rank.at(b) < rank.at(a); });
}
