// The centre benchmark's helper: N headless hosts, each with all seven views
// of one object, against one server of scripts/dbserver; prints one row of
// bench/centre's table. See bench/centre.
#include "centrerun.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <sys/resource.h>

namespace {

QString seconds(qint64 ms)
{
    return ms < 0 ? QStringLiteral("–") : QString::number(ms / 1000.0, 'f', 0);
}

void printHeader()
{
    std::printf("| server | hosts | fully loaded within 5 min | slowest host, s | server connections: before, peak "
                "| Stops: own statement only / pressed | other statements cancelled | victims' sleeps "
                "| a following host's connections: most, all hosts "
                "| a paused host's connections after a minute: most, all hosts "
                "| lines: no free server connection, waiting for the host's turn | CPU busy |\n"
                "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Many workstations against one server"));
    parser.addHelpOption();
    const QCommandLineOption serverOption(QStringLiteral("server"), QStringLiteral("pg, pgbouncer or mysql."),
                                          QStringLiteral("name"), QStringLiteral("pg"));
    const QCommandLineOption hostsOption(QStringLiteral("hosts"), QStringLiteral("Hosts to start."),
                                         QStringLiteral("n"), QStringLiteral("4"));
    const QCommandLineOption roundsOption(QStringLiteral("rounds"), QStringLiteral("Refresh rounds after opening."),
                                          QStringLiteral("n"), QStringLiteral("2"));
    const QCommandLineOption stopOption(QStringLiteral("stop-every"), QStringLiteral("Every n-th host presses Stop."),
                                        QStringLiteral("n"), QStringLiteral("4"));
    const QCommandLineOption staggerOption(QStringLiteral("stagger"), QStringLiteral("Milliseconds between starts."),
                                           QStringLiteral("ms"), QStringLiteral("500"));
    const QCommandLineOption quietOption(QStringLiteral("quiet"), QStringLiteral("Seconds a host is left idle."),
                                         QStringLiteral("s"), QStringLiteral("65"));
    const QCommandLineOption hostOption(QStringLiteral("host"), QStringLiteral("The lumoview-host program."),
                                        QStringLiteral("file"));
    const QCommandLineOption logsOption(QStringLiteral("logs"), QStringLiteral("Keep the hosts' reports here."),
                                        QStringLiteral("dir"));
    const QCommandLineOption headerOption(QStringLiteral("header"), QStringLiteral("Print the table's header first."));
    parser.addOptions({serverOption, hostsOption, roundsOption, stopOption, staggerOption, quietOption, hostOption,
                       logsOption, headerOption});
    parser.process(app);

    // Three pipes per host, and the sockets of the watcher and victims.
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) == 0) {
        files.rlim_cur = files.rlim_max;
        setrlimit(RLIMIT_NOFILE, &files);
    }

    CentreRun::Options options;
    options.server = parser.value(serverOption);
    options.hosts = parser.value(hostsOption).toInt();
    options.rounds = parser.value(roundsOption).toInt();
    options.stopEvery = parser.value(stopOption).toInt();
    options.staggerMs = parser.value(staggerOption).toInt();
    options.quietMs = parser.value(quietOption).toInt() * 1000;
    const QDir binaries(QCoreApplication::applicationDirPath());
    options.program = parser.isSet(hostOption) ? parser.value(hostOption)
                                               : binaries.filePath(QStringLiteral("../bin/lumoview-host"));
    QTemporaryDir scratch;
    options.logDirectory = parser.isSet(logsOption) ? parser.value(logsOption) : scratch.path();
    QDir().mkpath(options.logDirectory);

    if (parser.isSet(headerOption))
        printHeader();
    CentreRun run(options);
    const CentreRun::Result r = run.run();
    if (!r.error.isEmpty()) {
        std::fprintf(stderr, "centre: %s\n", qPrintable(r.error));
        return 1;
    }
    std::printf("| %s | %d | %d | %s | %d, %d | %d / %d | %d | %d | %d, %d | %d, %d | %d, %d | %.0f %% |\n",
                qPrintable(options.server), r.hosts, r.fullyLoaded, qPrintable(seconds(r.slowestMs)), r.baseline,
                r.peak, r.stopsOwnOnly, r.stopsPressed, r.othersCancelled, r.victimSleeps, r.followMax, r.followTotal,
                r.idleMax, r.idleTotal,
                r.serverFull, r.budgetWaits, r.cpuBusy * 100);
    std::fflush(stdout);
    return 0;
}
