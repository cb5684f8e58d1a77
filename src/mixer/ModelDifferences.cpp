#include "mixer/ModelDifferences.h"

#include "common/TextFormat.h"

#include <algorithm>
#include <cmath>

namespace meldrix {

namespace {

std::string flowText(double flow, std::string_view unit)
{
    return formatSignificant(flow, 4) + (unit.empty() ? "" : " " + std::string(unit));
}

// What the physical model does at the stage, and where it could not.
std::string reasons(const StageModelNotes& notes)
{
    std::vector<std::string> clauses;
    if (notes.Mixture)
        clauses.emplace_back("a mixture metered by its density");
    if (notes.Corrected)
        clauses.emplace_back("a curve of another gas corrected for density");
    if (notes.Cubic)
        clauses.emplace_back("the curve read by the monotone cubic");
    if (notes.DryGas)
        clauses.emplace_back("the dry gas kept behind its fix-gas stage");
    std::string text = listed(clauses);
    for (const std::string& fallback : notes.Fallbacks)
        text += (text.empty() ? "" : "; ") + fallback;
    return text;
}

std::string differenceText(int stage, double asSpecified, double physical,
    const StageModelNotes* notes, std::string_view unit)
{
    std::string text = "F" + formatInt(stage, 2) + ": " + flowText(asSpecified, unit)
        + " as specified, " + flowText(physical, unit) + " physical";
    if (asSpecified != 0.0 && std::isfinite(asSpecified) && std::isfinite(physical)) {
        const double change = (physical - asSpecified) / std::abs(asSpecified) * 100.0;
        text += std::string(", ") + (change > 0 ? "+" : "") + formatSignificant(change, 3) + " %";
    }
    if (notes)
        if (const std::string why = reasons(*notes); !why.empty())
            text += " (" + why + ")";
    return text;
}

} // namespace

bool FlowsDiffer(double a, double b)
{
    if (a == b)
        return false;
    // A flow that is not a number differs from every other.
    if (!std::isfinite(a) || !std::isfinite(b))
        return true;
    return std::abs(a - b) > 0.01 * std::max(std::abs(a), std::abs(b));
}

ModelDifferences DifferencesBetween(const OneBased<double, MaxFlowmeters>& asSpecified,
    const OneBased<double, MaxFlowmeters>& physical, std::span<const StageModelNote> physicalNotes,
    std::string_view unit)
{
    ModelDifferences differences;
    for (int f = 1; f <= MaxFlowmeters; ++f) {
        const double a = asSpecified[f];
        const double b = physical[f];
        const auto noted = std::find_if(physicalNotes.begin(), physicalNotes.end(),
            [f](const StageModelNote& note) { return note.Stage == f; });
        const StageModelNotes* notes = noted == physicalNotes.end() ? nullptr : &noted->Notes;
        if (FlowsDiffer(a, b) || (notes && !notes->Fallbacks.empty()))
            differences.push_back({ f, a, b, differenceText(f, a, b, notes, unit) });
    }
    return differences;
}

std::string ModelDifferencesMessage(std::span<const ModelDifference> differences)
{
    return clausesSentence(differences, "Flow models differ: ");
}

} // namespace meldrix
