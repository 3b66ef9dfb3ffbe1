// Start-up in order, the single-instance rule (in this process and against a real second
// console process), the termination watcher and the settings written at exit.
#include "AppTestSupport.h"

#include "../common/TempWorld.h"
#include "framework/ScriptedUiHost.h"
#include "framework/Switches.h"
#include "platform/KernelObjects.h"
#include "platform/Registry.h"
#include "platform/Timing.h"
#include "res/Resources.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <atomic>
#include "../framework/WaitUntil.h"
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <thread>

namespace {

const QString kSentrel = QStringLiteral("SOFTWARE\\Korvane\\ALERT\\CurrentVersion\\Sentrel");

struct StartUpFixture : ::testing::Test {
    void SetUp() override
    {
        ConsoleSettings::ResetDefaults();
        host = std::make_unique<ScriptedUiHost>();
        scope = std::make_unique<ScopedUiHost>(host.get());
    }
    void TearDown() override
    {
        scope.reset();
        ConsoleSettings::ResetDefaults();
    }
    std::unique_ptr<CAlertApp> MakeApp(FrameLog* log)
    {
        auto app = std::make_unique<CAlertApp>();
        app->SetFrameFactory(TestFrameFactory(log));
        app->SetProcessExit([this](int code) {
            std::lock_guard<std::mutex> lock(exitMutex);
            exitTicks.push_back(Timing::TickCount());
            exitCodes.push_back(code);
        });
        return app;
    }

    TempWorld world;
    std::unique_ptr<ScriptedUiHost> host;
    std::unique_ptr<ScopedUiHost> scope;
    size_t Exits()
    {
        std::lock_guard<std::mutex> lock(exitMutex);
        return exitCodes.size();
    }

    // Written by the watcher thread.
    std::mutex exitMutex;
    std::vector<int> exitCodes;
    std::vector<uint64_t> exitTicks;
};

TEST_F(StartUpFixture, FirstStartShowsTheSplashWhileTheFrameIsBuilt)
{
    FrameLog log;
    auto app = MakeApp(&log);
    ASSERT_TRUE(app->InitInstance());
    EXPECT_EQ(log.created, 1);
    EXPECT_TRUE(log.splashVisibleAtCreation);
    EXPECT_FALSE(SplashVisible()) << "the splash goes once the frame is up";
    ASSERT_NE(app->MainWindow(), nullptr);
    EXPECT_TRUE(app->MainWindow()->isVisible());
    EXPECT_TRUE(host->Boxes().empty());
    // Commands nobody in the frame handles reach the application: About.
    auto* frame = dynamic_cast<CCmdTarget*>(app->MainWindow());
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->OnCmdMsg(ID_APP_ABOUT, nullptr));
    ASSERT_EQ(host->Dialogs().size(), 1u);
    EXPECT_EQ(host->Dialogs()[0].title, LoadString(3521) + " " + LoadString(57344));
}

TEST_F(StartUpFixture, SocketsFailureEndsWithItsMessageAndNoFrame)
{
    FrameLog log;
    auto app = MakeApp(&log);
    app->SetNetworkCheck([] { return false; });
    EXPECT_FALSE(app->InitInstance());
    EXPECT_EQ(host->BoxTexts(), QStringList{LoadString(104)});
    EXPECT_EQ(log.created, 0);
    EXPECT_FALSE(SplashVisible());
}

TEST_F(StartUpFixture, SecondStartInThisProcessBringsTheFirstForward)
{
    FrameLog first;
    auto app1 = MakeApp(&first);
    ASSERT_TRUE(app1->InitInstance());
    FrameLog second;
    auto app2 = MakeApp(&second);
    EXPECT_FALSE(app2->InitInstance());
    EXPECT_EQ(second.created, 0);
    EXPECT_TRUE(host->Boxes().empty());
    ASSERT_EQ(first.bringUps.size(), 1u);
    EXPECT_EQ(first.bringUps[0].first, BRING_UP_WPARAM);
    EXPECT_EQ(first.bringUps[0].second, BRING_UP_LPARAM);
    // The first keeps the instance: a third start is sent forward as well.
    auto app3 = MakeApp(&second);
    EXPECT_FALSE(app3->InitInstance());
    EXPECT_EQ(first.bringUps.size(), 2u);
}

