#include "mail/MailHost.h"

#include "framework/UiHost.h"
#include "platform/DialogHook.h"

#include <QApplication>
#include <QDialog>
#include <QMainWindow>
#include <QWidget>

namespace MailHost {

ULONG_PTR WindowHandle(QWidget* window)
{
    if (!window) {
        window = QApplication::activeWindow();
        if (!window) {
            for (QWidget* top : QApplication::topLevelWidgets()) {
                if (qobject_cast<QMainWindow*>(top)) {
                    window = top;
                    break;
                }
            }
        }
    }
    return reinterpret_cast<ULONG_PTR>(window ? window->window() : nullptr);
}

void InstallDialogRunner()
{
    DialogHook::SetRunner([](QObject* object) {
        auto* dialog = qobject_cast<QDialog*>(object);
        return dialog ? UiHost::Current()->RunModal(dialog) : int(IDCANCEL);
    });
}

} // namespace MailHost
