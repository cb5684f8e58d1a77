#include "results/ResultsTable.h"

#include "equil/EquilibriumDriver.h"
#include "equil/EquilibriumTables.h"
#include "mixer/Execute.h"
#include "mixer/MixerFixture.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <string>

namespace meldrix {
namespace {

class ResultsTableTest : public testsupport::MixerFixture {
protected:
    TCeltrixModel table { "CellTabEd", MaxCells, MaxComponents };

    ResultsTableTest()
    {
        InitEquilibriumTables(*rig);
        rig->Cells[1].Name = "Oven";
    }

    // Cell 1 receives these fractions of the gas-list gases Ar and O2.
    void setCell1(double ar, double o2)
    {
        rig->GasListCount = 2;
        rig->GasList[1] = "Ar";
        rig->GasList[2] = "O2";
        rig->CellGases[1][1].Fraction = ar;
        rig->CellGases[1][2].Fraction = o2;
    }

    std::string text(int column, int row) const { return table.DataCellLook(column, row).Text; }
};

TEST_F(ResultsTableTest, GasListDisplayShowsCellsByGases)
{
    setCell1(0.99996, 4.0E-5);
    ASSERT_TRUE(ShowResults(*rig, table));

    EXPECT_EQ(table.NrOfRows(), 2);
    EXPECT_EQ(table.RowName(2), "O2");
    EXPECT_EQ(table.ColName(1), "OC 1; Oven");
    EXPECT_EQ(table.ColWidth(0), 36);
    EXPECT_EQ(table.ColWidth(8), 95);
    EXPECT_EQ(table.Precision(8), 7);
    EXPECT_EQ(text(1, 1), "   0.9999600");
    EXPECT_EQ(text(1, 2), "   0.0000400");
    EXPECT_EQ(text(2, 1), "   0.0000000"); // a cell that no run has reached yet
    EXPECT_FALSE(rig->Message1.Visible);
}

// A cell no mixture feeds shows no values in any display, and its heading says so: what its gas
// last held would be another cell's gas after a Mix change.
TEST_F(ResultsTableTest, CellsNoMixtureFeedsShowNothing)
{
    setCell1(0.25, 0.75);
    rig->CellGases[3] = rig->CellGases[1];
    rig->Cells[3].Mix = 0;
    rig->Cells[4].Mix = 17;
    for (const bool log : { false, true }) {
        rig->LogDisplay = log;
        ASSERT_TRUE(ShowResults(*rig, table));
        for (const int c : { 3, 4 }) {
            EXPECT_EQ(table.ColName(c), "OC " + std::to_string(c) + "; not fed");
            for (int k = 1; k <= 2; ++k) {
                EXPECT_EQ(table.ElemState(c, k), StateNotFed) << c << " " << k;
                EXPECT_EQ(text(c, k), "");
            }
        }
        EXPECT_EQ(table.ColName(1), "OC 1; Oven");
        EXPECT_EQ(table.ElemState(1, 2), 0);
    }
}

struct LogCase {
    double fraction;
    double expected; // NaN: undefined
};

class LogDisplayTest : public ResultsTableTest, public ::testing::WithParamInterface<LogCase> { };

TEST_P(LogDisplayTest, ShowsTheLogarithmOrMarksItUndefined)
{
    const auto [fraction, expected] = GetParam();
    setCell1(fraction, 0.5);
    rig->LogDisplay = true;
    ASSERT_TRUE(ShowResults(*rig, table));
    EXPECT_EQ(table.Precision(1), 7);
    if (std::isnan(expected)) {
        EXPECT_EQ(table.ElemState(1, 1), StateEmpty) << fraction;
        EXPECT_EQ(text(1, 1), "???");
    } else {
        EXPECT_EQ(table.ElemState(1, 1), 0) << fraction;
        EXPECT_NEAR(table.Elem(1, 1), expected, 5e-6) << fraction;
    }
}

constexpr double Undefined = std::numeric_limits<double>::quiet_NaN();

// Reference logarithms: log10 of the fractions to the digits shown by the display.
INSTANTIATE_TEST_SUITE_P(Fractions, LogDisplayTest,
    ::testing::Values(LogCase { 0.99996, -1.737E-5 }, LogCase { 4.0E-5, -4.39794 },
        LogCase { 1.0E-310, -308.0 }, LogCase { 0.0, Undefined }, LogCase { -0.25, Undefined }));

TEST_F(ResultsTableTest, EquilibriumDisplayShowsTheSelectedCompounds)
{
    setCell1(0.5, 0.5);
    rig->GasList[1] = "H2";
    for (int k = 1; k <= 2; ++k) {
        rig->Gases[MaxInputGases + 1].Components[k].Name = rig->GasList[k];
        rig->Gases[MaxInputGases + 1].Components[k].Fraction = 0.5;
    }
    StartEquilibriumCalculations(*rig);
    rig->EquilDisplay = true;
    ASSERT_TRUE(ShowResults(*rig, table));

    EXPECT_EQ(table.NrOfRows(), 4);
    EXPECT_EQ(table.RowName(4), "H2O");
    EXPECT_EQ(table.Precision(8), 0);
    // Whole numbers in 6 characters: 0 fits, a fraction below 1 takes the scientific form.
    EXPECT_EQ(text(1, 3), "     0");
    EXPECT_EQ(text(1, 2), " 5.00000E-01");
    EXPECT_EQ(rig->Message1.Text, EquilibriumNotOperativeMessage);
    EXPECT_TRUE(rig->Message1.Visible);

    // The logarithmic equilibrium display keeps the fraction format.
    rig->LogDisplay = true;
    ASSERT_TRUE(ShowResults(*rig, table));
    EXPECT_EQ(table.NumWidth(), 12);
    EXPECT_EQ(text(1, 1), "  -0.3010300");
    EXPECT_EQ(text(1, 3), "???");
}

TEST_F(ResultsTableTest, NothingToShowLeavesTheTableCleared)
{
    setCell1(1.0, 0.0);
    ASSERT_TRUE(ShowResults(*rig, table));

    rig->EquilDisplay = true; // no run of the driver yet: nothing selected
    EXPECT_FALSE(ShowResults(*rig, table));
    EXPECT_EQ(table.RowName(1), "R-1");
    EXPECT_EQ(table.Elem(1, 1), 0.0);
    EXPECT_FALSE(rig->Message1.Visible);
}

TEST_F(ResultsTableTest, EquilibriumDisplayShowsThePreviousRunUntilRefreshed)
{
    // Execute refreshes the table before the driver runs.
    ExecuteHooks hooks;
    bool shown = false;
    hooks.ShowResults = [&] { shown = ShowResults(*rig, table); };
    hooks.StartEquilibriumCalculations = [&] { StartEquilibriumCalculations(*rig); };
    setInputGas(1, { { "H2", 1.0 } });
    setLinearCurve(1, "H2", 1.0);
    connect(1, 1, 1, 2.0);
    rig->EquilDisplay = true;

    ASSERT_EQ(Execute(*rig, hooks).status, RunStatus::Ok);
    EXPECT_FALSE(shown); // nothing was selected yet when the table was filled
    // The leakages bring O2 and H2O into the gas list but not into the mixture: H2 alone.
    EXPECT_EQ(rig->SelectedCount, 1);

    ASSERT_TRUE(ShowResults(*rig, table)); // as a toggle does
    EXPECT_EQ(table.NrOfRows(), 1);
    EXPECT_EQ(table.RowName(1), "H2");
    EXPECT_EQ(table.Elem(1, 1), 1.0);
}

} // namespace
} // namespace meldrix
