#include "cli/RigJson.h"

#include "common/Latin1.h"
#include "common/TextFormat.h"
#include "rig/SettingsJson.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <memory>
#include <set>
#include <string_view>
#include <utility>

namespace meldrix {

// Read in the order written, so the keys of the settings that Meldrix does not know keep theirs.
using Json = nlohmann::ordered_json;
using OrderedJson = nlohmann::ordered_json;

namespace {

// ---- Writing -------------------------------------------------------------------------------

// JSON has no NaN or infinity; they are written as words so that a dump reads back exactly.
OrderedJson exactNumber(double value)
{
    if (std::isnan(value))
        return "NaN";
    if (std::isinf(value))
        return value > 0 ? "Infinity" : "-Infinity";
    return value;
}

// A bool byte is true or false when it holds 1 or 0, and its number otherwise, so any stored
// byte survives a dump and a build.
OrderedJson flag(std::uint8_t value)
{
    if (value <= 1)
        return value == 1;
    return value;
}

template <std::size_t N>
OrderedJson text(const ShortString<N>& s)
{
    return latin1ToUtf8(s.view());
}

OrderedJson gasToJson(const GasRecord& gas)
{
    OrderedJson components = OrderedJson::array();
    for (const GasComponent& c : gas.Components)
        components.push_back({ { "Name", text(c.Name) }, { "Fraction", exactNumber(c.Fraction) } });
    return { { "Name", text(gas.Name) }, { "Reserved1", exactNumber(gas.Reserved1) },
        { "Flow", exactNumber(gas.Flow) }, { "Reserved2", exactNumber(gas.Reserved2) },
        { "Components", std::move(components) }, { "Defined", flag(gas.Defined) } };
}

OrderedJson flowmeterToJson(const FlowmeterRecord& f)
{
    return { { "Make", text(f.Make) }, { "Size", text(f.Size) }, { "Float", text(f.Float) },
        { "Reserved", exactNumber(f.Reserved) }, { "Reading", exactNumber(f.Reading) },
        { "Flow", exactNumber(f.Flow) }, { "Input", f.Input }, { "Output", f.Output },
        { "FixGas", text(f.FixGas) }, { "FixGasType", text(f.FixGasType) },
        { "FixGasT", exactNumber(f.FixGasT) }, { "Reserved2", exactNumber(f.Reserved2) },
        { "FixGasUsed", flag(f.FixGasUsed) }, { "FixGasBefore", flag(f.FixGasBefore) } };
}

OrderedJson curveToJson(const CalCurveRecord& c)
{
    OrderedJson points = OrderedJson::array();
    for (const CalPoint& p : c.Points)
        points.push_back({ exactNumber(p.Reading), exactNumber(p.Flow) });
    return { { "Make", text(c.Make) }, { "Size", text(c.Size) }, { "Float", text(c.Float) },
        { "Gas", text(c.Gas) }, { "Temp", exactNumber(c.Temp) }, { "Press", exactNumber(c.Press) },
        { "Flowmeter", c.Flowmeter }, { "Reserved", c.Reserved }, { "Points", std::move(points) } };
}

OrderedJson cellToJson(const CellRecord& c)
{
    return { { "Name", text(c.Name) }, { "Pressure", exactNumber(c.Pressure) },
        { "Temp", exactNumber(c.Temp) }, { "Mix", c.Mix }, { "EquilDone", flag(c.EquilDone) },
        { "LeakO2", exactNumber(c.LeakO2) }, { "LeakN2", exactNumber(c.LeakN2) },
        { "LeakH2", exactNumber(c.LeakH2) }, { "LeakH2O", exactNumber(c.LeakH2O) } };
}

template <typename Record, std::size_t N, typename Convert>
OrderedJson arrayToJson(const OneBased<Record, N>& records, Convert convert)
{
    OrderedJson array = OrderedJson::array();
    for (const Record& record : records)
        array.push_back(convert(record));
    return array;
}

// ---- Reading -------------------------------------------------------------------------------

[[noreturn]] void fail(const std::string& where, const std::string& what)
{
    throw RigJsonError(where + ": " + what);
}

std::string describe(const Json& value)
{
    std::string shown = value.dump();
    if (shown.size() > 40)
        shown = shown.substr(0, 37) + "...";
    return shown;
}

double readNumber(const Json& value, const std::string& where)
{
    if (value.is_number())
        return value.get<double>();
    if (value.is_string()) {
        const auto& word = value.get_ref<const std::string&>();
        if (word == "NaN")
            return std::numeric_limits<double>::quiet_NaN();
        if (word == "Infinity")
            return std::numeric_limits<double>::infinity();
        if (word == "-Infinity")
            return -std::numeric_limits<double>::infinity();
    }
    fail(where, "expected a number, found " + describe(value));
}

std::uint16_t readU16(const Json& value, const std::string& where)
{
    if (value.is_number_unsigned() && value.get<std::uint64_t>() <= 65535)
        return static_cast<std::uint16_t>(value.get<std::uint64_t>());
    fail(where, "expected a whole number 0..65535, found " + describe(value));
}

std::uint8_t readFlag(const Json& value, const std::string& where)
{
    if (value.is_boolean())
        return value.get<bool>() ? 1 : 0;
    if (value.is_number_unsigned() && value.get<std::uint64_t>() <= 255)
        return static_cast<std::uint8_t>(value.get<std::uint64_t>());
    fail(where, "expected true, false or a byte 0..255, found " + describe(value));
}

template <std::size_t N>
void readText(const Json& value, const std::string& where, ShortString<N>& target)
{
    if (!value.is_string())
        fail(where, "expected a text, found " + describe(value));
    const auto bytes = utf8ToLatin1(value.get_ref<const std::string&>());
    if (!bytes)
        fail(where, "holds a character outside Latin-1");
    if (bytes->size() > N)
        fail(where,
            "is " + formatInt(static_cast<long long>(bytes->size())) + " characters long; at most "
                + formatInt(N) + " fit");
    target = *bytes;
}

// Reads the fields of one JSON object through a table of field readers and refuses any key the
// table does not know, so that a misspelt field is an error rather than a silent default.
using FieldReader = std::function<void(const Json&, const std::string&)>;

void readObject(const Json& object, const std::string& where,
    const std::vector<std::pair<std::string, FieldReader>>& fields)
{
    if (!object.is_object())
        fail(where, "expected an object, found " + describe(object));
    for (const auto& [key, value] : object.items()) {
        if (key == "index")
            continue;
        const auto field = std::find_if(
            fields.begin(), fields.end(), [&key = key](const auto& f) { return f.first == key; });
        if (field == fields.end())
            fail(where, "unknown field \"" + key + "\"");
        field->second(value, where + "." + key);
    }
}

// Walks a JSON array of records. Records are numbered from 1 in order; a record with "index"
// takes that number and the following ones continue from it.
template <typename Record, std::size_t N, typename ReadRecord>
void readRecords(
    const Json& array, const std::string& name, OneBased<Record, N>& records, ReadRecord readRecord)
{
    if (!array.is_array())
        fail(name, "expected a list of records, found " + describe(array));
    std::set<int> seen;
    long long next = 1;
    for (const Json& item : array) {
        if (item.is_object() && item.contains("index")) {
            const Json& index = item["index"];
            if (!index.is_number_unsigned()
                || !OneBased<Record, N>::inRange(index.get<long long>()))
                fail(name + "[" + formatInt(next) + "].index",
                    "expected a record number 1.." + formatInt(N) + ", found " + describe(index));
            next = index.get<long long>();
        }
        const std::string where = name + "[" + formatInt(next) + "]";
        if (!OneBased<Record, N>::inRange(next))
            fail(where, "there are only " + formatInt(N) + " records");
        if (!seen.insert(static_cast<int>(next)).second)
            fail(where, "this record is given twice");
        readRecord(item, where, records[static_cast<int>(next)]);
        ++next;
    }
}

template <typename T>
FieldReader numberField(T& target)
{
    return [&target](const Json& v, const std::string& w) { target = readNumber(v, w); };
}
FieldReader u16Field(std::uint16_t& target)
{
    return [&target](const Json& v, const std::string& w) { target = readU16(v, w); };
}
FieldReader flagField(std::uint8_t& target)
{
    return [&target](const Json& v, const std::string& w) { target = readFlag(v, w); };
}
template <std::size_t N>
FieldReader textField(ShortString<N>& target)
{
    return [&target](const Json& v, const std::string& w) { readText(v, w, target); };
}

void readGas(const Json& item, const std::string& where, GasRecord& gas, bool& definedGiven)
{
    definedGiven = false;
    readObject(item, where,
        { { "Name", textField(gas.Name) }, { "Reserved1", numberField(gas.Reserved1) },
            { "Flow", numberField(gas.Flow) }, { "Reserved2", numberField(gas.Reserved2) },
            { "Components",
                [&gas](const Json& v, const std::string& w) {
                    readRecords(v, w, gas.Components,
                        [](const Json& c, const std::string& cw, GasComponent& component) {
                            readObject(c, cw,
                                { { "Name", textField(component.Name) },
                                    { "Fraction", numberField(component.Fraction) } });
                        });
                } },
            { "Defined", [&](const Json& v, const std::string& w) {
                 gas.Defined = readFlag(v, w);
                 definedGiven = true;
             } } });
}

void readFlowmeter(const Json& item, const std::string& where, FlowmeterRecord& f)
{
    readObject(item, where,
        { { "Make", textField(f.Make) }, { "Size", textField(f.Size) },
            { "Float", textField(f.Float) }, { "Reserved", numberField(f.Reserved) },
            { "Reading", numberField(f.Reading) }, { "Flow", numberField(f.Flow) },
            { "Input", u16Field(f.Input) }, { "Output", u16Field(f.Output) },
            { "FixGas", textField(f.FixGas) }, { "FixGasType", textField(f.FixGasType) },
            { "FixGasT", numberField(f.FixGasT) }, { "Reserved2", numberField(f.Reserved2) },
            { "FixGasUsed", flagField(f.FixGasUsed) },
            { "FixGasBefore", flagField(f.FixGasBefore) } });
}

void readPoints(
    const Json& value, const std::string& where, OneBased<CalPoint, MaxCalPoints>& points)
{
    if (!value.is_array())
        fail(where, "expected a list of [reading, flow] pairs, found " + describe(value));
    if (value.size() > MaxCalPoints)
        fail(where,
            "holds " + formatInt(static_cast<long long>(value.size()))
                + " points; a curve has at most 20");
    int p = 0;
    for (const Json& pair : value) {
        const std::string pointWhere = where + "[" + formatInt(++p) + "]";
        if (!pair.is_array() || pair.size() != 2)
            fail(pointWhere, "expected a [reading, flow] pair, found " + describe(pair));
        points[p] = { readNumber(pair[0], pointWhere + ".reading"),
            readNumber(pair[1], pointWhere + ".flow") };
    }
}

void readCurve(const Json& item, const std::string& where, CalCurveRecord& c)
{
    readObject(item, where,
        { { "Make", textField(c.Make) }, { "Size", textField(c.Size) },
            { "Float", textField(c.Float) }, { "Gas", textField(c.Gas) },
            { "Temp", numberField(c.Temp) }, { "Press", numberField(c.Press) },
            { "Flowmeter", u16Field(c.Flowmeter) }, { "Reserved", u16Field(c.Reserved) },
            { "Points",
                [&c](const Json& v, const std::string& w) { readPoints(v, w, c.Points); } } });
}

void readCell(const Json& item, const std::string& where, CellRecord& c)
{
    readObject(item, where,
        { { "Name", textField(c.Name) }, { "Pressure", numberField(c.Pressure) },
            { "Temp", numberField(c.Temp) }, { "Mix", u16Field(c.Mix) },
            { "EquilDone", flagField(c.EquilDone) }, { "LeakO2", numberField(c.LeakO2) },
            { "LeakN2", numberField(c.LeakN2) }, { "LeakH2", numberField(c.LeakH2) },
            { "LeakH2O", numberField(c.LeakH2O) } });
}

} // namespace

OrderedJson RigToJson(const Rig& rig)
{
    OrderedJson json = { { "InputGases", arrayToJson(rig.InputGases, gasToJson) },
        { "Flowmeters", arrayToJson(rig.Flowmeters, flowmeterToJson) },
        { "CalCurves", arrayToJson(rig.CalCurves, curveToJson) },
        { "Cells", arrayToJson(rig.Cells, cellToJson) } };
    // A data set without a settings file of its own needs no Settings to be built again.
    if (!AreDefaultSettings(rig.Settings))
        json["Settings"] = SettingsToJson(rig.Settings);
    return json;
}

void RigFromJson(const nlohmann::json& json, Rig& rig)
{
    RigFromJson(Json(json), rig);
}

void RigFromJson(const Json& json, Rig& rig)
{
    if (!json.is_object())
        fail("the data set", "expected an object with InputGases, Flowmeters, CalCurves and Cells");
    // Everything is read into a copy first, so a fault leaves the caller's rig untouched.
    auto copy = std::make_unique<Rig>(rig);
    std::set<int> definedGiven;
    readObject(json, "the data set",
        { { "InputGases",
              [&](const Json& v, const std::string&) {
                  readRecords(v, "InputGases", copy->InputGases,
                      [&](const Json& item, const std::string& where, GasRecord& gas) {
                          bool given = false;
                          readGas(item, where, gas, given);
                          if (given)
                              definedGiven.insert(
                                  static_cast<int>(&gas - &copy->InputGases[1]) + 1);
                      });
              } },
            { "Flowmeters",
                [&](const Json& v, const std::string&) {
                    readRecords(v, "Flowmeters", copy->Flowmeters, readFlowmeter);
                } },
            { "CalCurves",
                [&](const Json& v, const std::string&) {
                    readRecords(v, "CalCurves", copy->CalCurves, readCurve);
                } },
            { "Cells",
                [&](const Json& v, const std::string&) {
                    readRecords(v, "Cells", copy->Cells, readCell);
                } },
            { "Settings", [&](const Json& v, const std::string&) {
                 if (const auto problem = SettingsFromJson(v, copy->Settings))
                     fail("Settings", *problem);
             } } });
    // Defined follows from the components unless the JSON states it; loading recomputes it anyway.
    for (int i = 1; i <= MaxInputGases; ++i)
        if (!definedGiven.contains(i))
            UpdateGasDefined(*copy, i);
    rig = *copy;
}

} // namespace meldrix

