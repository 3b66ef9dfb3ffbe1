#include "alertsvc/Delivery.h"

#include "platform/World.h"
#include "plenkor/PackedAlert.h"
#include "plenkor/Spool.h"
#include "records/ActivityLog.h"
#include "records/ByteField.h"
#include "records/EventLogTable.h"
#include "records/MethodTable.h"
#include "records/RecipientRecords.h"
#include "records/Statistics.h"
#include "records/StoreFile.h"
#include "tarnix/MachineStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace Delivery {

namespace {

using namespace Records;

constexpr qint64 kSpoolFileLimit = static_cast<qint64>(Plenkor::kMaxPackedSize) + 64 * 1024;

// Where one machine's service keeps its records; every path local to that machine.
struct ServiceFiles {
    QString eventLogDir;    // host path
    QString activityLog;    // host path of ACTIVITY.LOG or ALERT.LOG
    bool olderService = false;
    QString statistics;     // host path
};

bool Locate(const QString& machine, ServiceFiles* out)
{
    const Tarnix::MachineStore store(machine);
    const QString home = store.PathValue("Home");
    QString eventLog = store.PathValue("EventLog");
    QString log = store.PathValue("Log");
    if (eventLog.isEmpty() && !home.isEmpty())
        eventLog = home + QStringLiteral("\\EVENTLOG");
    if (log.isEmpty() && !home.isEmpty())
        log = home + QStringLiteral("\\LOG");
    if (eventLog.isEmpty() || log.isEmpty())
        return false;
    ServiceFiles files;
    files.olderService = Tarnix::IsOlderServiceMachine(machine);
    const QString logName = files.olderService ? QStringLiteral("\\ALERT.LOG") : QStringLiteral("\\ACTIVITY.LOG");
    if (World::ResolvePathOn(machine, eventLog, &files.eventLogDir) != 0 ||
        World::ResolvePathOn(machine, log + logName, &files.activityLog) != 0 ||
        store.StatisticsFile(&files.statistics) != 0)
        return false;
    *out = files;
    return true;
}

void AddActivity(const ServiceFiles& files, const QList<QByteArray>& texts)
{
    const QDateTime now = QDateTime::currentDateTime();
    if (files.olderService)
        AppendAlertLogLines(files.activityLog, texts, now);
    else
        AppendActivityEntries(files.activityLog, texts, now);
}

// A detail file name no other record uses: "AL" and six hex digits, numbered on from the
// statistics record.
QString NextDetailName(const ServiceFiles& files, Statistics* stats)
{
    for (int tries = 0; tries < 0x1000; ++tries) {
        uint32_t n = stats->nextDetail & 0xFFFFFF;
        if (n == 0)
            n = 1;
        stats->nextDetail = (n + 1) & 0xFFFFFF;
        const QString name = QStringLiteral("AL%1.TXT").arg(n, 6, 16, QLatin1Char('0')).toUpper();
        if (!QFile::exists(QDir(files.eventLogDir).filePath(name)))
            return name;
    }
    return QString();
}

// A detail file is new and named by nobody until its record exists, so it needs no atomic
// replacement; it is never written over an existing file.
void WriteNewFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        file.write(bytes);
}

// The alert's detail text: every method with the recipients it reached, in delivery order.
QByteArray DetailText(const Plenkor::SpooledAlert& alert, int severity, const QByteArray& deliveries,
                      const QDateTime& when)
{
    QByteArray text;
    text += "Application: " + alert.application + "\r\n";
    text += "Severity: " + QByteArray::number(severity) + " (" + SeverityName(severity) + ")\r\n";
    text += deliveries;
    text += "Time: " + when.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")).toUtf8() + "\r\n";
    text += "\r\n" + alert.text + "\r\n";
    return text;
}

