#include "check/DataSetCheck.h"

#include "calib/CalCurveLookup.h"
#include "calib/MeterFields.h"
#include "common/EnumNames.h"
#include "common/TextFormat.h"
#include "equil/CellGibbs.h"
#include "equil/GasTreatment.h"
#include "equil/NumericHelpers.h"
#include "equil/ThermoData.h"
#include "mixer/Execute.h"
#include "mixer/GasPaths.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>
#include <map>
#include <memory>
#include <optional>

namespace meldrix {

namespace {

constexpr std::array<std::string_view, 27> Kinds = {
    "fraction-negative",
    "fractions-sum",
    "fraction-without-name",
    "name-twice",
    "gas-unknown",
    "reading-without-source",
    "reading-without-mixture",
    "source-holds-no-gas",
    "source-not-fed",
    "mixture-loop",
    "fix-gas-unknown",
    "fix-gas-temperature",
    "curve-empty",
    "curve-mismatch",
    "point-not-a-number",
    "readings-equal",
    "readings-out-of-order",
    "point-after-empty",
    "polynomial-overshoot",
    "polynomial-turns-back",
    "cell-mixture-not-fed",
    "cell-temperature",
    "cell-pressure",
    "cell-leakage-negative",
    "too-many-gases",
    "reading-off-curve",
    "flow-models-differ",
};

// A drop or an overshoot smaller than this share of a curve's flows is round-off or a meter's
// tenth of a division, nothing an operator could act on.
constexpr double ShapeTolerance = 1e-3;
// Samples of the polynomial between two neighbouring points: a polynomial of degree 19 turns at
// most once or twice there, so the worst value is met to far better than the four digits shown.
constexpr int SamplesPerInterval = 256;

const std::string Degrees = "\xB0"
                            "C";

std::string number(double value)
{
    return formatSignificant(value, 4);
}

// A value as the operator typed it: the shortest text that reads back as the same number.
std::string typed(double value)
{
    return ShortestText(value);
}

std::string celsius(double kelvin)
{
    return ShortestText(static_cast<double>(static_cast<Extended>(kelvin) - 273.15L)) + " "
        + Degrees;
}

std::string bottleName(const Rig& rig, int n)
{
    const std::string_view name = rig.InputGases[n].Name.view();
    return "I" + formatInt(n) + (name.empty() ? "" : " (" + std::string(name) + ")");
}

std::string cellName(const Rig& rig, int c)
{
    const std::string_view name = rig.Cells[c].Name.view();
    return "cell " + formatInt(c) + (name.empty() ? "" : " (" + std::string(name) + ")");
}

std::string sourceName(int input)
{
    return input <= MaxInputGases ? "I" + formatInt(input) : "M" + formatInt(input - MaxInputGases);
}

std::string pointRange(int first, int last)
{
    return first == last ? "point " + formatInt(first)
                         : "points " + formatInt(first) + " to " + formatInt(last);
}

class Check {
public:
    explicit Check(const Rig& rig)
        : m_rig(rig)
        , m_run(std::make_unique<Rig>(rig))
    {
        // A run of Execute on a copy says what the records alone cannot: the gases each meter
        // sees, the readings it cannot take along their curves and the stages where the two flow
        // models differ.
        ExecuteHooks hooks;
        hooks.CompareFlowModels = true;
        m_outcome = Execute(*m_run, hooks);
    }

    Findings run()
    {
        bottles();
        stages();
        loops();
        curves();
        cells();
        execute();
        std::stable_sort(
            m_findings.begin(), m_findings.end(), [](const Finding& a, const Finding& b) {
                if (a.Severity != b.Severity)
                    return a.Severity < b.Severity;
                if (recordOrder(a.Record) != recordOrder(b.Record))
                    return recordOrder(a.Record) < recordOrder(b.Record);
                return a.Index < b.Index;
            });
        return std::move(m_findings);
    }

private:
    static int recordOrder(std::string_view record)
    {
        const std::array<std::string_view, 4> order = { FindingRecords::InputGases,
            FindingRecords::Flowmeters, FindingRecords::CalCurves, FindingRecords::Cells };
        const auto found = std::find(order.begin(), order.end(), record);
        return found == order.end() ? -1 : static_cast<int>(found - order.begin());
    }

