#include "diagram/DiagramExport.h"
#include "support/RandomRigs.h"
#include "support/RecordingCanvas.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace meldrix {
namespace {

using testsupport::RecordingCanvas;

constexpr Rgb Black { 0, 0, 0 };

// Over random rigs the picture holds everything drawn, with the drawing pressed against its
// border: nothing of the client area's empty black is kept.
TEST(DiagramPictureTest, CropsToTheDrawingOfRandomRigs)
{
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        const auto rig = testsupport::randomRig(seed);
        DiagramPicture picture(*rig, "Rig, 2027-01-15 08:00");
        const Size size = picture.PictureSize();
        RecordingCanvas canvas;
        picture.Draw(canvas);

        int left = size.width;
        int top = size.height;
        const auto take = [&](Point p) {
            ASSERT_GE(p.x, 0) << "seed " << seed;
            ASSERT_GE(p.y, 0) << "seed " << seed;
            ASSERT_LE(p.x, size.width) << "seed " << seed;
            ASSERT_LE(p.y, size.height) << "seed " << seed;
            if (p.y >= picture.TitleHeight()) {
                left = std::min(left, p.x);
                top = std::min(top, p.y);
            }
        };
        for (const auto& line : canvas.lines) {
            take(line.from);
            take(line.to);
        }
        for (const auto& box : canvas.rectangles) {
            if (!box.outlined && box.fill == Black)
                continue; // the background, the client area's as well as the picture's
            take(box.corner);
            take(box.opposite);
        }
        ASSERT_EQ(canvas.texts.back().text, "Rig, 2027-01-15 08:00") << "seed " << seed;
        EXPECT_LE(left, 7) << "seed " << seed; // the border is 6 pixels
        EXPECT_EQ(top, picture.TitleHeight()) << "seed " << seed;
    }
}

} // namespace
} // namespace meldrix
