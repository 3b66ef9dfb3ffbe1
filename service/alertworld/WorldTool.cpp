#include "alertworld/WorldTool.h"

#include "alertsvc/DeliverySwitch.h"
#include "alertworld/MailInstall.h"

#include "platform/Registry.h"
#include "platform/ServiceControl.h"
#include "platform/Timing.h"
#include "platform/World.h"
#include "plenkor/PackedAlert.h"
#include "plenkor/Spool.h"
#include "records/ActivityLog.h"
#include "records/ByteField.h"
#include "records/EventLogTable.h"
#include "records/MethodTable.h"
#include "records/PortConfig.h"
#include "records/RecipientRecords.h"
#include "records/Statistics.h"
#include "records/StoreFile.h"
#include "tarnix/MachineStore.h"

#include <QDateTime>
#include <algorithm>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QSet>

// The help page lives in a static library; registering it by name keeps the linker from
// dropping it.
static void RegisterHelpResource()
{
    Q_INIT_RESOURCE(alertworld_help);
}

namespace WorldTool {

using namespace Records;
using Tarnix::AltTable;
using Tarnix::ListKind;
using Tarnix::MachineStore;

namespace {

constexpr DWORD kStartWaitMs = 10000;
// Starting a process is not sped up by the timing policy: never wait less than this, in real ms.
constexpr uint64_t kStartWaitFloorMs = 20000;
constexpr DWORD kStartPollMs = 100;

// The console's help page, <home>\Help\Index.htm; one that exists already is left as it is.
bool InstallHelpPage(const QString& home)
{
    RegisterHelpResource();
    const QString help = home + QStringLiteral("/Help");
    if (QFile::exists(help + QStringLiteral("/Index.htm")))
        return true;
    QFile page(QStringLiteral(":/alertworld/help/Index.htm"));
    return QDir().mkpath(help) && page.open(QIODevice::ReadOnly) &&
           ReplaceFile(help + QStringLiteral("/Index.htm"), page.readAll());
}

QString MachineJsonPath(const QString& machine)
{
    return World::Root() + QStringLiteral("/machines/") + machine + QStringLiteral("/machine.json");
}

bool WriteJson(const QString& path, const QJsonObject& object)
{
    FileLock lock(LockPathFor(path));
    return lock.IsLocked() && ReplaceFile(path, QJsonDocument(object).toJson(QJsonDocument::Indented));
}

} // namespace

bool JoinNetwork(const QString& provider, const QString& domain, const QString& machine)
{
    const QString path = World::Root() + QStringLiteral("/network.json");
    FileLock lock(LockPathFor(path));
    if (!lock.IsLocked())
        return false;
    QJsonObject root;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        root = QJsonDocument::fromJson(file.read(1 << 20)).object();
        file.close();
    }
    QJsonArray providers = root.value(QStringLiteral("providers")).toArray();
    qsizetype pi = -1;
    for (qsizetype i = 0; i < providers.size(); ++i) {
        if (providers[i].toObject().value(QStringLiteral("name")).toString() == provider)
            pi = i;
    }
    if (pi < 0) {
        providers.append(QJsonObject {{QStringLiteral("name"), provider}, {QStringLiteral("domains"), QJsonArray()}});
        pi = providers.size() - 1;
    }
    QJsonObject p = providers[pi].toObject();
    if (!domain.isEmpty()) {
        QJsonArray domains = p.value(QStringLiteral("domains")).toArray();
        qsizetype di = -1;
        for (qsizetype i = 0; i < domains.size(); ++i) {
            if (domains[i].toObject().value(QStringLiteral("name")).toString().compare(domain, Qt::CaseInsensitive) == 0)
                di = i;
        }
        if (di < 0) {
            domains.append(QJsonObject {{QStringLiteral("name"), domain.toUpper()},
                                        {QStringLiteral("comment"), QString()},
                                        {QStringLiteral("machines"), QJsonArray()}});
            di = domains.size() - 1;
        }
        QJsonObject d = domains[di].toObject();
        QJsonArray machines = d.value(QStringLiteral("machines")).toArray();
        if (!machine.isEmpty() && !machines.contains(machine))
            machines.append(machine);
        d.insert(QStringLiteral("machines"), machines);
        domains[di] = d;
        p.insert(QStringLiteral("domains"), domains);
    }
    providers[pi] = p;
    root.insert(QStringLiteral("providers"), providers);
    return ReplaceFile(path, QJsonDocument(root).toJson(QJsonDocument::Indented));
}

namespace {

bool ParseAccount(const QString& text, QJsonObject* out)
{
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon <= 0)
        return false;
    const QString who = text.left(colon);
    const qsizetype slash = who.indexOf(QLatin1Char('\\'));
    const QString domain = slash >= 0 ? who.left(slash) : QString();
    const QString user = slash >= 0 ? who.mid(slash + 1) : who;
    if (user.isEmpty())
        return false;
    *out = QJsonObject {{QStringLiteral("domain"), domain},
                        {QStringLiteral("user"), user},
                        {QStringLiteral("password"), text.mid(colon + 1)}};
    return true;
}

bool ParseShare(const QString& text, QJsonObject* out)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() < 2 || parts[0].isEmpty())
        return false;
    const QString type = parts[1].toLower();
    if (type == QLatin1String("disk")) {
        const QString path = parts.mid(2).join(QLatin1Char(':'));
        if (path.size() < 3 || path[1] != QLatin1Char(':') || !path[0].isLetter())
            return false;
        *out = QJsonObject {{QStringLiteral("name"), parts[0].toUpper()}, {QStringLiteral("type"), type},
                            {QStringLiteral("path"), path}, {QStringLiteral("comment"), QString()}};
        return true;
    }
    if (type == QLatin1String("print")) {
        *out = QJsonObject {{QStringLiteral("name"), parts[0].toUpper()}, {QStringLiteral("type"), type},
                            {QStringLiteral("comment"), parts.mid(2).join(QLatin1Char(':'))}};
        return true;
    }
    return false;
}

