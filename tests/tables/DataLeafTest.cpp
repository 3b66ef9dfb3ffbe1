// The versioned record contract of the data leaves and the method/recipient family on its own
// (no service): fallback to the nearest older version, versions outside 0-3, reloads that
// replace the children, record blocks whose count does not fit, the broadcast and SMTP record
// layouts, and the write path's empty list and allocation of exactly the serialised size.
#include "../common/TempWorld.h"

#include "framework/Commands.h"
#include "framework/ScriptedUiHost.h"
#include "framework/Switches.h"
#include "methods/MethodLeaf.h"
#include "platform/GlobalMemory.h"
#include "records/ByteField.h"
#include "records/RecipientRecords.h"
#include "tree/AbstractDataLeaf.h"
#include "tree/AlertTreeCtrl.h"

#include <QCoreApplication>
#include <gtest/gtest.h>
#include <memory>

namespace {

// Records which version's implementation ran; overrides the triples of versions 0 and 2 only.
class CProbeLeaf : public CAbstractDataLeaf {
public:
    QStringList calls;
    BOOL SetDataV0(const void*) override { calls << "set0"; return 1; }
    BOOL GetDataV0(OUTPUTDESC* out) override { calls << "get0"; out->count = 1; return 1; }
    size_t GetDataSizeV0() override { return 10; }
    BOOL SetDataV2(const void*) override { calls << "set2"; return 2; }
    BOOL GetDataV2(OUTPUTDESC* out) override { calls << "get2"; out->count = 2; return 1; }
    size_t GetDataSizeV2() override { return 20; }
};

// A block as the library hands it over: records back to back in a global block.
struct LibraryBlock {
    HGLOBAL block = nullptr;
    RECORDBLOCK records;
    LibraryBlock(const QList<QByteArray>& list, int32_t claimedCount = -1)
    {
        QByteArray bytes;
        for (const QByteArray& r : list)
            bytes += r;
        block = GlobalAlloc(GPTR, size_t(bytes.size()) + 1);
        std::memcpy(block, bytes.constData(), size_t(bytes.size()));
        records.count = claimedCount >= 0 ? claimedCount : int32_t(list.size());
        records.records = static_cast<const BYTE*>(block);
        records.size = size_t(bytes.size());
    }
    ~LibraryBlock() { GlobalFree(block); }
};

class DataLeafTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Switches::Reset();
        m_tree = std::make_unique<CAlertTreeCtrl>();
        m_root = std::make_unique<CAlertLeaf>(m_tree.get());
    }
    void TearDown() override
    {
        m_tree.reset();
        EXPECT_EQ(GlobalLiveBlocks(), m_liveBefore);
    }
    template <class T>
    T* Insert(T* leaf)
    {
        EXPECT_TRUE(m_root->InsertChild(leaf));
        return leaf;
    }
    static QStringList Names(CAlertLeaf* parent)
    {
        QStringList names;
        for (CAlertLeaf* c = parent->GetFirstChild(); c; c = c->GetNextSibling())
            names << c->GetName();
        return names;
    }
    // Serialises a method leaf as its write would, into a buffer of exactly its size.
    static QByteArray Serialise(CAbstractDataLeaf* leaf, int version, int32_t* count)
    {
        QByteArray bytes(qsizetype(leaf->GetDataSize(version)), '\0');
        OUTPUTDESC out;
        out.position = reinterpret_cast<BYTE*>(bytes.data());
        out.room = size_t(bytes.size());
        EXPECT_TRUE(leaf->GetData(&out, version));
        *count = out.count;
        return bytes;
    }

    TempWorld m_world;
    ScriptedUiHost m_host;
    ScopedUiHost m_hostScope{&m_host};
    long m_liveBefore = GlobalLiveBlocks();
    std::unique_ptr<CAlertTreeCtrl> m_tree;
    std::unique_ptr<CAlertLeaf> m_root;
};

