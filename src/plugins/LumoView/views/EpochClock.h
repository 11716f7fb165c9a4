#ifndef EPOCHCLOCK_H
#define EPOCHCLOCK_H

#include <QtGlobal>

class QDateTime;

// Turns the local date-times of a stream of rows into milliseconds since the
// epoch with one conversion by the system per local hour rather than one per
// row: the offset from UTC found at both ends of an hour holds for all of
// it. In an hour where the offset changes (a daylight-saving switch) every
// time is converted on its own.
class EpochClock
{
public:
    qint64 msecsSinceEpoch(const QDateTime &time);

private:
    qint64 cachedHour = -1;
    qint64 offsetMsecs = 0;
    bool offsetHolds = false;
};

#endif // EPOCHCLOCK_H
