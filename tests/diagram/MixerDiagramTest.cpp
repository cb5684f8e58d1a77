#include "diagram/MixerDiagram.h"

#include "rig/StartUp.h"
#include "support/Bytes.h"
#include "support/RecordingCanvas.h"
#include "support/SampleRigs.h"

#include <algorithm>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace meldrix {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testsupport::RecordingCanvas;

constexpr Rgb Black { 0, 0, 0 };
constexpr Rgb White { 255, 255, 255 };
constexpr Rgb Grey { 128, 128, 128 };
constexpr Rgb Red { 255, 0, 0 };
constexpr Rgb Fuchsia { 255, 0, 255 };
constexpr Rgb Yellow { 255, 255, 0 };

// Layout of the start values: stage f spans 50 (f - 1) + 2 .. + 42 at 401..521 with its middle
// at + 22; input gas boxes lie at 714..748, mixture boxes at 281..316, cells at 156..221.
constexpr int StageBottom = 521;
constexpr int BusLevelAtStart = 251;

int stageMid(int f)
{
    return 50 * (f - 1) + 24;
}

bool hasLine(const RecordingCanvas& canvas, Point from, Point to)
{
    return std::any_of(canvas.lines.begin(), canvas.lines.end(),
        [&](const RecordingCanvas::Line& l) { return l.from == from && l.to == to; });
}

// The colour of the (first) line from `from` to `to`; fails the test when there is none.
Rgb lineColour(const RecordingCanvas& canvas, Point from, Point to)
{
    for (const RecordingCanvas::Line& l : canvas.lines)
        if (l.from == from && l.to == to)
            return l.colour;
    ADD_FAILURE() << "no line " << from.x << ',' << from.y << " -> " << to.x << ',' << to.y;
    return {};
}

std::vector<RecordingCanvas::Line> linesStartingAt(const RecordingCanvas& canvas, Point from)
{
    std::vector<RecordingCanvas::Line> found;
    for (const RecordingCanvas::Line& l : canvas.lines)
        if (l.from == from && !(l.to == from))
            found.push_back(l);
    return found;
}

bool hasBox(const RecordingCanvas& canvas, Point corner, Point opposite)
{
    return std::any_of(canvas.rectangles.begin(), canvas.rectangles.end(),
        [&](const RecordingCanvas::Rectangle& r) {
            return r.outlined && r.corner == corner && r.opposite == opposite;
        });
}

int boxesWithTop(const RecordingCanvas& canvas, int top)
{
    return static_cast<int>(std::count_if(canvas.rectangles.begin(), canvas.rectangles.end(),
        [&](const RecordingCanvas::Rectangle& r) { return r.outlined && r.corner.y == top; }));
}

struct ColourCase {
    int n;
    Rgb colour;

    friend void PrintTo(const ColourCase& c, std::ostream* out) { *out << "gas " << c.n; }
};

class GasLineColorTest : public ::testing::TestWithParam<ColourCase> { };

TEST_P(GasLineColorTest, FollowsTheTableAndRepeatsItFromEighteen)
{
    const auto [n, colour] = GetParam();
    EXPECT_EQ(GasLineColor(n), colour) << "gas " << n;
}

INSTANTIATE_TEST_SUITE_P(Colours, GasLineColorTest,
    ::testing::Values(ColourCase { 0, Black }, ColourCase { 1, White }, ColourCase { 2, Red },
        ColourCase { 3, Fuchsia }, ColourCase { 9, { 160, 160, 164 } },
        ColourCase { 15, { 166, 202, 240 } }, ColourCase { 16, { 0, 128, 128 } },
        ColourCase { 17, Grey }, ColourCase { 18, White }, ColourCase { 19, Red },
        ColourCase { 32, { 166, 202, 240 } },
        // Numbers outside the gases are unknown and grey.
        ColourCase { 33, Grey }, ColourCase { -1, Grey }, ColourCase { 65535, Grey }));

class DiagramAtStartValues : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(BusLevel(*rig), BusLevelAtStart);
        rig->ResultsCurrent = true; // the layout, without the out-of-date marks
        DrawMixer(*rig, canvas);
    }
    std::unique_ptr<Rig> rig = testsupport::rigAtStartValues();
    RecordingCanvas canvas;
};

