// Packing and submitting alerts: the packed block round-trips, refuses every cut and every
// lying length, and reaches the spool only for a known machine with a running service.
#include "tarnix_Support.h"

#include "extern/Plenkor.h"
#include "plenkor/PackedAlert.h"
#include "plenkor/Spool.h"
#include "records/ByteField.h"
#include "records/MethodTable.h"

using namespace StoreTest;
using namespace Records;

namespace {

struct Packet {
    uint16_t header[48] = {};
    QByteArray image = RandomBytes(3944, 77);
    void* pointers[14] = {};
    QList<QByteArray> keep;

    void Add(uint32_t bit, int count, quint32 seed)
    {
        const MethodInfo* m = MethodByBit(bit);
        keep.append(RandomBytes(count * m->recordSize, seed));
        header[m->countEntry] = static_cast<uint16_t>(count);
        pointers[m->pointerEntry] = keep.last().data();
    }
    QByteArray Packed()
    {
        uint32_t size = 0;
        EXPECT_EQ(AlGetPackDataSize(header, image.constData(), pointers, &size), 0);
        QByteArray out(size, '\0');
        EXPECT_EQ(ALPackData(header, image.constData(), pointers, out.data()), 0);
        return out;
    }
};

Packet FullPacket()
{
    Packet p;
    p.header[5] = 25;
    p.header[9] = 2;
    quint32 seed = 1;
    for (int i = 0; i < kMethodCount; ++i)
        p.Add(Methods()[i].bit, 1 + i % 3, seed++);
    return p;
}

QByteArray WithCrc(QByteArray body)
{
    QByteArray crc(4, '\0');
    PutU32(crc.data(), Crc32(body.constData(), body.size()));
    return body + crc;
}

QStringList SpoolFiles(const TempWorld& world, const QString& machine = QStringLiteral("TESTPC"))
{
    return QDir(world.Path(QStringLiteral("machines/%1/drives/C/ALERT/spool").arg(machine)))
        .entryList({QStringLiteral("*.alq")}, QDir::Files, QDir::Name);
}

} // namespace

TEST(PlenkorPack, EveryMethodsRecordsTravelInTheBlock)
{
    Packet p = FullPacket();
    const QByteArray block = p.Packed();
    Plenkor::PackedAlert alert;
    ASSERT_EQ(Plenkor::Unpack(block, &alert), 0u);
    EXPECT_EQ(alert.alStruct, p.image);
    EXPECT_EQ(alert.header[5], 25);
    ASSERT_EQ(alert.sections.size(), kMethodCount);
    for (const Plenkor::Section& s : alert.sections) {
        const int i = static_cast<int>(s.method - Methods());
        EXPECT_EQ(s.records, p.keep[i]) << s.method->name;
        EXPECT_EQ(s.count, static_cast<uint32_t>(1 + i % 3));
        EXPECT_EQ(s.version, 2);
    }
    uint32_t size = 0;
    EXPECT_EQ(AlGetPackDataSize(p.header, p.image.constData(), p.pointers, &size), 0);
    EXPECT_EQ(size, static_cast<uint32_t>(block.size()));
}

TEST(PlenkorPack, InputsThatCannotBePackedAreRefused)
{
    Packet p;
    p.header[9] = 0;
    p.Add(kNotesBit, 1, 3);   // Lotus Notes records do not exist in version 0
    uint32_t size = 99;
    EXPECT_EQ(AlGetPackDataSize(p.header, p.image.constData(), p.pointers, &size), 13);
    EXPECT_EQ(size, 0u);
    Packet q;
    q.header[MethodByBit(kBroadcastBit)->countEntry] = 2;   // records without a pointer
    EXPECT_EQ(AlGetPackDataSize(q.header, q.image.constData(), q.pointers, &size), 87);
    EXPECT_EQ(AlGetPackDataSize(nullptr, q.image.constData(), q.pointers, &size), 87);
    EXPECT_EQ(AlGetPackDataSize(q.header, nullptr, q.pointers, &size), 87);
    EXPECT_EQ(ALPackData(q.header, q.image.constData(), q.pointers, nullptr), 87);
    q.header[9] = 4;   // no such record version
    q.Add(kBroadcastBit, 1, 1);
    EXPECT_EQ(AlGetPackDataSize(q.header, q.image.constData(), q.pointers, &size), 13);
}

TEST(PlenkorPack, EveryCutOfTheBlockIsRefused)
{
    Packet p = FullPacket();
    const QByteArray block = p.Packed();
    Plenkor::PackedAlert alert;
    for (qsizetype n = 0; n < block.size(); ++n)
        ASSERT_NE(Plenkor::Unpack(block.left(n), &alert), 0u) << n;
    ASSERT_NE(Plenkor::Unpack(block + QByteArray(1, '\0'), &alert), 0u);
}

