#include "mixer/Execute.h"
#include "rig/StartUp.h"
#include "support/RandomRigs.h"
#include "target/TargetSearch.h"

#include <algorithm>
#include <array>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <string>

namespace meldrix {
namespace {

// Readings drawn inside the curves give a cell gas; the search started from other readings must
// find readings (not necessarily the same) that give that gas again, each on every curve of the
// gases its stage meters.
TEST(TargetRoundTripTest, FindsReadingsForTheGasOfRandomReadings)
{
    std::mt19937 random(20261209);
    int searched = 0;
    for (int trial = 0; trial < 40; ++trial) {
        const auto rig = testsupport::mixingRig(random);
        const std::vector<int> free = DefaultFreeStages(*rig, 1);
        Rig made = *rig;
        if (free.empty() || Execute(made).status != RunStatus::Ok
            || !(made.Gases[MaxInputGases + 3].Flow > 0))
            continue;
        ++searched;

        TargetRequest request { 1, {}, {} };
        for (int k = 1; k <= made.GasListCount; ++k)
            request.Targets.push_back({ TargetKind::Fraction, made.GasList[k],
                std::clamp(made.CellGases[1][k].Fraction, 0.0, 1.0) });
        if (trial % 2 == 0)
            request.Targets.push_back({ TargetKind::Flow, {}, made.Gases[MaxInputGases + 3].Flow });
        // The search starts anywhere, beyond the curves too.
        for (const int f : free)
            rig->Flowmeters[f].Reading = std::uniform_real_distribution<double>(0.0, 170.0)(random);

        const TargetOutcome outcome = FindReadings(*rig, request);
        ASSERT_EQ(outcome.Status, TargetStatus::Reached)
            << "trial " << trial << ": " << outcome.Message;
        Rig check = *rig;
        for (int f = 1; f <= MaxFlowmeters; ++f)
            check.Flowmeters[f].Reading = outcome.Readings[f].Reading;
        const RunOutcome run = Execute(check);
        ASSERT_EQ(run.status, RunStatus::Ok);
        for (const ReadingWarning& warning : run.warnings)
            ADD_FAILURE() << "trial " << trial << ": " << warning.Text;
        for (int k = 1; k <= made.GasListCount; ++k)
            EXPECT_TRUE(TargetMet(
                request.Targets[static_cast<std::size_t>(k - 1)], check.CellGases[1][k].Fraction))
                << "trial " << trial << ", " << made.GasList[k];
    }
    EXPECT_GE(searched, 30);
}

} // namespace
} // namespace meldrix
