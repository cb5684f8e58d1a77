#include "cli/ExportCommands.h"

#include "cli/Commands.h"
#include "cli/ReportCommand.h"
#include "common/Latin1.h"
#include "common/SvgCanvas.h"
#include "diagram/DiagramExport.h"
#include "equil/EquilibriumDriver.h"
#include "equil/NumericHelpers.h"
#include "mixer/Execute.h"
#include "plots/ChartExport.h"

#include <array>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <vector>

namespace meldrix::cli {

std::string CellGasCsv(const Rig& rig, bool logDisplay)
{
    std::string csv = logDisplay ? "Gas (log10 of fraction)" : "Gas";
    for (int c = 1; c <= MaxCells; ++c)
        csv += ','
            + csvField("OC " + std::to_string(c) + "; " + latin1ToUtf8(rig.Cells[c].Name.view()));
    csv += CsvLineEnd;
    // The logarithms are the window's, clamped as it clamps them.
    const auto shown = [logDisplay](double fraction) {
        if (!logDisplay)
            return seventeenDigits(fraction);
        return fraction > 0 ? seventeenDigits(static_cast<double>(Log10Clamped(fraction)))
                            : std::string();
    };
    for (int k = 1; k <= std::min<int>(rig.GasListCount, MaxComponents); ++k) {
        csv += csvField(latin1ToUtf8(rig.GasList[k]));
        // A cell no mixture feeds holds zeros by rule; an empty field keeps them from reading
        // as a measured gas.
        for (int c = 1; c <= MaxCells; ++c)
            csv += ',' + (isFedCell(rig.Cells[c]) ? shown(rig.CellGases[c][k].Fraction) : "");
        csv += CsvLineEnd;
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

std::optional<PictureFormat> pictureFormat(
    const PictureOut& picture, std::string_view command, std::ostream& err)
{
    const std::string extension = lowerExtension(picture.path);
    if (picture.path == "-" || extension == "svg")
        return PictureFormat::Svg;
    if (extension != "png") {
        err << Prefix << "--out '" << picture.path << "' must end in .svg or .png (see meldrix-cli "
            << command << " --help)\n";
        return std::nullopt;
    }
    if (!picture.png) {
        err << Prefix << "this meldrix-cli was built without Qt and writes no PNG; use .svg\n";
        return std::nullopt;
    }
    return PictureFormat::Png;
}

std::string lowerExtension(const std::string& path)
{
    const auto dot = path.find_last_of('.');
    const auto slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string extension = path.substr(dot + 1);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

int runDiagram(const DiagramRequest& request, std::ostream& out, std::ostream& err)
{
    const auto readings = parseReadingArguments(request.readings, "diagram", err);
    if (!readings)
        return ExitUsage;
    const auto format = pictureFormat(request.out, "diagram", err);
    if (!format)
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
    DiagramPicture picture(*rig, DiagramTitle(rig->BaseName, ReportDateTime()));
    return writePicture(request.out, *format, picture, 1, out, err) ? ExitOk : ExitFailed;
}

int runChart(const std::string& base, int curve, const PictureOut& picture, std::ostream& out,
    std::ostream& err, std::optional<FlowModelKind> model)
{
    const auto format = pictureFormat(picture, "chart", err);
    if (!format)
        return ExitUsage;
    const auto rig = loadDataSet(base, err, {}, model);
    if (!rig)
        return ExitUsage;
    CalChartPicture chart(*rig, curve);
    return writePicture(picture, *format, chart, CalChartExportScale, out, err) ? ExitOk
                                                                                : ExitFailed;
}

} // namespace meldrix::cli
