#include "BenchData.h"
#include "target/TargetSearch.h"

#include <benchmark/benchmark.h>

namespace {

using namespace meldrix;

// One whole search on the shipped data set, from its stored readings, for the reducing cell 2:
// the hydrogen fraction alone (Execute per trial) and log10 pO2 (Execute and the equilibrium).
void TargetSearch(benchmark::State& state, Target target)
{
    const auto rig = bench::loadedRig(bench::shippedBase());
    const TargetRequest request { 2, { target }, {} };
    int evaluations = 0;
    for (auto _ : state) {
        const TargetOutcome outcome = FindReadings(*rig, request);
        if (outcome.Status != TargetStatus::Reached)
            state.SkipWithError("the target was not reached");
        evaluations = outcome.Evaluations;
    }
    state.counters["trials"] = evaluations;
}
BENCHMARK_CAPTURE(TargetSearch, HydrogenFraction, Target { TargetKind::Fraction, "H2", 0.03 })
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(TargetSearch, Log10PO2, Target { TargetKind::Log10PO2, {}, -15.0 })
    ->Unit(benchmark::kMillisecond);

} // namespace
