#include "plots/MapPicture.h"

#include "chart/ClipSegment.h"
#include "common/Rounding.h"
#include "common/ShiftedCanvas.h"
#include "common/SvgCanvas.h"
#include "common/TextFormat.h"
#include "common/TextWrap.h"
#include "plots/MapContours.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace meldrix {

namespace {

constexpr int Pad = 6; // [px] around the titles and the legend
constexpr int LegendWidth = 180; // [px] right of the chart
constexpr int BarWidth = 16; // [px] of the colour bar
constexpr int MarkArm = 6; // [px] of the cross and the diamond
constexpr int HatchSpacing = 7; // [px] between hatch lines
constexpr int MostLevels = 12;
constexpr int EllipseSides = 96;

constexpr Rgb Black { 0, 0, 0 };
constexpr Rgb White { 255, 255, 255 };
constexpr Rgb Background { 240, 240, 240 };
constexpr Rgb PendingColour { 222, 222, 222 };
constexpr Rgb Hatch { 90, 90, 90 };
constexpr Rgb PresentColour { 230, 0, 0 };
constexpr Rgb ProposedColour { 255, 0, 255 };

// The colour scale, dark for low values and light for high: perceptually even, and read the same
// way in grey and by those who tell red from green poorly.
constexpr std::array<Rgb, 11> Scale { Rgb { 68, 1, 84 }, Rgb { 72, 36, 117 }, Rgb { 65, 68, 135 },
    Rgb { 53, 95, 141 }, Rgb { 42, 120, 142 }, Rgb { 33, 145, 140 }, Rgb { 34, 168, 132 },
    Rgb { 68, 191, 112 }, Rgb { 122, 209, 81 }, Rgb { 189, 223, 38 }, Rgb { 253, 231, 37 } };

// How a point without a value is drawn.
enum class Pattern { None, Pending, NoValue, NoOxygen };

Pattern patternOf(MapPointState state)
{
    switch (state) {
    case MapPointState::Value:
        return Pattern::None;
    case MapPointState::Pending:
        return Pattern::Pending;
    case MapPointState::NoOxygen:
        return Pattern::NoOxygen;
    case MapPointState::Unresolved:
    case MapPointState::Failed:
        break;
    }
    return Pattern::NoValue;
}

std::string number(double value)
{
    return formatSignificant(value, 6);
}

// A pixel coordinate from a computed one, rounded as the chart rounds.
int pixel(double value)
{
    return static_cast<int>(roundHalfEven(std::clamp(value, -1e6, 1e6)));
}

// Hatch lines across the rectangle [left, right) x [top, bottom), placed on the whole picture's
// diagonals so that neighbouring rectangles continue each other's lines: rising ones (/) for a
// point without a value, falling ones (\) for a gas without oxygen.
void hatch(Canvas& canvas, Point from, Point to, bool rising)
{
    const double left = from.x;
    const double top = from.y;
    const double right = to.x - 1;
    const double bottom = to.y - 1;
    const double lowest = rising ? left + top : left - bottom;
    const double highest = rising ? right + bottom : right - top;
    for (double c = std::ceil(lowest / HatchSpacing) * HatchSpacing; c <= highest;
         c += HatchSpacing) {
        // x + y = c rising, x - y = c falling, taken across the rectangle's height.
        double x1 = rising ? c - bottom : c + top;
        double y1 = rising ? bottom : top;
        double x2 = rising ? c - top : c + bottom;
        double y2 = rising ? top : bottom;
        if (!ClipSegment(x1, y1, x2, y2, left, top, right, bottom))
            continue;
        canvas.moveTo({ pixel(x1), pixel(y1) });
        canvas.lineTo({ pixel(x2), pixel(y2) });
    }
}

void patternRect(Canvas& canvas, Point from, Point to, Pattern pattern)
{
    canvas.setFill(pattern == Pattern::Pending ? PendingColour : White);
    canvas.fillRect(from, to);
    if (pattern == Pattern::NoValue || pattern == Pattern::NoOxygen) {
        canvas.setPen(Hatch, 1);
        hatch(canvas, from, to, pattern == Pattern::NoValue);
    }
}

std::string axisTitle(const MapAxis& axis)
{
    std::vector<std::string> gases;
    for (const CurveRange& curve : axis.Curves)
        gases.push_back(curve.Gas);
    return StageName(axis.Stage) + " reading (" + listed(gases) + "; "
        + (axis.Curves.size() == 1 ? "its curve covers " : "their curves share ")
        + number(axis.Bounds.Low) + " to " + number(axis.Bounds.High) + ")";
}

std::string presentText(const OperatingMap& map)
{
    std::string text = "Other stages at their present readings. Present readings (the cross): "
        + StageName(map.X.Stage) + " " + number(map.X.Present) + ", " + StageName(map.Y.Stage) + " "
        + number(map.Y.Present) + ", giving ";
    if (!map.PresentValue)
        return text + "no value.";
    text += number(*map.PresentValue);
    if (map.PresentSd)
        text += " \xB1 " + formatSignificant(*map.PresentSd, 2) + " (linear)";
    return text + ".";
}

} // namespace

