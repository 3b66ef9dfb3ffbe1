// The event-log (153) and trouble-ticket (158) recipient dialogs on a console connected to a
// real alert service: what they enable, the failures they report with the machine concerned,
// and what OK stores in the library (read back), with a remote machine's server leaf keeping
// its connection throughout.
#include "../server/ServerTestSupport.h"

#include "framework/Commands.h"
#include "methods/EventLogDlg.h"
#include "methods/MethodLeaf.h"
#include "methods/TicketDlg.h"
#include "network/NetLeaf.h"
#include "platform/GlobalMemory.h"
#include "records/ByteField.h"
#include "records/RecipientRecords.h"
#include "res/StringIds.h"
#include "tree/ALTLeaf.h"
#include "tree/ConfigLeaf.h"
#include "tree/MessageText.h"

#include <QCheckBox>
#include <QJsonArray>
#include <QLineEdit>
#include <QPushButton>

using namespace ServerTest;

namespace {

const QString kPrinterMachine = QStringLiteral("NW1");

class RecipientDialogsTest : public Fixture {
protected:
    void SetUp() override
    {
        Fixture::SetUp();
        ConsoleSettings::ResetDefaults();
        WorldTool::MachineOptions srv1;
        srv1.name = QStringLiteral("SRV1");
        srv1.domain = kAccountDomain;
        srv1.accounts = {kAccountDomain + QStringLiteral("\\Administrator:secret"),
                         kAccountDomain + QStringLiteral("\\Printer:ink")};
        srv1.shares = {QStringLiteral("LASER:print")};
        QString error;
        ASSERT_EQ(WorldTool::AddMachine(srv1, &error), 0u) << error.toStdString();
        ASSERT_EQ(WorldTool::InstallAlertService(srv1.name, &error), 0u) << error.toStdString();
        m_reaper.Add(srv1.name);
        WorldTool::MachineOptions nw1;
        nw1.name = kPrinterMachine;
        nw1.domain = QStringLiteral("NWTREE");
        nw1.provider = QStringLiteral("NetWare Network");
        nw1.accounts = {QStringLiteral("NWTREE\\Admin:novell")};
        nw1.shares = {QStringLiteral("NWLASER:print")};
        ASSERT_EQ(WorldTool::AddMachine(nw1, &error), 0u) << error.toStdString();
        for (const char* provider : {"Terminal Services", "Web Client Network"})
            ASSERT_TRUE(WorldTool::JoinNetwork(QString::fromLatin1(provider), QString(), QString()));
        InstallLocalService();
        StartService(kThisComputer);
        m_local = AddServer(kThisComputer);
        ASSERT_TRUE(m_local);
        ASSERT_TRUE(WaitUntil([&] { return m_local->GetConfigLeaf() && m_local->GetConfigLeaf()->HasChildren(); }));
        for (CAlertLeaf* c = m_local->GetConfigLeaf()->GetFirstChild(); c && !m_table; c = c->GetNextSibling())
            m_table = dynamic_cast<CALTLeaf*>(c);
        ASSERT_TRUE(m_table);
        ASSERT_TRUE(WaitUntil([&] { return m_table->GetChangeDate() != QLatin1String(CALTLeaf::kInvalidDate); }));
        m_app = m_table->GetApplicationName().toUtf8();
        for (CAlertLeaf* c = m_table->GetFirstChild(); c; c = c->GetNextSibling()) {
            if (auto* e = dynamic_cast<CEventLogMethodLeaf*>(c))
                m_eventLog = e;
            if (auto* t = dynamic_cast<CTicketMethodLeaf*>(c))
                m_tickets = t;
        }
        ASSERT_TRUE(m_eventLog && m_tickets);
    }
    void TearDown() override
    {
        ConsoleSettings::ResetDefaults();
        Fixture::TearDown();
    }

