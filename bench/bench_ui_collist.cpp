// The column list with 10,000 rows: filling it (each row placed at its sorted position),
// re-sorting by another column, and flipping the direction. With 100,000 rows: adding them as
// one batch and re-sorting, each beside std::stable_sort of the same keys (the baselines).
#include "ui/ColListBox.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <random>

namespace {

constexpr int kRows = 10000;
constexpr int kManyRows = 100000;

struct RowData {
    QString text;
    QString key;
};

std::vector<RowData> MakeRows(int count = kRows)
{
    std::mt19937 rng(42);
    std::uniform_int_distribution<int> stamp(1000000000, 1800000000);
    std::vector<RowData> rows;
    rows.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
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

// Baseline: the first key field as a number, sorted stably.
void BM_StableSortNumbers100000(benchmark::State& state)
{
    const auto rows = MakeRows(kManyRows);
    for (auto _ : state) {
        std::vector<std::pair<double, int>> keys;
        keys.reserve(rows.size());
        for (size_t i = 0; i < rows.size(); ++i)
            keys.emplace_back(rows[i].key.section('\t', 0, 0).toDouble(), int(i));
        std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        benchmark::DoNotOptimize(keys.front().second);
    }
    state.SetItemsProcessed(state.iterations() * kManyRows);
}
BENCHMARK(BM_StableSortNumbers100000)->Unit(benchmark::kMillisecond);

void BM_AppendAndFinish100000(benchmark::State& state)
{
    const auto rows = MakeRows(kManyRows);
    CColListBox list(3, 0x4BE, 100);
    list.resize(600, 400);
    list.SetColumnSort(0, 0, true);
    for (auto _ : state) {
        list.RemoveAll();
        for (const RowData& r : rows)
            list.AppendRow(r.text, r.key);
        list.Finish();
        benchmark::DoNotOptimize(list.GetCount());
    }
    state.SetItemsProcessed(state.iterations() * kManyRows);
}
BENCHMARK(BM_AppendAndFinish100000)->Unit(benchmark::kMillisecond);

// Baseline: the third key field as text, sorted stably, starting from the order the list
// holds before its re-sort (by the first field's number).
void BM_StableSortTexts100000(benchmark::State& state)
{
    auto rows = MakeRows(kManyRows);
    std::stable_sort(rows.begin(), rows.end(), [](const RowData& a, const RowData& b) {
        return a.key.section('\t', 0, 0).toDouble() < b.key.section('\t', 0, 0).toDouble();
    });
    std::vector<std::pair<QString, int>> fields;
    for (size_t i = 0; i < rows.size(); ++i)
        fields.emplace_back(rows[i].key.section('\t', 2, 2), int(i));
    for (auto _ : state) {
        auto keys = fields;
        std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        benchmark::DoNotOptimize(keys.front().second);
    }
    state.SetItemsProcessed(state.iterations() * kManyRows);
}
BENCHMARK(BM_StableSortTexts100000)->Unit(benchmark::kMillisecond);

void BM_SortByTextColumn100000(benchmark::State& state)
{
    const auto rows = MakeRows(kManyRows);
    CColListBox list(3, 0x4BE, 100);
    list.resize(600, 400);
    list.SetColumnSort(0, 0, true);
    for (const RowData& r : rows)
        list.AppendRow(r.text, r.key);
    list.Finish();
    for (auto _ : state) {
        // Away and back: each iteration is one re-sort by the text column.
        state.PauseTiming();
        list.SortBy(0, 1);
        state.ResumeTiming();
        list.SortBy(2, 1);
        benchmark::DoNotOptimize(list.GetRowText(0));
    }
    state.SetItemsProcessed(state.iterations() * kManyRows);
}
BENCHMARK(BM_SortByTextColumn100000)->Unit(benchmark::kMillisecond);

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
