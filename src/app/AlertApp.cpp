#include "app/AlertApp.h"

#include "app/AboutDlg.h"
#include "app/SplashWnd.h"
#include "app/TerminationWatcher.h"
#include "framework/Commands.h"
#include "framework/Switches.h"
#include "framework/UiHost.h"
#include "logs/LogHooks.h"
#include "methods/MethodLeaves.h"
#include "platform/Timing.h"
#include "platform/VersionInfo.h"
#include "res/Resources.h"
#include "tree/RegUtil.h"
#include "ui/AlertListWnd.h"
#include "ui/AlertTreeWnd.h"
#include "ui/MainFrame.h"
#include "ui/VersionDlg.h"

#include <QApplication>
#include <QDialog>
#include <QMetaObject>
#include <QTimer>
#include <QWidget>
#include <mutex>
#include <unistd.h>

const char* const CAlertApp::kMutexName = "SentrelSingleInstanceMutex";
const char* const CAlertApp::kBringUpMessageName = "Bring Up Alert";
const char* const CAlertApp::kTerminationEventName = "QuellitTerminationEvent";

namespace {

constexpr UINT IDS_MUTEX_FAILED = 5100;
constexpr UINT IDS_NO_WINDOW = 5101;
constexpr UINT IDS_SOCKETS_FAILED = 104;
constexpr UINT IDS_VERSION = 3522;
constexpr UINT IDS_BUILD = 3523;
constexpr UINT IDI_MAINFRAME = 128;

CAlertApp* g_app = nullptr;

// How often a termination that waits for nested loops to return looks again (nominal ms).
constexpr DWORD kTerminationRetryMs = 100;

// Closes the main window for the termination event. A modal dialog, message box or menu runs
// its own event loop over objects the window owns, so the innermost one is ended first and
// the window is closed only once no such loop is left: nothing is destroyed under a loop that
// still uses it.
void CloseForTermination(QPointer<QWidget> window)
{
    if (!window)
        return;
    QWidget* inner = QApplication::activePopupWidget();
    if (!inner)
        inner = QApplication::activeModalWidget();
    if (!inner) {
        window->close();
        return;
    }
    if (auto* dialog = qobject_cast<QDialog*>(inner))
        dialog->reject();
    else
        inner->close();
    QTimer::singleShot(int(Timing::Scaled(kTerminationRetryMs)), QCoreApplication::instance(),
                       [window] { CloseForTermination(window); });
}

CAlertApp::Frame MakeMainFrame()
{
    // The console's tree starts with this computer's server leaf.
    CAlertTreeWnd::SetCreatesLocalServer(true);
    // Table leaves make their method leaves through the methods' registry.
    MethodLeaves::Register();
    // The activity leaf's children are the logs; the pane sorts their rows by their own keys.
    LogHooks::Install();
    CAlertListWnd::SetSortKeyQuery(LogHooks::QuerySortKeys);
    auto* frame = new CMainFrame;
    if (!frame->Create()) {
        delete frame;
        return {};
    }
    CAlertApp::Frame parts;
    parts.window = frame;
    parts.route = frame;
    parts.bringUp = [frame](WPARAM w, LPARAM l) { return frame->OnBringUpAlert(w, l); };
    return parts;
}

QString FormatVersion(bool known, DWORD ms, DWORD ls)
{
    const QString version = known ? QStringLiteral("%1.%2").arg(ms >> 16).arg(ms & 0xFFFF) : QStringLiteral("?.?");
    const QString build = known ? QString::number(ls >> 16) : QStringLiteral("?.?");
    return LoadString(IDS_VERSION) + QLatin1Char(' ') + version + QLatin1Char('\t') + LoadString(IDS_BUILD) +
        QLatin1Char(' ') + build;
}

} // namespace

// The main window as the watcher thread may see it: it only tests whether it exists and
// posts it a close request through the user-interface thread's queue.
struct CAlertApp::WatchedWindow {
    std::mutex mutex;
    QPointer<QWidget> window;
};

