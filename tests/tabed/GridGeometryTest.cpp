#include "tabed/GridGeometry.h"

#include <gtest/gtest.h>

namespace meldrix {
namespace {

// Row headings 80, attribute column 32, data columns 50, 60, 70; heading row 20, rows 10 each.
TGridGeometry sample()
{
    TGridGeometry geometry(3, 5);
    geometry.SetColWidth(1, 50);
    geometry.SetColWidth(2, 60);
    geometry.SetColWidth(3, 70);
    geometry.FitRowHeights(10);
    geometry.SetRowHeight(0, 20);
    return geometry;
}

TEST(GridGeometry, PlacesFixedCellsFirstAndScrolledCellsAfterThem)
{
    const TGridGeometry geometry = sample();
    EXPECT_EQ(geometry.CellRect(0, 0, 1, 1), (TPixelRect { 0, 0, 80, 20 }));
    EXPECT_EQ(geometry.CellRect(2, 1, 1, 1), (TPixelRect { 112, 20, 50, 10 }));
    // Scrolled to data column 2 and row 3: column 1 and rows 1..2 are out of view.
    EXPECT_EQ(geometry.CellRect(3, 3, 2, 3), (TPixelRect { 112, 20, 60, 10 }));
    EXPECT_EQ(geometry.CellRect(2, 3, 2, 3), std::nullopt);
    EXPECT_EQ(geometry.CellRect(1, 1, 2, 3), std::nullopt);
    EXPECT_EQ(geometry.CellRect(1, 4, 2, 3), (TPixelRect { 80, 30, 32, 10 }));
    EXPECT_EQ(geometry.CellRect(5, 1, 1, 1), std::nullopt); // beyond the last column

    EXPECT_EQ(geometry.CellAt(111, 19, 1, 1), (std::pair { 1, 0 }));
    EXPECT_EQ(geometry.CellAt(112, 20, 2, 3), (std::pair { 3, 3 }));
    EXPECT_EQ(geometry.CellAt(-1, 5, 1, 1), std::nullopt);
    EXPECT_EQ(geometry.CellAt(80 + 32 + 180, 5, 1, 1), std::nullopt);
}

TEST(GridGeometry, HidingTheAttributeColumnMovesTheDataColumnsLeft)
{
    TGridGeometry geometry = sample();
    geometry.SetAttribRowVisible(false);
    EXPECT_EQ(geometry.ColWidth(-1), 0);
    EXPECT_FALSE(geometry.SetColWidth(-1, 40));
    EXPECT_EQ(geometry.CellKind(1, 1), TGridCellKind::Data);
    EXPECT_EQ(geometry.CellRect(1, 1, 1, 1), (TPixelRect { 80, 20, 50, 10 }));
    geometry.SetAttribRowVisible(true);
    EXPECT_EQ(geometry.ColWidth(-1), 32); // remembered
    EXPECT_EQ(geometry.CellKind(1, 1), TGridCellKind::RowAttrib);
}

TEST(GridGeometry, ScrollsNoFurtherThanTheLastColumnAndRowInFull)
{
    const TGridGeometry geometry = sample();
    // 112 fixed; 60 + 70 fit in 130 but 50 + 60 + 70 do not.
    EXPECT_EQ(geometry.LastLeftColumn(112 + 130), 2);
    EXPECT_EQ(geometry.LastLeftColumn(112 + 180), 1);
    EXPECT_EQ(geometry.LastLeftColumn(100), 3);
    EXPECT_EQ(geometry.LastTopRow(20 + 25), 4);
    EXPECT_EQ(geometry.VisibleColCount(1, 112 + 129), 2);
    EXPECT_EQ(geometry.VisibleColCount(2, 112 + 130), 2);
    EXPECT_EQ(geometry.VisibleRowCount(1, 20 + 25), 2);
    EXPECT_EQ(geometry.VisibleRowCount(4, 20 + 100), 2);
}

TEST(GridGeometry, NewColumnsAndRowsTakeTheSizeOfTheLastOne)
{
    const TGridGeometry fresh(2, 2);
    EXPECT_EQ(fresh.CellRect(3, 1, 1, 1), (TPixelRect { 80 + 32 + 64, 24, 64, 24 }));
    TGridGeometry geometry = sample();
    geometry.Resize(5, 7);
    EXPECT_EQ(geometry.ColWidth(5), 70);
    EXPECT_EQ(geometry.RowHeight(7), 10);
    geometry.Resize(0, 0); // clamped to one column and row
    EXPECT_EQ(geometry.NrOfColumns(), 1);
    EXPECT_EQ(geometry.NrOfRows(), 1);
}

} // namespace
} // namespace meldrix
