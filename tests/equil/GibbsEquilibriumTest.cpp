#include "equil/GibbsEquilibrium.h"

#include <cmath>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <random>

namespace meldrix {
namespace {

using ::testing::HasSubstr;

const ThermoData& data()
{
    return BuiltInThermoData();
}

long double g(const char* formula, double kelvin)
{
    const ThermoSpecies* species = data().find(formula);
    EXPECT_NE(species, nullptr) << formula;
    return species ? species->GibbsOverRT(kelvin) : 0.0L;
}

// ln K of a formation reaction from the data's own standard Gibbs energies: ln K = -dG°/RT.
long double lnK(double kelvin, const char* product,
    std::initializer_list<std::pair<const char*, double>> reactants)
{
    long double dG = g(product, kelvin);
    for (const auto& [formula, count] : reactants)
        dG -= count * g(formula, kelvin);
    return -dG;
}

GibbsResult solve(std::vector<FeedComponent> feed, double kelvin, double bar = 1.0)
{
    return GibbsEquilibrium(data(), feed, kelvin, bar);
}

// The identities every result must satisfy, checked from its fractions and the data alone.
void expectEquilibrium(const std::vector<FeedComponent>& feed, const GibbsResult& result)
{
    ASSERT_TRUE(result.Ok) << result.Message;
    double feedTotal = 0.0;
    for (const FeedComponent& component : feed)
        feedTotal += component.Fraction;
    double sum = 0.0;
    for (const SpeciesFraction& species : result.Species) {
        ASSERT_TRUE(std::isfinite(species.Fraction) && species.Fraction >= 0.0) << species.Name;
        sum += species.Fraction;
    }
    EXPECT_NEAR(sum, 1.0, 1e-13);

    for (const auto& [element, potential] : result.ElementPotentials) {
        long double fed = 0.0L;
        for (const FeedComponent& component : feed)
            if (const ThermoSpecies* species = data().find(component.Name))
                fed += component.Fraction / feedTotal * species->atoms(element);
        long double held = element == "C" ? result.Graphite : 0.0;
        for (const SpeciesFraction& species : result.Species)
            if (const ThermoSpecies* known = data().find(species.Name))
                held += static_cast<long double>(result.GasAmount) * species.Fraction
                    * known->atoms(element);
        EXPECT_LE(std::fabs(held / fed - 1.0L), 1e-12L) << "balance of " << element;
    }

    for (const SpeciesFraction& species : result.Species) {
        const ThermoSpecies* known = data().find(species.Name);
        if (!known || !std::isnormal(species.Fraction))
            continue;
        const long double mu = known->GibbsOverRT(result.Kelvin)
            + std::log(static_cast<long double>(species.Fraction) * result.Bar);
        long double sumOfPotentials = 0.0L;
        for (const auto& [element, potential] : result.ElementPotentials)
            sumOfPotentials += known->atoms(element) * potential;
        EXPECT_NEAR(static_cast<double>(mu), static_cast<double>(sumOfPotentials), 1e-9)
            << species.Name << " at " << result.Kelvin << " K";
    }

    for (const auto& [element, potential] : result.ElementPotentials) {
        if (element != "C")
            continue;
        const long double activity = std::exp(potential - g("C(gr)", result.Kelvin));
        if (result.Graphite > 0.0)
            EXPECT_NEAR(static_cast<double>(activity), 1.0, 1e-9);
        else
            EXPECT_LE(static_cast<double>(activity), 1.0 + 1e-12);
        EXPECT_NEAR(result.GraphiteActivity, static_cast<double>(activity), 1e-9);
    }
}

TEST(ThermoDataTest, BuiltInDataHoldEveryGasAndGraphite)
{
    EXPECT_EQ(data().Species.size(), 33u);
    EXPECT_EQ(data().Species.front().Formula, "H2"); // the file's order is kept
    EXPECT_TRUE(data().find("C(gr)")->Condensed);
    EXPECT_FALSE(data().find("HDO")->Condensed);
    EXPECT_EQ(data().find("h2o"), nullptr); // formulas match exactly
    EXPECT_EQ(data().TMin, 200.0);
    EXPECT_EQ(data().TMax, 6000.0);
    EXPECT_THAT(data().Citation, HasSubstr("NASA/TP-2002-211556"));
}

TEST(ThermoDataTest, FormationGibbsEnergiesMatchTheDataSetsOwnChecks)
{
    // dfG° of H2O at 1000 K, -192.582 kJ/mol, as the data set's README lists it.
    const double dG = -static_cast<double>(lnK(1000.0, "H2O", { { "H2", 1.0 }, { "O2", 0.5 } }))
        * ThermoGasConstant * 1000.0;
    EXPECT_NEAR(dG / 1000.0, -192.582, 0.001);
}

struct BadDataCase {
    const char* json;
    const char* message;
};

class ThermoDataErrorTest : public ::testing::TestWithParam<BadDataCase> { };

TEST_P(ThermoDataErrorTest, SaysWhatIsWrong)
{
    const auto parsed = ParseThermoData(GetParam().json);
    ASSERT_TRUE(std::holds_alternative<std::string>(parsed));
    EXPECT_THAT(std::get<std::string>(parsed), HasSubstr(GetParam().message));
}

INSTANTIATE_TEST_SUITE_P(Thermo, ThermoDataErrorTest,
    ::testing::Values(BadDataCase { "{", "not valid JSON" },
        BadDataCase { R"({"species": {}})", "no species" },
        BadDataCase { R"({"species": {"X": {"phase": "plasma"}}})", "neither gas nor condensed" },
        BadDataCase { R"({"species": {"X": {"phase": "gas", "composition": {"X": 1},
            "intervals": [{"T_range": [300, 1000], "a": [1, 2], "b": [0, 0]}]}}})",
            "X: a is not a list of 7 numbers" },
        BadDataCase { R"({"species": {"X": {"phase": "gas", "composition": {"X": 1},
            "intervals": [{"T_range": [300, 1000], "a": [0,0,2.5,0,0,0,0], "b": [0, 0]},
                          {"T_range": [1200, 6000], "a": [0,0,2.5,0,0,0,0], "b": [0, 0]}]}}})",
            "not contiguous" },
        BadDataCase {
            R"({"R_J_per_mol_K": 8.314, "species": {"X": {}}})", "another gas constant" }));