int ListForMethod(const QString& method)
{
    static const char* const kNames[Tarnix::kListCount] = {"broadcast", "pager", "email", "snmp",
                                                           "ticket", "eventlog", "notes", "smtp"};
    for (int k = 0; k < Tarnix::kListCount; ++k) {
        if (method.compare(QLatin1String(kNames[k]), Qt::CaseInsensitive) == 0)
            return k;
    }
    return -1;
}

QByteArray RecordFromText(int list, const QString& text)
{
    const QStringList f = text.split(QLatin1Char(','));
    auto field = [&f](int i) { return i < f.size() ? f[i].trimmed().toUtf8() : QByteArray(); };
    switch (list) {
    case Tarnix::BroadcastList:
        return text.isEmpty() ? QByteArray() : MakeBroadcastRecord(text.toUtf8());
    case Tarnix::PagerList:
        if (field(0).isEmpty() || field(1).isEmpty())
            return QByteArray();
        return MakePagerRecord(field(0), field(1), field(2) == "alpha" ? 1 : 0, 1);
    case Tarnix::EmailList:
        return text.isEmpty() ? QByteArray() : MakeEmailRecord(text.toUtf8(), 1);
    case Tarnix::SnmpList: {
        QHostAddress address;
        if (field(0).isEmpty() || !address.setAddress(QString::fromUtf8(field(1))) ||
            address.protocol() != QAbstractSocket::IPv4Protocol)
            return QByteArray();
        return MakeSnmpRecord(field(0), address.toIPv4Address());
    }
    case Tarnix::TicketList:
        return text.startsWith(QLatin1String("\\\\")) ? MakeTicketRecord("", "", text.toUtf8()) : QByteArray();
    case Tarnix::EventLogList:
        return text.isEmpty() ? QByteArray() : MakeEventLogRecord(text.toUtf8(), "", "", "");
    case Tarnix::NotesList:
        return field(0).isEmpty() || field(1).isEmpty() ? QByteArray() : MakeNotesRecord(field(0), field(1), 1);
    case Tarnix::SmtpList:
        return field(0).isEmpty() ? QByteArray() : MakeSmtpRecord(field(0), field(1));
    default:
        return QByteArray();
    }
}

// The tool administers the world from outside: it acts on a machine as that machine itself,
// so no connection is needed to reach it.
struct ActAs {
    explicit ActAs(const QString& machine)
        : scope(World::CanonicalMachineName(machine).isEmpty() ? QStringLiteral("?") : machine)
    {
    }
    World::ScopedLocalMachine scope;
};

QString ResolveMachineArg(const QString& given)
{
    return given.isEmpty() ? World::ComputerName() : World::CanonicalMachineName(given);
}

QString ServiceStateText(const QString& machine)
{
    DWORD state = 0;
    const DWORD rc = Tarnix::QueryAlertServiceState(machine, &state);
    if (rc == ERROR_SERVICE_DOES_NOT_EXIST)
        return QStringLiteral("not installed");
    if (rc != 0)
        return QStringLiteral("unknown (%1)").arg(rc);
    static const char* const kStates[] = {"", "stopped", "start pending", "stop pending", "running",
                                          "continue pending", "pause pending", "paused"};
    return state >= 1 && state <= 7 ? QString::fromLatin1(kStates[state]) : QString::number(state);
}

} // namespace

DWORD AddMachine(const MachineOptions& o, QString* error)
{
    const QString name = World::CanonicalMachineName(o.name);
    if (name.isEmpty()) {
        *error = QStringLiteral("invalid machine name: %1").arg(o.name);
        return ERROR_INVALID_NAME;
    }
    QJsonArray accounts;
    for (const QString& a : o.accounts) {
        QJsonObject account;
        if (!ParseAccount(a, &account)) {
            *error = QStringLiteral("bad account (DOMAIN\\USER:PASSWORD): %1").arg(a);
            return ERROR_INVALID_PARAMETER;
        }
        accounts.append(account);
    }
    QJsonArray shares;
    for (const QString& s : o.shares) {
        QJsonObject share;
        if (!ParseShare(s, &share)) {
            *error = QStringLiteral("bad share (NAME:disk:PATH or NAME:print): %1").arg(s);
            return ERROR_INVALID_PARAMETER;
        }
        shares.append(share);
    }
    const QString dir = World::Root() + QStringLiteral("/machines/") + name;
    const ActAs actAs(name);
    if (!World::IsThisComputer(name) && QFileInfo(dir).isDir()) {
        *error = QStringLiteral("machine %1 exists already").arg(name);
        return ERROR_ALREADY_EXISTS;
    }
    if (!QDir().mkpath(dir + QStringLiteral("/drives/C/WINDOWS")) || !QDir().mkpath(dir + QStringLiteral("/scm"))) {
        *error = QStringLiteral("cannot create %1").arg(dir);
        return ERROR_ACCESS_DENIED;
    }
    for (const QJsonValue& v : shares) {
        const QString path = v.toObject().value(QStringLiteral("path")).toString();
        if (!path.isEmpty()) {
            QString relative = path.mid(2);
            relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
            QDir().mkpath(dir + QStringLiteral("/drives/") + path.left(1).toUpper() + relative);
        }
    }
    const QJsonObject json {{QStringLiteral("name"), name},
                            {QStringLiteral("domain"), o.domain.toUpper()},
                            {QStringLiteral("comment"), o.comment},
                            {QStringLiteral("platformMajor"), o.platformMajor},
                            {QStringLiteral("platformMinor"), o.platformMinor},
                            {QStringLiteral("olderService"), o.olderService},
                            {QStringLiteral("accounts"), accounts},
                            {QStringLiteral("shares"), shares}};
    if (!WriteJson(MachineJsonPath(name), json)) {
        *error = QStringLiteral("cannot write machine.json of %1").arg(name);
        return ERROR_ACCESS_DENIED;
    }
    if (Registry::OpenKey(name, QStringLiteral("SOFTWARE")) != 0)
        Registry::CreateKey(name, QStringLiteral("SOFTWARE"), QString());
    if (!JoinNetwork(o.provider, o.domain, name)) {
        *error = QStringLiteral("cannot write network.json");
        return ERROR_ACCESS_DENIED;
    }
    if (o.installService)
        return InstallAlertService(name, error);
    return 0;
}

