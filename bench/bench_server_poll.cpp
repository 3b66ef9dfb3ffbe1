// What an idle console pays for watching machines: 50 remote machines connected (server leaves
// with their status and table workers, at the production cadence), half of them with their
// alert service running, and the console doing nothing else. The CPU time of this process
// (getrusage: user + system, all threads) over the measured span is reported as a percentage
// of one core. The service processes are separate and not counted.
//
//   bench_server_poll                       measures for 60 s after a 10 s settling time
//   VIGIMOR_BENCH_POLL_SECONDS=20 ...       a shorter measurement
#include "alertworld/WorldTool.h"
#include "extern/Tarnix.h"
#include "framework/ScriptedUiHost.h"
#include "methods/MethodLeaves.h"
#include "platform/Network.h"
#include "platform/Timing.h"
#include "platform/World.h"
#include "tree/AlertTreeCtrl.h"
#include "tree/RegUtil.h"
#include "tree/ServerLeaf.h"

#include <QApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr int kMachines = 50;
constexpr int kSettleSeconds = 10;

double ProcessCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void RunEventLoopFor(int seconds)
{
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
}

QString MachineName(int i)
{
    return QStringLiteral("RMT%1").arg(i, 2, 10, QLatin1Char('0'));
}

DWORD Connect(const QString& machine)
{
    const QByteArray remote = (QStringLiteral("\\\\") + machine + QStringLiteral("\\ADMIN$")).toUtf8();
    NETRESOURCE nr{};
    nr.dwType = RESOURCETYPE_DISK;
    nr.lpRemoteName = const_cast<char*>(remote.constData());
    return WNetAddConnection2(&nr, "secret", "KORVANE\\Administrator", 0);
}

void BM_IdleConsoleWatching50RemoteMachines(benchmark::State& state)
{
    const int measureSeconds = qEnvironmentVariableIsSet("VIGIMOR_BENCH_POLL_SECONDS")
                                   ? qEnvironmentVariableIntValue("VIGIMOR_BENCH_POLL_SECONDS")
                                   : 60;
    QTemporaryDir world;
    qputenv("VIGIMOR_WORLD", world.path().toUtf8());
    qputenv("VIGIMOR_COMPUTERNAME", "BENCHPC");
    World::SetRoot(world.path());
    World::SetComputerName(QStringLiteral("BENCHPC"));
    World::EnsureThisComputer();
    // An idle console: no account dialogs when services come up.
    WriteRegDword(QStringLiteral("Service"), QString(), QStringLiteral("Impersonate"), 0);
    ScriptedUiHost host;
    ScopedUiHost hostScope(&host);

    std::vector<QString> running;
    for (int i = 1; i <= kMachines; ++i) {
        WorldTool::MachineOptions options;
        options.name = MachineName(i);
        options.domain = QStringLiteral("KORVANE");
        options.accounts = {QStringLiteral("KORVANE\\Administrator:secret")};
        QString error;
        if (WorldTool::AddMachine(options, &error) != 0 || WorldTool::InstallAlertService(options.name, &error) != 0 ||
            Connect(options.name) != 0) {
            state.SkipWithError(qPrintable(QStringLiteral("world: ") + error));
            return;
        }
        if (i % 2 == 0) {
            if (WorldTool::StartAlertService(options.name, &error) != 0) {
                state.SkipWithError(qPrintable(QStringLiteral("start: ") + error));
                return;
            }
            running.push_back(options.name);
        }
    }

    auto tree = std::make_unique<CAlertTreeCtrl>();
    std::vector<CServerLeaf*> leaves;
    for (int i = 1; i <= kMachines; ++i) {
        const QString name = MachineName(i);
        CServerLeaf* leaf =
            CServerLeaf::CreateTopLevel(tree.get(), CServerData::Make(name, QStringLiteral("\\\\") + name + QStringLiteral("\\ADMIN$")));
        if (!leaf) {
            state.SkipWithError("server leaf refused");
            return;
        }
        leaves.push_back(leaf);
    }
    // Every remote machine is asked once (every seventh second) and the running ones have
    // been discovered before the measurement starts.
    RunEventLoopFor(kSettleSeconds);
    int seenRunning = 0;
    for (CServerLeaf* leaf : leaves)
        seenRunning += leaf->GetServiceState() == 4;

    double cpuPercent = 0;
    for (auto _ : state) {
        const double cpuBefore = ProcessCpuSeconds();
        const auto wallBefore = std::chrono::steady_clock::now();
        RunEventLoopFor(measureSeconds);
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
        const double cpu = ProcessCpuSeconds() - cpuBefore;
        cpuPercent = 100.0 * cpu / wall;
        state.SetIterationTime(wall);
        state.counters["cpu_seconds"] = cpu;
    }
    state.counters["cpu_percent_of_one_core"] = cpuPercent;
    state.counters["machines"] = kMachines;
    state.counters["running_seen"] = seenRunning;
    std::printf("idle console, %d remote machines (%d running): %.3f %% of one core over %d s\n", kMachines,
                seenRunning, cpuPercent, measureSeconds);

    // Stopped while the leaves still hold their connections; the leaves then cancel them.
    for (const QString& name : running)
        AlertStopService(name.toUtf8().constData(), 0);
    tree.reset();
    Network::CancelAllConnections();
    // The services end by themselves once their machines are gone with the world.
}

BENCHMARK(BM_IdleConsoleWatching50RemoteMachines)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Timing::SetScale(1.0);
    MethodLeaves::Register();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
