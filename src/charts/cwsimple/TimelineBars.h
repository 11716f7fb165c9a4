#ifndef CWSIMPLE_TIMELINEBARS_H
#define CWSIMPLE_TIMELINEBARS_H

#include <QHash>
#include <QVector>

namespace cwsimple {

// The bars of a timeline as plain data: from x1 to x2 in the row at y, drawn
// in a look given by its number. Holds no pixmaps or other GUI objects, so
// that a week of bars can be built in any thread and handed to a
// ColorHBoxSeries whole. Compact: about 28 bytes a bar.
class TimelineBars
{
public:
    // The bars of one row in drawing order: by start, then as added.
    struct Row
    {
        double y = 0;
        QVector<int> bars;
        // The furthest end of the bars so far, by drawing order; empty while
        // the ends ascend as the starts do (then it is the ends themselves).
        QVector<double> reach;
        // Each bar ends where or before the next begins (a state timeline).
        bool disjoint = true;
    };

    int size() const { return m_x1.size(); }
    bool isEmpty() const { return m_x1.isEmpty(); }
    void reserve(int bars);
    void clear();
    void append(double x1, double x2, double y, int look);
    // The other's bars after these, their looks unchanged.
    void append(const TimelineBars &other);
    // Keeps the first `count` bars.
    void truncate(int count);

    double x1(int i) const { return m_x1.at(i); }
    double x2(int i) const { return m_x2.at(i); }
    double y(int i) const { return m_rows.at(m_row.at(i)).y; }
    int look(int i) const { return m_look.at(i); }

    // Every row, by ascending y, its bars in drawing order. Ordered on the
    // first call after a change: call it once in the building thread to
    // spare the drawing one the work.
    const QVector<Row> &rows() const;
    // The span of the starts and ends, and of the rows; false when empty.
    bool keyRange(double *lower, double *upper) const;
    bool rowRange(double *lower, double *upper) const;

private:
    int rowOf(double y);

    QVector<double> m_x1;
    QVector<double> m_x2;
    QVector<int> m_row;
    QVector<int> m_look;
    // In order of first appearance; m_sorted shares their lists, by y.
    QVector<Row> m_rows;
    QVector<bool> m_inOrder; // per row: starts ascending as added
    QHash<double, int> m_rowIndex;
    int m_lastRow = -1;
    mutable QVector<Row> m_sorted;
    mutable bool m_sortedValid = false;
    double m_lowest = 0;
    double m_highest = 0;
};

} // namespace cwsimple

#endif // CWSIMPLE_TIMELINEBARS_H
