// lumoview-dbgen: deterministic test/demo data for the LumoView event database.
//
//   lumoview-dbgen --dialect pg|mysql --size small|big|demo|dense|EVENTS --day YYYY-MM-DD [--seed N]
//   lumoview-dbgen --dialect pg|mysql --history CONTROLLERS,DAYS,DT15DAYS --day YYYY-MM-DD
//                  [--one-day] [--seed N]
//       a history for the benchmarks (see HistoryGenerator below)
//   lumoview-dbgen --dialect pg|mysql --live [--object N] [--since T] [--rate R] ...
//       a controller that keeps writing, in real time (see LiveWriter.h)
//   --now "YYYY-MM-DD hh:mm:ss": the time the data are written at (default
//       the current time); what a controller writes later is left out
//       (see FutureCut.h), so that today stops at the current time.
//
// Writes SQL (multi-row INSERTs inside one transaction) to stdout. The same
// arguments always give byte-identical output: std::mt19937 with explicit
// arithmetic only, no std distributions, fixed number formatting.
//
// Contents, D = --day:
//   object 1  current record generation: events.description holds a ready
//             text, data is 16 bytes (four little-endian 32-bit words), except
//             the signal-group events (type 7, value 5, 12 bytes: group,
//             state, 0). Small: 4 signal groups, window 07:00-09:00 of D only
//             (so that D stays near 2 000 rows); big: 16 groups, whole 7 days
//             D-6 .. D. Events on D for object 1: small about 2 000, big
//             exactly 100 000 — both counts INCLUDE the signal-group rows of D.
//             A number as the size (100000 or more) is the big data with
//             that many events of object 1 on D: a controller logging
//             high-resolution events.
//             Dense: the small set, but object 1's signal groups are 16
//             groups over the whole 7 days D-6 .. D on cycles a quarter as
//             long as the big week's (a change every few seconds: about
//             1.86 million signal-group rows), for the view's benchmark.
//   object 2  generation 3, object 4 generation 4: data = "  HH:MM  SRC  text"
//             in Windows-1251, description NULL; object 3 generation 2: data
//             "K1:" + Windows-1251 text. A few hundred rows on D each.
//   object 5  no detectors and no events.
//   detectors, globdt, dt15 (35 days), dt15p, detectorsdata (D-1, D),
//   dthealth (60 days), uplimits/downlimits, analysisdaytypes (with a
//   deliberate duplicate for weekday 3), phasesdata (objects 1, 2; D-1, D).
//   object 6  records on and around the bounds of D in every dated table.
//   object 7  a detector's 15-minute data on D's weekday over eight weeks.

#include "Catalogue.h"
#include "FutureCut.h"
#include "Inserter.h"
#include "LiveOptions.h"
#include "LiveWriter.h"
#include "Random.h"
#include "SqlText.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTextCodec>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

class Generator
{
public:
    bool m_wholeDaySignalGroups = false;
    bool m_denseWeek = false;
    // `dayEvents`: object 1's events on D in the big layout, 0 for small.
    Generator(qint64 dayJd, int dayEvents) : m_day(dayJd), m_big(dayEvents > 0), m_dayEvents(dayEvents)
    {
        g_jd0 = dayJd - 60;  // everything we write lies after this day
    }

    void run()
    {
        if (g_dialect == Dialect::Pg) {
            put("SET client_encoding = 'UTF8';\nBEGIN;\n");
        } else {
            put("SET NAMES utf8mb4;\nSTART TRANSACTION;\n");
        }
        eventTypes();
        detectors();
        analysisDayTypes();
        eventsObject1();
        eventsOld(2, 3);
        eventsOld(3, 2);
        eventsOld(4, 4);
        phases();
        dt15();
        dt15p();
        detectorsData();
        dtHealth();
        limits();
        dt15Nulls();
        dayBoundaryRecords();
        boxStatisticsRecords();
        put("COMMIT;\n");
        flushOut();
    }

private:
    qint64 dayStart(qint64 jd) const { return (jd - g_jd0) * 86400; }
    int detectorCount(int object) const { return object == 1 ? (m_big ? 16 : 4) : 2; }

    void eventTypes()
    {
        Inserter ins("eventtypes", {"id", "description"});
        for (const auto &t : kEventTypes)
            ins.row({sqlInt(t.id), sqlString(QString::fromUtf8(t.description))});
    }

    void detectors()
    {
        Inserter ins("detectors", {"objectid", "id", "collect", "useglobalparam", "alpha", "beta", "tp", "kc"});
        for (int object : {1, 2}) {
            for (int id = 1; id <= detectorCount(object); ++id) {
                const bool collect = !(object == 1 && id == 4);
                const bool global = object == 1 && id == 3;
                ins.row({sqlInt(object), sqlInt(id), sqlBool(collect), sqlInt(global ? 1 : 0),
                         // Angles near 90°: a lane carries up to ~38 veh/h per
                         // percent of occupancy; tp in seconds per vehicle, kc a share.
                         sqlDouble(frange(88.6, 89.2), 2), sqlDouble(frange(88.4, 89.0), 2),
                         sqlDouble(frange(0.2, 0.4), 2), sqlDouble(frange(0.1, 0.2), 2)});
            }
        }
        ins.finish();
        Inserter g("globdt", {"alpha", "beta", "tp", "kc"});
        g.row({sqlDouble(88.8, 2), sqlDouble(88.6, 2), sqlDouble(0.3, 2), sqlDouble(0.15, 2)});
    }

    void analysisDayTypes()
    {
        Inserter ins("analysisdaytypes", {"weekday", "daytype"});
        for (int wd = 1; wd <= 7; ++wd)
            ins.row({sqlInt(wd), sqlInt(wd <= 5 ? 1 : (wd == 6 ? 2 : 3))});
        ins.row({sqlInt(3), sqlInt(2)});  // deliberate duplicate: a known fault case
    }

