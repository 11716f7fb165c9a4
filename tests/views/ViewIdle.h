#ifndef VIEWIDLE_H
#define VIEWIDLE_H

#include <QFrame>
#include <QPushButton>
#include <QTest>

#include <functional>

// True once a view's control frame is enabled and stays so: a finished
// load may have queued the next one (a detector list queues its first
// data load), so one enabled moment is not yet idle.
inline bool viewIdle(QWidget *view, int timeout = 30000)
{
    auto *frame = view->findChild<QFrame *>(QStringLiteral("frame"));
    for (int round = 0; frame && round < 10; ++round) {
        if (!QTest::qWaitFor([frame] { return frame->isEnabled(); }, timeout))
            return false;
        QTest::qWait(50);
        if (frame->isEnabled())
            return true;
    }
    return false;
}

// Whether a view reads: its control frame is disabled, or for the log view,
// which has none, its progress overlay shown or Refresh disabled.
inline bool viewReading(QWidget *view)
{
    if (auto *frame = view->findChild<QFrame *>(QStringLiteral("frame")))
        return !frame->isEnabled();
    auto *overlay = view->findChild<QWidget *>(QStringLiteral("Progress"));
    auto *refresh = view->findChild<QPushButton *>(QStringLiteral("updateData"));
    return (overlay && !overlay->isHidden()) || (refresh && !refresh->isEnabled());
}

// viewIdle for every view, the log view included.
inline bool viewLoaded(QWidget *view, int timeout = 60000)
{
    if (view->findChild<QFrame *>(QStringLiteral("frame")))
        return viewIdle(view, timeout);
    return QTest::qWaitFor([view] { return !viewReading(view); }, timeout);
}

// Starts a load (a click, a changed date), waits until it has begun (or a
// moment, when it was quicker than a look) and then until it has ended.
inline bool viewReloaded(QWidget *view, const std::function<void()> &start, int timeout = 60000)
{
    start();
    static_cast<void>(QTest::qWaitFor([view] { return viewReading(view); }, 1000));
    return viewLoaded(view, timeout);
}

#endif // VIEWIDLE_H