// Flows the records no longer give are drawn dimmed, with a caption saying so; current ones in the
// boxes' own black. The values are the same either way.
TEST(DiagramFlows, AreDimmedAndCaptionedUntilExecuteComputesThem)
{
    for (const bool current : { false, true }) {
        auto rig = testsupport::rigAtStartValues();
        rig->ResultsCurrent = current;
        rig->Flowmeters[1].Flow = 12.5;
        RecordingCanvas canvas;
        DrawMixer(*rig, canvas);
        const std::string colour = current ? "textColour 0 0 0" : "textColour 200 200 200";
        const auto flow = std::find(canvas.ops.begin(), canvas.ops.end(), "text 3 483  12.50");
        ASSERT_NE(flow, canvas.ops.end());
        EXPECT_EQ(*(flow - 1), colour);
        const auto mixtureFlow =
            std::find(canvas.ops.begin(), canvas.ops.end(), "text 4 298   0.00");
        ASSERT_NE(mixtureFlow, canvas.ops.end());
        EXPECT_EQ(*(mixtureFlow - 1), colour);
        // The reading beside it is never dimmed.
        EXPECT_EQ(*(flow + 1), "textColour 0 0 0");
        const bool captioned = std::any_of(canvas.ops.begin(), canvas.ops.end(),
            [](const std::string& op) { return op.find("press Execute") != std::string::npos; });
        EXPECT_EQ(captioned, !current);
    }
}

TEST_F(DiagramAtStartValues, PaintsBackgroundThenLinesThenBoxes)
{
    ASSERT_GE(canvas.ops.size(), 2u);
    EXPECT_EQ(canvas.ops[0], "fill 0 0 0");
    EXPECT_EQ(canvas.ops[1], "fillRect 1 1 1600 1600");
    EXPECT_EQ(canvas.firstOp("fillRect"), canvas.lastOp("fillRect"));
    EXPECT_LT(canvas.lastOp("lineTo"), canvas.firstOp("rectangle"));
    for (const RecordingCanvas::Line& l : canvas.lines)
        EXPECT_EQ(l.width, 1);
}

TEST_F(DiagramAtStartValues, DrawsEachMixtureOnceAboveItsFirstStage)
{
    EXPECT_EQ(rig->GasBoxes[17].Left, 2);
    EXPECT_EQ(rig->GasBoxes[17].Right, 44);
    EXPECT_TRUE(hasBox(canvas, { 2, 281 }, { 44, 316 }));
    EXPECT_THAT(canvas.textsAt({ 4, 283 }), ElementsAre("M 1"));
    EXPECT_THAT(canvas.textsAt({ 4, 298 }), ElementsAre("  0.00"));
    // Stage 2 shares M1 with stage 1 and gets no box of its own; M2 sits above stage 3.
    EXPECT_FALSE(hasBox(canvas, { 52, 281 }, { 94, 316 }));
    EXPECT_TRUE(hasBox(canvas, { 102, 281 }, { 144, 316 }));
    EXPECT_EQ(rig->GasBoxes[24].Left, 702); // M8 above stage 15
    EXPECT_EQ(boxesWithTop(canvas, 281), 8);
}

TEST_F(DiagramAtStartValues, JoinsStagesToTheirInputGasAndMixture)
{
    // Input 1 runs at 521 + 80 + 3 × 31 = 694, in the colour of I1.
    EXPECT_EQ(lineColour(canvas, { 24, 694 }, { 24, StageBottom }), White);
    EXPECT_EQ(lineColour(canvas, { 24, 694 }, { stageMid(16), 694 }), White);
    EXPECT_TRUE(hasLine(canvas, { 24, 694 }, { 34, 694 }));
    EXPECT_TRUE(hasLine(canvas, { 24, 714 }, { 34, 694 }));
    // Mixture 5 runs at 251 + 20 - 15 = 256 in the colour of gas 21 (that of 4).
    EXPECT_EQ(lineColour(canvas, { stageMid(9), StageBottom }, { stageMid(9), 256 }), Yellow);
    EXPECT_TRUE(hasLine(canvas, { stageMid(9), 256 }, { stageMid(10), 256 }));
    EXPECT_EQ(lineColour(canvas, { stageMid(9), 256 }, { 400 + 46 - 10, 256 }), Yellow);
    EXPECT_EQ(lineColour(canvas, { 446, 221 }, { 436, 256 }), Yellow);
}

