#include "plots/CalibrationChart.h"

#include "support/RecordingCanvas.h"
#include "support/SampleRigs.h"

#include <cmath>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <vector>

namespace meldrix {
namespace {

using ::testing::ElementsAre;
using testsupport::RecordingCanvas;

CalCurveRecord curveOf(std::vector<CalPoint> points)
{
    CalCurveRecord curve;
    for (std::size_t i = 0; i < points.size(); ++i)
        curve.Points[static_cast<int>(i) + 1] = points[i];
    return curve;
}

class CalibrationChartTest : public ::testing::Test {
protected:
    CalibrationChartTest() { ConfigureCalChart(chart); }

    // The lines drawn after the scales: those of the data area's items.
    std::vector<std::pair<Point, Point>> itemLines(const RecordingCanvas& canvas) const
    {
        std::vector<std::pair<Point, Point>> found;
        for (const RecordingCanvas::Line& l : canvas.lines)
            if (l.colour == Rgb {} && l.from.x >= 50 && l.from.y <= 153 && l.from.y >= 20
                && l.to.x >= 50 && !(l.from.x == l.to.x || l.from.y == l.to.y))
                found.emplace_back(l.from, l.to);
        return found;
    }

    TVistrel chart;
};

TEST_F(CalibrationChartTest, ThreePointCurveDrawsTwoSegmentsAndItsTitle)
{
    int repaints = 0;
    chart.OnRedraw = [&] { ++repaints; };
    ShowCalChart(chart, curveOf({ { 1, 10 }, { 2, 20 }, { 3, 40 } }), 3);

    ASSERT_EQ(chart.ClassCount(CalSegmentClass), 2);
    EXPECT_EQ(chart.Items()[1].x2, 3.0);
    EXPECT_NEAR(chart.Scale1X().RangeLow(), 0.0, 1e-10);
    EXPECT_DOUBLE_EQ(chart.Scale1X().RangeHigh(), 3.0);
    EXPECT_NEAR(chart.Scale1Y().RangeLow(), 0.0, 1e-10);
    EXPECT_DOUBLE_EQ(chart.Scale1Y().RangeHigh(), 40.0);
    EXPECT_GE(repaints, 1);

    RecordingCanvas canvas;
    chart.Render(canvas);
    // x 0..3 over pixels 50..215 and y 0..40 over 153..20: (1, 10) is at 105, 119.75.
    EXPECT_THAT(itemLines(canvas),
        ElementsAre(std::pair { Point { 105, 120 }, Point { 160, 86 } },
            std::pair { Point { 160, 86 }, Point { 215, 20 } }));
    // One title, red, in the top left corner of the data area, whatever the ranges.
    ASSERT_EQ(canvas.texts.back().text, "Calibration curve 3");
    EXPECT_EQ(canvas.texts.back().colour, (Rgb { 255, 0, 0 }));
    EXPECT_EQ(canvas.texts.back().at, (Point { 53, 23 }));
    // The axes are labelled 0.0 .. 3.00 (a span of 3 has two decimals) and 0.0 .. 40.0.
    EXPECT_EQ(canvas.textsAt({ 215 - 12, 153 + 7 }), std::vector<std::string> { "3.00" });
    EXPECT_EQ(canvas.textsAt({ 49 - 8 - 24, 20 - 5 }), std::vector<std::string> { "40.0" });
}

TEST_F(CalibrationChartTest, EmptyCurveKeepsTheWidenedRangeAndItsTitle)
{
    ShowCalChart(chart, CalCurveRecord {}, 12);
    EXPECT_EQ(chart.ItemCount(), 0);
    EXPECT_DOUBLE_EQ(chart.Scale1X().RangeLow(), -5e-11);
    EXPECT_DOUBLE_EQ(chart.Scale1Y().RangeHigh(), 5e-11);
    RecordingCanvas canvas;
    chart.Render(canvas);
    // No scale labelled in steps of 1e-11 one over the next: an empty frame that says so, under
    // the title.
    std::vector<std::string> texts;
    for (const RecordingCanvas::Text& t : canvas.texts)
        texts.push_back(t.text);
    EXPECT_THAT(texts, ElementsAre("Calibration curve 12", "no points"));
    EXPECT_EQ(canvas.texts.back().at.y + canvas.textSize("no points").height / 2, (20 + 153) / 2);

    // A curve with points but none above 0 keeps its scales.
    ShowCalChart(chart, curveOf({ { -2, 1 }, { -1, 3 } }), 12);
    RecordingCanvas negative;
    chart.Render(negative);
    EXPECT_EQ(negative.texts.back().text, "no point above 0: no flow");
    EXPECT_GT(negative.texts.size(), 4u);
}

TEST_F(CalibrationChartTest, SegmentIntoAZeroPointIsLeftOutAndNegativesExtendTheRanges)
{
    ShowCalChart(chart, curveOf({ { 1, 10 }, { 0, 0 }, { 3, 40 }, { -2, -5 } }), 1);
    ASSERT_EQ(chart.ClassCount(CalSegmentClass), 2);
    EXPECT_EQ(chart.Items()[0].x1, 0.0);
    EXPECT_EQ(chart.Items()[0].y2, 40.0);
    EXPECT_EQ(chart.Items()[1].x2, -2.0);
    EXPECT_DOUBLE_EQ(chart.Scale1X().RangeLow(), -2.0);
    EXPECT_DOUBLE_EQ(chart.Scale1Y().RangeLow(), -5.0);
}

// A curve that rises to its last point and then runs along the top of its range, or straight up
// its right end, lies on the edge of the data area: those pixels are inside, so every segment is
// drawn, with both ends in the data area. The physical model's cubic stays between the points, so
// the ranges are the points' own.
TEST_F(CalibrationChartTest, SegmentsOnTheTopAndRightEdgesAreDrawn)
{
    std::mt19937 random(20);
    std::uniform_int_distribution<int> pointCount(2, MaxCalPoints);
    std::uniform_real_distribution<double> step(0.0, 1.0);
    std::uniform_int_distribution<int> decade(-3, 4);
    for (int run = 0; run < 400; ++run) {
        const int n = pointCount(random);
        const bool wholeNumbers = run % 2 == 0;
        const bool flatTop = run % 4 < 2;
        const double xScale = std::pow(10.0, decade(random));
        const double yScale = std::pow(10.0, decade(random));
        std::vector<CalPoint> points;
        double x = 0;
        double y = 0;
        for (int i = 0; i < n; ++i) {
            const double dx =
                wholeNumbers ? std::floor(step(random) * 10) + 1 : step(random) + 0.01;
            const double dy =
                wholeNumbers ? std::floor(step(random) * 10) + 1 : step(random) + 0.01;
            const bool last = i == n - 1 && n > 2;
            x += last && !flatTop ? 0.0 : dx * xScale;
            y += last && flatTop ? 0.0 : dy * yScale;
            points.push_back({ x, y });
        }
        ShowCalChart(chart, curveOf(points), 1, FlowModelKind::Physical);
        chart.SetClassVisible(CalCurveClass, false);
        chart.SetClassVisible(CalPointClass, false);
        RecordingCanvas canvas;
        chart.Render(canvas);
        int drawn = 0;
        for (int i = canvas.lastOp("clip"); i < static_cast<int>(canvas.ops.size()); ++i)
            drawn += canvas.ops[static_cast<std::size_t>(i)].starts_with("lineTo") ? 1 : 0;
        ASSERT_EQ(drawn, n - 1) << "seed 20, run " << run;
        const RecordingCanvas::Line& edge = canvas.lines.back();
        for (const Point p : { edge.from, edge.to }) {
            EXPECT_GE(p.x, 50) << "run " << run;
            EXPECT_LE(p.x, 215) << "run " << run;
            EXPECT_GE(p.y, 20) << "run " << run;
            EXPECT_LE(p.y, 153) << "run " << run;
        }
        if (n == 2)
            continue;
        const bool onEdge =
            flatTop ? edge.from.y == 20 && edge.to.y == 20 : edge.from.x == 215 && edge.to.x == 215;
        EXPECT_TRUE(onEdge) << "run " << run;
    }
}

// The pixel rows the function Execute reads reaches between two readings, from its blue lines.
std::pair<int, int> curveRows(const RecordingCanvas& canvas, int fromX, int toX)
{
    std::pair rows { 1 << 20, -(1 << 20) };
    for (const RecordingCanvas::Line& l : canvas.lines)
        if (l.colour == CalCurveColour)
            for (const Point p : { l.from, l.to })
                if (p.x > fromX && p.x < toX)
                    rows = { std::min(rows.first, p.y), std::max(rows.second, p.y) };
    return rows;
}

// Fifteen rotameter points: the polynomial dips 39 below the last two points, about 15 pixels
// under them, and the chart shows it; the monotone cubic of the physical model stays between.
TEST_F(CalibrationChartTest, TheFunctionExecuteReadsShowsWhereItLeavesThePoints)
{
    std::vector<CalPoint> points(testsupport::OvershootingRotameterPoints.begin(),
        testsupport::OvershootingRotameterPoints.end());
    ShowCalChart(chart, curveOf(points), 1);
    EXPECT_EQ(chart.ClassCount(CalSegmentClass), 14);
    EXPECT_EQ(chart.ClassCount(CalCurveClass), 14 * 16);
    EXPECT_EQ(chart.ClassCount(CalPointClass), 15);
    // Between the first two points the polynomial falls under 0: the flow range takes in the
    // lowest value drawn.
    double lowest = 0.0;
    for (const TVistrelItem& item : chart.Items())
        if (item.itemClass == CalCurveClass)
            lowest = std::min({ lowest, item.y1, item.y2 });
    EXPECT_LT(lowest, -0.1);
    EXPECT_EQ(chart.Scale1Y().RangeLow(), lowest);
    RecordingCanvas canvas;
    chart.Render(canvas);
    const Point p14 = chart.DataToPixel(1, 140, 321.6);
    const Point p15 = chart.DataToPixel(1, 150, 345.5);
    const Point dip = chart.DataToPixel(1, 146.9, 282.1);
    EXPECT_GT(dip.y, p14.y + 12);
    EXPECT_NEAR(curveRows(canvas, p14.x, p15.x).second, dip.y, 1);

    ShowCalChart(chart, curveOf(points), 1, FlowModelKind::Physical);
    RecordingCanvas physical;
    chart.Render(physical);
    const auto [top, bottom] = curveRows(physical, p14.x, p15.x);
    EXPECT_GE(top, chart.DataToPixel(1, 150, 345.5).y);
    EXPECT_LE(bottom, chart.DataToPixel(1, 140, 321.6).y);
}

TEST_F(CalibrationChartTest, EachPointFilledInIsMarked)
{
    ShowCalChart(chart, curveOf({ { 1, 10 }, { 2, 20 }, { 0, 0 }, { 3, 40 } }), 3);
    EXPECT_EQ(chart.ClassCount(CalPointClass), 3);
    RecordingCanvas canvas;
    chart.Render(canvas);
    // (1, 10) is at 105, 120 (see above): a black square five pixels across about it.
    int sides = 0;
    for (const RecordingCanvas::Line& l : canvas.lines)
        sides += l.colour == Rgb {} && std::min(l.from.x, l.to.x) >= 103
            && std::max(l.from.x, l.to.x) <= 107 && std::min(l.from.y, l.to.y) >= 118
            && std::max(l.from.y, l.to.y) <= 122 && (l.from.x == l.to.x || l.from.y == l.to.y);
    EXPECT_EQ(sides, 4);
}

// What Execute makes of a curve it cannot interpolate is what the chart draws: no flow between
// two points on one reading; and a polynomial far off its points is cut at the points' span
// beyond them, each way.
TEST_F(CalibrationChartTest, TheFunctionIsDrawnAsExecuteReadsIt)
{
    ShowCalChart(chart, curveOf({ { 1, 1 }, { 2, 2 }, { 2, 3 }, { 3, 4 } }), 2);
    ASSERT_GT(chart.ClassCount(CalCurveClass), 0);
    for (const TVistrelItem& item : chart.Items())
        if (item.itemClass == CalCurveClass) {
            EXPECT_EQ(item.y1, 0.0);
            EXPECT_EQ(item.y2, 0.0);
        }

    std::vector<CalPoint> alternating;
    for (int k = 1; k <= 15; ++k)
        alternating.push_back({ static_cast<double>(k), static_cast<double>(k % 2) });
    ShowCalChart(chart, curveOf(alternating), 2);
    // The points span 0 to 1 (and the origin's widening); the polynomial reaches -140 and 17.
    EXPECT_NEAR(chart.Scale1Y().RangeLow(), -1.0, 1e-9);
    EXPECT_NEAR(chart.Scale1Y().RangeHigh(), 2.0, 1e-9);
}

TEST_F(CalibrationChartTest, PointsNotTakenAreSaidSoUntilTheNextCurve)
{
    ShowCalChart(chart, curveOf({ { 1, 1 }, { 2, 2 } }), 4);
    MarkNotTaken(chart);
    RecordingCanvas canvas;
    chart.Render(canvas);
    EXPECT_EQ(canvas.texts.back().text, NotTakenNote);
    EXPECT_EQ(canvas.texts.back().at.x + canvas.textSize(NotTakenNote).width, 215 - 3);
    ShowCalChart(chart, curveOf({ { 1, 1 }, { 2, 2 } }), 4);
    EXPECT_FALSE(chart.TextLabel(4)->Visible);
}

TEST_F(CalibrationChartTest, EveryCallReplacesTheOneTitle)
{
    ShowCalChart(chart, curveOf({ { 1, 1 }, { 2, 2 } }), 5);
    ShowCalChart(chart, curveOf({ { 1, 1 }, { 2, 2 } }), 7);
    RecordingCanvas canvas;
    chart.Render(canvas);
    int titles = 0;
    for (const RecordingCanvas::Text& t : canvas.texts)
        titles += t.text.starts_with("Calibration curve") ? 1 : 0;
    EXPECT_EQ(titles, 1);
    EXPECT_EQ(canvas.texts.back().text, "Calibration curve 7");
    EXPECT_EQ(chart.TextLabel(2)->Mode, TTextLabelMode::tlOff);
}

TEST_F(CalibrationChartTest, CurvesBeyondNumbersDrawWithoutHanging)
{
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<std::vector<CalPoint>> curves {
        { { 1, std::nan("") }, { std::nan(""), 2 }, { 3, 4 } },
        { { 1, 1 }, { inf, 2 }, { 3, -inf } },
        { { -1.7e308, -1.7e308 }, { 1.7e308, 1.7e308 }, { 1, 1 } },
        { { 1e17, 1 }, { 1e17 + 16, 2 } },
    };
    for (const auto& points : curves) {
        ShowCalChart(chart, curveOf(points), 9);
        RecordingCanvas canvas;
        chart.Render(canvas);
        EXPECT_EQ(canvas.texts.back().text, "Calibration curve 9");
        EXPECT_LE(chart.ScaleX(1).NumTicks(), MaxScaleTicks);
        EXPECT_LE(chart.ScaleY(1).NumTicks(), MaxScaleTicks);
        for (const RecordingCanvas::Line& l : canvas.lines)
            for (const Point p : { l.from, l.to }) {
                EXPECT_GE(p.x, -300);
                EXPECT_LE(p.x, 300);
                EXPECT_GE(p.y, -300);
                EXPECT_LE(p.y, 300);
            }
    }
}

} // namespace
} // namespace meldrix