    // SRV1 connected as the server logon dialog leaves it, and shown as a server leaf.
    CServerLeaf* ConnectSrv1()
    {
        EXPECT_EQ(ConnectAdmin(QStringLiteral("SRV1")), 0u);
        return AddServer(QStringLiteral("SRV1"), QStringLiteral("\\\\SRV1\\ADMIN$"));
    }
    static void Press(QDialog* d, int ctrlId) { FindCtrl<QPushButton>(d, ctrlId)->click(); }
    static void Type(QDialog* d, const QString& text) { FindCtrl<QLineEdit>(d, 1073)->setText(text); }
    static bool Enabled(QDialog* d, int ctrlId) { return FindCtrl<QPushButton>(d, ctrlId)->isEnabled(); }
    // A network login dialog (160) answered with these credentials.
    static std::function<void(QDialog*)> Login(const QString& domain, const QString& user, const QString& password)
    {
        return [=](QDialog* d) {
            FindCtrl<QLineEdit>(d, 1048)->setText(domain);
            FindCtrl<QLineEdit>(d, 1046)->setText(user);
            FindCtrl<QLineEdit>(d, 1047)->setText(password);
            d->accept();
        };
    }
    int LoginDialogs() const
    {
        int n = 0;
        for (const auto& run : m_host.Dialogs())
            n += run.className == QLatin1String("CNetLogonDlg");
        return n;
    }
    static QStringList Names(CAlertTreeCtrl* tree, HTREEITEM parent = TVI_ROOT)
    {
        QStringList names;
        for (HTREEITEM item = tree->GetChildItem(parent); item; item = tree->GetNextSiblingItem(item))
            names << tree->GetItemText(item);
        return names;
    }
    static CAlertLeaf* Child(CAlertLeaf* parent, const QString& name)
    {
        for (CAlertLeaf* c = parent ? parent->GetFirstChild() : nullptr; c; c = c->GetNextSibling()) {
            if (c->GetName() == name)
                return c;
        }
        return nullptr;
    }
    uint32_t WriteCounter() const
    {
        char area12[12] = {};
        char area96[96] = {};
        QByteArray image(3944, '\0');
        EXPECT_EQ(AlertReadEverySetting("TESTPC", area12, area96, image.data(), m_app.constData()), 1);
        return Records::U32At(area12 + 4);
    }
    struct EventLogRecord {
        QByteArray machine, domain, user, password;
        bool operator==(const EventLogRecord&) const = default;
    };
    std::vector<EventLogRecord> StoredEventLog() const
    {
        int32_t count = 0;
        void* block = nullptr;
        std::vector<EventLogRecord> out;
        if (AlertGetEventLog("TESTPC", &count, &block, m_app.constData()) != 1)
            return out;
        for (int32_t i = 0; i < count; ++i) {
            EventLogRecord r;
            EXPECT_TRUE(Records::ReadEventLogRecipient(static_cast<const char*>(block) + i * 52, &r.machine, &r.domain,
                                                       &r.user, &r.password));
            out.push_back(r);
        }
        GlobalFree(block);
        return out;
    }
    QString Shown() const { return WorldTool::ShowMachine(kThisComputer); }

