#pragma once
// The address books of the stand-in mail libraries and the dialog that picks recipients from
// them.
//
// A book is a UTF-8 text file in the world: one entry per line, "name<TAB>address"; empty
// lines and lines starting with '#' are skipped. Names are cut to 255 bytes and addresses to
// 255 bytes; a file above 1 MB or 10,000 entries is read up to those limits.
#include "mail/MailApi.h"

#include <QList>
#include <QString>

class QWidget;

namespace AddressBook {

struct Entry {
    QString name;
    QString address;
};

struct Recipient {
    ULONG recipientClass = MAPI_TO;
    QString name;
    QString address;
};

// Reads the book at a Windows path on this computer; false when it cannot be read.
bool Read(const QString& windowsPath, QList<Entry>* entries);

enum class Result { Ok, Cancelled };

// The address dialog: the book on the left, the recipient fields (To, Cc; blind copy too when
// fields is 0 or at least 3) on the right, filled with *chosen. On OK *chosen holds the fields'
// recipients, To first. Runs through the application's dialog runner when it installed one.
// Control ids (property "ctrlId"): book 100, To 101, Cc 102, blind copy 103, the add buttons
// 110-112, remove 113.
Result RunDialog(ULONG_PTR uiParam, const QString& caption, ULONG fields, const QList<Entry>& book,
                 QList<Recipient>* chosen);

// Recipients as one allocation of LinkedBuffers (descriptors with their strings); null when
// out of memory. recips/count: the given descriptors, read with their counts checked.
MapiRecipDesc* MakeDescriptors(const QList<Recipient>& recipients);
QList<Recipient> ReadDescriptors(const MapiRecipDesc* recips, ULONG count);

} // namespace AddressBook
