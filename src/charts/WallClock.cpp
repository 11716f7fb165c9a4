#include "WallClock.h"

#include <cmath>

namespace {

const qint64 msecsPerDay = 24 * 3600 * 1000;
const qint64 epochDay = QDate(1970, 1, 1).toJulianDay();

} // namespace

qint64 WallClock::msecs(const QDateTime &time)
{
    // A time without a date (a time of day alone) counts from the epoch's day.
    const QDate date = time.date();
    const qint64 day = date.isValid() ? date.toJulianDay() - epochDay : 0;
    const QTime clock = time.time();
    return day * msecsPerDay + (clock.isValid() ? clock.msecsSinceStartOfDay() : 0);
}

QDateTime WallClock::fromKey(double key)
{
    return QDateTime::fromMSecsSinceEpoch(std::llround(key * 1000.0), Qt::UTC);
}

QDateTime WallClock::now()
{
    const QDateTime local = QDateTime::currentDateTime();
    return at(local.date(), local.time());
}
