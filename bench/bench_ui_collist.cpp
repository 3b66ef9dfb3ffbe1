// The column list with 10,000 rows: filling it (each row placed at its sorted position),
// re-sorting by another column, and flipping the direction.
#include "ui/ColListBox.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <random>

namespace {

constexpr int kRows = 10000;

struct RowData {
    QString text;
    QString key;
};

std::vector<RowData> MakeRows()
{
    std::mt19937 rng(42);
    std::uniform_int_distribution<int> stamp(1000000000, 1800000000);
    std::vector<RowData> rows;
    rows.reserve(kRows);
    for (int i = 0; i < kRows; ++i) {
        const QString time = QString::number(stamp(rng));
        const QString app = QStringLiteral("APP%1").arg(rng() % 50);
        const QString text = QStringLiteral("%1\t%2\tDescription of event %3").arg(time, app).arg(i);
        rows.push_back({text, text});
    }
    return rows;
}

void FillRows(CColListBox& list, const std::vector<RowData>& rows)
{
    list.RemoveAll();
    for (const RowData& r : rows)
        list.AddRow(r.text, r.key);
    list.Finish();
}

void BM_Fill10000(benchmark::State& state)
{
    const auto rows = MakeRows();
    CColListBox list(3, 0x4BE, 100);
    list.resize(600, 400);
    list.SetColumnSort(0, 0, true);
    for (auto _ : state) {
        FillRows(list, rows);
        benchmark::DoNotOptimize(list.GetCount());
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_Fill10000)->Unit(benchmark::kMillisecond);

void BM_SortByOtherColumn10000(benchmark::State& state)
{
    const auto rows = MakeRows();
    CColListBox list(3, 0x4BE, 100);
    list.resize(600, 400);
    list.SetColumnSort(0, 0, true);
    FillRows(list, rows);
    int column = 0;
    for (auto _ : state) {
        column = column == 1 ? 2 : 1;
        list.SortBy(column, 1);
        benchmark::DoNotOptimize(list.GetRowText(0));
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_SortByOtherColumn10000)->Unit(benchmark::kMillisecond);

void BM_FlipNumericDirection10000(benchmark::State& state)
{
    const auto rows = MakeRows();
    CColListBox list(3, 0x4BE, 100);
    list.resize(600, 400);
    list.SetColumnSort(0, 0, true);
    FillRows(list, rows);
    for (int i = 0; i < 200; ++i)
        list.SetSel(i * 50, true);
    for (auto _ : state) {
        list.SortBy(0);
        benchmark::DoNotOptimize(list.GetSelCount());
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_FlipNumericDirection10000)->Unit(benchmark::kMillisecond);

void BM_Paint10000(benchmark::State& state)
{
    const auto rows = MakeRows();
    CColListBox list(3, 0x4BE, 100);
    list.resize(600, 400);
    FillRows(list, rows);
    list.SetTopIndex(5000);
    for (auto _ : state) {
        QPixmap shot = list.grab();
        benchmark::DoNotOptimize(shot.width());
    }
}
BENCHMARK(BM_Paint10000)->Unit(benchmark::kMillisecond);

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
