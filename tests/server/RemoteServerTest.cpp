// Remote machines: the directories their services report made reachable through their shares,
// the home-directory discovery that gives up after "SetMaxTry" attempts, the older service
// without a version report, and disconnecting (also in the middle of a discovery).
#include "ServerTestSupport.h"

#include "framework/Commands.h"

#include <QCursor>
#include <QGuiApplication>

using namespace ServerTest;

namespace {

class RemoteServerTest : public Fixture {
protected:
    // The machine's service paths in its own registry.
    static void SetServicePath(const QString& machine, const QString& value, const QString& path)
    {
        const QString key = ServerTest::kAlertKey + QStringLiteral("\\Path");
        ASSERT_EQ(Registry::CreateKey(machine, key, QString()), 0u);
        if (path.isNull())
            ASSERT_EQ(Registry::DeleteValue(machine, key, value), 0u);
        else
            ASSERT_EQ(Registry::PutString(machine, key, value, path), 0u);
    }

    static DWORD Sentrel(const QString& value, DWORD fallback = 0xFFFFFFFF)
    {
        return ReadRegDword(QStringLiteral("Sentrel"), QString(), value, fallback);
    }

    // A remote machine with its service running and this process connected to it.
    void RunningRemote(const QString& name, bool olderService = false)
    {
        AddRemote(name, true, olderService);
        ASSERT_EQ(ConnectAdmin(name), 0u);
    }

