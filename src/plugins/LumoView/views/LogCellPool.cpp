#include "LogCellPool.h"

#include <QtGlobal>

#include <cstdint>
#include <cstdlib>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define LOGCELL_POISON(address, size) ASAN_POISON_MEMORY_REGION(address, size)
#define LOGCELL_UNPOISON(address, size) ASAN_UNPOISON_MEMORY_REGION(address, size)
#else
#define LOGCELL_POISON(address, size) ((void)(address), (void)(size))
#define LOGCELL_UNPOISON(address, size) ((void)(address), (void)(size))
#endif

namespace {

// Blocks are aligned to their size, so that a cell finds its block by
// masking its address.
const std::size_t blockBytes = 1 << 20;

struct FreeCell
{
    FreeCell *next;
};

struct Block
{
    std::size_t cellBytes;
    std::size_t inUse = 0;
    // Never-used space from here on; then the cells given back.
    char *untouched;
    char *end;
    FreeCell *freeCells = nullptr;
    // The blocks with room, a list through them.
    Block *previousWithRoom = nullptr;
    Block *nextWithRoom = nullptr;
    bool listed = false;

    bool hasRoom() const { return freeCells || untouched + cellBytes <= end; }
};

struct Pool
{
    Block *withRoom = nullptr;
    std::size_t cells = 0;
    std::size_t blocks = 0;

    void list(Block *block)
    {
        block->previousWithRoom = nullptr;
        block->nextWithRoom = withRoom;
        if (withRoom)
            withRoom->previousWithRoom = block;
        withRoom = block;
        block->listed = true;
    }
    void unlist(Block *block)
    {
        if (block->previousWithRoom)
            block->previousWithRoom->nextWithRoom = block->nextWithRoom;
        else
            withRoom = block->nextWithRoom;
        if (block->nextWithRoom)
            block->nextWithRoom->previousWithRoom = block->previousWithRoom;
        block->listed = false;
    }
};

Pool &pool()
{
    static Pool p;
    return p;
}

Block *newBlock(std::size_t cellBytes)
{
    void *memory = std::aligned_alloc(blockBytes, blockBytes);
    if (!memory)
        throw std::bad_alloc();
    auto *block = new (memory) Block;
    block->cellBytes = cellBytes;
    const std::uintptr_t first = (reinterpret_cast<std::uintptr_t>(block + 1) + alignof(std::max_align_t) - 1)
        & ~std::uintptr_t(alignof(std::max_align_t) - 1);
    block->untouched = reinterpret_cast<char *>(first);
    block->end = static_cast<char *>(memory) + blockBytes;
    LOGCELL_POISON(block->untouched, block->end - block->untouched);
    ++pool().blocks;
    return block;
}

} // namespace

void *LogCellPool::allocate(std::size_t size)
{
    // Every cell is of one class; the size is rounded so that cells stay aligned.
    const std::size_t cellBytes = (size + alignof(std::max_align_t) - 1) & ~(alignof(std::max_align_t) - 1);
    Pool &p = pool();
    Block *block = p.withRoom;
    if (!block) {
        block = newBlock(cellBytes);
        p.list(block);
    }
    Q_ASSERT(block->cellBytes == cellBytes);
    void *cell;
    if (block->freeCells) {
        cell = block->freeCells;
        LOGCELL_UNPOISON(cell, cellBytes);
        block->freeCells = block->freeCells->next;
    } else {
        cell = block->untouched;
        block->untouched += cellBytes;
        LOGCELL_UNPOISON(cell, cellBytes);
    }
    ++block->inUse;
    ++p.cells;
    if (!block->hasRoom())
        p.unlist(block);
    return cell;
}

void LogCellPool::release(void *cell) noexcept
{
    if (!cell)
        return;
    Pool &p = pool();
    auto *block = reinterpret_cast<Block *>(reinterpret_cast<std::uintptr_t>(cell) & ~std::uintptr_t(blockBytes - 1));
    --p.cells;
    // An unused block goes back, unless it is the only one with room, which
    // the next cell would take again at once.
    if (--block->inUse == 0 && !(block->listed && p.withRoom == block && !block->nextWithRoom)) {
        if (block->listed)
            p.unlist(block);
        --p.blocks;
        LOGCELL_UNPOISON(block, blockBytes);
        block->~Block();
        std::free(block);
        return;
    }
    auto *freeCell = static_cast<FreeCell *>(cell);
    freeCell->next = block->freeCells;
    block->freeCells = freeCell;
    LOGCELL_POISON(cell, block->cellBytes);
    if (!block->listed)
        p.list(block);
}

std::size_t LogCellPool::cellsInUse()
{
    return pool().cells;
}

std::size_t LogCellPool::blocksHeld()
{
    return pool().blocks;
}
