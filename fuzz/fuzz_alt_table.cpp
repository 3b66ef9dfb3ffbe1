// Any bytes as an application table (.ALT), its checksum brought in line: the table is read
// whole or refused as damaged, never past its lists, and a table read, written and read again
// is the same table.
#include "FuzzSupport.h"
#include "tarnix/AltTable.h"

using namespace Tarnix;

namespace {

bool Same(const AltTable& a, const AltTable& b)
{
    return a.version == b.version && a.writeCounter == b.writeCounter && a.writtenMs == b.writtenMs &&
           a.displayName == b.displayName && a.alStruct == b.alStruct && a.lists == b.lists && a.counts == b.counts;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray bytes = Fuzz::Bytes(data, size);
    Fuzz::FixTrailingCrc(&bytes);
    AltTable table;
    if (ParseAltTable(bytes, &table) != ParseResult::Ok)
        return 0;
    qsizetype listBytes = 0;
    for (int k = 0; k < kListCount; ++k) {
        FUZZ_CHECK(table.lists[k].size() == qsizetype(table.counts[k]) * ListRecordSize(ListKind(k)));
        listBytes += table.lists[k].size();
    }
    FUZZ_CHECK(kAltHeaderSize + listBytes + 4 == bytes.size());
    (void)table.ChangeDate();

    const QByteArray written = SerializeAltTable(table);
    AltTable again;
    FUZZ_CHECK(ParseAltTable(written, &again) == ParseResult::Ok);
    FUZZ_CHECK(Same(again, table));
    return 0;
}