    CServerLeaf* Connect(const QString& name)
    {
        return AddServer(name, QStringLiteral("\\\\") + name + QStringLiteral("\\ADMIN$"));
    }
};

TEST_F(RemoteServerTest, ReportedDirectoriesBecomeSharePaths)
{
    RunningRemote(QStringLiteral("NAME"));
    SetServicePath(QStringLiteral("NAME"), QStringLiteral("Home"), QStringLiteral("D:\\ALERT"));
    SetServicePath(QStringLiteral("NAME"), QStringLiteral("EventLog"), QStringLiteral("\\\\OTHER\\SHARE\\ALERT"));
    SetServicePath(QStringLiteral("NAME"), QStringLiteral("Log"), QStringLiteral("C:\\ALERT\\LOG"));
    StartService(QStringLiteral("NAME"));

    CServerLeaf* leaf = Connect(QStringLiteral("name"));
    ASSERT_TRUE(leaf);
    EXPECT_EQ(leaf->GetName(), QStringLiteral("NAME"));
    EXPECT_TRUE(leaf->IsRemote());
    EXPECT_TRUE(leaf->CancelsConnection());
    EXPECT_EQ(leaf->GetConnectionName(), QStringLiteral("\\\\name\\ADMIN$"));
    CCmdUI disconnect(3009);
    ASSERT_TRUE(leaf->OnCmdMsg(3009, &disconnect));
    EXPECT_TRUE(disconnect.IsEnabled());

    ASSERT_TRUE(WaitUntil([&] { return StatusText(leaf) == LoadString(2001); }));
    QString path;
    EXPECT_TRUE(leaf->GetHomeDirectory(&path));
    EXPECT_EQ(path, QStringLiteral("\\\\NAME\\D$\\ALERT"));
    EXPECT_TRUE(leaf->GetPortConfigFile(&path));
    EXPECT_EQ(path, QStringLiteral("\\\\NAME\\D$\\ALERT\\PORT.CFG"));
    EXPECT_TRUE(leaf->GetEventLogDirectory(&path));
    EXPECT_EQ(path, QStringLiteral("\\\\NAME\\SHARE\\ALERT"));
    EXPECT_TRUE(leaf->GetActivityLogFile(&path));
    EXPECT_EQ(path, QStringLiteral("\\\\NAME\\C$\\ALERT\\LOG\\ACTIVITY.LOG"));
    // Found at the first attempt.
    EXPECT_EQ(Sentrel(QStringLiteral("HomeMaxTry")), 1u);
}

TEST_F(RemoteServerTest, ServiceThatNeverReportsItsHomeCostsSetMaxTryAttempts)
{
    RunningRemote(QStringLiteral("SILENT"));
    SetServicePath(QStringLiteral("SILENT"), QStringLiteral("Home"), QString());
    StartService(QStringLiteral("SILENT"));

    // The default: 20 attempts.
    CServerLeaf* leaf = Connect(QStringLiteral("SILENT"));
    ASSERT_TRUE(leaf);
    ASSERT_TRUE(WaitUntil([&] { return leaf->GetServiceState() == SERVICE_RUNNING; }));
    EXPECT_EQ(Sentrel(QStringLiteral("HomeMaxTry")), 20u);
    QString path = QStringLiteral("untouched");
    EXPECT_FALSE(leaf->GetHomeDirectory(&path));
    EXPECT_TRUE(path.isEmpty());
    EXPECT_FALSE(leaf->GetPortConfigFile(&path));
    EXPECT_FALSE(leaf->GetDefaultPortConfigFile(&path));
    // The other directories are asked once each, whatever became of the home.
    EXPECT_TRUE(leaf->GetEventLogFile(&path));
    EXPECT_EQ(path, QStringLiteral("\\\\SILENT\\C$\\ALERT\\EVENTLOG\\ALRECORD.TBL"));
    // The wait cursor the discovery asked for is gone again.
    ASSERT_TRUE(WaitUntil([] { return QGuiApplication::overrideCursor() == nullptr; }));

    // A smaller limit is obeyed on the next discovery.
    leaf->DeleteLeaf();
    ASSERT_EQ(WriteRegDword(QStringLiteral("Sentrel"), QString(), QStringLiteral("SetMaxTry"), 3), 0u);
    ASSERT_EQ(ConnectAdmin(QStringLiteral("SILENT")), 0u);
    leaf = Connect(QStringLiteral("SILENT"));
    ASSERT_TRUE(leaf);
    ASSERT_TRUE(WaitUntil([&] { return leaf->GetServiceState() == SERVICE_RUNNING; }));
    EXPECT_EQ(Sentrel(QStringLiteral("HomeMaxTry")), 3u);
}

TEST_F(RemoteServerTest, OlderServiceWithoutVersionUsesThePlainLog)
{
    RunningRemote(QStringLiteral("OLDSRV"), true);
    StartService(QStringLiteral("OLDSRV"));
    CServerLeaf* leaf = Connect(QStringLiteral("OLDSRV"));
    ASSERT_TRUE(leaf);
    ASSERT_TRUE(WaitUntil([&] { return leaf->GetServiceState() == SERVICE_RUNNING; }));
    WORD major = 0;
    WORD minor = 9;
    WORD third = 0;
    WORD fourth = 9;
    EXPECT_EQ(leaf->GetServiceVersion(&major, &minor, &third, &fourth), 0x0400DA00u);
    EXPECT_EQ(major, 4);
    EXPECT_EQ(minor, 0);
    EXPECT_EQ(third, 218);
    EXPECT_EQ(fourth, 0);
    EXPECT_EQ(leaf->GetActivityLogName(), QStringLiteral("ALERT.LOG"));
    QString path;
    EXPECT_TRUE(leaf->GetActivityLogFile(&path));
    EXPECT_EQ(path, QStringLiteral("\\\\OLDSRV\\C$\\ALERT\\LOG\\ALERT.LOG"));
}

TEST_F(RemoteServerTest, DisconnectCancelsTheConnectionAndDropsPendingStatus)
{
    RunningRemote(QStringLiteral("SRV1"));
    StartService(QStringLiteral("SRV1"));
    CServerLeaf* leaf = Connect(QStringLiteral("SRV1"));
    ASSERT_TRUE(leaf);
    ASSERT_TRUE(WaitUntil([&] { return leaf->GetServiceState() == SERVICE_RUNNING; }));
    // Connecting to the machine again is refused without touching the first leaf's connection.
    ASSERT_EQ(ConnectAdmin(QStringLiteral("SRV1")), 0u);
    EXPECT_EQ(Connect(QStringLiteral("srv1")), nullptr);
    EXPECT_TRUE(Network::IsConnected(QStringLiteral("SRV1")));
    EXPECT_EQ(TopLevelCount(), 1);

    // A status message that is still waiting when the machine is disconnected is never handled.
    m_tree->PostMessage(WM_ALERT_SERVICE_STATE, SERVICE_STOPPED, PtrToLParam(leaf));
    leaf->Select();
    ASSERT_TRUE(m_tree->OnCmdMsg(3009, nullptr));
    EXPECT_EQ(TopLevelCount(), 0);
    EXPECT_FALSE(Network::IsConnected(QStringLiteral("SRV1")));
    for (const QueuedMessage& m : m_tree->Messages().Pending())
        EXPECT_NE(m.lParam, PtrToLParam(leaf));
    // Without the connection the machine's service is out of reach again.
    SC_HANDLE scm = OpenSCManager(QStringLiteral("SRV1"), SC_MANAGER_CONNECT);
    EXPECT_EQ(scm, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    Pump(100);
}

TEST_F(RemoteServerTest, DisconnectDuringDiscoveryEndsWithTheCurrentAttempt)
{
    RunningRemote(QStringLiteral("SLOW"));
    SetServicePath(QStringLiteral("SLOW"), QStringLiteral("Home"), QString());
    StartService(QStringLiteral("SLOW"));
    // Long enough that the discovery cannot end by itself during the test.
    ASSERT_EQ(WriteRegDword(QStringLiteral("Sentrel"), QString(), QStringLiteral("SetMaxTry"), 100000), 0u);
    CServerLeaf* leaf = Connect(QStringLiteral("SLOW"));
    ASSERT_TRUE(leaf);
    // The discovery asked the user-interface thread for the wait cursor: it is running.
    ASSERT_TRUE(WaitUntil([] {
        const QCursor* c = QGuiApplication::overrideCursor();
        return c && c->shape() == Qt::WaitCursor;
    }));
    // The console stays responsive meanwhile: commands are answered at once. The first state
    // is not known before the discovery ends, so the pane says nothing yet.
    CCmdUI pane(2000);
    EXPECT_TRUE(leaf->OnCmdMsg(2000, &pane));
    EXPECT_TRUE(pane.TextChanged());
    EXPECT_EQ(pane.GetText(), QString());
    leaf->DeleteLeaf();
    const DWORD attempts = Sentrel(QStringLiteral("HomeMaxTry"));
    EXPECT_GE(attempts, 1u);
    EXPECT_LT(attempts, 100000u);
    EXPECT_TRUE(WaitUntil([] { return QGuiApplication::overrideCursor() == nullptr; }));
}

} // namespace
