// The alert service: real alertsvc processes started through the service control manager
// (start, pause, continue, stop, kill -9, second instance, remote machine), and the service
// loop run in a thread with a counting work step (delivery only while running).
#include "scm_Support.h"

#include "alertsvc/ServiceMain.h"
#include "platform/Network.h"
#include "platform/World.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>

#include <atomic>
#include <future>
#include <thread>

using ScmTest::Handle;

namespace {

class AlertServiceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Network::CancelAllConnections();
        AlertService::ResetStopRequest();
        ASSERT_EQ(Scm::InstallService(QString(), ScmTest::AlertDefinition()), 0u);
        ASSERT_FALSE(Scm::ServiceProgram().isEmpty()) << "alertsvc must be built beside the tests";
    }
    void TearDown() override
    {
        Network::CancelAllConnections();
        qunsetenv("VIGIMOR_PENDING_HOLD_MS");
    }

    SC_HANDLE OpenAlert(const QString& machine = QString())
    {
        Handle scm(OpenSCManager(machine, SC_MANAGER_CONNECT));
        return scm ? OpenService(scm.get(), QString::fromLatin1(Scm::kAlertServiceName), SERVICE_ALL_ACCESS) : nullptr;
    }

    static QString SessionOf(qint64 pid)
    {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            return QString();
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        return fields.size() > 3 ? QString::fromLatin1(fields.at(3)) : QString();   // state ppid pgrp session
    }

    TempWorld m_world;
};

TEST_F(AlertServiceTest, StartPauseContinueStop)
{
    ScmTest::ServiceReaper reaper(m_world, QStringLiteral("TESTPC"));
    Handle svc(OpenAlert());
    ASSERT_TRUE(svc);
    ASSERT_TRUE(StartService(svc.get())) << GetLastError();
    // Start pending is visible as soon as StartService returns.
    const DWORD first = ScmTest::StateOf(svc.get());
    EXPECT_TRUE(first == SERVICE_START_PENDING || first == SERVICE_RUNNING) << first;
    EXPECT_FALSE(StartService(svc.get()));
    EXPECT_EQ(GetLastError(), ERROR_SERVICE_ALREADY_RUNNING);
    ASSERT_TRUE(ScmTest::WaitForState(svc.get(), SERVICE_RUNNING, 2000));

    const qint64 pid = ScmTest::StatePid(m_world, QStringLiteral("TESTPC"), ScmTest::kAlertKey);
    ASSERT_TRUE(ScmTest::PidAlive(pid));
    EXPECT_NE(SessionOf(pid), SessionOf(::getpid()));   // detached into a session of its own
    EXPECT_FALSE(SessionOf(pid).isEmpty());

    SERVICE_STATUS s;
    ASSERT_TRUE(ControlService(svc.get(), SERVICE_CONTROL_PAUSE, &s)) << GetLastError();
    EXPECT_EQ(s.dwCurrentState, SERVICE_PAUSE_PENDING);
    ASSERT_TRUE(ScmTest::WaitForState(svc.get(), SERVICE_PAUSED));
    ASSERT_TRUE(ControlService(svc.get(), SERVICE_CONTROL_INTERROGATE, &s));
    EXPECT_EQ(s.dwCurrentState, SERVICE_PAUSED);
    EXPECT_EQ(s.dwControlsAccepted, SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_PAUSE_CONTINUE);

    ASSERT_TRUE(ControlService(svc.get(), SERVICE_CONTROL_CONTINUE, &s)) << GetLastError();
    EXPECT_EQ(s.dwCurrentState, SERVICE_CONTINUE_PENDING);
    ASSERT_TRUE(ScmTest::WaitForState(svc.get(), SERVICE_RUNNING));

    ASSERT_TRUE(ControlService(svc.get(), SERVICE_CONTROL_STOP, &s)) << GetLastError();
    EXPECT_EQ(s.dwCurrentState, SERVICE_STOP_PENDING);
    ASSERT_TRUE(ScmTest::WaitForState(svc.get(), SERVICE_STOPPED));
    ASSERT_TRUE(QueryServiceStatus(svc.get(), &s));
    EXPECT_EQ(s.dwWin32ExitCode, 0u);
    // The process ends after reporting stopped.
    const uint64_t end = Timing::TickCount() + 5000;
    while (ScmTest::PidAlive(pid) && Timing::TickCount() < end)
        Timing::Sleep(10);
    EXPECT_FALSE(ScmTest::PidAlive(pid));
    EXPECT_FALSE(ControlService(svc.get(), SERVICE_CONTROL_STOP, &s));
    EXPECT_EQ(GetLastError(), ERROR_SERVICE_NOT_ACTIVE);
}

