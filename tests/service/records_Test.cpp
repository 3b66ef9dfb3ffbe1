// The codecs of the files the console and the service share, against sound, cut and lying
// files.
#include "tarnix_Support.h"

#include "records/ActivityLog.h"
#include "records/ByteField.h"
#include "records/EventLogTable.h"
#include "records/PortConfig.h"
#include "records/RecipientRecords.h"
#include "records/Statistics.h"
#include "records/StoreFile.h"

#include <QTemporaryDir>

#include <cstring>
#include <limits>

using namespace Records;

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(data), data.size());
}

// A 256-byte event record with every field in use and the bytes after each text's NUL zero.
QByteArray SampleEventBlock(quint32 seed, uint8_t severity)
{
    QByteArray b = StoreTest::RandomBytes(256, seed);
    PutField(b.data() + 6, 13, "AL00002A.TXT");
    PutField(b.data() + 19, 128, "Disk C: is full \xe7\xa3\x81\xe7\x9b\xa4");
    PutField(b.data() + 147, 9, "QUELLIT");
    b[156] = static_cast<char>(severity);
    PutI32(b.data() + 157, 1700000000);
    PutField(b.data() + 161, 16, "SMTP");
    return b;
}

} // namespace

TEST(RecordsFields, TextFieldsStopAtTheirWidthAndNeverSplitACharacter)
{
    const QByteArray chinese = "\xe6\xb8\xac\xe8\xa9\xa6";   // two 3-byte characters
    EXPECT_EQ(CutUtf8(chinese, 5), QByteArray("\xe6\xb8\xac"));
    EXPECT_EQ(CutUtf8(chinese, 6), chinese);
    char field[5];
    std::memset(field, 'x', sizeof field);
    PutField(field, 5, "ABCDEFG");
    EXPECT_EQ(QByteArray(field, 5), QByteArray("ABCD\0", 5));
    const char unterminated[4] = {'A', 'B', 'C', 'D'};
    EXPECT_EQ(FieldBytes(unterminated, 4), QByteArray("ABCD"));
    EXPECT_FALSE(FieldTerminated(unterminated, 4));
    uint32_t v = 0;
    EXPECT_FALSE(ReadU32(QByteArray(3, '\0'), 0, &v));
    EXPECT_FALSE(ReadU32(QByteArray(8, '\0'), 5, &v));
    EXPECT_FALSE(ReadU32(QByteArray(8, '\0'), -1, &v));
    EXPECT_TRUE(ReadU32(QByteArray("\x01\x02\x03\x04", 4), 0, &v));
    EXPECT_EQ(v, 0x04030201u);
}

TEST(RecordsEventLog, RecordAndHeaderRoundTripByteForByte)
{
    for (uint8_t severity : {1, 2, 3, 9}) {
        const QByteArray block = SampleEventBlock(severity * 7u, severity);
        EventLogRecord record;
        ASSERT_TRUE(ParseEventLogRecord(block, &record));
        EXPECT_EQ(record.detailFile, QByteArray("AL00002A.TXT"));
        EXPECT_EQ(record.application, QByteArray("QUELLIT"));
        EXPECT_EQ(record.severity, severity);
        EXPECT_EQ(record.timeGenerated, 1700000000);
        EXPECT_EQ(SerializeEventLogRecord(record), block);
    }
    QByteArray header = StoreTest::RandomBytes(256, 5);
    PutI32(header.data(), 3);
    PutI32(header.data() + 4, -2);
    PutI32(header.data() + 8, 4);
    EventLogHeader h;
    ASSERT_TRUE(ParseEventLogHeader(header, &h));
    EXPECT_EQ(h.RecordCount(), 7);   // a negative counter counts nothing
    EXPECT_EQ(SerializeEventLogHeader(h), header);
    EXPECT_FALSE(ParseEventLogHeader(header.left(255), &h));
}

