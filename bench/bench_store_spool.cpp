// Spool throughput: alerts submitted to the spool, and alerts taken from it and recorded (event
// log, detail file, activity log, statistics), each beside a baseline of the same file work done
// raw in the same run.
#include "alertsvc/Delivery.h"
#include "alertworld/WorldTool.h"
#include "platform/World.h"
#include "plenkor/Spool.h"
#include "records/StoreFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

constexpr int kAlerts = 1000;
const QString kMachine = QStringLiteral("BENCHPC");

// A world of one machine with the service installed and one table of `recipients` SMTP recipients.
class BenchWorld {
public:
    explicit BenchWorld(int recipients)
    {
        World::SetRoot(m_dir.path());
        World::SetComputerName(kMachine);
        WorldTool::MachineOptions o;
        o.name = kMachine;
        o.installService = true;
        QString error;
        m_ok = WorldTool::AddMachine(o, &error) == 0;
        for (int i = 0; m_ok && i < recipients; ++i)
            m_ok = WorldTool::AddRecipient(kMachine, "QUELLIT", QStringLiteral("smtp"),
                                           QStringLiteral("user%1@x.example").arg(i), &error) == 0;
    }
    bool Ok() const { return m_ok; }
    QString Alert(const QString& relative) const
    {
        return m_dir.path() + QStringLiteral("/machines/BENCHPC/drives/C/ALERT/") + relative;
    }
    void Raise(int count)
    {
        QString error;
        for (int i = 0; i < count; ++i)
            WorldTool::RaiseAlert(kMachine, "QUELLIT", 1 + i % 3, QStringLiteral("bench"), true, nullptr, &error);
    }
    // One submitted alert as the spool holds it, taken out of the spool again.
    bool SampleAlert(Plenkor::SpooledAlert* alert)
    {
        Raise(1);
        const QDir spool(Alert(QStringLiteral("spool")));
        const QStringList names = spool.entryList({QStringLiteral("*.alq")}, QDir::Files);
        QByteArray data;
        const bool ok = names.size() == 1 && Records::ReadWholeFile(spool.filePath(names[0]), 1 << 20, &data) &&
                        Plenkor::ParseSpooled(data, alert) == 0;
        for (const QString& n : names)
            QFile::remove(spool.filePath(n));
        return ok;
    }

private:
    QTemporaryDir m_dir;
    bool m_ok = false;
};

// Taking kAlerts spooled alerts with `recipients` recipients each and recording them.
void BM_RecordSpool(benchmark::State& state)
{
    const int recipients = static_cast<int>(state.range(0));
    BenchWorld world(recipients);
    if (!world.Ok()) {
        state.SkipWithError("world");
        return;
    }
    int64_t alerts = 0;
    for (auto _ : state) {
        state.PauseTiming();
        world.Raise(kAlerts);
        state.ResumeTiming();
        alerts += Delivery::ProcessSpool(kMachine);
    }
    state.SetItemsProcessed(alerts);
    state.counters["deliveries/s"] =
        benchmark::Counter(static_cast<double>(alerts * recipients), benchmark::Counter::kIsRate);
}

