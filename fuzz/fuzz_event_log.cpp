// Any bytes as ALRECORD.TBL: the table reads as a header and the records its counters name
// (never more than the file holds), its records written back read the same, each field read in
// place is the field parsed, and a detail file name is used only when it stays inside the
// event-log folder.
#include "FuzzSupport.h"
#include "records/EventLogTable.h"

#include <QDir>

using namespace Records;

namespace {

bool Same(const EventLogRecord& a, const EventLogRecord& b)
{
    return a.head == b.head && a.detailFile == b.detailFile && a.description == b.description &&
           a.application == b.application && a.severity == b.severity && a.timeGenerated == b.timeGenerated &&
           a.labelSuffix == b.labelSuffix && a.tail == b.tail;
}

void CheckDetailName(const QByteArray& field)
{
    const QString name = QString::fromUtf8(field);
    if (!IsPlainDetailName(name))
        return;
    const QString folder = QStringLiteral("/world/EVENTLOG");
    const QString path = QDir::cleanPath(folder + QLatin1Char('/') + name);
    FUZZ_CHECK(path.startsWith(folder + QLatin1Char('/')) && path.count(QLatin1Char('/')) == 3);
    FUZZ_CHECK(!name.contains(QLatin1Char('\\')) && !name.contains(QLatin1Char(':')));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = Fuzz::Bytes(data, size);
    EventLogFile file;
    if (!ParseEventLog(bytes, &file)) {
        FUZZ_CHECK(bytes.size() < kEventLogBlock);
        return 0;
    }
    const qint64 present = (bytes.size() - kEventLogBlock) / kEventLogBlock;
    FUZZ_CHECK(file.records.size() <= present && file.records.size() <= file.header.RecordCount());
    FUZZ_CHECK(file.shortOfRecords == (file.header.RecordCount() > present));
    for (qsizetype i = 0; i < file.records.size(); ++i) {
        const EventLogRecord& r = file.records[i];
        CheckDetailName(r.detailFile);
        const char* block = bytes.constData() + (i + 1) * kEventLogBlock;
        FUZZ_CHECK(EventLogField::Severity(block) == r.severity && EventLogField::Time(block) == r.timeGenerated);
        FUZZ_CHECK(EventLogField::Application(block) == r.application && EventLogField::Description(block) == r.description);
        FUZZ_CHECK(EventLogField::DetailFile(block) == r.detailFile && EventLogField::LabelSuffix(block) == r.labelSuffix);
        FUZZ_CHECK(EventLogField::Block(block) == SerializeEventLogRecord(r));
    }

    // Decode, encode, decode: the same header and records.
    QByteArray image = SerializeEventLogHeader(file.header);
    for (const EventLogRecord& r : file.records)
        image += SerializeEventLogRecord(r);
    EventLogFile again;
    FUZZ_CHECK(ParseEventLog(image, &again));
    FUZZ_CHECK(again.header.rest == file.header.rest);
    for (int i = 0; i < 3; ++i)
        FUZZ_CHECK(again.header.counts[i] == file.header.counts[i]);
    FUZZ_CHECK(again.records.size() == file.records.size());
    for (qsizetype i = 0; i < file.records.size(); ++i)
        FUZZ_CHECK(Same(again.records[i], file.records[i]));
    return 0;
}
