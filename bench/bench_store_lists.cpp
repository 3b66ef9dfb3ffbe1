// Reading and writing a 10,000-recipient list through the configuration library.
#include "alertworld/WorldTool.h"
#include "extern/Tarnix.h"
#include "platform/GlobalMemory.h"
#include "platform/World.h"
#include "records/RecipientRecords.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstring>

namespace {

constexpr int kRecipients = 10000;

struct BenchWorld {
    QTemporaryDir dir;
    BenchWorld()
    {
        World::SetRoot(dir.path());
        World::SetComputerName(QStringLiteral("BENCHPC"));
        WorldTool::MachineOptions o;
        o.name = QStringLiteral("BENCHPC");
        o.installService = true;
        QString error;
        WorldTool::AddMachine(o, &error);
    }
};

void* ListBlock(int recordSize, int count)
{
    void* block = GlobalAlloc(GHND, static_cast<size_t>(recordSize) * count);
    auto* p = static_cast<char*>(block);
    for (int i = 0; i < count; ++i) {
        const QByteArray r = recordSize == 52 ? Records::MakeBroadcastRecord("PC" + QByteArray::number(i))
                                              : Records::MakeNotesRecord("User " + QByteArray::number(i),
                                                                         "user" + QByteArray::number(i) + "@x.example", 1);
        std::memcpy(p + static_cast<size_t>(i) * recordSize, r.constData(), static_cast<size_t>(recordSize));
    }
    return block;
}

void BM_SetBroadcast10k(benchmark::State& state)
{
    BenchWorld world;
    void* block = ListBlock(52, kRecipients);
    for (auto _ : state)
        benchmark::DoNotOptimize(AlertSetBroadcast("BENCHPC", kRecipients, block, 1, "QUELLIT"));
    GlobalFree(block);
    state.SetItemsProcessed(state.iterations() * kRecipients);
}

void BM_GetBroadcast10k(benchmark::State& state)
{
    BenchWorld world;
    void* block = ListBlock(52, kRecipients);
    AlertSetBroadcast("BENCHPC", kRecipients, block, 1, "QUELLIT");
    GlobalFree(block);
    for (auto _ : state) {
        int32_t count = 0;
        void* out = nullptr;
        if (AlertGetBroadcast("BENCHPC", &count, &out, "QUELLIT") != 1 || count != kRecipients)
            state.SkipWithError("get failed");
        GlobalFree(out);
    }
    state.SetItemsProcessed(state.iterations() * kRecipients);
}

void BM_SetNotes10k(benchmark::State& state)
{
    BenchWorld world;
    void* block = ListBlock(440, kRecipients);
    for (auto _ : state)
        benchmark::DoNotOptimize(AlertSetLotusNotes("BENCHPC", kRecipients, block, 1, "QUELLIT"));
    GlobalFree(block);
    state.SetItemsProcessed(state.iterations() * kRecipients);
}

void BM_GetNotes10k(benchmark::State& state)
{
    BenchWorld world;
    void* block = ListBlock(440, kRecipients);
    AlertSetLotusNotes("BENCHPC", kRecipients, block, 1, "QUELLIT");
    GlobalFree(block);
    for (auto _ : state) {
        int32_t count = 0;
        void* out = nullptr;
        if (AlertGetLotusNotes("BENCHPC", &count, &out, "QUELLIT") != 1 || count != kRecipients)
            state.SkipWithError("get failed");
        GlobalFree(out);
    }
    state.SetItemsProcessed(state.iterations() * kRecipients);
}

} // namespace

BENCHMARK(BM_SetBroadcast10k)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GetBroadcast10k)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SetNotes10k)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GetNotes10k)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
