#include "mixer/Execute.h"

#include "MixerFixture.h"
#include "common/TextFormat.h"
#include "equil/GasTreatment.h"

#include <cmath>
#include <cstring>
#include <gmock/gmock.h>
#include <string>
#include <vector>

namespace meldrix {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class ExecuteTest : public testsupport::MixerFixture {
protected:
    std::vector<std::string> calls;
    ExecuteHooks hooks;

    ExecuteTest()
    {
        hooks.HideCalForms = [this] { calls.push_back("HideCalForms"); };
        // The beep notes whether the message was already showing, to check the order of the two.
        hooks.Beep = [this] {
            calls.push_back(rig->Message1.Visible ? "Beep after message" : "Beep before message");
        };
        hooks.DrawMixer = [this] { calls.push_back("DrawMixer"); };
        hooks.ShowResults = [this] { calls.push_back("ShowResults"); };
        hooks.StartEquilibriumCalculations = [this] {
            calls.push_back("StartEquilibriumCalculations");
        };
        // Flow per unit of reading: argon and A 1, B 0.5, H2O 0.25.
        setLinearCurve(1, "Ar", 1.0);
        setLinearCurve(2, "A", 1.0);
        setLinearCurve(3, "B", 0.5);
        setLinearCurve(4, "H2O", 0.25);
    }

    RunOutcome run() { return Execute(*rig, hooks); }
    const GasRecord& mixture(int m) const { return rig->Gases[MaxInputGases + m]; }

