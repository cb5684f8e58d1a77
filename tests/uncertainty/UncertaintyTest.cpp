#include "uncertainty/Uncertainty.h"

#include "equil/CellGibbs.h"
#include "mixer/Execute.h"
#include "mixer/MixerFixture.h"
#include "support/NoNewThreads.h"
#include "uncertainty/RandomDraws.h"
#include "uncertainty/UncertaintyRemarks.h"

#include <cmath>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <limits>
#include <tuple>
#include <utility>
#include <vector>

namespace meldrix {
namespace {

// A Monte Carlo run of `samples` trials, everything else at its default.
UncertaintyOptions monteCarlo(int samples)
{
    UncertaintyOptions options;
    options.Method = UncertaintyMethod::MonteCarlo;
    options.Samples = samples;
    return options;
}

// A hand-made rig: 4 % H2 in argon through stage 1 and 2 % O2 in argon through stage 2 meet in M1,
// which feeds cell 1 at 800 °C. Both meters read through straight curves (flow = reading, full
// scale 100), so equal readings make the mixture exactly stoichiometric.
class UncertaintyTest : public testsupport::MixerFixture {
protected:
    UncertaintyTest()
    {
        setInputGas(1, { { "H2", 0.04 }, { "Ar", 0.96 } });
        setInputGas(2, { { "O2", 0.02 }, { "Ar", 0.98 } });
        setStraightCurve(1, "H2");
        setStraightCurve(2, "O2");
        setStraightCurve(3, "Ar");
        connect(1, 1, 1, 40.0);
        connect(2, 2, 1, 60.0);
        for (CellRecord& cell : rig->Cells)
            cell.Mix = 0;
        rig->Cells[1].Mix = 1;
        rig->Cells[1].Temp = 800.0;
        setLeakages(1, 0.0, 0.0, 0.0, 0.0);
    }

    void setStraightCurve(int c, std::string_view gas)
    {
        CalCurveRecord& curve = rig->CalCurves[c];
        curve.Gas = gas;
        curve.Points[1] = { 1.0, 1.0 };
        curve.Points[2] = { 100.0, 100.0 };
    }

    // What the window shows for cell 1 after Execute at these readings and curve scales: the
    // fraction of each gas of the gas list, then log10 pO2.
    std::vector<double> cellOne(double reading1, double reading2, double h2Scale = 1.0,
        double o2Scale = 1.0, double arScale = 1.0)
    {
        auto copy = std::make_unique<Rig>(*rig);
        copy->Flowmeters[1].Reading = reading1;
        copy->Flowmeters[2].Reading = reading2;
        const double scales[] = { h2Scale, o2Scale, arScale };
        for (int c = 1; c <= 3; ++c)
            for (CalPoint& point : copy->CalCurves[c].Points)
                point.Flow *= scales[c - 1];
        EXPECT_EQ(Execute(*copy).status, RunStatus::Ok);
        std::vector<double> values;
        for (int k = 1; k <= copy->GasListCount; ++k)
            values.push_back(copy->CellGases[1][k].Fraction);
        values.push_back(CellGibbsAt(*copy, 1, copy->Cells[1].Temp).Log10PO2);
        return values;
    }

