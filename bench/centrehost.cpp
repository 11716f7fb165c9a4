#include "centrehost.h"

#include <QDir>
#include <QTimer>

#include <fcntl.h>

namespace {

const int quitGraceMs = 15000;
// Above the benchmark's own descriptors: a pipe and a log per host, and the
// sockets of its watcher and victims.
const int inheritedFds = 4096;

const QString obtainingDetectors = QStringLiteral("Obtaining list of detectors");
const QString complete = QStringLiteral("Data acquisition is complete");

// A statement ended by a cancel, as the servers word it.
bool tellsOfCancel(const QString &text)
{
    return text.contains(QLatin1String("canceling statement due to user request"))
           || text.contains(QLatin1String("Query execution was interrupted"));
}

bool tellsOfFullServer(const QString &text)
{
    return text.startsWith(QLatin1String("The database server has no free connection"))
           || text.contains(QLatin1String("too many clients"), Qt::CaseInsensitive)
           || text.contains(QLatin1String("too many connections"), Qt::CaseInsensitive)
           || text.contains(QLatin1String("remaining connection slots"));
}

} // namespace

const QStringList CentreHost::viewNames = {QStringLiteral("log"),    QStringLiteral("phases"), QStringLiteral("sg"),
                                           QStringLiteral("dt"),     QStringLiteral("dtstat"), QStringLiteral("faults"),
                                           QStringLiteral("health")};

CentreHost::CentreHost(const Options &options, QObject *parent)
    : QObject(parent)
    , opts(options)
    , log(QDir(options.logDirectory).filePath(QStringLiteral("host-%1.log").arg(options.index)))
{
    for (int round = 1; round <= opts.rounds; ++round) {
        for (const QString &view : viewNames) {
            plan << view;
            if (opts.pressesStop && round == 1 && view == QLatin1String("log"))
                plan << QStringLiteral("stop");
        }
    }
    connect(&process, &QProcess::readyReadStandardOutput, this, &CentreHost::readOutput);
}

CentreHost::~CentreHost()
{
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
    }
}

// In the child between fork and exec: no allocation, only system calls.
void CentreHost::Process::setupChildProcess()
{
    for (int fd = 3; fd < inheritedFds; ++fd) {
        const int flags = ::fcntl(fd, F_GETFD);
        if (flags >= 0)
            ::fcntl(fd, F_SETFD, flags | FD_CLOEXEC);
    }
}

void CentreHost::start()
{
    log.open(QIODevice::WriteOnly | QIODevice::Truncate);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    // libpq names the host's sessions in the server's list.
    env.insert(QStringLiteral("PGAPPNAME"), QStringLiteral("centre-host-%1").arg(opts.index));
    process.setProcessEnvironment(env);
    process.setStandardErrorFile(QDir(opts.logDirectory).filePath(QStringLiteral("host-%1.err").arg(opts.index)));
    QStringList arguments{QStringLiteral("--db"), opts.url, QStringLiteral("--object"), QStringLiteral("1"),
                          QStringLiteral("--lang"), QStringLiteral("en"), QStringLiteral("--report"),
                          QStringLiteral("--commands")};
    for (const QString &view : viewNames)
        arguments << QStringLiteral("--view") << view;
    today = QDate::currentDate();
    clock.start();
    process.start(opts.program, arguments);
}

void CentreHost::quit()
{
    if (process.state() == QProcess::NotRunning)
        return;
    send(QStringLiteral("quit"));
    process.closeWriteChannel();
    QTimer::singleShot(quitGraceMs, &process, &QProcess::kill);
}

QString CentreHost::waitingFor() const
{
    if (process.state() == QProcess::NotRunning && step != Step::Done)
        return QStringLiteral("nothing: the host ended (exit code %1)").arg(process.exitCode());
    switch (step) {
    case Step::Opening: {
        QStringList missing;
        for (const QString &view : viewNames) {
            if (views.value(view).loads == 0)
                missing << view + QStringLiteral(" (") + views.value(view).lastLine + QLatin1Char(')');
        }
        return QStringLiteral("opening: ") + missing.join(QStringLiteral(", "));
    }
    case Step::Refresh:
        return QStringLiteral("refresh of %1 (%2)").arg(current, views.value(current).lastLine);
    case Step::Done:
        return QStringLiteral("nothing: done after %1 s").arg(finishedAfter / 1000);
    default:
        return QStringLiteral("the Stop (%1)").arg(views.value(QStringLiteral("log")).lastLine);
    }
}

