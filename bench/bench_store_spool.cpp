// Spool throughput: alerts taken from the spool and delivered per second.
#include "alertsvc/Delivery.h"
#include "alertworld/WorldTool.h"
#include "platform/World.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

void BM_DeliverSpool(benchmark::State& state)
{
    const int recipients = static_cast<int>(state.range(0));
    constexpr int kBatch = 50;
    QTemporaryDir dir;
    World::SetRoot(dir.path());
    World::SetComputerName(QStringLiteral("BENCHPC"));
    WorldTool::MachineOptions o;
    o.name = QStringLiteral("BENCHPC");
    o.installService = true;
    QString error;
    if (WorldTool::AddMachine(o, &error) != 0) {
        state.SkipWithError("world");
        return;
    }
    for (int i = 0; i < recipients; ++i)
        WorldTool::AddRecipient(QStringLiteral("BENCHPC"), "QUELLIT", QStringLiteral("smtp"),
                                QStringLiteral("user%1@x.example").arg(i), &error);
    int64_t alerts = 0;
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < kBatch; ++i)
            WorldTool::RaiseAlert(QStringLiteral("BENCHPC"), "QUELLIT", 1 + i % 3, QStringLiteral("bench"), true,
                                  nullptr, &error);
        state.ResumeTiming();
        alerts += Delivery::ProcessSpool(QStringLiteral("BENCHPC"));
    }
    state.SetItemsProcessed(alerts);
    state.counters["deliveries/s"] =
        benchmark::Counter(static_cast<double>(alerts * recipients), benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(BM_DeliverSpool)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->Iterations(4)->UseRealTime();

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
