#include "rig/DataFiles.h"
#include "support/Bytes.h"
#include "support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

namespace meldrix {
namespace {

namespace fs = std::filesystem;
using nlohmann::ordered_json;

void writeText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::string readText(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

class SettingsFileTest : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    std::string base = dir.file("Rig1");
    std::unique_ptr<Rig> rig = testsupport::rigAtStartValues();

    SettingsFileTest() { SetFileNamesFromBase(*rig, base); }

    std::unique_ptr<Rig> reopened() const
    {
        auto other = testsupport::rigAtStartValues();
        OpenAllByBase(*other, base);
        return other;
    }
};

TEST_F(SettingsFileTest, SaveAllKeepsTheSettingsBesideTheFourFiles)
{
    ASSERT_EQ(SaveAll(*rig), std::nullopt);
    EXPECT_FALSE(fs::exists(base + ".settings.json")) << "the defaults need no file";

    rig->Settings.FlowModel = FlowModelKind::Physical;
    rig->Settings.FlowUnit = "m\xB3/h"; // Latin-1, as the records' texts
    rig->Settings.MeterAccuracy = { true, 0.5, 2.0, 5000, 1ULL << 60 };
    EXPECT_TRUE(HasUnsavedSettings(*rig));
    ASSERT_EQ(SaveAll(*rig), std::nullopt);
    EXPECT_FALSE(HasUnsavedSettings(*rig));
    const ordered_json file = ordered_json::parse(readText(base + ".settings.json"));
    EXPECT_EQ(file["flow_model"], "physical");
    EXPECT_EQ(file["flow_unit"], "m\u00B3/h");
    EXPECT_EQ(file["meter_accuracy"]["method"], "monte-carlo");
    EXPECT_EQ(file["meter_accuracy"]["seed"], 1ULL << 60);

    const auto other = reopened();
    EXPECT_EQ(SettingsLoadProblem(*other), std::nullopt);
    EXPECT_EQ(other->Settings.FlowModel, FlowModelKind::Physical);
    EXPECT_EQ(other->Settings.FlowUnit, "m\xB3/h");
    EXPECT_EQ(other->Settings.MeterAccuracy, rig->Settings.MeterAccuracy);
    EXPECT_FALSE(HasUnsavedSettings(*other));

    // Back to the defaults, the file there is replaced, so the data set reads back as saved.
    other->Settings = {};
    ASSERT_EQ(SaveAll(*other), std::nullopt);
    EXPECT_EQ(reopened()->Settings.FlowModel, FlowModelKind::AsSpecified);
}

TEST_F(SettingsFileTest, KeysMeldrixDoesNotKnowSurviveASave)
{
    ASSERT_EQ(SaveAll(*rig), std::nullopt);
    writeText(base + ".settings.json",
        R"({"operator": "kb", "flow_model": "physical", "meter_accuracy": {"samples": 300,
            "note": [1, 2]}, "flow_unit": "l/h"})");
    OpenAllByBase(*rig, base);
    EXPECT_EQ(rig->Settings.MeterAccuracy.Samples, 300);
    rig->Settings.FlowModel = FlowModelKind::AsSpecified;
    ASSERT_EQ(SaveAll(*rig), std::nullopt);
    const ordered_json file = ordered_json::parse(readText(base + ".settings.json"));
    EXPECT_EQ(file["operator"], "kb");
    EXPECT_EQ(file["meter_accuracy"]["note"], ordered_json({ 1, 2 }));
    EXPECT_EQ(file["flow_model"], "as-specified");
    EXPECT_EQ(file["flow_unit"], "l/h");
}

struct DamagedCase {
    const char* text; //!< the file's content; null: a folder in its place
    const char* reason;
};

class DamagedSettingsTest : public SettingsFileTest,
                            public ::testing::WithParamInterface<DamagedCase> { };

// A settings file that cannot be used is named with its reason, and the defaults are used; a
// save replaces it only after saying so.
TEST_P(DamagedSettingsTest, IsNamedAndTheDefaultsAreUsed)
{
    const auto& [text, reason] = GetParam();
    const std::string path = base + ".settings.json";
    if (text)
        writeText(path, text);
    else
        fs::create_directory(path);
    rig->Settings.FlowModel = FlowModelKind::Physical;
    OpenAllByBase(*rig, base);
    EXPECT_EQ(rig->Settings, DataSetSettings {});
    EXPECT_EQ(SettingsLoadProblem(*rig),
        "The settings file '" + path + "' could not be used (" + reason
            + "); the default settings are used.");
    rig->Settings.FlowModel = FlowModelKind::Physical;
    EXPECT_EQ(DamagedSettingsNote(*rig),
        "Rig1.settings.json was read as a damaged settings file (" + std::string(reason) + ").");
}

INSTANTIATE_TEST_SUITE_P(SettingsFile, DamagedSettingsTest,
    ::testing::Values(DamagedCase { "{\"flow_model\": ", "it is not valid JSON" },
        DamagedCase { "[1, 2]", "it is not a JSON object" },
        DamagedCase { R"({"flow_model": "Physical"})",
            "flow_model is neither \"as-specified\" nor \"physical\"" },
        DamagedCase {
            R"({"flow_unit": "\u2113/h"})", "flow_unit is not a text of Latin-1 characters" },
        DamagedCase { R"({"meter_accuracy": {"samples": 1}})",
            "meter_accuracy.samples is not a whole number from 2 to 100000" },
        DamagedCase { R"({"meter_accuracy": {"flow_percent": -1}})",
            "meter_accuracy.flow_percent is not a number of 0 or more" },
        DamagedCase { R"({"meter_accuracy": {"method": "exact"}})",
            "meter_accuracy.method is neither \"linear\" nor \"monte-carlo\"" },
        DamagedCase { nullptr, "not a regular file" }));

// The fifth file is written with the four: when it cannot be, none of them is replaced.
TEST_F(SettingsFileTest, SaveAllReplacesNothingWhenTheSettingsCannotBeWritten)
{
    ASSERT_EQ(SaveAll(*rig), std::nullopt);
    const auto mixer = testsupport::readBytes(base + ".MIX");
    fs::create_directory(base + ".settings.json");
    rig->Flowmeters[1].Reading = 42.0;
    rig->Settings.FlowModel = FlowModelKind::Physical;
    EXPECT_EQ(SaveAll(*rig),
        "Could not save the settings file '" + base + ".settings.json': it is not a regular file.");
    EXPECT_EQ(testsupport::readBytes(base + ".MIX"), mixer);
    EXPECT_TRUE(HasUnsavedSettings(*rig));
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 5u) << "no temporary file is left behind";
}

} // namespace
} // namespace meldrix
