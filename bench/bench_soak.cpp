// Every view opened through the facade on one server and refreshed over
// and over, as a workstation keeps them open for days: per 1 000 refreshes
// of every view, how much the process's resident memory, threads and open
// descriptors and the server's connections from it grow. Each view is
// refreshed LUMOVIEW_SOAK_REFRESHES times (10 000 by default), all views at
// once, each round ending when every view has loaded; LUMOVIEW_SOAK_VIEWS
// (names joined by semicolons, as printed) refreshes only those.
//
// Runs on the servers of scripts/dbserver (LUMOVIEW_TEST_PG_URL,
// LUMOVIEW_TEST_MYSQL_URL) on the generated day; the connections are
// counted through a connection of its own.
#include "EveryView.h"
#include "HostKernel.h"
#include "TestServers.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QSqlError>
#include <QSqlQuery>

#include <cstdio>

namespace {

struct Sample
{
    int refreshes;
    double rssMb;
    int threads;
    int descriptors;
    int connections;
};

double rssMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return -1;
}

int entries(const char *directory)
{
    return QDir(QLatin1String(directory)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size();
}

// The server's sessions of the benchmark's user, its own counting one left out.
int connections(QSqlDatabase &counter)
{
    QSqlQuery query(counter);
    const bool pg = counter.driverName() == QLatin1String("QPSQL");
    const QString text = pg ? QStringLiteral("select count(*) from pg_stat_activity where usename = current_user "
                                             "and pid <> pg_backend_pid()")
                            : QStringLiteral("select count(*) from information_schema.processlist where "
                                             "user = substring_index(current_user(), '@', 1) and id <> connection_id()");
    if (!query.exec(text) || !query.next()) {
        std::fprintf(stderr, "connections: %s\n", qPrintable(query.lastError().text()));
        return -1;
    }
    return query.value(0).toInt();
}

// The button that refreshes a view, and whether the view is done loading
// (its controls enabled, its overlay hidden, the service views' status
// complete).
QAbstractButton *refreshButton(QWidget *view)
{
    auto *button = view->findChild<QPushButton *>(QStringLiteral("updateData"));
    return button ? button : view->findChild<QPushButton *>(QStringLiteral("refreshButton"));
}

bool loaded(QWidget *view)
{
    if (auto *status = view->findChild<QLabel *>(QStringLiteral("status")))
        return view->isEnabled() && status->text() == QLatin1String("obtaining data complete");
    return !viewReading(view);
}

// One refresh of every view, all at once; false when one has not loaded
// within a minute.
bool refreshAll(const EveryView &views, const QStringList &only)
{
    for (const EveryView::View &view : views.all())
        if (only.isEmpty() || only.contains(view.name))
            refreshButton(view.widget)->click();
    QElapsedTimer deadline;
    deadline.start();
    const auto allLoaded = [&views] {
        for (const EveryView::View &view : views.all())
            if (!loaded(view.widget))
                return false;
        return true;
    };
    // Not QTest::qWaitFor: its naps would be most of a round. Objects the
    // views release with deleteLater go as they would in the host's event
    // loop, which this loop stands in for.
    while (!allLoaded()) {
        if (deadline.elapsed() > 60000) {
            for (const EveryView::View &view : views.all())
                if (!loaded(view.widget))
                    std::fprintf(stderr, "%s did not load\n", qPrintable(view.name));
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

bool soak(const QString &server, int refreshes)
{
    QSqlDatabase counter = TestServers::connection(server, QStringLiteral("counter-") + server);
    if (!counter.open()) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(server), qPrintable(counter.lastError().text()));
        return false;
    }
    LumoViewPlugin facade;
    facade.setDatabaseUrl(TestServers::url(server));
    const QDate day = TestServers::day();
    EveryView views(&facade, 1, 1, day);
    if (!QTest::qWaitFor([&views] { return views.idle(); }, 60000) || !views.showDay(day)) {
        std::fprintf(stderr, "%s: the views did not load the day\n", qPrintable(server));
        return false;
    }

    // A sample every tenth of the run, at most every 1 000 refreshes.
    const int step = std::max(1, std::min(1000, refreshes / 10));
    QVector<Sample> samples;
    const auto sample = [&](int done) {
        samples << Sample{done, rssMb(), entries("/proc/self/task"), entries("/proc/self/fd"), connections(counter)};
    };
    sample(0);
    const QStringList only = qEnvironmentVariable("LUMOVIEW_SOAK_VIEWS").split(QLatin1Char(';'), Qt::SkipEmptyParts);
    QElapsedTimer clock;
    clock.start();
    for (int done = 1; done <= refreshes; ++done) {
        if (!refreshAll(views, only))
            return false;
        if (done % step == 0 || done == refreshes)
            sample(done);
    }
    const double seconds = clock.nsecsElapsed() / 1e9;

    QStringList names;
    for (const EveryView::View &view : views.all())
        if (only.isEmpty() || only.contains(view.name))
            names << view.name;
    std::printf("\n%s: %s refreshed %d times each in %.0f s (%.1f ms a round)\n\n", qPrintable(server),
                qPrintable(names.join(QStringLiteral("; "))), refreshes, seconds, 1000 * seconds / refreshes);
    std::printf("| refreshes | resident MB | threads | descriptors | server connections |\n|---:|---:|---:|---:|---:|\n");
    for (const Sample &s : qAsConst(samples))
        std::printf("| %d | %.1f | %d | %d | %d |\n", s.refreshes, s.rssMb, s.threads, s.descriptors, s.connections);
    // Growth after the first tenth, which warms caches and fills the
    // message lines up to their capacity.
    const Sample &from = samples.value(1), &to = samples.last();
    const double per = 1000.0 / std::max(1, to.refreshes - from.refreshes);
    std::printf("\ngrowth per 1 000 refreshes of every view (from %d to %d): resident %+.2f MB, threads %+.2f, "
                "descriptors %+.2f, server connections %+.2f\n",
                from.refreshes, to.refreshes, (to.rssMb - from.rssMb) * per, (to.threads - from.threads) * per,
                (to.descriptors - from.descriptors) * per, (to.connections - from.connections) * per);
    // A server's figures are out before the next one's run of many minutes.
    std::fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    new Road::Kernel(&app); // the host's decoder of signal-group events
    if (TestServers::available().isEmpty()) {
        std::fprintf(stderr, "bench_soak: run it under scripts/dbserver\n");
        return 2;
    }
    const int refreshes = qEnvironmentVariableIntValue("LUMOVIEW_SOAK_REFRESHES") > 0
                              ? qEnvironmentVariableIntValue("LUMOVIEW_SOAK_REFRESHES")
                              : 10000;
    for (const QString &server : TestServers::available()) {
        if (!soak(server, refreshes))
            return 1;
    }
    return 0;
}
