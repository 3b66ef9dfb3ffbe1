// The SNMP recipient dialog and its masked address edit: keys that edit and keys that do not,
// addresses stored without octal parts, the hex packer, the text of the method not shown kept
// across switches, and new recipients that vanish on Cancel.
#include "../common/TempWorld.h"

#include "framework/Commands.h"
#include "framework/ScriptedUiHost.h"
#include "framework/Switches.h"
#include "methods/MethodLeaf.h"
#include "methods/SnmpDlg.h"
#include "records/RecipientRecords.h"
#include "res/Resources.h"
#include "res/StringIds.h"
#include "tree/MessageText.h"
#include "tree/AlertTreeCtrl.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

// Stands in for the application table: counts the notices its method leaves send up.
class CNoticeLeaf : public CAlertLeaf {
public:
    int notices = 0;
    CAlertLeaf* lastChild = nullptr;
    void ChildModified(CAlertLeaf* child) override
    {
        ++notices;
        lastChild = child;
    }
};

class SnmpDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Switches::Reset();
        m_tree = std::make_unique<CAlertTreeCtrl>();
        m_root = std::make_unique<CAlertLeaf>(m_tree.get());
        m_table = new CNoticeLeaf;
        ASSERT_TRUE(m_root->InsertChild(m_table));
        m_method = new CSnmpMethodLeaf;
        ASSERT_TRUE(m_table->InsertChild(m_method));
    }
    // The recipient records the method would write, in order.
    QList<QByteArray> Written()
    {
        QByteArray bytes(qsizetype(m_method->GetDataSize(0)), '\0');
        OUTPUTDESC out;
        out.position = reinterpret_cast<BYTE*>(bytes.data());
        out.room = size_t(bytes.size());
        EXPECT_TRUE(m_method->GetData(&out, 0));
        QList<QByteArray> list;
        for (int i = 0; i < out.count; ++i)
            list << bytes.mid(i * 68, 68);
        return list;
    }
    static void Type(QWidget* w, const QList<Qt::Key>& keys)
    {
        for (Qt::Key k : keys)
            QTest::keyClick(w, k);
    }

    TempWorld m_world;
    ScriptedUiHost m_host;
    ScopedUiHost m_hostScope{&m_host};
    std::unique_ptr<CAlertTreeCtrl> m_tree;
    std::unique_ptr<CAlertLeaf> m_root;
    CNoticeLeaf* m_table = nullptr;
    CSnmpMethodLeaf* m_method = nullptr;
};

TEST(MaskedEditTest, OnlyDigitsAtDecimalPositionsAndHexAtHexPositions)
{
    CMaskedEdit edit;
    edit.SetFillChar(QLatin1Char('0'));
    edit.SetMask(QStringLiteral("##.@@"));
    EXPECT_EQ(edit.text(), QStringLiteral("00.00"));
    QTest::keyClick(&edit, Qt::Key_A);          // not a digit: ignored at "#"
    EXPECT_EQ(edit.Value(), QStringLiteral("0000"));
    EXPECT_EQ(edit.Cursor(), 0);
    QTest::keyClicks(&edit, QStringLiteral("7"));
    QTest::keyClick(&edit, Qt::Key_9, Qt::KeypadModifier);
    EXPECT_EQ(edit.Cursor(), 2);
    QTest::keyClick(&edit, Qt::Key_C);          // a letter key at "@" arrives upper case
    QTest::keyClick(&edit, Qt::Key_G);          // not hexadecimal
    EXPECT_EQ(edit.GetText(), QStringLiteral("79.C0"));
    EXPECT_EQ(edit.Value(), QStringLiteral("79C0"));
    // The cursor stops at the last position.
    QTest::keyClick(&edit, Qt::Key_5);
    QTest::keyClick(&edit, Qt::Key_6);
    EXPECT_EQ(edit.Cursor(), 3);
    EXPECT_EQ(edit.GetText(), QStringLiteral("79.C6"));
    // Delete puts the fill character back; Backspace only moves.
    QTest::keyClick(&edit, Qt::Key_Home);
    QTest::keyClick(&edit, Qt::Key_Delete);
    QTest::keyClick(&edit, Qt::Key_End);
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.Cursor(), 2);
    EXPECT_EQ(edit.GetText(), QStringLiteral("09.C6"));
    // Paste and typed text never get in.
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit.text(), QStringLiteral("09.C6"));
}

