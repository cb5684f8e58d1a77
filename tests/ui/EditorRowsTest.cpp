#include "ui/EditorRows.h"

#include "common/TextFormat.h"
#include "support/Bytes.h"

#include <QTest>
#include <cmath>
#include <cstring>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace meldrix {
namespace {

std::string text(const QString& s)
{
    return s.toStdString();
}

// The value column of an editor whose rows are all empty except the ones given.
std::vector<EditorRow> rowsWith(const EditorPage& shown, int row, const std::string& value)
{
    std::vector<EditorRow> rows = shown.Rows;
    rows.resize(EditorRowCount);
    rows[static_cast<std::size_t>(row - 1)].Value = value;
    return rows;
}

// The current row's `typed` text as `parse` reads it: the number `expected`, or refused at -1.
template <typename Parse>
void expectParsed(Parse parse)
{
    QFETCH(QString, typed);
    QFETCH(int, expected);
    const auto value = parse(text(typed));
    QCOMPARE(value.has_value(), expected >= 0);
    if (value)
        QCOMPARE(int(*value), expected);
}

} // namespace

class EditorRowsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void wrapsRecordNumbers_data();
    void wrapsRecordNumbers();
    void readsStageInput_data();
    void readsStageInput();
    void readsStageOutput_data();
    void readsStageOutput();
    void showsCellAtStartValues();
    void refusesMixOutsideTheMixtures_data();
    void refusesMixOutsideTheMixtures();
    void untouchedTextsKeepFullPrecision();
    void readsInputGasComponents();
    void namesEveryRefusedRow_data();
    void namesEveryRefusedRow();
    void tellsRefusalsInOneSentence();
};

void EditorRowsTest::wrapsRecordNumbers_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("expected");
    QTest::newRow("above the cells") << 9 << 8 << 1;
    QTest::newRow("below 1") << 0 << 8 << 8;
    QTest::newRow("far below") << -5 << 16 << 16;
    QTest::newRow("inside") << 5 << 8 << 5;
    QTest::newRow("last curve") << 1000 << 1000 << 1000;
    QTest::newRow("past the curves") << 1001 << 1000 << 1;
}

void EditorRowsTest::wrapsRecordNumbers()
{
    QFETCH(int, value);
    QFETCH(int, max);
    QFETCH(int, expected);
    QCOMPARE(wrapRecordIndex(value, max), expected);
}

void EditorRowsTest::readsStageInput_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("expected"); // -1: refused
    QTest::newRow("I 3") << u"I 3"_s << 3;
    QTest::newRow("I3") << u"I3"_s << 3;
    QTest::newRow("M16") << u"M16"_s << 32;
    QTest::newRow("M 1") << u"M 1"_s << 17;
    QTest::newRow("nothing may follow the number") << u"M16x"_s << -1;
    QTest::newRow("I123 is not I12") << u"I123"_s << -1;
    QTest::newRow("trailing blank") << u"I3 "_s << 3;
    QTest::newRow("lower case") << u"m3"_s << -1;
    QTest::newRow("other letter") << u"X3"_s << -1;
    QTest::newRow("I17") << u"I17"_s << -1;
    QTest::newRow("I0") << u"I0"_s << -1;
    QTest::newRow("M-1") << u"M-1"_s << -1;
    QTest::newRow("letter only") << u"I"_s << -1;
    QTest::newRow("empty") << QString() << -1;
    QTest::newRow("leading blank") << u" I3"_s << -1;
}

void EditorRowsTest::readsStageInput()
{
    expectParsed(parseStageInput);
}

void EditorRowsTest::readsStageOutput_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("expected"); // -1: refused
    QTest::newRow("7") << u"7"_s << 7;
    QTest::newRow("16") << u"16"_s << 16;
    QTest::newRow("123 is not 12") << u"123"_s << -1;
    QTest::newRow("trailing blank") << u"5 "_s << 5;
    QTest::newRow("17") << u"17"_s << -1;
    QTest::newRow("0") << u"0"_s << -1;
    QTest::newRow("blank and digit") << u" 5"_s << 5;
    QTest::newRow("trailing letter") << u"5x"_s << -1;
    QTest::newRow("empty") << QString() << -1;
}

void EditorRowsTest::readsStageOutput()
{
    expectParsed(parseStageOutput);
}