TEST_F(DataLeafTest, VersionsNotOverriddenUseTheNearestOlderOne)
{
    CProbeLeaf leaf;
    EXPECT_EQ(leaf.SetData(nullptr, 1), 1);
    EXPECT_EQ(leaf.GetDataVersion(), 1);
    EXPECT_EQ(leaf.SetData(nullptr, 3), 2);
    EXPECT_EQ(leaf.calls, QStringList({"set0", "set2"}));

    EXPECT_EQ(leaf.GetDataSize(0), 10u);
    EXPECT_EQ(leaf.GetDataSize(1), 10u);
    EXPECT_EQ(leaf.GetDataSize(2), 20u);
    EXPECT_EQ(leaf.GetDataSize(3), 20u);

    OUTPUTDESC out;
    leaf.calls.clear();
    EXPECT_TRUE(leaf.GetData(&out, 1));
    EXPECT_EQ(out.count, 1);
    out = {};
    EXPECT_TRUE(leaf.GetData(&out, 3));
    EXPECT_EQ(out.count, 2);
    EXPECT_EQ(leaf.calls, QStringList({"get0", "get2"}));
}

TEST_F(DataLeafTest, VersionsOutsideTheRangeLoadAndSerialiseNothing)
{
    for (int version : {-1, 4, 10}) {
        CProbeLeaf leaf;
        EXPECT_EQ(leaf.SetData(nullptr, version), 0) << version;
        EXPECT_FALSE(leaf.IsDataSet());
        EXPECT_EQ(leaf.GetDataSize(version), 0u);
        OUTPUTDESC out;
        EXPECT_EQ(leaf.GetData(&out, version), 0);
        EXPECT_EQ(out.count, 0);
        EXPECT_TRUE(leaf.calls.isEmpty()) << leaf.calls.join(',').toStdString();
    }
    // A broadcast method leaf asked for version 4 keeps no recipients and reports size 0.
    auto* method = Insert(new CBroadcastMethodLeaf);
    LibraryBlock block({Records::MakeBroadcastRecord("SALES")});
    EXPECT_EQ(method->SetData(&block.records, 4), 0);
    EXPECT_FALSE(method->HasChildren());
    EXPECT_EQ(method->GetDataSize(4), 0u);
}

TEST_F(DataLeafTest, ReloadReplacesTheRecipients)
{
    auto* method = Insert(new CBroadcastMethodLeaf);
    LibraryBlock first({Records::MakeBroadcastRecord("SALES"), Records::MakeBroadcastRecord("\\\\PC01")});
    ASSERT_EQ(method->SetData(&first.records, 0), 1);
    EXPECT_EQ(Names(method), QStringList({"SALES", "\\\\PC01"}));

    LibraryBlock second({Records::MakeBroadcastRecord("OPS"), Records::MakeBroadcastRecord("HELPDESK"),
                         Records::MakeBroadcastRecord("\\\\PC02")});
    ASSERT_EQ(method->SetData(&second.records, 0), 1);
    EXPECT_EQ(Names(method), QStringList({"OPS", "HELPDESK", "\\\\PC02"}));
    EXPECT_FALSE(method->IsModified());
}

TEST_F(DataLeafTest, ABlockWhoseCountDoesNotFitLoadsNothing)
{
    auto* method = Insert(new CBroadcastMethodLeaf);
    LibraryBlock lying({Records::MakeBroadcastRecord("SALES")}, 2);
    EXPECT_EQ(method->SetData(&lying.records, 0), 0);
    EXPECT_FALSE(method->HasChildren());

    LibraryBlock negative({Records::MakeBroadcastRecord("SALES")}, 0);
    negative.records.count = -1;
    EXPECT_EQ(method->SetData(&negative.records, 0), 0);
    EXPECT_FALSE(method->HasChildren());

    // A huge count must not overflow the size check.
    LibraryBlock huge({Records::MakeBroadcastRecord("SALES")}, 0);
    huge.records.count = INT32_MAX;
    EXPECT_EQ(method->SetData(&huge.records, 0), 0);
}

