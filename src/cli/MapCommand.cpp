#include "cli/MapCommand.h"

#include "cli/ExecuteReport.h"
#include "cli/Options.h"
#include "cli/TextColumns.h"
#include "common/EnumNames.h"
#include "common/Latin1.h"
#include "plots/MapPicture.h"

#include <ostream>

namespace meldrix::cli {

namespace {

std::string_view stateName(MapPointState state)
{
    // A point still pending when the map ends was never computed.
    static constexpr auto Names = std::to_array<EnumName<MapPointState>>(
        { { MapPointState::Value, "ok" }, { MapPointState::NoOxygen, "no oxygen" },
            { MapPointState::Unresolved, "unresolved" }, { MapPointState::Failed, "failed" } });
    return NameOf(state, Names, "not computed");
}

} // namespace

CLI::App* addMapCommand(CLI::App& app, MapOptions& options)
{
    CLI::App* command = app.add_subcommand(
        "map", "Map one quantity of a cell over the readings of two stages, as SVG, PNG or CSV");
    addBaseArgument(*command, options.Base);
    command->add_option("--cell", options.Cell, "The cell to map (1..8)")
        ->type_name("N")
        ->check(CLI::Range(1, MaxCells))
        ->required();
    command->add_option("--x", options.X, "The stage whose reading runs along the x axis (1..16)")
        ->type_name("S")
        ->check(CLI::Range(1, MaxFlowmeters))
        ->required();
    command->add_option("--y", options.Y, "The stage whose reading runs up the y axis (1..16)")
        ->type_name("S")
        ->check(CLI::Range(1, MaxFlowmeters))
        ->required();
    command
        ->add_option("--quantity", options.Quantity,
            "log10-pO2 (default): at the cell's temperature; fraction:GAS: a gas of the cell as "
            "mixed; flow: of the mixture that feeds the cell")
        ->type_name("Q");
    command
        ->add_option("--grid", options.Grid,
            "Points along each axis (" + std::to_string(MinMapGrid) + ".."
                + std::to_string(MaxMapGrid) + ", default " + std::to_string(DefaultMapGrid) + ")")
        ->type_name("N")
        ->check(CLI::Range(MinMapGrid, MaxMapGrid));
    addReadingOption(*command, options.Readings);
    addFlowModelOption(*command, options.FlowModel);
    addOutOption(*command, options.Out, "FILE.svg|FILE.png|FILE.csv",
        "What to write: the picture as .svg or .png, the values as .csv; - for SVG on standard "
        "output");
    return command;
}

std::string OperatingMapCsv(const OperatingMap& map)
{
    std::string csv = csvField(StageName(map.X.Stage) + " reading") + ','
        + csvField(StageName(map.Y.Stage) + " reading") + ','
        + csvField(latin1ToUtf8(MapQuantityTitle(map.Quantity))
            + (map.FlowModel == FlowModelKind::AsSpecified
                    ? std::string()
                    : " (flow model: " + std::string(FlowModelTitle(map.FlowModel)) + ")"))
        + ",state";
    csv += CsvLineEnd;
    for (int j = 0; j < map.Grid; ++j) {
        const std::string y = seventeenDigits(map.Y.at(j, map.Grid));
        for (int i = 0; i < map.Grid; ++i) {
            const MapPointState state = map.state(i, j);
            csv += seventeenDigits(map.X.at(i, map.Grid)) + ',' + y + ','
                + (state == MapPointState::Value ? seventeenDigits(map.value(i, j)) : "") + ','
                + std::string(stateName(state));
            csv += CsvLineEnd;
        }
    }
    return csv;
}

int runMap(const MapOptions& options, const PngEncoder& png, std::ostream& out, std::ostream& err)
{
    const auto readings = parseReadingArguments(options.Readings, "map", err);
    if (!readings)
        return ExitUsage;
    const auto quantity = ParseMapQuantity(options.Quantity);
    if (!quantity) {
        err << Prefix << "--quantity '" << options.Quantity
            << "' must be log10-pO2, fraction:GAS or flow (see meldrix-cli map --help)\n";
        return ExitUsage;
    }
    const std::string extension = lowerExtension(options.Out);
    const bool csv = extension == "csv";
    if (options.Out != "-" && !csv && extension != "svg" && extension != "png") {
        err << Prefix << "--out '" << options.Out
            << "' must end in .svg, .png or .csv (see meldrix-cli map --help)\n";
        return ExitUsage;
    }
    const PictureOut picture { options.Out, png };
    std::optional<PictureFormat> format;
    if (!csv) {
        format = pictureFormat(picture, "map", err);
        if (!format)
            return ExitUsage;
    }
    const auto rig = loadDataSet(options.Base, err, *readings, options.FlowModel);
    if (!rig)
        return ExitUsage;

    MapRequest request;
    request.Cell = options.Cell;
    request.StageX = options.X;
    request.StageY = options.Y;
    request.Quantity = *quantity;
    request.Grid = options.Grid;
    OperatingMap map = ComputeOperatingMap(*rig, request);
    PrintReadingWarnings(map.Warnings, err); // as execute says them
    if (!map.Ok) {
        err << Prefix << latin1ToUtf8(map.Message) << " (no map written)\n";
        return ExitFailed;
    }
    for (const std::string& note : map.Notes)
        err << Prefix << "note: " << latin1ToUtf8(note) << '\n';
    if (csv)
        return writeOutput(options.Out, OperatingMapCsv(map), out, err) ? ExitOk : ExitFailed;
    MapPicture drawn(std::move(map));
    return writePicture(picture, *format, drawn, 1, out, err) ? ExitOk : ExitFailed;
}

} // namespace meldrix::cli