    void add(FindingSeverity severity, std::string_view kind, std::string_view record, int index,
        std::string_view field, std::string text)
    {
        assert(std::find(Kinds.begin(), Kinds.end(), kind) != Kinds.end());
        m_findings.push_back({ severity, std::string(kind), std::string(record), index,
            std::string(field), std::move(text) });
    }

    // Flows carry the unit the operator gave the curves, when there is one.
    std::string flow(double value) const
    {
        const std::string& unit = m_rig.Settings.FlowUnit;
        return number(value) + (unit.empty() ? "" : " " + unit);
    }

    void bottles()
    {
        for (int n = 1; n <= MaxInputGases; ++n) {
            const Composition& components = m_rig.InputGases[n].Components;
            const auto used = [](const GasComponent& c) {
                return c.Fraction != 0.0 || !trimBlanks(c.Name.view()).empty();
            };
            if (std::none_of(components.all().begin(), components.all().end(), used))
                continue;
            bottle(n, components);
        }
    }

    void bottle(int n, const Composition& components)
    {
        const std::string who = bottleName(m_rig, n);
        double sum = 0.0;
        std::vector<std::string> unknown;
        for (int k = 1; k <= MaxComponents; ++k) {
            const GasComponent& component = components[k];
            const std::string_view name = trimBlanks(component.Name.view());
            sum += component.Fraction;
            if (component.Fraction < 0)
                add(FindingSeverity::Error, "fraction-negative", FindingRecords::InputGases, n,
                    "Components",
                    who + ": component " + formatInt(k)
                        + (name.empty() ? "" : " (" + std::string(name) + ")")
                        + " has the fraction " + typed(component.Fraction)
                        + ", below 0; Execute leaves it out of the gas list");
            if (name.empty()) {
                if (component.Fraction != 0.0)
                    add(FindingSeverity::Warning, "fraction-without-name",
                        FindingRecords::InputGases, n, "Components",
                        who + ": component " + formatInt(k) + " has the fraction "
                            + typed(component.Fraction) + " but no name; Execute leaves it out");
                continue;
            }
            for (int j = k + 1; j <= MaxComponents; ++j)
                if (trimBlanks(components[j].Name.view()) == name) {
                    add(FindingSeverity::Warning, "name-twice", FindingRecords::InputGases, n,
                        "Components",
                        who + ": components " + formatInt(k) + " and " + formatInt(j)
                            + " are both named " + std::string(name)
                            + "; Execute takes the fraction of component " + formatInt(j)
                            + " only");
                    break;
                }
            if (component.Fraction > 0 && !BuiltInThermoData().find(name)
                && std::find(unknown.begin(), unknown.end(), name) == unknown.end())
                unknown.emplace_back(name);
        }
        if (!(std::abs(sum - 1.0) <= 1e-6))
            add(FindingSeverity::Warning, "fractions-sum", FindingRecords::InputGases, n,
                "Components",
                who + ": the fractions add up to " + formatSignificant(sum, 7)
                    + ", not 1; Execute takes them as they are");
        if (!unknown.empty())
            add(FindingSeverity::Note, "gas-unknown", FindingRecords::InputGases, n, "Components",
                who + ": the equilibrium data do not know " + listed(unknown)
                    + (unknown.size() == 1 ? "; it is" : "; they are")
                    + " kept as inert in a cell's equilibrium");
    }

    bool fedByAStage(int m) const
    {
        return std::any_of(m_rig.Flowmeters.all().begin(), m_rig.Flowmeters.all().end(),
            [m](const FlowmeterRecord& stage) {
                return IsComputedStage(stage) && stage.Output == m;
            });
    }

