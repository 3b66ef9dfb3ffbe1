// A run-time library for the loader tests: exports by name and an ordinal table.
#include "platform/OrdinalTable.h"


extern "C" {

int ProbeAdd(int a, int b)
{
    return a + b;
}

int ProbeNamed()
{
    return 1;
}

extern const VigimorOrdinalEntry VigimorOrdinalTable[];

} // extern "C"

namespace {

int Unnamed()
{
    return 139;
}

} // namespace

const VigimorOrdinalEntry VigimorOrdinalTable[] = {
    {1, "ProbeAdd", nullptr},
    {139, nullptr, reinterpret_cast<void*>(&Unnamed)},
    {2, "ProbeMissing", nullptr},
    {3, "malloc", nullptr},  // not this library's: never resolved
    {0, nullptr, nullptr},
};
