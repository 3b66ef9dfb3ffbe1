// The configuration leaf and the application tables against a real alertsvc process: the
// tables appear under the configuration leaf while the service runs and go when it stops; a
// change made elsewhere reloads a table on a later tick while the console's own write does not;
// a test alert from a recipient reaches the machine's spool carrying that recipient's record
// alone, through the wide entry point for this computer and the 8-bit one for another machine.
#include "../server/ServerTestSupport.h"
#include "../common/LocalServers.h"

#include "alertworld/WorldTool.h"
#include "framework/Commands.h"
#include "extern/Plenkor.h"
#include "methods/MethodLeaf.h"
#include "platform/GlobalMemory.h"
#include "plenkor/PackedAlert.h"
#include "plenkor/Spool.h"
#include "records/ByteField.h"
#include "records/RecipientRecords.h"
#include "tarnix/AltTable.h"
#include "tarnix/MachineStore.h"
#include "tree/ALTLeaf.h"
#include "tree/ConfigLeaf.h"
#include "ui/AlertListWnd.h"
#include "ui/AlertTreeWnd.h"
#include "ui/MainFrame.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>

using namespace ServerTest;

namespace {

// Which submission entry point the last test alert took; both pass on to the library.
QStringList g_entryPoints;
int32_t RecordAnsi(const char* machine, uint32_t bit, int32_t priority, const char* app, const char* text,
                   int32_t reserved, const void* packed, uint32_t size)
{
    g_entryPoints << QStringLiteral("8-bit:") + QString::fromUtf8(machine);
    return ALMakeAlert2Ex(machine, bit, priority, app, text, reserved, packed, size);
}
int32_t RecordWide(int32_t r0, const char16_t* machine, uint32_t bit, int32_t priority, const char16_t* app,
                   const char16_t* text, int32_t reserved, const void* packed, uint32_t size)
{
    g_entryPoints << QStringLiteral("wide:") + QString::fromUtf16(machine);
    return ALMakeAlert2ExW(r0, machine, bit, priority, app, text, reserved, packed, size);
}

class TablesTest : public Fixture {
protected:
    void SetUp() override
    {
        Fixture::SetUp();
        g_entryPoints.clear();
        CAbstractDataLeaf::SetSubmitEntryPoints(RecordAnsi, RecordWide);
    }
    void TearDown() override
    {
        CAbstractDataLeaf::SetSubmitEntryPoints(nullptr, nullptr);
        Fixture::TearDown();
    }

    static void WriteTable(const QString& machine, const QByteArray& app, const QByteArray& display, int version,
                           const QByteArray& broadcast, const QByteArray& smtp = QByteArray())
    {
        const World::ScopedLocalMachine scope(machine);
        const Tarnix::MachineStore store(machine);
        Tarnix::AltTable table;
        table.version = uint16_t(version);
        table.displayName = display;
        Records::PutField(table.alStruct.data() + CALTLeaf::kSubjectOffset, CALTLeaf::kSubjectSize, app + " subject");
        table.lists[Tarnix::BroadcastList] = broadcast;
        table.counts[Tarnix::BroadcastList] = uint32_t(broadcast.size() / 52);
        table.lists[Tarnix::SmtpList] = smtp;
        table.counts[Tarnix::SmtpList] = uint32_t(smtp.size() / 197);
        ASSERT_EQ(store.WriteTable(app, table), 0u);
    }

    // This computer with the service and two application tables.
    void LocalWithTables()
    {
        InstallLocalService();
        WriteTable(kThisComputer, "QUELLIT", "Quellit Server Monitor", 3,
                   Records::MakeBroadcastRecord("\\\\SRV1") + Records::MakeBroadcastRecord("ADMINS"),
                   Records::MakeSmtpRecord("ops@example.com", "Operations"));
        WriteTable(kThisComputer, "DUNMARK", "", 0, Records::MakeBroadcastRecord("BACKUP"));
    }