    void stages()
    {
        for (int f = 1; f <= MaxFlowmeters; ++f) {
            const FlowmeterRecord& stage = m_rig.Flowmeters[f];
            const std::string reads = StageName(f) + " reads " + typed(stage.Reading);
            const bool validSource = OneBased<GasRecord, MaxGases>::inRange(stage.Input);
            const bool validOutput = stage.Output >= 1 && stage.Output <= MaxMixtures;
            if (HasPositiveReading(stage)) {
                if (!validSource)
                    add(FindingSeverity::Warning, "reading-without-source",
                        FindingRecords::Flowmeters, f, "Input",
                        reads + " but its Input " + formatInt(stage.Input)
                            + " is neither I1..I16 nor M1..M16; Execute never computes it");
                if (!validOutput)
                    add(FindingSeverity::Warning, "reading-without-mixture",
                        FindingRecords::Flowmeters, f, "Output",
                        reads + " but its Output " + formatInt(stage.Output)
                            + " is no mixture M1..M16; Execute never computes it");
                if (validSource && validOutput)
                    source(f, reads);
            }
            if (isSet(stage.FixGasUsed) && IsComputedStage(stage))
                fixGas(f, stage);
        }
    }

    void source(int f, const std::string& reads)
    {
        const int input = m_rig.Flowmeters[f].Input;
        if (input <= MaxInputGases) {
            // As Execute decides whether a bottle is defined.
            const Composition& components = m_rig.InputGases[input].Components;
            const bool holdsGas = std::any_of(components.all().begin(), components.all().end(),
                [](const GasComponent& component) {
                    return component.Fraction > 0
                        && !trimBlanksAndControls(component.Name.view()).empty();
                });
            if (!holdsGas)
                add(FindingSeverity::Error, "source-holds-no-gas", FindingRecords::Flowmeters, f,
                    "Input",
                    reads + " from " + sourceName(input)
                        + ", which holds no gas; Execute waits for it and stops with \""
                        + std::string(NonConvergingMessage) + "\"");
            return;
        }
        if (!fedByAStage(input - MaxInputGases))
            add(FindingSeverity::Warning, "source-not-fed", FindingRecords::Flowmeters, f, "Input",
                reads + " from " + sourceName(input) + ", which no stage feeds: no gas flows");
    }

    void fixGas(int f, const FlowmeterRecord& stage)
    {
        const std::string gas(stage.FixGas.view());
        const std::string type(stage.FixGasType.view());
        // The pair at a temperature every treatment takes tells an unknown pair from a bad
        // temperature.
        if (!GasTreatmentFraction(gas, type, 25.0)) {
            add(FindingSeverity::Warning, "fix-gas-unknown", FindingRecords::Flowmeters, f,
                "FixGasType",
                StageName(f) + ": a fix-gas stage of type \"" + type + "\" for \"" + gas
                    + "\" is not one Meldrix knows (H2O or D2O with Pure, KBr, Dry or Getter; O2 "
                      "with Getter), so it has no effect");
            return;
        }
        if (!GasTreatmentFraction(gas, type, stage.FixGasT))
            add(FindingSeverity::Warning, "fix-gas-temperature", FindingRecords::Flowmeters, f,
                "FixGasT",
                StageName(f) + ": its saturator at " + typed(stage.FixGasT) + " " + Degrees
                    + " is not above absolute zero, so it has no effect");
    }

    // Mixtures that feed each other: Execute waits for them pass after pass.
    void loops()
    {
        using Reach = std::array<std::array<bool, MaxMixtures + 1>, MaxMixtures + 1>;
        const auto reach = [this](bool openOnly) {
            Reach r {};
            for (const FlowmeterRecord& stage : m_rig.Flowmeters.all())
                if (IsComputedStage(stage) && stage.Input > MaxInputGases
                    && (!openOnly || HasPositiveReading(stage)))
                    r[stage.Input - std::size_t { MaxInputGases }][stage.Output] = true;
            for (std::size_t k = 1; k <= MaxMixtures; ++k)
                for (std::size_t i = 1; i <= MaxMixtures; ++i)
                    for (std::size_t j = 1; j <= MaxMixtures; ++j)
                        r[i][j] = r[i][j] || (r[i][k] && r[k][j]);
            return r;
        };
        const Reach all = reach(false);
        const Reach open = reach(true);
        std::array<bool, MaxMixtures + 1> done {};
        for (std::size_t m = 1; m <= MaxMixtures; ++m) {
            if (done[m] || !all[m][m])
                continue;
            std::vector<int> mixtures;
            for (std::size_t n = m; n <= MaxMixtures; ++n)
                if (all[m][n] && all[n][m]) {
                    mixtures.push_back(static_cast<int>(n));
                    done[n] = true;
                }
            loop(mixtures, open);
        }
    }

