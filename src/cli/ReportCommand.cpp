#include "cli/ReportCommand.h"

#include "cli/Commands.h"
#include "cli/ExecuteReport.h"
#include "cli/ExportCommands.h"
#include "common/Latin1.h"
#include "common/TextFormat.h"
#include "report/ReportHtml.h"

#include <ostream>
#include <sstream>

namespace meldrix::cli {

int runReport(const ReportRequest& request, std::ostream& out, std::ostream& err)
{
    const auto readings = parseReadingArguments(request.readings, "report", err);
    if (!readings)
        return ExitUsage;
    const std::string extension = lowerExtension(request.outPath);
    const bool pdf = extension == "pdf";
    if (!pdf && extension != "html" && extension != "htm") {
        err << Prefix << "--out '" << request.outPath
            << "' must end in .html or .pdf (see meldrix-cli report --help)\n";
        return ExitUsage;
    }
    if (pdf && !request.writePdf) {
        err << Prefix << "this meldrix-cli was built without Qt and writes no PDF; use .html\n";
        return ExitUsage;
    }
    std::optional<std::pair<int, int>> mapStages;
    if (!request.map.empty()) {
        const auto comma = request.map.find(',');
        const auto x = parseInteger(std::string_view(request.map).substr(0, comma));
        const auto y = comma == std::string::npos
            ? std::nullopt
            : parseInteger(std::string_view(request.map).substr(comma + 1));
        if (!x || !y || *x < 1 || *x > MaxFlowmeters || *y < 1 || *y > MaxFlowmeters) {
            err << Prefix << "--map '" << request.map
                << "' is not X,Y with two stages 1..16 (see meldrix-cli report --help)\n";
            return ExitUsage;
        }
        mapStages = std::pair { static_cast<int>(*x), static_cast<int>(*y) };
    }
    if (request.accuracy && !AccuracyOptions(*request.accuracy, "report", err))
        return ExitUsage;

    std::ostringstream warnings;
    const auto rig = loadDataSet(request.base, warnings, *readings, request.model);
    err << warnings.str();
    if (!rig)
        return ExitUsage;
    std::optional<UncertaintyOptions> accuracy;
    if (request.accuracy) {
        accuracy = AccuracyOptions(*request.accuracy, "report", err, rig->Settings.MeterAccuracy);
        if (!accuracy)
            return ExitUsage;
        accuracy->Equilibrium = true; // the report shows each cell's pO2
    }

    ReportInputs inputs;
    inputs.Generated = ReportDateTime();
    inputs.Version = "0.301";
    // The load warnings go into the report as well, without the tool's prefix.
    std::istringstream lines(warnings.str());
    for (std::string line; std::getline(lines, line);)
        inputs.Warnings.push_back(
            systemTextToUtf8(line.starts_with(std::string(Prefix) + "warning: ")
                    ? line.substr(std::string(Prefix).size() + 9)
                    : line));
    if (accuracy)
        AddUncertainties(inputs, PropagateUncertainty(*rig, *accuracy));
    inputs.MapStages = mapStages;
    const RunReport report = BuildRunReport(*rig, std::move(inputs));
    PrintReadingWarnings(report.RunWarnings, err); // as execute says them
    if (!report.RunOk)
        err << Prefix << report.RunError << " (the report says so)\n";

    if (pdf) {
        if (const auto error = request.writePdf(report, request.outPath)) {
            err << Prefix << "cannot write '" << request.outPath << "': " << *error << '\n';
            return ExitFailed;
        }
    } else if (!writeOutput(request.outPath, ReportHtml(report), out, err)) {
        return ExitFailed;
    }
    return report.RunOk ? ExitOk : ExitFailed;
}

} // namespace meldrix::cli
