// The packet library's C entry points.
#include "extern/Plenkor.h"

#include "plenkor/PackedAlert.h"
#include "plenkor/Spool.h"

#include <cstring>

using namespace Plenkor;

namespace {

// The wide entry point's buffers are fixed (machine 16, application 9, text 1024 units): a
// string must end inside its buffer.
constexpr size_t kWideMachine = 16;
constexpr size_t kWideApp = 9;
constexpr size_t kWideText = 1024;
constexpr size_t kNarrowMachine = 64;
constexpr size_t kNarrowApp = 16;

template <typename F>
int32_t Guarded(F&& body)
{
    try {
        return body();
    } catch (...) {
        return static_cast<int32_t>(ERROR_NOT_ENOUGH_MEMORY);
    }
}

bool Narrow(const char* text, size_t limit, QByteArray* out)
{
    if (!text)
        return false;
    const size_t n = strnlen(text, limit);
    if (n >= limit)
        return false;
    *out = QByteArray(text, static_cast<qsizetype>(n));
    return true;
}

bool Wide(const char16_t* text, size_t limit, QByteArray* out)
{
    if (!text)
        return false;
    size_t n = 0;
    while (n < limit && text[n] != 0)
        ++n;
    if (n >= limit)
        return false;
    *out = QString::fromUtf16(text, static_cast<qsizetype>(n)).toUtf8();
    return true;
}

int32_t Submit(const QByteArray& machine, uint32_t methodBit, int32_t priority, const QByteArray& app,
               const QByteArray& text, int32_t reserved, const void* packed, uint32_t packedSize)
{
    if (!packed || packedSize == 0 || packedSize > kMaxPackedSize)
        return ERROR_INVALID_PARAMETER;
    SpooledAlert alert;
    alert.methodBits = methodBit;
    alert.priority = priority;
    alert.reserved = reserved;
    alert.application = app.toUpper();
    alert.text = text;
    alert.packed = QByteArray(static_cast<const char*>(packed), static_cast<qsizetype>(packedSize));
    return static_cast<int32_t>(SubmitAlert(QString::fromUtf8(machine), alert, true));
}

} // namespace

extern "C" {

int32_t AlGetPackDataSize(const uint16_t header[48], const void* alStruct, void* const pointers[14], uint32_t* size)
{
    return Guarded([&]() -> int32_t { return static_cast<int32_t>(PackedSize(header, alStruct, pointers, size)); });
}

int32_t ALPackData(const uint16_t header[48], const void* alStruct, void* const pointers[14], void* out)
{
    return Guarded([&]() -> int32_t {
        if (!out)
            return ERROR_INVALID_PARAMETER;
        QByteArray block;
        if (const DWORD rc = Pack(header, alStruct, pointers, &block))
            return static_cast<int32_t>(rc);
        std::memcpy(out, block.constData(), static_cast<size_t>(block.size()));
        return 0;
    });
}

int32_t ALMakeAlert2Ex(const char* machine, uint32_t methodBit, int32_t priority, const char* app, const char* text,
                       int32_t reserved, const void* packed, uint32_t packedSize)
{
    return Guarded([&]() -> int32_t {
        QByteArray m, a, t;
        if (!Narrow(machine, kNarrowMachine, &m))
            return RPC_S_SERVER_UNAVAILABLE;
        if (!Narrow(app, kNarrowApp, &a) || !Narrow(text, kMaxTextBytes + 1, &t))
            return ERROR_INVALID_PARAMETER;
        return Submit(m, methodBit, priority, a, t, reserved, packed, packedSize);
    });
}

int32_t ALMakeAlert2ExW(int32_t, const char16_t* machine, uint32_t methodBit, int32_t priority, const char16_t* app,
                        const char16_t* text, int32_t reserved, const void* packed, uint32_t packedSize)
{
    return Guarded([&]() -> int32_t {
        QByteArray m, a, t;
        if (!Wide(machine, kWideMachine, &m))
            return RPC_S_SERVER_UNAVAILABLE;
        if (!Wide(app, kWideApp, &a) || !Wide(text, kWideText, &t))
            return ERROR_INVALID_PARAMETER;
        return Submit(m, methodBit, priority, a, t, reserved, packed, packedSize);
    });
}

} // extern "C"
