// Delivery of spooled alerts: every alert gets one event-log record with its detail file and
// one count, every recipient an activity entry; malformed spool files go to spool\bad.
#include "tarnix_Support.h"

#include "alertsvc/Delivery.h"
#include "extern/Tarnix.h"
#include "plenkor/Spool.h"
#include "records/ActivityLog.h"
#include "records/ByteField.h"
#include "records/EventLogTable.h"
#include "records/MethodTable.h"
#include "records/Statistics.h"

using namespace StoreTest;
using namespace Records;

namespace {

class DeliveryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        MakeWorld();
        QString error;
        ASSERT_EQ(WorldTool::AddRecipient(QStringLiteral("TESTPC"), "QUELLIT", QStringLiteral("broadcast"),
                                          QStringLiteral("\\\\SRV1"), &error), 0u) << error.toStdString();
        ASSERT_EQ(WorldTool::AddRecipient(QStringLiteral("TESTPC"), "QUELLIT", QStringLiteral("smtp"),
                                          QStringLiteral("ops@korvane.example,Operations"), &error), 0u);
        ASSERT_EQ(WorldTool::AddRecipient(QStringLiteral("TESTPC"), "QUELLIT", QStringLiteral("pager"),
                                          QStringLiteral("Lin Mei,5550102,alpha"), &error), 0u);
    }
    QString Alert(const QString& relative) const
    {
        return m_world.Path(QStringLiteral("machines/TESTPC/drives/C/ALERT/") + relative);
    }
    EventLogFile EventLog() const
    {
        EventLogFile file;
        EXPECT_TRUE(ReadEventLog(Alert(QStringLiteral("EVENTLOG/ALRECORD.TBL")), &file));
        return file;
    }
    QStringList Activity() const
    {
        RingHeader h;
        QVector<RingEntry> entries;
        EXPECT_TRUE(ReadActivityRing(Alert(QStringLiteral("LOG/ACTIVITY.LOG")), &h, &entries));
        QStringList texts;
        for (const RingEntry& e : entries)
            texts << QString::fromUtf8(e.text);
        return texts;
    }
    DWORD Raise(int severity, const QString& text)
    {
        QString error;
        uint32_t recipients = 0;
        const DWORD rc = WorldTool::RaiseAlert(QStringLiteral("TESTPC"), "QUELLIT", severity, text, true, &recipients,
                                               &error);
        EXPECT_EQ(rc, 0u) << error.toStdString();
        EXPECT_EQ(recipients, 3u);
        return rc;
    }

    TempWorld m_world;
};

} // namespace

TEST_F(DeliveryTest, ARaisedAlertIsRecordedOnceWithAnActivityLinePerDelivery)
{
    ASSERT_EQ(Raise(1, QStringLiteral("Disk C: on SRV1 is 95% full")), 0u);
    EXPECT_EQ(Delivery::ProcessSpool(QStringLiteral("TESTPC")), 1);
    EXPECT_EQ(Delivery::ProcessSpool(QStringLiteral("TESTPC")), 0);   // the spool is empty now

    const EventLogFile log = EventLog();
    ASSERT_EQ(log.records.size(), 1);
    EXPECT_EQ(log.header.counts[0], 1);
    const EventLogRecord& r = log.records[0];
    EXPECT_EQ(r.application, QByteArray("QUELLIT"));
    EXPECT_EQ(r.severity, 1);
    EXPECT_EQ(r.description, QByteArray("Disk C: on SRV1 is 95% full"));
    EXPECT_LE(qAbs(QDateTime::currentSecsSinceEpoch() - r.timeGenerated), 60);
    EXPECT_EQ(r.detailFile.size(), 12);
    // The first method names the record; the others are marked.
    EXPECT_EQ(r.labelSuffix, QByteArray("Broadcast+"));
    EXPECT_EQ(U32At(r.tail.constData()), kBroadcastBit | kAlphaPagerBit | kSmtpBit);
    EXPECT_EQ(I32At(r.tail.constData() + 4), 1);
    QByteArray detail;
    ASSERT_TRUE(ReadDetailText(Alert(QStringLiteral("EVENTLOG/")) + QString::fromLatin1(r.detailFile), &detail));
    EXPECT_TRUE(detail.startsWith("Application: QUELLIT\r\nSeverity: 1 (Important)\r\n"
                                  "Method: Broadcast\r\nRecipient: \\\\SRV1\r\n"
                                  "Method: Alphanumeric pager\r\nRecipient: "))
        << detail.toStdString();
    EXPECT_TRUE(detail.contains("Method: SMTP\r\nRecipient: ops@korvane.example (Operations)\r\nTime: "));
    EXPECT_TRUE(detail.endsWith("\r\n\r\nDisk C: on SRV1 is 95% full\r\n"));
    // One detail file for the alert.
    EXPECT_EQ(QDir(Alert(QStringLiteral("EVENTLOG"))).entryList({QStringLiteral("AL*.TXT")}, QDir::Files).size(), 1);

    const QStringList activity = Activity();
    ASSERT_EQ(activity.size(), 3);
    EXPECT_EQ(activity[0], QStringLiteral("QUELLIT: Important alert delivered by Broadcast to \\\\SRV1"));

    QByteArray stats(256, '\0');
    ASSERT_EQ(AlertGetStatistics("TESTPC", stats.data()), 1);
    EXPECT_EQ(I32At(stats.constData()), 1);
    EXPECT_EQ(I32At(stats.constData() + 4), 0);
    EXPECT_EQ(I32At(stats.constData() + 8), 0);
    EXPECT_EQ(U32At(stats.constData() + 12), 3u);   // deliveries
    EXPECT_EQ(U32At(stats.constData() + 16), 1u);   // alerts
    EXPECT_TRUE(QDir(Alert(QStringLiteral("spool"))).entryList({QStringLiteral("*.alq")}, QDir::Files).isEmpty());
}

