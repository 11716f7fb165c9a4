#ifndef VIEWCLOCK_H
#define VIEWCLOCK_H

#include <QDateTime>

// What the views take for now: the workstation's clock, or a time set by
// hand, at which the clock then stands, so that a test can carry a view
// over midnight without waiting for it.
class ViewClock
{
public:
    // Local time.
    static QDateTime now();
    static QDate today() { return now().date(); }

    static void set(const QDateTime &time);
    // Back to the workstation's clock.
    static void reset();
};

#endif // VIEWCLOCK_H
