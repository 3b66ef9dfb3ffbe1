#pragma once
// What the fuzz targets share: the input as bytes, a failed check that stops the run, stored
// checksums brought in line so that mutations reach the parsing behind them, and a scratch
// folder for targets that go through files.
#include "records/ByteField.h"

#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace Fuzz {

inline QByteArray Bytes(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// A broken invariant: says which and aborts, so libFuzzer keeps the input as a crash.
#define FUZZ_CHECK(condition)                                                                          \
    do {                                                                                               \
        if (!(condition)) {                                                                            \
            std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
            std::abort();                                                                              \
        }                                                                                              \
    } while (0)

// Replaces the last four bytes by the CRC-32 of the rest, as every checksummed file ends.
inline void FixTrailingCrc(QByteArray* data)
{
    if (data->size() < 4)
        return;
    const qsizetype end = data->size() - 4;
    Records::PutU32(data->data() + end, Records::Crc32(data->constData(), end));
}

// A folder for the run, in memory where the system has one (no disk writes, no flush waits).
inline QString ScratchDir()
{
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm/vigimor-fuzz-XXXXXX")
                                                                      : QDir::tempPath() + QStringLiteral("/vigimor-fuzz-XXXXXX"));
    return dir.path();
}

} // namespace Fuzz
