#pragma once
// ALRECORD.TBL, the alert event log: a 256-byte header (three counters by severity and 244
// uninterpreted bytes) followed by 256-byte records, and the per-alert detail files beside it.
#include "records/StoreFile.h"

#include <QByteArray>
#include <QString>
#include <QVector>
#include <cstdint>

namespace Records {

constexpr int kEventLogBlock = 256;
constexpr int kEventLogVersion = 10;
constexpr qint64 kDetailFileLimit = 1 << 20;

struct EventLogHeader {
    int32_t counts[3] = {0, 0, 0};   // severity 1 (and unknown), 2, 3
    QByteArray rest = QByteArray(244, '\0');
    // Sum of the counters, negative counters taken as 0.
    qint64 RecordCount() const;
};

struct EventLogRecord {
    QByteArray head = QByteArray(6, '\0');
    QByteArray detailFile;    // 8.3 name, at most 12 bytes
    QByteArray description;   // at most 127 bytes
    QByteArray application;   // at most 8 bytes
    uint8_t severity = 1;
    int32_t timeGenerated = -1;
    QByteArray labelSuffix;   // at most 15 bytes
    QByteArray tail = QByteArray(79, '\0');
};

// Counter slot a severity is counted in: 2 -> 1, 3 -> 2, anything else -> 0.
int CounterIndex(int severity);

bool ParseEventLogHeader(const QByteArray& block, EventLogHeader* out);
QByteArray SerializeEventLogHeader(const EventLogHeader& header);
bool ParseEventLogRecord(const QByteArray& block, EventLogRecord* out);
QByteArray SerializeEventLogRecord(const EventLogRecord& record);

// Fields of one record read in place from its kEventLogBlock bytes, for callers that hold
// many records as read and parse none of them whole.
namespace EventLogField {
int Severity(const char* record);
int32_t Time(const char* record);
QByteArray Application(const char* record);
QByteArray Description(const char* record);
QByteArray DetailFile(const char* record);
QByteArray LabelSuffix(const char* record);
// The record as it is written back (SerializeEventLogRecord of the parsed record).
QByteArray Block(const char* record);
} // namespace EventLogField

struct EventLogFile {
    EventLogHeader header;
    QVector<EventLogRecord> records;
    bool shortOfRecords = false;   // the counters promise more records than the file holds
};

// Parses a whole file image: the header, then as many records as the counters name, stopping
// at the first incomplete block. False only when the header itself is incomplete.
bool ParseEventLog(const QByteArray& data, EventLogFile* out);
// Reads the file (at most 256 MB).
bool ReadEventLog(const QString& hostPath, EventLogFile* out);
// The last records the counters name (at most maxRecords of them), oldest first, without reading
// the rest of the file. A missing file has none. False when the file cannot be read.
bool ReadEventLogTail(const QString& hostPath, int maxRecords, QVector<EventLogRecord>* out);
// Replaces the file with these records; the counters are recounted from the records and the
// header's other 244 bytes are kept. Takes the file's lock.
bool WriteEventLog(const QString& hostPath, const EventLogHeader& header, const QVector<EventLogRecord>& records);
// One record the console asks to remove: its block as the console read it and the position
// (0 = first record) it was read at.
struct EventLogRemoval {
    qsizetype index = -1;
    QByteArray block;   // SerializeEventLogRecord of the record
};

enum class EventLogEdit { Done, Unreadable, Unwritable };

// Removes records in one critical section under the file's lock: reads the file as it is now,
// removes each asked record (the one at its position when that still holds the same block,
// else the first other one that does; none when it is gone already), recounts and replaces the
// file. The records kept go back byte for byte. Records the service appended since the
// console's read stay. A missing file counts as an empty log. The optional outputs get the
// header written, the number of records written and the file's whole new content.
// held: the caller's copy of the file is in *image, read when the file had held->identity.
// While the file still has it, the records are taken from that copy instead of read again (a
// long log is not read twice to delete a few records); held->used then tells that exactly the
// records at the asked positions went. On Done held->identity is the file as written; on
// failure it is unknown and *image is empty.
struct HeldCopy {
    FileIdentity identity;
    bool used = false;
};
EventLogEdit RemoveEventLogRecords(const QString& hostPath, const QVector<EventLogRemoval>& removals,
                                   EventLogHeader* written = nullptr, qsizetype* remaining = nullptr,
                                   QByteArray* image = nullptr, HeldCopy* held = nullptr);
// Appends one record under the file's lock: the record goes after the last counted record,
// then the header with its counter raised. A file whose counters do not match its records is
// put right first (counters recounted from the complete records it holds). A missing file is
// created.
bool AppendEventLogRecord(const QString& hostPath, const EventLogRecord& record);
// The same for several records under one lock.
bool AppendEventLogRecords(const QString& hostPath, const QVector<EventLogRecord>& records);

// A record's detail file name is used only when it is one plain name, as the service makes
// them: no folder part, no drive, not "." or "..", no control character.
bool IsPlainDetailName(const QString& name);
// Text of a detail file up to its first NUL (files above 1 MB are refused).
bool ReadDetailText(const QString& hostPath, QByteArray* text);

} // namespace Records
