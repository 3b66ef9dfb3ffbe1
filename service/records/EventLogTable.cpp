#include "records/EventLogTable.h"

#include "records/ByteField.h"
#include "records/StoreFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMultiHash>

#include <algorithm>
#include <utility>
#include <cstring>

namespace Records {

namespace {
constexpr qint64 kEventLogLimit = 256LL << 20;

// Record offsets (version 10).
constexpr int kHead = 0, kHeadSize = 6;
constexpr int kDetail = 6, kDetailSize = 13;
constexpr int kDescription = 19, kDescriptionSize = 128;
constexpr int kApplication = 147, kApplicationSize = 9;
constexpr int kSeverity = 156;
constexpr int kTime = 157;
constexpr int kLabel = 161, kLabelSize = 16;
constexpr int kTail = 177, kTailSize = 79;
} // namespace

qint64 EventLogHeader::RecordCount() const
{
    qint64 n = 0;
    for (int32_t c : counts)
        n += c > 0 ? c : 0;
    return n;
}

int CounterIndex(int severity)
{
    if (severity == 2)
        return 1;
    if (severity == 3)
        return 2;
    return 0;
}

bool ParseEventLogHeader(const QByteArray& block, EventLogHeader* out)
{
    if (block.size() < kEventLogBlock)
        return false;
    const char* p = block.constData();
    for (int i = 0; i < 3; ++i)
        out->counts[i] = I32At(p + 4 * i);
    out->rest = block.mid(12, 244);
    return true;
}

QByteArray SerializeEventLogHeader(const EventLogHeader& header)
{
    QByteArray block(kEventLogBlock, '\0');
    char* p = block.data();
    for (int i = 0; i < 3; ++i)
        PutI32(p + 4 * i, header.counts[i]);
    PutBytes(p + 12, 244, header.rest);
    return block;
}

bool ParseEventLogRecord(const QByteArray& block, EventLogRecord* out)
{
    if (block.size() < kEventLogBlock)
        return false;
    const char* p = block.constData();
    out->head = QByteArray(p + kHead, kHeadSize);
    out->detailFile = FieldBytes(p + kDetail, kDetailSize);
    out->description = FieldBytes(p + kDescription, kDescriptionSize);
    out->application = FieldBytes(p + kApplication, kApplicationSize);
    out->severity = static_cast<uint8_t>(p[kSeverity]);
    out->timeGenerated = I32At(p + kTime);
    out->labelSuffix = FieldBytes(p + kLabel, kLabelSize);
    out->tail = QByteArray(p + kTail, kTailSize);
    return true;
}

QByteArray SerializeEventLogRecord(const EventLogRecord& record)
{
    QByteArray block(kEventLogBlock, '\0');
    char* p = block.data();
    PutBytes(p + kHead, kHeadSize, record.head);
    PutFieldBack(p + kDetail, kDetailSize, record.detailFile);
    PutFieldBack(p + kDescription, kDescriptionSize, record.description);
    PutFieldBack(p + kApplication, kApplicationSize, record.application);
    p[kSeverity] = static_cast<char>(record.severity);
    PutI32(p + kTime, record.timeGenerated);
    PutFieldBack(p + kLabel, kLabelSize, record.labelSuffix);
    PutBytes(p + kTail, kTailSize, record.tail);
    return block;
}

namespace EventLogField {
int Severity(const char* record) { return static_cast<uint8_t>(record[kSeverity]); }
int32_t Time(const char* record) { return I32At(record + kTime); }
QByteArray Application(const char* record) { return FieldBytes(record + kApplication, kApplicationSize); }
QByteArray Description(const char* record) { return FieldBytes(record + kDescription, kDescriptionSize); }
QByteArray DetailFile(const char* record) { return FieldBytes(record + kDetail, kDetailSize); }
QByteArray LabelSuffix(const char* record) { return FieldBytes(record + kLabel, kLabelSize); }

QByteArray Block(const char* record)
{
    EventLogRecord parsed;
    ParseEventLogRecord(QByteArray::fromRawData(record, kEventLogBlock), &parsed);
    return SerializeEventLogRecord(parsed);
}
} // namespace EventLogField

bool ParseEventLog(const QByteArray& data, EventLogFile* out)
{
    EventLogFile file;
    if (!ParseEventLogHeader(data, &file.header))
        return false;
    const qint64 promised = file.header.RecordCount();
    const qint64 present = (data.size() - kEventLogBlock) / kEventLogBlock;
    const qint64 n = std::min(promised, present);
    file.shortOfRecords = promised > present;
    file.records.reserve(static_cast<qsizetype>(n));
    for (qint64 i = 1; i <= n; ++i) {
        EventLogRecord record;
        ParseEventLogRecord(data.mid(static_cast<qsizetype>(i * kEventLogBlock), kEventLogBlock), &record);
        file.records.append(record);
    }
    *out = file;
    return true;
}

bool ReadEventLog(const QString& hostPath, EventLogFile* out)
{
    QByteArray data;
    if (!ReadWholeFile(hostPath, kEventLogLimit, &data))
        return false;
    return ParseEventLog(data, out);
}

bool ReadEventLogTail(const QString& hostPath, int maxRecords, QVector<EventLogRecord>* out)
{
    out->clear();
    QFile file(hostPath);
    if (!file.exists())
        return true;
    EventLogHeader header;
    if (!file.open(QIODevice::ReadOnly) || !ParseEventLogHeader(file.read(kEventLogBlock), &header))
        return false;
    const qint64 present = std::max<qint64>(0, (file.size() - kEventLogBlock) / kEventLogBlock);
    const qint64 held = std::min(header.RecordCount(), present);
    const qint64 n = std::min<qint64>(std::max(maxRecords, 0), held);
    if (n == 0)
        return true;
    if (!file.seek((held - n + 1) * kEventLogBlock))
        return false;
    const QByteArray data = file.read(n * kEventLogBlock);
    if (data.size() != n * kEventLogBlock)
        return false;
    out->reserve(static_cast<qsizetype>(n));
    for (qint64 i = 0; i < n; ++i) {
        EventLogRecord record;
        ParseEventLogRecord(data.mid(static_cast<qsizetype>(i * kEventLogBlock), kEventLogBlock), &record);
        out->append(record);
    }
    return true;
}

namespace {

QByteArray BuildFile(EventLogHeader header, const QVector<EventLogRecord>& records)
{
    header.counts[0] = header.counts[1] = header.counts[2] = 0;
    QByteArray body;
    body.reserve((records.size() + 1) * kEventLogBlock);
    for (const EventLogRecord& r : records) {
        ++header.counts[CounterIndex(r.severity)];
        body += SerializeEventLogRecord(r);
    }
    return SerializeEventLogHeader(header) + body;
}

} // namespace

bool WriteEventLog(const QString& hostPath, const EventLogHeader& header, const QVector<EventLogRecord>& records)
{
    FileLock lock(LockPathFor(hostPath));
    if (!lock.IsLocked())
        return false;
    return ReplaceFile(hostPath, BuildFile(header, records));
}

namespace {

// A record's block as it is written back: what lies after a field's terminator is not kept.
QByteArray NormalisedBlock(const char* record)
{
    EventLogRecord parsed;
    ParseEventLogRecord(QByteArray::fromRawData(record, kEventLogBlock), &parsed);
    return SerializeEventLogRecord(parsed);
}

} // namespace

EventLogEdit RemoveEventLogRecords(const QString& hostPath, const QVector<EventLogRemoval>& removals,
                                   EventLogHeader* written, qsizetype* remaining, QByteArray* image,
                                   HeldCopy* held)
{
    const FileIdentity expected = held ? held->identity : FileIdentity();
    QByteArray copy;
    if (held) {
        if (image)
            copy = std::exchange(*image, QByteArray());
        *held = HeldCopy();
    }
    FileLock lock(LockPathFor(hostPath));
    if (!lock.IsLocked())
        return EventLogEdit::Unreadable;
    QByteArray data;
    EventLogHeader header;
    FileIdentity now;
    if (expected.IsKnown() && IdentifyFile(hostPath, &now) && now == expected && ParseEventLogHeader(copy, &header)) {
        data = std::move(copy);
        held->used = true;
    } else if (QFileInfo::exists(hostPath) &&
               (!ReadWholeFile(hostPath, kEventLogLimit, &data) || !ParseEventLogHeader(data, &header))) {
        return EventLogEdit::Unreadable;
    }
    copy.clear();
    const qsizetype n = data.isEmpty() ? 0
                                       : qsizetype(std::min<qint64>(header.RecordCount(),
                                                                    (data.size() - kEventLogBlock) / kEventLogBlock));
    const auto record = [&data](qsizetype i) { return data.constData() + (i + 1) * kEventLogBlock; };

    // The records stay as they are in the file; only the asked ones are compared, and the whole
    // file is matched by content only when a record is no longer where the console read it.
    std::vector<bool> gone(static_cast<size_t>(n), false);
    QMultiHash<QByteArray, qsizetype> byBlock;
    bool indexed = false;
    for (const EventLogRemoval& removal : removals) {
        qsizetype at = -1;
        if (removal.index >= 0 && removal.index < n && !gone[size_t(removal.index)] &&
            NormalisedBlock(record(removal.index)) == removal.block) {
            at = removal.index;
        } else {
            if (!indexed) {
                byBlock.reserve(n);
                for (qsizetype i = 0; i < n; ++i)
                    byBlock.insert(NormalisedBlock(record(i)), i);
                indexed = true;
            }
            // The first record still there that holds the block.
            for (auto it = byBlock.constFind(removal.block); it != byBlock.cend() && it.key() == removal.block; ++it)
                if (!gone[size_t(it.value())] && (at < 0 || it.value() < at))
                    at = it.value();
        }
        if (at >= 0)
            gone[size_t(at)] = true;
    }

    // The records kept move down over the removed ones, in the buffer read.
    if (data.isEmpty())
        data = QByteArray(kEventLogBlock, '\0');
    char* base = data.data();
    header.counts[0] = header.counts[1] = header.counts[2] = 0;
    qsizetype kept = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (gone[size_t(i)])
            continue;
        char* to = base + (kept + 1) * kEventLogBlock;
        if (kept != i)
            std::memmove(to, base + (i + 1) * kEventLogBlock, kEventLogBlock);
        ++header.counts[CounterIndex(static_cast<uint8_t>(to[kSeverity]))];
        ++kept;
    }
    data.truncate((kept + 1) * kEventLogBlock);
    const QByteArray headerBlock = SerializeEventLogHeader(header);
    std::memcpy(data.data(), headerBlock.constData(), kEventLogBlock);
    if (!ReplaceFile(hostPath, data)) {
        if (held)
            held->used = false;
        return EventLogEdit::Unwritable;
    }
    if (held)
        IdentifyFile(hostPath, &held->identity);
    if (written)
        *written = header;
    if (remaining)
        *remaining = kept;
    if (image)
        *image = data;
    return EventLogEdit::Done;
}

