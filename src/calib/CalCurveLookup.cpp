#include "calib/CalCurveLookup.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>
#include <cstring>

namespace meldrix {

namespace {

// A reading that is not a finite number counts as no reading at all.
bool givesFlow(double reading)
{
    return reading > 0 && std::isfinite(reading);
}

double finiteOrZero(double flow)
{
    return std::isfinite(flow) ? flow : 0.0;
}

bool hasRepeatedReading(const OneBased<CalPoint, MaxCalPoints>& points, int top)
{
    for (int i = 1; i <= top; ++i)
        for (int j = i + 1; j <= top; ++j)
            if (points[i].Reading == points[j].Reading)
                return true;
    return false;
}

// Points after the one with the largest reading are ignored; the first of equal largest wins.
// 0 when no point lies above 0.
int topPoint(const OneBased<CalPoint, MaxCalPoints>& points)
{
    int top = 0;
    double topReading = 0.0;
    for (int k = 1; k <= MaxCalPoints; ++k) {
        if (points[k].Reading > topReading) {
            top = k;
            topReading = points[k].Reading;
        }
    }
    return top;
}

} // namespace

double FlowFromReading(const Rig& rig, int stage, std::string_view gasName, double reading)
{
    if (!givesFlow(reading))
        return 0.0;
    return InterpolateCalCurve(rig, FindCalCurve(rig, stage, gasName), reading);
}

int FindCalCurve(const Rig& rig, int stage, std::string_view gasName)
{
    const FlowmeterRecord& meter = rig.Flowmeters[stage];
    int best = 0;
    int bestScore = -1;
    for (int c = 1; c <= MaxCalCurves; ++c) {
        const CalCurveRecord& curve = rig.CalCurves[c];
        const int score = (curve.Make.view() == meter.Make.view())
            + (curve.Size.view() == meter.Size.view()) + (curve.Float.view() == meter.Float.view())
            + (curve.Gas.view() == gasName) + (curve.Flowmeter == stage);
        // Greater or equal: among equal scores the highest-numbered curve wins.
        if (score >= bestScore) {
            best = c;
            bestScore = score;
        }
    }
    return best;
}

double InterpolateCalCurve(const Rig& rig, int curve, double reading)
{
    const OneBased<CalPoint, MaxCalPoints>& points = rig.CalCurves[curve].Points;
    const CurveSpan span = SpanOfReading(rig, curve, reading);
    if (span.Answer)
        return *span.Answer;
    const int top = span.Top;

    // One polynomial through all points 1..top, not piecewise.
    double flow = 0.0;
    for (int i = 1; i <= top; ++i) {
        double product = 1.0;
        for (int j = 1; j <= top; ++j)
            if (j != i)
                product *= (reading - points[j].Reading) / (points[i].Reading - points[j].Reading);
        flow += points[i].Flow * product;
    }
    return finiteOrZero(flow);
}

CurveSpan SpanOfReading(const Rig& rig, int curve, double reading)
{
    const OneBased<CalPoint, MaxCalPoints>& points = rig.CalCurves[curve].Points;
    const int top = topPoint(points);
    if (top == 0)
        return { 0.0, 0 };
    const double topReading = points[top].Reading;

    const double firstReading = points[1].Reading;
    if (reading < firstReading) {
        // A reading of exactly 1.0 below the first point gives the top flow, not the first:
        // kept as the system has always computed it.
        return { finiteOrZero(reading == 1.0 ? points[top].Flow : points[1].Flow), top };
    }
    if (reading > topReading)
        return { finiteOrZero(points[top].Flow), top };
    if (hasRepeatedReading(points, top))
        return { 0.0, top };
    return { std::nullopt, top };
}

double InterpolateCalCurveMonotone(const Rig& rig, int curve, double reading)
{
    const CurveSpan span = SpanOfReading(rig, curve, reading);
    if (span.Answer)
        return *span.Answer;
    // Any point that is not a finite number makes the polynomial give 0 here; so does this.
    const OneBased<CalPoint, MaxCalPoints>& points = rig.CalCurves[curve].Points;
    std::array<CalPoint, MaxCalPoints> sorted {};
    const auto n = static_cast<std::size_t>(span.Top);
    for (std::size_t i = 0; i < n; ++i) {
        sorted[i] = points[static_cast<int>(i) + 1];
        if (!std::isfinite(sorted[i].Reading) || !std::isfinite(sorted[i].Flow))
            return 0.0;
    }
    std::sort(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(n),
        [](const CalPoint& a, const CalPoint& b) { return a.Reading < b.Reading; });
    return finiteOrZero(MonotoneCubic(std::span(sorted.data(), n), reading));
}

namespace {

double sign(double x)
{
    return static_cast<double>((x > 0) - (x < 0));
}

// The three-point end slope, held to the shape of the data: 0 where it points against the first
// secant, at most three times that secant where the data turn.
double endSlope(double h0, double h1, double delta0, double delta1)
{
    const double d = ((2 * h0 + h1) * delta0 - h0 * delta1) / (h0 + h1);
    if (sign(d) != sign(delta0))
        return 0.0;
    if (sign(delta0) != sign(delta1) && std::abs(d) > 3 * std::abs(delta0))
        return 3 * delta0;
    return d;
}

} // namespace

double MonotoneCubic(std::span<const CalPoint> points, double reading)
{
    const std::size_t n = points.size();
    assert(n >= 1);
    if (n == 1)
        return points[0].Flow;
    std::size_t k = 0;
    while (k + 2 < n && reading > points[k + 1].Reading)
        ++k;
    const CalPoint& left = points[k];
    const CalPoint& right = points[k + 1];
    if (reading == left.Reading)
        return left.Flow;
    if (reading == right.Reading)
        return right.Flow;
    const double h = right.Reading - left.Reading;
    const double delta = (right.Flow - left.Flow) / h;
    if (n == 2)
        return left.Flow + delta * (reading - left.Reading);

    // Slopes at the interval's two ends: a weighted harmonic mean of the neighbouring secants
    // inside (Fritsch and Butland), 0 where the data turn or stand still.
    const auto secant = [&](std::size_t i) {
        return (points[i + 1].Flow - points[i].Flow) / (points[i + 1].Reading - points[i].Reading);
    };
    const auto width = [&](std::size_t i) { return points[i + 1].Reading - points[i].Reading; };
    const auto slopeAt = [&](std::size_t i) {
        if (i == 0)
            return endSlope(width(0), width(1), secant(0), secant(1));
        if (i == n - 1)
            return endSlope(width(n - 2), width(n - 3), secant(n - 2), secant(n - 3));
        const double before = secant(i - 1);
        const double after = secant(i);
        if (before == 0 || after == 0 || sign(before) != sign(after))
            return 0.0;
        const double w1 = 2 * width(i) + width(i - 1);
        const double w2 = width(i) + 2 * width(i - 1);
        return (w1 + w2) / (w1 / before + w2 / after);
    };
    const double d0 = slopeAt(k);
    const double d1 = slopeAt(k + 1);
    const double s = reading - left.Reading;
    const double c2 = (3 * delta - 2 * d0 - d1) / h;
    const double c3 = (d0 + d1 - 2 * delta) / (h * h);
    const double flow = left.Flow + s * (d0 + s * (c2 + s * c3));
    // The cubic stays between its two points; this only keeps rounding from stepping outside.
    return std::clamp(flow, std::min(left.Flow, right.Flow), std::max(left.Flow, right.Flow));
}

std::optional<CurveClamp> ClampOfReading(const Rig& rig, int curve, double reading)
{
    // The same decisions as InterpolateCalCurve, in the same order.
    const OneBased<CalPoint, MaxCalPoints>& points = rig.CalCurves[curve].Points;
    const int top = topPoint(points);
    if (top == 0)
        return CurveClamp { CurveClampKind::NoPoints, 0.0 };
    if (reading < points[1].Reading)
        return CurveClamp { CurveClampKind::Below,
            reading == 1.0 ? points[top].Reading : points[1].Reading };
    if (reading > points[top].Reading)
        return CurveClamp { CurveClampKind::Above, points[top].Reading };
    return std::nullopt;
}

CalCurveIndex::CalCurveIndex(const Rig& rig)
    : m_rig(rig)
{
    m_curves.reserve(MaxCalCurves);
    m_gasIds.reserve(2 * MaxCalCurves);
    for (const CalCurveRecord& curve : rig.CalCurves) {
        const auto [entry, added] =
            m_gasIds.try_emplace(curve.Gas.view(), static_cast<int>(m_gasIds.size()));
        m_curves.push_back({ pack(curve.Make), pack(curve.Size), pack(curve.Float), curve.Flowmeter,
            entry->second });
    }
}

CalCurveIndex::PackedText CalCurveIndex::pack(const ShortString<8>& text)
{
    // Only the first Length bytes count; the rest of the number stays 0.
    const std::string_view view = text.view();
    PackedText packed;
    std::memcpy(&packed.chars, view.data(), view.size());
    packed.length = static_cast<std::uint8_t>(view.size());
    return packed;
}

const CalCurveIndex::StageTable& CalCurveIndex::stageTable(int stage)
{
    StageTable& table = m_stages[stage];
    if (table.built)
        return table;
    const FlowmeterRecord& meter = m_rig.Flowmeters[stage];
    const PackedText make = pack(meter.Make);
    const PackedText size = pack(meter.Size);
    const PackedText floatText = pack(meter.Float);

    table.byGas.assign(m_gasIds.size(), Choice {});
    table.anyGas = {};
    for (int c = 1; c <= MaxCalCurves; ++c) {
        const CurveKey& key = m_curves[static_cast<std::size_t>(c - 1)];
        const int score = (key.make == make) + (key.size == size) + (key.floatText == floatText)
            + (key.flowmeter == stage);
        // Greater or equal, as in the scan: among equal scores the highest-numbered curve wins.
        if (score >= table.anyGas.score)
            table.anyGas = { c, score };
        Choice& ofGas = table.byGas[static_cast<std::size_t>(key.gas)];
        if (score >= ofGas.score)
            ofGas = { c, score };
    }
    table.built = true;
    return table;
}

int CalCurveIndex::FindCalCurve(int stage, std::string_view gasName)
{
    // The best curve either has this gas (its meter score plus the gas point) or is the best on
    // the meter alone; when the best on the meter alone has this gas, the first one wins anyway.
    const StageTable& table = stageTable(stage);
    Choice best = table.anyGas;
    if (const auto found = m_gasIds.find(gasName); found != m_gasIds.end()) {
        Choice ofGas = table.byGas[static_cast<std::size_t>(found->second)];
        ++ofGas.score;
        if (ofGas.score > best.score || (ofGas.score == best.score && ofGas.curve > best.curve))
            best = ofGas;
    }
    return best.curve;
}

double CalCurveIndex::FlowFromReading(int stage, std::string_view gasName, double reading)
{
    if (!givesFlow(reading))
        return 0.0;
    return InterpolateCalCurve(m_rig, FindCalCurve(stage, gasName), reading);
}

} // namespace meldrix