    template <typename Reach>
    void loop(const std::vector<int>& mixtures, const Reach& open)
    {
        const auto inLoop = [&](int m) {
            return std::find(mixtures.begin(), mixtures.end(), m) != mixtures.end();
        };
        std::vector<std::string> stages;
        std::vector<std::string> closed;
        int first = 0;
        for (int f = 1; f <= MaxFlowmeters; ++f) {
            const FlowmeterRecord& stage = m_rig.Flowmeters[f];
            if (!IsComputedStage(stage) || stage.Input <= MaxInputGases
                || !inLoop(stage.Input - MaxInputGases) || !inLoop(stage.Output))
                continue;
            first = first == 0 ? f : first;
            stages.push_back(StageName(f));
            if (!HasPositiveReading(stage))
                closed.push_back(StageName(f));
        }
        std::vector<std::string> names;
        for (const int m : mixtures)
            names.push_back("M" + formatInt(m));
        const std::string subject = mixtures.size() == 1
            ? listed(stages) + " feed" + (stages.size() == 1 ? "s " : " ") + names.front()
                + " from itself"
            : listed(stages) + " feed " + listed(names) + " from each other";
        const auto m = static_cast<std::size_t>(mixtures.front());
        const bool stops = open[m][m];
        if (stops)
            add(FindingSeverity::Error, "mixture-loop", FindingRecords::Flowmeters, first, "Input",
                subject + ", a loop Execute cannot solve: it stops with \""
                    + std::string(NonConvergingMessage) + "\"");
        else
            add(FindingSeverity::Warning, "mixture-loop", FindingRecords::Flowmeters, first,
                "Input",
                subject + ", a loop; only the reading of " + listed(closed)
                    + " (0 or below) keeps Execute from stopping with \""
                    + std::string(NonConvergingMessage) + "\"");
    }

    // The curves Execute chooses for the stages with a reading, for every gas each meter sees.
    // A run that found too many gases has no gas list to choose them by: it stops before.
    void curves()
    {
        if (m_outcome.status == RunStatus::TooManyGases)
            return;
        const GasPaths paths(*m_run, GasPaths::PositiveReadings(*m_run));
        std::map<int, std::vector<std::string>> chosenBy;
        for (int f = 1; f <= MaxFlowmeters; ++f) {
            const FlowmeterRecord& stage = m_rig.Flowmeters[f];
            if (!IsComputedStage(stage) || !HasPositiveReading(stage))
                continue;
            for (const CurveRange& range : StageCurves(*m_run, f, paths.metered(f))) {
                const int c = range.Curve;
                const std::string& gas = range.Gas;
                if (SpanOfReading(m_rig, c, 1.0).Top == 0) {
                    add(FindingSeverity::Error, "curve-empty", FindingRecords::CalCurves, c,
                        "Points",
                        StageName(f) + " (" + gas + ") chooses curve " + formatInt(c)
                            + ", which has no point above 0: the gas gets no flow");
                    continue;
                }
                mismatch(f, gas, c);
                chosenBy[c].push_back(StageName(f) + " (" + gas + ")");
            }
        }
        for (const auto& [c, users] : chosenBy)
            curveShape(c, "curve " + formatInt(c) + " (chosen for " + listed(users) + ")");
    }

