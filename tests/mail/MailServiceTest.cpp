// The mail methods end to end: a machine whose alert service runs as a real process, with a mail
// client of the Exchange kind and a Notes client; what the console changes is read back as the
// world tool shows it.
#include "../server/ServerTestSupport.h"
#include "MailTestSupport.h"

#include "framework/Commands.h"
#include "mail/MapiInterface.h"
#include "mail/NotesInterface.h"
#include "methods/MethodLeaf.h"
#include "records/ByteField.h"
#include "records/RecipientRecords.h"
#include "tarnix/MachineStore.h"
#include "tree/ALTLeaf.h"
#include "tree/ConfigLeaf.h"

#include <QLineEdit>

namespace {

class MailServiceTest : public ServerTest::Fixture {
protected:
    void TearDown() override
    {
        ServerTest::Fixture::TearDown();
        CMapiInterface::Instance().UnloadMapi32DLL();
        CNotesInterface::Instance().Reload(false);
    }

    static CAlertLeaf* Child(CAlertLeaf* parent, const QString& name)
    {
        for (CAlertLeaf* c = parent ? parent->GetFirstChild() : nullptr; c; c = c->GetNextSibling()) {
            if (c->GetName() == name)
                return c;
        }
        return nullptr;
    }
    static QStringList Names(CAlertLeaf* parent)
    {
        QStringList names;
        for (CAlertLeaf* c = parent ? parent->GetFirstChild() : nullptr; c; c = c->GetNextSibling())
            names << c->GetName();
        return names;
    }
    static bool Loaded(CAlertLeaf* table)
    {
        auto* t = dynamic_cast<CALTLeaf*>(table);
        return t && t->GetChangeDate() != QLatin1String(CALTLeaf::kInvalidDate);
    }
    static bool Enabled(CAlertLeaf* leaf, UINT id)
    {
        CCmdUI ui(id);
        return leaf->OnCmdMsg(id, &ui) && ui.IsEnabled();
    }
    static QString Show() { return WorldTool::ShowMachine(ServerTest::kThisComputer); }
};

TEST_F(MailServiceTest, EveryMailChangeReachesTheRunningServicesStore)
{
    InstallLocalService();
    {
        const World::ScopedLocalMachine scope(ServerTest::kThisComputer);
        Tarnix::AltTable table;
        table.version = 3;
        table.displayName = "Quellit Server Monitor";
        table.lists[Tarnix::EmailList] = Records::MakeEmailRecord("Operations", 1) + Records::MakeEmailRecord("Help Desk", 2);
        table.counts[Tarnix::EmailList] = 2;
        ASSERT_EQ(Tarnix::MachineStore(ServerTest::kThisComputer).WriteTable("QUELLIT", table), 0u);
    }
    MailTest::InstallMail(false, true, {QStringLiteral("Operations|ops@example.com"),
                                        QStringLiteral("Security Officer|security@example.com")});
    MailTest::InstallNotes(QStringLiteral("C:\\Lotus\\Notes"), {QStringLiteral("Li Na|li.na@example.com")});
    CMapiInterface::Instance().Reload();
    CNotesInterface::Instance().Reload(true);
    StartService(ServerTest::kThisComputer);
    CServerLeaf* server = AddServer(ServerTest::kThisComputer);
    ASSERT_NE(server, nullptr);
    CConfigLeaf* config = server->GetConfigLeaf();
    ASSERT_TRUE(ServerTest::WaitUntil([&] { return Loaded(Child(config, QStringLiteral("Quellit Server Monitor"))); }));
    auto* table = dynamic_cast<CALTLeaf*>(Child(config, QStringLiteral("Quellit Server Monitor")));
    ASSERT_NE(table, nullptr);
    // Exchange settings are offered for this client while the service runs.
    ASSERT_TRUE(ServerTest::WaitUntil([&] { return server->GetServiceState() == SERVICE_RUNNING; }));
    EXPECT_TRUE(Enabled(server, ID_FILE_EXCHANGE_SETUP));

    // Every stored e-mail recipient shows under the method named after the client.
    CAlertLeaf* email = Child(table, LoadString(5025));
    ASSERT_NE(email, nullptr);
    EXPECT_EQ(Names(email), QStringList({QString::fromUtf8("到:Operations"), QString::fromUtf8("副本:Help Desk")}));

    m_host.PushDialog(MailTest::AcceptProfile());
    m_host.PushDialog([](QDialog* d) {
        MailTest::Pick(d, {QStringLiteral("Security Officer <security@example.com>")}, MailTest::kAddTo);
        d->accept();
    });
    email->OnCmdMsg(ID_EDIT_NEW, nullptr);
    m_host.PushFileName(QStringLiteral("C:\\ALERT\\REPORT.TXT"));
    m_host.PushDialog([](QDialog* d) {
        FindCtrl<QLineEdit>(d, 1051)->setText(QStringLiteral("Disk alert"));
        FindCtrl<QAbstractButton>(d, 3)->click();
        d->accept();
    });
    email->OnCmdMsg(ID_MAIL_ATTRIBUTES, nullptr);

    CAlertLeaf* smtp = Child(table, QStringLiteral("SMTP"));
    ASSERT_NE(smtp, nullptr);
    m_host.PushDialog([](QDialog* d) {
        FindCtrl<QLineEdit>(d, 1117)->setText(QStringLiteral("mail.example.com"));
        d->accept();
    });
    smtp->OnCmdMsg(ID_SMTP_SETTINGS, nullptr);

    CAlertLeaf* notes = Child(table, QStringLiteral("Lotus Notes"));
    ASSERT_NE(notes, nullptr);
    EXPECT_TRUE(notes->IsEnabled());
    m_host.PushDialog([](QDialog* d) {
        MailTest::Pick(d, {QStringLiteral("Li Na <li.na@example.com>")}, MailTest::kAddCc);
        d->accept();
    });
    notes->OnCmdMsg(ID_EDIT_NEW, nullptr);

    const QString shown = Show();
    EXPECT_TRUE(shown.contains(QStringLiteral("  E-mail: Operations <To>\n  E-mail: Security Officer <To>\n"
                                              "  E-mail: Help Desk <Cc>\n")))
        << shown.toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("  mail subject \"Disk alert\"  attachments 1: C:\\ALERT\\REPORT.TXT\n")));
    EXPECT_TRUE(shown.contains(QStringLiteral("server \"mail.example.com\"  port 25")));
    EXPECT_TRUE(shown.contains(QStringLiteral("  Lotus Notes: Li Na <li.na@example.com>\n")));
    EXPECT_TRUE(m_host.BoxTexts().isEmpty()) << m_host.BoxTexts().join(QLatin1Char('|')).toStdString();

    // The console's own writes do not reload the table: the tree keeps what was picked.
    ServerTest::Pump(6000);
    EXPECT_EQ(Names(email).size(), 3);
}

} // namespace
