#ifndef LIVEFOLLOW_H
#define LIVEFOLLOW_H

#include "database/Database.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>
#include <QVector>

class LumoWidget;
class QToolButton;

// Keeps a view whose period includes now up to date with what the
// controller writes. Once a load has ended, about once a second, a step
// asks the view's worker what is new in each of the load's streams of rows
// (its statements); where a stream changed, the worker names the time from
// which it sends that stream's rows again, the view drops what it holds of
// the stream from then on (replaceFrom) and takes the rows that follow as it
// takes a load's. What it shows then equals a fresh load of its period.
//
// A "Live" button, shown while the period includes now, says that the view
// follows and pauses it. A view that follows moves on by itself when its
// period is over (moveTo); a paused one stays where it is until Live is
// pressed again.
//
// The view tells it of each load it starts (loadStarts), each row of a
// stream it receives (row) and each complete() of its worker (completed).
class LiveFollow : public QObject
{
    Q_OBJECT
public:
    using Cursors = QVector<Database::FollowCursor>;
    enum Completion { NothingEnded, LoadEnded, StepEnded };

    static const int defaultInterval = 1000;

    // `streams` is the number of streams of the view's steps.
    LiveFollow(LumoWidget *view, int streams);

    // The checkable "Live" button, for the view's tool row.
    QToolButton *button() const { return m_button; }

    // Milliseconds from the end of a step to the next one.
    int interval() const { return m_timer.interval(); }
    void setInterval(int msecs);

    // A load of [start, end), times as written, is to be requested. False
    // while a step still runs: the load waits for it and is asked for again
    // (loadDue) once the step has ended; the view shows itself loading
    // meanwhile.
    bool loadStarts(const QDateTime &start, const QDateTime &end);
    // Each row of a stream as the worker hands it out, in its order, also
    // the rows that the view leaves out.
    void row(int stream, const QDateTime &time);
    // Each complete() of the worker: what it ended. After a step the view
    // keeps its controls as they are (disabled while a load waits).
    Completion completed();

    // The newest row of a stream that the view holds; null when none.
    QDateTime lastTime(int stream) const;
    // The period includes now and Live is on.
    bool isFollowing() const;
    // A step has been asked for and has not ended.
    bool stepping() const { return m_state == Stepping; }

signals:
    // The view asks its worker for a step with these cursors, one per stream.
    void stepDue(const LiveFollow::Cursors &cursors);
    // The view drops what it holds of `stream` from `from` on.
    void replaceFrom(int stream, const QDateTime &from);
    // The period is over: the view loads the one from `start` on.
    void moveTo(const QDateTime &start);
    // The view loads its period again, as Refresh does.
    void loadDue();

private slots:
    void tick();
    void followFrom(int stream, QDateTime from);
    void toggled(bool on);
    void loadHeld();

private:
    enum State { Idle, Loading, Stepping };

    bool includesNow() const;
    void schedule();
    Cursors cursors() const;

    QToolButton *m_button;
    QTimer m_timer;
    State m_state = Idle;
    // Refresh was clicked while a step ran.
    bool m_loadHeld = false;
    // Cancel was pressed since the load (or the held one) began.
    bool m_cancelled = false;
    // The view holds its whole period: its last load was not cancelled.
    bool m_whole = false;
    // The period of the last load included now then.
    bool m_live = false;
    // The period, in milliseconds as written.
    qint64 m_start = 0;
    qint64 m_end = 0;
    // Per stream the times of the rows held, as written, in their order.
    QVector<QVector<qint64>> m_times;
};

#endif // LIVEFOLLOW_H