TEST_F(DiagramAtStartValues, DrawsNoFixGasStageAndEmptyInputGasBoxes)
{
    EXPECT_EQ(boxesWithTop(canvas, 401), 16);
    EXPECT_EQ(boxesWithTop(canvas, 714), 16);
    EXPECT_EQ(boxesWithTop(canvas, 156), 8);
    EXPECT_EQ(std::count_if(canvas.rectangles.begin(), canvas.rectangles.end(),
                  [](const auto& r) { return r.outlined; }),
        16 + 16 + 8 + 8);
    for (const RecordingCanvas::Text& t : canvas.texts) {
        EXPECT_NE(t.text, "H2O");
        EXPECT_LT(t.at.y, 714) << "undefined input gases are labelled: " << t.text;
    }
}

TEST_F(DiagramAtStartValues, LabelsStagesAndCellsInTheirFieldWidths)
{
    const char* stage16[] = { "FM16", "None", "None", "None", "  0.00", "  0.0" };
    for (int row = 0; row < 6; ++row)
        EXPECT_THAT(canvas.textsAt({ 753, 403 + 20 * row }), ElementsAre(stage16[row]));
    EXPECT_THAT(canvas.textsAt({ 3, 403 }), ElementsAre("FM 1"));
    EXPECT_THAT(canvas.textsAt({ 706, 158 }), ElementsAre("C 8"));
    EXPECT_THAT(canvas.textsAt({ 706, 173 }), ElementsAre("None"));
    EXPECT_THAT(canvas.textsAt({ 706, 188 }), ElementsAre("  25.0 C"));
    EXPECT_THAT(canvas.textsAt({ 706, 203 }), ElementsAre(" 1.000 bar"));
    for (const RecordingCanvas::Text& t : canvas.texts) {
        EXPECT_EQ(t.colour, Black);
        EXPECT_EQ(t.background, Grey);
    }
}

class DiagramOfSampleRig : public ::testing::Test {
protected:
    void SetUp() override { DrawMixer(*rig, canvas); }
    std::unique_ptr<Rig> rig = testsupport::sampleRig();
    RecordingCanvas canvas;
};

TEST_F(DiagramOfSampleRig, ColoursMixtureThreeRedAndInputGasThreeFuchsia)
{
    // Stages 4 and 5 feed M3 at 251 + 20 - 9 = 262; cell 1 takes M3.
    EXPECT_EQ(lineColour(canvas, { stageMid(4), StageBottom }, { stageMid(4), 262 }), Red);
    EXPECT_EQ(lineColour(canvas, { stageMid(4), 262 }, { stageMid(5), 262 }), Red);
    EXPECT_EQ(lineColour(canvas, { stageMid(4), 262 }, { 46 - 10, 262 }), Red);
    EXPECT_EQ(lineColour(canvas, { 46, 221 }, { 36, 262 }), Red);
    // Stage 3 takes I3 at 521 + 80 + 3 × 29 = 688.
    EXPECT_EQ(lineColour(canvas, { stageMid(3), 688 }, { stageMid(3), StageBottom }), Fuchsia);
    EXPECT_EQ(lineColour(canvas, { 124, 714 }, { 134, 688 }), Fuchsia);
}

TEST_F(DiagramOfSampleRig, LeadsAMixtureRoundItsLastStageToTheStageItFeeds)
{
    // M1 (stages 1 and 2) feeds stage 4: along the bus at 268 to the gap right of stage 2
    // (94 + 8 / 2), down to the input level of gas 17 (521 + 80 + 45) and across to stage 4.
    const Rgb m1 = GasLineColor(17);
    EXPECT_EQ(lineColour(canvas, { stageMid(2), 268 }, { 98, 268 }), m1);
    EXPECT_EQ(lineColour(canvas, { 98, 268 }, { 98, 646 }), m1);
    EXPECT_EQ(lineColour(canvas, { 98, 646 }, { stageMid(4), 646 }), m1);
    EXPECT_EQ(lineColour(canvas, { stageMid(4), 646 }, { stageMid(4), StageBottom }), m1);
    // M2 (stage 3) feeds stage 6 through the gap right of stage 3.
    EXPECT_EQ(lineColour(canvas, { 148, 643 }, { stageMid(6), 643 }), White);
}

