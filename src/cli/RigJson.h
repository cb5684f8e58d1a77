#pragma once

#include "rig/Rig.h"

#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>

namespace meldrix {

//! A data set as readable JSON: every field of every record under its own name, names as text
//! (8-bit texts decoded as Latin-1), numbers exact, calibration points as [reading, flow] pairs;
//! then "Settings", the object of the settings file, unless the settings are the defaults.
nlohmann::ordered_json RigToJson(const Rig& rig);

//! A rig description that cannot be taken over; what() names the place and the fault.
class RigJsonError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

//! Fills the records of `rig` from JSON as RigToJson writes it. Records and fields the JSON leaves
//! out keep what `rig` holds (start-up values when the caller starts from them); a record may give
//! its number with "index". Throws RigJsonError before changing anything when the JSON does not
//! describe a data set.
void RigFromJson(const nlohmann::ordered_json& json, Rig& rig);
//! The same, for JSON whose objects keep no order of their keys.
void RigFromJson(const nlohmann::json& json, Rig& rig);

} // namespace meldrix

namespace meldrix {

//! How real numbers are written: the shortest text that reads back to the same double, or always
//! 17 significant digits. Both read back exactly.
enum class NumberForm { Shortest, SeventeenDigits };

//! JSON indented by two spaces, with every list or object of plain values that fits in a line of
//! 100 characters kept on one line: a readable rig description stays short.
std::string prettyJson(const nlohmann::ordered_json& json, NumberForm form = NumberForm::Shortest);

} // namespace meldrix
