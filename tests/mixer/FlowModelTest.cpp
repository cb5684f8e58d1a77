#include "mixer/FlowModel.h"

#include "MixerFixture.h"
#include "calib/CalCurveLookup.h"
#include "equil/GasTreatment.h"
#include "mixer/Execute.h"
#include "support/Bytes.h"
#include "support/RandomRigs.h"
#include "support/SampleRigs.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace meldrix {
namespace {

using testsupport::sameBytes;

// The specified stage flow worked out afresh from the calibration lookup: each gas of the source
// (after a fix-gas stage before the meter) through its own curve, weighted by its fraction, slot by
// slot; a fix-gas stage after the meter adds its change of the fix gas. The solver must give
// these bits exactly: a drift of the default model fails here.
TEST(SpecifiedFlowModelTest, EveryComputedStageIsTheFractionWeightedSumOfItsGasesCurves)
{
    int compared = 0;
    int flowing = 0;
    for (std::uint32_t seed = 1; seed <= 60; ++seed) {
        auto rig = testsupport::randomRig(seed);
        if (Execute(*rig).status != RunStatus::Ok)
            continue;
        for (int f = 1; f <= MaxFlowmeters; ++f) {
            const FlowmeterRecord& stage = rig->Flowmeters[f];
            if (stage.Output < 1 || stage.Output > MaxMixtures || stage.Input < 1
                || stage.Input > MaxGases || !isSet(rig->Gases[stage.Input].Defined))
                continue;
            Composition slots = rig->Gases[stage.Input].Components;
            const auto fixGas = [&] {
                const auto fraction = GasTreatmentFraction(
                    stage.FixGas.view(), stage.FixGasType.view(), stage.FixGasT);
                return fraction ? ApplyFixGas(slots, stage.FixGas.view(), *fraction) : std::nullopt;
            };
            const bool fixGasUsed = isSet(stage.FixGasUsed);
            if (fixGasUsed && isSet(stage.FixGasBefore))
                fixGas();
            double flow = 0.0;
            for (int k = 1; k <= MaxComponents; ++k)
                flow += slots[k].Fraction
                    * FlowFromReading(*rig, f, slots[k].Name.view(), stage.Reading);
            if (fixGasUsed && !isSet(stage.FixGasBefore))
                if (const auto change = fixGas())
                    flow *= 1.0 + change->newFraction - change->oldFraction;
            EXPECT_TRUE(sameBytes(stage.Flow, flow))
                << "seed " << seed << " stage " << f << ": " << stage.Flow << " against " << flow;
            ++compared;
            flowing += flow > 0;
        }
    }
    EXPECT_GE(compared, 60);
    EXPECT_GE(flowing, 20);
}

class PhysicalFlowModelTest : public testsupport::MixerFixture {
protected:
    static constexpr std::array<std::string_view, 6> Gases { "H2", "He", "N2", "O2", "Ar", "CO2" };

    PhysicalFlowModelTest() { rig->Settings.FlowModel = FlowModelKind::Physical; }