TEST_F(DiagramOfSampleRig, PlacesFixGasStagesBelowOrAboveTheirMeter)
{
    // Stage 2: before the meter, below it.
    EXPECT_TRUE(hasBox(canvas, { 52, 586 }, { 94, 526 }));
    EXPECT_THAT(canvas.textsAt({ 54, 533 }), ElementsAre("H2O"));
    EXPECT_THAT(canvas.textsAt({ 54, 548 }), ElementsAre("Pure"));
    EXPECT_THAT(canvas.textsAt({ 54, 563 }), ElementsAre("15.0C"));
    // Stage 5: after the meter, above it.
    EXPECT_TRUE(hasBox(canvas, { 202, 381 }, { 244, 321 }));
    EXPECT_THAT(canvas.textsAt({ 204, 321 }), ElementsAre("O2"));
    EXPECT_THAT(canvas.textsAt({ 204, 341 }), ElementsAre("Getter"));
    EXPECT_THAT(canvas.textsAt({ 204, 361 }), ElementsAre("650.0C"));
}

TEST_F(DiagramOfSampleRig, LabelsOnlyDefinedInputGases)
{
    EXPECT_THAT(canvas.textsAt({ 4, 716 }), ElementsAre("I 1"));
    EXPECT_THAT(canvas.textsAt({ 4, 731 }), ElementsAre("Ar"));
    EXPECT_THAT(canvas.textsAt({ 204, 716 }), ElementsAre("I 5"));
    // I4 has a name but no component above 0.
    EXPECT_TRUE(hasBox(canvas, { 152, 714 }, { 194, 748 }));
    EXPECT_THAT(canvas.textsAt({ 154, 716 }), IsEmpty());
    EXPECT_THAT(canvas.textsAt({ 154, 731 }), IsEmpty());
}

TEST_F(DiagramOfSampleRig, WritesNumbersInTheirFieldWidths)
{
    EXPECT_THAT(canvas.textsAt({ 103, 483 }), ElementsAre("100.25"));
    EXPECT_THAT(canvas.textsAt({ 103, 503 }), ElementsAre("120.0"));
    EXPECT_THAT(canvas.textsAt({ 106, 188 }), ElementsAre("1200.5 C"));
    EXPECT_THAT(canvas.textsAt({ 106, 203 }), ElementsAre(" 0.250 bar"));
    // M1's flow 10.125 is a tie in binary and goes to the even neighbour.
    EXPECT_THAT(canvas.textsAt({ 4, 298 }), ElementsAre(" 10.12"));
}

TEST_F(DiagramOfSampleRig, DrawsLinesOnlyForFedCells)
{
    const int mix[MaxCells] = { 3, 4, 1, 2, 0, 0, 4, 0 };
    for (int c = 1; c <= MaxCells; ++c) {
        const int mid = 100 * (c - 1) + 46;
        const auto lines = linesStartingAt(canvas, { mid, 221 });
        if (mix[c - 1] == 0) {
            EXPECT_THAT(lines, IsEmpty()) << "cell " << c;
            continue;
        }
        ASSERT_EQ(lines.size(), 1u) << "cell " << c;
        EXPECT_EQ(lines[0].to, (Point { mid - 10, 271 - 3 * mix[c - 1] })) << "cell " << c;
        EXPECT_EQ(lines[0].colour, GasLineColor(16 + mix[c - 1])) << "cell " << c;
    }
}

TEST_F(DiagramOfSampleRig, LeavesUnconnectedStagesWithoutOutputLine)
{
    for (int f = 9; f <= MaxFlowmeters; ++f)
        EXPECT_THAT(linesStartingAt(canvas, { stageMid(f), StageBottom }), IsEmpty())
            << "stage " << f;
    EXPECT_EQ(boxesWithTop(canvas, 281), 5);
    EXPECT_EQ(rig->GasBoxes[21].Left, 302);
}

