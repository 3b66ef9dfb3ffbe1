// The world tool: the demo world holds what the console shows, commands refuse bad input.
#include "tarnix_Support.h"

#include "alertsvc/DeliverySwitch.h"
#include "extern/Tarnix.h"
#include "platform/Registry.h"
#include "platform/VersionInfo.h"
#include "records/ActivityLog.h"
#include "records/ByteField.h"
#include "records/EventLogTable.h"
#include "records/PortConfig.h"
#include "records/Statistics.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace StoreTest;

namespace {

int RunTool(const QStringList& args, QString* output = nullptr)
{
    QString out, err;
    QTextStream o(&out), e(&err);
    const int rc = WorldTool::Run(args, o, e);
    o.flush();
    if (output)
        *output = out + err;
    return rc;
}

class DemoWorld : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_world = new TempWorld(QStringLiteral("DEMOPC"));
        QString output;
        s_rc = RunTool({QStringLiteral("init"), QStringLiteral("--demo")}, &output);
        s_output = output;
    }
    static void TearDownTestSuite()
    {
        delete s_world;
        s_world = nullptr;
    }
    void SetUp() override
    {
        // Every test of the suite shares one world; the connection table is per test.
        World::SetRoot(s_world->Root());
        World::SetComputerName(QStringLiteral("DEMOPC"));
        ASSERT_EQ(s_rc, 0) << s_output.toStdString();
    }
    static QString Path(const QString& relative) { return s_world->Path(relative); }

    static TempWorld* s_world;
    static int s_rc;
    static QString s_output;
};

TempWorld* DemoWorld::s_world = nullptr;
int DemoWorld::s_rc = -1;
QString DemoWorld::s_output;

} // namespace

TEST_F(DemoWorld, TheNetworkHasEveryProviderAndTheDomainsMachines)
{
    const QJsonObject network = QJsonDocument::fromJson(s_world->Read(QStringLiteral("network.json"))).object();
    QStringList providers;
    QStringList korvane;
    for (const QJsonValue& p : network.value(QStringLiteral("providers")).toArray()) {
        providers << p.toObject().value(QStringLiteral("name")).toString();
        for (const QJsonValue& d : p.toObject().value(QStringLiteral("domains")).toArray()) {
            if (d.toObject().value(QStringLiteral("name")).toString() == QLatin1String("KORVANE")) {
                for (const QJsonValue& m : d.toObject().value(QStringLiteral("machines")).toArray())
                    korvane << m.toString();
            }
        }
    }
    EXPECT_EQ(providers, QStringList({QStringLiteral("Microsoft Windows Network"), QStringLiteral("NetWare Network"),
                                      QStringLiteral("Terminal Services"), QStringLiteral("Web Client Network")}));
    EXPECT_EQ(korvane, QStringList({QStringLiteral("DEMOPC"), QStringLiteral("SRV1"), QStringLiteral("SRV2"),
                                    QStringLiteral("OLDSRV"), QStringLiteral("NEWSRV6")}));
    QJsonObject json;
    ASSERT_TRUE(World::ReadMachineJson(QStringLiteral("OLDSRV"), &json));
    EXPECT_TRUE(json.value(QStringLiteral("olderService")).toBool());
    ASSERT_TRUE(World::ReadMachineJson(QStringLiteral("NEWSRV6"), &json));
    EXPECT_EQ(json.value(QStringLiteral("platformMajor")).toInt(), 6);
    ASSERT_TRUE(World::ReadMachineJson(QStringLiteral("SRV2"), &json));
    QStringList shares;
    for (const QJsonValue& s : json.value(QStringLiteral("shares")).toArray())
        shares << s.toObject().value(QStringLiteral("name")).toString() + QLatin1Char(':') +
                      s.toObject().value(QStringLiteral("type")).toString();
    EXPECT_EQ(shares, QStringList({QStringLiteral("PUBLIC:disk"), QStringLiteral("COLOR:print")}));
    EXPECT_TRUE(QFileInfo(Path(QStringLiteral("machines/SRV2/drives/D/PUBLIC"))).isDir());
}

