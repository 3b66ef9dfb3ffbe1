// Any bytes as a SERVERDATA block: its four texts read without leaving their fields, and a block
// made from them reads the same texts back (or, where a text no longer fits its field once
// written as UTF-8, the longest whole-character beginning of it).
#include "FuzzSupport.h"
#include "tree/ServerData.h"

#include <memory>

namespace {

void CheckKept(const QString& read, const QString& again, int fieldSize)
{
    if (read.toUtf8().size() <= fieldSize) {
        FUZZ_CHECK(again == read);
        return;
    }
    FUZZ_CHECK(again.size() < read.size() && read.startsWith(again) && again.toUtf8().size() <= fieldSize);
    // Nothing more would have fitted: the next character is cut whole.
    const qsizetype n = again.size();
    const qsizetype next = read.at(n).isHighSurrogate() && n + 1 < read.size() ? 2 : 1;
    FUZZ_CHECK(again.toUtf8().size() + read.mid(n, next).toUtf8().size() > fieldSize);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Exactly the block's bytes on the heap, so that a read past its end is reported.
    const QByteArray bytes = Fuzz::Bytes(data, size).leftJustified(CServerData::kSize, '\0', true);
    const std::unique_ptr<BYTE[]> block(new BYTE[CServerData::kSize]);
    std::memcpy(block.get(), bytes.constData(), CServerData::kSize);

    const QString machine = CServerData::Machine(block.get());
    const QString reserved1 = CServerData::Reserved1(block.get());
    const QString reserved2 = CServerData::Reserved2(block.get());
    const QString connection = CServerData::Connection(block.get());

    CServerData made = CServerData::Make(machine, connection);
    made.SetReserved1(reserved1);
    made.SetReserved2(reserved2);
    FUZZ_CHECK(made.Bytes().size() == CServerData::kSize);
    CheckKept(machine, CServerData::Machine(made.Data()), CServerData::kMachineSize);
    CheckKept(reserved1, CServerData::Reserved1(made.Data()), CServerData::kReserved1Size);
    CheckKept(reserved2, CServerData::Reserved2(made.Data()), CServerData::kReserved2Size);
    CheckKept(connection, CServerData::Connection(made.Data()), CServerData::kConnectionSize);
    return 0;
}
