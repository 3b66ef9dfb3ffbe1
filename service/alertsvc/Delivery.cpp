#include "alertsvc/Delivery.h"

#include "alertsvc/DeliverySwitch.h"
#include "alertsvc/Transports.h"
#include "platform/Timing.h"
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
#include <QHash>
#include <QSet>

#include <algorithm>
#include <atomic>
#include <cstdio>

namespace Delivery {

namespace {

using namespace Records;

constexpr qint64 kSpoolFileLimit = static_cast<qint64>(Plenkor::kMaxPackedSize) + 64 * 1024;
// Alerts recorded together; also how far back the event log is searched for alerts a killed
// cycle recorded without removing their spool files.
constexpr int kBatchAlerts = 256;
// Where an event-log record keeps the name of the spool file it recorded (in its tail bytes).
constexpr int kSpoolKeyOffset = 8, kSpoolKeySize = 48;
// Real delivery: a failed recipient is tried again after 30 s, then twice as long each time up to
// 10 minutes, and given up after 10 attempts (about an hour, nominal).
constexpr DWORD kFirstRetryMs = 30000, kLongestRetryMs = 600000;
constexpr int kMaxAttempts = 10;
constexpr qint64 kProgressFileLimit = 64 << 20;
std::atomic<bool> g_interrupted{false};
// The mail subject in a table's image.
constexpr int kMailSubjectOffset = 566, kMailSubjectSize = 257;

// Where one machine's service keeps its records; every path local to that machine.
struct ServiceFiles {
    QString eventLogDir;    // host path
    QString activityLog;    // host path of ACTIVITY.LOG or ALERT.LOG
    bool olderService = false;
    QString statistics;     // host path
    QString doneDir;        // host path of spool\done: recorded alerts' files waiting for removal
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

// What one cycle records for the alerts it took, written together: the records of many alerts
// cost one lock, one append and one statistics write instead of one each.
struct Batch {
    QVector<QPair<QString, QByteArray>> details;   // host path, text of each new detail file
    QVector<EventLogRecord> records;
    QList<QByteArray> activity;
    QStringList taken;                               // spool files done with once this is written
};

QByteArray SpoolKeyOf(const QString& spoolName)
{
    return QFileInfo(spoolName).completeBaseName().toLatin1().left(kSpoolKeySize - 1);
}

// One recipient of an alert and how far its delivery got. Recipients the service does not send
// to for real are delivered as soon as they are taken.
struct Target {
    const Plenkor::Section* section = nullptr;
    const char* record = nullptr;
    QString name;          // as DescribeRecipient gives it
    bool real = false;     // sent by SMTP or SNMP, not only recorded
    enum State { Pending, Delivered, GivenUp } state = Delivered;
    int attempts = 0;
    qint64 nextTryMs = 0;  // not before, ms since 1970
};

QVector<Target> TargetsOf(const Plenkor::SpooledAlert& alert, const Plenkor::PackedAlert& packed, bool realDelivery)
{
    QVector<Target> targets;
    for (const Plenkor::Section& section : packed.sections) {
        if (!(alert.methodBits & section.method->bit))
            continue;
        const bool real = realDelivery && (section.method->bit == kSmtpBit || section.method->bit == kSnmpBit);
        for (uint32_t i = 0; i < section.count; ++i) {
            Target t;
            t.section = &section;
            t.record = section.records.constData() + static_cast<qsizetype>(i) * section.recordSize;
            t.name = DescribeRecipient(*section.method, t.record);
            t.real = real;
            t.state = real ? Target::Pending : Target::Delivered;
            targets.append(t);
        }
    }
    return targets;
}

// The progress journal of real delivery, spool\progress.log, holds what was done so far, one line
// per outcome appended as it happens, so a service killed mid-delivery never sends again what
// it recorded as sent:
//   <spool key> D <i>                  recipient i delivered
//   <spool key> G <i> <reason>         recipient i given up
//   <spool key> F <i> <attempts> <ms>  attempt failed; next try not before ms (since 1970)
// A line cut off by a kill is not complete and is passed over. One file for all alerts: a file
// made per alert would cost more than the alert's whole record.
class Progress {
public:
    explicit Progress(const QString& path) : m_file(path)
    {
        QByteArray data;
        if (!ReadWholeFile(path, kProgressFileLimit, &data)) {
            m_unreadable = m_file.exists();
            return;
        }
        QList<QByteArray> lines = data.split('\n');
        lines.removeLast();   // after the last line break: empty, or a line a kill cut off
        for (const QByteArray& line : std::as_const(lines)) {
            const qsizetype space = line.indexOf(' ');
            if (space > 0)
                m_lines[line.left(space)].append(line.mid(space + 1));
        }
    }