TEST_F(StartUpFixture, OwnerWithoutAWindowGivesTheNoWindowMessage)
{
    CNamedMutex other;
    ASSERT_TRUE(other.Create(CAlertApp::kMutexName, true));
    FrameLog log;
    auto app = MakeApp(&log);
    EXPECT_FALSE(app->InitInstance());
    EXPECT_EQ(host->BoxTexts(), QStringList{LoadString(5101)});
    EXPECT_EQ(log.created, 0);
}

TEST_F(StartUpFixture, FirstConsoleThatNeverAnswersGivesTheNoWindowMessage)
{
    CNamedMutex other;
    ASSERT_TRUE(other.Create(CAlertApp::kMutexName, true));
    // A window whose thread hangs: it exists but never answers.
    CEvent release(true);
    std::atomic<bool> listening{false};
    std::thread hung([&] {
        CTopLevelWindow window;
        window.Listen([](UINT, WPARAM, LPARAM) { return BRING_UP_REPLY; });
        listening = true;
        release.Wait(INFINITE);
        window.Close();
    });
    ASSERT_TRUE(WaitUntil([&] { return listening.load(); }));
    ASSERT_FALSE(Kernel::EnumTopLevelWindows().isEmpty());
    FrameLog log;
    auto app = MakeApp(&log);
    EXPECT_FALSE(app->InitInstance());
    release.Set();
    hung.join();
    EXPECT_EQ(host->BoxTexts(), QStringList{LoadString(5101)});
    EXPECT_EQ(log.created, 0);
}

TEST_F(StartUpFixture, RealSecondProcessActivatesTheFirstAndEnds)
{
    FrameLog first;
    auto app = MakeApp(&first);
    ASSERT_TRUE(app->InitInstance());
    QProcess second;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VIGIMOR_TIME_SCALE"), QStringLiteral("0.01"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    second.setProcessEnvironment(env);
    second.start(TestBinDir() + QStringLiteral("/vigimor"), {});
    ASSERT_TRUE(second.waitForStarted(10000));
    // This console answers from its event loop, so keep it turning while the other asks.
    QElapsedTimer clock;
    clock.start();
    while (second.state() != QProcess::NotRunning && clock.elapsed() < 60000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        second.waitForFinished(10);
    }
    ASSERT_EQ(second.state(), QProcess::NotRunning);
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    ASSERT_EQ(first.bringUps.size(), 1u);
    EXPECT_EQ(first.bringUps[0].first, BRING_UP_WPARAM);
    EXPECT_EQ(first.bringUps[0].second, BRING_UP_LPARAM);
    EXPECT_TRUE(app->MainWindow()->isVisible());
}

TEST_F(StartUpFixture, TerminationEventClosesTheConsoleAndEndsTheProcessLater)
{
    FrameLog log;
    auto app = MakeApp(&log);
    ASSERT_TRUE(app->InitInstance());
    QPointer<QWidget> window = app->MainWindow();
    ASSERT_TRUE(window);
    const uint64_t signalled = Timing::TickCount();
    ASSERT_TRUE(CAlertApp::SignalTermination());
    ASSERT_TRUE(WaitUntil([&] { return app->WatcherFired(); }));
    ASSERT_TRUE(WaitUntil([&] { return window.isNull(); })) << "the window closes and goes";
    ASSERT_TRUE(WaitUntil([&] { return Exits() == 1; }));
    EXPECT_EQ(exitCodes[0], 0);
    EXPECT_GE(exitTicks[0] - signalled, uint64_t(Timing::Scaled(CAlertApp::kTerminationGraceMs)))
        << "the process ends only after the grace period";
}

