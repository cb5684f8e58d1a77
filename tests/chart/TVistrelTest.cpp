#include "chart/TVistrel.h"

#include "support/RecordingCanvas.h"

#include <algorithm>
#include <cmath>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>

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

} // namespace
} // namespace meldrix