    void Apply(const QByteArray& key, QVector<Target>* targets) const
    {
        for (const QByteArray& line : m_lines.value(key)) {
            const QList<QByteArray> f = line.split(' ');
            bool ok = false;
            const int i = f.value(1).toInt(&ok);
            if (!ok || i < 0 || i >= targets->size() || !(*targets)[i].real)
                continue;
            Target& t = (*targets)[i];
            if (f[0] == "D")
                t.state = Target::Delivered;
            else if (f[0] == "G")
                t.state = Target::GivenUp;
            else if (f[0] == "F" && f.size() == 4 && t.state == Target::Pending) {
                t.attempts = std::max(t.attempts, f[2].toInt());
                t.nextTryMs = f[3].toLongLong();
            }
        }
    }

    void Append(const QByteArray& key, const QByteArray& line)
    {
        if (!m_file.isOpen() && !m_file.open(QIODevice::WriteOnly | QIODevice::Append))
            return;
        m_file.write(key + ' ' + line + '\n');
        m_file.flush();   // into the system's hands at once: a kill cannot take it back
    }

    // A journal that is there but cannot be read: sending now might send again what it says was
    // sent, so nothing is sent until it can be read.
    bool Unreadable() const { return m_unreadable; }

    // Once no alert waits for another attempt, nothing in the journal is needed any more.
    void Discard()
    {
        m_file.close();
        if (m_file.exists())
            m_file.remove();
    }

private:
    QFile m_file;
    QHash<QByteArray, QList<QByteArray>> m_lines;
    bool m_unreadable = false;
};

// What real delivery needs for one cycle: the switch and the machine's SMTP settings.
struct Senders {
    DeliverySwitch sw;
    SmtpSettings smtp;
    QString machine;
};

Outcome Attempt(const Senders& senders, const Plenkor::SpooledAlert& alert, const Plenkor::PackedAlert& packed,
                const Target& t, const AlertFacts& facts)
{
    if (t.section->method->bit == kSnmpBit)
        return SendTrap(senders.sw, t.record, facts);
    // The settings' subject, else the one the alert's table gives its mail.
    QByteArray subject = senders.smtp.subject;
    if (subject.isEmpty() && packed.alStruct.size() >= kMailSubjectOffset + kMailSubjectSize)
        subject = FieldBytes(packed.alStruct.constData() + kMailSubjectOffset, kMailSubjectSize);
    if (subject.isEmpty())
        subject = alert.application + " alert";
    const QByteArray address = FieldBytes(t.record, 132);
    const QByteArray message = MailMessage(senders.smtp, subject, address, FieldBytes(t.record + 132, 65), facts);
    return SendMail(senders.sw, senders.smtp, address, message);
}

// Tries every real recipient that is due, appending each outcome to the progress file and an
// activity entry to the batch for every failure. True when every recipient is settled.
bool SendDue(const Senders& senders, const Plenkor::SpooledAlert& alert, const Plenkor::PackedAlert& packed,
             const QByteArray& key, Progress* progress, QVector<Target>* targets, Batch* batch)
{
    const int severity = SeverityFromPriority(alert.priority);
    const AlertFacts facts{alert.application, severity,
                           QDateTime::fromMSecsSinceEpoch(alert.submittedMs).toLocalTime(), senders.machine, alert.text};
    bool settled = true;
    for (int i = 0; i < targets->size(); ++i) {
        Target& t = (*targets)[i];
        if (t.state != Target::Pending)
            continue;
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        if (t.nextTryMs > now) {
            settled = false;
            continue;
        }
        const Outcome outcome = Attempt(senders, alert, packed, t, facts);
        const QString what = QStringLiteral("%1: %2 alert not delivered by %3 to %4")
                                 .arg(QString::fromUtf8(alert.application), QString::fromLatin1(SeverityName(severity)),
                                      QString::fromLatin1(t.section->method->name), t.name);
        ++t.attempts;
        if (outcome.kind == Outcome::Sent) {
            t.state = Target::Delivered;
            progress->Append(key, "D " + QByteArray::number(i));
        } else if (outcome.kind == Outcome::GiveUp || t.attempts >= kMaxAttempts) {
            t.state = Target::GivenUp;
            progress->Append(key, "G " + QByteArray::number(i) + ' ' + outcome.reason.toUtf8().replace('\n', ' '));
            batch->activity.append(QStringLiteral("%1, given up after %2 attempt(s): %3")
                                       .arg(what).arg(t.attempts).arg(outcome.reason).toUtf8());
        } else {
            const DWORD wait = Timing::Scaled(std::min<DWORD>(kFirstRetryMs << std::min(t.attempts - 1, 10), kLongestRetryMs));
            t.nextTryMs = now + wait;
            progress->Append(key, "F " + QByteArray::number(i) + ' ' + QByteArray::number(t.attempts) + ' ' +
                                      QByteArray::number(t.nextTryMs));
            batch->activity.append(QStringLiteral("%1 (attempt %2): %3; trying again in %4 s")
                                       .arg(what).arg(t.attempts).arg(outcome.reason)
                                       .arg((wait + 999) / 1000).toUtf8());
            settled = false;
        }
    }
    return settled;
}

// Records one alert whose recipients are all settled into the batch: one detail file and one
// event-log record for the alert, one activity entry for each delivery, the alert counted once
// at its severity and each recipient given up counted as undelivered.
void Record(const ServiceFiles& files, const Plenkor::SpooledAlert& alert, const QVector<Target>& targets,
            const QByteArray& spoolKey, Statistics* stats, Batch* batch)
{
    const int severity = SeverityFromPriority(alert.priority);
    const QDateTime now = QDateTime::currentDateTime();
    QList<QByteArray> activity;
    QByteArray deliveries;
    uint32_t deliveredBits = 0;
    QByteArray label;
    const Plenkor::Section* section = nullptr;
    for (const Target& t : targets) {
        if (t.state != Target::Delivered) {
            stats->CountUndelivered();
            continue;
        }
        if (t.section != section) {
            section = t.section;
            deliveries += "Method: " + QByteArray(section->method->name) + "\r\n";
            // One method names the record; more are marked with a "+" after the first.
            if (deliveredBits == 0)
                label = section->method->label;
            else if (!label.endsWith('+'))
                label += '+';
            deliveredBits |= section->method->bit;
        }
        deliveries += "Recipient: " + t.name.toUtf8() + "\r\n";
        activity.append(QStringLiteral("%1: %2 alert delivered by %3 to %4")
                            .arg(QString::fromUtf8(alert.application), QString::fromLatin1(SeverityName(severity)),
                                 QString::fromLatin1(section->method->name), t.name)
                            .toUtf8());
        stats->CountDelivery();
    }
    stats->CountAlert();
    // An alert that reached nobody was not raised to anyone: nothing to record.
    if (activity.isEmpty())
        return;
    const QString detailName = NextDetailName(files, stats);
    if (!detailName.isEmpty())
        batch->details.append({QDir(files.eventLogDir).filePath(detailName), DetailText(alert, severity, deliveries, now)});
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
    PutField(entry.tail.data() + kSpoolKeyOffset, kSpoolKeySize, spoolKey);
    batch->records.append(entry);
    batch->activity += activity;
    stats->CountSeverity(severity);
}

// Writes a batch: the detail files, then the event-log records in one append, which commit it,
// then the activity entries and the counts (as before, a count never runs ahead of the records
// it counts); only then do its spool files go. A kill before the commit makes the next cycle
// take the same alerts again; a kill after it leaves spool files whose records exist, and the
// next cycle finds them by their spool key and only removes them (the batch's activity entries
// and counts may then be missing). So every alert is recorded exactly once. False when the
// records could not be written: the files stay.
bool WriteBatch(const ServiceFiles& files, const Statistics& stats, Batch* batch)
{
    for (const auto& [path, text] : std::as_const(batch->details))
        WriteNewFile(path, text);
    if (!AppendEventLogRecords(QDir(files.eventLogDir).filePath(QStringLiteral("ALRECORD.TBL")), batch->records))
        return false;
    AddActivity(files, batch->activity);
    WriteStatistics(files.statistics, stats);
    // Removing a file whose blocks its writer flushed to disk can cost milliseconds (freeing
    // them goes through the journal, and discards with it); moving it into spool\done costs
    // next to nothing, and SweepDone removes it when the spool is quiet.
    for (const QString& path : std::as_const(batch->taken)) {
        const QString aside = QDir(files.doneDir).filePath(QFileInfo(path).fileName());
        if (::rename(QFile::encodeName(path).constData(), QFile::encodeName(aside).constData()) != 0)
            QFile::remove(path);
    }
    *batch = Batch();
    return true;
}

// Removes files of spool\done, at most a bounded number a call so that a new alert never waits
// long behind them.
void SweepDone(const ServiceFiles& files)
{
    constexpr int kSweepFiles = 100;
    QDir done(files.doneDir);
    const QStringList names = done.entryList(QDir::Files);
    for (qsizetype i = 0; i < names.size() && i < kSweepFiles; ++i)
        done.remove(names[i]);
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

int ProcessSpool(const QString& machine, bool recordOnly)
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
        files.doneDir = dir.filePath(QStringLiteral("done"));
        const QStringList names = dir.entryList({QStringLiteral("*.alq")}, QDir::Files, QDir::Name);
        if (names.isEmpty()) {
            SweepDone(files);
            return 0;
        }
        QDir().mkpath(files.eventLogDir);
        QDir().mkpath(files.doneDir);
        Statistics stats;
        if (!ReadStatistics(files.statistics, &stats))
            stats = Statistics();   // a damaged record starts over rather than stopping delivery
        // Spool files whose alerts a killed cycle recorded already.
        QSet<QByteArray> recorded;
        QVector<EventLogRecord> tail;
        if (ReadEventLogTail(QDir(files.eventLogDir).filePath(QStringLiteral("ALRECORD.TBL")), kBatchAlerts, &tail)) {
            for (const EventLogRecord& r : std::as_const(tail))
                recorded.insert(FieldBytes(r.tail.constData() + kSpoolKeyOffset, kSpoolKeySize));
        }
        recorded.remove(QByteArray());
        Senders senders;
        senders.sw = ReadDeliverySwitch();
        senders.sw.realDelivery = senders.sw.realDelivery && !recordOnly;
        senders.machine = m;
        if (senders.sw.realDelivery) {
            QByteArray record;
            if (Tarnix::MachineStore(m).ReadSettings(Tarnix::SettingsKind::Smtp, &record) == 0)
                senders.smtp = SmtpSettings::FromRecord(record);
        }
        Progress progress(dir.filePath(QStringLiteral("progress.log")));
        int taken = 0;
        int waiting = 0;
        Batch batch;
        for (const QString& name : names) {
            if (g_interrupted.load())
                break;
            const QString path = dir.filePath(name);
            QByteArray data;
            Plenkor::SpooledAlert alert;
            Plenkor::PackedAlert packed;
            const bool sound = ReadWholeFile(path, kSpoolFileLimit, &data) &&
                               Plenkor::ParseSpooled(data, &alert) == 0 && Plenkor::Unpack(alert.packed, &packed) == 0;
            const QByteArray key = SpoolKeyOf(name);
            if (!sound) {
                SetAside(m, path);
                stats.CountBadAlert();
                batch.activity.append(QStringLiteral("Malformed alert %1 moved to spool\\bad").arg(name).toUtf8());
            } else if (recorded.contains(key)) {
                QFile::remove(path);
            } else {
                QVector<Target> targets = TargetsOf(alert, packed, senders.sw.realDelivery);
                if (std::any_of(targets.cbegin(), targets.cend(), [](const Target& t) { return t.real; })) {
                    progress.Apply(key, &targets);
                    // Waits for a recipient that is to be tried again; the file stays in the spool.
                    if (progress.Unreadable() || !SendDue(senders, alert, packed, key, &progress, &targets, &batch)) {
                        ++waiting;
                        continue;
                    }
                }
                Record(files, alert, targets, key, &stats, &batch);
                batch.taken << path;
            }
            ++taken;
            if (batch.records.size() >= kBatchAlerts && !WriteBatch(files, stats, &batch))
                return taken;
        }
        if (WriteBatch(files, stats, &batch) && waiting == 0 && !g_interrupted.load())
            progress.Discard();
        if (taken == 0)
            SweepDone(files);   // only alerts waiting to be tried again: a quiet moment
        return taken;
    } catch (...) {
        return 0;
    }
}

void SetInterrupted(bool interrupted)
{
    g_interrupted.store(interrupted);
}

} // namespace Delivery
