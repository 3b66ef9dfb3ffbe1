#pragma once
// The world tool: creates, inspects and feeds a world (VIGIMOR_WORLD).
//
//   init [--demo]                       this computer's folder; --demo: the sample world
//   add-machine NAME [--domain D] [--comment C] [--platform MAJOR[.MINOR]] [--older-service]
//               [--account DOMAIN\USER:PASSWORD]... [--share NAME:disk:PATH | NAME:print]...
//               [--provider PROVIDER] [--service]
//   add-recipient [--machine M] [--repeat N] APP METHOD TEXT
//   raise [--machine M] [--queue] APP SEVERITY TEXT
//   install-mail [--machine M] [--extended] [--exchange]
//   install-notes [--machine M] INSTALLATION-PATH
//   add-address [--machine M] mail|notes NAME [ADDRESS]
//   show [--machine M]
//   start [--machine M]
//   delivery on|off [--machine M] [--smtp-port N] [--snmp-port N] [--ca-file PATH]
//
// Machines default to this computer. Every command answers 0 on success and prints what went
// wrong otherwise.
#include "platform/WinTypes.h"
#include "records/PortConfig.h"
#include "tarnix/AltTable.h"

#include <QString>
#include <QStringList>
#include <QTextStream>
#include <cstdint>

namespace WorldTool {

int Run(const QStringList& arguments, QTextStream& out, QTextStream& err);

struct MachineOptions {
    QString name;
    QString domain = QStringLiteral("WORKGROUP");
    QString comment;
    int platformMajor = 5;
    int platformMinor = 0;
    bool olderService = false;
    QStringList accounts;     // DOMAIN\USER:PASSWORD
    QStringList shares;       // NAME:disk:PATH or NAME:print[:COMMENT]
    QString provider = QStringLiteral("Microsoft Windows Network");
    bool installService = false;
};

// Creates the machine's folder (machine.json, registry.reg, drives/C/WINDOWS) and enters it in
// network.json under its provider and domain. 0, or a Windows code (87 bad option, 183 exists).
DWORD AddMachine(const MachineOptions& options, QString* error);

// Enters a machine in network.json under its provider and domain (either created when new);
// an empty machine only makes sure the provider and domain exist.
bool JoinNetwork(const QString& provider, const QString& domain, const QString& machine);

// The port record a fresh installation starts with (COM1, "System default", id 1).
Records::PortRecord SystemDefaultPort();

// Installs the alert service on a machine: service entry, registry paths (Home C:\ALERT,
// EventLog C:\ALERT\EVENTLOG, Log C:\ALERT\LOG), the default table, an empty activity log and
// the console's help page (Help\Index.htm under the home).
DWORD InstallAlertService(const QString& machine, QString* error);

// Writes an application's table on a machine and registers its display name (when it has one)
// under Applications\<app> of the machine's product key, where the event log looks it up.
DWORD InstallApplicationTable(const QString& machine, const QByteArray& app, const Tarnix::AltTable& table);

// Adds one recipient to a table's list in one locked read-modify-write. method: broadcast,
// pager, email, snmp, ticket, eventlog, notes, smtp; text as the world tool's help says.
DWORD AddRecipient(const QString& machine, const QByteArray& app, const QString& method, const QString& text,
                   QString* error);

// Submits an alert for every recipient of the application's table. queue: also when the
// service is not running (it delivers the spool when it runs). *recipients gets their number.
DWORD RaiseAlert(const QString& machine, const QByteArray& app, int severity, const QString& text, bool queue,
                 uint32_t* recipients, QString* error);

// The machine's tables, recipients, ports, logs and statistics as text.
QString ShowMachine(const QString& machine);

// Starts the machine's alert service and waits (bounded) until it runs.
DWORD StartAlertService(const QString& machine, QString* error);

// The sample world of init --demo. With real delivery switched on beforehand, its SMTP server
// and SNMP managers are 127.0.0.1.
DWORD CreateDemoWorld(QString* error);

struct DeliveryOptions {
    bool realDelivery = false;
    int smtpPort = 0;     // 1-65535: the machine's SMTP settings name 127.0.0.1 and this port
    int snmpPort = 0;     // 1-65535: traps go to this port
    QString caFile;       // relative to the world root; empty keeps what is set
};
// Switches real delivery on or off for the world (delivery.json) and points the machine's SMTP
// settings and the world's trap port at loopback ports. Sending stays limited to loopback.
DWORD SetDelivery(const QString& machine, const DeliveryOptions& options, QString* error);

} // namespace WorldTool
