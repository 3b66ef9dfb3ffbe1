// Any bytes as a settings file (ALACCT.DAT, ALNOTES.DAT or ALSMTP.DAT; the first byte chooses),
// its checksum brought in line: the record is taken only from a sound file of its kind, and a
// record read, written and read again is the same record.
#include "FuzzSupport.h"
#include "tarnix/MachineStore.h"

using namespace Tarnix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const SettingsKind kinds[] = {SettingsKind::Account, SettingsKind::Notes, SettingsKind::Smtp};
    const SettingsKind kind = kinds[data[0] % 3];
    QByteArray bytes = Fuzz::Bytes(data + 1, size - 1);
    Fuzz::FixTrailingCrc(&bytes);
    QByteArray record;
    if (ParseSettingsFile(kind, bytes, &record) != 0)
        return 0;
    FUZZ_CHECK(record.size() == SettingsSize(kind) && bytes.mid(12, record.size()) == record);
    const QByteArray written = SerializeSettingsFile(kind, record);
    FUZZ_CHECK(written == bytes);
    QByteArray again;
    FUZZ_CHECK(ParseSettingsFile(kind, written, &again) == 0 && again == record);
    return 0;
}
