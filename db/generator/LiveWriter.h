#ifndef DBGEN_LIVEWRITER_H
#define DBGEN_LIVEWRITER_H

#include "LiveOptions.h"
#include "LiveRow.h"

#include <cstdio>
#include <map>
#include <vector>

// Writes a controller's rows as they happen, in real time: SQL on stdout
// for psql or mariadb, which run each statement as it comes. Every 200 ms
// the rows written since go out as one transaction; those an outage of the
// link held back go out together when it ends, up to 15 minutes late. The
// rows between --since and the start go out first, as a controller uploads
// what it recorded while the centre was not listening. Runs for --duration
// seconds or until SIGTERM or SIGINT, and then sends what is still held
// back: nothing written is lost.
class LiveWriter
{
public:
    explicit LiveWriter(const LiveOptions &options);
    ~LiveWriter();

    // The process's exit code.
    int run();

private:
    enum class Kind { CatchUp, Live, Late };

    // ms since g_jd0 00:00 by the local clock, as the controller stamps.
    static qint64 clockMs();
    bool commit(const std::vector<LiveRow> &rows, Kind kind, qint64 nowMs);
    void record(const std::vector<LiveRow> &rows, Kind kind, qint64 nowMs);

    const LiveOptions m_options;
    FILE *m_record = nullptr;
    int m_batches = 0;
};

#endif // DBGEN_LIVEWRITER_H