    void mismatch(int f, const std::string& gas, int c)
    {
        const FlowmeterRecord& stage = m_rig.Flowmeters[f];
        const CalCurveRecord& curve = m_rig.CalCurves[c];
        const std::vector<std::string> fields = MeterFieldsDiffering(stage, curve);
        const bool otherGas = curve.Gas.view() != gas;
        if (fields.empty() && !otherGas)
            return;
        std::string text = StageName(f) + " (" + gas + ") chooses curve " + formatInt(c);
        if (!fields.empty())
            text += ", whose " + listed(fields) + (fields.size() == 1 ? " differs" : " differ")
                + " from the meter's (" + std::string(stage.Make.view()) + " "
                + std::string(stage.Size.view()) + " " + std::string(stage.Float.view()) + ")";
        if (otherGas)
            text += std::string(fields.empty() ? ", whose" : " and whose") + " gas is "
                + (curve.Gas.view().empty() ? "not named" : std::string(curve.Gas.view()));
        add(fields.empty() || !otherGas ? FindingSeverity::Warning : FindingSeverity::Error,
            "curve-mismatch", FindingRecords::CalCurves, c, otherGas ? "Gas" : "Make", text);
    }

    void curveShape(int c, const std::string& who)
    {
        const OneBased<CalPoint, MaxCalPoints>& points = m_rig.CalCurves[c].Points;
        const int top = SpanOfReading(m_rig, c, 1.0).Top;
        for (int k = 1; k <= top; ++k)
            if (!std::isfinite(points[k].Reading) || !std::isfinite(points[k].Flow)) {
                add(FindingSeverity::Error, "point-not-a-number", FindingRecords::CalCurves, c,
                    "Points",
                    who + ": point " + formatInt(k) + " is ("
                        + formatSignificant(points[k].Reading, 6) + ", "
                        + formatSignificant(points[k].Flow, 6)
                        + "), not a pair of numbers; Execute gives no flow between the curve's "
                          "ends");
                return;
            }
        const bool equal = readingOrder(c, who, top);
        emptyPoints(c, who, top);
        if (!equal)
            polynomial(c, who, top);
    }

    // True when two interpolated points share a reading: Execute then gives no flow between the
    // curve's ends, and the polynomial has no meaning.
    bool readingOrder(int c, const std::string& who, int top)
    {
        const OneBased<CalPoint, MaxCalPoints>& points = m_rig.CalCurves[c].Points;
        for (int k = 1; k <= top; ++k)
            for (int j = k + 1; j <= top; ++j)
                if (points[k].Reading == points[j].Reading) {
                    add(FindingSeverity::Error, "readings-equal", FindingRecords::CalCurves, c,
                        "Points",
                        who + ": points " + formatInt(k) + " and " + formatInt(j)
                            + " have the same reading " + number(points[k].Reading)
                            + "; Execute gives no flow between the first and the top point");
                    return true;
                }
        // The filled points in their order; a first point (0, 0) is the origin.
        std::vector<int> filled;
        for (int k = 1; k <= MaxCalPoints; ++k)
            if (k == 1 || points[k] != CalPoint {})
                filled.push_back(k);
        for (std::size_t i = 0; i + 1 < filled.size(); ++i) {
            const int k = filled[i];
            const int j = filled[i + 1];
            const double a = points[k].Reading;
            const double b = points[j].Reading;
            if (a == b) {
                add(FindingSeverity::Warning, "readings-equal", FindingRecords::CalCurves, c,
                    "Points",
                    who + ": points " + formatInt(k) + " and " + formatInt(j)
                        + " have the same reading " + number(a) + "; Execute ignores point "
                        + formatInt(j) + ", which lies after the top point " + formatInt(top));
                break;
            }
            if (b < a) {
                add(FindingSeverity::Warning, "readings-out-of-order", FindingRecords::CalCurves, c,
                    "Points",
                    who + ": point " + formatInt(j) + " (reading " + number(b) + ") follows point "
                        + formatInt(k) + " (reading " + number(a) + ")"
                        + order(j, top, points[1].Reading, b));
                break;
            }
        }
        return false;
    }

    // What Execute makes of a point j out of reading order.
    static std::string order(int j, int top, double first, double reading)
    {
        if (j > top)
            return "; Execute ignores the points after the top point " + formatInt(top);
        if (reading < first)
            return "; readings below point 1's (" + number(first)
                + ") take point 1's flow, so Execute never reads the curve near point "
                + formatInt(j);
        return "; Execute interpolates through the points all the same, as one polynomial";
    }