BEGIN_MESSAGE_MAP(CAlertApp, CCmdTarget)
    ON_COMMAND(ID_APP_ABOUT, OnAppAbout)
    ON_COMMAND(ID_HELP_VERSION_INFO, OnVersionInfo)
END_MESSAGE_MAP()

CAlertApp::CAlertApp()
    : m_frameFactory(MakeMainFrame)
    , m_networkCheck([] { return true; })
    , m_exitProcess([](int code) { ::_exit(code); })
{
    if (!g_app)
        g_app = this;
}

CAlertApp::~CAlertApp()
{
    m_watcher.reset();
    m_endpoint.Close();
    delete m_mainWindow.data();
    if (g_app == this)
        g_app = nullptr;
}

CAlertApp* CAlertApp::Instance()
{
    return g_app;
}

void CAlertApp::SetProcessExit(std::function<void(int)> exitProcess)
{
    m_exitProcess = std::move(exitProcess);
}

bool CAlertApp::WatcherFired() const
{
    return m_watcher && m_watcher->Fired();
}

// ---- settings and directories -----------------------------------------------------------------

void CAlertApp::ReadSettings()
{
    const QString section = ConsoleSettings::SectionName();
    for (int i = 0; i < ConsoleSettings::Count; ++i) {
        const auto& entry = ConsoleSettings::Table(i);
        ConsoleSettings::Set(ConsoleSettings::Index(i),
                             ReadRegDword(section, QString(), ConsoleSettings::ValueName(i), entry.defaultValue));
    }
}

void CAlertApp::WriteSettings()
{
    // Write failures are not acted on: the next start simply reads the defaults.
    const QString section = ConsoleSettings::SectionName();
    for (int i = 0; i < ConsoleSettings::Count; ++i)
        WriteRegDword(section, QString(), ConsoleSettings::ValueName(i), ConsoleSettings::Get(ConsoleSettings::Index(i)));
}

int CAlertApp::GetHomeDirectory(QString* home)
{
    const QString dir = ServiceHomeDirectory();
    if (home)
        *home = dir;
    return int(dir.size());
}

QString CAlertApp::GetHelpDirectory()
{
    return HelpDirectory();
}

QString CAlertApp::VersionText(const QString& windowsPath)
{
    QByteArray block;
    VS_FIXEDFILEINFO fixed;
    const bool known = Version::ReadVersionBlock(windowsPath, &block) && Version::QueryFixed(block, &fixed);
    return FormatVersion(known, known ? fixed.dwFileVersionMS : 0, known ? fixed.dwFileVersionLS : 0);
}

QString CAlertApp::OwnVersionText()
{
    // The console's own version is the build's: "major.minor.build".
    const QStringList parts = QString::fromLatin1(VIGIMOR_VERSION_TEXT).split(QLatin1Char('.'));
    bool ok[3] = {false, false, false};
    DWORD n[3] = {0, 0, 0};
    for (int i = 0; i < 3 && i < parts.size(); ++i)
        n[i] = parts[i].toUInt(&ok[i]);
    const bool known = ok[0] && ok[1] && ok[2] && n[0] <= 0xFFFF && n[1] <= 0xFFFF && n[2] <= 0xFFFF;
    return FormatVersion(known, n[0] << 16 | n[1], n[2] << 16);
}

// ---- start-up ---------------------------------------------------------------------------------

bool CAlertApp::TakeSingleInstance()
{
    DWORD error = 0;
    if (!m_mutex.Create(QString::fromLatin1(kMutexName), true, &error)) {
        AfxMessageBox(IDS_MUTEX_FAILED);
        return false;
    }
    if (m_mutex.Wait(0) == WAIT_OBJECT_0)
        return true;

    // Another console owns it: find its window by the handshake and let it come forward.
    QString window;
    const DWORD found = Kernel::FindAnsweringWindow(m_bringUpMessage, BRING_UP_WPARAM, BRING_UP_LPARAM,
                                                    BRING_UP_REPLY, kBringUpTimeoutMs, &window);
    if (found != ERROR_SUCCESS)
        AfxMessageBox(IDS_NO_WINDOW);
    m_mutex.Release();
    m_mutex.Close();
    return false;
}

