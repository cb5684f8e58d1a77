#include "equil/GasTreatment.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <optional>

namespace meldrix {
namespace {

struct TreatmentCase {
    const char* gas;
    const char* type;
    double celsius;
    std::optional<double> expected;
    double tolerance;
};

class GasTreatmentFractionTest : public ::testing::TestWithParam<TreatmentCase> { };

TEST_P(GasTreatmentFractionTest, GivesTheFractionBehindTheStage)
{
    const TreatmentCase& c = GetParam();
    const std::optional<double> fraction = GasTreatmentFraction(c.gas, c.type, c.celsius);
    ASSERT_EQ(fraction.has_value(), c.expected.has_value())
        << '"' << c.gas << "\" \"" << c.type << "\" at " << c.celsius;
    if (c.expected) {
        EXPECT_NEAR(*fraction, *c.expected, c.tolerance)
            << '"' << c.gas << "\" \"" << c.type << "\" at " << c.celsius;
    }
}

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr auto None = std::nullopt;

// Reference values with 6 significant digits are the worked examples of the saturator and drier
// tables (Goff–Gratch for water, the heavy-water polynomial); the tolerance is half a unit of their
// last digit. The KBr values are 0.84 times the saturator's.
INSTANTIATE_TEST_SUITE_P(Treatments, GasTreatmentFractionTest,
    ::testing::Values(TreatmentCase { "H2O", "Pure", 25.0, 0.0316520, 5e-8 },
        TreatmentCase { "H2O", "PURE", 25.0, 0.0316520, 5e-8 },
        TreatmentCase { "H2O", "KBR", 25.0, 0.0265876, 5e-8 },
        TreatmentCase { "H2O", "kBr", 25.0, 0.0265876, 5e-8 },
        TreatmentCase { "H2O", "PURE", 100.0, 1.01288, 5e-6 },
        TreatmentCase { "D2O", "PURE", 25.0, 0.0273127, 5e-8 },
        TreatmentCase { "D2O", "KBr", 25.0, 0.84 * 0.0273127, 5e-8 },
        TreatmentCase { "H2O", "DRY", 25.0, 0.0, 0.0 },
        TreatmentCase { "H2O", "dry", 25.0, 0.0, 0.0 },
        TreatmentCase { "H2O", "GETTER", 25.0, 0.0, 0.0 },
        TreatmentCase { "D2O", "Dry", 25.0, 0.0, 0.0 },
        TreatmentCase { "D2O", "getter", 25.0, 0.0, 0.0 },
        TreatmentCase { "O2", "GETTER", 25.0, 0.0, 0.0 },
        TreatmentCase { "O2", "Getter", 25.0, 0.0, 0.0 },
        // Driers and getters do not depend on the temperature.
        TreatmentCase { "H2O", "DRY", -300.0, 0.0, 0.0 },
        TreatmentCase { "O2", "GETTER", NaN, 0.0, 0.0 },
        // Pairs without a defined fraction.
        TreatmentCase { "h2o", "PURE", 25.0, None, 0.0 },
        TreatmentCase { "H2O ", "PURE", 25.0, None, 0.0 },
        TreatmentCase { "H2O", "PURE ", 25.0, None, 0.0 },
        TreatmentCase { "H2O", "WET", 25.0, None, 0.0 },
        TreatmentCase { "N2", "PURE", 25.0, None, 0.0 },
        TreatmentCase { "O2", "DRY", 25.0, None, 0.0 },
        TreatmentCase { "O2", "PURE", 25.0, None, 0.0 },
        TreatmentCase { "o2", "GETTER", 25.0, None, 0.0 },
        TreatmentCase { "", "", 25.0, None, 0.0 },
        // Saturators have no value at or below absolute zero, nor at an unknown temperature.
        TreatmentCase { "H2O", "PURE", -273.15, None, 0.0 },
        TreatmentCase { "D2O", "KBR", -300.0, None, 0.0 },
        TreatmentCase { "H2O", "PURE", NaN, None, 0.0 },
        TreatmentCase { "D2O", "PURE", std::numeric_limits<double>::infinity(), None, 0.0 }));

TEST(HeavyWater, IsOnePolynomialOnBothSidesOfFreezing)
{
    // At 0 °C only the constant term is left; just above, the powers through logarithms take over.
    EXPECT_NEAR(*GasTreatmentFraction("D2O", "PURE", 0.0), 0.00413333333, 1e-15);
    EXPECT_NEAR(*GasTreatmentFraction("D2O", "PURE", 1e-6), 0.00413333333, 1e-9);
    // Below freezing the polynomial is evaluated by multiplication (reference by hand):
    // p(-10) = 0.413333333 - 0.46428671 + 0.0936772 - 0.0285781 + 0.0025 - 0.000282051 [kPa].
    EXPECT_NEAR(*GasTreatmentFraction("D2O", "PURE", -10.0), 0.00016363672, 1e-14);
}

TEST(Water, RisesSteadilyTowardsTheSteamPoint)
{
    double previous = 0.0;
    for (double t = -50.0; t <= 150.0; t += 5.0) {
        const double fraction = *GasTreatmentFraction("H2O", "PURE", t);
        EXPECT_GT(fraction, previous) << "at " << t << " °C";
        previous = fraction;
    }
    // At the steam point itself the equation gives its reference pressure.
    EXPECT_NEAR(static_cast<double>(WaterVapourPressure(373.16L)), 1013.246, 1e-9);
}

} // namespace
} // namespace meldrix
