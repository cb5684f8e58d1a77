#include "target/TargetSearch.h"

#include "equil/CellGibbs.h"
#include "mixer/Execute.h"
#include "rig/StartUp.h"

#include <cstring>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <memory>

namespace meldrix {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// The shipped data set: cell 2 (Cell B, 800 °C) is fed by M2, the reducing mixture: 5 % H2 in
// argon through a saturator on F 3, and M1 (argon on F 1, synthetic air on F 2) through F 4.
class TargetSearchTest : public ::testing::Test {
protected:
    std::unique_ptr<Rig> rig = std::make_unique<Rig>();

    TargetSearchTest()
    {
        const auto loads = StartUp(*rig, MELDRIX_DEFAULT_BASE, {});
        for (const LoadResult& load : loads)
            EXPECT_TRUE(load.read) << load.problem;
    }

    // The outcome's readings run by Execute (and the equilibrium) on a copy of the rig.
    std::unique_ptr<Rig> applied(const TargetOutcome& outcome) const
    {
        auto copy = std::make_unique<Rig>(*rig);
        for (int f = 1; f <= MaxFlowmeters; ++f)
            copy->Flowmeters[f].Reading = outcome.Readings[f].Reading;
        EXPECT_EQ(Execute(*copy).status, RunStatus::Ok);
        return copy;
    }

