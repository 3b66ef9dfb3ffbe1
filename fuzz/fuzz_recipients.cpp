// Any bytes as one recipient record (the first byte chooses the delivery method, the second the
// record version): the record is described without reading outside it, and a broadcast or
// event-log recipient read, written back as the console does and read again is the same.
#include "FuzzSupport.h"
#include "records/MethodTable.h"
#include "records/RecipientRecords.h"

#include <memory>

using namespace Records;

namespace {

// An event-log recipient as the console holds it: texts, the machine without the stored "*".
struct EventLogRecipient {
    QString machine, domain, user, password;
    bool Read(const char* record)
    {
        QByteArray m, d, u, p;
        if (!ReadEventLogRecipient(record, &m, &d, &u, &p))
            return false;
        machine = RecipientNameFromStored(QString::fromUtf8(m));
        domain = QString::fromUtf8(d);
        user = QString::fromUtf8(u);
        password = QString::fromUtf8(p);
        return true;
    }
    QByteArray Write() const
    {
        return MakeEventLogRecord(machine.toUtf8(), domain.toUtf8(), user.toUtf8(), password.toUtf8());
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const MethodInfo& method = Methods()[data[0] % kMethodCount];
    const int recordSize = RecordSize(method, data[1] % (kHighestRecordVersion + 1));
    if (recordSize == 0)
        return 0;
    // Exactly the record's bytes on the heap, so that a read past its end is reported.
    const QByteArray bytes = Fuzz::Bytes(data + 2, size - 2).leftJustified(recordSize, '\0', true);
    const std::unique_ptr<char[]> record(new char[size_t(recordSize)]);
    std::memcpy(record.get(), bytes.constData(), size_t(recordSize));
    (void)DescribeRecipient(method, record.get());

    if (method.bit == kBroadcastBit) {
        const QString name = RecipientNameFromStored(FieldText(record.get(), recordSize));
        QByteArray written(recordSize, '\0');
        PutField(written.data(), recordSize, StoredRecipientName(name.toUtf8()));
        const QString again = RecipientNameFromStored(FieldText(written.constData(), recordSize));
        // A name too long for the record once stored is cut, never changed otherwise.
        FUZZ_CHECK(again == name || (name.startsWith(again) && name.toUtf8().size() >= recordSize - 1));
        return 0;
    }
    if (method.bit != kEventLogBit)
        return 0;
    EventLogRecipient read;
    if (!read.Read(record.get()))
        return 0;
    const QByteArray written = read.Write();
    if (written.isEmpty())
        return 0;   // damage the console cannot write back: it says so (a record of its own never is)
    FUZZ_CHECK(written.size() == recordSize);
    EventLogRecipient again;
    FUZZ_CHECK(again.Read(written.constData()));
    FUZZ_CHECK(again.machine == read.machine && again.domain == read.domain && again.user == read.user &&
               again.password == read.password);
    return 0;
}
