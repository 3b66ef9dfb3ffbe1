#pragma once
// Where a world keeps the mail libraries a machine has (the world tool installs them, the
// libraries read their books there). Windows paths on the machine itself.

namespace MailWorld {

// The mail client: present when this file is; its address book.
constexpr const char* kMailLibrary = "C:\\WINDOWS\\SYSTEM32\\MAPI32.DLL";
constexpr const char* kMailBook = "C:\\WINDOWS\\MAILBOOK.TXT";
// A mail client of the Exchange kind has this key in its machine's registry.
constexpr const char* kExchangeClientKey = "SOFTWARE\\Microsoft\\Exchange\\Client";

// The Notes user-interface library; the client counts as available when the installation path
// of the machine's Notes settings holds its address book.
constexpr const char* kNotesLibrary = "C:\\WINDOWS\\SYSTEM32\\NotesUI.DLL";
constexpr const char* kNotesBookFile = "ADDRBOOK.TXT";

// The builds of the stand-ins (build/lib/plugins), installed under the names above.
constexpr const char* kSimpleMailBuild = "libmailclient.so";
constexpr const char* kSimpleExchangeBuild = "libmailclient-exchange.so";
constexpr const char* kExtendedMailBuild = "libmailclientx.so";
constexpr const char* kExtendedExchangeBuild = "libmailclientx-exchange.so";
constexpr const char* kNotesBuild = "libnotesui.so";

} // namespace MailWorld
