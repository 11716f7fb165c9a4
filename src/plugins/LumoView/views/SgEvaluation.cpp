#include "SgEvaluation.h"

#include <QHash>

namespace {

double seconds(qint64 msecs)
{
    return msecs / 1000.0;
}

// A group's state while a load is evaluated; times in milliseconds as
// written. A group is first tracked in a closed state, so openSince is set
// before it is read.
struct GroupTracker
{
    bool tracked = false;
    qint64 openSince = 0;
    qint64 closedSince = 0;
    qint64 changedAt = 0;
    int state = 0;
    int cycleSum = 0;
    bool cycleHalf = false;
};

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

SgEvaluation SgEvaluation::of(const std::vector<SgRecord> &records, const QVector<int> &groups,
                              const std::atomic<bool> &cancelled)
{
    SgEvaluation result;
    const int n = groups.size();
    result.openPeriods.resize(n);
    result.cycles.resize(n);
    // Nearly every record ends a bar; a group opens and closes once a cycle
    // out of its four records.
    result.bars.reserve(int(records.size()));
    const GroupIndex positionOf(groups);
    std::vector<GroupTracker> trackers(static_cast<size_t>(n));

    for (size_t r = 0; r < records.size(); ++r) {
        if ((r & 0xffff) == 0 && cancelled)
            return result;
        const SgRecord &record = records[r];
        const int j = positionOf(record.group);
        if (j < 0)
            continue;
        const int s = record.state;
        const qint64 t = record.msecs;
        GroupTracker &tracker = trackers[size_t(j)];
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
