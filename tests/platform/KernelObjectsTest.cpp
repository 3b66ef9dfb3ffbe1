#include "platform/KernelObjects.h"

#include "../common/TempWorld.h"
#include "ChildProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <gtest/gtest.h>
#include <atomic>
#include <sys/stat.h>
#include <thread>

namespace {

const QString kMutexName = QStringLiteral("SentrelSingleInstanceMutex");
const QString kEventName = QStringLiteral("QuellitTerminationEvent");
constexpr WPARAM kQueryW = 0x88A8;
constexpr LPARAM kQueryL = 0x8960;
constexpr LRESULT kAnswer = 0x12272;

class KernelObjectsTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        // Every handle of the test is closed by now; leave no runtime folder behind.
        const QString dir = Kernel::RuntimeDir();
        if (!dir.isEmpty())
            QDir(dir).removeRecursively();
    }

    void EndChild(QProcess& child)
    {
        child.closeWriteChannel();
        EXPECT_EQ(WaitChild(child), 0);
    }

    TempWorld m_world;
};

} // namespace

TEST_F(KernelObjectsTest, RuntimeFolderIsPrivateAndPerWorld)
{
    const QString dir = Kernel::RuntimeDir();
    ASSERT_FALSE(dir.isEmpty());
    EXPECT_EQ(Kernel::RuntimeDir(), dir);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(dir).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    {
        TempWorld other;
        const QString otherDir = Kernel::RuntimeDir();
        EXPECT_FALSE(otherDir.isEmpty());
        EXPECT_NE(otherDir, dir);
        QDir(otherDir).removeRecursively();
    }
    EXPECT_EQ(Kernel::RuntimeDir(), dir);
}

TEST_F(KernelObjectsTest, RegisteredMessagesAreStableAndIgnoreCase)
{
    const UINT id = Kernel::RegisterWindowMessage(QStringLiteral("Bring Up Alert"));
    EXPECT_GE(id, 0xC000u);
    EXPECT_LE(id, 0xFFFFu);
    EXPECT_EQ(Kernel::RegisterWindowMessage(QStringLiteral("BRING UP ALERT")), id);
    EXPECT_NE(Kernel::RegisterWindowMessage(QStringLiteral("Bring Up Alerts")), id);
    EXPECT_EQ(Kernel::RegisterWindowMessage(QString()), 0u);
}

TEST_F(KernelObjectsTest, MutexOwnershipBetweenHandles)
{
    CNamedMutex first;
    ASSERT_TRUE(first.Create(kMutexName, true));
    EXPECT_FALSE(first.AlreadyExisted());
    EXPECT_EQ(first.Wait(0), WAIT_OBJECT_0);  // nests with the initial ownership

    CNamedMutex second;
    ASSERT_TRUE(second.Create(kMutexName, true));
    EXPECT_TRUE(second.AlreadyExisted());
    EXPECT_EQ(second.Wait(0), WAIT_TIMEOUT);
    EXPECT_EQ(second.Wait(100), WAIT_TIMEOUT);
    EXPECT_FALSE(second.Release());

    // Another name, or the same name in another world, is another mutex.
    CNamedMutex other;
    ASSERT_TRUE(other.Create(QStringLiteral("Global\\Other mutex"), true));
    EXPECT_FALSE(other.AlreadyExisted());
    {
        TempWorld elsewhere;
        CNamedMutex foreign;
        ASSERT_TRUE(foreign.Create(kMutexName, true));
        EXPECT_FALSE(foreign.AlreadyExisted());
        foreign.Close();
        QDir(Kernel::RuntimeDir()).removeRecursively();
    }

    EXPECT_TRUE(first.Release());
    EXPECT_EQ(second.Wait(0), WAIT_TIMEOUT);  // still owned once
    EXPECT_TRUE(first.Release());
    EXPECT_FALSE(first.Release());
    EXPECT_EQ(second.Wait(0), WAIT_OBJECT_0);
    EXPECT_EQ(first.Wait(0), WAIT_TIMEOUT);

    // Closing the owning handle gives the mutex up.
    second.Close();
    EXPECT_EQ(first.Wait(0), WAIT_OBJECT_0);

    CNamedMutex unnamed;
    DWORD error = 0;
    EXPECT_FALSE(unnamed.Create(QString(), true, &error));
    EXPECT_EQ(error, ERROR_INVALID_PARAMETER);
    EXPECT_EQ(unnamed.Wait(0), WAIT_FAILED);
}

