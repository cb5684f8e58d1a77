#include "target/TargetSearch.h"

#include "calib/CalCurveLookup.h"
#include "equil/CellGibbs.h"
#include "mixer/Execute.h"
#include "rig/StartUp.h"

#include <cstring>
#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <memory>

namespace meldrix {
namespace {

using ::testing::AllOf;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Field;
using ::testing::HasSubstr;
using ::testing::Not;

using Stages = std::vector<int>;

// The shipped data set: cell 2 (Cell B, 800 °C) is fed by M2, the reducing mixture: 5 % H2 in
// argon through a saturator on F 3, and M1 (argon on F 1, synthetic air on F 2) through F 4. M1
// also feeds cell 1, and M2 goes on to cell 4 through F 7; cell 3 has F 5 and F 6 of its own.
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

    // The curve stage `f` meters `gas` through, its points' readings moved to `low`..`high`.
    void spreadCurve(int f, std::string_view gas, double low, double high)
    {
        CalCurveRecord& curve = rig->CalCurves[FindCalCurve(*rig, f, gas)];
        const double first = curve.Points[1].Reading;
        double top = first;
        for (const CalPoint& point : curve.Points)
            top = std::max(top, point.Reading);
        for (CalPoint& point : curve.Points)
            if (point.Reading > 0)
                point.Reading = low + (point.Reading - first) / (top - first) * (high - low);
    }
};

TEST_F(TargetSearchTest, FreesTheStagesWhoseGasReachesTheCellAndNoOtherFedCell)
{
    EXPECT_THAT(DefaultFreeStages(*rig, 4), ElementsAre(7, 8));
    EXPECT_THAT(DefaultFreeStages(*rig, 3), ElementsAre(5, 6));
    // M1 and M2 go on to cell 4, so nothing changes cells 1 or 2 alone.
    EXPECT_THAT(DefaultFreeStages(*rig, 1), ElementsAre());
    EXPECT_THAT(DefaultFreeStages(*rig, 2), ElementsAre());
    EXPECT_EQ(NoDefaultFreeStage(*rig, 2),
        "No stage feeds cell 2 alone: its stages also feed cell 1 (Cell A) and cell 4 (Cell D). "
        "Name the stages the search may change.");
    EXPECT_THAT(DefaultFreeStages(*rig, 5), ElementsAre()); // not fed
    // A closed stage carries nothing on: with F 7 shut, M2 feeds cell 2 alone; with F 4 shut too,
    // M1 feeds cell 1 alone, and F 4 itself is not free.
    rig->Flowmeters[7].Reading = 0.0;
    EXPECT_THAT(DefaultFreeStages(*rig, 2), ElementsAre(3, 4));
    rig->Flowmeters[4].Reading = 0.0;
    EXPECT_THAT(DefaultFreeStages(*rig, 2), ElementsAre(3));
    EXPECT_THAT(DefaultFreeStages(*rig, 1), ElementsAre(1, 2));
}

TEST_F(TargetSearchTest, ReachesAWantedHydrogenFractionAndNamesTheOtherCellsItChanges)
{
    const Rig before = *rig;
    const auto outcome =
        FindReadings(*rig, { 2, { { TargetKind::Fraction, "H2", 0.03 } }, Stages { 1, 2, 3, 4 } });

    ASSERT_EQ(outcome.Status, TargetStatus::Reached) << outcome.Message;
    EXPECT_EQ(std::memcmp(&before.Flowmeters, &rig->Flowmeters, sizeof rig->Flowmeters), 0);
    ASSERT_TRUE(outcome.Targets[0].Achieved);
    EXPECT_TRUE(TargetMet(outcome.Targets[0].Wanted, *outcome.Targets[0].Achieved));
    // What the outcome reports is exactly what Execute gives for its readings.
    const auto run = applied(outcome);
    EXPECT_EQ(fractionOf(*run, 2, "H2"), *outcome.Targets[0].Achieved);
    for (int f = 1; f <= MaxFlowmeters; ++f) {
        const StageProposal& stage = outcome.Readings[f];
        EXPECT_EQ(stage.Free, f <= 4) << f;
        EXPECT_EQ(stage.Was, rig->Flowmeters[f].Reading);
        if (!stage.Free)
            EXPECT_EQ(stage.Reading, stage.Was);
        else
            EXPECT_TRUE(stage.Reading >= 10.0 && stage.Reading <= 150.0) << f;
    }
    // F 1 and F 2 feed cell 1 too, and M2 goes on to cell 4; cell 3 keeps its gas.
    Rig was = *rig;
    ASSERT_EQ(Execute(was).status, RunStatus::Ok);
    for (const SideEffect& effect : outcome.SideEffects) {
        EXPECT_NE(effect.Cell, 2);
        EXPECT_NE(effect.Cell, 3);
        if (effect.Kind == TargetKind::Fraction) {
            EXPECT_EQ(*effect.Was, fractionOf(was, effect.Cell, effect.Gas));
            EXPECT_EQ(*effect.Now, fractionOf(*run, effect.Cell, effect.Gas));
        }
    }
    EXPECT_THAT(outcome.SideEffects,
        Contains(AllOf(Field(&SideEffect::Cell, 4), Field(&SideEffect::Kind, TargetKind::Fraction),
            Field(&SideEffect::Gas, "H2"))));
    EXPECT_THAT(outcome.SideEffects,
        Contains(
            AllOf(Field(&SideEffect::Cell, 1), Field(&SideEffect::Kind, TargetKind::Log10PO2))));
    EXPECT_THAT(SideEffectSentences(*rig, outcome.SideEffects),
        Contains(HasSubstr("Cell 4 (Cell D) changes too: log10 pO2 from -1.48565 to ")));
    // The meters' 1 % of full scale moves the hydrogen by about a thousandth.
    ASSERT_TRUE(outcome.Targets[0].Sd);
    EXPECT_GT(*outcome.Targets[0].Sd, 1e-4);
    EXPECT_LT(*outcome.Targets[0].Sd, 1e-2);
}

TEST_F(TargetSearchTest, ReachesAWantedPO2AndSaysHowLittleTheMetersHoldIt)
{
    const auto outcome =
        FindReadings(*rig, { 2, { { TargetKind::Log10PO2, {}, -15.0 } }, Stages { 3, 4 } });

    ASSERT_EQ(outcome.Status, TargetStatus::Reached) << outcome.Message;
    const auto run = applied(outcome);
    const GibbsResult gibbs = CellGibbsAt(*run, 2, run->Cells[2].Temp);
    ASSERT_TRUE(gibbs.Ok);
    EXPECT_EQ(gibbs.Log10PO2, *outcome.Targets[0].Achieved);
    EXPECT_NEAR(gibbs.Log10PO2, -15.0, Log10PO2Tolerance);
    // Near the equivalence point a division of a meter moves pO2 by decades.
    ASSERT_TRUE(outcome.Targets[0].Sd);
    EXPECT_GT(*outcome.Targets[0].Sd, FirmLog10PO2Sd);
    EXPECT_THAT(outcome.Warnings, Contains(HasSubstr("log10 pO2 is not firm at these readings")));
    // The least change closes the air to the bottom of its scale.
    EXPECT_THAT(outcome.Warnings, Contains("F 4 sits at its lowest reading, 10"));
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
            Stages { 3, 7, 8, 2 } });

    ASSERT_EQ(outcome.Status, TargetStatus::Reached) << outcome.Message;
    const auto run = applied(outcome);
    EXPECT_TRUE(TargetMet({ TargetKind::Fraction, "H2", h2 }, fractionOf(*run, 4, "H2")));
    EXPECT_NEAR(run->Gases[MaxInputGases + 4].Flow / flow, 1.0, FlowTolerance);
    EXPECT_NEAR(CellGibbsAt(*run, 4, run->Cells[4].Temp).Log10PO2, pO2, Log10PO2Tolerance);
    for (const int f : { 1, 4, 5, 6 })
        EXPECT_EQ(outcome.Readings[f].Reading, rig->Flowmeters[f].Reading) << f;
    ASSERT_TRUE(outcome.Targets[2].Sd);
    EXPECT_GT(*outcome.Targets[2].Sd, 0.0);
}