TEST(MaskedEditTest, APeriodEndsTheGroupAndMovesToTheNextOne)
{
    CMaskedEdit edit;
    edit.SetFillChar(QLatin1Char('0'));
    edit.SetMask(QStringLiteral("###.###.###.###"));
    ASSERT_TRUE(edit.SetValue(QStringLiteral("010000000005")));
    QTest::keyClicks(&edit, QStringLiteral("10.0.0.7"));
    EXPECT_EQ(edit.GetText(), QStringLiteral("010.000.000.007"));
    EXPECT_EQ(SnmpAddress::NormaliseIp(edit.GetText()), QStringLiteral("10.0.0.7"));

    // A full group moves on by itself; the "." typed after it changes nothing.
    edit.SetMask(QStringLiteral("###.###.###.###"));
    QTest::keyClicks(&edit, QStringLiteral("192.168.1.77"));
    EXPECT_EQ(edit.GetText(), QStringLiteral("192.168.001.077"));
    // Two periods skip a group; one in the last group changes nothing.
    edit.SetMask(QStringLiteral("###.###.###.###"));
    QTest::keyClicks(&edit, QStringLiteral("1..25."));
    EXPECT_EQ(edit.GetText(), QStringLiteral("001.000.025.000"));
    EXPECT_EQ(edit.Cursor(), 9);
    QTest::keyClick(&edit, Qt::Key_End);
    QTest::keyClicks(&edit, QStringLiteral("4."));
    EXPECT_EQ(edit.GetText(), QStringLiteral("001.000.025.004"));
    EXPECT_EQ(edit.Cursor(), 11);
}

TEST(MaskedEditTest, InsertShiftsTheRestAndDropsTheLastCharacter)
{
    CMaskedEdit edit;
    edit.SetMask(QStringLiteral("####"));
    ASSERT_TRUE(edit.SetValue(QStringLiteral("1234")));
    QTest::keyClick(&edit, Qt::Key_Right);
    QTest::keyClick(&edit, Qt::Key_Insert);
    QTest::keyClick(&edit, Qt::Key_9);
    EXPECT_EQ(edit.Value(), QStringLiteral("1923"));
    EXPECT_EQ(edit.Cursor(), 2);
}

TEST(MaskedEditTest, ValuesThatDoNotFitAreRefused)
{
    CMaskedEdit edit;
    edit.SetFillChar(QLatin1Char('0'));
    edit.SetMask(QStringLiteral("@@.@@"));
    EXPECT_FALSE(edit.SetValue(QStringLiteral("12345")));
    EXPECT_FALSE(edit.SetValue(QStringLiteral("ab12")));     // lower case is not a value
    EXPECT_FALSE(edit.SetValue(QStringLiteral("12.3")));
    EXPECT_EQ(edit.GetText(), QStringLiteral("00.00"));
    EXPECT_TRUE(edit.SetValue(QStringLiteral("AB12")));
    EXPECT_EQ(edit.GetText(), QStringLiteral("AB.12"));
}

TEST(SnmpAddressTest, FixedFormAndBack)
{
    EXPECT_EQ(SnmpAddress::PadIp(QStringLiteral("10.1.2.3")), QStringLiteral("010.001.002.003"));
    EXPECT_EQ(SnmpAddress::NormaliseIp(QStringLiteral("010.001.000.100")), QStringLiteral("10.1.0.100"));
    EXPECT_EQ(SnmpAddress::NormaliseIp(QStringLiteral("000.000.000.000")), QStringLiteral("0.0.0.0"));
    uint8_t ip[4] = {};
    EXPECT_TRUE(SnmpAddress::ParseIp(QStringLiteral("192.168.1.10"), ip));
    EXPECT_EQ(ip[3], 10);
    EXPECT_FALSE(SnmpAddress::ParseIp(QStringLiteral("192.168.1.256"), ip));
    EXPECT_FALSE(SnmpAddress::ParseIp(QStringLiteral("192.168.1"), ip));
}

TEST(SnmpAddressTest, HexPackerPadsCutsAndTakesLetters)
{
    uint8_t out[6] = {};
    SnmpAddress::PackHex(QStringLiteral("1aB"), 8, out);
    EXPECT_EQ(QByteArray(reinterpret_cast<char*>(out), 4), QByteArray::fromHex("000001ab"));
    SnmpAddress::PackHex(QStringLiteral("0123456789ABCDEF"), 12, out);
    EXPECT_EQ(QByteArray(reinterpret_cast<char*>(out), 6), QByteArray::fromHex("0123456789ab"));
}

