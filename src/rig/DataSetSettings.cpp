#include "rig/DataSetSettings.h"

#include "common/Latin1.h"
#include "rig/SettingsJson.h"

#include <cmath>

namespace meldrix {

namespace {

using Json = nlohmann::ordered_json;

constexpr std::string_view LinearMethod = "linear";
constexpr std::string_view MonteCarloMethod = "monte-carlo";

// A settings value that cannot be taken: the sentence fragment that says why.
struct BadSetting {
    std::string what;
};

double percent(const Json& value, const std::string& key)
{
    if (!value.is_number() || !std::isfinite(value.get<double>()) || value.get<double>() < 0.0)
        throw BadSetting { key + " is not a number of 0 or more" };
    return value.get<double>();
}

// Whole numbers may be written as 2000 or 2000.0.
double wholeNumber(const Json& value, const std::string& key, long long low, long long high)
{
    const auto fail = [&] {
        return BadSetting { key + " is not a whole number from " + std::to_string(low) + " to "
            + std::to_string(high) };
    };
    if (!value.is_number())
        throw fail();
    const double number = value.get<double>();
    if (!(number >= static_cast<double>(low) && number <= static_cast<double>(high))
        || std::floor(number) != number)
        throw fail();
    return number;
}

// The text of `key`, when the object holds it, taken by `take` into `target`; a value that is not
// a text, or that `take` refuses (nullopt), is `refusal`.
template <typename T, typename Take>
void readText(const Json& json, std::string_view key, T& target, Take take, const char* refusal)
{
    const auto found = json.find(key);
    if (found == json.end())
        return;
    const auto taken = found->is_string() ? take(found->get<std::string>()) : std::nullopt;
    if (!taken)
        throw BadSetting { refusal };
    target = *taken;
}

std::optional<bool> monteCarloFromKey(std::string_view method)
{
    if (method == LinearMethod || method == MonteCarloMethod)
        return method == MonteCarloMethod;
    return std::nullopt;
}

void readMeterAccuracy(const Json& json, MeterAccuracySettings& accuracy)
{
    if (!json.is_object())
        throw BadSetting { "meter_accuracy is not an object" };
    readText(json, "method", accuracy.MonteCarlo, monteCarloFromKey,
        "meter_accuracy.method is neither \"linear\" nor \"monte-carlo\"");
    if (const auto value = json.find("full_scale_percent"); value != json.end())
        accuracy.FullScalePercent = percent(*value, "meter_accuracy.full_scale_percent");
    if (const auto value = json.find("flow_percent"); value != json.end())
        accuracy.FlowPercent = percent(*value, "meter_accuracy.flow_percent");
    if (const auto value = json.find("samples"); value != json.end())
        accuracy.Samples = static_cast<int>(
            wholeNumber(*value, "meter_accuracy.samples", MinAccuracySamples, MaxAccuracySamples));
    if (const auto value = json.find("seed"); value != json.end()) {
        // Seeds beyond 2^53 are written as integers, never as doubles that would round.
        if (value->is_number_unsigned())
            accuracy.Seed = value->get<std::uint64_t>();
        else
            accuracy.Seed = static_cast<std::uint64_t>(
                wholeNumber(*value, "meter_accuracy.seed", 0, 9007199254740992LL));
    }
}

} // namespace

std::string_view FlowModelKey(FlowModelKind model)
{
    return model == FlowModelKind::Physical ? "physical" : "as-specified";
}

std::string_view FlowModelTitle(FlowModelKind model)
{
    return model == FlowModelKind::Physical ? "physical" : "as specified";
}

std::optional<FlowModelKind> FlowModelFromKey(std::string_view key)
{
    for (const FlowModelKind model : { FlowModelKind::AsSpecified, FlowModelKind::Physical })
        if (key == FlowModelKey(model))
            return model;
    return std::nullopt;
}

FlowModelKind OtherFlowModel(FlowModelKind model)
{
    return model == FlowModelKind::Physical ? FlowModelKind::AsSpecified : FlowModelKind::Physical;
}

bool AreDefaultSettings(const DataSetSettings& settings)
{
    return settings == DataSetSettings {};
}

Json SettingsToJson(const DataSetSettings& settings)
{
    Json json = Json::object();
    if (!settings.Stored.empty()) {
        Json stored = Json::parse(settings.Stored, nullptr, false);
        if (stored.is_object())
            json = std::move(stored);
    }
    json["flow_model"] = FlowModelKey(settings.FlowModel);
    json["flow_unit"] = latin1ToUtf8(settings.FlowUnit);
    if (!json.contains("meter_accuracy") || !json["meter_accuracy"].is_object())
        json["meter_accuracy"] = Json::object();
    Json& accuracy = json["meter_accuracy"];
    const MeterAccuracySettings& values = settings.MeterAccuracy;
    accuracy["method"] = values.MonteCarlo ? MonteCarloMethod : LinearMethod;
    accuracy["full_scale_percent"] = values.FullScalePercent;
    accuracy["flow_percent"] = values.FlowPercent;
    accuracy["samples"] = values.Samples;
    accuracy["seed"] = values.Seed;
    return json;
}

std::optional<std::string> SettingsFromJson(const Json& json, DataSetSettings& settings)
{
    if (!json.is_object())
        return "it is not a JSON object";
    DataSetSettings read;
    try {
        readText(json, "flow_model", read.FlowModel, FlowModelFromKey,
            "flow_model is neither \"as-specified\" nor \"physical\"");
        readText(json, "flow_unit", read.FlowUnit, utf8ToLatin1,
            "flow_unit is not a text of Latin-1 characters");
        if (const auto accuracy = json.find("meter_accuracy"); accuracy != json.end())
            readMeterAccuracy(*accuracy, read.MeterAccuracy);
    } catch (const BadSetting& bad) {
        return bad.what;
    }
    read.Stored = json.dump();
    settings = std::move(read);
    return std::nullopt;
}

std::string SettingsFileText(const DataSetSettings& settings)
{
    return SettingsToJson(settings).dump(2) + '\n';
}

std::optional<std::string> SettingsFromFileText(std::string_view text, DataSetSettings& settings)
{
    const Json json = Json::parse(text, nullptr, false);
    if (json.is_discarded())
        return "it is not valid JSON";
    return SettingsFromJson(json, settings);
}

} // namespace meldrix
