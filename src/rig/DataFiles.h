#pragma once

#include "rig/Rig.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace meldrix {

//! The four files of a data set, in the order they are always loaded and saved.
enum class DataFile { Inp, Mix, Cal, Cel };
inline constexpr std::array<DataFile, 4> AllDataFiles { DataFile::Inp, DataFile::Mix, DataFile::Cal,
    DataFile::Cel };

//! ".INP", ".MIX", ".CAL" or ".CEL".
std::string_view extensionOf(DataFile file);
//! The file name the rig currently uses for a file.
std::string& fileNameOf(Rig& rig, DataFile file);
const std::string& fileNameOf(const Rig& rig, DataFile file);
//! Exact size of a file of that kind [bytes].
std::size_t fileSizeOf(DataFile file);

//! Outcome of one load. A file that was not read left its array untouched; `problem` then says
//! why. A file that was read may still be damaged: `problem` names the first fault in one sentence.
struct LoadResult {
    bool read = false;
    std::string problem;
    std::string path; //!< the file name the load used
    std::string
        reason; //!< in a few words: "No such file or directory", "154 bytes instead of 1664"
    DataFile file = DataFile::Inp;
};

LoadResult LoadInputGases(Rig& rig);
LoadResult LoadMixer(Rig& rig);
LoadResult LoadCalibrations(Rig& rig);
LoadResult LoadCells(Rig& rig);
LoadResult LoadDataFile(Rig& rig, DataFile file);

//! Saves write a temporary file beside the target and rename it over the target, so a failed save
//! leaves the old file whole. The result is the reason in one sentence, or nullopt on success.
[[nodiscard]] std::optional<std::string> SaveInputGases(Rig& rig);
[[nodiscard]] std::optional<std::string> SaveMixer(Rig& rig);
[[nodiscard]] std::optional<std::string> SaveCalibrations(Rig& rig);
[[nodiscard]] std::optional<std::string> SaveCells(Rig& rig);
[[nodiscard]] std::optional<std::string> SaveDataFile(Rig& rig, DataFile file);

//! Saves the four files under their current names, and the settings file when the settings are
//! not the defaults or a file of that name is there to be replaced; all are written before any is
//! renamed into place, so a failure never leaves a mixed data set.
[[nodiscard]] std::optional<std::string> SaveAll(Rig& rig);

//! Sets the file names from `base` and loads the four files in the order .INP, .MIX, .CAL, .CEL,
//! then the settings (LoadSettings). BaseName is not changed.
std::array<LoadResult, 4> OpenAllByBase(Rig& rig, const std::string& base);

//! Sets the file names from a base name: base + ".INP" and so on, base + ".settings.json".
void SetFileNamesFromBase(Rig& rig, const std::string& base);

//! Reads the settings from SettingsFileName. No file gives the defaults; a file that cannot be
//! read or used gives the defaults too, and the sentence that says so (SettingsLoadProblem).
std::optional<std::string> LoadSettings(Rig& rig);

//! The sentence naming the settings file the last LoadSettings could not use; nullopt when it
//! used it or found none.
std::optional<std::string> SettingsLoadProblem(const Rig& rig);

//! Whether the settings differ from those last read or written.
bool HasUnsavedSettings(const Rig& rig);

//! When Save All would replace a settings file that was read as damaged, the sentence that says
//! so; nullopt otherwise.
std::optional<std::string> DamagedSettingsNote(const Rig& rig);

//! "the settings file Lab1.settings.json".
std::string SettingsFileLabel(const Rig& rig);

//! Whether the records of `file`, as they would be saved, differ from the bytes last read from or
//! written to it (so an edit undone by hand is no change).
bool HasUnsavedChanges(const Rig& rig, DataFile file);

//! The stages as the mixer file was last read or written (their readings as stored); nothing when
//! the rig keeps no whole image of that file.
std::optional<OneBased<FlowmeterRecord, MaxFlowmeters>> StoredFlowmeters(const Rig& rig);

//! The records as they stand become the last-read state of every file; start-up does this before
//! it loads, so the start values are no change.
void MarkAllUnchanged(Rig& rig);

//! When the file a save of `file` would overwrite was reported damaged when it was read, the
//! sentence that says so ("Lab1.CEL was read as a damaged mixer file (576 bytes instead of
//! 1664)."); nullopt otherwise.
std::optional<std::string> DamagedTargetNote(const Rig& rig, DataFile file);

//! "the mixer file Lab1.MIX": the kind of file and the current file's name without its folder.
std::string DataFileLabel(const Rig& rig, DataFile file);

//! The problems of one command's loads in one short sentence naming the files without their
//! folders ("Could not read the input gases, mixer, calibrations and output cells files of Rig: No
//! such file or directory."); empty when there is none.
std::string LoadSummary(std::span<const LoadResult> results);

//! The base name of a data set named by its base name or by one of its files ("Rig.INP", "Rig.cel"
//! and "Rig.settings.json" give "Rig"); any other name is the base name itself.
std::string DataSetBaseName(std::string_view name);

//! The base name of a chosen file: the path without the file name's own extension
//! ("/data/Run.2/Rig1.CEL" gives "/data/Run.2/Rig1", "Rig1.settings.json" gives "Rig1"); a dot in
//! a folder name is kept.
std::string BaseNameOfPath(std::string_view path);

} // namespace meldrix