TEST_F(DemoWorld, TheSampleTablesHaveRecipientsOfEveryMethod)
{
    using GetFn = int32_t (*)(const char*, int32_t*, void**, const char*);
    const GetFn gets[] = {AlertGetBroadcast, AlertGetPager, AlertGetEMail, AlertGetSnmp,
                          AlertGetTTixPRINTQ_HEADER, AlertGetEventLog, AlertGetLotusNotes, AlertGetSMTP};
    for (const char* app : {"QUELLIT", "DUNMARK"}) {
        int32_t version = 0;
        ASSERT_EQ(AlertGetALSTRUCTVer("DEMOPC", &version, app), 1);
        EXPECT_EQ(version, 3);
        for (GetFn get : gets) {
            int32_t count = 0;
            void* block = nullptr;
            ASSERT_EQ(get("DEMOPC", &count, &block, app), 1);
            EXPECT_GE(count, 1) << app;
            GlobalFree(block);
        }
    }
    QByteArray image(3944, '\0');
    char display[96];
    ASSERT_EQ(AlertReadEverySetting("DEMOPC", nullptr, display, image.data(), "QUELLIT"), 1);
    EXPECT_STREQ(display, "Quellit Server Monitor");
    EXPECT_STREQ(image.constData() + 566, "QUELLIT alert");
    int32_t version = 0;
    EXPECT_EQ(AlertGetALSTRUCTVer("DEMOPC", &version, "Alert"), 1);
    QByteArray account(512, '\0');
    EXPECT_EQ(AlertGetAccountInfo("DEMOPC", account.data()), 0);
    EXPECT_EQ(AlertTestAccountInfo("DEMOPC", account.data()), 0);
}

TEST_F(DemoWorld, PortsLogsAndCountsAreThere)
{
    Records::PortHeader header;
    QVector<Records::PortRecord> ports;
    ASSERT_TRUE(Records::ReadPortFile(Path(QStringLiteral("machines/DEMOPC/drives/C/ALERT/PORT.CFG")), &header, &ports));
    EXPECT_EQ(ports.size(), 2);
    EXPECT_EQ(header.nextId, 3);
    uint16_t def = 0;
    ASSERT_TRUE(Records::ReadDefaultPort(Path(QStringLiteral("machines/DEMOPC/drives/C/ALERT/PORTDEF.CFG")), &def));
    EXPECT_EQ(def, 1);

    Records::EventLogFile log;
    ASSERT_TRUE(Records::ReadEventLog(Path(QStringLiteral("machines/DEMOPC/drives/C/ALERT/EVENTLOG/ALRECORD.TBL")), &log));
    EXPECT_GT(log.header.counts[0], 0);
    EXPECT_GT(log.header.counts[1], 0);
    EXPECT_GT(log.header.counts[2], 0);
    for (const Records::EventLogRecord& r : log.records)
        EXPECT_TRUE(QFile::exists(Path(QStringLiteral("machines/DEMOPC/drives/C/ALERT/EVENTLOG/") +
                                       QString::fromLatin1(r.detailFile))));
    Records::RingHeader ring;
    QVector<Records::RingEntry> entries;
    ASSERT_TRUE(Records::ReadActivityRing(Path(QStringLiteral("machines/DEMOPC/drives/C/ALERT/LOG/ACTIVITY.LOG")), &ring,
                                          &entries));
    // A line per delivery, a record per alert.
    EXPECT_GT(entries.size(), log.records.size());
    QByteArray stats(256, '\0');
    ASSERT_EQ(AlertGetStatistics("DEMOPC", stats.data()), 1);
    Records::Statistics s;
    ASSERT_TRUE(Records::ParseStatistics(stats, &s));
    EXPECT_EQ(s.bySeverity[0] + s.bySeverity[1] + s.bySeverity[2], log.records.size());
    // The older service keeps plain text.
    const QByteArray older = s_world->Read(QStringLiteral("machines/OLDSRV/drives/C/ALERT/LOG/ALERT.LOG"));
    EXPECT_TRUE(older.contains("QUELLIT: Warning alert delivered by")) << older.toStdString();
}

