// Any bytes as PORT.CFG (and, when two bytes long, PORTDEF.CFG): the file reads as a header and
// the port records it counts, never more than it holds, and the records written back read the
// same.
#include "FuzzSupport.h"
#include "records/PortConfig.h"

using namespace Records;

namespace {

bool Same(const PortRecord& a, const PortRecord& b)
{
    return a.id == b.id && a.portNumber == b.portNumber && a.portName == b.portName && a.baudIndex == b.baudIndex &&
           a.dataBitsIndex == b.dataBitsIndex && a.parityIndex == b.parityIndex &&
           a.stopBitsIndex == b.stopBitsIndex && a.description == b.description && a.rest == b.rest;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = Fuzz::Bytes(data, size);
    PortHeader header;
    QVector<PortRecord> records;
    bool complete = false;
    if (!ParsePortFile(bytes, &header, &records, &complete)) {
        FUZZ_CHECK(bytes.size() < kPortBlock);
        return 0;
    }
    FUZZ_CHECK(records.size() <= header.count && records.size() <= (bytes.size() - kPortBlock) / kPortBlock);
    FUZZ_CHECK(complete == (records.size() == header.count));

    // As the writer stores them: the count is the number of records.
    header.count = static_cast<uint16_t>(records.size());
    QByteArray image = SerializePortHeader(header);
    for (const PortRecord& r : records)
        image += SerializePortRecord(r);
    PortHeader headerAgain;
    QVector<PortRecord> again;
    FUZZ_CHECK(ParsePortFile(image, &headerAgain, &again, &complete) && complete);
    FUZZ_CHECK(headerAgain.count == header.count && headerAgain.nextId == header.nextId &&
               headerAgain.rest == header.rest);
    FUZZ_CHECK(again.size() == records.size());
    for (qsizetype i = 0; i < records.size(); ++i)
        FUZZ_CHECK(Same(again[i], records[i]));
    return 0;
}
