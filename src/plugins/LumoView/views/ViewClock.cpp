#include "ViewClock.h"

namespace {

// Set and read in the GUI thread only.
QDateTime setTime;

} // namespace

QDateTime ViewClock::now()
{
    return setTime.isValid() ? setTime : QDateTime::currentDateTime();
}

void ViewClock::set(const QDateTime &time)
{
    setTime = time;
}

void ViewClock::reset()
{
    setTime = QDateTime();
}