TEST_F(SnmpDlgTest, NewRecipientWithoutTouchingTheMethodIsIpAndStoredWithoutOctalParts)
{
    m_host.PushDialog([](QDialog* d) {
        EXPECT_EQ(d->windowTitle(), Res::DialogCaption(155));
        auto* address = FindCtrl<QLineEdit>(d, 1032);
        auto* ok = FindCtrl<QPushButton>(d, IDOK);
        ASSERT_TRUE(address && ok);
        EXPECT_EQ(address->text(), QStringLiteral("000.000.000.000"));
        EXPECT_FALSE(ok->isEnabled());          // no name yet
        FindCtrl<QLineEdit>(d, 1030)->setText(QStringLiteral("nms-east"));
        EXPECT_TRUE(ok->isEnabled());
        address->setFocus();
        for (QChar c : QStringLiteral("192168001010"))
            QTest::keyClick(address, Qt::Key(Qt::Key_0 + (c.unicode() - '0')));
        EXPECT_EQ(address->text(), QStringLiteral("192.168.001.010"));
        ok->click();
    });
    m_method->OnCmdMsg(ID_EDIT_NEW, nullptr);
    const QList<QByteArray> records = Written();
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(uint8_t(records[0][67]), 2);
    EXPECT_EQ(records[0].mid(12, 4), QByteArray::fromHex("c0a8010a"));
    EXPECT_EQ(records[0].mid(16, 9), QByteArray("nms-east\0", 9));
    EXPECT_EQ(m_table->notices, 1);
    EXPECT_EQ(m_table->lastChild, m_method);
    EXPECT_TRUE(m_method->IsModified());
    EXPECT_EQ(m_method->GetFirstChild()->GetImage(), 16);
}

TEST_F(SnmpDlgTest, CancellingANewRecipientLeavesNoneBehind)
{
    m_method->NewItem(0, 0, 0);                 // no script: the dialog is cancelled
    EXPECT_FALSE(m_method->HasChildren());
    EXPECT_TRUE(Written().isEmpty());
}

TEST_F(SnmpDlgTest, AnAddressPartAbove255IsNotStored)
{
    m_host.PushDialog([](QDialog* d) {
        FindCtrl<QLineEdit>(d, 1030)->setText(QStringLiteral("bad"));
        auto* address = FindCtrl<QLineEdit>(d, 1032);
        QTest::keyClick(address, Qt::Key_9);
        QTest::keyClick(address, Qt::Key_9);
        QTest::keyClick(address, Qt::Key_9);
        d->accept();
        EXPECT_TRUE(d->isVisible());            // refused, still open
        d->reject();
    });
    m_method->NewItem(0, 0, 0);
    EXPECT_FALSE(m_method->HasChildren());
    EXPECT_TRUE(Written().isEmpty());
    // The refusal says why.
    ASSERT_EQ(m_host.Boxes().size(), 1u);
    EXPECT_EQ(m_host.Boxes()[0].text, FormatString(IDS_SNMP_ADDRESS_REFUSED, {QStringLiteral("999.0.0.0")}));
}