TEST(PlenkorPack, EveryLyingLengthIsRefusedEvenWithAMatchingChecksum)
{
    Packet p = FullPacket();
    const QByteArray block = p.Packed();
    const QByteArray body = block.left(block.size() - 4);
    Plenkor::PackedAlert alert;
    ASSERT_EQ(Plenkor::Unpack(WithCrc(body), &alert), 0u);
    auto refused = [&](int offset, int width, uint32_t value) {
        QByteArray bad = body;
        if (width == 2)
            PutU16(bad.data() + offset, static_cast<uint16_t>(value));
        else
            PutU32(bad.data() + offset, value);
        if (bad == body)
            return true;
        return Plenkor::Unpack(WithCrc(bad), &alert) != 0;
    };
    const uint32_t lies[] = {0, 1, 2, 3, 8, 25, 0xFFFF, 0x10000, 0x7FFFFFFF, 0xFFFFFFFF};
    for (uint32_t lie : lies) {
        EXPECT_TRUE(refused(4, 2, lie)) << "format " << lie;
        EXPECT_TRUE(refused(6, 2, lie)) << "section count " << lie;
        EXPECT_TRUE(refused(8, 4, lie)) << "total size " << lie;
        for (int i = 0; i < kMethodCount; ++i)
            EXPECT_TRUE(refused(12 + 2 * Methods()[i].countEntry, 2, lie)) << "header count " << i << ' ' << lie;
        EXPECT_TRUE(refused(12 + 2 * 9, 2, lie)) << "header version " << lie;
        qsizetype offset = 4052;
        for (int i = 0; i < kMethodCount; ++i) {
            EXPECT_TRUE(refused(static_cast<int>(offset), 4, lie)) << "bit " << i << ' ' << lie;
            EXPECT_TRUE(refused(static_cast<int>(offset + 4), 2, lie)) << "version " << i << ' ' << lie;
            EXPECT_TRUE(refused(static_cast<int>(offset + 6), 2, lie)) << "size " << i << ' ' << lie;
            EXPECT_TRUE(refused(static_cast<int>(offset + 8), 4, lie)) << "count " << i << ' ' << lie;
            offset += 12 + static_cast<qsizetype>(U32At(body.constData() + offset + 8)) * U16At(body.constData() + offset + 6);
        }
    }
}

class PlenkorSubmit : public ::testing::Test {
protected:
    void SetUp() override { MakeWorld(); }
    TempWorld m_world;
};

TEST_F(PlenkorSubmit, AlertsReachTheSpoolOnlyWhileTheServiceRuns)
{
    Packet p = FullPacket();
    const QByteArray block = p.Packed();
    const uint32_t size = static_cast<uint32_t>(block.size());
    EXPECT_EQ(ALMakeAlert2Ex("TESTPC", 8, 3, "QUELLIT", "text", 0, block.constData(), size), 1062);
    EXPECT_EQ(ALMakeAlert2Ex("NOSUCH", 8, 3, "QUELLIT", "text", 0, block.constData(), size), 1722);
    EXPECT_TRUE(SpoolFiles(m_world).isEmpty());

    RunningService service(QStringLiteral("TESTPC"));
    ASSERT_TRUE(service.Ok());
    ASSERT_EQ(ALMakeAlert2Ex("TESTPC", 8, 2, "quellit", "Disk full", 0, block.constData(), size), 0);
    const QStringList files = SpoolFiles(m_world);
    ASSERT_EQ(files.size(), 1);
    Plenkor::SpooledAlert spooled;
    ASSERT_EQ(Plenkor::ParseSpooled(m_world.Read(QStringLiteral("machines/TESTPC/drives/C/ALERT/spool/") + files[0]),
                                    &spooled), 0u);
    EXPECT_EQ(spooled.application, QByteArray("QUELLIT"));
    EXPECT_EQ(spooled.text, QByteArray("Disk full"));
    EXPECT_EQ(spooled.priority, 2);
    EXPECT_EQ(spooled.methodBits, 8u);
    EXPECT_EQ(spooled.packed, block);

    const char16_t machine[] = u"TESTPC";
    const char16_t app[] = u"QUELLIT";
    const char16_t text[] = u"\u6e2c\u8a66\u8a0a\u606f";
    ASSERT_EQ(ALMakeAlert2ExW(0, machine, 1, 3, app, text, 0, block.constData(), size), 0);
    const QStringList after = SpoolFiles(m_world);
    ASSERT_EQ(after.size(), 2);
    ASSERT_EQ(Plenkor::ParseSpooled(m_world.Read(QStringLiteral("machines/TESTPC/drives/C/ALERT/spool/") + after[1]),
                                    &spooled), 0u);
    EXPECT_EQ(QString::fromUtf8(spooled.text), QString::fromUtf16(text));
}