TEST_F(DataLeafTest, BroadcastNamesRoundTripByTheStarConvention)
{
    auto* method = Insert(new CBroadcastMethodLeaf);
    const QByteArray fiftyOne(51, 'N');
    const QByteArray fiftyTwo(52, 'M');
    QByteArray stored(52, '\0');
    std::memcpy(stored.data(), "DOMAIN**", 8);
    LibraryBlock block({Records::MakeBroadcastRecord("SALES"), Records::MakeBroadcastRecord("\\\\PC01"), stored});
    ASSERT_EQ(method->SetData(&block.records, 0), 1);
    EXPECT_EQ(Names(method), QStringList({"SALES", "\\\\PC01", "DOMAIN*"}));

    // Two recipients typed by the user, at the lengths where the star is cut.
    auto* a = new CBroadcastRecipientLeaf;
    a->SetRecipientName(QString::fromLatin1(fiftyOne));
    method->InsertChild(a);
    auto* b = new CBroadcastRecipientLeaf;
    b->SetRecipientName(QString::fromLatin1(fiftyTwo));
    method->InsertChild(b);

    int32_t count = 0;
    const QByteArray bytes = Serialise(method, 0, &count);
    ASSERT_EQ(count, 5);
    ASSERT_EQ(bytes.size(), 5 * 52);
    auto field = [&](int i) { return Records::FieldBytes(bytes.constData() + i * 52, 52); };
    EXPECT_EQ(field(0), QByteArray("SALES*"));
    EXPECT_EQ(field(1), QByteArray("\\\\PC01"));
    EXPECT_EQ(field(2), QByteArray("DOMAIN**"));
    EXPECT_EQ(field(3), fiftyOne);
    EXPECT_EQ(field(4), fiftyTwo.left(51));
    // Bytes after each terminator stay zero.
    EXPECT_EQ(bytes.mid(6, 46), QByteArray(46, '\0'));
}

TEST_F(DataLeafTest, ABroadcastRecipientInAVersion3TableUsesItsVersion0Record)
{
    auto* method = Insert(new CBroadcastMethodLeaf);
    auto* recipient = new CBroadcastRecipientLeaf;
    method->InsertChild(recipient);
    const QByteArray record = Records::MakeBroadcastRecord("SALES");
    ASSERT_EQ(recipient->SetData(record.constData(), 3), 1);
    EXPECT_EQ(recipient->GetRecipientName(), QStringLiteral("SALES"));
    EXPECT_EQ(recipient->GetDataSize(3), 52u);
    int32_t count = 0;
    EXPECT_EQ(Serialise(recipient, 3, &count), record);
    EXPECT_EQ(count, 1);
}

TEST_F(DataLeafTest, SmtpRecipientsExistFromVersion2On)
{
    auto* method = Insert(new CSMTPMethodLeaf);
    const QByteArray record = Records::MakeSmtpRecord("ops@example.com", "Operations");
    ASSERT_EQ(record.size(), 197);
    LibraryBlock block({record});
    ASSERT_EQ(method->SetData(&block.records, 2), 1);
    ASSERT_EQ(method->ChildCount(), 1);
    auto* recipient = static_cast<CSMTPRecipientLeaf*>(method->GetFirstChild());
    EXPECT_EQ(recipient->GetAddress(), QStringLiteral("ops@example.com"));
    EXPECT_EQ(recipient->GetDisplayName(), QStringLiteral("Operations"));
    int32_t count = 0;
    EXPECT_EQ(Serialise(method, 2, &count), record);
    EXPECT_EQ(method->GetDataSize(3), 197u);
    // No SMTP record before version 2.
    EXPECT_EQ(recipient->GetDataSize(1), 0u);
    CSMTPRecipientLeaf loose;
    EXPECT_EQ(loose.SetData(record.constData(), 1), 0);
}

TEST_F(DataLeafTest, RecipientRowsFollowTheRequestedFormat)
{
    auto* method = Insert(new CBroadcastMethodLeaf);
    LibraryBlock block({Records::MakeBroadcastRecord("SALES"), Records::MakeBroadcastRecord("\\\\PC01")});
    ASSERT_EQ(method->SetData(&block.records, 0), 1);

    WORD format = 0;
    QString heading;
    QStringList rows;
    CLeafArray objects;
    // The method's own list, as the pane asks for it: method and recipient.
    method->GetDisplayData(method->GetDisplayFormat(), &format, &heading, &rows, &objects);
    EXPECT_EQ(format, DISPLAY_COLUMNS);
    EXPECT_EQ(heading, QString::fromUtf8("方式\t收件者"));
    EXPECT_EQ(rows, QStringList({QString::fromUtf8("廣播\tSALES"), QString::fromUtf8("廣播\t\\\\PC01")}));
    ASSERT_EQ(objects.size(), 2);
    EXPECT_EQ(objects[0], method->GetFirstChild());

    // The table's combined list asks for columns: method, recipient, kind.
    rows.clear();
    objects.clear();
    method->GetFirstChild()->GetDisplayData(DISPLAY_COLUMNS, &format, &heading, &rows, &objects);
    EXPECT_EQ(format, DISPLAY_LABELS);
    EXPECT_EQ(heading, QString::fromUtf8("收件者類型\t收件者名稱\t說明"));
    EXPECT_EQ(rows, QStringList({QString::fromUtf8("廣播\tSALES\t網路廣播接收者")}));

    rows.clear();
    objects.clear();
    method->GetFirstChild()->GetDisplayData(DISPLAY_LABELS, &format, &heading, &rows, &objects);
    EXPECT_EQ(format, DISPLAY_LABELS);
    EXPECT_EQ(heading, QString::fromUtf8("方式\t收件者"));
    EXPECT_EQ(rows, QStringList({QString::fromUtf8("廣播\tSALES")}));
}