TEST_F(TargetSearchTest, AFreeReadingStaysOnEveryCurveItsGasesAreMeteredThrough)
{
    // Synthetic air on F 2: its oxygen's curve reads 10..150, its nitrogen's only 20..100.
    spreadCurve(2, "N2", 20.0, 100.0);
    const auto outcome =
        FindReadings(*rig, { 1, { { TargetKind::Flow, {}, 400.0 } }, Stages { 1, 2 } });
    EXPECT_DOUBLE_EQ(outcome.Readings[2].Bounds.Low, 20.0);
    EXPECT_DOUBLE_EQ(outcome.Readings[2].Bounds.High, 100.0);
    EXPECT_LE(outcome.Readings[2].Reading, 100.0);
    Rig run = *applied(outcome);
    EXPECT_TRUE(Execute(run).warnings.empty()) << Execute(run).warnings.front().Text;

    // Curves that share no reading leave the stage as it is, and say why.
    spreadCurve(2, "N2", 160.0, 300.0);
    const auto apart =
        FindReadings(*rig, { 1, { { TargetKind::Flow, {}, 100.0 } }, Stages { 1, 2 } });
    EXPECT_FALSE(apart.Readings[2].Free);
    EXPECT_EQ(apart.Readings[2].Reading, rig->Flowmeters[2].Reading);
    EXPECT_THAT(apart.Warnings,
        Contains(AllOf(HasSubstr("F 2 has no reading on every curve of its gases"),
            HasSubstr("N2 on curve"), HasSubstr("160..300"))));
}

