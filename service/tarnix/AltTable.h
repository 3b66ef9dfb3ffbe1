#pragma once
// An application alert table as stored in <windir>\<APP>.ALT:
//
//   0     4  "VALT"
//   4     2  file format version (1)
//   6     2  ALSTRUCT version (0-3)
//   8     4  write counter (raised by every write)
//   12    8  time of the last write, ms since 1970-01-01 UTC (int64)
//   20  128  display name, NUL-terminated
//   148 3944 ALSTRUCT image
//   4092 64  list directory: per stored list (broadcast, pager, e-mail, SNMP, trouble ticket,
//            event log, Lotus Notes, SMTP) record count (uint32) and record size (uint16) and 0
//   4156     the lists' records, back to back in directory order
//   end-4 4  CRC-32 of every byte before it
//
// Every length is checked against the file's size before use; a file that does not add up
// exactly is refused.
#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>

namespace Tarnix {

enum ListKind { BroadcastList, PagerList, EmailList, SnmpList, TicketList, EventLogList, NotesList, SmtpList,
                kListCount };

int ListRecordSize(ListKind kind);
const char* ListName(ListKind kind);

constexpr int kAltHeaderSize = 4156;
constexpr int kDisplayNameSize = 128;
constexpr uint32_t kMaxListRecords = 1000000;
constexpr qint64 kMaxAltFileSize = 512LL << 20;

struct AltTable {
    uint16_t version = 3;
    uint32_t writeCounter = 0;
    int64_t writtenMs = 0;
    QByteArray displayName;                 // at most 127 bytes
    QByteArray alStruct = QByteArray(3944, '\0');
    std::array<QByteArray, kListCount> lists;   // records back to back
    std::array<uint32_t, kListCount> counts {};

    // Text that differs after every write: the write time and the counter.
    QString ChangeDate() const;
    uint32_t TotalRecipients() const;
};

enum class ParseResult { Ok, Damaged };
ParseResult ParseAltTable(const QByteArray& data, AltTable* out);
QByteArray SerializeAltTable(const AltTable& table);

} // namespace Tarnix
