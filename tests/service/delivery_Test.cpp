// Delivery of spooled alerts: every recipient gets an event-log record with its detail file,
// an activity entry and a count; malformed spool files go to spool\bad.
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

TEST_F(DeliveryTest, ARaisedAlertIsRecordedForEveryRecipient)
{
    ASSERT_EQ(Raise(1, QStringLiteral("Disk C: on SRV1 is 95% full")), 0u);
    EXPECT_EQ(Delivery::ProcessSpool(QStringLiteral("TESTPC")), 1);
    EXPECT_EQ(Delivery::ProcessSpool(QStringLiteral("TESTPC")), 0);   // the spool is empty now

    const EventLogFile log = EventLog();
    ASSERT_EQ(log.records.size(), 3);
    EXPECT_EQ(log.header.counts[0], 3);
    QStringList labels;
    for (const EventLogRecord& r : log.records) {
        EXPECT_EQ(r.application, QByteArray("QUELLIT"));
        EXPECT_EQ(r.severity, 1);
        EXPECT_EQ(r.description, QByteArray("Disk C: on SRV1 is 95% full"));
        EXPECT_LE(qAbs(QDateTime::currentSecsSinceEpoch() - r.timeGenerated), 60);
        EXPECT_EQ(r.detailFile.size(), 12);
        labels << QString::fromUtf8(r.labelSuffix);
    }
    EXPECT_EQ(labels, QStringList({QStringLiteral("Broadcast"), QStringLiteral("Alpha pager"), QStringLiteral("SMTP")}));
    QByteArray detail;
    ASSERT_TRUE(ReadDetailText(Alert(QStringLiteral("EVENTLOG/")) + QString::fromLatin1(log.records[2].detailFile),
                               &detail));
    EXPECT_TRUE(detail.contains("Application: QUELLIT"));
    EXPECT_TRUE(detail.contains("Severity: 1 (Important)"));
    EXPECT_TRUE(detail.contains("Method: SMTP"));
    EXPECT_TRUE(detail.contains("Recipient: ops@korvane.example (Operations)"));
    EXPECT_TRUE(detail.contains("Disk C: on SRV1 is 95% full"));

    const QStringList activity = Activity();
    ASSERT_EQ(activity.size(), 3);
    EXPECT_EQ(activity[0], QStringLiteral("QUELLIT: Important alert delivered by Broadcast to \\\\SRV1"));

    QByteArray stats(256, '\0');
    ASSERT_EQ(AlertGetStatistics("TESTPC", stats.data()), 1);
    EXPECT_EQ(I32At(stats.constData()), 3);
    EXPECT_EQ(I32At(stats.constData() + 4), 0);
    EXPECT_EQ(I32At(stats.constData() + 8), 0);
    EXPECT_TRUE(QDir(Alert(QStringLiteral("spool"))).entryList({QStringLiteral("*.alq")}, QDir::Files).isEmpty());
}

TEST_F(DeliveryTest, PriorityGivesTheSeverity)
{
    ASSERT_EQ(Raise(2, QStringLiteral("warning")), 0u);
    ASSERT_EQ(Raise(3, QStringLiteral("information")), 0u);
    EXPECT_EQ(Delivery::ProcessSpool(QStringLiteral("TESTPC")), 2);
    const EventLogFile log = EventLog();
    EXPECT_EQ(log.header.counts[0], 0);
    EXPECT_EQ(log.header.counts[1], 3);
    EXPECT_EQ(log.header.counts[2], 3);
    Statistics stats;
    ASSERT_TRUE(ReadStatistics(m_world.Path(QStringLiteral("machines/TESTPC/drives/C/WINDOWS/ALSTATS.DAT")), &stats));
    EXPECT_EQ(stats.bySeverity[1], 3);
    EXPECT_EQ(stats.bySeverity[2], 3);
    EXPECT_EQ(stats.alerts, 2u);
    // Detail files are never shared between records.
    QSet<QByteArray> names;
    for (const EventLogRecord& r : log.records)
        names.insert(r.detailFile);
    EXPECT_EQ(names.size(), 6);
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
    EXPECT_EQ(EventLog().records.size(), 3);
    const QStringList activity = Activity();
    ASSERT_EQ(activity.size(), 5);
    EXPECT_EQ(activity[0], QStringLiteral("Malformed alert 000000000000000-1-00000000.alq moved to spool\\bad"));
    EXPECT_TRUE(activity[4].startsWith(QStringLiteral("Malformed alert zzz-cut.alq")));
    Statistics stats;
    ASSERT_TRUE(ReadStatistics(m_world.Path(QStringLiteral("machines/TESTPC/drives/C/WINDOWS/ALSTATS.DAT")), &stats));
    EXPECT_EQ(stats.badAlerts, 2u);
    EXPECT_EQ(stats.alerts, 1u);
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
