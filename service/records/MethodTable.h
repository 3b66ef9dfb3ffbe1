#pragma once
// The delivery methods as the service's files and packets know them: method bit, the slots
// they take in an alert packet's header and pointer table, and their recipient record size.
#include <QString>
#include <cstdint>

namespace Records {

struct MethodInfo {
    uint32_t bit;          // method bit of alerts and packets
    int countEntry;        // header entry holding the record count
    int pointerEntry;      // pointer-table entry holding the records
    int recordSize;        // bytes per recipient record
    int minVersion;        // first record version the method exists in
    const char* name;      // the service's name of the method (logs, detail files)
    const char* label;     // short name for the event log's label (at most 15 bytes)
};

constexpr int kMethodCount = 9;
// In the order of their table slots: broadcast, numeric pager, alphanumeric pager, e-mail,
// trouble ticket, event log, SNMP, Lotus Notes, SMTP.
const MethodInfo* Methods();
const MethodInfo* MethodByBit(uint32_t bit);
// Bits of every method: any other bit in a method mask is unknown.
uint32_t AllMethodBits();

constexpr uint32_t kBroadcastBit = 1;
constexpr uint32_t kNumericPagerBit = 2;
constexpr uint32_t kAlphaPagerBit = 4;
constexpr uint32_t kEmailBit = 8;
constexpr uint32_t kTicketBit = 16;
constexpr uint32_t kEventLogBit = 32;
constexpr uint32_t kSnmpBit = 128;
constexpr uint32_t kNotesBit = 256;
constexpr uint32_t kSmtpBit = 4096;

constexpr int kAlStructSize = 3944;
constexpr int kHighestRecordVersion = 3;

// Size of one record of the method at a record version, 0 when the method does not exist in
// that version or the version is outside 0-3.
int RecordSize(const MethodInfo& method, int version);

// Severity from an alert's priority: 1 and below important (1), 2 warning (2), 3 and above
// information (3).
int SeverityFromPriority(int32_t priority);
const char* SeverityName(int severity);

} // namespace Records