TEST_F(DataLeafTest, PasteIsEnabledAndDeleteOfARecipientTellsTheMethod)
{
    auto* method = Insert(new CBroadcastMethodLeaf);
    LibraryBlock block({Records::MakeBroadcastRecord("SALES")});
    ASSERT_EQ(method->SetData(&block.records, 0), 1);

    CCmdUI paste(ID_EDIT_PASTE);
    EXPECT_TRUE(method->OnCmdMsg(ID_EDIT_PASTE, &paste));
    EXPECT_TRUE(paste.IsEnabled());

    EXPECT_FALSE(method->IsModified());
    ASSERT_TRUE(method->GetFirstChild()->OnCmdMsg(ID_EDIT_DELETE, nullptr));
    EXPECT_FALSE(method->HasChildren());
    EXPECT_TRUE(method->IsModified());
    int32_t count = -1;
    EXPECT_TRUE(Serialise(method, 0, &count).isEmpty());
    EXPECT_EQ(count, 0);
}

TEST_F(DataLeafTest, EventLogRecipientsKeepTheirAccountAndScrambleThePassword)
{
    auto* method = Insert(new CEventLogMethodLeaf);
    const QByteArray stored = Records::MakeEventLogRecord("\\\\SRV1", "CORP", "admin", "0123456789");
    ASSERT_EQ(stored.size(), 52);
    EXPECT_FALSE(stored.contains("0123456789"));
    LibraryBlock block({stored});
    ASSERT_EQ(method->SetData(&block.records, 0), 1);
    auto* recipient = static_cast<CEventLogRecipientLeaf*>(method->GetFirstChild());
    ASSERT_NE(recipient, nullptr);
    EXPECT_EQ(recipient->GetName(), QStringLiteral("\\\\SRV1"));
    EXPECT_EQ(recipient->GetDomain(), QStringLiteral("CORP"));
    EXPECT_EQ(recipient->GetUser(), QStringLiteral("admin"));
    EXPECT_EQ(recipient->GetPassword(), QStringLiteral("0123456789"));

    // A machine typed without backslashes travels with a star and comes back without it; texts
    // that do not fit leave a zero record that still counts, and say so.
    auto* typed = new CEventLogRecipientLeaf;
    typed->SetFields(QStringLiteral("SRV2"), QStringLiteral("CORP"), QStringLiteral("op"), QStringLiteral("pw"));
    method->InsertChild(typed);
    auto* tooLong = new CEventLogRecipientLeaf;
    // 6+1 + 4+1 + 5+1 texts and a 35-character password: 53 bytes.
    tooLong->SetFields(QStringLiteral("\\\\SRV3"), QStringLiteral("CORP"), QStringLiteral("admin"),
                       QString(35, QLatin1Char('x')));
    method->InsertChild(tooLong);

    int32_t count = 0;
    const QByteArray bytes = Serialise(method, 0, &count);
    ASSERT_EQ(count, 3);
    EXPECT_EQ(bytes.left(52), stored);
    EXPECT_EQ(Records::FieldBytes(bytes.constData() + 52, 52), QByteArray("SRV2*"));
    EXPECT_EQ(bytes.mid(104), QByteArray(52, '\0'));
    EXPECT_TRUE(m_host.BoxTexts().isEmpty()) << "no box turns the event loop while a list is written";
    QCoreApplication::processEvents();
    EXPECT_EQ(m_host.BoxTexts(), QStringList({QString::fromUtf8("壓縮事件日誌清單架構失敗。")}));

    m_host.Clear();
    LibraryBlock again({bytes.mid(52, 52)});
    ASSERT_EQ(method->SetData(&again.records, 0), 1);
    EXPECT_EQ(Names(method), QStringList({"SRV2"}));
    EXPECT_EQ(static_cast<CEventLogRecipientLeaf*>(method->GetFirstChild())->GetPassword(), QStringLiteral("pw"));

    // A record without terminators cannot be read.
    LibraryBlock garbage({QByteArray(52, 'G')});
    ASSERT_EQ(method->SetData(&garbage.records, 0), 1);
    EXPECT_TRUE(m_host.BoxTexts().isEmpty()) << "no box turns the event loop while a list loads";
    QCoreApplication::processEvents();
    EXPECT_EQ(m_host.BoxTexts(), QStringList({QString::fromUtf8("解壓縮事件日誌清單架構失敗。")}));
}

