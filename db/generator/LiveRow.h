#ifndef DBGEN_LIVEROW_H
#define DBGEN_LIVEROW_H

#include <QtGlobal>

#include <string>
#include <vector>

// One row a live controller writes, in the column order of its table's
// entry in kLiveTables.
struct LiveRow
{
    int table = 0;       // index into kLiveTables
    qint64 due = 0;      // when the controller writes it: ms since g_jd0 00:00
    qint64 stamp = 0;    // its time column: seconds since g_jd0 00:00
    int seq = 0;         // generation order, breaks ties of `due`
    std::vector<std::string> sql;    // SQL literals
    std::vector<std::string> plain;  // the same values as the record shows them
};

struct LiveTable
{
    const char *name;
    std::vector<const char *> columns;
};

enum LiveTableIndex { LiveEvents, LivePhases, LiveDt15, LiveRaw };

inline const LiveTable kLiveTables[] = {
    {"events", {"objectid", "time", "devicetime", "type", "value", "data", "index", "description"}},
    {"phasesdata", {"objectid", "time", "phaseid", "length", "promtact"}},
    {"dt15", {"objectid", "detectorid", "time", "intensity", "occupancy", "speed", "state"}},
    {"detectorsdata", {"objectid", "detectorid", "time", "cars", "interval", "occupancy", "speed", "state"}},
};

// The record number's column of an event row.
constexpr int kEventIndexColumn = 6;

#endif // DBGEN_LIVEROW_H