TEST_F(DeliveryTest, PriorityGivesTheSeverity)
{
    ASSERT_EQ(Raise(2, QStringLiteral("warning")), 0u);
    ASSERT_EQ(Raise(3, QStringLiteral("information")), 0u);
    EXPECT_EQ(Delivery::ProcessSpool(QStringLiteral("TESTPC")), 2);
    const EventLogFile log = EventLog();
    EXPECT_EQ(log.header.counts[0], 0);
    EXPECT_EQ(log.header.counts[1], 1);
    EXPECT_EQ(log.header.counts[2], 1);
    Statistics stats;
    ASSERT_TRUE(ReadStatistics(m_world.Path(QStringLiteral("machines/TESTPC/drives/C/WINDOWS/ALSTATS.DAT")), &stats));
    EXPECT_EQ(stats.bySeverity[0], 0);
    EXPECT_EQ(stats.bySeverity[1], 1);
    EXPECT_EQ(stats.bySeverity[2], 1);
    EXPECT_EQ(stats.alerts, 2u);
    EXPECT_EQ(stats.deliveries, 6u);
    // Detail files are never shared between records.
    ASSERT_EQ(log.records.size(), 2);
    EXPECT_NE(log.records[0].detailFile, log.records[1].detailFile);
}

TEST_F(DeliveryTest, OnlyTheMethodsTheAlertNamesAreDelivered)
{
    Plenkor::SpooledAlert alert;
    const QString path = m_world.Path(QStringLiteral("machines/TESTPC/drives/C/ALERT/spool"));
    ASSERT_EQ(Raise(1, QStringLiteral("all")), 0u);
    const QStringList files = QDir(path).entryList({QStringLiteral("*.alq")}, QDir::Files);
    ASSERT_EQ(files.size(), 1);
    ASSERT_EQ(Plenkor::ParseSpooled(m_world.Read(QStringLiteral("machines/TESTPC/drives/C/ALERT/spool/") + files[0]),
                                    &alert), 0u);
    QFile::remove(QDir(path).filePath(files[0]));
    alert.methodBits = kSmtpBit;   // a test alert for one method
    alert.submittedMs = 0;
    ASSERT_EQ(Plenkor::SubmitAlert(QStringLiteral("TESTPC"), alert, false), 0u);
    EXPECT_EQ(Delivery::ProcessSpool(QStringLiteral("TESTPC")), 1);
    const EventLogFile log = EventLog();
    ASSERT_EQ(log.records.size(), 1);
    EXPECT_EQ(log.records[0].labelSuffix, QByteArray("SMTP"));
    EXPECT_EQ(U32At(log.records[0].tail.constData()), kSmtpBit);

    // An alert for a method without recipients reached nobody: taken, not recorded.
    alert.methodBits = kSnmpBit;
    ASSERT_EQ(Plenkor::SubmitAlert(QStringLiteral("TESTPC"), alert, false), 0u);
    EXPECT_EQ(Delivery::ProcessSpool(QStringLiteral("TESTPC")), 1);
    EXPECT_EQ(EventLog().records.size(), 1);
    Statistics stats;
    ASSERT_TRUE(ReadStatistics(m_world.Path(QStringLiteral("machines/TESTPC/drives/C/WINDOWS/ALSTATS.DAT")), &stats));
    EXPECT_EQ(stats.alerts, 2u);
    EXPECT_EQ(stats.bySeverity[0], 1);
}