TEST(GibbsEquilibriumTest, HydrogenWaterBufferSetsPO2FromTheWaterConstant)
{
    const std::vector<FeedComponent> feed { { "H2", 0.05 }, { "H2O", 0.05 }, { "Ar", 0.9 } };
    const auto result = solve(feed, 1000.0);
    expectEquilibrium(feed, result);
    // H2 + 1/2 O2 = H2O: pO2 = (x_H2O / (x_H2 K))^2, and about (1/K)^2 for a 1:1 buffer.
    const long double k = lnK(1000.0, "H2O", { { "H2", 1.0 }, { "O2", 0.5 } }) / std::log(10.0L);
    const double ratio = std::log10(result.fraction("H2O") / result.fraction("H2"));
    EXPECT_NEAR(result.Log10PO2, 2.0 * (ratio - static_cast<double>(k)), 1e-9);
    EXPECT_NEAR(result.Log10PO2, -2.0 * static_cast<double>(k), 1e-6);
    EXPECT_NEAR(result.Log10PO2, -20.12, 0.01);
    EXPECT_EQ(result.Graphite, 0.0);
}

TEST(GibbsEquilibriumTest, CarbonMonoxideDioxideBufferSetsPO2)
{
    const std::vector<FeedComponent> feed { { "CO", 0.5 }, { "CO2", 0.5 } };
    const auto result = solve(feed, 1000.0);
    expectEquilibrium(feed, result);
    // CO + 1/2 O2 = CO2, from the two formation constants.
    const long double k = (lnK(1000.0, "CO2", { { "C(gr)", 1.0 }, { "O2", 1.0 } })
                              - lnK(1000.0, "CO", { { "C(gr)", 1.0 }, { "O2", 0.5 } }))
        / std::log(10.0L);
    const double ratio = std::log10(result.fraction("CO2") / result.fraction("CO"));
    EXPECT_NEAR(result.Log10PO2, 2.0 * (ratio - static_cast<double>(k)), 1e-9);
    EXPECT_NEAR(result.Log10PO2, -20.43, 0.01);
    EXPECT_EQ(result.Graphite, 0.0); // Boudouard: a 1:1 gas deposits no carbon at 1000 K
}