    static std::vector<double> spreadsOf(const CellUncertainty& cell, double Spread::*field)
    {
        std::vector<double> values;
        for (const GasSpread& gas : cell.Gases)
            values.push_back(gas.Fraction.*field);
        values.push_back(*cell.Log10PO2.*field);
        return values;
    }
};

// The remarks of a result as kinds, each with whether it counts as a warning.
std::vector<std::pair<RemarkKind, bool>> remarkKinds(const UncertaintyResult& result)
{
    std::vector<std::pair<RemarkKind, bool>> kinds;
    for (const UncertaintyRemark& remark : UncertaintyRemarks(result))
        kinds.emplace_back(remark.Kind, IsWarning(remark));
    return kinds;
}

TEST_F(UncertaintyTest, LinearAgreesWithPlainFiniteDifferences)
{
    const auto before = std::make_unique<Rig>(*rig);
    UncertaintyOptions options;
    options.FullScalePercent = 0.5;
    options.FlowPercent = 0.3;
    options.Equilibrium = true;
    const UncertaintyResult result = PropagateUncertainty(*rig, options);
    ASSERT_TRUE(result.Ok) << result.Message;
    EXPECT_TRUE(rig->Flowmeters.all()[0] == before->Flowmeters.all()[0]);
    EXPECT_TRUE(rig->CalCurves[1] == before->CalCurves[1]);
    EXPECT_EQ(rig->GasListCount, 0); // the operator's rig was never run

    ASSERT_EQ(result.Inputs.size(), 2u);
    EXPECT_DOUBLE_EQ(result.Inputs[0].FullScale, 100.0);
    EXPECT_DOUBLE_EQ(result.Inputs[1].Sd, 0.5);
    EXPECT_EQ(result.Curves, (std::vector<int> { 1, 2, 3 }));
    ASSERT_EQ(result.Cells.size(), 1u);
    const CellUncertainty& cell = result.Cells[0];
    ASSERT_TRUE(cell.Log10PO2.has_value());

    // Forward and backward differences with a step ten times the module's, averaged, times the
    // deviation of each input; argon's curve is shared by both stages and moves as one.
    const std::vector<double> nominal = cellOne(40.0, 60.0);
    const double readingSd = 0.5;
    const double flowSd = 0.003;
    std::vector<std::vector<double>> columns;
    const auto column = [&](const std::vector<double>& up, const std::vector<double>& down,
                            double step, double sd) {
        std::vector<double> c;
        for (std::size_t o = 0; o < up.size(); ++o)
            c.push_back((up[o] - down[o]) / (2 * step) * sd);
        columns.push_back(c);
    };
    column(cellOne(40.04, 60.0), cellOne(39.96, 60.0), 0.04, readingSd);
    column(cellOne(40.0, 60.06), cellOne(40.0, 59.94), 0.06, readingSd);
    column(cellOne(40, 60, 1.001), cellOne(40, 60, 0.999), 0.001, flowSd);
    column(cellOne(40, 60, 1, 1.001), cellOne(40, 60, 1, 0.999), 0.001, flowSd);
    column(cellOne(40, 60, 1, 1, 1.001), cellOne(40, 60, 1, 1, 0.999), 0.001, flowSd);

    const auto values = spreadsOf(cell, &Spread::Value);
    const auto sds = spreadsOf(cell, &Spread::Sd);
    ASSERT_EQ(values.size(), nominal.size());
    for (std::size_t o = 0; o < nominal.size(); ++o) {
        double variance = 0.0;
        for (const auto& c : columns)
            variance += c[o] * c[o];
        EXPECT_DOUBLE_EQ(values[o], nominal[o]) << "output " << o;
        EXPECT_NEAR(sds[o], std::sqrt(variance), 1e-4 * std::sqrt(variance)) << "output " << o;
        EXPECT_GT(sds[o], 0.0) << "output " << o;
    }
    // The oxygen side: the O2 meter's reading moves pO2 more than the hydrogen one.
    EXPECT_EQ(
        cell.DominantStage, std::abs(columns[1].back()) > std::abs(columns[0].back()) ? 2 : 1);
    EXPECT_EQ(cell.Dominant.What, DominantInput::Kind::Reading);
    // Half a division away from every curve's end and the equivalence point, all is linear.
    ASSERT_TRUE(cell.Linear);
    EXPECT_TRUE(cell.Linear->Log10PO2);
    EXPECT_EQ(cell.Linear->Gases, std::vector<bool>(cell.Gases.size(), true));
    EXPECT_TRUE(result.Notes.empty());

    // The flow into the cell: each stage reads its flow straight off its curves, so it moves by
    // each reading's deviation and by each curve's share of it (H2 1.6, O2 1.2, argon 97.2).
    EXPECT_DOUBLE_EQ(cell.Flow.Value, 100.0);
    const double feedSd = std::sqrt(2 * readingSd * readingSd + std::pow(flowSd * 1.6, 2)
        + std::pow(flowSd * 1.2, 2) + std::pow(flowSd * 97.2, 2));
    EXPECT_NEAR(cell.Flow.Sd, feedSd, 1e-6 * feedSd);
}

TEST_F(UncertaintyTest, MonteCarloAgreesWithLinearForSmallDeviations)
{
    UncertaintyOptions options;
    options.FullScalePercent = 0.01;
    options.Equilibrium = true;
    const UncertaintyResult linear = PropagateUncertainty(*rig, options);
    options.Method = UncertaintyMethod::MonteCarlo;
    options.Samples = 2000;
    options.Seed = 7;
    const UncertaintyResult sampled = PropagateUncertainty(*rig, options);
    ASSERT_TRUE(linear.Ok && sampled.Ok);
    EXPECT_EQ(sampled.Samples, 2000);

    // The sample standard deviation of 2000 normal draws is off by 1/sqrt(2 * 1999) = 1.6 % (one
    // sigma); five of them is the tolerance.
    const double tolerance = 5.0 / std::sqrt(2.0 * 1999.0);
    const auto expected = spreadsOf(linear.Cells[0], &Spread::Sd);
    const auto got = spreadsOf(sampled.Cells[0], &Spread::Sd);
    for (std::size_t o = 0; o < expected.size(); ++o) {
        if (expected[o] == 0.0) // argon's and hydrogen's fractions move; a gas at 0 stays at 0
            continue;
        EXPECT_NEAR(got[o] / expected[o], 1.0, tolerance) << "output " << o;
    }
    // A normal answer: its 95 % band is about 1.96 standard deviations each side.
    const Spread& pO2 = *sampled.Cells[0].Log10PO2;
    EXPECT_NEAR((*pO2.P97_5 - *pO2.P2_5) / (2 * 1.96 * pO2.Sd), 1.0, 0.1);
    EXPECT_EQ(sampled.Cells[0].PO2Dropped, 0);
    EXPECT_EQ(sampled.Cells[0].DominantStage, linear.Cells[0].DominantStage);

    // The same seed gives the same numbers; another seed others.
    const UncertaintyResult again = PropagateUncertainty(*rig, options);
    EXPECT_EQ(spreadsOf(again.Cells[0], &Spread::Sd), got);
    options.Seed = 8;
    const UncertaintyResult other = PropagateUncertainty(*rig, options);
    EXPECT_NE(spreadsOf(other.Cells[0], &Spread::Sd), got);
}

TEST_F(UncertaintyTest, NoDeviationGivesZeroEverywhere)
{
    for (const auto method : { UncertaintyMethod::Linear, UncertaintyMethod::MonteCarlo }) {
        UncertaintyOptions options;
        options.Method = method;
        options.FullScalePercent = 0.0;
        options.Samples = 50;
        options.Equilibrium = true;
        const UncertaintyResult result = PropagateUncertainty(*rig, options);
        ASSERT_TRUE(result.Ok) << result.Message;
        const CellUncertainty& cell = result.Cells[0];
        for (const double sd : spreadsOf(cell, &Spread::Sd))
            EXPECT_EQ(sd, 0.0) << UncertaintyMethodName(method);
        EXPECT_EQ(cell.DominantStage, 0);
        if (method == UncertaintyMethod::MonteCarlo) {
            EXPECT_EQ(*cell.Log10PO2->P2_5, cell.Log10PO2->Value);
            EXPECT_EQ(*cell.Log10PO2->P97_5, cell.Log10PO2->Value);
        } else {
            EXPECT_FALSE(cell.Log10PO2->P2_5.has_value());
            EXPECT_EQ(result.Samples, 1); // no input varies: only the run as it is
        }
    }
}

TEST_F(UncertaintyTest, MonteCarloShowsTheSkewNearTheStoichiometricMixture)
{
    // Slightly more hydrogen than the oxygen burns: a reducing gas one reading away from an
    // oxidising one, so pO2 jumps by decades on one side and barely moves on the other.
    rig->Flowmeters[1].Reading = 51.0;
    rig->Flowmeters[2].Reading = 50.0;
    UncertaintyOptions options = monteCarlo(1000);
    options.FullScalePercent = 1.0;
    options.Equilibrium = true;
    const UncertaintyResult result = PropagateUncertainty(*rig, options);
    ASSERT_TRUE(result.Ok) << result.Message;
    const Spread& pO2 = *result.Cells[0].Log10PO2;
    const double up = *pO2.P97_5 - pO2.Value;
    const double down = pO2.Value - *pO2.P2_5;
    ASSERT_GT(down, 0.0);
    // Crossing to the oxidising side lifts pO2 by over ten decades; the reducing side stays
    // within a few.
    EXPECT_GT(up, 3.0 * down) << "up " << up << ", down " << down;
    EXPECT_GT(up, 5.0);

    options.Method = UncertaintyMethod::Linear;
    const UncertaintyResult linear = PropagateUncertainty(*rig, options);
    ASSERT_TRUE(linear.Ok);
    // The linear estimate knows only the local slope, and its band is symmetric by construction;
    // it says it does not hold.
    EXPECT_FALSE(linear.Cells[0].Log10PO2->P97_5.has_value());
    EXPECT_LT(1.96 * linear.Cells[0].Log10PO2->Sd, up);
    EXPECT_FALSE(linear.Cells[0].Linear->Log10PO2);
}

TEST_F(UncertaintyTest, ADerivativeAtACurvesEndIsTakenAlongTheCurve)
{
    // Stage 1 at its curves' first point, then a little inside them: below the first point the
    // curves give its flow, so a central difference there would see half the slope.
    UncertaintyOptions options;
    options.FullScalePercent = 0.01;
    options.Equilibrium = true;
    const auto at = [&](double reading) {
        rig->Flowmeters[1].Reading = reading;
        return PropagateUncertainty(*rig, options);
    };
    for (const auto& [end, inside, side] : { std::tuple { 1.0, 1.01, DerivativeSide::Above },
             std::tuple { 100.0, 99.99, DerivativeSide::Below } }) {
        const UncertaintyResult onEnd = at(end);
        const UncertaintyResult near = at(inside);
        ASSERT_TRUE(onEnd.Ok && near.Ok);
        EXPECT_EQ(onEnd.Inputs[0].Derivative, side) << end;
        EXPECT_EQ(near.Inputs[0].Derivative, DerivativeSide::Central) << end;
        const std::vector<double> sds = spreadsOf(onEnd.Cells[0], &Spread::Sd);
        const std::vector<double> nearSds = spreadsOf(near.Cells[0], &Spread::Sd);
        for (std::size_t o = 0; o < sds.size(); ++o)
            EXPECT_NEAR(sds[o], nearSds[o], 0.02 * nearSds[o] + 1e-15) << end << ", output " << o;
        ASSERT_EQ(onEnd.Notes.size(), 1u) << end;
        EXPECT_THAT(onEnd.Notes[0], ::testing::StartsWith("F 1: its reading "));
    }
}

TEST_F(UncertaintyTest, ReadingsBeyondTheirCurvesAreWarnedOfAsExecuteWarns)
{
    rig->Flowmeters[2].Reading = 150.0; // the curves end at 100
    const UncertaintyResult result = PropagateUncertainty(*rig, {});
    ASSERT_TRUE(result.Ok);
    Rig run = *rig;
    const RunOutcome outcome = Execute(run);
    ASSERT_FALSE(outcome.warnings.empty());
    ASSERT_EQ(result.Warnings.size(), outcome.warnings.size());
    for (std::size_t i = 0; i < outcome.warnings.size(); ++i)
        EXPECT_EQ(result.Warnings[i].Text, outcome.warnings[i].Text);
}

TEST_F(UncertaintyTest, MonteCarloKeepsTheSamplesWithoutOxygenAsItsReducingTail)
{
    // The oxygen meter at its curves' first point, read to one division: a sixth of the draws
    // fall to 0 and shut it, leaving hydrogen and argon alone, with no oxygen at all.
    rig->Flowmeters[2].Reading = 1.0;
    UncertaintyOptions options = monteCarlo(400);
    options.StageSds = { { 2, 1.0 } };
    options.FullScalePercent = 0.0;
    options.Equilibrium = true;
    const UncertaintyResult result = PropagateUncertainty(*rig, options);
    ASSERT_TRUE(result.Ok) << result.Message;
    // The same draws as the run's: stage 1 takes the first of each sample, stage 2 the second.
    int shut = 0;
    int beyond = 0;
    for (int s = 0; s < 400; ++s) {
        RandomDraws draws(DefaultSeed, static_cast<std::uint64_t>(s));
        (void)draws.normal();
        const double reading = 1.0 + draws.normal();
        shut += reading <= 0.0 ? 1 : 0;
        beyond += reading < 1.0 ? 1 : 0;
    }
    const CellUncertainty& cell = result.Cells[0];
    EXPECT_EQ(cell.NoOxygenSamples, shut);
    EXPECT_GT(shut, 400 / 40); // more than the 2.5 % the band leaves below it
    EXPECT_EQ(cell.PO2Dropped, 0);
    const Spread& pO2 = *cell.Log10PO2;
    EXPECT_EQ(*pO2.P2_5, -std::numeric_limits<double>::infinity());
    EXPECT_TRUE(std::isfinite(*pO2.P97_5));
    EXPECT_TRUE(std::isfinite(pO2.Sd));
    EXPECT_EQ(result.Inputs[1].BeyondCurves, beyond);
    ASSERT_EQ(result.Notes.size(), 1u);
    EXPECT_THAT(
        result.Notes[0], ::testing::StartsWith("F 2: " + std::to_string(beyond) + " of 400"));
    // Told, not warned: the band holds them.
    EXPECT_THAT(remarkKinds(result),
        ::testing::IsSupersetOf({ std::pair { RemarkKind::NoOxygenTail, false },
            std::pair { RemarkKind::Method, false } }));
}

TEST_F(UncertaintyTest, ACalibrationThatDominatesIsNamedInsteadOfAStage)
{
    UncertaintyOptions options = monteCarlo(300);
    options.FullScalePercent = 0.001;
    options.FlowPercent = 2.0;
    options.Equilibrium = true;
    for (const auto method : { UncertaintyMethod::Linear, UncertaintyMethod::MonteCarlo }) {
        options.Method = method;
        const UncertaintyResult result = PropagateUncertainty(*rig, options);
        ASSERT_TRUE(result.Ok) << result.Message;
        const CellUncertainty& cell = result.Cells[0];
        EXPECT_EQ(cell.Dominant.What, DominantInput::Kind::Calibration)
            << UncertaintyMethodName(method);
        EXPECT_THAT(result.Curves, ::testing::Contains(cell.Dominant.Number));
        EXPECT_EQ(cell.DominantStage, 0);
        EXPECT_THAT(UncertaintyRemarks(result),
            ::testing::Contains(::testing::Field(&UncertaintyRemark::Text,
                ::testing::HasSubstr("calibrate curve " + std::to_string(cell.Dominant.Number)))));
    }
}

TEST_F(UncertaintyTest, AnUnresolvedPO2IsNeitherTheValueNorASample)
{
    // CO2 in argon through stage 1, with data that know CO2 and O2 alone: no species takes back
    // the oxygen CO2 gives off, so the minimiser can only estimate pO2.
    ThermoData data = BuiltInThermoData();
    std::erase_if(data.Species, [](const ThermoSpecies& species) {
        return species.Formula != "CO2" && species.Formula != "O2";
    });
    setInputGas(1, { { "CO2", 0.1 }, { "Ar", 0.9 } });
    setStraightCurve(1, "CO2");
    rig->Flowmeters[2].Reading = 0.0;
    UncertaintyOptions options = monteCarlo(60);
    options.Equilibrium = true;
    options.Thermo = &data;
    for (const auto method : { UncertaintyMethod::Linear, UncertaintyMethod::MonteCarlo }) {
        options.Method = method;
        const UncertaintyResult result = PropagateUncertainty(*rig, options);
        ASSERT_TRUE(result.Ok) << result.Message;
        const CellUncertainty& cell = result.Cells[0];
        EXPECT_FALSE(cell.Log10PO2.has_value()) << UncertaintyMethodName(method);
        EXPECT_EQ(cell.PO2Problem, UnresolvedPO2);
        if (method == UncertaintyMethod::MonteCarlo) {
            EXPECT_EQ(cell.UnresolvedSamples, 60);
            EXPECT_EQ(cell.PO2Dropped, 60);
            EXPECT_THAT(remarkKinds(result),
                ::testing::Contains(std::pair { RemarkKind::DroppedSamples, true }));
        }
        EXPECT_THAT(
            remarkKinds(result), ::testing::Contains(std::pair { RemarkKind::NoPO2, true }));
    }
}

TEST_F(UncertaintyTest, WorkersThatCannotStartEndTheRunWithAMessage)
{
    UncertaintyOptions options = monteCarlo(200);
    options.Threads = 2;
    const UncertaintyResult result = [&] {
        const testsupport::NoNewThreads noThreads;
        return PropagateUncertainty(*rig, options);
    }();
    EXPECT_FALSE(result.Ok);
    EXPECT_FALSE(result.Cancelled);
    EXPECT_THAT(
        result.Message, ::testing::StartsWith("The uncertainty run could not start its workers: "));
    EXPECT_TRUE(result.Cells.empty());
}

TEST_F(UncertaintyTest, InputsAreTheComputedStagesWithTheirDeviations)
{
    connect(3, 1, 1, 0.0); // no reading: no deviation
    connect(4, 2, 0, 30.0); // feeds no mixture: its reading changes nothing
    connect(5, 40, 1, 30.0); // no source
    UncertaintyOptions options;
    options.FullScalePercent = 2.0;
    options.StageSds = { { 2, 0.25 }, { 3, 9.0 } };
    const UncertaintyResult result = PropagateUncertainty(*rig, options);
    ASSERT_TRUE(result.Ok) << result.Message;
    ASSERT_EQ(result.Inputs.size(), 2u);
    EXPECT_EQ(result.Inputs[0].Stage, 1);
    EXPECT_DOUBLE_EQ(result.Inputs[0].Sd, 2.0); // 2 % of the curves' top reading 100
    EXPECT_EQ(result.Inputs[1].Stage, 2);
    EXPECT_DOUBLE_EQ(result.Inputs[1].Sd, 0.25);
    EXPECT_TRUE(result.Curves.empty()); // no flow deviation: the curves are no inputs
    EXPECT_FALSE(result.Cells[0].Log10PO2.has_value()); // not asked for
    EXPECT_EQ(result.Cells[0].DominantStage, 0);
}

TEST_F(UncertaintyTest, RunErrorsAndBadOptionsAreReportedNotComputed)
{
    UncertaintyOptions options;
    options.FullScalePercent = -1.0;
    EXPECT_EQ(PropagateUncertainty(*rig, options).Message,
        "the full-scale percentage must be a number of 0 or more");
    EXPECT_FALSE(PropagateUncertainty(*rig, monteCarlo(1)).Ok);
    options = {};
    options.StageSds = { { 17, 1.0 } };
    EXPECT_EQ(PropagateUncertainty(*rig, options).Message, "stage 17 is not a stage 1..16");

    // Two mixtures feeding each other never converge.
    connect(3, 17, 2, 10.0);
    connect(4, 18, 1, 10.0);
    const UncertaintyResult result = PropagateUncertainty(*rig, {});
    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(result.Message, NonConvergingMessage);
    EXPECT_TRUE(result.Cells.empty());
}

TEST_F(UncertaintyTest, ProgressSeesEveryTrialAndCanCancel)
{
    UncertaintyOptions options = monteCarlo(40);
    options.Threads = 1;
    int calls = 0;
    const UncertaintyResult done = PropagateUncertainty(*rig, options, [&](int n, int total) {
        EXPECT_EQ(total, 40);
        EXPECT_EQ(n, ++calls);
        return true;
    });
    EXPECT_TRUE(done.Ok);
    EXPECT_EQ(calls, 40);

    // With helpers the progress moves on in jumps, ends at the total, and still cancels.
    options.Samples = 400;
    options.Threads = 3;
    int last = 0;
    EXPECT_TRUE(PropagateUncertainty(*rig, options, [&](int n, int total) {
        EXPECT_GE(n, last);
        last = n;
        return total == 400;
    }).Ok);
    EXPECT_EQ(last, 400);
    const UncertaintyResult stopped =
        PropagateUncertainty(*rig, options, [](int n, int) { return n < 10; });
    EXPECT_FALSE(stopped.Ok);
    EXPECT_TRUE(stopped.Cancelled);
    EXPECT_TRUE(stopped.Cells.empty());
}

// The last report may come after the helpers took every sample, or be the only one this thread
// makes on a busy machine: a cancel there counts all the same.
TEST_F(UncertaintyTest, ACancelAtTheLastReportIsHonoured)
{
    UncertaintyOptions options = monteCarlo(400);
    for (const int threads : { 1, 4 }) {
        SCOPED_TRACE(threads);
        options.Threads = threads;
        const UncertaintyResult result =
            PropagateUncertainty(*rig, options, [](int n, int total) { return n < total; });
        EXPECT_FALSE(result.Ok);
        EXPECT_TRUE(result.Cancelled);
    }
}

TEST_F(UncertaintyTest, MonteCarloGivesTheSameAnswerOnAnyNumberOfWorkers)
{
    UncertaintyOptions options = monteCarlo(300);
    options.FullScalePercent = 3.0;
    options.FlowPercent = 1.0;
    options.Equilibrium = true;
    options.Threads = 1;
    const UncertaintyResult alone = PropagateUncertainty(*rig, options);
    options.Threads = 4;
    const UncertaintyResult shared = PropagateUncertainty(*rig, options);
    ASSERT_TRUE(alone.Ok && shared.Ok);
    for (const auto field : { &Spread::Value, &Spread::Sd })
        EXPECT_EQ(spreadsOf(alone.Cells[0], field), spreadsOf(shared.Cells[0], field));
    EXPECT_EQ(alone.Cells[0].Log10PO2->P2_5, shared.Cells[0].Log10PO2->P2_5);
    EXPECT_EQ(alone.Cells[0].DominantStage, shared.Cells[0].DominantStage);
}

TEST(RandomDrawsTest, StreamsArePortableAndNormal)
{
    // The first word of seed 1, sample 0, as this generator has always given it: a change of the
    // generator changes every stored Monte Carlo answer.
    const std::uint64_t word = RandomDraws(1, 0).next();
    EXPECT_EQ(word, 0xEE127FE613436E33ULL);
    EXPECT_DOUBLE_EQ(RandomDraws(1, 0).normal(), -1.1353555063607457);
    EXPECT_NE(RandomDraws(1, 1).next(), word);
    EXPECT_NE(RandomDraws(2, 0).next(), word);

    RandomDraws draws(42, 3);
    double sum = 0.0;
    double squares = 0.0;
    int inside = 0;
    constexpr int N = 100000;
    for (int i = 0; i < N; ++i) {
        const double z = draws.normal();
        sum += z;
        squares += z * z;
        inside += std::abs(z) < 1.959964 ? 1 : 0;
    }
    EXPECT_NEAR(sum / N, 0.0, 0.02); // 5 standard errors of the mean
    EXPECT_NEAR(squares / N, 1.0, 0.025);
    EXPECT_NEAR(inside / double(N), 0.95, 0.004);
}

} // namespace
} // namespace meldrix
