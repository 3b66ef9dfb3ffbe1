// Real delivery while the world's switch is on: mail reaches a real SMTP server and traps a real
// trap receiver, both on free loopback ports; failures are retried, reported and counted; no
// address outside 127.0.0.0/8 is ever used; a service killed mid-delivery resumes without
// losing or repeating an alert.
#include "tarnix_Support.h"
#include "scm_Support.h"
#include "../common/LocalServers.h"

#include "alertsvc/Delivery.h"
#include "alertsvc/DeliverySwitch.h"
#include "alertsvc/Transports.h"
#include "records/ActivityLog.h"
#include "records/ByteField.h"
#include "records/EventLogTable.h"
#include "records/MethodTable.h"
#include "records/RecipientRecords.h"
#include "records/Statistics.h"
#include "tarnix/MachineStore.h"

#include <QTextStream>

#include <csignal>

using namespace StoreTest;
using namespace Records;
using namespace LocalServers;

namespace {

const QString kMachine = QStringLiteral("TESTPC");

class RealDeliveryTest : public ::testing::Test {
protected:
    void SetUp() override { MakeWorld(); }

    QString Alert(const QString& relative) const
    {
        return m_world.Path(QStringLiteral("machines/TESTPC/drives/C/ALERT/") + relative);
    }
    void AddRecipient(const char* app, const QString& method, const QString& text)
    {
        QString error;
        ASSERT_EQ(WorldTool::AddRecipient(kMachine, app, method, text, &error), 0u) << error.toStdString();
    }
    void SwitchOn(quint16 smtpPort, quint16 snmpPort = 0)
    {
        WorldTool::DeliveryOptions o;
        o.realDelivery = true;
        o.smtpPort = smtpPort;
        o.snmpPort = snmpPort;
        QString error;
        ASSERT_EQ(WorldTool::SetDelivery(kMachine, o, &error), 0u) << error.toStdString();
    }
    // Changes fields of the stored SMTP settings record.
    void EditSmtp(const std::function<void(char*)>& edit)
    {
        const World::ScopedLocalMachine scope(kMachine);
        const Tarnix::MachineStore store(kMachine);
        QByteArray record;
        ASSERT_EQ(store.ReadSettings(Tarnix::SettingsKind::Smtp, &record), 0u);
        edit(record.data());
        ASSERT_EQ(store.WriteSettings(Tarnix::SettingsKind::Smtp, record), 0u);
    }
    void Raise(const char* app, int severity, const QString& text)
    {
        QString error;
        ASSERT_EQ(WorldTool::RaiseAlert(kMachine, app, severity, text, true, nullptr, &error), 0u)
            << error.toStdString();
    }
    QStringList Activity() const
    {
        RingHeader h;
        QVector<RingEntry> entries;
        QStringList texts;
        if (ReadActivityRing(Alert(QStringLiteral("LOG/ACTIVITY.LOG")), &h, &entries)) {
            for (const RingEntry& e : entries)
                texts << QString::fromUtf8(e.text);
        }
        return texts;
    }
    QVector<EventLogRecord> Records() const
    {
        EventLogFile file;
        ReadEventLog(Alert(QStringLiteral("EVENTLOG/ALRECORD.TBL")), &file);
        return file.records;
    }
    QStringList Spool() const
    {
        return QDir(Alert(QStringLiteral("spool"))).entryList({QStringLiteral("*.alq")}, QDir::Files);
    }
    Statistics Stats() const
    {
        Statistics s;
        QString path;
        const World::ScopedLocalMachine scope(kMachine);
        Tarnix::MachineStore(kMachine).StatisticsFile(&path);
        EXPECT_TRUE(ReadStatistics(path, &s));
        return s;
    }
    static int Matching(const QStringList& lines, const QString& pattern)
    {
        return int(lines.filter(QRegularExpression(pattern)).size());
    }

    TempWorld m_world;
};

#define START_OR_SKIP(server, port)                                  \
    do {                                                             \
        QString why_;                                                \
        if (!(server).Start((port), &why_))                          \
            GTEST_SKIP() << "loopback server: " << why_.toStdString(); \
    } while (false)

} // namespace