    // ---- events ----
    void writeEvents(int object, std::vector<Event> &events, int &index)
    {
        std::sort(events.begin(), events.end(), [](const Event &a, const Event &b) {
            return a.time != b.time ? a.time < b.time : a.seq < b.seq;
        });
        Inserter ins("events", {"objectid", "time", "devicetime", "type", "value", "data", "index", "description"});
        for (const Event &e : events) {
            // The controller clock runs two seconds behind.
            ins.row({sqlInt(object), sqlTimestamp(e.time), sqlTimeOfDay(int(e.time % 86400) - 2), sqlInt(e.type),
                     sqlInt(e.value), sqlBytes(e.data), sqlInt(++index),
                     e.hasDescription ? sqlString(e.description) : kNull});
        }
    }

    void add(std::vector<Event> &v, qint64 t, int type, int value, const QByteArray &data, const QString &descr)
    {
        v.push_back(Event{t, m_seq++, type, value, data, descr, true});
    }

    // Signal-group events of one day for object 1: a common cycle whose
    // length follows the time-of-day plan, four phases; group g is in phase
    // (g-1)%4. Each group: transition 3 s, open for its green, transition
    // 3 s, closed for the rest of the cycle. A divisor above 1 shortens the
    // plan's cycles that many times (the dense week).
    void signalGroups(std::vector<Event> &v, qint64 jd, int groups, int fromSec, int toSec, int divisor = 1)
    {
        static const char *const states[] = {"закрыта", "открыта", "переход"};
        const qint64 base = dayStart(jd);
        int t = fromSec;
        while (t < toSec) {
            const double h = t / 3600.0;
            int cycle;
            if (h < 6)
                cycle = 60;
            else if (h < 7)
                cycle = 90;
            else if (h < 10)
                cycle = 120;
            else if (h < 16)
                cycle = 90;
            else if (h < 20)
                cycle = 120;
            else
                cycle = 80;
            cycle /= divisor;
            // phase shares of the cycle: 0.35, 0.15, 0.30, 0.20
            static const double share[] = {0.35, 0.15, 0.30, 0.20};
            int offset = 0;
            for (int p = 0; p < 4; ++p) {
                const int slot = int(cycle * share[p]);
                for (int g = p + 1; g <= groups; g += 4) {
                    int green = slot - 6 + irand(-2, 0);
                    if (green < 4)
                        green = 4;
                    const int marks[4] = {0, 3, 3 + green, 6 + green};
                    const int st[4] = {2, 1, 2, 0};
                    for (int k = 0; k < 4; ++k) {
                        const int s = t + offset + marks[k];
                        if (s >= toSec)
                            continue;
                        add(v, base + s, 7, 5, le32({g, st[k], 0}),
                            QString::fromUtf8("Сигнальная группа %1: %2").arg(g).arg(QString::fromUtf8(states[st[k]])));
                    }
                }
                offset += slot;
            }
            t += cycle;
        }
    }

    // Control-source changes on object 1: a few a day.
    void controlSources(std::vector<Event> &v, qint64 jd)
    {
        struct Change { int hour; int value; };
        static const Change plan[] = {{0, 4}, {6, 1}, {10, 5}, {10, 0}, {11, 1}, {14, 3},
                                      {15, 1}, {19, 6}, {22, 7}, {23, 2}, {23, 4}};
        const qint64 base = dayStart(jd);
        int last = -1;
        for (const Change &c : plan) {
            int s = c.hour * 3600 + irand(60, 1700);
            if (s <= last)
                s = last + irand(30, 300);
            last = s;
            add(v, base + s, 2, c.value, le32({c.value, 0, 0, 0}),
                QString::fromUtf8("Источник управления %1").arg(QString::fromUtf8(kControlSources[c.value])));
        }
    }

    // One miscellaneous current-generation event at second s of day jd.
    void miscEvent(std::vector<Event> &v, qint64 jd, int s, bool bulk)
    {
        v.push_back(::miscEvent(dayStart(jd) + s, m_seq++, detectorCount(1), m_big ? 16 : 4, bulk));
    }

    void eventsObject1()
    {
        int index = 0;
        if (m_big) {
            // D-6 .. D-1: signal groups (whole days) and control sources.
            for (qint64 jd = m_day - 6; jd < m_day; ++jd) {
                std::vector<Event> v;
                signalGroups(v, jd, 16, 0, 86400);
                controlSources(v, jd);
                writeEvents(1, v, index);
            }
            std::vector<Event> v;
            signalGroups(v, m_day, 16, 0, 86400);
            controlSources(v, m_day);
            while (int(v.size()) < m_dayEvents)
                miscEvent(v, m_day, shapedSecond(isWeekend(m_day)), true);
            writeEvents(1, v, index);
        } else if (m_denseWeek) {
            for (qint64 jd = m_day - 6; jd < m_day; ++jd) {
                std::vector<Event> v;
                signalGroups(v, jd, 16, 0, 86400, 4);
                controlSources(v, jd);
                writeEvents(1, v, index);
            }
            std::vector<Event> v;
            signalGroups(v, m_day, 16, 0, 86400, 4);
            controlSources(v, m_day);
            // The small day's other events beside them.
            const size_t target = v.size() + 2000;
            while (v.size() < target)
                miscEvent(v, m_day, shapedSecond(isWeekend(m_day)), false);
            writeEvents(1, v, index);
        } else {
            std::vector<Event> v;
            if (!m_wholeDaySignalGroups)
                signalGroups(v, m_day, 4, 7 * 3600, 9 * 3600);
            controlSources(v, m_day);
            while (int(v.size()) < 2000)
                miscEvent(v, m_day, shapedSecond(isWeekend(m_day)), false);
            // The demo shows the signal groups of any hour of the day.
            if (m_wholeDaySignalGroups)
                signalGroups(v, m_day, 4, 0, 86400);
            writeEvents(1, v, index);
        }
    }