TEST(RecordsEventLog, CountersThatPromiseMoreThanTheFileHoldsStopAtTheLastWholeRecord)
{
    EventLogHeader h;
    h.counts[0] = 5;
    const QByteArray file = SerializeEventLogHeader(h) + SampleEventBlock(1, 1) + SampleEventBlock(2, 1) +
                            SampleEventBlock(3, 1).left(200);
    EventLogFile parsed;
    ASSERT_TRUE(ParseEventLog(file, &parsed));
    EXPECT_EQ(parsed.records.size(), 2);
    EXPECT_TRUE(parsed.shortOfRecords);
    ASSERT_TRUE(ParseEventLog(SerializeEventLogHeader(EventLogHeader()), &parsed));
    EXPECT_TRUE(parsed.records.isEmpty());
    EXPECT_FALSE(ParseEventLog(QByteArray(255, '\0'), &parsed));
}

TEST(RecordsEventLog, AppendCountsBySeverityAndRepairsLyingCounters)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ALRECORD.TBL"));
    for (uint8_t severity : {1, 2, 3, 3, 7}) {
        EventLogRecord r;
        ParseEventLogRecord(SampleEventBlock(severity, severity), &r);
        ASSERT_TRUE(AppendEventLogRecord(path, r));
    }
    EventLogFile file;
    ASSERT_TRUE(ReadEventLog(path, &file));
    EXPECT_EQ(file.header.counts[0], 2);   // severity 1 and the unknown 7
    EXPECT_EQ(file.header.counts[1], 1);
    EXPECT_EQ(file.header.counts[2], 2);
    ASSERT_EQ(file.records.size(), 5);
    EXPECT_EQ(file.records[4].severity, 7);
    EXPECT_EQ(QFileInfo(path).size(), 6 * 256);

    // Counters that claim two thousand million records must not send the next record far out.
    QByteArray data = ReadAll(path);
    PutI32(data.data(), 0x7FFFFFF0);
    WriteAll(path, data);
    EventLogRecord r;
    ParseEventLogRecord(SampleEventBlock(99, 2), &r);
    ASSERT_TRUE(AppendEventLogRecord(path, r));
    ASSERT_TRUE(ReadEventLog(path, &file));
    EXPECT_EQ(QFileInfo(path).size(), 7 * 256);
    EXPECT_EQ(file.records.size(), 6);
    EXPECT_EQ(file.header.counts[0], 2);
    EXPECT_EQ(file.header.counts[1], 2);
    EXPECT_EQ(file.header.counts[2], 2);
    EXPECT_FALSE(file.shortOfRecords);
}

TEST(RecordsEventLog, RewriteRecountsAndKeepsTheUninterpretedHeaderBytes)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ALRECORD.TBL"));
    EventLogHeader h;
    h.counts[0] = 40;
    h.rest = StoreTest::RandomBytes(244, 3);
    QVector<EventLogRecord> records(2);
    ParseEventLogRecord(SampleEventBlock(1, 3), &records[0]);
    ParseEventLogRecord(SampleEventBlock(2, 2), &records[1]);
    ASSERT_TRUE(WriteEventLog(path, h, records));
    const QByteArray data = ReadAll(path);
    ASSERT_EQ(data.size(), 3 * 256);
    EXPECT_EQ(I32At(data.constData()), 0);
    EXPECT_EQ(I32At(data.constData() + 4), 1);
    EXPECT_EQ(I32At(data.constData() + 8), 1);
    EXPECT_EQ(data.mid(12, 244), h.rest);
    EXPECT_EQ(data.mid(256, 256), SampleEventBlock(1, 3));
}

TEST(RecordsEventLog, DetailTextEndsAtTheFirstNul)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("AL000001.TXT"));
    WriteAll(path, QByteArray("Application: QUELLIT\r\n\0garbage", 31));
    QByteArray text;
    ASSERT_TRUE(ReadDetailText(path, &text));
    EXPECT_EQ(text, QByteArray("Application: QUELLIT\r\n"));
    EXPECT_FALSE(ReadDetailText(dir.filePath(QStringLiteral("MISSING.TXT")), &text));
}

