#pragma once
// The network of the world: browsing (network.json, machine.json), connections with
// credentials (the accounts in machine.json) and workstation information.
//
// Enumeration of the global network:
//   no container          providers, in network.json order   NETWORK, usage CONTAINER
//   a provider            its domains                         DOMAIN (TREE for a NetWare
//                                                             provider), usage CONTAINER
//   a domain              its machines as "\\NAME"            SERVER, usage CONTAINER, comment
//   a server "\\NAME"     its disk and print shares           SHARE, type DISK or PRINT, usage
//                         as "\\NAME\SHARE" (hidden $ shares   CONNECTABLE, comment
//                         are not listed)
// Providers, domains and servers are containers of type ANY; every entry names its provider.
// Listing a remote server's shares needs a connection to it (5 without one). Without a
// readable network.json there is no network: opening provider or domain levels gives 1222
// (a server's shares and connections still work, machines are reachable by name).
//
// Connections form one table per process. While it holds a connection to any share of a
// machine, the process may reach that machine's files, service control manager and
// configuration; cancelling the last one removes that access (the table installs
// World::SetRemoteAccessCheck when the platform library loads).
//
// Texts are UTF-8. Every call is thread-safe.
#include "platform/WinTypes.h"
#include <QString>

constexpr DWORD RESOURCE_CONNECTED = 0x00000001;
constexpr DWORD RESOURCE_GLOBALNET = 0x00000002;
constexpr DWORD RESOURCE_REMEMBERED = 0x00000003;
constexpr DWORD RESOURCE_RECENT = 0x00000004;
constexpr DWORD RESOURCE_CONTEXT = 0x00000005;

constexpr DWORD RESOURCETYPE_ANY = 0x00000000;
constexpr DWORD RESOURCETYPE_DISK = 0x00000001;
constexpr DWORD RESOURCETYPE_PRINT = 0x00000002;

constexpr DWORD RESOURCEUSAGE_CONNECTABLE = 0x00000001;
constexpr DWORD RESOURCEUSAGE_CONTAINER = 0x00000002;
constexpr DWORD RESOURCEUSAGE_NOLOCALDEVICE = 0x00000004;
constexpr DWORD RESOURCEUSAGE_SIBLING = 0x00000008;
constexpr DWORD RESOURCEUSAGE_ATTACHED = 0x00000010;
constexpr DWORD RESOURCEUSAGE_ALL = 0x00000013;

constexpr DWORD RESOURCEDISPLAYTYPE_GENERIC = 0x00000000;
constexpr DWORD RESOURCEDISPLAYTYPE_DOMAIN = 0x00000001;
constexpr DWORD RESOURCEDISPLAYTYPE_SERVER = 0x00000002;
constexpr DWORD RESOURCEDISPLAYTYPE_SHARE = 0x00000003;
constexpr DWORD RESOURCEDISPLAYTYPE_FILE = 0x00000004;
constexpr DWORD RESOURCEDISPLAYTYPE_GROUP = 0x00000005;
constexpr DWORD RESOURCEDISPLAYTYPE_NETWORK = 0x00000006;
constexpr DWORD RESOURCEDISPLAYTYPE_ROOT = 0x00000007;
constexpr DWORD RESOURCEDISPLAYTYPE_SHAREADMIN = 0x00000008;
constexpr DWORD RESOURCEDISPLAYTYPE_DIRECTORY = 0x00000009;
constexpr DWORD RESOURCEDISPLAYTYPE_TREE = 0x0000000A;
constexpr DWORD RESOURCEDISPLAYTYPE_NDSCONTAINER = 0x0000000B;

// WNetAddConnection2 flags: accepted; nothing is remembered across processes and no
// prompting happens here.
constexpr DWORD CONNECT_UPDATE_PROFILE = 0x00000001;
constexpr DWORD CONNECT_TEMPORARY = 0x00000004;
constexpr DWORD CONNECT_INTERACTIVE = 0x00000008;
constexpr DWORD CONNECT_PROMPT = 0x00000010;