    static QStringList Names(CAlertLeaf* parent)
    {
        QStringList names;
        for (CAlertLeaf* c = parent ? parent->GetFirstChild() : nullptr; c; c = c->GetNextSibling())
            names << c->GetName();
        return names;
    }
    static CAlertLeaf* Child(CAlertLeaf* parent, const QString& name)
    {
        for (CAlertLeaf* c = parent ? parent->GetFirstChild() : nullptr; c; c = c->GetNextSibling()) {
            if (c->GetName() == name)
                return c;
        }
        return nullptr;
    }
    static bool AllLoaded(CConfigLeaf* config)
    {
        if (!config->HasChildren())
            return false;
        for (CAlertLeaf* c = config->GetFirstChild(); c; c = c->GetNextSibling()) {
            auto* table = dynamic_cast<CALTLeaf*>(c);
            if (table && table->GetChangeDate() == QLatin1String(CALTLeaf::kInvalidDate))
                return false;
        }
        return true;
    }
    static DWORD ServiceState(const QString& machine)
    {
        DWORD state = 0;
        Tarnix::QueryAlertServiceState(machine, &state);
        return state;
    }
    // Pauses the service so the alerts stay in the spool for the test to read.
    static void Pause(const QString& machine)
    {
        ASSERT_EQ(AlertPauseService(machine.toUtf8().constData(), 0), 0);
        ASSERT_TRUE(WaitUntil([&] { return ServiceState(machine) == SERVICE_PAUSED; }));
    }
    static QList<Plenkor::SpooledAlert> Spooled(const QString& machine)
    {
        QList<Plenkor::SpooledAlert> alerts;
        QString dir;
        {
            const World::ScopedLocalMachine scope(machine);
            if (Plenkor::SpoolDirectory(machine, &dir) != 0)
                return alerts;
        }
        const QStringList files = QDir(dir).entryList({QStringLiteral("*.alq")}, QDir::Files, QDir::Name);
        for (const QString& name : files) {
            QFile file(dir + QLatin1Char('/') + name);
            if (!file.open(QIODevice::ReadOnly))
                continue;
            Plenkor::SpooledAlert alert;
            if (Plenkor::ParseSpooled(file.readAll(), &alert) == 0)
                alerts << alert;
        }
        return alerts;
    }
    // The one spooled alert carries exactly this record of this method.
    static void ExpectSingleRecipientPacket(const Plenkor::SpooledAlert& alert, uint32_t bit, int version,
                                            const QByteArray& record, const QByteArray& app)
    {
        EXPECT_EQ(alert.methodBits, bit);
        EXPECT_EQ(alert.priority, 3);
        EXPECT_EQ(alert.application, app);
        EXPECT_EQ(alert.text, LoadString(3528).toUtf8());
        Plenkor::PackedAlert packed;
        ASSERT_EQ(Plenkor::Unpack(alert.packed, &packed), 0u);
        EXPECT_EQ(packed.header[5], 25);
        EXPECT_EQ(packed.header[9], version);
        ASSERT_EQ(packed.sections.size(), 1);
        EXPECT_EQ(packed.sections[0].method->bit, bit);
        EXPECT_EQ(packed.sections[0].count, 1u);
        EXPECT_EQ(packed.sections[0].records, record);
        EXPECT_EQ(packed.RecipientCount(), 1u);
        EXPECT_EQ(Records::FieldBytes(packed.alStruct.constData() + CALTLeaf::kSubjectOffset, CALTLeaf::kSubjectSize),
                  app + " subject");
    }
};

TEST_F(TablesTest, TablesAppearWhileTheServiceRunsAndGoWhenItStops)
{
    LocalWithTables();
    StartService(kThisComputer);
    CServerLeaf* server = AddServer(kThisComputer);
    ASSERT_NE(server, nullptr);
    CConfigLeaf* config = server->GetConfigLeaf();
    ASSERT_NE(config, nullptr);
    EXPECT_EQ(config->GetName(), QString::fromUtf8("配置"));
    // The port configurations first, then the default table, then the applications by their
    // display names (the application's own name when it has none).
    const QStringList expected = {QString::fromUtf8("連接埠"), QString::fromUtf8("預設"), QStringLiteral("DUNMARK"),
                                  QStringLiteral("Quellit Server Monitor")};
    EXPECT_EQ(Names(config), expected);

    auto* quellit = dynamic_cast<CALTLeaf*>(Child(config, QStringLiteral("Quellit Server Monitor")));
    ASSERT_NE(quellit, nullptr);
    EXPECT_EQ(quellit->GetApplicationName(), QStringLiteral("QUELLIT"));
    // Version 3: broadcast and SMTP, sorted by name (the other methods' leaves are not part of
    // this table yet).
    EXPECT_EQ(Names(quellit), QStringList({QStringLiteral("Lotus Notes"), QStringLiteral("SMTP"), QStringLiteral("SNMP"), QString::fromUtf8("Windows 事件日誌"), QString::fromUtf8("呼叫器"),
                                           QString::fromUtf8("問題通知表"), QString::fromUtf8("廣播")}));
    auto* dunmark = dynamic_cast<CALTLeaf*>(Child(config, QStringLiteral("DUNMARK")));
    ASSERT_NE(dunmark, nullptr);
    EXPECT_EQ(Names(dunmark), QStringList({QStringLiteral("SNMP"), QString::fromUtf8("Windows 事件日誌"), QString::fromUtf8("呼叫器"), QString::fromUtf8("問題通知表"),
                                           QString::fromUtf8("廣播")}));

    // Later ticks fill every table.
    ASSERT_TRUE(WaitUntil([&] { return AllLoaded(config); }));
    EXPECT_EQ(Names(Child(quellit, QString::fromUtf8("廣播"))), QStringList({"\\\\SRV1", "ADMINS"}));
    EXPECT_EQ(Names(Child(quellit, QStringLiteral("SMTP"))), QStringList({"Operations"}));
    EXPECT_EQ(Records::FieldBytes(quellit->GetImage().constData() + CALTLeaf::kSubjectOffset, 257),
              QByteArray("QUELLIT subject"));

    WORD format = 0;
    QString heading;
    QStringList rows;
    CLeafArray objects;
    quellit->GetDisplayData(DISPLAY_COLUMNS, &format, &heading, &rows, &objects);
    EXPECT_EQ(heading, QString::fromUtf8("收件者類型\t收件者名稱\t說明"));
    // One row per recipient of every method, three columns each.
    EXPECT_EQ(rows, QStringList({QString::fromUtf8("SMTP\tops@example.com\tOperations"),
                                 QString::fromUtf8("廣播\t\\\\SRV1\t網路廣播接收者"),
                                 QString::fromUtf8("廣播\tADMINS\t網路廣播接收者")}));
    EXPECT_EQ(objects.size(), 3);
    // The SMTP list itself shows address and display name.
    rows.clear();
    objects.clear();
    CAlertLeaf* smtpMethod = Child(quellit, QStringLiteral("SMTP"));
    smtpMethod->GetDisplayData(smtpMethod->GetDisplayFormat(), &format, &heading, &rows, &objects);
    EXPECT_EQ(heading, QString::fromUtf8("方式\t收件者位址\t顯示名稱"));
    EXPECT_EQ(rows, QStringList({QStringLiteral("SMTP\tops@example.com\tOperations")}));
    EXPECT_EQ(format, DISPLAY_COLUMNS);

    ASSERT_EQ(AlertStopService(kThisComputer.toUtf8().constData(), 0), 0);
    ASSERT_TRUE(WaitUntil([&] { return !config->HasChildren(); }));
    EXPECT_TRUE(m_host.BoxTexts().isEmpty()) << m_host.BoxTexts().join('|').toStdString();
    ASSERT_TRUE(WaitUntil([&] { return ServiceState(kThisComputer) == SERVICE_STOPPED; }));

    StartService(kThisComputer);
    ASSERT_TRUE(WaitUntil([&] { return Names(config) == expected; }));
}

TEST_F(TablesTest, AnOutsideChangeReloadsTheTableButTheConsolesOwnWriteDoesNot)
{
    LocalWithTables();
    StartService(kThisComputer);
    CServerLeaf* server = AddServer(kThisComputer);
    ASSERT_NE(server, nullptr);
    CConfigLeaf* config = server->GetConfigLeaf();
    ASSERT_TRUE(WaitUntil([&] { return AllLoaded(config); }));
    CAlertLeaf* table = Child(config, QStringLiteral("Quellit Server Monitor"));
    CAlertLeaf* broadcast = Child(table, QString::fromUtf8("廣播"));
    ASSERT_EQ(Names(broadcast), QStringList({"\\\\SRV1", "ADMINS"}));

    // The console's own change: delete a recipient. It is written at once.
    CAlertLeaf* admins = Child(broadcast, QStringLiteral("ADMINS"));
    CAlertLeaf* srv1 = Child(broadcast, QStringLiteral("\\\\SRV1"));
    ASSERT_TRUE(admins->OnCmdMsg(ID_EDIT_DELETE, nullptr));
    int32_t count = -1;
    void* block = nullptr;
    ASSERT_EQ(AlertGetBroadcast("TESTPC", &count, &block, "QUELLIT"), 1);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(Records::FieldBytes(static_cast<const char*>(block), 52), QByteArray("\\\\SRV1"));
    GlobalFree(block);
    EXPECT_FALSE(broadcast->IsModified());

    // Several ticks later the table has not reloaded: the remaining recipient is the same leaf.
    // (A mark no reloaded leaf would carry.)
    srv1->SetModified(1);
    Pump(4 * CServerLeaf::kTableInterval);
    ASSERT_EQ(Names(broadcast), QStringList({"\\\\SRV1"}));
    EXPECT_TRUE(broadcast->GetFirstChild()->IsModified());

    // A change made elsewhere right after reloads on a following tick.
    const QByteArray outside = Records::MakeBroadcastRecord("OUTSIDE");
    HGLOBAL records = GlobalAlloc(GPTR, 52);
    std::memcpy(records, outside.constData(), 52);
    ASSERT_EQ(AlertSetBroadcast("TESTPC", 1, records, 1, "QUELLIT"), 1);
    GlobalFree(records);
    ASSERT_TRUE(WaitUntil([&] { return Names(broadcast) == QStringList({"OUTSIDE"}); }));

    // Deleting the last recipient writes an empty list rather than skipping the write.
    ASSERT_TRUE(broadcast->GetFirstChild()->OnCmdMsg(ID_EDIT_DELETE, nullptr));
    count = -1;
    block = nullptr;
    ASSERT_EQ(AlertGetBroadcast("TESTPC", &count, &block, "QUELLIT"), 1);
    EXPECT_EQ(count, 0);
    if (block)
        GlobalFree(block);
}

TEST_F(TablesTest, ATestAlertToALocalRecipientGoesWideAndCarriesItsRecordAlone)
{
    LocalWithTables();
    StartService(kThisComputer);
    CServerLeaf* server = AddServer(kThisComputer);
    ASSERT_NE(server, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return AllLoaded(server->GetConfigLeaf()); }));
    Pause(kThisComputer);

    CAlertLeaf* table = Child(server->GetConfigLeaf(), QStringLiteral("Quellit Server Monitor"));
    CAlertLeaf* admins = Child(Child(table, QString::fromUtf8("廣播")), QStringLiteral("ADMINS"));
    ASSERT_NE(admins, nullptr);
    ASSERT_TRUE(admins->Select());
    CCmdUI ui(ID_EDIT_TEST_MESSAGE);
    ASSERT_TRUE(m_tree->OnCmdMsg(ID_EDIT_TEST_MESSAGE, &ui));
    EXPECT_TRUE(ui.IsEnabled());
    ASSERT_TRUE(m_tree->OnCmdMsg(ID_EDIT_TEST_MESSAGE, nullptr));

    EXPECT_EQ(g_entryPoints, QStringList({"wide:TESTPC"}));
    EXPECT_EQ(m_host.BoxTexts(), QStringList({QString::fromUtf8("已將測試訊息傳送到機器 TESTPC 上的警示服務")}));
    const QList<Plenkor::SpooledAlert> alerts = Spooled(kThisComputer);
    ASSERT_EQ(alerts.size(), 1);
    ExpectSingleRecipientPacket(alerts[0], 1, 0, Records::MakeBroadcastRecord("ADMINS"), "QUELLIT");

    // An SMTP recipient of the same table: its own method and record version.
    g_entryPoints.clear();
    CAlertLeaf* smtp = Child(table, QStringLiteral("SMTP"))->GetFirstChild();
    EXPECT_EQ(smtp->GetName(), QStringLiteral("Operations"));
    ASSERT_NE(smtp, nullptr);
    ASSERT_TRUE(smtp->OnCmdMsg(ID_EDIT_TEST_MESSAGE, nullptr));
    EXPECT_EQ(g_entryPoints, QStringList({"wide:TESTPC"}));
    const QList<Plenkor::SpooledAlert> both = Spooled(kThisComputer);
    ASSERT_EQ(both.size(), 2);
    const auto& second = both[0].methodBits == 4096 ? both[0] : both[1];
    ExpectSingleRecipientPacket(second, 4096, 2, Records::MakeSmtpRecord("ops@example.com", "Operations"), "QUELLIT");
}

