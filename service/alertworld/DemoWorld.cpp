// The sample world: this computer with a running-ready alert service and two application
// tables, and a small network of remote machines around it.
#include "alertsvc/Delivery.h"
#include "alertsvc/DeliverySwitch.h"
#include "alertworld/MailInstall.h"
#include "alertworld/ModuleFiles.h"
#include "alertworld/WorldTool.h"

#include "platform/World.h"
#include "records/ByteField.h"
#include "records/PortConfig.h"
#include "records/RecipientRecords.h"
#include "tarnix/MachineStore.h"

#include <QHostAddress>

namespace WorldTool {

using namespace Records;
using Tarnix::AltTable;

namespace {

const char kDomain[] = "KORVANE";
const char kAdministrator[] = "KORVANE\\Administrator:password";

QByteArray DemoImage(const QByteArray& ticketHeader, const QByteArray& subject, const QList<QByteArray>& attachments)
{
    QByteArray image(kAlStructSize, '\0');
    PutField(image.data(), 73, ticketHeader);
    PutField(image.data() + 566, 257, subject);
    PutU16(image.data() + 1032, static_cast<uint16_t>(attachments.size()));
    for (int i = 0; i < attachments.size() && i < 10; ++i)
        PutField(image.data() + 1036 + 256 * i, 256, attachments[i]);
    return image;
}

uint32_t Ip(const char* text)
{
    return QHostAddress(QString::fromLatin1(text)).toIPv4Address();
}

// Where the demo's mail server and trap managers are: with real delivery switched on, this
// machine's loopback address, so that nothing the demo sends leaves the computer.
const char* Reachable(const char* address)
{
    return Delivery::ReadDeliverySwitch().realDelivery ? "127.0.0.1" : address;
}

AltTable QuellitTable()
{
    AltTable t;
    t.version = 3;
    t.displayName = "Quellit Server Monitor";
    t.alStruct = DemoImage("QUELLIT trouble ticket", "QUELLIT alert",
                           {"C:\\ALERT\\QUELLIT.TXT", "C:\\ALERT\\LOG\\ACTIVITY.LOG"});
    t.lists[Tarnix::BroadcastList] = MakeBroadcastRecord("\\\\SRV1") + MakeBroadcastRecord("ADMINS");
    t.lists[Tarnix::PagerList] = MakePagerRecord("Chen Wei", "5550101", 0, 1, "1234", "01") +
                                 MakePagerRecord("Lin Mei", "5550102", 1, 2, "5678", "02");
    t.lists[Tarnix::EmailList] = MakeEmailRecord("Operations", 1) + MakeEmailRecord("Help Desk", 2);
    t.lists[Tarnix::SnmpList] = MakeSnmpRecord("nms1", Ip(Reachable("10.0.0.5")));
    t.lists[Tarnix::TicketList] = MakeTicketRecord("Administrator", "password", "\\\\SRV1\\LASER");
    t.lists[Tarnix::EventLogList] = MakeEventLogRecord("\\\\SRV1", kDomain, "Administrator", "password");
    t.lists[Tarnix::NotesList] = MakeNotesRecord("Wang Fang", "wang.fang@korvane.example", 1);
    t.lists[Tarnix::SmtpList] = MakeSmtpRecord("ops@korvane.example", "Operations");
    return t;
}

AltTable DunmarkTable(const QString& me)
{
    AltTable t;
    t.version = 3;
    t.displayName = "Dunmark Backup";
    t.alStruct = DemoImage("DUNMARK backup ticket", "DUNMARK backup report", {"C:\\ALERT\\DUNMARK.TXT"});
    t.lists[Tarnix::BroadcastList] = MakeBroadcastRecord("\\\\" + me.toUtf8());
    t.lists[Tarnix::PagerList] = MakePagerRecord("Night shift", "5550199", 0, 1);
    t.lists[Tarnix::EmailList] = MakeEmailRecord("Backup Team", 1);
    t.lists[Tarnix::SnmpList] = MakeSnmpRecord("nms2", Ip(Reachable("10.0.0.6")));
    t.lists[Tarnix::TicketList] = MakeTicketRecord("", "", "\\\\SRV2\\COLOR");
    t.lists[Tarnix::EventLogList] = MakeEventLogRecord("\\\\" + me.toUtf8(), "", "", "");
    t.lists[Tarnix::NotesList] = MakeNotesRecord("Backup Desk", "backup.desk@korvane.example", 2);
    t.lists[Tarnix::SmtpList] = MakeSmtpRecord("backup@korvane.example", "Backup Team");
    return t;
}

AltTable DefaultTable()
{
    AltTable t;
    t.version = 3;
    t.alStruct = DemoImage("Alert trouble ticket", "Alert notification", {});
    t.lists[Tarnix::BroadcastList] = MakeBroadcastRecord("ADMINS");
    t.lists[Tarnix::SmtpList] = MakeSmtpRecord("alerts@korvane.example", "Alerts");
    return t;
}

void Count(AltTable* t)
{
    for (int k = 0; k < Tarnix::kListCount; ++k)
        t->counts[k] = static_cast<uint32_t>(t->lists[k].size() / Tarnix::ListRecordSize(static_cast<Tarnix::ListKind>(k)));
}

DWORD WriteTables(const QString& machine, const QList<QPair<QByteArray, AltTable>>& tables, QString* error)
{
    for (auto table : tables) {
        Count(&table.second);
        if (const DWORD rc = InstallApplicationTable(machine, table.first, table.second)) {
            *error = QStringLiteral("cannot write table %1 on %2 [%3]")
                         .arg(QString::fromLatin1(table.first), machine)
                         .arg(rc);
            return rc;
        }
    }
    return 0;
}

DWORD WriteSettings(const QString& machine)
{
    const World::ScopedLocalMachine scope(machine);
    const Tarnix::MachineStore store(machine);
    QByteArray account(512, '\0');
    PutField(account.data(), 48, kDomain);
    PutField(account.data() + 48, 48, "Administrator");
    PutField(account.data() + 96, 48, "password");
    PutField(account.data() + 144, 48, "MAIL1");
    PutField(account.data() + 192, 48, "Alert Service");
    QByteArray smtp(1228, '\0');
    PutField(smtp.data(), 256, "alerts@korvane.example");
    PutField(smtp.data() + 256, 256, "Alert notification");
    PutField(smtp.data() + 512, 256, Reachable("mail.korvane.example"));
    PutU32(smtp.data() + 972, 25);
    QByteArray notes(912, '\0');
    PutField(notes.data() + 96, 256, "C:\\Lotus\\Notes");
    PutU16(notes.data() + 864, 1);
    if (const DWORD rc = store.WriteSettings(Tarnix::SettingsKind::Account, account))
        return rc;
    if (const DWORD rc = store.WriteSettings(Tarnix::SettingsKind::Smtp, smtp))
        return rc;
    return store.WriteSettings(Tarnix::SettingsKind::Notes, notes);
}

DWORD WritePorts(const QString& machine)
{
    const World::ScopedLocalMachine scope(machine);
    QString ports, defaults;
    if (World::ResolvePathOn(machine, QStringLiteral("C:\\ALERT\\PORT.CFG"), &ports) != 0 ||
        World::ResolvePathOn(machine, QStringLiteral("C:\\ALERT\\PORTDEF.CFG"), &defaults) != 0)
        return ERROR_PATH_NOT_FOUND;
    const PortRecord system = WorldTool::SystemDefaultPort();
    PortRecord modem = system;
    modem.id = 2;
    modem.portNumber = 2;
    modem.portName = "COM2";
    modem.baudIndex = 2;
    modem.parityIndex = 1;
    modem.description = "Modem on COM2";
    PortHeader header;
    header.nextId = 3;
    if (!WritePortFile(ports, header, {system, modem}) || !WriteDefaultPort(defaults, 1))
        return ERROR_ACCESS_DENIED;
    return 0;
}

// Alerts of every severity, delivered at once so the logs and counts have something to show.
DWORD RaiseSamples(const QString& machine, const QList<std::tuple<QByteArray, int, QString>>& alerts, QString* error)
{
    for (const auto& [app, severity, text] : alerts) {
        if (const DWORD rc = RaiseAlert(machine, app, severity, text, true, nullptr, error))
            return rc;
    }
    const World::ScopedLocalMachine scope(machine);
    Delivery::ProcessSpool(machine, true);   // history: recorded as delivered, never sent
    return 0;
}

// A mail client of the Exchange kind and a Notes client, with address books that hold the
// tables' recipients and some more, so every method shows and recipients can be picked.
DWORD InstallMailClients(const QString& machine, QString* error)
{
    MailClientOptions mail;
    mail.exchange = true;
    if (const DWORD rc = InstallMailClient(machine, mail, error))
        return rc;
    if (const DWORD rc = InstallNotesClient(machine, QStringLiteral("C:\\Lotus\\Notes"), error))
        return rc;
    const char* const mailBook[][2] = {{"Operations", "ops@korvane.example"},
                                       {"Help Desk", "helpdesk@korvane.example"},
                                       {"Backup Team", "backup@korvane.example"},
                                       {"Security Officer", "security@korvane.example"},
                                       {"Chen Wei", "chen.wei@korvane.example"}};
    for (const auto& entry : mailBook) {
        if (const DWORD rc = AddAddress(machine, QStringLiteral("mail"), QString::fromLatin1(entry[0]),
                                        QString::fromLatin1(entry[1]), error))
            return rc;
    }
    const char* const notesBook[][2] = {{"Wang Fang", "wang.fang@korvane.example"},
                                        {"Backup Desk", "backup.desk@korvane.example"},
                                        {"Li Na", "li.na@korvane.example"}};
    for (const auto& entry : notesBook) {
        if (const DWORD rc = AddAddress(machine, QStringLiteral("notes"), QString::fromLatin1(entry[0]),
                                        QString::fromLatin1(entry[1]), error))
            return rc;
    }
    return 0;
}

} // namespace

DWORD CreateDemoWorld(QString* error)
{
    const QString me = World::ComputerName();
    MachineOptions local;
    local.name = me;
    local.domain = QString::fromLatin1(kDomain);
    local.comment = QStringLiteral("Alert console workstation");
    local.accounts = {QString::fromLatin1(kAdministrator), me + QStringLiteral("\\Operator:operator")};
    local.shares = {QStringLiteral("DATA:disk:D:\\DATA"), QStringLiteral("LASER:print:Second floor")};
    local.installService = true;
    if (const DWORD rc = AddMachine(local, error))
        return rc;
    if (const DWORD rc = WriteTables(me, {{"Alert", DefaultTable()}, {"QUELLIT", QuellitTable()},
                                          {"DUNMARK", DunmarkTable(me)}}, error))
        return rc;
    if (WriteSettings(me) != 0 || WritePorts(me) != 0) {
        *error = QStringLiteral("cannot write the service settings of %1").arg(me);
        return ERROR_ACCESS_DENIED;
    }
    if (const DWORD rc = WriteModuleFiles(me, error))
        return rc;
    if (const DWORD rc = InstallMailClients(me, error))
        return rc;

    struct Remote {
        const char* name;
        const char* comment;
        int major;
        bool older;
        bool service;
        QStringList shares;
    };
    const Remote remotes[] = {
        {"SRV1", "Mail server", 5, false, true, {QStringLiteral("DATA:disk:D:\\DATA"), QStringLiteral("LASER:print:Second floor")}},
        {"SRV2", "File server", 5, false, false, {QStringLiteral("PUBLIC:disk:D:\\PUBLIC"), QStringLiteral("COLOR:print:Colour printer")}},
        {"OLDSRV", "Older alert service", 4, true, true, {}},
        {"NEWSRV6", "Platform 6 server", 6, false, true, {QStringLiteral("LOGS:disk:C:\\LOGS")}},
    };
    for (const Remote& r : remotes) {
        MachineOptions o;
        o.name = QString::fromLatin1(r.name);
        o.domain = QString::fromLatin1(kDomain);
        o.comment = QString::fromLatin1(r.comment);
        o.platformMajor = r.major;
        o.olderService = r.older;
        o.accounts = {QString::fromLatin1(kAdministrator), o.name + QStringLiteral("\\Administrator:secret")};
        o.shares = r.shares;
        o.installService = r.service;
        // A demo world made again keeps the machines it has.
        if (World::MachineExists(o.name))
            continue;
        if (const DWORD rc = AddMachine(o, error))
            return rc;
        if (r.service) {
            if (const DWORD rc = WriteTables(o.name, {{"Alert", DefaultTable()}, {"QUELLIT", QuellitTable()}}, error))
                return rc;
            WriteSettings(o.name);
            WritePorts(o.name);
            if (!r.older)
                WriteModuleFiles(o.name, error);
        }
    }
    if (!JoinNetwork(QStringLiteral("NetWare Network"), QStringLiteral("NWTREE"), QString()) ||
        !JoinNetwork(QStringLiteral("Terminal Services"), QString(), QString()) ||
        !JoinNetwork(QStringLiteral("Web Client Network"), QString(), QString())) {
        *error = QStringLiteral("cannot write network.json");
        return ERROR_ACCESS_DENIED;
    }
    if (const DWORD rc = RaiseSamples(me, {{"QUELLIT", 1, QStringLiteral("Disk C: on SRV1 is 95% full")},
                                           {"DUNMARK", 2, QStringLiteral("Backup job NIGHTLY finished with warnings")},
                                           {"Alert", 3, QStringLiteral("Alert service started")}},
                                      error))
        return rc;
    if (const DWORD rc = RaiseSamples(QStringLiteral("OLDSRV"),
                                      {{"QUELLIT", 2, QStringLiteral("Print queue LASER is stalled")}}, error))
        return rc;
    return 0;
}

} // namespace WorldTool
