#ifndef WALLCLOCK_H
#define WALLCLOCK_H

#include <QDateTime>

// The controllers' time stamps carry no zone: they are placed on the time
// axes as they are written, the wall-clock time taken as if it were UTC, and
// labelled in UTC. A day thus always spans 24 hours, a time that the local
// clock skips keeps its place, and one it repeats is not moved onto the
// other.
class WallClock
{
public:
    // Milliseconds since 1970-01-01 of the date and time as written,
    // whatever its Qt::TimeSpec: also for a local time that the local clock
    // skips, which QDateTime holds as invalid.
    static qint64 msecs(const QDateTime &time);
    // The same in seconds, the key of a time axis.
    static double key(const QDateTime &time) { return msecs(time) / 1000.0; }
    // The date and time written at `key`, in UTC.
    static QDateTime fromKey(double key);
    // A date and time as written, in UTC, which never skips or repeats.
    static QDateTime at(const QDate &date, const QTime &time) { return QDateTime(date, time, Qt::UTC); }
    // What the workstation's clock shows now.
    static QDateTime now();
};

#endif // WALLCLOCK_H
