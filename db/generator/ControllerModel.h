#ifndef DBGEN_CONTROLLERMODEL_H
#define DBGEN_CONTROLLERMODEL_H

#include "LiveOptions.h"
#include "LiveRow.h"

#include <array>
#include <map>
#include <utility>
#include <vector>

struct Event;

// What a controller records as time goes on: miscellaneous events at the
// chosen rate, now and then a change of control source, its signal groups
// on the common cycle of the generated days, its phases, a 15-minute record
// per detector at the end of each quarter and a raw record per detector at
// the end of each minute. The rows come out in the order the controller
// writes them, events numbered in that order; the same seed and start give
// the same rows.
class ControllerModel
{
public:
    // Rows whose period ended by `sinceSecs` (seconds since g_jd0) are in
    // the database already and are not written again.
    ControllerModel(const LiveOptions &options, qint64 sinceSecs);

    // Every row due by `ms` (since g_jd0 00:00) that has not come out yet.
    std::vector<LiveRow> advanceTo(qint64 ms);

private:
    enum Source { Misc, ControlSource, Cycle, Phase, Quarter, Minute, SourceCount };

    void generate(Source source);
    void cycle();
    void phase();
    void quarter();
    void minute();
    void pushEvent(const Event &event, qint64 due);
    void push(LiveRow row);

    const LiveOptions m_options;
    const qint64 m_since;
    // When each source next records something, ms since g_jd0 00:00.
    std::array<qint64, SourceCount> m_next{};
    std::map<std::pair<qint64, int>, LiveRow> m_pending;
    int m_seq = 0;
    qint64 m_index;
    int m_phaseId = 1;
};

#endif // DBGEN_CONTROLLERMODEL_H