void EditorRowsTest::showsCellAtStartValues()
{
    const auto rig = testsupport::rigAtStartValues();
    const EditorPage page = CellsPage(*rig, 5);
    QCOMPARE(page.KeyTitle, "Cell");
    QCOMPARE(page.ValueTitle, "5");
    QVERIFY(!page.KeysEditable);
    const std::vector<EditorRow> expected {
        { "Name", "None" },
        { "Temp.,C", "  25.0" },
        { "Pressure", "    1.0000" },
        { "Mix", "5" },
        { "", "" },
        { "Leakage of O2", " 1.000E-0005" },
        { "Leakage of N2", " 0.000E+0000" },
        { "Leakage of H2", " 0.000E+0000" },
        { "Leakage of H2O", " 3.000E-0005" },
    };
    QVERIFY(page.Rows == expected);
}

void EditorRowsTest::refusesMixOutsideTheMixtures_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("expected");
    QTest::addColumn<bool>("refused");
    QTest::newRow("mixture 16") << u"16"_s << 16 << false;
    QTest::newRow("not fed") << u"0"_s << 0 << false;
    QTest::newRow("17") << u"17"_s << 3 << true;
    QTest::newRow("negative") << u"-1"_s << 3 << true;
    QTest::newRow("beyond u16") << u"65537"_s << 3 << true;
    QTest::newRow("not a number") << u"M3"_s << 3 << true;
    QTest::newRow("decimal") << u"4.0"_s << 3 << true;
    QTest::newRow("as shown") << u"3"_s << 3 << false;
}

void EditorRowsTest::refusesMixOutsideTheMixtures()
{
    QFETCH(QString, typed);
    QFETCH(int, expected);
    QFETCH(bool, refused);
    auto rig = testsupport::rigAtStartValues();
    const EditorPage shown = CellsPage(*rig, 3);
    auto rows = rowsWith(shown, 4, text(typed));
    rows[1].Value = "30.5"; // Temp, read before Mix
    rows[6].Value = "2e-6"; // LeakN2, read after it
    const RowRefusals refusals = ReadCellRows(*rig, 3, rows);
    QCOMPARE(int(rig->Cells[3].Mix), expected);
    QCOMPARE(!refusals.empty(), refused);
    if (!refusals.empty()) {
        QCOMPARE(refusals.front().Row, 4);
        QCOMPARE(refusals.front().Stored, std::string("3"));
    }
    if (parseInteger(text(typed)))
        QCOMPARE(RefusalMessage(refusals, "value").find("cell 3") != std::string::npos, refused);
    QCOMPARE(rig->Cells[3].Temp, 30.5);
    QCOMPARE(rig->Cells[3].LeakN2, 2e-6);
}

void EditorRowsTest::untouchedTextsKeepFullPrecision()
{
    auto rig = testsupport::rigAtStartValues();
    CellRecord& cell = rig->Cells[1];
    cell.Temp = 25.04;
    cell.LeakO2 = 1.23456e-5;
    FlowmeterRecord& stage = rig->Flowmeters[2];
    stage.FixGasT = 37.77;
    stage.FixGasUsed = 2; // a byte other than 0 and 1 counts as true and is kept
    rig->Flowmeters[9].Reading = 12.345;

    auto cellRows = rowsWith(CellsPage(*rig, 1), 1, "Oven");
    QVERIFY(ReadCellRows(*rig, 1, cellRows).empty());
    QCOMPARE(cell.Name.view(), "Oven");
    QCOMPARE(cell.Temp, 25.04);
    QCOMPARE(cell.LeakO2, 1.23456e-5);

    QVERIFY(ReadFlowmeterRows(*rig, 2, rowsWith(FlowmetersPage(*rig, 2), 1, "Brooks")).empty());
    QCOMPARE(stage.Make.view(), "Brooks");
    QCOMPARE(stage.FixGasT, 37.77);
    QCOMPARE(int(stage.FixGasUsed), 2);

    QVERIFY(ReadReadingRows(*rig, rowsWith(FlowmeterReadingsPage(*rig), 1, "4")).empty());
    QCOMPARE(rig->Flowmeters[1].Reading, 4.0);
    QCOMPARE(rig->Flowmeters[9].Reading, 12.345);

    // A text the operator changed is stored even when it means the shown value.
    QVERIFY(ReadCellRows(*rig, 1, rowsWith(CellsPage(*rig, 1), 2, "25.0")).empty());
    QCOMPARE(cell.Temp, 25.0);
}

