// Connecting to a machine: the server logon dialog with its network tree, the logon to the
// administrative share and its failure texts, and the leaf the connect command makes from it.
#include "ServerTestSupport.h"

#include "network/NetLeaf.h"
#include "network/NetLogonDlg.h"
#include "network/ServerLogonDlg.h"
#include "tree/MessageText.h"

#include <QCheckBox>
#include <QLineEdit>

using namespace ServerTest;

namespace {

class LogonDlgTest : public Fixture {
protected:
    void SetUp() override
    {
        Fixture::SetUp();
        ConsoleSettings::ResetDefaults();
        AddRemote(QStringLiteral("SRV1"), false);
        // Providers the dialog must leave out.
        ASSERT_TRUE(WorldTool::JoinNetwork(QStringLiteral("NetWare Network"), QStringLiteral("NWTREE"), QString()));
    }
    void TearDown() override
    {
        ConsoleSettings::ResetDefaults();
        Fixture::TearDown();
    }

    // Fills the dialog's boxes and presses OK.
    static void LogOn(QDialog* d, const QString& server, const QString& user, const QString& password)
    {
        FindCtrl<QLineEdit>(d, 1020)->setText(server);
        FindCtrl<QLineEdit>(d, 1021)->setText(user);
        FindCtrl<QLineEdit>(d, 1022)->setText(password);
        d->accept();
    }
    static QString AdminUser() { return kAccountDomain + QLatin1Char('\\') + kAccountUser; }
};

TEST_F(LogonDlgTest, NetworkTreeShowsTheWindowsNetworkOnly)
{
    CServerLogonDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), LoadString(152));
    CAlertTreeCtrl* tree = dlg.NetworkTree();
    ASSERT_EQ(FindCtrl<CAlertTreeCtrl>(&dlg, 1019), tree);
    ASSERT_EQ(tree->GetChildCount(TVI_ROOT), 1);
    auto* network = dynamic_cast<CNetLeaf*>(tree->GetItemLeaf(tree->GetChildItem(TVI_ROOT)));
    ASSERT_TRUE(network);
    EXPECT_TRUE(network->GetName().contains(QStringLiteral("icrosoft")));
    EXPECT_EQ(network->GetImage(), 10);
    EXPECT_EQ(tree->GetItemSelectedImage(network->GetItem()), 10);
    // Not expanded by default, but expandable (a placeholder child).
    EXPECT_FALSE(tree->IsItemExpanded(network->GetItem()));
    EXPECT_TRUE(network->IsUnpopulated());
    EXPECT_EQ(network->ChildCount(), 1);
    EXPECT_FALSE(FindCtrl<QCheckBox>(&dlg, 1029)->isChecked());
    EXPECT_EQ(FindCtrl<QLineEdit>(&dlg, 1021)->text(), Network::LoggedOnUser());
    EXPECT_TRUE(FindCtrl<QLineEdit>(&dlg, 1022)->text().isEmpty());

    // Expanding lists the domain, and the domain its servers; a server names the server box.
    ASSERT_TRUE(network->Expand());
    auto* domain = dynamic_cast<CNetLeaf*>(network->GetFirstChild());
    ASSERT_TRUE(domain);
    EXPECT_EQ(domain->GetName(), kAccountDomain);
    EXPECT_EQ(domain->GetImage(), 15);
    ASSERT_TRUE(domain->Expand());
    auto* server = dynamic_cast<CNetLeaf*>(domain->GetFirstChild());
    ASSERT_TRUE(server);
    EXPECT_EQ(server->GetName(), QStringLiteral("\\\\SRV1"));
    EXPECT_EQ(server->GetImage(), 9);
    EXPECT_FALSE(server->HasChildren());
    server->Select();
    EXPECT_EQ(FindCtrl<QLineEdit>(&dlg, 1020)->text(), QStringLiteral("\\\\SRV1"));
    // Selecting anything else leaves the box alone.
    domain->Select();
    EXPECT_EQ(FindCtrl<QLineEdit>(&dlg, 1020)->text(), QStringLiteral("\\\\SRV1"));
}

TEST_F(LogonDlgTest, ExpandByDefaultMirrorsTheSetting)
{
    ConsoleSettings::Set(ConsoleSettings::ExpandServer, 1);
    {
        CServerLogonDlg dlg;
        EXPECT_TRUE(FindCtrl<QCheckBox>(&dlg, 1029)->isChecked());
        CAlertTreeCtrl* tree = dlg.NetworkTree();
        HTREEITEM network = tree->GetChildItem(TVI_ROOT);
        EXPECT_TRUE(tree->IsItemExpanded(network));
        EXPECT_EQ(tree->GetItemText(tree->GetChildItem(network)), kAccountDomain);
        // The box is written back however the dialog closes.
        FindCtrl<QCheckBox>(&dlg, 1029)->setChecked(false);
        dlg.reject();
    }
    EXPECT_EQ(ConsoleSettings::Get(ConsoleSettings::ExpandServer), 0u);
}