std::string MapTitle(const OperatingMap& map)
{
    std::string title = "OC " + formatInt(map.Cell) + "; " + map.CellName;
    if (map.Quantity.Kind == MapQuantityKind::Log10PO2)
        title += " at " + number(map.Celsius)
            + " \xB0"
              "C";
    title += ": " + MapQuantityTitle(map.Quantity);
    // As the diagram says it: only a model other than the specified one is named.
    if (map.FlowModel != FlowModelKind::AsSpecified)
        title += "; flow model: " + std::string(FlowModelTitle(map.FlowModel));
    return title;
}

MapPicture::MapPicture(
    OperatingMap map, Size size, std::optional<std::pair<double, double>> proposed)
    : m_map(std::move(map))
    , m_size(size)
{
    bool first = true;
    for (std::size_t n = 0; n < m_map.Values.size(); ++n) {
        if (m_map.States[n] != MapPointState::Value)
            continue;
        const double v = m_map.Values[n];
        m_low = first ? v : std::min(m_low, v);
        m_high = first ? v : std::max(m_high, v);
        first = false;
    }
    if (m_map.Quantity.Kind == MapQuantityKind::Log10PO2) {
        // The colours run over whole decades.
        m_low = std::floor(m_low);
        m_high = std::ceil(m_high);
    }
    m_levels =
        ContourLevels(m_low, m_high, m_map.Quantity.Kind == MapQuantityKind::Log10PO2, MostLevels);
    layOut();
    addItems(proposed);
}

void MapPicture::layOut()
{
    // Measured in the window's font, which both faces of the picture draw in.
    const SvgCanvas measure({ 0, 0 });
    const int width = m_size.width - 2 * Pad;
    m_titleLines = WrapText(measure, MapTitle(m_map), width);
    if (m_map.Ok)
        for (std::string& line : WrapText(measure, presentText(m_map), width))
            m_titleLines.push_back(std::move(line));
    m_band = Pad;
    for (const std::string& line : m_titleLines)
        m_band += measure.textSize(line).height;
    m_band += Pad;
    const int line = measure.textSize("0").height;

    m_chart.SetControlSize({ m_size.width - LegendWidth, m_size.height - m_band });
    m_chart.SetMarginLeft(60);
    m_chart.SetMarginRight(16);
    m_chart.SetMarginTop(line + 10);
    m_chart.SetMarginBottom(2 * line + 16);
    m_chart.WindColor = Background;
    m_chart.ShadowBakColor = Background;
    m_chart.AutoRedraw = false;
    UsePlainScales(m_chart, 5, 1e-12);
    m_xTitle = axisTitle(m_map.X);
    m_yTitle = axisTitle(m_map.Y);
    if (m_map.Ok)
        m_chart.SetLayerRanges(
            1, m_map.X.Bounds.Low, m_map.Y.Bounds.Low, m_map.X.Bounds.High, m_map.Y.Bounds.High);
    m_chart.OnPaintDataArea = [this](Canvas& canvas) { paintValues(canvas); };
}

