#include "LogSorter.h"

#include <QCollator>

#include <algorithm>
#include <numeric>
#include <vector>

namespace {

// Looks at the cancel flag once per this many items.
const int checkEvery = 1 << 16;

} // namespace

LogSorter::LogSorter(const LogRecords &records, LogRecords::Field field, Qt::SortOrder order)
    : m_records(records)
    , m_field(field)
    , m_order(order)
{
}

QVector<int> LogSorter::rank(const QVector<QString> &texts, const QLocale &locale, const std::atomic<bool> &cancelled)
{
    const QCollator collator(locale);
    std::vector<QCollatorSortKey> keys;
    keys.reserve(texts.size());
    for (int i = 0; i < texts.size(); ++i) {
        if (i % checkEvery == 0 && cancelled)
            return {};
        keys.push_back(collator.sortKey(texts.at(i)));
    }
    QVector<int> byKey(texts.size());
    std::iota(byKey.begin(), byKey.end(), 0);
    std::sort(byKey.begin(), byKey.end(), [&keys](int a, int b) { return keys[a].compare(keys[b]) < 0; });
    if (cancelled)
        return {};
    QVector<int> ranks(texts.size());
    int place = 0;
    for (int i = 0; i < byKey.size(); ++i) {
        if (i > 0 && keys[byKey.at(i - 1)].compare(keys[byKey.at(i)]) < 0)
            ++place;
        ranks[byKey.at(i)] = place;
    }
    return ranks;
}

QVector<int> LogSorter::sort(const QVector<int> &base, const QLocale &locale, const std::atomic<bool> &cancelled)
{
    // Each record's key, -1 for none: seconds (and one below them for no
    // time, which sorts first as its empty text does) or the text's rank.
    const bool time = m_field == LogRecords::Time || m_field == LogRecords::DeviceTime;
    if (!time && m_ranks.size() != m_records.texts(m_field).size()) {
        m_ranks = rank(m_records.texts(m_field), locale, cancelled);
        if (cancelled)
            return {};
    }
    int buckets = 86400 + 1;
    if (!time)
        buckets = m_ranks.isEmpty() ? 1 : *std::max_element(m_ranks.cbegin(), m_ranks.cend()) + 1;
    const auto key = [&](int record) {
        if (time)
            return m_records.seconds(record, m_field) + 1;
        const int id = m_records.textId(record, m_field);
        return id < 0 ? -1 : m_ranks.at(id);
    };

    // A counting sort: stable, and linear in the records.
    QVector<int> keys(base.size());
    QVector<int> position(buckets, 0);
    int withoutKey = 0;
    for (int i = 0; i < base.size(); ++i) {
        if (i % checkEvery == 0 && cancelled)
            return {};
        const int k = key(base.at(i));
        keys[i] = k;
        if (k < 0)
            ++withoutKey;
        else
            ++position[k];
    }
    int next = 0;
    for (int b = 0; b < buckets; ++b) {
        const int bucket = m_order == Qt::AscendingOrder ? b : buckets - 1 - b;
        const int count = position.at(bucket);
        position[bucket] = next;
        next += count;
    }
    QVector<int> sorted(base.size());
    int last = base.size() - withoutKey;
    for (int i = 0; i < base.size(); ++i) {
        if (i % checkEvery == 0 && cancelled)
            return {};
        const int k = keys.at(i);
        sorted[k < 0 ? last++ : position[k]++] = base.at(i);
    }
    return sorted;
}
