#pragma once
// The service's executable and libraries in its home directory (C:\ALERT): PE files with
// version resources whose file descriptions come in several languages, as the version dialog
// lists them.
#include "platform/WinTypes.h"

#include <QString>

namespace WorldTool {

DWORD WriteModuleFiles(const QString& machine, QString* error);

} // namespace WorldTool