TEST_F(LogonDlgTest, UnknownMachineShowsTheReasonAndStaysOpen)
{
    bool open = false;
    m_host.PushDialog([&](QDialog* d) {
        LogOn(d, QStringLiteral("NOWHERE"), AdminUser(), kAccountPassword);
        open = d->isVisible() && d->result() != 1;
        // A known machine with a wrong password: the code without a reason.
        LogOn(d, QStringLiteral("SRV1"), AdminUser(), QStringLiteral("wrong"));
        d->reject();
    });
    CServerLogonDlg dlg;
    EXPECT_EQ(m_host.RunModal(&dlg), 0);
    EXPECT_TRUE(open);
    ASSERT_EQ(m_host.Boxes().size(), 2u);
    EXPECT_EQ(m_host.Boxes().at(0).text, FormatString(5105, {QStringLiteral("67")}) + LoadString(5500));
    EXPECT_TRUE(m_host.Boxes().at(0).text.startsWith(QStringLiteral("嘗試登入失敗 [67]\n")));
    EXPECT_EQ(m_host.Boxes().at(1).text, FormatString(5105, {QStringLiteral("1326")}));
    EXPECT_TRUE(dlg.GetConnectionName().isEmpty());
    EXPECT_FALSE(Network::IsConnected(QStringLiteral("SRV1")));
}

TEST_F(LogonDlgTest, FailureReasonsByCode)
{
    EXPECT_EQ(LogonFailureText(170), FormatString(5105, {QStringLiteral("170")}) + LoadString(5501));
    EXPECT_EQ(LogonFailureText(1203), FormatString(5105, {QStringLiteral("1203")}) + LoadString(5502));
    EXPECT_EQ(LogonFailureText(1222), FormatString(5105, {QStringLiteral("1222")}) + LoadString(5503));
    EXPECT_EQ(LogonFailureText(5), FormatString(5105, {QStringLiteral("5")}));
}

TEST_F(LogonDlgTest, BackslashedAndBareNamesReachTheSameLeaf)
{
    EXPECT_EQ(CServerLogonDlg::AdminShareOf(QStringLiteral("\\\\SRV1")), QStringLiteral("\\\\SRV1\\ADMIN$"));
    EXPECT_EQ(CServerLogonDlg::AdminShareOf(QStringLiteral("SRV1")), QStringLiteral("\\\\SRV1\\ADMIN$"));
    EXPECT_EQ(CServerLeaf::MachineFromServerName(QStringLiteral("\\\\SRV1")), QStringLiteral("SRV1"));

    m_host.PushDialog([](QDialog* d) { LogOn(d, QStringLiteral("\\\\srv1"), AdminUser(), kAccountPassword); });
    CServerLeaf* first = CServerLogonDlg::ConnectRemote(m_tree.get(), nullptr);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->GetName(), QStringLiteral("SRV1"));
    EXPECT_EQ(first->GetConnectionName(), QStringLiteral("\\\\srv1\\ADMIN$"));
    EXPECT_TRUE(first->IsSelected());
    EXPECT_TRUE(Network::IsConnected(QStringLiteral("SRV1")));

    m_host.PushDialog([](QDialog* d) { LogOn(d, QStringLiteral("SRV1"), AdminUser(), kAccountPassword); });
    EXPECT_EQ(CServerLogonDlg::ConnectRemote(m_tree.get(), nullptr), nullptr);
    EXPECT_EQ(TopLevelCount(), 1);
    EXPECT_TRUE(Network::IsConnected(QStringLiteral("SRV1")));

    // Cancelled: nothing happens.
    EXPECT_EQ(CServerLogonDlg::ConnectRemote(m_tree.get(), nullptr), nullptr);
    EXPECT_EQ(TopLevelCount(), 1);
}

TEST_F(LogonDlgTest, ThisComputerByAnyCaseShowsNoSecondLeaf)
{
    ASSERT_TRUE(CServerLeaf::CreateLocal(m_tree.get()));
    for (const QString& name : {QStringLiteral("testpc"), QStringLiteral("\\\\TestPC")}) {
        m_host.PushDialog([name](QDialog* d) {
            LogOn(d, name, QStringLiteral("TESTPC\\Administrator"), QString());
        });
        EXPECT_EQ(CServerLogonDlg::ConnectRemote(m_tree.get(), nullptr), nullptr) << name.toStdString();
    }
    EXPECT_EQ(TopLevelCount(), 1);
}