TEST(GibbsEquilibriumTest, SyntheticAirKeepsItsOxygenAndFormsNitricOxide)
{
    const std::vector<FeedComponent> feed { { "N2", 0.79 }, { "O2", 0.21 } };
    const auto result = solve(feed, 1273.15);
    expectEquilibrium(feed, result);
    EXPECT_NEAR(result.fraction("O2"), 0.21, 0.001);
    // 1/2 N2 + 1/2 O2 = NO: x_NO = K sqrt(x_N2 x_O2).
    const double k =
        std::exp(static_cast<double>(lnK(1273.15, "NO", { { "N2", 0.5 }, { "O2", 0.5 } })));
    EXPECT_NEAR(
        result.fraction("NO"), k * std::sqrt(result.fraction("N2") * result.fraction("O2")), 1e-12);
    EXPECT_NEAR(result.fraction("NO"), 3.3e-4, 0.1e-4);
    EXPECT_NEAR(result.Log10PO2, std::log10(result.fraction("O2")), 1e-12);
}

TEST(GibbsEquilibriumTest, CarbonMonoxideRichGasDepositsGraphiteOnlyWhenCool)
{
    const std::vector<FeedComponent> feed { { "CO", 0.9 }, { "CO2", 0.1 } };
    const auto cool = solve(feed, 873.15);
    expectEquilibrium(feed, cool);
    EXPECT_GT(cool.Graphite, 0.1);
    EXPECT_EQ(cool.GraphiteActivity, 1.0);
    // With graphite present, 2 CO = C + CO2 fixes x_CO2 / x_CO^2 at 1 bar.
    const long double boudouard = lnK(873.15, "CO2", { { "C(gr)", 1.0 }, { "O2", 1.0 } })
        - 2 * lnK(873.15, "CO", { { "C(gr)", 1.0 }, { "O2", 0.5 } });
    EXPECT_NEAR(std::log(cool.fraction("CO2") / (cool.fraction("CO") * cool.fraction("CO"))),
        static_cast<double>(boudouard), 1e-9);

    const auto hot = solve(feed, 1273.15);
    expectEquilibrium(feed, hot);
    EXPECT_EQ(hot.Graphite, 0.0);
    EXPECT_LT(hot.GraphiteActivity, 1.0);
}

TEST(GibbsEquilibriumTest, HydrogenBurnsInExcessOxygen)
{
    // The gas cell B of the shipped data set receives.
    const std::vector<FeedComponent> feed { { "H2", 0.02 }, { "O2", 0.07 }, { "Ar", 0.91 } };
    const auto result = solve(feed, 1073.15);
    expectEquilibrium(feed, result);
    EXPECT_NEAR(result.fraction("H2O"), 0.02 / 0.99, 1e-4);
    EXPECT_NEAR(result.fraction("O2"), 0.06 / 0.99, 1e-4);
    EXPECT_NEAR(result.fraction("H2"), 5.5e-11, 0.1e-11);
}

TEST(GibbsEquilibriumTest, GraphiteFedBeyondWhatTheGasCanHoldStaysGraphite)
{
    // Carbon with a trace of oxygen: nearly all of it cannot leave as CO.
    const std::vector<FeedComponent> feed { { "C(gr)", 0.5 }, { "O2", 1e-6 }, { "Ar", 0.5 } };
    const auto result = solve(feed, 1500.0);
    expectEquilibrium(feed, result);
    const double fed = 0.5 + 1e-6 + 0.5; // the feed is taken per mole
    EXPECT_NEAR(result.Graphite, (0.5 - 2e-6) / fed, 1e-9);
    EXPECT_NEAR(result.fraction("CO"), 2e-6 / (0.5 + 2e-6), 1e-9);
}

TEST(GibbsEquilibriumTest, UnknownComponentsKeepTheirShareAndAreReported)
{
    const std::vector<FeedComponent> feed { { "Xe", 0.5 }, { "h2", 0.25 }, { "O2", 0.25 } };
    const auto result = solve(feed, 1000.0);
    expectEquilibrium(feed, result);
    EXPECT_EQ(result.Inert, (std::vector<std::string> { "Xe", "h2" }));
    EXPECT_NEAR(result.fraction("Xe"), 0.5, 1e-6);
    EXPECT_NEAR(result.fraction("h2"), 0.25, 1e-6);
    EXPECT_EQ(result.Species.back().Name, "h2");
}

