#include "ui/EditorRows.h"

#include "common/TextFormat.h"

#include <cstddef>

namespace meldrix {

namespace {

std::string_view valueOf(std::span<const EditorRow> rows, int row)
{
    return row >= 1 && static_cast<std::size_t>(row) <= rows.size()
        ? std::string_view(rows[static_cast<std::size_t>(row) - 1].Value)
        : std::string_view {};
}

std::string_view keyOf(std::span<const EditorRow> rows, int row)
{
    return row >= 1 && static_cast<std::size_t>(row) <= rows.size()
        ? std::string_view(rows[static_cast<std::size_t>(row) - 1].Key)
        : std::string_view {};
}

std::string yesNo(std::uint8_t flag)
{
    return isSet(flag) ? "Y" : "N";
}

// An unchanged text leaves the field alone: storing it would only round the field.
void storeNumber(double& field, std::string_view text, std::string_view shown)
{
    if (text == shown)
        return;
    if (const auto value = parseNumber(text))
        field = *value;
}

void storeFlag(std::uint8_t& field, std::string_view text)
{
    // Only an edited text is stored, so a stored byte other than 0 and 1 survives an OK.
    if (text != yesNo(field))
        field = text == "Y" ? 1 : 0;
}

std::string fixed61(double value)
{
    return formatFixed(value, 6, 1);
}

std::string fraction108(double fraction)
{
    return fraction > 0 ? formatFixed(fraction, 10, 8) : std::string {};
}

std::string leakage(double value)
{
    return formatScientific(value, 12);
}

std::string readingKey(int stage)
{
    return "F" + formatInt(stage, 2);
}

} // namespace

int wrapRecordIndex(int value, int max)
{
    if (value > max)
        return 1;
    if (value < 1)
        return max;
    return value;
}

std::string stageInputText(std::uint16_t input)
{
    if (input >= 1 && input <= MaxInputGases)
        return "I" + formatInt(input, 2);
    return "M" + formatInt(static_cast<int>(input) - MaxInputGases, 2);
}

std::optional<std::uint16_t> parseStageInput(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    const auto number = parseInteger(text.substr(1, 2));
    if (!number || *number < 1 || *number > MaxInputGases)
        return std::nullopt;
    switch (text.front()) {
    case 'I':
        return static_cast<std::uint16_t>(*number);
    case 'M':
        return static_cast<std::uint16_t>(*number + MaxInputGases);
    default:
        return std::nullopt;
    }
}

std::optional<std::uint16_t> parseStageOutput(std::string_view text)
{
    const auto number = parseInteger(text.substr(0, 2));
    if (!number || *number < 1 || *number > MaxMixtures)
        return std::nullopt;
    return static_cast<std::uint16_t>(*number);
}

EditorPage CellsPage(const Rig& rig, int cell)
{
    const CellRecord& record = rig.Cells[cell];
    return { "Cell", formatInt(cell), false,
        {
            { "Name", record.Name.str() },
            { "Temp.,C", fixed61(record.Temp) },
            { "Pressure", formatFixed(record.Pressure, 10, 4) },
            { "Mix", formatInt(record.Mix) },
            { "", "" },
            { "Leakage of O2", leakage(record.LeakO2) },
            { "Leakage of N2", leakage(record.LeakN2) },
            { "Leakage of H2", leakage(record.LeakH2) },
            { "Leakage of H2O", leakage(record.LeakH2O) },
        } };
}

EditorPage FlowmetersPage(const Rig& rig, int stage)
{
    const FlowmeterRecord& record = rig.Flowmeters[stage];
    return { "Flowmeter", formatInt(stage) + " " + record.Make.str(), false,
        {
            { "Make", record.Make.str() },
            { "Size", record.Size.str() },
            { "Float", record.Float.str() },
            { "Input", stageInputText(record.Input) },
            { "Output", formatInt(record.Output) },
            { "FixGas", record.FixGas.str() },
            { "FixGasType", record.FixGasType.str() },
            { "FixGasT", fixed61(record.FixGasT) },
            { "****", "****" },
            { "FixGasUsed", yesNo(record.FixGasUsed) },
            { "FixGasBefore", yesNo(record.FixGasBefore) },
        } };
}

EditorPage InputGasesPage(const Rig& rig, int gas)
{
    const GasRecord& record = rig.InputGases[gas];
    EditorPage page { "Input Mix", formatInt(gas) + " " + record.Name.str(), true, {} };
    for (const GasComponent& component : record.Components)
        page.Rows.push_back({ component.Name.str(), fraction108(component.Fraction) });
    return page;
}

EditorPage FlowmeterReadingsPage(const Rig& rig)
{
    EditorPage page { "Flowmeter", "Readings", false, {} };
    for (int stage = 1; stage <= MaxFlowmeters; ++stage)
        page.Rows.push_back({ readingKey(stage), fixed61(rig.Flowmeters[stage].Reading) });
    return page;
}

std::optional<std::string> ReadCellRows(Rig& rig, int cell, std::span<const EditorRow> rows)
{
    CellRecord& record = rig.Cells[cell];
    std::optional<std::string> refusal;
    record.Name = valueOf(rows, 1);
    storeNumber(record.Temp, valueOf(rows, 2), fixed61(record.Temp));
    storeNumber(record.Pressure, valueOf(rows, 3), formatFixed(record.Pressure, 10, 4));
    if (const auto mix = parseInteger(valueOf(rows, 4))) {
        // Mix picks the mixture that feeds the cell; 0 leaves the cell unfed.
        if (*mix >= 0 && *mix <= MaxMixtures)
            record.Mix = static_cast<std::uint16_t>(*mix);
        else
            refusal = "Mix " + formatInt(*mix) + " of cell " + formatInt(cell)
                + " is refused: it must be a mixture 1..16, or 0 for a cell that is not fed.";
    }
    storeNumber(record.LeakO2, valueOf(rows, 6), leakage(record.LeakO2));
    storeNumber(record.LeakN2, valueOf(rows, 7), leakage(record.LeakN2));
    storeNumber(record.LeakH2, valueOf(rows, 8), leakage(record.LeakH2));
    storeNumber(record.LeakH2O, valueOf(rows, 9), leakage(record.LeakH2O));
    return refusal;
}

void ReadFlowmeterRows(Rig& rig, int stage, std::span<const EditorRow> rows)
{
    FlowmeterRecord& record = rig.Flowmeters[stage];
    record.Make = valueOf(rows, 1);
    record.Size = valueOf(rows, 2);
    record.Float = valueOf(rows, 3);
    if (const auto input = parseStageInput(valueOf(rows, 4)))
        record.Input = *input;
    if (const auto output = parseStageOutput(valueOf(rows, 5)))
        record.Output = *output;
    record.FixGas = valueOf(rows, 6);
    record.FixGasType = valueOf(rows, 7);
    storeNumber(record.FixGasT, valueOf(rows, 8), fixed61(record.FixGasT));
    storeFlag(record.FixGasUsed, valueOf(rows, 10));
    storeFlag(record.FixGasBefore, valueOf(rows, 11));
}

void ReadInputGasRows(Rig& rig, int gas, std::span<const EditorRow> rows, std::string_view name)
{
    GasRecord& record = rig.InputGases[gas];
    for (int k = 1; k <= MaxComponents; ++k) {
        GasComponent& component = record.Components[k];
        component.Name = keyOf(rows, k);
        const std::string_view text = valueOf(rows, k);
        if (text == fraction108(component.Fraction))
            continue;
        if (const auto fraction = parseNumber(text); fraction && *fraction >= 0)
            component.Fraction = *fraction;
    }
    record.Name = name;
    UpdateGasDefined(rig, gas);
}

void ReadReadingRows(Rig& rig, std::span<const EditorRow> rows)
{
    for (int stage = 1; stage <= MaxFlowmeters; ++stage) {
        double& reading = rig.Flowmeters[stage].Reading;
        storeNumber(reading, valueOf(rows, stage), fixed61(reading));
    }
}

} // namespace meldrix