    // Older record generations: texts in Windows-1251 inside data.
    void eventsOld(int object, int generation)
    {
        std::vector<Event> v;
        const int count = irand(250, 400);
        const qint64 base = dayStart(m_day);
        for (int i = 0; i < count; ++i) {
            const int s = shapedSecond(false);
            const int kind = irand(0, 99);
            int type, value;
            if (kind < 20) {
                type = 1;
                static const int services[] = {1, 2, 5, 6, 1, 2, 5, 6, 3};
                value = services[irand(0, 8)];
            } else if (kind < 40) {
                type = 2;
                value = irand(0, 7);
            } else if (kind < 65) {
                type = 3;
                const int r = irand(0, 9);
                value = r == 0 ? 30 : (r < 3 ? irand(240, 255) : irand(0, 47));
            } else {
                static const int others[] = {4, 5, 6, 8};  // type 7 (signal groups) only on object 1
                type = others[irand(0, 3)];
                value = irand(0, 15);
            }
            const QString text = QString::fromUtf8(kOldTexts[irand(0, int(sizeof kOldTexts / sizeof *kOldTexts) - 1)]);
            QByteArray data;
            if (generation == 2) {
                data = QByteArray("K1:") + g_cp1251->fromUnicode(text);
            } else {
                const QString src = QString::fromUtf8(kOldSources[irand(0, 4)]);
                char hm[8];
                snprintf(hm, sizeof hm, "%02d:%02d", s / 3600, s / 60 % 60);
                const QString line = QStringLiteral("  ") + QLatin1String(hm) + QStringLiteral("  ") + src
                                     + QStringLiteral("  ") + text;
                data = g_cp1251->fromUnicode(line);
            }
            v.push_back(Event{base + s, m_seq++, type, value, data, QString(), false});
        }
        int index = 0;
        writeEvents(object, v, index);
    }

    // ---- phases ----
    void phases()
    {
        Inserter ins("phasesdata", {"objectid", "time", "phaseid", "length", "promtact"});
        for (int object : {1, 2}) {
            for (qint64 jd = m_day - 1; jd <= m_day; ++jd) {
                const qint64 base = dayStart(jd);
                int t = irand(0, 20);
                int phase = 1;
                while (t < 86400) {
                    const double shape = trafficShape(t / 3600.0, isWeekend(jd));
                    int length = 10 + int(shape * 35) + irand(0, 15);
                    if (length > 60)
                        length = 60;
                    const int promtact = irand(3, 5);
                    ins.row({sqlInt(object), sqlTimestamp(base + t), sqlInt(phase), sqlInt(length), sqlInt(promtact)});
                    t += length + promtact;
                    phase = phase % 4 + 1;
                }
            }
        }
    }

    // ---- detector data ----
    double detectorScale(int object, int det) const { return 0.55 + 0.45 * ((object * 7 + det * 5) % 10) / 9.0; }

    void dt15()
    {
        Inserter ins("dt15", {"objectid", "detectorid", "time", "intensity", "occupancy", "speed", "state"});
        for (int object : {1, 2}) {
            for (int det = 1; det <= detectorCount(object); ++det) {
                const double scale = detectorScale(object, det);
                for (qint64 jd = m_day - 34; jd <= m_day; ++jd) {
                    const bool weekend = isWeekend(jd);
                    // one whole day missing for object 1 detector 3
                    if (object == 1 && det == 3 && jd == m_day - 9)
                        continue;
                    for (int slot = 0; slot < 96; ++slot) {
                        const int sod = slot * 900;
                        // deliberate gap: D 10:00-10:45 for detector 2
                        if (det == 2 && jd == m_day && sod >= 36000 && sod <= 38700)
                            continue;
                        if (chance(0.003))
                            continue;  // a few random missing slots
                        double intensity = 1200.0 * scale * trafficShape(sod / 3600.0 + 0.125, weekend)
                                           * (1.0 + 0.08 * noise());
                        intensity = std::min(1200.0, std::max(0.0, intensity));
                        double occupancy = intensity / 1200.0 * 45.0 + 2.0 * noise();
                        occupancy = std::min(60.0, std::max(0.0, occupancy));
                        double speed = 68.0 - occupancy * 0.75 + 2.5 * noise();
                        speed = std::min(70.0, std::max(20.0, speed));
                        std::string state = "0";
                        if (chance(0.0015))
                            state = kNull;
                        else if (chance(0.02))
                            state = sqlInt(1 << irand(0, 3));
                        ins.row({sqlInt(object), sqlInt(det), sqlTimestamp(dayStart(jd) + sod), sqlDouble(intensity, 1),
                                 sqlDouble(occupancy, 2), sqlDouble(speed, 1), state});
                    }
                }
            }
        }
    }

    void dt15p()
    {
        Inserter ins("dt15p", {"objectid", "detectorid", "daytype", "time", "intensity", "occupancy", "speed"});
        static const int daytypes[] = {1, 2, 3, 10, 11, 12, 13, 14, 15, 16};
        for (int object : {1, 2}) {
            for (int det = 1; det <= detectorCount(object); ++det) {
                const double scale = detectorScale(object, det);
                for (int dt : daytypes) {
                    // 2 = Saturday, 3 = holiday, 15/16 = Saturday/Sunday
                    const bool weekend = dt == 2 || dt == 3 || dt == 15 || dt == 16;
                    const double dayFactor = dt == 3 || dt == 16 ? 0.85 : (dt == 14 ? 1.05 : 1.0);
                    for (int slot = 0; slot < 96; ++slot) {
                        const int sod = slot * 900;
                        double intensity = 1200.0 * scale * dayFactor * trafficShape(sod / 3600.0 + 0.125, weekend)
                                           * (1.0 + 0.02 * noise());
                        intensity = std::min(1200.0, std::max(0.0, intensity));
                        const double occupancy = std::min(60.0, intensity / 1200.0 * 45.0);
                        const double speed = std::min(70.0, std::max(20.0, 68.0 - occupancy * 0.75));
                        ins.row({sqlInt(object), sqlInt(det), sqlInt(dt), sqlTimeOfDay(sod), sqlDouble(intensity, 1),
                                 sqlDouble(occupancy, 2), sqlDouble(speed, 1)});
                    }
                }
                // The other day types of the grouping list get smooth profiles
                // without noise, so the random stream of the tables after this
                // one stays as it was.
                for (int dt : {0, 4, 5, 6, 7, 8, 9}) {
                    const bool weekend = dt >= 5 && dt <= 8;
                    for (int slot = 0; slot < 96; ++slot) {
                        const int sod = slot * 900;
                        const double intensity = std::min(
                                1200.0, 1200.0 * scale * trafficShape(sod / 3600.0 + 0.125, weekend));
                        const double occupancy = std::min(60.0, intensity / 1200.0 * 45.0);
                        const double speed = std::min(70.0, std::max(20.0, 68.0 - occupancy * 0.75));
                        ins.row({sqlInt(object), sqlInt(det), sqlInt(dt), sqlTimeOfDay(sod), sqlDouble(intensity, 1),
                                 sqlDouble(occupancy, 2), sqlDouble(speed, 1)});
                    }
                }
            }
        }
    }

