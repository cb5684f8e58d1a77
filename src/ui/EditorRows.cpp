#include "ui/EditorRows.h"

#include "common/TextFormat.h"

#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdlib>

namespace meldrix {

namespace {

std::string yesNo(std::uint8_t flag)
{
    return isSet(flag) ? "Y" : "N";
}

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

std::string quoted(std::string_view text)
{
    return "\"" + std::string(text) + "\"";
}

// Why a text is not a number: a number beyond the range of a double is "too large", the rest is
// not a number at all.
std::string notANumber(std::string_view text)
{
    const std::string_view trimmed = trimBlanks(text);
    if (trimmed.empty())
        return "no value";
    const std::string copy(trimmed);
    char* end = nullptr;
    const double value = std::strtod(copy.c_str(), &end);
    const bool hasDigit = copy.find_first_of("0123456789") != std::string::npos;
    if (hasDigit && end == copy.c_str() + copy.size() && std::isinf(value))
        return quoted(text) + " is too large";
    return quoted(text) + " is not a number";
}

std::string tooLong(std::string_view text, std::size_t limit)
{
    return quoted(text) + " is longer than " + formatInt(static_cast<long long>(limit))
        + " characters";
}

std::optional<bool> parseYesNo(std::string_view text)
{
    const std::string word = upperCaseAscii(trimBlanks(text));
    if (word == "Y" || word == "YES")
        return true;
    if (word == "N" || word == "NO")
        return false;
    return std::nullopt;
}

// Collects what OK does not take, row by row.
class Refusals {
public:
    explicit Refusals(std::span<const EditorRow> rows)
        : m_rows(rows)
    {
    }

    void refuse(int row, std::string_view shown, const std::string& why)
    {
        std::string key(trimBlanks(keyOf(m_rows, row)));
        if (key.empty())
            key = "Row " + formatInt(row);
        m_refusals.push_back({ row, key + ": " + why, std::string(trimBlanks(shown)) });
    }

    void refuseWhole(int row, std::string_view shown, std::string clause)
    {
        m_refusals.push_back({ row, std::move(clause), std::string(trimBlanks(shown)) });
    }

    // An unchanged text leaves the field alone: storing it would only round the field. `parse`
    // reads an edited text; `why` says why one it cannot read is refused.
    template <typename T, typename Parse, typename Why>
    void parsed(int row, T& field, std::string_view shown, Parse parse, Why why)
    {
        const std::string_view text = valueOf(m_rows, row);
        if (text == shown)
            return;
        if (const auto value = parse(text))
            field = *value;
        else
            refuse(row, shown, why(text));
    }

    void number(int row, double& field, std::string_view shown)
    {
        parsed(row, field, shown, parseNumber, notANumber);
    }

    // A text longer than its field is refused rather than cut.
    template <std::size_t N>
    void shortText(int row, ShortString<N>& field)
    {
        const std::string_view typed = valueOf(m_rows, row);
        const std::string shown = field.str();
        if (typed == shown)
            return;
        if (typed.size() > N)
            refuse(row, shown, tooLong(typed, N));
        else
            field = typed;
    }

    // "Y" or "N", and what an operator means by them in any case: y, yes, n, no.
    void flag(int row, std::uint8_t& field)
    {
        const std::string_view typed = valueOf(m_rows, row);
        const std::string shown = yesNo(field);
        // Only an edited text is stored, so a stored byte other than 0 and 1 survives an OK.
        if (typed == shown)
            return;
        if (const auto value = parseYesNo(typed))
            field = *value ? 1 : 0;
        else
            refuse(row, shown,
                trimBlanks(typed).empty() ? "no value" : quoted(typed) + " is not Y or N");
    }