TEST(Diagram, MovesAMixtureBoxWhenItsFirstStageChanges)
{
    auto rig = testsupport::rigAtStartValues();
    rig->Flowmeters[1].Output = 2;
    RecordingCanvas canvas;
    DrawMixer(*rig, canvas);
    EXPECT_EQ(rig->GasBoxes[17].Left, 52);
    EXPECT_EQ(rig->GasBoxes[18].Left, 2);
    EXPECT_TRUE(hasBox(canvas, { 52, 281 }, { 94, 316 }));
    EXPECT_THAT(canvas.textsAt({ 54, 283 }), ElementsAre("M 1"));
    EXPECT_THAT(canvas.textsAt({ 4, 283 }), ElementsAre("M 2"));
}

TEST(Diagram, EveryBoxRoutineSetsItsOwnPenAndFill)
{
    auto rig = testsupport::sampleRig();
    const std::vector<std::string> prelude { "pen 255 255 255 1", "fill 128 128 128",
        "textColour 0 0 0" };
    const auto startsWithPrelude = [&](void (*draw)(const Rig&, Canvas&, int), int index) {
        RecordingCanvas canvas;
        canvas.setPen(Red, 3);
        canvas.setFill(Black);
        canvas.setTextColour(White);
        canvas.ops.clear();
        draw(*rig, canvas, index);
        return canvas.ops.size() > 3
            && std::equal(prelude.begin(), prelude.end(), canvas.ops.begin());
    };
    EXPECT_TRUE(startsWithPrelude(DrawFlowmeter, 1));
    EXPECT_TRUE(startsWithPrelude(DrawGasFixStage, 2));
    EXPECT_TRUE(startsWithPrelude(DrawMixture, 17));
    EXPECT_TRUE(startsWithPrelude(DrawMixture, 1));
    EXPECT_TRUE(startsWithPrelude(DrawCell, 1));
}

// Every text is drawn under a clip inside the outline of the box drawn just before it.
struct HugeValueCase {
    const char* name;
    void (*change)(Rig&);
};

class DiagramClip : public ::testing::TestWithParam<HugeValueCase> { };

TEST_P(DiagramClip, KeepsEveryTextInsideItsBox)
{
    auto rig = testsupport::sampleRig();
    GetParam().change(*rig);
    rig->ResultsCurrent = true; // the boxes' texts alone
    RecordingCanvas canvas;
    DrawMixer(*rig, canvas);
    ASSERT_FALSE(canvas.texts.empty());
    std::size_t nextText = 0;
    // Walk the ops: each text must lie under a clip within the last outlined rectangle.
    const RecordingCanvas::Rectangle* lastBox = nullptr;
    std::size_t rectangleIndex = 0;
    for (const std::string& op : canvas.ops) {
        if (op.starts_with("rectangle ") || op.starts_with("fillRect ")) {
            const auto& r = canvas.rectangles[rectangleIndex++];
            if (r.outlined)
                lastBox = &r;
        } else if (op.starts_with("text ")) {
            const auto& text = canvas.texts[nextText++];
            ASSERT_TRUE(text.clip.has_value()) << op;
            ASSERT_NE(lastBox, nullptr) << op;
            const int left = std::min(lastBox->corner.x, lastBox->opposite.x);
            const int right = std::max(lastBox->corner.x, lastBox->opposite.x);
            const int top = std::min(lastBox->corner.y, lastBox->opposite.y);
            const int bottom = std::max(lastBox->corner.y, lastBox->opposite.y);
            EXPECT_GT(text.clip->corner.x, left) << op;
            EXPECT_GT(text.clip->corner.y, top) << op;
            EXPECT_LT(text.clip->opposite.x, right) << op;
            EXPECT_LT(text.clip->opposite.y, bottom) << op;
        }
    }
    EXPECT_LT(canvas.lastOp("clip "), canvas.lastOp("noClip")); // no clip is left in force
}