TEST_F(SnmpDlgTest, EditingAnIpxRecipientKeepsBothAddressesAcrossSwitches)
{
    QByteArray record = Records::MakeSnmpRecord("ipx-station", 0x0A010203);
    std::memcpy(record.data(), QByteArray::fromHex("00a0c9123456").constData(), 6);
    std::memcpy(record.data() + 6, QByteArray::fromHex("0000beef").constData(), 4);
    record[67] = 1;
    auto* leaf = new CSnmpRecipientLeaf;
    ASSERT_TRUE(m_method->InsertChild(leaf));
    ASSERT_TRUE(leaf->SetDataV0(record.constData()));

    m_host.PushDialog([](QDialog* d) {
        auto* combo = FindCtrl<QComboBox>(d, 1031);
        auto* address = FindCtrl<QLineEdit>(d, 1032);
        EXPECT_EQ(combo->currentIndex(), 1);
        EXPECT_EQ(address->text(), QStringLiteral("0000BEEF.00A0C9123456"));
        QTest::keyClick(address, Qt::Key_F);    // first network digit
        combo->setCurrentIndex(0);
        EXPECT_EQ(address->text(), QStringLiteral("010.001.002.003"));
        combo->setCurrentIndex(1);
        EXPECT_EQ(address->text(), QStringLiteral("F000BEEF.00A0C9123456"));
        FindCtrl<QPushButton>(d, IDOK)->click();
    });
    leaf->OnDoubleClick(0, 0, 0);
    const QList<QByteArray> records = Written();
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(uint8_t(records[0][67]), 1);
    EXPECT_EQ(records[0].mid(6, 4), QByteArray::fromHex("f000beef"));
    EXPECT_EQ(records[0].mid(0, 6), QByteArray::fromHex("00a0c9123456"));
    EXPECT_EQ(records[0].mid(12, 4), QByteArray::fromHex("0a010203"));
    EXPECT_EQ(leaf->GetImage(), 17);
    EXPECT_EQ(m_table->notices, 1);

    // Cancel changes nothing.
    m_host.PushDialog([](QDialog* d) {
        FindCtrl<QLineEdit>(d, 1030)->setText(QStringLiteral("other"));
        d->reject();
    });
    leaf->OnCmdMsg(ID_EDIT_EDIT, nullptr);
    EXPECT_EQ(leaf->GetManager(), QStringLiteral("ipx-station"));
    EXPECT_EQ(m_table->notices, 1);
}

TEST_F(SnmpDlgTest, ARecipientReloadedAwayWhileItsDialogIsOpenIsNeitherUsedNorWritten)
{
    const QByteArray kept = Records::MakeSnmpRecord("nms-west", 0x0A000001);
    auto* leaf = new CSnmpRecipientLeaf;
    ASSERT_TRUE(m_method->InsertChild(leaf));
    ASSERT_TRUE(leaf->SetDataV0(Records::MakeSnmpRecord("nms-east", 0xC0A8010A).constData()));
    m_host.PushDialog([&](QDialog* d) {
        FindCtrl<QLineEdit>(d, 1030)->setText(QStringLiteral("typed"));
        RECORDBLOCK block;
        block.count = 1;
        block.records = reinterpret_cast<const BYTE*>(kept.constData());
        block.size = size_t(kept.size());
        ASSERT_TRUE(m_method->SetData(&block, 0));
        FindCtrl<QPushButton>(d, IDOK)->click();
    });
    CWeakPtr<CSnmpRecipientLeaf> guard(leaf);
    EXPECT_TRUE(leaf->OnCmdMsg(ID_EDIT_EDIT, nullptr));
    EXPECT_FALSE(guard);
    EXPECT_EQ(m_host.BoxTexts(), QStringList{LoadString(IDS_EDITED_ITEM_GONE)});
    EXPECT_EQ(Written(), QList<QByteArray>{kept});
}

} // namespace

// Only the broadcast method removes recipients in its dialog; on an SNMP method leaf the delete
// command is not the method's, so it neither opens a dialog nor is answered there.
TEST_F(SnmpDlgTest, DeleteOnTheMethodLeafIsNotTheDialogsCommand)
{
    CCmdUI query(ID_EDIT_DELETE);
    EXPECT_FALSE(m_method->OnCmdMsg(ID_EDIT_DELETE, &query));
    EXPECT_FALSE(m_method->OnCmdMsg(ID_EDIT_DELETE, nullptr));
    EXPECT_EQ(m_method->ChildCount(), 0);

    auto* broadcast = new CBroadcastMethodLeaf;
    ASSERT_TRUE(m_table->InsertChild(broadcast));
    CCmdUI empty(ID_EDIT_DELETE);
    EXPECT_TRUE(broadcast->OnCmdMsg(ID_EDIT_DELETE, &empty));
    EXPECT_FALSE(empty.IsEnabled());
}

// New is offered on a method leaf only where a dialog makes the recipient.
TEST_F(SnmpDlgTest, NewIsOfferedOnlyByMethodsWithADialog)
{
    CCmdUI snmp(ID_EDIT_NEW);
    ASSERT_TRUE(m_method->OnCmdMsg(ID_EDIT_NEW, &snmp));
    EXPECT_TRUE(snmp.IsEnabled());

    auto* notes = new CNotesMethodLeaf;
    ASSERT_TRUE(m_table->InsertChild(notes));
    CCmdUI none(ID_EDIT_NEW);
    notes->OnCmdMsg(ID_EDIT_NEW, &none);
    EXPECT_FALSE(none.IsEnabled());
}