TEST_F(TablesTest, ATestAlertFromTheConsoleArrivesAtARealMailServer)
{
    LocalServers::SmtpServer smtp;
    const quint16 port = LocalServers::FreeTcpPort();
    QString why;
    if (!smtp.Start(port, &why))
        GTEST_SKIP() << "loopback SMTP server: " << why.toStdString();
    LocalWithTables();
    WorldTool::DeliveryOptions on;
    on.realDelivery = true;
    on.smtpPort = port;
    ASSERT_EQ(WorldTool::SetDelivery(kThisComputer, on, &why), 0u) << why.toStdString();
    StartService(kThisComputer);
    CServerLeaf* server = AddServer(kThisComputer);
    ASSERT_NE(server, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return AllLoaded(server->GetConfigLeaf()); }));

    CAlertLeaf* table = Child(server->GetConfigLeaf(), QStringLiteral("Quellit Server Monitor"));
    CAlertLeaf* smtpLeaf = Child(table, QStringLiteral("SMTP"))->GetFirstChild();
    ASSERT_NE(smtpLeaf, nullptr);
    ASSERT_TRUE(smtpLeaf->OnCmdMsg(ID_EDIT_TEST_MESSAGE, nullptr));
    ASSERT_TRUE(WaitUntil([&] { return !smtp.Mails().isEmpty(); }, 15000));
    const LocalServers::Mail mail = LocalServers::ParseMail(smtp.Mails()[0]);
    EXPECT_EQ(mail.envelopeTo, QList<QByteArray>({"ops@example.com"}));
    // The table's mail subject, as the settings name none.
    EXPECT_EQ(mail.headers.value("subject"), QStringLiteral("QUELLIT subject"));
    EXPECT_EQ(mail.headers.value("to"), QStringLiteral("Operations <ops@example.com>"));
    const QString body = QString::fromUtf8(mail.body);
    EXPECT_TRUE(body.contains(QStringLiteral("Application: QUELLIT\r\n"))) << body.toStdString();
    EXPECT_TRUE(body.contains(QStringLiteral("Machine: TESTPC\r\n")));
    EXPECT_TRUE(body.trimmed().endsWith(LoadString(3528).trimmed())) << body.toStdString();
    EXPECT_EQ(smtp.Mails().size(), 1);
}

