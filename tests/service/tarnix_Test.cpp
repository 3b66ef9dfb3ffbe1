// The configuration library through its C entry points: every record kind byte for byte,
// refused input that writes nothing, change dates, access without a connection, the calls that
// need the running service.
#include "tarnix_Support.h"

#include "extern/Plenkor.h"
#include "extern/Tarnix.h"
#include "platform/Timing.h"
#include "records/EventLogTable.h"
#include "platform/Registry.h"
#include "records/ByteField.h"
#include "records/RecipientRecords.h"
#include "records/Statistics.h"
#include "tarnix/AltTable.h"
#include "tarnix/MachineStore.h"

#include <QProcess>
#include <functional>
#include <QSet>

using namespace StoreTest;

namespace {

using GetFn = int32_t (*)(const char*, int32_t*, void**, const char*);
using SetFn = int32_t (*)(const char*, int32_t, void*, uint8_t, const char*);

int32_t SetEMailPlain(const char* m, int32_t c, void* b, uint8_t n, const char* a)
{
    const QByteArray image(3944, '\0');
    return AlertSetEMail(m, c, b, image.constData(), n, a);
}
int32_t SetTicketPlain(const char* m, int32_t c, void* b, uint8_t n, const char* a)
{
    const QByteArray image(3944, '\0');
    return AlertSetTTixPRINTQ_HEADER(m, c, b, image.constData(), n, a);
}

struct ListCall {
    const char* name;
    GetFn get;
    SetFn set;
    int recordSize;
};

const ListCall kLists[] = {
    {"broadcast", AlertGetBroadcast, AlertSetBroadcast, 52},
    {"pager", AlertGetPager, AlertSetPager, 150},
    {"email", AlertGetEMail, SetEMailPlain, 56},
    {"snmp", AlertGetSnmp, AlertSetSnmp, 68},
    {"ticket", AlertGetTTixPRINTQ_HEADER, SetTicketPlain, 208},
    {"eventlog", AlertGetEventLog, AlertSetEventLog, 52},
    {"notes", AlertGetLotusNotes, AlertSetLotusNotes, 440},
    {"smtp", AlertGetSMTP, AlertSetSMTP, 197},
};

QByteArray GetListBytes(const ListCall& call, const char* machine, const char* app, int32_t* count)
{
    void* block = nullptr;
    *count = -1;
    if (call.get(machine, count, &block, app) != 1)
        return QByteArray("<failed>");
    QByteArray bytes = block ? Bytes(block, static_cast<qsizetype>(*count) * call.recordSize) : QByteArray();
    if (block) {
        EXPECT_EQ(GlobalFree(block), nullptr);
    }
    return bytes;
}

int32_t SetListBytes(const ListCall& call, const char* machine, const char* app, const QByteArray& records)
{
    const int32_t count = static_cast<int32_t>(records.size() / call.recordSize);
    void* block = count > 0 ? Block(records) : nullptr;
    const int32_t rc = call.set(machine, count, block, count != 0, app);
    if (block)
        GlobalFree(block);
    return rc;
}

QString CfgDate(const char* machine, const char* app)
{
    char text[256];
    std::memset(text, 'x', sizeof text);
    if (AlertGetCFGDate(machine, app, text) != 1)
        return QString();
    return QString::fromUtf8(text);
}

class TarnixTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        MakeWorld();
        m_liveBlocks = GlobalLiveBlocks();
    }
    void TearDown() override { EXPECT_EQ(GlobalLiveBlocks(), m_liveBlocks) << "a block was not freed"; }
    QString WindowsDir(const char* machine = "TESTPC") const
    {
        return m_world.Path(QStringLiteral("machines/%1/drives/C/WINDOWS").arg(QString::fromLatin1(machine)));
    }
    QString MachineDir(const char* machine = "TESTPC") const
    {
        return m_world.Path(QStringLiteral("machines/%1").arg(QString::fromLatin1(machine)));
    }

    TempWorld m_world;
    long m_liveBlocks = 0;
};

} // namespace

