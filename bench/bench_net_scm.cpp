// Cost of the service-state poll the console makes for every machine it watches: one
// QueryServiceStatus on an open handle, and the whole poll (open the manager and the service,
// query, close) against 50 connected remote machines whose services run or are stopped.
#include "platform/Network.h"
#include "platform/ServiceControl.h"
#include "platform/World.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <unistd.h>

namespace {

constexpr int kMachines = 50;

struct BenchWorld {
    QTemporaryDir dir;
    std::vector<QString> machines;

    BenchWorld()
    {
        World::SetRoot(dir.path());
        World::SetComputerName(QStringLiteral("BENCHPC"));
        for (int i = 0; i < kMachines; ++i) {
            const QString name = QStringLiteral("SRV%1").arg(i);
            const QString folder = dir.path() + QStringLiteral("/machines/") + name;
            QDir().mkpath(folder + QStringLiteral("/drives/C/WINDOWS"));
            QFile json(folder + QStringLiteral("/machine.json"));
            json.open(QIODevice::WriteOnly);
            json.write("{\"name\":\"" + name.toUtf8() + "\",\"accounts\":[{\"domain\":\"KORVANE\","
                       "\"user\":\"Administrator\",\"password\":\"secret\"}]}");
            json.close();
            Scm::ServiceDefinition d;
            d.name = QString::fromLatin1(Scm::kAlertServiceName);
            d.binaryPath = QStringLiteral("C:\\ALERT\\ALERT.EXE");
            Scm::InstallService(name, d);
            // Every other service runs: a state file naming a live process (this one).
            if (i % 2 == 0) {
                QFile state(folder + QStringLiteral("/scm/Alert%20Notification%20Server.state"));
                state.open(QIODevice::WriteOnly);
                state.write("{\"state\":4,\"pid\":" + QByteArray::number(qint64(::getpid()))
                            + ",\"controls\":3,\"staleAfter\":1e12,\"writer\":\"service\"}");
            }
            QByteArray remote = ("\\\\" + name + "\\ADMIN$").toUtf8();
            NETRESOURCE nr{};
            nr.dwType = RESOURCETYPE_DISK;
            nr.lpRemoteName = remote.data();
            WNetAddConnection2(&nr, "secret", "KORVANE\\Administrator", 0);
            machines.push_back(name);
        }
    }
};

BenchWorld& Bench()
{
    static BenchWorld world;
    return world;
}

void BM_QueryServiceStatus(benchmark::State& state)
{
    const QString machine = Bench().machines[size_t(state.range(0))];
    SC_HANDLE scm = OpenSCManager(machine, SC_MANAGER_CONNECT);
    SC_HANDLE svc = OpenService(scm, QString::fromLatin1(Scm::kAlertServiceName), SERVICE_QUERY_STATUS);
    SERVICE_STATUS s;
    for (auto _ : state) {
        QueryServiceStatus(svc, &s);
        benchmark::DoNotOptimize(s.dwCurrentState);
    }
    CloseServiceHandle(svc);
    CloseServiceHandle(scm);
}
// 0: a running service (state file, live pid); 1: a stopped one (no state file).
BENCHMARK(BM_QueryServiceStatus)->Arg(0)->Arg(1);

void BM_PollFiftyMachines(benchmark::State& state)
{
    const auto& machines = Bench().machines;
    for (auto _ : state) {
        int running = 0;
        for (const QString& m : machines) {
            SC_HANDLE scm = OpenSCManager(m, SC_MANAGER_CONNECT);
            SC_HANDLE svc = OpenService(scm, QString::fromLatin1(Scm::kAlertServiceName), SERVICE_QUERY_STATUS);
            SERVICE_STATUS s{};
            if (QueryServiceStatus(svc, &s) && s.dwCurrentState == SERVICE_RUNNING)
                ++running;
            CloseServiceHandle(svc);
            CloseServiceHandle(scm);
        }
        benchmark::DoNotOptimize(running);
    }
    state.SetItemsProcessed(state.iterations() * int64_t(machines.size()));
}
BENCHMARK(BM_PollFiftyMachines)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Network::CancelAllConnections();
    return 0;
}