TEST_F(DemoWorld, TheServiceModulesCarryVersionsInSeveralLanguages)
{
    QByteArray block;
    ASSERT_TRUE(Version::ReadVersionBlock(Path(QStringLiteral("machines/DEMOPC/drives/C/ALERT/ALERT.EXE")), &block));
    VS_FIXEDFILEINFO fixed;
    ASSERT_TRUE(Version::QueryFixed(block, &fixed));
    EXPECT_EQ(fixed.dwFileVersionMS, (4u << 16) | 5u);
    EXPECT_EQ(fixed.dwFileVersionLS >> 16, 312u);
    QString text;
    ASSERT_TRUE(Version::QueryString(block, QStringLiteral("\\StringFileInfo\\040404B0\\FileDescription"), &text));
    EXPECT_EQ(text, QStringLiteral("警示通知伺服器"));
    ASSERT_TRUE(Version::ReadVersionBlock(Path(QStringLiteral("machines/DEMOPC/drives/C/ALERT/PLENKOR.DLL")), &block));
    // Every module the version dialog lists describes itself in English or Chinese.
    ASSERT_TRUE(Version::QueryString(block, QStringLiteral("\\StringFileInfo\\040904B0\\FileDescription"), &text));
    EXPECT_EQ(text, QStringLiteral("Alert packet builder"));
    ASSERT_TRUE(Version::QueryString(block, QStringLiteral("\\StringFileInfo\\040404B0\\FileDescription"), &text));
    EXPECT_EQ(text, QStringLiteral("警示封包建立程式"));
    EXPECT_FALSE(Version::QueryString(block, QStringLiteral("\\StringFileInfo\\040704B0\\FileDescription"), &text));
    EXPECT_TRUE(QFile::exists(Path(QStringLiteral("machines/DEMOPC/drives/C/ALERT/ALHELPER.DLL"))));
    EXPECT_FALSE(Version::ReadVersionBlock(Path(QStringLiteral("machines/DEMOPC/drives/C/ALERT/ALHELPER.DLL")), &block));
    QString registered;
    ASSERT_TRUE(Registry::GetString(QStringLiteral("DEMOPC"), QStringLiteral("SOFTWARE\\Korvane\\ALERT\\CurrentVersion\\Path"),
                                    QStringLiteral("Home"), &registered));
    EXPECT_EQ(registered, QStringLiteral("C:\\ALERT"));
}

TEST_F(DemoWorld, ShowPrintsTablesRecipientsAndLogs)
{
    QString output;
    ASSERT_EQ(RunTool({QStringLiteral("show")}, &output), 0);
    EXPECT_TRUE(output.contains(QStringLiteral("Table QUELLIT (Quellit Server Monitor)  version 3")));
    EXPECT_TRUE(output.contains(QStringLiteral("  SMTP: ops@korvane.example (Operations)")));
    EXPECT_TRUE(output.contains(QStringLiteral("  2 COM2  Modem on COM2")));
    EXPECT_TRUE(output.contains(QStringLiteral("Activity log (")));
    ASSERT_EQ(RunTool({QStringLiteral("show"), QStringLiteral("--machine"), QStringLiteral("NEWSRV6")}, &output), 0);
    EXPECT_TRUE(output.contains(QStringLiteral("platform 6.0")));
    ASSERT_EQ(RunTool({QStringLiteral("show"), QStringLiteral("--machine"), QStringLiteral("../X")}, &output), 0);
    EXPECT_TRUE(output.contains(QStringLiteral("unknown or unreachable machine")));
}