TEST_F(KernelObjectsTest, MutexOwnershipBetweenProcesses)
{
    auto child = StartChild(QStringLiteral("mutex-hold"), {kMutexName});
    ASSERT_TRUE(child);
    ASSERT_EQ(ReadChildLine(*child), QStringLiteral("owned"));

    CNamedMutex mine;
    ASSERT_TRUE(mine.Create(kMutexName, true));
    EXPECT_TRUE(mine.AlreadyExisted());
    EXPECT_EQ(mine.Wait(0), WAIT_TIMEOUT);

    // The owner ends: the mutex is free again.
    EndChild(*child);
    EXPECT_EQ(mine.Wait(100000), WAIT_OBJECT_0);

    auto second = StartChild(QStringLiteral("mutex-hold"), {kMutexName});
    ASSERT_TRUE(second);
    EXPECT_EQ(ReadChildLine(*second), QStringLiteral("busy"));
    EndChild(*second);
}

TEST_F(KernelObjectsTest, UnnamedAutoResetEventLetsOneWaiterThroughPerSet)
{
    CEvent event;
    EXPECT_EQ(event.Wait(0), WAIT_TIMEOUT);
    event.Set();
    event.Set();
    EXPECT_EQ(event.Wait(0), WAIT_OBJECT_0);
    EXPECT_EQ(event.Wait(10), WAIT_TIMEOUT);

    CEvent initially(false, true);
    EXPECT_EQ(initially.Wait(0), WAIT_OBJECT_0);
    EXPECT_EQ(initially.Wait(0), WAIT_TIMEOUT);

    std::atomic<int> through{0};
    std::thread a([&] { if (event.Wait(100000) == WAIT_OBJECT_0) ++through; });
    std::thread b([&] { if (event.Wait(100000) == WAIT_OBJECT_0) ++through; });
    event.Set();
    // One of the two is released; the other only by the next Set.
    while (through.load() == 0)
        std::this_thread::yield();
    EXPECT_EQ(through.load(), 1);
    event.Set();
    a.join();
    b.join();
    EXPECT_EQ(through.load(), 2);
}

TEST_F(KernelObjectsTest, UnnamedManualResetEventStaysSignalled)
{
    CEvent event(true, false);
    std::atomic<int> through{0};
    std::thread a([&] { if (event.Wait(INFINITE) == WAIT_OBJECT_0) ++through; });
    std::thread b([&] { if (event.Wait(INFINITE) == WAIT_OBJECT_0) ++through; });
    event.Set();
    a.join();
    b.join();
    EXPECT_EQ(through.load(), 2);
    EXPECT_EQ(event.Wait(0), WAIT_OBJECT_0);
    event.Reset();
    EXPECT_EQ(event.Wait(5), WAIT_TIMEOUT);
}

TEST_F(KernelObjectsTest, NamedEventSetAndResetAcrossHandles)
{
    CNamedEvent first;
    ASSERT_TRUE(first.Create(kEventName));
    EXPECT_FALSE(first.AlreadyExisted());
    EXPECT_EQ(first.Wait(0), WAIT_TIMEOUT);

    CNamedEvent second;
    ASSERT_TRUE(second.Open(kEventName));
    EXPECT_TRUE(second.AlreadyExisted());
    ASSERT_TRUE(second.Set());
    EXPECT_EQ(first.Wait(0), WAIT_OBJECT_0);
    EXPECT_EQ(first.Wait(0), WAIT_OBJECT_0);  // manual reset: stays signalled
    ASSERT_TRUE(first.Reset());
    EXPECT_EQ(second.Wait(10), WAIT_TIMEOUT);

    // A waiter in another thread wakes when it is set.
    std::atomic<DWORD> result{WAIT_FAILED};
    std::thread waiter([&] { result = first.Wait(INFINITE); });
    second.Set();
    waiter.join();
    EXPECT_EQ(result.load(), WAIT_OBJECT_0);
}

