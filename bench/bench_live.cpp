// An event log view of today that follows the live writers of
// scripts/dbserver --live (a few events a second, late batches of rows up to
// 15 minutes old, time stamps shared across transactions), started with a
// --duration of MINUTES:
//
//   bench_live MINUTES
//
// A log view of today on each server follows while they write; once they
// have stopped and the view has shown nothing new for a while, what it shows
// is set against a fresh load: rows lost and rows shown twice.
#include "HostKernel.h"
#include "LoopProbe.h"
#include "TestServers.h"

#include "views/LogView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMutex>
#include <QPushButton>
#include <QTableWidget>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <list>
#include <memory>

namespace {

QTableWidget *tableOf(QWidget *view) { return view->findChild<QTableWidget *>(QStringLiteral("tableWidget")); }

// Loads the view's day and waits for its last row: Refresh is enabled
// again once the load has ended.
bool load(QWidget *view)
{
    auto *refresh = view->findChild<QPushButton *>(QStringLiteral("updateData"));
    runUntil([refresh] { return refresh->isEnabled(); }, 60000);
    refresh->click();
    runUntil([refresh] { return !refresh->isEnabled(); }, 2000);
    return runUntil([refresh] { return refresh->isEnabled(); }, 600000);
}

// Every row's cells, one string a row.
QStringList shownRows(QTableWidget *table)
{
    QStringList rows;
    for (int r = 0; r < table->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < table->columnCount(); ++c)
            cells << table->item(r, c)->text();
        rows << cells.join(QLatin1Char('\t'));
    }
    return rows;
}

int lateRecorded(const QByteArray &variable)
{
    QFile record(QString::fromLocal8Bit(qgetenv(variable)));
    int late = 0;
    if (record.open(QIODevice::ReadOnly)) {
        while (!record.atEnd())
            late += record.readLine().split('\t').value(2) == "late";
    }
    return late;
}

int follow(int minutes)
{
    QMutex mutex;
    struct Follower
    {
        QString server;
        QSqlDatabase db;
        std::unique_ptr<LogView> view;
        int loaded = 0;
    };
    // A list: the views keep the address of their connection handle.
    std::list<Follower> followers;
    int n = 0;
    for (const QString &server : TestServers::available()) {
        followers.emplace_back();
        Follower &f = followers.back();
        f.server = server;
        f.db = TestServers::connection(server, QStringLiteral("follow%1").arg(++n));
        f.view = std::make_unique<LogView>(nullptr, 1, 0x5FFFF, &f.db, &mutex);
        f.view->resize(1000, 700);
        f.view->show();
        if (!load(f.view.get())) {
            std::fprintf(stderr, "%s: today did not load\n", qPrintable(server));
            return 1;
        }
        f.loaded = tableOf(f.view.get())->rowCount();
    }
    runUntil([] { return false; }, minutes * 60000);
    // The writers stop at their duration: the views settle once nothing
    // new has come for a while.
    for (Follower &f : followers) {
        QTableWidget *table = tableOf(f.view.get());
        int rows = -1;
        QElapsedTimer still;
        runUntil([&] {
            if (table->rowCount() != rows) {
                rows = table->rowCount();
                still.start();
            }
            return still.elapsed() > 15000;
        }, 600000);
    }
    std::printf("| server | rows at the load | rows taken while following | late rows written | lost | shown twice |\n"
                "|---|---|---|---|---|---|\n");
    int status = 0;
    for (Follower &f : followers) {
        QSqlDatabase db = TestServers::connection(f.server, QStringLiteral("fresh%1").arg(++n));
        LogView fresh(nullptr, 1, 0x5FFFF, &db, &mutex);
        fresh.resize(1000, 700);
        fresh.show();
        if (!load(&fresh))
            return 1;
        QStringList expected = shownRows(tableOf(&fresh));
        QStringList shown = shownRows(tableOf(f.view.get()));
        std::sort(expected.begin(), expected.end());
        std::sort(shown.begin(), shown.end());
        QStringList lost, twice;
        std::set_difference(expected.begin(), expected.end(), shown.begin(), shown.end(), std::back_inserter(lost));
        std::set_difference(shown.begin(), shown.end(), expected.begin(), expected.end(), std::back_inserter(twice));
        const QByteArray record = "LUMOVIEW_TEST_LIVE_" + f.server.toUpper().toLatin1();
        std::printf("| %s | %d | %d | %d | %d | %d |\n", qPrintable(f.server), f.loaded,
                    int(expected.size()) - f.loaded, lateRecorded(record), int(lost.size()), int(twice.size()));
        status = status || !lost.isEmpty() || !twice.isEmpty();
    }
    return status;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    qRegisterMetaType<LogMessageType>("LogMessageType");
    new Road::Kernel(&app);
    const int minutes = app.arguments().value(1).toInt();
    if (minutes <= 0) {
        std::fprintf(stderr, "usage: bench_live MINUTES\n");
        return 2;
    }
    return follow(minutes);
}