TEST_F(DataLeafTest, AStarOfANameBeginningWithBackslashesIsTheNamesOwn)
{
    // No star is appended to such a name, so none is taken off: read and written back, the
    // records are unchanged (the event-log one is the input that once failed the fuzz target).
    QByteArray broadcast(52, '\0');
    std::memcpy(broadcast.data(), "\\\\PC02*", 7);
    auto* broadcastMethod = Insert(new CBroadcastMethodLeaf);
    LibraryBlock broadcastBlock({broadcast});
    ASSERT_EQ(broadcastMethod->SetData(&broadcastBlock.records, 0), 1);
    EXPECT_EQ(Names(broadcastMethod), QStringList({"\\\\PC02*"}));
    int32_t count = 0;
    EXPECT_EQ(Serialise(broadcastMethod, 0, &count), broadcast);

    const QByteArray eventLog = Records::MakeEventLogRecord("\\\\`\\\\**", "", "", "");
    ASSERT_EQ(eventLog.left(10), QByteArray("\\\\`\\\\**\0\0\0", 10));
    auto* eventLogMethod = Insert(new CEventLogMethodLeaf);
    LibraryBlock eventLogBlock({eventLog});
    ASSERT_EQ(eventLogMethod->SetData(&eventLogBlock.records, 0), 1);
    EXPECT_EQ(Names(eventLogMethod), QStringList({"\\\\`\\\\**"}));
    EXPECT_EQ(Serialise(eventLogMethod, 0, &count), eventLog);
    EXPECT_TRUE(m_host.BoxTexts().isEmpty());
}

TEST_F(DataLeafTest, TicketRecipientsCarryTheBytesTheConsoleDoesNotRead)
{
    auto* method = Insert(new CTicketMethodLeaf);
    QByteArray record = Records::MakeTicketRecord("printer", "secret", "\\\\SRV1\\LASER");
    ASSERT_EQ(record.size(), 208);
    record[98] = char(0x5A);
    record[99] = char(0xA5);
    for (int i = 198; i < 208; ++i)
        record[i] = char(i);
    LibraryBlock block({record});
    ASSERT_EQ(method->SetData(&block.records, 0), 1);
    auto* recipient = static_cast<CTicketRecipientLeaf*>(method->GetFirstChild());
    ASSERT_NE(recipient, nullptr);
    EXPECT_EQ(recipient->GetName(), QStringLiteral("\\\\SRV1\\LASER"));
    EXPECT_EQ(recipient->GetServer(), QStringLiteral("\\\\SRV1"));
    EXPECT_EQ(recipient->GetQueue(), QStringLiteral("LASER"));

    int32_t count = 0;
    const QByteArray bytes = Serialise(method, 0, &count);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(Records::FieldBytes(bytes.constData(), 49), QByteArray("printer"));
    EXPECT_EQ(Records::FieldBytes(bytes.constData() + 49, 49), QByteArray("secret"));
    EXPECT_EQ(bytes.mid(98, 2), record.mid(98, 2));
    EXPECT_EQ(Records::FieldBytes(bytes.constData() + 100, 49), QByteArray("\\\\SRV1\\LASER"));
    EXPECT_EQ(Records::FieldBytes(bytes.constData() + 149, 49), QByteArray("\\\\SRV1"));
    EXPECT_EQ(bytes.mid(198), record.mid(198));

    WORD format = 0;
    QString heading;
    QStringList rows;
    CLeafArray objects;
    recipient->GetDisplayData(DISPLAY_COLUMNS, &format, &heading, &rows, &objects);
    recipient->GetDisplayData(DISPLAY_NOTHING, &format, &heading, &rows, &objects);
    EXPECT_EQ(rows, QStringList({QString::fromUtf8("問題通知表\t\\\\SRV1\\LASER\t伺服器名稱和列印佇列"),
                                 QString::fromUtf8("問題通知表\t\\\\SRV1\tLASER\tprinter")}));
    EXPECT_EQ(heading, QString::fromUtf8("方式\t伺服器名稱\t列印佇列\t連線身份"));
}

