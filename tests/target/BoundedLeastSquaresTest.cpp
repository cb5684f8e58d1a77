#include "target/BoundedLeastSquares.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <stop_token>
#include <vector>

namespace meldrix {
namespace {

// Residuals A u - b, reached when each is within 1e-9; A is m x n, row by row.
LeastSquaresResiduals linear(std::vector<double> a, std::vector<double> b)
{
    return [a = std::move(a), b = std::move(b)](std::span<const double> u) {
        LeastSquaresTrial trial;
        trial.Cost = 0.0;
        trial.Reached = true;
        for (std::size_t r = 0; r < b.size(); ++r) {
            double value = -b[r];
            for (std::size_t i = 0; i < u.size(); ++i)
                value += a[r * u.size() + i] * u[i];
            trial.Residuals.push_back(value);
            trial.Cost += 0.5 * value * value;
            trial.Reached = trial.Reached && std::abs(value) <= 1e-9;
        }
        return trial;
    };
}

// Solves the 1 x 1 or 2 x 2 system s y = v by Cramer's rule.
std::vector<double> solved(const std::vector<double>& s, const std::vector<double>& v)
{
    if (v.size() == 1)
        return { v[0] / s[0] };
    const double determinant = s[0] * s[3] - s[1] * s[2];
    return { (v[0] * s[3] - s[1] * v[1]) / determinant, (s[0] * v[1] - v[0] * s[2]) / determinant };
}

// With fewer goals than coordinates the answer is the point of A u = b nearest the anchor: the
// anchor moved by A^T (A A^T)^-1 (b - A anchor), whenever that point lies inside the box.
TEST(BoundedLeastSquaresTest, FindsTheSolutionNearestTheAnchor)
{
    std::mt19937 random(37);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::uniform_real_distribution<double> coefficient(-1.0, 1.0);
    int checked = 0;
    for (int round = 0; round < 200 && checked < 40; ++round) {
        const std::size_t n = 2 + (round / 2) % 4;
        const std::size_t m = 1 + round % 2;
        std::vector<double> a(m * n);
        for (double& x : a)
            x = coefficient(random);
        std::vector<double> anchor(n);
        for (double& x : anchor)
            x = unit(random);
        std::vector<double> inside(n);
        for (double& x : inside)
            x = 0.25 + 0.5 * unit(random);
        std::vector<double> b(m, 0.0);
        for (std::size_t r = 0; r < m; ++r)
            for (std::size_t i = 0; i < n; ++i)
                b[r] += a[r * n + i] * inside[i];

        std::vector<double> gram(m * m, 0.0);
        std::vector<double> gap = b;
        for (std::size_t r = 0; r < m; ++r)
            for (std::size_t i = 0; i < n; ++i) {
                gap[r] -= a[r * n + i] * anchor[i];
                for (std::size_t q = 0; q < m; ++q)
                    gram[r * m + q] += a[r * n + i] * a[q * n + i];
            }
        const std::vector<double> y = solved(gram, gap);
        std::vector<double> nearest = anchor;
        bool boxed = true;
        for (std::size_t i = 0; i < n; ++i) {
            for (std::size_t r = 0; r < m; ++r)
                nearest[i] += a[r * n + i] * y[r];
            boxed = boxed && nearest[i] > 0.01 && nearest[i] < 0.99;
        }
        if (!boxed)
            continue;
        ++checked;

        const LeastSquaresResult result = SolveBoundedLeastSquares(linear(a, b), anchor);
        ASSERT_TRUE(result.Reached) << "round " << round;
        ASSERT_EQ(result.Point.size(), n);
        for (std::size_t i = 0; i < n; ++i)
            EXPECT_NEAR(result.Point[i], nearest[i], 1e-6) << "round " << round << ", u" << i;
        EXPECT_FALSE(result.Cancelled || result.Capped);
        EXPECT_GT(result.Evaluations, 0);
    }
    EXPECT_EQ(checked, 40);
}

struct BoundCase {
    const char* name;
    double wanted; // the goal of u - wanted = 0 on one coordinate
    double point;
    bool reached;
    bool held;
};

class BoundedLeastSquaresBoundTest : public ::testing::TestWithParam<BoundCase> { };

TEST_P(BoundedLeastSquaresBoundTest, StopsAtTheBoundAGoalBeyondItPullsTowards)
{
    const BoundCase& c = GetParam();
    const auto residuals = linear({ 1.0 }, { c.wanted });
    const LeastSquaresResult result = SolveBoundedLeastSquares(residuals, { 0.5 });
    ASSERT_EQ(result.Point.size(), 1u);
    EXPECT_NEAR(result.Point[0], c.point, 1e-8);
    EXPECT_EQ(result.Reached, c.reached);
    EXPECT_EQ(HeldAtBounds(residuals, result.Point), std::vector<bool> { c.held });
}

INSTANTIATE_TEST_SUITE_P(Bounds, BoundedLeastSquaresBoundTest,
    ::testing::Values(BoundCase { "above", 1.5, 1.0, false, true },
        BoundCase { "below", -0.5, 0.0, false, true },
        BoundCase { "inside", 0.3, 0.3, true, false },
        BoundCase { "onTheBound", 1.0, 1.0, true, false }),
    [](const auto& row) { return std::string(row.param.name); });

TEST(BoundedLeastSquaresTest, StopsWhenCancelledOrOutOfEvaluations)
{
    const auto residuals = linear({ 1.0, 1.0 }, { 5.0 }); // beyond reach: every start is tried
    std::stop_source stop;
    stop.request_stop();
    const LeastSquaresResult cancelled =
        SolveBoundedLeastSquares(residuals, { 0.5, 0.5 }, { stop.get_token(), {}, 1000 });
    EXPECT_TRUE(cancelled.Cancelled);
    EXPECT_TRUE(cancelled.Point.empty());
    EXPECT_EQ(cancelled.Evaluations, 0);

    int lastMost = 0;
    const LeastSquaresResult capped = SolveBoundedLeastSquares(
        residuals, { 0.5, 0.5 }, { {}, [&](int, int most) { lastMost = most; }, 7 });
    EXPECT_TRUE(capped.Capped);
    EXPECT_FALSE(capped.Cancelled);
    EXPECT_EQ(lastMost, 7);
    EXPECT_GE(capped.Evaluations, 7);
    EXPECT_LE(capped.Evaluations, 8); // the step under way ends with its trial
}

} // namespace
} // namespace meldrix
