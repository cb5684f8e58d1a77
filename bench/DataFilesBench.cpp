#include "BenchData.h"
#include "rig/DataFiles.h"
#include "rig/StartUp.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <memory>

namespace {

using namespace meldrix;

// Opening a data set is dominated by the 384000-byte calibrations file.
void OpenDataSet(benchmark::State& state, const std::string& base)
{
    auto rig = std::make_unique<Rig>();
    SetStartValues(*rig);
    for (auto _ : state) {
        const auto results = OpenAllByBase(*rig, base);
        benchmark::DoNotOptimize(results);
    }
}
BENCHMARK_CAPTURE(OpenDataSet, Shipped, bench::shippedBase())->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(OpenDataSet, WorstCase, bench::worstCaseBase())->Unit(benchmark::kMicrosecond);

// Save All writes four temporary files and renames them into place.
void SaveDataSet(benchmark::State& state, const std::string& base)
{
    auto rig = bench::loadedRig(base);
    const auto folder = std::filesystem::temp_directory_path() / "meldrix-bench-save";
    std::filesystem::create_directories(folder);
    SetFileNamesFromBase(*rig, (folder / "Saved").string());
    for (auto _ : state) {
        if (const auto error = SaveAll(*rig)) {
            state.SkipWithError(error->c_str());
            break;
        }
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK_CAPTURE(SaveDataSet, Shipped, bench::shippedBase())->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(SaveDataSet, WorstCase, bench::worstCaseBase())->Unit(benchmark::kMicrosecond);

void StartValues(benchmark::State& state)
{
    auto rig = std::make_unique<Rig>();
    for (auto _ : state) {
        SetStartValues(*rig);
        benchmark::DoNotOptimize(rig->CalCurves[1000]);
    }
}
BENCHMARK(StartValues)->Unit(benchmark::kMicrosecond);

} // namespace