void MapPicture::addItems(std::optional<std::pair<double, double>> proposed)
{
    if (!m_map.Ok || m_map.Grid < 2)
        return;
    const int grid = m_map.Grid;
    std::vector<double> xs;
    std::vector<double> ys;
    for (int i = 0; i < grid; ++i) {
        xs.push_back(m_map.X.at(i, grid));
        ys.push_back(m_map.Y.at(i, grid));
    }
    std::vector<double> values = m_map.Values;
    for (std::size_t n = 0; n < values.size(); ++n)
        if (m_map.States[n] != MapPointState::Value)
            values[n] = std::numeric_limits<double>::quiet_NaN();
    m_chart.DataColor = Black;
    m_chart.LineWidth = 1;
    for (const double level : m_levels)
        for (const ContourSegment& s : ContourLines(xs, ys, values, level))
            m_chart.AddLine(s.x1, s.y1, s.x2, s.y2);

    // The marks are sized in pixels.
    const LayerMapping m = m_chart.Mapping(1);
    if (m.kx == 0 || m.ky == 0)
        return;
    const double dx = static_cast<double>(MarkArm / std::abs(m.kx));
    const double dy = static_cast<double>(MarkArm / std::abs(m.ky));
    const double x = m_map.X.Present;
    const double y = m_map.Y.Present;
    m_chart.DataColor = PresentColour;
    const double ax = Ellipse95 * m_map.X.Sd;
    const double ay = Ellipse95 * m_map.Y.Sd;
    if (ax > 0 || ay > 0)
        for (int k = 0; k < EllipseSides; ++k) {
            const double a = 2 * std::numbers::pi * k / EllipseSides;
            const double b = 2 * std::numbers::pi * (k + 1) / EllipseSides;
            m_chart.AddLine(x + ax * std::cos(a), y + ay * std::sin(a), x + ax * std::cos(b),
                y + ay * std::sin(b));
        }
    m_chart.LineWidth = 2;
    m_chart.AddLine(x - dx, y - dy, x + dx, y + dy);
    m_chart.AddLine(x - dx, y + dy, x + dx, y - dy);
    if (proposed) {
        m_proposed = true;
        const auto [px, py] = *proposed;
        m_chart.DataColor = ProposedColour;
        m_chart.AddLine(px - dx, py, px, py + dy);
        m_chart.AddLine(px, py + dy, px + dx, py);
        m_chart.AddLine(px + dx, py, px, py - dy);
        m_chart.AddLine(px, py - dy, px - dx, py);
    }
    m_chart.LineWidth = 1;
    m_chart.DataColor = Black;
}

Rgb MapPicture::ColourOf(double value) const
{
    double t = m_high > m_low ? (value - m_low) / (m_high - m_low) : 0.5;
    t = std::clamp(std::isnan(t) ? 0.0 : t, 0.0, 1.0) * (Scale.size() - 1);
    const auto k = std::min(static_cast<std::size_t>(t), Scale.size() - 2);
    const double f = t - static_cast<double>(k);
    const auto mix = [f](std::uint8_t a, std::uint8_t b) {
        return static_cast<std::uint8_t>(roundHalfEven(a + (b - a) * f));
    };
    return { mix(Scale[k].red, Scale[k + 1].red), mix(Scale[k].green, Scale[k + 1].green),
        mix(Scale[k].blue, Scale[k + 1].blue) };
}

std::vector<int> MapPicture::cellEdges(const MapAxis& axis, bool horizontal) const
{
    const int grid = m_map.Grid;
    const auto at = [&](double reading) {
        const Point p = horizontal ? m_chart.DataToPixel(1, reading, m_map.Y.Bounds.Low)
                                   : m_chart.DataToPixel(1, m_map.X.Bounds.Low, reading);
        return horizontal ? p.x : p.y;
    };
    // Each point owns the readings nearer to it than to its neighbours; the ends reach the
    // bounds, whose pixels are the data area's last.
    std::vector<int> edges;
    edges.push_back(at(axis.Bounds.Low) + (horizontal ? 0 : 1));
    for (int k = 1; k < grid; ++k)
        edges.push_back(at((axis.at(k - 1, grid) + axis.at(k, grid)) / 2));
    edges.push_back(at(axis.Bounds.High) + (horizontal ? 1 : 0));
    return edges;
}

void MapPicture::paintValues(Canvas& canvas) const
{
    if (!m_map.Ok || m_map.Grid < 2)
        return;
    const int grid = m_map.Grid;
    const std::vector<int> xe = cellEdges(m_map.X, true);
    const std::vector<int> ye = cellEdges(m_map.Y, false);
    // A row's neighbouring points of one look are drawn as one rectangle.
    for (int j = 0; j < grid; ++j) {
        const int bottom = ye[static_cast<std::size_t>(j)];
        const int top = ye[static_cast<std::size_t>(j + 1)];
        for (int i = 0; i < grid;) {
            const Pattern pattern = patternOf(m_map.state(i, j));
            const Rgb colour = pattern == Pattern::None ? ColourOf(m_map.value(i, j)) : White;
            int end = i + 1;
            while (end < grid && patternOf(m_map.state(end, j)) == pattern
                && (pattern != Pattern::None || ColourOf(m_map.value(end, j)) == colour))
                ++end;
            const Point from { xe[static_cast<std::size_t>(i)], top };
            const Point to { xe[static_cast<std::size_t>(end)], bottom };
            if (pattern == Pattern::None) {
                canvas.setFill(colour);
                canvas.fillRect(from, to);
            } else {
                patternRect(canvas, from, to, pattern);
            }
            i = end;
        }
    }
}

