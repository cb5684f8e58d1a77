#include "chart/TVistrel.h"

#include "support/RecordingCanvas.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace meldrix {
namespace {

using testsupport::RecordingCanvas;

// 235 x 193 with margins 50, 20, 20, 40: the data area spans x 50..215 and y 20..153.
void designChart(TVistrel& chart)
{
    chart.SetMarginRight(20);
    chart.SetMarginTop(20);
    chart.SetMarginBottom(40);
}

TEST(TVistrelTest, ZeroRangesOnAllLayersWidenToTheMinimumRange)
{
    TVistrel chart;
    chart.SetLayerRanges(0, 0, 0, 0, 0);
    for (int layer = 1; layer <= MaxLayers; ++layer)
        for (TScaleProps* s : { &chart.LayerScaleX(layer), &chart.LayerScaleY(layer) }) {
            EXPECT_DOUBLE_EQ(s->RangeLow(), -5e-11) << layer;
            EXPECT_DOUBLE_EQ(s->RangeHigh(), 5e-11) << layer;
        }
    // Each layer's own minimum range counts.
    chart.LayerScaleY(4).SetMinRange(2);
    chart.SetLayerRanges(4, 1, 3, 5, 3);
    EXPECT_DOUBLE_EQ(chart.LayerScaleX(4).RangeLow(), 1.0);
    EXPECT_DOUBLE_EQ(chart.LayerScaleY(4).RangeLow(), 2.0);
    EXPECT_DOUBLE_EQ(chart.LayerScaleY(4).RangeHigh(), 4.0);
    EXPECT_DOUBLE_EQ(chart.ScaleY(4).RangeHigh(), 4.0);
}

TEST(TVistrelTest, RangeSettersRepairRangesShorterThanTheMinimum)
{
    TVistrel chart;
    TScaleProps& x = chart.Scale1X();
    x.SetRangeLow(0);
    x.SetRangeHigh(0.5 + 1e-12);
    x.SetRangeLow(0.5);
    EXPECT_DOUBLE_EQ(x.RangeLow(), 0.5);
    EXPECT_DOUBLE_EQ(x.RangeHigh(), 0.5 + 1e-10);
    x.SetRangeHigh(0.5 + 2e-11);
    EXPECT_DOUBLE_EQ(x.RangeHigh(), 0.5 + 2e-11);
    EXPECT_DOUBLE_EQ(x.RangeLow(), 0.5 + 2e-11 - 1e-10);

    x.SetRangeLow(0);
    x.SetRangeHigh(1);
    x.SetMinRange(2);
    EXPECT_DOUBLE_EQ(x.RangeLow(), -0.5);
    EXPECT_DOUBLE_EQ(x.RangeHigh(), 1.5);
    x.SetMinRange(1e-101); // refused
    EXPECT_DOUBLE_EQ(x.MinRange(), 2.0);
    x.SetRangeLow(std::nan(""));
    EXPECT_DOUBLE_EQ(x.RangeLow(), -0.5);

    TScaleProps& y = chart.Scale1Y();
    y.SetRangeLow(1);
    y.SetRangeHigh(100);
    y.SetLogarithmic(true);
    ASSERT_TRUE(y.Logarithmic());
    y.SetRangeLow(0); // not on a logarithmic axis
    EXPECT_DOUBLE_EQ(y.RangeLow(), 1.0);
    // The layer's scale follows every accepted change.
    EXPECT_DOUBLE_EQ(chart.ScaleX(1).RangeLow(), -0.5);
    EXPECT_DOUBLE_EQ(chart.ScaleY(1).RangeHigh(), 100.0);
}

TEST(TVistrelTest, MapsTheRangesOntoTheDataArea)
{
    TVistrel chart;
    designChart(chart);
    chart.SetLayerRanges(1, 0, 0, 10, 100);
    EXPECT_EQ(chart.DataToPixel(1, 0, 0), (Point { 50, 153 }));
    EXPECT_EQ(chart.DataToPixel(1, 10, 100), (Point { 215, 20 }));
    EXPECT_EQ(chart.DataToPixel(1, 1e300, -1e300), (Point { 2147483647, 2147483647 }));
    // A reversed y range draws larger values lower.
    chart.SetLayerRanges(2, 0, 100, 10, 0);
    EXPECT_GT(chart.DataToPixel(2, 0, 80).y, chart.DataToPixel(2, 0, 20).y);
    // A data area narrower than a pixel puts everything in the middle.
    chart.SetControlSize({ 60, 50 });
    EXPECT_EQ(chart.DataToPixel(1, 7, 3), (Point { 30, 25 }));
    EXPECT_TRUE(std::isfinite(static_cast<double>(chart.Mapping(1).kx)));
}

TEST(TVistrelTest, ItemStorageGrowsByAllocSizeAndKeepsOrder)
{
    TVistrel chart;
    chart.AddLine(9, 9, 9, 9);
    chart.ClearItems();
    EXPECT_EQ(chart.ItemCount(), 0);
    EXPECT_EQ(chart.ItemCapacity(), 0);
    for (int i = 1; i <= 1000; ++i)
        chart.AddLine(i, 0, i, 1);
    EXPECT_EQ(chart.ItemCapacity(), 1000);
    chart.DataColor = { 255, 0, 0 };
    chart.SetCurrentLayer(3);
    chart.AddLine(1001, 0, 1001, 1);
    EXPECT_EQ(chart.ItemCapacity(), 2000);
    ASSERT_EQ(chart.ItemCount(), 1001);
    for (int i = 0; i < 1001; ++i)
        EXPECT_EQ(chart.Items()[static_cast<std::size_t>(i)].x1, i + 1.0);
    const TVistrelItem& last = chart.Items().back();
    EXPECT_EQ(last.colour, (Rgb { 255, 0, 0 }));
    EXPECT_EQ(last.layer, 3);
    EXPECT_EQ(last.kind, ItemKindLine);
    EXPECT_EQ(chart.ClassCount(0), 1001);
}

TEST(TVistrelTest, ThirtyTextLabelsAndNoMore)
{
    TVistrel chart;
    TTextLabel& model = *chart.TextLabel(1);
    model.Mode = TTextLabelMode::tlBox;
    model.AttachToData = TLabelAttachMode::tlamNone;
    model.ColorBkg = { 1, 2, 3 };
    for (int i = 2; i <= 30; ++i)
        EXPECT_EQ(chart.AddTextLabel({ 0, 0, 255 }, "L" + std::to_string(i), i, i, 1), i);
    EXPECT_EQ(chart.TextLabel(2)->Mode, TTextLabelMode::tlBox);
    EXPECT_EQ(chart.TextLabel(2)->ColorBkg, (Rgb { 1, 2, 3 }));
    EXPECT_EQ(chart.TextLabel(2)->AttachToData, TLabelAttachMode::tlamNone);
    EXPECT_TRUE(chart.TextLabel(30)->Visible);
    EXPECT_EQ(chart.AddTextLabel({}, "too many", 0, 0, 0), 0);
    chart.ClearItems();
    EXPECT_EQ(chart.AddTextLabel({}, "still too many", 0, 0, 0), 0);
    EXPECT_EQ(chart.TextLabel(30)->Caption, "L30");
    EXPECT_EQ(chart.TextLabel(31), nullptr);
    EXPECT_EQ(chart.TextLabel(0), nullptr);
}

TEST(TVistrelTest, LabelWithoutTemplateTakesTheChartsColours)
{
    TVistrel chart;
    chart.ChartColor = { 10, 20, 30 };
    ASSERT_EQ(chart.AddTextLabel({ 255, 0, 0 }, "t", 1, 2, 99), 1);
    const TTextLabel& label = *chart.TextLabel(1);
    EXPECT_EQ(label.Mode, TTextLabelMode::tlsimple);
    EXPECT_EQ(label.ColorBkg, (Rgb { 10, 20, 30 }));
    EXPECT_EQ(label.FontColor, (Rgb { 255, 0, 0 }));
    EXPECT_EQ(label.ShadowDx, 0);
    EXPECT_EQ(label.AttachToData, TLabelAttachMode::tlamBoth);
}

TEST(TVistrelTest, RendersFrameScalesItemsThenLabelsClippedToTheDataArea)
{
    TVistrel chart;
    designChart(chart);
    chart.SetLayerRanges(0, 0, 0, 10, 10);
    chart.AddLine(5, 5, 20, 5); // leaves the data area on the right
    chart.AddLine(std::nan(""), 1, 2, 3); // has no place
    chart.AddLine(-1e308, -1e308, 1e308, 1e308);
    chart.SetCurrentLayer(2);
    chart.AddLine(1, 1, 2, 2);
    chart.SetLayerVisible(2, false);
    chart.SetCurrentLayer(1);
    ASSERT_EQ(chart.AddTextLabel({ 255, 0, 0 }, "far", 50, 50, 0), 1);
    ASSERT_EQ(chart.AddTextLabel({ 255, 0, 0 }, "mid", 5, 5, 0), 2);

    RecordingCanvas canvas;
    chart.Render(canvas);
    EXPECT_EQ(canvas.ops.front(), "clip 0 0 235 193");
    EXPECT_EQ(canvas.ops[1], "fill 240 240 240");
    EXPECT_EQ(canvas.ops[2], "fillRect 0 0 235 193");
    EXPECT_EQ(canvas.ops.back(), "noClip");
    // The frame's right line lies beside the data area's last column, not on it.
    const int frame = canvas.firstOp("rectangle 49 19 217 154");
    const int firstItem = canvas.firstOp("moveTo 132 86"); // 5 maps to 132.5 and 86.5
    ASSERT_GE(frame, 0);
    ASSERT_GT(firstItem, frame);
    // The items and labels are clipped to the data area, its last row and column included.
    EXPECT_EQ(canvas.lastOp("clip"), firstItem - 2);
    EXPECT_EQ(canvas.ops[static_cast<std::size_t>(firstItem - 2)], "clip 50 20 216 154");
    const auto op = [&](int i) { return canvas.ops[static_cast<std::size_t>(i)]; };
    EXPECT_EQ(op(firstItem + 1), "lineTo 215 86");
    // Scale labels come before the items, the text label after them.
    int scaleLabels = 0;
    for (int i = 0; i < static_cast<int>(canvas.ops.size()); ++i)
        if (op(i).starts_with("text ")) {
            const bool isLabel = op(i) == "text 123 75 mid";
            EXPECT_EQ(i > firstItem, isLabel) << op(i);
            scaleLabels += isLabel ? 0 : 1;
        }
    EXPECT_EQ(scaleLabels, 12); // 0.0 .. 10.0 on both axes
    EXPECT_EQ(canvas.lastOp("text"), canvas.firstOp("text 123 75 mid"));
    // The huge line is cut to the data area, the hidden layer and the label far off are not
    // drawn.
    int itemLines = 0;
    for (int i = firstItem; i < static_cast<int>(canvas.ops.size()); ++i)
        if (op(i).starts_with("lineTo")) {
            ++itemLines;
            const RecordingCanvas::Line& l =
                canvas.lines[canvas.lines.size() - 2 + static_cast<std::size_t>(itemLines - 1)];
            for (const Point p : { l.from, l.to }) {
                EXPECT_GE(p.x, 50);
                EXPECT_LE(p.x, 215);
                EXPECT_GE(p.y, 20);
                EXPECT_LE(p.y, 153);
            }
        }
    EXPECT_EQ(itemLines, 2);
}

TEST(TVistrelTest, JoinedLayersFollowTheRangesOfTheirController)
{
    TVistrel chart;
    TJointLayers& joint = chart.JointLayers();
    EXPECT_EQ(joint.XControlledBy(7), 7);
    EXPECT_EQ(joint.YControlledBy(17), 0);
    joint.SetXControlledBy(2, 1);
    joint.SetXControlledBy(3, 1);
    joint.SetYControlledBy(2, 4);

    chart.SetLayerRanges(1, 0, 0, 10, 20);
    chart.SetLayerRanges(4, 0, -1, 1, 1);
    EXPECT_DOUBLE_EQ(chart.LayerScaleX(3).RangeHigh(), 10.0);
    EXPECT_DOUBLE_EQ(chart.ScaleX(3).RangeHigh(), 10.0);
    EXPECT_EQ(chart.Mapping(3).kx, chart.Mapping(1).kx);
    EXPECT_DOUBLE_EQ(chart.LayerScaleY(3).RangeHigh(), 1.0); // y is its own
    // A joined axis keeps its controller's range, whatever its own call gives.
    chart.SetLayerRanges(2, 5, 5, 6, 6);
    EXPECT_DOUBLE_EQ(chart.LayerScaleX(2).RangeLow(), 0.0);
    EXPECT_DOUBLE_EQ(chart.LayerScaleX(2).RangeHigh(), 10.0);
    EXPECT_DOUBLE_EQ(chart.LayerScaleY(2).RangeLow(), -1.0);
    // So does a range widened on the controller's scale, as the calibration chart widens it.
    chart.Scale1X().SetRangeHigh(30);
    EXPECT_DOUBLE_EQ(chart.LayerScaleX(3).RangeHigh(), 30.0);
    EXPECT_EQ(chart.DataToPixel(3, 30, 0).x, chart.DataToPixel(1, 30, 0).x);
    // All layers at once end joined as they would one by one.
    chart.SetLayerRanges(0, 1, 1, 2, 2);
    EXPECT_DOUBLE_EQ(chart.LayerScaleX(2).RangeHigh(), 2.0);

    // Joining takes the controller's range at once; parting keeps the range the layer has.
    chart.Scale1Y().SetRangeHigh(50);
    joint.SetYControlledBy(5, 1);
    EXPECT_DOUBLE_EQ(chart.LayerScaleY(5).RangeHigh(), 50.0);
    joint.SetXControlledBy(3, 3);
    chart.SetLayerRanges(1, 0, 0, 4, 4);
    EXPECT_DOUBLE_EQ(chart.LayerScaleX(3).RangeHigh(), 2.0);
    EXPECT_DOUBLE_EQ(chart.LayerScaleX(2).RangeHigh(), 4.0);
}

struct JoinCase {
    const char* name;
    std::vector<std::pair<int, int>> joined; //!< (layer, controller) made beforehand
    int layer;
    int controller;
    std::string message;
};

class TVistrelJoinTest : public ::testing::TestWithParam<std::tuple<JoinCase, bool>> { };

TEST_P(TVistrelJoinTest, RefusesAJoinThatCannotHoldAndChangesNothing)
{
    const auto& [c, horizontal] = GetParam();
    TVistrel chart;
    TJointLayers& joint = chart.JointLayers();
    const auto join = [&](int layer, int controller) {
        if (horizontal)
            joint.SetXControlledBy(layer, controller);
        else
            joint.SetYControlledBy(layer, controller);
    };
    for (const auto& [layer, controller] : c.joined)
        join(layer, controller);
    const auto state = [&] {
        std::vector<int> s;
        for (int layer = 1; layer <= MaxLayers; ++layer)
            s.push_back(horizontal ? joint.XControlledBy(layer) : joint.YControlledBy(layer));
        return s;
    };
    const std::vector<int> before = state();
    try {
        join(c.layer, c.controller);
        FAIL() << "no error";
    } catch (const EQuorVistrelError& e) {
        EXPECT_EQ(std::string(e.what()), c.message);
    }
    EXPECT_EQ(state(), before);
}

INSTANTIATE_TEST_SUITE_P(Joins, TVistrelJoinTest,
    ::testing::Combine(
        ::testing::Values(
            JoinCase { "NoLayerZero", {}, 4, 0, "Destination layer 0 is out of range" },
            JoinCase { "NoLayer17", {}, 4, 17, "Destination layer 17 is out of range" },
            JoinCase { "NoChain", { { 3, 2 } }, 4, 3, "Destination layer 3 is already joined" },
            JoinCase { "NoRing", { { 3, 2 } }, 2, 3, "Destination layer 3 is already joined" },
            JoinCase { "ControllerStaysFree", { { 3, 2 }, { 5, 2 } }, 2, 1,
                "Layer 2 is joined by other layers (3, 5)" }),
        ::testing::Bool()),
    [](const auto& row) {
        return std::string(std::get<0>(row.param).name) + (std::get<1>(row.param) ? "X" : "Y");
    });

TEST(TVistrelTest, ASharingChartShowsAndChangesTheOthersItemsInItsOwnLayers)
{
    auto owner = std::make_unique<TVistrel>();
    TVistrel view;
    view.AddLine(7, 7, 8, 8);
    int viewRepaints = 0;
    view.OnRedraw = [&] { ++viewRepaints; };
    view.SetUseDataOf(owner.get());
    EXPECT_EQ(view.UseDataOf(), owner.get());
    EXPECT_EQ(view.ItemCount(), 0);

    owner->AddLine(0, 0, 1, 1);
    view.AddLine(1, 1, 2, 0);
    EXPECT_EQ(owner->ItemCount(), 2);
    EXPECT_EQ(view.ClassCount(0), 2);
    owner->Repaint();
    EXPECT_EQ(viewRepaints, 1);
    // The same items, mapped with the view's own ranges.
    owner->SetLayerRanges(1, 0, 0, 1, 1);
    view.SetLayerRanges(1, 0, 0, 2, 2);
    RecordingCanvas canvas;
    view.Render(canvas);
    EXPECT_GE(canvas.firstOp("lineTo " + std::to_string(view.DataToPixel(1, 2, 0).x)), 0);

    owner->ClearItems();
    EXPECT_EQ(view.ItemCount(), 0);
    owner->AddLine(0, 0, 1, 1);
    // Without the other chart the view has its own items again.
    owner.reset();
    EXPECT_EQ(view.UseDataOf(), nullptr);
    ASSERT_EQ(view.ItemCount(), 1);
    EXPECT_EQ(view.Items()[0].x1, 7.0);
}

TEST(TVistrelTest, RefusesSharingThatCannotHoldAndChangesNothing)
{
    TVistrel a;
    TVistrel b;
    TVistrel c;
    std::array<TVistrel, MaxDataShares> views;
    b.SetUseDataOf(&a);
    for (std::size_t i = 1; i < views.size(); ++i)
        views[i].SetUseDataOf(&a);
    const std::vector<std::pair<std::pair<TVistrel*, TVistrel*>, std::string>> cases {
        { { &c, &c }, "Vistrel: Cannot share data with myself" },
        { { &a, &c }, "Vistrel: Cannot use foreign data. Other Vistrels are using my own data." },
        { { &views[0], &a }, "Vistrel: Max. number of data shares exceeded" },
    };
    for (const auto& [charts, message] : cases) {
        const auto [chart, other] = charts;
        TVistrel* const before = chart->UseDataOf();
        try {
            chart->SetUseDataOf(other);
            ADD_FAILURE() << "no error: " << message;
        } catch (const EQuorVistrelError& e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
        EXPECT_EQ(chart->UseDataOf(), before) << message;
    }
    // A chart whose list nobody shows may move to another; a freed place can be taken.
    b.SetUseDataOf(&c);
    views[0].SetUseDataOf(&a);
    EXPECT_EQ(views[0].UseDataOf(), &a);
}

} // namespace
} // namespace meldrix
