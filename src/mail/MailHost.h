#pragma once
// What the mail interfaces share: the window a library's dialog is parented on, and the
// runner through which those dialogs reach the console's UI host.
#include "mail/MailApi.h"

class QWidget;

namespace MailHost {

// The window handle for a library: the given window, else the application's main window.
ULONG_PTR WindowHandle(QWidget* window);
// Lets dialogs of run-time loaded libraries run through the UI host (scripted in tests).
void InstallDialogRunner();

} // namespace MailHost
