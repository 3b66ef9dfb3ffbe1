#pragma once
// Recipient records of the delivery methods: how the service reads a recipient's name out of
// a record, and builders the world tool and tests use to make records. Layouts (bytes):
//   broadcast 52: text, a name without leading "\\" stored with "*" appended
//   pager 150: port id @18 u16, number @20 (25), pager id @45 (11), site id @56 (5),
//              connection delay @61 (13), message delay @74 (13), owner @87 (48), type @148
//   e-mail 56: display name @0 (52), class @52 i32 (1 To, 2 Cc)
//   SNMP 68: IPX node @0 (6), IPX network @6 (4), IPv4 @12 (network order), manager @16 (51),
//            send method @67 (1 IPX, 2 IP)
//   ticket 208: user @0 (49), password @49 (49), queue path @100 (49), server @149 (49)
//   event log 52: machine, domain, user packed with their NULs, then the scrambled password
//   Notes 440: class @0 i32, display name @4 (52), address @56 (256)
//   SMTP 197: address @0 (132), display name @132 (65)
#include "records/MethodTable.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace Records {

// Broadcast and event-log records store a name that does not begin with "\\" with "*" appended;
// the second takes it off again (a "*" of a name beginning with "\\" is the name's own).
QByteArray StoredRecipientName(const QByteArray& name);
QString RecipientNameFromStored(QString stored);

// The text a delivery names the recipient by ("\\PC01", "SALES", "Ops <ops@example.com>" ...).
// record holds RecordSize bytes of the method.
QString DescribeRecipient(const MethodInfo& method, const char* record);

// Pager records carry their type at offset 148: 0 numeric, 1 alphanumeric.
constexpr int kPagerTypeOffset = 148;

// The 48-byte key the event-log recipient's password is combined with (exclusive-or).
const uint8_t* EventLogPasswordKey();

QByteArray MakeBroadcastRecord(const QByteArray& name);
QByteArray MakePagerRecord(const QByteArray& owner, const QByteArray& number, uint8_t type, uint16_t portId,
                           const QByteArray& pagerId = QByteArray(), const QByteArray& siteId = QByteArray());
QByteArray MakeEmailRecord(const QByteArray& name, int32_t recipientClass);
QByteArray MakeSnmpRecord(const QByteArray& manager, uint32_t ipv4HostOrder);
QByteArray MakeTicketRecord(const QByteArray& user, const QByteArray& password, const QByteArray& queuePath);
// Empty when the texts and password do not fit the 52 bytes.
QByteArray MakeEventLogRecord(const QByteArray& machine, const QByteArray& domain, const QByteArray& user,
                              const QByteArray& password);
// Unpacks an event-log record; false when its texts run past the record.
bool ReadEventLogRecipient(const char* record52, QByteArray* machine, QByteArray* domain, QByteArray* user,
                           QByteArray* password);
QByteArray MakeNotesRecord(const QByteArray& name, const QByteArray& address, int32_t recipientClass);
QByteArray MakeSmtpRecord(const QByteArray& address, const QByteArray& displayName);

} // namespace Records
