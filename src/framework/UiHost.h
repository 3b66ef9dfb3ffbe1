#pragma once
// Everything modal the console shows goes through one UI host: message boxes, modal dialogs,
// file-open/save dialogs, the print dialog and opening a document in the desktop's browser.
// The real host shows Qt dialogs; tests install a ScriptedUiHost (framework/ScriptedUiHost.h)
// that records every text and answers from a script. Leaves never call QMessageBox directly.
#include "platform/WinTypes.h"

#include <QString>
#include <QUrl>

class QDialog;
class QPrinter;
class QWidget;

// Message-box types (buttons, icon, default button), combined with |.
constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_OKCANCEL = 0x00000001;
constexpr UINT MB_ABORTRETRYIGNORE = 0x00000002;
constexpr UINT MB_YESNOCANCEL = 0x00000003;
constexpr UINT MB_YESNO = 0x00000004;
constexpr UINT MB_RETRYCANCEL = 0x00000005;
constexpr UINT MB_TYPEMASK = 0x0000000F;
constexpr UINT MB_ICONHAND = 0x00000010;
constexpr UINT MB_ICONSTOP = MB_ICONHAND;
constexpr UINT MB_ICONERROR = MB_ICONHAND;
constexpr UINT MB_ICONQUESTION = 0x00000020;
constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr UINT MB_ICONASTERISK = 0x00000040;
constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
constexpr UINT MB_ICONMASK = 0x000000F0;
constexpr UINT MB_DEFBUTTON1 = 0x00000000;
constexpr UINT MB_DEFBUTTON2 = 0x00000100;
constexpr UINT MB_DEFBUTTON3 = 0x00000200;
constexpr UINT MB_DEFMASK = 0x00000F00;

// Message-box answers and dialog results.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// The answer a box gives when the user presses Enter: its default button.
int DefaultMessageBoxAnswer(UINT type);

class UiHost {
public:
    virtual ~UiHost() = default;

    // The host in use: the one set last, else the real one. SetCurrent(nullptr) returns to
    // the real host. The host is not owned.
    static UiHost* Current();
    static void SetCurrent(UiHost* host);

    // A message box; returns IDOK, IDCANCEL, IDYES, IDNO ... (Escape / closing gives the
    // cancel-like answer of the button set, or the only button).
    virtual int MessageBox(const QString& text, const QString& caption, UINT type,
                           QWidget* parent = nullptr) = 0;

    // Runs a dialog modally; returns its result (QDialog::Accepted = 1 = IDOK, Rejected = 0;
    // dialogs that call done(n) return n).
    virtual int RunModal(QDialog* dialog) = 0;

    // File dialogs; true with *path set when the user chose a file.
    virtual bool GetOpenFileName(QWidget* parent, const QString& caption, const QString& directory,
                                 const QString& filter, QString* path) = 0;
    virtual bool GetSaveFileName(QWidget* parent, const QString& caption, const QString& directory,
                                 const QString& filter, QString* path) = 0;

    // Print dialog over a printer; true when the user confirmed (the printer then holds the
    // chosen device, which may be a PDF file).
    virtual bool PrintDialog(QPrinter* printer, QWidget* parent = nullptr) = 0;

    // Opens a document or page in the desktop's browser (never through a shell command line).
    virtual bool OpenUrl(const QUrl& url) = 0;
};

// Message box with the application title (string 57344) as caption.
int AfxMessageBox(const QString& text, UINT type = MB_OK);
// The same with a text from the string table.
int AfxMessageBox(UINT idText, UINT type = MB_OK);

// RAII: installs a host for a scope and restores the previous one.
class ScopedUiHost {
public:
    explicit ScopedUiHost(UiHost* host) : m_previous(UiHost::Current()) { UiHost::SetCurrent(host); }
    ~ScopedUiHost() { UiHost::SetCurrent(m_previous); }
    ScopedUiHost(const ScopedUiHost&) = delete;
    ScopedUiHost& operator=(const ScopedUiHost&) = delete;
private:
    UiHost* m_previous;
};

// The host that shows real Qt dialogs.
class QtUiHost : public UiHost {
public:
    int MessageBox(const QString& text, const QString& caption, UINT type, QWidget* parent) override;
    int RunModal(QDialog* dialog) override;
    bool GetOpenFileName(QWidget* parent, const QString& caption, const QString& directory,
                         const QString& filter, QString* path) override;
    bool GetSaveFileName(QWidget* parent, const QString& caption, const QString& directory,
                         const QString& filter, QString* path) override;
    bool PrintDialog(QPrinter* printer, QWidget* parent) override;
    bool OpenUrl(const QUrl& url) override;
};
