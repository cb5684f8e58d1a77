#pragma once

#include "rig/Rig.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace meldrix {

//! The flow through stage `stage` (1..16) of the pure gas `gasName` at `reading`, from the
//! best-matching calibration curve. 0 for a reading that is 0 or less or not a finite number.
//! Never NaN or infinite.
double FlowFromReading(const Rig& rig, int stage, std::string_view gasName, double reading);

//! The curve 1..1000 that best matches stage `stage` (1..16) and `gasName`: one point each for
//! Make, Size, Float, Gas and Flowmeter; ties go to the highest-numbered curve, so with no match at
//! all curve 1000 is chosen. Scans every curve: the reference for CalCurveIndex.
int FindCalCurve(const Rig& rig, int stage, std::string_view gasName);

//! The flow of curve `curve` (1..1000) at `reading`: the interpolating polynomial through the
//! points up to the one with the largest reading, without extrapolation. 0 when the curve has no
//! point above 0, when two interpolated points share a reading, and whenever the result would not
//! be a finite number.
double InterpolateCalCurve(const Rig& rig, int curve, double reading);

//! What a lookup of curve `curve` (1..1000) decides before it interpolates `reading` (above 0,
//! finite): an answer from one of the curve's end points (or 0 for a curve without a point above 0
//! or with two interpolated points on one reading), or nothing, and then the reading is to be
//! interpolated over the points 1..Top.
struct CurveSpan {
    std::optional<double> Answer;
    int Top = 0; //!< the point with the largest reading; 0 when no point lies above 0
};
CurveSpan SpanOfReading(const Rig& rig, int curve, double reading);

//! InterpolateCalCurve with the shape-preserving piecewise cubic of Fritsch and Carlson through
//! the points 1..top taken in order of reading, instead of the one polynomial: it never overshoots
//! between points. Decides everything before the interpolation as InterpolateCalCurve does, and
//! gives 0 when a point it would interpolate is not a finite number.
double InterpolateCalCurveMonotone(const Rig& rig, int curve, double reading);

//! The monotone piecewise cubic Hermite interpolant ("pchip") through `points`, in increasing
//! order of distinct finite readings, at `reading` between the first and the last: Fritsch-Butland
//! weighted harmonic slopes inside, the three-point shape-preserving slopes at both ends; two
//! points give the straight line, one point its flow.
double MonotoneCubic(std::span<const CalPoint> points, double reading);

//! Why InterpolateCalCurve does not interpolate a reading above 0.
enum class CurveClampKind {
    Below, //!< below the curve's first point: the flow of the first point (or, at exactly 1.0,
           //!< of the top point) is taken
    Above, //!< above the curve's top point: the flow of the top point is taken
    NoPoints, //!< the curve has no point above 0: the flow is 0
};

//! A reading that InterpolateCalCurve answers from one of the curve's points instead of the
//! curve between them.
struct CurveClamp {
    CurveClampKind Kind = CurveClampKind::Above;
    double Limit = 0.0; //!< the reading of the point whose flow is taken; 0 for NoPoints
};

//! Whether `reading` (finite, above 0) lies outside the points of curve `curve` (1..1000), and
//! which point's flow InterpolateCalCurve takes then; nothing when it is interpolated.
std::optional<CurveClamp> ClampOfReading(const Rig& rig, int curve, double reading);

//! FindCalCurve without the scan: the curves are grouped by gas once, and the first question about
//! a stage scores the curves against that stage's meter once; every answer after that is one hash
//! probe. It gives exactly FindCalCurve's choice for the rig as it was when the index was built,
//! and it refers to that rig's curves: build it where the curves and meters stay as they are for
//! its whole life (one Execute), never keep it across an edit.
class CalCurveIndex {
public:
    explicit CalCurveIndex(const Rig& rig);

    //! The curve FindCalCurve(rig, stage, gasName) chooses; stage 1..16.
    int FindCalCurve(int stage, std::string_view gasName);

    //! FlowFromReading(rig, stage, gasName, reading), choosing the curve through the index.
    double FlowFromReading(int stage, std::string_view gasName, double reading);

private:
    //! A text of at most 8 characters as one number: equal exactly when the texts are equal.
    struct PackedText {
        std::uint64_t chars = 0;
        std::uint8_t length = 0;
        friend bool operator==(PackedText, PackedText) = default;
    };
    struct CurveKey {
        PackedText make;
        PackedText size;
        PackedText floatText;
        std::uint16_t flowmeter = 0;
        int gas = 0; //!< index into the distinct gas names of the curves
    };
    struct Choice {
        int curve = 0;
        int score = -1;
    };
    struct StageTable {
        bool built = false;
        Choice anyGas; //!< the best curve on the meter's four points alone
        std::vector<Choice> byGas; //!< the same among the curves of each gas name
    };

    static PackedText pack(const ShortString<8>& text);
    const StageTable& stageTable(int stage);

    const Rig& m_rig;
    std::vector<CurveKey> m_curves; //!< curve c at c - 1
    std::unordered_map<std::string_view, int> m_gasIds;
    OneBased<StageTable, MaxFlowmeters> m_stages;
};

} // namespace meldrix
