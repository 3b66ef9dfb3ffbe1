#include "framework/UiHost.h"

#include "framework/Commands.h"
#include "res/Resources.h"
#include "res/StringIds.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <atomic>

namespace {

std::atomic<UiHost*> g_current{nullptr};

QtUiHost& RealHost()
{
    static QtUiHost host;
    return host;
}

// The buttons of a message-box type, in the order Windows shows them.
std::vector<int> ButtonsOf(UINT type)
{
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
    default: return {IDOK};
    }
}

QMessageBox::StandardButton StandardButtonOf(int answer)
{
    switch (answer) {
    case IDOK: return QMessageBox::Ok;
    case IDCANCEL: return QMessageBox::Cancel;
    case IDABORT: return QMessageBox::Abort;
    case IDRETRY: return QMessageBox::Retry;
    case IDIGNORE: return QMessageBox::Ignore;
    case IDYES: return QMessageBox::Yes;
    case IDNO: return QMessageBox::No;
    default: return QMessageBox::NoButton;
    }
}

} // namespace

int DefaultMessageBoxAnswer(UINT type)
{
    const std::vector<int> buttons = ButtonsOf(type);
    const size_t index = (type & MB_DEFMASK) >> 8;
    return buttons[index < buttons.size() ? index : 0];
}

UiHost* UiHost::Current()
{
    UiHost* host = g_current.load();
    return host ? host : &RealHost();
}

void UiHost::SetCurrent(UiHost* host)
{
    g_current.store(host);
}

int AfxMessageBox(const QString& text, UINT type)
{
    return UiHost::Current()->MessageBox(text, LoadString(IDS_APP_TITLE), type);
}

int AfxMessageBox(UINT idText, UINT type)
{
    return AfxMessageBox(LoadString(idText), type);
}

int QtUiHost::MessageBox(const QString& text, const QString& caption, UINT type, QWidget* parent)
{
    QMessageBox box(parent ? parent : QApplication::activeWindow());
    box.setWindowTitle(caption);
    box.setText(text);
    switch (type & MB_ICONMASK) {
    case MB_ICONHAND: box.setIcon(QMessageBox::Critical); break;
    case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
    case MB_ICONEXCLAMATION: box.setIcon(QMessageBox::Warning); break;
    case MB_ICONASTERISK: box.setIcon(QMessageBox::Information); break;
    default: break;
    }
    const std::vector<int> buttons = ButtonsOf(type);
    QMessageBox::StandardButtons set;
    for (int b : buttons)
        set |= StandardButtonOf(b);
    box.setStandardButtons(set);
    // The console's own texts for its buttons; Qt's (translated where it can) for the rest.
    const std::pair<QMessageBox::StandardButton, UINT> texts[] = {{QMessageBox::Ok, IDS_BUTTON_OK},
                                                                  {QMessageBox::Cancel, IDS_BUTTON_CANCEL},
                                                                  {QMessageBox::Yes, IDS_BUTTON_YES},
                                                                  {QMessageBox::No, IDS_BUTTON_NO}};
    for (const auto& [button, id] : texts)
        if (QAbstractButton* b = box.button(button); b && !LoadString(id).isEmpty())
            b->setText(LoadString(id));
    box.setDefaultButton(StandardButtonOf(DefaultMessageBoxAnswer(type)));
    const int pressed = box.exec();
    for (int b : buttons) {
        if (pressed == StandardButtonOf(b))
            return b;
    }
    // Closed without a button: the cancel-like answer, or the only button.
    for (int b : buttons) {
        if (b == IDCANCEL || b == IDNO)
            return b;
    }
    return buttons.front();
}

int QtUiHost::RunModal(QDialog* dialog)
{
    return dialog ? dialog->exec() : IDCANCEL;
}

bool QtUiHost::GetOpenFileName(QWidget* parent, const QString& caption, const QString& directory,
                               const QString& filter, QString* path)
{
    const QString chosen = QFileDialog::getOpenFileName(parent, caption, directory, filter);
    if (chosen.isEmpty())
        return false;
    if (path)
        *path = chosen;
    return true;
}

bool QtUiHost::GetSaveFileName(QWidget* parent, const QString& caption, const QString& directory,
                               const QString& filter, QString* path)
{
    const QString chosen = QFileDialog::getSaveFileName(parent, caption, directory, filter);
    if (chosen.isEmpty())
        return false;
    if (path)
        *path = chosen;
    return true;
}

bool QtUiHost::PrintDialog(QPrinter* printer, QWidget* parent)
{
    if (!printer)
        return false;
    QPrintDialog dialog(printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

bool QtUiHost::OpenUrl(const QUrl& url)
{
    return url.isValid() && QDesktopServices::openUrl(url);
}
