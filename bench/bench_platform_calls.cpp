// Costs of the platform calls the console makes on every poll and refresh: registry reads
// and writes, Windows path resolution, version reading and directory listing.
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/VersionInfo.h"
#include "platform/World.h"

#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// A world of its own for the whole run, with a registry of realistic size.
struct BenchWorld {
    BenchWorld()
    {
        World::SetRoot(dir.path());
        World::SetComputerName(QStringLiteral("BENCHPC"));
        World::EnsureThisComputer();
        const QString product = QStringLiteral("SOFTWARE\\Korvane\\ALERT\\CurrentVersion");
        for (int i = 0; i < 40; ++i)
            Registry::PutDword(QString(), product + QStringLiteral("\\Sentrel"), QStringLiteral("Value%1").arg(i), DWORD(i));
        for (int i = 0; i < 20; ++i)
            Registry::PutString(QString(), product + QStringLiteral("\\Applications\\APP%1").arg(i), QStringLiteral("DisplayName"), QStringLiteral("Application %1").arg(i));
        const QString alert = dir.path() + QStringLiteral("/machines/BENCHPC/drives/C/Alert");
        QDir().mkpath(alert + QStringLiteral("/Help/Deep/Er"));
        Version::VersionResource v;
        v.fileVersionMS = 0x00040014;
        v.tables.push_back({0x0409, 0x04B0, {{QStringLiteral("FileDescription"), QStringLiteral("Alert Notification Server")}}});
        Version::WritePeFile(alert + QStringLiteral("/ALERT.EXE"), &v);
        for (int i = 0; i < 200; ++i)
            Version::WritePeFile(alert + QStringLiteral("/MOD%1.DLL").arg(i), i % 2 ? &v : nullptr);
    }
    QTemporaryDir dir;
};

BenchWorld& World_()
{
    static BenchWorld world;
    return world;
}

void RegistryReadDword(benchmark::State& state)
{
    World_();
    DWORD value = 0;
    for (auto _ : state) {
        Registry::GetDword(QString(), QStringLiteral("SOFTWARE\\Korvane\\ALERT\\CurrentVersion\\Sentrel"), QStringLiteral("Value39"), &value);
        benchmark::DoNotOptimize(value);
    }
}
BENCHMARK(RegistryReadDword);

void RegistryWriteDword(benchmark::State& state)
{
    World_();
    DWORD n = 0;
    for (auto _ : state)
        Registry::PutDword(QString(), QStringLiteral("SOFTWARE\\Korvane\\ALERT\\CurrentVersion\\Sentrel"), QStringLiteral("HomeMaxTry"), ++n);
}
BENCHMARK(RegistryWriteDword);

void ResolveDeepPath(benchmark::State& state)
{
    World_();
    QString host;
    for (auto _ : state) {
        World::ResolvePath(QStringLiteral("C:\\ALERT\\HELP\\DEEP\\ER\\Index.htm"), &host);
        benchmark::DoNotOptimize(host);
    }
}
BENCHMARK(ResolveDeepPath);

void ReadVersion(benchmark::State& state)
{
    World_();
    QByteArray block;
    for (auto _ : state) {
        Version::ReadVersionBlock(QStringLiteral("C:\\ALERT\\ALERT.EXE"), &block);
        benchmark::DoNotOptimize(block);
    }
}
BENCHMARK(ReadVersion);

void ListLibraries(benchmark::State& state)
{
    World_();
    for (auto _ : state) {
        Files::CFindFile find;
        Files::FindData data;
        int count = 0;
        for (DWORD rc = find.FindFirst(QStringLiteral("C:\\ALERT\\*.DLL"), &data); rc == 0; rc = find.FindNext(&data))
            ++count;
        benchmark::DoNotOptimize(count);
    }
}
BENCHMARK(ListLibraries);

} // namespace

BENCHMARK_MAIN();
