#include "plots/PO2Bands.h"
#include "plots/PO2Chart.h"
#include "tabed/TDataTable.h"
#include "uncertainty/UncertaintyTable.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <limits>

namespace meldrix {
namespace {

// Two cells of a hand-made answer: cell 2 with a Monte Carlo band of log10 pO2, cell 5 whose gas
// holds no oxygen.
UncertaintyResult twoCells()
{
    UncertaintyResult result;
    result.Ok = true;
    CellUncertainty reducing;
    reducing.Cell = 2;
    reducing.Name = "Cell B";
    reducing.Celsius = 800.0;
    reducing.Gases = { { "H2", { 0.03, 0.002, 0.027, 0.034 } }, { "O2", { 0.01, 0.001, {}, {} } } };
    reducing.Log10PO2 = Spread { -16.0, 6.0, -17.2, -2.4 };
    CellUncertainty inert;
    inert.Cell = 5;
    inert.Name = "Oven";
    inert.Celsius = 1000.0;
    inert.Gases = { { "H2", { 0.0, 0.0, {}, {} } }, { "O2", { 0.0, 0.0, {}, {} } } };
    inert.PO2Problem = std::string(NoOxygenProblem);
    result.Cells = { reducing, inert };
    return result;
}

TEST(UncertaintyTableTest, PairsEachValueWithItsDeviation)
{
    TCeltrixModel table;
    ASSERT_TRUE(FillUncertaintyTable(twoCells(), table));
    EXPECT_EQ(table.NrOfColumns(), 4);
    EXPECT_EQ(table.NrOfRows(), 3);
    EXPECT_EQ(table.ColName(1), "OC 2; Cell B");
    EXPECT_EQ(table.ColName(2), SdColumnName);
    EXPECT_EQ(table.ColName(3), "OC 5; Oven");
    EXPECT_EQ(table.RowName(3), "log10 pO2");
    EXPECT_EQ(table.Elem(1, 1), 0.03);
    EXPECT_EQ(table.Elem(2, 1), 0.002);
    EXPECT_EQ(table.Elem(1, 3), -16.0);
    EXPECT_EQ(table.ElemState(3, 3), StateEmpty); // no oxygen, no pO2
    EXPECT_EQ(table.ElemState(4, 3), StateEmpty);
    EXPECT_EQ(table.DataCellLook(1, 1).Text, "0.0300000");

    UncertaintyResult empty;
    empty.Ok = true;
    EXPECT_FALSE(FillUncertaintyTable(empty, table));
    EXPECT_EQ(table.ColName(1), "C-1"); // cleared
    EXPECT_EQ(table.Elem(1, 1), 0.0);
}

struct BandCase {
    const char* name;
    Spread pO2;
    bool drawn;
    double low;
    double high;
};

class PO2BandTest : public ::testing::TestWithParam<BandCase> { };

TEST_P(PO2BandTest, HoldsNinetyFivePercent)
{
    CellUncertainty cell;
    cell.Log10PO2 = GetParam().pO2;
    const auto band = PO2Band(cell);
    ASSERT_EQ(band.has_value(), GetParam().drawn);
    if (band) {
        EXPECT_NEAR(band->first, GetParam().low, 1e-9);
        EXPECT_NEAR(band->second, GetParam().high, 1e-9);
    }
}

INSTANTIATE_TEST_SUITE_P(Bands, PO2BandTest,
    ::testing::Values(BandCase { "quantiles", { -16.0, 6.0, -17.2, -2.4 }, true, -17.2, -2.4 },
        BandCase { "linear", { -5.0, 0.5, {}, {} }, true, -5.0 - 0.979982, -5.0 + 0.979982 },
        BandCase {
            "no spread", { -5.0, std::numeric_limits<double>::quiet_NaN(), {}, {} }, false, 0, 0 }),
    [](const auto& row) {
        std::string name = row.param.name;
        std::replace(name.begin(), name.end(), ' ', '_');
        return name;
    });

TEST(PO2BandsTest, DrawEachBandAtItsTemperatureAndWidenTheRange)
{
    TVistrel chart;
    ConfigurePO2Chart(chart);
    chart.SetLayerRanges(1, PO2ChartFrom, -6.0, PO2ChartTo, 0.0);
    UncertaintyResult result = twoCells();
    CellUncertainty outside = result.Cells.front();
    outside.Cell = 3;
    outside.Celsius = 1600.0; // beyond the chart's temperatures
    result.Cells.push_back(outside);

    EXPECT_EQ(DrawPO2Bands(chart, result), 1);
    ASSERT_EQ(chart.ItemCount(), 4);
    const TVistrelItem& bar = chart.Items()[0];
    EXPECT_EQ(bar.x1, 800.0);
    EXPECT_EQ(bar.x2, 800.0);
    EXPECT_EQ(bar.y1, -17.2);
    EXPECT_EQ(bar.y2, -2.4);
    EXPECT_EQ(bar.colour, PO2CellColour(2));
    const TVistrelItem& tick = chart.Items()[3];
    EXPECT_EQ(tick.y1, -16.0);
    EXPECT_LT(tick.x1, 800.0);
    // The band reaches below the curves: the range goes a decade beyond it.
    EXPECT_EQ(chart.LayerScaleY(1).RangeLow(), -19.0);
    EXPECT_EQ(chart.LayerScaleY(1).RangeHigh(), 0.0);
    EXPECT_EQ(chart.LineWidth, 1); // the chart's attributes are left as they were
}

} // namespace
} // namespace meldrix