TEST_F(DataLeafTest, SnmpRecipientsShowTheAddressOfTheirSendMethod)
{
    auto* method = Insert(new CSnmpMethodLeaf);
    const QByteArray ip = Records::MakeSnmpRecord("nms1", 0x0A000005);
    QByteArray ipx(68, '\0');
    const char node[6] = {0x00, 0x1B, 0x2C, 0x3D, 0x4E, char(0xF5)};
    const char network[4] = {0x12, 0x34, char(0xAB), char(0xCD)};
    std::memcpy(ipx.data(), node, 6);
    std::memcpy(ipx.data() + 6, network, 4);
    Records::PutField(ipx.data() + 16, 51, "novell");
    ipx[67] = 1;
    QByteArray none(68, '\0');
    Records::PutField(none.data() + 16, 51, "unset");
    LibraryBlock block({ip, ipx, none});
    ASSERT_EQ(method->SetData(&block.records, 0), 1);
    ASSERT_EQ(method->ChildCount(), 3);
    auto* first = static_cast<CSnmpRecipientLeaf*>(method->GetFirstChild());
    EXPECT_EQ(first->GetIpText(), QStringLiteral("10.0.0.5"));
    EXPECT_EQ(first->GetImage(), 16);
    EXPECT_EQ(first->GetNextSibling()->GetImage(), 17);
    EXPECT_EQ(first->GetNextSibling()->GetNextSibling()->GetImage(), 3);

    WORD format = 0;
    QString heading;
    QStringList rows;
    CLeafArray objects;
    method->GetDisplayData(method->GetDisplayFormat(), &format, &heading, &rows, &objects);
    EXPECT_EQ(format, DISPLAY_COLUMNS);
    EXPECT_EQ(heading, QString::fromUtf8("方式\t使用者名稱\t傳送方式\t位址"));
    EXPECT_EQ(rows, QStringList({QStringLiteral("SNMP\tnms1\tIP\t10.0.0.5"),
                                 QStringLiteral("SNMP\tnovell\tIPX\t1234ABCD.001B2C3D4EF5"),
                                 QStringLiteral("SNMP\tunset\t\t")}));

    // The records go back byte for byte.
    int32_t count = 0;
    EXPECT_EQ(Serialise(method, 0, &count), ip + ipx + none);
    EXPECT_EQ(count, 3);
}

TEST_F(DataLeafTest, NotesRecipientsAreNamedByClassAndDisplayName)
{
    auto* method = Insert(new CNotesMethodLeaf);
    const QByteArray to = Records::MakeNotesRecord("Wang Fang", "wang.fang@korvane.example", 1);
    const QByteArray cc = Records::MakeNotesRecord("Desk", "desk@korvane.example", 2);
    ASSERT_EQ(to.size(), 440);
    LibraryBlock block({to, cc});
    // Notes lists travel as version 1; a version-0 load has no Notes record.
    ASSERT_EQ(method->SetData(&block.records, 1), 1);
    EXPECT_EQ(Names(method), QStringList({QString::fromUtf8("到:Wang Fang"), QString::fromUtf8("副本:Desk")}));
    int32_t count = 0;
    EXPECT_EQ(Serialise(method, 1, &count), to + cc);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(method->GetDataSize(0), 0u);

    WORD format = 0;
    QString heading;
    QStringList rows;
    CLeafArray objects;
    method->GetDisplayData(method->GetDisplayFormat(), &format, &heading, &rows, &objects);
    EXPECT_EQ(heading, QString::fromUtf8("方式\t名稱\t類型\t郵件位址"));
    EXPECT_EQ(rows, QStringList({QString::fromUtf8("Lotus Notes\tWang Fang\t到\twang.fang@korvane.example"),
                                 QString::fromUtf8("Lotus Notes\tDesk\t副本\tdesk@korvane.example")}));
    rows.clear();
    method->GetFirstChild()->GetDisplayData(DISPLAY_COLUMNS, &format, &heading, &rows, &objects);
    EXPECT_EQ(rows, QStringList({QString::fromUtf8("Lotus Notes\tWang Fang\tLotus Notes 郵件收件者")}));
}

