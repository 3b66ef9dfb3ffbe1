#pragma once
// CAlertApp: the first and last code of the console. It reads the console settings, makes
// sure only one console runs (a second start brings the first one forward and ends), shows the
// splash while the main frame is built, starts the termination watcher and writes the settings
// back at exit. Its message map handles About (57664) and version information (3041).
#include "framework/CmdTarget.h"
#include "platform/KernelObjects.h"
#include "platform/WinTypes.h"

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <QString>
#include <functional>
#include <memory>

class QWidget;
class CSplashWnd;
class CTerminationWatcher;

class CAlertApp : public QObject, public CCmdTarget {
    Q_OBJECT
    DECLARE_MESSAGE_MAP()
public:
    // Names of the single-instance objects, as every console knows them.
    static const char* const kMutexName;          // "SentrelSingleInstanceMutex"
    static const char* const kBringUpMessageName;  // "Bring Up Alert"
    static const char* const kTerminationEventName; // "QuellitTerminationEvent"
    // How long a second start waits for a running console's window to answer (nominal ms).
    static constexpr DWORD kBringUpTimeoutMs = 5000;
    // What the watcher waits after asking the main window to close before the process ends.
    static constexpr DWORD kTerminationGraceMs = 40000;

    // What the application needs of its main frame: the window, the command target at the top
    // of the frame's routing, and its answer to the single-instance query.
    struct Frame {
        QWidget* window = nullptr;
        CCmdTarget* route = nullptr;
        std::function<LRESULT(WPARAM wParam, LPARAM lParam)> bringUp;
    };
    // Creates the main frame; a null window means creation failed.
    using FrameFactory = std::function<Frame()>;

    CAlertApp();
    ~CAlertApp() override;

    static CAlertApp* Instance();

    // The start-up sequence; false ends the process.
    bool InitInstance();
    // Writes the four settings (in table order), then ends the framework's part. Returns the
    // exit code.
    int ExitInstance();

    QWidget* MainWindow() const { return m_mainWindow; }
    CCmdTarget* FrameRoute() const { return m_frame.route; }

    // Service home directory on this computer ("Home" under "Path", default "C:\ALERT");
    // returns its length.
    static int GetHomeDirectory(QString* home);
    // Home + "\Help\".
    static QString GetHelpDirectory();
    // The console settings from the registry into the process's values, and back.
    static void ReadSettings();
    static void WriteSettings();

    // The About box's version text of a file ("?.?" when it has none) and of the console.
    static QString VersionText(const QString& windowsPath);
    static QString OwnVersionText();

    // ---- seams (tests, the command line) --------------------------------------------------------
    void SetFrameFactory(FrameFactory factory) { m_frameFactory = std::move(factory); }
    // Whether the network layer can be used (the sockets step); the default always can.
    void SetNetworkCheck(std::function<bool()> check) { m_networkCheck = std::move(check); }
    // How the watcher ends the process (default: _exit, skipping exit handlers).
    void SetProcessExit(std::function<void(int code)> exitProcess);
    // Whether the splash was up while the frame was built, and is gone now.
    bool SplashShownDuringStart() const { return m_splashShown; }
    bool WatcherFired() const;

    // Signals the termination event of this world (what the product's uninstaller does).
    static bool SignalTermination();

    void OnAppAbout();
    void OnVersionInfo();

private:
    bool TakeSingleInstance();
    LRESULT AnswerWindowMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void StartWatcher();

    struct WatchedWindow;

    FrameFactory m_frameFactory;
    std::function<bool()> m_networkCheck;
    std::function<void(int)> m_exitProcess;
    Frame m_frame;
    QPointer<QWidget> m_mainWindow;
    CNamedMutex m_mutex;
    CTopLevelWindow m_endpoint;
    UINT m_bringUpMessage = 0;
    std::unique_ptr<CTerminationWatcher> m_watcher;
    std::shared_ptr<WatchedWindow> m_watched;
    bool m_splashShown = false;
    bool m_started = false;
};
