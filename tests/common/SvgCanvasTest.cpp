#include "common/SvgCanvas.h"

#include <array>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace meldrix {
namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;

struct XmlTextCase {
    std::string latin1;
    std::string xml;
};

class XmlTextTest : public ::testing::TestWithParam<XmlTextCase> { };

TEST_P(XmlTextTest, EscapesMarkupAndShowsControlsAsTheWindowDoes)
{
    EXPECT_EQ(xmlText(GetParam().latin1), GetParam().xml);
}

INSTANTIATE_TEST_SUITE_P(Texts, XmlTextTest,
    ::testing::Values(XmlTextCase { "FM 1", "FM 1" }, XmlTextCase { "a<b>&c", "a&lt;b&gt;&amp;c" },
        XmlTextCase { "\"'", "\"'" }, XmlTextCase { "\xC4\xB0", "\xC3\x84\xC2\xB0" },
        XmlTextCase { std::string("\0\x1F", 2), "\xE2\x90\x80\xE2\x90\x9F" },
        XmlTextCase { "\x7F", "\xE2\x90\xA1" },
        XmlTextCase { "\x80\x9F", "\xEF\xBF\xBD\xEF\xBF\xBD" },
        XmlTextCase { "\xA0", "\xC2\xA0" }));

// A font of 10-pixel characters where "AV" stands 3.5 pixels closer.
constexpr std::array<std::int16_t, 256> TenPixels = [] {
    std::array<std::int16_t, 256> advances {};
    advances.fill(640);
    advances['i'] = 160; // 2.5 px
    return advances;
}();
constexpr std::array<KerningPair, 2> Pairs { { { 'A', 'V', -224 }, { 'V', 'A', -32 } } };
constexpr SvgFont TestFont { "Test Sans", "normal", 12, 9, 14, TenPixels, Pairs };

TEST(SvgCanvas, MeasuresInSixtyFourthsAndRoundsOnce)
{
    const SvgCanvas canvas({ 100, 100 }, TestFont);
    EXPECT_EQ(canvas.textSize(""), (Size { 0, 14 }));
    EXPECT_EQ(canvas.textSize("AB"), (Size { 20, 14 }));
    EXPECT_EQ(canvas.textSize("AV"), (Size { 17, 14 })); // 16.5 rounds up
    EXPECT_EQ(canvas.textSize("AVA"), (Size { 26, 14 })); // 30 - 3.5 - 0.5
    EXPECT_EQ(canvas.textSize("ii"), (Size { 5, 14 }));
    EXPECT_EQ(canvas.textSize("iii"), (Size { 8, 14 })); // 7.5 rounds up, not 3 × 3
}

TEST(SvgCanvas, WritesAClosedDocumentInItsFont)
{
    SvgCanvas canvas({ 30, 20 }, TestFont);
    canvas.setFill({ 128, 128, 128 });
    canvas.setTextColour({ 0, 0, 0 });
    canvas.setClip({ 2, 2 }, { 12, 12 });
    canvas.textOut({ 3, 4 }, "A&");
    canvas.moveTo({ 5, 5 });
    canvas.lineTo({ 5, 5 }); // covers no pixel
    canvas.rectangle({ 4, 4 }, { 5, 9 }); // one column: all outline
    const std::string svg = canvas.document();
    EXPECT_THAT(svg, HasSubstr("width=\"30\" height=\"20\" viewBox=\"0 0 30 20\""));
    EXPECT_THAT(
        svg, HasSubstr("font-family=\"Test Sans\" font-stretch=\"normal\" font-size=\"12px\""));
    EXPECT_THAT(svg,
        HasSubstr("<rect x=\"3\" y=\"4\" width=\"20\" height=\"14\" fill=\"#808080\"/>\n"
                  "<text x=\"3\" y=\"13\" fill=\"#000000\" textLength=\"20\" "
                  "lengthAdjust=\"spacingAndGlyphs\">A&amp;</text>"));
    EXPECT_THAT(svg, Not(HasSubstr("<line")));
    EXPECT_THAT(
        svg, HasSubstr("<rect x=\"4\" y=\"4\" width=\"1\" height=\"5\" fill=\"#000000\"/>"));
    EXPECT_THAT(svg, EndsWith("</g>\n</svg>\n")); // the open clip is closed
}

} // namespace
} // namespace meldrix
