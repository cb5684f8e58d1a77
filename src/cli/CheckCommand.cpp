#include "cli/CheckCommand.h"

#include "cli/Commands.h"
#include "cli/TextColumns.h"
#include "common/Latin1.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <ostream>

namespace meldrix::cli {

CLI::App* addCheckCommand(CLI::App& app, CheckOptions& options)
{
    CLI::App* command = app.add_subcommand("check",
        "Look through the data set BASE for what looks wrong: curves, bottles, stages, cells, and "
        "where the two flow models differ");
    addRunArguments(*command, options.Base, options.Readings, options.FlowModel);
    command
        ->add_option("--format", options.Format,
            "json (default): one JSON object; table: one line per finding")
        ->transform(CLI::CheckedTransformer(std::map<std::string, CheckFormat> {
            { "json", CheckFormat::Json }, { "table", CheckFormat::Table } }));
    return command;
}

std::string FindingsJson(std::span<const Finding> findings)
{
    using OrderedJson = nlohmann::ordered_json;
    OrderedJson list = OrderedJson::array();
    for (const Finding& finding : findings) {
        const bool whole = finding.Record.empty();
        list.push_back({ { "severity", SeverityKey(finding.Severity) }, { "kind", finding.Kind },
            { "record", whole ? OrderedJson() : OrderedJson(finding.Record) },
            { "index", whole ? OrderedJson() : OrderedJson(finding.Index) },
            { "field", finding.Field.empty() ? OrderedJson() : OrderedJson(finding.Field) },
            { "text", latin1ToUtf8(finding.Text) } });
    }
    return OrderedJson { { "findings", list } }.dump(2) + "\n";
}

std::string FindingsTable(std::span<const Finding> findings)
{
    if (findings.empty())
        return "Nothing found.\n";
    std::size_t placeWidth = 5;
    for (const Finding& finding : findings)
        placeWidth = std::max(placeWidth, displayWidth(FindingPlace(finding)));
    std::string table = padRight("Severity", 9) + padRight("Where", placeWidth + 2) + "Finding\n";
    for (const Finding& finding : findings)
        table += padRight(std::string(SeverityKey(finding.Severity)), 9)
            + padRight(FindingPlace(finding), placeWidth + 2) + latin1ToUtf8(finding.Text) + ".\n";
    return table + "\n" + FindingsCount(findings) + ".\n";
}

int runCheck(const CheckOptions& options, std::ostream& out, std::ostream& err)
{
    const auto readings = parseReadingArguments(options.Readings, "check", err);
    if (!readings)
        return ExitUsage;
    const auto rig = loadDataSet(options.Base, err, *readings, options.FlowModel);
    if (!rig)
        return ExitUsage;
    const Findings findings = CheckDataSet(*rig);
    out << (options.Format == CheckFormat::Table ? FindingsTable(findings)
                                                 : FindingsJson(findings));
    return findings.empty() ? ExitOk : ExitFailed;
}

} // namespace meldrix::cli