bool AppendEventLogRecord(const QString& hostPath, const EventLogRecord& record)
{
    return AppendEventLogRecords(hostPath, {record});
}

bool AppendEventLogRecords(const QString& hostPath, const QVector<EventLogRecord>& records)
{
    if (records.isEmpty())
        return true;
    FileLock lock(LockPathFor(hostPath));
    if (!lock.IsLocked())
        return false;
    QDir().mkpath(QFileInfo(hostPath).absolutePath());
    QFile file(hostPath);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    const qint64 size = file.size();
    EventLogHeader header;
    bool sound = false;
    if (size >= kEventLogBlock) {
        const QByteArray block = file.read(kEventLogBlock);
        sound = ParseEventLogHeader(block, &header);
        for (int32_t c : header.counts)
            sound = sound && c >= 0;
        sound = sound && (header.RecordCount() + 1) * kEventLogBlock <= size;
    } else {
        sound = size == 0;
    }
    if (!sound) {
        // Counters that disagree with the file: keep the complete records and recount.
        file.close();
        QByteArray data;
        EventLogFile existing;
        if (size >= kEventLogBlock && ReadWholeFile(hostPath, kEventLogLimit, &data))
            ParseEventLog(data, &existing);
        existing.records += records;
        return ReplaceFile(hostPath, BuildFile(existing.header, existing.records));
    }
    const qint64 position = (header.RecordCount() + 1) * kEventLogBlock;
    QByteArray body;
    body.reserve(records.size() * kEventLogBlock);
    for (const EventLogRecord& r : records) {
        ++header.counts[CounterIndex(r.severity)];
        body += SerializeEventLogRecord(r);
    }
    if (!file.seek(position) || file.write(body) != body.size())
        return false;
    // The header follows the records, so a reader never counts a record not yet written.
    if (!file.flush() || !file.seek(0) || file.write(SerializeEventLogHeader(header)) != kEventLogBlock)
        return false;
    return file.flush();
}

bool IsPlainDetailName(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (QChar c : name) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('/') || c == QLatin1Char(':') || c.unicode() < 0x20)
            return false;
    }
    return true;
}

bool ReadDetailText(const QString& hostPath, QByteArray* text)
{
    QByteArray data;
    if (!ReadWholeFile(hostPath, kDetailFileLimit, &data))
        return false;
    const qsizetype nul = data.indexOf('\0');
    *text = nul >= 0 ? data.left(nul) : data;
    return true;
}

} // namespace Records
