#include "records/ActivityLog.h"

#include "records/ByteField.h"
#include "records/StoreFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace Records {

bool RingHeader::IsValid() const
{
    return marker == 1 && capacity >= 1 && capacity <= kRingMaxCapacity && oldest < capacity && next < capacity &&
           count <= capacity;
}

SystemTime SystemTime::FromDateTime(const QDateTime& local)
{
    SystemTime t;
    const QDate d = local.date();
    const QTime tm = local.time();
    t.year = static_cast<uint16_t>(d.year());
    t.month = static_cast<uint16_t>(d.month());
    t.dayOfWeek = static_cast<uint16_t>(d.dayOfWeek() % 7);   // Sunday is 0
    t.day = static_cast<uint16_t>(d.day());
    t.hour = static_cast<uint16_t>(tm.hour());
    t.minute = static_cast<uint16_t>(tm.minute());
    t.second = static_cast<uint16_t>(tm.second());
    t.milliseconds = static_cast<uint16_t>(tm.msec());
    return t;
}

QDateTime SystemTime::ToDateTime() const
{
    const QDate d(year, month, day);
    const QTime tm(hour, minute, second, milliseconds);
    if (!d.isValid() || !tm.isValid())
        return QDateTime();
    return QDateTime(d, tm, Qt::LocalTime);
}

bool ParseRingHeader(const QByteArray& data, RingHeader* out)
{
    if (data.size() < kRingHeaderSize)
        return false;
    const char* p = data.constData();
    out->marker = U32At(p);
    out->capacity = U32At(p + 4);
    out->oldest = U32At(p + 8);
    out->next = U32At(p + 12);
    out->count = U32At(p + 16);
    out->unused = QByteArray(p + 20, 28);
    return true;
}

QByteArray SerializeRingHeader(const RingHeader& header)
{
    QByteArray data(kRingHeaderSize, '\0');
    char* p = data.data();
    PutU32(p, header.marker);
    PutU32(p + 4, header.capacity);
    PutU32(p + 8, header.oldest);
    PutU32(p + 12, header.next);
    PutU32(p + 16, header.count);
    PutBytes(p + 20, 28, header.unused);
    return data;
}

bool ParseRingSlot(const QByteArray& data, RingEntry* out)
{
    if (data.size() < kRingSlotSize)
        return false;
    const char* p = data.constData();
    out->inUse = U32At(p);
    out->recordNumber = U32At(p + 4);
    out->hidden = U32At(p + 8);
    uint16_t* fields[8] = {&out->written.year, &out->written.month, &out->written.dayOfWeek, &out->written.day,
                           &out->written.hour, &out->written.minute, &out->written.second,
                           &out->written.milliseconds};
    for (int i = 0; i < 8; ++i)
        *fields[i] = U16At(p + 12 + 2 * i);
    out->text = FieldBytes(p + 28, kRingTextSize);
    return true;
}

QByteArray SerializeRingSlot(const RingEntry& entry)
{
    QByteArray data(kRingSlotSize, '\0');
    char* p = data.data();
    PutU32(p, entry.inUse);
    PutU32(p + 4, entry.recordNumber);
    PutU32(p + 8, entry.hidden);
    const uint16_t fields[8] = {entry.written.year, entry.written.month, entry.written.dayOfWeek, entry.written.day,
                                entry.written.hour, entry.written.minute, entry.written.second,
                                entry.written.milliseconds};
    for (int i = 0; i < 8; ++i)
        PutU16(p + 12 + 2 * i, fields[i]);
    PutFieldBack(p + 28, kRingTextSize, entry.text);
    return data;
}

namespace {

qint64 SlotOffset(uint32_t index)
{
    return kRingHeaderSize + static_cast<qint64>(index) * kRingSlotSize;
}

} // namespace

