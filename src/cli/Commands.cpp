#include "cli/Commands.h"

#include "cli/RigJson.h"
#include "rig/StartUp.h"

#include <fstream>
#include <iostream>
#include <sstream>

namespace meldrix::cli {

namespace {

constexpr const char* Prefix = "meldrix-cli: ";

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

std::unique_ptr<Rig> loadDataSet(const std::string& base, std::ostream& err)
{
    auto rig = std::make_unique<Rig>();
    const auto results = StartUp(*rig, base);
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
    return rig;
}

int runDump(const std::string& base, std::ostream& out, std::ostream& err)
{
    const auto rig = loadDataSet(base, err);
    if (!rig)
        return ExitUsage;
    out << prettyJson(RigToJson(*rig)) << '\n';
    return out ? ExitOk : ExitFailed;
}

int runBuild(
    const std::string& jsonPath, const std::string& base, std::ostream& out, std::ostream& err)
{
    std::ifstream in(jsonPath);
    if (!in) {
        err << Prefix << "cannot read '" << jsonPath << "'\n";
        return ExitFailed;
    }
    std::stringstream text;
    text << in.rdbuf();

    auto rig = std::make_unique<Rig>();
    SetStartValues(*rig);
    try {
        RigFromJson(nlohmann::json::parse(text.str()), *rig);
    } catch (const nlohmann::json::parse_error& error) {
        err << Prefix << jsonPath << ": " << withoutLibraryPrefix(error.what()) << '\n';
        return ExitFailed;
    } catch (const RigJsonError& error) {
        err << Prefix << jsonPath << ": " << error.what() << '\n';
        return ExitFailed;
    }

    SetFileNamesFromBase(*rig, base);
    if (const auto error = SaveAll(*rig)) {
        err << Prefix << *error << '\n';
        return ExitFailed;
    }
    out << "Wrote " << rig->InpFileName << ", " << rig->MixFileName << ", " << rig->CalFileName
        << " and " << rig->CelFileName << '\n';
    return ExitOk;
}

} // namespace meldrix::cli
