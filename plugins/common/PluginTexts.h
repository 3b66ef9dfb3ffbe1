#pragma once
// The string table of the stand-in mail libraries (they are not the console and do not share
// its table). Traditional Chinese, like the console they serve.
#include <QString>

namespace PluginTexts {

enum Id {
    AddressBookCaption,     // caption of the mail client's address book
    NotesAddressCaption,    // caption of the Notes address dialog
    BookLabel,              // label over the address book's entries
    ToLabel,
    CcLabel,
    BccLabel,
    AddTo,
    AddCc,
    AddBcc,
    Remove,
    Ok,
    Cancel,
    LogonCaption,           // the mail client's profile question
    ProfileLabel,
    DefaultProfile,
};

QString Text(Id id);

} // namespace PluginTexts
