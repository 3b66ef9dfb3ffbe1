// The pager dialog: the port list read from the machine's port files (the single-configuration
// text, a missing default file, a configuration that is gone, a missing port file), the record
// it leaves (delays as runs of commas, the chosen port id, texts cut to their fields' bytes, the
// reserved fields and anything not shown kept), and new recipients that leave nothing behind.
#include "PortsTestSupport.h"

#include "framework/Commands.h"
#include "methods/MethodLeaf.h"
#include "methods/PagerDlg.h"
#include "records/ByteField.h"
#include "records/RecipientRecords.h"
#include "tree/MessageText.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <cstring>

using namespace PortsTest;

namespace {

// Stands in for the application table: counts the notices (each one a write) its methods send.
class CNoticeLeaf : public CAlertLeaf {
public:
    int notices = 0;
    void ChildModified(CAlertLeaf*) override { ++notices; }
};

class PagerDlgTest : public Fixture {
protected:
    void SetUp() override
    {
        Fixture::SetUp();
        m_table = new CNoticeLeaf;
        ASSERT_TRUE(m_server->InsertChild(m_table));
        m_method = new CPagerMethodLeaf;
        ASSERT_TRUE(m_table->InsertChild(m_method));
        WritePorts(Header(3), {Port(1, 1, "System default"), Port(2, 2, "Modem on COM2")});
        WriteDefault(2);
    }
    // The records the method would write, in order.
    QList<QByteArray> Written()
    {
        QByteArray bytes(qsizetype(m_method->GetDataSize(0)), '\0');
        OUTPUTDESC out;
        out.position = reinterpret_cast<BYTE*>(bytes.data());
        out.room = size_t(bytes.size());
        EXPECT_TRUE(m_method->GetData(&out, 0));
        QList<QByteArray> list;
        for (int i = 0; i < out.count; ++i)
            list << bytes.mid(i * 150, 150);
        return list;
    }
    // An existing recipient from a record.
    CPagerRecipientLeaf* Existing(const QByteArray& record)
    {
        auto* leaf = new CPagerRecipientLeaf;
        EXPECT_TRUE(m_method->InsertChild(leaf));
        EXPECT_TRUE(leaf->SetDataV0(record.constData()));
        return leaf;
    }
    static QStringList Items(QDialog* d)
    {
        QStringList items;
        auto* list = FindCtrl<QComboBox>(d, 1011);
        for (int i = 0; i < list->count(); ++i)
            items << list->itemText(i);
        return items;
    }
    static QByteArray Text(const QByteArray& record, int offset, int size)
    {
        return Records::FieldBytes(record.constData() + offset, size);
    }

