#include "alertworld/ModuleFiles.h"

namespace WorldTool {

DWORD WriteModuleFiles(const QString&, QString*)
{
    return 0;   // PE writer pending
}

} // namespace WorldTool
