#include "mixer/Execute.h"
#include "rig/StartUp.h"
#include "target/TargetSearch.h"

#include <algorithm>
#include <array>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <string>

namespace meldrix {
namespace {

constexpr std::array<const char*, 7> GasNames { "Ar", "N2", "O2", "H2", "He", "CO2", "CO" };
constexpr int ScalePoints = 7;
// Every curve starts between 5 and 30 and ends between 110 and 160, so the readings of a stage
// that lie on all its gases' curves are narrower than their union.
constexpr double LowestReading = 30.0;
constexpr double HighestReading = 110.0;

// A rig of 2..4 bottles, 2..6 stages into M1..M3 (a stage from a mixture feeds a higher one, so
// there is no loop), each stage with its own curve for every gas (flow a r + b r², which the
// curve's polynomial reproduces exactly) over a range of its own, now and then a saturator; cell
// 1 is fed by M3.
std::unique_ptr<Rig> roundTripRig(std::mt19937& random)
{
    auto rig = std::make_unique<Rig>();
    SetStartValues(*rig);
    const auto uniform = [&](double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random);
    };
    const auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };

    const int bottles = pick(2, 4);
    for (int n = 1; n <= bottles; ++n) {
        GasRecord& bottle = rig->InputGases[n];
        const int components = pick(1, 3);
        std::array<int, GasNames.size()> order {};
        for (std::size_t i = 0; i < order.size(); ++i)
            order[i] = static_cast<int>(i);
        std::shuffle(order.begin(), order.end(), random);
        double left = 1.0;
        for (int k = 1; k <= components; ++k) {
            const double share = k == components ? left : left * uniform(0.2, 0.8);
            bottle.Components[k].Name = GasNames[static_cast<std::size_t>(order[k - 1])];
            bottle.Components[k].Fraction = share;
            left -= share;
        }
    }

    const int stages = pick(2, 6);
    int curve = 0;
    for (int f = 1; f <= stages; ++f) {
        FlowmeterRecord& stage = rig->Flowmeters[f];
        stage.Make = "M" + std::to_string(f);
        const int output = f == stages ? 3 : pick(1, 3);
        stage.Output = static_cast<std::uint16_t>(output);
        const bool fromMixture = output > 1 && pick(0, 3) == 0;
        stage.Input = static_cast<std::uint16_t>(
            fromMixture ? MaxInputGases + pick(1, output - 1) : pick(1, bottles));
        stage.Reading = uniform(LowestReading, HighestReading);
        if (pick(0, 4) == 0) {
            stage.FixGasUsed = 1;
            stage.FixGas = "H2O";
            stage.FixGasType = "Pure";
            stage.FixGasT = uniform(5.0, 40.0);
            stage.FixGasBefore = static_cast<std::uint8_t>(pick(0, 1));
        }
        for (const char* gas : { GasNames[0], GasNames[1], GasNames[2], GasNames[3], GasNames[4],
                 GasNames[5], GasNames[6], "H2O" }) {
            CalCurveRecord& record = rig->CalCurves[++curve];
            record.Make = stage.Make.view();
            record.Gas = gas;
            record.Flowmeter = static_cast<std::uint16_t>(f);
            const double a = uniform(0.3, 3.0);
            const double b = uniform(0.0, 0.01);
            const double first = uniform(5.0, 30.0);
            const double step = (uniform(110.0, 160.0) - first) / (ScalePoints - 1);
            for (int p = 1; p <= ScalePoints; ++p) {
                const double reading = first + (p - 1) * step;
                record.Points[p] = { reading, a * reading + b * reading * reading };
            }
        }
    }
    for (CellRecord& cell : rig->Cells)
        cell.Mix = 0;
    rig->Cells[1].Mix = 3;
    rig->Cells[1].Temp = 800.0;
    return rig;
}

// Readings drawn inside the curves give a cell gas; the search started from other readings must
// find readings (not necessarily the same) that give that gas again, each on every curve of the
// gases its stage meters.
TEST(TargetRoundTripTest, FindsReadingsForTheGasOfRandomReadings)
{
    std::mt19937 random(20261209);
    int searched = 0;
    for (int trial = 0; trial < 40; ++trial) {
        const auto rig = roundTripRig(random);
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