class RecordsRing : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    QString m_path = m_dir.filePath(QStringLiteral("ACTIVITY.LOG"));
    QDateTime m_when = QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9, 321), Qt::LocalTime);

    QStringList Texts()
    {
        RingHeader h;
        QVector<RingEntry> entries;
        EXPECT_TRUE(ReadActivityRing(m_path, &h, &entries));
        QStringList texts;
        for (const RingEntry& e : entries)
            texts << QString::fromUtf8(e.text);
        return texts;
    }
    RingHeader Header()
    {
        RingHeader h;
        EXPECT_TRUE(ParseRingHeader(ReadAll(m_path), &h));
        return h;
    }
};

TEST_F(RecordsRing, AppendsOnAMissingFileStartARingOfOneHundred)
{
    ASSERT_TRUE(AppendActivityEntry(m_path, "first", m_when));
    ASSERT_TRUE(AppendActivityEntry(m_path, "second", m_when));
    const RingHeader h = Header();
    EXPECT_EQ(h.capacity, 100u);
    EXPECT_EQ(h.oldest, 0u);
    EXPECT_EQ(h.next, 2u);
    EXPECT_EQ(h.count, 2u);
    EXPECT_EQ(Texts(), QStringList({QStringLiteral("first"), QStringLiteral("second")}));
    const QByteArray data = ReadAll(m_path);
    ASSERT_EQ(data.size(), 48 + 2 * 312);
    const char* slot = data.constData() + 48 + 312;
    EXPECT_EQ(U32At(slot), 1u);        // in use
    EXPECT_EQ(U32At(slot + 4), 1u);    // record number = slot index
    EXPECT_EQ(U16At(slot + 12), 2024);
    EXPECT_EQ(U16At(slot + 14), 3);
    EXPECT_EQ(U16At(slot + 16), 2);     // Tuesday
    EXPECT_EQ(U16At(slot + 18), 5);
    EXPECT_EQ(U16At(slot + 26), 321);
}

TEST_F(RecordsRing, AFullRingOverwritesTheOldestAndListsFromIt)
{
    ASSERT_TRUE(ResetActivityRing(m_path, 5));
    for (int i = 1; i <= 7; ++i)
        ASSERT_TRUE(AppendActivityEntry(m_path, "entry " + QByteArray::number(i), m_when));
    const RingHeader h = Header();
    EXPECT_EQ(h.count, 5u);
    EXPECT_EQ(h.oldest, 2u);
    EXPECT_EQ(h.next, 2u);
    EXPECT_EQ(Texts(), QStringList({QStringLiteral("entry 3"), QStringLiteral("entry 4"), QStringLiteral("entry 5"),
                                    QStringLiteral("entry 6"), QStringLiteral("entry 7")}));
    ASSERT_TRUE(ResetActivityRing(m_path, 0));
    EXPECT_EQ(Header().capacity, 5u);
    EXPECT_TRUE(Texts().isEmpty());
}

TEST_F(RecordsRing, OneBatchLongerThanTheRingKeepsItsNewestEntries)
{
    ASSERT_TRUE(ResetActivityRing(m_path, 3));
    ASSERT_TRUE(AppendActivityEntry(m_path, "old", m_when));
    ASSERT_TRUE(AppendActivityEntries(m_path, {"b1", "b2", "b3", "b4"}, m_when));
    EXPECT_EQ(Texts(), QStringList({QStringLiteral("b2"), QStringLiteral("b3"), QStringLiteral("b4")}));
    const RingHeader h = Header();
    EXPECT_EQ(h.count, 3u);
    EXPECT_EQ(h.next, 2u);
    EXPECT_EQ(h.oldest, 2u);
}

TEST_F(RecordsRing, HiddenRecordsAndAZeroCountListNothing)
{
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(AppendActivityEntry(m_path, "e" + QByteArray::number(i), m_when));
    QByteArray data = ReadAll(m_path);
    PutU32(data.data() + 48 + 312 + 8, 1);   // hide e1
    WriteAll(m_path, data);
    EXPECT_EQ(Texts(), QStringList({QStringLiteral("e0"), QStringLiteral("e2")}));
    PutU32(data.data() + 16, 0);   // live count 0: the slots' data do not count
    WriteAll(m_path, data);
    EXPECT_TRUE(Texts().isEmpty());
}

