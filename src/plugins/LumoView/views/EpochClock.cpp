#include "EpochClock.h"

#include <QDateTime>

namespace {

const qint64 msecsPerHour = 3600 * 1000;
const qint64 msecsPerDay = 24 * msecsPerHour;

// The local time written as if it were UTC: what the clock on the wall shows.
qint64 wallMsecs(const QDate &date, const QTime &time)
{
    return (date.toJulianDay() - QDate(1970, 1, 1).toJulianDay()) * msecsPerDay + time.msecsSinceStartOfDay();
}

qint64 offsetAt(qint64 wall)
{
    const QDateTime utc = QDateTime::fromMSecsSinceEpoch(wall, Qt::UTC);
    return wall - QDateTime(utc.date(), utc.time(), Qt::LocalTime).toMSecsSinceEpoch();
}

} // namespace

qint64 EpochClock::msecsSinceEpoch(const QDateTime &time)
{
    if (time.timeSpec() != Qt::LocalTime || !time.isValid())
        return time.toMSecsSinceEpoch();
    const qint64 wall = wallMsecs(time.date(), time.time());
    const qint64 hour = wall >= 0 ? wall / msecsPerHour : (wall + 1) / msecsPerHour - 1;
    if (hour != cachedHour) {
        cachedHour = hour;
        offsetMsecs = offsetAt(hour * msecsPerHour);
        offsetHolds = offsetMsecs == offsetAt((hour + 1) * msecsPerHour - 1);
    }
    return offsetHolds ? wall - offsetMsecs : time.toMSecsSinceEpoch();
}