TEST_F(PlenkorSubmit, BadSubmissionsWriteNothing)
{
    RunningService service(QStringLiteral("TESTPC"));
    ASSERT_TRUE(service.Ok());
    Packet p = FullPacket();
    const QByteArray block = p.Packed();
    const uint32_t size = static_cast<uint32_t>(block.size());
    EXPECT_EQ(ALMakeAlert2Ex("TESTPC", 8, 3, "NINECHARS", "t", 0, block.constData(), size), 87);
    EXPECT_EQ(ALMakeAlert2Ex("TESTPC", 8, 3, "../X", "t", 0, block.constData(), size), 87);
    EXPECT_EQ(ALMakeAlert2Ex("TESTPC", 8, 3, "QUELLIT", nullptr, 0, block.constData(), size), 87);
    EXPECT_EQ(ALMakeAlert2Ex("TESTPC", 0, 3, "QUELLIT", "t", 0, block.constData(), size), 87);
    EXPECT_EQ(ALMakeAlert2Ex("TESTPC", 0x40000, 3, "QUELLIT", "t", 0, block.constData(), size), 87);
    EXPECT_EQ(ALMakeAlert2Ex("TESTPC", 8, 3, "QUELLIT", "t", 0, nullptr, size), 87);
    EXPECT_EQ(ALMakeAlert2Ex("TESTPC", 8, 3, "QUELLIT", "t", 0, block.constData(), 0), 87);
    EXPECT_EQ(ALMakeAlert2Ex("TESTPC/..", 8, 3, "QUELLIT", "t", 0, block.constData(), size), 1722);
    const QByteArray longText(5000, 'x');
    EXPECT_EQ(ALMakeAlert2Ex("TESTPC", 8, 3, "QUELLIT", longText.constData(), 0, block.constData(), size), 87);
    for (uint32_t n = 1; n < size; n += (n < 4200 ? 1 : 97))
        ASSERT_EQ(ALMakeAlert2Ex("TESTPC", 8, 3, "QUELLIT", "t", 0, block.constData(), n), 13) << n;
    // Wide strings must end inside the fixed buffers (16, 9 and 1024 units).
    char16_t machine[17];
    std::fill(machine, machine + 17, u'A');
    machine[16] = 0;
    const char16_t app[] = u"QUELLIT";
    const char16_t text[] = u"t";
    EXPECT_NE(ALMakeAlert2ExW(0, machine, 8, 3, app, text, 0, block.constData(), size), 0);
    char16_t longApp[10];
    std::fill(longApp, longApp + 10, u'B');
    longApp[9] = 0;
    EXPECT_EQ(ALMakeAlert2ExW(0, u"TESTPC", 8, 3, longApp, text, 0, block.constData(), size), 87);
    EXPECT_TRUE(SpoolFiles(m_world).isEmpty());
}

TEST(PlenkorSpoolFile, EveryCutAndEveryLyingLengthIsRefused)
{
    Plenkor::SpooledAlert a;
    a.submittedMs = 123456789;
    a.methodBits = 9;
    a.priority = 1;
    a.application = "DUNMARK";
    a.text = "Backup failed";
    a.packed = FullPacket().Packed();
    const QByteArray data = Plenkor::SerializeSpooled(a);
    Plenkor::SpooledAlert back;
    ASSERT_EQ(Plenkor::ParseSpooled(data, &back), 0u);
    EXPECT_EQ(back.packed, a.packed);
    EXPECT_EQ(back.text, a.text);
    for (qsizetype n = 0; n < data.size(); n += (n < 5000 ? 1 : 13))
        ASSERT_NE(Plenkor::ParseSpooled(data.left(n), &back), 0u) << n;
    const QByteArray body = data.left(data.size() - 4);
    for (int offset : {28, 30}) {
        for (uint32_t lie : {0u, 1u, 9u, 12u, 14u, 4097u, 0xFFFFu}) {
            QByteArray bad = body;
            PutU16(bad.data() + offset, static_cast<uint16_t>(lie));
            if (bad != body) {
                EXPECT_NE(Plenkor::ParseSpooled(WithCrc(bad), &back), 0u) << offset << ' ' << lie;
            }
        }
    }
    for (uint32_t lie : {0u, 1u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        QByteArray bad = body;
        PutU32(bad.data() + 32, lie);
        EXPECT_NE(Plenkor::ParseSpooled(WithCrc(bad), &back), 0u) << lie;
    }
    QByteArray badApp = body;
    badApp[36] = '/';
    EXPECT_NE(Plenkor::ParseSpooled(WithCrc(badApp), &back), 0u);
}