void CentreHost::send(const QString &command)
{
    log.write(QStringLiteral("%1 > %2\n").arg(clock.elapsed()).arg(command).toUtf8());
    process.write(command.toUtf8() + '\n');
}

void CentreHost::readOutput()
{
    while (process.canReadLine()) {
        const QString line = QString::fromUtf8(process.readLine()).trimmed();
        log.write(QStringLiteral("%1 %2\n").arg(clock.elapsed()).arg(line).toUtf8());
        // VIEW line TEXT | VIEW status ready|busy TEXT | host TEXT
        const QString view = line.section(QLatin1Char(' '), 0, 0);
        const QString kind = line.section(QLatin1Char(' '), 1, 1);
        handle(view, kind, line.section(QLatin1Char(' '), 2));
    }
    log.flush();
}

void CentreHost::handle(const QString &view, const QString &kind, const QString &text)
{
    if (view == QLatin1String("host")) {
        // A Cancel that came when the load had ended already.
        if (kind == QLatin1String("error") && step == Step::StopCancelling) {
            step = Step::StopEnded;
            emit stopEnded(this);
        }
        return;
    }
    if (!views.contains(view) && !viewNames.contains(view))
        return;
    ViewState &state = views[view];
    QString message = text;
    if (kind == QLatin1String("status")) {
        const bool ready = text.startsWith(QLatin1String("ready"));
        message = text.section(QLatin1Char(' '), 1);
        if (ready && (message == QLatin1String("obtaining data complete") || message == QLatin1String("no data")))
            loaded(view);
    } else if (kind != QLatin1String("line")) {
        return;
    }
    state.lastLine = message;

    const bool ownStop = view == QLatin1String("log") && (step == Step::StopCancelling || step == Step::StopEnded);
    if (tellsOfCancel(message) && !ownStop)
        emit cancelledByOther(this, view, message);
    if (tellsOfFullServer(message))
        ++serverFull;
    if (message == QLatin1String("Waiting for another view to finish reading"))
        ++budgetWaiting;
    if (message == QLatin1String("Disconnected")) {
        ++forced;
        if (ownStop)
            stopResult.endedByForce = true;
    }
    if (kind != QLatin1String("line"))
        return;

    if (message.startsWith(QLatin1String("Obtaining"))) {
        state.lastObtaining = message;
        if (view == QLatin1String("log") && step == Step::StopArming)
            emit stopArmed(this);
    } else if (message == complete) {
        // A detector view reads its detectors first, then its data.
        if (state.lastObtaining != obtainingDetectors)
            loaded(view);
    } else if (ownStop && message == QLatin1String("Interrupted by the user")) {
        stopResult.interrupted = true;
    } else if (step == Step::StopCancelling && message == QLatin1String("The database is closed")) {
        step = Step::StopEnded;
        emit stopEnded(this);
    }
}

void CentreHost::loaded(const QString &view)
{
    ++views[view].loads;
    switch (step) {
    case Step::Opening:
        for (const QString &name : viewNames) {
            if (views.value(name).loads == 0)
                return;
        }
        next();
        break;
    case Step::Refresh:
    case Step::StopChecked:
        if (view == current && views.value(view).loads >= expectedLoads)
            next();
        break;
    default:
        break;
    }
}

void CentreHost::next()
{
    if (plan.isEmpty()) {
        step = Step::Done;
        finishedAfter = clock.elapsed();
        emit done(this);
        return;
    }
    const QString item = plan.takeFirst();
    if (item == QLatin1String("stop")) {
        step = Step::StopArming;
        stopResult.pressed = true;
        send(QStringLiteral("date log ") + opts.slowDay.toString(Qt::ISODate));
        return;
    }
    step = Step::Refresh;
    current = item;
    expectedLoads = views.value(item).loads + 1;
    send(QStringLiteral("refresh ") + item);
}

void CentreHost::pressCancel(bool seenRunning)
{
    if (step != Step::StopArming)
        return;
    stopResult.seenRunning = seenRunning;
    step = Step::StopCancelling;
    send(QStringLiteral("cancel log"));
}

void CentreHost::stopChecked(bool goneFromServer, bool othersCancelled)
{
    if (step != Step::StopEnded)
        return;
    stopResult.goneFromServer = goneFromServer;
    stopResult.othersCancelled = othersCancelled;
    // Back to the day of the other loads, which the view then reads.
    step = Step::StopChecked;
    current = QStringLiteral("log");
    expectedLoads = views.value(current).loads + 1;
    send(QStringLiteral("date log ") + today.toString(Qt::ISODate));
}
