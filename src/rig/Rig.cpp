#include "rig/Rig.h"

#include "common/TextFormat.h"

#include <utility>

namespace meldrix {

void ShowMessage(Rig& rig, std::string text, std::string detail)
{
    rig.Message1.Text = std::move(text);
    rig.Message1.Detail = std::move(detail);
    rig.Message1.Visible = true;
    ++rig.Message1.Shown;
}

void UpdateGasDefined(Rig& rig, int index)
{
    GasRecord& gas = rig.InputGases[index];
    bool defined = false;
    for (const GasComponent& component : gas.Components)
        defined = defined
            || (component.Fraction > 0 && !trimBlanksAndControls(component.Name.view()).empty());
    gas.Defined = defined ? 1 : 0;
}

} // namespace meldrix
