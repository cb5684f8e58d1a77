#include "equil/CellGibbs.h"
#include "mixer/Execute.h"
#include "rig/StartUp.h"

#include <benchmark/benchmark.h>
#include <memory>

namespace {

using namespace meldrix;

// The shipped data set with all eight cells fed: cells 5 to 8 take the mixtures of cells 1 to 4
// at other temperatures, from a cool cell that deposits carbon to a hot one.
std::unique_ptr<Rig> eightFedCells()
{
    auto rig = std::make_unique<Rig>();
    StartUp(*rig, std::string(MELDRIX_DATA_DIR) + "/Default");
    const double temperatures[] = { 25.0, 450.0, 1200.0, 1500.0 };
    for (int c = 5; c <= 8; ++c) {
        rig->Cells[c] = rig->Cells[c - 4];
        rig->Cells[c].Temp = temperatures[c - 5];
    }
    Execute(*rig);
    return rig;
}

void EquilibriumOfEightCells(benchmark::State& state)
{
    const auto rig = eightFedCells();
    BuiltInThermoData(); // parsed once per program, not per run
    for (auto _ : state) {
        const auto results = CellGibbsEquilibria(*rig);
        benchmark::DoNotOptimize(results);
        if (results.size() != 8 || !results.back().Result.Ok)
            state.SkipWithError("a cell did not solve");
    }
}
BENCHMARK(EquilibriumOfEightCells)->Unit(benchmark::kMicrosecond);

// The pO2 chart: one cell's gas from 300 to 1500 °C in steps of 10 K.
void PO2SweepOfOneCell(benchmark::State& state)
{
    const auto rig = eightFedCells();
    BuiltInThermoData();
    for (auto _ : state) {
        for (int celsius = 300; celsius <= 1500; celsius += 10)
            benchmark::DoNotOptimize(CellGibbsAt(*rig, 2, celsius));
    }
}
BENCHMARK(PO2SweepOfOneCell)->Unit(benchmark::kMicrosecond);

} // namespace
