// Any bytes as the activity log, in both forms (the first byte chooses): ACTIVITY.LOG reads as
// a ring or is refused, its header and slots written back read the same, and an entry the
// service appends is always the last one listed afterwards; ALERT.LOG shows every line appended
// after whatever it held.
#include "FuzzSupport.h"
#include "records/ActivityLog.h"
#include "records/StoreFile.h"

#include <QFile>

using namespace Records;

namespace {

const QByteArray kMarker = "appended by the fuzz target";
const QDateTime kWhen(QDate(2024, 5, 6), QTime(7, 8, 9), Qt::LocalTime);

void Store(const QString& path, const QByteArray& bytes)
{
    QFile::remove(path);
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly));
    FUZZ_CHECK(file.write(bytes) == bytes.size());
}

bool SameHeader(const RingHeader& a, const RingHeader& b)
{
    return a.marker == b.marker && a.capacity == b.capacity && a.oldest == b.oldest && a.next == b.next &&
           a.count == b.count && a.unused == b.unused;
}

bool SameSlot(const RingEntry& a, const RingEntry& b)
{
    const SystemTime& x = a.written;
    const SystemTime& y = b.written;
    return a.inUse == b.inUse && a.recordNumber == b.recordNumber && a.hidden == b.hidden && a.text == b.text &&
           x.year == y.year && x.month == y.month && x.dayOfWeek == y.dayOfWeek && x.day == y.day &&
           x.hour == y.hour && x.minute == y.minute && x.second == y.second && x.milliseconds == y.milliseconds;
}

void Ring(const QByteArray& bytes)
{
    RingHeader header;
    if (ParseRingHeader(bytes, &header)) {
        RingHeader again;
        FUZZ_CHECK(ParseRingHeader(SerializeRingHeader(header), &again) && SameHeader(again, header));
    }
    RingEntry slot;
    if (ParseRingSlot(bytes.mid(kRingHeaderSize), &slot)) {
        RingEntry again;
        FUZZ_CHECK(ParseRingSlot(SerializeRingSlot(slot), &again) && SameSlot(again, slot));
    }

    const QString path = Fuzz::ScratchDir() + QStringLiteral("/ACTIVITY.LOG");
    Store(path, bytes);
    QVector<RingEntry> entries;
    const bool readable = ReadActivityRing(path, &header, &entries);
    if (readable)
        FUZZ_CHECK(header.IsValid() && entries.size() <= qsizetype(header.capacity));
    // Far-off indices only make the file longer; the ring's arithmetic is the same near 0.
    if (readable && header.next > 1024)
        return;
    FUZZ_CHECK(AppendActivityEntry(path, kMarker, kWhen));
    FUZZ_CHECK(ReadActivityRing(path, &header, &entries));
    FUZZ_CHECK(!entries.isEmpty() && entries.last().text == kMarker);
    FUZZ_CHECK(entries.size() <= qsizetype(header.capacity) && header.count >= 1);
}

void TextLog(const QByteArray& bytes)
{
    const QString path = Fuzz::ScratchDir() + QStringLiteral("/ALERT.LOG");
    Store(path, bytes);
    FUZZ_CHECK(AppendAlertLogLine(path, kMarker, kWhen));
    QByteArray after;
    FUZZ_CHECK(ReadWholeFile(path, bytes.size() + 1024, &after));
    const QByteArray shown = AlertLogText(after);
    FUZZ_CHECK(shown.startsWith(AlertLogText(bytes)));
    FUZZ_CHECK(shown.endsWith("2024-05-06 07:08:09  " + kMarker + "\r\n"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray bytes = Fuzz::Bytes(data + 1, size - 1);
    if (data[0] & 1)
        TextLog(bytes);
    else
        Ring(bytes);
    return 0;
}
