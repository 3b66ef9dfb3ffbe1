// Any bytes as a packed alert block, its size field and checksum brought in line: the block is
// unpacked whole or refused, every section agrees with the header, and a block unpacked, packed
// again and unpacked is the same alert.
#include "FuzzSupport.h"
#include "plenkor/PackedAlert.h"

using namespace Plenkor;

namespace {

bool Same(const PackedAlert& a, const PackedAlert& b)
{
    if (a.header != b.header || a.alStruct != b.alStruct || a.sections.size() != b.sections.size())
        return false;
    for (qsizetype i = 0; i < a.sections.size(); ++i) {
        const Section& x = a.sections[i];
        const Section& y = b.sections[i];
        if (x.method != y.method || x.version != y.version || x.recordSize != y.recordSize || x.count != y.count ||
            x.records != y.records)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray bytes = Fuzz::Bytes(data, size);
    if (bytes.size() >= 12)
        Records::PutU32(bytes.data() + 8, uint32_t(bytes.size()));
    Fuzz::FixTrailingCrc(&bytes);
    PackedAlert alert;
    if (Unpack(bytes, &alert) != 0)
        return 0;
    for (const Section& s : alert.sections) {
        FUZZ_CHECK(s.method && s.count > 0 && s.count == alert.header[s.method->countEntry]);
        FUZZ_CHECK(s.recordSize == Records::RecordSize(*s.method, alert.header[kVersionEntry]));
        FUZZ_CHECK(s.records.size() == qsizetype(s.count) * s.recordSize);
    }
    (void)alert.RecipientCount();

    const QByteArray packed = PackSections(alert.header, alert.alStruct, alert.sections);
    FUZZ_CHECK(packed == bytes);
    PackedAlert again;
    FUZZ_CHECK(Unpack(packed, &again) == 0 && Same(again, alert));
    return 0;
}
