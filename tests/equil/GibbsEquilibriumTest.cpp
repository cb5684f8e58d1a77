#include "equil/GibbsEquilibrium.h"

#include <algorithm>
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

// Fraction-free Gauss-Jordan on a matrix of whole numbers, in place: returns the pivot column of
// each independent row; every pivot ends as the same whole number d, and the other entries of a
// pivot column as 0.
std::vector<std::size_t> reduce(std::vector<std::vector<long double>>& m, long double& d)
{
    std::vector<std::size_t> pivots;
    d = 1.0L;
    const std::size_t cols = m.empty() ? 0 : m.front().size();
    for (std::size_t r = 0; r < m.size(); ++r) {
        std::size_t row = r, col = cols;
        for (std::size_t c = 0; c < cols && col == cols; ++c)
            for (std::size_t i = r; i < m.size() && col == cols; ++i)
                if (m[i][c] != 0.0L && std::find(pivots.begin(), pivots.end(), c) == pivots.end())
                    row = i, col = c;
        if (col == cols)
            break;
        std::swap(m[r], m[row]);
        for (std::size_t i = 0; i < m.size(); ++i) {
            if (i == r)
                continue;
            const long double f = m[i][col];
            for (std::size_t c = 0; c < cols; ++c)
                m[i][c] = (m[r][col] * m[i][c] - f * m[r][c]) / d;
        }
        d = m[r][col];
        pivots.push_back(col);
    }
    return pivots;
}