TEST(GibbsEquilibriumTest, RepeatedComponentsAddUpAndZeroSharesTakeNoPart)
{
    const std::vector<FeedComponent> twice { { "H2", 0.25 }, { "Ar", 0.5 }, { "H2", 0.25 },
        { "N2", 0.0 } };
    const auto result = solve(twice, 800.0);
    expectEquilibrium(twice, result);
    EXPECT_NEAR(result.fraction("H2"), 0.5, 1e-6);
    EXPECT_EQ(result.fraction("NH3"), 0.0); // no nitrogen, so no species of it at all
    EXPECT_EQ(result.ElementPotentials.size(), 2u);
}

struct FailureCase {
    std::vector<FeedComponent> feed;
    double kelvin;
    double bar;
    const char* message;
};

class GibbsFailureTest : public ::testing::TestWithParam<FailureCase> { };

TEST_P(GibbsFailureTest, GivesAClearErrorAndNoNumbers)
{
    const auto& c = GetParam();
    const auto result = solve(c.feed, c.kelvin, c.bar);
    EXPECT_FALSE(result.Ok);
    EXPECT_THAT(result.Message, HasSubstr(c.message));
    EXPECT_TRUE(result.Species.empty());
    EXPECT_EQ(result.Log10PO2, 0.0);
}

const std::vector<FeedComponent> air { { "N2", 0.79 }, { "O2", 0.21 } };
const double nan = std::numeric_limits<double>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(Gibbs, GibbsFailureTest,
    ::testing::Values(FailureCase { air, 150.0, 1.0, "temperature 150.00 K is outside" },
        FailureCase { air, 6500.0, 1.0, "200.00 K to 6000.00 K" },
        FailureCase { air, nan, 1.0, "temperature NaN K" },
        FailureCase { air, 1000.0, 0.0, "pressure 0.000000 bar is not above 0" },
        FailureCase { air, 1000.0, -1.0, "is not above 0" },
        FailureCase { air, 1000.0, nan, "pressure NaN bar" },
        FailureCase { {}, 1000.0, 1.0, "no species" },
        FailureCase { { { "C(gr)", 1.0 } }, 1000.0, 1.0, "graphite alone" },
        FailureCase { { { "Xe", 1.0 }, { "O2", 0.0 } }, 1000.0, 1.0, "no species" },
        FailureCase { { { "O2", -0.1 }, { "N2", 1.0 } }, 1000.0, 1.0, "fraction of O2" },
        FailureCase { { { "O2", nan } }, 1000.0, 1.0, "fraction of O2" }));

// Thousands of random gases of known species: every one converges and satisfies the identities.
TEST(GibbsEquilibriumTest, RandomCompositionsAlwaysConverge)
{
    std::mt19937_64 random(20261208);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<std::string> names;
    for (const ThermoSpecies& species : data().Species)
        if (!species.Condensed)
            names.push_back(species.Formula);
    int worst = 0;
    for (int run = 0; run < 3000; ++run) {
        std::vector<FeedComponent> feed;
        const int count = 1 + static_cast<int>(unit(random) * 5);
        for (int k = 0; k < count; ++k)
            feed.push_back(
                { names[static_cast<std::size_t>(unit(random) * static_cast<double>(names.size()))],
                    std::pow(10.0, -8.0 * unit(random)) });
        if (unit(random) < 0.1)
            feed.push_back({ "Kr", unit(random) });
        const double kelvin = 300.0 + 1700.0 * unit(random);
        const double bar = std::pow(10.0, -2.0 + 3.0 * unit(random));
        const auto result = solve(feed, kelvin, bar);
        std::string gas;
        for (const FeedComponent& component : feed)
            gas += " " + component.Name + " " + std::to_string(component.Fraction);
        SCOPED_TRACE("run " + std::to_string(run) + " at " + std::to_string(kelvin) + " K, "
            + std::to_string(bar) + " bar:" + gas);
        expectEquilibrium(feed, result);
        if (::testing::Test::HasFailure())
            return;
        EXPECT_FALSE(std::isnan(result.Log10PO2));
        worst = std::max(worst, result.Iterations);
    }
    EXPECT_LT(worst, 200);
}

} // namespace
} // namespace meldrix
