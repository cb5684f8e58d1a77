#include "mixer/FlowModel.h"

#include "calib/CalCurveLookup.h"
#include "common/TextFormat.h"
#include "equil/ThermoData.h"

#include <cmath>

namespace meldrix {

namespace {

// Each gas through its own curve, a mixture as the fraction-weighted sum of what its pure gases
// would show, and a fix-gas stage after the meter adding its change of the fix gas to the flow.
class AsSpecifiedModel final : public FlowModel {
public:
    FlowModelKind kind() const override { return FlowModelKind::AsSpecified; }

    GasFlow gasFlow(const Rig& rig, int curve, std::string_view, double reading) const override
    {
        return { InterpolateCalCurve(rig, curve, reading), false, false, {} };
    }

    double meter(const Composition& composition, std::span<const double, MaxComponents> flows,
        StageModelNotes&) const override
    {
        // Every slot in order, zero fractions included: the additions of the specified rule.
        double flow = 0.0;
        for (int k = 1; k <= MaxComponents; ++k)
            flow += composition[k].Fraction * flows[static_cast<std::size_t>(k - 1)];
        return flow;
    }

    double afterMeterFactor(FixGasChange change, StageModelNotes&) const override
    {
        return 1.0 + change.newFraction - change.oldFraction;
    }
};

// A variable-area meter passes, at one reading, a flow that goes as 1/sqrt(density); the density
// of a mixture is the mole-fraction mean of its gases' densities.
class PhysicalModel final : public FlowModel {
public:
    FlowModelKind kind() const override { return FlowModelKind::Physical; }

    GasFlow gasFlow(const Rig& rig, int curve, std::string_view gas, double reading) const override
    {
        GasFlow result { InterpolateCalCurveMonotone(rig, curve, reading), false, false, {} };
        const CurveSpan span = SpanOfReading(rig, curve, reading);
        // Two points make a straight line in either model.
        result.Cubic = !span.Answer && span.Top >= 3;

        const std::string_view curveGas = trimBlanks(rig.CalCurves[curve].Gas.view());
        const std::string_view meteredGas = trimBlanks(gas);
        // No flow needs no correction.
        if (curveGas == meteredGas || result.Flow == 0.0)
            return result;
        const double curveMass = MolarMassOf(curveGas);
        const double gasMass = MolarMassOf(meteredGas);
        if (curveMass == 0.0 || gasMass == 0.0) {
            const std::string curveName = "curve " + formatInt(curve);
            const std::string used = " is used unscaled for " + std::string(meteredGas);
            if (curveGas.empty())
                result.Unscaled = curveName + " names no gas, so it" + used;
            else
                result.Unscaled = "no molar mass is known for "
                    + std::string(gasMass == 0.0 ? meteredGas : curveGas) + ", so " + curveName
                    + " (" + std::string(curveGas) + ")" + used;
            return result;
        }
        result.Flow *= std::sqrt(curveMass / gasMass);
        result.Corrected = true;
        return result;
    }

    double meter(const Composition& composition, std::span<const double, MaxComponents> flows,
        StageModelNotes& notes) const override
    {
        double share = 0.0; // S: the sum of the positive fractions
        int gases = 0;
        int only = 0;
        for (int k = 1; k <= MaxComponents; ++k)
            if (composition[k].Fraction > 0) {
                share += composition[k].Fraction;
                ++gases;
                only = k;
            }
        if (gases == 0)
            return 0.0;
        if (gases == 1)
            return composition[only].Fraction * flows[static_cast<std::size_t>(only - 1)];

        notes.Mixture = true;
        double sum = 0.0;
        for (int k = 1; k <= MaxComponents; ++k) {
            const double fraction = composition[k].Fraction;
            if (!(fraction > 0))
                continue;
            const double flow = flows[static_cast<std::size_t>(k - 1)];
            // A gas the meter does not pass stops the mixture.
            if (flow == 0.0)
                return 0.0;
            sum += fraction / share / (flow * flow);
        }
        const double flow = share / std::sqrt(sum);
        return std::isfinite(flow) ? flow : 0.0;
    }

    double afterMeterFactor(FixGasChange change, StageModelNotes& notes) const override
    {
        // The dry gas passes the stage unchanged; with nothing dry left that rule has no answer.
        if (1.0 - change.newFraction <= 0.0) {
            notes.Fallbacks.push_back("its fix-gas stage after the meter leaves no dry gas, so "
                                      "the specified factor 1 + new - old is used");
            return 1.0 + change.newFraction - change.oldFraction;
        }
        const double factor = (1.0 - change.oldFraction) / (1.0 - change.newFraction);
        // A drier or a getter takes the same share either way.
        notes.DryGas = notes.DryGas || factor != 1.0 + change.newFraction - change.oldFraction;
        return factor;
    }
};

} // namespace

const FlowModel& FlowModelOf(FlowModelKind kind)
{
    static const AsSpecifiedModel asSpecified;
    static const PhysicalModel physical;
    if (kind == FlowModelKind::Physical)
        return physical;
    return asSpecified;
}

double MolarMassOf(std::string_view name)
{
    const ThermoSpecies* species = BuiltInThermoData().find(trimBlanks(name));
    return species ? species->MolarMass : 0.0;
}

} // namespace meldrix
