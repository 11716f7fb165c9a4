#include "LogFollowBench.h"

#include "LoopProbe.h"
#include "TestServers.h"

#include "views/LogView.h"
#include "views/ViewClock.h"

#include <QDateEdit>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMutex>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableWidget>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <vector>

namespace {

const int rowsPerSecond = 50;
const int seconds = 30;
const int rowCount = rowsPerSecond * seconds;
const QString marker = QStringLiteral("bench занят");
const QTime from(23, 0);
// Every this many rows a row written five minutes late comes too.
const int lateEvery = 100;

// Writes the rows, each committed on its own, and notes when.
class Writer : public QThread
{
public:
    Writer(const QString &server, const QDate &day, const QElapsedTimer &clock)
        : m_server(server)
        , m_day(day)
        , m_clock(clock)
        , committedNs(rowCount, -1)
    {
    }

    std::vector<qint64> committedNs;
    std::atomic<int> failed{0};

protected:
    void run() override
    {
        QSqlDatabase db = TestServers::connection(m_server, QStringLiteral("writer-") + m_server);
        if (!db.open()) {
            failed = rowCount;
            return;
        }
        const bool pg = TestServers::isPostgres(m_server);
        const QString index = pg ? QStringLiteral("\"index\"") : QStringLiteral("`index`");
        const QString time = pg ? QStringLiteral("\"time\"") : QStringLiteral("`time`");
        QSqlQuery q(db);
        const qint64 start = m_clock.nsecsElapsed();
        for (int i = 0; i < rowCount; ++i) {
            const qint64 due = start + qint64(i) * 1000000000 / rowsPerSecond;
            const qint64 wait = due - m_clock.nsecsElapsed();
            if (wait > 0)
                QThread::usleep(wait / 1000);
            // The controller's clock: the last hour of the day, in real time.
            const QDateTime at(m_day, from.addMSecs(int((due - start) / 1000000)));
            const QString sql = QStringLiteral("insert into events (objectid,%1,devicetime,type,value,%2,description) "
                                               "values (1,'%3','%4',1,%5,%5,'%6 %5')")
                                    .arg(time, index, at.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")),
                                         at.time().toString(QStringLiteral("hh:mm:ss")))
                                    .arg(1000000 + i)
                                    .arg(marker);
            if (!q.exec(sql)) {
                ++failed;
                continue;
            }
            committedNs[i] = m_clock.nsecsElapsed();
            if (i % lateEvery == lateEvery - 1) {
                const QDateTime late = at.addSecs(-300);
                q.exec(QStringLiteral("insert into events (objectid,%1,devicetime,type,value,%2,description) "
                                      "values (1,'%3','%4',1,%5,%5,'late %6 %5')")
                           .arg(time, index, late.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")),
                                late.time().toString(QStringLiteral("hh:mm:ss")))
                           .arg(2000000 + i)
                           .arg(marker));
            }
        }
    }

private:
    const QString m_server;
    const QDate m_day;
    const QElapsedTimer &m_clock;
};

struct Figures
{
    int rows = 0;
    double medianMs = 0;
    double p99Ms = 0;
    double loopP99Ms = 0;
    double loopWorstMs = 0;
    int lost = 0;
    int twice = 0;
    bool asFresh = false;
};

QStringList rowsOf(const QTableWidget *table)
{
    QStringList rows;
    for (int r = 0; r < table->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < table->columnCount(); ++c)
            cells << (table->item(r, c) ? table->item(r, c)->text() : QStringLiteral("-"));
        rows << cells.join(QLatin1Char(';'));
    }
    return rows;
}

// A log view of the day searched for what every written row holds, loaded;
// the rows of the day.
int openSearched(LogView &view, const QDate &day)
{
    view.resize(1000, 700);
    view.show();
    auto *table = view.findChild<QTableWidget *>(QStringLiteral("tableWidget"));
    auto *refresh = view.findChild<QPushButton *>(QStringLiteral("updateData"));
    auto *date = view.findChild<QDateEdit *>(QStringLiteral("dateEdit"));
    if (date->date() != day)
        date->setDate(day);
    runUntil([&] { return !refresh->isEnabled(); }, 2000);
    runUntil([&] { return refresh->isEnabled() && table->rowCount() > 0; });
    const int all = table->rowCount();
    view.findChild<QLineEdit *>(QStringLiteral("searchEdit"))->setText(QStringLiteral("занят"));
    runUntil([&] { return table->updatesEnabled() && table->rowCount() < all; });
    return all;
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    return values.at(std::min(values.size() - 1, size_t(p / 100 * values.size())));
}

