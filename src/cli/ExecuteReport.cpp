#include "cli/ExecuteReport.h"

#include "common/Latin1.h"
#include "common/TextFormat.h"

#include <algorithm>
#include <cmath>

namespace meldrix {

namespace {

using OrderedJson = nlohmann::ordered_json;

OrderedJson number(double value)
{
    if (!std::isfinite(value))
        return nullptr;
    return value;
}

OrderedJson componentsToJson(const Composition& slots)
{
    OrderedJson components = OrderedJson::array();
    for (const GasComponent& slot : slots)
        components.push_back(
            { { "name", latin1ToUtf8(slot.Name.view()) }, { "fraction", number(slot.Fraction) } });
    return components;
}

// Columns are measured in characters, not bytes: a Latin-1 name may take two bytes in UTF-8.
std::size_t displayWidth(std::string_view utf8)
{
    return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(),
        [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string padLeft(const std::string& text, std::size_t width)
{
    const std::size_t shown = displayWidth(text);
    return shown >= width ? text : std::string(width - shown, ' ') + text;
}

std::string padRight(const std::string& text, std::size_t width)
{
    const std::size_t shown = displayWidth(text);
    return shown >= width ? text : text + std::string(width - shown, ' ');
}

} // namespace

std::string_view statusName(RunStatus status)
{
    switch (status) {
    case RunStatus::Ok:
        return "ok";
    case RunStatus::TooManyGases:
        return "too_many_gases";
    case RunStatus::NonConverging:
        return "non_converging";
    }
    return "unknown";
}

OrderedJson ExecuteToJson(const Rig& rig, const RunOutcome& outcome)
{
    OrderedJson gasList = OrderedJson::array();
    for (int i = 1; i <= std::min<int>(rig.GasListCount, MaxComponents); ++i)
        gasList.push_back(latin1ToUtf8(rig.GasList[i]));

    OrderedJson stages = OrderedJson::array();
    for (int f = 1; f <= MaxFlowmeters; ++f)
        stages.push_back({ { "stage", f }, { "flow", number(rig.Flowmeters[f].Flow) } });

    OrderedJson mixtures = OrderedJson::array();
    for (int m = 1; m <= MaxMixtures; ++m) {
        const GasRecord& mixture = rig.Gases[MaxInputGases + m];
        mixtures.push_back({ { "mixture", m }, { "defined", isSet(mixture.Defined) },
            { "flow", number(mixture.Flow) },
            { "components", componentsToJson(mixture.Components) } });
    }

    OrderedJson cells = OrderedJson::array();
    for (int c = 1; c <= MaxCells; ++c) {
        const CellRecord& cell = rig.Cells[c];
        cells.push_back({ { "cell", c }, { "name", latin1ToUtf8(cell.Name.view()) },
            { "mix", cell.Mix }, { "equil_done", isSet(cell.EquilDone) },
            { "gas", componentsToJson(rig.CellGases[c]) } });
    }

    // The element and compound selection is not computed yet: empty lists, one per cell.
    OrderedJson amounts = OrderedJson::array();
    for (int c = 1; c <= MaxCells; ++c)
        amounts.push_back(OrderedJson::array());
    const OrderedJson equilibrium = { { "elements", OrderedJson::array() },
        { "selected", OrderedJson::array() }, { "amounts", amounts } };

    return { { "status", statusName(outcome.status) },
        { "message",
            rig.Message1.Visible ? OrderedJson(latin1ToUtf8(rig.Message1.Text)) : OrderedJson() },
        { "passes", outcome.passes }, { "gas_list", gasList }, { "stages", stages },
        { "mixtures", mixtures }, { "cells", cells }, { "equilibrium", equilibrium } };
}

std::string CellGasTable(const Rig& rig)
{
    constexpr std::size_t ValueWidth = 12;
    constexpr int Decimals = 7;

    std::vector<std::string> titles;
    std::size_t columnWidth = ValueWidth;
    for (int c = 1; c <= MaxCells; ++c) {
        titles.push_back("OC " + formatInt(c) + "; " + latin1ToUtf8(rig.Cells[c].Name.view()));
        columnWidth = std::max(columnWidth, displayWidth(titles.back()));
    }
    std::size_t headingWidth = 3;
    for (int k = 1; k <= rig.GasListCount; ++k)
        headingWidth = std::max(headingWidth, displayWidth(latin1ToUtf8(rig.GasList[k])));

    std::string table = padRight("Gas", headingWidth);
    for (const std::string& title : titles)
        table += "  " + padLeft(title, columnWidth);
    table += '\n';
    for (int k = 1; k <= std::min<int>(rig.GasListCount, MaxComponents); ++k) {
        table += padRight(latin1ToUtf8(rig.GasList[k]), headingWidth);
        for (int c = 1; c <= MaxCells; ++c)
            table += "  "
                + padLeft(
                    formatFixed(rig.CellGases[c][k].Fraction, ValueWidth, Decimals), columnWidth);
        table += '\n';
    }
    return table;
}

} // namespace meldrix