TEST_F(RecordsRing, ASlotCutByTheEndOfTheFileEndsTheList)
{
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(AppendActivityEntry(m_path, "e" + QByteArray::number(i), m_when));
    WriteAll(m_path, ReadAll(m_path).left(48 + 2 * 312 + 100));
    EXPECT_EQ(Texts(), QStringList({QStringLiteral("e0"), QStringLiteral("e1")}));
}

TEST_F(RecordsRing, AHeaderNamingMoreSlotsThanTheFileHoldsHidesNoNewEntry)
{
    // A full ring of 100 whose file holds only its first 10 slots: the oldest and the next
    // index lie beyond the end of the file.
    ASSERT_TRUE(ResetActivityRing(m_path, 100));
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(AppendActivityEntry(m_path, "e" + QByteArray::number(i), m_when));
    QByteArray data = ReadAll(m_path);
    PutU32(data.data() + 8, 50);    // oldest
    PutU32(data.data() + 12, 50);   // next
    PutU32(data.data() + 16, 100);  // count
    WriteAll(m_path, data);
    EXPECT_EQ(Texts().size(), 10);   // the slots the file holds

    ASSERT_TRUE(AppendActivityEntry(m_path, "new", m_when));
    const QStringList texts = Texts();
    ASSERT_FALSE(texts.isEmpty());
    EXPECT_EQ(texts.last(), QStringLiteral("new"));
    // Written at the next index; the zeros before it are no entries.
    EXPECT_EQ(texts.size(), 11);
    const QByteArray stored = ReadAll(m_path);
    ASSERT_EQ(stored.size(), 48 + 51 * 312);
    EXPECT_EQ(FieldBytes(stored.constData() + 48 + 50 * 312 + 28, 256), QByteArray("new"));
    const RingHeader h = Header();
    EXPECT_EQ(h.next, 51u);
    EXPECT_EQ(h.oldest, 51u);
    EXPECT_EQ(h.count, 100u);
}

TEST_F(RecordsRing, AGapBeforeTheNextIndexListsOnlyWhatWasWritten)
{
    ASSERT_TRUE(AppendActivityEntry(m_path, "first", m_when));
    QByteArray data = ReadAll(m_path);
    PutU32(data.data() + 12, 20);   // next: far past the one slot
    PutU32(data.data() + 16, 20);   // count
    WriteAll(m_path, data);
    ASSERT_TRUE(AppendActivityEntries(m_path, {"second", "third"}, m_when));
    EXPECT_EQ(Texts(), QStringList({QStringLiteral("first"), QStringLiteral("second"), QStringLiteral("third")}));
    EXPECT_EQ(ReadAll(m_path).size(), 48 + 22 * 312);
}

TEST_F(RecordsRing, InvalidHeadersAreRefusedAndAppendingStartsANewRing)
{
    ASSERT_TRUE(AppendActivityEntry(m_path, "kept", m_when));
    const QByteArray good = ReadAll(m_path);
    const struct {
        int offset;
        uint32_t value;
    } lies[] = {{0, 2}, {4, 0}, {4, kRingMaxCapacity + 1}, {8, 100}, {12, 100}, {16, 101}};
    for (const auto& lie : lies) {
        QByteArray bad = good;
        PutU32(bad.data() + lie.offset, lie.value);
        WriteAll(m_path, bad);
        RingHeader h;
        QVector<RingEntry> entries;
        EXPECT_FALSE(ReadActivityRing(m_path, &h, &entries)) << lie.offset;
    }
    EXPECT_FALSE(ReadActivityRing(m_dir.filePath(QStringLiteral("NONE.LOG")), nullptr, nullptr));
    WriteAll(m_path, good.left(47));
    ASSERT_TRUE(AppendActivityEntry(m_path, "after", m_when));
    EXPECT_EQ(Texts(), QStringList({QStringLiteral("after")}));
    EXPECT_EQ(ReadAll(m_dir.filePath(QStringLiteral("ACTIVITY.BAD"))), good.left(47));
}