bool CAlertApp::InitInstance()
{
    ReadSettings();
    if (!m_bringUpMessage)
        m_bringUpMessage = Kernel::RegisterWindowMessage(QString::fromLatin1(kBringUpMessageName));
    // Watched from the first box on: until the main window exists, the event ends the process
    // at once, whatever box is waiting for an answer.
    if (!m_started)
        StartWatcher();
    m_started = true;
    if (!TakeSingleInstance())
        return false;

    auto splash = std::make_unique<CSplashWnd>();
    splash->ShowCentred();
    m_splashShown = true;

    // Qt's network layer needs no start-up of its own; the check stays so that a platform
    // without networking ends the console as the sockets failure did.
    if (!m_networkCheck || !m_networkCheck()) {
        AfxMessageBox(IDS_SOCKETS_FAILED);
        splash.reset();
        return false;
    }

    m_frame = m_frameFactory ? m_frameFactory() : Frame{};
    if (!m_frame.window) {
        splash.reset();
        return false;
    }
    m_mainWindow = m_frame.window;
    // Closing the main window ends the console: the tree goes with it before the exit entry.
    m_mainWindow->setAttribute(Qt::WA_DeleteOnClose);
    if (m_watched) {
        std::lock_guard<std::mutex> lock(m_watched->mutex);
        m_watched->window = m_mainWindow;
    }
    if (m_frame.route && !m_frame.route->GetNextCmdTarget())
        m_frame.route->SetNextCmdTarget(this);
    const QIcon icon = Res::Icon(IDI_MAINFRAME);
    if (!icon.isNull()) {
        QApplication::setWindowIcon(icon);
        m_mainWindow->setWindowIcon(icon);
    }
    m_mainWindow->show();
    m_mainWindow->update();
    m_endpoint.Listen([this](UINT m, WPARAM w, LPARAM l) { return AnswerWindowMessage(m, w, l); });

    splash.reset();
    return true;
}

LRESULT CAlertApp::AnswerWindowMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == m_bringUpMessage && m_frame.bringUp && m_mainWindow)
        return m_frame.bringUp(wParam, lParam);
    return 0;
}

void CAlertApp::StartWatcher()
{
    m_watched = std::make_shared<WatchedWindow>();
    m_watched->window = m_mainWindow;
    auto request = [ref = m_watched]() -> long {
        std::lock_guard<std::mutex> lock(ref->mutex);
        if (ref->window.isNull())
            return 0;
        QPointer<QWidget> window = ref->window;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [window] { CloseForTermination(window); }, Qt::QueuedConnection);
        return long(kTerminationGraceMs);
    };
    auto exitProcess = m_exitProcess;
    m_watcher = std::make_unique<CTerminationWatcher>(request, [exitProcess](int code) {
        if (exitProcess)
            exitProcess(code);
    });
    m_watcher->Start();
}

int CAlertApp::ExitInstance()
{
    WriteSettings();
    return 0;
}

bool CAlertApp::SignalTermination()
{
    CNamedEvent event;
    if (!event.Create(QString::fromLatin1(kTerminationEventName), false))
        return false;
    return event.Set();
}

// ---- commands ---------------------------------------------------------------------------------

void CAlertApp::OnAppAbout()
{
    QString home;
    GetHomeDirectory(&home);
    CAboutDlg dialog(OwnVersionText(), VersionText(home + QStringLiteral("\\ALERT.EXE")), m_mainWindow);
    UiHost::Current()->RunModal(&dialog);
}

void CAlertApp::OnVersionInfo()
{
    CVersionDlg dialog(m_mainWindow);
    UiHost::Current()->RunModal(&dialog);
}
