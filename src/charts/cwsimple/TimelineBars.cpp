#include "cwsimple/TimelineBars.h"

#include <algorithm>

namespace cwsimple {

void TimelineBars::reserve(int bars)
{
    m_x1.reserve(bars);
    m_x2.reserve(bars);
    m_row.reserve(bars);
    m_look.reserve(bars);
}

void TimelineBars::clear()
{
    *this = TimelineBars();
}

int TimelineBars::rowOf(double y)
{
    // Bars mostly come row after row or alternate among a few rows.
    if (m_lastRow >= 0 && m_rows.at(m_lastRow).y == y)
        return m_lastRow;
    auto it = m_rowIndex.constFind(y);
    if (it == m_rowIndex.constEnd()) {
        Row row;
        row.y = y;
        m_rows.append(row);
        m_inOrder.append(true);
        it = m_rowIndex.insert(y, m_rows.size() - 1);
    }
    m_lastRow = it.value();
    return m_lastRow;
}

void TimelineBars::append(double x1, double x2, double y, int look)
{
    if (m_sortedValid) {
        // Dropped rather than kept: appending to lists it shares would copy them.
        m_sorted.clear();
        m_sortedValid = false;
    }
    const double lo = std::min(x1, x2);
    const double hi = std::max(x1, x2);
    m_lowest = m_x1.isEmpty() ? lo : std::min(m_lowest, lo);
    m_highest = m_x1.isEmpty() ? hi : std::max(m_highest, hi);
    const int row = rowOf(y);
    QVector<int> &bars = m_rows[row].bars;
    if (!bars.isEmpty() && x1 < m_x1.at(bars.constLast()))
        m_inOrder[row] = false;
    bars.append(m_x1.size());
    m_x1.append(x1);
    m_x2.append(x2);
    m_row.append(row);
    m_look.append(look);
}

void TimelineBars::append(const TimelineBars &other)
{
    reserve(size() + other.size());
    for (int i = 0; i < other.size(); ++i)
        append(other.x1(i), other.x2(i), other.y(i), other.look(i));
}

void TimelineBars::truncate(int count)
{
    if (count >= size())
        return;
    if (count <= 0) {
        clear();
        return;
    }
    m_sorted.clear();
    m_sortedValid = false;
    // Each row lists its bars in the order added.
    for (Row &row : m_rows) {
        int kept = row.bars.size();
        while (kept > 0 && row.bars.at(kept - 1) >= count)
            --kept;
        row.bars.resize(kept);
    }
    m_x1.resize(count);
    m_x2.resize(count);
    m_row.resize(count);
    m_look.resize(count);
    m_lowest = std::min(m_x1.first(), m_x2.first());
    m_highest = std::max(m_x1.first(), m_x2.first());
    for (int i = 1; i < count; ++i) {
        m_lowest = std::min({m_lowest, m_x1.at(i), m_x2.at(i)});
        m_highest = std::max({m_highest, m_x1.at(i), m_x2.at(i)});
    }
}

const QVector<TimelineBars::Row> &TimelineBars::rows() const
{
    if (m_sortedValid)
        return m_sorted;
    QVector<int> order(m_rows.size());
    for (int r = 0; r < order.size(); ++r)
        order[r] = r;
    std::sort(order.begin(), order.end(), [this](int a, int b) { return m_rows.at(a).y < m_rows.at(b).y; });
    m_sorted.clear();
    m_sorted.reserve(order.size());
    for (int r : qAsConst(order)) {
        Row row = m_rows.at(r); // shares the list until it must be sorted
        if (!m_inOrder.at(r)) {
            std::stable_sort(row.bars.begin(), row.bars.end(),
                             [this](int a, int b) { return m_x1.at(a) < m_x1.at(b); });
        }
        // The furthest end so far, kept only where the ends do not ascend
        // or a bar is drawn backwards (it reaches before its start).
        double furthest = 0;
        for (int k = 0; k < row.bars.size(); ++k) {
            const double start = m_x1.at(row.bars.at(k));
            const double stop = m_x2.at(row.bars.at(k));
            const double end = std::max(start, stop);
            if (row.reach.isEmpty() && (stop < start || (k > 0 && end < furthest))) {
                row.reach.reserve(row.bars.size());
                for (int j = 0; j < k; ++j)
                    row.reach.append(m_x2.at(row.bars.at(j)));
            }
            if ((k > 0 && start < furthest) || stop < start)
                row.disjoint = false;
            furthest = k == 0 ? end : std::max(furthest, end);
            if (!row.reach.isEmpty())
                row.reach.append(furthest);
        }
        m_sorted.append(row);
    }
    m_sortedValid = true;
    return m_sorted;
}

bool TimelineBars::keyRange(double *lower, double *upper) const
{
    if (isEmpty())
        return false;
    *lower = m_lowest;
    *upper = m_highest;
    return true;
}

bool TimelineBars::rowRange(double *lower, double *upper) const
{
    if (m_rows.isEmpty())
        return false;
    const QVector<Row> &sorted = rows();
    *lower = sorted.constFirst().y;
    *upper = sorted.constLast().y;
    return true;
}

} // namespace cwsimple
