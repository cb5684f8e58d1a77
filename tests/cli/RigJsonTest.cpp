#include "cli/RigJson.h"

#include "rig/DataFiles.h"
#include "rig/StartUp.h"
#include "support/Bytes.h"
#include "support/TempDir.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <type_traits>
#include <vector>

namespace meldrix {
namespace {

using nlohmann::json;

// Every field the JSON carries, compared bytewise: padding and the bytes after a text's
// length are not carried.
template <std::size_t N>
void expectSame(const ShortString<N>& a, const ShortString<N>& b, const std::string& where)
{
    EXPECT_EQ(a.view(), b.view()) << where;
}

void expectSame(double a, double b, const std::string& where)
{
    if (std::isnan(a))
        EXPECT_TRUE(std::isnan(b)) << where;
    else
        EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0) << where << ": " << a << " vs " << b;
}

template <typename Whole>
requires std::is_integral_v<Whole>
void expectSame(Whole a, Whole b, const std::string& where)
{
    EXPECT_EQ(a, b) << where;
}

// The fields that `fields` lists, of every record of two arrays; a difference names the record
// as `where` and its number.
template <typename Record, std::size_t N, typename... Field>
void expectSameRecords(const OneBased<Record, N>& a, const OneBased<Record, N>& b,
    const std::string& where, Field Record::*... fields)
{
    for (int n = 1; n <= static_cast<int>(N); ++n) {
        const std::string record = where + " " + std::to_string(n);
        (expectSame(a[n].*fields, b[n].*fields, record), ...);
    }
}

void expectSameFields(const Rig& a, const Rig& b)
{
    using G = GasRecord;
    expectSameRecords(a.InputGases, b.InputGases, "gas", &G::Name, &G::Reserved1, &G::Flow,
        &G::Reserved2, &G::Defined);
    for (int i = 1; i <= MaxInputGases; ++i)
        expectSameRecords(a.InputGases[i].Components, b.InputGases[i].Components,
            "gas " + std::to_string(i) + " component", &GasComponent::Name,
            &GasComponent::Fraction);
    using F = FlowmeterRecord;
    expectSameRecords(a.Flowmeters, b.Flowmeters, "stage", &F::Make, &F::Size, &F::Float,
        &F::FixGas, &F::FixGasType, &F::Reserved, &F::Reading, &F::Flow, &F::FixGasT, &F::Reserved2,
        &F::Input, &F::Output, &F::FixGasUsed, &F::FixGasBefore);
    using C = CalCurveRecord;
    expectSameRecords(a.CalCurves, b.CalCurves, "curve", &C::Make, &C::Gas, &C::Temp, &C::Press,
        &C::Flowmeter, &C::Reserved);
    for (int c = 1; c <= MaxCalCurves; ++c)
        expectSameRecords(a.CalCurves[c].Points, b.CalCurves[c].Points,
            "curve " + std::to_string(c) + " point", &CalPoint::Reading, &CalPoint::Flow);
    using O = CellRecord;
    expectSameRecords(a.Cells, b.Cells, "cell", &O::Name, &O::Pressure, &O::Temp, &O::LeakO2,
        &O::LeakN2, &O::LeakH2, &O::LeakH2O, &O::Mix, &O::EquilDone);
}

TEST(RigJson, RandomRecordsSurviveJsonExactly)
{
    testsupport::TempDir dir;
    const std::string base = dir.file("Random");
    std::uint32_t seed = 11;
    for (const DataFile file : AllDataFiles)
        testsupport::writeBytes(base + std::string(extensionOf(file)),
            testsupport::randomBytes(fileSizeOf(file), seed++));
    auto original = testsupport::rigAtStartValues();
    OpenAllByBase(*original, base);

    const json text = json::parse(RigToJson(*original).dump());
    auto rebuilt = testsupport::rigAtStartValues();
    RigFromJson(text, *rebuilt);
    expectSameFields(*original, *rebuilt);
    EXPECT_EQ(RigToJson(*rebuilt), RigToJson(*original));
}

TEST(RigJson, OmittedRecordsAndFieldsKeepTheirStartValues)
{
    auto rig = testsupport::rigAtStartValues();
    RigFromJson(json::parse(R"({"Flowmeters": [{"index": 4, "Make": "Rota", "Reading": 12.5},
            {"Input": 20}], "InputGases": [{"Components": [{"Name": "Ar", "Fraction": 1}]}]})"),
        *rig);
    auto start = testsupport::rigAtStartValues();
    EXPECT_EQ(rig->Flowmeters[4].Make.view(), "Rota");
    EXPECT_EQ(rig->Flowmeters[4].Reading, 12.5);
    EXPECT_EQ(rig->Flowmeters[4].Output, start->Flowmeters[4].Output);
    EXPECT_EQ(rig->Flowmeters[5].Input, 20);
    EXPECT_EQ(rig->Flowmeters[5].FixGas.view(), "H2O");
    EXPECT_EQ(rig->InputGases[1].Defined, 1) << "follows from the components when not given";
    EXPECT_EQ(rig->Cells[3].Mix, 3);
    EXPECT_TRUE(rig->Flowmeters[1] == start->Flowmeters[1]);
}