TEST_F(TablesTest, ATestAlertToAnotherMachineGoesThrough8BitEvenWhenItsNameBeginsWithThisComputers)
{
    // TESTPC2 is another machine, though its name begins with this computer's.
    const QString remote = QStringLiteral("TESTPC2");
    AddRemote(remote);
    ASSERT_EQ(ConnectAdmin(remote), 0u);
    WriteTable(remote, "QUELLIT", "Quellit Server Monitor", 1, Records::MakeBroadcastRecord("\\\\PC07"));
    StartService(remote);
    CServerLeaf* server = AddServer(remote, QStringLiteral("\\\\TESTPC2\\ADMIN$"));
    ASSERT_NE(server, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return server->GetConfigLeaf()->HasChildren() && AllLoaded(server->GetConfigLeaf()); },
                          15000));
    Pause(remote);

    CAlertLeaf* table = Child(server->GetConfigLeaf(), QStringLiteral("Quellit Server Monitor"));
    // Version 1 has no SMTP method.
    EXPECT_EQ(Names(table), QStringList({QStringLiteral("Lotus Notes"), QStringLiteral("SNMP"), QString::fromUtf8("Windows 事件日誌"), QString::fromUtf8("呼叫器"), QString::fromUtf8("問題通知表"),
                                         QString::fromUtf8("廣播")}));
    CAlertLeaf* pc07 = Child(Child(table, QString::fromUtf8("廣播")), QStringLiteral("\\\\PC07"));
    ASSERT_NE(pc07, nullptr);
    ASSERT_TRUE(pc07->OnCmdMsg(ID_EDIT_TEST_MESSAGE, nullptr));
    EXPECT_EQ(g_entryPoints, QStringList({"8-bit:TESTPC2"}));
    EXPECT_EQ(m_host.BoxTexts(), QStringList({QString::fromUtf8("已將測試訊息傳送到機器 TESTPC2 上的警示服務")}));
    const QList<Plenkor::SpooledAlert> alerts = Spooled(remote);
    ASSERT_EQ(alerts.size(), 1);
    ExpectSingleRecipientPacket(alerts[0], 1, 0, Records::MakeBroadcastRecord("\\\\PC07"), "QUELLIT");
    EXPECT_TRUE(Spooled(kThisComputer).isEmpty());

    // Without the connection the library refuses; the code is shown and nothing is spooled.
    m_host.Clear();
    Network::CancelAllConnections();
    ASSERT_TRUE(pc07->OnCmdMsg(ID_EDIT_TEST_MESSAGE, nullptr));
    EXPECT_EQ(m_host.BoxTexts(), QStringList({QString::fromUtf8("建立測試事件 [5] 失敗")}));
    ASSERT_EQ(ConnectAdmin(remote), 0u);
    EXPECT_EQ(Spooled(remote).size(), 1);
}

