// What an operator may type into the record editors: the number, integer and I/M parsers, then
// the read-back of a whole page of rows into a record, which must stay within its ranges.
//
// Input: a record kind byte, a record number byte, then rows separated by line feeds, each a key
// and a value separated by a tab.

#include "Check.h"
#include "common/TextFormat.h"
#include "rig/StartUp.h"
#include "ui/CalibrationRows.h"
#include "ui/EditorRows.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <vector>

using namespace meldrix;
using fuzz::check;

namespace {

// Blanks, then at most one sign, then digits and nothing else.
bool isIntegerText(std::string_view text)
{
    std::size_t i = text.find_first_not_of(' ');
    if (i == std::string_view::npos)
        return false;
    if (text[i] == '+' || text[i] == '-')
        ++i;
    if (i == text.size())
        return false;
    for (; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9')
            return false;
    return true;
}

void checkParsers(std::string_view text)
{
    if (const auto number = parseNumber(text)) {
        check(std::isfinite(*number), "parseNumber gives a value that is not finite", text);
        check(parseNumber(formatScientific(*number, 26)).has_value(),
            "a number shown in scientific form does not read back", text);
    }
    if (const auto integer = parseInteger(text)) {
        check(isIntegerText(text), "parseInteger takes a text that is not an integer", text);
        check(parseInteger(formatInt(*integer)) == integer, "an integer does not read back", text);
    }
    if (const auto input = parseStageInput(text)) {
        check(*input >= 1 && *input <= MaxGases, "an input outside 1..32 is taken", text);
        check(
            parseStageInput(stageInputText(*input)) == input, "an input does not read back", text);
    }
    if (const auto output = parseStageOutput(text))
        check(*output >= 1 && *output <= MaxMixtures, "an output outside 1..16 is taken", text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    static const auto start = [] {
        auto rig = std::make_unique<Rig>();
        SetStartValues(*rig);
        return rig;
    }();
    static auto rig = std::make_unique<Rig>();
    *rig = *start;

    const int kind = data[0] % 5;
    const std::string_view text(reinterpret_cast<const char*>(data) + 2, size - 2);
    std::vector<EditorRow> rows;
    std::size_t at = 0;
    while (at <= text.size() && rows.size() < 64) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::string_view line = text.substr(at, end - at);
        const std::size_t tab = std::min(line.find('\t'), line.size());
        rows.push_back({ std::string(line.substr(0, tab)),
            std::string(line.substr(std::min(tab + 1, line.size()))) });
        checkParsers(rows.back().Key);
        checkParsers(rows.back().Value);
        at = end + 1;
    }

    switch (kind) {
    case 0: {
        const int cell = 1 + data[1] % MaxCells;
        (void)ReadCellRows(*rig, cell, rows);
        check(rig->Cells[cell].Mix <= MaxMixtures, "a cell takes a Mix outside 0..16", text);
        (void)CellsPage(*rig, cell);
        break;
    }
    case 1: {
        const int stage = 1 + data[1] % MaxFlowmeters;
        (void)ReadFlowmeterRows(*rig, stage, rows);
        const FlowmeterRecord& record = rig->Flowmeters[stage];
        check(record.Input >= 1 && record.Input <= MaxGases, "a stage takes an Input outside 1..32",
            text);
        check(record.Output >= 1 && record.Output <= MaxMixtures,
            "a stage takes an Output outside 1..16", text);
        (void)FlowmetersPage(*rig, stage);
        break;
    }
    case 2: {
        const int gas = 1 + data[1] % MaxInputGases;
        (void)ReadInputGasRows(*rig, gas, rows, rows.front().Key);
        for (const GasComponent& component : rig->InputGases[gas].Components)
            check(component.Fraction >= 0 && std::isfinite(component.Fraction),
                "a gas takes a fraction that is negative or not finite", text);
        (void)InputGasesPage(*rig, gas);
        break;
    }
    case 4: {
        // The curve list: row i's key and value go into columns 1 + i % 7 of one curve.
        const int curve = 1 + data[1] * 4 % MaxCalCurves;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const int column = 1 + static_cast<int>(i % 7);
            (void)readWholeNumber(rows[i].Key);
            (void)ReadCalGridText(*rig, curve, column, rows[i].Value);
            (void)CalGridText(*rig, curve, column);
        }
        const CalCurveRecord& record = rig->CalCurves[curve];
        check(std::isfinite(record.Temp) && std::isfinite(record.Press),
            "a curve takes a Temp or Press that is not finite", text);
        break;
    }
    default:
        (void)ReadReadingRows(*rig, rows);
        for (const FlowmeterRecord& stage : rig->Flowmeters)
            check(std::isfinite(stage.Reading), "a reading is not finite", text);
        (void)FlowmeterReadingsPage(*rig);
        break;
    }
    return 0;
}