    void detectorsData()
    {
        Inserter ins("detectorsdata",
                     {"objectid", "detectorid", "time", "cars", "interval", "occupancy", "speed", "state"});
        for (int det = 1; det <= detectorCount(1); ++det) {
            const double scale = detectorScale(1, det);
            for (qint64 jd = m_day - 1; jd <= m_day; ++jd) {
                const bool weekend = isWeekend(jd);
                for (int minute = 0; minute < 1440; ++minute) {
                    const int sod = minute * 60;
                    int interval = chance(0.01) ? 30 : 60;
                    const double mean = 20.0 * scale * trafficShape(sod / 3600.0, weekend) * interval / 60.0;
                    int cars = int(mean + std::sqrt(mean + 0.5) * noise() + 0.5);
                    cars = std::min(30, std::max(0, cars));
                    double occupancy = std::min(60.0, std::max(0.0, cars * 1.6 + 1.5 * noise()));
                    double speed = cars == 0 ? 0.0 : std::min(70.0, std::max(20.0, 66.0 - occupancy * 0.7 + 3 * noise()));
                    int state = chance(0.01) ? (1 << irand(0, 3)) : 0;
                    const int r = irand(0, 999);
                    if (r < 3) {  // outlier: stuck-on detector
                        cars = 1;
                        occupancy = 90.0;
                        speed = 5.0;
                    } else if (r < 5) {  // outlier: many cars, no occupancy
                        cars = 30;
                        occupancy = 0.0;
                        speed = 120.0;
                    } else if (r < 7) {  // outlier: cars without speed
                        cars = 20;
                        speed = 0.0;
                    }
                    ins.row({sqlInt(1), sqlInt(det), sqlTimestamp(dayStart(jd) + sod), sqlInt(cars), sqlInt(interval),
                             sqlDouble(occupancy, 2), sqlDouble(speed, 1), sqlInt(state)});
                }
            }
        }
    }

    void dtHealth()
    {
        Inserter ins("dthealth", {"objectid", "detectorid", "date", "health"});
        for (int object : {1, 2}) {
            for (int det = 1; det <= detectorCount(object); ++det) {
                for (qint64 jd = m_day - 59; jd <= m_day; ++jd) {
                    if (chance(0.05))
                        continue;  // some days missing
                    int health;
                    const int r = irand(0, 99);
                    if (r < 70)
                        health = irand(95, 100);
                    else if (r < 90)
                        health = irand(70, 94);
                    else if (r < 97)
                        health = irand(20, 69);
                    else
                        health = irand(0, 19);
                    if (object == 1 && det == 4 && jd >= m_day - 4)
                        health = 0;  // detector 4 dead for the last days
                    ins.row({sqlInt(object), sqlInt(det), sqlDate(jd), sqlInt(health)});
                }
            }
        }
    }

    void limits()
    {
        Inserter up("uplimits", {"objectid", "detectorid", "daytype", "time_offset", "limit"});
        std::vector<std::vector<std::string>> downRows;
        for (int det = 1; det <= detectorCount(1); ++det) {
            const double scale = detectorScale(1, det);
            for (int dt = 1; dt <= 3; ++dt) {
                for (int minute = 0; minute < 1440; minute += 60) {
                    const double base = 1200.0 * scale * trafficShape(minute / 60.0 + 0.5, dt != 1);
                    const double hi = std::min(1500.0, base * 1.35 + 40.0);
                    const double lo = std::max(0.0, base * 0.6 - 20.0);
                    up.row({sqlInt(1), sqlInt(det), sqlInt(dt), sqlInt(minute), sqlDouble(hi, 1)});
                    downRows.push_back({sqlInt(1), sqlInt(det), sqlInt(dt), sqlInt(minute), sqlDouble(lo, 1)});
                }
            }
        }
        up.finish();
        Inserter down("downlimits", {"objectid", "detectorid", "daytype", "time_offset", "limit"});
        for (const auto &r : downRows)
            down.row(r);
    }

    // A day of its own (D-36, before the other detector data) where values
    // and states are missing: object 2, detectors 1 and 2, 08:00-08:45.
    // States 0, NULL, 4/NULL, 0: the selection 1+2 has an all-NULL state at
    // 08:15 and no value at 08:30. No random numbers, so every other row
    // stays as it was.
    void dt15Nulls()
    {
        Inserter ins("dt15", {"objectid", "detectorid", "time", "intensity", "occupancy", "speed", "state"});
        const qint64 base = dayStart(m_day - 36) + 8 * 3600;
        const struct
        {
            int detector, slot;
            const char *intensity, *occupancy, *speed, *state;
        } rows[] = {
            {1, 0, "100.0", "10.00", "50.0", "0"},  {2, 0, "60.0", "8.00", "55.0", "0"},
            {1, 1, "110.0", "11.00", "50.0", "NULL"}, {2, 1, "70.0", "9.00", "54.0", "NULL"},
            {1, 2, "NULL", "NULL", "NULL", "4"},     {2, 2, "NULL", "NULL", "NULL", "NULL"},
            {1, 3, "120.0", "12.00", "49.0", "0"},  {2, 3, "80.0", "9.00", "53.0", "0"},
        };
        for (const auto &r : rows)
            ins.row({sqlInt(2), sqlInt(r.detector), sqlTimestamp(base + r.slot * 900), r.intensity, r.occupancy,
                     r.speed, r.state});
    }