TEST(RecordsAlertLog, LinesAreAppendedOneEntryPerLine)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ALERT.LOG"));
    const QDateTime when(QDate(2024, 1, 2), QTime(3, 4, 5), Qt::LocalTime);
    ASSERT_TRUE(AppendAlertLogLine(path, "one", when));
    ASSERT_TRUE(AppendAlertLogLine(path, "two\r\nlines", when));
    EXPECT_EQ(ReadAll(path), QByteArray("2024-01-02 03:04:05  one\r\n2024-01-02 03:04:05  two  lines\r\n"));
}

TEST(RecordsStatistics, RoundTripAndExactSize)
{
    Statistics s;
    s.bySeverity[0] = 7;
    s.bySeverity[1] = 8;
    s.bySeverity[2] = 9;
    s.alerts = 3;
    s.badAlerts = 1;
    s.deliveries = 24;
    s.nextDetail = 0x42;
    const QByteArray data = SerializeStatistics(s);
    ASSERT_EQ(data.size(), 256);
    EXPECT_EQ(I32At(data.constData() + 0), 7);
    EXPECT_EQ(I32At(data.constData() + 4), 8);
    EXPECT_EQ(I32At(data.constData() + 8), 9);
    Statistics back;
    ASSERT_TRUE(ParseStatistics(data, &back));
    EXPECT_EQ(SerializeStatistics(back), data);
    EXPECT_FALSE(ParseStatistics(data.left(255), &back));
    EXPECT_FALSE(ParseStatistics(data + '\0', &back));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ALSTATS.DAT"));
    ASSERT_TRUE(ReadStatistics(path, &back));   // missing: all zero
    EXPECT_EQ(back.bySeverity[0], 0);
    WriteAll(path, data.left(100));
    EXPECT_FALSE(ReadStatistics(path, &back));
}

TEST(RecordsStatistics, CountingSaturatesAndNegativeCountsReadAsZero)
{
    QByteArray data(256, '\0');
    PutI32(data.data(), 2147483647);
    PutI32(data.data() + 4, -1);
    PutI32(data.data() + 8, std::numeric_limits<int32_t>::min());
    PutU32(data.data() + 20, 0xFFFFFFFFu);
    Statistics s;
    ASSERT_TRUE(ParseStatistics(data, &s));
    EXPECT_EQ(s.bySeverity[1], 0);
    EXPECT_EQ(s.bySeverity[2], 0);
    for (int severity = 1; severity <= 3; ++severity) {
        s.CountSeverity(severity);
        s.CountDelivery();
    }
    s.CountBadAlert();
    s.CountAlert();
    EXPECT_EQ(s.bySeverity[0], 2147483647);
    EXPECT_EQ(s.bySeverity[1], 1);
    EXPECT_EQ(s.bySeverity[2], 1);
    EXPECT_EQ(s.deliveries, 3u);
    EXPECT_EQ(s.badAlerts, 0xFFFFFFFFu);
    EXPECT_EQ(s.alerts, 1u);
    const QByteArray stored = SerializeStatistics(s);
    EXPECT_EQ(I32At(stored.constData()), 2147483647);
    EXPECT_EQ(U32At(stored.constData() + 20), 0xFFFFFFFFu);
}

TEST(RecordsAlertLog, ANulLeftByDamageHidesNoLaterLine)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ALERT.LOG"));
    WriteAll(path, QByteArray("old line\r\n\0\0damaged\r\n", 21));
    const QDateTime when(QDate(2024, 1, 2), QTime(3, 4, 5), Qt::LocalTime);
    ASSERT_TRUE(AppendAlertLogLine(path, "after the damage", when));
    EXPECT_EQ(AlertLogText(ReadAll(path)),
              QByteArray("old line\r\n  damaged\r\n2024-01-02 03:04:05  after the damage\r\n"));
}

