#include "tabed/CeltrixModel.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace meldrix {
namespace {

using ::testing::ElementsAre;

// Records the editor's notifications in the order they come.
struct EditorEvents {
    std::vector<std::string> order;
    explicit EditorEvents(TCeltrixModel& model)
    {
        model.OnChange = [this] { order.emplace_back("change"); };
        model.OnChangeSetup = [this] { order.emplace_back("setup"); };
        model.OnHeadingChanged = [this] { order.emplace_back("heading"); };
        model.OnRepaint = [this] { order.emplace_back("repaint"); };
    }
    int count(const std::string& name) const
    {
        return static_cast<int>(std::count(order.begin(), order.end(), name));
    }
};

// A 4 x 4 table holding c * 10 + r, as used by most cases.
struct Filled : TCeltrixModel {
    Filled()
        : TCeltrixModel("Grid", 4, 4)
    {
        for (int c = 1; c <= 4; ++c)
            for (int r = 1; r <= 4; ++r)
                SetElem(c, r, c * 10 + r);
    }
};

TEST(CeltrixModel, ShowsElementStatesAndMarks)
{
    TCeltrixModel model("Grid", 6, 1);
    model.SetNumWidth(6);
    model.SetElemState(1, 1, 3);
    model.SetElemState(2, 1, 4);
    model.SetElemState(3, 1, 66);
    model.SetElemState(4, 1, 128);
    model.SetElemState(5, 1, 192);
    model.SetElem(6, 1, 1.5);
    model.SetCurrent(4, 1);

    const TCellLook nan = model.DataCellLook(1, 1);
    EXPECT_EQ(nan.Text, "NAN") << "the not-a-number bit wins over empty";
    EXPECT_EQ(nan.Colour, TCellColour::Normal);
    EXPECT_EQ(model.DataCellLook(2, 1).Text, "");
    const TCellLook empty = model.DataCellLook(3, 1);
    EXPECT_EQ(empty.Text, "???");
    EXPECT_EQ(empty.Colour, TCellColour::MarkedA);
    EXPECT_TRUE(empty.Bold);
    const TCellLook markedB = model.DataCellLook(4, 1);
    EXPECT_EQ(markedB.Text, " 0.000");
    EXPECT_EQ(markedB.Colour, TCellColour::MarkedB) << "a mark shows even in the selection";
    EXPECT_EQ(model.DataCellLook(5, 1).Colour, TCellColour::MarkedBoth);
    EXPECT_EQ(model.DataCellLook(6, 1).Text, " 1.500");
    EXPECT_FALSE(model.DataCellLook(6, 1).Bold);

    model.SetCurrent(6, 1);
    EXPECT_EQ(model.DataCellLook(6, 1).Colour, TCellColour::Highlight);
    model.SetBoldMarks(false);
    EXPECT_FALSE(model.DataCellLook(3, 1).Bold);
}

TEST(CeltrixModel, ShowsNominalValuesByName)
{
    TCeltrixModel model("Grid", 2, 3);
    model.Table().SetColScaleLevel(1, ScaleNominal);
    model.Table().SetColScaleLevel(2, ScaleOrdinal);
    model.Table().SetNominalName(1, 2, "Argon");
    model.SetElem(1, 1, 2.4);
    model.SetElem(1, 2, 3);
    model.SetElem(2, 1, 30);
    EXPECT_EQ(model.DataCellLook(1, 1).Text, "Argon");
    EXPECT_EQ(model.DataCellLook(1, 2).Text, "Nominal-3");
    EXPECT_EQ(model.DataCellLook(2, 1).Text, "Ordinal-30");
    EXPECT_EQ(model.EditText(1, 1), "Argon");
    EXPECT_EQ(model.EditText(1, 2), "3");
    EXPECT_THAT(model.PickList(1), ElementsAre("Argon"));

    model.CommitEditText(1, 3, "ARGON");
    EXPECT_EQ(model.Elem(1, 3), 2.0);
    EXPECT_EQ(model.ElemState(1, 3), 0);
    model.CommitEditText(1, 3, "Xenon");
    EXPECT_EQ(model.ElemState(1, 3), StateEmpty);
    EXPECT_EQ(model.Elem(1, 3), 2.0);
}

TEST(CeltrixModel, FormatsNumbersWithWidthAndColumnPrecision)
{
    TCeltrixModel model("Grid", 2, 1);
    model.SetNumWidth(12);
    model.SetPrecision(1, 7);
    model.SetPrecision(2, 0);
    model.SetElem(1, 1, 1.25);
    model.SetElem(2, 1, 999999999.0);
    EXPECT_EQ(model.DataCellLook(1, 1).Text, "   1.2500000");
    EXPECT_EQ(model.DataCellLook(2, 1).Text, "   999999999");
    model.SetElem(1, 1, 123456789.5);
    model.SetElem(2, 1, 1000000000.0);
    EXPECT_EQ(model.DataCellLook(1, 1).Text, " 1.23456789500E+08");
    EXPECT_EQ(model.DataCellLook(2, 1).Text, " 1.00000000000E+09");
    EXPECT_EQ(model.EditText(1, 1), " 1.23456789500E+08");
}

TEST(CeltrixModel, RefusesWidthsAndClampsPrecisionsOutsideTheirRange)
{
    TCeltrixModel model("Grid", 2, 1);
    EditorEvents events(model);
    model.SetNumWidth(5);
    model.SetNumWidth(0);
    model.SetNumWidth(21);
    EXPECT_EQ(model.NumWidth(), 5);
    EXPECT_EQ(events.count("setup"), 3);

    model.SetPrecision(1, 15);
    model.SetPrecision(2, -5);
    EXPECT_EQ(model.Precision(1), 10);
    EXPECT_EQ(model.Precision(2), -1);
    EXPECT_EQ(model.Precision(3), 0);
    model.SetPrecision(3, 2); // ignored altogether
    EXPECT_EQ(events.count("setup"), 5);
}

struct CommitCase {
    const char* typed;
    double value;
    std::uint8_t state;
    const char* shown;
};
class CommitTest : public ::testing::TestWithParam<CommitCase> { };

TEST_P(CommitTest, StoresANumberOrMarksTheCellEmpty)
{
    const auto& c = GetParam();
    TCeltrixModel model("Grid", 1, 1);
    model.SetElem(1, 1, 7.0);
    model.SetElemState(1, 1, StateNaN | StateMarkA);
    model.CommitEditText(1, 1, c.typed);
    EXPECT_EQ(model.Elem(1, 1), c.value);
    EXPECT_EQ(model.ElemState(1, 1), c.state);
    EXPECT_EQ(model.DataCellLook(1, 1).Text, c.shown);
}

INSTANTIATE_TEST_SUITE_P(CeltrixModel, CommitTest,
    ::testing::Values(CommitCase { "1,5", 1.5, 0, "1.500" },
        CommitCase { "  -2.25 ", -2.25, 0, "-2.250" }, CommitCase { "1e-5", 1e-5, 0, " 1.0E-05" },
        CommitCase { "abc", 7.0, StateEmpty, "???" }, CommitCase { "", 7.0, StateEmpty, "???" },
        CommitCase { "1,5,0", 7.0, StateEmpty, "???" },
        CommitCase { "1e999", 7.0, StateEmpty, "???" }));

TEST(CeltrixModel, CopiesTheSelectionAsTextWithFullPrecision)
{
    Filled model;
    model.SetElem(2, 2, 12345.678);
    model.SetElem(3, 3, -0.5);
    model.SetElemState(3, 2, StateEmpty);
    model.SetCurrent(2, 2);
    model.SetCurrent(3, 3, true);

    EXPECT_EQ(model.Copy(),
        "  1.2345678000000E+0004 ####\r\n"
        "  2.3000000000000E+0001 -5.0000000000000E-0001\r\n");
    ASSERT_TRUE(model.ClipboardFilled());
    const TDataTable& clip = model.ClipboardTable();
    EXPECT_EQ(clip.NrOfColumns(), 2);
    EXPECT_EQ(clip.NrOfRows(), 2);
    EXPECT_EQ(clip.Elem(1, 1), 12345.678);
    EXPECT_EQ(clip.ElemState(2, 1), StateEmpty);
    EXPECT_EQ(clip.Elem(2, 2), -0.5);
}

TEST(CeltrixModel, CopiesWithTheColumnPrecisionWhenAsked)
{
    Filled model;
    model.ClipboardUseFullPrec = false;
    model.SetElem(1, 1, 12345.678);
    model.SetPrecision(1, 2);
    model.SetPrecision(2, -1);
    model.SetCurrent(1, 1);
    model.SetCurrent(2, 1, true);
    EXPECT_EQ(model.Copy(), " 12345.68 2.1E+0001\r\n");
}

TEST(CeltrixModel, PastesTheInternalClipboardAtTheSelection)
{
    Filled model;
    EditorEvents events(model);
    EXPECT_FALSE(model.Paste()) << "nothing copied yet";
    EXPECT_EQ(model.Elem(1, 1), 11.0);

    model.SetElemState(1, 2, StateEmpty);
    model.SetCurrent(1, 1);
    model.SetCurrent(2, 2, true);
    (void)model.Copy();
    model.SetCurrent(3, 3);
    events.order.clear();
    ASSERT_TRUE(model.Paste());
    EXPECT_EQ(model.Elem(3, 3), 11.0);
    EXPECT_EQ(model.Elem(4, 4), 22.0);
    EXPECT_EQ(model.ElemState(3, 4), StateEmpty);
    EXPECT_EQ(model.Selection(), (TGridRect { 3, 3, 4, 4 }));
    EXPECT_THAT(events.order, ElementsAre("repaint", "change"));

    // Elements falling outside the table are dropped.
    model.SetCurrent(4, 4);
    ASSERT_TRUE(model.Paste());
    EXPECT_EQ(model.Elem(4, 4), 11.0);
    EXPECT_EQ(model.Selection(), (TGridRect { 4, 4, 4, 4 }));
}

TEST(CeltrixModel, ExtractsNumbersLineByLineFromTheSelection)
{
    TCeltrixModel model("Grid", 5, 5);
    model.SetElemState(2, 3, StateEmpty);
    model.SetCurrent(2, 3);
    EditorEvents events(model);
    model.ExtractFromClipboard("1 2 3\r\n4\t5\r\n");
    EXPECT_EQ(model.Elem(2, 3), 1.0);
    EXPECT_EQ(model.Elem(3, 3), 2.0);
    EXPECT_EQ(model.Elem(4, 3), 3.0);
    EXPECT_EQ(model.Elem(2, 4), 4.0);
    EXPECT_EQ(model.Elem(3, 4), 5.0);
    EXPECT_EQ(model.Elem(4, 4), 0.0);
    EXPECT_EQ(model.Elem(5, 3), 0.0);
    EXPECT_EQ(model.ElemState(2, 3), StateEmpty) << "only values are written";
    EXPECT_EQ(model.Selection(), (TGridRect { 2, 3, 4, 4 }));
    EXPECT_EQ(events.count("change"), 1);

    // Numbers beyond the table are dropped.
    model.SetCurrent(5, 5);
    model.ExtractFromClipboard("8 9\n10");
    EXPECT_EQ(model.Elem(5, 5), 8.0);
    EXPECT_EQ(model.Selection(), (TGridRect { 5, 5, 5, 5 }));
}

TEST(CeltrixModel, MarksReachTheirScope)
{
    struct Case {
        TMarkScope scope;
        std::vector<std::pair<int, int>> marked;
    };
    const std::vector<Case> cases {
        { TMarkScope::Range, { { 2, 2 }, { 2, 3 } } },
        { TMarkScope::Column, { { 2, 1 }, { 2, 2 }, { 2, 3 } } },
        { TMarkScope::Row, { { 1, 2 }, { 1, 3 }, { 2, 2 }, { 2, 3 }, { 3, 2 }, { 3, 3 } } },
        { TMarkScope::All,
            { { 1, 1 }, { 1, 2 }, { 1, 3 }, { 2, 1 }, { 2, 2 }, { 2, 3 }, { 3, 1 }, { 3, 2 },
                { 3, 3 } } },
    };
    for (const Case& c : cases) {
        TCeltrixModel model("Grid", 3, 3);
        model.SetElemState(2, 2, StateMarkA | StateEmpty); // already marked: no change
        model.SetCurrent(2, 2);
        model.SetCurrent(2, 3, true);
        EditorEvents events(model);
        model.Mark(StateMarkA, true, c.scope);
        std::vector<std::pair<int, int>> marked;
        for (int col = 1; col <= 3; ++col)
            for (int row = 1; row <= 3; ++row)
                if (model.ElemState(col, row) & StateMarkA)
                    marked.emplace_back(col, row);
        EXPECT_EQ(marked, c.marked);
        EXPECT_EQ(model.ElemState(2, 2), StateMarkA | StateEmpty);
        EXPECT_EQ(events.count("change"), static_cast<int>(c.marked.size()) - 1)
            << "one OnChange per element that changes";
        EXPECT_EQ(events.count("setup"), 1);
        EXPECT_EQ(events.count("repaint"), 1);
    }
}

TEST(CeltrixModel, UnmarksOneKindOrBoth)
{
    TCeltrixModel model("Grid", 2, 1);
    model.SetElemState(1, 1, StateMarkA | StateMarkB | StateEmpty);
    model.SetElemState(2, 1, StateMarkB);
    model.SetCurrent(1, 1);
    model.Mark(StateMarkA, false, TMarkScope::Range);
    EXPECT_EQ(model.ElemState(1, 1), StateMarkB | StateEmpty);
    model.Mark(StateMarkB, false, TMarkScope::Row);
    EXPECT_EQ(model.ElemState(1, 1), StateEmpty);
    EXPECT_EQ(model.ElemState(2, 1), 0);
    model.SetElemState(2, 1, StateMarkA | StateNaN);
    EditorEvents events(model);
    model.UnmarkAll();
    EXPECT_EQ(model.ElemState(2, 1), StateNaN);
    EXPECT_EQ(events.count("setup"), 1);
}

TEST(CeltrixModel, BulkCommandsRaiseOnChangeOnce)
{
    Filled model;
    model.SetElemState(2, 2, StateMarkA | StateEmpty);
    model.SetCurrent(2, 2);
    model.SetCurrent(3, 3, true);
    EditorEvents events(model);
    model.ClearSelected();
    EXPECT_EQ(model.Elem(2, 2), 0.0);
    EXPECT_EQ(model.ElemState(2, 2), 0);
    EXPECT_EQ(model.Elem(3, 3), 0.0);
    EXPECT_EQ(model.Elem(4, 3), 43.0);
    EXPECT_THAT(events.order, ElementsAre("repaint", "change"));

    model.SetElemState(2, 3, StateNaN | StateEmpty);
    events.order.clear();
    model.ToggleEmptyState();
    EXPECT_EQ(model.ElemState(2, 2), StateEmpty);
    EXPECT_EQ(model.ElemState(2, 3), StateNaN);
    EXPECT_EQ(model.ElemState(1, 1), 0);
    EXPECT_THAT(events.order, ElementsAre("repaint", "change"));

    model.SelectAll();
    EXPECT_EQ(model.Selection(), (TGridRect { 1, 1, 4, 4 }));
}

TEST(CeltrixModel, ClearResetsContentAndPrecisions)
{
    Filled model;
    model.SetPrecision(2, 7);
    model.SetColName(1, "Oven");
    model.SetComment("text");
    EditorEvents events(model);
    model.Clear();
    EXPECT_EQ(model.Precision(2), 3);
    EXPECT_EQ(model.ColName(1), "C-1");
    EXPECT_EQ(model.Elem(4, 4), 0.0);
    EXPECT_EQ(model.Comment(), "");
    EXPECT_EQ(model.NrOfColumns(), 4);
    EXPECT_THAT(events.order, ElementsAre("change", "repaint"));
}

TEST(CeltrixModel, ResizingCarriesWidthsAndPrecisionsOfTheLastColumn)
{
    TCeltrixModel model("Grid", 2, 2);
    model.SetColWidth(2, 92);
    model.SetPrecision(2, 7);
    model.SetRowHeight(2, 30);
    EditorEvents events(model);
    model.SetNrOfColumns(4);
    model.SetNrOfRows(3);
    EXPECT_EQ(model.ColWidth(4), 92);
    EXPECT_EQ(model.Precision(4), 7);
    EXPECT_EQ(model.RowHeight(3), 30);
    EXPECT_EQ(model.ColName(4), "C-4");
    EXPECT_EQ(events.count("setup"), 2);
    EXPECT_EQ(events.count("change"), 0);

    model.SetCurrent(4, 3);
    model.SetNrOfColumns(2);
    EXPECT_EQ(model.Col(), 2) << "the current cell stays inside the table";

    try {
        model.SetNrOfRows(2'000'000'000);
        FAIL() << "no error raised";
    } catch (const EQuorCeltrixError& error) {
        EXPECT_STREQ(error.what(), "Component \"Grid\": not enough memory on heap");
    }
    EXPECT_EQ(model.NrOfRows(), 3);
    EXPECT_EQ(model.RowHeight(3), 30);
    model.SetElem(2, 3, 1.0); // painting and listening work again
    EXPECT_EQ(events.order.back(), "repaint");
}

TEST(CeltrixModel, MapsGridCellsWithAndWithoutAttributes)
{
    TCeltrixModel model("Grid", 2, 2);
    model.SetColWidth(0, 36);
    model.SetColWidth(-1, 40);
    model.SetColWidth(1, 80);
    model.SetColWidth(2, 66);
    EXPECT_EQ(model.GridColCount(), 4);
    EXPECT_EQ(model.CellKind(1, 0), TGridCellKind::AttribLabel);
    EXPECT_EQ(model.GridCellLook(1, 0).Text, "Attrib");
    EXPECT_EQ(model.CellKind(1, 2), TGridCellKind::RowAttrib);
    EXPECT_EQ(model.DataColumn(2), 1);
    EXPECT_EQ(model.GridColWidth(1), 40);
    EXPECT_EQ(model.GridColWidth(2), 80);

    model.SetAttribRowVisible(false);
    EXPECT_EQ(model.GridColCount(), 3);
    EXPECT_EQ(model.GridColWidth(0), 36);
    EXPECT_EQ(model.GridColWidth(1), 80) << "data columns keep their widths";
    EXPECT_EQ(model.GridColWidth(2), 66);
    EXPECT_EQ(model.ColWidth(-1), 0);
    model.SetColWidth(-1, 10); // ignored while hidden
    model.SetAttribRowVisible(true);
    EXPECT_EQ(model.ColWidth(-1), 40) << "the attribute column width is remembered";

    model.SetAttribColVisible(true);
    model.SetColAttrib(2, 9);
    EXPECT_EQ(model.CellKind(0, 1), TGridCellKind::AttributeLabel);
    EXPECT_EQ(model.GridCellLook(0, 1).Text, "Attribute");
    EXPECT_EQ(model.CellKind(1, 1), TGridCellKind::AttribCross);
    EXPECT_EQ(model.GridCellLook(3, 1).Text, "9");
    EXPECT_EQ(model.DataRow(2), 1);
    EXPECT_EQ(model.GridRow(2), 3);
}

TEST(CeltrixModel, HighlightsTheHeadingsOfTheSelection)
{
    TCeltrixModel model("Grid", 3, 12);
    model.SetAttribRowVisible(false);
    model.SetCurrent(3, 12);
    EXPECT_EQ(model.CornerText(), "3:12");
    const TCellLook column = model.GridCellLook(3, 0);
    EXPECT_EQ(column.Text, "C-3");
    EXPECT_EQ(column.Colour, TCellColour::Selected);
    EXPECT_TRUE(column.Bold);
    EXPECT_EQ(model.GridCellLook(0, 12).Colour, TCellColour::Selected);
    EXPECT_EQ(model.GridCellLook(2, 0).Colour, TCellColour::Normal);
    model.SetBoldSelHeads(false);
    EXPECT_FALSE(model.GridCellLook(3, 0).Bold);
    model.SetCommentEditing(true);
    EXPECT_EQ(model.CornerText(), "Comment:");
}

TEST(CeltrixModel, HeadingEditsRaiseTheirNotifications)
{
    TCeltrixModel model("Grid", 2, 2);
    EditorEvents events(model);
    ASSERT_TRUE(model.HeadingEditable(2, 0));
    model.CommitHeadingEdit(2, 0, "Flow");
    EXPECT_EQ(model.ColName(1), "Flow");
    EXPECT_THAT(events.order, ElementsAre("change", "repaint", "change", "repaint"));

    events.order.clear();
    model.CommitHeadingEdit(0, 2, "Point 2");
    EXPECT_EQ(model.RowName(2), "Point 2");
    EXPECT_EQ(events.order.back(), "heading") << "after the change";
    EXPECT_EQ(events.count("change"), 2);

    struct AttribCase {
        const char* text;
        int stored;
    };
    for (const AttribCase c : { AttribCase { "12.5", 12 }, AttribCase { " 13.5", 14 },
             AttribCase { "300", 14 }, AttribCase { "-1", 14 }, AttribCase { "x", 14 } }) {
        model.CommitHeadingEdit(1, 1, c.text);
        EXPECT_EQ(model.RowAttrib(1), c.stored) << c.text;
        EXPECT_EQ(model.HeadingEditText(1, 1), std::to_string(c.stored));
    }
    EXPECT_FALSE(model.HeadingEditable(1, 0)) << "the Attrib label is no heading";
    EXPECT_FALSE(model.HeadingEditable(0, 0));
}

TEST(CeltrixModel, PrecisionStepsDownAndWrapsToTen)
{
    TCeltrixModel model("Grid", 1, 1);
    std::vector<int> seen;
    for (int i = 0; i < 7; ++i) {
        model.StepPrecision(1);
        seen.push_back(model.Precision(1));
    }
    EXPECT_THAT(seen, ElementsAre(2, 1, 0, -1, 10, 9, 8));
}

TEST(CeltrixModel, WritesThroughTheEditorRaiseTheirNotifications)
{
    TCeltrixModel model("Grid", 2, 2);
    EditorEvents events(model);
    model.SetElem(1, 1, 2.0);
    EXPECT_THAT(events.order, ElementsAre("change", "repaint"));
    events.order.clear();
    model.SetElemState(1, 1, StateEmpty);
    EXPECT_THAT(events.order, ElementsAre("change", "repaint", "repaint", "setup"));
    events.order.clear();
    model.SetComment("a\nb");
    EXPECT_EQ(model.Comment(), "ab");
    EXPECT_THAT(events.order, ElementsAre("change"));
    events.order.clear();
    model.SetElem(9, 9, 1.0);
    model.SetColName(3, "x");
    model.SetColWidth(3, 50);
    EXPECT_TRUE(events.order.empty()) << "out-of-range writes are ignored";
}

TEST(CeltrixModel, SuppressedPaintingRepaintsOnceWhenReleased)
{
    TCeltrixModel model("Grid", 2, 2);
    EditorEvents events(model);
    model.SetPaintingSuppressed(true);
    model.SetElem(1, 1, 1.0);
    model.SetElem(2, 2, 1.0);
    model.SetPrecision(1, 2);
    EXPECT_EQ(events.count("repaint"), 0);
    model.SetPaintingSuppressed(false);
    EXPECT_EQ(events.count("repaint"), 1);
    EXPECT_EQ(events.count("change"), 2);
}

TEST(CeltrixModel, NamesTheComponentWhenItCannotBeBuilt)
{
    try {
        TCeltrixModel model("CellTabEd", 100'000, 100'000);
        FAIL() << "no error raised";
    } catch (const EQuorCeltrixError& error) {
        EXPECT_STREQ(error.what(),
            "Component \"CellTabEd\": failed to initialize table editor (out of memory)");
    }
}

} // namespace
} // namespace meldrix