    // Object 6: a few records of every dated table on and around the
    // bounds of D, for the tests of the statements' day ranges. The time
    // stamps: the day before's last second, D's midnight, noon and last
    // second, half a second later (PostgreSQL keeps it; MariaDB's datetime
    // cuts the fraction off), the next day's midnight; also around D-7, the
    // same weekday a week before. No random numbers: the other tables'
    // data stay as they were.
    void dayBoundaryRecords()
    {
        const int object = 6;
        const qint64 d = dayStart(m_day);
        struct Stamp { qint64 secs; bool half; };
        const std::vector<Stamp> stamps = {
            {d - 7 * 86400 - 1, false}, {d - 7 * 86400, false}, {d - 6 * 86400 - 1, false},
            {d - 6 * 86400 - 1, true},  {d - 6 * 86400, false}, {d - 1, false},
            {d, false},                 {d + 43200, false},     {d + 86399, false},
            {d + 86399, true},          {d + 86400, false},     {d + 86401, false}};
        auto stamp = [](const Stamp &s) {
            std::string text = sqlTimestamp(s.secs);
            if (s.half)
                text.insert(text.size() - 1, ".5");
            return text;
        };

        Inserter detectors("detectors", {"objectid", "id", "collect", "useglobalparam", "alpha", "beta", "tp", "kc"});
        for (int id = 1; id <= 2; ++id)
            detectors.row({sqlInt(object), sqlInt(id), sqlBool(true), sqlInt(0), sqlDouble(45.0, 2),
                           sqlDouble(45.0, 2), sqlDouble(0.3, 2), sqlDouble(0.15, 2)});
        detectors.finish();

        Inserter events("events", {"objectid", "time", "devicetime", "type", "value", "data", "index", "description"});
        int index = 0;
        for (const Stamp &s : stamps) {
            const int n = index / 3 + 1;
            const std::string device = sqlTimeOfDay(int(s.secs % 86400));
            events.row({sqlInt(object), stamp(s), device, sqlInt(2), sqlInt(n % 8), sqlBytes(le32({n % 8, 0, 0, 0})),
                        sqlInt(++index), sqlString(QStringLiteral("Источник управления %1").arg(n))});
            events.row({sqlInt(object), stamp(s), device, sqlInt(7), sqlInt(5), sqlBytes(le32({1, n % 3, 0})),
                        sqlInt(++index), sqlString(QStringLiteral("Сигнальная группа 1: %1").arg(n))});
            events.row({sqlInt(object), stamp(s), device, sqlInt(1), sqlInt(n), sqlBytes(le32({n, 0, 0, 0})),
                        sqlInt(++index), sqlString(QStringLiteral("Служба %1").arg(n))});
        }
        events.finish();

        // One table after the other: an Inserter's statement must end
        // before the next one begins.
        Inserter phases("phasesdata", {"objectid", "time", "phaseid", "length", "promtact"});
        for (size_t n = 1; n <= stamps.size(); ++n)
            phases.row({sqlInt(object), stamp(stamps[n - 1]), sqlInt(n % 4 + 1), sqlInt(10 + n), sqlInt(3)});
        phases.finish();
        Inserter dt15("dt15", {"objectid", "detectorid", "time", "intensity", "occupancy", "speed", "state"});
        for (size_t n = 1; n <= stamps.size(); ++n) {
            for (int det = 1; det <= 2; ++det)
                dt15.row({sqlInt(object), sqlInt(det), stamp(stamps[n - 1]), sqlDouble(100.0 * det + n, 1),
                          sqlDouble(n + det / 10.0, 2), sqlDouble(40.0 + n, 1), sqlInt(n % 2 ? 0 : 1 << det)});
        }
        dt15.finish();
        Inserter raw("detectorsdata", {"objectid", "detectorid", "time", "cars", "interval", "occupancy", "speed", "state"});
        for (size_t n = 1; n <= stamps.size(); ++n) {
            for (int det = 1; det <= 2; ++det)
                raw.row({sqlInt(object), sqlInt(det), stamp(stamps[n - 1]), sqlInt(n + det), sqlInt(60),
                         sqlDouble(n * 2.0, 2), sqlDouble(50.0, 1), sqlInt(0)});
        }
    }

    // Object 7: one detector's 15-minute intensity on D's weekday of eight
    // weeks, D-49 .. D: 8 values at 08:00, 7 at 08:15, 6 at 08:30 and 5 at
    // 08:45, so that the statistics' halves have even and odd counts. No
    // random numbers: the other tables' data stay as they were.
    void boxStatisticsRecords()
    {
        const int object = 7;
        Inserter detector("detectors", {"objectid", "id", "collect", "useglobalparam", "alpha", "beta", "tp", "kc"});
        detector.row({sqlInt(object), sqlInt(1), sqlBool(true), sqlInt(0), sqlDouble(45.0, 2), sqlDouble(45.0, 2),
                      sqlDouble(0.3, 2), sqlDouble(0.15, 2)});
        detector.finish();
        static const int values[] = {13, 7, 29, 2, 18, 41, 11, 25};
        Inserter dt15("dt15", {"objectid", "detectorid", "time", "intensity", "occupancy", "speed", "state"});
        for (int slot = 0; slot < 4; ++slot) {
            for (int week = 0; week < 8 - slot; ++week)
                dt15.row({sqlInt(object), sqlInt(1), sqlTimestamp(dayStart(m_day - 7 * week) + 8 * 3600 + slot * 900),
                          sqlDouble(values[week] + 100.0 * slot, 1), sqlDouble(5.0, 2), sqlDouble(50.0, 1), sqlInt(0)});
        }
    }