// Baseline: the same file work done raw for kAlerts alerts of one recipient, on spool files
// submitted the same way: read each spool file, create a detail file of the same size, append a
// 256-byte record and a 312-byte activity slot, move the spool file aside, and replace the
// 256-byte statistics once.
void BM_RecordBaseline(benchmark::State& state)
{
    BenchWorld world(1);
    Plenkor::SpooledAlert alert;
    if (!world.Ok() || !world.SampleAlert(&alert)) {
        state.SkipWithError("world");
        return;
    }
    const QDir spool(world.Alert(QStringLiteral("spool")));
    const QDir dir(world.Alert(QStringLiteral("raw")));
    QDir().mkpath(dir.filePath(QStringLiteral("done")));
    const QByteArray detail(160, 'd'), record(256, 'r'), slot(312, 's'), stats(256, 0);
    int n = 0;
    int64_t alerts = 0;
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < kAlerts; ++i) {
            alert.submittedMs = 0;
            Plenkor::SubmitAlert(kMachine, alert, false);
        }
        const QStringList spooled = spool.entryList({QStringLiteral("*.alq")}, QDir::Files, QDir::Name);
        state.ResumeTiming();
        QFile log(dir.filePath(QStringLiteral("ALRECORD.TBL")));
        QFile activity(dir.filePath(QStringLiteral("ACTIVITY.LOG")));
        log.open(QIODevice::WriteOnly | QIODevice::Append);
        activity.open(QIODevice::WriteOnly | QIODevice::Append);
        for (const QString& name : spooled) {
            QFile in(spool.filePath(name));
            in.open(QIODevice::ReadOnly);
            benchmark::DoNotOptimize(in.readAll());
            in.close();
            QFile d(dir.filePath(QStringLiteral("AL%1.TXT").arg(++n)));
            d.open(QIODevice::WriteOnly | QIODevice::NewOnly);
            d.write(detail);
            d.close();
            log.write(record);
            activity.write(slot);
            ::rename(QFile::encodeName(spool.filePath(name)).constData(),
                     QFile::encodeName(dir.filePath(QStringLiteral("done/") + name)).constData());
        }
        log.flush();
        activity.flush();
        QSaveFile s(dir.filePath(QStringLiteral("ALSTATS.DAT")));
        s.open(QIODevice::WriteOnly);
        s.write(stats);
        s.commit();
        alerts += kAlerts;
    }
    state.SetItemsProcessed(alerts);
}

// Removing taken spool files, as the service does once the spool is quiet: on a disk that
// discards freed blocks this is the slow part, which is why it is kept off the alerts' path.
void BM_SweepDone(benchmark::State& state)
{
    BenchWorld world(1);
    if (!world.Ok()) {
        state.SkipWithError("world");
        return;
    }
    int64_t removed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        world.Raise(200);
        Delivery::ProcessSpool(kMachine);
        const QDir done(world.Alert(QStringLiteral("spool/done")));
        state.ResumeTiming();
        while (!done.entryList(QDir::Files).isEmpty())
            Delivery::ProcessSpool(kMachine);   // nothing to take: sweeps
        removed += 200;
    }
    state.SetItemsProcessed(removed);
}

// Submitting one alert to the spool, as ALMakeAlert2Ex does (without the service check).
void BM_SubmitSpool(benchmark::State& state)
{
    BenchWorld world(1);
    Plenkor::SpooledAlert alert;
    if (!world.Ok() || !world.SampleAlert(&alert)) {
        state.SkipWithError("world");
        return;
    }
    alert.submittedMs = 0;
    for (auto _ : state) {
        if (Plenkor::SubmitAlert(kMachine, alert, false) != 0)
            state.SkipWithError("submit");
    }
    state.SetItemsProcessed(state.iterations());
}

// Baseline: writing the same bytes to a new file that is flushed to disk and renamed into place.
void BM_SubmitBaseline(benchmark::State& state)
{
    BenchWorld world(1);
    Plenkor::SpooledAlert alert;
    if (!world.Ok() || !world.SampleAlert(&alert)) {
        state.SkipWithError("world");
        return;
    }
    const QByteArray bytes = Plenkor::SerializeSpooled(alert);
    const QDir dir(world.Alert(QStringLiteral("raw")));
    QDir().mkpath(dir.path());
    int n = 0;
    for (auto _ : state) {
        QSaveFile f(dir.filePath(QStringLiteral("S%1.alq").arg(++n)));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        f.commit();
    }
    state.SetItemsProcessed(state.iterations());
}

} // namespace

BENCHMARK(BM_RecordSpool)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_RecordBaseline)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_SweepDone)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(BM_SubmitSpool)->Unit(benchmark::kMicrosecond)->Iterations(300)->UseRealTime();
BENCHMARK(BM_SubmitBaseline)->Unit(benchmark::kMicrosecond)->Iterations(300)->UseRealTime();

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
