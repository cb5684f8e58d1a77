#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace meldrix {

//! How Execute turns a stage's reading into its flow.
enum class FlowModelKind {
    //! Each gas through its own curve and a mixture as the fraction-weighted sum of their flows;
    //! one polynomial through a curve's points; a fix-gas stage after the meter raises the flow by
    //! 1 + new - old. The default: the numbers Meldrix has always given.
    AsSpecified,
    //! A mixture metered by its density, a curve of another gas corrected for density, a monotone
    //! piecewise cubic through a curve's points, and the dry gas kept behind a fix-gas stage after
    //! the meter.
    Physical,
};

//! "as-specified" or "physical": the word of the settings file, the JSON and the command line.
std::string_view FlowModelKey(FlowModelKind model);
//! "as specified" or "physical": the words of a sentence.
std::string_view FlowModelTitle(FlowModelKind model);
//! The model a key names; nullopt for any other text.
std::optional<FlowModelKind> FlowModelFromKey(std::string_view key);
FlowModelKind OtherFlowModel(FlowModelKind model);

//! The limits of the Monte Carlo samples the meter-accuracy settings take.
inline constexpr int MinAccuracySamples = 2;
inline constexpr int MaxAccuracySamples = 100000;

//! How well the meters are known, for the uncertainty display.
struct MeterAccuracySettings {
    bool MonteCarlo = false; //!< Monte Carlo samples instead of the linear estimate
    double FullScalePercent = 1.0; //!< every reading's standard deviation [% of full scale]
    double FlowPercent = 0.0; //!< relative standard deviation of the calibrated flows [%]
    int Samples = 2000; //!< Monte Carlo only
    std::uint64_t Seed = 1; //!< Monte Carlo only

    friend bool operator==(const MeterAccuracySettings&, const MeterAccuracySettings&) = default;
};

//! A data set's own settings, kept in an optional JSON file beside its four files.
struct DataSetSettings {
    FlowModelKind FlowModel = FlowModelKind::AsSpecified;
    //! The unit of the calibration curves' flows as the operator names it, 8-bit (Latin-1) as the
    //! records' texts; empty: not named.
    std::string FlowUnit;
    MeterAccuracySettings MeterAccuracy;
    //! The JSON object the settings were last read from or written as; the keys Meldrix does not
    //! know are kept from it on save. Empty when there was none.
    std::string Stored;

    friend bool operator==(const DataSetSettings&, const DataSetSettings&) = default;
};

//! Whether the settings are the defaults and hold no keys of their own: such settings need no
//! file.
bool AreDefaultSettings(const DataSetSettings& settings);

//! The settings of the data set "Rig" live in "Rig.settings.json": "Rig.json" is what a data set's
//! JSON description (dump, build) is called, as data/Default.json is.
inline constexpr std::string_view SettingsFileSuffix = ".settings.json";

} // namespace meldrix
