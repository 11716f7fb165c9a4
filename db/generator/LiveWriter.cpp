#include "LiveWriter.h"

#include "ControllerModel.h"
#include "Inserter.h"
#include "LinkOutages.h"
#include "Random.h"
#include "SqlText.h"

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QThread>

#include <csignal>

namespace {

volatile std::sig_atomic_t g_stop = 0;

void stopWriting(int) { g_stop = 1; }

const int kTickMs = 200;

} // namespace

LiveWriter::LiveWriter(const LiveOptions &options)
    : m_options(options)
{
}

LiveWriter::~LiveWriter()
{
    if (m_record)
        fclose(m_record);
}

qint64 LiveWriter::clockMs()
{
    const QDateTime now = QDateTime::currentDateTime();
    return (now.date().toJulianDay() - g_jd0) * 86400000 + now.time().msecsSinceStartOfDay();
}

int LiveWriter::run()
{
    g_dialect = m_options.dialect;
    g_rng.seed(m_options.seed);
    g_jd0 = QDate::currentDate().toJulianDay() - 1;
    if (!m_options.record.isEmpty()) {
        m_record = fopen(QFile::encodeName(m_options.record).constData(), "a");
        if (!m_record) {
            fprintf(stderr, "lumoview-dbgen: cannot write %s\n", qPrintable(m_options.record));
            return 1;
        }
    }
    // A reader that went away ends the writer with a write error, not a signal.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGTERM, stopWriting);
    std::signal(SIGINT, stopWriting);

    const qint64 startMs = clockMs();
    const qint64 sinceSecs = m_options.since.isValid()
                                     ? (m_options.since.date().toJulianDay() - g_jd0) * 86400
                                               + m_options.since.time().msecsSinceStartOfDay() / 1000
                                     : startMs / 1000;
    if (sinceSecs < 0 || sinceSecs * 1000 > startMs) {
        fprintf(stderr, "lumoview-dbgen: --since must lie between yesterday and now\n");
        return 2;
    }
    const qint64 endMs = m_options.duration > 0 ? startMs + qint64(m_options.duration) * 1000 : -1;
    ControllerModel controller(m_options, sinceSecs);
    LinkOutages outages(startMs, m_options.lateEvery, m_options.seed);
    std::map<qint64, std::vector<LiveRow>> held;  // by the end of their outage

    put(g_dialect == Dialect::Pg ? "SET client_encoding = 'UTF8';\n" : "SET NAMES utf8mb4;\n");
    Kind kind = m_options.since.isValid() ? Kind::CatchUp : Kind::Live;
    for (;;) {
        const qint64 now = clockMs();
        const bool last = g_stop || (endMs >= 0 && now >= endMs);
        std::vector<LiveRow> batch;
        for (LiveRow &row : controller.advanceTo(endMs >= 0 ? std::min(now, endMs) : now)) {
            const qint64 until = last ? -1 : outages.heldUntil(row.due);
            if (until < 0)
                batch.push_back(std::move(row));
            else
                held[until].push_back(std::move(row));
        }
        if (!commit(batch, kind, now))
            return 1;
        kind = Kind::Live;
        while (!held.empty() && (last || held.begin()->first <= now)) {
            if (!commit(held.begin()->second, Kind::Late, now))
                return 1;
            held.erase(held.begin());
        }
        if (last)
            return 0;
        QThread::msleep(ulong(kTickMs - now % kTickMs));
    }
}

bool LiveWriter::commit(const std::vector<LiveRow> &rows, Kind kind, qint64 nowMs)
{
    if (rows.empty())
        return true;
    put(g_dialect == Dialect::Pg ? "BEGIN;\n" : "START TRANSACTION;\n");
    for (int table = LiveEvents; table <= LiveRaw; ++table) {
        Inserter insert(kLiveTables[table].name, kLiveTables[table].columns);
        for (const LiveRow &row : rows) {
            if (row.table == table)
                insert.row(row.sql);
        }
    }
    put("COMMIT;\n");
    flushOut();
    if (fflush(stdout) != 0 || ferror(stdout)) {
        fprintf(stderr, "lumoview-dbgen: write error\n");
        return false;
    }
    record(rows, kind, nowMs);
    return true;
}

void LiveWriter::record(const std::vector<LiveRow> &rows, Kind kind, qint64 nowMs)
{
    ++m_batches;
    if (!m_record)
        return;
    static const char *const kinds[] = {"catch-up", "live", "late"};
    const std::string sent = sqlTimestamp(nowMs / 1000);
    char head[96];
    snprintf(head, sizeof head, "%d\t%s.%03d\t%s\t", m_batches, sent.substr(1, sent.size() - 2).c_str(),
             int(nowMs % 1000), kinds[int(kind)]);
    for (const LiveRow &row : rows) {
        std::string line = head;
        line += kLiveTables[row.table].name;
        for (const std::string &value : row.plain) {
            line += '\t';
            line += value;
        }
        line += '\n';
        fputs(line.c_str(), m_record);
    }
    fflush(m_record);
}
