// A method leaf with 10,000 broadcast recipients: loading the list into recipient leaves (one
// tree item each), serialising it back for a write, and collecting the rows of the pane.
#include "methods/MethodLeaf.h"
#include "platform/GlobalMemory.h"
#include "records/RecipientRecords.h"
#include "tree/AlertTreeCtrl.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <cstring>

namespace {

constexpr int kRecipients = 10000;

QByteArray MakeRecords()
{
    QByteArray bytes;
    bytes.reserve(kRecipients * 52);
    for (int i = 0; i < kRecipients; ++i)
        bytes += Records::MakeBroadcastRecord(i % 2 ? QByteArray("\\\\PC") + QByteArray::number(i)
                                                    : QByteArray("GROUP") + QByteArray::number(i));
    return bytes;
}

struct Tree {
    CAlertTreeCtrl tree;
    CAlertLeaf root{&tree};
    CBroadcastMethodLeaf* method = new CBroadcastMethodLeaf;
    Tree() { root.InsertChild(method); }
};

void Load(CBroadcastMethodLeaf* method, const QByteArray& bytes)
{
    RECORDBLOCK block;
    block.count = kRecipients;
    block.records = reinterpret_cast<const BYTE*>(bytes.constData());
    block.size = size_t(bytes.size());
    method->SetData(&block, 0);
}

void BM_LoadRecipients10000(benchmark::State& state)
{
    const QByteArray bytes = MakeRecords();
    Tree t;
    for (auto _ : state) {
        Load(t.method, bytes);
        benchmark::DoNotOptimize(t.method->ChildCount());
    }
    state.SetItemsProcessed(state.iterations() * kRecipients);
}
BENCHMARK(BM_LoadRecipients10000)->Unit(benchmark::kMillisecond);

void BM_SerialiseRecipients10000(benchmark::State& state)
{
    const QByteArray bytes = MakeRecords();
    Tree t;
    Load(t.method, bytes);
    QByteArray out(qsizetype(t.method->GetDataSize(0)), '\0');
    for (auto _ : state) {
        OUTPUTDESC desc;
        desc.position = reinterpret_cast<BYTE*>(out.data());
        desc.room = size_t(out.size());
        t.method->GetData(&desc, 0);
        benchmark::DoNotOptimize(desc.count);
    }
    state.SetItemsProcessed(state.iterations() * kRecipients);
}
BENCHMARK(BM_SerialiseRecipients10000)->Unit(benchmark::kMillisecond);

void BM_PaneRows10000(benchmark::State& state)
{
    const QByteArray bytes = MakeRecords();
    Tree t;
    Load(t.method, bytes);
    for (auto _ : state) {
        WORD format = 0;
        QString heading;
        QStringList rows;
        CLeafArray objects;
        t.method->GetDisplayData(t.method->GetDisplayFormat(), &format, &heading, &rows, &objects);
        benchmark::DoNotOptimize(rows.size());
    }
    state.SetItemsProcessed(state.iterations() * kRecipients);
}
BENCHMARK(BM_PaneRows10000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
