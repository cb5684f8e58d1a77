#include "equil/EquilibriumDriver.h"

#include "common/TextFormat.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

namespace meldrix {

namespace {

// The element of the diagnostic: the fourth listed one.
constexpr int DiagnosticElement = 4;
constexpr int DiagnosticWidth = 23;

const GasRecord& mixtureOf(const Rig& rig, const CellRecord& cell)
{
    return rig.Gases[MaxInputGases + cell.Mix];
}

// Compounds that some fed cell's mixture carries with a positive fraction. The gas list names
// the mixtures' slots, so only its first GasListCount slots can hold a gas.
std::array<bool, MaxCompounds + 1> compoundsInCells(const Rig& rig, int compoundCount)
{
    std::array<bool, MaxCompounds + 1> occurs {};
    const int slots = std::min<int>(rig.GasListCount, MaxComponents);
    for (const CellRecord& cell : rig.Cells) {
        if (!isFedCell(cell))
            continue;
        const GasRecord& mixture = mixtureOf(rig, cell);
        for (int m = 1; m <= slots; ++m) {
            const GasComponent& slot = mixture.Components[m];
            if (!(slot.Fraction > 0))
                continue;
            for (int k = 1; k <= compoundCount; ++k)
                occurs[static_cast<std::size_t>(k)] = occurs[static_cast<std::size_t>(k)]
                    || slot.Name.view() == rig.Compounds[k].Formula;
        }
    }
    return occurs;
}

// The fraction of a compound in a mixture: the last slot named by its formula, 0 when none is.
double fractionOf(const GasRecord& mixture, std::string_view formula)
{
    double fraction = 0.0;
    for (const GasComponent& slot : mixture.Components)
        if (slot.Name.view() == formula)
            fraction = slot.Fraction;
    return fraction;
}

EquilibriumMode parseMode(std::string_view mode)
{
    return upperCaseAscii(mode) == "CONSTANTV" ? EquilibriumMode::ConstantV
                                               : EquilibriumMode::ConstantP;
}

} // namespace

std::string EquilibriumNoteExplanation(std::string_view message)
{
    if (message.starts_with(TooManyEquationsMessage))
        return "This is a note, not an error: the gases of the fed cells hold more compounds and "
               "elements than the 12 equations of the built-in compound selection, so that "
               "selection (Settings, Equil./RT toggle) keeps its previous amounts. The flows and "
               "the gas fractions are complete; each cell's computed equilibrium is shown by "
               "Settings, Equilibrium at cell temperature, and the log10 pO2 chart.";
    if (message == EquilibriumNotOperativeMessage)
        return "The compounds display shows the built-in compound selection with amounts taken "
               "from the mixtures as delivered, not an equilibrium. Each cell's computed "
               "equilibrium is shown by Settings, Equilibrium at cell temperature.";
    return {};
}

void StartEquilibriumCalculations(Rig& rig)
{
    const int compoundCount = std::min<int>(rig.CompoundCount, MaxCompounds);
    const auto occurs = compoundsInCells(rig, compoundCount);

    // Elements present, in ascending element number. The built-in tables never list or select
    // more than 12; the stored lists are held to their arrays all the same, and the size check
    // below sees the true counts.
    int elements = 0;
    for (int z = 1; z <= MaxElements; ++z) {
        ElementRecord& element = rig.Elements[z];
        element.Present = false;
        for (int k = 1; k <= compoundCount && !element.Present; ++k)
            element.Present = occurs[static_cast<std::size_t>(k)] && rig.Compounds[k].Atoms[z] > 0;
        if (element.Present && ++elements <= MaxEquations)
            rig.ElementList[static_cast<std::size_t>(elements)] = z;
    }
    rig.ElementList[0] = std::min(elements, MaxEquations);

    // A compound is available, and selected, when all of its elements are present, even if the
    // compound itself occurs in no cell.
    int selected = 0;
    for (int k = 1; k <= compoundCount; ++k) {
        CompoundRecord& compound = rig.Compounds[k];
        compound.Available = true;
        for (int z = 1; z <= MaxElements; ++z)
            if (compound.Atoms[z] > 0 && !rig.Elements[z].Present)
                compound.Available = false;
        if (compound.Available && compound.Enabled && ++selected <= MaxEquations)
            rig.SelectedCompounds[selected] = static_cast<std::uint16_t>(k);
    }
    rig.SelectedCount = static_cast<std::uint16_t>(std::min(selected, MaxEquations));

    if (selected + elements > MaxEquations) {
        std::string note = std::string(TooManyEquationsMessage) + formatInt(selected + elements);
        std::string detail = note + " " + EquilibriumNoteExplanation(note);
        ShowMessage(rig, std::move(note), std::move(detail));
        return;
    }

    // The amounts are those of the mixtures as the mixer delivers them, without the leakages.
    for (int c = 1; c <= MaxCells; ++c) {
        CellRecord& cell = rig.Cells[c];
        if (!isFedCell(cell))
            continue;
        for (int i = 1; i <= rig.SelectedCount; ++i)
            rig.EquilAmounts[c][i] =
                fractionOf(mixtureOf(rig, cell), rig.Compounds[rig.SelectedCompounds[i]].Formula);
        cell.EquilDone = 1;
    }

    // Only cell 1 gets the per-cell calculation.
    if (!isSet(rig.Cells[1].EquilDone))
        return;
    for (int i = 1; i <= MaxEquations; ++i)
        rig.EquilInput[i] = { rig.SelectedCompounds[i], rig.EquilAmounts[1][i] };
    CellEquilibrium(rig, 1, rig.EquilInput, "ConstantP", rig.Cells[1].Temp, rig.Cells[1].Pressure);
}

CellEquilibriumResult CellEquilibrium(Rig& rig, [[maybe_unused]] std::uint16_t cell,
    const OneBased<EquilInputEntry, MaxEquations>& input, std::string_view mode,
    [[maybe_unused]] double temp, double pressure)
{
    CellEquilibriumResult result;
    result.Mode = parseMode(mode);

    const int selected = std::min<int>(rig.SelectedCount, MaxEquations);
    double sum = 0.0;
    for (int i = 1; i <= selected; ++i)
        sum = static_cast<double>(sum + input[i].Amount);
    // Holds only for a cell at the pressure its normalised mixture adds up to, that is 1 bar,
    // fed by table compounds alone. A sum that is not a number fails too.
    result.PressureMatches = std::abs(sum - pressure) <= PressureTolerance;
    if (!result.PressureMatches)
        return result;

    const int elements = std::clamp<int>(rig.ElementList[0], 0, MaxEquations);
    for (int j = 1; j <= elements; ++j) {
        const int z = rig.ElementList[static_cast<std::size_t>(j)];
        Extended total = 0.0L;
        for (int i = 1; i <= selected; ++i)
            total += input[i].Amount * rig.Compounds[rig.SelectedCompounds[i]].Atoms[z];
        result.ElementTotals.push_back(total);
    }

    // With fewer than four elements there is nothing to show; the message line stays as it was.
    if (elements >= DiagnosticElement)
        ShowMessage(
            rig, formatScientific(result.ElementTotals[DiagnosticElement - 1], DiagnosticWidth));
    return result;
}

} // namespace meldrix
