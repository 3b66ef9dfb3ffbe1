// The service control manager without a service process: opening, configuration, the
// reading of state files (dead, zombie and stale writers), controls and their codes, the
// service side of the protocol run in a thread, and world administration.
#include "scm_Support.h"

#include "platform/Network.h"
#include "platform/World.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <atomic>
#include <mutex>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using ScmTest::Handle;

namespace {

class ScmManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Network::CancelAllConnections();
        ScmTest::AddMachine(m_world, QStringLiteral("SRV1"));
        ASSERT_EQ(Scm::InstallService(QString(), ScmTest::AlertDefinition()), 0u);
    }
    void TearDown() override { Network::CancelAllConnections(); }

    QString StateFile() const
    {
        return m_world.Path(QStringLiteral("machines/TESTPC/scm/%1.state").arg(ScmTest::kAlertKey));
    }

    void WriteState(int state, qint64 pid, int controls = 3, qint64 staleAfter = 60000)
    {
        QJsonObject o;
        o.insert(QLatin1String("state"), state);
        o.insert(QLatin1String("pid"), double(pid));
        o.insert(QLatin1String("controls"), controls);
        o.insert(QLatin1String("staleAfter"), double(staleAfter));
        o.insert(QLatin1String("writer"), QStringLiteral("service"));
        m_world.Write(QStringLiteral("machines/TESTPC/scm/%1.state").arg(ScmTest::kAlertKey),
                      QJsonDocument(o).toJson());
    }

    SC_HANDLE OpenAlert(DWORD access = SERVICE_ALL_ACCESS)
    {
        Handle scm(OpenSCManager(QString(), SC_MANAGER_CONNECT));
        return scm ? OpenService(scm.get(), QString::fromLatin1(Scm::kAlertServiceName), access) : nullptr;
    }

    TempWorld m_world;
};