TEST_F(AlertServiceTest, PendingStatesAreHeldLongEnoughToBeSeen)
{
    qputenv("VIGIMOR_PENDING_HOLD_MS", "20000");   // 200 ms at the tests' scale
    ScmTest::ServiceReaper reaper(m_world, QStringLiteral("TESTPC"));
    Handle svc(OpenAlert());
    ASSERT_TRUE(StartService(svc.get()));
    std::vector<DWORD> seen;
    const uint64_t end = Timing::TickCount() + 5000;
    while (Timing::TickCount() < end) {
        const DWORD state = ScmTest::StateOf(svc.get());
        if (seen.empty() || seen.back() != state)
            seen.push_back(state);
        if (state == SERVICE_RUNNING)
            break;
        Timing::Sleep(5);
    }
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), SERVICE_START_PENDING);
    EXPECT_EQ(seen.back(), SERVICE_RUNNING);

    SERVICE_STATUS s;
    ASSERT_TRUE(ControlService(svc.get(), SERVICE_CONTROL_STOP, &s));
    // A poller right after the request still sees the transition, not its end.
    EXPECT_EQ(ScmTest::StateOf(svc.get()), SERVICE_STOP_PENDING);
    EXPECT_FALSE(ControlService(svc.get(), SERVICE_CONTROL_PAUSE, &s));
    EXPECT_EQ(GetLastError(), ERROR_SERVICE_CANNOT_ACCEPT_CTRL);
    EXPECT_TRUE(ScmTest::WaitForState(svc.get(), SERVICE_STOPPED));
}

TEST_F(AlertServiceTest, KilledServiceReadsStoppedAndStartsAgain)
{
    ScmTest::ServiceReaper reaper(m_world, QStringLiteral("TESTPC"));
    Handle svc(OpenAlert());
    ASSERT_TRUE(StartService(svc.get()));
    ASSERT_TRUE(ScmTest::WaitForState(svc.get(), SERVICE_RUNNING, 2000));
    const qint64 pid = ScmTest::StatePid(m_world, QStringLiteral("TESTPC"), ScmTest::kAlertKey);
    ASSERT_GT(pid, 0);
    ASSERT_EQ(::kill(pid_t(pid), SIGKILL), 0);
    ASSERT_TRUE(ScmTest::WaitForState(svc.get(), SERVICE_STOPPED, 2000));
    SERVICE_STATUS s;
    ASSERT_TRUE(QueryServiceStatus(svc.get(), &s));
    EXPECT_EQ(s.dwWin32ExitCode, ERROR_PROCESS_ABORTED);

    // A stop request the dead service never took must not stop the next one.
    m_world.Write(QStringLiteral("machines/TESTPC/scm/%1.control").arg(ScmTest::kAlertKey),
                  "{\"control\":1,\"token\":\"left\"}");
    ASSERT_TRUE(StartService(svc.get())) << GetLastError();
    ASSERT_TRUE(ScmTest::WaitForState(svc.get(), SERVICE_RUNNING, 2000));
    Timing::Sleep(300);
    EXPECT_EQ(ScmTest::StateOf(svc.get()), SERVICE_RUNNING);
    ASSERT_TRUE(ControlService(svc.get(), SERVICE_CONTROL_STOP, &s));
    EXPECT_TRUE(ScmTest::WaitForState(svc.get(), SERVICE_STOPPED));
}

