#pragma once
// The packed alert block: self-describing and versioned.
//
//   0     4  "PLKR"
//   4     2  format version (1)
//   6     2  number of sections
//   8     4  total size of the block in bytes
//   12   96  the caller's header, 48 16-bit entries
//   108 3944 the table image
//   4052     sections, one per method with records, in method-table order:
//              method bit (uint32), record version (uint16), record size (uint16),
//              record count (uint32), the records
//   end-4 4  CRC-32 of every byte before it
//
// Unpacking checks every length against the block before use and that each section agrees
// with the header (count entry, version entry 9) and the method's record size.
#include "platform/WinTypes.h"
#include "records/MethodTable.h"

#include <QByteArray>
#include <QVector>
#include <array>
#include <cstdint>

namespace Plenkor {

constexpr int kHeaderEntries = 48;
constexpr int kPointerEntries = 14;
constexpr int kVersionEntry = 9;
constexpr int kFixedPartSize = 4052;
constexpr uint32_t kMaxPackedSize = 64u << 20;

struct Section {
    const Records::MethodInfo* method = nullptr;
    int version = 0;
    int recordSize = 0;
    uint32_t count = 0;
    QByteArray records;
};

struct PackedAlert {
    std::array<uint16_t, kHeaderEntries> header {};
    QByteArray alStruct;
    QVector<Section> sections;
    uint32_t RecipientCount() const;
};

// Size of the block for these inputs: 0 with *size, or 87 (missing input, records without a
// pointer), 13 (a method with records in a version it does not exist in), 8 (too large).
DWORD PackedSize(const uint16_t* header, const void* alStruct, void* const* pointers, uint32_t* size);
// Builds the block; same results.
DWORD Pack(const uint16_t* header, const void* alStruct, void* const* pointers, QByteArray* out);
// Builds a block from sections (the world tool and tests).
QByteArray PackSections(const std::array<uint16_t, kHeaderEntries>& header, const QByteArray& alStruct,
                        const QVector<Section>& sections);
// 0 with *out, or 13 for a block that is cut, lies about a length or does not add up.
DWORD Unpack(const QByteArray& block, PackedAlert* out);

} // namespace Plenkor
