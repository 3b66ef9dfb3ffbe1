// Any bytes as a spool file, its checksum brought in line: the alert is read whole or refused,
// its lengths within their limits, a spooled alert read, written and read again is the same,
// and its packed block is unpacked or refused as the service does.
#include "FuzzSupport.h"
#include "plenkor/PackedAlert.h"
#include "plenkor/Spool.h"
#include "tarnix/MachineStore.h"

using namespace Plenkor;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray bytes = Fuzz::Bytes(data, size);
    Fuzz::FixTrailingCrc(&bytes);
    SpooledAlert alert;
    if (ParseSpooled(bytes, &alert) != 0)
        return 0;
    FUZZ_CHECK(Tarnix::IsValidApplicationName(alert.application));
    FUZZ_CHECK(alert.text.size() <= kMaxTextBytes && alert.packed.size() <= qsizetype(kMaxPackedSize));

    const QByteArray written = SerializeSpooled(alert);
    FUZZ_CHECK(written == bytes);
    SpooledAlert again;
    FUZZ_CHECK(ParseSpooled(written, &again) == 0);
    FUZZ_CHECK(again.submittedMs == alert.submittedMs && again.methodBits == alert.methodBits &&
               again.priority == alert.priority && again.reserved == alert.reserved &&
               again.application == alert.application && again.text == alert.text && again.packed == alert.packed);

    PackedAlert packed;
    if (Unpack(alert.packed, &packed) == 0)
        FUZZ_CHECK(PackSections(packed.header, packed.alStruct, packed.sections) == alert.packed);
    return 0;
}