void EditorRowsTest::readsInputGasComponents()
{
    auto rig = testsupport::rigAtStartValues();
    std::vector<EditorRow> rows(EditorRowCount);
    rows[0] = { "N2", "0.79" };
    rows[1] = { "O2", " 0.21" };
    rows[2] = { "Ar", "-0.01" };
    rows[3] = { "  ", "0.5" };
    rows[4] = { "Carbondioxide", "abc" };
    rows[12] = { "Kr", "0.3" }; // row 13 is not a component
    const RowRefusals refusals = ReadInputGasRows(*rig, 4, rows, "Synthetic air!");
    // Texts longer than their fields are refused, not cut; a refused name refuses its whole row,
    // and a fraction without a name is not taken.
    QCOMPARE(refusals.size(), std::size_t(4));
    QCOMPARE(refusals[0].Clause, std::string("Ar: \"-0.01\" is negative"));
    QCOMPARE(refusals[1].Clause,
        std::string("Component 4: the fraction 0.5 has no name (a component is removed by "
                    "entering 0)"));
    QCOMPARE(refusals[2].Clause,
        std::string("Component 5: \"Carbondioxide\" is longer than 12 characters"));
    QCOMPARE(
        refusals[3].Clause, std::string("Name: \"Synthetic air!\" is longer than 12 characters"));
    const GasRecord& gas = rig->InputGases[4];
    QCOMPARE(gas.Name.view(), ""); // as it was
    QCOMPARE(gas.Components[1].Name.view(), "N2");
    QCOMPARE(gas.Components[1].Fraction, 0.79);
    QCOMPARE(gas.Components[2].Fraction, 0.21);
    QCOMPARE(gas.Components[3].Fraction, 0.0);
    QCOMPARE(gas.Components[4].Fraction, 0.0);
    QCOMPARE(gas.Components[5].Name.view(), "");
    QCOMPARE(gas.Components[5].Fraction, 0.0);
    QVERIFY(isSet(gas.Defined));
    QVERIFY(FractionSumNote(*rig, 4).empty());

    // A name cleared beside its fraction is refused as well; the row stays whole.
    rows = InputGasesPage(*rig, 4).Rows;
    rows.resize(EditorRowCount);
    rows[1].Key = " ";
    QCOMPARE(ReadInputGasRows(*rig, 4, rows, "").size(), std::size_t(1));
    QCOMPARE(gas.Components[2].Name.view(), "O2");
    // Fractions that do not add up to 1 are taken as typed, with a note.
    rows[1] = { "O2", "0.91" };
    rows[2] = { "Ar", "0" };
    QVERIFY(ReadInputGasRows(*rig, 4, rows, "").empty());
    QCOMPARE(FractionSumNote(*rig, 4),
        std::string("The fractions of I 4 add up to 1.7, not 1; Execute takes them as they are."));

    // Zero removes a component from Defined.
    rows[0].Value = "0";
    rows[1].Value = "0";
    QVERIFY(ReadInputGasRows(*rig, 4, rows, "Empty").empty());
    QVERIFY(!isSet(gas.Defined));
    QVERIFY(FractionSumNote(*rig, 4).empty());
}

void EditorRowsTest::namesEveryRefusedRow_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("clause"); // empty: taken
    QTest::addColumn<QString>("stored");
    const int cells = EditModes::OutputCells;
    const int stages = EditModes::Flowmeters;
    const int readings = EditModes::FlowmeterReadings;
    QTest::newRow("letters") << readings << 4 << u"abc"_s << u"F 4: \"abc\" is not a number"_s
                             << u"60.0"_s;
    QTest::newRow("decimal comma")
        << readings << 4 << u"12,5"_s << u"F 4: \"12,5\" is not a number"_s << u"60.0"_s;
    QTest::newRow("beyond a double")
        << readings << 4 << u"1e400"_s << u"F 4: \"1e400\" is too large"_s << u"60.0"_s;
    QTest::newRow("infinity") << readings << 4 << u"inf"_s << u"F 4: \"inf\" is not a number"_s
                              << u"60.0"_s;
    QTest::newRow("cleared") << readings << 4 << u" "_s << u"F 4: no value"_s << u"60.0"_s;
    QTest::newRow("a reading") << readings << 4 << u"-7"_s << QString() << QString();
    QTest::newRow("hot") << cells << 2 << u"hot"_s << u"Temp.,C: \"hot\" is not a number"_s
                         << u"20.0"_s;
    QTest::newRow("leakage") << cells << 9 << u"1e-5x"_s
                             << u"Leakage of H2O: \"1e-5x\" is not a number"_s << u"0.000E+0000"_s;
    QTest::newRow("X3") << stages << 4 << u"X3"_s << u"Input: \"X3\" is not I1..I16 or M1..M16"_s
                        << u"I 1"_s;
    QTest::newRow("I17") << stages << 4 << u"I17"_s << u"Input: \"I17\" is not I1..I16 or M1..M16"_s
                         << u"I 1"_s;
    QTest::newRow("17") << stages << 5 << u"17"_s << u"Output: \"17\" is not a mixture 1..16"_s
                        << u"1"_s;
    QTest::newRow("123") << stages << 5 << u"123"_s << u"Output: \"123\" is not a mixture 1..16"_s
                         << u"1"_s;
    QTest::newRow("fix gas T") << stages << 8 << u"warm"_s << u"FixGasT: \"warm\" is not a number"_s
                               << u"0.0"_s;
    QTest::newRow("yes") << stages << 10 << u"yes"_s << QString() << QString();
    QTest::newRow("n") << stages << 11 << u"n"_s << QString() << QString();
    QTest::newRow("maybe") << stages << 10 << u"maybe"_s << u"FixGasUsed: \"maybe\" is not Y or N"_s
                           << u"N"_s;
    QTest::newRow("no flag") << stages << 11 << u""_s << u"FixGasBefore: no value"_s << u"Y"_s;
    QTest::newRow("long make") << stages << 1 << u"Rotameter"_s
                               << u"Make: \"Rotameter\" is longer than 8 characters"_s << u"None"_s;
    QTest::newRow("long name") << cells << 1 << u"Furnace number 1"_s
                               << u"Name: \"Furnace number 1\" is longer than 12 characters"_s
                               << u"None"_s;
    QTest::newRow("12 characters") << cells << 1 << u"Furnace no 1"_s << QString() << QString();
    QTest::newRow("vacuum") << cells << 3 << u"0"_s << u"Pressure: \"0\" is not above 0 bar"_s
                            << u"1.0000"_s;
    QTest::newRow("negative pressure")
        << cells << 3 << u"-1"_s << u"Pressure: \"-1\" is not above 0 bar"_s << u"1.0000"_s;
}

