#ifndef BOXSTATISTICS_H
#define BOXSTATISTICS_H

#include <QVector>

// Median, extremes and hinges (the medians of the lower and upper half, the
// median counted in both halves when the count is odd) of sorted values.
struct BoxStatistics
{
    double median = 0;
    double min = 0;
    double max = 0;
    double q1 = 0;
    double q3 = 0;

    // `sorted` must be in ascending order and not empty.
    static BoxStatistics fromSorted(const QVector<double> &sorted);
};

#endif // BOXSTATISTICS_H