TEST_F(TarnixTest, EveryRecipientListRoundTripsByteForByte)
{
    quint32 seed = 1;
    for (const ListCall& call : kLists) {
        SCOPED_TRACE(call.name);
        const QByteArray records = RandomBytes(3 * call.recordSize, seed++);
        ASSERT_EQ(SetListBytes(call, "TESTPC", "QUELLIT", records), 1);
        int32_t count = 0;
        EXPECT_EQ(GetListBytes(call, "TESTPC", "quellit", &count), records);
        EXPECT_EQ(count, 3);
    }
    // Each list kept its own records through the other writes.
    seed = 1;
    for (const ListCall& call : kLists) {
        int32_t count = 0;
        EXPECT_EQ(GetListBytes(call, "TESTPC", "QUELLIT", &count), RandomBytes(3 * call.recordSize, seed++))
            << call.name;
    }
    // An empty list is written too, and reads back with no block.
    ASSERT_EQ(AlertSetSnmp("TESTPC", 0, nullptr, 0, "QUELLIT"), 1);
    int32_t count = -1;
    void* block = reinterpret_cast<void*>(1);
    ASSERT_EQ(AlertGetSnmp("TESTPC", &count, &block, "QUELLIT"), 1);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(block, nullptr);
}

TEST_F(TarnixTest, AMissingTableIsNoList)
{
    int32_t count = 0;
    void* block = nullptr;
    EXPECT_EQ(AlertGetBroadcast("TESTPC", &count, &block, "NOSUCH"), 0);
    int32_t version = -1;
    EXPECT_EQ(AlertGetALSTRUCTVer("TESTPC", &version, "NOSUCH"), 0);
    EXPECT_EQ(CfgDate("TESTPC", "NOSUCH"), QString());
    ASSERT_EQ(AlertGetALSTRUCTVer("TESTPC", &version, "Alert"), 1);
    EXPECT_EQ(version, 3);
}

TEST_F(TarnixTest, RefusedListWritesLeaveEveryFileAlone)
{
    ASSERT_EQ(SetListBytes(kLists[0], "TESTPC", "QUELLIT", RandomBytes(104, 3)), 1);
    const auto before = Snapshot(m_world.Root());
    const QByteArray two = RandomBytes(104, 4);
    void* block = Block(two);
    char foreign[104] = {};
    const char* badMachines[] = {nullptr, "", ".", "..", "A/B", "A\\B", "TOOLONGMACHINENAME", "\\\\TESTPC", "NOSUCH"};
    for (const char* m : badMachines)
        EXPECT_EQ(AlertSetBroadcast(m, 2, block, 1, "QUELLIT"), 0) << (m ? m : "null");
    const char* badApps[] = {nullptr, "", "NINECHARS", "../X", "A.B", "A B", "..", "C:X", "A\\B", "\xe6\xb8\xac"};
    for (const char* a : badApps)
        EXPECT_EQ(AlertSetBroadcast("TESTPC", 2, block, 1, a), 0) << (a ? a : "null");
    EXPECT_EQ(AlertSetBroadcast("TESTPC", -1, block, 1, "QUELLIT"), 0);
    EXPECT_EQ(AlertSetBroadcast("TESTPC", 3, block, 1, "QUELLIT"), 0);        // 3 records do not fit 104 bytes
    EXPECT_EQ(AlertSetBroadcast("TESTPC", 2, foreign, 1, "QUELLIT"), 0);      // not a global block
    EXPECT_EQ(AlertSetBroadcast("TESTPC", 2, nullptr, 1, "QUELLIT"), 0);
    EXPECT_EQ(AlertSetBroadcast("TESTPC", 2, block, 0, "QUELLIT"), 0);        // flag says empty
    EXPECT_EQ(AlertSetBroadcast("TESTPC", 0, nullptr, 1, "QUELLIT"), 0);      // flag says not empty
    EXPECT_EQ(AlertSetBroadcast("TESTPC", 0x7FFFFFFF, block, 1, "QUELLIT"), 0);
    GlobalFree(block);
    EXPECT_EQ(Snapshot(m_world.Root()), before);
    int32_t count = 0;
    void* out = nullptr;
    EXPECT_EQ(AlertGetBroadcast("TESTPC", nullptr, &out, "QUELLIT"), 0);
    EXPECT_EQ(AlertGetBroadcast("TESTPC", &count, nullptr, "QUELLIT"), 0);
}