PortRecord SystemDefaultPort()
{
    PortRecord port;
    port.id = 1;
    port.portNumber = 1;
    port.portName = "COM1";
    port.baudIndex = 4;
    port.dataBitsIndex = 1;
    port.description = "System default";
    return port;
}

DWORD InstallAlertService(const QString& machine, QString* error)
{
    const QString m = World::CanonicalMachineName(machine);
    if (m.isEmpty() || !World::MachineExists(m)) {
        *error = QStringLiteral("unknown machine %1").arg(machine);
        return RPC_S_SERVER_UNAVAILABLE;
    }
    const ActAs actAs(m);
    Scm::ServiceDefinition definition;
    definition.name = QString::fromLatin1(Scm::kAlertServiceName);
    definition.displayName = definition.name;
    definition.binaryPath = QStringLiteral("C:\\ALERT\\ALERT.EXE");
    const DWORD installed = Scm::InstallService(m, definition);
    if (installed != 0 && installed != ERROR_SERVICE_EXISTS) {
        *error = QStringLiteral("cannot install the alert service on %1 [%2]").arg(m).arg(installed);
        return installed;
    }
    const QString key = QString::fromLatin1(Tarnix::kProductKey);
    const bool older = Tarnix::IsOlderServiceMachine(m);
    Registry::CreateKey(m, key + QStringLiteral("\\Path"), QString());
    if (Registry::PutString(m, key + QStringLiteral("\\Path"), QStringLiteral("Home"), QStringLiteral("C:\\ALERT")) ||
        Registry::PutString(m, key + QStringLiteral("\\Path"), QStringLiteral("EventLog"),
                            QStringLiteral("C:\\ALERT\\EVENTLOG")) ||
        Registry::PutString(m, key + QStringLiteral("\\Path"), QStringLiteral("Log"), QStringLiteral("C:\\ALERT\\LOG"))) {
        *error = QStringLiteral("cannot write the registry of %1").arg(m);
        return ERROR_ACCESS_DENIED;
    }
    if (!older)
        Registry::PutString(m, key, QStringLiteral("Version"), QStringLiteral("4.5.312.0"));

    const World::ScopedLocalMachine scope(m);
    QString home, eventLog, log;
    World::ResolvePathOn(m, QStringLiteral("C:\\ALERT"), &home);
    World::ResolvePathOn(m, QStringLiteral("C:\\ALERT\\EVENTLOG"), &eventLog);
    World::ResolvePathOn(m, QStringLiteral("C:\\ALERT\\LOG"), &log);
    if (home.isEmpty() || eventLog.isEmpty() || log.isEmpty() || !QDir().mkpath(home + QStringLiteral("/spool")) ||
        !QDir().mkpath(eventLog) || !QDir().mkpath(log)) {
        *error = QStringLiteral("cannot create the service folders of %1").arg(m);
        return ERROR_ACCESS_DENIED;
    }
    const MachineStore store(m);
    AltTable existing;
    if (store.ReadTable(Tarnix::kDefaultApplication, &existing) == ERROR_FILE_NOT_FOUND)
        store.WriteTable(Tarnix::kDefaultApplication, AltTable());
    const QString tbl = eventLog + QStringLiteral("/ALRECORD.TBL");
    if (!QFile::exists(tbl))
        WriteEventLog(tbl, EventLogHeader(), {});
    if (older) {
        const QString text = log + QStringLiteral("/ALERT.LOG");
        if (!QFile::exists(text))
            ReplaceFile(text, QByteArray());
    } else if (!QFile::exists(log + QStringLiteral("/ACTIVITY.LOG"))) {
        ResetActivityRing(log + QStringLiteral("/ACTIVITY.LOG"), kRingDefaultCapacity);
    }
    const QString ports = home + QStringLiteral("/PORT.CFG");
    if (!QFile::exists(ports)) {
        WritePortFile(ports, PortHeader(), {SystemDefaultPort()});
        WriteDefaultPort(home + QStringLiteral("/PORTDEF.CFG"), 1);
    }
    if (!InstallHelpPage(home)) {
        *error = QStringLiteral("cannot write the help page of %1").arg(m);
        return ERROR_ACCESS_DENIED;
    }
    return 0;
}

DWORD InstallApplicationTable(const QString& machine, const QByteArray& app, const AltTable& table)
{
    const QString m = World::CanonicalMachineName(machine);
    if (m.isEmpty() || !World::MachineExists(m))
        return RPC_S_SERVER_UNAVAILABLE;
    const ActAs actAs(m);
    if (const DWORD rc = MachineStore(m).WriteTable(app, table))
        return rc;
    if (table.displayName.isEmpty())
        return 0;
    // The event log names an application by this value of the machine's registry.
    const QString key = QString::fromLatin1(Tarnix::kProductKey) + QStringLiteral("\\Applications\\") +
                        QString::fromLatin1(app);
    if (const DWORD rc = Registry::CreateKey(m, key, QString()))
        return rc;
    return Registry::PutString(m, key, QStringLiteral("DisplayName"), QString::fromUtf8(table.displayName));
}

DWORD AddRecipient(const QString& machine, const QByteArray& app, const QString& method, const QString& text,
                   QString* error)
{
    const ActAs actAs(machine);
    QString m;
    if (const DWORD rc = Tarnix::CheckMachine(machine, &m)) {
        *error = QStringLiteral("unknown or unreachable machine %1 [%2]").arg(machine).arg(rc);
        return rc;
    }
    const int list = ListForMethod(method);
    if (list < 0) {
        *error = QStringLiteral("unknown method %1").arg(method);
        return ERROR_INVALID_PARAMETER;
    }
    const QByteArray record = RecordFromText(list, text);
    if (record.isEmpty()) {
        *error = QStringLiteral("cannot make a %1 recipient of \"%2\"").arg(method, text);
        return ERROR_INVALID_PARAMETER;
    }
    const MachineStore store(m);
    const DWORD rc = store.UpdateTable(app, true, [&](AltTable& table) -> DWORD {
        if (table.counts[list] >= Tarnix::kMaxListRecords)
            return ERROR_NOT_ENOUGH_MEMORY;
        table.lists[list] += record;
        ++table.counts[list];
        return 0;
    });
    if (rc != 0)
        *error = QStringLiteral("cannot write the table %1 on %2 [%3]").arg(QString::fromLatin1(app), m).arg(rc);
    return rc;
}