TEST(WorldToolCommands, BadArgumentsAreRefused)
{
    TempWorld world;
    QString output;
    EXPECT_EQ(RunTool({}, &output), 2);
    EXPECT_EQ(RunTool({QStringLiteral("frobnicate")}, &output), 2);
    ASSERT_EQ(RunTool({QStringLiteral("init")}, &output), 0) << output.toStdString();
    EXPECT_NE(RunTool({QStringLiteral("add-machine"), QStringLiteral("BAD/NAME")}, &output), 0);
    EXPECT_NE(RunTool({QStringLiteral("add-machine"), QStringLiteral("SRV9"), QStringLiteral("--account"),
                       QStringLiteral("nobody")}, &output), 0);
    EXPECT_NE(RunTool({QStringLiteral("add-machine"), QStringLiteral("SRV9"), QStringLiteral("--share"),
                       QStringLiteral("X:tape:Q")}, &output), 0);
    EXPECT_FALSE(World::MachineExists(QStringLiteral("SRV9")));
    ASSERT_EQ(RunTool({QStringLiteral("add-machine"), QStringLiteral("srv9"), QStringLiteral("--platform"),
                       QStringLiteral("6.1"), QStringLiteral("--service")}, &output), 0) << output.toStdString();
    EXPECT_TRUE(World::MachineExists(QStringLiteral("SRV9")));
    EXPECT_EQ(RunTool({QStringLiteral("add-machine"), QStringLiteral("SRV9")}, &output), 125);   // exists: 183
    EXPECT_NE(RunTool({QStringLiteral("raise"), QStringLiteral("Alert"), QStringLiteral("5"), QStringLiteral("t")}, &output), 0);
    EXPECT_NE(RunTool({QStringLiteral("raise"), QStringLiteral("Alert"), QStringLiteral("1"), QStringLiteral("t")}, &output), 0);
    EXPECT_TRUE(output.contains(QStringLiteral("no recipients")) || output.contains(QStringLiteral("no readable table")))
        << output.toStdString();
    EXPECT_NE(RunTool({QStringLiteral("add-recipient"), QStringLiteral("Alert"), QStringLiteral("fax"),
                       QStringLiteral("x")}, &output), 0);
    EXPECT_NE(RunTool({QStringLiteral("add-recipient"), QStringLiteral("../A"), QStringLiteral("broadcast"),
                       QStringLiteral("x")}, &output), 0);
    ASSERT_EQ(RunTool({QStringLiteral("add-recipient"), QStringLiteral("--machine"), QStringLiteral("SRV9"),
                       QStringLiteral("Alert"), QStringLiteral("snmp"), QStringLiteral("nms,10.1.2.3")}, &output), 0)
        << output.toStdString();
    // Not running: raising needs --queue.
    EXPECT_NE(RunTool({QStringLiteral("raise"), QStringLiteral("--machine"), QStringLiteral("SRV9"),
                       QStringLiteral("Alert"), QStringLiteral("warning"), QStringLiteral("t")}, &output), 0);
    EXPECT_TRUE(output.contains(QStringLiteral("--queue")));
    ASSERT_EQ(RunTool({QStringLiteral("raise"), QStringLiteral("--machine"), QStringLiteral("SRV9"), QStringLiteral("--queue"),
                       QStringLiteral("Alert"), QStringLiteral("warning"), QStringLiteral("t")}, &output), 0)
        << output.toStdString();
}

TEST_F(DemoWorld, ThisComputerHasBothMailClientsWithTheirBooks)
{
    QString output;
    ASSERT_EQ(RunTool({QStringLiteral("show")}, &output), 0);
    EXPECT_TRUE(output.contains(QStringLiteral("Mail client installed (Exchange)\n"))) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("Notes client installed; installation C:\\Lotus\\Notes\n")));
    EXPECT_TRUE(output.contains(QStringLiteral("SMTP settings: sender \"alerts@korvane.example\"")));
    EXPECT_TRUE(output.contains(QStringLiteral("  mail subject \"QUELLIT alert\"  attachments 2: C:\\ALERT\\QUELLIT.TXT; "
                                               "C:\\ALERT\\LOG\\ACTIVITY.LOG\n")));
    const QByteArray book = s_world->Read(QStringLiteral("machines/DEMOPC/drives/C/WINDOWS/MAILBOOK.TXT"));
    EXPECT_TRUE(book.contains("Operations\tops@korvane.example\n"));
    EXPECT_TRUE(s_world->Read(QStringLiteral("machines/DEMOPC/drives/C/Lotus/Notes/ADDRBOOK.TXT")).contains("Wang Fang\t"));
    // A remote machine has no mail client.
    ASSERT_EQ(RunTool({QStringLiteral("show"), QStringLiteral("--machine"), QStringLiteral("SRV1")}, &output), 0);
    EXPECT_FALSE(output.contains(QStringLiteral("Mail client installed")));
}

