#include "ControllerModel.h"

#include "Catalogue.h"
#include "Random.h"

#include <algorithm>
#include <cmath>

namespace {

const qint64 kDay = 86400;

// The common cycle of the generated days (seconds) by the hour of the day.
int cycleLength(int secondOfDay)
{
    const double h = secondOfDay / 3600.0;
    return h < 6 ? 60 : h < 7 ? 90 : h < 10 ? 120 : h < 16 ? 90 : h < 20 ? 120 : 80;
}

// Milliseconds to the next of events that come `perSecond` a second on average.
qint64 interval(double perSecond)
{
    return std::max<qint64>(1, qint64(-std::log(1.0 - frand()) * 1000.0 / perSecond));
}

double detectorScale(int object, int det) { return 0.55 + 0.45 * ((object * 7 + det * 5) % 10) / 9.0; }

std::string unquoted(const std::string &literal) { return literal.substr(1, literal.size() - 2); }

// A column as SQL literal and as the record shows it.
struct Columns
{
    LiveRow &row;
    Columns &integer(long long v)
    {
        row.sql.push_back(sqlInt(v));
        row.plain.push_back(row.sql.back());
        return *this;
    }
    Columns &real(double v, int decimals)
    {
        row.sql.push_back(sqlDouble(v, decimals));
        row.plain.push_back(row.sql.back());
        return *this;
    }
    Columns &null()
    {
        row.sql.push_back(kNull);
        row.plain.push_back("\\N");
        return *this;
    }
    Columns &time(qint64 secs)
    {
        row.sql.push_back(sqlTimestamp(secs));
        row.plain.push_back(unquoted(row.sql.back()));
        return *this;
    }
    Columns &timeOfDay(int sod)
    {
        row.sql.push_back(sqlTimeOfDay(sod));
        row.plain.push_back(unquoted(row.sql.back()));
        return *this;
    }
    Columns &bytes(const QByteArray &data)
    {
        row.sql.push_back(sqlBytes(data));
        row.plain.push_back(data.toHex().toStdString());
        return *this;
    }
    Columns &text(const QString &text)
    {
        row.sql.push_back(sqlString(text));
        row.plain.push_back(text.toStdString());
        return *this;
    }
};

} // namespace

ControllerModel::ControllerModel(const LiveOptions &options, qint64 sinceSecs)
    : m_options(options)
    , m_since(sinceSecs)
    , m_index(options.firstIndex)
{
    const qint64 first = (sinceSecs + 1) * 1000;
    m_next[Misc] = first + interval(m_options.rate);
    m_next[ControlSource] = first + interval(1.0 / 600);
    // The cycle running at the first second to write.
    const qint64 dayStart = (sinceSecs + 1) / kDay * kDay;
    qint64 t = dayStart;
    while (t + cycleLength(int(t - dayStart)) <= sinceSecs + 1)
        t += cycleLength(int(t - dayStart));
    m_next[Cycle] = t * 1000;
    m_next[Phase] = first;
    m_next[Quarter] = (sinceSecs / 900 * 900 + 900) * 1000;
    m_next[Minute] = (sinceSecs / 60 * 60 + 60) * 1000;
}

std::vector<LiveRow> ControllerModel::advanceTo(qint64 ms)
{
    for (;;) {
        const auto source = std::min_element(m_next.begin(), m_next.end());
        if (*source > ms)
            break;
        generate(Source(source - m_next.begin()));
    }
    std::vector<LiveRow> due;
    while (!m_pending.empty() && m_pending.begin()->first.first <= ms) {
        LiveRow row = std::move(m_pending.begin()->second);
        m_pending.erase(m_pending.begin());
        if (row.table == LiveEvents) {
            row.sql[kEventIndexColumn] = sqlInt(m_index++);
            row.plain[kEventIndexColumn] = row.sql[kEventIndexColumn];
        }
        due.push_back(std::move(row));
    }
    return due;
}

void ControllerModel::generate(Source source)
{
    const qint64 now = m_next[source];
    switch (source) {
    case Misc:
        pushEvent(miscEvent(now / 1000, m_seq, m_options.detectors, m_options.groups, false), now);
        m_next[Misc] += interval(m_options.rate);
        break;
    case ControlSource:
        pushEvent(controlSourceEvent(now / 1000, m_seq, irand(0, 7)), now);
        m_next[ControlSource] += interval(1.0 / 600);
        break;
    case Cycle:
        cycle();
        break;
    case Phase:
        phase();
        break;
    case Quarter:
        quarter();
        break;
    case Minute:
        minute();
        break;
    case SourceCount:
        break;
    }
}

