#include "platform/GlobalMemory.h"

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

} // namespace

extern "C" {

HGLOBAL GlobalAlloc(UINT flags, size_t bytes)
{
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
    if (!block)
        return nullptr;
    Table& table = Blocks();
    std::lock_guard<std::mutex> guard(table.lock);
    auto it = table.blocks.find(block);
    if (it == table.blocks.end())
        return nullptr;
    ++it->second.locks;
    return block;
}

BOOL GlobalUnlock(HGLOBAL block)
{
    if (!block)
        return 0;
    Table& table = Blocks();
    std::lock_guard<std::mutex> guard(table.lock);
    auto it = table.blocks.find(block);
    if (it == table.blocks.end() || it->second.locks == 0)
        return 0;
    --it->second.locks;
    return it->second.locks > 0 ? 1 : 0;
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
    if (!block)
        return 0;
    Table& table = Blocks();
    std::lock_guard<std::mutex> guard(table.lock);
    auto it = table.blocks.find(block);
    return it == table.blocks.end() ? 0 : it->second.size;
}

long GlobalLiveBlocks()
{
    Table& table = Blocks();
    std::lock_guard<std::mutex> guard(table.lock);
    return long(table.blocks.size());
}

} // extern "C"