    void emptyPoints(int c, const std::string& who, int top)
    {
        const OneBased<CalPoint, MaxCalPoints>& points = m_rig.CalCurves[c].Points;
        // A first point (0, 0) is the origin, a point of the curve like any other.
        for (int k = 2; k < MaxCalPoints; ++k) {
            if (points[k] != CalPoint {})
                continue;
            int last = 0;
            int first = 0;
            for (int j = k + 1; j <= MaxCalPoints; ++j)
                if (points[j] != CalPoint {}) {
                    first = first == 0 ? j : first;
                    last = j;
                }
            if (last == 0)
                return;
            const bool inside = k < top;
            add(inside ? FindingSeverity::Error : FindingSeverity::Warning, "point-after-empty",
                FindingRecords::CalCurves, c, "Points",
                who + ": point " + formatInt(k) + " is empty (0, 0), yet "
                    + (first == last ? "point " + formatInt(first) + " after it is"
                                     : "points after it (" + pointRange(first, last) + ") are")
                    + " filled; "
                    + (inside
                            ? "Execute interpolates through (0, 0) at point " + formatInt(k)
                            : "Execute ignores everything after the top point " + formatInt(top)));
            return;
        }
    }

    // The polynomial between the curve's first and top points, against each pair of neighbouring
    // points in reading order.
    void polynomial(int c, const std::string& who, int top)
    {
        const OneBased<CalPoint, MaxCalPoints>& points = m_rig.CalCurves[c].Points;
        struct Numbered {
            CalPoint point;
            int k = 0;
        };
        std::vector<Numbered> inside;
        for (int k = 1; k <= top; ++k)
            if (points[k].Reading >= points[1].Reading)
                inside.push_back({ points[k], k });
        if (inside.size() < 3)
            return; // one straight line at most: nothing to overshoot
        std::sort(inside.begin(), inside.end(),
            [](const Numbered& a, const Numbered& b) { return a.point.Reading < b.point.Reading; });
        double low = inside.front().point.Flow;
        double high = low;
        for (const Numbered& p : inside) {
            low = std::min(low, p.point.Flow);
            high = std::max(high, p.point.Flow);
        }
        const double scale = high > low ? high - low : std::max(std::abs(high), std::abs(low));
        if (!(scale > 0) || !std::isfinite(scale))
            return;
        const double tolerance = ShapeTolerance * scale;

        struct Worst {
            double excess = 0.0;
            double reading = 0.0;
            double value = 0.0;
            std::size_t interval = 0;
        } worst;
        // The largest fall from a value reached before, for a curve that turns back.
        double peak = inside.front().point.Flow;
        double peakAt = inside.front().point.Reading;
        struct Fall {
            double size = 0.0;
            double fromReading = 0.0;
            double fromValue = 0.0;
            double toReading = 0.0;
            double toValue = 0.0;
        } fall;
        for (std::size_t i = 0; i + 1 < inside.size(); ++i) {
            const CalPoint a = inside[i].point;
            const CalPoint b = inside[i + 1].point;
            for (int s = 1; s <= SamplesPerInterval; ++s) {
                const double r = s == SamplesPerInterval
                    ? b.Reading
                    : a.Reading + (b.Reading - a.Reading) * s / SamplesPerInterval;
                const double value = InterpolateCalCurve(m_rig, c, r);
                const double excess =
                    std::max(value - std::max(a.Flow, b.Flow), std::min(a.Flow, b.Flow) - value);
                if (excess > worst.excess)
                    worst = { excess, r, value, i };
                if (value > peak) {
                    peak = value;
                    peakAt = r;
                } else if (peak - value > fall.size)
                    fall = { peak - value, peakAt, peak, r, value };
            }
        }
        if (worst.excess > tolerance) {
            const Numbered& a = inside[worst.interval];
            const Numbered& b = inside[worst.interval + 1];
            const bool above = worst.value > std::max(a.point.Flow, b.point.Flow);
            add(model() == FlowModelKind::AsSpecified ? FindingSeverity::Warning
                                                      : FindingSeverity::Note,
                "polynomial-overshoot", FindingRecords::CalCurves, c, "Points",
                who + ": between points " + formatInt(a.k) + " and " + formatInt(b.k)
                    + " (readings " + number(a.point.Reading) + " and " + number(b.point.Reading)
                    + ", flows " + number(a.point.Flow) + " and " + number(b.point.Flow)
                    + ") the polynomial " + (above ? "rises to " : "falls to ") + flow(worst.value)
                    + " at reading " + number(worst.reading) + ", " + number(worst.excess)
                    + (above ? " above" : " below") + " both points" + physicalAside());
            return;
        }
        if (fall.size > tolerance)
            add(model() == FlowModelKind::AsSpecified ? FindingSeverity::Warning
                                                      : FindingSeverity::Note,
                "polynomial-turns-back", FindingRecords::CalCurves, c, "Points",
                who + ": the polynomial turns back, falling from " + flow(fall.fromValue)
                    + " at reading " + number(fall.fromReading) + " to " + flow(fall.toValue)
                    + " at reading " + number(fall.toReading)
                    + " although a higher reading means more flow" + physicalAside());
    }

