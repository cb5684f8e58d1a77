#include "uncertainty/UncertaintyRemarks.h"

#include "common/TextFormat.h"

namespace meldrix {

namespace {

constexpr std::string_view PO2Name = "log10 pO2";

// What a cell's dominant input asks of the operator; empty when nothing dominates.
std::string advice(const CellUncertainty& cell)
{
    switch (cell.Dominant.What) {
    case DominantInput::Kind::None:
        break;
    case DominantInput::Kind::Reading:
        return "read stage " + formatInt(cell.Dominant.Number)
            + " more carefully: it moves log10 pO2 most";
    case DominantInput::Kind::Calibration:
        return "calibrate curve " + formatInt(cell.Dominant.Number)
            + " more carefully: its flow moves log10 pO2 most";
    }
    return {};
}

std::vector<std::string> nonLinear(const CellUncertainty& cell)
{
    std::vector<std::string> names;
    if (!cell.Linear)
        return names;
    for (std::size_t k = 0; k < cell.Gases.size(); ++k)
        if (!cell.Linear->Gases[k])
            names.push_back(cell.Gases[k].Name);
    if (cell.Log10PO2 && !cell.Linear->Log10PO2)
        names.emplace_back(PO2Name);
    return names;
}

} // namespace

bool IsWarning(const UncertaintyRemark& remark)
{
    return remark.Kind == RemarkKind::NoPO2 || remark.Kind == RemarkKind::NonLinear
        || remark.Kind == RemarkKind::DroppedSamples;
}

std::vector<UncertaintyRemark> UncertaintyRemarks(const UncertaintyResult& result)
{
    std::vector<UncertaintyRemark> remarks;
    for (const CellUncertainty& cell : result.Cells) {
        const std::string title = "OC " + formatInt(cell.Cell) + "; " + cell.Name + ": ";
        const auto add = [&](RemarkKind kind, const std::string& text) {
            remarks.push_back({ kind, cell.Cell, title + text });
        };
        if (const std::string text = advice(cell); !text.empty())
            add(RemarkKind::Advice, text);
        if (!cell.PO2Problem.empty())
            add(RemarkKind::NoPO2, "no log10 pO2: " + cell.PO2Problem);
        if (const auto names = nonLinear(cell); !names.empty())
            add(RemarkKind::NonLinear,
                listed(names) + (names.size() == 1 ? " is" : " are")
                    + " far from linear over one standard deviation of the inputs: use Monte "
                      "Carlo");
        if (cell.NoOxygenSamples > 0)
            add(RemarkKind::NoOxygenTail,
                formatInt(cell.NoOxygenSamples) + " of " + formatInt(result.Samples)
                    + " samples hold no oxygen: the band counts them below every finite log10 "
                      "pO2");
        if (cell.PO2Dropped > 0)
            add(RemarkKind::DroppedSamples,
                formatInt(cell.PO2Dropped) + " of " + formatInt(result.Samples)
                    + " samples had no log10 pO2 (unresolved, or no equilibrium) and are left "
                      "out of its spread");
    }
    for (const std::string& note : result.Notes)
        remarks.push_back({ RemarkKind::Method, 0, note });
    return remarks;
}

} // namespace meldrix