TEST(RigJson, KeepsNonFiniteNumbersAndOddBoolBytes)
{
    auto rig = testsupport::rigAtStartValues();
    rig->Cells[1].Temp = std::numeric_limits<double>::infinity();
    rig->Cells[2].Temp = std::numeric_limits<double>::quiet_NaN();
    rig->Cells[3].EquilDone = 7;
    rig->InputGases[1].Components[1].Name = "\xB5m\xE9";
    const json text = json::parse(RigToJson(*rig).dump());
    EXPECT_EQ(text["Cells"][0]["Temp"], "Infinity");
    EXPECT_EQ(text["Cells"][2]["EquilDone"], 7);
    EXPECT_EQ(text["InputGases"][0]["Components"][0]["Name"], "\xC2\xB5m\xC3\xA9");
    auto rebuilt = testsupport::rigAtStartValues();
    RigFromJson(text, *rebuilt);
    EXPECT_TRUE(std::isinf(rebuilt->Cells[1].Temp));
    EXPECT_TRUE(std::isnan(rebuilt->Cells[2].Temp));
    EXPECT_EQ(rebuilt->Cells[3].EquilDone, 7);
    EXPECT_EQ(rebuilt->InputGases[1].Components[1].Name.view(), "\xB5m\xE9");
}

TEST(RigJson, RefusesADescriptionThatIsNotADataSetAndChangesNothing)
{
    struct Case {
        const char* json;
        const char* message;
    };
    for (const Case& c : {
             Case { R"([])", "the data set: expected an object" },
             Case { R"({"Cells": [{"Tmp": 1}]})", "Cells[1]: unknown field \"Tmp\"" },
             Case { R"({"Cells": [{"Mix": -1}]})",
                 "Cells[1].Mix: expected a whole number 0..65535, found -1" },
             Case { R"({"Cells": [{"Mix": 1.5}]})", "Cells[1].Mix: expected a whole number" },
             Case { R"({"Cells": [{"Name": "ABCDEFGHIJKLM"}]})",
                 "Cells[1].Name: is 13 characters long; at most 12 fit" },
             Case { R"({"Cells": [{"Name": "€"}]})",
                 "Cells[1].Name: holds a character outside Latin-1" },
             Case { R"({"Cells": [{"Temp": "hot"}]})",
                 "Cells[1].Temp: expected a number, found \"hot\"" },
             Case { R"({"Cells": [{}, {}, {}, {}, {}, {}, {}, {}, {}]})",
                 "Cells[9]: there are only 8 records" },
             Case {
                 R"({"Cells": [{"index": 9}]})", "Cells[1].index: expected a record number 1..8" },
             Case { R"({"Cells": [{"index": 2}, {"index": 2}]})",
                 "Cells[2]: this record is given twice" },
             Case { R"({"Flowmeters": [{"FixGasUsed": 300}]})",
                 "Flowmeters[1].FixGasUsed: expected true, false or a byte" },
             Case { R"({"CalCurves": [{"Points": [[1, 2], [3]]}]})",
                 "CalCurves[1].Points[2]: expected a [reading, flow] pair" },
             Case { R"({"InputGases": [{"Components": [{"Name": "Ar", "Fraction": null}]}]})",
                 "InputGases[1].Components[1].Fraction: expected a number, found null" },
         }) {
        auto rig = testsupport::rigAtStartValues();
        rig->Cells[1].Name = "Before";
        try {
            RigFromJson(json::parse(c.json), *rig);
            ADD_FAILURE() << "accepted " << c.json;
        } catch (const RigJsonError& error) {
            EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos)
                << error.what() << "\n  expected: " << c.message;
        }
        EXPECT_EQ(rig->Cells[1].Name.view(), "Before");
    }
}

