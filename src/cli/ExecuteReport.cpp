#include "cli/ExecuteReport.h"

#include "cli/JsonNumber.h"
#include "cli/TextColumns.h"
#include "common/EnumNames.h"
#include "common/Latin1.h"
#include "common/TextFormat.h"
#include "results/ResultsTable.h"

#include <algorithm>
#include <cmath>

namespace meldrix {

namespace {

using cli::displayWidth;
using cli::padLeft;
using cli::padRight;

// What the table shows for a cell without a mixture: its gas is all zeros by rule, not by mixing.
constexpr std::string_view NotFed = "not fed";

using OrderedJson = nlohmann::ordered_json;

OrderedJson componentsToJson(const Composition& slots)
{
    OrderedJson components = OrderedJson::array();
    for (const GasComponent& slot : slots)
        components.push_back({ { "name", latin1ToUtf8(slot.Name.view()) },
            { "fraction", JsonNumber(slot.Fraction) } });
    return components;
}

// The texts of a filled results table in aligned columns: headings first, then one line per row,
// each value the text its table cell shows, or "not fed" in the column of a cell no mixture feeds.
std::string tableText(const Rig& rig, const TCeltrixModel& table, std::string_view corner)
{
    const auto shown = [&](int c, int k) {
        const bool fed = c > MaxCells || isFedCell(rig.Cells[c]);
        return fed ? table.DataCellLook(c, k).Text : std::string(NotFed);
    };
    std::vector<std::string> titles;
    std::size_t columnWidth = 0;
    for (int c = 1; c <= table.NrOfColumns(); ++c) {
        titles.push_back(latin1ToUtf8(table.ColName(c)));
        columnWidth = std::max(columnWidth, displayWidth(titles.back()));
    }
    std::size_t headingWidth = corner.size();
    for (int k = 1; k <= table.NrOfRows(); ++k)
        headingWidth = std::max(headingWidth, displayWidth(latin1ToUtf8(table.RowName(k))));
    for (int k = 1; k <= table.NrOfRows(); ++k)
        for (int c = 1; c <= table.NrOfColumns(); ++c)
            columnWidth = std::max(columnWidth, shown(c, k).size());

    std::string text = padRight(std::string(corner), headingWidth);
    for (const std::string& title : titles)
        text += "  " + padLeft(title, columnWidth);
    text += '\n';
    for (int k = 1; k <= table.NrOfRows(); ++k) {
        text += padRight(latin1ToUtf8(table.RowName(k)), headingWidth);
        for (int c = 1; c <= table.NrOfColumns(); ++c)
            text += "  " + padLeft(shown(c, k), columnWidth);
        text += '\n';
    }
    return text;
}

// Element symbols and compound formulas of the last selection; per cell the amounts of the
// selected compounds, null for a cell the driver gave none in this run.
OrderedJson equilibriumToJson(const Rig& rig)
{
    OrderedJson elements = OrderedJson::array();
    for (int j = 1; j <= std::clamp<int>(rig.ElementList[0], 0, MaxEquations); ++j) {
        const int z = rig.ElementList[static_cast<std::size_t>(j)];
        elements.push_back(latin1ToUtf8(rig.Elements[z].Symbol.view()));
    }
    const int selectedCount = std::min<int>(rig.SelectedCount, MaxEquations);
    OrderedJson selected = OrderedJson::array();
    for (int i = 1; i <= selectedCount; ++i)
        selected.push_back(latin1ToUtf8(rig.Compounds[rig.SelectedCompounds[i]].Formula));

    OrderedJson amounts = OrderedJson::array();
    for (int c = 1; c <= MaxCells; ++c) {
        if (!isSet(rig.Cells[c].EquilDone)) {
            amounts.push_back(nullptr);
            continue;
        }
        OrderedJson cell = OrderedJson::array();
        for (int i = 1; i <= selectedCount; ++i)
            cell.push_back(JsonNumber(static_cast<double>(rig.EquilAmounts[c][i])));
        amounts.push_back(cell);
    }
    return { { "elements", elements }, { "selected", selected }, { "amounts", amounts } };
}

} // namespace

std::string_view statusName(RunStatus status)
{
    static constexpr auto Names = std::to_array<EnumName<RunStatus>>(
        { { RunStatus::Ok, "ok" }, { RunStatus::TooManyGases, "too_many_gases" },
            { RunStatus::NonConverging, "non_converging" } });
    return NameOf(status, Names, "unknown");
}

OrderedJson ExecuteToJson(const Rig& rig, const RunOutcome& outcome)
{
    OrderedJson gasList = OrderedJson::array();
    for (int i = 1; i <= std::min<int>(rig.GasListCount, MaxComponents); ++i)
        gasList.push_back(latin1ToUtf8(rig.GasList[i]));

    OrderedJson stages = OrderedJson::array();
    for (int f = 1; f <= MaxFlowmeters; ++f)
        stages.push_back({ { "stage", f }, { "flow", JsonNumber(rig.Flowmeters[f].Flow) } });

    OrderedJson mixtures = OrderedJson::array();
    for (int m = 1; m <= MaxMixtures; ++m) {
        const GasRecord& mixture = rig.Gases[MaxInputGases + m];
        mixtures.push_back({ { "mixture", m }, { "defined", isSet(mixture.Defined) },
            { "flow", JsonNumber(mixture.Flow) },
            { "components", componentsToJson(mixture.Components) } });
    }

    OrderedJson cells = OrderedJson::array();
    for (int c = 1; c <= MaxCells; ++c) {
        const CellRecord& cell = rig.Cells[c];
        cells.push_back({ { "cell", c }, { "name", latin1ToUtf8(cell.Name.view()) },
            { "mix", cell.Mix }, { "equil_done", isSet(cell.EquilDone) },
            { "gas", componentsToJson(rig.CellGases[c]) } });
    }

    const OrderedJson equilibrium = equilibriumToJson(rig);

    return { { "status", statusName(outcome.status) },
        { "message",
            rig.Message1.Visible ? OrderedJson(latin1ToUtf8(rig.Message1.Text)) : OrderedJson() },
        { "passes", outcome.passes }, { "gas_list", gasList }, { "stages", stages },
        { "mixtures", mixtures }, { "cells", cells }, { "equilibrium", equilibrium },
        { "flow_model", FlowModelKey(outcome.model) },
        { "warnings", ReadingWarningsToJson(outcome.warnings) },
        { "model_differences", ModelDifferencesToJson(outcome.differences) } };
}

OrderedJson WithFlowModel(const OrderedJson& json, FlowModelKind model)
{
    OrderedJson named = OrderedJson::object();
    for (const auto& [key, value] : json.items()) {
        if (key == "warnings")
            named["flow_model"] = FlowModelKey(model);
        named[key] = value;
    }
    if (!named.contains("flow_model"))
        named["flow_model"] = FlowModelKey(model);
    return named;
}

OrderedJson ModelDifferencesToJson(std::span<const ModelDifference> differences)
{
    OrderedJson list = OrderedJson::array();
    for (const ModelDifference& difference : differences)
        list.push_back(
            { { "stage", difference.Stage }, { "as_specified", JsonNumber(difference.AsSpecified) },
                { "physical", JsonNumber(difference.Physical) },
                { "text", latin1ToUtf8(difference.Text) } });
    return list;
}

void PrintModelDifferences(std::span<const ModelDifference> differences, std::ostream& err)
{
    for (const ModelDifference& difference : differences)
        err << ModelDifferencePrefix << latin1ToUtf8(difference.Text) << '\n';
}

OrderedJson ReadingWarningsToJson(std::span<const ReadingWarning> warnings)
{
    OrderedJson list = OrderedJson::array();
    for (const ReadingWarning& warning : warnings)
        list.push_back({ { "stage", warning.Stage }, { "gas", latin1ToUtf8(warning.Gas) },
            { "curve", warning.Curve }, { "reading", JsonNumber(warning.Reading) },
            { "limit", JsonNumber(warning.Limit) }, { "text", latin1ToUtf8(warning.Text) } });
    return list;
}

void PrintReadingWarnings(std::span<const ReadingWarning> warnings, std::ostream& err)
{
    for (const ReadingWarning& warning : warnings)
        err << "meldrix-cli: warning: " << latin1ToUtf8(warning.Text) << '\n';
}

std::optional<std::string> CellGasTable(const Rig& rig, bool logDisplay)
{
    TCeltrixModel table("CellTabEd", MaxCells, MaxComponents);
    if (!FillResultsTable(rig, { .Log = logDisplay, .Equil = false }, table))
        return std::nullopt;
    return tableText(rig, table, "Gas");
}

} // namespace meldrix