    // Curves 1..6 for stage 1, the flows of gas g those of `base` over sqrt(M_g): exactly what a
    // variable-area meter gives. `without` leaves that gas without a curve of its own.
    void meterCurves(std::span<const CalPoint> base, std::string_view without = {})
    {
        for (std::size_t g = 0; g < Gases.size(); ++g) {
            CalCurveRecord& curve = rig->CalCurves[static_cast<int>(g) + 1];
            // A curve for the stage beats every curve at start values; the one left out loses.
            const bool left = Gases[g] == without;
            curve.Gas = left ? std::string_view() : Gases[g];
            curve.Flowmeter = left ? 0 : 1;
            curve.Points = {};
            const double scale = 1.0 / std::sqrt(MolarMassOf(Gases[g]));
            for (std::size_t k = 0; k < base.size(); ++k)
                curve.Points[static_cast<int>(k) + 1] = { base[k].Reading, base[k].Flow * scale };
        }
    }
};

// Random mixtures of up to four gases through a meter whose curves scale as 1/sqrt(M): the
// density rule gives the flow of a curve made for the mixture's own molar mass (the mole-fraction
// mean), whether each gas has a curve of its own or is read, corrected, from another gas's; one gas
// gives its fraction of that gas's flow.
TEST_F(PhysicalFlowModelTest, MetersAMixtureAsAGasOfItsMeanMolarMass)
{
    std::mt19937 random(41);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    int mixtures = 0;
    for (int trial = 0; trial < 200; ++trial) {
        std::vector<CalPoint> base;
        double reading = 1.0;
        double flow = 5.0;
        for (int k = 0; k < 3 + static_cast<int>(random() % 10); ++k) {
            base.push_back({ reading, flow });
            reading += 1.0 + 20.0 * unit(random);
            flow += 1.0 + 50.0 * unit(random);
        }
        std::vector<std::string_view> picked(Gases.begin(), Gases.end());
        std::shuffle(picked.begin(), picked.end(), random);
        picked.resize(1 + random() % 4);
        meterCurves(base, trial % 3 == 0 ? picked.front() : std::string_view {});

        GasRecord& source = rig->InputGases[1];
        source = GasRecord {};
        double share = 0.0;
        double massSum = 0.0;
        for (std::size_t i = 0; i < picked.size(); ++i) {
            const double x = 0.05 + unit(random);
            source.Components[static_cast<int>(i) + 1].Name = picked[i];
            source.Components[static_cast<int>(i) + 1].Fraction = x;
            share += x;
            massSum += x * MolarMassOf(picked[i]);
        }
        const double at =
            base.front().Reading + unit(random) * (base.back().Reading - base.front().Reading);
        connect(1, 1, 1, at);
        ASSERT_EQ(Execute(*rig).status, RunStatus::Ok);

        const double expected = share * MonotoneCubic(base, at) / std::sqrt(massSum / share);
        SCOPED_TRACE(testing::Message() << "trial " << trial << ", " << picked.size() << " gases");
        EXPECT_NEAR(rig->Flowmeters[1].Flow, expected, 1e-12 * expected);
        if (picked.size() == 1 && trial % 3 != 0) {
            EXPECT_EQ(rig->Flowmeters[1].Flow,
                share * InterpolateCalCurveMonotone(*rig, FindCalCurve(*rig, 1, picked[0]), at));
        }
        mixtures += picked.size() > 1;
    }
    EXPECT_GE(mixtures, 100);
}

// Behind a saturator after the meter the dry gas that passed the meter goes on unchanged, at any
// temperature below boiling and with some water in the gas already.
TEST_F(PhysicalFlowModelTest, ASaturatorAfterTheMeterKeepsTheDryGas)
{
    setLinearCurve(1, "Ar", 2.0);
    setLinearCurve(2, "H2O", 0.5);
    std::mt19937 random(42);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int trial = 0; trial < 50; ++trial) {
        const double wet = trial % 2 == 0 ? 0.0 : 0.1 * unit(random);
        setInputGas(1, { { "Ar", 1.0 - wet }, { "H2O", wet } });
        connect(1, 1, 1, 1.0 + 2.0 * unit(random));
        connect(2, 1, 2, rig->Flowmeters[1].Reading); // the same gas, no fix-gas stage
        FlowmeterRecord& saturated = rig->Flowmeters[1];
        saturated.FixGasUsed = 1;
        saturated.FixGasBefore = 0;
        saturated.FixGas = "H2O";
        saturated.FixGasType = trial % 3 == 0 ? "KBR" : "PURE";
        saturated.FixGasT = 5.0 + 90.0 * unit(random);
        ASSERT_EQ(Execute(*rig).status, RunStatus::Ok);
        const double metered = rig->Flowmeters[2].Flow;
        const double water = fractionOf(rig->Gases[MaxInputGases + 1].Components, "H2O");
        EXPECT_NEAR(saturated.Flow * (1.0 - water), metered * (1.0 - wet), 1e-12 * metered)
            << "trial " << trial << " at " << saturated.FixGasT << " C";
    }
}

