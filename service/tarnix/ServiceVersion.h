#pragma once
// The version a running (newer) alert service reports: the "Version" text ("4.5.312.0") under
// the product key of the machine's registry, which the installer writes beside ALERT.EXE;
// without one, the service's own 4.5.0.0.
#include "platform/WinTypes.h"
#include "tarnix/MachineStore.h"

#include <cstdint>

namespace Tarnix {

constexpr DWORD kErrorNotSupported = 50;

DWORD ReadServiceVersion(const MachineStore& store, int32_t version[4]);
// Parses "a.b.c.d" (each 0-65535); false otherwise.
bool ParseVersionText(const QString& text, int32_t version[4]);

} // namespace Tarnix
