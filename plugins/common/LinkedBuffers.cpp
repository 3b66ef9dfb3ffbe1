#include "LinkedBuffers.h"

#include <cstdlib>
#include <map>
#include <mutex>
#include <vector>

namespace LinkedBuffers {
namespace {

struct Block {
    void* root = nullptr;                 // the Allocate buffer this one hangs on (itself for a root)
    std::vector<void*> hanging;           // roots only
};

std::mutex g_lock;
std::map<void*, Block>& Blocks()
{
    static auto* blocks = new std::map<void*, Block>;
    return *blocks;
}

} // namespace

void* Allocate(size_t size)
{
    void* p = std::calloc(1, size ? size : 1);
    if (!p)
        return nullptr;
    std::lock_guard<std::mutex> guard(g_lock);
    Blocks()[p] = Block{p, {}};
    return p;
}

void* More(size_t size, void* link)
{
    std::lock_guard<std::mutex> guard(g_lock);
    auto it = Blocks().find(link);
    if (it == Blocks().end())
        return nullptr;
    void* root = it->second.root;
    void* p = std::calloc(1, size ? size : 1);
    if (!p)
        return nullptr;
    Blocks()[p] = Block{root, {}};
    Blocks()[root].hanging.push_back(p);
    return p;
}

bool Free(void* buffer)
{
    std::vector<void*> release;
    {
        std::lock_guard<std::mutex> guard(g_lock);
        auto it = Blocks().find(buffer);
        if (!buffer || it == Blocks().end() || it->second.root != buffer)
            return false;
        release = std::move(it->second.hanging);
        release.push_back(buffer);
        for (void* p : release)
            Blocks().erase(p);
    }
    for (void* p : release)
        std::free(p);
    return true;
}

size_t LiveBlocks()
{
    std::lock_guard<std::mutex> guard(g_lock);
    return Blocks().size();
}

} // namespace LinkedBuffers