TEST_F(RealDeliveryTest, MailAndTrapArriveWithEveryField)
{
    const quint16 smtpPort = FreeTcpPort();
    const quint16 trapPort = FreeUdpPort();
    SmtpServer smtp;
    TrapReceiver traps;
    START_OR_SKIP(smtp, smtpPort);
    START_OR_SKIP(traps, trapPort);
    AddRecipient("QUELLIT", QStringLiteral("smtp"), QString::fromUtf8("ops@korvane.example,維運小組"));
    AddRecipient("QUELLIT", QStringLiteral("snmp"), QStringLiteral("nms1,127.0.0.1"));
    AddRecipient("QUELLIT", QStringLiteral("broadcast"), QStringLiteral("ADMINS"));
    SwitchOn(smtpPort, trapPort);
    EditSmtp([](char* r) { PutField(r + 256, 256, QString::fromUtf8("警示通知：伺服器").toUtf8()); });
    const QString text = QString::fromUtf8("磁碟 C: 已滿 95%");
    Raise("QUELLIT", 1, text);

    EXPECT_EQ(Delivery::ProcessSpool(kMachine), 1);
    ASSERT_EQ(smtp.Mails().size(), 1);
    const Mail mail = ParseMail(smtp.Mails()[0]);
    EXPECT_EQ(mail.envelopeTo, QList<QByteArray>({"ops@korvane.example"}));
    EXPECT_EQ(mail.headers.value("subject"), QString::fromUtf8("警示通知：伺服器"));
    EXPECT_EQ(mail.headers.value("to"), QString::fromUtf8("維運小組 <ops@korvane.example>"));
    EXPECT_EQ(mail.headers.value("from"), QStringLiteral("<alerts@testpc.example>"));
    // Headers travel as ASCII; the UTF-8 is in encoded words.
    EXPECT_FALSE(std::any_of(mail.rawHeaders.begin(), mail.rawHeaders.end(), [](char c) { return c & 0x80; }));
    const QString body = QString::fromUtf8(mail.body);
    EXPECT_TRUE(body.contains(QStringLiteral("Application: QUELLIT\r\n"))) << body.toStdString();
    EXPECT_TRUE(body.contains(QStringLiteral("Severity: Important\r\n")));
    EXPECT_TRUE(body.contains(QStringLiteral("Machine: TESTPC\r\n")));
    EXPECT_TRUE(body.contains(QRegularExpression(QStringLiteral("Time: \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\r\n"))));
    EXPECT_TRUE(body.endsWith(text + QStringLiteral("\r\n")));

    ASSERT_TRUE(PollUntil([&] { return !traps.Traps().isEmpty(); }));
    const QString trap = QString::fromUtf8(traps.Traps()[0]);
    EXPECT_TRUE(trap.contains(QStringLiteral(".1.3.6.1.6.3.1.1.4.1.0 = OID: .1.3.6.1.4.1.32473.7.0.1"))) << trap.toStdString();
    EXPECT_TRUE(trap.contains(QStringLiteral(".1.3.6.1.4.1.32473.7.1.1 = STRING: \"QUELLIT\"")));
    EXPECT_TRUE(trap.contains(QStringLiteral(".1.3.6.1.4.1.32473.7.1.2 = INTEGER: 1")));
    EXPECT_TRUE(trap.contains(QStringLiteral(".1.3.6.1.4.1.32473.7.1.4 = STRING: \"TESTPC\"")));
    EXPECT_TRUE(trap.contains(QRegularExpression(QStringLiteral("\\.1\\.3\\.6\\.1\\.4\\.1\\.32473\\.7\\.1\\.3 = STRING: \"\\d{4}-"))));
    EXPECT_TRUE(trap.contains(QStringLiteral(".1.3.6.1.4.1.32473.7.1.5 = ")));
    EXPECT_EQ(traps.Traps().size(), 1);

    // Recorded once, with every delivery; nothing left behind in the spool.
    const QVector<EventLogRecord> records = Records();
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(U32At(records[0].tail.constData()), kBroadcastBit | kSnmpBit | kSmtpBit);
    const QStringList activity = Activity();
    EXPECT_EQ(Matching(activity, QStringLiteral("^QUELLIT: Important alert delivered by (SMTP|SNMP|Broadcast) to ")), 3);
    EXPECT_TRUE(QDir(Alert(QStringLiteral("spool"))).entryList(QDir::Files).filter(QStringLiteral("alq|progress")).isEmpty());
    EXPECT_EQ(Stats().deliveries, 3u);
}