TEST(WorldToolCommands, MailClientsAndAddressBooks)
{
    TempWorld world;
    QString output;
    ASSERT_EQ(RunTool({QStringLiteral("init")}, &output), 0) << output.toStdString();
    // No Notes installation yet: its book has no place.
    EXPECT_NE(RunTool({QStringLiteral("add-address"), QStringLiteral("notes"), QStringLiteral("Li Na")}, &output), 0);
    EXPECT_NE(RunTool({QStringLiteral("add-address"), QStringLiteral("fax"), QStringLiteral("Li Na")}, &output), 0);
    EXPECT_NE(RunTool({QStringLiteral("install-notes")}, &output), 0);
    ASSERT_EQ(RunTool({QStringLiteral("install-mail"), QStringLiteral("--extended")}, &output), 0) << output.toStdString();
    ASSERT_EQ(RunTool({QStringLiteral("install-notes"), QStringLiteral("C:\\Notes")}, &output), 0) << output.toStdString();
    ASSERT_EQ(RunTool({QStringLiteral("add-address"), QStringLiteral("mail"), QStringLiteral("Ops\nTeam"),
                       QStringLiteral("ops@example.com")}, &output), 0) << output.toStdString();
    EXPECT_NE(RunTool({QStringLiteral("add-address"), QStringLiteral("mail"), QStringLiteral("# not a name")}, &output), 0);
    ASSERT_EQ(RunTool({QStringLiteral("add-address"), QStringLiteral("notes"), QStringLiteral("Li Na")}, &output), 0);
    // One entry a line, whatever was given.
    EXPECT_EQ(world.Read(QStringLiteral("machines/TESTPC/drives/C/WINDOWS/MAILBOOK.TXT")), QByteArray("Ops Team\tops@example.com\n"));
    EXPECT_EQ(world.Read(QStringLiteral("machines/TESTPC/drives/C/Notes/ADDRBOOK.TXT")), QByteArray("Li Na\t\n"));
    ASSERT_EQ(RunTool({QStringLiteral("show")}, &output), 0);
    EXPECT_TRUE(output.contains(QStringLiteral("Mail client installed\n"))) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("Notes settings: installation \"C:\\Notes\"  user-specified account no")));
    // Installing Notes elsewhere moves the settings there; the old book stays where it was.
    ASSERT_EQ(RunTool({QStringLiteral("install-notes"), QStringLiteral("C:\\Other")}, &output), 0);
    ASSERT_EQ(RunTool({QStringLiteral("show")}, &output), 0);
    EXPECT_TRUE(output.contains(QStringLiteral("installation C:\\Other\n"))) << output.toStdString();
    EXPECT_EQ(world.Read(QStringLiteral("machines/TESTPC/drives/C/Notes/ADDRBOOK.TXT")), QByteArray("Li Na\t\n"));
}

TEST_F(DemoWorld, InstalledTablesRegisterTheirDisplayNamesForTheEventLog)
{
    const QString key = QStringLiteral("SOFTWARE\\Korvane\\ALERT\\CurrentVersion\\Applications\\");
    QString name;
    ASSERT_TRUE(Registry::GetString(QStringLiteral("DEMOPC"), key + QStringLiteral("QUELLIT"), QStringLiteral("DisplayName"), &name));
    EXPECT_EQ(name, QStringLiteral("Quellit Server Monitor"));
    ASSERT_TRUE(Registry::GetString(QStringLiteral("DEMOPC"), key + QStringLiteral("DUNMARK"), QStringLiteral("DisplayName"), &name));
    EXPECT_EQ(name, QStringLiteral("Dunmark Backup"));
    // The default table has no display name of its own.
    EXPECT_FALSE(Registry::GetString(QStringLiteral("DEMOPC"), key + QStringLiteral("Alert"), QStringLiteral("DisplayName"), &name));
}

TEST(WorldToolCommands, InitInstallsThisComputersServiceAndItsHelpPage)
{
    TempWorld world(QStringLiteral("FRESHPC"));
    QString output;
    ASSERT_EQ(RunTool({QStringLiteral("init")}, &output), 0) << output.toStdString();
    const QJsonObject services =
        QJsonDocument::fromJson(world.Read(QStringLiteral("machines/FRESHPC/scm/services.json"))).object();
    const QJsonArray list = services.value(QStringLiteral("services")).toArray();
    ASSERT_EQ(list.size(), 1);
    EXPECT_EQ(list[0].toObject().value(QStringLiteral("name")).toString(), QStringLiteral("Alert Notification Server"));
    QString home;
    ASSERT_TRUE(Registry::GetString(QStringLiteral("FRESHPC"), QStringLiteral("SOFTWARE\\Korvane\\ALERT\\CurrentVersion\\Path"),
                                    QStringLiteral("Home"), &home));
    EXPECT_EQ(home, QStringLiteral("C:\\ALERT"));
    int32_t version = 0;
    EXPECT_EQ(AlertGetALSTRUCTVer("FRESHPC", &version, "Alert"), 1);
    // The service logs on as the machine's administrator, an account the console's check accepts.
    QByteArray account(512, '\0');
    ASSERT_EQ(AlertGetAccountInfo("FRESHPC", account.data()), 0);
    EXPECT_STREQ(account.constData(), "FRESHPC");
    EXPECT_STREQ(account.constData() + 48, "Administrator");
    EXPECT_EQ(AlertTestAccountInfo("FRESHPC", account.data()), 0);
    const QByteArray page = world.Read(QStringLiteral("machines/FRESHPC/drives/C/ALERT/Help/Index.htm"));
    ASSERT_FALSE(page.isEmpty());
    EXPECT_TRUE(page.contains("charset=\"utf-8\"") || page.contains("charset=utf-8"));

    // Run again: a page the administrator changed is kept.
    ASSERT_TRUE(world.Write(QStringLiteral("machines/FRESHPC/drives/C/ALERT/Help/Index.htm"), "<p>ours</p>"));
    ASSERT_EQ(RunTool({QStringLiteral("init")}, &output), 0) << output.toStdString();
    EXPECT_EQ(world.Read(QStringLiteral("machines/FRESHPC/drives/C/ALERT/Help/Index.htm")), QByteArray("<p>ours</p>"));
}

