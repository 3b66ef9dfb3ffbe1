#include "tree/HelpIndex.h"

#include "framework/UiHost.h"
#include "platform/World.h"
#include "res/StringIds.h"
#include "tree/MessageText.h"
#include "tree/RegUtil.h"

#include <QFileInfo>
#include <QUrl>

bool OpenHelpIndex()
{
    // The home directory is read with a 256-byte buffer; the help index lies under it.
    const QString index = HelpDirectory() + QStringLiteral("Index.htm");
    QString hostPath;
    if (World::ResolvePath(index, &hostPath) != ERROR_SUCCESS || !QFileInfo(hostPath).isFile()) {
        AfxMessageBox(FormatString(IDS_HELP_MISSING, {index}), MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    if (!UiHost::Current()->OpenUrl(QUrl::fromLocalFile(hostPath))) {
        AfxMessageBox(FormatString(IDS_HELP_NOT_OPENED, {index}), MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    return true;
}