void MapPicture::drawTitles(Canvas& canvas) const
{
    canvas.setFill(Background);
    canvas.setTextColour(Black);
    int y = Pad;
    for (const std::string& line : m_titleLines) {
        canvas.textOut({ Pad, y }, line);
        y += canvas.textSize(line).height;
    }
    if (!m_map.Ok)
        return;
    const Size chart = m_chart.ControlSize();
    // The reading of Y above its scale, that of X below the figures of its own.
    canvas.textOut({ Pad, m_band + 3 }, m_yTitle);
    const Size x = canvas.textSize(m_xTitle);
    const int left = m_chart.MarginLeft();
    const int right = chart.width - m_chart.MarginRight();
    canvas.textOut(
        { std::max(Pad, (left + right - x.width) / 2), m_size.height - x.height - 4 }, m_xTitle);
}

void MapPicture::drawLegend(Canvas& canvas) const
{
    if (!m_map.Ok)
        return;
    const Size chart = m_chart.ControlSize();
    const int x0 = chart.width + 4;
    const int textWidth = LegendWidth - 10;
    const int line = canvas.textSize("0").height;
    const int dataTop = m_band + m_chart.MarginTop();
    const int dataHeight = chart.height - m_chart.MarginTop() - m_chart.MarginBottom();
    canvas.setFill(Background);
    canvas.setTextColour(Black);
    canvas.textOut({ x0, m_band + 3 }, MapQuantityTitle(m_map.Quantity));

    // The colour bar, highest value on top, with the contour levels marked on it.
    const int barHeight = std::max(60, dataHeight * 11 / 20);
    const auto valueAt = [&](int y) {
        return m_high - (m_high - m_low) * (y - dataTop) / std::max(barHeight - 1, 1);
    };
    for (int y = dataTop; y < dataTop + barHeight; ++y) {
        canvas.setFill(ColourOf(valueAt(y)));
        canvas.fillRect({ x0, y }, { x0 + BarWidth, y + 1 });
    }
    canvas.setPen(Black, 1);
    canvas.moveTo({ x0 - 1, dataTop - 1 });
    canvas.lineTo({ x0 + BarWidth, dataTop - 1 });
    canvas.lineTo({ x0 + BarWidth, dataTop + barHeight });
    canvas.lineTo({ x0 - 1, dataTop + barHeight });
    canvas.lineTo({ x0 - 1, dataTop - 1 });
    std::vector<double> marks = m_levels;
    if (marks.empty())
        marks = { m_low, m_high };
    int lastLabel = -1000;
    canvas.setFill(Background);
    for (const double level : marks) {
        const int y = m_high > m_low
            ? dataTop + pixel((m_high - level) / (m_high - m_low) * (barHeight - 1))
            : dataTop + barHeight / 2;
        canvas.moveTo({ x0 + BarWidth, y });
        canvas.lineTo({ x0 + BarWidth + 4, y });
        // Labels that would overlap are left out; the ticks stay.
        if (std::abs(y - lastLabel) < line)
            continue;
        canvas.textOut({ x0 + BarWidth + 7, y - line / 2 }, number(level));
        lastLabel = y;
    }

    // What the marks and patterns mean.
    int y = dataTop + barHeight + line;
    const SvgCanvas measure({ 0, 0 });
    const auto entry = [&](const std::string& text, const std::function<void(Point)>& swatch) {
        swatch({ x0, y });
        canvas.setFill(Background);
        canvas.setTextColour(Black);
        for (const std::string& part : WrapText(measure, text, textWidth - BarWidth - 6)) {
            canvas.textOut({ x0 + BarWidth + 6, y }, part);
            y += canvas.textSize(part).height;
        }
        y += 3;
    };
    const auto cross = [&](Point at, Rgb colour, bool diamond) {
        canvas.setPen(colour, 2);
        const Point c { at.x + BarWidth / 2, at.y + line / 2 };
        if (diamond) {
            canvas.moveTo({ c.x - 5, c.y });
            canvas.lineTo({ c.x, c.y + 5 });
            canvas.lineTo({ c.x + 5, c.y });
            canvas.lineTo({ c.x, c.y - 5 });
            canvas.lineTo({ c.x - 5, c.y });
            return;
        }
        canvas.moveTo({ c.x - 5, c.y - 5 });
        canvas.lineTo({ c.x + 5, c.y + 5 });
        canvas.moveTo({ c.x - 5, c.y + 5 });
        canvas.lineTo({ c.x + 5, c.y - 5 });
    };
    entry("present readings", [&](Point at) { cross(at, PresentColour, false); });
    if (m_map.X.Sd > 0 || m_map.Y.Sd > 0)
        entry("95 % of them under the meter accuracy", [&](Point at) {
            canvas.setPen(PresentColour, 1);
            const Point c { at.x + BarWidth / 2, at.y + line / 2 };
            for (int k = 0; k <= 16; ++k) {
                const double a = 2 * std::numbers::pi * k / 16;
                const Point p { c.x + pixel(8 * std::cos(a)), c.y + pixel(5 * std::sin(a)) };
                if (k == 0)
                    canvas.moveTo(p);
                else
                    canvas.lineTo(p);
            }
        });
    if (m_proposed)
        entry(
            "readings Find readings proposed", [&](Point at) { cross(at, ProposedColour, true); });
    const auto any = [&](Pattern pattern) {
        return std::any_of(m_map.States.begin(), m_map.States.end(),
            [pattern](MapPointState state) { return patternOf(state) == pattern; });
    };
    const auto swatch = [&](Pattern pattern) {
        return [&, pattern](Point at) {
            canvas.setPen(Black, 1);
            canvas.rectangle({ at.x - 1, at.y - 1 }, { at.x + BarWidth + 1, at.y + line + 1 });
            patternRect(canvas, at, { at.x + BarWidth, at.y + line }, pattern);
        };
    };
    if (any(Pattern::NoValue))
        entry(m_map.Quantity.Kind == MapQuantityKind::Log10PO2
                ? "no value: the equilibrium failed or left pO2 unresolved"
                : "no value: the run failed",
            swatch(Pattern::NoValue));
    if (any(Pattern::NoOxygen))
        entry("no oxygen in the gas: log10 pO2 is minus infinity", swatch(Pattern::NoOxygen));
    if (any(Pattern::Pending))
        entry("not computed yet", swatch(Pattern::Pending));
    if (m_levels.size() >= 2) {
        const double step = m_levels[1] - m_levels[0];
        entry("contour lines every " + number(step)
                + (m_map.Quantity.Kind == MapQuantityKind::Log10PO2
                        ? (step == 1.0 ? " decade" : " decades")
                        : std::string()),
            [&](Point at) {
                canvas.setPen(Black, 1);
                canvas.moveTo({ at.x, at.y + line / 2 });
                canvas.lineTo({ at.x + BarWidth, at.y + line / 2 });
            });
    }
}

