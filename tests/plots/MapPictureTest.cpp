#include "plots/MapPicture.h"

#include "plots/MapContours.h"
#include "support/RecordingCanvas.h"

#include <algorithm>
#include <cmath>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <limits>
#include <random>

namespace meldrix {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

TEST(MapContoursTest, LevelsAreRoundStepsAndWholeDecadesForPO2)
{
    EXPECT_THAT(
        ContourLevels(-17.0, -1.0, true, 12), ElementsAre(-16, -14, -12, -10, -8, -6, -4, -2));
    EXPECT_THAT(ContourLevels(-3.0, 0.0, true, 12), ElementsAre(-3, -2, -1, 0));
    // Fractions take steps below 1, each level from its index (0.3, not 0.30000000000000004).
    EXPECT_THAT(ContourLevels(0.0, 0.05, false, 6), ElementsAre(0.0, 0.01, 0.02, 0.03, 0.04, 0.05));
    EXPECT_THAT(ContourLevels(0.25, 0.35, false, 1), ElementsAre(0.3));
    EXPECT_TRUE(ContourLevels(1.0, 1.0, true).empty());
    EXPECT_TRUE(ContourLevels(0.0, std::numeric_limits<double>::infinity(), true).empty());
}

// A seeded plane v = a x + b y + c: every segment of a level lies on that level's line and within
// the grid, and a square with a corner without a value has none.
TEST(MapContoursTest, SegmentsOfAPlaneLieOnTheLevel)
{
    std::mt19937 random(36);
    std::uniform_real_distribution<double> coefficient(-3.0, 3.0);
    for (int trial = 0; trial < 20; ++trial) {
        const double a = coefficient(random);
        const double b = coefficient(random);
        std::vector<double> xs { 0.0, 1.0, 2.5, 4.0 };
        std::vector<double> ys { 10.0, 11.0, 13.0 };
        std::vector<double> values;
        for (const double y : ys)
            for (const double x : xs)
                values.push_back(a * x + b * (y - 10.0));
        values[0] = std::numeric_limits<double>::quiet_NaN();
        const double level = coefficient(random);
        for (const ContourSegment& s : ContourLines(xs, ys, values, level)) {
            for (const auto& [x, y] : { std::pair { s.x1, s.y1 }, std::pair { s.x2, s.y2 } }) {
                EXPECT_NEAR(a * x + b * (y - 10.0), level, 1e-9) << trial;
                EXPECT_TRUE(x >= 0.0 && x <= 4.0 && y >= 10.0 && y <= 13.0) << trial;
                // The first square, beside the missing value, has no line.
                EXPECT_FALSE(x < 1.0 && y < 11.0) << trial << ": " << x << ", " << y;
            }
        }
    }
}

// A 3 × 3 map over F 3 (10..150) and F 4 (20..100): one point failed, one without oxygen.
OperatingMap smallMap()
{
    OperatingMap map;
    map.Ok = true;
    map.Cell = 2;
    map.CellName = "Cell B";
    map.Celsius = 800.0;
    map.Grid = 3;
    map.X = { 3, { 10.0, 150.0 }, { { 12, "H2", 10.0, 150.0 } }, 50.0, 1.5 };
    map.Y = { 4, { 20.0, 100.0 }, { { 13, "Ar", 20.0, 100.0 }, { 14, "O2", 10.0, 100.0 } }, 30.0,
        1.5 };
    map.Values = { -16.0, -15.0, -14.0, -9.0, 0.0, -4.0, -3.0, -2.0, -1.0 };
    map.States.assign(9, MapPointState::Value);
    map.States[4] = MapPointState::Failed;
    map.Values[4] = std::numeric_limits<double>::quiet_NaN();
    map.States[0] = MapPointState::NoOxygen;
    map.Values[0] = -std::numeric_limits<double>::infinity();
    map.PresentValue = -9.5;
    map.PresentSd = 0.75;
    return map;
}

TEST(MapPictureTest, PointsWithoutAValueAreHatchedNeverColoured)
{
    MapPicture picture(smallMap());
    EXPECT_EQ(picture.ColourRange(), (std::pair { -15.0, -1.0 }));
    testsupport::RecordingCanvas canvas;
    picture.Draw(canvas);
    // The failed point's cell is white under its hatching; no colour of the scale fills it.
    const auto centre = [&](int i, int j) {
        std::optional<Point> at;
        for (int y = 0; y < MapPictureSize.height && !at; ++y)
            for (int x = 0; x < MapPictureSize.width && !at; ++x)
                if (const auto p = picture.PointAt({ x, y }); p && p->I == i && p->J == j)
                    at = Point { x + 2, y + 2 };
        return *at;
    };
    const Point failed = centre(1, 1);
    const auto covering = [&](Point p) {
        std::vector<Rgb> fills;
        for (const auto& r : canvas.rectangles)
            if (!r.outlined && p.x >= std::min(r.corner.x, r.opposite.x)
                && p.x < std::max(r.corner.x, r.opposite.x)
                && p.y >= std::min(r.corner.y, r.opposite.y)
                && p.y < std::max(r.corner.y, r.opposite.y))
                fills.push_back(r.fill);
        return fills;
    };
    EXPECT_EQ(covering(failed).back(), (Rgb { 255, 255, 255 }));
    EXPECT_EQ(covering(centre(2, 2)).back(), picture.ColourOf(-1.0));
    // Its legend says what the hatching means.
    // Legend entries wrap: their lines are read as one text.
    std::string texts;
    for (const auto& text : canvas.texts)
        texts += text.text + ' ';
    for (const char* entry :
        { "present readings", "no value: the equilibrium failed or left pO2 unresolved",
            "no oxygen in the gas: log10 pO2 is minus infinity", "contour lines every 2 decades" })
        EXPECT_THAT(texts, HasSubstr(entry)) << entry;
    EXPECT_THAT(texts, HasSubstr("F 4 reading (Ar and O2; their curves share 20 to 100)"));
    EXPECT_THAT(texts, HasSubstr("giving -9.5 \xB1 0.75 (linear)"));
}

// A target's readings are marked and named in the legend; a flow model other than the specified
// one is named in the title, as the diagram names it.
TEST(MapPictureTest, TitleAndLegendNameWhatTheMapHolds)
{
    OperatingMap map = smallMap();
    EXPECT_EQ(MapTitle(map),
        "OC 2; Cell B at 800 \xB0"
        "C: log10 pO2 [bar]");
    map.FlowModel = FlowModelKind::Physical;
    EXPECT_EQ(MapTitle(map),
        "OC 2; Cell B at 800 \xB0"
        "C: log10 pO2 [bar]; flow model: physical");
    MapPicture picture(map, MapPictureSize, std::pair { 120.0, 40.0 });
    testsupport::RecordingCanvas canvas;
    picture.Draw(canvas);
    std::string texts;
    for (const auto& text : canvas.texts)
        texts += text.text + ' ';
    EXPECT_THAT(texts, HasSubstr("readings Find readings proposed"));
    EXPECT_THAT(texts, HasSubstr("flow model: physical"));
    // The diamond's four sides are drawn in its own colour around the proposed readings.
    const auto diamond = std::count_if(canvas.lines.begin(), canvas.lines.end(),
        [](const testsupport::RecordingCanvas::Line& line) {
            return line.colour == Rgb { 255, 0, 255 };
        });
    EXPECT_GE(diamond, 8); // on the map and in the legend
}

TEST(MapPictureTest, PixelsNameTheNearestGridPoint)
{
    const MapPicture picture(smallMap());
    std::vector<int> seen;
    for (int x = 0; x < MapPictureSize.width; ++x)
        if (const auto p = picture.PointAt({ x, 300 }))
            if (seen.empty() || seen.back() != p->I)
                seen.push_back(p->I);
    EXPECT_THAT(seen, ElementsAreArray({ 0, 1, 2 }));
    EXPECT_FALSE(picture.PointAt({ 2, 2 }));
    EXPECT_FALSE(picture.PointAt({ MapPictureSize.width - 5, 300 }));
}

} // namespace
} // namespace meldrix