struct NETRESOURCE {
    DWORD dwScope;
    DWORD dwType;
    DWORD dwDisplayType;
    DWORD dwUsage;
    char* lpLocalName;      // absent strings are null
    char* lpRemoteName;
    char* lpComment;
    char* lpProvider;
};

// scope RESOURCE_GLOBALNET (container null for the top level), RESOURCE_CONTEXT (the servers
// of this computer's domain), RESOURCE_CONNECTED (this process's connections) or
// RESOURCE_REMEMBERED (always empty). type filters shares (containers always pass); usage 0
// or RESOURCEUSAGE_ALL takes every entry, else entries sharing a bit with it.
// Codes: 87 bad scope or container without remote name, 1207 container that is not one,
// 1204 unknown provider, 67 unknown domain, 53 unknown server, 5 server without connection,
// 1222 no network.json.
DWORD WNetOpenEnum(DWORD scope, DWORD type, DWORD usage, const NETRESOURCE* container,
                   HANDLE* handle);
// *count: entries wanted (0xFFFFFFFF: as many as fit) on entry, entries written on return.
// The entries are written at the start of buffer (which must be aligned for NETRESOURCE),
// their texts at its end. ERROR_MORE_DATA with *bufferSize set to what one entry needs when
// not even one fits; ERROR_NO_MORE_ITEMS (259) after the last entry; 6 for a bad handle.
DWORD WNetEnumResource(HANDLE handle, DWORD* count, void* buffer, DWORD* bufferSize);
DWORD WNetCloseEnum(HANDLE handle);

// Connects to "\\NAME", "\\NAME\SHARE" (a listed share, IPC$, ADMIN$ or <drive>$) or, through
// a NetWare provider, to a bare "NAME" that provider lists. user is "DOMAIN\user", "user" or
// null (the logged-on user with the default password, accepted by this computer only and by
// machines listing that user with an empty password); a null password is empty. A domain
// part matches an account's domain or names the machine itself.
// Codes: 67 unknown machine or share, 66 type does not fit the share, 1200 a local device
// name was given (no drive mapping here), 1204 unknown provider, 1219 the machine is already
// connected with other credentials, 1326 no account matches. Connecting again with the same
// credentials succeeds and keeps one connection.
DWORD WNetAddConnection2(const NETRESOURCE* resource, const char* password, const char* user,
                         DWORD flags);
// name is the remote name as connected (case-insensitive). 2250 when not connected. Open files
// are not tracked, so force changes nothing: the connection always goes.
DWORD WNetCancelConnection2(const char* name, DWORD flags, BOOL force);
// name null or empty: the logged-on user of this process; else the user of the connection of
// that remote name (or of any connection to that "\\NAME"). *length is the buffer size in
// bytes; too small: ERROR_MORE_DATA with the size needed (terminator included). 2250 when the
// name is not connected.
DWORD WNetGetUser(const char* name, char* userName, DWORD* length);

// Workstation information, level 102 only (else 124). serverName null/empty for this computer,
// else "NAME" or "\\NAME" (UTF-16). The block is allocated here; free it with
// NetApiBufferFree. 53 unknown machine, 5 remote machine without a connection.
constexpr DWORD PLATFORM_ID_DOS = 300;
constexpr DWORD PLATFORM_ID_OS2 = 400;
constexpr DWORD PLATFORM_ID_NT = 500;
struct WKSTA_INFO_102 {
    DWORD wki102_platform_id;       // 500
    char16_t* wki102_computername;
    char16_t* wki102_langroup;      // the machine's domain
    DWORD wki102_ver_major;         // machine.json platformMajor (default 5)
    DWORD wki102_ver_minor;         // machine.json platformMinor (default 0)
    char16_t* wki102_lanroot;
    DWORD wki102_logged_on_users;
};
DWORD NetWkstaGetInfo(const char16_t* serverName, DWORD level, BYTE** buffer);
DWORD NetApiBufferFree(void* buffer);

namespace Network {

// Whether this process holds a connection to any share of the machine (any name form).
bool IsConnected(const QString& machine);
// The logged-on user of this process (USER, else the account's name).
QString LoggedOnUser();
// Drops every connection (tests; a console that ends).
void CancelAllConnections();

} // namespace Network
