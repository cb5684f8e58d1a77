#include "mixer/GasList.h"

#include "common/TextFormat.h"

#include <cmath>
#include <string_view>

namespace meldrix {

namespace {

// Adds a name unless it is listed already; false when the list is full and the name is new.
bool addToGasList(Rig& rig, std::string_view name)
{
    for (int i = 1; i <= rig.GasListCount; ++i)
        if (rig.GasList[i] == name)
            return true;
    if (rig.GasListCount == MaxComponents)
        return false;
    ++rig.GasListCount;
    rig.GasList[rig.GasListCount] = std::string(name);
    return true;
}

bool isUsedInputGas(const Rig& rig, int n)
{
    for (const FlowmeterRecord& stage : rig.Flowmeters)
        if (stage.Input == n)
            return true;
    return false;
}

bool addInputGases(Rig& rig)
{
    for (int n = 1; n <= MaxInputGases; ++n) {
        if (!isUsedInputGas(rig, n))
            continue;
        for (const GasComponent& component : rig.Gases[n].Components) {
            const std::string_view name = trimBlanks(component.Name.view());
            if (component.Fraction > 0 && !name.empty() && !addToGasList(rig, name))
                return false;
        }
    }
    return true;
}

bool addFixGases(Rig& rig)
{
    for (const FlowmeterRecord& stage : rig.Flowmeters) {
        const std::string_view name = trimBlanks(stage.FixGas.view());
        if (isSet(stage.FixGasUsed) && !name.empty() && !addToGasList(rig, name))
            return false;
    }
    return true;
}

bool addLeakageGases(Rig& rig)
{
    for (const CellRecord& cell : rig.Cells) {
        if (!isFedCell(cell))
            continue;
        if ((cell.LeakO2 > 0 && !addToGasList(rig, "O2"))
            || (cell.LeakN2 > 0 && !addToGasList(rig, "N2"))
            || (cell.LeakH2 > 0 && !addToGasList(rig, "H2"))
            || (cell.LeakH2O > 0 && !addToGasList(rig, "H2O")))
            return false;
    }
    return true;
}

void nameSlotsInListOrder(const Rig& rig, Composition& slots)
{
    for (int i = 1; i <= MaxComponents; ++i)
        slots[i].Name = rig.GasList[i];
}

void rewriteIntoListOrder(const Rig& rig, GasRecord& gas)
{
    const Composition old = gas.Components;
    for (GasComponent& slot : gas.Components) {
        slot.Name = "";
        slot.Fraction = 0.0;
    }
    // A later slot naming the same gas replaces the earlier one; unlisted names are dropped.
    for (const GasComponent& component : old) {
        const std::string_view name = trimBlanks(component.Name.view());
        for (int i = 1; i <= rig.GasListCount; ++i)
            if (name == rig.GasList[i])
                gas.Components[i].Fraction = component.Fraction;
    }
    nameSlotsInListOrder(rig, gas.Components);
}

} // namespace

bool BuildGasList(Rig& rig)
{
    rig.GasListCount = 0;
    rig.GasList.fill(std::string());

    if (!addInputGases(rig) || !addFixGases(rig) || !addLeakageGases(rig))
        return true;

    for (int n = 1; n <= MaxInputGases; ++n)
        if (isUsedInputGas(rig, n))
            rewriteIntoListOrder(rig, rig.Gases[n]);
    for (int m = 1; m <= MaxMixtures; ++m) {
        Composition& slots = rig.Gases[MaxInputGases + m].Components;
        nameSlotsInListOrder(rig, slots);
        for (GasComponent& slot : slots)
            slot.Fraction = 0.0;
    }
    return false;
}

void ComputeCellGases(Rig& rig)
{
    for (int c = 1; c <= MaxCells; ++c) {
        const CellRecord& cell = rig.Cells[c];
        if (!isFedCell(cell))
            continue;
        Composition& delivered = rig.CellGases[c];
        delivered = rig.Gases[MaxInputGases + cell.Mix].Components;

        double sum = 0.0;
        for (GasComponent& slot : delivered) {
            const std::string_view name = slot.Name.view();
            if (name == "O2")
                slot.Fraction += cell.LeakO2;
            else if (name == "N2")
                slot.Fraction += cell.LeakN2;
            else if (name == "H2")
                slot.Fraction += cell.LeakH2;
            else if (name == "H2O")
                slot.Fraction += cell.LeakH2O;
            sum += slot.Fraction;
        }
        // Nothing delivered: all fractions 0 rather than a division by zero.
        const bool usable = sum > 0 && std::isfinite(sum);
        for (GasComponent& slot : delivered)
            slot.Fraction = usable ? slot.Fraction / sum : 0.0;
    }
}

} // namespace meldrix