TEST_F(TarnixTest, EmailAndTicketWritesTakeOnlyTheirOwnImageFields)
{
    const QByteArray stored = RandomBytes(3944, 21);
    {
        const World::ScopedLocalMachine scope(QStringLiteral("TESTPC"));
        Tarnix::AltTable table;
        table.alStruct = stored;
        ASSERT_EQ(Tarnix::MachineStore(QStringLiteral("TESTPC")).WriteTable("QUELLIT", table), 0u);
    }
    QByteArray image(3944, '\0');
    Records::PutField(image.data() + 566, 257, "New subject");
    Records::PutU16(image.data() + 1032, 1);
    Records::PutField(image.data() + 1036, 256, "C:\\ALERT\\A.TXT");
    Records::PutField(image.data(), 73, "Header line");
    void* block = Block(RandomBytes(56, 5));
    ASSERT_EQ(AlertSetEMail("TESTPC", 1, block, image.constData(), 1, "QUELLIT"), 1);
    QByteArray read(3944, '\0');
    ASSERT_EQ(AlertReadEverySetting("TESTPC", nullptr, nullptr, read.data(), "QUELLIT"), 1);
    EXPECT_EQ(read.mid(566, 3596 - 566), image.mid(566, 3596 - 566));
    EXPECT_EQ(read.left(566), stored.left(566));          // the ticket header was not the e-mail's
    EXPECT_EQ(read.mid(3596), stored.mid(3596));
    GlobalFree(block);

    block = Block(RandomBytes(208, 6));
    ASSERT_EQ(AlertSetTTixPRINTQ_HEADER("TESTPC", 1, block, image.constData(), 1, "QUELLIT"), 1);
    ASSERT_EQ(AlertReadEverySetting("TESTPC", nullptr, nullptr, read.data(), "QUELLIT"), 1);
    EXPECT_EQ(read.left(73), image.left(73));
    EXPECT_EQ(read.mid(73, 566 - 73), stored.mid(73, 566 - 73));

    // Attributes the image cannot hold are refused whole: eleven attachments, an endless subject.
    const auto before = Snapshot(WindowsDir());
    QByteArray bad = image;
    Records::PutU16(bad.data() + 1032, 11);
    EXPECT_EQ(AlertSetEMail("TESTPC", 0, nullptr, bad.constData(), 0, "QUELLIT"), 0);
    bad = image;
    std::memset(bad.data() + 566, 'S', 257);
    EXPECT_EQ(AlertSetEMail("TESTPC", 0, nullptr, bad.constData(), 0, "QUELLIT"), 0);
    bad = image;
    std::memset(bad.data(), 'H', 73);
    EXPECT_EQ(AlertSetTTixPRINTQ_HEADER("TESTPC", 1, block, bad.constData(), 1, "QUELLIT"), 0);
    EXPECT_EQ(AlertSetEMail("TESTPC", 0, nullptr, nullptr, 0, "QUELLIT"), 0);
    GlobalFree(block);
    EXPECT_EQ(Snapshot(WindowsDir()), before);
}

TEST_F(TarnixTest, MailAttributesLieInsideTheImageAtTheirOffsets)
{
    QByteArray image(3944, '\0');
    Records::PutField(image.data() + 566, 257, "Subject \xe6\xb8\xac");
    Records::PutU16(image.data() + 1032, 2);
    Records::PutField(image.data() + 1036, 256, "C:\\A.TXT");
    Records::PutField(image.data() + 1036 + 256, 256, "C:\\B.TXT");
    auto* count = reinterpret_cast<uint16_t*>(image.data() + 1032);
    ASSERT_EQ(AlertSetMailAttributes("TESTPC", image.data() + 566, count, "QUELLIT"), 0);
    QByteArray back(3944, '\0');
    ASSERT_EQ(AlertGetMailAttributes("TESTPC", back.data() + 566, reinterpret_cast<uint16_t*>(back.data() + 1032),
                                     "QUELLIT"), 0);
    EXPECT_EQ(back.mid(566, 257), image.mid(566, 257));
    EXPECT_EQ(back.mid(1032, 2), image.mid(1032, 2));
    EXPECT_EQ(back.mid(1036, 2560), image.mid(1036, 2560));
    QByteArray read(3944, '\0');
    ASSERT_EQ(AlertReadEverySetting("TESTPC", nullptr, nullptr, read.data(), "QUELLIT"), 1);
    EXPECT_EQ(read.mid(1036, 512), image.mid(1036, 512));

    Records::PutU16(image.data() + 1032, 11);
    EXPECT_EQ(AlertSetMailAttributes("TESTPC", image.data() + 566, count, "QUELLIT"), 87);
    EXPECT_EQ(AlertGetMailAttributes("TESTPC", back.data() + 566, count, "NOSUCH"), 2);
    EXPECT_EQ(AlertGetMailAttributes("NOSUCH", back.data() + 566, count, "QUELLIT"), 1722);
}