TEST_F(KernelObjectsTest, NamedEventVanishesWithItsLastHolder)
{
    CNamedEvent lone;
    DWORD error = 0;
    EXPECT_FALSE(lone.Open(kEventName, &error));
    EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);

    {
        CNamedEvent event;
        ASSERT_TRUE(event.Create(kEventName));
        ASSERT_TRUE(event.Set());
    }
    // Nobody held it any more, so it is a new event, not signalled.
    CNamedEvent again;
    ASSERT_TRUE(again.Create(kEventName));
    EXPECT_FALSE(again.AlreadyExisted());
    EXPECT_EQ(again.Wait(0), WAIT_TIMEOUT);
    again.Close();
    EXPECT_FALSE(lone.Open(kEventName, &error));
    EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);

    CNamedEvent signalled;
    ASSERT_TRUE(signalled.Create(kEventName, true));
    EXPECT_EQ(signalled.Wait(0), WAIT_OBJECT_0);
}

TEST_F(KernelObjectsTest, NamedEventAcrossProcesses)
{
    // A child waits; this process sets.
    auto waiter = StartChild(QStringLiteral("event-hold"), {kEventName});
    ASSERT_TRUE(waiter);
    ASSERT_EQ(ReadChildLine(*waiter), QStringLiteral("ready"));
    CNamedEvent event;
    ASSERT_TRUE(event.Open(kEventName));
    ASSERT_TRUE(event.Set());
    EXPECT_EQ(ReadChildLine(*waiter), QStringLiteral("signalled"));
    EndChild(*waiter);
    event.Close();

    // This process waits; a child sets.
    ASSERT_TRUE(event.Create(kEventName));
    EXPECT_EQ(event.Wait(0), WAIT_TIMEOUT);
    auto setter = StartChild(QStringLiteral("event-set"), {kEventName});
    ASSERT_TRUE(setter);
    EXPECT_EQ(WaitChild(*setter), 0);
    EXPECT_EQ(event.Wait(100000), WAIT_OBJECT_0);
    event.Close();

    // With nobody holding it there is no event to set.
    auto orphan = StartChild(QStringLiteral("event-set"), {kEventName});
    ASSERT_TRUE(orphan);
    EXPECT_EQ(WaitChild(*orphan), 3);
}

