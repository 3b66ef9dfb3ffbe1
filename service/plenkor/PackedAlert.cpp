#include "plenkor/PackedAlert.h"

#include "records/ByteField.h"

namespace Plenkor {

using namespace Records;

namespace {

constexpr int kFormatVersion = 1;
constexpr int kSectionHead = 12;

struct Planned {
    const MethodInfo* method;
    int size;
    uint32_t count;
    const char* records;
};

DWORD Plan(const uint16_t* header, const void* alStruct, void* const* pointers, QVector<Planned>* plan,
           uint32_t* total)
{
    if (!header || !alStruct || !pointers)
        return ERROR_INVALID_PARAMETER;
    const int version = header[kVersionEntry];
    uint64_t bytes = kFixedPartSize + 4;
    for (int i = 0; i < kMethodCount; ++i) {
        const MethodInfo& m = Methods()[i];
        const uint32_t count = header[m.countEntry];
        if (count == 0)
            continue;
        const void* records = pointers[m.pointerEntry];
        if (!records)
            return ERROR_INVALID_PARAMETER;
        const int size = RecordSize(m, version);
        if (size == 0)
            return ERROR_INVALID_DATA;
        bytes += kSectionHead + static_cast<uint64_t>(count) * static_cast<uint64_t>(size);
        if (bytes > kMaxPackedSize)
            return ERROR_NOT_ENOUGH_MEMORY;
        plan->append({&m, size, count, static_cast<const char*>(records)});
    }
    *total = static_cast<uint32_t>(bytes);
    return 0;
}

} // namespace

uint32_t PackedAlert::RecipientCount() const
{
    uint32_t n = 0;
    for (const Section& s : sections)
        n += s.count;
    return n;
}

DWORD PackedSize(const uint16_t* header, const void* alStruct, void* const* pointers, uint32_t* size)
{
    if (!size)
        return ERROR_INVALID_PARAMETER;
    QVector<Planned> plan;
    uint32_t total = 0;
    const DWORD rc = Plan(header, alStruct, pointers, &plan, &total);
    *size = rc == 0 ? total : 0;
    return rc;
}

QByteArray PackSections(const std::array<uint16_t, kHeaderEntries>& header, const QByteArray& alStruct,
                        const QVector<Section>& sections)
{
    QByteArray block(kFixedPartSize, '\0');
    char* p = block.data();
    std::copy_n("PLKR", 4, p);
    PutU16(p + 4, kFormatVersion);
    PutU16(p + 6, static_cast<uint16_t>(sections.size()));
    for (int i = 0; i < kHeaderEntries; ++i)
        PutU16(p + 12 + 2 * i, header[i]);
    PutBytes(p + 108, kAlStructSize, alStruct);
    for (const Section& s : sections) {
        QByteArray head(kSectionHead, '\0');
        PutU32(head.data(), s.method->bit);
        PutU16(head.data() + 4, static_cast<uint16_t>(s.version));
        PutU16(head.data() + 6, static_cast<uint16_t>(s.recordSize));
        PutU32(head.data() + 8, s.count);
        block += head;
        block += s.records;
    }
    PutU32(block.data() + 8, static_cast<uint32_t>(block.size() + 4));
    QByteArray crc(4, '\0');
    PutU32(crc.data(), Crc32(block.constData(), block.size()));
    return block + crc;
}

DWORD Pack(const uint16_t* header, const void* alStruct, void* const* pointers, QByteArray* out)
{
    if (!out)
        return ERROR_INVALID_PARAMETER;
    QVector<Planned> plan;
    uint32_t total = 0;
    if (const DWORD rc = Plan(header, alStruct, pointers, &plan, &total))
        return rc;
    std::array<uint16_t, kHeaderEntries> h {};
    std::copy(header, header + kHeaderEntries, h.begin());
    QVector<Section> sections;
    for (const Planned& pl : plan) {
        Section s;
        s.method = pl.method;
        s.version = header[kVersionEntry];
        s.recordSize = pl.size;
        s.count = pl.count;
        s.records = QByteArray(pl.records, static_cast<qsizetype>(pl.count) * pl.size);
        sections.append(s);
    }
    *out = PackSections(h, QByteArray(static_cast<const char*>(alStruct), kAlStructSize), sections);
    return 0;
}

DWORD Unpack(const QByteArray& block, PackedAlert* out)
{
    const qsizetype size = block.size();
    if (size < kFixedPartSize + 4 || size > static_cast<qsizetype>(kMaxPackedSize) || !block.startsWith("PLKR"))
        return ERROR_INVALID_DATA;
    const char* p = block.constData();
    if (U16At(p + 4) != kFormatVersion || U32At(p + 8) != static_cast<uint32_t>(size))
        return ERROR_INVALID_DATA;
    const qsizetype end = size - 4;
    if (Crc32(p, end) != U32At(p + end))
        return ERROR_INVALID_DATA;
    PackedAlert alert;
    for (int i = 0; i < kHeaderEntries; ++i)
        alert.header[i] = U16At(p + 12 + 2 * i);
    alert.alStruct = block.mid(108, kAlStructSize);
    const int sectionCount = U16At(p + 6);
    if (sectionCount > kMethodCount)
        return ERROR_INVALID_DATA;
    const int version = alert.header[kVersionEntry];
    uint32_t seen = 0;
    qsizetype offset = kFixedPartSize;
    for (int n = 0; n < sectionCount; ++n) {
        if (end - offset < kSectionHead)
            return ERROR_INVALID_DATA;
        Section s;
        s.method = MethodByBit(U32At(p + offset));
        if (!s.method || (seen & s.method->bit))
            return ERROR_INVALID_DATA;
        seen |= s.method->bit;
        s.version = U16At(p + offset + 4);
        s.recordSize = U16At(p + offset + 6);
        s.count = U32At(p + offset + 8);
        if (s.version != version || s.recordSize == 0 || s.recordSize != RecordSize(*s.method, version) ||
            s.count == 0 || s.count != alert.header[s.method->countEntry])
            return ERROR_INVALID_DATA;
        offset += kSectionHead;
        const qint64 bytes = static_cast<qint64>(s.count) * s.recordSize;
        if (bytes > end - offset)
            return ERROR_INVALID_DATA;
        s.records = block.mid(offset, static_cast<qsizetype>(bytes));
        offset += static_cast<qsizetype>(bytes);
        alert.sections.append(s);
    }
    if (offset != end)
        return ERROR_INVALID_DATA;
    // A method the header gives records to must have brought them.
    for (int i = 0; i < kMethodCount; ++i) {
        const MethodInfo& m = Methods()[i];
        if (alert.header[m.countEntry] != 0 && !(seen & m.bit))
            return ERROR_INVALID_DATA;
    }
    *out = alert;
    return 0;
}

} // namespace Plenkor