DWORD RaiseAlert(const QString& machine, const QByteArray& app, int severity, const QString& text, bool queue,
                 uint32_t* recipients, QString* error)
{
    const ActAs actAs(machine);
    QString m;
    if (const DWORD rc = Tarnix::CheckMachine(machine, &m)) {
        *error = QStringLiteral("unknown or unreachable machine %1 [%2]").arg(machine).arg(rc);
        return rc;
    }
    AltTable table;
    {
        const MachineStore store(m);
        if (const DWORD rc = store.ReadTable(app, &table)) {
            *error = QStringLiteral("no readable table %1 on %2 [%3]").arg(QString::fromLatin1(app), m).arg(rc);
            return rc;
        }
    }
    std::array<uint16_t, Plenkor::kHeaderEntries> header {};
    header[5] = 25;
    header[Plenkor::kVersionEntry] = table.version;
    // The stored lists, as the methods' packet slots want them; pagers split by their type.
    QByteArray perMethod[kMethodCount];
    auto slot = [](uint32_t bit) {
        for (int i = 0; i < kMethodCount; ++i) {
            if (Methods()[i].bit == bit)
                return i;
        }
        return 0;
    };
    perMethod[slot(kBroadcastBit)] = table.lists[Tarnix::BroadcastList];
    for (uint32_t i = 0; i < table.counts[Tarnix::PagerList]; ++i) {
        const QByteArray r = table.lists[Tarnix::PagerList].mid(static_cast<qsizetype>(i) * 150, 150);
        const uint8_t type = static_cast<uint8_t>(r[kPagerTypeOffset]);
        if (type == 0)
            perMethod[slot(kNumericPagerBit)] += r;
        else if (type == 1)
            perMethod[slot(kAlphaPagerBit)] += r;
    }
    perMethod[slot(kEmailBit)] = table.lists[Tarnix::EmailList];
    perMethod[slot(kTicketBit)] = table.lists[Tarnix::TicketList];
    perMethod[slot(kEventLogBit)] = table.lists[Tarnix::EventLogList];
    perMethod[slot(kSnmpBit)] = table.lists[Tarnix::SnmpList];
    perMethod[slot(kNotesBit)] = table.lists[Tarnix::NotesList];
    perMethod[slot(kSmtpBit)] = table.lists[Tarnix::SmtpList];

    QVector<Plenkor::Section> sections;
    uint32_t bits = 0;
    uint32_t total = 0;
    for (int i = 0; i < kMethodCount; ++i) {
        const MethodInfo& method = Methods()[i];
        const int size = RecordSize(method, table.version);
        if (size == 0 || perMethod[i].isEmpty())
            continue;
        const uint32_t count = static_cast<uint32_t>(perMethod[i].size() / size);
        if (count > 0xFFFF) {
            *error = QStringLiteral("%1 has more %2 recipients than one alert carries").arg(
                QString::fromLatin1(app), QString::fromLatin1(method.name));
            return ERROR_INVALID_PARAMETER;
        }
        header[method.countEntry] = static_cast<uint16_t>(count);
        Plenkor::Section s;
        s.method = &method;
        s.version = table.version;
        s.recordSize = size;
        s.count = count;
        s.records = perMethod[i];
        sections.append(s);
        bits |= method.bit;
        total += count;
    }
    if (sections.isEmpty()) {
        *error = QStringLiteral("the table %1 has no recipients").arg(QString::fromLatin1(app));
        return ERROR_NO_MORE_ITEMS;
    }
    Plenkor::SpooledAlert alert;
    alert.methodBits = bits;
    alert.priority = severity;
    alert.application = app.toUpper();
    alert.text = text.toUtf8();
    alert.packed = Plenkor::PackSections(header, table.alStruct, sections);
    const DWORD rc = Plenkor::SubmitAlert(m, alert, !queue);
    if (rc != 0) {
        *error = rc == ERROR_SERVICE_NOT_ACTIVE
                     ? QStringLiteral("the alert service of %1 is not running (use --queue to spool anyway)").arg(m)
                     : QStringLiteral("cannot submit the alert to %1 [%2]").arg(m).arg(rc);
        return rc;
    }
    if (recipients)
        *recipients = total;
    return 0;
}