    CServerLeaf* m_local = nullptr;
    CALTLeaf* m_table = nullptr;
    QByteArray m_app;
    CEventLogMethodLeaf* m_eventLog = nullptr;
    CTicketMethodLeaf* m_tickets = nullptr;
};

// ---- event log -------------------------------------------------------------------------------------

TEST_F(RecipientDialogsTest, EventLogDialogEnablesAddForANameAndRemoveForRecipients)
{
    ConsoleSettings::Set(ConsoleSettings::ExpandEventlog, 1);
    CCmdUI newItem(ID_EDIT_NEW), deleteItem(ID_EDIT_DELETE);
    m_eventLog->OnCmdMsg(ID_EDIT_NEW, &newItem);
    m_eventLog->OnCmdMsg(ID_EDIT_DELETE, &deleteItem);
    EXPECT_TRUE(newItem.IsEnabled());
    EXPECT_FALSE(deleteItem.IsEnabled());

    CEventLogDlg dlg(m_eventLog);
    EXPECT_EQ(dlg.windowTitle(), Res::DialogCaption(153));
    EXPECT_EQ(FindCtrl<QPushButton>(&dlg, 1025)->text(), Res::ControlText(153, 1025));
    EXPECT_FALSE(Enabled(&dlg, 1025));
    EXPECT_FALSE(Enabled(&dlg, 1027));
    EXPECT_FALSE(Enabled(&dlg, 1028));
    Type(&dlg, QStringLiteral("x"));
    EXPECT_TRUE(Enabled(&dlg, 1025));
    Type(&dlg, QString());
    EXPECT_FALSE(Enabled(&dlg, 1025));

    // Only the Windows network, expanded as the setting says; picking a server names it.
    CAlertTreeCtrl* net = dlg.NetworkTree();
    ASSERT_EQ(net->GetChildCount(TVI_ROOT), 1);
    EXPECT_TRUE(net->IsItemExpanded(net->GetChildItem(TVI_ROOT)));
    CAlertLeaf* domain = Child(net->GetItemLeaf(net->GetChildItem(TVI_ROOT)), kAccountDomain);
    ASSERT_TRUE(domain && domain->Expand());
    CAlertLeaf* srv1 = Child(domain, QStringLiteral("\\\\SRV1"));
    ASSERT_TRUE(srv1 && srv1->Select());
    EXPECT_EQ(FindCtrl<QLineEdit>(&dlg, 1073)->text(), QStringLiteral("\\\\SRV1"));
    EXPECT_TRUE(Enabled(&dlg, 1025));
    // The box changes the setting at once.
    FindCtrl<QCheckBox>(&dlg, 1035)->setChecked(false);
    EXPECT_EQ(ConsoleSettings::Get(ConsoleSettings::ExpandEventlog), 0u);

    // This computer is its own service's machine: no login, the logged-on user.
    Type(&dlg, QStringLiteral("testpc"));
    Press(&dlg, 1025);
    EXPECT_EQ(LoginDialogs(), 0);
    EXPECT_EQ(Names(dlg.ChosenTree()), QStringList{"\\\\TESTPC"});
    EXPECT_TRUE(Enabled(&dlg, 1027));
    EXPECT_TRUE(Enabled(&dlg, 1028));
    Press(&dlg, 1028);
    EXPECT_TRUE(Names(dlg.ChosenTree()).isEmpty());
    EXPECT_FALSE(Enabled(&dlg, 1027));
}

TEST_F(RecipientDialogsTest, EventLogFailuresNameTheMachineAndAddNothing)
{
    CEventLogDlg dlg(m_eventLog);
    // A wrong password: the login dialog names the machine and stays open; cancelled, nothing.
    m_host.PushDialog([](QDialog* d) {
        Login(kAccountDomain, kAccountUser, QStringLiteral("wrong"))(d);
        d->reject();
    });
    Type(&dlg, QStringLiteral("srv1"));
    Press(&dlg, 1025);
    ASSERT_EQ(m_host.Boxes().size(), 1u);
    EXPECT_EQ(m_host.Boxes().at(0).text,
              FormatString(5105, {QStringLiteral("1326")}) + FormatString(IDS_MACHINE_LINE, {QStringLiteral("\\\\SRV1")}));
    EXPECT_TRUE(Names(dlg.ChosenTree()).isEmpty());
    EXPECT_FALSE(Network::IsConnected(QStringLiteral("SRV1")));

    // Texts that cannot fit the 52-byte record are refused when added, not lost at the write.
    // (SRV1 is held with other credentials, so the login is accepted unverified.)
    CServerLeaf* srv1 = ConnectSrv1();
    ASSERT_TRUE(srv1);
    m_host.PushDialog(Login(QStringLiteral("A-RATHER-LONG-DOMAIN-NAME"), QStringLiteral("someone-with-a-long-name"),
                            QStringLiteral("password")));
    m_host.PushAnswer(IDYES);
    Press(&dlg, 1025);
    ASSERT_EQ(m_host.Boxes().size(), 3u);
    EXPECT_EQ(m_host.Boxes().at(1).text, LoadString(5506));
    EXPECT_EQ(m_host.Boxes().at(2).text,
              LoadString(5124) + QLatin1Char('\n') + FormatString(IDS_MACHINE_LINE, {QStringLiteral("\\\\SRV1")}));
    EXPECT_TRUE(Names(dlg.ChosenTree()).isEmpty());
    // The server leaf's connection survived the test connection.
    EXPECT_TRUE(Network::IsConnected(QStringLiteral("SRV1")));
}

TEST_F(RecipientDialogsTest, EventLogRecipientsAreStoredOnceWithTheRemoteServerStillConnected)
{
    CServerLeaf* srv1 = ConnectSrv1();
    ASSERT_TRUE(srv1);
    const uint32_t before = WriteCounter();
    m_host.PushDialog([](QDialog* d) {
        Type(d, QStringLiteral("srv1"));
        Press(d, 1025);
        Type(d, QStringLiteral("\\TestPC"));
        Press(d, 1025);
        d->accept();
    });
    m_host.PushDialog(Login(kAccountDomain, kAccountUser, kAccountPassword));
    ASSERT_TRUE(m_eventLog->OnCmdMsg(ID_EDIT_NEW, nullptr));
    EXPECT_EQ(LoginDialogs(), 1);
    EXPECT_TRUE(m_host.Boxes().empty()) << m_host.BoxTexts().join('|').toStdString();
    EXPECT_TRUE(Network::IsConnected(QStringLiteral("SRV1")));
    EXPECT_TRUE(CAlertLeaf::IsLive(srv1));
    EXPECT_EQ(TopLevelCount(), 2);
    EXPECT_EQ(WriteCounter(), before + 1);
    const QByteArray me = Network::LoggedOnUser().toUtf8();
    EXPECT_EQ(StoredEventLog(), (std::vector<EventLogRecord>{{"\\\\SRV1", "KORVANE", "Administrator", "secret"},
                                                             {"\\\\TESTPC", "", me, ""}}));
    const QString shown = Shown();
    EXPECT_TRUE(shown.contains(QStringLiteral(": \\\\SRV1\n"))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral(": \\\\TESTPC\n"))) << shown.toStdString();