TEST_F(TarnixTest, SettingsRecordsRoundTripAndSayWhenNothingIsStored)
{
    struct {
        int32_t (*get)(const char*, void*);
        int32_t (*set)(const char*, void*);
        int size;
        QList<QPair<int, int>> texts;
    } kinds[] = {
        {AlertGetAccountInfo, AlertSetAccountInfo, 512, {{0, 48}, {48, 48}, {96, 48}, {144, 48}, {192, 48}}},
        {AlertGetNotesAccountInfo, AlertSetNotesAccountInfo, 912, {{0, 48}, {48, 48}, {96, 256}, {352, 256}, {608, 256}}},
        {AlertGetSMTPConfigInfo, AlertSetSMTPConfigInfo, 1228, {{0, 256}, {256, 256}, {512, 256}, {768, 150}, {918, 50}}},
    };
    quint32 seed = 40;
    for (auto& kind : kinds) {
        QByteArray got(kind.size, 'x');
        EXPECT_EQ(kind.get("TESTPC", got.data()), 2);
        EXPECT_EQ(got, QByteArray(kind.size, '\0'));
        QByteArray record = RandomBytes(kind.size, seed++);
        for (const auto& [offset, width] : kind.texts)
            record[offset + width - 1] = '\0';
        if (kind.size == 912)
            Records::PutU16(record.data() + 864, 1);
        if (kind.size == 1228) {
            Records::PutU32(record.data() + 968, 1);
            Records::PutU32(record.data() + 972, 587);
            Records::PutU32(record.data() + 976, 2);
        }
        ASSERT_EQ(kind.set("TESTPC", record.data()), 0) << kind.size;
        EXPECT_EQ(kind.get("TESTPC", got.data()), 0);
        EXPECT_EQ(got, record);

        // A text without its NUL is refused and the stored record stays.
        const auto before = Snapshot(WindowsDir());
        QByteArray bad = record;
        const auto [offset, width] = kind.texts.last();
        std::memset(bad.data() + offset, 'A', width);
        EXPECT_EQ(kind.set("TESTPC", bad.data()), 87);
        EXPECT_EQ(kind.set("NOSUCH", record.data()), 1722);
        EXPECT_EQ(kind.set("TESTPC", nullptr), 87);
        EXPECT_EQ(Snapshot(WindowsDir()), before);
    }
    QByteArray smtp(1228, '\0');
    Records::PutU32(smtp.data() + 976, 3);   // no such transport security
    EXPECT_EQ(AlertSetSMTPConfigInfo("TESTPC", smtp.data()), 87);
}

TEST_F(TarnixTest, TheAccountTestKnowsTheMachinesAccounts)
{
    auto record = [](const char* domain, const char* user, const char* password) {
        QByteArray r(512, '\0');
        Records::PutField(r.data(), 48, domain);
        Records::PutField(r.data() + 48, 48, user);
        Records::PutField(r.data() + 96, 48, password);
        return r;
    };
    QByteArray r = record("KORVANE", "Administrator", "secret");
    EXPECT_EQ(AlertTestAccountInfo("TESTPC", r.data()), 0);
    r = record("korvane", "administrator", "secret");
    EXPECT_EQ(AlertTestAccountInfo("TESTPC", r.data()), 0);
    r = record("KORVANE", "Administrator", "Secret");
    EXPECT_EQ(AlertTestAccountInfo("TESTPC", r.data()), 1326);
    r = record("OTHER", "Administrator", "secret");
    EXPECT_EQ(AlertTestAccountInfo("TESTPC", r.data()), 1326);
    r = record("KORVANE", "", "");
    EXPECT_EQ(AlertTestAccountInfo("TESTPC", r.data()), 1326);
    EXPECT_EQ(AlertTestAccountInfo("NOSUCH", r.data()), 1722);
}

