#include "mixer/GibbsTable.h"

#include "rig/StartUp.h"
#include "tabed/TDataTable.h"

#include <cmath>
#include <gtest/gtest.h>
#include <memory>

namespace meldrix {
namespace {

// Cell 1 "Oven" burns 2 % H2 in 7 % O2 at 800 °C; cell 3 has no pressure; the others are not fed.
class GibbsTableTest : public ::testing::Test {
protected:
    std::unique_ptr<Rig> rig = std::make_unique<Rig>();
    TCeltrixModel table { "CellTabEd" };

    GibbsTableTest()
    {
        SetStartValues(*rig);
        for (CellRecord& cell : rig->Cells)
            cell.Mix = 0;
        rig->Cells[1] = cellAt(800.0, 1.0, "Oven");
        rig->Cells[3] = cellAt(700.0, 0.0, "Cold");
        for (int c : { 1, 3 }) {
            rig->CellGases[c][1] = component("H2", 0.02);
            rig->CellGases[c][2] = component("O2", 0.07);
            rig->CellGases[c][3] = component("Ar", 0.91);
        }
    }

    static CellRecord cellAt(double celsius, double bar, const char* name)
    {
        CellRecord cell;
        cell.Name = name;
        cell.Mix = 1;
        cell.Temp = celsius;
        cell.Pressure = bar;
        return cell;
    }

    static GasComponent component(const char* name, double fraction)
    {
        GasComponent slot;
        slot.Name = name;
        slot.Fraction = fraction;
        return slot;
    }

    int row(std::string_view name) const
    {
        for (int k = 1; k <= table.NrOfRows(); ++k)
            if (table.RowName(k) == name)
                return k;
        return 0;
    }
};

TEST_F(GibbsTableTest, LinearDisplayShowsFractionsInScientificFormThenPO2)
{
    const auto problems = FillGibbsTable(*rig, false, table);
    EXPECT_EQ(
        problems, std::vector<std::string> { "OC 3; Cold: pressure 0.000000 bar is not above 0" });
    ASSERT_EQ(table.NrOfColumns(), MaxCells);
    EXPECT_EQ(table.ColName(1), "OC 1; Oven");
    EXPECT_EQ(table.RowName(table.NrOfRows()), "log10 pO2");
    EXPECT_EQ(table.Precision(1), -1);
    ASSERT_NE(row("H2"), 0); // 5.5e-11 reaches the table
    EXPECT_EQ(row("N2"), 0); // no nitrogen anywhere
    EXPECT_NEAR(table.Elem(1, row("H2O")), 0.02 / 0.99, 1e-4);
    EXPECT_NEAR(table.Elem(1, table.NrOfRows()), std::log10(table.Elem(1, row("O2"))), 1e-12);
    for (int c : { 2, 3, 8 })
        for (int k = 1; k <= table.NrOfRows(); ++k)
            EXPECT_EQ(table.ElemState(c, k), StateEmpty) << c << ", " << k;
}

TEST_F(GibbsTableTest, LogarithmicDisplayShowsLogarithmsWithFourDecimals)
{
    FillGibbsTable(*rig, false, table);
    const double po2 = table.Elem(1, table.NrOfRows());
    const double h2 = table.Elem(1, row("H2"));
    FillGibbsTable(*rig, true, table);
    EXPECT_EQ(table.Precision(1), 4);
    EXPECT_NEAR(table.Elem(1, row("H2")), std::log10(h2), 1e-12);
    EXPECT_EQ(table.Elem(1, table.NrOfRows()), po2); // already a logarithm
}

} // namespace
} // namespace meldrix
