// The service's logs as the console shows them, each figure beside its baseline in the same
// run. At 100,000 event-log records: showing the log in the pane (baseline: reading the file and parsing
// every record's fields), the memory held per record (baseline: an empty log), a record appended
// while shown (baseline: showing it whole), deleting 1,000 rows (baseline: rewriting the file),
// closing with the log shown (baseline: closing with an empty log), expanding the node
// (baseline: a bare QTreeWidget adding as many items) and filtering by text. The activity ring
// at 10,000 entries is shown and weighed the same way.
#include "alertworld/WorldTool.h"
#include "framework/Commands.h"
#include "framework/ScriptedUiHost.h"
#include "records/StoreFile.h"
#include "res/Resources.h"
#include "ui/AlertListWnd.h"
#include "ui/AlertTreeWnd.h"
#include "logs/ActivityLogLeaf.h"
#include "logs/EventLogLeaf.h"
#include "logs/LogPaths.h"
#include "platform/World.h"
#include "records/ActivityLog.h"
#include "records/EventLogTable.h"
#include "tree/AlertTreeCtrl.h"
#include "tree/ServerLeaf.h"

#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <memory>

namespace {

constexpr int kEntries = 10000;   // the activity ring at its largest
constexpr int kManyRecords = 100000;

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

Records::EventLogRecord SampleRecord(int i)
{
    Records::EventLogRecord r;
    r.application = i % 2 ? "QUELLIT" : "DUNMARK";
    r.severity = uint8_t(1 + i % 3);
    r.timeGenerated = 1700000000 + i;
    r.description = "Disk C: on SRV1 is 95% full " + QByteArray::number(i);
    r.detailFile = "AL" + QByteArray::number(i).rightJustified(6, '0') + ".TXT";
    return r;
}

QString WriteSampleLog(const BenchWorld& world, int count)
{
    QVector<Records::EventLogRecord> records;
    for (int i = 0; i < count; ++i)
        records.append(SampleRecord(i));
    const QString host = world.Drive("ALERT/EVENTLOG/ALRECORD.TBL");
    Records::WriteEventLog(host, Records::EventLogHeader(), records);
    return host;
}

// Bytes the heap holds now, small blocks and mapped ones.
qint64 HeapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks) + qint64(info.hblkhd);
}

// Heap a new log leaf of the given kind holds while the pane shows it.
template <class Leaf>
qint64 HeldWhileShown(BenchWorld& world, CAlertListWnd& pane)
{
    malloc_trim(0);
    const qint64 before = HeapInUse();
    auto* log = new Leaf;
    world.server->InsertChild(log);
    pane.ShowLeaf(log);
    const qint64 used = HeapInUse() - before;
    log->DeleteLeaf();
    pane.RemoveLeaf(log);
    return used;
}

// ---- 100,000 records ---------------------------------------------------------------------------

// Baseline: the file read and every record's fields parsed.
void BM_EventLog100k_RawReadParse(benchmark::State& state)
{
    BenchWorld world;
    const QString host = WriteSampleLog(world, kManyRecords);
    for (auto _ : state) {
        Records::EventLogFile file;
        Records::ReadEventLog(host, &file);
        benchmark::DoNotOptimize(file.records.size());
    }
    state.SetItemsProcessed(state.iterations() * kManyRecords);
}
BENCHMARK(BM_EventLog100k_RawReadParse)->Unit(benchmark::kMillisecond);

// Selecting the log: from the display request to the rows in the pane.
void BM_EventLog100k_Show(benchmark::State& state)
{
    BenchWorld world;
    WriteSampleLog(world, kManyRecords);
    CAlertListWnd pane;
    pane.resize(800, 600);
    for (auto _ : state) {
        auto* log = new CEventLogSummaryLeaf;
        world.server->InsertChild(log);
        pane.ShowLeaf(log);
        benchmark::DoNotOptimize(pane.GetList()->GetCount());
        state.PauseTiming();
        log->DeleteLeaf();
        pane.RemoveLeaf(log);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kManyRecords);
}
BENCHMARK(BM_EventLog100k_Show)->Unit(benchmark::kMillisecond);

// Memory held with the log shown, per record, beyond the same with an empty log.
void BM_EventLog100k_HeldBytesPerRecord(benchmark::State& state)
{
    BenchWorld world;
    CAlertListWnd pane;
    pane.resize(800, 600);
    auto held = [&](int records) {
        WriteSampleLog(world, records);
        return HeldWhileShown<CEventLogSummaryLeaf>(world, pane);
    };
    qint64 empty = 0, full = 0;
    for (auto _ : state) {
        empty = held(0);
        full = held(kManyRecords);
    }
    state.counters["empty_log_bytes"] = double(empty);
    state.counters["bytes_per_record"] = double(full - empty) / kManyRecords;
}
BENCHMARK(BM_EventLog100k_HeldBytesPerRecord)->Unit(benchmark::kMillisecond)->Iterations(1);

