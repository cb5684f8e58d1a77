#include "calib/CalCurveLookup.h"

#include <cmath>

namespace meldrix {

namespace {

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

} // namespace

double FlowFromReading(const Rig& rig, int stage, std::string_view gasName, double reading)
{
    // A reading that is not a finite number counts as no reading at all.
    if (!(reading > 0) || !std::isfinite(reading))
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

    // Points after the one with the largest reading are ignored; the first of equal largest wins.
    int top = 0;
    double topReading = 0.0;
    for (int k = 1; k <= MaxCalPoints; ++k) {
        if (points[k].Reading > topReading) {
            top = k;
            topReading = points[k].Reading;
        }
    }
    if (top == 0)
        return 0.0;

    const double firstReading = points[1].Reading;
    if (reading < firstReading) {
        // A reading of exactly 1.0 below the first point gives the top flow, not the first:
        // kept as the system has always computed it.
        return finiteOrZero(reading == 1.0 ? points[top].Flow : points[1].Flow);
    }
    if (reading > topReading)
        return finiteOrZero(points[top].Flow);
    if (hasRepeatedReading(points, top))
        return 0.0;

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

} // namespace meldrix