void MapPicture::Draw(Canvas& canvas)
{
    canvas.setFill(Background);
    canvas.fillRect({ 0, 0 }, { m_size.width, m_size.height });
    ShiftedCanvas shifted(canvas, { 0, m_band });
    if (m_map.Ok)
        m_chart.Render(shifted);
    drawTitles(canvas);
    drawLegend(canvas);
    canvas.resetClip();
}

std::optional<MapGridPoint> MapPicture::PointAt(Point p) const
{
    if (!m_map.Ok || m_map.Grid < 2)
        return std::nullopt;
    const Size chart = m_chart.ControlSize();
    const int x = p.x;
    const int y = p.y - m_band;
    if (x < m_chart.MarginLeft() || x > chart.width - m_chart.MarginRight()
        || y < m_chart.MarginTop() || y > chart.height - m_chart.MarginBottom())
        return std::nullopt;
    const LayerMapping m = m_chart.Mapping(1);
    if (m.kx == 0 || m.ky == 0)
        return std::nullopt;
    const auto index = [&](double reading, const MapAxis& axis) {
        const double width = axis.Bounds.High - axis.Bounds.Low;
        const long long k = roundHalfEven((reading - axis.Bounds.Low) / width * (m_map.Grid - 1));
        return static_cast<int>(std::clamp<long long>(k, 0, m_map.Grid - 1));
    };
    return MapGridPoint { index(static_cast<double>((x - m.ox) / m.kx), m_map.X),
        index(static_cast<double>((y - m.oy) / m.ky), m_map.Y) };
}

} // namespace meldrix