// A record the service appends while the log is shown: the periodic redisplay.
void BM_EventLog100k_AppendWhileShown(benchmark::State& state)
{
    BenchWorld world;
    const QString host = WriteSampleLog(world, kManyRecords);
    CAlertListWnd pane;
    pane.resize(800, 600);
    auto* log = new CEventLogSummaryLeaf;
    world.server->InsertChild(log);
    pane.ShowLeaf(log);
    int next = kManyRecords;
    for (auto _ : state) {
        state.PauseTiming();
        Records::AppendEventLogRecord(host, SampleRecord(next++));
        state.ResumeTiming();
        pane.ShowLeaf(log);
        benchmark::DoNotOptimize(pane.GetList()->GetCount());
    }
    state.counters["rows"] = pane.GetList()->GetCount();
}
BENCHMARK(BM_EventLog100k_AppendWhileShown)->Unit(benchmark::kMillisecond);

// Baseline: the rewrite of the file itself, 99,000 records replaced atomically.
void BM_EventLog100k_RewriteFile(benchmark::State& state)
{
    BenchWorld world;
    const QString host = WriteSampleLog(world, kManyRecords - 1000);
    QByteArray image;
    Records::ReadWholeFile(host, 1LL << 30, &image);
    for (auto _ : state)
        benchmark::DoNotOptimize(Records::ReplaceFile(host, image));
}
BENCHMARK(BM_EventLog100k_RewriteFile)->Unit(benchmark::kMillisecond);

// Deleting 1,000 rows spread over the list: one question, one rewrite.
void BM_EventLog100k_Delete1000(benchmark::State& state)
{
    BenchWorld world;
    ScriptedUiHost host;
    ScopedUiHost scope(&host);
    CAlertListWnd pane;
    pane.resize(800, 600);
    for (auto _ : state) {
        state.PauseTiming();
        WriteSampleLog(world, kManyRecords);
        auto* log = new CEventLogSummaryLeaf;
        world.server->InsertChild(log);
        pane.ShowLeaf(log);
        pane.GetList()->SetCurSel(-1);
        for (int i = 0; i < 1000; ++i)
            pane.GetList()->SetSel(i * 100 + 50, true);
        host.PushAnswer(IDYES);
        state.ResumeTiming();
        pane.OnCmdMsg(ID_EDIT_DELETE, nullptr);
        state.PauseTiming();
        benchmark::DoNotOptimize(pane.GetList()->GetCount());
        log->DeleteLeaf();
        pane.RemoveLeaf(log);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_EventLog100k_Delete1000)->Unit(benchmark::kMillisecond);

// Closing the console's windows with the log shown (and, for the baseline, an empty one).
void CloseWithLog(benchmark::State& state, int records, bool expanded)
{
    BenchWorld world;
    WriteSampleLog(world, records);
    for (auto _ : state) {
        state.PauseTiming();
        auto window = std::make_unique<QWidget>();
        auto* tree = new CAlertTreeWnd(window.get());
        auto* pane = new CAlertListWnd(window.get());
        tree->SetInfoPane(pane);
        CAlertLeaf root(tree->GetTree());
        auto* server = new CServerLeaf;
        root.InsertChild(server);
        auto* log = new CEventLogSummaryLeaf;
        server->InsertChild(log);
        log->InsertChild(new CAlertLeaf);
        if (expanded)
            log->Expand();
        pane->ShowLeaf(log);
        state.ResumeTiming();
        window.reset();
    }
}
void BM_Close_EmptyLogShown(benchmark::State& state) { CloseWithLog(state, 0, false); }
void BM_Close_100kLogShown(benchmark::State& state) { CloseWithLog(state, kManyRecords, false); }
void BM_Close_100kLogShownAndExpanded(benchmark::State& state) { CloseWithLog(state, kManyRecords, true); }
BENCHMARK(BM_Close_EmptyLogShown)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Close_100kLogShown)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Close_100kLogShownAndExpanded)->Unit(benchmark::kMillisecond)->Iterations(1);

