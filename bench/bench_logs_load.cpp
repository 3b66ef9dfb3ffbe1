// Loading the service's logs as the console shows them: a 10,000-record alert event log read
// into record leaves and listed, and a full 10,000-entry activity ring listed.
#include "alertworld/WorldTool.h"
#include "logs/ActivityLogLeaf.h"
#include "logs/EventLogLeaf.h"
#include "logs/LogPaths.h"
#include "platform/World.h"
#include "records/ActivityLog.h"
#include "records/EventLogTable.h"
#include "tree/AlertTreeCtrl.h"
#include "tree/ServerLeaf.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kEntries = 10000;

struct BenchWorld {
    QTemporaryDir dir;
    std::unique_ptr<CAlertTreeCtrl> tree;
    CServerLeaf* server = nullptr;

    BenchWorld()
    {
        World::SetRoot(dir.path());
        World::SetComputerName(QStringLiteral("BENCHPC"));
        WorldTool::MachineOptions o;
        o.name = QStringLiteral("BENCHPC");
        o.installService = true;
        QString error;
        WorldTool::AddMachine(o, &error);
        LogPaths::SetResolver([](const CAlertLeaf*, LogPaths::Kind kind, QString* path) {
            switch (kind) {
            case LogPaths::Kind::EventLogDirectory:
                *path = QStringLiteral("C:\\ALERT\\EVENTLOG");
                break;
            case LogPaths::Kind::EventLogFile:
                *path = QStringLiteral("C:\\ALERT\\EVENTLOG\\ALRECORD.TBL");
                break;
            case LogPaths::Kind::ActivityLogFile:
                *path = QStringLiteral("C:\\ALERT\\LOG\\ACTIVITY.LOG");
                break;
            }
            return true;
        });
        tree = std::make_unique<CAlertTreeCtrl>();
        server = new CServerLeaf;
        CAlertLeaf root(tree.get());
        root.InsertChild(server);
    }
    ~BenchWorld()
    {
        tree.reset();
        LogPaths::SetResolver({});
    }
    QString Drive(const char* relative) const
    {
        return dir.path() + QStringLiteral("/machines/BENCHPC/drives/C/") + QString::fromLatin1(relative);
    }
};

void BM_EventLogLoad(benchmark::State& state)
{
    BenchWorld world;
    QVector<Records::EventLogRecord> records;
    for (int i = 0; i < kEntries; ++i) {
        Records::EventLogRecord r;
        r.application = i % 2 ? "QUELLIT" : "DUNMARK";
        r.severity = uint8_t(1 + i % 3);
        r.timeGenerated = 1700000000 + i;
        r.description = "Disk C: on SRV1 is 95% full " + QByteArray::number(i);
        r.detailFile = "AL" + QByteArray::number(i).rightJustified(6, '0') + ".TXT";
        records.append(r);
    }
    Records::WriteEventLog(world.Drive("ALERT/EVENTLOG/ALRECORD.TBL"), Records::EventLogHeader(), records);
    for (auto _ : state) {
        auto* log = new CEventLogSummaryLeaf;
        world.server->InsertChild(log);
        WORD produced = 0;
        QString heading;
        QStringList rows;
        CLeafArray objects;
        log->GetDisplayData(1, &produced, &heading, &rows, &objects);
        benchmark::DoNotOptimize(rows.size());
        state.PauseTiming();
        log->DeleteLeaf();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kEntries);
}
BENCHMARK(BM_EventLogLoad)->Unit(benchmark::kMillisecond);

void BM_ActivityRingList(benchmark::State& state)
{
    BenchWorld world;
    const QString ring = world.Drive("ALERT/LOG/ACTIVITY.LOG");
    Records::ResetActivityRing(ring, kEntries);
    QList<QByteArray> texts;
    for (int i = 0; i < kEntries + 50; ++i)
        texts.append("QUELLIT: Important alert delivered by broadcast to PC" + QByteArray::number(i));
    Records::AppendActivityEntries(ring, texts, QDateTime::currentDateTime());
    auto* log = new CActivityLogLeaf45;
    world.server->InsertChild(log);
    for (auto _ : state) {
        WORD produced = 0;
        QString heading;
        QStringList rows;
        CLeafArray objects;
        log->GetDisplayData(0, &produced, &heading, &rows, &objects);
        benchmark::DoNotOptimize(rows.size());
    }
    state.SetItemsProcessed(state.iterations() * kEntries);
}
BENCHMARK(BM_ActivityRingList)->Unit(benchmark::kMillisecond);

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
