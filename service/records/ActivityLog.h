#pragma once
// The activity log in its two forms: ACTIVITY.LOG, a ring of 312-byte slots behind a 48-byte
// header (newer service), and ALERT.LOG, plain text lines (older service).
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVector>
#include <cstdint>

namespace Records {

constexpr int kRingHeaderSize = 48;
constexpr int kRingSlotSize = 312;
constexpr int kRingTextSize = 256;
constexpr uint32_t kRingDefaultCapacity = 100;
// Larger than any capacity the console offers (10000), small enough that a lying header
// cannot make a reader walk for ever.
constexpr uint32_t kRingMaxCapacity = 1000000;

struct RingHeader {
    uint32_t marker = 1;
    uint32_t capacity = kRingDefaultCapacity;
    uint32_t oldest = 0;
    uint32_t next = 0;
    uint32_t count = 0;
    QByteArray unused = QByteArray(28, '\0');
    // Marker 1, capacity 1..kRingMaxCapacity, indices inside the ring, count <= capacity.
    bool IsValid() const;
};

// A Windows SYSTEMTIME: local time, 16-bit fields.
struct SystemTime {
    uint16_t year = 0, month = 0, dayOfWeek = 0, day = 0, hour = 0, minute = 0, second = 0, milliseconds = 0;
    static SystemTime FromDateTime(const QDateTime& local);
    QDateTime ToDateTime() const;   // invalid when the fields are not a date
};

struct RingEntry {
    uint32_t inUse = 1;
    uint32_t recordNumber = 0;
    uint32_t hidden = 0;
    SystemTime written;
    QByteArray text;   // at most 255 bytes
};

bool ParseRingHeader(const QByteArray& data, RingHeader* out);   // needs 48 bytes; no validity check
QByteArray SerializeRingHeader(const RingHeader& header);
bool ParseRingSlot(const QByteArray& data, RingEntry* out);      // needs 312 bytes
QByteArray SerializeRingSlot(const RingEntry& entry);

// Lists the ring in reading order, oldest first, from the oldest index up to the next-write
// index; hidden slots, slots not in use and slots the file does not hold whole are left out.
// False when the file cannot be read or its header is not valid.
bool ReadActivityRing(const QString& hostPath, RingHeader* header, QVector<RingEntry>* entries);
// Appends one entry under the file's lock (a missing file is created with capacity 100): the
// slot at the next-write index, then, on a full ring, the oldest index moves on, the next-write
// index advances and the live count grows up to the capacity. A file whose header is not valid
// is moved aside (same name, extension BAD) and a new ring started. False on a file error.
bool AppendActivityEntry(const QString& hostPath, const QByteArray& text, const QDateTime& localTime);
// The same for several entries, in order, under one lock.
bool AppendActivityEntries(const QString& hostPath, const QList<QByteArray>& texts, const QDateTime& localTime);
// Empties the ring, giving it the capacity (0 keeps the present one, or 100 when there is
// none); replaces the file atomically under its lock.
bool ResetActivityRing(const QString& hostPath, uint32_t capacity);

// ALERT.LOG of the older service: appends "yyyy-MM-dd hh:mm:ss  text" and CR LF.
bool AppendAlertLogLine(const QString& hostPath, const QByteArray& text, const QDateTime& localTime);
bool AppendAlertLogLines(const QString& hostPath, const QList<QByteArray>& texts, const QDateTime& localTime);
// The text of an ALERT.LOG as it is shown. The service never writes a NUL; one that damage left
// is shown as a space, so that the lines appended after it are not cut off.
QByteArray AlertLogText(const QByteArray& fileBytes);

} // namespace Records
