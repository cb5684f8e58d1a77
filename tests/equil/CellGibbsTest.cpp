#include "equil/CellGibbs.h"

#include "rig/StartUp.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <random>
#include <string>

namespace meldrix {
namespace {

class CellGibbsTest : public ::testing::Test {
protected:
    std::unique_ptr<Rig> rig = std::make_unique<Rig>();

    CellGibbsTest()
    {
        SetStartValues(*rig);
        for (CellRecord& cell : rig->Cells)
            cell.Mix = 0;
    }

    void feed(int c, std::uint16_t mix, double celsius, double bar,
        std::initializer_list<std::pair<const char*, double>> gas)
    {
        rig->Cells[c].Mix = mix;
        rig->Cells[c].Temp = celsius;
        rig->Cells[c].Pressure = bar;
        int k = 1;
        for (const auto& [name, fraction] : gas) {
            rig->CellGases[c][k].Name = name;
            rig->CellGases[c][k].Fraction = fraction;
            ++k;
        }
    }
};

TEST_F(CellGibbsTest, SolvesEveryFedCellAtItsOwnTemperatureAndPressure)
{
    feed(1, 1, 800.0, 1.0, { { "H2", 0.02 }, { "O2", 0.07 }, { "Ar", 0.91 } });
    feed(2, 0, 800.0, 1.0, { { "H2", 1.0 } }); // not fed
    feed(3, 17, 800.0, 1.0, { { "H2", 1.0 } }); // names no mixture: not fed either
    feed(4, 4, 1000.0, 2.0, { { "N2", 0.79 }, { "", 0.5 }, { "O2", 0.21 } });
    feed(5, 5, 700.0, 0.0, { { "N2", 1.0 } });

    const auto results = CellGibbsEquilibria(*rig);
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0].Cell, 1);
    EXPECT_DOUBLE_EQ(results[0].Result.Kelvin, 1073.15);
    EXPECT_NEAR(results[0].Result.fraction("H2O"), 0.0202, 1e-4);
    EXPECT_EQ(results[1].Cell, 4);
    EXPECT_DOUBLE_EQ(results[1].Result.Bar, 2.0);
    EXPECT_NEAR(results[1].Result.fraction("O2"), 0.21, 1e-3); // a slot without a name is no gas
    EXPECT_EQ(results[2].Cell, 5);
    EXPECT_FALSE(results[2].Result.Ok);
    EXPECT_EQ(results[2].Result.Message, "pressure 0 bar is not above 0");
}

TEST_F(CellGibbsTest, DisplayHasTheSpeciesOfEveryCellThenPO2)
{
    feed(1, 1, 800.0, 1.0, { { "H2", 0.02 }, { "O2", 0.07 }, { "Ar", 0.91 } });
    feed(3, 3, 1000.0, 1.0, { { "N2", 0.79 }, { "O2", 0.21 } });
    feed(4, 4, 700.0, 1.0, { { "Ar", 0.95 }, { "H2", 0.05 } });
    feed(5, 5, 700.0, 0.0, { { "N2", 1.0 } });
    rig->Cells[5].Name = "Cold";

    const auto linear = CellGibbsDisplay(*rig, false);
    EXPECT_EQ(linear.RowNames,
        (std::vector<std::string> { "H2", "O2", "H2O", "N2", "Ar", "O3", "OH", "H", "O", "NO",
            "NO2", "N2O", "HO2", "H2O2", "log10 pO2" }));
    const std::size_t h2o = 2;
    const std::size_t n2 = 3;
    const std::size_t po2 = linear.RowNames.size() - 1;
    EXPECT_NEAR(*linear.Values[1][h2o], 0.0202, 1e-4);
    EXPECT_EQ(linear.Values[1][n2], 0.0); // a species of another cell only
    EXPECT_NEAR(*linear.Values[1][po2], std::log10(*linear.Values[1][1]), 1e-12);
    EXPECT_EQ(linear.Values[4][po2], std::nullopt); // no oxygen at all
    for (int c : { 2, 5 })
        EXPECT_EQ(linear.Values[c], std::vector<std::optional<double>>(po2 + 1)) << c;
    EXPECT_EQ(
        linear.Problems, std::vector<std::string> { "OC 5; Cold: pressure 0 bar is not above 0" });

    const auto logarithmic = CellGibbsDisplay(*rig, true);
    EXPECT_NEAR(*logarithmic.Values[1][h2o], std::log10(*linear.Values[1][h2o]), 1e-12);
    EXPECT_EQ(logarithmic.Values[1][n2], std::nullopt);
    EXPECT_EQ(logarithmic.Values[1][po2], linear.Values[1][po2]);
}