    // Editing: a double-click on a recipient opens the dialog; the machine removed is gone.
    m_host.PushDialog([](QDialog* d) {
        auto* dlg = static_cast<CEventLogDlg*>(d);
        CAlertTreeCtrl* chosen = dlg->ChosenTree();
        EXPECT_EQ(Names(chosen), (QStringList{"\\\\SRV1", "\\\\TESTPC"}));
        chosen->SelectItem(chosen->GetNextSiblingItem(chosen->GetChildItem(TVI_ROOT)));
        Press(d, 1027);
        d->accept();
    });
    m_eventLog->GetFirstChild()->OnDoubleClick(0, 0, 0);
    EXPECT_EQ(WriteCounter(), before + 2);
    EXPECT_EQ(StoredEventLog(), (std::vector<EventLogRecord>{{"\\\\SRV1", "KORVANE", "Administrator", "secret"}}));

    // Cancel stores nothing.
    m_host.PushDialog([](QDialog* d) { Press(d, 1028); d->reject(); });
    ASSERT_TRUE(m_eventLog->OnCmdMsg(ID_EDIT_DELETE, nullptr));
    EXPECT_EQ(WriteCounter(), before + 2);
    EXPECT_EQ(StoredEventLog().size(), 1u);
}

// ---- trouble tickets ---------------------------------------------------------------------------------

TEST_F(RecipientDialogsTest, TicketDialogShowsTheHeaderAndPrintNetworksAndEnablesByContent)
{
    ASSERT_EQ(m_table->SetCompany(QString::fromUtf8("科瓦訊")), 0);
    Records::PutField(reinterpret_cast<char*>(m_table->ImageData()), 73, "Header from the table");
    CCmdUI editItem(ID_EDIT_EDIT);
    m_tickets->OnCmdMsg(ID_EDIT_EDIT, &editItem);
    EXPECT_FALSE(editItem.IsEnabled());

    CTicketDlg dlg(m_tickets);
    EXPECT_EQ(dlg.windowTitle(), Res::DialogCaption(158));
    EXPECT_EQ(FindCtrl<QLineEdit>(&dlg, 1037)->text(), QString::fromUtf8("科瓦訊"));
    EXPECT_EQ(FindCtrl<QLineEdit>(&dlg, 1038)->text(), QString());
    EXPECT_EQ(FindCtrl<QLineEdit>(&dlg, 1039)->text(), QStringLiteral("Header from the table"));
    EXPECT_EQ(FindCtrl<QLineEdit>(&dlg, 1039)->maxLength(), 72);
    const QStringList networks = Names(dlg.NetworkTree());
    EXPECT_EQ(networks.size(), 2) << networks.join('|').toStdString();
    for (const QString& n : networks)
        EXPECT_FALSE(n.contains(QStringLiteral("Terminal Services")) || n.contains(QStringLiteral("Web Client")));
    EXPECT_FALSE(Enabled(&dlg, 1042));
    EXPECT_FALSE(Enabled(&dlg, 1043));
    Type(&dlg, QString());
    EXPECT_FALSE(Enabled(&dlg, 1042));
    Type(&dlg, QStringLiteral("\\\\srv1\\laser"));
    EXPECT_TRUE(Enabled(&dlg, 1042));
    // The same queue added twice is one item; the second account replaces the first.
    m_host.PushDialog(Login(kAccountDomain, kAccountUser, kAccountPassword));
    Press(&dlg, 1042);
    // Other credentials for a machine connected already cannot be verified; accepted, they count.
    m_host.PushDialog(Login(kAccountDomain, QStringLiteral("Printer"), QStringLiteral("ink")));
    m_host.PushAnswer(IDYES);
    Press(&dlg, 1042);
    EXPECT_EQ(Names(dlg.ChosenTree()), QStringList{"\\\\SRV1\\LASER"});
    auto* queue = dynamic_cast<CTicketRecipientLeaf*>(dlg.ChosenTree()->GetItemLeaf(dlg.ChosenTree()->GetChildItem(TVI_ROOT)));
    ASSERT_TRUE(queue);
    EXPECT_EQ(queue->GetUser(), QStringLiteral("Printer"));
    EXPECT_EQ(queue->GetPassword(), QStringLiteral("ink"));
    EXPECT_TRUE(Enabled(&dlg, 1043));
    EXPECT_EQ(m_host.BoxTexts(), QStringList{LoadString(5506)});
}