TEST_F(RealDeliveryTest, SwitchedOffNothingIsSentAndEverythingIsRecorded)
{
    const quint16 smtpPort = FreeTcpPort();
    SmtpServer smtp;
    START_OR_SKIP(smtp, smtpPort);
    AddRecipient("QUELLIT", QStringLiteral("smtp"), QStringLiteral("ops@korvane.example,Ops"));
    SwitchOn(smtpPort);
    WorldTool::DeliveryOptions off;
    QString error;
    ASSERT_EQ(WorldTool::SetDelivery(kMachine, off, &error), 0u);
    EXPECT_FALSE(Delivery::ReadDeliverySwitch().realDelivery);
    Raise("QUELLIT", 2, QStringLiteral("off"));
    EXPECT_EQ(Delivery::ProcessSpool(kMachine), 1);
    EXPECT_EQ(smtp.Receiving(), 0);
    EXPECT_EQ(Records().size(), 1);
    EXPECT_EQ(Matching(Activity(), QStringLiteral("delivered by SMTP to ops@korvane.example")), 1);
}

TEST_F(RealDeliveryTest, ServerDownThenUpIsDeliveredAfterARetry)
{
    const quint16 port = FreeTcpPort();
    ASSERT_NE(port, 0);
    AddRecipient("QUELLIT", QStringLiteral("smtp"), QStringLiteral("ops@korvane.example,Ops"));
    SwitchOn(port);
    Raise("QUELLIT", 2, QStringLiteral("retry me"));

    // Nobody listens: the alert stays in the spool and the failure is shown.
    EXPECT_EQ(Delivery::ProcessSpool(kMachine), 0);
    EXPECT_EQ(Spool().size(), 1);
    EXPECT_TRUE(Records().isEmpty());
    EXPECT_EQ(Matching(Activity(), QStringLiteral("^QUELLIT: Warning alert not delivered by SMTP to ops@korvane.example "
                                                  "\\(Ops\\) \\(attempt 1\\): connection refused .*trying again in")), 1);
    // Not tried again before its time.
    EXPECT_EQ(Delivery::ProcessSpool(kMachine), 0);
    EXPECT_EQ(Matching(Activity(), QStringLiteral("not delivered")), 1);
    // What was tried is kept beside the spool until the alert is done.
    EXPECT_TRUE(QFile::exists(Alert(QStringLiteral("spool/progress.log"))));

    SmtpServer smtp;
    START_OR_SKIP(smtp, port);
    ASSERT_TRUE(PollUntil([&] { return Delivery::ProcessSpool(kMachine) == 1; }));
    ASSERT_EQ(smtp.Mails().size(), 1);
    EXPECT_TRUE(ParseMail(smtp.Mails()[0]).body.contains("retry me"));
    EXPECT_EQ(Records().size(), 1);
    EXPECT_TRUE(Spool().isEmpty());
    EXPECT_FALSE(QFile::exists(Alert(QStringLiteral("spool/progress.log"))));
    EXPECT_EQ(Stats().undelivered, 0u);
    EXPECT_EQ(Stats().deliveries, 1u);
}

