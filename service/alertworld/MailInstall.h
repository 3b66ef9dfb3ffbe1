#pragma once
// The mail libraries of a world's machines: installing the mail client (simple or extended
// form, optionally of the Exchange kind) and the Notes client, and filling their address books.
#include "platform/WinTypes.h"

#include <QString>

namespace WorldTool {

struct MailClientOptions {
    bool extended = false;     // the build with session and address-book objects
    bool exchange = false;     // the Exchange kind: the build with ordinal 139 and the registry key
};

// Copies the mail client's build into the machine's system folder and creates its address
// book (empty) when missing. 0 or a Windows code.
DWORD InstallMailClient(const QString& machine, const MailClientOptions& options, QString* error);
// Installs the Notes library, creates the installation folder with an (empty) address book
// (an existing one is kept) and records the path in the machine's Notes settings.
DWORD InstallNotesClient(const QString& machine, const QString& installPath, QString* error);
// One address-book entry: book "mail" (the mail client's) or "notes" (the book of the Notes
// installation the machine's settings name).
DWORD AddAddress(const QString& machine, const QString& book, const QString& name, const QString& address,
                 QString* error);
// What the machine has installed, for show: "" when neither.
QString DescribeMailClients(const QString& machine);

} // namespace WorldTool
