#pragma once

#include "common/OneBased.h"
#include "rig/DataSetSettings.h"
#include "rig/EquilibriumData.h"
#include "rig/Records.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace meldrix {

inline constexpr int MaxInputGases = 16;
inline constexpr int MaxMixtures = 16;
inline constexpr int MaxGases = MaxInputGases + MaxMixtures;
inline constexpr int MaxFlowmeters = 16;
inline constexpr int MaxCalCurves = 1000;
inline constexpr int MaxCells = 8;
inline constexpr int MaxComponents = 12;
inline constexpr int MaxCalPoints = 20;

//! What EditMode says the parameter editor shows.
namespace EditModes {
inline constexpr std::uint16_t None = 0;
inline constexpr std::uint16_t OutputCells = 1;
inline constexpr std::uint16_t Flowmeters = 2;
inline constexpr std::uint16_t InputGases = 4;
inline constexpr std::uint16_t FlowmeterReadings = 5;
inline constexpr std::uint16_t Calibrations = 6;
} // namespace EditModes

using Composition = OneBased<GasComponent, MaxComponents>;

//! The message line at the bottom of the window: hidden until the first message, which then stays
//! until the next one replaces it.
struct MessageLine {
    std::string Text = "Messages.";
    bool Visible = false;
    std::string Detail; //!< the full account behind a short Text (the line's tooltip); may be empty
    std::uint64_t Shown = 0; //!< messages shown so far: tells a message repeated from the last
};

//! One data file as it was last read or written: the records as they stood then, and the damage
//! the file was reported with when it was read (empty when it was whole).
struct FileBaseline {
    std::vector<std::byte> Image;
    std::string DamagedPath;
    std::string Damage; //!< "576 bytes instead of 1664"
};

//! The settings file as it was last read or written: the settings then, and the damage it was
//! reported with when it was read (empty when it was whole or absent).
struct SettingsBaseline {
    DataSetSettings Settings;
    std::string DamagedPath;
    std::string Damage; //!< "it is not valid JSON"
};

//! The whole state of the rig and of its runs. The window, the command-line tool and every test
//! each own one; the routines of the system work on it under the system's own names.
struct Rig {
    // Rig records, as stored in the data files.
    OneBased<GasRecord, MaxInputGases> InputGases;
    OneBased<GasRecord, MaxGases> Gases; //!< 1..16 working input gases, 16 + m mixture Mm
    OneBased<FlowmeterRecord, MaxFlowmeters> Flowmeters;
    OneBased<CalCurveRecord, MaxCalCurves> CalCurves;
    OneBased<CellRecord, MaxCells> Cells;

    // Diagram layout.
    OneBased<LayoutBox, MaxFlowmeters> FlowmeterBoxes;
    OneBased<LayoutBox, MaxCells> CellBoxes;
    OneBased<LayoutBox, MaxGases> GasBoxes;
    std::uint16_t DiagramWidth = 0;
    std::uint16_t DiagramHeight = 0;

    // Current file names.
    std::string BaseName;
    std::string InpFileName;
    std::string MixFileName;
    std::string CalFileName;
    std::string CelFileName;
    std::string SettingsFileName; //!< the optional fifth file: base + ".settings.json"

    //! The data set's own settings: the flow model every Execute of this rig uses, the curves'
    //! flow unit, the meters' accuracy.
    DataSetSettings Settings;

    // Parameter editor.
    std::uint16_t EditMode = EditModes::None;
    std::uint16_t CurrentCell = 0;
    std::uint16_t CurrentInputGas = 0;
    std::uint16_t CurrentFlowmeter = 0;
    std::uint16_t CurrentCalCurve = 0;

    // Working data of a run.
    OneBased<std::string, MaxComponents> GasList;
    std::uint16_t GasListCount = 0;
    Composition WorkComposition;
    OneBased<Composition, MaxCells> CellGases;

    // Element and compound tables, filled at start-up, and the equilibrium driver's working data.
    OneBased<ElementRecord, MaxElements> Elements;
    OneBased<CompoundRecord, MaxCompounds> Compounds;
    std::uint16_t CompoundCount = 0;
    //! [0] the number of elements present, [1..count] their element numbers in ascending order.
    std::array<std::int32_t, MaxEquations + 1> ElementList {};
    OneBased<std::uint16_t, MaxEquations> SelectedCompounds; //!< numbers into Compounds
    std::uint16_t SelectedCount = 0;
    //! [c][i]: the amount in cell c's mixture of compound SelectedCompounds[i].
    OneBased<OneBased<Extended, MaxEquations>, MaxCells> EquilAmounts;
    OneBased<EquilInputEntry, MaxEquations> EquilInput;

    // Display toggles of the results table.
    bool LogDisplay = false;
    bool EquilDisplay = false;
    //! The table shows the gas each fed cell holds at its temperature (Gibbs equilibrium).
    bool GibbsDisplay = false;

    MessageLine Message1;

    //! The flows, cell gases and results table are those of the records as they stand: set by a
    //! converged Execute, cleared by any change taken into the records and by every load.
    bool ResultsCurrent = false;

    //! .INP, .MIX, .CAL, .CEL: what tells unsaved changes and damaged files apart (DataFiles.h).
    std::array<FileBaseline, 4> FileBaselines;
    SettingsBaseline SettingsLastStored;
};

//! Sets the message line's text and shows it; `detail`, when given, is the full account behind it.
void ShowMessage(Rig& rig, std::string text, std::string detail = {});

//! Recomputes Defined of InputGases[index]: some component has a Fraction above 0 and a name that
//! is not blank once spaces and control characters are trimmed.
void UpdateGasDefined(Rig& rig, int index);

//! True for a byte of a bool field that counts as true.
constexpr bool isSet(std::uint8_t flag)
{
    return flag != 0;
}

//! Whether a cell is fed: its Mix names a mixture 1..16. Any other value counts as not fed.
constexpr bool isFedCell(const CellRecord& cell)
{
    return cell.Mix >= 1 && cell.Mix <= MaxMixtures;
}

} // namespace meldrix