QString ShowMachine(const QString& machine)
{
    const ActAs actAs(machine);
    QString text;
    QTextStream out(&text);
    QString m;
    if (const DWORD rc = Tarnix::CheckMachine(machine, &m)) {
        out << "unknown or unreachable machine " << machine << " [" << rc << "]\n";
        return text;
    }
    QJsonObject json;
    World::ReadMachineJson(m, &json);
    out << "Machine " << m << "  domain " << json.value(QStringLiteral("domain")).toString() << "  platform "
        << json.value(QStringLiteral("platformMajor")).toInt() << '.' << json.value(QStringLiteral("platformMinor")).toInt()
        << (Tarnix::IsOlderServiceMachine(m) ? "  older service" : "") << '\n';
    out << "Alert service: " << ServiceStateText(m) << '\n';
    const MachineStore store(m);
    const QString home = store.PathValue("Home");
    out << "Home " << home << "  EventLog " << store.PathValue("EventLog") << "  Log " << store.PathValue("Log") << '\n';
    out << DescribeMailClients(m);
    QByteArray settings;
    if (store.ReadSettings(Tarnix::SettingsKind::Smtp, &settings) == 0 && settings.size() >= 980) {
        const char* r = settings.constData();
        out << "SMTP settings: sender \"" << FieldText(r, 256) << "\"  subject \"" << FieldText(r + 256, 256)
            << "\"  server \"" << FieldText(r + 512, 256) << "\"  port " << U32At(r + 972) << "  security "
            << U32At(r + 976) << "  authentication " << U32At(r + 968) << "  user \"" << FieldText(r + 768, 150)
            << "\"  password " << FieldText(r + 918, 50).size() << " characters\n";
    }
    if (store.ReadSettings(Tarnix::SettingsKind::Notes, &settings) == 0 && settings.size() >= 866) {
        const char* r = settings.constData();
        out << "Notes settings: installation \"" << FieldText(r + 96, 256) << "\"  user-specified account "
            << (U16At(r + 864) == 0 ? "yes" : "no") << "  ID file \"" << FieldText(r, 48) << "\"  mail server \""
            << FieldText(r + 352, 256) << "\"  mail file \"" << FieldText(r + 608, 256) << "\"  password "
            << FieldText(r + 48, 48).size() << " characters\n";
    }

    QVector<Tarnix::ApplicationEntry> apps;
    store.ListApplications(&apps);
    apps.prepend({QByteArray(Tarnix::kDefaultApplication), QByteArray()});
    for (const Tarnix::ApplicationEntry& app : apps) {
        AltTable table;
        const DWORD rc = store.ReadTable(app.name, &table);
        if (rc != 0) {
            if (rc != ERROR_FILE_NOT_FOUND)
                out << "\nTable " << app.name << ": unreadable [" << rc << "]\n";
            continue;
        }
        out << "\nTable " << app.name;
        if (!table.displayName.isEmpty())
            out << " (" << QString::fromUtf8(table.displayName) << ')';
        out << "  version " << table.version << "  changed " << table.ChangeDate() << '\n';
        if (table.alStruct.size() >= kAlStructSize) {
            const char* image = table.alStruct.constData();
            const int attachments = std::min<int>(U16At(image + 1032), 10);
            out << "  mail subject \"" << FieldText(image + 566, 257) << "\"  attachments " << attachments;
            for (int i = 0; i < attachments; ++i)
                out << (i ? "; " : ": ") << FieldText(image + 1036 + 256 * i, 256);
            out << '\n';
        }
        for (int k = 0; k < Tarnix::kListCount; ++k) {
            const int size = Tarnix::ListRecordSize(static_cast<ListKind>(k));
            for (uint32_t i = 0; i < table.counts[k]; ++i) {
                const char* r = table.lists[k].constData() + static_cast<qsizetype>(i) * size;
                const MethodInfo* method = MethodByBit(
                    k == Tarnix::BroadcastList ? kBroadcastBit
                    : k == Tarnix::PagerList   ? (r[kPagerTypeOffset] == 1 ? kAlphaPagerBit : kNumericPagerBit)
                    : k == Tarnix::EmailList   ? kEmailBit
                    : k == Tarnix::SnmpList    ? kSnmpBit
                    : k == Tarnix::TicketList  ? kTicketBit
                    : k == Tarnix::EventLogList ? kEventLogBit
                    : k == Tarnix::NotesList   ? kNotesBit
                                               : kSmtpBit);
                out << "  " << method->name << ": " << DescribeRecipient(*method, r) << '\n';
            }
        }
    }
    if (home.isEmpty())
        return text;

    const World::ScopedLocalMachine scope(m);
    QString path;
    PortHeader portHeader;
    QVector<PortRecord> ports;
    if (World::ResolvePathOn(m, home + QStringLiteral("\\PORT.CFG"), &path) == 0 &&
        ReadPortFile(path, &portHeader, &ports)) {
        uint16_t defaultId = 1;
        QString defPath;
        if (World::ResolvePathOn(m, home + QStringLiteral("\\PORTDEF.CFG"), &defPath) == 0)
            ReadDefaultPort(defPath, &defaultId);
        out << "\nPorts (next id " << portHeader.nextId << ")\n";
        for (const PortRecord& p : ports)
            out << "  " << p.id << ' ' << QString::fromUtf8(p.portName) << "  " << QString::fromUtf8(p.description)
                << (p.id == defaultId ? "  (default)" : "") << '\n';
    }
    const QString eventLogDir = store.PathValue("EventLog");
    EventLogFile events;
    if (!eventLogDir.isEmpty() && World::ResolvePathOn(m, eventLogDir + QStringLiteral("\\ALRECORD.TBL"), &path) == 0 &&
        ReadEventLog(path, &events)) {
        out << "\nEvent log (" << events.header.counts[0] << " important, " << events.header.counts[1] << " warning, "
            << events.header.counts[2] << " information)\n";
        for (const EventLogRecord& e : events.records)
            out << "  " << QDateTime::fromSecsSinceEpoch(e.timeGenerated).toString(Qt::ISODate) << ' '
                << QString::fromUtf8(e.application) << " [" << e.severity << "] "
                << QString::fromUtf8(e.labelSuffix) << ": " << QString::fromUtf8(e.description) << "  ("
                << QString::fromUtf8(e.detailFile) << ")\n";
    }
    const QString logDir = store.PathValue("Log");
    if (!logDir.isEmpty()) {
        if (Tarnix::IsOlderServiceMachine(m)) {
            QByteArray data;
            if (World::ResolvePathOn(m, logDir + QStringLiteral("\\ALERT.LOG"), &path) == 0 &&
                ReadWholeFile(path, 1 << 20, &data))
                out << "\nALERT.LOG\n" << QString::fromUtf8(data);
        } else {
            RingHeader ring;
            QVector<RingEntry> entries;
            if (World::ResolvePathOn(m, logDir + QStringLiteral("\\ACTIVITY.LOG"), &path) == 0 &&
                ReadActivityRing(path, &ring, &entries)) {
                out << "\nActivity log (" << ring.count << " of " << ring.capacity << ")\n";
                for (const RingEntry& e : entries)
                    out << "  " << e.written.ToDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")) << ' '
                        << QString::fromUtf8(e.text) << '\n';
            }
        }
    }
    Statistics stats;
    if (store.StatisticsFile(&path) == 0 && ReadStatistics(path, &stats))
        out << "\nStatistics: " << stats.bySeverity[0] << " important, " << stats.bySeverity[1] << " warning, "
            << stats.bySeverity[2] << " information; " << stats.alerts << " alerts, " << stats.badAlerts
            << " malformed; " << stats.deliveries << " deliveries, " << stats.undelivered << " given up\n";
    return text;
}