// Records one alert: one detail file and one event-log record for the alert, one activity
// entry for each delivery, and the alert counted once at its severity.
void Deliver(const ServiceFiles& files, const Plenkor::SpooledAlert& alert, const Plenkor::PackedAlert& packed,
             Statistics* stats)
{
    const int severity = SeverityFromPriority(alert.priority);
    const QDateTime now = QDateTime::currentDateTime();
    QList<QByteArray> activity;
    QByteArray deliveries;
    uint32_t deliveredBits = 0;
    QByteArray label;
    for (const Plenkor::Section& section : packed.sections) {
        if (!(alert.methodBits & section.method->bit) || section.count == 0)
            continue;
        deliveries += "Method: " + QByteArray(section.method->name) + "\r\n";
        // One method names the record; more are marked with a "+" after the first.
        if (deliveredBits == 0)
            label = section.method->label;
        else if (!label.endsWith('+'))
            label += '+';
        deliveredBits |= section.method->bit;
        for (uint32_t i = 0; i < section.count; ++i) {
            const char* record = section.records.constData() + static_cast<qsizetype>(i) * section.recordSize;
            const QString recipient = DescribeRecipient(*section.method, record);
            deliveries += "Recipient: " + recipient.toUtf8() + "\r\n";
            activity.append(QStringLiteral("%1: %2 alert delivered by %3 to %4")
                                .arg(QString::fromUtf8(alert.application), QString::fromLatin1(SeverityName(severity)),
                                     QString::fromLatin1(section.method->name), recipient)
                                .toUtf8());
            stats->CountDelivery();
        }
    }
    stats->CountAlert();
    // An alert that reached nobody was not raised to anyone: nothing to record.
    if (activity.isEmpty())
        return;
    const QString detailName = NextDetailName(files, stats);
    if (!detailName.isEmpty())
        WriteNewFile(QDir(files.eventLogDir).filePath(detailName), DetailText(alert, severity, deliveries, now));
    EventLogRecord entry;
    PutU16(entry.head.data(), static_cast<uint16_t>(kEventLogVersion));
    entry.detailFile = detailName.toLatin1();
    entry.description = CutUtf8(alert.text, 127);
    entry.application = alert.application;
    entry.severity = static_cast<uint8_t>(severity);
    entry.timeGenerated = static_cast<int32_t>(now.toSecsSinceEpoch());
    entry.labelSuffix = CutUtf8(label, 15);
    PutU32(entry.tail.data(), deliveredBits);
    PutI32(entry.tail.data() + 4, alert.priority);
    AppendEventLogRecord(QDir(files.eventLogDir).filePath(QStringLiteral("ALRECORD.TBL")), entry);
    AddActivity(files, activity);
    stats->CountSeverity(severity);
}

// Moves a file the service cannot use out of the spool; removes it when even that fails, so
// one bad file cannot stop the spool.
void SetAside(const QString& machine, const QString& path)
{
    QString badDir;
    if (Plenkor::BadSpoolDirectory(machine, &badDir) == 0 && QDir().mkpath(badDir)) {
        const QString target = QDir(badDir).filePath(QFileInfo(path).fileName());
        QFile::remove(target);
        if (QFile::rename(path, target))
            return;
    }
    QFile::remove(path);
}

} // namespace

int ProcessSpool(const QString& machine)
{
    try {
        const QString m = World::CanonicalMachineName(machine);
        if (m.isEmpty() || !World::MachineExists(m))
            return 0;
        const World::ScopedLocalMachine scope(m);
        QString spoolDir;
        ServiceFiles files;
        if (Plenkor::SpoolDirectory(m, &spoolDir) != 0 || !Locate(m, &files))
            return 0;
        const QDir dir(spoolDir);
        if (!dir.exists())
            return 0;
        // One worker per spool at a time.
        FileLock lock(dir.filePath(QStringLiteral(".spool.lock")));
        if (!lock.IsLocked())
            return 0;
        const QStringList names = dir.entryList({QStringLiteral("*.alq")}, QDir::Files, QDir::Name);
        if (names.isEmpty())
            return 0;
        QDir().mkpath(files.eventLogDir);
        Statistics stats;
        if (!ReadStatistics(files.statistics, &stats))
            stats = Statistics();   // a damaged record starts over rather than stopping delivery
        int taken = 0;
        for (const QString& name : names) {
            const QString path = dir.filePath(name);
            QByteArray data;
            Plenkor::SpooledAlert alert;
            Plenkor::PackedAlert packed;
            const bool sound = ReadWholeFile(path, kSpoolFileLimit, &data) &&
                               Plenkor::ParseSpooled(data, &alert) == 0 && Plenkor::Unpack(alert.packed, &packed) == 0;
            if (sound) {
                Deliver(files, alert, packed, &stats);
                QFile::remove(path);
            } else {
                SetAside(m, path);
                stats.CountBadAlert();
                AddActivity(files, {QStringLiteral("Malformed alert %1 moved to spool\\bad").arg(name).toUtf8()});
            }
            WriteStatistics(files.statistics, stats);
            ++taken;
        }
        return taken;
    } catch (...) {
        return 0;
    }
}

} // namespace Delivery
