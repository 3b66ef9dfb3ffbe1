#include "records/MethodTable.h"

namespace Records {

namespace {
// Numeric and alphanumeric pagers share one stored list (the record's type byte tells them
// apart) but have their own packet slots.
const MethodInfo kMethods[kMethodCount] = {
    {kBroadcastBit, 0, 0, 52, 0, "Broadcast", "Broadcast"},
    {kNumericPagerBit, 1, 1, 150, 0, "Numeric pager", "Pager"},
    {kAlphaPagerBit, 2, 2, 150, 0, "Alphanumeric pager", "Alpha pager"},
    {kEmailBit, 3, 3, 56, 0, "E-mail", "E-mail"},
    {kTicketBit, 7, 7, 208, 0, "Trouble ticket", "Ticket"},
    {kEventLogBit, 8, 8, 52, 0, "Event log", "Event log"},
    {kSnmpBit, 6, 6, 68, 0, "SNMP", "SNMP"},
    {kNotesBit, 10, 9, 440, 1, "Lotus Notes", "Notes"},
    {kSmtpBit, 13, 12, 197, 2, "SMTP", "SMTP"},
};
} // namespace

const MethodInfo* Methods()
{
    return kMethods;
}

const MethodInfo* MethodByBit(uint32_t bit)
{
    for (const MethodInfo& m : kMethods) {
        if (m.bit == bit)
            return &m;
    }
    return nullptr;
}

uint32_t AllMethodBits()
{
    uint32_t bits = 0;
    for (const MethodInfo& m : kMethods)
        bits |= m.bit;
    return bits;
}

int RecordSize(const MethodInfo& method, int version)
{
    if (version < method.minVersion || version > kHighestRecordVersion)
        return 0;
    return method.recordSize;
}

int SeverityFromPriority(int32_t priority)
{
    if (priority <= 1)
        return 1;
    if (priority == 2)
        return 2;
    return 3;
}

const char* SeverityName(int severity)
{
    switch (severity) {
    case 1: return "Important";
    case 2: return "Warning";
    case 3: return "Information";
    default: return "Unknown";
    }
}

} // namespace Records
