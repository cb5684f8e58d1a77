#pragma once

#include "rig/Rig.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// What the parameter editor shows for each record kind and how its rows read back, as plain text
// functions: the window only moves these texts in and out of its cells.

namespace meldrix {

//! Rows the parameter editor keeps below its title row.
inline constexpr int EditorRowCount = 32;

//! One row of the parameter editor: the key column and the value column, 8-bit text.
struct EditorRow {
    std::string Key;
    std::string Value;

    friend bool operator==(const EditorRow&, const EditorRow&) = default;
};

//! One record kind as the editor shows it: the two title captions, whether keys may be edited,
//! and rows 1..n; every row after them is empty.
struct EditorPage {
    std::string KeyTitle;
    std::string ValueTitle;
    bool KeysEditable = false;
    std::vector<EditorRow> Rows;
};

//! A record number outside 1..max wraps: above max gives 1, below 1 gives max.
int wrapRecordIndex(int value, int max);

//! "I" and the number in width 2 for input gases 1..16, otherwise "M" and Input - 16 in width 2.
std::string stageInputText(std::uint16_t input);

//! Input of a stage from its text: "I" or "M", then a number 1..16 with blanks around it allowed;
//! nullopt for anything else.
std::optional<std::uint16_t> parseStageInput(std::string_view text);

//! Output of a stage from its text, when the whole of it is a number 1..16 (blanks allowed).
std::optional<std::uint16_t> parseStageOutput(std::string_view text);

EditorPage CellsPage(const Rig& rig, int cell);
EditorPage FlowmetersPage(const Rig& rig, int stage);
EditorPage InputGasesPage(const Rig& rig, int gas);
EditorPage FlowmeterReadingsPage(const Rig& rig);

//! A row whose text OK did not take: the field keeps its value.
struct RowRefusal {
    int Row = 0;
    std::string Clause; //!< what was refused and why: F 4: "abc" is not a number
    std::string Stored; //!< the value the field keeps, as the row shows it ("60.0")
};
using RowRefusals = std::vector<RowRefusal>;

//! The refusals of one OK in one sentence, or empty when there are none. One refusal says what
//! the field keeps (`F 4: "abc" is not a number; the reading stays 60.0.`); several are listed
//! in one sentence. `noun` names the fields: "reading", "value".
std::string RefusalMessage(std::span<const RowRefusal> refusals, std::string_view noun);

// The read-back routines take the rows as they stand in the editor, row 1 first; a missing row
// reads as empty text. A value whose text still reads exactly as the field shows it now is not
// stored again, so OK never rounds a field to its display precision behind the operator's back,
// and is never refused. Every other text that is not taken is returned as a refusal.

// A text longer than its field, a bool other than Y or N (y, yes, n, no in any case) and an
// Output or Input outside its range are refused, never cut or guessed.

//! Reads the cell editor into Cells[cell]. A Mix outside 0..16 and a Pressure not above 0 are
//! refused.
[[nodiscard]] RowRefusals ReadCellRows(Rig& rig, int cell, std::span<const EditorRow> rows);

//! Reads the flowmeter editor into Flowmeters[stage].
[[nodiscard]] RowRefusals ReadFlowmeterRows(Rig& rig, int stage, std::span<const EditorRow> rows);

//! Reads the input-gas editor into InputGases[gas]: the components of rows 1..12, then `name`,
//! then Defined. A negative fraction is refused.
[[nodiscard]] RowRefusals ReadInputGasRows(
    Rig& rig, int gas, std::span<const EditorRow> rows, std::string_view name);

//! A note when the named fractions of input gas `gas` do not add up to 1 (within 1e-6): Execute
//! takes them as they are, so its stages count more or less gas than flows. Empty when they do,
//! and for a gas that is not defined.
std::string FractionSumNote(const Rig& rig, int gas);

//! Reads the readings editor into the Reading of stages 1..16.
[[nodiscard]] RowRefusals ReadReadingRows(Rig& rig, std::span<const EditorRow> rows);

} // namespace meldrix
