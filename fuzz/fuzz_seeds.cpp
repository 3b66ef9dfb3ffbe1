// Writes the seed corpora: for each target, a few files as the service, the console and the
// world tool encode them. Usage: fuzz_seeds <corpus folder>
#include "FuzzSupport.h"
#include "platform/VersionInfo.h"
#include "plenkor/PackedAlert.h"
#include "plenkor/Spool.h"
#include "records/ActivityLog.h"
#include "records/EventLogTable.h"
#include "records/MethodTable.h"
#include "records/PortConfig.h"
#include "records/RecipientRecords.h"
#include "records/Statistics.h"
#include "records/StoreFile.h"
#include "tarnix/AltTable.h"
#include "tarnix/MachineStore.h"
#include "tree/ServerData.h"

#include <QCoreApplication>
#include <QFile>

using namespace Records;

namespace {

QString g_root;

void Seed(const char* target, const char* name, const QByteArray& bytes)
{
    const QString dir = g_root + QLatin1Char('/') + QLatin1String(target);
    QDir().mkpath(dir);
    QFile file(dir + QLatin1Char('/') + QLatin1String(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s/%s\n", target, name);
        std::exit(1);
    }
}

QByteArray FileBytes(const QString& path)
{
    QByteArray bytes;
    ReadWholeFile(path, 64 << 20, &bytes);
    return bytes;
}

const QDateTime kWhen(QDate(2024, 5, 6), QTime(7, 8, 9, 10), Qt::LocalTime);

void EventLog()
{
    EventLogHeader header;
    QVector<EventLogRecord> records;
    for (int severity = 1; severity <= 3; ++severity) {
        EventLogRecord r;
        PutU16(r.head.data(), uint16_t(kEventLogVersion));
        r.detailFile = QStringLiteral("AL%1.TXT").arg(severity, 6, 10, QLatin1Char('0')).toLatin1();
        r.description = "Disk C: is 97% full";
        r.application = "QUELLIT";
        r.severity = uint8_t(severity);
        r.timeGenerated = 1714979289;
        r.labelSuffix = "SMTP";
        PutU32(r.tail.data(), kSmtpBit);
        records.append(r);
        ++header.counts[CounterIndex(severity)];
    }
    QByteArray image = SerializeEventLogHeader(header);
    for (const EventLogRecord& r : records)
        image += SerializeEventLogRecord(r);
    Seed("event_log", "three-records", image);
    Seed("event_log", "header-only", SerializeEventLogHeader(EventLogHeader()));
    Seed("event_log", "counters-promise-more", image.left(2 * kEventLogBlock));
}

void ActivityLog()
{
    const QString ring = Fuzz::ScratchDir() + QStringLiteral("/ACTIVITY.LOG");
    AppendActivityEntries(ring, {"Alert service started", "QUELLIT: important alert delivered by SMTP"}, kWhen);
    Seed("activity_log", "ring-two", '\0' + FileBytes(ring));
    ResetActivityRing(ring, 4);
    AppendActivityEntries(ring, {"one", "two", "three", "four", "five", "six"}, kWhen);
    Seed("activity_log", "ring-full-wrapped", '\0' + FileBytes(ring));
    ResetActivityRing(ring, 0);
    Seed("activity_log", "ring-empty", '\0' + FileBytes(ring));
    const QString text = Fuzz::ScratchDir() + QStringLiteral("/ALERT.LOG");
    AppendAlertLogLines(text, {"Alert service started", "QUELLIT: warning alert delivered by broadcast"}, kWhen);
    Seed("activity_log", "alert-log", '\1' + FileBytes(text));
}

void PortConfig()
{
    PortHeader header;
    header.count = 2;
    header.nextId = 3;
    PortRecord system;
    system.id = 1;
    system.portNumber = 1;
    system.portName = "COM1";
    system.baudIndex = 4;
    system.description = "System default";
    PortRecord modem = system;
    modem.id = 2;
    modem.portNumber = 2;
    modem.portName = "COM2";
    modem.parityIndex = 2;
    modem.description = "Modem on COM2";
    Seed("port_config", "two-ports", SerializePortHeader(header) + SerializePortRecord(system) + SerializePortRecord(modem));
    Seed("port_config", "portdef", QByteArray("\x01\x00", 2));
}

void Recipients()
{
    const QByteArray records[kMethodCount] = {
        MakeBroadcastRecord("PC01"),
        MakePagerRecord("Operator", "5551234", 0, 1, "77", "1"),
        MakePagerRecord("Operator", "5551234", 1, 1, "77", "1"),
        MakeEmailRecord("Operations", 2),
        MakeTicketRecord("helpdesk", "secret", "\\\\SRV1\\TICKETS"),
        MakeEventLogRecord("PC01", "OFFICE", "admin", "secret"),
        MakeSnmpRecord("Manager", 0x7F000001),
        MakeNotesRecord("Ops", "ops@example.com", 1),
        MakeSmtpRecord("ops@example.com", "Ops"),
    };
    for (int i = 0; i < kMethodCount; ++i) {
        const QByteArray name = QByteArray("method-") + QByteArray::number(i);
        Seed("recipients", name.constData(), QByteArray(1, char(i)) + char(kHighestRecordVersion) + records[i]);
    }
}

void ServerData()
{
    Seed("server_data", "local", CServerData::Make(QStringLiteral("PC01"), QString()).Bytes());
    CServerData remote = CServerData::Make(QStringLiteral("伺服器01"), QStringLiteral("\\\\SRV1\\IPC$"));
    remote.SetReserved1(QStringLiteral("reserved"));
    Seed("server_data", "remote", remote.Bytes());
}

Plenkor::PackedAlert PackedSample()
{
    Plenkor::PackedAlert alert;
    alert.header[Plenkor::kVersionEntry] = kHighestRecordVersion;
    alert.alStruct = QByteArray(kAlStructSize, '\0');
    const QByteArray broadcast = MakeBroadcastRecord("PC01") + MakeBroadcastRecord("\\\\PC02");
    const QByteArray smtp = MakeSmtpRecord("ops@example.com", "Ops");
    for (const auto& [bit, records] : {std::pair<uint32_t, QByteArray>{kBroadcastBit, broadcast}, {kSmtpBit, smtp}}) {
        Plenkor::Section s;
        s.method = MethodByBit(bit);
        s.version = kHighestRecordVersion;
        s.recordSize = RecordSize(*s.method, s.version);
        s.count = uint32_t(records.size() / s.recordSize);
        s.records = records;
        alert.header[s.method->countEntry] = uint16_t(s.count);
        alert.sections.append(s);
    }
    return alert;
}

void Tables()
{
    Tarnix::AltTable table;
    table.writeCounter = 7;
    table.writtenMs = 1714979289000;
    table.displayName = "Quellit Server Monitor";
    table.lists[Tarnix::BroadcastList] = MakeBroadcastRecord("PC01") + MakeBroadcastRecord("SALES");
    table.counts[Tarnix::BroadcastList] = 2;
    table.lists[Tarnix::SmtpList] = MakeSmtpRecord("ops@example.com", "Ops");
    table.counts[Tarnix::SmtpList] = 1;
    Seed("alt_table", "two-lists", Tarnix::SerializeAltTable(table));
    Seed("alt_table", "empty", Tarnix::SerializeAltTable(Tarnix::AltTable()));

    const Tarnix::SettingsKind kinds[] = {Tarnix::SettingsKind::Account, Tarnix::SettingsKind::Notes,
                                          Tarnix::SettingsKind::Smtp};
    for (int i = 0; i < 3; ++i) {
        QByteArray record(Tarnix::SettingsSize(kinds[i]), '\0');
        PutField(record.data(), 48, "OFFICE");
        PutField(record.data() + 48, 48, "alertsvc");
        const QByteArray name = QByteArray("kind-") + QByteArray::number(i + 1);
        Seed("settings", name.constData(), QByteArray(1, char(i)) + Tarnix::SerializeSettingsFile(kinds[i], record));
    }

    Statistics stats;
    stats.bySeverity[0] = 3;
    stats.bySeverity[2] = 12;
    stats.deliveries = 15;
    stats.alerts = 6;
    stats.nextDetail = 0x10;
    Seed("statistics", "some", SerializeStatistics(stats));
    stats.bySeverity[1] = 2147483647;
    stats.deliveries = 0xFFFFFFFF;
    Seed("statistics", "at-the-limit", SerializeStatistics(stats));

    const Plenkor::PackedAlert packed = PackedSample();
    const QByteArray block = Plenkor::PackSections(packed.header, packed.alStruct, packed.sections);
    Seed("packed_alert", "broadcast-and-smtp", block);
    Plenkor::SpooledAlert spooled;
    spooled.submittedMs = 1714979289000;
    spooled.methodBits = kBroadcastBit | kSmtpBit;
    spooled.priority = 1;
    spooled.application = "QUELLIT";
    spooled.text = "Disk C: is 97% full";
    spooled.packed = block;
    Seed("spool", "alert", Plenkor::SerializeSpooled(spooled));
}

void Platform()
{
    Version::VersionResource v;
    v.fileVersionMS = 0x00040000;
    v.fileVersionLS = 0x00DA0000;
    Version::StringTable table;
    table.strings = {{QStringLiteral("FileDescription"), QStringLiteral("Alert service")},
                     {QStringLiteral("FileVersion"), QStringLiteral("4.0.218.0")}};
    v.tables.push_back(table);
    Seed("platform_version", "with-version", Version::BuildPeImage(&v));
    Seed("platform_version", "without-version", Version::BuildPeImage(nullptr));
    const QDir fixtures(QStringLiteral(VIGIMOR_FIXTURES_DIR "/bad"));
    for (const QString& name : fixtures.entryList({QStringLiteral("registry-*.reg")}, QDir::Files))
        Seed("platform_registry", name.toLatin1().constData(), FileBytes(fixtures.filePath(name)));
    Seed("platform_registry", "sound.reg",
         "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Korvane\\ALERT\\CurrentVersion\\Path]\r\n"
         "\"Home\"=\"C:\\\\ALERT\"\r\n\"Count\"=dword:00000010\r\n");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds <corpus folder>\n");
        return 2;
    }
    g_root = QString::fromLocal8Bit(argv[1]);
    EventLog();
    ActivityLog();
    PortConfig();
    Recipients();
    ServerData();
    Tables();
    Platform();
    return 0;
}
