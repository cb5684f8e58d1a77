#include "chart/TScale.h"

#include "common/NumberFormats.h"
#include "common/Rounding.h"
#include "common/TextFormat.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string_view>

namespace meldrix {

namespace {

constexpr double LogTiny = 1e-100;
constexpr double PixelLimit = 2147483647.0;

// A point of the scale moved by the scale's offset; sums are taken wide and limited, since a pixel
// may already sit at the limit.
Point shifted(Point offset, long long x, long long y)
{
    const auto limit = [](long long v) {
        return static_cast<int>(std::clamp<long long>(
            v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
    };
    return { limit(offset.x + x), limit(offset.y + y) };
}
const double Log10Of2 = std::log10(2.0);
const double Log10Of5 = std::log10(5.0);

// The ends of a loop over tick values: the next value passes `end` by more than `slack`.
bool passes(double value, double end, double direction, double slack)
{
    return direction * (value - end) > slack;
}

// Ticks 1, 2..9 times each power of ten inside the range, for a logarithmic axis.
void logarithmicTicks(const TScale& scale, std::vector<ScaleTick>& ticks)
{
    const double lo = std::min(scale.RangeLow(), scale.RangeHigh());
    const double hi = std::max(scale.RangeLow(), scale.RangeHigh());
    if (!(lo > LogTiny) || !std::isfinite(hi))
        return;
    const int first = static_cast<int>(std::floor(std::log10(lo)));
    const int last = static_cast<int>(std::ceil(std::log10(hi)));
    int longCount = 0;
    int shortCount = 0;
    for (int decade = first; decade <= last; ++decade) {
        const double power = std::pow(10.0, decade);
        for (int factor = 1; factor <= 9; ++factor) {
            const double v = factor * power;
            if (v < lo * (1 - 1e-12) || v > hi * (1 + 1e-12))
                continue;
            const bool isLong = factor == 1;
            if (!isLong && !scale.ShortTicks)
                continue;
            int& count = isLong ? longCount : shortCount;
            if (count++ >= MaxScaleTicks)
                continue;
            ticks.push_back({ v, scale.ValueToPixel(v), isLong,
                isLong ? scale.TickLabel(v, longCount - 1) : std::string() });
        }
    }
}

std::string logarithmicLabel(double v, int decPlaces)
{
    if (decPlaces >= 0)
        return formatFixed(v, 1, decPlaces);
    const int decade = static_cast<int>(std::lround(std::log10(v)));
    if (decade >= 5 || decade <= -5)
        return std::string(trimBlanks(FormatFixedOrSci(v, 8, -2)));
    return formatFixed(v, 1, std::max(0, -decade));
}

} // namespace

int clampedPixel(long double v, int fallback)
{
    if (std::isnan(v))
        return fallback;
    const long double limited = std::clamp<long double>(v, -PixelLimit, PixelLimit);
    return static_cast<int>(std::llrint(limited));
}

TickSpacing TickSpacingFor(int intervals, double lo, double hi)
{
    if (lo == hi)
        return { lo, 0.0, 1 };
    const double g = lo < hi ? 1.0 : -1.0;
    TickSpacing spacing;
    if (intervals != 0) {
        double t = std::log10(std::fabs(hi - lo) / intervals);
        double r = t - std::trunc(t);
        if (std::fabs(r) < 1e-10 || std::fabs(r) > 0.9999999999) {
            t = std::nearbyint(t);
            r = 0.0;
        }
        if (t < 0 && r != 0.0)
            t -= 1.0;
        if (r < 0)
            r += 1.0;
        const double q = std::trunc(t);
        double mantissa = 1.0;
        if (r < Log10Of2 + 1e-10) {
            spacing.shortIntervals = 5;
        } else if (r < Log10Of5 + 1e-10) {
            mantissa = 2.0;
            spacing.shortIntervals = 4;
        } else {
            mantissa = 5.0;
            spacing.shortIntervals = 5;
        }
        // The step is exactly 1, 2 or 5 times a power of ten: 10^|q| is exact up to 10^22, and
        // one product or quotient rounds once; 10 to the power q + log10 2 would not give 0.2.
        const double power = std::pow(10.0, std::fabs(q));
        spacing.step = g * (q >= 0 ? mantissa * power : mantissa / power);
        spacing.first = (std::trunc(lo / spacing.step) - 1.0) * spacing.step;
    } else {
        spacing.step = 1.0;
        spacing.first = std::trunc(lo) - 1.0;
        spacing.shortIntervals = std::fabs(hi - lo) <= 10.0 ? 5 : 1;
    }
    // Normally one or two steps; a step lost against a huge lo cannot move f, so the advance is
    // bounded.
    for (int n = 0; n < MaxScaleTicks && g * (lo - spacing.first) > 0.001 * std::fabs(spacing.step);
         ++n)
        spacing.first += spacing.step;
    return spacing;
}

void TScale::SetRangeLow(double v)
{
    m_rangeLow = v;
    if (v == m_rangeHigh)
        m_rangeHigh = v + 1.0;
    recomputeMapping();
}

void TScale::SetRangeHigh(double v)
{
    m_rangeHigh = v;
    if (v == m_rangeLow)
        m_rangeLow = v + 1.0;
    recomputeMapping();
}

void TScale::SetRange(double lo, double hi)
{
    m_rangeLow = lo;
    m_rangeHigh = lo == hi ? lo + 1.0 : hi;
    recomputeMapping();
}

void TScale::SetLogarithmic(bool on)
{
    if (on
        && (!(m_rangeLow > LogTiny) || !(m_rangeHigh > LogTiny)
            || m_labelType == TFigType::ftDateTime))
        return;
    m_logarithmic = on;
    recomputeMapping();
}

void TScale::SetMinTicks(int n)
{
    m_minTicks = n == 0 ? 0 : std::clamp(n, 2, 10);
}

void TScale::SetDecPlaces(int d)
{
    m_decPlaces = std::clamp(d, -3, 12);
}

void TScale::SetLabelType(TFigType type)
{
    m_labelType = type;
    if (type == TFigType::ftDateTime)
        m_logarithmic = false;
    if (type == TFigType::ftTime)
        m_decPlaces = 4;
    recomputeMapping();
}

void TScale::SetScaleType(TScaleType type)
{
    m_scaleType = type;
    recomputeMapping();
}

void TScale::SetAreaSize(Size size)
{
    m_size = size;
    recomputeMapping();
}

void TScale::SetMargins(int left, int right, int top, int bottom)
{
    m_margins = { left, right, top, bottom };
    recomputeMapping();
}

void TScale::recomputeMapping()
{
    if (m_rangeLow == m_rangeHigh)
        return;
    double lo = m_rangeLow;
    double hi = m_rangeHigh;
    if (m_logarithmic) {
        // A non-positive end leaves the last mapping in place.
        if (!(lo > 0) || !(hi > 0))
            return;
        lo = std::log(lo);
        hi = std::log(hi);
    }
    const int length = isHorizontal() ? m_size.width - m_margins.left - m_margins.right - 1
                                      : m_size.height - m_margins.top - m_margins.bottom - 1;
    if (length <= 0) {
        m_k = 0.0;
        m_o = m_size.width / 2.0;
        return;
    }
    if (isHorizontal()) {
        m_k = length / (hi - lo);
        m_o = m_margins.left - m_k * lo;
    } else {
        m_k = length / (lo - hi);
        m_o = m_margins.top - m_k * hi;
    }
    // An overflowing range has no usable mapping; the middle of the area stands in for it.
    if (!std::isfinite(m_k) || !std::isfinite(m_o)) {
        m_k = 0.0;
        m_o = (isHorizontal() ? m_size.width : m_size.height) / 2.0;
    }
}

int TScale::ValueToPixel(double v) const
{
    long double pixel = 0;
    if (m_logarithmic) {
        if (v <= LogTiny)
            return m_rangeHigh >= m_rangeLow ? 0 : m_size.width;
        pixel = static_cast<long double>(m_k) * std::log(static_cast<long double>(v)) + m_o;
    } else {
        pixel = static_cast<long double>(m_k) * v + m_o;
    }
    return clampedPixel(pixel, clampedPixel(m_k * m_rangeLow + m_o));
}

double TScale::PixelToValue(int pixel) const
{
    const double x = (pixel - m_o) / m_k;
    return m_logarithmic ? std::exp(x) : x;
}

double TScale::TickValue(int i) const
{
    if (i < 1 || i > NumTicks())
        return 0.0;
    return m_tickValues[static_cast<std::size_t>(i - 1)];
}

std::string TScale::TickLabel(double v, int j) const
{
    if (m_labelType == TFigType::ftNoFigs)
        return {};
    if (m_labelType == TFigType::ftUserText) {
        // The (j+1)-th text between bars; none when there are fewer.
        std::string_view rest = UserTickText;
        for (int n = 0; n < j; ++n) {
            const auto bar = rest.find('|');
            if (bar == std::string_view::npos)
                return {};
            rest.remove_prefix(bar + 1);
        }
        return std::string(rest.substr(0, rest.find('|')));
    }
    std::string number;
    if (m_logarithmic) {
        number = logarithmicLabel(v, m_decPlaces);
    } else {
        const double span = m_rangeHigh - m_rangeLow;
        const double w = std::fabs(span);
        int decimals = m_decPlaces;
        if (decimals == -2 || decimals == -3) {
            if (w >= 1e6 || w <= 0.0001)
                decimals = -1;
            else if (w >= 100)
                decimals = 0;
            else
                decimals = 2 - static_cast<int>(std::nearbyint(std::log(w) / 2.5));
        }
        if (std::fabs(v / span) <= 1e-14 && w <= 100000)
            number = decimals == 0 ? "0" : "0.0";
        else if (decimals == -1)
            number = std::string(trimBlanks(FormatFixedOrSci(v, 8, -2)));
        else
            number = formatFixed(v, 1, decimals);
        if (number.size() > 14)
            number.resize(14);
        if (m_decPlaces == 0 && std::fabs(v - std::nearbyint(v)) > 1e-6)
            number.clear();
    }
    if (number.empty())
        return number;
    const auto amp = ScaleInscript.find('&');
    if (amp == std::string::npos)
        return ScaleInscript + number;
    return ScaleInscript.substr(0, amp) + number + ScaleInscript.substr(amp + 1);
}

std::vector<ScaleTick> TScale::Ticks() const
{
    std::vector<ScaleTick> ticks;
    const double lo = m_rangeLow;
    const double hi = m_rangeHigh;
    if (!std::isfinite(lo) || !std::isfinite(hi) || !std::isfinite(hi - lo) || lo == hi)
        return ticks;
    if (m_logarithmic) {
        logarithmicTicks(*this, ticks);
        return ticks;
    }
    const TickSpacing spacing = TickSpacingFor(m_minTicks, lo, hi);
    const double s = spacing.step;
    if (s == 0.0 || !std::isfinite(s) || !std::isfinite(spacing.first))
        return ticks;
    const double g = lo < hi ? 1.0 : -1.0;
    if (ShortTicks) {
        const double shortStep = s / spacing.shortIntervals;
        const double start = spacing.first - s;
        for (int j = 0; j < 2 * MaxScaleTicks; ++j) {
            const double v = start + j * shortStep;
            if (passes(v, hi, g, 0.001 * std::fabs(shortStep)))
                break;
            if (g * v >= g * lo)
                ticks.push_back({ v, ValueToPixel(v), false, {} });
            if (static_cast<int>(ticks.size()) >= MaxScaleTicks)
                break;
        }
    }
    for (int j = 0; j < MaxScaleTicks; ++j) {
        const double v = spacing.first + j * s;
        if (passes(v, hi, g, 0.001 * std::fabs(s)))
            break;
        ticks.push_back({ v, ValueToPixel(v), true, TickLabel(v, j) });
    }
    return ticks;
}

int TScale::axisPosition() const
{
    switch (m_scaleType) {
    case TScaleType::sctYL:
        return m_margins.left;
    case TScaleType::sctYR:
        return m_size.width - m_margins.right - 1;
    case TScaleType::sctXT:
        return m_margins.top;
    case TScaleType::sctXB:
        break;
    }
    return m_size.height - m_margins.bottom - 1;
}

void TScale::drawFrame(Canvas& canvas, Point offset) const
{
    const Point topLeft = offset;
    const Point bottomRight = shifted(offset, m_size.width, m_size.height);
    canvas.setFill(ColorBackGnd);
    canvas.fillRect(topLeft, bottomRight);
    const Rgb black { 0, 0, 0 };
    const Rgb grey { 128, 128, 128 };
    const Rgb white { 255, 255, 255 };
    auto edges = [&](Rgb upperLeft, Rgb lowerRight, int inset) {
        const Point a { topLeft.x + inset, topLeft.y + inset };
        const Point b { bottomRight.x - 1 - inset, bottomRight.y - 1 - inset };
        canvas.setPen(upperLeft, 1);
        canvas.moveTo({ a.x, b.y });
        canvas.lineTo(a);
        canvas.lineTo({ b.x, a.y });
        canvas.setPen(lowerRight, 1);
        canvas.lineTo(b);
        canvas.lineTo({ a.x, b.y });
    };
    if (FrameStyle == TFrameStyle::fsNone)
        return;
    if (FrameStyle == TFrameStyle::fsSimple) {
        edges(black, black, 0);
        return;
    }
    // A raised edge is light at the top left and dark at the bottom right, a lowered one the
    // other way round; embossed and engraved frames add the opposite edge just inside.
    const bool raised =
        FrameStyle == TFrameStyle::fsRaised || FrameStyle == TFrameStyle::fsEmbossed;
    const auto bevel = [&](bool light, int inset) {
        edges(light ? white : grey, light ? grey : white, inset);
    };
    bevel(raised, 0);
    if (FrameStyle == TFrameStyle::fsEmbossed || FrameStyle == TFrameStyle::fsEngraved)
        bevel(!raised, 1);
}

void TScale::Draw(Canvas& canvas, Point offset)
{
    m_tickValues.clear();
    if (!Transparent)
        drawFrame(canvas, offset);
    const bool horizontal = isHorizontal();
    const int axis = axisPosition();
    // Ticks point away from the side the data lies on.
    const int direction =
        (m_scaleType == TScaleType::sctYR || m_scaleType == TScaleType::sctXB) ? -1 : 1;
    const std::vector<ScaleTick> ticks = Ticks();
    canvas.setPen(ColorScale, 1);
    canvas.setFill(ColorBackGnd);
    canvas.setTextColour(ColorScale);
    const Size zero = canvas.textSize("0");
    for (const ScaleTick& tick : ticks) {
        // Horizontal scales record each value once, from the short ticks when they are drawn.
        const bool record = !tick.isLong || !horizontal || !ShortTicks;
        if (record && NumTicks() < MaxScaleTicks)
            m_tickValues.push_back(tick.value);
        const long long length = tick.isLong ? (horizontal ? 7 : 6) : 4;
        const long long pixel = tick.pixel;
        const long long reach = axis + direction * length;
        canvas.moveTo(horizontal ? shifted(offset, pixel, axis) : shifted(offset, axis, pixel));
        canvas.lineTo(horizontal ? shifted(offset, pixel, reach) : shifted(offset, reach, pixel));
        if (tick.label.empty())
            continue;
        const Size text = canvas.textSize(tick.label);
        long long x = 0;
        long long y = 0;
        if (horizontal) {
            x = pixel - text.width / 2;
            if (x + text.width > m_size.width - 2)
                x = m_size.width - 2 - text.width;
            x = std::max(x, 2LL);
            y = m_scaleType == TScaleType::sctXT ? axis + 7LL : axis - 7LL - text.height;
        } else {
            y = pixel - zero.height / 2;
            x = m_scaleType == TScaleType::sctYR ? axis - 8LL - text.width : axis + 8LL;
        }
        canvas.textOut(shifted(offset, x, y), tick.label);
    }
    if (ShowBaseLine) {
        canvas.setPen(ColorScale, 1);
        if (horizontal) {
            canvas.moveTo(shifted(offset, m_margins.left, axis));
            canvas.lineTo(shifted(offset, m_size.width - m_margins.right - 1LL, axis));
        } else {
            canvas.moveTo(shifted(offset, axis, m_margins.top));
            canvas.lineTo(shifted(offset, axis, m_size.height - m_margins.bottom - 1LL));
        }
    }
}

} // namespace meldrix
