// The termination event against real console processes: one waiting in a message box at
// start-up (this computer has no alert service, so opening it fails before the main window
// exists), and one whose account check after start-up has a box and then the account dialog
// open. Each ends within the grace period of `vigimor --signal-termination`, the second through
// its own clean exit (it writes its settings on the way out), and a start after the first
// is not kept waiting.
#include "ServerTestSupport.h"

#include "app/AlertApp.h"
#include "platform/KernelObjects.h"

#include <QProcess>
#include <QTest>

using namespace ServerTest;

namespace {

const QString kSentrel = QStringLiteral("SOFTWARE\\Korvane\\ALERT\\CurrentVersion\\Sentrel");
// The consoles run slower than the tests' own timing, so that the grace period after which
// the watcher ends the process outright is long enough to tell it from a clean exit.
constexpr double kConsoleScale = 0.05;

DWORD ConsoleScaled(DWORD nominalMs)
{
    return DWORD(nominalMs * kConsoleScale);
}

class TerminationTest : public Fixture {
protected:
    void TearDown() override
    {
        for (auto& console : m_consoles) {
            if (console->state() != QProcess::NotRunning) {
                console->kill();
                console->waitForFinished(10000);
            }
        }
        Fixture::TearDown();
    }

    QProcess* StartConsole()
    {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VIGIMOR_TIME_SCALE"), QString::number(kConsoleScale));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process->setProcessEnvironment(env);
        process->setProcessChannelMode(QProcess::SeparateChannels);
        process->start(TestBinDir() + QStringLiteral("/vigimor"), {});
        EXPECT_TRUE(process->waitForStarted(10000));
        m_consoles.push_back(std::move(process));
        return m_consoles.back().get();
    }

    // The console watches the event once it holds it; a signal given before would be lost
    // with the last handle, as the kernel object's would.
    static bool WaitUntilWatched()
    {
        return WaitUntil([] {
            CNamedEvent probe;
            return probe.Create(QString::fromLatin1(CAlertApp::kTerminationEventName)) && probe.AlreadyExisted();
        }, 30000);
    }
    // The single-instance mutex is held by a console once it is past its first check.
    static bool WaitUntilInstanceTaken()
    {
        return WaitUntil([] {
            CNamedMutex probe;
            if (!probe.Create(QString::fromLatin1(CAlertApp::kMutexName), false))
                return false;
            if (probe.Wait(0) != WAIT_OBJECT_0)
                return true;
            probe.Release();
            return false;
        }, 30000);
    }
    static void Signal()
    {
        QProcess signaller;
        signaller.start(TestBinDir() + QStringLiteral("/vigimor"), {QStringLiteral("--signal-termination")});
        ASSERT_TRUE(signaller.waitForFinished(30000));
        EXPECT_EQ(signaller.exitCode(), 0);
    }
    // Waits (real time) at most the scaled grace period and a little more for the console to end.
    static bool EndsWithinGrace(QProcess* console)
    {
        const int limitMs = int(ConsoleScaled(45000)) + 2000;
        return console->waitForFinished(limitMs);
    }
    static void ExpectNoSanitizerReport(QProcess* console)
    {
        const QByteArray err = console->readAllStandardError();
        EXPECT_FALSE(err.contains("Sanitizer")) << err.toStdString();
        EXPECT_FALSE(err.contains("runtime error")) << err.toStdString();
    }

    std::vector<std::unique_ptr<QProcess>> m_consoles;
};

TEST_F(TerminationTest, AConsoleWaitingInItsStartUpBoxEndsAndTheNextStartIsNotKeptWaiting)
{
    QProcess* first = StartConsole();
    ASSERT_TRUE(WaitUntilWatched());
    ASSERT_TRUE(WaitUntilInstanceTaken());
    // The frame is being built; opening the missing service gives its box.
    QTest::qWait(int(ConsoleScaled(2000)));
    ASSERT_EQ(first->state(), QProcess::Running);
    Signal();
    ASSERT_TRUE(EndsWithinGrace(first));
    EXPECT_EQ(first->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first->exitCode(), 0);
    ExpectNoSanitizerReport(first);

    // The next console takes the instance for itself, and can be ended the same way.
    QProcess* second = StartConsole();
    ASSERT_TRUE(WaitUntilWatched());
    ASSERT_TRUE(WaitUntilInstanceTaken());
    Signal();
    ASSERT_TRUE(EndsWithinGrace(second));
    EXPECT_EQ(second->exitCode(), 0);
    ExpectNoSanitizerReport(second);
}

TEST_F(TerminationTest, AConsoleWithItsAccountBoxAndDialogOpenEndsThemAndExitsCleanly)
{
    // A running service whose account must be impersonated but none is stored: after start-up
    // the console says so in a box and then opens the account dialog.
    SetImpersonate(1);
    InstallLocalService();
    StartService(kThisComputer);
    const DWORD cleared = Registry::DeleteKey({}, kSentrel);
    ASSERT_TRUE(cleared == ERROR_SUCCESS || cleared == ERROR_FILE_NOT_FOUND) << cleared;

    QProcess* console = StartConsole();
    ASSERT_TRUE(WaitUntilWatched());
    ASSERT_TRUE(WaitUntil([] { return !Kernel::EnumTopLevelWindows().isEmpty(); }, 30000))
        << "the main window listens once it is up";
    // Status polls see the running service and the account check opens its box.
    QTest::qWait(int(ConsoleScaled(4000)));
    ASSERT_EQ(console->state(), QProcess::Running);
    Signal();
    ASSERT_TRUE(EndsWithinGrace(console));
    EXPECT_EQ(console->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(console->exitCode(), 0);
    ExpectNoSanitizerReport(console);
    // Only the console's own exit writes the settings; the watcher's forced end would not.
    QStringList names;
    ASSERT_EQ(Registry::EnumValueNames({}, kSentrel, &names), 0u);
    EXPECT_EQ(names.size(), 4);
}

} // namespace