namespace meldrix {

namespace {

bool holdsOnlyPlainValues(const OrderedJson& json)
{
    return std::all_of(json.begin(), json.end(), [](const OrderedJson& child) {
        return child.is_primitive()
            || (child.is_array() && child.size() <= 2
                && std::all_of(
                    child.begin(), child.end(), [](const auto& c) { return c.is_primitive(); }));
    });
}

// Every scalar of a dump passes here: the library's dump() would build a serialiser for each one,
// which made writing a full data set take seconds in a sanitizer build.
void appendQuoted(std::string_view text, std::string& out)
{
    // Beyond ASCII the library's own escaping stays in charge, so invalid UTF-8 is still refused.
    if (std::any_of(text.begin(), text.end(),
            [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
        out += OrderedJson(std::string(text)).dump(-1, ' ', false);
        return;
    }
    out += '"';
    for (const char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "\\u%04x", static_cast<unsigned>(c));
                out += buffer;
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

template <typename Integer>
void appendInteger(Integer value, std::string& out)
{
    char buffer[24];
    out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

void writeScalar(const OrderedJson& json, NumberForm form, std::string& out)
{
    using Type = OrderedJson::value_t;
    char buffer[64];
    switch (json.type()) {
    case Type::number_float: {
        const double value = json.get<double>();
        if (!std::isfinite(value)) {
            out += "null";
        } else if (form == NumberForm::SeventeenDigits) {
            std::snprintf(buffer, sizeof buffer, "%.17g", value);
            out += buffer;
            if (std::string_view(buffer).find_first_of(".e") == std::string_view::npos)
                out += ".0"; // keeps a whole number recognisable as a real number
        } else {
            // The library's shortest round-trip form, as its dump() writes it.
            out.append(buffer, nlohmann::detail::to_chars(buffer, buffer + sizeof buffer, value));
        }
        return;
    }
    case Type::number_integer:
        appendInteger(json.get<std::int64_t>(), out);
        return;
    case Type::number_unsigned:
        appendInteger(json.get<std::uint64_t>(), out);
        return;
    case Type::string:
        appendQuoted(json.get_ref<const std::string&>(), out);
        return;
    case Type::boolean:
        out += json.get<bool>() ? "true" : "false";
        return;
    default:
        out += json.dump(-1, ' ', false);
        return;
    }
}

void writeCompact(const OrderedJson& json, NumberForm form, std::string& out)
{
    if (json.is_primitive()) {
        writeScalar(json, form, out);
        return;
    }
    out += json.is_object() ? '{' : '[';
    bool first = true;
    for (auto it = json.begin(); it != json.end(); ++it) {
        if (!first)
            out += ", ";
        first = false;
        if (json.is_object()) {
            appendQuoted(it.key(), out);
            out += ": ";
        }
        writeCompact(*it, form, out);
    }
    out += json.is_object() ? '}' : ']';
}

void writePretty(const OrderedJson& json, NumberForm form, int indent, std::string& out)
{
    if (json.is_primitive() || json.empty()) {
        writeCompact(json, form, out);
        return;
    }
    if (holdsOnlyPlainValues(json)) {
        const std::size_t start = out.size();
        writeCompact(json, form, out);
        if (static_cast<int>(out.size() - start) + indent <= 100)
            return;
        out.resize(start);
    }
    const bool isObject = json.is_object();
    out += isObject ? "{\n" : "[\n";
    bool first = true;
    for (auto it = json.begin(); it != json.end(); ++it) {
        if (!first)
            out += ",\n";
        first = false;
        out.append(static_cast<std::size_t>(indent + 2), ' ');
        if (isObject) {
            appendQuoted(it.key(), out);
            out += ": ";
        }
        writePretty(*it, form, indent + 2, out);
    }
    out += '\n';
    out.append(static_cast<std::size_t>(indent), ' ');
    out += isObject ? '}' : ']';
}

} // namespace

std::string prettyJson(const OrderedJson& json, NumberForm form)
{
    std::string out;
    writePretty(json, form, 0, out);
    return out;
}

} // namespace meldrix