TEST_F(KernelObjectsTest, HandshakeIsAnsweredByTheRunningConsole)
{
    auto console = StartChild(QStringLiteral("window"), {QStringLiteral("Bring Up Alert")});
    ASSERT_TRUE(console);
    ASSERT_EQ(ReadChildLine(*console), QStringLiteral("ready"));
    const UINT message = Kernel::RegisterWindowMessage(QStringLiteral("Bring Up Alert"));

    EXPECT_EQ(Kernel::EnumTopLevelWindows().size(), 1);
    // Wrong parameters: the window answers 0, so it is not the console.
    EXPECT_EQ(Kernel::FindAnsweringWindow(message, kQueryW, kQueryL + 1, kAnswer, 5000), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Kernel::FindAnsweringWindow(message + 1, kQueryW, kQueryL, kAnswer, 5000), ERROR_FILE_NOT_FOUND);

    QString window;
    ASSERT_EQ(Kernel::FindAnsweringWindow(message, kQueryW, kQueryL, kAnswer, 5000, &window), ERROR_SUCCESS);
    EXPECT_TRUE(window.startsWith(QString::number(console->processId()) + QLatin1Char('-'))) << window.toStdString();
    EXPECT_EQ(ReadChildLine(*console), QStringLiteral("asked"));
    console->kill();
    console->waitForFinished();

    // The killed console's endpoint is gone or dead; either way nobody answers.
    LRESULT answer = 0;
    EXPECT_NE(Kernel::SendMessageTimeout(window, message, kQueryW, kQueryL, 5000, &answer), ERROR_SUCCESS);
    EXPECT_EQ(Kernel::FindAnsweringWindow(message, kQueryW, kQueryL, kAnswer, 5000), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(Kernel::EnumTopLevelWindows().isEmpty());
}

TEST_F(KernelObjectsTest, HungConsoleTimesOut)
{
    auto console = StartChild(QStringLiteral("hung-window"), {QStringLiteral("Bring Up Alert")});
    ASSERT_TRUE(console);
    ASSERT_EQ(ReadChildLine(*console), QStringLiteral("ready"));
    const UINT message = Kernel::RegisterWindowMessage(QStringLiteral("Bring Up Alert"));
    const QStringList windows = Kernel::EnumTopLevelWindows();
    ASSERT_EQ(windows.size(), 1);
    LRESULT answer = 0;
    EXPECT_EQ(Kernel::SendMessageTimeout(windows[0], message, kQueryW, kQueryL, 5000, &answer), ERROR_TIMEOUT);
    EXPECT_EQ(Kernel::FindAnsweringWindow(message, kQueryW, kQueryL, kAnswer, 5000), ERROR_FILE_NOT_FOUND);
    EndChild(*console);
}

TEST_F(KernelObjectsTest, WindowsOfThisProcess)
{
    const UINT message = Kernel::RegisterWindowMessage(QStringLiteral("Bring Up Alert"));
    CTopLevelWindow window;
    int calls = 0;
    ASSERT_TRUE(window.Listen([&](UINT msg, WPARAM w, LPARAM l) -> LRESULT {
        ++calls;
        return msg == message && w == kQueryW && l == kQueryL ? kAnswer : 0;
    }));
    ASSERT_FALSE(window.Id().isEmpty());
    // From its own thread the handler is called directly, without an event loop.
    LRESULT answer = 0;
    EXPECT_EQ(Kernel::SendMessageTimeout(window.Id(), message, kQueryW, kQueryL, 5000, &answer), ERROR_SUCCESS);
    EXPECT_EQ(answer, kAnswer);
    EXPECT_EQ(calls, 1);

    // From another thread the message goes through the endpoint and the owner's event loop.
    std::atomic<DWORD> rc{WAIT_FAILED};
    std::atomic<LRESULT> threadAnswer{0};
    std::atomic<bool> done{false};
    std::thread sender([&] {
        LRESULT a = 0;
        rc = Kernel::SendMessageTimeout(window.Id(), message, kQueryW, kQueryL, 100000, &a);
        threadAnswer = a;
        done = true;
    });
    while (!done.load())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    sender.join();
    EXPECT_EQ(rc.load(), ERROR_SUCCESS);
    EXPECT_EQ(threadAnswer.load(), kAnswer);
    EXPECT_EQ(calls, 2);

    const QString id = window.Id();
    window.Close();
    EXPECT_EQ(Kernel::SendMessageTimeout(id, message, kQueryW, kQueryL, 5000, &answer), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_EQ(Kernel::SendMessageTimeout(QStringLiteral("../x"), message, 0, 0, 5000, &answer), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_FALSE(Kernel::EnumTopLevelWindows().contains(id));
}

TEST_F(KernelObjectsTest, EndpointsOfEndedProcessesAreNotListed)
{
    CTopLevelWindow window;
    ASSERT_TRUE(window.Listen([](UINT, WPARAM, LPARAM) -> LRESULT { return 0; }));
    const QString stale = Kernel::RuntimeDir() + QStringLiteral("/windows/2147483646-0");
    QFile file(stale);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_EQ(Kernel::EnumTopLevelWindows(), QStringList{window.Id()});
    EXPECT_FALSE(QFileInfo::exists(stale));
}
