#include "tarnix/AltTable.h"

#include "records/ByteField.h"

#include <QDateTime>

namespace Tarnix {

namespace {
const int kRecordSizes[kListCount] = {52, 150, 56, 68, 208, 52, 440, 197};
const char* const kListNames[kListCount] = {"Broadcast", "Pager", "E-mail", "SNMP",
                                            "Trouble ticket", "Event log", "Lotus Notes", "SMTP"};
constexpr int kDirectory = 4092;
constexpr int kFormatVersion = 1;
} // namespace

int ListRecordSize(ListKind kind)
{
    return kind >= 0 && kind < kListCount ? kRecordSizes[kind] : 0;
}

const char* ListName(ListKind kind)
{
    return kind >= 0 && kind < kListCount ? kListNames[kind] : "";
}

QString AltTable::ChangeDate() const
{
    const QDateTime when = QDateTime::fromMSecsSinceEpoch(writtenMs, Qt::UTC);
    return when.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")) + QStringLiteral(" #") +
           QString::number(writeCounter);
}

uint32_t AltTable::TotalRecipients() const
{
    uint32_t n = 0;
    for (uint32_t c : counts)
        n += c;
    return n;
}

ParseResult ParseAltTable(const QByteArray& data, AltTable* out)
{
    using namespace Records;
    if (data.size() < kAltHeaderSize + 4 || !data.startsWith("VALT"))
        return ParseResult::Damaged;
    const char* p = data.constData();
    const qsizetype crcAt = data.size() - 4;
    if (Crc32(p, crcAt) != U32At(p + crcAt))
        return ParseResult::Damaged;
    if (U16At(p + 4) != kFormatVersion)
        return ParseResult::Damaged;
    AltTable t;
    t.version = U16At(p + 6);
    if (t.version > 3)
        return ParseResult::Damaged;
    t.writeCounter = U32At(p + 8);
    t.writtenMs = I64At(p + 12);
    if (!FieldTerminated(p + 20, kDisplayNameSize))
        return ParseResult::Damaged;
    t.displayName = FieldBytes(p + 20, kDisplayNameSize);
    t.alStruct = QByteArray(p + 148, 3944);
    qint64 offset = kAltHeaderSize;
    for (int k = 0; k < kListCount; ++k) {
        const char* entry = p + kDirectory + 8 * k;
        const uint32_t count = U32At(entry);
        const uint16_t size = U16At(entry + 4);
        if (size != kRecordSizes[k] || U16At(entry + 6) != 0 || count > kMaxListRecords)
            return ParseResult::Damaged;
        const qint64 bytes = static_cast<qint64>(count) * size;
        if (bytes > crcAt - offset)
            return ParseResult::Damaged;
        t.counts[k] = count;
        t.lists[k] = data.mid(static_cast<qsizetype>(offset), static_cast<qsizetype>(bytes));
        offset += bytes;
    }
    if (offset != crcAt)
        return ParseResult::Damaged;
    *out = t;
    return ParseResult::Ok;
}

QByteArray SerializeAltTable(const AltTable& t)
{
    using namespace Records;
    qsizetype total = kAltHeaderSize + 4;
    for (int k = 0; k < kListCount; ++k)
        total += t.lists[k].size();
    QByteArray data(kAltHeaderSize, '\0');
    data.reserve(total);
    char* p = data.data();
    std::copy_n("VALT", 4, p);
    PutU16(p + 4, kFormatVersion);
    PutU16(p + 6, t.version);
    PutU32(p + 8, t.writeCounter);
    PutI64(p + 12, t.writtenMs);
    PutField(p + 20, kDisplayNameSize, t.displayName);
    PutBytes(p + 148, 3944, t.alStruct);
    for (int k = 0; k < kListCount; ++k) {
        PutU32(p + kDirectory + 8 * k, static_cast<uint32_t>(t.lists[k].size() / kRecordSizes[k]));
        PutU16(p + kDirectory + 8 * k + 4, static_cast<uint16_t>(kRecordSizes[k]));
    }
    for (int k = 0; k < kListCount; ++k)
        data += t.lists[k];
    QByteArray crc(4, '\0');
    PutU32(crc.data(), Crc32(data.constData(), data.size()));
    data += crc;
    return data;
}

} // namespace Tarnix