bool ReadActivityRing(const QString& hostPath, RingHeader* header, QVector<RingEntry>* entries)
{
    QFile file(hostPath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    RingHeader h;
    if (!ParseRingHeader(file.read(kRingHeaderSize), &h) || !h.IsValid())
        return false;
    // Slots the file holds whole. A header may name more: the appender writes at the next-write
    // index wherever it lies, so a slot missing from the file is passed over rather than ending
    // the list, or every entry appended after the gap would stay out of sight.
    const qint64 slotsInFile = std::max<qint64>(0, (file.size() - kRingHeaderSize) / kRingSlotSize);
    QVector<RingEntry> list;
    if (h.count > 0) {
        uint32_t index = h.oldest;
        // At most one pass round the ring; the header was checked, so this ends.
        for (uint32_t steps = 0; steps < h.capacity; ++steps) {
            if (steps > 0 && index == h.next)
                break;
            const uint32_t slot = index;
            index = (index + 1) % h.capacity;
            if (slot >= slotsInFile || !file.seek(SlotOffset(slot)))
                continue;
            RingEntry entry;
            if (!ParseRingSlot(file.read(kRingSlotSize), &entry))
                continue;
            // A slot not in use (the zeros of a gap the appender left) holds no entry.
            if (entry.inUse != 0 && entry.hidden == 0)
                list.append(entry);
        }
    }
    *header = h;
    *entries = list;
    return true;
}

bool AppendActivityEntry(const QString& hostPath, const QByteArray& text, const QDateTime& localTime)
{
    return AppendActivityEntries(hostPath, {text}, localTime);
}

bool AppendActivityEntries(const QString& hostPath, const QList<QByteArray>& texts, const QDateTime& localTime)
{
    if (texts.isEmpty())
        return true;
    FileLock lock(LockPathFor(hostPath));
    if (!lock.IsLocked())
        return false;
    QDir().mkpath(QFileInfo(hostPath).absolutePath());
    RingHeader h;
    {
        QFile probe(hostPath);
        if (probe.exists()) {
            bool valid = probe.open(QIODevice::ReadOnly) && ParseRingHeader(probe.read(kRingHeaderSize), &h) &&
                         h.IsValid();
            probe.close();
            if (!valid) {
                // Keep the damaged log for whoever wants to look at it; start a new ring.
                const QFileInfo info(hostPath);
                const QString aside = info.absoluteDir().filePath(info.completeBaseName() + QStringLiteral(".BAD"));
                QFile::remove(aside);
                if (!QFile::rename(hostPath, aside))
                    return false;
                h = RingHeader();
            }
        }
        if (!QFile::exists(hostPath) && !ReplaceFile(hostPath, SerializeRingHeader(h)))
            return false;
    }
    QFile file(hostPath);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    for (const QByteArray& text : texts) {
        RingEntry entry;
        entry.recordNumber = h.next;
        entry.written = SystemTime::FromDateTime(localTime);
        entry.text = CutUtf8(text, kRingTextSize - 1);
        if (!file.seek(SlotOffset(h.next)) || file.write(SerializeRingSlot(entry)) != kRingSlotSize)
            return false;
        if (h.count > 0 && h.next == h.oldest)
            h.oldest = (h.oldest + 1) % h.capacity;
        h.next = (h.next + 1) % h.capacity;
        if (h.count < h.capacity)
            ++h.count;
    }
    if (!file.flush() || !file.seek(0) || file.write(SerializeRingHeader(h)) != kRingHeaderSize)
        return false;
    return file.flush();
}

bool ResetActivityRing(const QString& hostPath, uint32_t capacity)
{
    if (capacity > kRingMaxCapacity)
        return false;
    FileLock lock(LockPathFor(hostPath));
    if (!lock.IsLocked())
        return false;
    RingHeader h;
    {
        QFile file(hostPath);
        RingHeader old;
        if (file.open(QIODevice::ReadOnly) && ParseRingHeader(file.read(kRingHeaderSize), &old) && old.IsValid())
            h.capacity = old.capacity;
    }
    if (capacity != 0)
        h.capacity = capacity;
    h.oldest = h.next = h.count = 0;
    return ReplaceFile(hostPath, SerializeRingHeader(h));
}

bool AppendAlertLogLine(const QString& hostPath, const QByteArray& text, const QDateTime& localTime)
{
    return AppendAlertLogLines(hostPath, {text}, localTime);
}

bool AppendAlertLogLines(const QString& hostPath, const QList<QByteArray>& texts, const QDateTime& localTime)
{
    FileLock lock(LockPathFor(hostPath));
    if (!lock.IsLocked())
        return false;
    QDir().mkpath(QFileInfo(hostPath).absolutePath());
    QFile file(hostPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const QByteArray stamp = localTime.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")).toUtf8() + "  ";
    QByteArray lines;
    for (QByteArray body : texts) {
        // One entry is one line: line breaks inside the text would make two.
        body.replace('\r', ' ').replace('\n', ' ').replace('\0', ' ');
        lines += stamp + body + "\r\n";
    }
    return file.write(lines) == lines.size() && file.flush();
}

QByteArray AlertLogText(const QByteArray& fileBytes)
{
    QByteArray text = fileBytes;
    return text.replace('\0', ' ');
}

} // namespace Records