// The termination event arrives while a real modal loop runs over the main window: the About
// box (a dialog parented to the window) or a message box. The loop ends first, as if
// cancelled; only then do the window and what it owns go.
TEST_F(StartUpFixture, TerminationWithADialogOrABoxOpenEndsItFirstThenTheWindow)
{
    QtUiHost real;
    ScopedUiHost realScope(&real);
    for (int round = 0; round < 2; ++round) {
        FrameLog log;
        auto app = MakeApp(&log);
        ASSERT_TRUE(app->InitInstance());
        QPointer<QWidget> window = app->MainWindow();
        auto* frame = dynamic_cast<CCmdTarget*>(window.data());
        ASSERT_NE(frame, nullptr);
        QPointer<QWidget> modalSeen;
        bool signalledInLoop = false;
        QTimer::singleShot(0, [&] {
            modalSeen = QApplication::activeModalWidget();
            signalledInLoop = modalSeen && CAlertApp::SignalTermination();
        });
        int answer = 0;
        if (round == 0)
            EXPECT_TRUE(frame->OnCmdMsg(ID_APP_ABOUT, nullptr));
        else
            answer = AfxMessageBox(QStringLiteral("?"), MB_YESNO);
        ASSERT_TRUE(signalledInLoop) << "the signal came while the modal loop ran, round " << round;
        EXPECT_TRUE(window) << "the window outlives the loop that runs over it";
        if (round == 1) {
            EXPECT_EQ(answer, IDNO) << "an ended box answers as if cancelled";
        }
        ASSERT_TRUE(WaitUntil([&] { return window.isNull(); }));
        EXPECT_TRUE(modalSeen.isNull()) << "the dialog went with its own scope";
        ASSERT_TRUE(WaitUntil([&] { return Exits() == size_t(round + 1); }));
        app.reset();
    }
}

TEST_F(StartUpFixture, WatcherWithoutWindowEndsAtOnce)
{
    FrameLog log;
    auto app = MakeApp(&log);
    ASSERT_TRUE(app->InitInstance());
    delete app->MainWindow();
    ASSERT_TRUE(CAlertApp::SignalTermination());
    ASSERT_TRUE(WaitUntil([&] { return Exits() == 1; }));
}

TEST_F(StartUpFixture, SettingsDefaultsReadAndWrittenInTableOrder)
{
    ConsoleSettings::Set(ConsoleSettings::LargeToolbar, 0);
    ConsoleSettings::Set(ConsoleSettings::ExpandServer, 1);
    CAlertApp::ReadSettings();
    EXPECT_EQ(ConsoleSettings::Get(ConsoleSettings::ExpandBroadcast), 0u);
    EXPECT_EQ(ConsoleSettings::Get(ConsoleSettings::ExpandEventlog), 0u);
    EXPECT_EQ(ConsoleSettings::Get(ConsoleSettings::ExpandServer), 0u);
    EXPECT_EQ(ConsoleSettings::Get(ConsoleSettings::LargeToolbar), 1u);

    ASSERT_EQ(Registry::PutDword({}, kSentrel, "LargeToolbar", 0), 0u);
    ASSERT_EQ(Registry::PutDword({}, kSentrel, "NetTreeDefaultExpandEventlog", 1), 0u);
    CAlertApp::ReadSettings();
    EXPECT_EQ(ConsoleSettings::Get(ConsoleSettings::LargeToolbar), 0u);
    EXPECT_EQ(ConsoleSettings::Get(ConsoleSettings::ExpandEventlog), 1u);

    ASSERT_EQ(Registry::DeleteKey({}, kSentrel), 0u);
    ConsoleSettings::Set(ConsoleSettings::ExpandBroadcast, 1);
    CAlertApp app;
    EXPECT_EQ(app.ExitInstance(), 0);
    QStringList names;
    ASSERT_EQ(Registry::EnumValueNames({}, kSentrel, &names), 0u);
    EXPECT_EQ(names, (QStringList{"NetTreeDefaultExpandBroadcast", "NetTreeDefaultExpandEventlog",
                                  "NetTreeDefaultExpandServer", "LargeToolbar"}));
    DWORD value = 9;
    ASSERT_TRUE(Registry::GetDword({}, kSentrel, "NetTreeDefaultExpandBroadcast", &value));
    EXPECT_EQ(value, 1u);
    ASSERT_TRUE(Registry::GetDword({}, kSentrel, "LargeToolbar", &value));
    EXPECT_EQ(value, 0u);
}

} // namespace
