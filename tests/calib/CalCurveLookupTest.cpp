#include "calib/CalCurveLookup.h"

#include "support/Bytes.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <initializer_list>
#include <limits>

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
};

TEST_F(CalCurveLookupTest, ChoosesTheCurveOfTheComponentGas)
{
    setUpStage3();
    setMeterCurve(10, "Ar");
    setMeterCurve(20, "N2");
    EXPECT_EQ(FindCalCurve(*rig, 3, "Ar"), 10); // score 5 against 4
    EXPECT_EQ(FindCalCurve(*rig, 3, "N2"), 20);
    // No trimming, case-sensitive: neither matches, the tie of 4 goes to the higher number.
    EXPECT_EQ(FindCalCurve(*rig, 3, "Ar "), 20);
    EXPECT_EQ(FindCalCurve(*rig, 3, "ar"), 20);
}

TEST_F(CalCurveLookupTest, EqualScoresGoToTheHighestNumberedCurve)
{
    setUpStage3();
    setMeterCurve(10, "Ar");
    setMeterCurve(700, "Ar");
    EXPECT_EQ(FindCalCurve(*rig, 3, "Ar"), 700);
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
    EXPECT_EQ(FindCalCurve(*rig, 3, "Ar"), 5);
    rig->CalCurves[999].Make = "Acme";
    rig->CalCurves[999].Size = "65"; // now 4
    EXPECT_EQ(FindCalCurve(*rig, 3, "Ar"), 999);
}

TEST_F(CalCurveLookupTest, ChoosesCurve1000WhenNothingMatches)
{
    auto rig0 = testsupport::freshRig();
    rig0->Flowmeters[1].Make = "X";
    EXPECT_EQ(FindCalCurve(*rig0, 1, "Ar"), 1000);
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

} // namespace
} // namespace meldrix
