#ifndef VIEWIDLE_H
#define VIEWIDLE_H

#include <QFrame>
#include <QTest>

// True once a view's control frame is enabled and stays so: a finished
// load may have queued the next one (a detector list queues its first
// data load), so one enabled moment is not yet idle.
inline bool viewIdle(QWidget *view, int timeout = 30000)
{
    auto *frame = view->findChild<QFrame *>(QStringLiteral("frame"));
    if (!frame)
        return false;
    for (int round = 0; round < 10; ++round) {
        if (!QTest::qWaitFor([frame] { return frame->isEnabled(); }, timeout))
            return false;
        QTest::qWait(50);
        if (frame->isEnabled())
            return true;
    }
    return false;
}

#endif // VIEWIDLE_H
