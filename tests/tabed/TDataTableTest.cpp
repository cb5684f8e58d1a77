#include "tabed/TDataTable.h"

#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

namespace meldrix {
namespace {

// Counts the notifications a table raises.
struct TableEvents {
    int changes = 0;
    std::vector<std::tuple<int, int, int, int>> resizes;
    explicit TableEvents(TDataTable& table)
    {
        table.OnChange = [this](TDataTable&) { ++changes; };
        table.OnResize = [this](TDataTable&, int oldColumns, int oldRows, int newColumns,
                             int newRows) {
            resizes.emplace_back(oldColumns, oldRows, newColumns, newRows);
        };
    }
};

TEST(TDataTable, StartsWithOneIntervalElement)
{
    TDataTable table;
    EXPECT_EQ(table.NrOfColumns(), 1);
    EXPECT_EQ(table.NrOfRows(), 1);
    EXPECT_EQ(table.ColName(1), "C-1");
    EXPECT_EQ(table.RowName(1), "R-1");
    EXPECT_EQ(table.Elem(1, 1), 0.0);
    EXPECT_EQ(table.ElemState(1, 1), 0);
    EXPECT_EQ(table.ColScaleLevel(1), ScaleInterval);
    EXPECT_EQ(table.Matrix().NrOfColumns(), 1);
}

TEST(TDataTable, NominalColumnsHoldWholeNumbersRoundedHalfToEven)
{
    TDataTable table;
    table.Resize(3, 2);
    table.SetColScaleLevel(1, ScaleNominal);
    table.SetColScaleLevel(2, ScaleOrdinal);
    table.SetElem(1, 1, 2.6);
    table.SetElem(1, 2, 2.5);
    table.SetElem(2, 1, 3.5);
    table.SetElem(3, 1, 2.4);
    EXPECT_EQ(table.Elem(1, 1), 3.0);
    EXPECT_EQ(table.Elem(1, 2), 2.0);
    EXPECT_EQ(table.Matrix().Elem(1, 2), 2.0) << "stored rounded, not only read rounded";
    EXPECT_EQ(table.Elem(2, 1), 4.0);
    EXPECT_EQ(table.Elem(3, 1), 2.4);

    // A column that becomes nominal reads its old values rounded.
    table.SetColScaleLevel(3, ScaleNominal);
    EXPECT_EQ(table.Elem(3, 1), 2.0);
    EXPECT_EQ(table.Matrix().Elem(3, 1), 2.4);
}

TEST(TDataTable, CutsHeadingsToFiftyCharacters)
{
    TDataTable table;
    const std::string sixty(60, 'h');
    table.SetColName(1, sixty);
    table.SetRowName(1, sixty + "x");
    EXPECT_EQ(table.ColName(1), sixty.substr(0, 50));
    EXPECT_EQ(table.RowName(1), sixty.substr(0, 50));
}

TEST(TDataTable, GrowingKeepsContentAndNamesTheNewColumns)
{
    TDataTable table;
    table.Resize(3, 4);
    for (int c = 1; c <= 3; ++c)
        for (int r = 1; r <= 4; ++r)
            table.SetElem(c, r, c * 10 + r);
    table.SetElemState(2, 3, StateEmpty | StateMarkA);
    table.SetColName(3, "Flow");
    table.SetColAttrib(3, 7);
    table.SetRowAttrib(4, 9);
    table.SetColScaleLevel(1, ScaleRatio);

    TableEvents events(table);
    table.SetNrOfColumns(5);

    EXPECT_EQ(events.changes, 0);
    ASSERT_EQ(events.resizes.size(), 1u);
    EXPECT_EQ(events.resizes[0], std::make_tuple(3, 4, 5, 4));
    for (int c = 1; c <= 3; ++c)
        for (int r = 1; r <= 4; ++r)
            EXPECT_EQ(table.Elem(c, r), c * 10 + r);
    EXPECT_EQ(table.ElemState(2, 3), StateEmpty | StateMarkA);
    EXPECT_EQ(table.ColName(3), "Flow");
    EXPECT_EQ(table.ColAttrib(3), 7);
    EXPECT_EQ(table.RowAttrib(4), 9);
    EXPECT_EQ(table.ColScaleLevel(1), ScaleRatio);
    EXPECT_EQ(table.ColName(4), "C-4");
    EXPECT_EQ(table.ColName(5), "C-5");
    for (int c = 4; c <= 5; ++c)
        for (int r = 1; r <= 4; ++r) {
            EXPECT_EQ(table.Elem(c, r), 0.0);
            EXPECT_EQ(table.ElemState(c, r), 0);
        }
    EXPECT_EQ(table.ColScaleLevel(5), ScaleInterval);
    EXPECT_EQ(table.ColAttrib(5), 0);
    EXPECT_EQ(table.Matrix().NrOfColumns(), 5);
}

TEST(TDataTable, ShrinkingLosesHeadingsForGood)
{
    TDataTable table;
    table.Resize(3, 12);
    table.SetColName(3, "Oven");
    table.SetRowName(12, "H2O");
    table.SetElem(3, 12, 5.0);
    table.Resize(2, 11);
    table.Resize(3, 12);
    EXPECT_EQ(table.ColName(3), "C-3");
    EXPECT_EQ(table.RowName(12), "R-12");
    EXPECT_EQ(table.Elem(3, 12), 0.0);
}

TEST(TDataTable, UnchangedSizesRaiseNothing)
{
    TDataTable table;
    table.Resize(2, 2);
    TableEvents events(table);
    table.SetNrOfColumns(2);
    table.SetNrOfRows(2);
    table.Resize(2, 2);
    table.Resize(0, -3); // counts below 1 are 1
    EXPECT_EQ(events.resizes.size(), 1u);
    EXPECT_EQ(table.NrOfColumns(), 1);
    EXPECT_EQ(table.NrOfRows(), 1);
    EXPECT_EQ(events.changes, 0);
}

TEST(TDataTable, OutOfRangeIndicesAreIgnoredAndReadNeutral)
{
    TDataTable table;
    table.Resize(2, 2);
    TableEvents events(table);
    for (const auto& [c, r] : { std::pair { 0, 1 }, { 3, 1 }, { 1, 0 }, { 1, 3 }, { -1, -1 } }) {
        table.SetElem(c, r, 9.0);
        table.SetElemState(c, r, 2);
        EXPECT_EQ(table.Elem(c, r), 0.0);
        EXPECT_EQ(table.ElemState(c, r), 0);
        EXPECT_TRUE(table.IsNumber(c, r));
    }
    table.SetColName(3, "x");
    table.SetRowName(0, "x");
    table.SetColAttrib(0, 1);
    table.SetRowAttrib(3, 1);
    table.SetColScaleLevel(3, ScaleNominal);
    EXPECT_EQ(table.ColName(3), "");
    EXPECT_EQ(table.RowName(0), "");
    EXPECT_EQ(table.ColAttrib(0), 0);
    EXPECT_EQ(table.RowAttrib(3), 0);
    EXPECT_EQ(table.ColScaleLevel(3), 0);
    EXPECT_EQ(events.changes, 0);
}

TEST(TDataTable, EveryStateWriteRaisesOnChange)
{
    TDataTable table;
    TableEvents events(table);
    table.SetElemState(1, 1, StateNaN);
    table.SetElemState(1, 1, StateNaN);
    EXPECT_EQ(events.changes, 2);
    EXPECT_FALSE(table.IsNumber(1, 1));
    table.SetElemState(1, 1, StateMarkA | StateMarkB | 4);
    EXPECT_TRUE(table.IsNumber(1, 1)) << "blank states and marks still hold a number";
}

TEST(TDataTable, CommentDropsControlCharacters)
{
    TDataTable table;
    table.SetComment("first line\r\nsecond\tline\x1f \xe9t\xe9");
    EXPECT_EQ(table.Comment(), "first linesecondline \xe9t\xe9");
}

TEST(TDataTable, UnmarkAllKeepsTheOtherStateBits)
{
    TDataTable table;
    table.Resize(3, 1);
    table.SetElemState(1, 1, StateMarkA | StateEmpty);
    table.SetElemState(2, 1, StateMarkB | StateNaN);
    table.SetElemState(3, 1, StateMarkA | StateMarkB | 4);
    TableEvents events(table);
    table.UnmarkAll();
    EXPECT_EQ(table.ElemState(1, 1), StateEmpty);
    EXPECT_EQ(table.ElemState(2, 1), StateNaN);
    EXPECT_EQ(table.ElemState(3, 1), 4);
    EXPECT_EQ(events.changes, 1);
}

TEST(TDataTable, ClearResetsContentButKeepsTheSize)
{
    TDataTable table;
    table.Resize(2, 3);
    table.SetElem(2, 3, 4.5);
    table.SetElemState(2, 3, StateMarkB);
    table.SetColName(2, "Oven");
    table.SetRowName(3, "O2");
    table.SetColAttrib(2, 1);
    table.SetRowAttrib(3, 1);
    table.SetColScaleLevel(2, ScaleNominal);
    table.SetNominalName(2, 1, "low");
    table.SetComment("note");
    TableEvents events(table);
    table.Clear();
    EXPECT_EQ(events.changes, 1);
    EXPECT_TRUE(events.resizes.empty());
    EXPECT_EQ(table.NrOfColumns(), 2);
    EXPECT_EQ(table.NrOfRows(), 3);
    EXPECT_EQ(table.Elem(2, 3), 0.0);
    EXPECT_EQ(table.ElemState(2, 3), 0);
    EXPECT_EQ(table.ColName(2), "C-2");
    EXPECT_EQ(table.RowName(3), "R-3");
    EXPECT_EQ(table.ColAttrib(2), 0);
    EXPECT_EQ(table.RowAttrib(3), 0);
    EXPECT_EQ(table.ColScaleLevel(2), ScaleInterval);
    table.SetColScaleLevel(2, ScaleNominal);
    EXPECT_EQ(table.NominalName(2, 1), "");
    EXPECT_EQ(table.Comment(), "");
}

TEST(TDataTable, LooksUpNominalNames)
{
    TDataTable table;
    table.Resize(2, 1);
    table.SetNominalName(1, 2, "Argon");
    table.SetNominalName(1, 5, "Nitrogen-15x"); // cut to 10 characters
    EXPECT_EQ(table.NominalName(1, 2), "") << "an interval column has no names";
    EXPECT_EQ(table.NominalIndex(1, "Argon", false), 0);

    table.SetColScaleLevel(1, ScaleNominal);
    EXPECT_EQ(table.NominalName(1, 2), "Argon");
    EXPECT_EQ(table.NominalName(1, 5), "Nitrogen-1");
    EXPECT_EQ(table.NominalName(1, 26), "");
    EXPECT_EQ(table.NominalIndex(1, "Argon", false), 2);
    EXPECT_EQ(table.NominalIndex(1, "ARGON", false), 0);
    EXPECT_EQ(table.NominalIndex(1, "aRgOn", true), 2);
    EXPECT_EQ(table.NominalIndex(1, "Nitrogen-15x", false), 5) << "the text is cut first";
    EXPECT_EQ(table.NominalIndex(1, "", true), 0) << "empty names never match";
    EXPECT_EQ(table.NominalIndex(2, "Argon", true), 0);
}

TEST(TDataTable, RunningOutOfMemoryLeavesTheTableWhole)
{
    TDataTable table("Results");
    table.Resize(2, 2);
    table.SetElem(2, 2, 1.5);
    TableEvents events(table);
    try {
        table.Resize(2'000'000'000, 2);
        FAIL() << "no error raised";
    } catch (const EQuorDataTableError& error) {
        EXPECT_STREQ(error.what(), "Component \"Results\": not enough memory on heap");
    }
    EXPECT_EQ(table.NrOfColumns(), 2);
    EXPECT_EQ(table.Matrix().NrOfColumns(), 2);
    EXPECT_EQ(table.Elem(2, 2), 1.5);
    EXPECT_TRUE(events.resizes.empty());

    TMatrix matrix("Values");
    EXPECT_THROW(matrix.Resize(3, 2'000'000'000), EQuorMatrixError);
    EXPECT_EQ(matrix.NrOfRows(), 1);
}

TEST(TDataTable, SortExchangesMoveStatesAndOptionallyHeadings)
{
    for (const bool follow : { false, true }) {
        TDataTable table;
        table.Resize(2, 3);
        for (int r = 1; r <= 3; ++r)
            table.SetElem(1, r, 4 - r);
        table.SetElemState(2, 1, StateEmpty);
        table.SetRowName(1, "first");
        table.SetRowAttrib(1, 5);
        table.SetHeadingsFollowSorting(follow);
        std::vector<std::tuple<int, int, int, int, int>> exchanges;
        table.OnSortExchange = [&](TDataTable&, std::uint8_t what, int a, int b, int first,
                                   int last) { exchanges.emplace_back(what, a, b, first, last); };

        table.Matrix().SortRows(1, 1, 3, true);

        EXPECT_EQ(table.Elem(1, 1), 1.0);
        EXPECT_EQ(table.Elem(1, 3), 3.0);
        ASSERT_EQ(exchanges.size(), 1u);
        EXPECT_EQ(exchanges[0], std::make_tuple(SortExchangeRows, 1, 3, 1, 2));
        EXPECT_EQ(table.ElemState(2, 3), StateEmpty) << "states travel with their values";
        EXPECT_EQ(table.ElemState(2, 1), 0);
        EXPECT_EQ(table.RowName(3), follow ? "first" : "R-3");
        EXPECT_EQ(table.RowAttrib(3), follow ? 5 : 0);
    }
}

TEST(TDataTable, ColumnExchangeCarriesScaleRecordsWhenHeadingsFollow)
{
    TDataTable table;
    table.Resize(2, 2);
    table.SetHeadingsFollowSorting(true);
    table.SetColScaleLevel(1, ScaleNominal);
    table.SetColName(1, "kind");
    table.SetElemState(1, 2, StateNaN);
    table.Matrix().ExchangeColumns(1, 2, 2, 2);
    EXPECT_EQ(table.ColScaleLevel(2), ScaleNominal);
    EXPECT_EQ(table.ColName(2), "kind");
    EXPECT_EQ(table.ElemState(2, 2), StateNaN);
    EXPECT_EQ(table.ElemState(1, 2), 0);
}

TEST(TDataTable, SharedMatrixOutlivesTheTable)
{
    TMatrix matrix("Shared");
    matrix.Resize(3, 2);
    matrix.SetElem(3, 2, 7.0);
    {
        TDataTable table("View", matrix);
        EXPECT_TRUE(table.MatrixShared());
        EXPECT_EQ(table.NrOfColumns(), 3);
        EXPECT_EQ(table.Elem(3, 2), 7.0);
        int changes = 0;
        table.OnChange = [&](TDataTable&) { ++changes; };
        matrix.SetElem(1, 1, 2.0);
        EXPECT_EQ(changes, 1);
    }
    EXPECT_FALSE(matrix.OnChange) << "the table detaches its handlers";
    matrix.SetElem(1, 1, 3.0);
    EXPECT_EQ(matrix.Elem(1, 1), 3.0);
}

} // namespace
} // namespace meldrix