TEST_F(TarnixTest, TheChangeDateMovesOnEveryWriteEvenWithinOneSecond)
{
    const QByteArray records = RandomBytes(52, 9);
    QStringList dates;
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(SetListBytes(kLists[0], "TESTPC", "QUELLIT", records), 1);
        dates << CfgDate("TESTPC", "QUELLIT");
    }
    ASSERT_FALSE(dates[0].isEmpty());
    for (int i = 1; i < dates.size(); ++i)
        EXPECT_NE(dates[i], dates[i - 1]);
    // Reading does not move it.
    EXPECT_EQ(CfgDate("TESTPC", "QUELLIT"), dates.last());
    char area12[12];
    char area96[96];
    QByteArray image(3944, '\0');
    ASSERT_EQ(AlertReadEverySetting("TESTPC", area12, area96, image.data(), "QUELLIT"), 1);
    EXPECT_EQ(Records::I32At(area12), 3);          // version of a new table
    EXPECT_EQ(Records::U32At(area12 + 4), 4u);     // four writes
    EXPECT_EQ(Records::U32At(area12 + 8), 1u);     // one recipient
}

TEST_F(TarnixTest, ADamagedTableIsNeitherReadNorOverwritten)
{
    ASSERT_EQ(SetListBytes(kLists[0], "TESTPC", "QUELLIT", RandomBytes(52, 1)), 1);
    const QString path = WindowsDir() + QStringLiteral("/QUELLIT.ALT");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    QByteArray data = f.readAll();
    data[200] = static_cast<char>(data[200] ^ 0x55);
    f.seek(0);
    f.write(data);
    f.close();
    int32_t count = 0;
    void* block = nullptr;
    EXPECT_EQ(AlertGetBroadcast("TESTPC", &count, &block, "QUELLIT"), 0);
    EXPECT_EQ(SetListBytes(kLists[0], "TESTPC", "QUELLIT", RandomBytes(52, 2)), 0);
    QFile again(path);
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    EXPECT_EQ(again.readAll(), data);
}

