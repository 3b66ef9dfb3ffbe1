// The SMTP recipient dialog: new recipients start from the sample texts and vanish on Cancel,
// limits keep the texts inside their record fields, the tree shows the display name (empty
// included), and an edit reaches the list the method writes.
#include "../common/TempWorld.h"

#include "framework/Commands.h"
#include "framework/ScriptedUiHost.h"
#include "framework/Switches.h"
#include "methods/MethodLeaf.h"
#include "methods/SmtpDlg.h"
#include "records/ByteField.h"
#include "records/RecipientRecords.h"
#include "res/Resources.h"
#include "res/StringIds.h"
#include "tree/MessageText.h"
#include "tree/AlertTreeCtrl.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

class CNoticeLeaf : public CAlertLeaf {
public:
    int notices = 0;
    void ChildModified(CAlertLeaf*) override { ++notices; }
};

class SmtpDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Switches::Reset();
        m_tree = std::make_unique<CAlertTreeCtrl>();
        m_root = std::make_unique<CAlertLeaf>(m_tree.get());
        m_table = new CNoticeLeaf;
        ASSERT_TRUE(m_root->InsertChild(m_table));
        m_method = new CSMTPMethodLeaf;
        ASSERT_TRUE(m_table->InsertChild(m_method));
    }
    QList<QByteArray> Written()
    {
        QByteArray bytes(qsizetype(m_method->GetDataSize(2)), '\0');
        OUTPUTDESC out;
        out.position = reinterpret_cast<BYTE*>(bytes.data());
        out.room = size_t(bytes.size());
        EXPECT_TRUE(m_method->GetData(&out, 2));
        QList<QByteArray> list;
        for (int i = 0; i < out.count; ++i)
            list << bytes.mid(i * 197, 197);
        return list;
    }
    static QString ItemText(CAlertLeaf* leaf)
    {
        QString text;
        EXPECT_TRUE(leaf->GetItemText(&text));
        return text;
    }

    TempWorld m_world;
    ScriptedUiHost m_host;
    ScopedUiHost m_hostScope{&m_host};
    std::unique_ptr<CAlertTreeCtrl> m_tree;
    std::unique_ptr<CAlertLeaf> m_root;
    CNoticeLeaf* m_table = nullptr;
    CSMTPMethodLeaf* m_method = nullptr;
};

TEST_F(SmtpDlgTest, ANewRecipientStartsFromTheSamplesAndIsWrittenSorted)
{
    m_host.PushDialog([](QDialog* d) {
        EXPECT_EQ(d->windowTitle(), Res::DialogCaption(10001));
        EXPECT_EQ(FindCtrl<QLineEdit>(d, 1000)->text(), LoadString(6104));
        EXPECT_EQ(FindCtrl<QLineEdit>(d, 1074)->text(), LoadString(6105));
        FindCtrl<QLineEdit>(d, 1000)->setText(QStringLiteral("<ops>@example.com"));   // no checks
        FindCtrl<QLineEdit>(d, 1074)->setText(QStringLiteral("Zulu"));
        FindCtrl<QPushButton>(d, IDOK)->click();
    });
    m_method->OnCmdMsg(ID_EDIT_NEW, nullptr);
    m_host.PushDialog([](QDialog* d) {
        FindCtrl<QLineEdit>(d, 1000)->setText(QStringLiteral("a@example.com"));
        FindCtrl<QLineEdit>(d, 1074)->setText(QStringLiteral("Alpha"));
        d->accept();
    });
    m_method->NewItem(0, 0, 0);

    const QList<QByteArray> records = Written();
    ASSERT_EQ(records.size(), 2);
    EXPECT_EQ(Records::FieldText(records[0].constData() + 132, 65), QStringLiteral("Alpha"));
    EXPECT_EQ(Records::FieldText(records[1].constData(), 132), QStringLiteral("<ops>@example.com"));
    EXPECT_EQ(ItemText(m_method->GetFirstChild()), QStringLiteral("Alpha"));
    EXPECT_EQ(m_table->notices, 2);
    EXPECT_TRUE(m_method->IsModified());
}

TEST_F(SmtpDlgTest, TypingReplacesTheSelectedSamplesAndAnAddressNeedsAnAt)
{
    m_host.PushDialog([this](QDialog* d) {
        auto* address = FindCtrl<QLineEdit>(d, 1000);
        EXPECT_EQ(address->selectedText(), LoadString(6104));
        QTest::keyClicks(address, QStringLiteral("ops"));
        EXPECT_EQ(address->text(), QStringLiteral("ops"));
        // No "@": refused with a message, the dialog stays.
        FindCtrl<QPushButton>(d, IDOK)->click();
        EXPECT_EQ(d->result(), 0);
        ASSERT_EQ(m_host.Boxes().size(), 1u);
        EXPECT_EQ(m_host.Boxes().back().text, FormatString(IDS_SMTP_ADDRESS_NO_AT, {QStringLiteral("ops")}));
        // Empty (or blanks only): refused with its own message.
        address->setText(QStringLiteral("  "));
        FindCtrl<QPushButton>(d, IDOK)->click();
        EXPECT_EQ(d->result(), 0);
        ASSERT_EQ(m_host.Boxes().size(), 2u);
        EXPECT_EQ(m_host.Boxes().back().text, LoadString(IDS_SMTP_ADDRESS_EMPTY));
        address->setText(QStringLiteral("ops@example.com"));
        FindCtrl<QPushButton>(d, IDOK)->click();
    });
    m_method->NewItem(0, 0, 0);
    EXPECT_EQ(m_host.Boxes().size(), 2u);
    const QList<QByteArray> records = Written();
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(Records::FieldText(records[0].constData(), 132), QStringLiteral("ops@example.com"));
    EXPECT_EQ(Records::FieldText(records[0].constData() + 132, 65), LoadString(6105));
}