    qint64 m_day;
    bool m_big;
    int m_dayEvents;
    int m_seq = 0;
};

// Years of history in small: `controllers` controllers, each with 4
// detectors, `days` days of events, phases and raw detector records and
// `dtDays` days of 15-minute data and health, ending with `day`. Every
// table's rows are written in time order with the controllers interleaved,
// as a centre's database fills. With `oneDay` only the days the views read
// for `day` are written (the day and the day before, the same weekday 15
// weeks back, a month of health), for every controller, so that the rows
// of a day lie as densely as in the history: the same rows byte for byte,
// since everything is generated all the same and the random stream agrees.
class HistoryGenerator
{
public:
    HistoryGenerator(qint64 dayJd, int controllers, int days, int dtDays, bool oneDay)
        : m_day(dayJd), m_controllers(controllers), m_days(days), m_dtDays(std::max(days, dtDays)), m_oneDay(oneDay)
    {
        g_jd0 = dayJd - m_dtDays;
    }

    void run()
    {
        put(g_dialect == Dialect::Pg ? "SET client_encoding = 'UTF8';\n" : "SET NAMES utf8mb4;\n");
        begin();
        staticTables();
        for (qint64 jd = m_day - m_dtDays + 1; jd <= m_day; ++jd) {
            dayOfDt15(jd);
            if (jd > m_day - m_days) {
                dayOfEvents(jd);
                dayOfPhases(jd);
                dayOfRecords(jd);
            }
            put("COMMIT;\n");
            begin();
        }
        put("COMMIT;\n");
        flushOut();
    }

private:
    static const int detectorCount = 4;

    struct Row
    {
        qint64 time;
        int object;
        std::vector<std::string> values;
    };

    static void begin() { put(g_dialect == Dialect::Pg ? "BEGIN;\n" : "START TRANSACTION;\n"); }
    qint64 dayStart(qint64 jd) const { return (jd - g_jd0) * 86400; }
    // What the views read on the day: the day itself and the day before
    // (yesterday's curve when the day is today).
    bool keepDay(qint64 jd) const { return !m_oneDay || jd >= m_day - 1; }
    bool keepDt15(qint64 jd) const { return keepDay(jd) || ((m_day - jd) % 7 == 0 && m_day - jd <= 7 * 15); }

    // Rows of one day of all controllers, in time order.
    static void write(const char *table, std::vector<const char *> columns, std::vector<Row> &rows)
    {
        std::stable_sort(rows.begin(), rows.end(), [](const Row &a, const Row &b) {
            return a.time != b.time ? a.time < b.time : a.object < b.object;
        });
        Inserter ins(table, std::move(columns));
        for (const Row &row : rows)
            ins.row(row.values);
        ins.finish();
        rows.clear();
    }

    void staticTables()
    {
        Inserter types("eventtypes", {"id", "description"});
        for (const auto &t : kEventTypes)
            types.row({sqlInt(t.id), sqlString(QString::fromUtf8(t.description))});
        types.finish();
        Inserter g("globdt", {"alpha", "beta", "tp", "kc"});
        g.row({sqlDouble(88.8, 2), sqlDouble(88.6, 2), sqlDouble(0.3, 2), sqlDouble(0.15, 2)});
        g.finish();
        Inserter a("analysisdaytypes", {"weekday", "daytype"});
        for (int wd = 1; wd <= 7; ++wd)
            a.row({sqlInt(wd), sqlInt(wd <= 5 ? 1 : (wd == 6 ? 2 : 3))});
        a.finish();

        std::vector<Row> detectors, profiles, up, down;
        for (int object = 1; object <= m_controllers; ++object) {
            for (int det = 1; det <= detectorCount; ++det) {
                const double scale = scaleOf(object, det);
                detectors.push_back({0, object, {sqlInt(object), sqlInt(det), sqlBool(true), sqlInt(0),
                                                 sqlDouble(frange(88.6, 89.2), 2), sqlDouble(frange(88.4, 89.0), 2),
                                                 sqlDouble(frange(0.2, 0.4), 2), sqlDouble(frange(0.1, 0.2), 2)}});
                for (int daytype = 0; daytype <= 16; ++daytype) {
                    const bool weekend = daytype == 2 || daytype == 3 || daytype >= 15;
                    for (int slot = 0; slot < 96; ++slot) {
                        const double intensity = std::min(1200.0, 1200.0 * scale * trafficShape(slot / 4.0 + 0.125, weekend)
                                                                      * (1.0 + 0.02 * noise()));
                        const double occupancy = std::min(60.0, intensity / 1200.0 * 45.0);
                        profiles.push_back({0, object, {sqlInt(object), sqlInt(det), sqlInt(daytype), sqlTimeOfDay(slot * 900),
                                                        sqlDouble(intensity, 1), sqlDouble(occupancy, 2),
                                                        sqlDouble(std::max(20.0, 68.0 - occupancy * 0.75), 1)}});
                    }
                }
                for (int daytype = 1; daytype <= 3; ++daytype) {
                    for (int minute = 0; minute < 1440; minute += 60) {
                        const double base = 1200.0 * scale * trafficShape(minute / 60.0 + 0.5, daytype != 1);
                        up.push_back({0, object, {sqlInt(object), sqlInt(det), sqlInt(daytype), sqlInt(minute),
                                                  sqlDouble(std::min(1500.0, base * 1.35 + 40.0), 1)}});
                        down.push_back({0, object, {sqlInt(object), sqlInt(det), sqlInt(daytype), sqlInt(minute),
                                                    sqlDouble(std::max(0.0, base * 0.6 - 20.0), 1)}});
                    }
                }
            }
        }
        write("detectors", {"objectid", "id", "collect", "useglobalparam", "alpha", "beta", "tp", "kc"}, detectors);
        write("dt15p", {"objectid", "detectorid", "daytype", "time", "intensity", "occupancy", "speed"}, profiles);
        write("uplimits", {"objectid", "detectorid", "daytype", "time_offset", "limit"}, up);
        write("downlimits", {"objectid", "detectorid", "daytype", "time_offset", "limit"}, down);
    }

