#pragma once
// Plenkor: the alert-packet builder and alert submission, as the console calls it.
//
// A packet is built from three inputs: a header of 48 16-bit entries, the application's
// 3944-byte table image and a table of 14 record pointers. For every method bit the header
// holds a record count at the method's count entry and the pointer table the records at its
// pointer entry; header entry 9 is the records' version (which fixes their size), entry 5 is 25.
//
//   method bit   count entry / pointer entry   record size
//   1    broadcast        0 / 0                52
//   2    numeric pager    1 / 1                150
//   4    alpha pager      2 / 2                150
//   8    e-mail           3 / 3                56
//   16   trouble ticket   7 / 7                208
//   32   event log        8 / 8                52
//   128  SNMP             6 / 6                68
//   256  Lotus Notes     10 / 9                440 (record version 1 or later)
//   4096 SMTP            13 / 12               197 (record version 2 or later)
//
// All calls return 0 on success, else a Windows error code (87 bad argument, 13 records that
// do not fit the version, 1722 unknown machine, 5 no connection, 1062 service not running).
#include <cstdint>

extern "C" {

// Size in bytes of the packed block for these inputs (0 on failure).
int32_t AlGetPackDataSize(const uint16_t header[48], const void* alStruct, void* const pointers[14],
                          uint32_t* size);
// Packs into out, which holds at least the size AlGetPackDataSize gave.
int32_t ALPackData(const uint16_t header[48], const void* alStruct, void* const pointers[14], void* out);

// Submits an alert for the application (1-8 characters) with the packed recipients to the
// machine's alert service. priority 1 important, 2 warning, 3 or more information.
int32_t ALMakeAlert2Ex(const char* machine, uint32_t methodBit, int32_t priority, const char* app,
                       const char* text, int32_t reserved, const void* packed, uint32_t packedSize);
int32_t ALMakeAlert2ExW(int32_t reserved0, const char16_t* machine, uint32_t methodBit, int32_t priority,
                        const char16_t* app, const char16_t* text, int32_t reserved, const void* packed,
                        uint32_t packedSize);

} // extern "C"