TEST_F(ScmManagerTest, OpeningCodes)
{
    EXPECT_EQ(OpenSCManager(QStringLiteral("NOSUCH"), SC_MANAGER_CONNECT), nullptr);
    EXPECT_EQ(GetLastError(), RPC_S_SERVER_UNAVAILABLE);
    for (const char* bad : {"..", "../TESTPC", "A\\B", "SIXTEENCHARSLONG", "\\\\"}) {
        SetLastError(0);
        EXPECT_EQ(OpenSCManager(QString::fromLatin1(bad), SC_MANAGER_CONNECT), nullptr) << bad;
        EXPECT_EQ(GetLastError(), RPC_S_SERVER_UNAVAILABLE) << bad;
    }

    // A remote machine needs a connection.
    EXPECT_EQ(OpenSCManager(QStringLiteral("\\\\SRV1"), SC_MANAGER_CONNECT), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    QByteArray remote("\\\\SRV1\\ADMIN$");
    NETRESOURCE nr{};
    nr.dwType = RESOURCETYPE_DISK;
    nr.lpRemoteName = remote.data();
    ASSERT_EQ(WNetAddConnection2(&nr, "secret", "KORVANE\\Administrator", 0), 0u);
    Handle remoteScm(OpenSCManager(QStringLiteral("\\\\SRV1"), SC_MANAGER_CONNECT));
    ASSERT_TRUE(remoteScm);
    EXPECT_EQ(OpenService(remoteScm.get(), QString::fromLatin1(Scm::kAlertServiceName), SERVICE_QUERY_STATUS), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SERVICE_DOES_NOT_EXIST);

    // Names match case-insensitively; the fallback name is simply another service.
    Handle scm(OpenSCManager(QStringLiteral("testpc"), SC_MANAGER_CONNECT));
    ASSERT_TRUE(scm);
    Handle svc(OpenService(scm.get(), QStringLiteral("alert notification server"), SERVICE_QUERY_STATUS));
    EXPECT_TRUE(svc);
    EXPECT_EQ(OpenService(scm.get(), QString::fromLatin1(Scm::kAlertServiceFallbackName), SERVICE_QUERY_STATUS), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SERVICE_DOES_NOT_EXIST);
    EXPECT_EQ(OpenService(svc.get(), QStringLiteral("x"), SERVICE_QUERY_STATUS), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

    SC_HANDLE extra = OpenService(scm.get(), QString::fromLatin1(Scm::kAlertServiceName), SERVICE_QUERY_STATUS);
    EXPECT_TRUE(CloseServiceHandle(extra));
    EXPECT_FALSE(CloseServiceHandle(extra));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    SERVICE_STATUS status;
    EXPECT_FALSE(QueryServiceStatus(extra, &status));
}

TEST_F(ScmManagerTest, ConfigurationRecord)
{
    Handle svc(OpenAlert(SERVICE_QUERY_CONFIG));
    ASSERT_TRUE(svc);
    DWORD needed = 0;
    EXPECT_FALSE(QueryServiceConfig(svc.get(), nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    ASSERT_GT(needed, sizeof(QUERY_SERVICE_CONFIG));
    std::vector<uint64_t> storage(needed / 8 + 1);
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIG*>(storage.data());
    EXPECT_FALSE(QueryServiceConfig(svc.get(), config, needed - 1, &needed));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    ASSERT_TRUE(QueryServiceConfig(svc.get(), config, needed, &needed));
    EXPECT_STREQ(config->lpBinaryPathName, "C:\\ALERT\\ALERT.EXE");
    EXPECT_STREQ(config->lpDisplayName, "Alert Notification Server");
    EXPECT_STREQ(config->lpServiceStartName, "LocalSystem");
    EXPECT_EQ(config->dwStartType, SERVICE_AUTO_START);
    EXPECT_EQ(config->dwServiceType, SERVICE_WIN32_OWN_PROCESS);
    const char* end = reinterpret_cast<const char*>(config) + needed;
    EXPECT_LE(config->lpDisplayName + strlen(config->lpDisplayName) + 1, end);

    // Rights are checked per handle.
    Handle statusOnly(OpenAlert(SERVICE_QUERY_STATUS));
    EXPECT_FALSE(QueryServiceConfig(statusOnly.get(), config, needed, &needed));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(StartService(statusOnly.get()));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    SERVICE_STATUS status;
    EXPECT_FALSE(ControlService(statusOnly.get(), SERVICE_CONTROL_STOP, &status));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST_F(ScmManagerTest, StatesOfVanishedWritersReadStopped)
{
    Handle svc(OpenAlert());
    ASSERT_TRUE(svc);
    SERVICE_STATUS s;
    ASSERT_TRUE(QueryServiceStatus(svc.get(), &s));
    EXPECT_EQ(s.dwCurrentState, SERVICE_STOPPED);   // never started: no state file

    WriteState(4, ::getpid());
    ASSERT_TRUE(QueryServiceStatus(svc.get(), &s));
    EXPECT_EQ(s.dwCurrentState, SERVICE_RUNNING);
    EXPECT_EQ(s.dwControlsAccepted, SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_PAUSE_CONTINUE);

    // A process that has ended, reaped or not.
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ASSERT_GT(child, 0);
    siginfo_t info{};
    ASSERT_EQ(::waitid(P_PID, id_t(child), &info, WEXITED | WNOWAIT), 0);   // ended, not reaped
    WriteState(4, child);
    ASSERT_TRUE(QueryServiceStatus(svc.get(), &s));
    EXPECT_EQ(s.dwCurrentState, SERVICE_STOPPED);
    EXPECT_EQ(s.dwWin32ExitCode, ERROR_PROCESS_ABORTED);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    ASSERT_TRUE(QueryServiceStatus(svc.get(), &s));
    EXPECT_EQ(s.dwCurrentState, SERVICE_STOPPED);

    // A live pid whose heartbeat stopped long ago (a reused pid, a hung service).
    WriteState(7, ::getpid(), 3, 3000);
    struct timespec times[2];
    times[0].tv_sec = times[1].tv_sec = ::time(nullptr) - 60;
    times[0].tv_nsec = times[1].tv_nsec = 0;
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(StateFile()).constData(), times, 0), 0);
    ASSERT_TRUE(QueryServiceStatus(svc.get(), &s));
    EXPECT_EQ(s.dwCurrentState, SERVICE_STOPPED);

    // Files that say nothing sensible.
    for (const QByteArray& junk : {QByteArray("{"), QByteArray("[]"), QByteArray("{\"state\":99,\"pid\":1}"),
                                   QByteArray("{\"state\":4}"), QByteArray(100000, 'x')}) {
        m_world.Write(QStringLiteral("machines/TESTPC/scm/%1.state").arg(ScmTest::kAlertKey), junk);
        ASSERT_TRUE(QueryServiceStatus(svc.get(), &s));
        EXPECT_EQ(s.dwCurrentState, SERVICE_STOPPED) << junk.left(40).constData();
    }
}

TEST_F(ScmManagerTest, ControlCodesFollowTheState)
{
    Handle svc(OpenAlert());
    SERVICE_STATUS s;
    EXPECT_FALSE(ControlService(svc.get(), SERVICE_CONTROL_STOP, &s));
    EXPECT_EQ(GetLastError(), ERROR_SERVICE_NOT_ACTIVE);
    EXPECT_FALSE(ControlService(svc.get(), SERVICE_CONTROL_INTERROGATE, &s));
    EXPECT_EQ(GetLastError(), ERROR_SERVICE_NOT_ACTIVE);

    WriteState(2, ::getpid(), 0);
    EXPECT_FALSE(ControlService(svc.get(), SERVICE_CONTROL_PAUSE, &s));
    EXPECT_EQ(GetLastError(), ERROR_SERVICE_CANNOT_ACCEPT_CTRL);
    EXPECT_EQ(s.dwCurrentState, SERVICE_START_PENDING);
    EXPECT_FALSE(StartService(svc.get()));
    EXPECT_EQ(GetLastError(), ERROR_SERVICE_ALREADY_RUNNING);

    WriteState(6, ::getpid(), 0);
    EXPECT_FALSE(ControlService(svc.get(), SERVICE_CONTROL_CONTINUE, &s));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_SERVICE_CONTROL);
    EXPECT_FALSE(ControlService(svc.get(), 77, &s));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

    // Nobody takes the request: a bounded wait, then 1053, and the request is withdrawn.
    WriteState(4, ::getpid(), 3);
    EXPECT_TRUE(ControlService(svc.get(), SERVICE_CONTROL_INTERROGATE, &s));
    EXPECT_EQ(s.dwCurrentState, SERVICE_RUNNING);
    EXPECT_FALSE(ControlService(svc.get(), SERVICE_CONTROL_PAUSE, &s));
    EXPECT_EQ(GetLastError(), ERROR_SERVICE_REQUEST_TIMEOUT);
    EXPECT_FALSE(QFile::exists(m_world.Path(QStringLiteral("machines/TESTPC/scm/%1.control").arg(ScmTest::kAlertKey))));
}

// The service's half of the protocol in a thread: controls are taken and acknowledged with
// the pending state, which is what ControlService returns.
TEST_F(ScmManagerTest, ControlsReachTheServiceAndReturnItsPendingState)
{
    Scm::SERVICE_STATUS_HANDLE instance = Scm::RegisterServiceInstance(QStringLiteral("testpc"),
                                                                        QStringLiteral("ALERT NOTIFICATION SERVER"));
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(Scm::RegisterServiceInstance(QString(), QString::fromLatin1(Scm::kAlertServiceName)), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SERVICE_ALREADY_RUNNING);
    EXPECT_EQ(Scm::RegisterServiceInstance(QString(), QStringLiteral("Other")), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SERVICE_DOES_NOT_EXIST);

    SERVICE_STATUS st{};
    st.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    st.dwCurrentState = SERVICE_RUNNING;
    st.dwControlsAccepted = SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_PAUSE_CONTINUE;
    ASSERT_TRUE(Scm::SetServiceStatus(instance, &st, 10));

    std::atomic<bool> quit{false};
    std::mutex mutex;
    std::vector<DWORD> taken;
    std::thread service([&] {
        while (!quit) {
            const DWORD control = Scm::TakeServiceControl(instance);
            std::lock_guard lock(mutex);
            if (control == SERVICE_CONTROL_PAUSE)
                st.dwCurrentState = SERVICE_PAUSE_PENDING;
            else if (control == SERVICE_CONTROL_STOP)
                st.dwCurrentState = SERVICE_STOP_PENDING;
            if (control) {
                taken.push_back(control);
                st.dwControlsAccepted = 0;
                Scm::SetServiceStatus(instance, &st, 10);
            }
            Scm::ServiceHeartbeat(instance);
            Timing::Sleep(20);
        }
    });

    Handle svc(OpenAlert());
    SERVICE_STATUS s;
    EXPECT_TRUE(ControlService(svc.get(), SERVICE_CONTROL_PAUSE, &s));
    EXPECT_EQ(s.dwCurrentState, SERVICE_PAUSE_PENDING);
    EXPECT_EQ(ScmTest::StateOf(svc.get()), SERVICE_PAUSE_PENDING);
    {
        std::lock_guard lock(mutex);
        st.dwCurrentState = SERVICE_PAUSED;
        st.dwControlsAccepted = SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_PAUSE_CONTINUE;
        Scm::SetServiceStatus(instance, &st, 10);
    }
    EXPECT_TRUE(ControlService(svc.get(), SERVICE_CONTROL_STOP, &s));
    EXPECT_EQ(s.dwCurrentState, SERVICE_STOP_PENDING);
    quit = true;
    service.join();
    EXPECT_EQ(taken, (std::vector<DWORD>{SERVICE_CONTROL_PAUSE, SERVICE_CONTROL_STOP}));

    Scm::CloseServiceInstance(instance);
    // The lock went with the instance; the state file still names our (live) pid.
    Scm::SERVICE_STATUS_HANDLE again = Scm::RegisterServiceInstance(QString(), QString::fromLatin1(Scm::kAlertServiceName));
    EXPECT_NE(again, nullptr);
    Scm::CloseServiceInstance(again);
}

TEST_F(ScmManagerTest, JunkControlRequestsAreDropped)
{
    Scm::SERVICE_STATUS_HANDLE instance = Scm::RegisterServiceInstance(QString(), QString::fromLatin1(Scm::kAlertServiceName));
    ASSERT_NE(instance, nullptr);
    const QString control = QStringLiteral("machines/TESTPC/scm/%1.control").arg(ScmTest::kAlertKey);
    EXPECT_EQ(Scm::TakeServiceControl(instance), 0u);   // nothing queued
    for (const QByteArray& junk : {QByteArray(""), QByteArray("{\"control\":"), QByteArray("{\"control\":0}"),
                                   QByteArray("{\"control\":5}"), QByteArray("{\"control\":-1}"),
                                   QByteArray("{\"control\":\"stop\"}"), QByteArray(3 << 20, '{')}) {
        ASSERT_TRUE(m_world.Write(control, junk));
        EXPECT_EQ(Scm::TakeServiceControl(instance), 0u) << junk.left(30).constData();
        EXPECT_FALSE(QFile::exists(m_world.Path(control)));
    }
    ASSERT_TRUE(m_world.Write(control, "{\"control\":3,\"token\":\"t\"}"));
    EXPECT_EQ(Scm::TakeServiceControl(instance), SERVICE_CONTROL_CONTINUE);
    EXPECT_EQ(Scm::TakeServiceControl(instance), 0u);
    Scm::CloseServiceInstance(instance);
}

TEST_F(ScmManagerTest, StartWithoutAProgramFailsAndStaysStopped)
{
    qputenv("VIGIMOR_ALERTSVC", m_world.Path(QStringLiteral("no-such-program")).toUtf8());
    Handle svc(OpenAlert());
    EXPECT_FALSE(StartService(svc.get()));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(ScmTest::StateOf(svc.get()), SERVICE_STOPPED);
    qunsetenv("VIGIMOR_ALERTSVC");

    Scm::ServiceDefinition disabled = ScmTest::AlertDefinition(QStringLiteral("Disabled one"));
    disabled.startType = SERVICE_DISABLED;
    ASSERT_EQ(Scm::InstallService(QString(), disabled), 0u);
    Handle scm(OpenSCManager(QString(), SC_MANAGER_CONNECT));
    Handle off(OpenService(scm.get(), QStringLiteral("Disabled one"), SERVICE_START));
    EXPECT_FALSE(StartService(off.get()));
    EXPECT_EQ(GetLastError(), ERROR_SERVICE_DISABLED);
}

TEST_F(ScmManagerTest, InstallAndRemove)
{
    EXPECT_EQ(Scm::InstallService(QString(), ScmTest::AlertDefinition(QStringLiteral("ALERT notification server"))),
              ERROR_SERVICE_EXISTS);
    for (const char* bad : {"", "a/b", "a\\b", "tab\there"})
        EXPECT_EQ(Scm::InstallService(QString(), ScmTest::AlertDefinition(QString::fromLatin1(bad))), ERROR_INVALID_NAME) << bad;
    EXPECT_EQ(Scm::InstallService(QString(), ScmTest::AlertDefinition(QString(81, QLatin1Char('n')))), ERROR_INVALID_NAME);
    EXPECT_EQ(Scm::InstallService(QStringLiteral("NOSUCH"), ScmTest::AlertDefinition()), RPC_S_SERVER_UNAVAILABLE);
    // World administration needs no connection to the remote machine.
    EXPECT_EQ(Scm::InstallService(QStringLiteral("SRV1"), ScmTest::AlertDefinition(QString::fromLatin1(Scm::kAlertServiceFallbackName))), 0u);

    // Names outside plain letters stay inside the scm folder.
    ASSERT_EQ(Scm::InstallService(QString(), ScmTest::AlertDefinition(QStringLiteral("..%.. ü"))), 0u);
    Handle scm(OpenSCManager(QString(), SC_MANAGER_CONNECT));
    Handle odd(OpenService(scm.get(), QStringLiteral("..%.. ü"), SERVICE_ALL_ACCESS));
    ASSERT_TRUE(odd);
    EXPECT_EQ(ScmTest::StateOf(odd.get()), SERVICE_STOPPED);

    WriteState(4, ::getpid());
    EXPECT_EQ(Scm::RemoveService(QString(), QString::fromLatin1(Scm::kAlertServiceName)), ERROR_BUSY);
    WriteState(1, 0);
    EXPECT_EQ(Scm::RemoveService(QString(), QString::fromLatin1(Scm::kAlertServiceName)), 0u);
    EXPECT_FALSE(QFile::exists(StateFile()));
    EXPECT_EQ(Scm::RemoveService(QString(), QString::fromLatin1(Scm::kAlertServiceName)), ERROR_SERVICE_DOES_NOT_EXIST);
    EXPECT_EQ(OpenService(scm.get(), QString::fromLatin1(Scm::kAlertServiceName), SERVICE_QUERY_STATUS), nullptr);
    EXPECT_TRUE(Handle(OpenService(scm.get(), QStringLiteral("..%.. ü"), SERVICE_QUERY_STATUS)).operator bool());
}

TEST_F(ScmManagerTest, UnreadableServiceListIsKeptNotOverwritten)
{
    const QString list = QStringLiteral("machines/TESTPC/scm/services.json");
    m_world.Write(list, "{\"services\": [ broken");
    Handle scm(OpenSCManager(QString(), SC_MANAGER_CONNECT));
    EXPECT_EQ(OpenService(scm.get(), QString::fromLatin1(Scm::kAlertServiceName), SERVICE_QUERY_STATUS), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SERVICE_DOES_NOT_EXIST);
    ASSERT_EQ(Scm::InstallService(QString(), ScmTest::AlertDefinition()), 0u);
    EXPECT_EQ(m_world.Read(list + QStringLiteral(".unreadable-1")), QByteArray("{\"services\": [ broken"));
    EXPECT_TRUE(Handle(OpenService(scm.get(), QString::fromLatin1(Scm::kAlertServiceName), SERVICE_QUERY_STATUS)).operator bool());
}

} // namespace
