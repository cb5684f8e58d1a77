#include "calib/CalCurveLookup.h"

#include "support/Bytes.h"
#include "support/RandomRigs.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <initializer_list>
#include <limits>
#include <random>

namespace meldrix {
namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();

class CalCurveLookupTest : public ::testing::Test {
protected:
    std::unique_ptr<Rig> rig = testsupport::rigAtStartValues();

    void setPoints(int curve, std::initializer_list<CalPoint> points)
    {
        int k = 1;
        for (const CalPoint& point : points)
            rig->CalCurves[curve].Points[k++] = point;
    }

    // Stage 3 uses meter "Acme"/"65"/"Ss"; curves that match it fully except for the gas.
    void setUpStage3()
    {
        FlowmeterRecord& stage = rig->Flowmeters[3];
        stage.Make = "Acme";
        stage.Size = "65";
        stage.Float = "Ss";
    }
    void setMeterCurve(int c, std::string_view gas)
    {
        CalCurveRecord& curve = rig->CalCurves[c];
        curve.Make = "Acme";
        curve.Size = "65";
        curve.Float = "Ss";
        curve.Gas = gas;
        curve.Flowmeter = 3;
    }

    // The scan's choice, after checking that the index makes the same one.
    int chosen(const Rig& r, int stage, std::string_view gas)
    {
        const int scanned = FindCalCurve(r, stage, gas);
        EXPECT_EQ(CalCurveIndex(r).FindCalCurve(stage, gas), scanned)
            << "stage " << stage << " gas '" << gas << "'";
        return scanned;
    }
    int chosen(int stage, std::string_view gas) { return chosen(*rig, stage, gas); }
};

TEST_F(CalCurveLookupTest, ChoosesTheCurveOfTheComponentGas)
{
    setUpStage3();
    setMeterCurve(10, "Ar");
    setMeterCurve(20, "N2");
    EXPECT_EQ(chosen(3, "Ar"), 10); // score 5 against 4
    EXPECT_EQ(chosen(3, "N2"), 20);
    // No trimming, case-sensitive: neither matches, the tie of 4 goes to the higher number.
    EXPECT_EQ(chosen(3, "Ar "), 20);
    EXPECT_EQ(chosen(3, "ar"), 20);
}

TEST_F(CalCurveLookupTest, EqualScoresGoToTheHighestNumberedCurve)
{
    setUpStage3();
    setMeterCurve(10, "Ar");
    setMeterCurve(700, "Ar");
    EXPECT_EQ(chosen(3, "Ar"), 700);
}

TEST_F(CalCurveLookupTest, EveryFieldCountsOnePoint)
{
    setUpStage3();
    // Curve 999 matches the gas and the stage number only (2), curve 5 make, size and float (3).
    rig->CalCurves[999].Gas = "Ar";
    rig->CalCurves[999].Flowmeter = 3;
    rig->CalCurves[5].Make = "Acme";
    rig->CalCurves[5].Size = "65";
    rig->CalCurves[5].Float = "Ss";
    rig->CalCurves[5].Gas = "He";
    EXPECT_EQ(chosen(3, "Ar"), 5);
    rig->CalCurves[999].Make = "Acme";
    rig->CalCurves[999].Size = "65"; // now 4
    EXPECT_EQ(chosen(3, "Ar"), 999);
}

TEST_F(CalCurveLookupTest, ChoosesCurve1000WhenNothingMatches)
{
    auto rig0 = testsupport::freshRig();
    rig0->Flowmeters[1].Make = "X";
    EXPECT_EQ(chosen(*rig0, 1, "Ar"), 1000);
}

TEST_F(CalCurveLookupTest, ACurveOfTheGasTiesWithAnotherByNumber)
{
    setUpStage3();
    // Curve 5 scores the gas and three meter points, curve 10 the four meter points: 4 each.
    setMeterCurve(5, "Ar");
    rig->CalCurves[5].Flowmeter = 0;
    setMeterCurve(10, "N2");
    EXPECT_EQ(chosen(3, "Ar"), 10);
    // Numbered the other way round, the curve of the gas wins the tie.
    std::swap(rig->CalCurves[5], rig->CalCurves[10]);
    EXPECT_EQ(chosen(3, "Ar"), 10);
    EXPECT_EQ(rig->CalCurves[10].Gas.view(), "Ar");
}

TEST_F(CalCurveLookupTest, OnlyTheBytesWithinTheLengthCount)
{
    setUpStage3();
    // Stray bytes after the texts are not part of them.
    setMeterCurve(10, "Ar");
    rig->CalCurves[10].Make.Chars[5] = 'x';
    setMeterCurve(20, "N2");
    rig->CalCurves[20].Make.Chars[4] = 'y';
    rig->Flowmeters[3].Make.Chars = { 'A', 'c', 'm', 'e', 'z', 'z', 'z', 'z' };
    EXPECT_EQ(chosen(3, "Ar"), 10);
    EXPECT_EQ(chosen(3, "N2"), 20);
    // A length byte past the field reads the whole field: the meter's make is now "Acmezzzz".
    rig->Flowmeters[3].Make.Length = 200;
    rig->CalCurves[20].Make = "Acmezzzz";
    EXPECT_EQ(chosen(3, "Ar"), 20); // 4 against curve 10's 4
    rig->CalCurves[20].Make.Length = 7;
    EXPECT_EQ(chosen(3, "Ar"), 10);
}

// Curves drawn from small pools of texts tie and match in part in every way; the index must choose
// exactly as the scan, for every stage and every name, listed or not.
TEST(CalCurveIndexTest, ChoosesAsTheScanOnRandomRigs)
{
    std::vector<std::string_view> names(
        testsupport::randomGasNames().begin(), testsupport::randomGasNames().end());
    names.insert(names.end(), { "Xe", "None", "Ar  " });
    for (std::uint32_t seed = 1; seed <= 12; ++seed) {
        const auto rig = testsupport::randomRig(seed);
        CalCurveIndex index(*rig);
        for (int stage = 1; stage <= MaxFlowmeters; ++stage) {
            for (const std::string_view name : names) {
                ASSERT_EQ(index.FindCalCurve(stage, name), FindCalCurve(*rig, stage, name))
                    << "seed " << seed << " stage " << stage << " gas '" << name << "'";
                for (const double reading : { 0.7, 13.0, 60.5 }) {
                    const double indexed = index.FlowFromReading(stage, name, reading);
                    const double scanned = FlowFromReading(*rig, stage, name, reading);
                    ASSERT_EQ(std::memcmp(&indexed, &scanned, sizeof(double)), 0)
                        << "seed " << seed << " stage " << stage << " gas '" << name << "'";
                }
            }
        }
    }
}

TEST(CalCurveIndexTest, ChoosesAsTheScanOnCurvesOfRandomBytes)
{
    auto rig = testsupport::rigAtStartValues();
    auto bytes = testsupport::randomBytes(sizeof(CalCurveRecord) * MaxCalCurves, 11);
    std::memcpy(&rig->CalCurves, bytes.data(), bytes.size());
    // The stages copy the texts of some curves, so that there is something to match.
    for (int stage = 1; stage <= MaxFlowmeters; ++stage) {
        const CalCurveRecord& curve = rig->CalCurves[stage * 37];
        rig->Flowmeters[stage].Make = curve.Make;
        rig->Flowmeters[stage].Size = curve.Size;
        rig->Flowmeters[stage].Float = rig->CalCurves[stage * 41].Float;
    }
    CalCurveIndex index(*rig);
    for (int stage = 1; stage <= MaxFlowmeters; ++stage)
        for (const int c : { 1, stage * 37, 500, 1000 }) {
            const std::string_view gas = rig->CalCurves[c].Gas.view();
            ASSERT_EQ(index.FindCalCurve(stage, gas), FindCalCurve(*rig, stage, gas))
                << "stage " << stage << " gas of curve " << c;
        }
}

struct InterpolationCase {
    double reading;
    double flow;
};

class InterpolationTest : public CalCurveLookupTest,
                          public ::testing::WithParamInterface<InterpolationCase> { };

TEST_P(InterpolationTest, FollowsOnePolynomialWithoutExtrapolating)
{
    // (1, 10), (2, 20), (3, 40), then two points that are ignored because they lie after the top.
    setPoints(7, { { 1, 10 }, { 2, 20 }, { 3, 40 }, { 2.5, 99 }, { 0, 0 } });
    const auto [reading, flow] = GetParam();
    EXPECT_DOUBLE_EQ(InterpolateCalCurve(*rig, 7, reading), flow) << "reading " << reading;
}

// Quadratic through the three points, worked by hand (5x² - 5x + 10): 28.75 at 2.5, 13.75 at 1.5.
INSTANTIATE_TEST_SUITE_P(Readings, InterpolationTest,
    ::testing::Values(InterpolationCase { 2.5, 28.75 }, InterpolationCase { 1.5, 13.75 },
        InterpolationCase { 0.5, 10 }, InterpolationCase { 5, 40 }, InterpolationCase { 1, 10 },
        InterpolationCase { 2, 20 }, InterpolationCase { 3, 40 }));

TEST_F(CalCurveLookupTest, AReadingOfExactlyOneBelowTheFirstPointGivesTheTopFlow)
{
    setPoints(4, { { 2, 10 }, { 3, 30 }, { 5, 50 } });
    EXPECT_EQ(InterpolateCalCurve(*rig, 4, 1.0), 50);
    EXPECT_EQ(InterpolateCalCurve(*rig, 4, 1.5), 10);
    EXPECT_EQ(InterpolateCalCurve(*rig, 4, 0.999), 10);
}

TEST_F(CalCurveLookupTest, TheFirstOfEqualLargestReadingsIsTheTop)
{
    setPoints(4, { { 1, 10 }, { 4, 40 }, { 4, 77 } });
    EXPECT_EQ(InterpolateCalCurve(*rig, 4, 9), 40);
    EXPECT_DOUBLE_EQ(InterpolateCalCurve(*rig, 4, 2), 20);
}

TEST_F(CalCurveLookupTest, DegenerateCurvesGiveZeroInsteadOfNaN)
{
    // No point above 0.
    EXPECT_EQ(InterpolateCalCurve(*rig, 1, 2.0), 0.0);
    setPoints(2, { { -1, 5 }, { 0, 7 } });
    EXPECT_EQ(InterpolateCalCurve(*rig, 2, 2.0), 0.0);
    // Two equal readings among the interpolated points.
    setPoints(3, { { 1, 10 }, { 2, 20 }, { 2, 25 }, { 4, 40 } });
    EXPECT_EQ(InterpolateCalCurve(*rig, 3, 3.0), 0.0);
    EXPECT_EQ(InterpolateCalCurve(*rig, 3, 2.0), 0.0);
    // ... while outside them the end points still answer.
    EXPECT_EQ(InterpolateCalCurve(*rig, 3, 0.5), 10.0);
    EXPECT_EQ(InterpolateCalCurve(*rig, 3, 5.0), 40.0);
    // Stored values that are not numbers, or overflow.
    setPoints(5, { { 1, Inf }, { 2, 20 } });
    EXPECT_EQ(InterpolateCalCurve(*rig, 5, 0.5), 0.0);
    EXPECT_EQ(InterpolateCalCurve(*rig, 5, 1.5), 0.0);
    setPoints(6, { { NaN, 1 }, { 2, 20 } });
    EXPECT_EQ(InterpolateCalCurve(*rig, 6, 1.5), 0.0);
    setPoints(8, { { 1, 1e308 }, { 1 + 1e-15, -1e308 }, { 3, 0 } });
    EXPECT_EQ(InterpolateCalCurve(*rig, 8, 2.0), 0.0);
}

TEST_F(CalCurveLookupTest, ReadingsThatAreNotPositiveNumbersGiveNoFlow)
{
    setPoints(1000, { { 1, 10 }, { 2, 20 } });
    EXPECT_EQ(FlowFromReading(*rig, 1, "Ar", 1.5), 15.0);
    for (const double reading : { 0.0, -0.0, -1.0, NaN, Inf, -Inf })
        EXPECT_EQ(FlowFromReading(*rig, 1, "Ar", reading), 0.0) << "reading " << reading;
}

TEST_F(CalCurveLookupTest, RandomCurvesNeverGiveANonFiniteFlow)
{
    auto bytes = testsupport::randomBytes(sizeof(CalCurveRecord) * MaxCalCurves, 7);
    std::memcpy(&rig->CalCurves, bytes.data(), bytes.size());
    for (int c = 1; c <= MaxCalCurves; ++c)
        for (const double reading : { 0.5, 1.0, 3.0, 1e10 })
            EXPECT_TRUE(std::isfinite(InterpolateCalCurve(*rig, c, reading))) << "curve " << c;
}

// A reading the curve does not interpolate is answered from the point ClampOfReading names, and
// every other reading lies between the first and the top point.
TEST_F(CalCurveLookupTest, ClampOfReadingNamesThePointWhoseFlowIsTaken)
{
    std::mt19937 random(22);
    std::uniform_real_distribution<double> spread(-2.0, 12.0);
    int clamped = 0;
    for (int trial = 0; trial < 400; ++trial) {
        CalCurveRecord& curve = rig->CalCurves[5];
        curve = CalCurveRecord {};
        const int count = 1 + static_cast<int>(random() % 6);
        for (int k = 1; k <= count; ++k)
            curve.Points[k] = { std::floor(spread(random)), spread(random) };
        const double reading = trial % 10 == 0 ? 1.0 : std::abs(spread(random)) + 1e-3;
        const double flow = InterpolateCalCurve(*rig, 5, reading);
        const auto clamp = ClampOfReading(*rig, 5, reading);
        SCOPED_TRACE(testing::Message() << "trial " << trial << " reading " << reading);
        if (!clamp)
            continue;
        ++clamped;
        if (clamp->Kind == CurveClampKind::NoPoints) {
            EXPECT_EQ(flow, 0.0);
            continue;
        }
        int point = 0;
        for (int k = MaxCalPoints; k >= 1; --k)
            if (curve.Points[k].Reading == clamp->Limit)
                point = k;
        ASSERT_NE(point, 0);
        EXPECT_EQ(flow, curve.Points[point].Flow);
        EXPECT_TRUE(clamp->Kind == CurveClampKind::Below ? reading < curve.Points[1].Reading
                                                         : reading > clamp->Limit);
    }
    EXPECT_GE(clamped, 100);
}

} // namespace
} // namespace meldrix
