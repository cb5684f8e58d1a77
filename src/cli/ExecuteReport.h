#pragma once

#include "mixer/Execute.h"
#include "rig/Rig.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <span>
#include <string>

namespace meldrix {

//! "ok", "too_many_gases" or "non_converging".
std::string_view statusName(RunStatus status);

//! The outcome of a run as one JSON object: status, the message the run put in Message1 (null
//! when the message line is hidden), passes, gas list, stage flows, mixtures, cell gases, the
//! equilibrium selection, the flow model, the run's reading warnings and last the stages where the
//! flow models differ. Names are Latin-1 decoded; numbers that are not finite are null.
nlohmann::ordered_json ExecuteToJson(const Rig& rig, const RunOutcome& outcome);

//! `json` with a key "flow_model" naming `model`, before its "warnings" or, without them, last.
nlohmann::ordered_json WithFlowModel(const nlohmann::ordered_json& json, FlowModelKind model);

//! The stages where the flow models differ as a JSON array, in stage order: each with stage,
//! as_specified, physical and text.
nlohmann::ordered_json ModelDifferencesToJson(std::span<const ModelDifference> differences);

//! Starts each line that names a stage where the flow models differ.
inline constexpr std::string_view ModelDifferencePrefix = "meldrix-cli: model difference: ";

//! One line per stage where the flow models differ on `err`: ModelDifferencePrefix and its text.
void PrintModelDifferences(std::span<const ModelDifference> differences, std::ostream& err);

//! The reading warnings of a run as a JSON array, in their order: each with stage, gas, curve,
//! reading, limit and text.
nlohmann::ordered_json ReadingWarningsToJson(std::span<const ReadingWarning> warnings);

//! One line per reading warning on `err`: "meldrix-cli: warning: " and its text.
void PrintReadingWarnings(std::span<const ReadingWarning> warnings, std::ostream& err);

//! The results table as the window's gas-list display shows it: one row per gas of the gas list,
//! one column per cell headed "OC c; Name", each value the text of its table cell (fractions, or
//! their base-10 logarithms with `logDisplay`, "???" where there is none; "not fed" throughout
//! the column of a cell that no mixture feeds). Nothing when the gas list is empty.
std::optional<std::string> CellGasTable(const Rig& rig, bool logDisplay = false);

} // namespace meldrix
