#include "check/StageGases.h"

#include "common/TextFormat.h"
#include "equil/GasTreatment.h"

#include <algorithm>
#include <cmath>

namespace meldrix {

namespace {

void add(std::vector<std::string>& gases, std::string_view name)
{
    if (!name.empty() && std::find(gases.begin(), gases.end(), name) == gases.end())
        gases.emplace_back(name);
}

// What a fix-gas stage does to the set of gases: its gas comes in with a fraction above 0 and
// goes with 0. A pair that sets no fraction changes nothing, as in Execute.
void applyFixGas(const FlowmeterRecord& stage, std::vector<std::string>& gases)
{
    const auto fraction =
        GasTreatmentFraction(stage.FixGas.view(), stage.FixGasType.view(), stage.FixGasT);
    if (!fraction)
        return;
    const std::string_view name = stage.FixGas.view();
    if (std::clamp(*fraction, 0.0, 1.0) > 0.0)
        add(gases, name);
    else
        std::erase(gases, name);
}

} // namespace

bool IsComputedStage(const FlowmeterRecord& stage)
{
    return OneBased<GasRecord, MaxGases>::inRange(stage.Input) && stage.Output >= 1
        && stage.Output <= MaxMixtures;
}

bool HasPositiveReading(const FlowmeterRecord& stage)
{
    return stage.Reading > 0 && std::isfinite(stage.Reading);
}

StageGases::StageGases(const Rig& rig, const Open& open)
{
    for (int n = 1; n <= MaxInputGases; ++n)
        for (const GasComponent& component : rig.InputGases[n].Components)
            if (component.Fraction > 0)
                add(m_carried[n], trimBlanks(component.Name.view()));

    // Gas moves one stage further each round, so as many rounds as there are stages carry it
    // along every chain of mixtures; loops only repeat what they carry.
    for (int round = 0; round <= MaxFlowmeters; ++round) {
        bool changed = false;
        for (int f = 1; f <= MaxFlowmeters; ++f) {
            const FlowmeterRecord& stage = rig.Flowmeters[f];
            if (!IsComputedStage(stage) || !open(f))
                continue;
            std::vector<std::string> gases = m_carried[stage.Input];
            const bool fixGas = isSet(stage.FixGasUsed);
            if (fixGas && isSet(stage.FixGasBefore))
                applyFixGas(stage, gases);
            m_metered[f] = gases;
            if (fixGas && !isSet(stage.FixGasBefore))
                applyFixGas(stage, gases);
            std::vector<std::string>& mixture = m_carried[MaxInputGases + stage.Output];
            const std::size_t before = mixture.size();
            for (const std::string& gas : gases)
                add(mixture, gas);
            changed = changed || mixture.size() != before;
        }
        if (!changed)
            break;
    }
}

} // namespace meldrix
