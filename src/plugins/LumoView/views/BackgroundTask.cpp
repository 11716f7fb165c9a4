#include "BackgroundTask.h"

BackgroundTask::BackgroundTask(QObject *parent)
    : QObject(parent)
{
}

BackgroundTask::~BackgroundTask()
{
    cancel();
}

void BackgroundTask::start(Work work)
{
    cancel();
    m_cancelled = false;
    m_done = false;
    m_thread = std::thread([this, work = std::move(work)] {
        work(m_cancelled);
        m_done = true;
        QMetaObject::invokeMethod(this, "ended", Qt::QueuedConnection);
    });
}

void BackgroundTask::cancel()
{
    if (!m_thread.joinable())
        return;
    m_cancelled = true;
    m_thread.join();
}

void BackgroundTask::wait()
{
    if (!m_thread.joinable())
        return;
    m_thread.join();
    emit finished();
}

void BackgroundTask::ended()
{
    // A word from a run cancelled since is for nobody, unless the run that
    // followed is done as well: its own word then finds nothing to do.
    if (!m_thread.joinable() || !m_done)
        return;
    m_thread.join();
    emit finished();
}