TEST_F(TarnixTest, StoredTablesRefuseEveryCutAndEveryLyingCount)
{
    Tarnix::AltTable table;
    table.lists[Tarnix::SmtpList] = RandomBytes(2 * 197, 3);
    table.counts[Tarnix::SmtpList] = 2;
    const QByteArray data = Tarnix::SerializeAltTable(table);
    Tarnix::AltTable parsed;
    ASSERT_EQ(Tarnix::ParseAltTable(data, &parsed), Tarnix::ParseResult::Ok);
    EXPECT_EQ(parsed.lists[Tarnix::SmtpList], table.lists[Tarnix::SmtpList]);
    for (qsizetype n = 0; n < data.size(); ++n)
        ASSERT_EQ(Tarnix::ParseAltTable(data.left(n), &parsed), Tarnix::ParseResult::Damaged) << n;
    // Lying counts and sizes, with the checksum made to match so only the lengths can tell.
    for (int k = 0; k < Tarnix::kListCount; ++k) {
        for (uint32_t lie : {1u, 3u, 0xFFFFu, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
            QByteArray bad = data.left(data.size() - 4);
            Records::PutU32(bad.data() + 4092 + 8 * k, lie);
            QByteArray crc(4, '\0');
            Records::PutU32(crc.data(), Records::Crc32(bad.constData(), bad.size()));
            EXPECT_EQ(Tarnix::ParseAltTable(bad + crc, &parsed), Tarnix::ParseResult::Damaged) << k << ' ' << lie;
        }
        QByteArray bad = data.left(data.size() - 4);
        Records::PutU16(bad.data() + 4092 + 8 * k + 4, 1);
        QByteArray crc(4, '\0');
        Records::PutU32(crc.data(), Records::Crc32(bad.constData(), bad.size()));
        EXPECT_EQ(Tarnix::ParseAltTable(bad + crc, &parsed), Tarnix::ParseResult::Damaged) << k;
    }
}

TEST_F(TarnixTest, ARemoteMachineNeedsAConnection)
{
    int32_t count = 0;
    void* block = nullptr;
    char path[512];
    QByteArray account(512, '\0');
    EXPECT_EQ(AlertGetBroadcast("SRV1", &count, &block, "Alert"), 0);
    EXPECT_EQ(AlertGetAccountInfo("SRV1", account.data()), 5);
    EXPECT_EQ(AlertGetServiceVersion("SRV1", &count, &count, &count, &count), 5);
    EXPECT_EQ(AlertGetStringFromReg("SRV1", "User", "Company", path, 128), 5);
    EXPECT_EQ(AlertStartService("SRV1", 0), 5);
    const auto before = Snapshot(MachineDir("SRV1"));
    EXPECT_EQ(SetListBytes(kLists[0], "SRV1", "Alert", RandomBytes(52, 1)), 0);
    EXPECT_EQ(AlertSetAccountInfo("SRV1", account.data()), 5);
    EXPECT_EQ(AlertSetStringToReg("SRV1", "User", "Company", "X"), 5);
    EXPECT_EQ(Snapshot(MachineDir("SRV1")), before);
    {
        Connection connection("SRV1");
        ASSERT_EQ(connection.Result(), 0u);
        EXPECT_EQ(SetListBytes(kLists[0], "SRV1", "Alert", RandomBytes(52, 1)), 1);
        EXPECT_EQ(GetListBytes(kLists[0], "SRV1", "Alert", &count), RandomBytes(52, 1));
    }
    EXPECT_EQ(AlertGetBroadcast("SRV1", &count, &block, "Alert"), 0);
}

TEST_F(TarnixTest, ServiceAnswersComeOnlyWhileTheServiceRuns)
{
    char path[512];
    int32_t count = 0;
    void* block = nullptr;
    int32_t v[4] = {};
    EXPECT_EQ(AlertGetHomeDir("TESTPC", path), 0);
    EXPECT_EQ(AlertGetApplicationALT("TESTPC", &count, &block), 0);
    EXPECT_EQ(AlertGetServiceVersion("TESTPC", &v[0], &v[1], &v[2], &v[3]), 1062);

    ASSERT_EQ(SetListBytes(kLists[0], "TESTPC", "QUELLIT", RandomBytes(52, 1)), 1);
    ASSERT_EQ(SetListBytes(kLists[0], "TESTPC", "DUNMARK", RandomBytes(52, 2)), 1);
    {
        const World::ScopedLocalMachine scope(QStringLiteral("TESTPC"));
        Tarnix::AltTable table;
        table.displayName = "Dunmark Backup";
        ASSERT_EQ(Tarnix::MachineStore(QStringLiteral("TESTPC")).WriteTable("DUNMARK", table), 0u);
    }
    m_world.Write(QStringLiteral("machines/TESTPC/drives/C/WINDOWS/BROKEN.ALT"), "not a table");
    m_world.Write(QStringLiteral("machines/TESTPC/drives/C/WINDOWS/TOOLONGNAME.ALT"), "");

    RunningService service(QStringLiteral("TESTPC"));
    ASSERT_TRUE(service.Ok());
    ASSERT_EQ(AlertGetHomeDir("TESTPC", path), 1);
    EXPECT_STREQ(path, "C:\\ALERT");
    ASSERT_EQ(AlertGetHomeEventLog("TESTPC", path), 1);
    EXPECT_STREQ(path, "C:\\ALERT\\EVENTLOG");
    ASSERT_EQ(AlertGetHomeLog("TESTPC", path), 1);
    EXPECT_STREQ(path, "C:\\ALERT\\LOG");

    ASSERT_EQ(AlertGetApplicationALT("TESTPC", &count, &block), 1);
    ASSERT_EQ(count, 2);   // the default table, the damaged one and a bad name are left out
    ASSERT_EQ(GlobalSize(block), 512u);
    const char* entries = static_cast<const char*>(block);
    EXPECT_STREQ(entries, "DUNMARK");
    EXPECT_STREQ(entries + 128, "Dunmark Backup");
    EXPECT_STREQ(entries + 256, "QUELLIT");
    EXPECT_STREQ(entries + 384, "");
    GlobalFree(block);

    Registry::PutString(QStringLiteral("TESTPC"), QString::fromLatin1(Tarnix::kProductKey), QStringLiteral("Version"),
                        QStringLiteral("4.5.312.7"));
    ASSERT_EQ(AlertGetServiceVersion("TESTPC", &v[0], &v[1], &v[2], &v[3]), 0);
    EXPECT_EQ(v[0], 4);
    EXPECT_EQ(v[1], 5);
    EXPECT_EQ(v[2], 312);
    EXPECT_EQ(v[3], 7);
}

TEST(TarnixOlder, AnOlderServiceReportsNoVersion)
{
    TempWorld world;
    MakeWorld(true);
    Connection connection("SRV1");
    ASSERT_EQ(connection.Result(), 0u);
    RunningService service(QStringLiteral("SRV1"));
    ASSERT_TRUE(service.Ok());
    int32_t v[4] = {};
    EXPECT_NE(AlertGetServiceVersion("SRV1", &v[0], &v[1], &v[2], &v[3]), 0);
    char path[512];
    EXPECT_EQ(AlertGetHomeDir("SRV1", path), 1);
}

TEST_F(TarnixTest, RegistryStringsOfTheServiceMachine)
{
    char buffer[128];
    EXPECT_EQ(AlertGetStringFromReg("TESTPC", "User", "Company", buffer, 128), 2);
    ASSERT_EQ(AlertSetStringToReg("TESTPC", "User", "Company", "Korvane \xe5\x85\xac\xe5\x8f\xb8"), 0);
    ASSERT_EQ(AlertGetStringFromReg("TESTPC", "User", "Company", buffer, 128), 0);
    EXPECT_STREQ(buffer, "Korvane \xe5\x85\xac\xe5\x8f\xb8");
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(AlertGetStringFromReg("TESTPC", "User", "Company", buffer, 8), 234);
    EXPECT_EQ(buffer[0], 'x');   // nothing copied
    EXPECT_EQ(AlertGetStringFromReg("TESTPC", "User\\..\\Path", "Home", buffer, 128), 87);
    EXPECT_EQ(AlertSetStringToReg("TESTPC", "User", "", "x"), 87);
    EXPECT_EQ(AlertSetStringToReg("TESTPC", "User", "Location", nullptr), 87);
    EXPECT_EQ(AlertGetStringFromReg("NOSUCH", "User", "Company", buffer, 128), 1722);
}

TEST_F(TarnixTest, ServiceControlReachesTheServiceControlManager)
{
    EXPECT_EQ(AlertStartService("NOSUCH", 0), 1722);
    EXPECT_EQ(AlertStopService("TESTPC", 0), 1062);
    WorldTool::MachineOptions bare;
    bare.name = QStringLiteral("BARE");
    bare.accounts = {QStringLiteral("KORVANE\\Administrator:secret")};
    QString error;
    ASSERT_EQ(WorldTool::AddMachine(bare, &error), 0u);
    EXPECT_EQ(AlertStartService("BARE", 0), 5);
    Connection connection("BARE");
    ASSERT_EQ(connection.Result(), 0u);
    EXPECT_EQ(AlertStartService("BARE", 0), 1060);   // no alert service installed there
}

TEST_F(TarnixTest, StatisticsAreTheServicesRecord)
{
    QByteArray record(256, 'x');
    ASSERT_EQ(AlertGetStatistics("TESTPC", record.data()), 1);
    EXPECT_EQ(record, QByteArray(256, '\0'));
    Records::Statistics stats;
    stats.bySeverity[0] = 5;
    stats.bySeverity[1] = 6;
    stats.bySeverity[2] = 7;
    ASSERT_TRUE(Records::WriteStatistics(WindowsDir() + QStringLiteral("/ALSTATS.DAT"), stats));
    ASSERT_EQ(AlertGetStatistics("TESTPC", record.data()), 1);
    EXPECT_EQ(record, Records::SerializeStatistics(stats));
    m_world.Write(QStringLiteral("machines/TESTPC/drives/C/WINDOWS/ALSTATS.DAT"), "short");
    EXPECT_EQ(AlertGetStatistics("TESTPC", record.data()), 0);
    EXPECT_EQ(AlertGetStatistics("NOSUCH", record.data()), 0);
}

TEST_F(TarnixTest, TwoWriterProcessesLoseNothing)
{
    const QString tool = TestBinDir() + QStringLiteral("/alertworld");
    ASSERT_TRUE(QFileInfo(tool).isExecutable()) << tool.toStdString();
    constexpr int kEach = 60;
    QProcess a, b;
    a.start(tool, {QStringLiteral("add-recipient"), QStringLiteral("--machine"), QStringLiteral("TESTPC"),
                   QStringLiteral("--repeat"), QString::number(kEach), QStringLiteral("QUELLIT"),
                   QStringLiteral("broadcast"), QStringLiteral("A%n")});
    b.start(tool, {QStringLiteral("add-recipient"), QStringLiteral("--machine"), QStringLiteral("TESTPC"),
                   QStringLiteral("--repeat"), QString::number(kEach), QStringLiteral("QUELLIT"),
                   QStringLiteral("broadcast"), QStringLiteral("B%n")});
    // Meanwhile this process writes another list of the same table.
    for (int i = 0; i < 20; ++i)
        ASSERT_EQ(SetListBytes(kLists[7], "TESTPC", "QUELLIT", RandomBytes(197, static_cast<quint32>(i))), 1);
    ASSERT_TRUE(a.waitForFinished(60000));
    ASSERT_TRUE(b.waitForFinished(60000));
    ASSERT_EQ(a.exitCode(), 0) << a.readAllStandardError().toStdString();
    ASSERT_EQ(b.exitCode(), 0) << b.readAllStandardError().toStdString();

    int32_t count = 0;
    const QByteArray records = GetListBytes(kLists[0], "TESTPC", "QUELLIT", &count);
    ASSERT_EQ(count, 2 * kEach);
    QSet<QString> names;
    for (int i = 0; i < count; ++i)
        names.insert(Records::FieldText(records.constData() + 52 * i, 52));
    for (int i = 0; i < kEach; ++i) {
        EXPECT_TRUE(names.contains(QStringLiteral("A%1*").arg(i))) << i;
        EXPECT_TRUE(names.contains(QStringLiteral("B%1*").arg(i))) << i;
    }
    EXPECT_EQ(GetListBytes(kLists[7], "TESTPC", "QUELLIT", &count), RandomBytes(197, 19));
    char area12[12];
    QByteArray image(3944, '\0');
    ASSERT_EQ(AlertReadEverySetting("TESTPC", area12, nullptr, image.data(), "QUELLIT"), 1);
    EXPECT_EQ(Records::U32At(area12 + 4), static_cast<uint32_t>(2 * kEach + 20));   // no write lost
}

TEST_F(TarnixTest, TheRealServiceStartsDeliversAndStops)
{
    QString error;
    ASSERT_EQ(WorldTool::AddRecipient(QStringLiteral("TESTPC"), "QUELLIT", QStringLiteral("smtp"),
                                      QStringLiteral("ops@korvane.example,Ops"), &error), 0u) << error.toStdString();
    ASSERT_EQ(AlertStartService("TESTPC", 0), 0);
    auto waitFor = [](const std::function<bool()>& done) {
        // Process start-up is not scaled: bounded in real time, polled on the timing policy.
        const uint64_t end = Timing::TickCount() + 15000;
        while (!done()) {
            if (Timing::TickCount() > end)
                return false;
            Timing::Sleep(20);
        }
        return true;
    };
    char path[512];
    ASSERT_TRUE(waitFor([&] { return AlertGetHomeDir("TESTPC", path) == 1; }));
    int32_t v[4] = {};
    EXPECT_EQ(AlertGetServiceVersion("TESTPC", &v[0], &v[1], &v[2], &v[3]), 0);
    EXPECT_EQ(v[0], 4);

    // A test alert as the console sends it: one recipient, through the wide entry point.
    uint16_t header[48] = {};
    header[5] = 25;
    header[9] = 2;
    header[13] = 1;
    QByteArray record = Records::MakeSmtpRecord("ops@korvane.example", "Ops");
    void* pointers[14] = {};
    pointers[12] = record.data();
    QByteArray image(3944, '\0');
    uint32_t size = 0;
    ASSERT_EQ(AlGetPackDataSize(header, image.constData(), pointers, &size), 0);
    QByteArray packed(size, '\0');
    ASSERT_EQ(ALPackData(header, image.constData(), pointers, packed.data()), 0);
    ASSERT_EQ(ALMakeAlert2ExW(0, u"TESTPC", 4096, 3, u"QUELLIT", u"\u6e2c\u8a66", 0, packed.constData(), size), 0);
    const QString table = m_world.Path(QStringLiteral("machines/TESTPC/drives/C/ALERT/EVENTLOG/ALRECORD.TBL"));
    Records::EventLogFile log;
    ASSERT_TRUE(waitFor([&] { return Records::ReadEventLog(table, &log) && log.records.size() == 1; }));
    EXPECT_EQ(log.records[0].severity, 3);
    EXPECT_EQ(log.records[0].description, QByteArray("\xe6\xb8\xac\xe8\xa9\xa6"));

    ASSERT_EQ(AlertStopService("TESTPC", 0), 0);
    EXPECT_TRUE(waitFor([&] { return AlertGetHomeDir("TESTPC", path) == 0; }));
    DWORD state = 0;
    EXPECT_TRUE(waitFor([&] {
        return Tarnix::QueryAlertServiceState(QStringLiteral("TESTPC"), &state) == 0 && state == SERVICE_STOPPED;
    }));
}