    RowRefusals take() { return std::move(m_refusals); }

private:
    std::span<const EditorRow> m_rows;
    RowRefusals m_refusals;
};

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
    // The number may stand after blanks or be followed by them, but nothing else may follow.
    const auto number = parseInteger(trimBlanks(text.substr(1)));
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
    const auto number = parseInteger(trimBlanks(text));
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

std::string RefusalMessage(std::span<const RowRefusal> refusals, std::string_view noun)
{
    if (refusals.empty())
        return {};
    if (refusals.size() == 1)
        return refusals.front().Clause + "; the " + std::string(noun) + " stays "
            + refusals.front().Stored + ".";
    std::vector<std::string> clauses;
    for (const RowRefusal& refusal : refusals)
        clauses.push_back(refusal.Clause);
    return listed(clauses) + "; those " + std::string(noun) + "s stay as they were.";
}

RowRefusals ReadCellRows(Rig& rig, int cell, std::span<const EditorRow> rows)
{
    CellRecord& record = rig.Cells[cell];
    Refusals refusals(rows);
    refusals.shortText(1, record.Name);
    refusals.number(2, record.Temp, fixed61(record.Temp));
    const std::string pressureShown = formatFixed(record.Pressure, 10, 4);
    if (const std::string_view text = valueOf(rows, 3); text != pressureShown) {
        // A cell holds a gas only at a pressure above 0.
        const auto pressure = parseNumber(text);
        if (pressure && *pressure > 0)
            record.Pressure = *pressure;
        else if (pressure)
            refusals.refuse(3, pressureShown, quoted(text) + " is not above 0 bar");
        else
            refusals.number(3, record.Pressure, pressureShown);
    }
    const std::string mixShown = formatInt(record.Mix);
    if (const std::string_view text = valueOf(rows, 4); text != mixShown) {
        // Mix picks the mixture that feeds the cell; 0 leaves the cell unfed.
        const auto mix = parseInteger(text);
        if (mix && *mix >= 0 && *mix <= MaxMixtures)
            record.Mix = static_cast<std::uint16_t>(*mix);
        else if (mix)
            refusals.refuseWhole(4, mixShown,
                "Mix " + formatInt(*mix) + " of cell " + formatInt(cell)
                    + " is refused (a mixture 1..16, or 0 for a cell that is not fed)");
        else
            refusals.refuse(4, mixShown,
                trimBlanks(text).empty() ? "no value" : quoted(text) + " is not a whole number");
    }
    refusals.number(6, record.LeakO2, leakage(record.LeakO2));
    refusals.number(7, record.LeakN2, leakage(record.LeakN2));
    refusals.number(8, record.LeakH2, leakage(record.LeakH2));
    refusals.number(9, record.LeakH2O, leakage(record.LeakH2O));
    return refusals.take();
}

RowRefusals ReadFlowmeterRows(Rig& rig, int stage, std::span<const EditorRow> rows)
{
    FlowmeterRecord& record = rig.Flowmeters[stage];
    Refusals refusals(rows);
    refusals.shortText(1, record.Make);
    refusals.shortText(2, record.Size);
    refusals.shortText(3, record.Float);
    refusals.parsed(4, record.Input, stageInputText(record.Input), parseStageInput,
        [](std::string_view text) { return quoted(text) + " is not I1..I16 or M1..M16"; });
    refusals.parsed(5, record.Output, formatInt(record.Output), parseStageOutput,
        [](std::string_view text) { return quoted(text) + " is not a mixture 1..16"; });
    refusals.shortText(6, record.FixGas);
    refusals.shortText(7, record.FixGasType);
    refusals.number(8, record.FixGasT, fixed61(record.FixGasT));
    refusals.flag(10, record.FixGasUsed);
    refusals.flag(11, record.FixGasBefore);
    return refusals.take();
}

RowRefusals ReadInputGasRows(
    Rig& rig, int gas, std::span<const EditorRow> rows, std::string_view name)
{
    GasRecord& record = rig.InputGases[gas];
    Refusals refusals(rows);
    for (int k = 1; k <= MaxComponents; ++k) {
        GasComponent& component = record.Components[k];
        const std::string_view key = keyOf(rows, k);
        const std::string shown = fraction108(component.Fraction);
        const std::string_view text = valueOf(rows, k);
        const std::string kept = shown.empty() ? "0" : shown;
        // A refused name refuses its row: a fraction stored without its name would count as a
        // gas nobody named.
        if (key.size() > component.Name.Chars.size()) {
            refusals.refuseWhole(k, component.Name.str(),
                "Component " + formatInt(k) + ": " + tooLong(key, component.Name.Chars.size()));
            continue;
        }
        if (key == component.Name.str() && text == shown)
            continue;
        double fraction = component.Fraction;
        bool fractionRefused = false;
        if (text != shown) {
            // An emptied fraction keeps its value: a component is removed by entering 0.
            const auto typed = parseNumber(text);
            if (typed && *typed >= 0)
                fraction = *typed;
            else if (typed)
                refusals.refuse(k, kept, quoted(text) + " is negative");
            else
                refusals.refuse(k, kept, notANumber(text));
            fractionRefused = !typed || *typed < 0;
        }
        if (fraction > 0 && trimBlanksAndControls(key).empty()) {
            if (!fractionRefused)
                refusals.refuseWhole(k, kept,
                    "Component " + formatInt(k) + ": the fraction " + std::string(trimBlanks(text))
                        + " has no name (a component is removed by entering 0)");
            continue;
        }
        component.Name = key;
        component.Fraction = fraction;
    }
    if (name.size() > record.Name.Chars.size())
        refusals.refuseWhole(
            0, record.Name.str(), "Name: " + tooLong(name, record.Name.Chars.size()));
    else if (name != record.Name.str())
        record.Name = name;
    UpdateGasDefined(rig, gas);
    return refusals.take();
}

std::string FractionSumNote(const Rig& rig, int gas)
{
    const GasRecord& record = rig.InputGases[gas];
    if (!isSet(record.Defined))
        return {};
    double sum = 0;
    for (const GasComponent& component : record.Components)
        if (component.Fraction > 0 && !trimBlanksAndControls(component.Name.view()).empty())
            sum += component.Fraction;
    if (std::abs(sum - 1.0) <= 1e-6)
        return {};
    return "The fractions of I" + formatInt(gas, 2) + " add up to " + formatSignificant(sum, 6)
        + ", not 1; Execute takes them as they are.";
}

RowRefusals ReadReadingRows(Rig& rig, std::span<const EditorRow> rows)
{
    Refusals refusals(rows);
    for (int stage = 1; stage <= MaxFlowmeters; ++stage) {
        double& reading = rig.Flowmeters[stage].Reading;
        refusals.number(stage, reading, fixed61(reading));
    }
    return refusals.take();
}

} // namespace meldrix