    FlowModelKind model() const { return m_rig.Settings.FlowModel; }

    std::string physicalAside() const
    {
        return model() == FlowModelKind::Physical
            ? " (this data set's physical flow model reads the curve by the monotone cubic)"
            : "";
    }

    void cells()
    {
        const ThermoData& data = BuiltInThermoData();
        for (int c = 1; c <= MaxCells; ++c) {
            const CellRecord& cell = m_rig.Cells[c];
            if (!isFedCell(cell))
                continue;
            const std::string who = cellName(m_rig, c);
            if (!fedByAStage(cell.Mix))
                add(FindingSeverity::Warning, "cell-mixture-not-fed", FindingRecords::Cells, c,
                    "Mix",
                    who + " is fed by M" + formatInt(cell.Mix)
                        + ", which no stage feeds: it receives only its leakages");
            const double kelvin = CelsiusToKelvin(cell.Temp);
            if (!(kelvin >= data.TMin && kelvin <= data.TMax))
                add(FindingSeverity::Warning, "cell-temperature", FindingRecords::Cells, c, "Temp",
                    who + ": its temperature " + typed(cell.Temp) + " " + Degrees
                        + " lies outside the thermodynamic data (" + celsius(data.TMin) + " to "
                        + celsius(data.TMax) + "), so its equilibrium cannot be computed");
            if (!(cell.Pressure > 0) || !std::isfinite(cell.Pressure))
                add(FindingSeverity::Error, "cell-pressure", FindingRecords::Cells, c, "Pressure",
                    who + ": its pressure " + typed(cell.Pressure)
                        + " bar is not a number above 0, so its equilibrium cannot be computed");
            const std::array<std::pair<std::string_view, double>, 4> leaks = { {
                { "LeakO2", cell.LeakO2 },
                { "LeakN2", cell.LeakN2 },
                { "LeakH2", cell.LeakH2 },
                { "LeakH2O", cell.LeakH2O },
            } };
            for (const auto& [field, leak] : leaks)
                if (!(leak >= 0))
                    add(FindingSeverity::Error, "cell-leakage-negative", FindingRecords::Cells, c,
                        field,
                        who + ": its leakage of " + std::string(field.substr(4)) + " is "
                            + typed(leak)
                            + ", not a number of 0 or more; the cell's gas is "
                              "computed with it all the same");
        }
    }