TEST_F(RealDeliveryTest, WrongPasswordIsReportedAndGivenUpAtOnce)
{
    const quint16 port = FreeTcpPort();
    SmtpServer smtp;
    SmtpServer::Options o;
    o.user = QStringLiteral("alerts");
    o.password = QStringLiteral("right");
    QString why;
    if (!smtp.Start(port, o, &why))
        GTEST_SKIP() << why.toStdString();
    AddRecipient("QUELLIT", QStringLiteral("smtp"), QStringLiteral("ops@korvane.example,Ops"));
    SwitchOn(port);
    EditSmtp([](char* r) {
        PutField(r + 768, 150, "alerts");
        PutField(r + 918, 50, "wrong");
        PutU32(r + 968, 1);
    });
    Raise("QUELLIT", 1, QStringLiteral("locked out"));
    EXPECT_EQ(Delivery::ProcessSpool(kMachine), 1);
    EXPECT_TRUE(Spool().isEmpty());
    EXPECT_TRUE(smtp.Mails().isEmpty());
    EXPECT_EQ(Matching(Activity(), QStringLiteral("not delivered by SMTP to ops@korvane.example \\(Ops\\), given up after "
                                                  "1 attempt\\(s\\): authentication failed")), 1);
    // It reached nobody: counted as taken and undelivered, not recorded as raised.
    EXPECT_TRUE(Records().isEmpty());
    EXPECT_EQ(Stats().undelivered, 1u);
    EXPECT_EQ(Stats().alerts, 1u);

    // The right password delivers.
    EditSmtp([](char* r) { PutField(r + 918, 50, "right"); });
    Raise("QUELLIT", 1, QStringLiteral("let in"));
    EXPECT_EQ(Delivery::ProcessSpool(kMachine), 1);
    ASSERT_EQ(smtp.Mails().size(), 1);
    EXPECT_TRUE(ParseMail(smtp.Mails()[0]).body.contains("let in"));
}

TEST_F(RealDeliveryTest, CertificatesAreVerifiedAgainstTheWorldsCaFile)
{
    const QString cert = m_world.Path(QStringLiteral("certs/server.pem"));
    const QString key = m_world.Path(QStringLiteral("certs/server.key"));
    QDir().mkpath(m_world.Path(QStringLiteral("certs")));
    if (!MakeCertificate(cert, key))
        GTEST_SKIP() << "openssl could not make a certificate";
    const quint16 port = FreeTcpPort();
    SmtpServer smtp;
    SmtpServer::Options o;
    o.cert = cert;
    o.key = key;
    QString why;
    if (!smtp.Start(port, o, &why))
        GTEST_SKIP() << why.toStdString();
    AddRecipient("QUELLIT", QStringLiteral("smtp"), QStringLiteral("ops@korvane.example,Ops \"A\" Team."));
    SwitchOn(port);
    EditSmtp([](char* r) { PutU32(r + 976, 1); });   // TLS

    // Without the CA the server's certificate is refused, and that is final.
    Raise("QUELLIT", 3, QStringLiteral("unverified"));
    EXPECT_EQ(Delivery::ProcessSpool(kMachine), 1);
    EXPECT_TRUE(smtp.Mails().isEmpty());
    EXPECT_EQ(Matching(Activity(), QStringLiteral("given up after 1 attempt\\(s\\): certificate")), 1);

    // A CA outside the world is refused; the one inside verifies the server.
    WorldTool::DeliveryOptions d;
    d.realDelivery = true;
    d.caFile = QStringLiteral("../outside.pem");
    QString error;
    EXPECT_EQ(WorldTool::SetDelivery(kMachine, d, &error), DWORD(ERROR_INVALID_PARAMETER));
    d.caFile = QStringLiteral("certs/server.pem");
    ASSERT_EQ(WorldTool::SetDelivery(kMachine, d, &error), 0u) << error.toStdString();
    Raise("QUELLIT", 3, QStringLiteral("verified"));
    EXPECT_EQ(Delivery::ProcessSpool(kMachine), 1);
    ASSERT_EQ(smtp.Mails().size(), 1);
    EXPECT_TRUE(ParseMail(smtp.Mails()[0]).body.contains("verified"));
    // A display name with quotes and a dot travels as a quoted string.
    EXPECT_EQ(ParseMail(smtp.Mails()[0]).headers.value("to"), QStringLiteral("\"Ops \\\"A\\\" Team.\" <ops@korvane.example>"));
}

