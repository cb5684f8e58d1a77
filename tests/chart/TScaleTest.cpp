#include "chart/TScale.h"

#include "support/RecordingCanvas.h"

#include <algorithm>
#include <cmath>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

namespace meldrix {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using testsupport::RecordingCanvas;

struct SpacingCase {
    int intervals;
    double lo;
    double hi;
    double first;
    double step;
    int shortIntervals;
};

class TickSpacingTest : public ::testing::TestWithParam<SpacingCase> { };

TEST_P(TickSpacingTest, StepsAreOneTwoOrFiveTimesAPowerOfTen)
{
    const SpacingCase c = GetParam();
    const TickSpacing s = TickSpacingFor(c.intervals, c.lo, c.hi);
    EXPECT_NEAR(s.first, c.first, 1e-12) << c.lo << ".." << c.hi;
    // The step is the double nearest to 1, 2 or 5 times a power of ten, not merely close to it.
    EXPECT_EQ(s.step, c.step) << c.lo << ".." << c.hi;
    EXPECT_EQ(s.shortIntervals, c.shortIntervals) << c.lo << ".." << c.hi;
}

// Worked by hand from the tick rule: t = log10(|hi - lo| / n), its fraction against log10 2 and
// log10 5.
INSTANTIATE_TEST_SUITE_P(Ranges, TickSpacingTest,
    ::testing::Values(SpacingCase { 3, 0, 1, 0, 0.2, 4 }, SpacingCase { 3, 0, 100, 0, 20, 4 },
        SpacingCase { 3, 0, 10, 0, 2, 4 }, SpacingCase { 3, 1, 0, 1, -0.2, 4 },
        SpacingCase { 3, 0, 3, 0, 1, 5 }, SpacingCase { 3, 0, 40, 0, 10, 5 },
        SpacingCase { 3, 0.35, 1.25, 0.4, 0.2, 4 }, SpacingCase { 3, -7, 13, -5, 5, 5 },
        SpacingCase { 2, -7, 13, 0, 10, 5 }, SpacingCase { 3, 0.35, 0.95, 0.4, 0.1, 5 },
        SpacingCase { 10, 0, 1e-3, 0, 1e-4, 5 }, SpacingCase { 3, 5, 5, 5, 0, 1 },
        SpacingCase { 0, 0.5, 3.5, 1, 1, 5 }, SpacingCase { 0, 0, 50, 0, 1, 1 },
        SpacingCase { 3, 0, 1e-4, 0, 2e-5, 4 }, SpacingCase { 3, 0, 1.8e-6, 0, 5e-7, 5 },
        SpacingCase { 3, 0, 1e7, 0, 2e6, 4 }));

std::vector<std::string> longLabels(const TScale& scale)
{
    std::vector<std::string> labels;
    for (const ScaleTick& t : scale.Ticks())
        if (t.isLong)
            labels.push_back(t.label);
    return labels;
}

TScale scaleOver(double lo, double hi)
{
    TScale scale;
    scale.SetRange(lo, hi);
    return scale;
}

TEST(TScaleTest, UnitRangeHasTwoDecimalsAndZeroByTheNearZeroRule)
{
    EXPECT_THAT(
        longLabels(scaleOver(0, 1)), ElementsAre("0.0", "0.20", "0.40", "0.60", "0.80", "1.00"));
}

TEST(TScaleTest, HundredHasWholeNumbersAndTenHasOneDecimal)
{
    EXPECT_THAT(longLabels(scaleOver(0, 100)), ElementsAre("0", "20", "40", "60", "80", "100"));
    EXPECT_THAT(
        longLabels(scaleOver(0, 10)), ElementsAre("0.0", "2.0", "4.0", "6.0", "8.0", "10.0"));
}

TEST(TScaleTest, ReversedRangeRunsDown)
{
    const TScale scale = scaleOver(1, 0);
    EXPECT_THAT(longLabels(scale), ElementsAre("1.00", "0.80", "0.60", "0.40", "0.20", "0.0"));
    // Short ticks too run from 1 down to 0, 4 per long interval (the one on 1.0 itself may fall
    // a rounding error outside the range).
    std::vector<double> shortTicks;
    for (const ScaleTick& t : scale.Ticks())
        if (!t.isLong)
            shortTicks.push_back(t.value);
    ASSERT_GE(shortTicks.size(), 20U);
    EXPECT_LE(shortTicks.size(), 21U);
    EXPECT_TRUE(std::is_sorted(shortTicks.rbegin(), shortTicks.rend()));
    EXPECT_LE(shortTicks.front(), 1.0);
    EXPECT_NEAR(shortTicks.back(), 0.0, 1e-12);
}

struct LabelCase {
    double lo;
    double hi;
    int decPlaces;
    double value;
    std::string inscript;
    std::string expected;
};

class TickLabelTest : public ::testing::TestWithParam<LabelCase> { };

TEST_P(TickLabelTest, FollowsTheLabelRules)
{
    const LabelCase c = GetParam();
    TScale scale = scaleOver(c.lo, c.hi);
    scale.SetDecPlaces(c.decPlaces);
    scale.ScaleInscript = c.inscript;
    EXPECT_EQ(scale.TickLabel(c.value, 0), c.expected) << c.value;
}

INSTANTIATE_TEST_SUITE_P(Labels, TickLabelTest,
    ::testing::Values(LabelCase { 0, 1, -2, 1e-17, "", "0.0" },
        LabelCase { 0, 0.1, -2, 0.05, "", "0.050" }, LabelCase { 0, 2e6, -2, 5e5, "", "5.0E+05" },
        LabelCase { 0, 2e-5, -3, 1e-5, "", "1.0E-05" },
        LabelCase { 0, 1e200, -2, 1e150, "", "********" },
        LabelCase { 0, 1000, 12, 123.456, "", "123.4560000000" },
        LabelCase { 0, 10, 0, 2.5, "", "" }, LabelCase { 0, 10, 0, 3.0000001, "", "3" },
        LabelCase { 0, 100, -2, 20, "&%", "20%" }, LabelCase { 0, 100, -2, 20, "x=", "x=20" },
        LabelCase { 0, 100, -2, 20, "(&) mm", "(20) mm" }, LabelCase { 0, 10, 0, 2.5, "x=", "" }));

TEST(TScaleTest, UserTextLabelsAreTakenInTurn)
{
    TScale scale = scaleOver(0, 100);
    scale.SetLabelType(TFigType::ftUserText);
    scale.UserTickText = "low|mid|high";
    EXPECT_EQ(scale.TickLabel(0, 0), "low");
    EXPECT_EQ(scale.TickLabel(20, 2), "high");
    EXPECT_EQ(scale.TickLabel(40, 3), "");
}

TEST(TScaleTest, SettersClampRepairAndRefuse)
{
    TScale scale;
    const std::vector<std::pair<int, int>> minTicks { { 1, 2 }, { 15, 10 }, { 0, 0 }, { -4, 2 },
        { 7, 7 } };
    for (const auto& [given, stored] : minTicks) {
        scale.SetMinTicks(given);
        EXPECT_EQ(scale.MinTicks(), stored) << given;
    }
    scale.SetDecPlaces(-9);
    EXPECT_EQ(scale.DecPlaces(), -3);
    scale.SetDecPlaces(40);
    EXPECT_EQ(scale.DecPlaces(), 12);

    scale.SetRange(2, 8);
    scale.SetRangeHigh(2);
    EXPECT_EQ(scale.RangeLow(), 3.0); // a reversed unit range
    EXPECT_EQ(scale.RangeHigh(), 2.0);
    scale.SetRangeLow(2);
    EXPECT_EQ(scale.RangeHigh(), 3.0);

    scale.SetRange(-1, 10);
    scale.SetLogarithmic(true);
    EXPECT_FALSE(scale.Logarithmic());
    scale.SetRange(1, 1000);
    scale.SetLabelType(TFigType::ftDateTime);
    scale.SetLogarithmic(true);
    EXPECT_FALSE(scale.Logarithmic());
    scale.SetLabelType(TFigType::ftNum);
    scale.SetLogarithmic(true);
    EXPECT_TRUE(scale.Logarithmic());
    scale.SetLabelType(TFigType::ftTime);
    EXPECT_EQ(scale.DecPlaces(), 4);
}

TEST(TScaleTest, MapsValuesBetweenTheMargins)
{
    TScale scale = scaleOver(0, 100); // 400 x 400, margins 20: 359 pixels from 20 to 379
    EXPECT_EQ(scale.ValueToPixel(0), 20);
    EXPECT_EQ(scale.ValueToPixel(100), 379);
    EXPECT_DOUBLE_EQ(scale.PixelToValue(379), 100.0);
    scale.SetScaleType(TScaleType::sctYL); // values grow upwards
    EXPECT_EQ(scale.ValueToPixel(100), 20);
    EXPECT_EQ(scale.ValueToPixel(0), 379);
    EXPECT_EQ(scale.ValueToPixel(1e300), -2147483647);
    EXPECT_EQ(scale.ValueToPixel(-1e300), 2147483647);
    EXPECT_EQ(scale.ValueToPixel(std::nan("")), 379);

    scale.SetScaleType(TScaleType::sctXB);
    scale.SetRange(1, 1000);
    scale.SetLogarithmic(true);
    EXPECT_EQ(scale.ValueToPixel(1), 20);
    EXPECT_EQ(scale.ValueToPixel(1000), 379);
    EXPECT_EQ(scale.ValueToPixel(0), 0);
}

TEST(TScaleTest, UnusableRangesDrawNoTicksAndEveryLoopEnds)
{
    const double inf = std::numeric_limits<double>::infinity();
    for (const auto& [lo, hi] : std::vector<std::pair<double, double>> {
             { -1.7e308, 1.7e308 }, { 0, inf }, { -inf, 1 }, { std::nan(""), 1 } })
        EXPECT_TRUE(scaleOver(lo, hi).Ticks().empty()) << lo << ".." << hi;

    // Ranges whose steps get lost against their size, or that ask for a million ticks.
    TScale huge = scaleOver(1e17, 1e17 + 64);
    TScale manyTicks = scaleOver(0, 1e6);
    manyTicks.SetMinTicks(0);
    TScale tiny = scaleOver(1e-300, 3e-300);
    for (TScale* scale : { &huge, &manyTicks, &tiny }) {
        int longTicks = 0;
        int shortTicks = 0;
        for (const ScaleTick& t : scale->Ticks())
            ++(t.isLong ? longTicks : shortTicks);
        EXPECT_LE(longTicks, MaxScaleTicks);
        EXPECT_LE(shortTicks, MaxScaleTicks);
        RecordingCanvas canvas;
        scale->Draw(canvas);
        EXPECT_LE(scale->NumTicks(), MaxScaleTicks);
    }
}

TEST(TScaleTest, FramesItsOwnBackgroundInTheChosenStyle)
{
    constexpr Rgb Black { 0, 0, 0 };
    constexpr Rgb Grey { 128, 128, 128 };
    constexpr Rgb White { 255, 255, 255 };
    struct Ring {
        Rgb upperLeft;
        Rgb lowerRight;
    };
    // Outer ring first; embossed and engraved frames add the opposite ring one pixel inside.
    const std::vector<std::pair<TFrameStyle, std::vector<Ring>>> cases {
        { TFrameStyle::fsNone, {} },
        { TFrameStyle::fsSimple, { { Black, Black } } },
        { TFrameStyle::fsLowered, { { Grey, White } } },
        { TFrameStyle::fsRaised, { { White, Grey } } },
        { TFrameStyle::fsEmbossed, { { White, Grey }, { Grey, White } } },
        { TFrameStyle::fsEngraved, { { Grey, White }, { White, Grey } } },
    };
    for (const auto& [style, rings] : cases) {
        SCOPED_TRACE(static_cast<int>(style));
        TScale scale = scaleOver(0, 100);
        scale.ColorScale = { 0, 0, 255 }; // tells the axis and ticks from the frame
        scale.FrameStyle = style;
        RecordingCanvas canvas;
        scale.Draw(canvas, { 5, 7 });
        std::vector<RecordingCanvas::Line> frame;
        std::copy_if(canvas.lines.begin(), canvas.lines.end(), std::back_inserter(frame),
            [&](const RecordingCanvas::Line& l) { return l.colour != scale.ColorScale; });
        ASSERT_EQ(frame.size(), 4 * rings.size());
        for (std::size_t r = 0; r < rings.size(); ++r) {
            // Up the left edge and across the top, then down the right and back along the bottom
            // of the 400 x 400 area at (5, 7).
            const int in = static_cast<int>(r);
            const Point upperLeft { 5 + in, 7 + in };
            const Point lowerRight { 404 - in, 406 - in };
            const RecordingCanvas::Line* edge = &frame[4 * r];
            EXPECT_EQ(edge[0].from, (Point { upperLeft.x, lowerRight.y }));
            EXPECT_EQ(edge[0].to, upperLeft);
            EXPECT_EQ(edge[2].to, lowerRight);
            EXPECT_EQ(edge[3].to, (Point { upperLeft.x, lowerRight.y }));
            for (int k = 0; k < 4; ++k)
                EXPECT_EQ(edge[k].colour, k < 2 ? rings[r].upperLeft : rings[r].lowerRight);
        }
    }
}

TEST(TScaleTest, DrawsTicksAwayFromTheDataWithLabelsBesideThem)
{
    TScale scale = scaleOver(0, 100);
    scale.SetScaleType(TScaleType::sctXT); // axis at y = 20, ticks pointing down
    scale.Transparent = true;
    RecordingCanvas canvas;
    scale.Draw(canvas, { 5, 100 });
    // The long tick at 20 lies at 20 + 359 * 0.2 = 91.8, so pixel 92.
    EXPECT_NE(std::find_if(canvas.lines.begin(), canvas.lines.end(),
                  [](const RecordingCanvas::Line& l) {
                      return l.from == Point { 97, 120 } && l.to == Point { 97, 127 };
                  }),
        canvas.lines.end());
    // Its label "20" (12 pixels wide) is centred below, 7 pixels under the axis.
    EXPECT_THAT(canvas.textsAt({ 97 - 6, 127 }), ElementsAre("20"));
    // The last label is kept 2 pixels inside the right edge.
    scale.SetRange(0, 100000);
    scale.ScaleInscript = "& units";
    RecordingCanvas wide;
    scale.Draw(wide);
    EXPECT_EQ(wide.texts.back().text, "100000 units");
    EXPECT_EQ(wide.texts.back().at.x, 400 - 2 - 72);
    scale.ScaleInscript.clear();
    // Short ticks record every value; the long ones are not recorded twice on this axis.
    scale.SetRange(0, 100);
    scale.Draw(canvas);
    EXPECT_EQ(scale.NumTicks(), 21);
    EXPECT_DOUBLE_EQ(scale.TickValue(21), 100.0);
    EXPECT_EQ(scale.TickValue(22), 0.0);

    scale.SetScaleType(TScaleType::sctYR); // axis at x = 379, ticks and labels to its left
    RecordingCanvas vertical;
    scale.Draw(vertical);
    EXPECT_THAT(vertical.textsAt({ 379 - 6 - 18 - 2, 20 - 5 }), ElementsAre("100"));
    EXPECT_EQ(scale.NumTicks(), 27);
}

} // namespace
} // namespace meldrix