// The shipped data set in the specified model names stage 3, 5 % H2 in argon with its saturator:
// each model's own run gives the flows it names, and the specified one meters too much.
TEST(FlowModelDifferencesTest, TheShippedDataSetNamesStageThree)
{
    const auto rig = testsupport::namedRig("default");
    ASSERT_TRUE(rig);
    auto physical = std::make_unique<Rig>(*rig);
    physical->Settings.FlowModel = FlowModelKind::Physical;
    ASSERT_EQ(Execute(*physical).status, RunStatus::Ok);
    auto alone = std::make_unique<Rig>(*rig);
    ExecuteHooks hooks;
    hooks.CompareFlowModels = true;
    const RunOutcome outcome = Execute(*rig, hooks);
    ASSERT_EQ(outcome.status, RunStatus::Ok);
    EXPECT_EQ(outcome.model, FlowModelKind::AsSpecified);
    // The other model's run leaves the rig as the run alone leaves it.
    Execute(*alone);
    EXPECT_TRUE(sameBytes(rig->Gases, alone->Gases));
    EXPECT_TRUE(sameBytes(rig->Flowmeters, alone->Flowmeters));
    EXPECT_TRUE(sameBytes(rig->CellGases, alone->CellGases));
    EXPECT_TRUE(sameBytes(rig->Cells, alone->Cells));
    EXPECT_TRUE(sameBytes(rig->WorkComposition, alone->WorkComposition));
    EXPECT_EQ(rig->Settings, alone->Settings);
    const auto stage3 = std::find_if(outcome.differences.begin(), outcome.differences.end(),
        [](const ModelDifference& difference) { return difference.Stage == 3; });
    ASSERT_NE(stage3, outcome.differences.end());
    EXPECT_EQ(stage3->AsSpecified, rig->Flowmeters[3].Flow);
    EXPECT_EQ(stage3->Physical, physical->Flowmeters[3].Flow);
    EXPECT_GT(stage3->AsSpecified, 1.1 * stage3->Physical);
    EXPECT_TRUE(stage3->Text.starts_with("F 3: 55.85 as specified, 48.78 physical, -12.6 %"))
        << stage3->Text;
    for (const ModelDifference& difference : outcome.differences)
        EXPECT_TRUE(FlowsDiffer(difference.AsSpecified, difference.Physical)) << difference.Text;
    // Trial runs of a search compare nothing.
    EXPECT_TRUE(Execute(*rig).differences.empty());
}

// Where the physical model cannot follow its own rule it says so, in either model's run.
TEST_F(PhysicalFlowModelTest, NamesWhereItFallsBackOnAnotherRule)
{
    struct Case {
        const char* gas; //!< the bottle's one gas, metered with an argon curve
        double saturatorCelsius; //!< 0: none
        const char* says;
    };
    setLinearCurve(1, "Ar", 2.0);
    rig->CalCurves[1].Flowmeter = 1; // the best curve for a gas without one of its own
    setLinearCurve(2, "H2O", 0.5);
    for (const Case c : { Case { "Xq", 0.0, "no molar mass is known for Xq, so curve 1 (Ar)" },
             Case { "Ar", 120.0, "leaves no dry gas, so the specified factor" } }) {
        for (const FlowModelKind model : { FlowModelKind::AsSpecified, FlowModelKind::Physical }) {
            rig->Settings.FlowModel = model;
            setInputGas(1, { { c.gas, 1.0 } });
            FlowmeterRecord& stage = connect(1, 1, 1, 2.0);
            stage.FixGasUsed = c.saturatorCelsius > 0 ? 1 : 0;
            stage.FixGasBefore = 0;
            stage.FixGas = "H2O";
            stage.FixGasType = "PURE";
            stage.FixGasT = c.saturatorCelsius;
            ExecuteHooks hooks;
            hooks.CompareFlowModels = true;
            const RunOutcome outcome = Execute(*rig, hooks);
            ASSERT_EQ(outcome.status, RunStatus::Ok);
            ASSERT_EQ(outcome.differences.size(), 1u) << c.gas;
            EXPECT_EQ(outcome.differences[0].Stage, 1);
            // The fallback gives the specified flow: the stage differs only by what it says.
            EXPECT_EQ(outcome.differences[0].AsSpecified, outcome.differences[0].Physical);
            EXPECT_NE(outcome.differences[0].Text.find(c.says), std::string::npos)
                << outcome.differences[0].Text;
        }
    }
}

} // namespace
} // namespace meldrix
