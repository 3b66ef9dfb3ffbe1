#pragma once
// Tarnix: the alert service's configuration and service-control library, as the console calls it.
//
// Every call takes the bare machine name first ("SRV1", no backslashes). Strings are
// NUL-terminated 8-bit (UTF-8) texts. Blocks returned through void** are global memory blocks
// (platform/GlobalMemory.h) that the caller frees with GlobalFree; blocks passed in must come
// from GlobalAlloc and hold at least count records (GlobalSize is checked).
//
// Results:
//  - lists, home directories, the application list, settings (AlertReadEverySetting,
//    AlertGetALSTRUCTVer), the change date and statistics: 1 on success, 0 on any failure;
//  - account and settings records, AlertGetServiceVersion, the registry strings and service
//    control: 0 on success, else a Windows error code (1722 unknown machine, 5 no connection to
//    a remote machine, 87 bad argument, 1326 wrong account, ...). The Notes and SMTP Gets and
//    AlertGetAccountInfo return 2 when nothing is stored yet (the record is then zero-filled).
//
// Application names are 1-8 characters of A-Z a-z 0-9 _ - (case-insensitive); the default
// table is "Alert". On refused input nothing is written.
#include <cstdint>

extern "C" {

// Record sizes of the recipient lists (bytes per record).
enum : int32_t {
    TARNIX_BROADCAST_RECORD = 52,
    TARNIX_PAGER_RECORD = 150,
    TARNIX_EMAIL_RECORD = 56,
    TARNIX_SNMP_RECORD = 68,
    TARNIX_TICKET_RECORD = 208,
    TARNIX_EVENTLOG_RECORD = 52,
    TARNIX_NOTES_RECORD = 440,
    TARNIX_SMTP_RECORD = 197,
    TARNIX_ALSTRUCT_SIZE = 3944,
    TARNIX_ACCOUNT_SIZE = 512,
    TARNIX_NOTES_ACCOUNT_SIZE = 912,
    TARNIX_SMTP_CONFIG_SIZE = 1228,
    TARNIX_STATISTICS_SIZE = 256,
    TARNIX_APPLICATION_ENTRY = 256,
};

// Recipient lists of one application table. Get: 1 with *count records in *block (null when
// the list is empty). Set: nonEmpty must be 1 exactly when count is not 0.
int32_t AlertGetBroadcast(const char* machine, int32_t* count, void** block, const char* app);
int32_t AlertSetBroadcast(const char* machine, int32_t count, void* block, uint8_t nonEmpty, const char* app);
int32_t AlertGetPager(const char* machine, int32_t* count, void** block, const char* app);
int32_t AlertSetPager(const char* machine, int32_t count, void* block, uint8_t nonEmpty, const char* app);
int32_t AlertGetSMTP(const char* machine, int32_t* count, void** block, const char* app);
int32_t AlertSetSMTP(const char* machine, int32_t count, void* block, uint8_t nonEmpty, const char* app);
int32_t AlertGetSnmp(const char* machine, int32_t* count, void** block, const char* app);
int32_t AlertSetSnmp(const char* machine, int32_t count, void* block, uint8_t nonEmpty, const char* app);
int32_t AlertGetEventLog(const char* machine, int32_t* count, void** block, const char* app);
int32_t AlertSetEventLog(const char* machine, int32_t count, void* block, uint8_t nonEmpty, const char* app);
int32_t AlertGetLotusNotes(const char* machine, int32_t* count, void** block, const char* app);
int32_t AlertSetLotusNotes(const char* machine, int32_t count, void* block, uint8_t nonEmpty, const char* app);
int32_t AlertGetEMail(const char* machine, int32_t* count, void** block, const char* app);
int32_t AlertGetTTixPRINTQ_HEADER(const char* machine, int32_t* count, void** block, const char* app);
// These two also take the caller's copy of the table image (3944 bytes). Only the fields the
// method owns are taken from it: e-mail the subject and attachments (offsets 566-3595),
// trouble tickets the header line (offsets 0-72); the rest of the stored image is kept.
int32_t AlertSetEMail(const char* machine, int32_t count, void* block, const void* alStruct,
                      uint8_t nonEmpty, const char* app);
int32_t AlertSetTTixPRINTQ_HEADER(const char* machine, int32_t count, void* block, const void* alStruct,
                                  uint8_t nonEmpty, const char* app);

// Records filled or taken in place.
int32_t AlertGetAccountInfo(const char* machine, void* record512);
int32_t AlertSetAccountInfo(const char* machine, void* record512);
// 0 when domain/user/password name an account of the machine, else 1326.
int32_t AlertTestAccountInfo(const char* machine, void* record512);
int32_t AlertGetNotesAccountInfo(const char* machine, void* record912);
int32_t AlertSetNotesAccountInfo(const char* machine, void* record912);
int32_t AlertGetSMTPConfigInfo(const char* machine, void* record1228);
int32_t AlertSetSMTPConfigInfo(const char* machine, void* record1228);
// Counts by severity: offset 0 important, 4 warning, 8 information (int32 each). 1 on success.
int32_t AlertGetStatistics(const char* machine, void* record256);

// Mail attributes inside a table image: subject points at the image's 257-byte subject field,
// attachmentCount at its 16-bit count; the ten 256-byte paths start 4 bytes after the count.
// 0 on success, else a code.
int32_t AlertGetMailAttributes(const char* machine, char* subject, uint16_t* attachmentCount, const char* app);
int32_t AlertSetMailAttributes(const char* machine, char* subject, uint16_t* attachmentCount, const char* app);

// Service-wide values. The directories are paths local to that machine ("C:\ALERT"), answered
// only while its service runs; 1 on success.
int32_t AlertGetHomeDir(const char* machine, char* path512);
int32_t AlertGetHomeEventLog(const char* machine, char* path512);
int32_t AlertGetHomeLog(const char* machine, char* path512);
int32_t AlertGetALSTRUCTVer(const char* machine, int32_t* version, const char* app);
// Every table but the default, as 256-byte entries (name at 0, display name at 128), while
// the service runs. *block is null when *count is 0.
int32_t AlertGetApplicationALT(const char* machine, int32_t* count, void** block);
// area12: ALSTRUCT version (int32), write counter (uint32), recipients in all lists (uint32);
// area96: the table's display name, NUL-terminated. Either area may be null.
int32_t AlertReadEverySetting(const char* machine, void* area12, void* area96, void* alStruct3944,
                              const char* app);
// A text that changes on every write of the table (it carries a write counter).
int32_t AlertGetCFGDate(const char* machine, const char* app, char* text256);
// 0 with the running service's version; non-zero when it does not report one or is not running.
int32_t AlertGetServiceVersion(const char* machine, int32_t* major, int32_t* minor, int32_t* third,
                               int32_t* fourth);
// Values under SOFTWARE\Korvane\ALERT\CurrentVersion\<section> of the machine's registry.
// 0 on success; 2 when missing; 234 when the buffer is too small (nothing copied).
int32_t AlertGetStringFromReg(const char* machine, const char* section, const char* value, char* buffer,
                              int32_t size);
int32_t AlertSetStringToReg(const char* machine, const char* section, const char* value, const char* text);

// Service control of "Alert Notification Server" (or "Tessaly Alert Notification Server").
// 0 when the request was made, else the service control manager's code.
int32_t AlertStartService(const char* machine, int32_t reserved);
int32_t AlertStopService(const char* machine, int32_t reserved);
int32_t AlertPauseService(const char* machine, int32_t reserved);
int32_t AlertContinueService(const char* machine, int32_t reserved);

} // extern "C"