TEST_F(RealDeliveryTest, NothingOutsideLoopbackAndNoIpxIsEverAddressed)
{
    AddRecipient("QUELLIT", QStringLiteral("smtp"), QStringLiteral("ops@korvane.example,Ops"));
    AddRecipient("QUELLIT", QStringLiteral("snmp"), QStringLiteral("nms1,10.0.0.5"));
    {
        // An IPX manager as the console stores one.
        const World::ScopedLocalMachine scope(kMachine);
        ASSERT_EQ(Tarnix::MachineStore(kMachine).UpdateTable("QUELLIT", false, [](Tarnix::AltTable& t) {
            QByteArray ipx = MakeSnmpRecord("novell", 0);
            ipx[0] = 0x12;
            ipx[67] = 1;
            t.lists[Tarnix::SnmpList] += ipx;
            ++t.counts[Tarnix::SnmpList];
            return DWORD(0);
        }), 0u);
    }
    SwitchOn(FreeTcpPort());
    // A server name is not even looked up.
    EditSmtp([](char* r) { PutField(r + 512, 256, "mail.korvane.example"); });
    Raise("QUELLIT", 1, QStringLiteral("stay home"));
    EXPECT_EQ(Delivery::ProcessSpool(kMachine), 1);
    const QStringList activity = Activity();
    EXPECT_EQ(Matching(activity, QStringLiteral("SMTP to ops@korvane.example \\(Ops\\), given up after 1 attempt\\(s\\): "
                                                "server mail.korvane.example is not a loopback address")), 1);
    EXPECT_EQ(Matching(activity, QStringLiteral("SNMP to nms1 \\(IP 10.0.0.5\\), given up after 1 attempt\\(s\\): manager "
                                                "10.0.0.5 is not a loopback address")), 1);
    EXPECT_EQ(Matching(activity, QStringLiteral("SNMP to novell \\(IPX .*given up after 1 attempt\\(s\\): IPX address")), 1);
    EXPECT_EQ(Stats().undelivered, 3u);
    EXPECT_TRUE(Spool().isEmpty());

    EditSmtp([](char* r) { PutField(r + 512, 256, "192.0.2.25"); });
    Raise("QUELLIT", 1, QStringLiteral("stay home"));
    EXPECT_EQ(Delivery::ProcessSpool(kMachine), 1);
    EXPECT_EQ(Matching(Activity(), QStringLiteral("server 192.0.2.25 is not a loopback address")), 1);
}

TEST_F(RealDeliveryTest, AServiceKilledMidDeliveryResumesWithoutLosingOrRepeatingAnAlert)
{
    const quint16 port = FreeTcpPort();
    SmtpServer smtp;
    SmtpServer::Options o;
    o.delaySeconds = 0.1;   // every message takes a while, so the kill falls inside one
    QString why;
    if (!smtp.Start(port, o, &why))
        GTEST_SKIP() << why.toStdString();
    AddRecipient("QUELLIT", QStringLiteral("smtp"), QStringLiteral("ops@korvane.example,Ops"));
    SwitchOn(port);
    constexpr int kAlerts = 8;
    for (int i = 0; i < kAlerts; ++i)
        Raise("QUELLIT", 2, QStringLiteral("alert %1").arg(i));

    ScmTest::ServiceReaper reaper(m_world, kMachine);
    QString error;
    ASSERT_EQ(WorldTool::StartAlertService(kMachine, &error), 0u) << error.toStdString();
    // Killed while the server holds the third message.
    ASSERT_TRUE(PollUntil([&] { return smtp.Receiving() >= 3; }));
    const qint64 pid = ScmTest::StatePid(m_world, kMachine, ScmTest::kAlertKey);
    ASSERT_GT(pid, 0);
    ASSERT_EQ(::kill(pid_t(pid), SIGKILL), 0);
    ASSERT_TRUE(PollUntil([&] { return !ScmTest::PidAlive(pid) || !QFile::exists(QStringLiteral("/proc/%1").arg(pid)); }));
    EXPECT_FALSE(Spool().isEmpty());

    ASSERT_EQ(WorldTool::StartAlertService(kMachine, &error), 0u) << error.toStdString();
    ASSERT_TRUE(PollUntil([&] { return Spool().isEmpty() && Records().size() >= kAlerts; }, 30000));

    QStringList texts;
    for (const QByteArray& m : smtp.Mails()) {
        const QString body = QString::fromUtf8(ParseMail(m).body);
        texts << body.section(QStringLiteral("\r\n\r\n"), 1).trimmed();
    }
    texts.sort();
    QStringList expected;
    for (int i = 0; i < kAlerts; ++i)
        expected << QStringLiteral("alert %1").arg(i);
    EXPECT_EQ(texts, expected);   // each once
    QStringList recorded;
    for (const EventLogRecord& r : Records())
        recorded << QString::fromUtf8(r.description);
    recorded.sort();
    EXPECT_EQ(recorded, expected);
}