TEST_F(TargetSearchTest, MovesTheReadingsLeastAmongThoseThatMeetTheTargets)
{
    // Readings of F 2 and F 4 alone also meet the target, so with F 1 and F 3 free as well the
    // proposal may only move less; and the two upstream stages alone move less than the old
    // search's full opening of F 3.
    const TargetRequest request { 2, { { TargetKind::Log10PO2, {}, -15.0 } }, Stages { 2, 4 } };
    const auto pair = FindReadings(*rig, request);
    TargetRequest all = request;
    all.FreeStages = Stages { 1, 2, 3, 4 };
    const auto four = FindReadings(*rig, all);
    ASSERT_EQ(pair.Status, TargetStatus::Reached) << pair.Message;
    ASSERT_EQ(four.Status, TargetStatus::Reached) << four.Message;
    EXPECT_LT(four.Change, 1.02 * pair.Change);
    // The change is measured over each free stage's range: here 10..150.
    double squares = 0.0;
    for (const int f : { 2, 4 })
        squares += std::pow((pair.Readings[f].Reading - pair.Readings[f].Was) / 140.0, 2);
    EXPECT_DOUBLE_EQ(pair.Change, std::sqrt(squares));
    EXPECT_LT(four.Change, 0.3);
}

TEST_F(TargetSearchTest, NamesTheBoundsThatStopTheSearch)
{
    // 5 % H2 in argon is the richest gas on hand: 20 % needs more than the meters can give.
    const auto outcome =
        FindReadings(*rig, { 2, { { TargetKind::Fraction, "H2", 0.2 } }, Stages { 1, 2, 3, 4 } });
    ASSERT_EQ(outcome.Status, TargetStatus::Closest);
    EXPECT_THAT(outcome.Message, HasSubstr("F 3 stops at its highest reading, 150"));
    EXPECT_THAT(outcome.Message, HasSubstr("F 4 stops at its lowest reading, 10"));
    EXPECT_EQ(outcome.Readings[3].Reading, 150.0);
    EXPECT_EQ(outcome.Readings[4].Reading, 10.0);
    EXPECT_DOUBLE_EQ(outcome.Readings[3].Bounds.Low, 10.0);
    // The message names them; the warnings do not say it again.
    EXPECT_THAT(outcome.Warnings, Not(Contains(HasSubstr("F 3 sits"))));
}