// Each editor refuses what it cannot take, names the row by its key and keeps the stored value.
void EditorRowsTest::namesEveryRefusedRow()
{
    QFETCH(int, mode);
    QFETCH(int, row);
    QFETCH(QString, typed);
    QFETCH(QString, clause);
    QFETCH(QString, stored);
    const auto prepared = [] {
        auto rig = testsupport::rigAtStartValues();
        rig->Flowmeters[4].Reading = 60.0;
        rig->Flowmeters[1].FixGasT = 0.0;
        rig->Cells[1].Temp = 20.0;
        rig->Cells[1].LeakH2O = 0.0;
        return rig;
    };
    auto rig = prepared();
    const auto before = prepared();
    RowRefusals refusals;
    switch (mode) {
    case EditModes::OutputCells:
        refusals = ReadCellRows(*rig, 1, rowsWith(CellsPage(*rig, 1), row, text(typed)));
        break;
    case EditModes::Flowmeters:
        refusals = ReadFlowmeterRows(*rig, 1, rowsWith(FlowmetersPage(*rig, 1), row, text(typed)));
        break;
    default:
        refusals = ReadReadingRows(*rig, rowsWith(FlowmeterReadingsPage(*rig), row, text(typed)));
        break;
    }
    if (clause.isEmpty()) {
        QVERIFY(refusals.empty());
        return;
    }
    QCOMPARE(refusals.size(), std::size_t(1));
    QCOMPARE(refusals[0].Row, row);
    QCOMPARE(refusals[0].Clause, text(clause));
    QCOMPARE(refusals[0].Stored, text(stored));
    QVERIFY(std::memcmp(&rig->Cells[1], &before->Cells[1], sizeof(CellRecord)) == 0);
    QCOMPARE(rig->Flowmeters[1].Input, before->Flowmeters[1].Input);
    QCOMPARE(rig->Flowmeters[1].Output, before->Flowmeters[1].Output);
    QCOMPARE(rig->Flowmeters[4].Reading, 60.0);
}

void EditorRowsTest::tellsRefusalsInOneSentence()
{
    auto rig = testsupport::rigAtStartValues();
    rig->Flowmeters[4].Reading = 60.0;
    auto rows = rowsWith(FlowmeterReadingsPage(*rig), 4, "abc");
    const RowRefusals one = ReadReadingRows(*rig, rows);
    QCOMPARE(RefusalMessage(one, "reading"),
        std::string("F 4: \"abc\" is not a number; the reading stays 60.0."));
    rows[6].Value = "1e400";
    rows[8].Value = "12,5";
    rows[9].Value = "3.5";
    const RowRefusals three = ReadReadingRows(*rig, rows);
    QCOMPARE(RefusalMessage(three, "reading"),
        std::string("F 4: \"abc\" is not a number, F 7: \"1e400\" is too large and F 9: "
                    "\"12,5\" is not a number; those readings stay as they were."));
    QCOMPARE(rig->Flowmeters[10].Reading, 3.5);
    QVERIFY(RefusalMessage({}, "reading").empty());
}

} // namespace meldrix

QTEST_APPLESS_MAIN(meldrix::EditorRowsTest)
#include "EditorRowsTest.moc"
