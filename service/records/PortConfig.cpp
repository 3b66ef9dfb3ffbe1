#include "records/PortConfig.h"

#include "records/ByteField.h"
#include "records/StoreFile.h"

namespace Records {

namespace {
constexpr qint64 kPortFileLimit = static_cast<qint64>(kPortBlock) * (65535 + 1);
}

bool ParsePortHeader(const QByteArray& block, PortHeader* out)
{
    if (block.size() < kPortBlock)
        return false;
    out->count = U16At(block.constData());
    out->nextId = U16At(block.constData() + 2);
    out->rest = block.mid(4, 508);
    return true;
}

QByteArray SerializePortHeader(const PortHeader& header)
{
    QByteArray block(kPortBlock, '\0');
    PutU16(block.data(), header.count);
    PutU16(block.data() + 2, header.nextId);
    PutBytes(block.data() + 4, 508, header.rest);
    return block;
}

bool ParsePortRecord(const QByteArray& block, PortRecord* out)
{
    if (block.size() < kPortBlock)
        return false;
    const char* p = block.constData();
    out->id = U16At(p);
    out->portNumber = U16At(p + 2);
    out->portName = FieldBytes(p + 4, 256);
    out->baudIndex = I32At(p + 260);
    out->dataBitsIndex = I32At(p + 264);
    out->parityIndex = I32At(p + 268);
    out->stopBitsIndex = I32At(p + 272);
    out->description = FieldBytes(p + 276, 128);
    out->rest = QByteArray(p + 404, 108);
    return true;
}

QByteArray SerializePortRecord(const PortRecord& record)
{
    QByteArray block(kPortBlock, '\0');
    char* p = block.data();
    PutU16(p, record.id);
    PutU16(p + 2, record.portNumber);
    PutFieldBack(p + 4, 256, record.portName);
    PutI32(p + 260, record.baudIndex);
    PutI32(p + 264, record.dataBitsIndex);
    PutI32(p + 268, record.parityIndex);
    PutI32(p + 272, record.stopBitsIndex);
    PutFieldBack(p + 276, 128, record.description);
    PutBytes(p + 404, 108, record.rest);
    return block;
}

bool ParsePortFile(const QByteArray& data, PortHeader* header, QVector<PortRecord>* records, bool* complete)
{
    PortHeader h;
    if (!ParsePortHeader(data, &h))
        return false;
    QVector<PortRecord> list;
    bool all = true;
    for (int n = 1; n <= h.count; ++n) {
        const qsizetype offset = static_cast<qsizetype>(n) * kPortBlock;
        if (data.size() - offset < kPortBlock) {
            all = false;
            break;
        }
        PortRecord r;
        ParsePortRecord(data.mid(offset, kPortBlock), &r);
        list.append(r);
    }
    *header = h;
    *records = list;
    if (complete)
        *complete = all;
    return true;
}

bool ReadPortFile(const QString& hostPath, PortHeader* header, QVector<PortRecord>* records, bool* complete)
{
    QByteArray data;
    if (!ReadWholeFile(hostPath, kPortFileLimit, &data))
        return false;
    return ParsePortFile(data, header, records, complete);
}

QByteArray SerializePortFile(PortHeader header, const QVector<PortRecord>& records)
{
    if (records.size() > 65535)
        return QByteArray();
    header.count = static_cast<uint16_t>(records.size());
    QByteArray data = SerializePortHeader(header);
    for (const PortRecord& r : records)
        data += SerializePortRecord(r);
    return data;
}

bool WritePortFile(const QString& hostPath, PortHeader header, const QVector<PortRecord>& records)
{
    const QByteArray data = SerializePortFile(header, records);
    if (data.isEmpty())
        return false;
    FileLock lock(LockPathFor(hostPath));
    return lock.IsLocked() && ReplaceFile(hostPath, data);
}

bool ReadDefaultPort(const QString& hostPath, uint16_t* id)
{
    QByteArray data;
    if (!ReadWholeFile(hostPath, 2, &data) || data.size() != 2)
        return false;
    *id = U16At(data.constData());
    return true;
}

bool WriteDefaultPort(const QString& hostPath, uint16_t id)
{
    QByteArray data(2, '\0');
    PutU16(data.data(), id);
    FileLock lock(LockPathFor(hostPath));
    return lock.IsLocked() && ReplaceFile(hostPath, data);
}

} // namespace Records
