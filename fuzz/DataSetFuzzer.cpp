// Loads fuzzed data files over the shipped data set, runs Execute with the equilibrium driver,
// fills the results table in its four displays and draws the diagram.
//
// Input: up to four pieces, each a kind byte (its low two bits pick .INP, .MIX, .CAL or .CEL), a
// length in two little-endian bytes (cut to what is left) and that many bytes of the file. A file
// shorter than its kind patches only the records it covers, so short inputs reach deep.

#include "Check.h"
#include "ScratchFolder.h"
#include "diagram/MixerDiagram.h"
#include "equil/EquilibriumDriver.h"
#include "equil/EquilibriumTables.h"
#include "mixer/Execute.h"
#include "results/ResultsTable.h"
#include "rig/DataFiles.h"
#include "rig/StartUp.h"
#include "support/RecordingCanvas.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace meldrix;
using fuzz::check;

namespace {

const Rig& shippedRig()
{
    static const std::unique_ptr<Rig> rig = [] {
        auto loaded = std::make_unique<Rig>();
        StartUpSteps steps;
        steps.initEquilibriumTables = InitEquilibriumTables;
        for (const LoadResult& result : StartUp(*loaded, DefaultBaseName(), steps))
            if (!result.read) {
                std::fprintf(stderr, "%s\n", result.problem.c_str());
                std::abort(); // without the shipped data set the fuzzer would test little
            }
        return loaded;
    }();
    return *rig;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static auto rig = std::make_unique<Rig>();
    *rig = shippedRig();

    std::size_t at = 0;
    for (int piece = 0; piece < 4 && at + 3 <= size; ++piece) {
        const DataFile file = AllDataFiles[data[at] & 3u];
        const std::size_t length = std::min<std::size_t>(
            data[at + 1] | (std::size_t { data[at + 2] } << 8), size - at - 3);
        at += 3;
        fileNameOf(*rig, file) =
            fuzz::writeScratchFile("Fuzz" + std::string(extensionOf(file)), { data + at, length });
        const LoadResult result = LoadDataFile(*rig, file);
        check(result.read, "a regular file was not read");
        at += length;
    }

    ExecuteHooks hooks;
    hooks.StartEquilibriumCalculations = [] { StartEquilibriumCalculations(*rig); };
    const RunOutcome outcome = Execute(*rig, hooks);
    static TCeltrixModel table("CellTabEd", MaxCells, MaxComponents);
    for (const bool log : { false, true })
        for (const bool equil : { false, true })
            (void)FillResultsTable(*rig, { log, equil }, table);
    testsupport::RecordingCanvas canvas;
    DrawMixer(*rig, canvas);

    if (outcome.status == RunStatus::Ok)
        for (const Composition& cell : rig->CellGases)
            for (const GasComponent& slot : cell)
                check(std::isfinite(slot.Fraction),
                    "a cell's gas holds a fraction that is not finite");
    return 0;
}
