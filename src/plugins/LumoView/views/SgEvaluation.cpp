#include "SgEvaluation.h"

#include <QHash>

#include <algorithm>

namespace {

// Records between checkpoints.
const size_t checkpointSpacing = 16384;
// How far back a follow step looks for rows written late.
const qint64 lateMsecs = 15 * 60 * 1000;

bool byTime(const SgRecord &record, qint64 msecs)
{
    return record.msecs < msecs;
}

double seconds(qint64 msecs)
{
    return msecs / 1000.0;
}

// Group numbers to positions: a table for the usual small numbers, a hash
// for any others.
class GroupIndex
{
public:
    explicit GroupIndex(const QVector<int> &groups)
    {
        for (int j = 0; j < groups.size(); ++j) {
            const int g = groups.at(j);
            if (g >= 0 && g < tableSize) {
                if (table.size() <= g)
                    table.resize(g + 1, -1);
                table[size_t(g)] = j;
            } else {
                others.insert(g, j);
            }
        }
    }
    int operator()(int group) const
    {
        if (group >= 0 && size_t(group) < table.size())
            return table[size_t(group)];
        return others.value(group, -1);
    }

private:
    static const int tableSize = 1 << 16;
    std::vector<int> table;
    QHash<int, int> others;
};

} // namespace

SgEvaluation::Look SgEvaluation::lookOf(int state)
{
    switch (state) {
    case 1:
        return Green;
    case 2:
    case 3:
        return GreenStripes;
    case 4:
        return Red;
    case 16:
        return Yellow;
    case 20:
        return RedYellow;
    case 32:
        return AmberStripes;
    default:
        return Black;
    }
}

SgEvaluation::Checkpoint SgEvaluation::beginning(const QVector<int> &groups)
{
    Checkpoint start;
    start.openPeriods.fill(0, groups.size());
    start.cycles.fill(0, groups.size());
    start.trackers.resize(size_t(groups.size()));
    return start;
}

SgEvaluation SgEvaluation::of(const std::vector<SgRecord> &records, const QVector<int> &groups,
                              const std::atomic<bool> &cancelled)
{
    return from(records, beginning(groups), groups, cancelled);
}

SgEvaluation SgEvaluation::from(const std::vector<SgRecord> &records, const Checkpoint &start,
                                const QVector<int> &groups, const std::atomic<bool> &cancelled)
{
    SgEvaluation result;
    const int n = groups.size();
    result.openPeriods.resize(n);
    result.cycles.resize(n);
    // Nearly every record ends a bar; a group opens and closes once a cycle
    // out of its four records.
    result.bars.reserve(int(records.size()));
    const GroupIndex positionOf(groups);
    std::vector<Tracker> trackers = start.trackers;
    trackers.resize(size_t(n));

    // A follow step sends the rows again from the newest second held, or
    // from 15 minutes before it when rows came late: checkpoints there
    // spare it all but the records it replaces.
    const size_t count = records.size();
    size_t newest = count;
    size_t late = count;
    if (count > 0) {
        const qint64 last = records.back().msecs;
        const qint64 second = last - ((last % 1000) + 1000) % 1000;
        newest = size_t(std::lower_bound(records.begin(), records.end(), second, byTime) - records.begin());
        late = size_t(std::lower_bound(records.begin(), records.end(), second - lateMsecs, byTime)
                      - records.begin());
    }
    const auto checkpoint = [&](size_t r) {
        Checkpoint at;
        at.record = start.record + int(r);
        at.bars = start.bars + result.bars.size();
        at.openPeriods.resize(n);
        at.cycles.resize(n);
        for (int j = 0; j < n; ++j) {
            at.openPeriods[j] = start.openPeriods.value(j) + result.openPeriods.at(j).size();
            at.cycles[j] = start.cycles.value(j) + result.cycles.at(j).size();
        }
        at.trackers = trackers;
        result.checkpoints.append(at);
    };

    for (size_t r = 0; r < count; ++r) {
        if ((r & 0xffff) == 0 && cancelled)
            return result;
        if (r > 0 && (r % checkpointSpacing == 0 || r == late || r == newest))
            checkpoint(r);
        const SgRecord &record = records[r];
        const int j = positionOf(record.group);
        if (j < 0)
            continue;
        const int s = record.state;
        const qint64 t = record.msecs;
        SgEvaluation::Tracker &tracker = trackers[size_t(j)];
        if (!tracker.tracked) {
            if (s == 0 || s == 4) {
                tracker.tracked = true;
                tracker.closedSince = tracker.changedAt = t;
                tracker.state = s;
            }
            continue;
        }
        const bool wasOpen = isOpen(tracker.state);
        const bool nowOpen = isOpen(s);
        if (s != tracker.state) {
            result.bars.append(seconds(tracker.changedAt), seconds(t), n - j, lookOf(tracker.state));
            tracker.state = s;
            tracker.changedAt = t;
        }
        if (wasOpen == nowOpen)
            continue;
        int d;
        if (nowOpen) {
            d = int((t - tracker.closedSince) / 1000);
            tracker.openSince = t;
        } else {
            d = int((t - tracker.openSince) / 1000);
            result.openPeriods[j].append(QPointF(seconds(tracker.openSince), d));
            tracker.closedSince = t;
        }
        tracker.cycleSum += d;
        if (tracker.cycleHalf) {
            result.cycles[j].append(QPointF(seconds(t), tracker.cycleSum));
            tracker.cycleSum = 0;
            tracker.cycleHalf = false;
        } else {
            tracker.cycleHalf = true;
        }
    }
    // Ordered here rather than when first drawn, in the GUI thread.
    result.bars.rows();
    result.complete = true;
    return result;
}