// One cycle of every group, as on the generated days: group g in phase
// (g-1)%4, transition 3 s, open for its green, transition 3 s, closed. A
// group closing and the next one's transition often share a second.
void ControllerModel::cycle()
{
    const qint64 start = m_next[Cycle] / 1000;
    const qint64 dayStart = start / kDay * kDay;
    const int length = cycleLength(int(start - dayStart));
    static const double share[] = {0.35, 0.15, 0.30, 0.20};
    int offset = 0;
    for (int p = 0; p < 4; ++p) {
        const int slot = int(length * share[p]);
        for (int g = p + 1; g <= m_options.groups; g += 4) {
            const int green = std::max(4, slot - 6 + irand(-2, 0));
            const int marks[4] = {0, 3, 3 + green, 6 + green};
            const int states[4] = {2, 1, 2, 0};
            for (int k = 0; k < 4; ++k) {
                const qint64 t = start + offset + marks[k];
                const int jitter = irand(0, 999);
                if (t > m_since && t < dayStart + kDay)
                    pushEvent(signalGroupEvent(t, m_seq, g, states[k]), t * 1000 + jitter);
            }
        }
        offset += slot;
    }
    m_next[Cycle] = std::min(start + length, dayStart + kDay) * 1000;
}

// A phase is written when it ends, stamped with its start.
void ControllerModel::phase()
{
    const qint64 start = m_next[Phase] / 1000;
    const bool weekend = isWeekend(g_jd0 + start / kDay);
    const int length = std::min(60, 10 + int(trafficShape((start % kDay) / 3600.0, weekend) * 35) + irand(0, 15));
    const int promtact = irand(3, 5);
    const qint64 end = start + length + promtact;
    LiveRow row{LivePhases, end * 1000 + irand(0, 999), start, m_seq, {}, {}};
    Columns{row}.integer(m_options.object).time(start).integer(m_phaseId).integer(length).integer(promtact);
    push(std::move(row));
    m_phaseId = m_phaseId % 4 + 1;
    m_next[Phase] = end * 1000;
}

void ControllerModel::quarter()
{
    const qint64 end = m_next[Quarter] / 1000;
    const qint64 start = end - 900;
    const bool weekend = isWeekend(g_jd0 + start / kDay);
    const double hour = (start % kDay) / 3600.0 + 0.125;
    for (int det = 1; det <= m_options.detectors; ++det) {
        const double scale = detectorScale(m_options.object, det);
        const double intensity =
                std::min(1200.0, std::max(0.0, 1200.0 * scale * trafficShape(hour, weekend) * (1.0 + 0.08 * noise())));
        const double occupancy = std::min(60.0, std::max(0.0, intensity / 1200.0 * 45.0 + 2.0 * noise()));
        const double speed = std::min(70.0, std::max(20.0, 68.0 - occupancy * 0.75 + 2.5 * noise()));
        LiveRow row{LiveDt15, end * 1000 + irand(0, 999), start, m_seq, {}, {}};
        Columns columns{row};
        columns.integer(m_options.object).integer(det).time(start).real(intensity, 1).real(occupancy, 2).real(speed, 1);
        if (chance(0.0015))
            columns.null();
        else
            columns.integer(chance(0.02) ? 1 << irand(0, 3) : 0);
        push(std::move(row));
    }
    m_next[Quarter] += 900 * 1000;
}

void ControllerModel::minute()
{
    const qint64 end = m_next[Minute] / 1000;
    const qint64 start = end - 60;
    const bool weekend = isWeekend(g_jd0 + start / kDay);
    for (int det = 1; det <= m_options.detectors; ++det) {
        const int interval = chance(0.01) ? 30 : 60;
        const double mean = 20.0 * detectorScale(m_options.object, det) * trafficShape((start % kDay) / 3600.0, weekend)
                            * interval / 60.0;
        const int cars = std::min(30, std::max(0, int(mean + std::sqrt(mean + 0.5) * noise() + 0.5)));
        const double occupancy = std::min(60.0, std::max(0.0, cars * 1.6 + 1.5 * noise()));
        const double speed = cars == 0 ? 0.0 : std::min(70.0, std::max(20.0, 66.0 - occupancy * 0.7 + 3 * noise()));
        const int state = chance(0.01) ? 1 << irand(0, 3) : 0;
        LiveRow row{LiveRaw, end * 1000 + irand(0, 999), start, m_seq, {}, {}};
        Columns{row}.integer(m_options.object).integer(det).time(start).integer(cars).integer(interval)
                .real(occupancy, 2).real(speed, 1).integer(state);
        push(std::move(row));
    }
    m_next[Minute] += 60 * 1000;
}

void ControllerModel::pushEvent(const Event &event, qint64 due)
{
    LiveRow row{LiveEvents, due, event.time, m_seq, {}, {}};
    // The controller's clock runs two seconds behind, as on the generated days.
    Columns{row}.integer(m_options.object).time(event.time).timeOfDay(int(event.time % kDay) - 2)
            .integer(event.type).integer(event.value).bytes(event.data).integer(0).text(event.description);
    push(std::move(row));
}

void ControllerModel::push(LiveRow row)
{
    ++m_seq;
    const std::pair<qint64, int> key(row.due, row.seq);
    m_pending.emplace(key, std::move(row));
}
