#include "check/DataSetCheck.h"

#include "support/Bytes.h"
#include "support/RandomRigs.h"
#include "support/SampleRigs.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <ostream>
#include <string>

namespace meldrix {

void PrintTo(const Finding& finding, std::ostream* out)
{
    *out << SeverityKey(finding.Severity) << ' ' << finding.Kind << " @ " << FindingPlace(finding)
         << ": " << finding.Text;
}

namespace {

using testsupport::rigAtStartValues;

void setCurve(CalCurveRecord& curve, std::string_view make, std::string_view gas, int stage)
{
    curve.Make = make;
    curve.Size = "S";
    curve.Float = "F";
    curve.Gas = gas;
    curve.Flowmeter = static_cast<std::uint16_t>(stage);
    for (int k = 1; k <= 10; ++k)
        curve.Points[k] = { 10.0 * k, 2.0 * k * 10.0 };
}

// Argon through stage 1 into M1 and nitrogen through stage 2 into M2, each on a straight curve of
// its own meter; the other stages are closed, every cell is fed. The check finds nothing here.
std::unique_ptr<Rig> quietRig()
{
    auto rig = rigAtStartValues();
    for (int n = 1; n <= 2; ++n) {
        GasRecord& bottle = rig->InputGases[n];
        bottle.Name = n == 1 ? "Argon" : "Nitrogen";
        bottle.Components[1].Name = n == 1 ? "Ar" : "N2";
        bottle.Components[1].Fraction = 1.0;
    }
    for (int f = 1; f <= 2; ++f) {
        FlowmeterRecord& stage = rig->Flowmeters[f];
        stage.Make = f == 1 ? "A" : "B";
        stage.Size = "S";
        stage.Float = "F";
        stage.Input = static_cast<std::uint16_t>(f);
        stage.Output = static_cast<std::uint16_t>(f);
        stage.Reading = 50.0;
        setCurve(rig->CalCurves[f], stage.Make.view(), f == 1 ? "Ar" : "N2", f);
    }
    rig->Flowmeters[2].Output = 2;
    return rig;
}

void setPoints(CalCurveRecord& curve, std::span<const CalPoint> points)
{
    curve.Points.fill(CalPoint {});
    for (std::size_t i = 0; i < points.size(); ++i)
        curve.Points[static_cast<int>(i) + 1] = points[i];
}

struct CheckCase {
    std::string_view name;
    std::string_view kind;
    FindingSeverity severity;
    std::string_view record;
    int index;
    std::function<void(Rig&)> make;
};

std::ostream& operator<<(std::ostream& out, const CheckCase& c)
{
    return out << c.name;
}

const std::vector<CheckCase>& cases()
{
    using R = std::string_view;
    const R gases = FindingRecords::InputGases;
    const R stages = FindingRecords::Flowmeters;
    const R curves = FindingRecords::CalCurves;
    const R cells = FindingRecords::Cells;
    const auto error = FindingSeverity::Error;
    const auto warning = FindingSeverity::Warning;
    const auto note = FindingSeverity::Note;
    const auto reading = [](int f, int input, int output) {
        return [=](Rig& rig) {
            rig.Flowmeters[f].Input = static_cast<std::uint16_t>(input);
            rig.Flowmeters[f].Output = static_cast<std::uint16_t>(output);
            rig.Flowmeters[f].Reading = 5.0;
        };
    };
    const auto fixGas = [](std::string_view gas, std::string_view type, double t) {
        return [=](Rig& rig) {
            FlowmeterRecord& stage = rig.Flowmeters[1];
            stage.FixGasUsed = 1;
            stage.FixGas = gas;
            stage.FixGasType = type;
            stage.FixGasT = t;
        };
    };
    const auto points = [](std::vector<CalPoint> p) {
        return [=](Rig& rig) { setPoints(rig.CalCurves[1], p); };
    };
    const auto cell = [](std::function<void(CellRecord&)> change) {
        return [=](Rig& rig) { change(rig.Cells[3]); };
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    static const std::vector<CheckCase> all = {
        { "negative fraction", "fraction-negative", error, gases, 1,
            [](Rig& rig) {
                rig.InputGases[1].Components[1].Fraction = 1.2;
                rig.InputGases[1].Components[2] = { {}, {}, -0.2 };
                rig.InputGases[1].Components[2].Name = "N2";
            } },
        { "fractions short of 1", "fractions-sum", warning, gases, 2,
            [](Rig& rig) { rig.InputGases[2].Components[1].Fraction = 0.999; } },
        { "a fraction without a name", "fraction-without-name", warning, gases, 1,
            [](Rig& rig) {
                rig.InputGases[1].Components[1].Fraction = 0.9;
                rig.InputGases[1].Components[4].Name = "  ";
                rig.InputGases[1].Components[4].Fraction = 0.1;
            } },
        { "a name twice, once with blanks", "name-twice", warning, gases, 2,
            [](Rig& rig) {
                rig.InputGases[2].Components[1].Fraction = 0.5;
                rig.InputGases[2].Components[3].Name = " N2";
                rig.InputGases[2].Components[3].Fraction = 0.5;
            } },
        { "a gas the data do not know", "gas-unknown", note, gases, 5,
            [](Rig& rig) {
                rig.InputGases[5].Components[1].Name = "Xe";
                rig.InputGases[5].Components[1].Fraction = 1.0;
            } },
        { "a reading from no source", "reading-without-source", warning, stages, 9,
            reading(9, 0, 5) },
        { "a reading into no mixture", "reading-without-mixture", warning, stages, 9,
            reading(9, 1, 17) },
        { "a reading from an empty bottle", "source-holds-no-gas", error, stages, 9,
            reading(9, 4, 5) },
        { "a reading from a mixture nothing feeds", "source-not-fed", warning, stages, 9,
            reading(9, MaxInputGases + 12, 5) },
        { "mixtures feeding each other", "mixture-loop", error, stages, 9,
            [&reading](Rig& rig) {
                reading(9, MaxInputGases + 1, 3)(rig);
                reading(10, MaxInputGases + 3, 1)(rig);
            } },
        { "a loop held open by a closed stage", "mixture-loop", warning, stages, 10,
            [](Rig& rig) {
                rig.Flowmeters[10].Input = MaxInputGases + 2;
                rig.Flowmeters[10].Output = 2;
            } },
        { "a fix-gas type Meldrix does not know", "fix-gas-unknown", warning, stages, 1,
            fixGas("H2O", "Wet", 20.0) },
        { "a saturator at absolute zero", "fix-gas-temperature", warning, stages, 1,
            fixGas("H2O", "pure", -273.15) },
        { "a chosen curve without points", "curve-empty", error, curves, 1, points({}) },
        { "a curve of another gas", "curve-mismatch", warning, curves, 1,
            [](Rig& rig) { rig.CalCurves[1].Gas = "He"; } },
        { "a curve of another gas and meter", "curve-mismatch", error, curves, 1,
            [](Rig& rig) {
                rig.CalCurves[1].Gas = "He";
                rig.CalCurves[1].Float = "Glass";
            } },
        { "a point that is no number", "point-not-a-number", error, curves, 1,
            points({ { 10, 1 }, { 20, nan }, { 30, 3 } }) },
        { "two points on one reading", "readings-equal", error, curves, 1,
            points({ { 10, 1 }, { 20, 2 }, { 20, 3 }, { 30, 4 } }) },
        { "a point after the top repeating it", "readings-equal", warning, curves, 1,
            points({ { 10, 1 }, { 20, 2 }, { 30, 3 }, { 30, 4 } }) },
        { "readings out of order", "readings-out-of-order", warning, curves, 1,
            points({ { 10, 1 }, { 30, 3 }, { 20, 2 }, { 40, 4 } }) },
        { "an empty point among the filled", "point-after-empty", error, curves, 1,
            points({ { 10, 1 }, { 20, 2 }, { 0, 0 }, { 40, 4 } }) },
        { "fifteen rotameter points", "polynomial-overshoot", warning, curves, 1,
            points({ testsupport::OvershootingRotameterPoints.begin(),
                testsupport::OvershootingRotameterPoints.end() }) },
        { "fifteen rotameter points read physically", "polynomial-overshoot", note, curves, 1,
            [&points](Rig& rig) {
                points({ testsupport::OvershootingRotameterPoints.begin(),
                    testsupport::OvershootingRotameterPoints.end() })(rig);
                rig.Settings.FlowModel = FlowModelKind::Physical;
            } },
        { "flows that fall back", "polynomial-turns-back", warning, curves, 1,
            points({ { 10, 10 }, { 20, 20 }, { 30, 10 } }) },
        { "a cell fed by a mixture nothing feeds", "cell-mixture-not-fed", warning, cells, 3,
            cell([](CellRecord& c) { c.Mix = 13; }) },
        { "a cell hotter than the data", "cell-temperature", warning, cells, 3,
            cell([](CellRecord& c) { c.Temp = 9000.0; }) },
        { "a cell at no pressure", "cell-pressure", error, cells, 3,
            cell([](CellRecord& c) { c.Pressure = 0.0; }) },
        { "a negative leakage", "cell-leakage-negative", error, cells, 3,
            cell([](CellRecord& c) { c.LeakH2 = -1e-4; }) },
        { "thirteen gases", "too-many-gases", error, {}, 0,
            [](Rig& rig) {
                const char* names[] = { "Ar", "N2", "He", "Ne", "CO", "CO2", "CH4", "D2", "NO",
                    "N2O", "NH3", "O3" };
                int k = 1;
                for (const char* name : names) {
                    rig.InputGases[1].Components[k].Name = name;
                    rig.InputGases[1].Components[k++].Fraction = 1.0 / 12;
                }
            } },
        { "a reading beyond its curve", "reading-off-curve", warning, stages, 2,
            [](Rig& rig) { rig.Flowmeters[2].Reading = 150.0; } },
        { "a mixture metered", "flow-models-differ", note, stages, 1,
            [](Rig& rig) {
                rig.InputGases[1].Components[1].Fraction = 0.5;
                rig.InputGases[1].Components[2].Name = "N2";
                rig.InputGases[1].Components[2].Fraction = 0.5;
                setCurve(rig.CalCurves[3], "A", "N2", 1);
                for (CalPoint& point : rig.CalCurves[3].Points)
                    point.Flow *= 1.5;
            } },
    };
    return all;
}

class CheckCaseTest : public ::testing::TestWithParam<CheckCase> { };

TEST_P(CheckCaseTest, FindsWhatTheDataSetWasMadeFor)
{
    const CheckCase& c = GetParam();
    auto rig = quietRig();
    c.make(*rig);
    const Findings findings = CheckDataSet(*rig);
    const auto found = std::find_if(findings.begin(), findings.end(),
        [&c](const Finding& f) { return f.Kind == c.kind && f.Severity == c.severity; });
    ASSERT_NE(found, findings.end()) << ::testing::PrintToString(findings);
    EXPECT_EQ(found->Record, c.record);
    EXPECT_EQ(found->Index, c.index);
    EXPECT_EQ(found->Field.empty(), c.record.empty());
    EXPECT_FALSE(found->Text.empty());
    EXPECT_NE(found->Text.back(), '.');
    // Errors come first, notes last.
    EXPECT_TRUE(std::is_sorted(findings.begin(), findings.end(),
        [](const Finding& a, const Finding& b) { return a.Severity < b.Severity; }));
}

INSTANTIATE_TEST_SUITE_P(EveryKind, CheckCaseTest, ::testing::ValuesIn(cases()),
    [](const ::testing::TestParamInfo<CheckCase>& param) {
        std::string name;
        for (const char c : param.param.name)
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

TEST(DataSetCheckTest, EveryKindHasADataSetMadeForIt)
{
    for (const std::string_view kind : FindingKinds())
        EXPECT_TRUE(std::any_of(cases().begin(), cases().end(), [kind](const CheckCase& c) {
            return c.kind == kind;
        })) << kind;
}

TEST(DataSetCheckTest, CleanRigsGiveNothing)
{
    EXPECT_EQ(CheckDataSet(*quietRig()), Findings {});
    for (std::uint32_t seed = 1; seed <= 40; ++seed)
        EXPECT_EQ(CheckDataSet(*testsupport::cleanRandomRig(seed)), Findings {}) << "seed " << seed;
}

TEST(DataSetCheckTest, TheOvershootIsNamedWithItsWorstValue)
{
    auto rig = quietRig();
    setPoints(rig->CalCurves[1], testsupport::OvershootingRotameterPoints);
    rig->Settings.FlowUnit = "ml/min";
    const Findings findings = CheckDataSet(*rig);
    ASSERT_EQ(findings.size(), 1u) << ::testing::PrintToString(findings);
    // The dip below the last two points is the deepest: 282.1 near 147, as a sampled plot of the
    // polynomial shows.
    EXPECT_EQ(findings[0].Text,
        "curve 1 (chosen for F 1 (Ar)): between points 14 and 15 (readings 140 and 150, flows "
        "321.6 and 345.5) the polynomial falls to 282.1 ml/min at reading 146.9, 39.52 below both "
        "points");
}

TEST(DataSetCheckTest, CountsNameTheCommand)
{
    EXPECT_EQ(FindingsSummary({}), "Check data set (Tools menu) finds nothing to report");
    const Findings three = { { FindingSeverity::Error, "curve-empty", "CalCurves", 4, "Points",
                                 "x" },
        { FindingSeverity::Note, "gas-unknown", "InputGases", 2, "Components", "y" },
        { FindingSeverity::Note, "too-many-gases", "", 0, "", "z" } };
    EXPECT_EQ(FindingsSummary(three), "Check data set (Tools menu) finds 1 error and 2 notes");
    EXPECT_EQ(FindingPlace(three[0]), "curve 4, Points");
    EXPECT_EQ(FindingPlace(three[2]), "the data set");
}

} // namespace
} // namespace meldrix
