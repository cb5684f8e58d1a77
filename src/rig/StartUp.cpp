#include "rig/StartUp.h"

#include "common/Rounding.h"

#include <filesystem>
#include <system_error>

namespace meldrix {

namespace {

// Every layout product is computed in extended precision and cut to its whole part; H × 0.42
// is then just below 252, so the stages' Top is 401 and the mixtures' 281.
std::uint16_t wholePart(Extended value)
{
    return static_cast<std::uint16_t>(value);
}

void resetCalCurve(CalCurveRecord& curve)
{
    curve.Make = "None";
    curve.Size = "None";
    curve.Float = "None";
    curve.Gas = "";
    curve.Flowmeter = 0;
    curve.Temp = 25.0;
    curve.Press = 1.0;
    curve.Reserved = 0;
    curve.Points.fill(CalPoint {});
}

void resetFlowmeter(FlowmeterRecord& stage, int i)
{
    stage.Make = "None";
    stage.Size = "None";
    stage.Float = "None";
    stage.Reserved = 0;
    stage.Reading = 0;
    stage.Flow = 0;
    stage.Input = 1;
    stage.Output = static_cast<std::uint16_t>((i + 1) / 2);
    stage.FixGas = "H2O";
    stage.FixGasType = "Pure";
    stage.FixGasT = 25.0;
    stage.Reserved2 = 0;
    stage.FixGasUsed = 0;
    stage.FixGasBefore = 1;
}

void resetWorkingGas(GasRecord& gas, std::string_view name)
{
    gas.Name = name;
    gas.Reserved1 = 1.0;
    gas.Defined = 0;
    for (GasComponent& component : gas.Components) {
        component.Name = "";
        component.Fraction = 0;
    }
}

void resetCell(CellRecord& cell, int c)
{
    cell.Name = "None";
    cell.Pressure = 1.0;
    cell.Temp = 25.0;
    cell.Mix = static_cast<std::uint16_t>(c);
    cell.EquilDone = 0;
    cell.LeakO2 = 1.0E-5;
    cell.LeakN2 = 0;
    cell.LeakH2 = 0;
    cell.LeakH2O = 3.0E-5;
}

} // namespace

std::uint16_t BusLevel(const Rig& rig)
{
    return wholePart(rig.DiagramHeight * 0.42L);
}

void SetStartValues(Rig& rig)
{
    rig.DiagramHeight = ReferenceDiagramHeight;
    rig.DiagramWidth = ReferenceDiagramWidth;
    const Extended w = rig.DiagramWidth;
    const Extended h = rig.DiagramHeight;

    rig.EditMode = EditModes::None;
    rig.CurrentCell = 1;
    rig.CurrentInputGas = 1;
    rig.CurrentFlowmeter = 1;

    for (CalCurveRecord& curve : rig.CalCurves)
        resetCalCurve(curve);

    for (int i = 1; i <= MaxFlowmeters; ++i) {
        resetFlowmeter(rig.Flowmeters[i], i);
        LayoutBox& box = rig.FlowmeterBoxes[i];
        box.Left = static_cast<std::uint16_t>(wholePart(w * (i - 1) / 16) + 2);
        box.Top = static_cast<std::uint16_t>(wholePart(h * 0.42L) + 150);
        box.Right = static_cast<std::uint16_t>(wholePart(w * 0.05L) + box.Left + 2);
        box.Bottom = static_cast<std::uint16_t>(wholePart(h * 0.2L) + box.Top);
        box.Mid = static_cast<std::uint16_t>(wholePart(w * 0.05L / 2) + box.Left + 2);
    }

    for (int i = 1; i <= MaxInputGases; ++i) {
        resetWorkingGas(rig.Gases[i], "None");
        LayoutBox& box = rig.GasBoxes[i];
        box.Left = static_cast<std::uint16_t>(wholePart(w * (i - 1) / 16) + 2);
        box.Top = static_cast<std::uint16_t>(wholePart(h * 0.94L) + 150);
        box.Right = static_cast<std::uint16_t>(wholePart(w * 0.05L) + box.Left + 2);
        box.Bottom = static_cast<std::uint16_t>(wholePart(h * 0.06L) + box.Top - 2);
        box.Mid = static_cast<std::uint16_t>(wholePart(w * 0.05L / 2) + box.Left + 2);
    }

    for (int i = 1; i <= MaxMixtures; ++i) {
        resetWorkingGas(rig.Gases[MaxInputGases + i], "");
        LayoutBox& box = rig.GasBoxes[MaxInputGases + i];
        box.Top = static_cast<std::uint16_t>(wholePart(h * 0.42L) + 150 - 120);
        box.Bottom = static_cast<std::uint16_t>(box.Top + 35);
    }

    for (int c = 1; c <= MaxCells; ++c) {
        resetCell(rig.Cells[c], c);
        LayoutBox& box = rig.CellBoxes[c];
        box.Left = static_cast<std::uint16_t>(wholePart(w * (c - 1) / 8) + 4);
        box.Top = static_cast<std::uint16_t>(wholePart(h * 0.01L) + 150);
        box.Right = static_cast<std::uint16_t>(wholePart(2 * w * 0.05L) + box.Left + 4);
        box.Bottom = static_cast<std::uint16_t>(box.Top + 65);
        box.Mid = static_cast<std::uint16_t>(wholePart(w * 0.05L) + box.Left + 2);
    }
}

std::array<LoadResult, 4> StartUp(Rig& rig, const std::string& baseName, const StartUpSteps& steps)
{
    rig.BaseName = baseName;
    SetFileNamesFromBase(rig, rig.BaseName);
    SetStartValues(rig);
    if (steps.prepareEditorRows)
        steps.prepareEditorRows();
    if (steps.initEquilibriumTables)
        steps.initEquilibriumTables(rig);
    MarkAllUnchanged(rig);
    return OpenAllByBase(rig, rig.BaseName);
}

std::string DefaultBaseName()
{
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::filesystem::path bin =
        error ? std::filesystem::current_path(error) : executable.parent_path();
    return (bin.parent_path() / "share" / "meldrix" / "Default").lexically_normal().string();
}

} // namespace meldrix