    static double scaleOf(int object, int det) { return 0.55 + 0.45 * ((object * 7 + det * 5) % 10) / 9.0; }

    void dayOfDt15(qint64 jd)
    {
        const bool weekend = isWeekend(jd);
        std::vector<Row> rows, health;
        for (int object = 1; object <= m_controllers; ++object) {
            for (int det = 1; det <= detectorCount; ++det) {
                const double scale = scaleOf(object, det);
                for (int slot = 0; slot < 96; ++slot) {
                    double intensity = std::min(1200.0, std::max(0.0, 1200.0 * scale * trafficShape(slot / 4.0 + 0.125, weekend)
                                                                          * (1.0 + 0.08 * noise())));
                    const double occupancy = std::min(60.0, std::max(0.0, intensity / 1200.0 * 45.0 + 2.0 * noise()));
                    const double speed = std::min(70.0, std::max(20.0, 68.0 - occupancy * 0.75 + 2.5 * noise()));
                    const std::string state = chance(0.02) ? sqlInt(1 << irand(0, 3)) : "0";
                    if (keepDt15(jd))
                        rows.push_back({dayStart(jd) + slot * 900, object,
                                        {sqlInt(object), sqlInt(det), sqlTimestamp(dayStart(jd) + slot * 900),
                                         sqlDouble(intensity, 1), sqlDouble(occupancy, 2), sqlDouble(speed, 1), state}});
                }
                const int value = irand(0, 9) == 0 ? irand(20, 94) : irand(95, 100);
                if (!m_oneDay || jd > m_day - 31)
                    health.push_back({dayStart(jd), object, {sqlInt(object), sqlInt(det), sqlDate(jd), sqlInt(value)}});
            }
        }
        write("dt15", {"objectid", "detectorid", "time", "intensity", "occupancy", "speed", "state"}, rows);
        write("dthealth", {"objectid", "detectorid", "date", "health"}, health);
    }

    // A controller's events of a day: control sources, two hours of four
    // signal groups, and miscellaneous events over the day.
    void dayOfEvents(qint64 jd)
    {
        static const char *const groupStates[] = {"закрыта", "открыта", "переход"};
        std::vector<Row> rows;
        const qint64 base = dayStart(jd);
        for (int object = 1; object <= m_controllers; ++object) {
            auto add = [&](int second, int type, int value, const QByteArray &data, const QString &text) {
                rows.push_back({base + second, object,
                                {sqlInt(object), sqlTimestamp(base + second), sqlTimeOfDay(second - 2), sqlInt(type),
                                 sqlInt(value), sqlBytes(data), "", sqlString(text)}});
            };
            for (int hour : {0, 6, 10, 11, 14, 15, 19, 22, 23}) {
                const int value = irand(0, 7);
                add(hour * 3600 + irand(60, 1700), 2, value, le32({value, 0, 0, 0}),
                    QString::fromUtf8("Источник управления %1").arg(QString::fromUtf8(kControlSources[value])));
            }
            for (int t = 7 * 3600; t < 9 * 3600; t += 120) {
                for (int g = 1; g <= 4; ++g) {
                    const int open = t + (g - 1) * 30;
                    const int marks[4] = {0, 3, 3 + 20 + irand(-2, 0), 26};
                    const int st[4] = {2, 1, 2, 0};
                    for (int k = 0; k < 4; ++k)
                        add(open + marks[k], 7, 5, le32({g, st[k], 0}),
                            QString::fromUtf8("Сигнальная группа %1: %2").arg(g).arg(QString::fromUtf8(groupStates[st[k]])));
                }
            }
            for (int i = 0; i < 500; ++i) {
                const int second = shapedSecond(isWeekend(jd));
                const int det = irand(1, detectorCount);
                const int busy = irand(0, 1);
                add(second, 11, busy, le32({det, busy, 0, 0}),
                    QString::fromUtf8("Детектор %1: %2").arg(det).arg(QString::fromUtf8(busy ? "занят" : "свободен")));
            }
        }
        std::stable_sort(rows.begin(), rows.end(), [](const Row &a, const Row &b) {
            return a.time != b.time ? a.time < b.time : a.object < b.object;
        });
        // The controller's own record number follows its time order.
        for (Row &row : rows)
            row.values[6] = sqlInt(++m_index[row.object]);
        if (!keepDay(jd))
            rows.clear();
        write("events", {"objectid", "time", "devicetime", "type", "value", "data", "index", "description"}, rows);
    }

    void dayOfPhases(qint64 jd)
    {
        std::vector<Row> rows;
        for (int object = 1; object <= m_controllers; ++object) {
            int t = irand(0, 20);
            int phase = 1;
            while (t < 86400) {
                const int length = std::min(60, 10 + int(trafficShape(t / 3600.0, isWeekend(jd)) * 35) + irand(0, 15));
                const int promtact = irand(3, 5);
                if (keepDay(jd))
                    rows.push_back({dayStart(jd) + t, object, {sqlInt(object), sqlTimestamp(dayStart(jd) + t), sqlInt(phase),
                                                               sqlInt(length), sqlInt(promtact)}});
                t += length + promtact;
                phase = phase % 4 + 1;
            }
        }
        write("phasesdata", {"objectid", "time", "phaseid", "length", "promtact"}, rows);
    }