INSTANTIATE_TEST_SUITE_P(Diagram, DiagramClip,
    ::testing::Values(HugeValueCase { "reading", [](Rig& r) { r.Flowmeters[1].Reading = 1e308; } },
        HugeValueCase { "pressure", [](Rig& r) { r.Cells[1].Pressure = 1e300; } },
        HugeValueCase { "flows",
            [](Rig& r) {
                r.Flowmeters[2].Flow = -1e307;
                r.Gases[17].Flow = 1e305;
            } },
        HugeValueCase { "fix gas above",
            [](Rig& r) {
                r.Flowmeters[3].FixGasUsed = 1;
                r.Flowmeters[3].FixGasBefore = 0;
                r.Flowmeters[3].FixGasT = 1e299;
            } },
        HugeValueCase { "fix gas below",
            [](Rig& r) {
                r.Flowmeters[3].FixGasUsed = 1;
                r.Flowmeters[3].FixGasBefore = 1;
                r.Flowmeters[3].FixGasT = -1e299;
            } }),
    [](const ::testing::TestParamInfo<HugeValueCase>& param) {
        std::string name = param.param.name;
        std::replace(name.begin(), name.end(), ' ', '_');
        return name;
    });

// A number too wide for its box is written in a scientific form that fits it, never cut by the
// box's edge; the clip stays as the last guard.
TEST(Diagram, WritesAHugeReadingSoThatItFitsItsStageBox)
{
    auto rig = testsupport::rigAtStartValues();
    rig->Flowmeters[1].Reading = 1e300;
    rig->Flowmeters[2].Reading = -1.5e-300;
    rig->Flowmeters[3].Flow = 123456.78;
    rig->Cells[1].Temp = 1e300;
    RecordingCanvas canvas;
    DrawMixer(*rig, canvas);
    const auto at = [&](int f, int dy) {
        const LayoutBox& F = rig->FlowmeterBoxes[f];
        return canvas.textsAt({ F.Left + 1, F.Top + dy });
    };
    EXPECT_THAT(at(1, 102), ::testing::ElementsAre("1e300"));
    EXPECT_THAT(at(2, 102), ::testing::ElementsAre("  0.0")); // fits: as it always was
    EXPECT_THAT(at(3, 82), ::testing::ElementsAre("1.23e5"));
    for (const auto& text : canvas.texts) {
        if (!text.clip)
            continue;
        const int room = text.clip->opposite.x - text.at.x;
        EXPECT_LE(canvas.textSize(text.text).width, room) << text.text;
    }
}

TEST(Diagram, PassesEightBitTextsAsTheyAre)
{
    auto rig = testsupport::rigAtStartValues();
    rig->Flowmeters[1].Make = "\xC4rger\xB0";
    rig->Cells[1].Name = std::string_view("N\0ll", 4);
    RecordingCanvas canvas;
    DrawMixer(*rig, canvas);
    EXPECT_THAT(canvas.textsAt({ 3, 423 }), ElementsAre("\xC4rger\xB0"));
    EXPECT_THAT(canvas.textsAt({ 6, 173 }), ElementsAre(std::string("N\0ll", 4)));
}

// Values a damaged file may hold. Nothing may index outside the boxes or colours (the rig's arrays
// stop the program if they do), unknown gases are grey, and coordinates do not wrap.
struct StageCase {
    const char* name;
    int input;
    int output;
    Rgb inputColour;
    int inputLevel;
    bool gasBoxLeg;
    bool outputLine;
    int outputLevel;

    friend void PrintTo(const StageCase& c, std::ostream* out) { *out << c.name; }
};

class OutOfModelStage : public ::testing::TestWithParam<StageCase> { };