TEST_F(TargetSearchTest, AFreeReadingOutsideItsCurvesIsBroughtIntoThem)
{
    rig->Flowmeters[3].Reading = 400.0;
    const auto outcome =
        FindReadings(*rig, { 2, { { TargetKind::Fraction, "H2", 0.02 } }, Stages { 3, 4 } });
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

TEST_P(TargetErrorTest, RefusesATargetThatMeansNothingOrThatNothingCanMeet)
{
    const auto& [name, request, message] = GetParam();
    const auto outcome = FindReadings(*rig, request);
    EXPECT_EQ(outcome.Status, TargetStatus::Error);
    EXPECT_EQ(outcome.Message, message);
    EXPECT_LE(outcome.Evaluations, 1); // at most the run that builds the gas list
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
        ErrorCase { "NoSuchStage", { 2, { { TargetKind::Flow, {}, 10.0 } }, Stages { 3, 17 } },
            "Stage 17 is not a stage 1..16." },
        ErrorCase { "NoGas", { 2, { { TargetKind::Fraction, "  ", 0.1 } }, {} },
            "A wanted fraction names no gas." },
        ErrorCase { "PO2AbovePressure", { 2, { { TargetKind::Log10PO2, {}, 0.1 } }, {} },
            "The wanted log10 pO2, 0.1, is above log10 of the pressure of cell 2 (1 bar), 0: "
            "not even pure oxygen gives it." },
        ErrorCase { "NoDefaultStage", { 2, { { TargetKind::Flow, {}, 10.0 } }, {} },
            "No stage feeds cell 2 alone: its stages also feed cell 1 (Cell A) and cell 4 (Cell "
            "D). Name the stages the search may change." },
        // Below the absolute 1e-6 of old, and still more than the nothing the cell can get.
        ErrorCase { "TraceOfAGasNoBottleHolds",
            { 2, { { TargetKind::Fraction, "CO2", 5e-7 } }, Stages { 3, 4 } },
            "No bottle reaching cell 2 holds CO2." },
        ErrorCase { "AGasTheRigDoesNotKnow",
            { 2, { { TargetKind::Fraction, "He", 0.01 } }, Stages { 3, 4 } },
            "No bottle reaching cell 2 holds He." },
        ErrorCase { "NoNamedStageReachesTheCell",
            { 2, { { TargetKind::Flow, {}, 10.0 } }, Stages { 5, 6 } },
            "No stage is free: F 5 does not reach cell 2; F 6 does not reach cell 2." }),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(TargetSearchTest, AGasBehindAClosedStageIsNamedWithTheStage)
{
    rig->Flowmeters[5].Reading = 0.0; // the CO2 bottle's stage, so only F 6 is free for cell 3
    const auto shut = FindReadings(*rig, { 3, { { TargetKind::Fraction, "CO2", 0.01 } }, {} });
    EXPECT_EQ(shut.Status, TargetStatus::Error);
    EXPECT_EQ(shut.Message,
        "CO2 reaches cell 3 only behind a closed stage (F 5) that the search may not open.");
    // Named, the closed stage opens.
    const auto named =
        FindReadings(*rig, { 3, { { TargetKind::Fraction, "CO2", 0.01 } }, Stages { 5, 6 } });
    EXPECT_EQ(named.Status, TargetStatus::Reached) << named.Message;
}

TEST_F(TargetSearchTest, ANamedStageThatDoesNotReachTheCellKeepsItsReadingAndIsNamed)
{
    const auto outcome =
        FindReadings(*rig, { 2, { { TargetKind::Fraction, "H2", 0.02 } }, Stages { 3, 4, 5 } });
    EXPECT_EQ(outcome.Status, TargetStatus::Reached) << outcome.Message;
    EXPECT_FALSE(outcome.Readings[5].Free);
    EXPECT_EQ(outcome.Readings[5].Reading, rig->Flowmeters[5].Reading);
    EXPECT_THAT(outcome.Warnings, Contains("F 5 does not reach cell 2: it keeps its reading"));
}

TEST_F(TargetSearchTest, ACellNoOpenStageFeedsHasNoDefaultFreeStage)
{
    rig->Flowmeters[5].Reading = 0.0;
    rig->Flowmeters[6].Reading = 0.0;
    const auto outcome = FindReadings(*rig, { 3, { { TargetKind::Flow, {}, 50.0 } }, {} });
    EXPECT_EQ(outcome.Status, TargetStatus::Error);
    EXPECT_EQ(outcome.Message,
        "No stage with a positive reading feeds cell 3: name the stages the search may change.");
    // Named, a closed stage opens.
    const auto named = FindReadings(*rig, { 3, { { TargetKind::Flow, {}, 50.0 } }, Stages { 6 } });
    EXPECT_EQ(named.Status, TargetStatus::Reached) << named.Message;
}

TEST_F(TargetSearchTest, AStopRequestEndsTheSearchWithTheBestSoFar)
{
    std::stop_source stop;
    SearchControl control;
    control.Stop = stop.get_token();
    control.Progress = [&](int, int) { stop.request_stop(); };
    const auto outcome = FindReadings(
        *rig, { 2, { { TargetKind::Log10PO2, {}, -19.0 } }, Stages { 1, 2, 3, 4 } }, control);
    EXPECT_TRUE(outcome.Cancelled);
    EXPECT_LE(outcome.Iterations, 1);
    EXPECT_NE(outcome.Status, TargetStatus::Error);
}

TEST_F(TargetSearchTest, TheEvaluationCapAndAFailedRunSayWhatHappened)
{
    SearchControl control;
    control.MostEvaluations = 5;
    const auto capped = FindReadings(
        *rig, { 2, { { TargetKind::Log10PO2, {}, -15.0 } }, Stages { 1, 2, 3, 4 } }, control);
    EXPECT_EQ(capped.Status, TargetStatus::Closest);
    EXPECT_THAT(capped.Message, HasSubstr("the search stopped after 5 trial runs"));
    EXPECT_GE(capped.Evaluations, 5);

    // No equilibrium below the data's range: an error, with the readings as they are, even one
    // the search would have brought into its curves.
    rig->Cells[2].Temp = -100.0;
    rig->Flowmeters[3].Reading = 400.0;
    const auto failed =
        FindReadings(*rig, { 2, { { TargetKind::Log10PO2, {}, -15.0 } }, Stages { 3, 4 } });
    EXPECT_EQ(failed.Status, TargetStatus::Error);
    EXPECT_THAT(failed.Message, HasSubstr("No readings found: The equilibrium of cell 2"));
    for (int f = 1; f <= MaxFlowmeters; ++f)
        EXPECT_EQ(failed.Readings[f].Reading, rig->Flowmeters[f].Reading) << f;
}

TEST_F(TargetSearchTest, AnUnresolvedPO2IsNeverAnAchievedValue)
{
    // Data that know CO2 and O2 alone: no species takes back the oxygen CO2 gives off, so in
    // cell 3's CO2 and argon (its oxygen leak shut) the minimiser can only estimate pO2.
    ThermoData data = BuiltInThermoData();
    std::erase_if(data.Species, [](const ThermoSpecies& species) {
        return species.Formula != "CO2" && species.Formula != "O2";
    });
    rig->Cells[3].LeakO2 = 0.0;
    Rig run = *rig;
    ASSERT_EQ(Execute(run).status, RunStatus::Ok);
    const GibbsResult estimate = CellGibbsAt(run, 3, run.Cells[3].Temp, data);
    ASSERT_TRUE(estimate.Ok);
    ASSERT_FALSE(estimate.PO2Resolved);

    // Wanted: the estimate itself, which the readings as they are already give.
    SearchControl control;
    control.Thermo = &data;
    const auto outcome =
        FindReadings(*rig, { 3, { { TargetKind::Log10PO2, {}, estimate.Log10PO2 } }, {} }, control);
    EXPECT_EQ(outcome.Status, TargetStatus::Closest);
    EXPECT_FALSE(outcome.Targets[0].Achieved);
    EXPECT_EQ(outcome.Targets[0].Problem, UnresolvedPO2);
    EXPECT_THAT(outcome.Message,
        HasSubstr("log10 pO2 of cell 3 has no value at the best readings found: the trace"));
}

struct ToleranceCase {
    double wanted;
    double achieved;
    bool met;
};

TEST(TargetToleranceTest, AFractionIsMetWithinAMillionthOfItselfOrABillionth)
{
    for (const auto& [wanted, achieved, met] :
        { ToleranceCase { 0.03, 0.03 + 2.9e-8, true }, ToleranceCase { 0.03, 0.03 - 3.1e-8, false },
            ToleranceCase { 5e-7, 0.0, false }, ToleranceCase { 0.0, 9e-10, true },
            ToleranceCase { 1e-6, 1e-6 + 1.1e-9, false }, ToleranceCase { 1.0, 1.0 - 9e-7, true } })
        EXPECT_EQ(TargetMet({ TargetKind::Fraction, "H2", wanted }, achieved), met)
            << wanted << " " << achieved;
}

} // namespace
} // namespace meldrix
