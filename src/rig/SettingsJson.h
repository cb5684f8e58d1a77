#pragma once

#include "rig/DataSetSettings.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace meldrix {

//! The settings as the JSON object of their file: every known key with its value, over the object
//! they were read from, so that keys Meldrix does not know stay as they were.
nlohmann::ordered_json SettingsToJson(const DataSetSettings& settings);

//! Takes the settings a JSON object gives; a known key left out keeps its default. What is wrong,
//! in a few words ("flow_model is neither \"as-specified\" nor \"physical\""), when the value
//! cannot be taken; `settings` is then unchanged.
std::optional<std::string> SettingsFromJson(
    const nlohmann::ordered_json& json, DataSetSettings& settings);

//! The text of a settings file: SettingsToJson indented by two spaces, with a final line end.
std::string SettingsFileText(const DataSetSettings& settings);

//! SettingsFromJson on the text of a settings file, which must be one JSON object.
std::optional<std::string> SettingsFromFileText(std::string_view text, DataSetSettings& settings);

} // namespace meldrix