TEST(PrettyJson, KeepsShortListsOnOneLine)
{
    const nlohmann::ordered_json value = { { "Name", "Ar, \"x\"" },
        { "Points", { { 1.0, 2.5 }, { 3.0, 4.0 } } }, { "Nested", { { "a", { 1, 2, 3 } } } } };
    EXPECT_EQ(prettyJson(value),
        "{\n  \"Name\": \"Ar, \\\"x\\\"\",\n  \"Points\": [[1.0, 2.5], [3.0, 4.0]],\n"
        "  \"Nested\": {\n    \"a\": [1, 2, 3]\n  }\n}");
    EXPECT_EQ(nlohmann::ordered_json::parse(prettyJson(value)), value);
}

} // namespace
} // namespace meldrix

namespace meldrix {
namespace {

TEST(PrettyJson, NeverChangesTheTextOfAName)
{
    for (const char* name : { "a\\", "a\\\\\", \"b", ",:", "\"" }) {
        const nlohmann::ordered_json value = { { "Name", name }, { "Other", "x,y:z" } };
        EXPECT_EQ(nlohmann::ordered_json::parse(prettyJson(value)), value) << name;
    }
}

} // namespace
} // namespace meldrix

namespace meldrix {
namespace {

TEST(PrettyJson, WritesSeventeenSignificantDigitsWhenAsked)
{
    const nlohmann::ordered_json value = { { "fraction", 0.21 }, { "flow", 3.0 }, { "count", 3 },
        { "list", { 0.1, 1e-300 } } };
    EXPECT_EQ(prettyJson(value, NumberForm::SeventeenDigits),
        "{\"fraction\": 0.20999999999999999, \"flow\": 3.0, \"count\": 3, "
        "\"list\": [0.10000000000000001, 1e-300]}");
    EXPECT_EQ(nlohmann::ordered_json::parse(prettyJson(value, NumberForm::SeventeenDigits)), value);
}

} // namespace
} // namespace meldrix

namespace meldrix {
namespace {

// The writer spells scalars itself for speed; its text must stay the library's, byte for byte.
TEST(PrettyJson, WritesEveryScalarAsTheLibraryDoes)
{
    using J = nlohmann::ordered_json;
    const std::vector<J> scalars = { "", "tab\tcr\rnl\nff\fbs\b", std::string("\x01\x1f\x7f", 3),
        "q\"b\\s/",
        "Gr\xc3\xbc\xc3\x9f \xc2\xb0"
        "C",
        0.1, 1e15, 1e16, 1e-5, -0.0, 5e-324, 1.7976931348623157e308, 123456789.125, 0,
        -9223372036854775807LL - 1, 18446744073709551615ULL, true, false, nullptr, std::nan(""),
        std::numeric_limits<double>::infinity() };
    for (const J& scalar : scalars)
        EXPECT_EQ(prettyJson(J::array({ scalar })), "[" + scalar.dump() + "]") << scalar.dump();
    EXPECT_THROW(prettyJson(J::array({ std::string("\xff") })), nlohmann::json::type_error);
}

} // namespace
} // namespace meldrix