Figures follow(const QString &server)
{
    Figures f;
    const QDate day = TestServers::day();
    QSqlDatabase owner = TestServers::connection(server, QStringLiteral("owner-") + server);
    if (!owner.open()) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(server), qPrintable(owner.lastError().text()));
        return f;
    }
    // The last hour goes; the writer brings it again, as it happens.
    const QString time = TestServers::isPostgres(server) ? QStringLiteral("\"time\"") : QStringLiteral("`time`");
    QSqlQuery(owner).exec(QStringLiteral("delete from events where objectid=1 and %1 >= '%2'")
                              .arg(time, QDateTime(day, from).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))));
    ViewClock::set(QDateTime(day, QTime(23, 30)));

    QSqlDatabase db = TestServers::connection(server, QStringLiteral("view-") + server);
    QMutex mutex;
    LogView view(nullptr, 1, 0x5FFFF, &db, &mutex);
    f.rows = openSearched(view, day);
    auto *table = view.findChild<QTableWidget *>(QStringLiteral("tableWidget"));
    table->scrollToBottom();

    // Each row of the writer as it shows, at the end of the table.
    QElapsedTimer clock;
    clock.start();
    std::vector<qint64> shownNs(rowCount, -1);
    int checked = table->rowCount();
    const auto writtenRow = [&](int row) {
        const QTableWidgetItem *item = table->item(row, 3);
        const QString text = item ? item->text() : QString();
        const int i = text.startsWith(marker) ? text.mid(marker.size() + 1).toInt() - 1000000 : -1;
        return i >= 0 && i < rowCount ? i : -1;
    };
    // A row written late moves those after it: one may be looked at again.
    const auto look = [&] {
        for (; checked < table->rowCount(); ++checked) {
            const int i = writtenRow(checked);
            if (i >= 0 && shownNs[i] < 0)
                shownNs[i] = clock.nsecsElapsed();
        }
    };
    QTimer looking;
    QObject::connect(&looking, &QTimer::timeout, look);
    looking.start(5);

    Writer writer(server, day, clock);
    LoopProbe probe;
    probe.start();
    writer.start();
    runUntil([&] { return writer.isFinished(); });
    runUntil([&] { return std::count(shownNs.cbegin(), shownNs.cend(), -1) == 0; }, 10000);
    f.loopWorstMs = probe.stop();
    f.loopP99Ms = probe.percentile(99);
    look();

    std::vector<int> times(rowCount, 0);
    for (int row = 0; row < table->rowCount(); ++row) {
        if (writtenRow(row) >= 0)
            ++times[writtenRow(row)];
    }
    std::vector<double> latencies;
    for (int i = 0; i < rowCount; ++i) {
        f.twice += times[i] > 1;
        if (writer.committedNs[i] < 0)
            continue;
        if (times[i] == 0)
            ++f.lost;
        if (shownNs[i] >= 0)
            latencies.push_back((shownNs[i] - writer.committedNs[i]) / 1e6);
    }
    // What it shows then equals a fresh load, with the rows written late.
    {
        QSqlDatabase freshDb = TestServers::connection(server, QStringLiteral("fresh-") + server);
        QMutex freshMutex;
        LogView fresh(nullptr, 1, 0x5FFFF, &freshDb, &freshMutex);
        openSearched(fresh, day);
        const QStringList expected = rowsOf(fresh.findChild<QTableWidget *>(QStringLiteral("tableWidget")));
        f.asFresh = runUntil([&] { return rowsOf(table) == expected; }, 10000);
    }
    f.medianMs = percentile(latencies, 50);
    f.p99Ms = percentile(latencies, 99);
    if (writer.failed)
        std::fprintf(stderr, "%s: %d rows not written\n", qPrintable(server), int(writer.failed));
    ViewClock::reset();
    return f;
}

} // namespace

void runLogFollowBench()
{
    QVector<Figures> figures;
    const QStringList servers = TestServers::available();
    for (const QString &server : servers)
        figures << follow(server);

    std::printf("| following today, %d rows/s for %d s into the day, searched | ", rowsPerSecond, seconds);
    for (const QString &server : servers)
        std::printf("%s | ", server == QLatin1String("pg") ? "PostgreSQL" : "MariaDB");
    std::printf("\n|---|");
    for (int i = 0; i < servers.size(); ++i)
        std::printf("---|");
    std::printf("\n| rows of the day before |");
    for (const Figures &f : qAsConst(figures))
        std::printf(" %d |", f.rows);
    std::printf("\n| a committed row to its row shown, median / p99 |");
    for (const Figures &f : qAsConst(figures))
        std::printf(" %.0f / %.0f ms |", f.medianMs, f.p99Ms);
    std::printf("\n| GUI event-loop latency, p99 / worst |");
    for (const Figures &f : qAsConst(figures))
        std::printf(" %.1f / %.0f ms |", f.loopP99Ms, f.loopWorstMs);
    std::printf("\n| rows lost / shown twice; the table then as a fresh load (rows written late included) |");
    for (const Figures &f : qAsConst(figures))
        std::printf(" %d / %d; %s |", f.lost, f.twice, f.asFresh ? "yes" : "NO");
    std::printf("\n");
}
