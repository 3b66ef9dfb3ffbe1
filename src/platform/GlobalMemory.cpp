#include "platform/GlobalMemory.h"
#include "platform/GlobalMemoryFaults.h"

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <new>
#include <unordered_map>

namespace {

struct Block {
    size_t size = 0;
    unsigned locks = 0;
};

// Every live block by address: a handle not in the table is refused, so a foreign pointer or
// a second GlobalFree can never reach the heap.
struct Table {
    std::mutex lock;
    std::unordered_map<void*, Block> blocks;
};

Table& Blocks()
{
    static Table* table = new Table;  // outlives static destructors of late callers
    return *table;
}

// Runs f on a live block's entry under the table's lock; none for a block not in the table.
template <typename R, typename F>
R WithBlock(HGLOBAL block, R none, F&& f)
{
    if (!block)
        return none;
    Table& table = Blocks();
    std::lock_guard<std::mutex> guard(table.lock);
    auto it = table.blocks.find(block);
    return it == table.blocks.end() ? none : f(it->second);
}

std::atomic<long>& FailingAllocations()
{
    static std::atomic<long> count{0};
    return count;
}

} // namespace

extern "C" {

void GlobalFailNextAllocations(long count)
{
    FailingAllocations() = count;
}


HGLOBAL GlobalAlloc(UINT flags, size_t bytes)
{
    long failing = FailingAllocations().load();
    while (failing > 0 && !FailingAllocations().compare_exchange_weak(failing, failing - 1)) {
    }
    if (failing > 0)
        return nullptr;
    // Blocks never move and are always zeroed: a reader of a partly filled block sees zeros
    // instead of stale heap contents.
    void* memory = std::calloc(bytes == 0 ? 1 : bytes, 1);
    if (!memory)
        return nullptr;
    Table& table = Blocks();
    std::lock_guard<std::mutex> guard(table.lock);
    try {
        table.blocks.emplace(memory, Block{bytes, 0});
    } catch (const std::bad_alloc&) {
        std::free(memory);
        return nullptr;
    }
    return memory;
}

void* GlobalLock(HGLOBAL block)
{
    return WithBlock<void*>(block, nullptr, [block](Block& b) -> void* {
        ++b.locks;
        return block;
    });
}

BOOL GlobalUnlock(HGLOBAL block)
{
    return WithBlock<BOOL>(block, 0, [](Block& b) -> BOOL {
        if (b.locks == 0)
            return 0;
        --b.locks;
        return b.locks > 0 ? 1 : 0;
    });
}

HGLOBAL GlobalFree(HGLOBAL block)
{
    if (!block)
        return nullptr;
    Table& table = Blocks();
    {
        std::lock_guard<std::mutex> guard(table.lock);
        auto it = table.blocks.find(block);
        if (it == table.blocks.end())
            return block;
        table.blocks.erase(it);
    }
    std::free(block);
    return nullptr;
}

size_t GlobalSize(HGLOBAL block)
{
    return WithBlock<size_t>(block, 0, [](const Block& b) { return b.size; });
}

long GlobalLiveBlocks()
{
    Table& table = Blocks();
    std::lock_guard<std::mutex> guard(table.lock);
    return long(table.blocks.size());
}

} // extern "C"