TEST(RecordsFields, FieldsFillingTheirWidthSurviveAReadAndAWrite)
{
    // Fields without a NUL, as a foreign writer may leave them, and bytes that are not UTF-8.
    QByteArray block(256, '\0');
    std::memcpy(block.data() + 6, "ABCDEFGH.TXTX", 13);                  // detail file, 13 bytes
    std::memset(block.data() + 19, '\xA4', 128);                          // description, 128 bytes
    std::memcpy(block.data() + 147, "APPLICAT1", 9);                     // application, 9 bytes
    std::memcpy(block.data() + 161, "LABELLABELLABEL!", 16);             // label, 16 bytes
    EventLogRecord record;
    ASSERT_TRUE(ParseEventLogRecord(block, &record));
    EXPECT_EQ(record.detailFile.size(), 13);
    EXPECT_EQ(SerializeEventLogRecord(record), block);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ALRECORD.TBL"));
    EventLogHeader header;
    ASSERT_TRUE(WriteEventLog(path, header, {record, record}));
    EventLogFile file;
    ASSERT_TRUE(ReadEventLog(path, &file));
    ASSERT_EQ(file.records.size(), 2);
    EXPECT_EQ(SerializeEventLogRecord(file.records[1]), block);

    QByteArray portBlock(512, '\0');
    std::memset(portBlock.data() + 4, 'P', 256);
    std::memset(portBlock.data() + 276, 'D', 128);
    PortRecord port;
    ASSERT_TRUE(ParsePortRecord(portBlock, &port));
    EXPECT_EQ(port.portName.size(), 256);
    EXPECT_EQ(SerializePortRecord(port), portBlock);

    // Longer texts than the field are still cut with room for the NUL, on a character boundary.
    EventLogRecord fresh;
    fresh.application = "\xE4\xB8\xAD\xE6\x96\x87\xE5\xAD\x97X";   // three characters and X, 10 bytes
    fresh.description = QByteArray(200, 'x');
    const QByteArray written = SerializeEventLogRecord(fresh);
    EXPECT_EQ(FieldBytes(written.constData() + 147, 9), QByteArray("\xE4\xB8\xAD\xE6\x96\x87"));
    EXPECT_EQ(FieldBytes(written.constData() + 19, 128), QByteArray(127, 'x'));
}

TEST(RecordsEventLog, OnlyPlainDetailNamesAreUsed)
{
    EXPECT_TRUE(IsPlainDetailName(QStringLiteral("AL00001F.TXT")));
    EXPECT_TRUE(IsPlainDetailName(QStringLiteral("...")));
    for (const char* bad : {"", ".", "..", "..\\WINDOWS", "../x", "C:X.TXT", "A\tB", "SUB/AL1.TXT"})
        EXPECT_FALSE(IsPlainDetailName(QString::fromLatin1(bad))) << bad;
}

TEST(RecordsPorts, PortFileRoundTripsByteForByteAndStopsAtACutRecord)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("PORT.CFG"));
    PortHeader h;
    h.nextId = 9;
    h.rest = StoreTest::RandomBytes(508, 11);
    PortRecord a;
    a.id = 1;
    a.portNumber = 1;
    a.portName = "COM1";
    a.baudIndex = 4;
    a.dataBitsIndex = 1;
    a.parityIndex = 2;
    a.stopBitsIndex = 1;
    a.description = "System default";
    a.rest = StoreTest::RandomBytes(108, 12);
    PortRecord b = a;
    b.id = 7;
    b.description = "Modem";
    ASSERT_TRUE(WritePortFile(path, h, {a, b}));
    const QByteArray data = ReadAll(path);
    ASSERT_EQ(data.size(), 3 * 512);
    EXPECT_EQ(U16At(data.constData()), 2);
    EXPECT_EQ(U16At(data.constData() + 2), 9);
    EXPECT_EQ(data.mid(4, 508), h.rest);
    EXPECT_EQ(data.mid(512 + 404, 108), a.rest);
    PortHeader h2;
    QVector<PortRecord> records;
    bool complete = false;
    ASSERT_TRUE(ParsePortFile(data, &h2, &records, &complete));
    ASSERT_EQ(records.size(), 2);
    EXPECT_TRUE(complete);
    EXPECT_EQ(SerializePortHeader(h2), data.left(512));
    EXPECT_EQ(SerializePortRecord(records[1]), data.mid(1024, 512));

    ASSERT_TRUE(ParsePortFile(data.left(1024 + 511), &h2, &records, &complete));
    EXPECT_EQ(records.size(), 1);
    EXPECT_FALSE(complete);
    EXPECT_FALSE(ParsePortFile(data.left(511), &h2, &records, &complete));

    const QString def = dir.filePath(QStringLiteral("PORTDEF.CFG"));
    ASSERT_TRUE(WriteDefaultPort(def, 7));
    EXPECT_EQ(ReadAll(def), QByteArray("\x07\x00", 2));
    uint16_t id = 0;
    ASSERT_TRUE(ReadDefaultPort(def, &id));
    EXPECT_EQ(id, 7);
    WriteAll(def, QByteArray("\x07\x00\x00", 3));
    EXPECT_FALSE(ReadDefaultPort(def, &id));
}