TEST_F(RecipientDialogsTest, TicketQueuesHeaderAndRegistryTextsAreStoredWithTheServerStillConnected)
{
    CServerLeaf* srv1 = ConnectSrv1();
    ASSERT_TRUE(srv1);
    const uint32_t before = WriteCounter();
    const QString header80 = QString(80, QLatin1Char('h'));
    m_host.PushDialog([&](QDialog* d) {
        FindCtrl<QLineEdit>(d, 1037)->setText(QString::fromUtf8("科瓦訊"));
        FindCtrl<QLineEdit>(d, 1038)->setText(QStringLiteral("Taipei"));
        FindCtrl<QLineEdit>(d, 1039)->setText(header80);
        Type(d, QStringLiteral("\\\\srv1\\laser"));
        Press(d, 1042);
        EXPECT_EQ(Names(static_cast<CTicketDlg*>(d)->ChosenTree()), QStringList{"\\\\SRV1\\LASER"});
        EXPECT_TRUE(Enabled(d, 1043));
        d->accept();
    });
    m_host.PushDialog(Login(kAccountDomain, kAccountUser, kAccountPassword));
    ASSERT_TRUE(m_tickets->OnCmdMsg(ID_EDIT_NEW, nullptr));
    EXPECT_EQ(LoginDialogs(), 1);
    EXPECT_TRUE(m_host.Boxes().empty()) << m_host.BoxTexts().join('|').toStdString();
    EXPECT_TRUE(Network::IsConnected(QStringLiteral("SRV1")));
    EXPECT_TRUE(CAlertLeaf::IsLive(srv1));
    EXPECT_EQ(TopLevelCount(), 2);
    EXPECT_EQ(WriteCounter(), before + 1);

    int32_t count = -1;
    void* block = nullptr;
    ASSERT_EQ(AlertGetTTixPRINTQ_HEADER("TESTPC", &count, &block, m_app.constData()), 1);
    ASSERT_EQ(count, 1);
    const char* r = static_cast<const char*>(block);
    EXPECT_EQ(Records::FieldBytes(r, 49), QByteArray("Administrator"));
    EXPECT_EQ(Records::FieldBytes(r + 49, 49), QByteArray("secret"));
    EXPECT_EQ(Records::FieldBytes(r + 100, 49), QByteArray("\\\\SRV1\\LASER"));
    EXPECT_EQ(Records::FieldBytes(r + 149, 49), QByteArray("\\\\SRV1"));
    GlobalFree(block);
    QByteArray image(3944, '\0');
    char area12[12] = {}, area96[96] = {};
    ASSERT_EQ(AlertReadEverySetting("TESTPC", area12, area96, image.data(), m_app.constData()), 1);
    EXPECT_EQ(Records::FieldBytes(image.constData(), 73), QByteArray(72, 'h'));
    char text[128] = {};
    ASSERT_EQ(AlertGetStringFromReg("TESTPC", "User", "Company", text, 128), 0);
    EXPECT_EQ(QString::fromUtf8(text), QString::fromUtf8("科瓦訊"));
    ASSERT_EQ(AlertGetStringFromReg("TESTPC", "User", "Location", text, 128), 0);
    EXPECT_EQ(QString::fromUtf8(text), QStringLiteral("Taipei"));
    EXPECT_TRUE(Shown().contains(QStringLiteral(": \\\\SRV1\\LASER\n")));
    // The recipient keeps the domain it was added with.
    auto* queue = dynamic_cast<CTicketRecipientLeaf*>(m_tickets->GetFirstChild());
    ASSERT_TRUE(queue);
    EXPECT_EQ(queue->GetDomain(), kAccountDomain);

    // Editing (3006): the queue removed, the header kept.
    m_host.PushDialog([](QDialog* d) {
        auto* chosen = static_cast<CTicketDlg*>(d)->ChosenTree();
        chosen->SelectItem(chosen->GetChildItem(TVI_ROOT));
        Press(d, 1043);
        EXPECT_FALSE(Enabled(d, 1043));
        d->accept();
    });
    ASSERT_TRUE(m_tickets->OnCmdMsg(ID_EDIT_EDIT, nullptr));
    EXPECT_EQ(WriteCounter(), before + 2);
    ASSERT_EQ(AlertGetTTixPRINTQ_HEADER("TESTPC", &count, &block, m_app.constData()), 1);
    EXPECT_EQ(count, 0);
    GlobalFree(block);
    ASSERT_EQ(AlertReadEverySetting("TESTPC", area12, area96, image.data(), m_app.constData()), 1);
    EXPECT_EQ(Records::FieldBytes(image.constData(), 73), QByteArray(72, 'h'));
}

