#include "calib/CalCurveLookup.h"
#include "support/Bytes.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <vector>

namespace meldrix {
namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// Through (1, 0), (2, 1), (3, 4), worked by hand from Fritsch and Butland's slopes: the inner
// slope is 6 / (3/1 + 3/3) = 1.5; the first end slope (3 * 1 - 3) / 2 = 0, the last
// (3 * 3 - 1) / 2 = 4. The Hermite cubics give 0.3125 at 1.5 and 2.1875 at 2.5; the polynomial
// through the same points, (x - 1)^2, gives 0.25 and 2.25.
TEST(MonotoneCubicTest, GivesTheFritschButlandCubicOfThreePoints)
{
    auto rig = testsupport::rigAtStartValues();
    OneBased<CalPoint, MaxCalPoints>& points = rig->CalCurves[7].Points;
    points[1] = { 1.0, 0.0 };
    points[2] = { 2.0, 1.0 };
    points[3] = { 3.0, 4.0 };
    EXPECT_NEAR(InterpolateCalCurveMonotone(*rig, 7, 1.5), 0.3125, 1e-15);
    EXPECT_NEAR(InterpolateCalCurveMonotone(*rig, 7, 2.5), 2.1875, 1e-15);
    EXPECT_NEAR(InterpolateCalCurve(*rig, 7, 1.5), 0.25, 1e-15);
    // Points before the top in another order are taken in order of reading; a reading below the
    // first stored point still takes that point's flow.
    points[1] = { 2.0, 1.0 };
    points[2] = { 1.0, 0.0 };
    EXPECT_NEAR(InterpolateCalCurveMonotone(*rig, 7, 2.5), 2.1875, 1e-15);
    EXPECT_EQ(InterpolateCalCurveMonotone(*rig, 7, 1.5), 1.0);
    // Two points make the straight line.
    points[3] = {};
    points[2] = { 4.0, 7.0 };
    EXPECT_EQ(InterpolateCalCurveMonotone(*rig, 7, 3.0), 4.0);
}

// Curves of 2..20 points rising, falling and standing still by steps over several decades: the
// cubic meets every point, stays between the two points around each reading, follows their
// direction between them and has no jump at a point.
TEST(MonotoneCubicTest, KeepsTheShapeOfItsPoints)
{
    std::mt19937 random(31);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int trial = 0; trial < 300; ++trial) {
        const std::size_t n = 2 + random() % (MaxCalPoints - 1);
        std::vector<CalPoint> points;
        double reading = unit(random) * 10;
        double flow = unit(random) * 100;
        for (std::size_t k = 0; k < n; ++k) {
            points.push_back({ reading, flow });
            reading += 0.01 + std::pow(10.0, 2 * unit(random)) * unit(random);
            const int direction = static_cast<int>(random() % 3) - 1;
            flow += direction * std::pow(10.0, 4 * unit(random) - 2);
        }
        SCOPED_TRACE(testing::Message() << "trial " << trial << ", " << n << " points");
        for (const CalPoint& point : points)
            EXPECT_EQ(MonotoneCubic(points, point.Reading), point.Flow);

        for (std::size_t k = 0; k + 1 < n; ++k) {
            const CalPoint& left = points[k];
            const CalPoint& right = points[k + 1];
            const double low = std::min(left.Flow, right.Flow);
            const double high = std::max(left.Flow, right.Flow);
            double previous = left.Flow;
            for (int j = 1; j <= 40; ++j) {
                const double at = left.Reading + (right.Reading - left.Reading) * j / 41.0;
                const double value = MonotoneCubic(points, at);
                ASSERT_GE(value, low) << "between points " << k << " and " << k + 1;
                ASSERT_LE(value, high) << "between points " << k << " and " << k + 1;
                if (right.Flow > left.Flow)
                    ASSERT_GE(value, previous);
                else if (right.Flow < left.Flow)
                    ASSERT_LE(value, previous);
                else
                    ASSERT_EQ(value, left.Flow);
                previous = value;
            }
        }
        // Either side of an inner point the cubic is as near its flow as its slopes allow.
        for (std::size_t k = 1; k + 1 < n; ++k) {
            const double at = points[k].Reading;
            const double steepest = std::max(
                std::abs(points[k].Flow - points[k - 1].Flow) / (at - points[k - 1].Reading),
                std::abs(points[k + 1].Flow - points[k].Flow) / (points[k + 1].Reading - at));
            const double step = at * 1e-9;
            for (const double beside : { at - step, at + step })
                EXPECT_NEAR(MonotoneCubic(points, beside), points[k].Flow,
                    3 * steepest * step + 1e-12 * std::abs(points[k].Flow))
                    << "beside point " << k;
        }
    }
}

// Whatever the polynomial decides before it interpolates (no point above 0, a reading below the
// first point or above the top, exactly 1.0, two points on one reading) the cubic decides alike,
// and a point that is not a finite number gives 0 in both.
TEST(MonotoneCubicTest, DecidesLikeTheSpecifiedLookupBeforeItInterpolates)
{
    auto rig = testsupport::rigAtStartValues();
    std::mt19937 random(32);
    std::uniform_real_distribution<double> spread(-2.0, 12.0);
    int decided = 0;
    int notFinite = 0;
    for (int trial = 0; trial < 600; ++trial) {
        CalCurveRecord& curve = rig->CalCurves[9];
        curve = CalCurveRecord {};
        const int count = 1 + static_cast<int>(random() % 6);
        for (int k = 1; k <= count; ++k)
            curve.Points[k] = { std::floor(spread(random)), spread(random) };
        if (trial % 7 == 0)
            curve.Points[1 + static_cast<int>(random() % 3)].Flow = NaN;
        const double reading = trial % 10 == 0 ? 1.0 : std::abs(spread(random)) + 1e-3;
        SCOPED_TRACE(testing::Message() << "trial " << trial << " reading " << reading);
        const CurveSpan span = SpanOfReading(*rig, 9, reading);
        const double cubic = InterpolateCalCurveMonotone(*rig, 9, reading);
        if (span.Answer) {
            ++decided;
            EXPECT_EQ(cubic, *span.Answer);
            EXPECT_EQ(InterpolateCalCurve(*rig, 9, reading), *span.Answer);
            continue;
        }
        bool finite = true;
        for (int k = 1; k <= span.Top; ++k)
            finite = finite && std::isfinite(curve.Points[k].Flow);
        if (!finite) {
            ++notFinite;
            EXPECT_EQ(cubic, 0.0);
            EXPECT_EQ(InterpolateCalCurve(*rig, 9, reading), 0.0);
        }
    }
    EXPECT_GE(decided, 200);
    EXPECT_GE(notFinite, 10);
}

} // namespace
} // namespace meldrix