// Baseline: a bare QTreeWidget adding 100,000 items with a text and an icon under one item.
void BM_Expand100k_BareTreeWidget(benchmark::State& state)
{
    const QIcon icon(Res::TreeImage(0, 22));
    for (auto _ : state) {
        QTreeWidget tree;
        auto* parent = new QTreeWidgetItem(&tree, QStringList{QStringLiteral("log")});
        for (int i = 0; i < kManyRecords; ++i) {
            auto* item = new QTreeWidgetItem(parent, QStringList{QStringLiteral("2023/11/15 - 06:13:20 QUELLIT %1").arg(i)});
            item->setIcon(0, icon);
        }
        parent->setExpanded(true);
        benchmark::DoNotOptimize(parent->childCount());
        state.PauseTiming();
        tree.clear();
        malloc_trim(0);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Expand100k_BareTreeWidget)->Unit(benchmark::kMillisecond);

void BM_Expand100k_EventLogNode(benchmark::State& state)
{
    BenchWorld world;
    WriteSampleLog(world, kManyRecords);
    for (auto _ : state) {
        state.PauseTiming();
        auto* log = new CEventLogSummaryLeaf;
        world.server->InsertChild(log);
        log->InsertChild(new CAlertLeaf);
        state.ResumeTiming();
        log->Expand();
        benchmark::DoNotOptimize(log->ChildCount());
        state.PauseTiming();
        log->DeleteLeaf();
        malloc_trim(0);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Expand100k_EventLogNode)->Unit(benchmark::kMillisecond);

// Heap each record holds once its node is expanded, next to a bare tree item with a text and
// an icon: on a machine where fresh memory is dear, this is most of an expansion's cost.
void BM_Expand100k_HeldBytesPerRecord(benchmark::State& state)
{
    BenchWorld world;
    WriteSampleLog(world, kManyRecords);
    const QIcon icon(Res::TreeImage(0, 22));
    for (auto _ : state) {
        malloc_trim(0);
        qint64 before = HeapInUse();
        {
            QTreeWidget tree;
            auto* parent = new QTreeWidgetItem(&tree, QStringList{QStringLiteral("log")});
            for (int i = 0; i < kManyRecords; ++i) {
                auto* item = new QTreeWidgetItem(parent, QStringList{QStringLiteral("2023/11/15 - 06:13:20 QUELLIT %1").arg(i)});
                item->setIcon(0, icon);
            }
            state.counters["bare_item_bytes"] = double(HeapInUse() - before) / kManyRecords;
        }
        auto* log = new CEventLogSummaryLeaf;
        world.server->InsertChild(log);
        log->InsertChild(new CAlertLeaf);
        log->Refresh();
        malloc_trim(0);
        before = HeapInUse();
        log->Expand();
        state.counters["record_bytes"] = double(HeapInUse() - before) / kManyRecords;
        log->DeleteLeaf();
    }
}
BENCHMARK(BM_Expand100k_HeldBytesPerRecord)->Unit(benchmark::kMillisecond)->Iterations(1);

// Filtering the shown log by a text, as typed into the filter bar.
void BM_EventLog100k_FilterText(benchmark::State& state)
{
    BenchWorld world;
    WriteSampleLog(world, kManyRecords);
    CAlertListWnd pane;
    pane.resize(800, 600);
    auto* log = new CEventLogSummaryLeaf;
    world.server->InsertChild(log);
    pane.ShowLeaf(log);
    QLineEdit* text = pane.GetFilterBar()->findChild<QLineEdit*>();
    int n = 0;
    for (auto _ : state) {
        text->setText(QStringLiteral("full %1").arg(n++ % 10));
        benchmark::DoNotOptimize(pane.GetList()->GetCount());
    }
    state.counters["rows"] = pane.GetList()->GetCount();
}
BENCHMARK(BM_EventLog100k_FilterText)->Unit(benchmark::kMillisecond);

// ---- the activity ring at its largest --------------------------------------------------------

QString WriteFullRing(const BenchWorld& world)
{
    const QString ring = world.Drive("ALERT/LOG/ACTIVITY.LOG");
    Records::ResetActivityRing(ring, kEntries);
    QList<QByteArray> texts;
    for (int i = 0; i < kEntries + 50; ++i)
        texts.append("QUELLIT: Important alert delivered by broadcast to PC" + QByteArray::number(i));
    Records::AppendActivityEntries(ring, texts, QDateTime::currentDateTime());
    return ring;
}

// Baseline: the ring read and parsed.
void BM_ActivityRing10k_RawRead(benchmark::State& state)
{
    BenchWorld world;
    const QString ring = WriteFullRing(world);
    for (auto _ : state) {
        Records::RingHeader header;
        QVector<Records::RingEntry> entries;
        Records::ReadActivityRing(ring, &header, &entries);
        benchmark::DoNotOptimize(entries.size());
    }
}
BENCHMARK(BM_ActivityRing10k_RawRead)->Unit(benchmark::kMillisecond);

void BM_ActivityRing10k_Show(benchmark::State& state)
{
    BenchWorld world;
    WriteFullRing(world);
    CAlertListWnd pane;
    pane.resize(800, 600);
    for (auto _ : state) {
        auto* log = new CActivityLogLeaf45;
        world.server->InsertChild(log);
        pane.ShowLeaf(log);
        benchmark::DoNotOptimize(pane.GetList()->GetCount());
        state.PauseTiming();
        log->DeleteLeaf();
        pane.RemoveLeaf(log);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ActivityRing10k_Show)->Unit(benchmark::kMillisecond);

void BM_ActivityRing10k_HeldBytesPerEntry(benchmark::State& state)
{
    BenchWorld world;
    CAlertListWnd pane;
    pane.resize(800, 600);
    const QString ring = world.Drive("ALERT/LOG/ACTIVITY.LOG");
    auto held = [&](bool full) {
        if (full)
            WriteFullRing(world);
        else
            Records::ResetActivityRing(ring, kEntries);
        return HeldWhileShown<CActivityLogLeaf45>(world, pane);
    };
    qint64 empty = 0, full = 0;
    for (auto _ : state) {
        empty = held(false);
        full = held(true);
    }
    state.counters["empty_log_bytes"] = double(empty);
    state.counters["bytes_per_entry"] = double(full - empty) / kEntries;
}
BENCHMARK(BM_ActivityRing10k_HeldBytesPerEntry)->Unit(benchmark::kMillisecond)->Iterations(1);

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
