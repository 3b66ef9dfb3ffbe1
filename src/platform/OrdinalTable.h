#pragma once
// The table a run-time library exports to offer entry points by ordinal (see
// platform/DynamicLibrary.h). Free of Qt so any plugin can include it.
#include <cstdint>

extern "C" {
struct VigimorOrdinalEntry {
    uint32_t ordinal;     // 0 ends the table
    const char* name;     // an export of the same library, or null when address is given
    void* address;
};
}
