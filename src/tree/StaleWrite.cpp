#include "tree/StaleWrite.h"

#include "framework/UiHost.h"
#include "platform/Files.h"
#include "res/StringIds.h"
#include "tree/MessageText.h"

namespace StaleWrite {

QString FileStamp(const QString& windowsPath)
{
    Files::FileStatus status;
    if (Files::Stat(windowsPath, &status) != 0)
        return QString();
    return QStringLiteral("%1 %2").arg(status.size).arg(status.lastWriteNs);
}

void Report(Outcome outcome, const QString& machine, const QString& what)
{
    UINT id = 0;
    if (outcome == Refused)
        id = IDS_CHANGED_ELSEWHERE;
    else if (outcome == Failed)
        id = IDS_WRITE_REFUSED;
    if (id != 0)
        AfxMessageBox(FormatString(id, {what, machine}), MB_OK | MB_ICONEXCLAMATION);
}

} // namespace StaleWrite