// The trace species keep the feed's element ratios. Every whole-number combination w of the
// elements that no species above 1e-3 (nor graphite, when present) holds turns the element
// balance into a relation among the traces alone, sum_j (w.a_j) n_j = w.b, whose two sides are
// each exact to their own size: the blind spot of a balance checked element by element.
void expectTraceBalance(const std::vector<FeedComponent>& feed, const GibbsResult& result)
{
    std::vector<std::string> elements;
    for (const auto& [element, potential] : result.ElementPotentials)
        elements.push_back(element);
    const auto column = [&](const ThermoSpecies& species) {
        std::vector<long double> atoms;
        for (const std::string& element : elements)
            atoms.push_back(species.atoms(element));
        return atoms;
    };
    std::vector<std::vector<long double>> majors;
    for (const SpeciesFraction& species : result.Species)
        if (const ThermoSpecies* known = data().find(species.Name);
            known && species.Fraction >= 1e-3)
            majors.push_back(column(*known));
    if (result.Graphite > 0.0)
        majors.push_back(column(*data().find("C(gr)")));
    long double d = 1.0L;
    const auto pivots = reduce(majors, d);

    for (std::size_t free = 0; free < elements.size(); ++free) {
        if (std::find(pivots.begin(), pivots.end(), free) != pivots.end())
            continue;
        std::vector<long double> w(elements.size(), 0.0L);
        w[free] = d;
        for (std::size_t r = 0; r < pivots.size(); ++r)
            w[pivots[r]] = -majors[r][free];
        const auto dot = [&](const ThermoSpecies& species) {
            const auto atoms = column(species);
            long double sum = 0.0L;
            for (std::size_t i = 0; i < w.size(); ++i)
                sum += w[i] * atoms[i];
            return sum;
        };
        long double held = 0.0L, size = 0.0L;
        for (const SpeciesFraction& species : result.Species)
            if (const ThermoSpecies* known = data().find(species.Name)) {
                const long double term =
                    dot(*known) * result.GasAmount * static_cast<long double>(species.Fraction);
                held += term;
                size += std::fabs(term);
            }
        long double fed = 0.0L, total = 0.0L;
        for (const FeedComponent& component : feed) {
            total += component.Fraction;
            if (const ThermoSpecies* known = data().find(component.Name))
                fed += dot(*known) * component.Fraction;
        }
        fed /= total;
        EXPECT_LE(std::fabs(held - fed), 1e-12L * (size + std::fabs(fed)))
            << "the trace species break the feed's ratio along combination " << free << ": " << held
            << " held, " << fed << " fed";
    }
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

    expectTraceBalance(feed, result);

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

TEST(GibbsEquilibriumTest, GraphiteStandsWhereThePolishCannotTellTheElementsApart)
{
    // Data in which hydrogen and oxygen occur only as water: no basis of species separates them,
    // so the polish leaves the main solve's answer as it is, its graphite included.
    ThermoData water = data();
    std::erase_if(water.Species, [](const ThermoSpecies& species) {
        return species.Formula != "H2O" && species.Formula != "C(gr)";
    });
    const std::vector<FeedComponent> feed { { "H2O", 0.5 }, { "C(gr)", 0.5 } };
    const auto result = GibbsEquilibrium(water, feed, 1000.0, 1.0);
    ASSERT_TRUE(result.Ok) << result.Message;
    EXPECT_EQ(result.GraphiteActivity, 1.0);
    EXPECT_NEAR(result.Graphite, 0.5, 1e-12); // all the carbon fed, per mole of feed
    EXPECT_NEAR(result.fraction("H2O"), 1.0, 1e-12);
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

TEST(GibbsEquilibriumTest, GasesTheDataDoNotKnowAloneStayAsTheyAre)
{
    const auto result = solve({ { "Xe", 3.0 }, { "Kr", 1.0 }, { "O2", 0.0 } }, 1000.0);
    ASSERT_TRUE(result.Ok) << result.Message;
    EXPECT_EQ(result.Inert, (std::vector<std::string> { "Xe", "Kr" }));
    EXPECT_EQ(result.fraction("Xe"), 0.75);
    EXPECT_EQ(result.fraction("Kr"), 0.25);
    EXPECT_EQ(result.GasAmount, 1.0);
    EXPECT_EQ(result.Log10PO2, -std::numeric_limits<double>::infinity());
    EXPECT_TRUE(result.ElementPotentials.empty());
}

// pO2 of an unbuffered gas, from the data's own standard Gibbs energies at 1 bar. With the major
// species M (H2O, D2O, CO2) and u = ln x_O2, the element potentials are lambda_O = (g_O2 + u) / 2
// and lambda_X = (g_M + ln x_M - a_O(M) lambda_O) / a_X(M), and every species of the X-O system
// follows in closed form, ln x_j = a_X(j) lambda_X + a_O(j) lambda_O - g_j. The feed's X:O ratio
// leaves one relation, sum_j (a_X(j) a_O(M) - a_O(j) a_X(M)) x_j = 0, falling in u, solved by
// bisection; x_M then follows from the fractions adding up to 1 with the argon.
long double unbufferedLog10PO2(const char* major, const char* other, double argon, double kelvin)
{
    const ThermoSpecies& m = *data().find(major);
    const double aX = m.atoms(other), aO = m.atoms("O");
    std::vector<const ThermoSpecies*> system;
    for (const ThermoSpecies& species : data().Species)
        if (!species.Condensed
            && std::all_of(species.Composition.begin(), species.Composition.end(),
                [&](const auto& part) { return part.first == other || part.first == "O"; }))
            system.push_back(&species);
    const long double gO2 = g("O2", kelvin);
    long double xM = 1.0L - argon, u = 0.0L;
    for (int pass = 0; pass < 6; ++pass) {
        const auto fraction = [&](const ThermoSpecies& species, long double lnO2) {
            const long double lambdaO = (gO2 + lnO2) / 2;
            const long double lambdaX = (m.GibbsOverRT(kelvin) + std::log(xM) - aO * lambdaO) / aX;
            return std::exp(species.atoms(other) * lambdaX + species.atoms("O") * lambdaO
                - species.GibbsOverRT(kelvin));
        };
        long double low = -400.0L, high = 0.0L;
        for (int halving = 0; halving < 200; ++halving) {
            u = (low + high) / 2;
            long double excess = 0.0L;
            for (const ThermoSpecies* species : system)
                excess +=
                    (species->atoms(other) * aO - species->atoms("O") * aX) * fraction(*species, u);
            (excess > 0.0L ? low : high) = u;
        }
        long double sum = 0.0L, atomsX = 0.0L;
        for (const ThermoSpecies* species : system) {
            sum += fraction(*species, u);
            atomsX += species->atoms(other) * fraction(*species, u);
        }
        // Argon keeps its ratio to the element X fed.
        const long double xAr = argon > 0.0 ? atomsX * argon / (aX * (1.0 - argon)) : 0.0L;
        xM /= sum + xAr;
    }
    return u / std::log(10.0L);
}

TEST(GibbsEquilibriumTest, LogarithmOfPO2StaysExactAtAnyPressure)
{
    // From the O2 fraction rounded to double times P, 1e-300 bar gave no number at all.
    const std::vector<FeedComponent> water { { "H2O", 1.0 } };
    const auto thin = solve(water, 2000.0, 1e-300);
    expectEquilibrium(water, thin);
    EXPECT_EQ(thin.PO2, 0.0); // below the range of double
    EXPECT_NEAR(thin.Log10PO2, std::log10(thin.fraction("O2")) - 300.0, 1e-12);

    // At 1e300 bar x_O2 is subnormal and its logarithm had two digits; a 1:1 buffer keeps pO2
    // at its water constant.
    const std::vector<FeedComponent> buffer { { "H2", 0.05 }, { "H2O", 0.05 }, { "Ar", 0.9 } };
    const auto dense = solve(buffer, 1000.0, 1e300);
    expectEquilibrium(buffer, dense);
    const long double k = lnK(1000.0, "H2O", { { "H2", 1.0 }, { "O2", 0.5 } }) / std::log(10.0L);
    const double ratio = std::log10(dense.fraction("H2O") / dense.fraction("H2"));
    EXPECT_NEAR(dense.Log10PO2, 2.0 * (ratio - static_cast<double>(k)), 1e-12);
}

TEST(GibbsEquilibriumTest, NotesSpeciesTakenBelowTheirDataOnce)
{
    const auto water = solve({ { "H2O", 1.0 } }, 250.0);
    ASSERT_TRUE(water.Ok) << water.Message;
    EXPECT_EQ(water.Warnings,
        std::vector<std::string> {
            "taken below the lower limit of their data, 300 K: O3, HO2 and H2O2" });
    const auto mixed = solve({ { "H2", 0.5 }, { "D2", 0.5 } }, 299.0);
    EXPECT_EQ(mixed.Warnings,
        (std::vector<std::string> {
            "taken below the lower limit of their data, 300 K: D2 and D" }));
    const auto cooler = solve({ { "H2", 0.5 }, { "D2", 0.5 } }, 298.0);
    EXPECT_EQ(cooler.Warnings,
        (std::vector<std::string> { "taken below the lower limit of their data, 300 K: D2 and D",
            "taken below the lower limit of their data, 298.15 K: HD" }));
    EXPECT_TRUE(solve({ { "H2O", 1.0 } }, 300.0).Warnings.empty());
    EXPECT_TRUE(solve({ { "N2", 1.0 } }, 200.0).Warnings.empty());
}

struct UnbufferedCase {
    std::vector<FeedComponent> feed;
    const char* major;
    const char* other; // the element besides oxygen
    double argon; // share of argon in the feed
};

class UnbufferedGasTest : public ::testing::TestWithParam<std::tuple<UnbufferedCase, double>> { };

TEST_P(UnbufferedGasTest, PO2FollowsFromTheDataAndTracesKeepTheFeedsRatio)
{
    const auto& [gas, celsius] = GetParam();
    const double kelvin = celsius + 273.15;
    const auto result = solve(gas.feed, kelvin);
    expectEquilibrium(gas.feed, result);
    EXPECT_TRUE(result.PO2Resolved);
    const long double exact = unbufferedLog10PO2(gas.major, gas.other, gas.argon, kelvin);
    EXPECT_NEAR(result.Log10PO2, static_cast<double>(exact), 1e-6) << gas.feed.front().Name;
}

INSTANTIATE_TEST_SUITE_P(Gibbs, UnbufferedGasTest,
    ::testing::Combine(::testing::Values(UnbufferedCase { { { "H2O", 1.0 } }, "H2O", "H", 0.0 },
                           UnbufferedCase { { { "CO2", 1.0 } }, "CO2", "C", 0.0 },
                           UnbufferedCase { { { "H2O", 0.03 }, { "Ar", 0.97 } }, "H2O", "H", 0.97 },
                           UnbufferedCase { { { "H2", 2.0 }, { "O2", 1.0 } }, "H2O", "H", 0.0 },
                           UnbufferedCase { { { "D2O", 1.0 } }, "D2O", "D", 0.0 }),
        ::testing::Values(25.0, 200.0, 400.0, 700.0)));

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
    EXPECT_FALSE(result.PO2Resolved); // no pO2 was found, so none is resolved
}

const std::vector<FeedComponent> air { { "N2", 0.79 }, { "O2", 0.21 } };
const double nan = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(Gibbs, GibbsFailureTest,
    ::testing::Values(FailureCase { air, 150.0, 1.0,
                          "temperature 150 K is outside the thermodynamic data (200 K to 6000 K)" },
        FailureCase { air, 199.99999999999997, 1.0, "temperature 199.99999999999997 K is outside" },
        FailureCase { air, nan, 1.0, "temperature NaN K" },
        FailureCase { air, inf, 1.0, "temperature inf K" },
        FailureCase { air, 1000.0, 0.0, "pressure 0 bar is not above 0" },
        FailureCase { air, 1000.0, -1e-9, "pressure -1e-09 bar is not above 0" },
        FailureCase { air, 1000.0, nan, "pressure NaN bar" },
        FailureCase { air, 1000.0, inf, "pressure inf bar" },
        FailureCase { {}, 1000.0, 1.0, "no species" },
        FailureCase { { { "Xe", 0.0 } }, 1000.0, 1.0, "no species" },
        FailureCase { { { "C(gr)", 1.0 } }, 1000.0, 1.0, "graphite alone" },
        FailureCase {
            { { "O2", -0.1 }, { "N2", 1.0 } }, 1000.0, 1.0, "the fraction -0.1 of O2 is not" },
        FailureCase { { { "O2", nan } }, 1000.0, 1.0, "the fraction NaN of O2" }));

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