TEST_F(DeliveryTest, SpoolFilesAKilledCycleRecordedButLeftAreRemovedNotRecordedAgain)
{
    ASSERT_EQ(Raise(1, QStringLiteral("first")), 0u);
    ASSERT_EQ(Raise(2, QStringLiteral("second")), 0u);
    const QString spool = Alert(QStringLiteral("spool"));
    QMap<QString, QByteArray> kept;
    for (const QString& name : QDir(spool).entryList({QStringLiteral("*.alq")}, QDir::Files))
        kept.insert(name, m_world.Read(QStringLiteral("machines/TESTPC/drives/C/ALERT/spool/") + name));
    ASSERT_EQ(kept.size(), 2);
    EXPECT_EQ(Delivery::ProcessSpool(QStringLiteral("TESTPC")), 2);
    // As if the service died after the records were written and before the files went; a third
    // alert arrived meanwhile.
    for (auto it = kept.cbegin(); it != kept.cend(); ++it)
        m_world.Write(QStringLiteral("machines/TESTPC/drives/C/ALERT/spool/") + it.key(), it.value());
    ASSERT_EQ(Raise(3, QStringLiteral("third")), 0u);
    EXPECT_EQ(Delivery::ProcessSpool(QStringLiteral("TESTPC")), 3);
    EXPECT_TRUE(QDir(spool).entryList({QStringLiteral("*.alq")}, QDir::Files).isEmpty());
    const EventLogFile log = EventLog();
    ASSERT_EQ(log.records.size(), 3);
    EXPECT_EQ(log.records[0].description, QByteArray("first"));
    EXPECT_EQ(log.records[1].description, QByteArray("second"));
    EXPECT_EQ(log.records[2].description, QByteArray("third"));
    // The record names its spool file, so the alert is known again.
    EXPECT_EQ(FieldBytes(log.records[0].tail.constData() + 8, 48) + ".alq", kept.firstKey().toLatin1());
    Statistics stats;
    ASSERT_TRUE(ReadStatistics(m_world.Path(QStringLiteral("machines/TESTPC/drives/C/WINDOWS/ALSTATS.DAT")), &stats));
    EXPECT_EQ(stats.alerts, 3u);
    EXPECT_EQ(Activity().size(), 9);

    // The event log's tail alone is read for this.
    QVector<EventLogRecord> tail;
    ASSERT_TRUE(ReadEventLogTail(Alert(QStringLiteral("EVENTLOG/ALRECORD.TBL")), 2, &tail));
    ASSERT_EQ(tail.size(), 2);
    EXPECT_EQ(tail[0].description, QByteArray("second"));
    EXPECT_EQ(tail[1].description, QByteArray("third"));
    ASSERT_TRUE(ReadEventLogTail(Alert(QStringLiteral("EVENTLOG/NONE.TBL")), 2, &tail));
    EXPECT_TRUE(tail.isEmpty());
}