TEST_F(TablesTest, EachRefreshPassReloadsAtMostOneTable)
{
    LocalWithTables();
    WriteTable(kThisComputer, "ZEPHYR", "Zephyr", 3, Records::MakeBroadcastRecord("ZED"));
    StartService(kThisComputer);
    CServerLeaf* server = AddServer(kThisComputer);
    ASSERT_NE(server, nullptr);
    CConfigLeaf* config = server->GetConfigLeaf();
    auto loaded = [&] {
        int n = 0;
        for (CAlertLeaf* c = config->GetFirstChild(); c; c = c->GetNextSibling()) {
            auto* table = dynamic_cast<CALTLeaf*>(c);
            n += table && table->GetChangeDate() != QLatin1String(CALTLeaf::kInvalidDate);
        }
        return n;
    };
    ASSERT_EQ(config->ChildCount(), 5);   // the port configurations and four tables
    // Loading checked the tables once and the server leaf once more: two tables so far (no
    // tick has been handled yet).
    EXPECT_EQ(loaded(), 2);
    config->RefreshTables();
    EXPECT_EQ(loaded(), 3);
    config->RefreshTables();
    EXPECT_EQ(loaded(), 4);
    // Nothing changed: a further pass reloads nothing.
    CAlertLeaf* zephyr = Child(Child(config, QStringLiteral("Zephyr")), QString::fromUtf8("廣播"))->GetFirstChild();
    ASSERT_NE(zephyr, nullptr);
    zephyr->SetModified(1);
    config->RefreshTables();
    EXPECT_TRUE(zephyr->IsModified());
}