DWORD SetDelivery(const QString& machine, const DeliveryOptions& options, QString* error)
{
    const auto validPort = [](int port) { return port == 0 || (port >= 1 && port <= 65535); };
    if (!validPort(options.smtpPort) || !validPort(options.snmpPort)) {
        *error = QStringLiteral("ports are 1-65535");
        return ERROR_INVALID_PARAMETER;
    }
    Delivery::DeliverySwitch sw = Delivery::ReadDeliverySwitch();
    sw.realDelivery = options.realDelivery;
    if (options.snmpPort != 0)
        sw.snmpTrapPort = static_cast<quint16>(options.snmpPort);
    if (!options.caFile.isEmpty()) {
        sw.smtpCaFile = options.caFile;
        if (sw.CaFileHostPath().isEmpty()) {
            *error = QStringLiteral("the CA file must be a path inside the world: %1").arg(options.caFile);
            return ERROR_INVALID_PARAMETER;
        }
    }
    if (!Delivery::WriteDeliverySwitch(sw)) {
        *error = QStringLiteral("cannot write %1").arg(Delivery::DeliverySwitchPath());
        return ERROR_ACCESS_DENIED;
    }
    if (options.smtpPort == 0)
        return 0;
    const ActAs actAs(machine);
    QString m;
    if (const DWORD rc = Tarnix::CheckMachine(machine, &m)) {
        *error = QStringLiteral("unknown or unreachable machine %1 [%2]").arg(machine).arg(rc);
        return rc;
    }
    const MachineStore store(m);
    QByteArray smtp;
    if (store.ReadSettings(Tarnix::SettingsKind::Smtp, &smtp) != 0)
        smtp = QByteArray(Tarnix::SettingsSize(Tarnix::SettingsKind::Smtp), '\0');
    if (FieldBytes(smtp.constData(), 256).isEmpty())
        PutField(smtp.data(), 256, "alerts@" + m.toLower().toLatin1() + ".example");
    PutField(smtp.data() + 512, 256, "127.0.0.1");
    PutU32(smtp.data() + 972, static_cast<uint32_t>(options.smtpPort));
    if (const DWORD rc = store.WriteSettings(Tarnix::SettingsKind::Smtp, smtp)) {
        *error = QStringLiteral("cannot write the SMTP settings of %1 [%2]").arg(m).arg(rc);
        return rc;
    }
    return 0;
}

DWORD StartAlertService(const QString& machine, QString* error)
{
    const ActAs actAs(machine);
    QString m;
    if (const DWORD rc = Tarnix::CheckMachine(machine, &m)) {
        *error = QStringLiteral("unknown or unreachable machine %1 [%2]").arg(machine).arg(rc);
        return rc;
    }
    SC_HANDLE scm = OpenSCManager(m, SC_MANAGER_CONNECT);
    if (!scm) {
        const DWORD rc = GetLastError();
        *error = QStringLiteral("cannot open the service control manager of %1 [%2]").arg(m).arg(rc);
        return rc;
    }
    const DWORD access = SERVICE_START | SERVICE_QUERY_STATUS;
    SC_HANDLE service = Scm::OpenAlertService(scm, access);
    DWORD rc = 0;
    if (!service) {
        rc = GetLastError();
        *error = QStringLiteral("no alert service on %1 [%2]").arg(m).arg(rc);
    } else {
        if (!StartService(service) && GetLastError() != ERROR_SERVICE_ALREADY_RUNNING) {
            rc = GetLastError();
            *error = QStringLiteral("cannot start the alert service of %1 [%2]").arg(m).arg(rc);
        } else {
            const uint64_t start = Timing::TickCount();
            SERVICE_STATUS status;
            rc = ERROR_SERVICE_REQUEST_TIMEOUT;
            const uint64_t wait = std::max<uint64_t>(Timing::Scaled(kStartWaitMs), kStartWaitFloorMs);
            while (Timing::TickCount() - start < wait) {
                if (QueryServiceStatus(service, &status)) {
                    if (status.dwCurrentState == SERVICE_RUNNING) {
                        rc = 0;
                        break;
                    }
                    if (status.dwCurrentState == SERVICE_STOPPED)
                        break;  // the process ended before it reported running
                }
                Timing::Sleep(kStartPollMs);
            }
            if (rc != 0)
                *error = QStringLiteral("the alert service of %1 did not reach running").arg(m);
        }
        CloseServiceHandle(service);
    }
    CloseServiceHandle(scm);
    return rc;
}

namespace {

// Takes "--name value" options out of args; flags are options without a value.
struct Options {
    QStringList positional;
    QMap<QString, QStringList> values;
    QSet<QString> flags;
};

bool ParseOptions(const QStringList& args, const QSet<QString>& withValue, const QSet<QString>& flags, Options* out,
                  QString* error)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a.startsWith(QLatin1String("--"))) {
            if (withValue.contains(a)) {
                if (i + 1 >= args.size()) {
                    *error = QStringLiteral("%1 needs a value").arg(a);
                    return false;
                }
                out->values[a].append(args[++i]);
            } else if (flags.contains(a)) {
                out->flags.insert(a);
            } else {
                *error = QStringLiteral("unknown option %1").arg(a);
                return false;
            }
        } else {
            out->positional.append(a);
        }
    }
    return true;
}