    static double fractionOf(const Rig& run, int cell, std::string_view gas)
    {
        for (const GasComponent& slot : run.CellGases[cell])
            if (slot.Name.view() == gas)
                return slot.Fraction;
        return 0.0;
    }
};

TEST_F(TargetSearchTest, FreesTheStagesWhoseGasReachesTheCell)
{
    EXPECT_THAT(DefaultFreeStages(*rig, 2), ElementsAre(1, 2, 3, 4));
    EXPECT_THAT(DefaultFreeStages(*rig, 4), ElementsAre(1, 2, 3, 4, 7, 8));
    EXPECT_THAT(DefaultFreeStages(*rig, 3), ElementsAre(5, 6));
    EXPECT_THAT(DefaultFreeStages(*rig, 5), ElementsAre()); // not fed
    // A stage that is closed carries nothing on towards the cell.
    rig->Flowmeters[4].Reading = 0.0;
    EXPECT_THAT(DefaultFreeStages(*rig, 2), ElementsAre(3));
}

TEST_F(TargetSearchTest, ReachesAWantedHydrogenFractionAndLeavesTheRigAsItWas)
{
    const Rig before = *rig;
    const auto outcome = FindReadings(*rig, { 2, { { TargetKind::Fraction, "H2", 0.03 } }, {} });

    ASSERT_EQ(outcome.Status, TargetStatus::Reached) << outcome.Message;
    EXPECT_EQ(std::memcmp(&before.Flowmeters, &rig->Flowmeters, sizeof rig->Flowmeters), 0);
    ASSERT_TRUE(outcome.Targets[0].Achieved);
    EXPECT_NEAR(*outcome.Targets[0].Achieved, 0.03, FractionTolerance);
    // What the outcome reports is exactly what Execute gives for its readings.
    EXPECT_EQ(fractionOf(*applied(outcome), 2, "H2"), *outcome.Targets[0].Achieved);
    for (int f = 1; f <= MaxFlowmeters; ++f) {
        const StageProposal& stage = outcome.Readings[f];
        EXPECT_EQ(stage.Free, f <= 4) << f;
        EXPECT_EQ(stage.Was, rig->Flowmeters[f].Reading);
        if (!stage.Free)
            EXPECT_EQ(stage.Reading, stage.Was);
        else
            EXPECT_TRUE(stage.Reading >= 10.0 && stage.Reading <= 150.0) << f;
    }
}

TEST_F(TargetSearchTest, ReachesAWantedPO2AtTheCellTemperature)
{
    const auto outcome =
        FindReadings(*rig, { 2, { { TargetKind::Log10PO2, {}, -15.0 } }, std::nullopt });

    ASSERT_EQ(outcome.Status, TargetStatus::Reached) << outcome.Message;
    const auto run = applied(outcome);
    const GibbsResult gibbs = CellGibbsAt(*run, 2, run->Cells[2].Temp);
    ASSERT_TRUE(gibbs.Ok);
    EXPECT_EQ(gibbs.Log10PO2, *outcome.Targets[0].Achieved);
    EXPECT_NEAR(gibbs.Log10PO2, -15.0, Log10PO2Tolerance);
}

TEST_F(TargetSearchTest, ReachesFractionPO2AndFlowTogetherOnNamedStages)
{
    // The targets are what other readings of the named stages give cell 4 (Cell D, 1000 °C).
    Rig made = *rig;
    for (const auto& [f, reading] :
        { std::pair { 2, 25.0 }, { 3, 120.0 }, { 7, 60.0 }, { 8, 40.0 } })
        made.Flowmeters[f].Reading = reading;
    ASSERT_EQ(Execute(made).status, RunStatus::Ok);
    const double h2 = fractionOf(made, 4, "H2");
    const double flow = made.Gases[MaxInputGases + 4].Flow;
    const double pO2 = CellGibbsAt(made, 4, made.Cells[4].Temp).Log10PO2;

    const auto outcome = FindReadings(*rig,
        { 4,
            { { TargetKind::Fraction, "H2", h2 }, { TargetKind::Log10PO2, {}, pO2 },
                { TargetKind::Flow, {}, flow } },
            std::vector<int> { 3, 7, 8, 2 } });

    ASSERT_EQ(outcome.Status, TargetStatus::Reached) << outcome.Message;
    const auto run = applied(outcome);
    EXPECT_NEAR(fractionOf(*run, 4, "H2"), h2, FractionTolerance);
    EXPECT_NEAR(run->Gases[MaxInputGases + 4].Flow / flow, 1.0, FlowTolerance);
    EXPECT_NEAR(CellGibbsAt(*run, 4, run->Cells[4].Temp).Log10PO2, pO2, Log10PO2Tolerance);
    for (const int f : { 1, 4, 5, 6 })
        EXPECT_EQ(outcome.Readings[f].Reading, rig->Flowmeters[f].Reading) << f;
}

TEST_F(TargetSearchTest, AGasNoReachingBottleHoldsGivesTheClosestReadingsNamingIt)
{
    const auto outcome = FindReadings(*rig, { 2, { { TargetKind::Fraction, "CO2", 0.01 } }, {} });
    EXPECT_EQ(outcome.Status, TargetStatus::Closest);
    EXPECT_THAT(outcome.Message, HasSubstr("no bottle reaching cell 2 holds CO2"));
    const auto unknown = FindReadings(*rig, { 2, { { TargetKind::Fraction, "He", 0.01 } }, {} });
    EXPECT_EQ(unknown.Status, TargetStatus::Closest);
    EXPECT_THAT(unknown.Message, HasSubstr("holds He"));
    ASSERT_TRUE(unknown.Targets[0].Achieved);
    EXPECT_EQ(*unknown.Targets[0].Achieved, 0.0);
}

TEST_F(TargetSearchTest, NamesTheBoundsThatStopTheSearch)
{
    // 5 % H2 in argon is the richest gas on hand: 20 % needs more than the meters can give.
    const auto outcome = FindReadings(*rig, { 2, { { TargetKind::Fraction, "H2", 0.2 } }, {} });
    ASSERT_EQ(outcome.Status, TargetStatus::Closest);
    EXPECT_THAT(outcome.Message, HasSubstr("F 3 stops at its highest reading, 150"));
    EXPECT_THAT(outcome.Message, HasSubstr("F 4 stops at its lowest reading, 10"));
    EXPECT_EQ(outcome.Readings[3].Reading, 150.0);
    EXPECT_EQ(outcome.Readings[4].Reading, 10.0);
    EXPECT_DOUBLE_EQ(outcome.Readings[3].Bounds.Low, 10.0);
}

TEST_F(TargetSearchTest, AFreeReadingOutsideItsCurvesIsBroughtIntoThem)
{
    rig->Flowmeters[3].Reading = 400.0;
    const auto outcome = FindReadings(*rig, { 2, { { TargetKind::Fraction, "H2", 0.02 } }, {} });
    ASSERT_EQ(outcome.Status, TargetStatus::Reached) << outcome.Message;
    EXPECT_EQ(outcome.Readings[3].Was, 400.0);
    EXPECT_LE(outcome.Readings[3].Reading, 150.0);
}

struct ErrorCase {
    const char* name;
    TargetRequest request;
    const char* message;
};

class TargetErrorTest : public TargetSearchTest,
                        public ::testing::WithParamInterface<ErrorCase> { };

TEST_P(TargetErrorTest, RefusesATargetThatMeansNothing)
{
    const auto& [name, request, message] = GetParam();
    const auto outcome = FindReadings(*rig, request);
    EXPECT_EQ(outcome.Status, TargetStatus::Error);
    EXPECT_EQ(outcome.Message, message);
    EXPECT_EQ(outcome.Evaluations, 0);
    for (int f = 1; f <= MaxFlowmeters; ++f)
        EXPECT_EQ(outcome.Readings[f].Reading, rig->Flowmeters[f].Reading);
}

INSTANTIATE_TEST_SUITE_P(Requests, TargetErrorTest,
    ::testing::Values(
        ErrorCase { "FractionAboveOne", { 2, { { TargetKind::Fraction, "H2", 1.5 } }, {} },
            "The wanted fraction of H2, 1.5, is outside 0..1." },
        ErrorCase { "NegativeFraction", { 2, { { TargetKind::Fraction, " Ar ", -0.1 } }, {} },
            "The wanted fraction of Ar, -0.1, is outside 0..1." },
        ErrorCase { "UnfedCell", { 5, { { TargetKind::Flow, {}, 10.0 } }, {} },
            "Cell 5 (None) is not fed by a mixture (Mix 0)." },
        ErrorCase { "NoSuchCell", { 9, { { TargetKind::Flow, {}, 10.0 } }, {} },
            "Cell 9 is not a cell 1..8." },
        ErrorCase { "NoTarget", { 2, {}, {} }, "No target given." },
        ErrorCase { "ZeroFlow", { 2, { { TargetKind::Flow, {}, 0.0 } }, {} },
            "The wanted flow, 0, is not a positive number." },
        ErrorCase { "GasTwice",
            { 2, { { TargetKind::Fraction, "H2", 0.01 }, { TargetKind::Fraction, "H2 ", 0.02 } },
                {} },
            "The fraction of H2 is wanted twice." },
        ErrorCase { "FractionsAboveOne",
            { 2, { { TargetKind::Fraction, "Ar", 0.7 }, { TargetKind::Fraction, "N2", 0.4 } }, {} },
            "The wanted fractions add up to 1.1, more than 1." },
        ErrorCase { "NoSuchStage",
            { 2, { { TargetKind::Flow, {}, 10.0 } }, std::vector<int> { 3, 17 } },
            "Stage 17 is not a stage 1..16." },
        ErrorCase { "NoGas", { 2, { { TargetKind::Fraction, "  ", 0.1 } }, {} },
            "A wanted fraction names no gas." }),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(TargetSearchTest, ACellNoOpenStageFeedsHasNoDefaultFreeStage)
{
    rig->Flowmeters[5].Reading = 0.0;
    rig->Flowmeters[6].Reading = 0.0;
    const auto outcome = FindReadings(*rig, { 3, { { TargetKind::Flow, {}, 50.0 } }, {} });
    EXPECT_EQ(outcome.Status, TargetStatus::Error);
    EXPECT_EQ(outcome.Message,
        "No stage with a positive reading feeds cell 3: name the stages the search may change.");
    // Named, a closed stage opens.
    const auto named =
        FindReadings(*rig, { 3, { { TargetKind::Flow, {}, 50.0 } }, std::vector<int> { 6 } });
    EXPECT_EQ(named.Status, TargetStatus::Reached) << named.Message;
}

TEST_F(TargetSearchTest, AStopRequestEndsTheSearchWithTheBestSoFar)
{
    std::stop_source stop;
    SearchControl control { stop.get_token(), [&](int, int) { stop.request_stop(); } };
    const auto outcome =
        FindReadings(*rig, { 2, { { TargetKind::Log10PO2, {}, -19.0 } }, {} }, control);
    EXPECT_TRUE(outcome.Cancelled);
    EXPECT_LE(outcome.Iterations, 1);
    EXPECT_NE(outcome.Status, TargetStatus::Error);
}

} // namespace
} // namespace meldrix