TEST(RecordsRecipients, EventLogRecipientPasswordIsScrambledAndComesBack)
{
    const QByteArray r = MakeEventLogRecord("\\\\SRV1", "CORP", "admin", "0123456789");
    ASSERT_EQ(r.size(), 52);
    EXPECT_FALSE(r.contains("0123456789"));
    QByteArray machine, domain, user, password;
    ASSERT_TRUE(ReadEventLogRecipient(r.constData(), &machine, &domain, &user, &password));
    EXPECT_EQ(machine, QByteArray("\\\\SRV1"));
    EXPECT_EQ(domain, QByteArray("CORP"));
    EXPECT_EQ(user, QByteArray("admin"));
    EXPECT_EQ(password, QByteArray("0123456789"));
    // Texts and password that come to 53 bytes do not fit.
    EXPECT_TRUE(MakeEventLogRecord("\\\\SRV1", "CORP", "administrator", QByteArray(27, 'p')).isEmpty());
    const QByteArray full = MakeEventLogRecord("\\\\SRV1", "CORP", "administrator", QByteArray(26, 'p'));
    ASSERT_EQ(full.size(), 52);
    ASSERT_TRUE(ReadEventLogRecipient(full.constData(), &machine, &domain, &user, &password));
    EXPECT_EQ(password, QByteArray(26, 'p'));
    // A record whose texts never end is refused.
    const QByteArray endless(52, 'A');
    EXPECT_FALSE(ReadEventLogRecipient(endless.constData(), &machine, &domain, &user, &password));
}

TEST(RecordsRecipients, DeliveriesNameTheirRecipients)
{
    EXPECT_EQ(DescribeRecipient(*MethodByBit(kBroadcastBit), MakeBroadcastRecord("SALES").constData()),
              QStringLiteral("SALES"));
    EXPECT_EQ(MakeBroadcastRecord("SALES").left(7), QByteArray("SALES*\0", 7));
    EXPECT_EQ(DescribeRecipient(*MethodByBit(kBroadcastBit), MakeBroadcastRecord("\\\\PC01").constData()),
              QStringLiteral("\\\\PC01"));
    EXPECT_EQ(DescribeRecipient(*MethodByBit(kSnmpBit), MakeSnmpRecord("nms", 0x0A000005).constData()),
              QStringLiteral("nms (IP 10.0.0.5)"));
    EXPECT_EQ(DescribeRecipient(*MethodByBit(kSmtpBit), MakeSmtpRecord("a@b.c", "Ops").constData()),
              QStringLiteral("a@b.c (Ops)"));
    EXPECT_EQ(DescribeRecipient(*MethodByBit(kTicketBit), MakeTicketRecord("u", "p", "\\\\SRV\\Q").constData()),
              QStringLiteral("\\\\SRV\\Q"));
    EXPECT_EQ(SeverityFromPriority(0), 1);
    EXPECT_EQ(SeverityFromPriority(1), 1);
    EXPECT_EQ(SeverityFromPriority(2), 2);
    EXPECT_EQ(SeverityFromPriority(3), 3);
    EXPECT_EQ(SeverityFromPriority(40), 3);
}