TEST_F(RecipientDialogsTest, APrinterGoneAfterItsServersLoginIsReportedWithUserAndMachine)
{
    CTicketDlg dlg(m_tickets);
    // NetWare Network > NWTREE > \\NW1 (login) > \\NW1\NWLASER.
    CAlertLeaf* netware = nullptr;
    for (CAlertLeaf* c = dlg.NetworkTree()->GetItemLeaf(dlg.NetworkTree()->GetChildItem(TVI_ROOT)); c;
         c = c->GetNextSibling())
        netware = c->GetName().contains(QStringLiteral("NetWare")) ? c : netware;
    ASSERT_TRUE(netware && netware->Expand());
    CAlertLeaf* tree = Child(netware, QStringLiteral("NWTREE"));
    ASSERT_TRUE(tree && tree->Expand());
    auto* server = dynamic_cast<CNetLeaf*>(Child(tree, QStringLiteral("\\\\NW1")));
    ASSERT_TRUE(server);
    m_host.PushDialog(Login(QString(), QStringLiteral("Admin"), QStringLiteral("novell")));
    ASSERT_TRUE(server->Expand());
    CAlertLeaf* share = Child(server, QStringLiteral("\\\\NW1\\NWLASER"));
    ASSERT_TRUE(share && share->Select());
    EXPECT_EQ(FindCtrl<QLineEdit>(&dlg, 1073)->text(), QStringLiteral("\\\\NW1\\NWLASER"));

    // The share chosen in the browser, its server's credentials forgotten: the login replaces
    // the server's children and the share is found again by name.
    server->SetCredentials(QString(), QString(), QString());
    Type(&dlg, QString());
    m_host.PushDialog(Login(QString(), QStringLiteral("Admin"), QStringLiteral("novell")));
    dlg.OnAdd();
    EXPECT_EQ(LoginDialogs(), 2);
    EXPECT_TRUE(m_host.Boxes().empty()) << m_host.BoxTexts().join('|').toStdString();
    EXPECT_EQ(Names(dlg.ChosenTree()), QStringList{"\\\\NW1\\NWLASER"});

    // Again, but the printer goes away while the login runs.
    share = Child(server, QStringLiteral("\\\\NW1\\NWLASER"));
    ASSERT_TRUE(share && share->Select());
    server->SetCredentials(QString(), QString(), QString());
    Type(&dlg, QString());
    m_host.PushDialog([&](QDialog* d) {
        const QString json = QStringLiteral("machines/NW1/machine.json");
        QJsonObject machine = QJsonDocument::fromJson(m_world.Read(json)).object();
        machine.insert(QStringLiteral("shares"), QJsonArray());
        EXPECT_TRUE(m_world.Write(json, QJsonDocument(machine).toJson()));
        Login(QString(), QStringLiteral("Admin"), QStringLiteral("novell"))(d);
    });
    dlg.OnAdd();
    ASSERT_EQ(m_host.Boxes().size(), 1u) << m_host.BoxTexts().join('|').toStdString();
    EXPECT_EQ(m_host.Boxes().at(0).text, FormatString(5505, {QStringLiteral("Admin")}) + QLatin1Char('\n') +
                                             FormatString(IDS_MACHINE_LINE, {QStringLiteral("\\\\NW1")}));
    EXPECT_EQ(Names(dlg.ChosenTree()), QStringList{"\\\\NW1\\NWLASER"});
}

} // namespace
