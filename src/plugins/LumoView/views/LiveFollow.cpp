#include "LiveFollow.h"

#include "views/LumoWidget.h"
#include "views/ViewClock.h"

#include "WallClock.h"

#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>

#include <algorithm>

namespace {

// Controllers upload what they buffered through a link outage: rows are
// looked for this far before the newest one held.
const qint64 lateMsecs = 15 * 60 * 1000;

qint64 wholeSeconds(qint64 msecs)
{
    return msecs - ((msecs % 1000) + 1000) % 1000;
}

QDateTime written(qint64 msecs)
{
    return WallClock::fromKey(msecs / 1000.0);
}

int countFrom(const QVector<qint64> &times, qint64 from)
{
    return int(times.cend() - std::lower_bound(times.cbegin(), times.cend(), from));
}

} // namespace

LiveFollow::LiveFollow(LumoWidget *view, int streams)
    : QObject(view)
    , m_button(new QToolButton(view))
    , m_times(streams)
{
    setObjectName(QStringLiteral("follow"));
    m_button->setText(tr("Live"));
    m_button->setToolTip(tr("Add the rows the controller writes as they arrive (off: paused)"));
    m_button->setCheckable(true);
    m_button->setChecked(true);
    m_button->hide();
    connect(m_button, &QToolButton::toggled, this, &LiveFollow::toggled);

    m_timer.setSingleShot(true);
    m_timer.setInterval(defaultInterval);
    connect(&m_timer, &QTimer::timeout, this, &LiveFollow::tick);
    connect(view->worker(), &Database::followFrom, this, &LiveFollow::followFrom);
    connect(view->progressOverlay()->cancelButton(), &QPushButton::clicked, this, [this] { m_cancelled = true; });
}

void LiveFollow::setInterval(int msecs)
{
    m_timer.setInterval(std::max(msecs, 10));
    if (m_timer.isActive())
        m_timer.start();
}

bool LiveFollow::loadStarts(const QDateTime &start, const QDateTime &end)
{
    // The worker would hand out the step's rows before the load's, and a
    // step not yet taken up would be replaced without a word: the load
    // waits.
    if (m_state == Stepping) {
        m_loadHeld = true;
        return false;
    }
    m_timer.stop();
    m_state = Loading;
    m_loadHeld = false;
    m_cancelled = false;
    m_start = WallClock::msecs(start);
    m_end = WallClock::msecs(end);
    for (QVector<qint64> &times : m_times)
        times.clear();
    const bool live = includesNow();
    // On by default where the view comes to now from another period.
    if (live && !m_live) {
        const QSignalBlocker blocker(m_button);
        m_button->setChecked(true);
    }
    m_live = live;
    m_button->setVisible(live);
    return true;
}

void LiveFollow::row(int stream, const QDateTime &time)
{
    if (stream >= 0 && stream < m_times.size())
        m_times[stream].append(WallClock::msecs(time));
}

LiveFollow::Completion LiveFollow::completed()
{
    const State ended = m_state;
    m_state = Idle;
    switch (ended) {
    case Idle:
        return NothingEnded;
    case Loading:
        // A cancelled load left part of the period: Live pressed again
        // loads it whole.
        m_whole = !m_cancelled;
        if (m_cancelled && m_live) {
            const QSignalBlocker blocker(m_button);
            m_button->setChecked(false);
        }
        schedule();
        return LoadEnded;
    case Stepping:
        // The held load goes now; until it starts the view stays as it is.
        if (m_loadHeld && !m_cancelled)
            QMetaObject::invokeMethod(this, &LiveFollow::loadHeld, Qt::QueuedConnection);
        else
            m_loadHeld = false;
        schedule();
        return StepEnded;
    }
    return NothingEnded;
}

QDateTime LiveFollow::lastTime(int stream) const
{
    const QVector<qint64> &times = m_times.at(stream);
    return times.isEmpty() ? QDateTime() : written(times.last());
}

bool LiveFollow::isFollowing() const
{
    return m_live && m_whole && m_button->isChecked();
}

bool LiveFollow::includesNow() const
{
    const qint64 now = WallClock::msecs(ViewClock::now());
    return m_start <= now && now < m_end;
}

void LiveFollow::schedule()
{
    if (m_state == Idle && !m_loadHeld && isFollowing())
        m_timer.start();
    else
        m_timer.stop();
}

void LiveFollow::tick()
{
    if (m_state != Idle || !isFollowing())
        return;
    if (!includesNow()) {
        // Midnight (the end of the period): on to the period of now, by
        // whole periods.
        const qint64 length = m_end - m_start;
        const qint64 since = WallClock::msecs(ViewClock::now()) - m_start;
        const qint64 periods = since >= 0 ? since / length : -((-since + length - 1) / length);
        emit moveTo(written(m_start + periods * length));
        // A view that did not load keeps looking.
        schedule();
        return;
    }
    m_state = Stepping;
    emit stepDue(cursors());
}

LiveFollow::Cursors LiveFollow::cursors() const
{
    Cursors result;
    for (const QVector<qint64> &times : m_times) {
        const qint64 newest = times.isEmpty() ? m_start : wholeSeconds(times.last());
        const qint64 window = std::max(newest - lateMsecs, m_start);
        Database::FollowCursor cursor;
        cursor.newest = written(newest);
        cursor.window = written(window);
        cursor.inWindow = countFrom(times, window);
        cursor.fromNewest = countFrom(times, newest);
        result << cursor;
    }
    return result;
}

void LiveFollow::followFrom(int stream, QDateTime from)
{
    if (m_state != Stepping || stream < 0 || stream >= m_times.size())
        return;
    QVector<qint64> &times = m_times[stream];
    times.erase(std::lower_bound(times.begin(), times.end(), WallClock::msecs(from)), times.end());
    emit replaceFrom(stream, from);
}

// Unless the user has loaded meanwhile.
void LiveFollow::loadHeld()
{
    if (m_loadHeld)
        emit loadDue();
}

void LiveFollow::toggled(bool on)
{
    if (!on || m_state != Idle) {
        schedule();
        return;
    }
    if (!m_whole) {
        emit loadDue();
        return;
    }
    // At once: a step, or the move to the period of now.
    tick();
}