TEST_P(OutOfModelStage, IsDrawnWithinTheBoxesAndColours)
{
    const StageCase& c = GetParam();
    auto rig = testsupport::rigAtStartValues();
    for (int f = 1; f <= MaxFlowmeters; ++f)
        rig->Flowmeters[f].Output = 0;
    rig->Cells[1].Mix = 0;
    rig->Cells[2].Mix = 17;
    rig->Cells[3].Mix = 65535;
    rig->Flowmeters[1].Input = static_cast<std::uint16_t>(c.input);
    rig->Flowmeters[1].Output = static_cast<std::uint16_t>(c.output);
    RecordingCanvas canvas;
    DrawMixer(*rig, canvas);

    EXPECT_EQ(lineColour(canvas, { 24, c.inputLevel }, { 24, StageBottom }), c.inputColour);
    // Only input gases have a box to lead the line to.
    EXPECT_EQ(hasLine(canvas, { 24, c.inputLevel }, { 34, c.inputLevel }), c.gasBoxLeg);
    const auto rising = linesStartingAt(canvas, { 24, StageBottom });
    if (c.outputLine) {
        ASSERT_EQ(rising.size(), 1u);
        EXPECT_EQ(rising[0].to, (Point { 24, c.outputLevel }));
        EXPECT_EQ(rising[0].colour, Grey);
    } else {
        EXPECT_THAT(rising, IsEmpty());
    }
    // No mixture box, and no cell line: cells with Mix 0, 17 and 65535 are not fed.
    EXPECT_EQ(boxesWithTop(canvas, 281), 0);
    for (int cell = 1; cell <= 3; ++cell) {
        const int mid = 100 * (cell - 1) + 46;
        EXPECT_THAT(linesStartingAt(canvas, { mid, 221 }), IsEmpty()) << "cell " << cell;
        EXPECT_FALSE(std::any_of(canvas.lines.begin(), canvas.lines.end(),
            [&](const auto& l) { return l.to.x == mid - 10; }))
            << "cell " << cell;
    }
}

INSTANTIATE_TEST_SUITE_P(Damaged, OutOfModelStage,
    ::testing::Values(StageCase { "InputZero", 0, 0, Grey, 697, false, false, 0 },
        StageCase { "InputAboveGases", 33, 17, Grey, 598, false, true, 220 },
        StageCase { "LargestInput", 65535, 65535, Grey, 601 + 3 * (32 - 65535), false, true,
            271 - 3 * 65535 },
        StageCase { "OutputAboveMixtures", 1, 40, White, 694, true, true, 151 }),
    [](const auto& row) { return std::string(row.param.name); });

TEST(Diagram, ComputesCoordinatesBeyondTheBoxRange)
{
    auto rig = testsupport::rigAtStartValues();
    rig->FlowmeterBoxes[1].Bottom = 65535;
    rig->FlowmeterBoxes[2].Top = 10;
    rig->Flowmeters[2].FixGasUsed = 1;
    rig->Flowmeters[2].FixGasBefore = 0;
    RecordingCanvas canvas;
    DrawMixer(*rig, canvas);
    EXPECT_TRUE(hasLine(canvas, { 24, 65535 + 80 + 93 }, { 24, 65535 }));
    EXPECT_TRUE(hasBox(canvas, { 52, -10 }, { 94, -70 }));
    EXPECT_THAT(canvas.textsAt({ 54, -70 }), ElementsAre("H2O"));
}

struct GapCase {
    int secondLeft;
    int x;

    friend void PrintTo(const GapCase& c, std::ostream* out)
    {
        *out << "stage 2 at " << c.secondLeft << ", column " << c.x;
    }
};

class MixtureReturnColumn : public ::testing::TestWithParam<GapCase> { };

TEST_P(MixtureReturnColumn, LiesInTheMiddleOfTheGapCutToAWholePixel)
{
    auto rig = testsupport::rigAtStartValues();
    rig->Flowmeters[3].Input = 17; // M1 of stages 1 and 2 feeds stage 3
    rig->FlowmeterBoxes[2].Left = static_cast<std::uint16_t>(GetParam().secondLeft);
    RecordingCanvas canvas;
    DrawGasLines(*rig, canvas);
    const int x = GetParam().x;
    EXPECT_TRUE(hasLine(canvas, { stageMid(2), 268 }, { x, 268 }));
    EXPECT_TRUE(hasLine(canvas, { x, 268 }, { x, 646 }));
}

// Stage 2 ends at 94; the gap is stage 2's Left minus stage 1's Right (44).
INSTANTIATE_TEST_SUITE_P(Gaps, MixtureReturnColumn,
    ::testing::Values(GapCase { 52, 98 }, GapCase { 51, 97 }, GapCase { 37, 90 }));

} // namespace
} // namespace meldrix