TEST_F(AlertServiceTest, SecondInstanceIsRefusedAndLeavesTheStateAlone)
{
    ScmTest::ServiceReaper reaper(m_world, QStringLiteral("TESTPC"));
    Handle svc(OpenAlert());
    ASSERT_TRUE(StartService(svc.get()));
    ASSERT_TRUE(ScmTest::WaitForState(svc.get(), SERVICE_RUNNING, 2000));
    const qint64 pid = ScmTest::StatePid(m_world, QStringLiteral("TESTPC"), ScmTest::kAlertKey);

    QProcess second;
    second.start(Scm::ServiceProgram(), {QStringLiteral("--world"), m_world.Root(), QStringLiteral("--machine"),
                                         QStringLiteral("testpc")});
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitCode(), int(AlertService::ExitAlreadyRunning));
    EXPECT_TRUE(second.readAllStandardOutput().isEmpty());
    EXPECT_EQ(ScmTest::StatePid(m_world, QStringLiteral("TESTPC"), ScmTest::kAlertKey), pid);
    EXPECT_EQ(ScmTest::StateOf(svc.get()), SERVICE_RUNNING);

    SERVICE_STATUS s;
    ASSERT_TRUE(ControlService(svc.get(), SERVICE_CONTROL_STOP, &s));
    EXPECT_TRUE(ScmTest::WaitForState(svc.get(), SERVICE_STOPPED));
}

TEST_F(AlertServiceTest, CommandLineRefusals)
{
    auto run = [this](const QStringList& args) {
        QProcess p;
        p.start(Scm::ServiceProgram(), args);
        EXPECT_TRUE(p.waitForFinished(10000));
        EXPECT_TRUE(p.readAllStandardOutput().isEmpty());
        return p.exitCode();
    };
    const QString root = m_world.Root();
    EXPECT_EQ(run({}), int(AlertService::ExitUsage));
    EXPECT_EQ(run({QStringLiteral("--world"), root}), int(AlertService::ExitUsage));
    EXPECT_EQ(run({QStringLiteral("--machine"), QStringLiteral("TESTPC"), QStringLiteral("--bogus")}), int(AlertService::ExitUsage));
    EXPECT_EQ(run({QStringLiteral("--world"), root, QStringLiteral("--machine"), QStringLiteral("../../etc")}),
              int(AlertService::ExitUnknownMachine));
    EXPECT_EQ(run({QStringLiteral("--world"), root, QStringLiteral("--machine"), QStringLiteral("NOSUCH")}),
              int(AlertService::ExitUnknownMachine));
    ScmTest::AddMachine(m_world, QStringLiteral("BARE"));
    EXPECT_EQ(run({QStringLiteral("--world"), root, QStringLiteral("--machine"), QStringLiteral("BARE")}),
              int(AlertService::ExitNotInstalled));
}

TEST_F(AlertServiceTest, RemoteServiceNeedsAConnection)
{
    ScmTest::AddMachine(m_world, QStringLiteral("SRV1"));
    ASSERT_EQ(Scm::InstallService(QStringLiteral("SRV1"), ScmTest::AlertDefinition()), 0u);
    ScmTest::ServiceReaper reaper(m_world, QStringLiteral("SRV1"));
    EXPECT_EQ(OpenSCManager(QStringLiteral("SRV1"), SC_MANAGER_CONNECT), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);

    QByteArray remote("\\\\SRV1\\ADMIN$");
    NETRESOURCE nr{};
    nr.dwType = RESOURCETYPE_DISK;
    nr.lpRemoteName = remote.data();
    ASSERT_EQ(WNetAddConnection2(&nr, "secret", "Administrator", 0), 0u);
    Handle svc(OpenAlert(QStringLiteral("\\\\SRV1")));
    ASSERT_TRUE(svc);
    ASSERT_TRUE(StartService(svc.get()));
    ASSERT_TRUE(ScmTest::WaitForState(svc.get(), SERVICE_RUNNING, 2000));
    // This computer's own service is untouched.
    Handle local(OpenAlert());
    EXPECT_EQ(ScmTest::StateOf(local.get()), SERVICE_STOPPED);

    SERVICE_STATUS s;
    ASSERT_TRUE(ControlService(svc.get(), SERVICE_CONTROL_STOP, &s));
    EXPECT_TRUE(ScmTest::WaitForState(svc.get(), SERVICE_STOPPED));
}

