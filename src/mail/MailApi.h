#pragma once
// The calling contract between the console and the run-time loaded mail libraries: the mail
// client ("MAPI32.DLL", simple and extended form) and the Notes user-interface library
// ("NotesUI.DLL"). Plain C types only, so a library needs nothing else to offer it.
//
// Window handles: a ULONG_PTR that is 0 (no window) or the address of the QWidget to parent
// a dialog on, in this process.
//
// Recipient descriptor (simple form, and the Notes library's descriptor), laid out for 64-bit
// pointers with natural alignment, 40 bytes:
//   @0  reserved       u32 (0)
//   @4  recipient class u32 (1 To, 2 Cc, 3 blind copy)
//   @8  name           char* (UTF-8, NUL-terminated)
//   @16 address        char* (UTF-8, NUL-terminated, may be null)
//   @24 entry-id size  u32
//   @28 (padding)
//   @32 entry id       void*
// An array of descriptors a library returns is one buffer of its own allocator: strings and
// entry ids hang on it, so one free releases all of it.
#include <cstddef>
#include <cstdint>

extern "C" {

using ULONG = uint32_t;
using ULONG_PTR = uintptr_t;
using LHANDLE = uintptr_t;
using FLAGS = uint32_t;
using SCODE = int32_t;
using HRESULT = int32_t;

constexpr ULONG SUCCESS_SUCCESS = 0;
constexpr ULONG MAPI_E_FAILURE = 2;
constexpr ULONG MAPI_E_USER_ABORT = 1;
constexpr ULONG MAPI_E_INSUFFICIENT_MEMORY = 5;
constexpr ULONG MAPI_E_INVALID_SESSION = 19;
constexpr ULONG MAPI_E_INVALID_RECIPS = 25;
constexpr ULONG MAPI_E_NOT_SUPPORTED = 26;

constexpr ULONG MAPI_ORIG = 0;
constexpr ULONG MAPI_TO = 1;
constexpr ULONG MAPI_CC = 2;
constexpr ULONG MAPI_BCC = 3;

constexpr FLAGS MAPI_LOGON_UI = 0x00000001;
constexpr FLAGS MAPI_NEW_SESSION = 0x00000002;
constexpr FLAGS MAPI_EXTENDED = 0x00000020;
constexpr FLAGS MAPI_USE_DEFAULT = 0x00000040;
constexpr FLAGS DIALOG_MODAL = 0x00000001;
constexpr FLAGS AB_RESOLVE = 0x00000020;

struct MapiRecipDesc {
    ULONG ulReserved;
    ULONG ulRecipClass;
    char* lpszName;
    char* lpszAddress;
    ULONG ulEIDSize;
    void* lpEntryID;
};
static_assert(sizeof(MapiRecipDesc) == 40 && offsetof(MapiRecipDesc, lpszName) == 8 &&
                  offsetof(MapiRecipDesc, lpszAddress) == 16 && offsetof(MapiRecipDesc, ulEIDSize) == 24 &&
                  offsetof(MapiRecipDesc, lpEntryID) == 32,
              "the descriptor layout is a contract with the mail libraries");

// ---- simple form ----------------------------------------------------------------------------

using MAPIALLOCATEBUFFER = SCODE (*)(ULONG size, void** buffer);
// A buffer that hangs on link: freed with it.
using MAPIALLOCATEMORE = SCODE (*)(ULONG size, void* link, void** buffer);
using MAPIFREEBUFFER = ULONG (*)(void* buffer);
using MAPILOGON = ULONG (*)(ULONG_PTR uiParam, char* profile, char* password, FLAGS flags, ULONG reserved,
                            LHANDLE* session);
using MAPILOGOFF = ULONG (*)(LHANDLE session, ULONG_PTR uiParam, FLAGS flags, ULONG reserved);
// The address book: recipients given in, the chosen ones out (*newRecips to be freed with
// MAPIFreeBuffer). editFields: 1 To only, 2 To and Cc, 3 also blind copy.
using MAPIADDRESS = ULONG (*)(LHANDLE session, ULONG_PTR uiParam, char* caption, ULONG editFields, char* labels,
                              ULONG recipCount, MapiRecipDesc* recips, FLAGS flags, ULONG reserved,
                              ULONG* newRecipCount, MapiRecipDesc** newRecips);

// ---- extended form --------------------------------------------------------------------------

// Property values of an address entry; the tags carry the value's type in their low word
// (0x0003 a 32-bit integer, 0x001E a text).
constexpr ULONG PR_RECIPIENT_TYPE = 0x0C150003;
constexpr ULONG PR_DISPLAY_NAME = 0x3001001E;
constexpr ULONG PR_ADDRTYPE = 0x3002001E;
constexpr ULONG PR_EMAIL_ADDRESS = 0x3003001E;
constexpr ULONG PT_LONG = 0x0003;
constexpr ULONG PT_STRING8 = 0x001E;

struct MailProperty {
    ULONG tag;
    ULONG reserved;
    union {
        int32_t l;
        char* text;
    } value;
};

struct MailAddressEntry {
    ULONG reserved;
    ULONG propertyCount;
    MailProperty* properties;
};

// A list of address entries: the head and its entries in one buffer, the properties of every
// entry in buffers that hang on it.
struct MailAddressList {
    ULONG count;
    MailAddressEntry entries[1];
};
inline size_t MailAddressListSize(ULONG count)
{
    return offsetof(MailAddressList, entries) + size_t(count ? count : 1) * sizeof(MailAddressEntry);
}

// The address dialog's parameters (fields not named here are zero).
struct MailDialogParams {
    FLAGS flags;                 // DIALOG_MODAL | AB_RESOLVE
    const char* caption;
    ULONG destinationCount;      // destination fields: To, then Cc
    const char* const* destinationTitles;
    const ULONG* destinationClasses;
};

struct MailAddressBook;
struct MailAddressBookCalls {
    ULONG (*Release)(MailAddressBook* self);
    // Shows the dialog on *list (may be null); on success *list is replaced by the chosen
    // entries (the old list is freed by the call).
    HRESULT (*Address)(MailAddressBook* self, ULONG_PTR* uiParam, const MailDialogParams* params,
                       MailAddressList** list);
};
struct MailAddressBook {
    const MailAddressBookCalls* calls;
};

struct MailSession;
struct MailSessionCalls {
    ULONG (*Release)(MailSession* self);
    HRESULT (*Logoff)(MailSession* self, ULONG_PTR uiParam, FLAGS flags, ULONG reserved);
    HRESULT (*OpenAddressBook)(MailSession* self, ULONG_PTR uiParam, const void* interfaceId, FLAGS flags,
                               MailAddressBook** book);
};
struct MailSession {
    const MailSessionCalls* calls;
};

using MAPIINITIALIZE = HRESULT (*)(void* init);
using MAPIUNINITIALIZE = void (*)();
using MAPILOGONEX = HRESULT (*)(ULONG_PTR uiParam, char* profile, char* password, FLAGS flags,
                                MailSession** session);

// ---- Notes user-interface library -------------------------------------------------------------

using NUI_INITIALIZE = int32_t (*)();
using NUI_DEINITIALIZE = void (*)();
// 1 on success; *outRecips to be freed with nui_FreeBuffer. flags 1: To and Cc fields.
using NUI_ADDRESSDIALOG = int32_t (*)(ULONG_PTR uiParam, ULONG recipCount, MapiRecipDesc* recips,
                                      ULONG* outCount, MapiRecipDesc** outRecips, FLAGS flags);
using NUI_FREEBUFFER = void (*)(void* buffer);
using NUI_PASSWORDDIALOG = int32_t (*)(ULONG_PTR uiParam, char* password, ULONG size);
using NUI_ISAVAILABLE = int32_t (*)();

} // extern "C"