TEST_F(SmtpDlgTest, CancellingANewRecipientLeavesNoneBehind)
{
    m_method->NewItem(0, 0, 0);
    EXPECT_FALSE(m_method->HasChildren());
    EXPECT_TRUE(Written().isEmpty());
}

TEST_F(SmtpDlgTest, EditsStayInsideTheFieldsAndAnEmptyNameShowsAnEmptyItem)
{
    auto* leaf = new CSMTPRecipientLeaf;
    ASSERT_TRUE(m_method->InsertChild(leaf));
    ASSERT_TRUE(leaf->SetDataV2(Records::MakeSmtpRecord("ops@example.com", "Operations").constData()));
    m_host.PushDialog([](QDialog* d) {
        EXPECT_EQ(FindCtrl<QLineEdit>(d, 1000)->text(), QStringLiteral("ops@example.com"));
        FindCtrl<QLineEdit>(d, 1000)->setText(QStringLiteral("a@") + QString(198, QLatin1Char('x')));
        FindCtrl<QLineEdit>(d, 1074)->setText(QString());
        d->accept();
    });
    leaf->OnDoubleClick(0, 0, 0);
    EXPECT_EQ(leaf->GetAddress().size(), 130);
    EXPECT_EQ(ItemText(leaf), QString());
    const QList<QByteArray> records = Written();
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0][130 - 1], 'x');
    EXPECT_EQ(records[0][130], '\0');
    EXPECT_EQ(m_table->notices, 1);

    // Cancel changes nothing.
    m_host.PushDialog([](QDialog* d) {
        FindCtrl<QLineEdit>(d, 1074)->setText(QStringLiteral("changed"));
        d->reject();
    });
    leaf->OnCmdMsg(ID_EDIT_EDIT, nullptr);
    EXPECT_EQ(leaf->GetDisplayName(), QString());
    EXPECT_EQ(m_table->notices, 1);
}

// A table reload handled inside a dialog's loop replaces the method's recipients with these.
void Reload(CMethodLeaf* method, const QByteArray& records, int count, int version)
{
    RECORDBLOCK block;
    block.count = count;
    block.records = reinterpret_cast<const BYTE*>(records.constData());
    block.size = size_t(records.size());
    ASSERT_TRUE(method->SetData(&block, version));
}

TEST_F(SmtpDlgTest, ARecipientReloadedAwayWhileItsDialogIsOpenIsNeitherUsedNorWritten)
{
    auto* leaf = new CSMTPRecipientLeaf;
    ASSERT_TRUE(m_method->InsertChild(leaf));
    ASSERT_TRUE(leaf->SetDataV2(Records::MakeSmtpRecord("ops@example.com", "Operations").constData()));
    const QByteArray reloaded = Records::MakeSmtpRecord("desk@example.com", "Desk");
    m_host.PushDialog([&](QDialog* d) {
        FindCtrl<QLineEdit>(d, 1074)->setText(QStringLiteral("typed"));
        Reload(m_method, reloaded, 1, 2);
        FindCtrl<QPushButton>(d, IDOK)->click();
    });
    CWeakPtr<CSMTPRecipientLeaf> guard(leaf);
    EXPECT_TRUE(leaf->OnCmdMsg(ID_EDIT_EDIT, nullptr));
    EXPECT_FALSE(guard);
    EXPECT_EQ(m_host.BoxTexts(), QStringList{LoadString(IDS_EDITED_ITEM_GONE)});
    EXPECT_EQ(Written(), QList<QByteArray>{reloaded});
    EXPECT_EQ(ItemText(m_method->GetFirstChild()), QStringLiteral("Desk"));
}

TEST_F(SmtpDlgTest, ANewRecipientReloadedAwayWhileItsDialogIsOpenIsNotDeletedTwice)
{
    const QByteArray reloaded = Records::MakeSmtpRecord("desk@example.com", "Desk");
    m_host.PushDialog([&](QDialog* d) {
        Reload(m_method, reloaded, 1, 2);
        d->reject();
    });
    m_method->NewItem(0, 0, 0);
    EXPECT_EQ(Written(), QList<QByteArray>{reloaded});

    // The same with OK, and with the whole method gone (the configuration leaf emptied).
    m_host.PushDialog([&](QDialog* d) {
        m_method->DeleteLeaf();
        m_method = nullptr;
        FindCtrl<QPushButton>(d, IDOK)->click();
    });
    CSMTPMethodLeaf* method = m_method;
    method->OnCmdMsg(ID_EDIT_NEW, nullptr);
    EXPECT_FALSE(m_table->HasChildren());
    EXPECT_EQ(m_host.BoxTexts(), QStringList{LoadString(IDS_EDITED_ITEM_GONE)});
}

} // namespace