    CNoticeLeaf* m_table = nullptr;
    CPagerMethodLeaf* m_method = nullptr;
};

TEST_F(PagerDlgTest, ANewRecipientOffersTheConfigurationsAndStoresTheChosenOne)
{
    m_host.PushDialog([](QDialog* d) {
        EXPECT_EQ(d->windowTitle(), U("呼叫器配置"));
        EXPECT_EQ(Items(d), QStringList({"COM1 - System default", "COM2 - Modem on COM2"}));
        auto* ports = FindCtrl<QComboBox>(d, 1011);
        EXPECT_EQ(ports->currentIndex(), 1);   // a new recipient starts on the default
        auto* ok = FindCtrl<QPushButton>(d, IDOK);
        EXPECT_FALSE(ok->isEnabled());
        FindCtrl<QLineEdit>(d, 1002)->setText(U("陳大文"));
        EXPECT_FALSE(ok->isEnabled());       // the number is missing still
        FindCtrl<QLineEdit>(d, 1003)->setText(QStringLiteral("5551234"));
        EXPECT_TRUE(ok->isEnabled());
        auto* type = FindCtrl<QComboBox>(d, 1004);
        EXPECT_EQ(type->count(), 2);
        EXPECT_EQ(type->itemText(1), U("字母數字"));
        type->setCurrentIndex(1);
        FindCtrl<QLineEdit>(d, 1005)->setText(QStringLiteral("PID7"));
        FindCtrl<QLineEdit>(d, 1006)->setText(QStringLiteral("S1"));
        auto* connection = FindCtrl<QSpinBox>(d, 1008);
        EXPECT_EQ(connection->maximum(), 7);
        connection->setValue(3);
        ports->setCurrentIndex(0);
        ok->click();
    });
    ASSERT_TRUE(m_method->OnCmdMsg(ID_EDIT_NEW, nullptr));
    const QList<QByteArray> records = Written();
    ASSERT_EQ(records.size(), 1);
    const QByteArray& r = records[0];
    EXPECT_EQ(Records::U16At(r.constData() + 18), 1);
    EXPECT_EQ(Text(r, 20, 25), QByteArray("5551234"));
    EXPECT_EQ(Text(r, 45, 11), QByteArray("PID7"));
    EXPECT_EQ(Text(r, 56, 5), QByteArray("S1"));
    EXPECT_EQ(Text(r, 61, 13), QByteArray(",,,"));
    EXPECT_EQ(Text(r, 74, 13), QByteArray());
    EXPECT_EQ(Text(r, 87, 48), U("陳大文").toUtf8());
    EXPECT_EQ(uint8_t(r[148]), 1);
    EXPECT_EQ(m_table->notices, 1);
    CAlertLeaf* leaf = m_method->GetFirstChild();
    ASSERT_NE(leaf, nullptr);
    EXPECT_EQ(leaf->GetName(), U("陳大文"));
    // The list shows the delays as counts: message 0, connection 3.
    QStringList rows;
    WORD format = 0;
    QString heading;
    CLeafArray objects;
    m_method->GetDisplayData(m_method->GetDisplayFormat(), &format, &heading, &rows, &objects);
    EXPECT_EQ(rows, QStringList({U("呼叫器\t陳大文\t5551234\t字母數字頁面收件者\tPID7\tS1\t0\t3")}));
    EXPECT_TRUE(m_host.BoxTexts().isEmpty());
}

TEST_F(PagerDlgTest, ASingleConfigurationIsOfferedWithTheDefaultText)
{
    WritePorts(Header(2), {Port(1, 1, "System default")});
    m_host.PushDialog([](QDialog* d) {
        EXPECT_EQ(Items(d), QStringList({U("COM1 - 字母數字呼叫器設定 (預設)")}));
        EXPECT_EQ(FindCtrl<QComboBox>(d, 1011)->currentIndex(), 0);
        d->reject();
    });
    m_method->NewItem(0, 0, 0);
    // 5118: the default (2) is not among the records.
    EXPECT_EQ(m_host.BoxTexts(), QStringList({LoadString(5118)}));
}

TEST_F(PagerDlgTest, WithoutTheDefaultFileNothingIsSelectedAndOkKeepsTheStoredId)
{
    ASSERT_TRUE(QFile::remove(m_world.Path(kDefaultFile)));
    CPagerRecipientLeaf* leaf = Existing(Records::MakePagerRecord("Ann", "555", 0, 2));
    m_host.PushDialog([](QDialog* d) {
        EXPECT_EQ(FindCtrl<QComboBox>(d, 1011)->currentIndex(), -1);
        FindCtrl<QLineEdit>(d, 1003)->setText(QStringLiteral("556"));
        FindCtrl<QPushButton>(d, IDOK)->click();
    });
    leaf->OnCmdMsg(ID_EDIT_EDIT, nullptr);
    EXPECT_EQ(m_host.BoxTexts(), QStringList({FormatString(5111, {kThisComputer})}));
    const QList<QByteArray> records = Written();
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(Records::U16At(records[0].constData() + 18), 2);
    EXPECT_EQ(Text(records[0], 20, 25), QByteArray("556"));
}

TEST_F(PagerDlgTest, AConfigurationThatIsGoneIsReportedAndTheDefaultOffered)
{
    CPagerRecipientLeaf* leaf = Existing(Records::MakePagerRecord("Ann", "555", 0, 9));
    m_host.PushDialog([](QDialog* d) {
        EXPECT_EQ(FindCtrl<QComboBox>(d, 1011)->currentText(), QStringLiteral("COM2 - Modem on COM2"));
        FindCtrl<QPushButton>(d, IDOK)->click();
    });
    leaf->OnDoubleClick(0, 0, 0);
    EXPECT_EQ(m_host.BoxTexts(), QStringList({LoadString(5118)}));
    EXPECT_EQ(Records::U16At(Written().at(0).constData() + 18), 2);

    // When the default is gone too, the first configuration is offered.
    WriteDefault(8);
    m_host.Clear();
    m_host.PushDialog([](QDialog* d) {
        EXPECT_EQ(FindCtrl<QComboBox>(d, 1011)->currentIndex(), 0);
        d->reject();
    });
    leaf = Existing(Records::MakePagerRecord("Bob", "556", 0, 9));
    leaf->OnDoubleClick(0, 0, 0);
    EXPECT_EQ(m_host.BoxTexts(), QStringList({LoadString(5118)}));
}

TEST_F(PagerDlgTest, WithoutThePortFileTheListSaysSoAndTheStoredIdStays)
{
    ASSERT_TRUE(QFile::remove(m_world.Path(kPortsFile)));
    CPagerRecipientLeaf* leaf = Existing(Records::MakePagerRecord("Ann", "555", 0, 2));
    m_host.PushDialog([](QDialog* d) {
        EXPECT_EQ(Items(d), QStringList({LoadString(3529)}));
        EXPECT_EQ(FindCtrl<QComboBox>(d, 1011)->currentIndex(), 0);
        FindCtrl<QPushButton>(d, IDOK)->click();
    });
    leaf->OnDoubleClick(0, 0, 0);
    EXPECT_TRUE(m_host.BoxTexts().isEmpty()) << m_host.BoxTexts().join('|').toStdString();
    EXPECT_EQ(Records::U16At(Written().at(0).constData() + 18), 2);
}

TEST_F(PagerDlgTest, WhatTheDialogDoesNotChangeIsKeptByteForByte)
{
    // Reserved fields set, a connection delay longer than the spin shows, an unknown type.
    QByteArray record = Records::MakePagerRecord("Ann", "555", 2, 1, "P", "S");
    for (int i = 0; i < 18; ++i)
        record[i] = char(0x11 + i);
    Records::PutField(record.data() + 61, 13, QByteArray(10, ','));
    Records::PutField(record.data() + 74, 13, QByteArray(12, ','));
    Records::PutField(record.data() + 135, 13, "reserved");
    record[149] = char(0x5A);
    CPagerRecipientLeaf* leaf = Existing(record);
    m_host.PushDialog([](QDialog* d) {
        EXPECT_EQ(FindCtrl<QComboBox>(d, 1004)->currentIndex(), -1);
        EXPECT_EQ(FindCtrl<QSpinBox>(d, 1008)->value(), 7);
        auto* message = FindCtrl<QSpinBox>(d, 1010);
        EXPECT_EQ(message->value(), 7);
        message->setValue(5);
        FindCtrl<QPushButton>(d, IDOK)->click();
    });
    leaf->OnDoubleClick(0, 0, 0);
    QByteArray expected = record;
    Records::PutField(expected.data() + 74, 13, ",,,,,");
    EXPECT_EQ(Written().at(0), expected);
}

TEST_F(PagerDlgTest, TextsAreTypedUpToTheBytesTheirFieldsHold)
{
    CPagerRecipientLeaf* leaf = Existing(Records::MakePagerRecord("Ann", "555", 0, 1));
    m_host.PushDialog([](QDialog* d) {
        auto* owner = FindCtrl<QLineEdit>(d, 1002);
        owner->clear();
        owner->setFocus();
        // 15 characters of three bytes fill 45 of the 47 bytes; the 16th does not fit.
        for (int i = 0; i < 16; ++i)
            QTest::sendKeyEvent(QTest::Click, owner, Qt::Key_unknown, QString(QChar(0x738B)), Qt::NoModifier);
        EXPECT_EQ(owner->text(), QString(15, QChar(0x738B)));
        auto* site = FindCtrl<QLineEdit>(d, 1006);
        site->clear();
        QTest::keyClicks(site, QStringLiteral("ABCDE"));
        EXPECT_EQ(site->text(), QStringLiteral("ABCD"));
        FindCtrl<QPushButton>(d, IDOK)->click();
    });
    leaf->OnDoubleClick(0, 0, 0);
    const QByteArray r = Written().at(0);
    EXPECT_EQ(Text(r, 87, 48), QString(15, QChar(0x738B)).toUtf8());
    EXPECT_EQ(Text(r, 56, 5), QByteArray("ABCD"));
}

TEST_F(PagerDlgTest, ACancelledNewRecipientLeavesNothingAndWritesNothing)
{
    m_host.PushDialog([](QDialog* d) {
        FindCtrl<QLineEdit>(d, 1002)->setText(QStringLiteral("Temp"));
        FindCtrl<QLineEdit>(d, 1003)->setText(QStringLiteral("1"));
        d->reject();
    });
    m_method->OnCmdMsg(ID_EDIT_NEW, nullptr);
    EXPECT_FALSE(m_method->HasChildren());
    EXPECT_EQ(m_table->notices, 0);
    EXPECT_FALSE(m_method->IsModified());
}

TEST_F(PagerDlgTest, ARecipientThatGoesWhileItsDialogIsOpenIsNotTouched)
{
    CPagerRecipientLeaf* leaf = Existing(Records::MakePagerRecord("Ann", "555", 0, 1));
    m_host.PushDialog([leaf](QDialog* d) {
        leaf->DeleteLeaf();   // as a table reload would
        FindCtrl<QPushButton>(d, IDOK)->click();
    });
    EXPECT_FALSE(CPagerDlg::Edit(leaf));
    EXPECT_FALSE(m_method->HasChildren());
}

} // namespace