    // Stage 1 measures argon (I1) at reading 2 into M1, with a fix-gas stage of the given kind.
    FlowmeterRecord& argonStageWithFixGas(std::string_view gas, std::string_view type, bool before)
    {
        setInputGas(1, { { "Ar", 1.0 } });
        FlowmeterRecord& stage = connect(1, 1, 1, 2.0);
        stage.FixGasUsed = 1;
        stage.FixGas = gas;
        stage.FixGasType = type;
        stage.FixGasT = 25.0;
        stage.FixGasBefore = before ? 1 : 0;
        return stage;
    }
};

TEST_F(ExecuteTest, AnEmptyRigIsSolvedInOnePass)
{
    const RunOutcome outcome = run();
    EXPECT_EQ(outcome.status, RunStatus::Ok);
    EXPECT_EQ(outcome.passes, 1);
    EXPECT_TRUE(outcome.message.empty());
    EXPECT_FALSE(rig->Message1.Visible);
    for (int m = 1; m <= MaxMixtures; ++m) {
        EXPECT_EQ(mixture(m).Defined, 1) << "M" << m;
        EXPECT_EQ(mixture(m).Flow, 0.0) << "M" << m;
        EXPECT_EQ(sumOf(mixture(m).Components), 0.0) << "M" << m;
    }
    EXPECT_THAT(calls,
        ElementsAre("HideCalForms", "DrawMixer", "ShowResults", "StartEquilibriumCalculations"));
}

TEST_F(ExecuteTest, BlendsStagesByTheirFlows)
{
    setInputGas(1, { { "A", 1.0 } });
    setInputGas(2, { { "B", 1.0 } });
    connect(4, 1, 3, 2.0);
    connect(7, 2, 3, 2.0);
    ASSERT_EQ(run().status, RunStatus::Ok);
    EXPECT_EQ(rig->Flowmeters[4].Flow, 2.0);
    EXPECT_EQ(rig->Flowmeters[7].Flow, 1.0);
    EXPECT_EQ(mixture(3).Flow, 3.0);
    EXPECT_DOUBLE_EQ(fractionOf(mixture(3).Components, "A"), 2.0 / 3.0);
    EXPECT_DOUBLE_EQ(fractionOf(mixture(3).Components, "B"), 1.0 / 3.0);
}

TEST_F(ExecuteTest, MeasuresAMixtureAsTheSumOfItsPureGases)
{
    setInputGas(1, { { "A", 0.25 }, { "B", 0.75 } });
    connect(1, 1, 1, 2.0);
    ASSERT_EQ(run().status, RunStatus::Ok);
    EXPECT_DOUBLE_EQ(rig->Flowmeters[1].Flow, 0.25 * 2.0 + 0.75 * 1.0);
}

TEST_F(ExecuteTest, ADependencyOnAHigherMixtureCostsAPass)
{
    setInputGas(1, { { "A", 1.0 } });
    connect(1, 18, 1, 1.5); // M1 from M2
    connect(2, 1, 2, 2.5); // M2 from I1
    const RunOutcome outcome = run();
    EXPECT_EQ(outcome.status, RunStatus::Ok);
    EXPECT_EQ(outcome.passes, 2);
    EXPECT_EQ(mixture(2).Flow, 2.5);
    EXPECT_EQ(mixture(1).Flow, 1.5);
    EXPECT_EQ(mixture(1).Components, mixture(2).Components);
}

TEST_F(ExecuteTest, ALoopOfMixturesNeverConverges)
{
    setInputGas(1, { { "A", 1.0 } });
    connect(1, 18, 1, 1.0); // M1 from M2
    connect(2, 17, 2, 1.0); // M2 from M1
    rig->CellGases[1][1].Fraction = 42.0;
    const Composition before = rig->CellGases[1];
    const RunOutcome outcome = run();
    EXPECT_EQ(outcome.status, RunStatus::NonConverging);
    EXPECT_EQ(outcome.passes, MaxPasses);
    EXPECT_EQ(outcome.message, "Non-converging mixer! Check for iterating loops!");
    EXPECT_EQ(rig->Message1.Text, "Non-converging mixer! Check for iterating loops!");
    EXPECT_TRUE(rig->Message1.Visible);
    EXPECT_THAT(calls, ElementsAre("HideCalForms", "Beep after message"));
    EXPECT_EQ(mixture(1).Defined, 0);
    EXPECT_EQ(mixture(2).Defined, 0);
    EXPECT_EQ(mixture(3).Defined, 1); // solved in the first pass, kept
    EXPECT_EQ(rig->CellGases[1], before);
}

TEST_F(ExecuteTest, AnUndefinedSourceWithAReadingHoldsItsMixtureBack)
{
    setInputGas(1, { { "A", 1.0 } });
    setInputGas(3, { { "  ", 1.0 }, { "B", 0.0 } }); // not Defined
    connect(1, 1, 1, 2.0);
    connect(2, 3, 1, 2.0);
    EXPECT_EQ(run().status, RunStatus::NonConverging);
}

TEST_F(ExecuteTest, StagesWithoutAReadingOrWithAnImpossibleSourceHoldNothingBack)
{
    setInputGas(1, { { "A", 1.0 } });
    connect(1, 1, 1, 2.0);
    connect(2, 3, 1, 0.0).Flow = 123.0; // I3 not Defined, but no reading
    connect(3, 20, 1, -1.0).Flow = 124.0; // M4, waiting, with a negative reading
    connect(4, 19, 1, std::nan("")).Flow = 125.0; // not a number counts as 0
    connect(5, 0, 1, 2.0).Flow = 126.0; // no such source
    connect(6, 33, 1, 2.0).Flow = 127.0;
    connect(7, 1, 17, 2.0).Flow = 128.0; // no such mixture
    connect(8, 20, 2, 1.0); // M2 from M4, solved later in the first pass: M2 waits one pass
    const RunOutcome outcome = run();
    EXPECT_EQ(outcome.status, RunStatus::Ok);
    EXPECT_EQ(outcome.passes, 2);
    EXPECT_EQ(mixture(1).Flow, 2.0);
    const double flows[] = { 2.0, 123.0, 124.0, 125.0, 126.0, 127.0, 128.0 };
    for (int f = 1; f <= 7; ++f)
        EXPECT_EQ(rig->Flowmeters[f].Flow, flows[f - 1]) << "stage " << f;
}

TEST_F(ExecuteTest, DeliversArgonWithTheLeakagesToItsCell)
{
    setInputGas(1, { { "Ar", 1.0 } });
    connect(1, 1, 1, 2.0);
    for (CellRecord& cell : rig->Cells)
        cell.EquilDone = 1;
    ASSERT_EQ(run().status, RunStatus::Ok);
    // Start-up leakages: O2 1.0E-5 and H2O 3.0E-5, worked by hand.
    const Composition& cell = rig->CellGases[1];
    EXPECT_DOUBLE_EQ(fractionOf(cell, "Ar"), 1 / 1.00004);
    EXPECT_DOUBLE_EQ(fractionOf(cell, "O2"), 1.0E-5 / 1.00004);
    EXPECT_DOUBLE_EQ(fractionOf(cell, "H2O"), 3.0E-5 / 1.00004);
    // M2 carries nothing: cell 2 receives its leakages alone.
    EXPECT_DOUBLE_EQ(fractionOf(rig->CellGases[2], "O2"), 0.25);
    EXPECT_DOUBLE_EQ(fractionOf(rig->CellGases[2], "H2O"), 0.75);
    for (const CellRecord& c : rig->Cells)
        EXPECT_EQ(c.EquilDone, 0);
}

TEST_F(ExecuteTest, SaturatesArgonBeforeTheFlowmeter)
{
    argonStageWithFixGas("H2O", "PURE", true);
    ASSERT_EQ(run().status, RunStatus::Ok);
    const double water = *GasTreatmentFraction("H2O", "PURE", 25.0); // about 0.0316520
    const Composition& m1 = mixture(1).Components;
    EXPECT_DOUBLE_EQ(fractionOf(m1, "H2O"), water);
    EXPECT_DOUBLE_EQ(fractionOf(m1, "Ar"), 1.0 - water);
    // The meter sees the wet gas: argon at 2.0 and water at 0.5 per unit of each.
    EXPECT_DOUBLE_EQ(rig->Flowmeters[1].Flow, (1.0 - water) * 2.0 + water * 0.5);
}

TEST_F(ExecuteTest, SaturatesArgonAfterTheFlowmeter)
{
    argonStageWithFixGas("H2O", "PURE", false);
    ASSERT_EQ(run().status, RunStatus::Ok);
    const double water = *GasTreatmentFraction("H2O", "PURE", 25.0);
    EXPECT_DOUBLE_EQ(fractionOf(mixture(1).Components, "H2O"), water);
    // The meter sees dry argon; the water then adds its share to the flow.
    EXPECT_DOUBLE_EQ(rig->Flowmeters[1].Flow, 2.0 * (1.0 + water));
}

TEST_F(ExecuteTest, DriesAfterTheFlowmeter)
{
    argonStageWithFixGas("H2O", "Dry", false);
    setInputGas(1, { { "Ar", 0.9 }, { "H2O", 0.1 } });
    ASSERT_EQ(run().status, RunStatus::Ok);
    EXPECT_DOUBLE_EQ(rig->Flowmeters[1].Flow, (0.9 * 2.0 + 0.1 * 0.5) * 0.9);
    EXPECT_EQ(fractionOf(mixture(1).Components, "H2O"), 0.0);
    EXPECT_DOUBLE_EQ(fractionOf(mixture(1).Components, "Ar"), 1.0);
}

TEST_F(ExecuteTest, AFixGasStageWithoutADefinedEffectChangesNothing)
{
    struct Case {
        const char* gas;
        const char* type;
    };
    // A trailing space that the gas list trims away; a pair that defines no fraction.
    for (const Case c : { Case { "H2O ", "PURE" }, Case { "Ar", "PURE" }, Case { "H2O", "WET" } }) {
        argonStageWithFixGas(c.gas, c.type, false);
        ASSERT_EQ(run().status, RunStatus::Ok) << c.gas;
        EXPECT_EQ(rig->Flowmeters[1].Flow, 2.0) << c.gas;
        EXPECT_EQ(fractionOf(mixture(1).Components, "Ar"), 1.0) << c.gas;
    }
}

TEST_F(ExecuteTest, ASaturatorAboveTheBoilingPointFillsTheWholeGas)
{
    argonStageWithFixGas("H2O", "PURE", false).FixGasT = 150.0;
    ASSERT_EQ(run().status, RunStatus::Ok);
    EXPECT_EQ(fractionOf(mixture(1).Components, "H2O"), 1.0);
    EXPECT_EQ(fractionOf(mixture(1).Components, "Ar"), 0.0);
    EXPECT_EQ(rig->Flowmeters[1].Flow, 4.0); // factor 1 + 1 - 0
}

TEST_F(ExecuteTest, TooManyGasesStopsBeforeTheMixer)
{
    setInputGas(1,
        { { "G1", 1 }, { "G2", 1 }, { "G3", 1 }, { "G4", 1 }, { "G5", 1 }, { "G6", 1 }, { "G7", 1 },
            { "G8", 1 }, { "G9", 1 }, { "G10", 1 }, { "G11", 1 }, { "G12", 1 } });
    connect(1, 1, 1, 2.0).Flow = 5.0;
    rig->Gases[17].Flow = 6.0;
    rig->Gases[17].Defined = 1;
    rig->Cells[1].EquilDone = 1;
    const Composition before = rig->CellGases[1];
    const RunOutcome outcome = run(); // O2 of the leakages is the 13th
    EXPECT_EQ(outcome.status, RunStatus::TooManyGases);
    EXPECT_EQ(outcome.passes, 0);
    EXPECT_EQ(outcome.message, "Inappropriate number of gases (too many)");
    EXPECT_EQ(rig->Message1.Text, "Inappropriate number of gases (too many)");
    EXPECT_TRUE(rig->Message1.Visible);
    EXPECT_THAT(calls, ElementsAre("HideCalForms", "Beep before message"));
    EXPECT_EQ(rig->Flowmeters[1].Flow, 5.0);
    EXPECT_EQ(rig->Gases[17].Flow, 6.0);
    EXPECT_EQ(rig->Gases[17].Defined, 1);
    EXPECT_EQ(rig->Cells[1].EquilDone, 1);
    EXPECT_EQ(rig->CellGases[1], before);
    EXPECT_EQ(rig->Gases[1].Components[1].Name.view(), "G1"); // the working copy was made
}

TEST_F(ExecuteTest, CellGasesAreReadyWhenTheDiagramIsDrawn)
{
    setInputGas(1, { { "Ar", 1.0 } });
    connect(1, 1, 1, 2.0);
    double seen = 0.0;
    hooks.DrawMixer = [&] { seen = rig->CellGases[1][1].Fraction; };
    ASSERT_EQ(run().status, RunStatus::Ok);
    EXPECT_GT(seen, 0.99);
}

TEST_F(ExecuteTest, RunsWithoutHooks)
{
    connect(1, 17, 1, 1.0);
    EXPECT_EQ(Execute(*rig).status, RunStatus::NonConverging);
    EXPECT_THAT(calls, IsEmpty());
}

// Records of random bytes, with sources and outputs drawn mostly inside their ranges so that the
// solver really runs: Execute must finish without reading outside an array (asan checks that).
struct ReadingCase {
    const char* name;
    double reading;
    double limit; // NaN: no warning
    const char* text;
};

class ReadingWarningTest : public ExecuteTest,
                           public ::testing::WithParamInterface<ReadingCase> { };

// Curve 1 for argon runs from reading 1 to 3 (flows 1 and 3); stage 1 measures argon into M1.
TEST_P(ReadingWarningTest, NamesAReadingThatIsNotTakenAlongItsCurve)
{
    const ReadingCase& c = GetParam();
    setInputGas(1, { { "Ar", 1.0 } });
    connect(1, 1, 1, c.reading);
    rig->CalCurves[1].Points[3] = { 0.5, 7.0 }; // after the top point: ignored, as lookup does
    const RunOutcome outcome = run();
    ASSERT_EQ(outcome.status, RunStatus::Ok);
    if (std::isnan(c.limit)) {
        EXPECT_THAT(outcome.warnings, IsEmpty());
        return;
    }
    ASSERT_EQ(outcome.warnings.size(), 1u);
    const ReadingWarning& warning = outcome.warnings.front();
    EXPECT_EQ(warning.Stage, 1);
    EXPECT_EQ(warning.Gas, "Ar");
    EXPECT_EQ(warning.Curve, 1);
    EXPECT_EQ(warning.Limit, c.limit);
    EXPECT_EQ(warning.Text, c.text);
    // The run itself says nothing: the face shows the warnings.
    EXPECT_FALSE(rig->Message1.Visible);
}

INSTANTIATE_TEST_SUITE_P(Readings, ReadingWarningTest,
    ::testing::Values(ReadingCase { "Inside", 2.0, NAN, "" },
        ReadingCase { "AtTheFirstPoint", 1.0, NAN, "" }, ReadingCase { "AtTheTop", 3.0, NAN, "" },
        ReadingCase { "Zero", 0.0, NAN, "" },
        ReadingCase { "Above", 1e300, 3.0,
            "F 1 (Ar): reading 1e+300 lies above curve 1, which ends at 3; the flow at 3 is used" },
        ReadingCase { "Below", 0.25, 1.0,
            "F 1 (Ar): reading 0.25 lies below curve 1, which starts at 1; the flow at 1 is used" },
        ReadingCase { "Negative", -5.0, 0.0, "F 1 (Ar): reading -5 is negative; no flow is used" },
        ReadingCase {
            "NotANumber", NAN, 0.0, "F 1 (Ar): reading nan is not a number; no flow is used" }),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(ExecuteTest, AReadingOfOneBelowTheFirstPointNamesTheTopPointWhoseFlowIsTaken)
{
    setInputGas(1, { { "Ar", 1.0 } });
    connect(1, 1, 1, 1.0);
    rig->CalCurves[1].Points[1] = { 2.0, 10.0 };
    rig->CalCurves[1].Points[2] = { 5.0, 50.0 };
    const RunOutcome outcome = run();
    EXPECT_EQ(rig->Flowmeters[1].Flow, 50.0);
    ASSERT_EQ(outcome.warnings.size(), 1u);
    EXPECT_EQ(outcome.warnings[0].Limit, 5.0);
    EXPECT_EQ(outcome.warnings[0].Text,
        "F 1 (Ar): reading 1 lies below curve 1, which starts at 2; the flow at 5 is used");
}

TEST_F(ExecuteTest, WarnsOncePerStageAndGasInStageOrderAcrossPasses)
{
    setInputGas(1, { { "A", 0.5 }, { "B", 0.5 } });
    setInputGas(2, { { "Ar", 1.0 } });
    connect(1, 18, 1, 9.0); // waits a pass for M2, computed twice, warned once per gas
    connect(2, 1, 2, 9.0);
    connect(3, 2, 3, -1.0);
    connect(4, 2, 3, 2.0); // inside its curve
    const RunOutcome outcome = run();
    ASSERT_EQ(outcome.status, RunStatus::Ok);
    EXPECT_EQ(outcome.passes, 2);
    std::vector<std::string> named;
    for (const ReadingWarning& warning : outcome.warnings)
        named.push_back(formatInt(warning.Stage) + " " + warning.Gas);
    EXPECT_THAT(named, ElementsAre("1 A", "1 B", "2 A", "2 B", "3 Ar"));
    EXPECT_EQ(ReadingWarningsMessage(outcome.warnings).back(), '.');
}

TEST_F(ExecuteTest, RandomRecordsNeverBreakTheRun)
{
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        auto bytes = testsupport::randomBytes(
            sizeof(rig->InputGases) + sizeof(rig->Flowmeters) + sizeof(rig->Cells), seed);
        std::size_t at = 0;
        const auto fill = [&](auto& target) {
            std::memcpy(static_cast<void*>(&target), bytes.data() + at, sizeof(target));
            at += sizeof(target);
        };
        fill(rig->InputGases);
        fill(rig->Flowmeters);
        fill(rig->Cells);
        const auto curveBytes = testsupport::randomBytes(sizeof(CalCurveRecord) * 50, seed);
        std::memcpy(static_cast<void*>(&rig->CalCurves[951]), curveBytes.data(), curveBytes.size());
        for (int f = 1; f <= MaxFlowmeters; ++f) {
            FlowmeterRecord& stage = rig->Flowmeters[f];
            const auto pick = static_cast<std::uint16_t>(stage.Input);
            stage.Input = static_cast<std::uint16_t>(pick % 36);
            stage.Output = static_cast<std::uint16_t>(stage.Output % 18);
            if (pick % 3 == 0)
                stage.Reading = 1.0 + pick % 5;
            if (pick % 7 == 0)
                stage.FixGas = "H2O";
        }
        for (int c = 1; c <= MaxCells; ++c)
            rig->Cells[c].Mix = static_cast<std::uint16_t>(rig->Cells[c].Mix % 20);

        const RunOutcome outcome = Execute(*rig);
        EXPECT_GE(outcome.passes, outcome.status == RunStatus::TooManyGases ? 0 : 1);
        EXPECT_LE(outcome.passes, MaxPasses);
        EXPECT_LE(rig->GasListCount, MaxComponents);
    }
}

} // namespace
} // namespace meldrix
