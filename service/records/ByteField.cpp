#include "records/ByteField.h"

#include <array>
#include <cstring>

namespace Records {

namespace {

bool Inside(qsizetype size, qsizetype offset, qsizetype width)
{
    return offset >= 0 && width >= 0 && offset <= size && width <= size - offset;
}

} // namespace

uint16_t U16At(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return static_cast<uint16_t>(u[0] | (u[1] << 8));
}

uint32_t U32At(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return static_cast<uint32_t>(u[0]) | (static_cast<uint32_t>(u[1]) << 8) |
           (static_cast<uint32_t>(u[2]) << 16) | (static_cast<uint32_t>(u[3]) << 24);
}

int32_t I32At(const char* p)
{
    return static_cast<int32_t>(U32At(p));
}

int64_t I64At(const char* p)
{
    return static_cast<int64_t>(static_cast<uint64_t>(U32At(p)) | (static_cast<uint64_t>(U32At(p + 4)) << 32));
}

void PutU16(char* p, uint16_t v)
{
    p[0] = static_cast<char>(v & 0xFF);
    p[1] = static_cast<char>(v >> 8);
}

void PutU32(char* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

void PutI32(char* p, int32_t v)
{
    PutU32(p, static_cast<uint32_t>(v));
}

void PutI64(char* p, int64_t v)
{
    const auto u = static_cast<uint64_t>(v);
    PutU32(p, static_cast<uint32_t>(u & 0xFFFFFFFFu));
    PutU32(p + 4, static_cast<uint32_t>(u >> 32));
}

bool ReadU8(const QByteArray& data, qsizetype offset, uint8_t* out)
{
    if (!Inside(data.size(), offset, 1))
        return false;
    *out = static_cast<uint8_t>(data[offset]);
    return true;
}

bool ReadU16(const QByteArray& data, qsizetype offset, uint16_t* out)
{
    if (!Inside(data.size(), offset, 2))
        return false;
    *out = U16At(data.constData() + offset);
    return true;
}

bool ReadU32(const QByteArray& data, qsizetype offset, uint32_t* out)
{
    if (!Inside(data.size(), offset, 4))
        return false;
    *out = U32At(data.constData() + offset);
    return true;
}

bool ReadI32(const QByteArray& data, qsizetype offset, int32_t* out)
{
    if (!Inside(data.size(), offset, 4))
        return false;
    *out = I32At(data.constData() + offset);
    return true;
}

bool ReadI64(const QByteArray& data, qsizetype offset, int64_t* out)
{
    if (!Inside(data.size(), offset, 8))
        return false;
    *out = I64At(data.constData() + offset);
    return true;
}

bool WriteU8(QByteArray* data, qsizetype offset, uint8_t v)
{
    if (!Inside(data->size(), offset, 1))
        return false;
    (*data)[offset] = static_cast<char>(v);
    return true;
}

bool WriteU16(QByteArray* data, qsizetype offset, uint16_t v)
{
    if (!Inside(data->size(), offset, 2))
        return false;
    PutU16(data->data() + offset, v);
    return true;
}

bool WriteU32(QByteArray* data, qsizetype offset, uint32_t v)
{
    if (!Inside(data->size(), offset, 4))
        return false;
    PutU32(data->data() + offset, v);
    return true;
}

bool WriteI32(QByteArray* data, qsizetype offset, int32_t v)
{
    return WriteU32(data, offset, static_cast<uint32_t>(v));
}

QByteArray FieldBytes(const char* field, qsizetype width)
{
    if (!field || width <= 0)
        return QByteArray();
    const void* nul = std::memchr(field, 0, static_cast<size_t>(width));
    const qsizetype n = nul ? static_cast<const char*>(nul) - field : width;
    return QByteArray(field, n);
}

QString FieldText(const char* field, qsizetype width)
{
    return QString::fromUtf8(FieldBytes(field, width));
}

QByteArray CutUtf8(const QByteArray& text, qsizetype maxBytes)
{
    if (maxBytes <= 0)
        return QByteArray();
    if (text.size() <= maxBytes)
        return text;
    qsizetype n = maxBytes;
    // Back off continuation bytes so the cut falls on a character boundary.
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        --n;
    return text.left(n);
}

void PutField(char* field, qsizetype width, const QByteArray& text)
{
    if (!field || width <= 0)
        return;
    std::memset(field, 0, static_cast<size_t>(width));
    const QByteArray cut = CutUtf8(FieldBytes(text.constData(), text.size()), width - 1);
    std::memcpy(field, cut.constData(), static_cast<size_t>(cut.size()));
}

void PutFieldBack(char* field, qsizetype width, const QByteArray& bytes)
{
    if (bytes.size() == width && !bytes.contains('\0')) {
        PutBytes(field, width, bytes);
        return;
    }
    PutField(field, width, bytes);
}

void PutBytes(char* field, qsizetype width, const QByteArray& bytes)
{
    if (!field || width <= 0)
        return;
    std::memcpy(field, bytes.constData(), static_cast<size_t>(qMin(width, bytes.size())));
}

bool FieldTerminated(const char* field, qsizetype width)
{
    return field && width > 0 && std::memchr(field, 0, static_cast<size_t>(width)) != nullptr;
}

uint32_t Crc32(const char* data, qsizetype size, uint32_t crc)
{
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t {};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (qsizetype i = 0; i < size; ++i)
        crc = table[(crc ^ static_cast<unsigned char>(data[i])) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

} // namespace Records
