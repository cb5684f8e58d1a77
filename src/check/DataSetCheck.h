#pragma once

#include "rig/Rig.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace meldrix {

//! How much a finding matters.
enum class FindingSeverity {
    Error, //!< Execute stops, or gives a flow or a gas that is plainly wrong
    Warning, //!< most likely a mistake in the data; Execute computes it as stored
    Note, //!< worth knowing; nothing is wrong as such
};

//! "error", "warning" or "note".
std::string_view SeverityKey(FindingSeverity severity);

//! The record kinds a finding points at, named as the data set's JSON names them.
namespace FindingRecords {
inline constexpr std::string_view InputGases = "InputGases";
inline constexpr std::string_view Flowmeters = "Flowmeters";
inline constexpr std::string_view CalCurves = "CalCurves";
inline constexpr std::string_view Cells = "Cells";
} // namespace FindingRecords

//! One thing the check found in a data set. Nothing in the data set is changed by it.
struct Finding {
    FindingSeverity Severity = FindingSeverity::Note;
    std::string Kind; //!< what was found, one word joined by dashes: "polynomial-overshoot"
    std::string Record; //!< a FindingRecords name; empty for the data set as a whole
    int Index = 0; //!< the record's number (curve 1..1000, stage 1..16, ...); 0 with no record
    std::string Field; //!< the record's field, as the JSON names it; may be empty
    std::string Text; //!< one sentence with the numbers, without its full stop, 8-bit

    friend bool operator==(const Finding&, const Finding&) = default;
};
using Findings = std::vector<Finding>;

//! The kinds of finding the check knows, in the order the check looks for them.
std::span<const std::string_view> FindingKinds();

//! Looks through the whole data set as it stands: the bottles, the stages and their fix-gas
//! stages, the calibration curves the stages with a reading choose (as Execute chooses them, for
//! every gas each meter sees), the cells, a run of Execute on a copy (with the stages where the
//! two flow models differ by more than 1 %). Errors first, then warnings, then notes; within
//! each, by record and number.
Findings CheckDataSet(const Rig& rig);

//! "2 errors, 1 warning and 3 notes"; "nothing" when there are none.
std::string FindingsCount(std::span<const Finding> findings);

//! The one line the window shows after a data set is opened, naming the command that lists the
//! findings.
std::string FindingsSummary(std::span<const Finding> findings);

//! Where a finding is, in words: "curve 12, Points"; "the data set" when it names no record.
std::string FindingPlace(const Finding& finding);

} // namespace meldrix
