#pragma once
// The alert spool of a machine: <Home>\spool, one file per submitted alert, written
// atomically (temporary file, rename) so the service never sees half a file; files the service
// cannot read go to <Home>\spool\bad.
//
// Spool file "<ms>-<pid>-<n>.alq" (little-endian):
//   0   4  "VSPL"
//   4   2  format version (1)
//   6   2  0
//   8   8  submission time, ms since 1970-01-01 UTC (int64)
//   16  4  method bits
//   20  4  priority (int32)
//   24  4  reserved (int32, as given by the submitter)
//   28  2  application name length (1-8)
//   30  2  text length (0-4096)
//   32  4  packed block length (PackedAlert.h, at most 64 MB)
//   36     application name, text (UTF-8), packed block
//   end-4 4 CRC-32 of every byte before it
#include "platform/WinTypes.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace Plenkor {

constexpr int kMaxTextBytes = 4096;

struct SpooledAlert {
    int64_t submittedMs = 0;
    uint32_t methodBits = 0;
    int32_t priority = 3;
    int32_t reserved = 0;
    QByteArray application;
    QByteArray text;
    QByteArray packed;
};

QByteArray SerializeSpooled(const SpooledAlert& alert);
// 0, or 13 when the file is cut, lies about a length or is damaged.
DWORD ParseSpooled(const QByteArray& data, SpooledAlert* out);

// Host paths of the machine's spool and of its bad-file folder. Call with the machine as
// LocalMachine(); 3 when the service has no home directory.
DWORD SpoolDirectory(const QString& machine, QString* hostPath);
DWORD BadSpoolDirectory(const QString& machine, QString* hostPath);

// Checks the alert and writes it into the machine's spool. requireService: refuse (1062)
// unless the machine's alert service is running or paused. 0 on success, else 1722 unknown
// machine, 5 no connection, 87 bad argument, 13 damaged packed block, 3 no home directory.
DWORD SubmitAlert(const QString& machine, const SpooledAlert& alert, bool requireService);

} // namespace Plenkor
