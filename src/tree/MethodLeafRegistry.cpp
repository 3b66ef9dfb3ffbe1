#include "tree/MethodLeafRegistry.h"

#include <vector>

namespace {

struct Entry {
    uint32_t methodBit;
    int firstVersion;
    MethodLeafRegistry::Factory factory;
};

// Filled once at start-up on the user-interface thread, read by it afterwards.
std::vector<Entry>& Entries()
{
    static std::vector<Entry> entries;
    return entries;
}

} // namespace

namespace MethodLeafRegistry {

void Add(uint32_t methodBit, int firstVersion, Factory factory)
{
    for (Entry& e : Entries()) {
        if (e.methodBit == methodBit && e.firstVersion == firstVersion) {
            e.factory = factory;
            return;
        }
    }
    Entries().push_back({methodBit, firstVersion, factory});
}

CAlertLeaf* Create(uint32_t methodBit, int version)
{
    // The entry with the highest first version the table has reached.
    const Entry* best = nullptr;
    for (const Entry& e : Entries()) {
        if (e.methodBit == methodBit && e.firstVersion <= version && e.factory &&
            (!best || e.firstVersion > best->firstVersion))
            best = &e;
    }
    return best ? best->factory() : nullptr;
}

} // namespace MethodLeafRegistry
