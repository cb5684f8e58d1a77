#include "chart/CalibrationChart.h"

#include "support/RecordingCanvas.h"

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

    ASSERT_EQ(chart.ItemCount(), 2);
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

// In the physical model the chart draws what Execute reads between the points: the monotone cubic,
// ending on every point; a curve of two points, or out of order, keeps its chain of lines.
TEST_F(CalibrationChartTest, ThePhysicalModelDrawsTheCubicBetweenThePoints)
{
    const CalCurveRecord curve = curveOf({ { 1, 0 }, { 2, 1 }, { 3, 4 } });
    ShowCalChart(chart, curve, 3, FlowModelKind::Physical);
    ASSERT_EQ(chart.ItemCount(), 32);
    const auto& items = chart.Items();
    EXPECT_EQ(items[15].x2, 2.0);
    EXPECT_EQ(items[15].y2, 1.0);
    EXPECT_EQ(items[31].x2, 3.0);
    EXPECT_EQ(items[31].y2, 4.0);
    EXPECT_NEAR(items[7].y2, 0.3125, 1e-12); // at 1.5, as MonotoneCubicTest works it out
    for (int i = 1; i < 32; ++i)
        EXPECT_EQ(items[static_cast<std::size_t>(i)].x1, items[static_cast<std::size_t>(i - 1)].x2);

    ShowCalChart(chart, curveOf({ { 1, 0 }, { 3, 4 }, { 2, 1 } }), 3, FlowModelKind::Physical);
    EXPECT_EQ(chart.ItemCount(), 2);
}

TEST_F(CalibrationChartTest, EmptyCurveKeepsTheWidenedRangeAndItsTitle)
{
    ShowCalChart(chart, CalCurveRecord {}, 12);
    EXPECT_EQ(chart.ItemCount(), 0);
    EXPECT_DOUBLE_EQ(chart.Scale1X().RangeLow(), -5e-11);
    EXPECT_DOUBLE_EQ(chart.Scale1Y().RangeHigh(), 5e-11);
    RecordingCanvas canvas;
    chart.Render(canvas);
    EXPECT_EQ(canvas.texts.back().text, "Calibration curve 12");
}

TEST_F(CalibrationChartTest, SegmentIntoAZeroPointIsLeftOutAndNegativesExtendTheRanges)
{
    ShowCalChart(chart, curveOf({ { 1, 10 }, { 0, 0 }, { 3, 40 }, { -2, -5 } }), 1);
    ASSERT_EQ(chart.ItemCount(), 2);
    EXPECT_EQ(chart.Items()[0].x1, 0.0);
    EXPECT_EQ(chart.Items()[0].y2, 40.0);
    EXPECT_EQ(chart.Items()[1].x2, -2.0);
    EXPECT_DOUBLE_EQ(chart.Scale1X().RangeLow(), -2.0);
    EXPECT_DOUBLE_EQ(chart.Scale1Y().RangeLow(), -5.0);
}

// A curve that rises to its last point and then runs along the top of its range, or straight up
// its right end, lies on the edge of the data area: those pixels are inside, so every segment is
// drawn, with both ends in the data area.
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
        ShowCalChart(chart, curveOf(points), 1);
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