TEST_F(TablesTest, AMachineOnPlatform6HasNoBroadcastMethod)
{
    WorldTool::MachineOptions options;
    options.name = QStringLiteral("NEWSRV");
    options.platformMajor = 6;
    options.accounts = {kAccountDomain + QLatin1Char('\\') + kAccountUser + QLatin1Char(':') + kAccountPassword};
    QString error;
    ASSERT_EQ(WorldTool::AddMachine(options, &error), 0u) << error.toStdString();
    ASSERT_EQ(WorldTool::InstallAlertService(options.name, &error), 0u) << error.toStdString();
    m_reaper.Add(options.name);
    ASSERT_EQ(ConnectAdmin(options.name), 0u);
    StartService(options.name);
    CServerLeaf* server = AddServer(options.name, QStringLiteral("\\\\NEWSRV\\ADMIN$"));
    ASSERT_NE(server, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return server->GetConfigLeaf()->HasChildren(); }, 15000));
    CAlertLeaf* table = Child(server->GetConfigLeaf(), QString::fromUtf8("預設"));
    ASSERT_NE(table, nullptr);
    const QStringList methods = Names(table);
    EXPECT_FALSE(methods.contains(QString::fromUtf8("廣播"))) << methods.join('|').toStdString();
    EXPECT_TRUE(methods.contains(QString::fromUtf8("問題通知表")));
}

TEST_F(TablesTest, ATicketListIsWrittenWithTheTablesHeaderLine)
{
    InstallLocalService();
    {
        const World::ScopedLocalMachine scope(kThisComputer);
        const Tarnix::MachineStore store(kThisComputer);
        Tarnix::AltTable table;
        table.version = 3;
        Records::PutField(table.alStruct.data(), 73, "QUELLIT ticket header");
        const QByteArray a = Records::MakeTicketRecord("printer", "pw", "\\\\SRV1\\LASER");
        const QByteArray b = Records::MakeTicketRecord("printer", "pw", "\\\\SRV2\\INK");
        table.lists[Tarnix::TicketList] = a + b;
        table.counts[Tarnix::TicketList] = 2;
        ASSERT_EQ(store.WriteTable("QUELLIT", table), 0u);
    }
    StartService(kThisComputer);
    CServerLeaf* server = AddServer(kThisComputer);
    ASSERT_TRUE(WaitUntil([&] { return AllLoaded(server->GetConfigLeaf()); }));
    CAlertLeaf* tickets = Child(Child(server->GetConfigLeaf(), QStringLiteral("QUELLIT")), QString::fromUtf8("問題通知表"));
    ASSERT_NE(tickets, nullptr);
    ASSERT_EQ(Names(tickets), QStringList({"\\\\SRV1\\LASER", "\\\\SRV2\\INK"}));
    ASSERT_TRUE(tickets->GetFirstChild()->OnCmdMsg(ID_EDIT_DELETE, nullptr));

    int32_t count = -1;
    void* block = nullptr;
    ASSERT_EQ(AlertGetTTixPRINTQ_HEADER("TESTPC", &count, &block, "QUELLIT"), 1);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(Records::FieldBytes(static_cast<const char*>(block) + 100, 49), QByteArray("\\\\SRV2\\INK"));
    GlobalFree(block);
    QByteArray image(3944, '\0');
    ASSERT_EQ(AlertReadEverySetting("TESTPC", nullptr, nullptr, image.data(), "QUELLIT"), 1);
    EXPECT_EQ(Records::FieldBytes(image.constData(), 73), QByteArray("QUELLIT ticket header"));
}

