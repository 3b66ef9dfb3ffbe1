// Where the server leaf meets the windows: the tree window puts this computer's leaf at the root
// and connects remote machines with command 3008; the frame's status pane follows the service
// of the selected machine. The console with this computer and a remote machine is also grabbed
// as a picture (written to VIGIMOR_SCREENSHOT_OUT when that is set).
#include "ServerTestSupport.h"

#include "framework/Commands.h"
#include "ui/AlertTreeWnd.h"
#include "ui/MainFrame.h"

#include <QDialog>
#include <QLineEdit>
#include <QPixmap>

using namespace ServerTest;

namespace {

class TreeWindowTest : public Fixture {
protected:
    void SetUp() override
    {
        Fixture::SetUp();
        CAlertTreeWnd::SetCreatesLocalServer(true);
    }
    void TearDown() override
    {
        m_frame.reset();
        CAlertTreeWnd::SetCreatesLocalServer(false);
        Fixture::TearDown();
    }

    static void LogOn(QDialog* d, const QString& server)
    {
        FindCtrl<QLineEdit>(d, 1020)->setText(server);
        FindCtrl<QLineEdit>(d, 1021)->setText(kAccountDomain + QLatin1Char('\\') + kAccountUser);
        FindCtrl<QLineEdit>(d, 1022)->setText(kAccountPassword);
        d->accept();
    }

    std::unique_ptr<CMainFrame> m_frame;
};

TEST_F(TreeWindowTest, CreationShowsThisComputerAndConnectAddsARemoteMachine)
{
    InstallLocalService();
    AddRemote(QStringLiteral("SRV1"), false);
    CAlertTreeWnd window;
    CAlertTreeCtrl* tree = window.GetTree();
    ASSERT_EQ(tree->GetChildCount(TVI_ROOT), 1);
    auto* local = dynamic_cast<CServerLeaf*>(tree->GetItemLeaf(tree->GetChildItem(TVI_ROOT)));
    ASSERT_TRUE(local);
    EXPECT_EQ(local->GetName(), LoadString(5001) + QStringLiteral(" (TESTPC)"));
    EXPECT_TRUE(tree->IsItemExpanded(local->GetItem()));
    EXPECT_TRUE(local->IsSelected());

    // 3008 is offered wherever the selection is, and handled by the window.
    CCmdUI ui(ID_FILE_CONNECT);
    ASSERT_TRUE(window.OnCmdMsg(ID_FILE_CONNECT, &ui));
    EXPECT_TRUE(ui.IsEnabled());
    m_host.PushDialog([](QDialog* d) { LogOn(d, QStringLiteral("srv1")); });
    ASSERT_TRUE(window.OnCmdMsg(ID_FILE_CONNECT, nullptr));
    ASSERT_EQ(tree->GetChildCount(TVI_ROOT), 2);
    auto* remote = dynamic_cast<CServerLeaf*>(tree->GetSelectedLeaf());
    ASSERT_TRUE(remote);
    EXPECT_EQ(remote->GetName(), QStringLiteral("SRV1"));
    EXPECT_EQ(remote->GetConnectionName(), QStringLiteral("\\\\srv1\\ADMIN$"));

    // Again, by its other spelling: no second leaf, and the first keeps its connection.
    m_host.PushDialog([](QDialog* d) { LogOn(d, QStringLiteral("\\\\SRV1")); });
    ASSERT_TRUE(window.OnCmdMsg(ID_FILE_CONNECT, nullptr));
    EXPECT_EQ(tree->GetChildCount(TVI_ROOT), 2);
    EXPECT_TRUE(Network::IsConnected(QStringLiteral("SRV1")));

    // Disconnect through the window's routing with the remote machine selected.
    remote->Select();
    ASSERT_TRUE(window.OnCmdMsg(ID_FILE_DISCONNECT, nullptr));
    EXPECT_EQ(tree->GetChildCount(TVI_ROOT), 1);
    EXPECT_FALSE(Network::IsConnected(QStringLiteral("SRV1")));
}

TEST_F(TreeWindowTest, FrameStatusPaneFollowsTheSelectedMachine)
{
    InstallLocalService();
    AddRemote(QStringLiteral("SRV1"));
    ASSERT_EQ(ConnectAdmin(QStringLiteral("SRV1")), 0u);
    StartService(QStringLiteral("SRV1"));
    Network::CancelAllConnections();

    m_frame = std::make_unique<CMainFrame>();
    ASSERT_TRUE(m_frame->Create());
    m_frame->resize(760, 420);
    m_frame->show();
    CAlertTreeCtrl* tree = m_frame->GetTreeWnd()->GetTree();
    ASSERT_EQ(tree->GetChildCount(TVI_ROOT), 1);
    auto* local = dynamic_cast<CServerLeaf*>(tree->GetItemLeaf(tree->GetChildItem(TVI_ROOT)));
    ASSERT_TRUE(local);
    EXPECT_TRUE(WaitUntil([&] {
        m_frame->UpdateCommandStates();
        return m_frame->ServicePaneText() == LoadString(2002);
    }));

    m_host.PushDialog([](QDialog* d) { LogOn(d, QStringLiteral("SRV1")); });
    ASSERT_TRUE(m_frame->GetTreeWnd()->OnCmdMsg(ID_FILE_CONNECT, nullptr));
    auto* remote = dynamic_cast<CServerLeaf*>(tree->GetSelectedLeaf());
    ASSERT_TRUE(remote);
    remote->Expand();
    ASSERT_TRUE(WaitUntil([&] {
        m_frame->UpdateCommandStates();
        return m_frame->ServicePaneText() == LoadString(2001);
    }));
    local->Select();
    m_frame->UpdateCommandStates();
    EXPECT_EQ(m_frame->ServicePaneText(), LoadString(2002));

    remote->Select();
    m_frame->UpdateCommandStates();
    QCoreApplication::processEvents();
    const QPixmap picture = m_frame->grab();
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), m_frame->size());
    const QString out = qEnvironmentVariable("VIGIMOR_SCREENSHOT_OUT");
    if (!out.isEmpty()) {
        EXPECT_TRUE(picture.save(out, "PNG"));
    }
}

} // namespace