TEST_F(LogonDlgTest, NetworkLoginDialogForOtherProviders)
{
    NETRESOURCE nr{};
    QByteArray remote("NWTREE");
    QByteArray provider("NetWare Network");
    nr.dwDisplayType = RESOURCEDISPLAYTYPE_TREE;
    nr.lpRemoteName = remote.data();
    nr.lpProvider = provider.data();
    CNetLogonDlg netware(&nr, true, true);
    EXPECT_EQ(netware.windowTitle(), LoadString(160));
    EXPECT_FALSE(FindCtrl<QLineEdit>(&netware, 1048)->isEnabled());
    EXPECT_TRUE(FindCtrl<QLineEdit>(&netware, 1046)->isEnabled());

    // A Microsoft server: the connection is made to the machine with the domain's account.
    QByteArray server("\\\\SRV1");
    QByteArray microsoft("Microsoft Windows Network");
    NETRESOURCE srv{};
    srv.dwDisplayType = RESOURCEDISPLAYTYPE_SERVER;
    srv.lpRemoteName = server.data();
    srv.lpProvider = microsoft.data();
    EXPECT_EQ(CNetLogonDlg::ConnectResource(srv, kAccountDomain, kAccountUser, kAccountPassword, false), 0u);
    // Not kept: the check connection is gone again.
    EXPECT_FALSE(Network::IsConnected(QStringLiteral("SRV1")));
    EXPECT_EQ(CNetLogonDlg::ConnectResource(srv, kAccountDomain, kAccountUser, kAccountPassword, true), 0u);
    EXPECT_TRUE(Network::IsConnected(QStringLiteral("SRV1")));
    EXPECT_EQ(CNetLogonDlg::ConnectResource(srv, kAccountDomain, kAccountUser, QStringLiteral("bad"), true),
              DWORD(ERROR_SESSION_CREDENTIAL_CONFLICT));
}

TEST_F(LogonDlgTest, ServerThatCannotBeListedAsksForALoginFirst)
{
    QByteArray remote("\\\\SRV1");
    QByteArray provider("Microsoft Windows Network");
    NETRESOURCE nr{};
    nr.dwScope = RESOURCE_GLOBALNET;
    nr.dwDisplayType = RESOURCEDISPLAYTYPE_SERVER;
    nr.dwUsage = RESOURCEUSAGE_CONTAINER;
    nr.lpRemoteName = remote.data();
    nr.lpProvider = provider.data();
    auto* server = new CNetLeaf;
    server->SetResource(nr);
    CAlertLeaf root(m_tree.get());
    ASSERT_TRUE(root.InsertChild(server));
    server->AddPlaceholder();
    EXPECT_EQ(server->GetImage(), 9);

    // Without a connection its shares cannot be listed: the login is asked; cancelling it
    // keeps the leaf collapsed and unpopulated.
    m_host.PushDialog([](QDialog* d) { d->reject(); });
    EXPECT_FALSE(server->Expand());
    ASSERT_EQ(m_host.Dialogs().size(), 1u);
    EXPECT_EQ(m_host.Dialogs().at(0).title, LoadString(160));
    EXPECT_TRUE(server->IsUnpopulated());
    EXPECT_FALSE(m_tree->IsItemExpanded(server->GetItem()));

    m_host.PushDialog([](QDialog* d) {
        FindCtrl<QLineEdit>(d, 1048)->setText(kAccountDomain);
        FindCtrl<QLineEdit>(d, 1046)->setText(kAccountUser);
        FindCtrl<QLineEdit>(d, 1047)->setText(kAccountPassword);
        d->accept();
    });
    EXPECT_TRUE(server->Expand());
    EXPECT_FALSE(server->IsUnpopulated());
    ASSERT_EQ(server->ChildCount(), 1);
    auto* share = dynamic_cast<CNetLeaf*>(server->GetFirstChild());
    ASSERT_TRUE(share);
    EXPECT_EQ(share->GetName(), QStringLiteral("\\\\SRV1\\DATA"));
    EXPECT_EQ(share->GetImage(), 20);
    QString domain;
    QString user;
    server->GetCredentials(&domain, &user, nullptr);
    EXPECT_EQ(domain, kAccountDomain);
    EXPECT_EQ(user, kAccountUser);
    EXPECT_TRUE(Network::IsConnected(QStringLiteral("SRV1")));

    // Disconnecting drops the connection, the children and the credentials.
    CCmdUI ui(ID_NET_DISCONNECT);
    ASSERT_TRUE(server->OnCmdMsg(ID_NET_DISCONNECT, &ui));
    EXPECT_TRUE(ui.IsEnabled());
    ASSERT_TRUE(server->ExecuteCommand(ID_NET_DISCONNECT));
    EXPECT_FALSE(Network::IsConnected(QStringLiteral("SRV1")));
    EXPECT_FALSE(server->HasChildren());
    server->GetCredentials(&domain, &user, nullptr);
    EXPECT_TRUE(user.isEmpty());
}

} // namespace