TEST_F(DeliveryTest, MalformedSpoolFilesGoToBadWithoutStoppingTheRest)
{
    ASSERT_EQ(Raise(1, QStringLiteral("good")), 0u);
    const QString spool = Alert(QStringLiteral("spool"));
    QFile bad(spool + QStringLiteral("/000000000000000-1-00000000.alq"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("VSPL\x01\x00\x00\x00 cut short");
    bad.close();
    const QStringList names = QDir(spool).entryList({QStringLiteral("*.alq")}, QDir::Files, QDir::Name);
    ASSERT_EQ(names.size(), 2);
    // A good alert cut in half is malformed as well.
    const QByteArray good = m_world.Read(QStringLiteral("machines/TESTPC/drives/C/ALERT/spool/") + names[1]);
    m_world.Write(QStringLiteral("machines/TESTPC/drives/C/ALERT/spool/zzz-cut.alq"), good.left(good.size() / 2));

    EXPECT_EQ(Delivery::ProcessSpool(QStringLiteral("TESTPC")), 3);
    EXPECT_TRUE(QDir(spool).entryList({QStringLiteral("*.alq")}, QDir::Files).isEmpty());
    EXPECT_EQ(QDir(spool + QStringLiteral("/bad")).entryList(QDir::Files).size(), 2);
    EXPECT_EQ(EventLog().records.size(), 1);
    const QStringList activity = Activity();
    ASSERT_EQ(activity.size(), 5);
    EXPECT_EQ(activity[0], QStringLiteral("Malformed alert 000000000000000-1-00000000.alq moved to spool\\bad"));
    EXPECT_TRUE(activity[4].startsWith(QStringLiteral("Malformed alert zzz-cut.alq")));
    Statistics stats;
    ASSERT_TRUE(ReadStatistics(m_world.Path(QStringLiteral("machines/TESTPC/drives/C/WINDOWS/ALSTATS.DAT")), &stats));
    EXPECT_EQ(stats.badAlerts, 2u);
    EXPECT_EQ(stats.alerts, 1u);
}

TEST_F(DeliveryTest, CountersAtTheirLargestValueStayThereAndNegativeOnesStartFromZero)
{
    const QString statsPath = m_world.Path(QStringLiteral("machines/TESTPC/drives/C/WINDOWS/ALSTATS.DAT"));
    QByteArray stored(256, '\0');
    PutI32(stored.data(), 2147483647);          // important
    PutI32(stored.data() + 4, -5);              // warning: damage
    PutU32(stored.data() + 12, 0xFFFFFFFFu);    // deliveries
    PutU32(stored.data() + 16, 0xFFFFFFFFu);    // alerts
    m_world.Write(QStringLiteral("machines/TESTPC/drives/C/WINDOWS/ALSTATS.DAT"), stored);
    ASSERT_EQ(Raise(1, QStringLiteral("important")), 0u);
    ASSERT_EQ(Raise(2, QStringLiteral("warning")), 0u);
    EXPECT_EQ(Delivery::ProcessSpool(QStringLiteral("TESTPC")), 2);

    const QByteArray after = m_world.Read(QStringLiteral("machines/TESTPC/drives/C/WINDOWS/ALSTATS.DAT"));
    ASSERT_EQ(after.size(), 256);
    EXPECT_EQ(I32At(after.constData()), 2147483647);
    EXPECT_EQ(I32At(after.constData() + 4), 1);
    EXPECT_EQ(U32At(after.constData() + 12), 0xFFFFFFFFu);
    EXPECT_EQ(U32At(after.constData() + 16), 0xFFFFFFFFu);
    Statistics stats;
    ASSERT_TRUE(ReadStatistics(statsPath, &stats));
    EXPECT_EQ(stats.bySeverity[0], 2147483647);
    // The alerts themselves were recorded as always.
    EXPECT_EQ(EventLog().records.size(), 2);
}

TEST_F(DeliveryTest, AnUnknownMachineOrAMachineWithoutServiceTakesNothing)
{
    EXPECT_EQ(Delivery::ProcessSpool(QStringLiteral("NOSUCH")), 0);
    EXPECT_EQ(Delivery::ProcessSpool(QStringLiteral("../TESTPC")), 0);
    WorldTool::MachineOptions bare;
    bare.name = QStringLiteral("BARE");
    QString error;
    ASSERT_EQ(WorldTool::AddMachine(bare, &error), 0u);
    EXPECT_EQ(Delivery::ProcessSpool(QStringLiteral("BARE")), 0);
}

TEST(DeliveryOlder, TheOlderServiceWritesAlertLogLines)
{
    TempWorld world;
    MakeWorld(true);
    QString error;
    ASSERT_EQ(WorldTool::AddRecipient(QStringLiteral("SRV1"), "QUELLIT", QStringLiteral("email"),
                                      QStringLiteral("Help Desk"), &error), 0u) << error.toStdString();
    ASSERT_EQ(WorldTool::RaiseAlert(QStringLiteral("SRV1"), "QUELLIT", 2, QStringLiteral("queue stalled"), true,
                                    nullptr, &error), 0u) << error.toStdString();
    EXPECT_EQ(Delivery::ProcessSpool(QStringLiteral("SRV1")), 1);
    const QByteArray log = world.Read(QStringLiteral("machines/SRV1/drives/C/ALERT/LOG/ALERT.LOG"));
    EXPECT_TRUE(log.endsWith("  QUELLIT: Warning alert delivered by E-mail to Help Desk <To>\r\n")) << log.toStdString();
    EXPECT_FALSE(QFile::exists(world.Path(QStringLiteral("machines/SRV1/drives/C/ALERT/LOG/ACTIVITY.LOG"))));
}
