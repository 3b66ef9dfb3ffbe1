// The mail methods under a real table of the configuration library: e-mail recipients come from
// the table and are replaced through the mail client's address book, the mail attributes travel
// with the list, Notes recipients go through the Notes dialog, and what the console wrote is read
// back from the library's store.
#include "MailTestSupport.h"

#include "extern/Tarnix.h"
#include "framework/Commands.h"
#include "framework/Switches.h"
#include "mail/MapiInterface.h"
#include "mail/NotesInterface.h"
#include "methods/MethodLeaf.h"
#include "platform/GlobalMemory.h"
#include "platform/GlobalMemoryFaults.h"
#include "records/ByteField.h"
#include "records/RecipientRecords.h"
#include "res/Resources.h"
#include "tarnix/MachineStore.h"
#include "tree/ALTLeaf.h"
#include "tree/AlertTreeCtrl.h"

#include <QCheckBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <memory>

using namespace MailTest;

namespace {

const QByteArray kApp = "QUELLIT";

class MailLeavesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Switches::Reset();
        const World::ScopedLocalMachine scope(kThisComputer);
        const Tarnix::MachineStore store(kThisComputer);
        Tarnix::AltTable table;
        table.version = 3;
        Records::PutField(table.alStruct.data() + CALTLeaf::kSubjectOffset, CALTLeaf::kSubjectSize, "Quellit alert");
        table.lists[Tarnix::EmailList] = Records::MakeEmailRecord("Operations", 1) + Records::MakeEmailRecord("Help Desk", 2);
        table.counts[Tarnix::EmailList] = 2;
        table.lists[Tarnix::NotesList] = Records::MakeNotesRecord("Wang Fang", "wang.fang@example.com", 1);
        table.counts[Tarnix::NotesList] = 1;
        ASSERT_EQ(store.WriteTable(kApp, table), 0u);
        m_tree = std::make_unique<CAlertTreeCtrl>();
        m_root = std::make_unique<CAlertLeaf>(m_tree.get());
    }
    void TearDown() override
    {
        m_root.reset();
        m_tree.reset();
        CMapiInterface::Instance().UnloadMapi32DLL();
        CNotesInterface::Instance().Reload(false);
    }

    // The table as the console builds it, loaded from the store, with the mail libraries as the
    // world has them now.
    CALTLeaf* LoadTable()
    {
        CMapiInterface::Instance().Reload();
        CNotesInterface::Instance().Reload(true);
        auto* table = new CALTLeaf;
        table->SetName(QStringLiteral("Quellit"));
        if (!m_root->InsertChild(table)) {
            delete table;
            return nullptr;
        }
        table->SetData(nullptr, 3);
        table->Bind(kThisComputer, QString::fromLatin1(kApp));
        table->RefreshIfChanged(1);
        return table;
    }
    template <class T>
    static T* Method(CALTLeaf* table)
    {
        for (CAlertLeaf* c = table ? table->GetFirstChild() : nullptr; c; c = c->GetNextSibling()) {
            if (auto* m = dynamic_cast<T*>(c))
                return m;
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
    static Tarnix::AltTable Stored()
    {
        const World::ScopedLocalMachine scope(kThisComputer);
        Tarnix::AltTable table;
        EXPECT_EQ(Tarnix::MachineStore(kThisComputer).ReadTable(kApp, &table), 0u);
        return table;
    }
    // "class:name" of each stored e-mail record.
    static QStringList StoredEmail()
    {
        const Tarnix::AltTable t = Stored();
        QStringList out;
        for (uint32_t i = 0; i < t.counts[Tarnix::EmailList]; ++i) {
            const char* r = t.lists[Tarnix::EmailList].constData() + i * 56;
            out << QStringLiteral("%1:%2").arg(Records::I32At(r + 52)).arg(Records::FieldText(r, 52));
        }
        return out;
    }
    static QStringList StoredNotes()
    {
        const Tarnix::AltTable t = Stored();
        QStringList out;
        for (uint32_t i = 0; i < t.counts[Tarnix::NotesList]; ++i) {
            const char* r = t.lists[Tarnix::NotesList].constData() + i * 440;
            out << QStringLiteral("%1:%2:%3")
                       .arg(Records::I32At(r))
                       .arg(Records::FieldText(r + 4, 52), Records::FieldText(r + 56, 256));
        }
        return out;
    }
    static bool Enabled(CAlertLeaf* leaf, UINT id)
    {
        CCmdUI ui(id);
        return leaf->OnCmdMsg(id, &ui) && ui.IsEnabled();
    }

    TempWorld m_world{kThisComputer};
    ScriptedUiHost m_host;
    ScopedUiHost m_hostScope{&m_host};
    std::unique_ptr<CAlertTreeCtrl> m_tree;
    std::unique_ptr<CAlertLeaf> m_root;
};

TEST_F(MailLeavesTest, WithoutAMailClientThereIsNoEmailMethodAndNoLogon)
{
    CALTLeaf* table = LoadTable();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(Method<CEmailMethodLeaf>(table), nullptr);
    EXPECT_FALSE(Enabled(Method<CSMTPMethodLeaf>(table), ID_FILE_MAIL_LOGON));
    // The Notes method is there, dimmed, with only its settings offered.
    CNotesMethodLeaf* notes = Method<CNotesMethodLeaf>(table);
    ASSERT_NE(notes, nullptr);
    EXPECT_FALSE(notes->IsEnabled());
    EXPECT_FALSE(Enabled(notes, ID_EDIT_NEW));
    EXPECT_FALSE(Enabled(notes, ID_MAIL_ATTRIBUTES));
    EXPECT_TRUE(Enabled(notes, ID_NOTES_SETTINGS));
    // Double-clicking a recipient of the dimmed method opens nothing.
    ASSERT_TRUE(notes->HasChildren());
    notes->GetFirstChild()->OnDoubleClick(0, 0, 0);
    EXPECT_TRUE(m_host.Dialogs().empty());
}

TEST_F(MailLeavesTest, TheAddressBookReplacesTheRecipientsAndTheListIsStoredSorted)
{
    InstallMail(false, false, {QStringLiteral("Operations|ops@example.com"), QStringLiteral("Help Desk|help@example.com"),
                               QStringLiteral("Audit|audit@example.com"),
                               QString(60, QLatin1Char('N')) + QStringLiteral("|long@example.com")});
    CALTLeaf* table = LoadTable();
    CEmailMethodLeaf* email = Method<CEmailMethodLeaf>(table);
    ASSERT_NE(email, nullptr);
    EXPECT_EQ(email->GetName(), LoadString(5024));
    EXPECT_EQ(Names(email), QStringList({QString::fromUtf8("到:Operations"), QString::fromUtf8("副本:Help Desk")}));
    EXPECT_TRUE(Enabled(email, ID_FILE_MAIL_LOGON));
    const long blocks = GlobalLiveBlocks();

    m_host.PushDialog(AcceptProfile());
    QStringList shownTo, shownCc;
    m_host.PushDialog([&](QDialog* d) {
        shownTo = Items(d, kToList);
        shownCc = Items(d, kCcList);
        Pick(d, {QString(60, QLatin1Char('N')) + QStringLiteral(" <long@example.com>")}, kAddTo);
        // A client that answers a blind copy all the same.
        Pick(d, {QStringLiteral("Audit <audit@example.com>")}, 112);
        d->accept();
    });
    email->OnCmdMsg(ID_EDIT_NEW, nullptr);
    EXPECT_EQ(shownTo, QStringList({QStringLiteral("Operations <ops@example.com>")}));
    EXPECT_EQ(shownCc, QStringList({QStringLiteral("Help Desk <help@example.com>")}));

    const QString longName(51, QLatin1Char('N'));
    // Sorted by the tree text: the copy recipients apart from the to recipients; the blind copy
    // dropped; the long name cut to its field.
    EXPECT_EQ(Names(email), QStringList({QString::fromUtf8("到:") + longName, QString::fromUtf8("到:Operations"),
                                         QString::fromUtf8("副本:Help Desk")}));
    EXPECT_EQ(StoredEmail(), QStringList({QStringLiteral("1:") + longName, QStringLiteral("1:Operations"),
                                          QStringLiteral("2:Help Desk")}));
    EXPECT_EQ(GlobalLiveBlocks(), blocks);
    EXPECT_EQ(LibraryCount<size_t>("MAPI32.DLL", "MailClientLiveBuffers"), 0u);

    // Double-clicking a recipient opens the same book; Cancel changes nothing.
    const QString changed = table->GetChangeDate();
    m_host.PushDialog([](QDialog* d) { d->reject(); });
    email->GetFirstChild()->OnDoubleClick(0, 0, 0);
    EXPECT_EQ(Names(email).size(), 3);
    EXPECT_EQ(StoredEmail().size(), 3);
    EXPECT_EQ(table->GetChangeDate(), changed);
}

TEST_F(MailLeavesTest, WithoutMemoryForTheListTheBookDoesNotOpenEmpty)
{
    InstallMail(false, true, {QStringLiteral("Operations|ops@example.com")});
    CALTLeaf* table = LoadTable();
    CEmailMethodLeaf* email = Method<CEmailMethodLeaf>(table);
    ASSERT_NE(email, nullptr);
    EXPECT_EQ(email->GetName(), LoadString(5025));
    GlobalFailNextAllocations(1);
    email->OnCmdMsg(ID_EDIT_NEW, nullptr);
    GlobalFailNextAllocations(0);
    EXPECT_TRUE(m_host.Dialogs().empty());
    EXPECT_EQ(Names(email).size(), 2);
    EXPECT_EQ(StoredEmail(), QStringList({QStringLiteral("1:Operations"), QStringLiteral("2:Help Desk")}));
}

TEST_F(MailLeavesTest, MailLogonReportsWhatTheClientAnswered)
{
    InstallMail(false, false);
    CALTLeaf* table = LoadTable();
    CEmailMethodLeaf* email = Method<CEmailMethodLeaf>(table);
    ASSERT_NE(email, nullptr);
    m_host.PushDialog(AcceptProfile());
    email->OnCmdMsg(ID_FILE_MAIL_LOGON, nullptr);
    m_host.PushDialog([](QDialog* d) { d->reject(); });
    email->OnCmdMsg(ID_FILE_MAIL_LOGON, nullptr);
    EXPECT_EQ(m_host.BoxTexts(), QStringList({LoadString(3510), LoadString(3511)}));
    EXPECT_FALSE(CMapiInterface::Instance().IsLoggedOn());
}

TEST_F(MailLeavesTest, MailAttributesTravelWithTheListAndOnlyFixedDrivesGiveAttachments)
{
    InstallMail(false, false);
    // Drive A of the service's machine is a floppy; Z is not there at all.
    QJsonObject machine = QJsonDocument::fromJson(m_world.Read(QStringLiteral("machines/TESTPC/machine.json"))).object();
    machine.insert(QStringLiteral("driveTypes"), QJsonObject{{QStringLiteral("A"), QStringLiteral("removable")}});
    ASSERT_TRUE(m_world.Write(QStringLiteral("machines/TESTPC/machine.json"), QJsonDocument(machine).toJson()));
    CALTLeaf* table = LoadTable();
    CEmailMethodLeaf* email = Method<CEmailMethodLeaf>(table);
    ASSERT_NE(email, nullptr);

    for (const char* path : {"C:\\ALERT\\B.TXT", "A:\\FLOPPY.TXT", "Z:\\NET.TXT", "\\\\SRV1\\DATA\\X.TXT", "C:\\ALERT\\A.TXT"})
        m_host.PushFileName(QString::fromLatin1(path));
    m_host.PushDialog([](QDialog* d) {
        auto* subject = FindCtrl<QLineEdit>(d, 1051);
        EXPECT_EQ(subject->text(), QStringLiteral("Quellit alert"));
        auto* add = FindCtrl<QPushButton>(d, 3);
        auto* remove = FindCtrl<QPushButton>(d, 4);
        EXPECT_TRUE(add->isEnabled());
        EXPECT_FALSE(remove->isEnabled());
        for (int i = 0; i < 5; ++i)
            add->click();
        EXPECT_TRUE(remove->isEnabled());
        subject->setText(QStringLiteral("Disk alert"));
        d->accept();
    });
    email->OnCmdMsg(ID_MAIL_ATTRIBUTES, nullptr);
    const QString refused = LoadString(5507);
    EXPECT_EQ(m_host.BoxTexts(), QStringList({refused, refused, refused}));

    const Tarnix::AltTable stored = Stored();
    const char* image = stored.alStruct.constData();
    EXPECT_EQ(Records::FieldText(image + 566, 257), QStringLiteral("Disk alert"));
    ASSERT_EQ(Records::U16At(image + 1032), 2);
    // The list is sorted.
    EXPECT_EQ(Records::FieldText(image + 1036, 256), QStringLiteral("C:\\ALERT\\A.TXT"));
    EXPECT_EQ(Records::FieldText(image + 1036 + 256, 256), QStringLiteral("C:\\ALERT\\B.TXT"));
    // The recipients went along unchanged.
    EXPECT_EQ(StoredEmail(), QStringList({QStringLiteral("1:Operations"), QStringLiteral("2:Help Desk")}));
}

TEST_F(MailLeavesTest, TenAttachmentsAtMostAndCancelKeepsTheImage)
{
    InstallMail(false, false);
    CALTLeaf* table = LoadTable();
    CEmailMethodLeaf* email = Method<CEmailMethodLeaf>(table);
    ASSERT_NE(email, nullptr);
    for (int i = 0; i < 10; ++i)
        m_host.PushFileName(QStringLiteral("C:\\ALERT\\F%1.TXT").arg(i));
    m_host.PushFileName(QStringLiteral("C:\\ALERT\\EXTRA.TXT"));
    m_host.PushDialog([](QDialog* d) {
        auto* add = FindCtrl<QPushButton>(d, 3);
        for (int i = 0; i < 10; ++i)
            add->click();
        EXPECT_FALSE(add->isEnabled());
        auto* list = FindCtrl<QListWidget>(d, 1049);
        ASSERT_EQ(list->count(), 10);
        list->item(0)->setSelected(true);
        list->item(9)->setSelected(true);
        FindCtrl<QPushButton>(d, 4)->click();
        EXPECT_EQ(list->count(), 8);
        EXPECT_TRUE(add->isEnabled());
        add->click();
        EXPECT_EQ(list->count(), 9);
        d->reject();
    });
    const QString changed = table->GetChangeDate();
    email->OnCmdMsg(ID_MAIL_ATTRIBUTES, nullptr);
    EXPECT_EQ(table->GetChangeDate(), changed);
    EXPECT_EQ(Records::U16At(Stored().alStruct.constData() + 1032), 0);
    EXPECT_EQ(Records::FieldText(table->GetImage().constData() + 566, 257), QStringLiteral("Quellit alert"));
}

TEST_F(MailLeavesTest, NotesRecipientsGoThroughTheNotesDialog)
{
    InstallNotes(QStringLiteral("C:\\Lotus\\Notes"),
                 {QStringLiteral("Wang Fang|wang.fang@example.com"), QStringLiteral("Li Na|li.na@example.com"),
                  QString(60, QLatin1Char('L')) + QLatin1Char('|') + QString(300, QLatin1Char('a'))});
    CALTLeaf* table = LoadTable();
    CNotesMethodLeaf* notes = Method<CNotesMethodLeaf>(table);
    ASSERT_NE(notes, nullptr);
    EXPECT_TRUE(notes->IsEnabled());
    EXPECT_TRUE(Enabled(notes, ID_EDIT_NEW));
    EXPECT_TRUE(Enabled(notes, ID_EDIT_DELETE));
    const long blocks = GlobalLiveBlocks();

    // A cancelled dialog changes nothing and frees what was handed to it.
    m_host.PushDialog([](QDialog* d) { d->reject(); });
    notes->OnCmdMsg(ID_EDIT_DELETE, nullptr);
    EXPECT_EQ(GlobalLiveBlocks(), blocks);
    EXPECT_EQ(StoredNotes(), QStringList({QStringLiteral("1:Wang Fang:wang.fang@example.com")}));

    m_host.PushDialog([](QDialog* d) {
        EXPECT_EQ(Items(d, kToList), QStringList({QStringLiteral("Wang Fang <wang.fang@example.com>")}));
        Pick(d, {QStringLiteral("Li Na <li.na@example.com>")}, kAddCc);
        Pick(d, {QString(60, QLatin1Char('L')) + QStringLiteral(" <") + QString(255, QLatin1Char('a')) + QLatin1Char('>')},
             kAddTo);
        d->accept();
    });
    notes->OnCmdMsg(ID_EDIT_NEW, nullptr);
    EXPECT_EQ(GlobalLiveBlocks(), blocks);
    EXPECT_EQ(LibraryCount<size_t>("NotesUI.DLL", "NotesUiLiveBuffers"), 0u);
    EXPECT_EQ(StoredNotes(), QStringList({QStringLiteral("1:") + QString(51, QLatin1Char('L')) + QLatin1Char(':') +
                                              QString(255, QLatin1Char('a')),
                                          QStringLiteral("1:Wang Fang:wang.fang@example.com"),
                                          QStringLiteral("2:Li Na:li.na@example.com")}));
}

TEST_F(MailLeavesTest, NotesSettingsAndAttributesWriteOnlyOnOk)
{
    InstallNotes(QStringLiteral("C:\\Lotus\\Notes"));
    CALTLeaf* table = LoadTable();
    CNotesMethodLeaf* notes = Method<CNotesMethodLeaf>(table);
    ASSERT_NE(notes, nullptr);
    ASSERT_TRUE(notes->IsEnabled());

    // Attributes: Cancel writes nothing, OK writes them through the library.
    m_host.PushDialog([](QDialog* d) {
        FindCtrl<QLineEdit>(d, 1051)->setText(QStringLiteral("Never stored"));
        d->reject();
    });
    notes->OnCmdMsg(ID_MAIL_ATTRIBUTES, nullptr);
    EXPECT_EQ(Records::FieldText(Stored().alStruct.constData() + 566, 257), QStringLiteral("Quellit alert"));
    m_host.PushDialog([](QDialog* d) {
        FindCtrl<QLineEdit>(d, 1051)->setText(QStringLiteral("Notes alert"));
        d->accept();
    });
    notes->OnCmdMsg(ID_MAIL_ATTRIBUTES, nullptr);
    EXPECT_EQ(Records::FieldText(Stored().alStruct.constData() + 566, 257), QStringLiteral("Notes alert"));

    // Settings: Cancel writes nothing.
    QByteArray before(912, '\0');
    ASSERT_EQ(AlertGetNotesAccountInfo("TESTPC", before.data()), 0);
    m_host.PushDialog([](QDialog* d) {
        FindCtrl<QLineEdit>(d, 1108)->setText(QStringLiteral("C:\\Other"));
        d->reject();
    });
    notes->OnCmdMsg(ID_NOTES_SETTINGS, nullptr);
    QByteArray after(912, '\0');
    ASSERT_EQ(AlertGetNotesAccountInfo("TESTPC", after.data()), 0);
    EXPECT_EQ(after, before);
    EXPECT_TRUE(notes->IsEnabled());

    // A new installation path without a client there: stored, and the method dims.
    m_host.PushDialog([](QDialog* d) {
        EXPECT_EQ(FindCtrl<QLineEdit>(d, 1108)->text(), QStringLiteral("C:\\Lotus\\Notes"));
        auto* user = FindCtrl<QCheckBox>(d, 1110);
        EXPECT_FALSE(user->isChecked());
        EXPECT_FALSE(FindCtrl<QLineEdit>(d, 1105)->isEnabled());
        user->click();
        EXPECT_TRUE(FindCtrl<QLineEdit>(d, 1105)->isEnabled());
        FindCtrl<QLineEdit>(d, 1105)->setText(QStringLiteral("alert.id"));
        FindCtrl<QLineEdit>(d, 1108)->setText(QStringLiteral("C:\\Other"));
        d->accept();
    });
    notes->OnCmdMsg(ID_NOTES_SETTINGS, nullptr);
    ASSERT_EQ(AlertGetNotesAccountInfo("TESTPC", after.data()), 0);
    EXPECT_EQ(Records::FieldText(after.constData() + 96, 256), QStringLiteral("C:\\Other"));
    EXPECT_EQ(Records::FieldText(after.constData(), 48), QStringLiteral("alert.id"));
    EXPECT_EQ(Records::U16At(after.constData() + 864), 0);
    EXPECT_FALSE(CNotesInterface::Instance().IsAvailable());
    EXPECT_FALSE(notes->IsEnabled());
    EXPECT_TRUE(Enabled(notes, ID_NOTES_SETTINGS));
}

} // namespace