TEST_F(TablesTest, RegistryTextsAndMailAttributesOfATable)
{
    LocalWithTables();
    StartService(kThisComputer);
    CServerLeaf* server = AddServer(kThisComputer);
    ASSERT_TRUE(WaitUntil([&] { return AllLoaded(server->GetConfigLeaf()); }));
    auto* table = dynamic_cast<CALTLeaf*>(Child(server->GetConfigLeaf(), QStringLiteral("DUNMARK")));
    ASSERT_NE(table, nullptr);

    EXPECT_EQ(table->GetCompany(), QString());
    EXPECT_EQ(table->SetCompany(QString::fromUtf8("科瓦訊")), 0);
    EXPECT_EQ(table->SetLocation(QStringLiteral("Taipei")), 0);
    EXPECT_EQ(table->GetCompany(), QString::fromUtf8("科瓦訊"));
    EXPECT_EQ(table->GetLocation(), QStringLiteral("Taipei"));

    // Attributes written from the image reach the stored table; read back into a cleared image.
    BYTE* image = table->ImageData();
    Records::PutField(reinterpret_cast<char*>(image) + CALTLeaf::kSubjectOffset, CALTLeaf::kSubjectSize,
                      "Nightly backup");
    Records::PutU16(reinterpret_cast<char*>(image) + CALTLeaf::kAttachmentCountOffset, 1);
    Records::PutField(reinterpret_cast<char*>(image) + CALTLeaf::kAttachmentsOffset, CALTLeaf::kAttachmentSize,
                      "C:\\ALERT\\DUNMARK.TXT");
    ASSERT_EQ(table->SetMailAttributes(), 0);
    std::memset(image + CALTLeaf::kSubjectOffset, 0, 3944 - CALTLeaf::kSubjectOffset);
    ASSERT_EQ(table->GetMailAttributes(), 0);
    const char* bytes = reinterpret_cast<const char*>(table->ImageData());
    EXPECT_EQ(Records::FieldBytes(bytes + CALTLeaf::kSubjectOffset, CALTLeaf::kSubjectSize), QByteArray("Nightly backup"));
    EXPECT_EQ(Records::U16At(bytes + CALTLeaf::kAttachmentCountOffset), 1);
    EXPECT_EQ(Records::FieldBytes(bytes + CALTLeaf::kAttachmentsOffset, CALTLeaf::kAttachmentSize),
              QByteArray("C:\\ALERT\\DUNMARK.TXT"));
}

TEST_F(TablesTest, AnEmailListIsWrittenWithTheTablesSubjectAndAttachments)
{
    InstallLocalService();
    {
        const World::ScopedLocalMachine scope(kThisComputer);
        const Tarnix::MachineStore store(kThisComputer);
        Tarnix::AltTable table;
        table.version = 3;
        Records::PutField(table.alStruct.data() + CALTLeaf::kSubjectOffset, CALTLeaf::kSubjectSize, "Disk alert");
        table.lists[Tarnix::EmailList] = Records::MakeEmailRecord("Operations", 1) + Records::MakeEmailRecord("Desk", 2);
        table.counts[Tarnix::EmailList] = 2;
        ASSERT_EQ(store.WriteTable("QUELLIT", table), 0u);
    }
    StartService(kThisComputer);
    CServerLeaf* server = AddServer(kThisComputer);
    ASSERT_TRUE(WaitUntil([&] { return AllLoaded(server->GetConfigLeaf()); }));
    auto* table = dynamic_cast<CALTLeaf*>(Child(server->GetConfigLeaf(), QStringLiteral("QUELLIT")));
    ASSERT_NE(table, nullptr);
    // The console has no mail library here, so the e-mail method is added by hand.
    auto* email = new CEmailMethodLeaf(false);
    ASSERT_TRUE(table->InsertChild(email));
    email->RefreshFromCfg(QStringLiteral("TESTPC"), QStringLiteral("QUELLIT"));
    ASSERT_EQ(email->ChildCount(), 2);
    ASSERT_TRUE(email->GetFirstChild()->OnCmdMsg(ID_EDIT_DELETE, nullptr));

    int32_t count = -1;
    void* block = nullptr;
    ASSERT_EQ(AlertGetEMail("TESTPC", &count, &block, "QUELLIT"), 1);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(Records::FieldBytes(static_cast<const char*>(block), 52), QByteArray("Desk"));
    GlobalFree(block);
    QByteArray image(3944, '\0');
    ASSERT_EQ(AlertReadEverySetting("TESTPC", nullptr, nullptr, image.data(), "QUELLIT"), 1);
    EXPECT_EQ(Records::FieldBytes(image.constData() + CALTLeaf::kSubjectOffset, CALTLeaf::kSubjectSize),
              QByteArray("Disk alert"));
}