    void dayOfRecords(qint64 jd)
    {
        std::vector<Row> rows;
        const bool weekend = isWeekend(jd);
        for (int object = 1; object <= m_controllers; ++object) {
            for (int det = 1; det <= detectorCount; ++det) {
                const double scale = scaleOf(object, det);
                for (int minute = 0; minute < 1440; ++minute) {
                    const double mean = 20.0 * scale * trafficShape(minute / 60.0, weekend);
                    const int cars = std::min(30, std::max(0, int(mean + std::sqrt(mean + 0.5) * noise() + 0.5)));
                    const double occupancy = std::min(60.0, std::max(0.0, cars * 1.6 + 1.5 * noise()));
                    const double speed = cars == 0 ? 0.0 : std::min(70.0, std::max(20.0, 66.0 - occupancy * 0.7 + 3 * noise()));
                    const int state = chance(0.01) ? 1 << irand(0, 3) : 0;
                    if (keepDay(jd))
                        rows.push_back({dayStart(jd) + minute * 60, object,
                                        {sqlInt(object), sqlInt(det), sqlTimestamp(dayStart(jd) + minute * 60), sqlInt(cars),
                                         sqlInt(60), sqlDouble(occupancy, 2), sqlDouble(speed, 1), sqlInt(state)}});
                }
            }
        }
        write("detectorsdata", {"objectid", "detectorid", "time", "cars", "interval", "occupancy", "speed", "state"}, rows);
    }

    qint64 m_day;
    int m_controllers;
    int m_days;
    int m_dtDays;
    bool m_oneDay;
    std::map<int, int> m_index;
};

[[noreturn]] void usage(const char *message)
{
    if (message)
        fprintf(stderr, "lumoview-dbgen: %s\n", message);
    fprintf(stderr,
            "usage: lumoview-dbgen --dialect pg|mysql --size small|big|demo|dense|EVENTS --day YYYY-MM-DD [--seed N]\n"
            "       lumoview-dbgen --dialect pg|mysql --history CONTROLLERS,DAYS,DT15DAYS --day YYYY-MM-DD\n"
            "                      [--one-day] [--seed N]\n"
            "       (both also [--now \"YYYY-MM-DD hh:mm:ss\"], default the current time)\n"
            "       lumoview-dbgen --dialect pg|mysql --live [--object N] [--groups N] [--detectors N]\n"
            "                      [--since \"YYYY-MM-DD hh:mm:ss\"] [--rate EVENTS_PER_SECOND]\n"
            "                      [--late-every SECONDS] [--duration SECONDS] [--first-index N]\n"
            "                      [--record FILE] [--seed N]\n");
    std::exit(2);
}

int live(const QStringList &arguments)
{
    LiveOptions options;
    QString error;
    if (!LiveOptions::parse(arguments, &options, &error))
        usage(qPrintable(error));
    return LiveWriter(options).run();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (app.arguments().contains(QLatin1String("--live")))
        return live(app.arguments());
    QString dialect, size = QStringLiteral("small"), day, history;
    bool oneDay = false;
    QDateTime now = QDateTime::currentDateTime();
    quint32 seed = 20240306u;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args.at(i);
        auto value = [&]() -> QString {
            if (i + 1 >= args.size())
                usage(qPrintable(QStringLiteral("missing value for %1").arg(a)));
            return args.at(++i);
        };
        if (a == QLatin1String("--dialect"))
            dialect = value();
        else if (a == QLatin1String("--size"))
            size = value();
        else if (a == QLatin1String("--day"))
            day = value();
        else if (a == QLatin1String("--history"))
            history = value();
        else if (a == QLatin1String("--one-day"))
            oneDay = true;
        else if (a == QLatin1String("--now"))
            now = FutureCut::timeFromText(value());
        else if (a == QLatin1String("--seed")) {
            bool ok = false;
            seed = value().toUInt(&ok);
            if (!ok)
                usage("--seed needs a non-negative integer");
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h"))
            usage(nullptr);
        else
            usage(qPrintable(QStringLiteral("unknown argument %1").arg(a)));
    }
    if (dialect == QLatin1String("pg"))
        g_dialect = Dialect::Pg;
    else if (dialect == QLatin1String("mysql"))
        g_dialect = Dialect::MySql;
    else
        usage("--dialect must be pg or mysql");
    bool numeric = false;
    const int sizeEvents = size.toInt(&numeric);
    if (size != QLatin1String("small") && size != QLatin1String("big") && size != QLatin1String("demo")
        && size != QLatin1String("dense") && !(numeric && sizeEvents >= 100000))
        usage("--size must be small, big, demo, dense or a number of events of at least 100000");
    const QDate d = QDate::fromString(day, QStringLiteral("yyyy-MM-dd"));
    if (!d.isValid())
        usage("--day must be a valid date YYYY-MM-DD");

    g_cp1251 = QTextCodec::codecForName("Windows-1251");
    if (!g_cp1251) {
        fprintf(stderr, "lumoview-dbgen: the Windows-1251 codec is not available\n");
        return 3;
    }
    g_rng.seed(seed);
    if (!now.isValid())
        usage("--now must be a date and time YYYY-MM-DD hh:mm:ss");
    FutureCut::setNow(now);
    if (!history.isEmpty()) {
        const QStringList sizes = history.split(QLatin1Char(','));
        const int controllers = sizes.value(0).toInt(), days = sizes.value(1).toInt(), dtDays = sizes.value(2).toInt();
        if (sizes.size() != 3 || controllers < 1 || days < 1 || dtDays < 1)
            usage("--history needs three positive numbers: controllers, days, days of 15-minute data");
        HistoryGenerator(d.toJulianDay(), controllers, days, dtDays, oneDay).run();
        if (fflush(stdout) != 0 || ferror(stdout)) {
            fprintf(stderr, "lumoview-dbgen: write error\n");
            return 1;
        }
        return 0;
    }
    Generator generator(d.toJulianDay(), numeric ? sizeEvents : size == QLatin1String("big") ? 100000 : 0);
    generator.m_wholeDaySignalGroups = size == QLatin1String("demo");
    generator.m_denseWeek = size == QLatin1String("dense");
    generator.run();
    if (fflush(stdout) != 0 || ferror(stdout)) {
        fprintf(stderr, "lumoview-dbgen: write error\n");
        return 1;
    }
    return 0;
}