    // The gases a run would list, in the order the gas list takes them, for a run with too many.
    std::vector<std::string> gasesOfARun() const
    {
        std::vector<std::string> names;
        const auto note = [&names](std::string_view name) {
            if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end())
                names.emplace_back(name);
        };
        for (int n = 1; n <= MaxInputGases; ++n) {
            const bool used =
                std::any_of(m_rig.Flowmeters.all().begin(), m_rig.Flowmeters.all().end(),
                    [n](const FlowmeterRecord& stage) { return stage.Input == n; });
            if (used)
                for (const GasComponent& component : m_rig.InputGases[n].Components)
                    if (component.Fraction > 0)
                        note(trimBlanks(component.Name.view()));
        }
        for (const FlowmeterRecord& stage : m_rig.Flowmeters.all())
            if (isSet(stage.FixGasUsed))
                note(trimBlanks(stage.FixGas.view()));
        for (const CellRecord& cell : m_rig.Cells.all())
            if (isFedCell(cell))
                for (const auto& [name, leak] :
                    { std::pair { "O2", cell.LeakO2 }, std::pair { "N2", cell.LeakN2 },
                        std::pair { "H2", cell.LeakH2 }, std::pair { "H2O", cell.LeakH2O } })
                    if (leak > 0)
                        note(name);
        return names;
    }

    void execute()
    {
        const RunOutcome& outcome = m_outcome;
        if (outcome.status == RunStatus::TooManyGases) {
            const std::vector<std::string> names = gasesOfARun();
            add(FindingSeverity::Error, "too-many-gases", {}, 0, {},
                "Execute stops with \"" + std::string(TooManyGasesMessage)
                    + "\": the bottles in "
                      "use, the fix gases and the leakages name "
                    + formatInt(static_cast<long long>(names.size())) + " gases (" + listed(names)
                    + "), at most " + formatInt(MaxComponents) + " may be");
            return;
        }
        for (const ReadingWarning& warning : outcome.warnings)
            // A curve without points is named among the curves already.
            if (SpanOfReading(m_rig, warning.Curve, 1.0).Top != 0 || !std::isfinite(warning.Reading)
                || warning.Reading < 0)
                add(FindingSeverity::Warning, "reading-off-curve", FindingRecords::Flowmeters,
                    warning.Stage, "Reading", warning.Text);
        for (const ModelDifference& difference : outcome.differences)
            add(FindingSeverity::Note, "flow-models-differ", FindingRecords::Flowmeters,
                difference.Stage, "Flow",
                difference.Text + "; this data set uses the "
                    + (model() == FlowModelKind::AsSpecified ? "specified" : "physical")
                    + " model");
    }

    const Rig& m_rig;
    std::unique_ptr<Rig> m_run;
    RunOutcome m_outcome;
    Findings m_findings;
};

} // namespace

std::string_view SeverityKey(FindingSeverity severity)
{
    static constexpr auto Keys =
        std::to_array<EnumName<FindingSeverity>>({ { FindingSeverity::Error, "error" },
            { FindingSeverity::Warning, "warning" }, { FindingSeverity::Note, "note" } });
    return NameOf(severity, Keys, "note");
}

std::span<const std::string_view> FindingKinds()
{
    return Kinds;
}

Findings CheckDataSet(const Rig& rig)
{
    return Check(rig).run();
}

std::string FindingsCount(std::span<const Finding> findings)
{
    std::vector<std::string> parts;
    for (const FindingSeverity severity :
        { FindingSeverity::Error, FindingSeverity::Warning, FindingSeverity::Note }) {
        const auto count = std::count_if(findings.begin(), findings.end(),
            [severity](const Finding& finding) { return finding.Severity == severity; });
        if (count > 0)
            parts.push_back(formatInt(count) + " " + std::string(SeverityKey(severity))
                + (count == 1 ? "" : "s"));
    }
    return parts.empty() ? std::string("nothing") : listed(parts);
}

std::string FindingsSummary(std::span<const Finding> findings)
{
    return "Check data set (Tools menu) finds " + FindingsCount(findings)
        + (findings.empty() ? " to report" : "");
}

std::string FindingPlace(const Finding& finding)
{
    std::string place;
    if (finding.Record == FindingRecords::InputGases)
        place = "I" + formatInt(finding.Index);
    else if (finding.Record == FindingRecords::Flowmeters)
        place = StageName(finding.Index);
    else if (finding.Record == FindingRecords::CalCurves)
        place = "curve " + formatInt(finding.Index);
    else if (finding.Record == FindingRecords::Cells)
        place = "cell " + formatInt(finding.Index);
    else
        return "the data set";
    return finding.Field.empty() ? place : place + ", " + finding.Field;
}

} // namespace meldrix
