#include "BoxStatistics.h"

BoxStatistics BoxStatistics::fromSorted(const QVector<double> &a)
{
    BoxStatistics s;
    const int n = a.size();
    if (n == 0)
        return s;
    const int h = n / 2;
    const bool odd = n % 2 == 1;
    s.median = odd ? a[h] : (a[h - 1] + a[h]) / 2;
    const int m = odd ? h + 1 : h;
    const int q = m / 2;
    if (m % 2 == 1) {
        s.q1 = a[q];
        s.q3 = a[h + q];
    } else {
        s.q1 = (a[q - 1] + a[q]) / 2;
        s.q3 = (a[h + q - 1] + a[h + q]) / 2;
    }
    s.min = a.first();
    s.max = a.last();
    return s;
}