// A typed Celsius temperature in kelvin is the double nearest the decimal sum, so the data's
// limits and a sweep's points land where the operator meant them.
TEST(CelsiusToKelvinTest, GivesTheKelvinNearestTheTypedDecimal)
{
    EXPECT_EQ(CelsiusToKelvin(-73.15), 200.0);
    EXPECT_EQ(CelsiusToKelvin(26.85), 300.0);
    EXPECT_EQ(CelsiusToKelvin(800.0), 1073.15);
    std::mt19937_64 random(23);
    std::uniform_int_distribution<long> hundredths(-27315, 600000);
    const auto decimal = [](long value) {
        const long whole = std::labs(value) / 100, rest = std::labs(value) % 100;
        return std::strtod((std::string(value < 0 ? "-" : "") + std::to_string(whole) + "."
                               + (rest < 10 ? "0" : "") + std::to_string(rest))
                               .c_str(),
            nullptr);
    };
    for (int run = 0; run < 20000; ++run) {
        const long celsius = hundredths(random);
        EXPECT_EQ(CelsiusToKelvin(decimal(celsius)), decimal(celsius + 27315)) << celsius;
    }
}

TEST_F(CellGibbsTest, RefusesATemperatureOutsideTheDataAsTyped)
{
    feed(1, 1, -73.15, 1.0, { { "H2O", 1.0 } });
    feed(2, 2, -73.16, 1.0, { { "H2O", 1.0 } });
    feed(3, 3, std::numeric_limits<double>::quiet_NaN(), 1.0, { { "H2O", 1.0 } });
    const auto results = CellGibbsEquilibria(*rig);
    ASSERT_EQ(results.size(), 3u);
    EXPECT_TRUE(results[0].Result.Ok) << results[0].Result.Message;
    EXPECT_EQ(results[0].Result.Kelvin, 200.0);
    const std::string degrees = "\xB0"
                                "C"; // Latin-1, as the message line shows it
    EXPECT_EQ(results[1].Result.Message,
        "temperature -73.16 " + degrees + " is outside the thermodynamic data (-73.15 " + degrees
            + " to 5726.85 " + degrees + ")");
    EXPECT_EQ(results[2].Result.Message.substr(0, 21), "temperature NaN " + degrees + " is");
}

TEST_F(CellGibbsTest, PO2CurvesCoverTheRangeForGasesWithOxygen)
{
    feed(2, 2, 800.0, 1.0, { { "H2", 0.05 }, { "H2O", 0.05 }, { "Ar", 0.9 } });
    feed(3, 3, 800.0, 1.0, { { "Ar", 1.0 } });
    const auto curves = PO2Curves(*rig, 300.0, 1500.0, 100.0);
    ASSERT_EQ(curves.size(), 1u);
    EXPECT_EQ(curves[0].Cell, 2);
    ASSERT_EQ(curves[0].Points.size(), 13u);
    EXPECT_EQ(curves[0].Points.back().first, 1500.0);
    // A hydrogen/water buffer holds more oxygen the hotter it is.
    for (std::size_t i = 1; i < curves[0].Points.size(); ++i)
        EXPECT_GT(curves[0].Points[i].second, curves[0].Points[i - 1].second);
    EXPECT_TRUE(PO2Curves(*rig, 300.0, 1500.0, 0.0).empty());
}

} // namespace
} // namespace meldrix
