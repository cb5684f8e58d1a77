#include "cli/Commands.h"

#include "cli/ExecuteReport.h"
#include "cli/ExportCommands.h"
#include "cli/InputText.h"
#include "cli/RigJson.h"
#include "common/TextFormat.h"
#include "equil/EquilibriumDriver.h"
#include "equil/EquilibriumTables.h"
#include "mixer/Execute.h"
#include "rig/StartUp.h"

#include <filesystem>
#include <iostream>

namespace meldrix::cli {

namespace {

// nlohmann prefixes its messages with its own error id; the operator needs only the sentence.
std::string withoutLibraryPrefix(std::string message)
{
    if (message.starts_with("[json.exception.")) {
        const auto end = message.find("] ");
        if (end != std::string::npos)
            message.erase(0, end + 2);
    }
    return message;
}

} // namespace

std::unique_ptr<Rig> loadDataSet(const std::string& name, std::ostream& err,
    std::span<const ReadingArgument> readings, std::optional<FlowModelKind> model)
{
    // "Rig.INP" names the data set Rig, as in Open All.
    const std::string base = DataSetBaseName(name);
    auto rig = std::make_unique<Rig>();
    StartUpSteps steps;
    steps.initEquilibriumTables = InitEquilibriumTables;
    const auto results = StartUp(*rig, base, steps);
    int read = 0;
    for (const LoadResult& result : results) {
        read += result.read ? 1 : 0;
        if (!result.problem.empty())
            err << Prefix << "warning: " << result.problem << '\n';
    }
    if (read == 0) {
        err << Prefix << "none of the four files of the data set '" << base << "' could be read ("
            << base << ".INP, .MIX, .CAL, .CEL)\n";
        return nullptr;
    }
    if (const auto problem = SettingsLoadProblem(*rig))
        err << Prefix << "warning: " << *problem << '\n';
    for (const ReadingArgument& reading : readings)
        rig->Flowmeters[reading.stage].Reading = reading.value;
    if (model)
        rig->Settings.FlowModel = *model;
    return rig;
}

int runDump(const std::string& base, std::ostream& out, std::ostream& err,
    std::optional<FlowModelKind> model)
{
    const auto rig = loadDataSet(base, err, {}, model);
    if (!rig)
        return ExitUsage;
    out << prettyJson(RigToJson(*rig)) << '\n';
    return out ? ExitOk : ExitFailed;
}

int runBuild(const std::string& jsonPath, const std::string& base, std::ostream& out,
    std::ostream& err, std::optional<FlowModelKind> model)
{
    auto input = readInputText(jsonPath);
    if (const auto* error = std::get_if<InputError>(&input)) {
        err << Prefix << "cannot read "
            << (jsonPath == "-" ? "standard input" : "'" + jsonPath + "'") << ": " << error->reason
            << '\n';
        return ExitFailed;
    }
    const std::string& text = std::get<std::string>(input);

    auto rig = std::make_unique<Rig>();
    SetStartValues(*rig);
    try {
        RigFromJson(nlohmann::ordered_json::parse(text), *rig);
    } catch (const nlohmann::json::exception& error) {
        err << Prefix << jsonPath << ": " << withoutLibraryPrefix(error.what()) << '\n';
        return ExitFailed;
    } catch (const RigJsonError& error) {
        err << Prefix << jsonPath << ": " << error.what() << '\n';
        return ExitFailed;
    }

    if (model)
        rig->Settings.FlowModel = *model;

    SetFileNamesFromBase(*rig, DataSetBaseName(base));
    if (const auto error = SaveAll(*rig)) {
        err << Prefix << *error << '\n';
        return ExitFailed;
    }
    // Save All replaces a settings file that is there, so one that is there now was written.
    std::error_code error;
    const bool wroteSettings = std::filesystem::exists(rig->SettingsFileName, error);
    out << "Wrote " << rig->InpFileName << ", " << rig->MixFileName << ", " << rig->CalFileName
        << (wroteSettings ? ", " : " and ") << rig->CelFileName
        << (wroteSettings ? " and " + rig->SettingsFileName : std::string()) << '\n';
    return ExitOk;
}

std::optional<ReadingArgument> parseReadingArgument(std::string_view text)
{
    const auto equals = text.find('=');
    if (equals == std::string_view::npos)
        return std::nullopt;
    const auto stage = parseInteger(text.substr(0, equals));
    const auto value = parseNumber(text.substr(equals + 1));
    if (!stage || *stage < 1 || *stage > MaxFlowmeters || !value)
        return std::nullopt;
    return ReadingArgument { static_cast<int>(*stage), *value };
}

std::optional<std::vector<ReadingArgument>> parseReadingArguments(
    std::span<const std::string> texts, std::string_view command, std::ostream& err)
{
    std::vector<ReadingArgument> parsed;
    for (const std::string& text : texts) {
        const auto reading = parseReadingArgument(text);
        if (!reading) {
            err << Prefix << "--reading '" << text
                << "' is not N=VALUE with a stage N of 1..16 and a number VALUE"
                   " (see meldrix-cli "
                << command << " --help)\n";
            return std::nullopt;
        }
        parsed.push_back(*reading);
    }
    return parsed;
}

int runExecute(const std::string& base, std::span<const std::string> readings, ExecuteFormat format,
    std::ostream& out, std::ostream& err, bool logDisplay, std::optional<FlowModelKind> model)
{
    // Arguments are checked before anything is loaded, so a usage error is the only line.
    const auto parsed = parseReadingArguments(readings, "execute", err);
    if (!parsed)
        return ExitUsage;
    if (logDisplay && format == ExecuteFormat::Json) {
        err << Prefix << "--log needs --format table or csv (see meldrix-cli execute --help)\n";
        return ExitUsage;
    }

    const auto rig = loadDataSet(base, err, *parsed, model);
    if (!rig)
        return ExitUsage;

    // The message of the run is what the run itself shows; start from a hidden message line.
    rig->Message1 = MessageLine {};
    ExecuteHooks hooks;
    hooks.StartEquilibriumCalculations = [&rig] { StartEquilibriumCalculations(*rig); };
    hooks.CompareFlowModels = true;
    const RunOutcome outcome = Execute(*rig, hooks);
    PrintReadingWarnings(outcome.warnings, err);
    PrintModelDifferences(outcome.differences, err);

    if (format == ExecuteFormat::Json) {
        out << prettyJson(ExecuteToJson(*rig, outcome), NumberForm::SeventeenDigits) << '\n';
    } else if (outcome.status == RunStatus::Ok && format == ExecuteFormat::Csv) {
        out << CellGasCsv(*rig, logDisplay);
    } else if (outcome.status == RunStatus::Ok) {
        if (const auto table = CellGasTable(*rig, logDisplay))
            out << *table;
        else
            err << Prefix << "the run has no gas to show in the table\n";
    } else {
        err << Prefix << outcome.message << '\n';
    }
    if (!out)
        return ExitFailed;
    return outcome.status == RunStatus::Ok ? ExitOk : ExitFailed;
}

} // namespace meldrix::cli