TEST_F(DataLeafTest, PagerRecipientsCarryTheirReservedFieldsAndKnowTheirType)
{
    auto* method = Insert(new CPagerMethodLeaf);
    QByteArray numeric = Records::MakePagerRecord("Chen Wei", "5550101", 0, 7, "1234", "01");
    ASSERT_EQ(numeric.size(), 150);
    for (int i = 0; i < 18; ++i)
        numeric[i] = char(0xA0 + i);
    std::memcpy(numeric.data() + 61, ",,,", 3);
    std::memcpy(numeric.data() + 74, ",", 1);
    std::memcpy(numeric.data() + 135, "KEEP", 4);
    numeric[149] = char(0x77);
    QByteArray unknown = Records::MakePagerRecord("Nobody", "5550199", 2, 1);
    LibraryBlock block({numeric, unknown});
    ASSERT_EQ(method->SetData(&block.records, 0), 1);
    auto* first = static_cast<CPagerRecipientLeaf*>(method->GetFirstChild());
    auto* second = static_cast<CPagerRecipientLeaf*>(first->GetNextSibling());
    EXPECT_EQ(first->GetName(), QStringLiteral("Chen Wei"));
    EXPECT_EQ(first->GetPortId(), 7);
    EXPECT_EQ(first->GetMethodBit(), 2u);
    EXPECT_EQ(second->GetMethodBit(), 0u);
    EXPECT_EQ(second->GetTitle(), QString::fromUtf8("不明呼叫器類型"));

    int32_t count = 0;
    EXPECT_EQ(Serialise(method, 0, &count), numeric + unknown);

    WORD format = 0;
    QString heading;
    QStringList rows;
    CLeafArray objects;
    method->GetDisplayData(method->GetDisplayFormat(), &format, &heading, &rows, &objects);
    EXPECT_EQ(rows.first(), QString::fromUtf8("呼叫器\tChen Wei\t5550101\t數字頁面收件者\t1234\t01\t1\t3"));

    // A pager of unknown type sends no test alert.
    ASSERT_TRUE(second->OnCmdMsg(ID_EDIT_TEST_MESSAGE, nullptr));
    EXPECT_TRUE(m_host.BoxTexts().isEmpty());
}

TEST_F(DataLeafTest, EmailRecipientsAreNamedByClassAndTheMethodByItsClient)
{
    auto* method = Insert(new CEmailMethodLeaf(true));
    EXPECT_EQ(method->GetName(), QStringLiteral("Microsoft Exchange"));
    EXPECT_EQ(method->GetImage(), 29);
    EXPECT_EQ(method->GetTitle(), QString::fromUtf8("電子郵件"));
    CEmailMethodLeaf mail(false);
    EXPECT_EQ(mail.GetName(), QString::fromUtf8("Microsoft 郵件"));

    const QByteArray to = Records::MakeEmailRecord("Operations", 1);
    const QByteArray cc = Records::MakeEmailRecord("Help Desk", 2);
    LibraryBlock block({to, cc});
    ASSERT_EQ(method->SetData(&block.records, 0), 1);
    EXPECT_EQ(Names(method), QStringList({QString::fromUtf8("到:Operations"), QString::fromUtf8("副本:Help Desk")}));
    int32_t count = 0;
    EXPECT_EQ(Serialise(method, 0, &count), to + cc);

    WORD format = 0;
    QString heading;
    QStringList rows;
    CLeafArray objects;
    method->GetDisplayData(method->GetDisplayFormat(), &format, &heading, &rows, &objects);
    EXPECT_EQ(heading, QString::fromUtf8("方式\t使用者名稱\t類型"));
    EXPECT_EQ(rows, QStringList({QString::fromUtf8("電子郵件\tOperations\t到"),
                                 QString::fromUtf8("電子郵件\tHelp Desk\t副本")}));
}

} // namespace
