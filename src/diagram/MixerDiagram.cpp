#include "diagram/MixerDiagram.h"

#include "common/TextFormat.h"
#include "rig/StartUp.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <string>

namespace meldrix {

namespace {

constexpr Rgb Black { 0, 0, 0 };
constexpr Rgb White { 255, 255, 255 };
constexpr Rgb Grey { 128, 128, 128 };
constexpr Rgb BoxOutline = White;
constexpr Rgb BoxFill = Grey;
constexpr Rgb TextColour = Black; // the window font's colour
constexpr Rgb UnknownGas = Grey;
// Flows not computed from the records as they stand are dimmed, never shown as current.
constexpr Rgb StaleText { 200, 200, 200 };
constexpr std::string_view StaleCaption =
    "Flows in light grey are not computed from the data as it stands; press Execute";
constexpr int LineWidth = 1;

// Colours of gases 0..17; 18..32 take those of 1..15.
constexpr std::array<Rgb, 18> GasColours { {
    { 0, 0, 0 },
    { 255, 255, 255 },
    { 255, 0, 0 },
    { 255, 0, 255 },
    { 255, 255, 0 },
    { 0, 128, 0 },
    { 0, 0, 255 },
    { 128, 0, 0 },
    { 0, 255, 255 },
    { 160, 160, 164 },
    { 192, 220, 192 },
    { 0, 0, 128 },
    { 128, 128, 0 },
    { 128, 0, 128 },
    { 192, 192, 192 },
    { 166, 202, 240 },
    { 0, 128, 128 },
    { 128, 128, 128 },
} };

bool isStageInput(int n)
{
    return n >= 1 && n <= MaxGases;
}

bool isMixture(int m)
{
    return m >= 1 && m <= MaxMixtures;
}

// A stage input outside the gases (0 included, whose table colour is black and would vanish on
// the background) is an unknown gas.
Rgb stageInputColour(int n)
{
    return isStageInput(n) ? GasLineColor(n) : UnknownGas;
}

// Box coordinates are u16; every sum below is taken in int, so no value wraps around.
int mixtureLevel(int busLevel, int m)
{
    return busLevel + 20 - 3 * m;
}

int inputLevel(const LayoutBox& stageBox, int input)
{
    return stageBox.Bottom + 80 + 3 * (MaxGases - input);
}

void line(Canvas& canvas, Point from, Point to)
{
    canvas.moveTo(from);
    canvas.lineTo(to);
}

void prepareBox(Canvas& canvas)
{
    canvas.setPen(BoxOutline, LineWidth);
    canvas.setFill(BoxFill);
    canvas.setTextColour(TextColour);
}

void flowColour(const Rig& rig, Canvas& canvas)
{
    canvas.setTextColour(rig.ResultsCurrent ? TextColour : StaleText);
}

void box(Canvas& canvas, const LayoutBox& b)
{
    canvas.rectangle({ b.Left, b.Top }, { b.Right, b.Bottom });
}

// Texts that follow stay inside the outline of the box with these corners: a reading of 1e308
// must not run across the neighbouring boxes.
void clipToInside(Canvas& canvas, Point corner, Point opposite)
{
    canvas.setClip({ std::min(corner.x, opposite.x) + 1, std::min(corner.y, opposite.y) + 1 },
        { std::max(corner.x, opposite.x) - 1, std::max(corner.y, opposite.y) - 1 });
}

void clipToInside(Canvas& canvas, const LayoutBox& b)
{
    clipToInside(canvas, { b.Left, b.Top }, { b.Right, b.Bottom });
}

// A number as the box's format writes it while that fits between the text's left edge and the
// right of the box, so every value that fits looks as it always did; a wider one (a reading of
// 1e300) in the shortest scientific form that fits, never cut by the box's edge.
std::string fittedNumber(const Canvas& canvas, int left, int right, double value, int width,
    int decimals, std::string_view unit = {})
{
    const int room = right - 1 - left;
    std::string text = formatFixed(value, width, decimals) + std::string(unit);
    if (canvas.textSize(text).width <= room || !std::isfinite(value))
        return text;
    for (int narrower = static_cast<int>(text.size() - unit.size()) - 1; narrower >= 1;
         --narrower) {
        text = std::string(trimBlanks(formatFixedFitted(value, narrower, decimals)))
            + std::string(unit);
        if (canvas.textSize(text).width <= room)
            break;
    }
    return text;
}

// A flow line is dimmed while the results are stale.
struct BoxLine {
    std::string text;
    bool isFlow = false;
};

// A box's outline and its lines of text, top down from just below its top, kept inside it.
void labelledBox(const Rig& rig, Canvas& canvas, const LayoutBox& b, int inset, int spacing,
    std::initializer_list<BoxLine> lines)
{
    prepareBox(canvas);
    box(canvas, b);
    if (lines.size() == 0)
        return;
    clipToInside(canvas, b);
    int y = b.Top + 2;
    for (const BoxLine& l : lines) {
        if (l.isFlow)
            flowColour(rig, canvas);
        canvas.textOut({ b.Left + inset, y }, l.text);
        if (l.isFlow)
            canvas.setTextColour(TextColour);
        y += spacing;
    }
    canvas.resetClip();
}

void drawInputLines(const Rig& rig, Canvas& canvas, int f)
{
    const LayoutBox& F = rig.FlowmeterBoxes[f];
    const int in = rig.Flowmeters[f].Input;
    const int yIn = inputLevel(F, in);
    canvas.setPen(stageInputColour(in), LineWidth);
    line(canvas, { F.Mid, yIn }, { F.Mid, F.Bottom });
    for (int j = f; j <= MaxFlowmeters; ++j)
        if (rig.Flowmeters[j].Input == in)
            line(canvas, { F.Mid, yIn }, { rig.FlowmeterBoxes[j].Mid, yIn });
    if (in >= 1 && in <= MaxInputGases) {
        const LayoutBox& G = rig.GasBoxes[in];
        canvas.setPen(GasLineColor(in), LineWidth);
        line(canvas, { F.Mid, yIn }, { G.Mid + 10, yIn });
        line(canvas, { G.Mid, G.Top }, { G.Mid + 10, yIn });
    }
}

void drawOutputLines(const Rig& rig, Canvas& canvas, int f, int busLevel)
{
    const LayoutBox& F = rig.FlowmeterBoxes[f];
    const int out = rig.Flowmeters[f].Output;
    // Output 0 is a stage that feeds nothing, drawn without an output line as a cell with Mix 0.
    if (out == 0)
        return;
    const int yOut = mixtureLevel(busLevel, out);
    canvas.setPen(isMixture(out) ? GasLineColor(MaxInputGases + out) : UnknownGas, LineWidth);
    line(canvas, { F.Mid, F.Bottom }, { F.Mid, yOut });
    for (int j = f; j <= MaxFlowmeters; ++j)
        if (rig.Flowmeters[j].Output == out)
            line(canvas, { F.Mid, yOut }, { rig.FlowmeterBoxes[j].Mid, yOut });
    for (int c = 1; c <= MaxCells; ++c)
        if (isFedCell(rig.Cells[c]) && rig.Cells[c].Mix == out)
            line(canvas, { F.Mid, yOut }, { rig.CellBoxes[c].Mid - 10, yOut });
}

// A mixture that feeds a stage goes round the right of its last feeding stage and down to the
// input level of the first stage it feeds.
void drawMixtureReturn(const Rig& rig, Canvas& canvas, int m, int busLevel)
{
    int last = 0;
    for (int f = 1; f <= MaxFlowmeters; ++f)
        if (rig.Flowmeters[f].Output == m)
            last = f;
    if (last == 0)
        return;
    int first = 0;
    for (int f = MaxFlowmeters; f >= 1; --f)
        if (rig.Flowmeters[f].Input == MaxInputGases + m)
            first = f;
    if (first == 0)
        return;
    const LayoutBox& L = rig.FlowmeterBoxes[last];
    const LayoutBox& F = rig.FlowmeterBoxes[first];
    const int yBus = mixtureLevel(busLevel, m);
    const int yIn = inputLevel(F, MaxInputGases + m);
    const int gap = rig.FlowmeterBoxes[2].Left - rig.FlowmeterBoxes[1].Right;
    const int x = (2 * L.Right + gap) / 2; // int division cuts towards zero, as the whole part does
    canvas.setPen(GasLineColor(MaxInputGases + m), LineWidth);
    line(canvas, { L.Mid, yBus }, { x, yBus });
    line(canvas, { x, yBus }, { x, yIn });
    line(canvas, { x, yIn }, { F.Mid, yIn });
}

} // namespace

Rgb GasLineColor(int n)
{
    if (n >= 0 && n <= 17)
        return GasColours[static_cast<std::size_t>(n)];
    if (n >= 18 && n <= MaxGases)
        return GasColours[static_cast<std::size_t>(n - 17)];
    return UnknownGas;
}

void DrawMixer(Rig& rig, Canvas& canvas)
{
    canvas.setFill(Black);
    canvas.fillRect({ 1, 1 }, { 1600, 1600 });
    DrawGasLines(rig, canvas);
    for (int f = 1; f <= MaxFlowmeters; ++f) {
        DrawFlowmeter(rig, canvas, f);
        DrawGasFixStage(rig, canvas, f);
        const int m = rig.Flowmeters[f].Output;
        // Only mixtures 1..16 have a box; any other Output has no place to draw one.
        if (!isMixture(m))
            continue;
        bool fedBefore = false;
        for (int j = 1; j < f; ++j)
            fedBefore = fedBefore || rig.Flowmeters[j].Output == m;
        if (fedBefore)
            continue;
        LayoutBox& mixtureBox = rig.GasBoxes[MaxInputGases + m];
        mixtureBox.Left = rig.FlowmeterBoxes[f].Left;
        mixtureBox.Right = rig.FlowmeterBoxes[f].Right;
        DrawMixture(rig, canvas, MaxInputGases + m);
    }
    for (int c = 1; c <= MaxCells; ++c)
        DrawCell(rig, canvas, c);
    for (int n = 1; n <= MaxInputGases; ++n)
        DrawMixture(rig, canvas, n);
    // Below the input gases, where the diagram draws nothing else: what the flows are.
    std::string caption = rig.ResultsCurrent ? std::string() : std::string(StaleCaption);
    const auto add = [&caption](const std::string& part) {
        caption += (caption.empty() ? "" : ". ") + part;
    };
    if (!rig.Settings.FlowUnit.empty())
        add("Flows in " + rig.Settings.FlowUnit);
    if (rig.Settings.FlowModel != FlowModelKind::AsSpecified)
        add("Flow model: " + std::string(FlowModelTitle(rig.Settings.FlowModel)));
    if (!caption.empty()) {
        const LayoutBox& lowest = rig.GasBoxes[1];
        canvas.setTextColour(rig.ResultsCurrent ? White : StaleText);
        canvas.setClip({ lowest.Left, lowest.Bottom + 6 }, { 1600, lowest.Bottom + 26 });
        canvas.textOut({ lowest.Left, lowest.Bottom + 8 }, caption);
        canvas.resetClip();
    }
}

void DrawGasLines(const Rig& rig, Canvas& canvas)
{
    const int busLevel = BusLevel(rig);
    for (int f = 1; f <= MaxFlowmeters; ++f) {
        drawInputLines(rig, canvas, f);
        drawOutputLines(rig, canvas, f, busLevel);
    }
    for (int m = 1; m <= MaxMixtures; ++m)
        drawMixtureReturn(rig, canvas, m, busLevel);
    // Only a fed cell has a line; a Mix outside 1..16 counts as 0.
    for (int c = 1; c <= MaxCells; ++c) {
        const CellRecord& cell = rig.Cells[c];
        if (!isFedCell(cell))
            continue;
        const LayoutBox& C = rig.CellBoxes[c];
        canvas.setPen(GasLineColor(MaxInputGases + cell.Mix), LineWidth);
        line(canvas, { C.Mid, C.Bottom }, { C.Mid - 10, mixtureLevel(busLevel, cell.Mix) });
    }
}

void DrawFlowmeter(const Rig& rig, Canvas& canvas, int f)
{
    const FlowmeterRecord& stage = rig.Flowmeters[f];
    const LayoutBox& F = rig.FlowmeterBoxes[f];
    labelledBox(rig, canvas, F, 1, 20,
        { { "FM" + formatInt(f, 2) }, { std::string(stage.Make.view()) },
            { std::string(stage.Size.view()) }, { std::string(stage.Float.view()) },
            { fittedNumber(canvas, F.Left + 1, F.Right, stage.Flow, 6, 2), true },
            { fittedNumber(canvas, F.Left + 1, F.Right, stage.Reading, 5, 1) } });
}

void DrawGasFixStage(const Rig& rig, Canvas& canvas, int f)
{
    const FlowmeterRecord& stage = rig.Flowmeters[f];
    if (!isSet(stage.FixGasUsed))
        return;
    const LayoutBox& F = rig.FlowmeterBoxes[f];
    // Before the meter the fix-gas stage hangs below it, after the meter it sits above it.
    const bool before = isSet(stage.FixGasBefore);
    const Point corner = before ? Point { F.Left, F.Bottom + 65 } : Point { F.Left, F.Top - 20 };
    const Point opposite = before ? Point { F.Right, F.Bottom + 5 } : Point { F.Right, F.Top - 80 };
    const int firstText = before ? F.Bottom + 12 : F.Top - 80;
    const int spacing = before ? 15 : 20;
    const int x = F.Left + 2;
    prepareBox(canvas);
    canvas.rectangle(corner, opposite);
    clipToInside(canvas, corner, opposite);
    canvas.textOut({ x, firstText }, stage.FixGas.view());
    canvas.textOut({ x, firstText + spacing }, stage.FixGasType.view());
    canvas.textOut(
        { x, firstText + 2 * spacing }, fittedNumber(canvas, x, F.Right, stage.FixGasT, 4, 1, "C"));
    canvas.resetClip();
}

void DrawMixture(const Rig& rig, Canvas& canvas, int n)
{
    const LayoutBox& B = rig.GasBoxes[n];
    if (n > MaxInputGases) {
        labelledBox(rig, canvas, B, 2, 15,
            { { "M" + formatInt(n - MaxInputGases, 2) },
                { fittedNumber(canvas, B.Left + 2, B.Right, rig.Gases[n].Flow, 6, 2), true } });
        return;
    }
    const GasRecord& gas = rig.InputGases[n];
    if (!isSet(gas.Defined))
        labelledBox(rig, canvas, B, 2, 15, {});
    else
        labelledBox(
            rig, canvas, B, 2, 15, { { "I" + formatInt(n, 2) }, { std::string(gas.Name.view()) } });
}

void DrawCell(const Rig& rig, Canvas& canvas, int c)
{
    const CellRecord& cell = rig.Cells[c];
    const LayoutBox& C = rig.CellBoxes[c];
    labelledBox(rig, canvas, C, 2, 15,
        { { "C" + formatInt(c, 2) }, { std::string(cell.Name.view()) },
            { fittedNumber(canvas, C.Left + 2, C.Right, cell.Temp, 6, 1, " C") },
            { fittedNumber(canvas, C.Left + 2, C.Right, cell.Pressure, 6, 3, " bar") } });
}

} // namespace meldrix