namespace meldrix {
namespace {

struct UsedCase {
    double reading;
    CalPointPlace place;
    double at;
    double flow;
    const char* label; //!< text label 2, empty when the reading lies on the curve
};

class UsedPointTest : public ::testing::TestWithParam<UsedCase> { };

// Curve 7 of points (10, 20), (50, 100), (150, 300): the line flow = 2 reading.
TEST_P(UsedPointTest, IsMarkedWhereExecuteTakesTheFlow)
{
    const auto [reading, place, at, flow, label] = GetParam();
    Rig rig;
    rig.CalCurves[7] = curveOf({ { 10, 20 }, { 50, 100 }, { 150, 300 } });
    const CalPointUsed used = UsedPointOf(rig, 7, reading);
    EXPECT_EQ(used.Place, place);
    EXPECT_EQ(used.At, at);
    EXPECT_NEAR(used.Flow, flow, 1e-9 * std::abs(flow));
    EXPECT_EQ(used.Reading, reading);

    TVistrel chart;
    ConfigureCalChart(chart);
    ShowCalChart(chart, rig.CalCurves[7], 7);
    MarkUsedPoint(chart, used);
    RecordingCanvas canvas;
    chart.Render(canvas);
    // Both arms of the red cross run through the point, within a pixel (at the edge of the data
    // area they are clipped short).
    const Point centre = chart.DataToPixel(1, at, flow);
    int arms = 0;
    for (const RecordingCanvas::Line& line : canvas.lines)
        if (line.colour == Rgb { 255, 0, 0 }) {
            ++arms;
            const int dx = line.to.x - line.from.x;
            const int dy = line.to.y - line.from.y;
            EXPECT_LE(std::abs(dx * (centre.y - line.from.y) - dy * (centre.x - line.from.x)),
                std::abs(dx) + std::abs(dy))
                << "arm off the point " << centre.x << ", " << centre.y;
            EXPECT_GE(centre.x, std::min(line.from.x, line.to.x) - 1);
            EXPECT_LE(centre.x, std::max(line.from.x, line.to.x) + 1);
        }
    EXPECT_EQ(arms, 2);
    EXPECT_EQ(chart.TextLabel(2)->Visible, std::string_view(label) != "");
    if (std::string_view(label) != "") {
        EXPECT_EQ(chart.TextLabel(2)->Caption, label);
    }
}

INSTANTIATE_TEST_SUITE_P(Readings, UsedPointTest,
    ::testing::Values(UsedCase { 30, CalPointPlace::OnCurve, 30, 60, "" },
        UsedCase { 1e300, CalPointPlace::AboveTop, 150, 300, "reading 1e+300" },
        UsedCase { 150.5, CalPointPlace::AboveTop, 150, 300, "reading 150.5" },
        UsedCase { 3, CalPointPlace::BelowFirst, 10, 20, "reading 3" },
        UsedCase { -5, CalPointPlace::NoFlow, 0, 0, "reading -5: no flow" },
        UsedCase { std::numeric_limits<double>::infinity(), CalPointPlace::NoFlow, 0, 0,
            "reading inf: no flow" }));

} // namespace
} // namespace meldrix