TEST(WorldToolCommands, DeliverySwitchAndTheDemoOnLoopback)
{
    TempWorld world(QStringLiteral("DEMOPC"));
    // Off by default, and sending only to loopback once on.
    EXPECT_FALSE(Delivery::ReadDeliverySwitch().realDelivery);
    EXPECT_TRUE(Delivery::ReadDeliverySwitch().loopbackOnly);
    QString output;
    EXPECT_NE(RunTool({QStringLiteral("delivery"), QStringLiteral("maybe")}, &output), 0);
    EXPECT_NE(RunTool({QStringLiteral("delivery"), QStringLiteral("on"), QStringLiteral("--snmp-port"),
                       QStringLiteral("70000")}, &output), 0);
    EXPECT_FALSE(QFile::exists(world.Path(QStringLiteral("delivery.json"))));
    ASSERT_EQ(RunTool({QStringLiteral("delivery"), QStringLiteral("on"), QStringLiteral("--snmp-port"),
                       QStringLiteral("10162")}, &output), 0) << output.toStdString();
    const QJsonObject stored = QJsonDocument::fromJson(world.Read(QStringLiteral("delivery.json"))).object();
    EXPECT_TRUE(stored.value(QStringLiteral("realDelivery")).toBool());
    EXPECT_TRUE(stored.value(QStringLiteral("loopbackOnly")).toBool());
    EXPECT_EQ(stored.value(QStringLiteral("snmpTrapPort")).toInt(), 10162);

    // The demo made now sends only to this computer.
    ASSERT_EQ(RunTool({QStringLiteral("init"), QStringLiteral("--demo")}, &output), 0) << output.toStdString();
    ASSERT_EQ(RunTool({QStringLiteral("delivery"), QStringLiteral("on"), QStringLiteral("--smtp-port"),
                       QStringLiteral("2525")}, &output), 0) << output.toStdString();
    QByteArray smtp(1228, '\0');
    ASSERT_EQ(AlertGetSMTPConfigInfo("DEMOPC", smtp.data()), 0);
    EXPECT_EQ(Records::FieldBytes(smtp.constData() + 512, 256), QByteArray("127.0.0.1"));
    EXPECT_EQ(Records::U32At(smtp.constData() + 972), 2525u);
    EXPECT_EQ(Records::FieldBytes(smtp.constData(), 256), QByteArray("alerts@korvane.example"));   // kept
    for (const char* app : {"QUELLIT", "DUNMARK"}) {
        int32_t count = 0;
        void* block = nullptr;
        ASSERT_EQ(AlertGetSnmp("DEMOPC", &count, &block, app), 1);
        ASSERT_GT(count, 0);
        for (int i = 0; i < count; ++i)
            EXPECT_EQ(Records::U32At(static_cast<const char*>(block) + 68 * i + 12), 0x0100007Fu) << app;   // 127.0.0.1
        GlobalFree(block);
    }
    EXPECT_EQ(Delivery::ReadDeliverySwitch().snmpTrapPort, 10162);   // kept
    // Its sample alerts are history: recorded, nothing sent and nothing left waiting.
    EXPECT_TRUE(QDir(world.Path(QStringLiteral("machines/DEMOPC/drives/C/ALERT/spool")))
                    .entryList({QStringLiteral("*.alq")}, QDir::Files).isEmpty());
    Records::EventLogFile log;
    ASSERT_TRUE(Records::ReadEventLog(world.Path(QStringLiteral("machines/DEMOPC/drives/C/ALERT/EVENTLOG/ALRECORD.TBL")), &log));
    EXPECT_FALSE(log.records.isEmpty());
    ASSERT_EQ(RunTool({QStringLiteral("delivery"), QStringLiteral("off")}, &output), 0);
    EXPECT_FALSE(Delivery::ReadDeliverySwitch().realDelivery);
}
