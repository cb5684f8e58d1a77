#include "equil/CellEquilibria.h"

#include "rig/StartUp.h"

#include <gtest/gtest.h>
#include <memory>

namespace meldrix {
namespace {

class CellEquilibriaTest : public ::testing::Test {
protected:
    std::unique_ptr<Rig> rig = std::make_unique<Rig>();

    CellEquilibriaTest()
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

TEST_F(CellEquilibriaTest, SolvesEveryFedCellAtItsOwnTemperatureAndPressure)
{
    feed(1, 1, 800.0, 1.0, { { "H2", 0.02 }, { "O2", 0.07 }, { "Ar", 0.91 } });
    feed(2, 0, 800.0, 1.0, { { "H2", 1.0 } }); // not fed
    feed(3, 17, 800.0, 1.0, { { "H2", 1.0 } }); // names no mixture: not fed either
    feed(4, 4, 1000.0, 2.0, { { "N2", 0.79 }, { "", 0.5 }, { "O2", 0.21 } });
    feed(5, 5, 700.0, 0.0, { { "N2", 1.0 } });

    const auto results = CellEquilibria(*rig);
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0].Cell, 1);
    EXPECT_DOUBLE_EQ(results[0].Result.Kelvin, 1073.15);
    EXPECT_NEAR(results[0].Result.fraction("H2O"), 0.0202, 1e-4);
    EXPECT_EQ(results[1].Cell, 4);
    EXPECT_DOUBLE_EQ(results[1].Result.Bar, 2.0);
    EXPECT_NEAR(results[1].Result.fraction("O2"), 0.21, 1e-3); // a slot without a name is no gas
    EXPECT_EQ(results[2].Cell, 5);
    EXPECT_FALSE(results[2].Result.Ok);
    EXPECT_EQ(results[2].Result.Message, "pressure 0.000000 bar is not above 0");
}

TEST_F(CellEquilibriaTest, TakesAnyTemperatureForTheSameGas)
{
    feed(1, 1, 800.0, 1.0, { { "CO", 0.9 }, { "CO2", 0.1 } });
    const auto cool = CellEquilibriumAt(*rig, 1, 600.0);
    EXPECT_DOUBLE_EQ(cool.Kelvin, 873.15);
    EXPECT_GT(cool.Graphite, 0.0);
    EXPECT_EQ(CellEquilibriumAt(*rig, 1, 1000.0).Graphite, 0.0);
}

} // namespace
} // namespace meldrix
