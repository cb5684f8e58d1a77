#include "mixer/FixGasStage.h"

#include "equil/GasTreatment.h"

#include <algorithm>

namespace meldrix {

std::optional<FixGasChange> ApplyFixGas(
    Composition& composition, std::string_view fixGas, double newFraction)
{
    int j = 0;
    for (int k = 1; k <= MaxComponents; ++k)
        if (composition[k].Name.view() == fixGas)
            j = k;
    if (j == 0)
        return std::nullopt;

    // A saturator above the boiling point would ask for more than the whole gas.
    const FixGasChange change { composition[j].Fraction, std::clamp(newFraction, 0.0, 1.0) };
    composition[j].Fraction = change.newFraction;
    for (int k = 1; k <= MaxComponents; ++k) {
        if (k == j)
            continue;
        double& fraction = composition[k].Fraction;
        // With nothing but the fix gas coming in there is nothing left to rescale.
        fraction = change.oldFraction >= 1.0
            ? 0.0
            : fraction * (1.0 - change.newFraction) / (1.0 - change.oldFraction);
    }
    return change;
}

std::optional<FixGasChange> ApplyFixGasStage(Rig& rig, int f)
{
    const FlowmeterRecord& stage = rig.Flowmeters[f];
    const std::optional<double> fraction =
        GasTreatmentFraction(stage.FixGas.view(), stage.FixGasType.view(), stage.FixGasT);
    if (!fraction)
        return std::nullopt;
    return ApplyFixGas(rig.WorkComposition, stage.FixGas.view(), *fraction);
}

} // namespace meldrix
