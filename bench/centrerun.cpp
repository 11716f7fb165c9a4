#include "centrerun.h"

#include "centrehost.h"
#include "centresockets.h"
#include "centrevictim.h"

#include "TestServers.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QUrl>

namespace {

const int stopPollMs = 100;
// How long a slow statement may take to reach the server, and to leave it
// after its Stop.
const int stopReachMs = 120000;
const int stopLeaveMs = 20000;

// The machine's CPU time so far: busy and all, in clock ticks.
QPair<qint64, qint64> cpuTimes()
{
    QFile stat(QStringLiteral("/proc/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return {0, 0};
    const QList<QByteArray> fields = stat.readLine().simplified().split(' ');
    qint64 all = 0;
    for (int i = 1; i < fields.size(); ++i)
        all += fields.at(i).toLongLong();
    const qint64 idle = fields.value(4).toLongLong() + fields.value(5).toLongLong();
    return {all - idle, all};
}

} // namespace

CentreRun::CentreRun(const Options &options, QObject *parent)
    : QObject(parent)
    , opts(options)
    , server(options.server)
{
    if (opts.server == QLatin1String("pgbouncer"))
        TestServers::includeEveryLayout();
    // Hosts sign in as a workstation does.
    url = TestServers::operatorUrl(opts.server);
    port = quint16(QUrl(url, QUrl::TolerantMode).port());
    starter.setInterval(opts.staggerMs);
    connect(&starter, &QTimer::timeout, this, &CentreRun::startNextHost);
    stopWatch.setInterval(stopPollMs);
    connect(&stopWatch, &QTimer::timeout, this, &CentreRun::watchStops);
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, this, &CentreRun::finishLoading);
}

CentreRun::~CentreRun()
{
    for (CentreVictim *victim : qAsConst(victims))
        victim->finish();
    qDeleteAll(victims);
    qDeleteAll(hosts);
}

CentreRun::Result CentreRun::run()
{
    result.hosts = opts.hosts;
    if (TestServers::url(opts.server).isEmpty()) {
        result.error = QStringLiteral("no URL for the server %1").arg(opts.server);
        return result;
    }
    if (!server.prepareSlowLog(&result.error))
        return result;
    server.start();
    for (int i = 0; i < opts.victims; ++i) {
        auto *victim = new CentreVictim(opts.server, i);
        connect(victim, &CentreVictim::wasCancelled, this,
                [this](int number, const QString &error) {
                    otherCancelled(QStringLiteral("victim %1: %2").arg(number).arg(error));
                });
        victims << victim;
        victim->start();
    }
    // The victims connected and the watcher has looked once more since.
    waitFor(3000);
    result.baseline = server.snapshot().connections;
    server.resetPeak();

    clock.start();
    const auto cpuBefore = cpuTimes();
    QEventLoop eventLoop;
    loop = &eventLoop;
    startNextHost();
    starter.start();
    stopWatch.start();
    eventLoop.exec();
    loop = nullptr;
    const auto cpuAfter = cpuTimes();
    if (cpuAfter.second > cpuBefore.second)
        result.cpuBusy = double(cpuAfter.first - cpuBefore.first) / double(cpuAfter.second - cpuBefore.second);
    result.peak = server.peakConnections();

    for (CentreVictim *victim : qAsConst(victims)) {
        victim->finish();
        victim->wait();
        result.victimSleeps += victim->sleepsCompleted() + victim->sleepsCancelled();
    }

    for (CentreHost *host : qAsConst(hosts)) {
        if (host->isDone() && host->doneAfterMs() <= opts.deadlineMs) {
            ++result.fullyLoaded;
            result.slowestMs = qMax(result.slowestMs, host->doneAfterMs());
        } else {
            qWarning("centre: host %d not fully loaded after %lld s, waits for %s", host->options().index,
                     host->runningMs() / 1000, qPrintable(host->waitingFor()));
        }
        const CentreHost::Stop &stop = host->stop();
        if (stop.pressed) {
            ++result.stopsPressed;
            result.stopsOwnOnly += stop.ownOnly();
            if (!stop.ownOnly())
                qWarning("centre: host %d Stop: seen running %d, interrupted %d, ended by force %d, gone %d, "
                         "others cancelled %d", host->options().index, stop.seenRunning, stop.interrupted,
                         stop.endedByForce, stop.goneFromServer, stop.othersCancelled);
        }
        result.serverFull += host->serverFullNotes();
        result.budgetWaits += host->budgetWaits();
        result.forcedEnds += host->forcedEnds();
    }
    result.othersCancelled = othersCancelledAt.size();

    measureIdle();
    for (CentreHost *host : qAsConst(hosts))
        host->quit();
    for (int waited = 0; waited < 30000; waited += 100) {
        bool running = false;
        for (CentreHost *host : qAsConst(hosts))
            running = running || host->isRunning();
        if (!running)
            break;
        waitFor(100);
    }
    server.finish();
    server.wait();
    return result;
}

void CentreRun::waitFor(int ms)
{
    QEventLoop pause;
    QTimer::singleShot(ms, &pause, &QEventLoop::quit);
    pause.exec();
}

void CentreRun::startNextHost()
{
    if (hosts.size() >= opts.hosts) {
        starter.stop();
        return;
    }
    CentreHost::Options options;
    options.program = opts.program;
    options.url = url;
    options.logDirectory = opts.logDirectory;
    options.index = hosts.size();
    options.rounds = opts.rounds;
    options.pressesStop = opts.stopEvery > 0 && options.index % opts.stopEvery == 0;
    options.slowDay = CentreServer::slowDay(options.index);
    auto *host = new CentreHost(options);
    connect(host, &CentreHost::done, this, &CentreRun::hostDone);
    connect(host, &CentreHost::stopArmed, this, [this](CentreHost *armed) {
        for (const PendingStop &stop : qAsConst(stops)) {
            if (stop.host == armed)
                return;
        }
        PendingStop stop;
        stop.host = armed;
        stop.armedAt = clock.elapsed();
        stops << stop;
    });
    connect(host, &CentreHost::stopEnded, this, [this](CentreHost *ended) {
        for (PendingStop &stop : stops) {
            if (stop.host == ended) {
                stop.endedAt = clock.elapsed();
                stop.endedGeneration = server.snapshot().generation;
            }
        }
    });
    connect(host, &CentreHost::cancelledByOther, this,
            [this](CentreHost *victim, const QString &view, const QString &text) {
                otherCancelled(QStringLiteral("host %1 %2: %3").arg(victim->options().index).arg(view, text));
            });
    hosts << host;
    host->start();
    if (hosts.size() == opts.hosts) {
        starter.stop();
        // Every host has its own five minutes from its start.
        deadline.start(opts.deadlineMs + 5000);
    }
}

void CentreRun::hostDone()
{
    if (hosts.size() < opts.hosts)
        return;
    for (CentreHost *host : qAsConst(hosts)) {
        if (!host->isDone())
            return;
    }
    finishLoading();
}

void CentreRun::finishLoading()
{
    deadline.stop();
    starter.stop();
    stopWatch.stop();
    if (loop)
        loop->quit();
}

void CentreRun::otherCancelled(const QString &what)
{
    qWarning("centre: cancelled, and not by its own Stop: %s", qPrintable(what));
    othersCancelledAt << (clock.isValid() ? clock.elapsed() : 0);
}

bool CentreRun::runsOnServer(CentreHost *host, const CentreServer::Snapshot &snapshot) const
{
    if (TestServers::isPostgres(opts.server == QLatin1String("pgbouncer") ? QStringLiteral("pg") : opts.server)) {
        const QString marker = CentreServer::slowMarker(host->options().slowDay);
        for (const QString &statement : snapshot.logStatements) {
            if (statement.contains(marker))
                return true;
        }
        return false;
    }
    // MariaDB names the session by its client's port: the host's own.
    if (snapshot.slowSessions.isEmpty())
        return false;
    const QList<CentreSockets::Connection> connections = CentreSockets::toServer(port);
    for (quint16 session : snapshot.slowSessions) {
        if (CentreSockets::ownerOf(session, connections, {host->pid()}) == host->pid())
            return true;
    }
    return false;
}

void CentreRun::watchStops()
{
    const CentreServer::Snapshot snapshot = server.snapshot();
    const qint64 now = clock.elapsed();
    for (PendingStop &stop : stops) {
        if (stop.cancelledAt < 0) {
            const bool running = runsOnServer(stop.host, snapshot);
            if (running || now - stop.armedAt > stopReachMs) {
                stop.cancelledAt = now;
                stop.host->pressCancel(running);
            }
        } else if (stop.endedAt >= 0 && stop.host->stop().pressed && !stop.host->isDone()
                   && snapshot.generation > stop.endedGeneration + 1) {
            // A poll that began after the view had ended its load.
            const bool gone = !runsOnServer(stop.host, snapshot);
            if (gone || now - stop.endedAt > stopLeaveMs) {
                bool others = false;
                for (qint64 at : qAsConst(othersCancelledAt))
                    others = others || (at >= stop.cancelledAt && at <= now);
                stop.endedAt = -1;
                stop.host->stopChecked(gone, others);
            }
        }
    }
}

void CentreRun::measureIdle()
{
    // The views of today follow once loaded, each host within its share.
    const auto held = [this](int *most, int *total) {
        const QList<CentreSockets::Connection> connections = CentreSockets::toServer(port);
        *most = 0;
        *total = 0;
        for (CentreHost *host : qAsConst(hosts)) {
            if (!host->isRunning())
                continue;
            const int n = CentreSockets::heldBy(host->pid(), connections);
            *most = qMax(*most, n);
            *total += n;
        }
    };
    held(&result.followMax, &result.followTotal);
    // Paused, a host is quiet: after a minute it holds nothing.
    for (CentreHost *host : qAsConst(hosts))
        host->pauseFollowing();
    waitFor(opts.quietMs);
    held(&result.idleMax, &result.idleTotal);
}
