// Following today. A follow step of the event log on a day that already
// holds 1 000 events and on one that holds 100 000, both ending in the same
// quarter hour of rows (one every ten seconds): a quiet step (nothing new),
// a step that finds one new row at the newest time, and one that finds a row
// written late, inside the 15 minutes before the newest. Wall clock of the
// worker from the request to complete(), which is the server's time plus a
// loopback round trip per statement; medians of many steps.
#include "HostKernel.h"
#include "TestServers.h"

#include "database/Database.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <cstdio>

namespace {

const uint object = 907;
const int steps = 101;
const int tailRows = 90; // the last quarter hour: one row every ten seconds

struct Day
{
    QDate date;
    int rows;
};

bool exec(QSqlDatabase &db, const QString &text)
{
    QSqlQuery query(db);
    if (query.exec(text))
        return true;
    std::fprintf(stderr, "%s\n%s\n", qPrintable(text), qPrintable(query.lastError().text()));
    return false;
}

// `rows` events of the object on the day: all but the last quarter hour's
// spread over 00:00 to 22:45, then one every ten seconds up to 23:00.
bool fill(QSqlDatabase &db, bool postgres, const Day &day, int *index)
{
    const QString start = day.date.toString(QStringLiteral("yyyy-MM-dd 00:00:00"));
    const int bulk = day.rows - tailRows;
    // 64-bit arithmetic: 100 000 rows times the seconds of a day overflow an int.
    const QString spread = QStringLiteral("%1 * %2 / %3")
                               .arg(postgres ? QStringLiteral("cast(i - 1 as bigint)") : QStringLiteral("(i - 1)"))
                               .arg(22 * 3600 + 45 * 60)
                               .arg(bulk);
    const QString tail = QStringLiteral("%1 + (i - %2) * 10").arg(22 * 3600 + 45 * 60).arg(bulk + 1);
    const QString second = QStringLiteral("case when i <= %1 then %2 else %3 end").arg(bulk).arg(spread, tail);
    const QString values = QStringLiteral("%1, %2, time '10:00:00', 1, i %% 7, %3 + i, concat('bench ', i)")
                               .arg(object)
                               .arg(postgres ? QStringLiteral("timestamp '%1' + (%2) * interval '1 second'")
                                                   .arg(start, second)
                                             : QStringLiteral("timestamp '%1' + interval (%2) second")
                                                   .arg(start, second))
                               .arg(*index)
                               .replace(QLatin1String("%%"), QLatin1String("%"));
    const QString rows = postgres ? QStringLiteral("generate_series(1, %1) as s(i)").arg(day.rows)
                                  : QStringLiteral("(select seq as i from seq_1_to_%1) s").arg(day.rows);
    *index += day.rows;
    return exec(db, QStringLiteral("insert into events (objectid, %1, devicetime, type, value, %2, description) "
                                   "select %3 from %4")
                        .arg(postgres ? QStringLiteral("time") : QStringLiteral("`time`"),
                             postgres ? QStringLiteral("\"index\"") : QStringLiteral("`index`"), values, rows));
}

bool insertRow(QSqlDatabase &db, bool postgres, const QDateTime &time, int index)
{
    return exec(db, QStringLiteral("insert into events (objectid, %1, devicetime, type, value, %2, description) "
                                   "values (%3, '%4', '10:00:00', 1, 0, %5, 'step %5')")
                        .arg(postgres ? QStringLiteral("time") : QStringLiteral("`time`"),
                             postgres ? QStringLiteral("\"index\"") : QStringLiteral("`index`"))
                        .arg(object)
                        .arg(time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")))
                        .arg(index));
}

// The rows of the day's log as the worker hands them out, their times.
class Follower
{
public:
    Follower(QSqlDatabase &db, QMutex *mutex)
        : m_worker(nullptr, &db, mutex)
    {
        QObject::connect(&m_worker, &Database::lumoLogData, &m_loop,
                         [this](const QDateTime &time) { m_incoming << time; });
        QObject::connect(&m_worker, &Database::followFrom, &m_loop,
                         [this](int, const QDateTime &from) { m_from = from; });
        QObject::connect(&m_worker, &Database::complete, &m_loop, &QEventLoop::quit);
    }
    ~Follower() { m_worker.stopAndWait(); }

    void load(const QDate &day)
    {
        m_day = day;
        m_times.clear();
        m_incoming.clear();
        m_worker.requestLog(object, day, day.addDays(1), 0x5FFFF);
        m_loop.exec();
        m_times = m_incoming;
    }

    // One step; its wall-clock nanoseconds. The rows it sends replace those
    // held from its time on, as a view's do.
    qint64 step()
    {
        Database::FollowCursor cursor;
        const QDateTime last = m_times.isEmpty() ? QDateTime(m_day, QTime(0, 0)) : m_times.last();
        cursor.newest = last.addMSecs(-last.time().msec());
        cursor.window = std::max(cursor.newest.addSecs(-15 * 60), QDateTime(m_day, QTime(0, 0)));
        for (const QDateTime &t : qAsConst(m_times)) {
            cursor.inWindow += t >= cursor.window;
            cursor.fromNewest += t >= cursor.newest;
        }
        m_incoming.clear();
        m_from = QDateTime();
        QElapsedTimer timer;
        timer.start();
        m_worker.followLog(object, cursor, m_day.addDays(1), 0x5FFFF);
        m_loop.exec();
        const qint64 took = timer.nsecsElapsed();
        if (m_from.isValid()) {
            m_times.erase(std::lower_bound(m_times.begin(), m_times.end(), m_from), m_times.end());
            m_times += m_incoming;
        }
        return took;
    }
    int rows() const { return m_times.size(); }

private:
    Database m_worker;
    QEventLoop m_loop;
    QDate m_day;
    QVector<QDateTime> m_times;
    QVector<QDateTime> m_incoming;
    QDateTime m_from;
};

double medianMs(QVector<qint64> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v.at(v.size() / 2) / 1e6;
}

// The three kinds of step on one day, each timed many times.
struct StepCosts
{
    Day day;
    QVector<qint64> quiet, newest, late;
};

// Steps on the two days alternate, so that whatever else the machine does
// weighs on both alike.
void measure(QSqlDatabase &owner, bool postgres, QVector<Follower *> followers, QVector<StepCosts> &costs, int *index)
{
    for (int d = 0; d < followers.size(); ++d) {
        followers[d]->load(costs[d].day.date);
        followers[d]->step(); // the connection is warm, as a view's is after its load
    }
    for (int i = 0; i < steps; ++i) {
        for (int d = 0; d < followers.size(); ++d) {
            Follower &follower = *followers[d];
            const QDateTime end(costs[d].day.date, QTime(23, 0));
            costs[d].quiet << follower.step();
            insertRow(owner, postgres, end.addSecs(i), ++*index);
            costs[d].newest << follower.step();
            // Late: inside the quarter hour before the newest row, between
            // two rows of the day.
            insertRow(owner, postgres, end.addSecs(-600 + 7 * i), ++*index);
            costs[d].late << follower.step();
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    qRegisterMetaType<LogMessageType>("LogMessageType");
    new Road::Kernel(&app);
    const Day small{QDate(2031, 1, 10), 1000};
    const Day large{QDate(2031, 1, 11), 100000};
    std::printf("| server | step | day of %d rows, ms | day of %d rows, ms | ratio |\n|---|---|---|---|---|\n",
                small.rows, large.rows);
    QMutex mutex;
    int n = 0;
    for (const QString &server : TestServers::available()) {
        const bool postgres = TestServers::isPostgres(server);
        QSqlDatabase owner = TestServers::connection(server, QStringLiteral("owner%1").arg(++n));
        if (!owner.open()) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(server), qPrintable(owner.lastError().text()));
            return 1;
        }
        exec(owner, QStringLiteral("delete from events where objectid = %1").arg(object));
        int index = 0;
        if (!fill(owner, postgres, small, &index) || !fill(owner, postgres, large, &index))
            return 1;
        exec(owner, postgres ? QStringLiteral("vacuum analyze events") : QStringLiteral("analyze table events"));
        QSqlDatabase db1 = TestServers::connection(server, QStringLiteral("small%1").arg(n));
        QSqlDatabase db2 = TestServers::connection(server, QStringLiteral("large%1").arg(n));
        Follower a(db1, &mutex);
        Follower b(db2, &mutex);
        QVector<StepCosts> costs{{small, {}, {}, {}}, {large, {}, {}, {}}};
        measure(owner, postgres, {&a, &b}, costs, &index);
        const QByteArray name = server.toLatin1();
        const auto line = [&](const char *what, QVector<qint64> StepCosts::*kind) {
            const double x = medianMs(costs[0].*kind);
            const double y = medianMs(costs[1].*kind);
            std::printf("| %s | %s | %.2f | %.2f | %.2f |\n", name.constData(), what, x, y, y / x);
        };
        line("nothing new", &StepCosts::quiet);
        line("a row at the newest time", &StepCosts::newest);
        line("a row written late", &StepCosts::late);
        if (a.rows() != small.rows + 2 * steps || b.rows() != large.rows + 2 * steps)
            std::printf("  (rows held differ: %d and %d)\n", a.rows(), b.rows());
        exec(owner, QStringLiteral("delete from events where objectid = %1").arg(object));
    }
    return 0;
}