// The service loop in a thread of this process, with a work step that counts its cycles.
class ServiceLoopTest : public AlertServiceTest {
protected:
    void TearDown() override
    {
        // A test that failed half-way must not leave its service thread running.
        if (m_result.valid()) {
            AlertService::RequestStop();
            m_result.wait();
        }
        AlertServiceTest::TearDown();
    }
    void StartLoop()
    {
        m_result = std::async(std::launch::async, [this] {
            AlertService::Options o;
            o.machine = QStringLiteral("TESTPC");
            return AlertService::Run(o, [this](const QString& machine) {
                if (machine == QLatin1String("TESTPC"))
                    ++m_cycles;
                return 0;
            });
        });
    }
    int Finish()
    {
        if (m_result.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            AlertService::RequestStop();
            m_result.wait();
            return -1;
        }
        return m_result.get();
    }
    // Waits until the work step has run at least n more times.
    bool WaitCycles(int more)
    {
        const int target = m_cycles + more;
        const uint64_t end = Timing::TickCount() + 5000;
        while (m_cycles < target) {
            if (Timing::TickCount() > end)
                return false;
            Timing::Sleep(10);
        }
        return true;
    }

    std::atomic<int> m_cycles{0};
    std::future<int> m_result;
};

TEST_F(ServiceLoopTest, DeliversOnlyWhileRunning)
{
    StartLoop();
    Handle svc(OpenAlert());
    ASSERT_TRUE(ScmTest::WaitForState(svc.get(), SERVICE_RUNNING));
    EXPECT_TRUE(WaitCycles(3));

    SERVICE_STATUS s;
    ASSERT_TRUE(ControlService(svc.get(), SERVICE_CONTROL_PAUSE, &s));
    ASSERT_TRUE(ScmTest::WaitForState(svc.get(), SERVICE_PAUSED));
    const int whilePaused = m_cycles;
    Timing::Sleep(5000);    // five delivery intervals
    EXPECT_EQ(m_cycles, whilePaused);

    ASSERT_TRUE(ControlService(svc.get(), SERVICE_CONTROL_CONTINUE, &s));
    ASSERT_TRUE(ScmTest::WaitForState(svc.get(), SERVICE_RUNNING));
    EXPECT_TRUE(WaitCycles(2));

    ASSERT_TRUE(ControlService(svc.get(), SERVICE_CONTROL_STOP, &s));
    EXPECT_EQ(Finish(), int(AlertService::ExitOk));
    EXPECT_EQ(ScmTest::StateOf(svc.get()), SERVICE_STOPPED);
    const int atStop = m_cycles;
    Timing::Sleep(3000);
    EXPECT_EQ(m_cycles, atStop);
}

TEST_F(ServiceLoopTest, FailingWorkStepDoesNotEndTheService)
{
    m_result = std::async(std::launch::async, [this] {
        AlertService::Options o;
        o.machine = QStringLiteral("TESTPC");
        return AlertService::Run(o, [this](const QString&) -> int {
            ++m_cycles;
            throw std::runtime_error("bad spool");
        });
    });
    Handle svc(OpenAlert());
    ASSERT_TRUE(ScmTest::WaitForState(svc.get(), SERVICE_RUNNING));
    EXPECT_TRUE(WaitCycles(3));
    EXPECT_EQ(ScmTest::StateOf(svc.get()), SERVICE_RUNNING);
    AlertService::RequestStop();
    EXPECT_EQ(Finish(), int(AlertService::ExitOk));
    EXPECT_EQ(ScmTest::StateOf(svc.get()), SERVICE_STOPPED);
}

TEST_F(ServiceLoopTest, EndsWhenItsMachineLeavesTheWorld)
{
    ScmTest::AddMachine(m_world, QStringLiteral("GONE"));
    ASSERT_EQ(Scm::InstallService(QStringLiteral("GONE"), ScmTest::AlertDefinition()), 0u);
    m_result = std::async(std::launch::async, [] {
        AlertService::Options o;
        o.machine = QStringLiteral("GONE");
        return AlertService::Run(o, [](const QString&) { return 0; });
    });
    const QString state = m_world.Path(QStringLiteral("machines/GONE/scm/%1.state").arg(ScmTest::kAlertKey));
    const uint64_t end = Timing::TickCount() + 5000;
    while (!QFile::exists(state) && Timing::TickCount() < end)
        Timing::Sleep(10);
    // The service may write while the folder goes; remove until it is gone.
    QDir gone(m_world.Path(QStringLiteral("machines/GONE")));
    while (gone.exists() && Timing::TickCount() < end)
        gone.removeRecursively();
    ASSERT_FALSE(gone.exists());
    EXPECT_EQ(Finish(), int(AlertService::ExitOk));
    EXPECT_FALSE(gone.exists());
}

} // namespace
