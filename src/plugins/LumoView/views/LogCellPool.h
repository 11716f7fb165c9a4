#ifndef LOGCELLPOOL_H
#define LOGCELLPOOL_H

#include <cstddef>

// The memory of the event log's cells: blocks of 1 MiB cut into cells of
// one size, rather than one heap allocation per cell, whose bookkeeping
// would cost a day of four million cells 64 MB. A block goes back to the
// system once none of its cells is in use. GUI thread only.
class LogCellPool
{
public:
    static void *allocate(std::size_t size);
    static void release(void *cell) noexcept;

    // Cells in use and blocks held, for tests and measurements.
    static std::size_t cellsInUse();
    static std::size_t blocksHeld();
};

#endif // LOGCELLPOOL_H