int Usage(QTextStream& err)
{
    err << "usage: alertworld init [--demo]\n"
           "       alertworld add-machine NAME [--domain D] [--comment C] [--platform MAJOR[.MINOR]]\n"
           "                  [--older-service] [--account DOMAIN\\USER:PASSWORD]... [--share NAME:disk:PATH]...\n"
           "                  [--share NAME:print] [--provider NAME] [--service]\n"
           "       alertworld add-recipient [--machine M] [--repeat N] APP METHOD TEXT\n"
           "       alertworld raise [--machine M] [--queue] APP SEVERITY TEXT\n"
           "       alertworld install-mail [--machine M] [--extended] [--exchange]\n"
           "       alertworld install-notes [--machine M] INSTALLATION-PATH\n"
           "       alertworld add-address [--machine M] mail|notes NAME [ADDRESS]\n"
           "       alertworld show [--machine M]\n"
           "       alertworld start [--machine M]\n"
           "       alertworld delivery on|off [--machine M] [--smtp-port N] [--snmp-port N] [--ca-file PATH]\n";
    return 2;
}

// A fresh world's service logs on as the machine's own administrator until someone sets an
// account, so the console's account check after start-up finds one. A stored account is kept.
DWORD WriteDefaultAccount(const QString& machine, QString* error)
{
    const World::ScopedLocalMachine scope(machine);
    const MachineStore store(machine);
    QByteArray account;
    const DWORD rc = store.ReadSettings(Tarnix::SettingsKind::Account, &account);
    if (rc != ERROR_FILE_NOT_FOUND)
        return 0;
    account = QByteArray(Tarnix::SettingsSize(Tarnix::SettingsKind::Account), '\0');
    PutField(account.data(), 48, machine.toUtf8());
    PutField(account.data() + 48, 48, "Administrator");
    if (const DWORD written = store.WriteSettings(Tarnix::SettingsKind::Account, account)) {
        *error = QStringLiteral("cannot write the service account of %1").arg(machine);
        return written;
    }
    return 0;
}

int Fail(QTextStream& err, const QString& error, DWORD rc)
{
    err << "alertworld: " << error << '\n';
    err.flush();
    return rc == 0 ? 1 : static_cast<int>(std::min<DWORD>(rc, 125));
}

} // namespace

