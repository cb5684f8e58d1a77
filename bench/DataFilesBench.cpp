#include "rig/DataFiles.h"
#include "rig/StartUp.h"

#include <benchmark/benchmark.h>
#include <memory>

namespace {

using namespace meldrix;

// Opening a data set is dominated by the 384000-byte calibrations file.
void OpenDefaultDataSet(benchmark::State& state)
{
    auto rig = std::make_unique<Rig>();
    SetStartValues(*rig);
    const std::string base = std::string(MELDRIX_DATA_DIR) + "/Default";
    for (auto _ : state) {
        const auto results = OpenAllByBase(*rig, base);
        benchmark::DoNotOptimize(results);
    }
}
BENCHMARK(OpenDefaultDataSet);

void StartValues(benchmark::State& state)
{
    auto rig = std::make_unique<Rig>();
    for (auto _ : state) {
        SetStartValues(*rig);
        benchmark::DoNotOptimize(rig->CalCurves[1000]);
    }
}
BENCHMARK(StartValues);

} // namespace