TEST_F(TablesTest, CommandsAfterEditingARowStillReachALiveLeaf)
{
    LocalWithTables();
    StartService(kThisComputer);
    CAlertTreeWnd::SetCreatesLocalServer(true);
    struct Restore {
        ~Restore() { CAlertTreeWnd::SetCreatesLocalServer(false); }
    } restore;
    auto frame = std::make_unique<CMainFrame>();
    ASSERT_TRUE(frame->Create());
    frame->resize(760, 420);
    frame->show();
    QApplication::setActiveWindow(frame.get());
    CAlertTreeCtrl* tree = frame->GetTreeWnd()->GetTree();
    auto* server = dynamic_cast<CServerLeaf*>(tree->GetItemLeaf(tree->GetChildItem(TVI_ROOT)));
    ASSERT_TRUE(server);
    ASSERT_TRUE(WaitUntil([&] { return AllLoaded(server->GetConfigLeaf()); }));
    ASSERT_TRUE(WaitUntil([&] { return server->GetServiceState() == SERVICE_RUNNING; }));
    CAlertLeaf* smtp = Child(Child(server->GetConfigLeaf(), QStringLiteral("Quellit Server Monitor")), LoadString(5029));
    ASSERT_TRUE(smtp);
    ASSERT_TRUE(smtp->Select());
    CAlertListWnd* pane = frame->GetInfoPane();
    ASSERT_EQ(pane->GetFormat(), DISPLAY_COLUMNS);
    // The user clicks the row: the focus is in the information pane.
    pane->GetList()->setFocus();
    ASSERT_TRUE(pane->GetList()->SetCurSel(0));
    ASSERT_TRUE(WaitUntil([&] { return pane->isAncestorOf(QApplication::focusWidget()); }));

    auto enabled = [&](UINT id) {
        CCmdUI ui(id);
        return frame->OnCmdMsg(id, &ui) && ui.IsEnabled();
    };
    EXPECT_TRUE(enabled(ID_SERVICE_STOP));
    m_host.PushDialog([](QDialog* d) {
        FindCtrl<QLineEdit>(d, 1074)->setText(QStringLiteral("Night desk"));
        FindCtrl<QPushButton>(d, IDOK)->click();
    });
    frame->ToolBarAction(ID_EDIT_EDIT)->trigger();
    {
        const World::ScopedLocalMachine scope(kThisComputer);
        Tarnix::AltTable table;
        ASSERT_EQ(Tarnix::MachineStore(kThisComputer).ReadTable("QUELLIT", &table), 0u);
        ASSERT_EQ(table.lists[Tarnix::SmtpList].size(), 197);
        EXPECT_EQ(Records::FieldText(table.lists[Tarnix::SmtpList].constData() + 132, 65), QStringLiteral("Night desk"));
    }
    // The edited row is still the selection, and commands reach it and climb to the server. The
    // scripted dialog was not modal: the frame is active again as after a real one.
    EXPECT_EQ(pane->GetList()->GetSelItems(), std::vector<int>{0});
    QApplication::setActiveWindow(frame.get());
    EXPECT_TRUE(WaitUntil([&] { return pane->isAncestorOf(QApplication::focusWidget()); }));
    EXPECT_FALSE(enabled(ID_SERVICE_START));
    EXPECT_TRUE(enabled(ID_SERVICE_STOP));
    EXPECT_TRUE(enabled(ID_SERVICE_PAUSE));
    EXPECT_TRUE(enabled(ID_FILE_CONNECT));
    EXPECT_TRUE(enabled(ID_EDIT_NEW));
    frame->UpdateCommandStates();
    EXPECT_EQ(frame->ServicePaneText(), LoadString(2001));

    // Rows gone from under the selection (a reload) leave commands to the tree's leaf; a delete
    // goes nowhere but to a selection.
    pane->GetList()->SetSel(0, false);
    ASSERT_FALSE(pane->HasCommandTarget());
    EXPECT_TRUE(enabled(ID_SERVICE_STOP));
    EXPECT_TRUE(enabled(ID_EDIT_NEW));
    EXPECT_FALSE(enabled(ID_EDIT_DELETE));
    frame->UpdateCommandStates();
    EXPECT_EQ(frame->ServicePaneText(), LoadString(2001));
}

} // namespace