int Run(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    if (arguments.isEmpty())
        return Usage(err);
    const QString command = arguments.first();
    const QStringList rest = arguments.mid(1);
    Options o;
    QString error;
    const QSet<QString> machineOnly {QStringLiteral("--machine")};
    if (command == QLatin1String("init")) {
        if (!ParseOptions(rest, {}, {QStringLiteral("--demo")}, &o, &error) || !o.positional.isEmpty())
            return error.isEmpty() ? Usage(err) : Fail(err, error, 0);
        if (!World::EnsureThisComputer())
            return Fail(err, QStringLiteral("cannot create this computer's folder in %1").arg(World::Root()), 5);
        if (o.flags.contains(QStringLiteral("--demo"))) {
            if (const DWORD rc = CreateDemoWorld(&error))
                return Fail(err, error, rc);
        } else if (!JoinNetwork(QStringLiteral("Microsoft Windows Network"), QStringLiteral("WORKGROUP"),
                                World::ComputerName())) {
            return Fail(err, QStringLiteral("cannot write network.json"), 5);
        } else if (const DWORD rc = InstallAlertService(World::ComputerName(), &error)) {
            return Fail(err, error, rc);
        } else if (const DWORD rc2 = WriteDefaultAccount(World::ComputerName(), &error)) {
            return Fail(err, error, rc2);
        }
        out << "world " << World::Root() << " ready for " << World::ComputerName() << '\n';
        return 0;
    }
    if (command == QLatin1String("add-machine")) {
        const QSet<QString> values {QStringLiteral("--domain"), QStringLiteral("--comment"), QStringLiteral("--platform"),
                                    QStringLiteral("--account"), QStringLiteral("--share"), QStringLiteral("--provider")};
        if (!ParseOptions(rest, values, {QStringLiteral("--older-service"), QStringLiteral("--service")}, &o, &error))
            return Fail(err, error, 0);
        if (o.positional.size() != 1)
            return Usage(err);
        MachineOptions m;
        m.name = o.positional[0];
        if (o.values.contains(QStringLiteral("--domain")))
            m.domain = o.values[QStringLiteral("--domain")].last();
        if (o.values.contains(QStringLiteral("--comment")))
            m.comment = o.values[QStringLiteral("--comment")].last();
        if (o.values.contains(QStringLiteral("--provider")))
            m.provider = o.values[QStringLiteral("--provider")].last();
        if (o.values.contains(QStringLiteral("--platform"))) {
            const QStringList v = o.values[QStringLiteral("--platform")].last().split(QLatin1Char('.'));
            bool ok1 = false, ok2 = true;
            m.platformMajor = v[0].toInt(&ok1);
            m.platformMinor = v.size() > 1 ? v[1].toInt(&ok2) : 0;
            if (!ok1 || !ok2 || v.size() > 2 || m.platformMajor < 0 || m.platformMinor < 0)
                return Fail(err, QStringLiteral("bad platform version"), 0);
        }
        m.accounts = o.values.value(QStringLiteral("--account"));
        m.shares = o.values.value(QStringLiteral("--share"));
        m.olderService = o.flags.contains(QStringLiteral("--older-service"));
        m.installService = o.flags.contains(QStringLiteral("--service"));
        if (const DWORD rc = AddMachine(m, &error))
            return Fail(err, error, rc);
        out << "machine " << World::CanonicalMachineName(m.name) << " added\n";
        return 0;
    }
    if (command == QLatin1String("add-recipient")) {
        if (!ParseOptions(rest, {QStringLiteral("--machine"), QStringLiteral("--repeat")}, {}, &o, &error))
            return Fail(err, error, 0);
        if (o.positional.size() != 3)
            return Usage(err);
        bool ok = true;
        const int repeat = o.values.contains(QStringLiteral("--repeat"))
                               ? o.values[QStringLiteral("--repeat")].last().toInt(&ok)
                               : 1;
        if (!ok || repeat < 1 || repeat > 1000000)
            return Fail(err, QStringLiteral("bad --repeat"), 0);
        const QString machine = ResolveMachineArg(o.values.value(QStringLiteral("--machine")).value(0));
        for (int i = 0; i < repeat; ++i) {
            QString text = o.positional[2];
            text.replace(QLatin1String("%n"), QString::number(i));
            if (const DWORD rc = AddRecipient(machine, o.positional[0].toLatin1(), o.positional[1], text, &error))
                return Fail(err, error, rc);
        }
        return 0;
    }
    if (command == QLatin1String("raise")) {
        if (!ParseOptions(rest, machineOnly, {QStringLiteral("--queue")}, &o, &error))
            return Fail(err, error, 0);
        if (o.positional.size() != 3)
            return Usage(err);
        const QString s = o.positional[1].toLower();
        const int severity = (s == QLatin1String("1") || s == QLatin1String("important"))     ? 1
                             : (s == QLatin1String("2") || s == QLatin1String("warning"))     ? 2
                             : (s == QLatin1String("3") || s == QLatin1String("information")) ? 3
                                                                                              : 0;
        if (severity == 0)
            return Fail(err, QStringLiteral("severity is 1/important, 2/warning or 3/information"), 0);
        const QString machine = ResolveMachineArg(o.values.value(QStringLiteral("--machine")).value(0));
        uint32_t recipients = 0;
        if (const DWORD rc = RaiseAlert(machine, o.positional[0].toLatin1(), severity, o.positional[2],
                                        o.flags.contains(QStringLiteral("--queue")), &recipients, &error))
            return Fail(err, error, rc);
        out << "alert for " << o.positional[0].toUpper() << " submitted to " << machine << " (" << recipients
            << " recipients)\n";
        return 0;
    }
    if (command == QLatin1String("install-mail")) {
        if (!ParseOptions(rest, machineOnly, {QStringLiteral("--extended"), QStringLiteral("--exchange")}, &o, &error) ||
            !o.positional.isEmpty())
            return error.isEmpty() ? Usage(err) : Fail(err, error, 0);
        const QString machine = ResolveMachineArg(o.values.value(QStringLiteral("--machine")).value(0));
        MailClientOptions mail;
        mail.extended = o.flags.contains(QStringLiteral("--extended"));
        mail.exchange = o.flags.contains(QStringLiteral("--exchange"));
        if (const DWORD rc = InstallMailClient(machine, mail, &error))
            return Fail(err, error, rc);
        out << "mail client installed on " << machine << '\n';
        return 0;
    }
    if (command == QLatin1String("install-notes")) {
        if (!ParseOptions(rest, machineOnly, {}, &o, &error) || o.positional.size() != 1)
            return error.isEmpty() ? Usage(err) : Fail(err, error, 0);
        const QString machine = ResolveMachineArg(o.values.value(QStringLiteral("--machine")).value(0));
        if (const DWORD rc = InstallNotesClient(machine, o.positional[0], &error))
            return Fail(err, error, rc);
        out << "Notes client installed on " << machine << '\n';
        return 0;
    }
    if (command == QLatin1String("add-address")) {
        if (!ParseOptions(rest, machineOnly, {}, &o, &error) || o.positional.size() < 2 || o.positional.size() > 3)
            return error.isEmpty() ? Usage(err) : Fail(err, error, 0);
        const QString machine = ResolveMachineArg(o.values.value(QStringLiteral("--machine")).value(0));
        if (const DWORD rc = AddAddress(machine, o.positional[0], o.positional[1], o.positional.value(2), &error))
            return Fail(err, error, rc);
        return 0;
    }
    if (command == QLatin1String("show")) {
        if (!ParseOptions(rest, machineOnly, {}, &o, &error) || !o.positional.isEmpty())
            return error.isEmpty() ? Usage(err) : Fail(err, error, 0);
        out << ShowMachine(ResolveMachineArg(o.values.value(QStringLiteral("--machine")).value(0)));
        return 0;
    }
    if (command == QLatin1String("delivery")) {
        const QSet<QString> values {QStringLiteral("--machine"), QStringLiteral("--smtp-port"),
                                    QStringLiteral("--snmp-port"), QStringLiteral("--ca-file")};
        if (!ParseOptions(rest, values, {}, &o, &error) || o.positional.size() != 1 ||
            (o.positional[0] != QLatin1String("on") && o.positional[0] != QLatin1String("off")))
            return error.isEmpty() ? Usage(err) : Fail(err, error, 0);
        const QString machine = ResolveMachineArg(o.values.value(QStringLiteral("--machine")).value(0));
        DeliveryOptions d;
        d.realDelivery = o.positional[0] == QLatin1String("on");
        bool ok = true;
        const auto port = [&](const char* name) {
            const QString v = o.values.value(QLatin1String(name)).value(0);
            bool good = true;
            const int n = v.isEmpty() ? 0 : v.toInt(&good);
            ok = ok && good && n >= 0;
            return n;
        };
        d.smtpPort = port("--smtp-port");
        d.snmpPort = port("--snmp-port");
        d.caFile = o.values.value(QStringLiteral("--ca-file")).value(0);
        if (!ok)
            return Fail(err, QStringLiteral("ports are 1-65535"), ERROR_INVALID_PARAMETER);
        if (const DWORD rc = SetDelivery(machine, d, &error))
            return Fail(err, error, rc);
        out << "real delivery " << o.positional[0] << " (loopback only)\n";
        return 0;
    }
    if (command == QLatin1String("start")) {
        if (!ParseOptions(rest, machineOnly, {}, &o, &error) || !o.positional.isEmpty())
            return error.isEmpty() ? Usage(err) : Fail(err, error, 0);
        const QString machine = ResolveMachineArg(o.values.value(QStringLiteral("--machine")).value(0));
        if (const DWORD rc = StartAlertService(machine, &error))
            return Fail(err, error, rc);
        out << "alert service of " << machine << " running\n";
        return 0;
    }
    return Usage(err);
}

} // namespace WorldTool
