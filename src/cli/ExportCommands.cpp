#include "cli/ExportCommands.h"

#include "chart/ChartExport.h"
#include "cli/Commands.h"
#include "cli/ReportCommand.h"
#include "common/Latin1.h"
#include "diagram/DiagramExport.h"
#include "equil/EquilibriumDriver.h"
#include "mixer/Execute.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <vector>

namespace meldrix::cli {

std::string CellGasCsv(const Rig& rig)
{
    std::string csv = "Gas";
    for (int c = 1; c <= MaxCells; ++c)
        csv += ','
            + csvField("OC " + std::to_string(c) + "; " + latin1ToUtf8(rig.Cells[c].Name.view()));
    csv += "\r\n";
    for (int k = 1; k <= std::min<int>(rig.GasListCount, MaxComponents); ++k) {
        csv += csvField(latin1ToUtf8(rig.GasList[k]));
        // A cell no mixture feeds holds zeros by rule; an empty field keeps them from reading
        // as a measured gas.
        for (int c = 1; c <= MaxCells; ++c)
            csv += ','
                + (isFedCell(rig.Cells[c]) ? seventeenDigits(rig.CellGases[c][k].Fraction) : "");
        csv += "\r\n";
    }
    return csv;
}

bool writeOutput(
    const std::string& path, std::string_view content, std::ostream& out, std::ostream& err)
{
    if (path == "-") {
        out << content;
        out.flush();
        return static_cast<bool>(out);
    }
    const std::filesystem::path target(path);
    std::error_code error;
    if (std::filesystem::exists(target, error)
        && !std::filesystem::is_regular_file(target, error)) {
        err << Prefix << "cannot write '" << path << "': not a regular file\n";
        return false;
    }
    const std::filesystem::path temporary = target.string() + ".part";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        if (!file) {
            err << Prefix << "cannot write '" << path << "': " << std::strerror(errno) << '\n';
            return false;
        }
        file.write(content.data(), static_cast<std::streamsize>(content.size()));
        file.flush();
        if (!file) {
            err << Prefix << "cannot write '" << path << "'\n";
            std::filesystem::remove(temporary, error);
            return false;
        }
    }
    std::filesystem::rename(temporary, target, error);
    if (error) {
        err << Prefix << "cannot write '" << path << "': " << error.message() << '\n';
        std::filesystem::remove(temporary, error);
        return false;
    }
    return true;
}

int runDiagram(const DiagramRequest& request, std::ostream& out, std::ostream& err)
{
    const auto readings = parseReadingArguments(request.readings, "diagram", err);
    if (!readings)
        return ExitUsage;

    const auto rig = loadDataSet(request.base, err, *readings, request.model);
    if (!rig)
        return ExitUsage;
    if (request.execute) {
        // The same run as execute's, equilibrium included, though the picture does not show it.
        ExecuteHooks hooks;
        hooks.StartEquilibriumCalculations = [&rig] { StartEquilibriumCalculations(*rig); };
        const RunOutcome outcome = Execute(*rig, hooks);
        // The window keeps the picture of the run before; a report must not pass that off as
        // this run's.
        if (outcome.status != RunStatus::Ok) {
            err << Prefix << outcome.message << " (no diagram written)\n";
            return ExitFailed;
        }
    }
    // The picture stands on its own, as the window's export does: cropped, under a title line.
    const std::string svg = DiagramPictureSvg(*rig, DiagramTitle(rig->BaseName, ReportDateTime()));
    return writeOutput(request.outPath, svg, out, err) ? ExitOk : ExitFailed;
}

int runChart(const std::string& base, int curve, const std::string& outPath, std::ostream& out,
    std::ostream& err, std::optional<FlowModelKind> model)
{
    const auto rig = loadDataSet(base, err, {}, model);
    if (!rig)
        return ExitUsage;
    return writeOutput(outPath, CalibrationChartSvg(*rig, curve), out, err) ? ExitOk : ExitFailed;
}

} // namespace meldrix::cli
