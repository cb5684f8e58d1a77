#include "equil/NumericHelpers.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace meldrix {
namespace {

struct HelperCase {
    const char* name;
    Extended (*helper)(Extended);
    Extended argument;
    Extended expected;
};

class ClampedHelperTest : public ::testing::TestWithParam<HelperCase> { };

TEST_P(ClampedHelperTest, HoldsTheResultInsideTheNumberFormat)
{
    const HelperCase& c = GetParam();
    // Exact logarithms and powers of ten agree to the last few bits of the 64-bit mantissa.
    EXPECT_NEAR(static_cast<double>(c.helper(c.argument)), static_cast<double>(c.expected),
        1e-15 * std::fabs(static_cast<double>(c.expected)))
        << c.name << "(" << static_cast<double>(c.argument) << ")";
}

constexpr Extended Inf = std::numeric_limits<Extended>::infinity();

INSTANTIATE_TEST_SUITE_P(Helpers, ClampedHelperTest,
    ::testing::Values(HelperCase { "Log10Clamped", Log10Clamped, 100, 2 },
        HelperCase { "Log10Clamped", Log10Clamped, 4.0e-5L, -4.397940008672037609572522L },
        HelperCase { "Log10Clamped", Log10Clamped, 1.0e307L, 308 },
        HelperCase { "Log10Clamped", Log10Clamped, 9.0e306L, 306.954242509439324877L },
        HelperCase { "Log10Clamped", Log10Clamped, Inf, 308 },
        HelperCase { "Log10Clamped", Log10Clamped, 1.0e-307L, -308 },
        HelperCase { "Log10Clamped", Log10Clamped, 1.0e-310L, -308 },
        HelperCase { "Log10Clamped", Log10Clamped, 0, -308 },
        HelperCase { "Log10Clamped", Log10Clamped, -5, -308 },
        HelperCase { "Power10", Power10, 2, 100 },
        HelperCase { "Power10", Power10, -4.5L, 3.16227766016837933199889e-5L },
        HelperCase { "Power10", Power10, 308, 1.0e307L },
        HelperCase { "Power10", Power10, 400, 1.0e307L },
        HelperCase { "Power10", Power10, 307.5L, 3.16227766016837933199889e307L },
        HelperCase { "Power10", Power10, -308, 0 }, HelperCase { "Power10", Power10, -Inf, 0 }),
    [](const auto& testInfo) {
        return std::string(testInfo.param.name) + std::to_string(testInfo.index);
    });

TEST(Power, RaisesPositiveBasesThroughLogarithms)
{
    EXPECT_NEAR(static_cast<double>(Power(2, 10)), 1024.0, 1e-12);
    EXPECT_NEAR(static_cast<double>(Power(25, 0.5L)), 5.0, 1e-15);
    EXPECT_EQ(Power(0, 3), 0);
    EXPECT_TRUE(std::isnan(Power(-2, 2)));
}

} // namespace
} // namespace meldrix
