#include "ui/TForm1.h"

#include "rig/DataFiles.h"
#include "rig/StartUp.h"
#include "support/Bytes.h"
#include "support/KeyChords.h"
#include "support/TempDir.h"
#include "support/WindowTest.h"
#include "tabed/qt/TCeltrix.h"
#include "ui/DiagramArea.h"
#include "ui/MessageLine.h"
#include "ui/ParameterEditor.h"

#include <QAction>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>

using namespace Qt::Literals::StringLiterals;

namespace meldrix {
namespace {

// Every record of a rig, to tell what a command changed.
struct Records {
    explicit Records(const Rig& rig)
        : InputGases(rig.InputGases)
        , Flowmeters(rig.Flowmeters)
        , CalCurves(rig.CalCurves)
        , Cells(rig.Cells)
    {
    }
    OneBased<GasRecord, MaxInputGases> InputGases;
    OneBased<FlowmeterRecord, MaxFlowmeters> Flowmeters;
    OneBased<CalCurveRecord, MaxCalCurves> CalCurves;
    OneBased<CellRecord, MaxCells> Cells;

    friend bool operator==(const Records&, const Records&) = default;
};

std::unique_ptr<Records> recordsOf(const Rig& rig)
{
    return std::make_unique<Records>(rig);
}

// The bytes of the field that an editor row may change; rows without a field have none.
struct FieldBytes {
    std::size_t offset = 0;
    std::size_t size = 0;
};

const FieldBytes CellFields[] { {}, { offsetof(CellRecord, Name), sizeof(CellRecord::Name) },
    { offsetof(CellRecord, Temp), 8 }, { offsetof(CellRecord, Pressure), 8 },
    { offsetof(CellRecord, Mix), 2 }, {}, { offsetof(CellRecord, LeakO2), 8 },
    { offsetof(CellRecord, LeakN2), 8 }, { offsetof(CellRecord, LeakH2), 8 },
    { offsetof(CellRecord, LeakH2O), 8 }, {}, {}, {} };

const FieldBytes StageFields[] { {}, { offsetof(FlowmeterRecord, Make), 9 },
    { offsetof(FlowmeterRecord, Size), 9 }, { offsetof(FlowmeterRecord, Float), 9 },
    { offsetof(FlowmeterRecord, Input), 2 }, { offsetof(FlowmeterRecord, Output), 2 },
    { offsetof(FlowmeterRecord, FixGas), 9 }, { offsetof(FlowmeterRecord, FixGasType), 9 },
    { offsetof(FlowmeterRecord, FixGasT), 8 }, {}, { offsetof(FlowmeterRecord, FixGasUsed), 1 },
    { offsetof(FlowmeterRecord, FixGasBefore), 1 }, {} };

template <typename Record>
void copyField(Record& to, const Record& from, FieldBytes field)
{
    std::memcpy(reinterpret_cast<char*>(&to) + field.offset,
        reinterpret_cast<const char*>(&from) + field.offset, field.size);
}

const QStringList NastyTexts { QString(), u" "_s, u"-"_s, u"1e999"_s, u"nan"_s, u"inf"_s, u"0x10"_s,
    u"M-1"_s, u"I0"_s, u"99999999999999999999"_s, QString(300, u'x'), u"\t"_s, u"17"_s, u"Y"_s,
    u"-0"_s, u"12.5"_s };

} // namespace

class TForm1Test : public testsupport::WindowTest {
    Q_OBJECT
private Q_SLOTS:
    void init();

    void showsDesignedLayout_data();
    void showsDesignedLayout();
    void placesTheTwoTableEditors();
    void docksEditorAboveTheMessageLine();
    void buildsTheMenuTree();
    void okAndCommandsStillToComeChangeNothing();

    void showsFlowmeterThreeAtStartValues();
    void wrapsTheCellEditorAround();
    void stepsNoRecordOverTextNotYetTaken();
    void fitsASmallScreenAndKeepsItsMessagesAtHand();
    void readsFlowmeterTexts();
    void editsInputGas();
    void editsReadings();
    void typedTextGoesToTheRecordShown();
    void typedTextChangesOnlyItsOwnField();
    void opensEditorsOnAFreshWindow();
    void editorsHideTheCalibrationViews();

    void opensFilesFromTheDataSetFolder();
    void reportsFileProblems();
    void savesUnderChosenNames();
    void cancelledDialogChangesNothing();

    void catchesAnExceptionInACommand();
    void paintsTheDiagramThroughItsPainter();
    void exitClosesTheWindow();

private:
    QString header(int column) const { return editor()->horizontalHeaderItem(column)->text(); }
    void answerDialogsWith(std::optional<QString> path);
    void writeDataSet(const std::string& base, const std::function<void(Rig&)>& change);

    QFileDialog* m_lastDialog = nullptr;
};

void TForm1Test::init()
{
    QVERIFY(showWindowInNewFolder());
    answerDialogsWith(std::nullopt);
}

void TForm1Test::answerDialogsWith(std::optional<QString> path)
{
    m_window->setFileChooser([this, path](QFileDialog& dialog) {
        m_lastDialog = &dialog;
        return path;
    });
}

void TForm1Test::writeDataSet(const std::string& base, const std::function<void(Rig&)>& change)
{
    auto other = testsupport::rigAtStartValues();
    change(*other);
    SetFileNamesFromBase(*other, base);
    QVERIFY(!SaveAll(*other));
}

void TForm1Test::showsDesignedLayout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<bool>("visible");
    QTest::newRow("SpinEdit1") << u"SpinEdit1"_s << QRect(824, 8, 65, 49) << true;
    QTest::newRow("Button1") << u"Button1"_s << QRect(821, 73, 65, 65) << true;
    QTest::newRow("Edit2") << u"Edit2"_s << QRect(821, 144, 65, 21) << false;
    QTest::newRow("CalCurveEdit") << u"CalCurveEdit"_s << QRect(824, 400, 235, 408) << false;
    QTest::newRow("CellTabEd") << u"CellTabEd"_s << QRect(0, 0, 815, 150) << false;
    QTest::newRow("Vistrel1") << u"Vistrel1"_s << QRect(583, 615, 235, 193) << false;
    QTest::newRow("CalGrid1") << u"CalGrid1"_s << QRect(50, 616, 495, 192) << false;
    QTest::newRow("ValueListEditor1") << u"ValueListEditor1"_s << QRect(891, 0, 176, 853) << false;
    QTest::newRow("Message1") << u"Message1"_s << QRect(0, 833, 1067, 20) << false;
}

void TForm1Test::showsDesignedLayout()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(bool, visible);
    QCOMPARE(m_window->windowTitle(), u"Meldrix 0.301"_s);
    QCOMPARE(m_window->centralWidget()->size(), QSize(1067, 853));
    QCOMPARE(m_window->font().pixelSize(), 11);
    auto* widget = control(name);
    QVERIFY(widget);
    QCOMPARE(widget->parentWidget(), m_window->centralWidget());
    QCOMPARE(widget->geometry(), geometry);
    QCOMPARE(widget->isVisible(), visible);

    // Start-up prepares 32 rows below the title; the window brings the first, "Dummy".
    QCOMPARE(editor()->rowCount(), EditorRowCount);
    QCOMPARE(editor()->key(1), u"Dummy"_s);
    QCOMPARE(header(0), u"Parameter"_s);
    QCOMPARE(header(1), u"Value"_s);
    TForm1 fresh;
    QCOMPARE(fresh.findChild<ParameterEditor*>(u"ValueListEditor1"_s)->rowCount(), 1);
    snapshot(u"startup"_s);
}

void TForm1Test::placesTheTwoTableEditors()
{
    auto* cells = m_window->findChild<TCeltrix*>(u"CellTabEd"_s);
    auto* points = m_window->findChild<TCeltrix*>(u"CalCurveEdit"_s);
    QVERIFY(cells && points);
    QCOMPARE(cells->NrOfColumns(), 8);
    QCOMPARE(cells->NrOfRows(), 12);
    QCOMPARE(cells->ColWidth(0), 80);
    QCOMPARE(cells->ColWidth(8), 92);
    QCOMPARE(points->NrOfColumns(), 2);
    QCOMPARE(points->NrOfRows(), 20);
    QCOMPARE(points->ColWidth(0), 80);
    QCOMPARE(points->ColWidth(1), 66);
    QCOMPARE(points->ColWidth(2), 78);
}

void TForm1Test::docksEditorAboveTheMessageLine()
{
    QCOMPARE(message()->text(), u"Messages."_s);
    QCOMPARE(message()->font().pixelSize(), 16);
    trigger(u"OutputCells3"_s);
    type(4, u"40"_s);
    pressOk();
    QVERIFY(message()->isVisible());
    QVERIFY(message()->text().startsWith(u"Mix 40 of cell 1 is refused"_s));
    QCOMPARE(rig().Cells[1].Mix, 1);
    QCOMPARE(editor()->geometry(), QRect(891, 0, 176, 833));
    snapshot(u"message"_s);

    m_window->resize(m_window->width() + 100, m_window->height() + 50);
    QTRY_COMPARE(m_window->centralWidget()->width(), 1167);
    QCOMPARE(message()->geometry(), QRect(0, 883, 1167, 20));
    QCOMPARE(editor()->geometry(), QRect(991, 0, 176, 883));
    // The spin box and OK stay beside the editor; the calibration views keep to the bottom.
    QCOMPARE(spin()->geometry(), QRect(924, 8, 65, 49));
    QCOMPARE(control(u"CalGrid1"_s)->geometry(), QRect(50, 666, 495, 192));
    QCOMPARE(control(u"CalCurveEdit"_s)->geometry(), QRect(924, 450, 235, 408));
}

void TForm1Test::buildsTheMenuTree()
{
    const char* const tree[][3] = { { "MainMenu1", "File1", "&File" },
        { "File1", "OpenAll1", "Open All" }, { "File1", "g1", "&Open" },
        { "g1", "InputGases1", "&InputGases" }, { "g1", "MixerOutline1", "Mixer" },
        { "g1", "Calibrations1", "Calibrations" }, { "g1", "OutputCells1", "&OutputCells" },
        { "File1", "Save1", "&Save" }, { "Save1", "InputMixtures1", "&InputGases" },
        { "Save1", "Mixer1", "Mixer" }, { "Save1", "Calibrations2", "Calibrations" },
        { "Save1", "Cells1", "&OutputCells" }, { "File1", "SaveAs1", "Save As" },
        { "SaveAs1", "InputMixtures2", "&InputGases" }, { "SaveAs1", "Flowmeters1", "Mixer" },
        { "SaveAs1", "Calibrations3", "Calibrations" },
        { "SaveAs1", "OutputCells2", "OutputCells" }, { "File1", "SaveAll1", "Save All" },
        { "File1", "SaveAllAs1", "Save All As" }, { "File1", "Exit1", "E&xit" },
        { "MainMenu1", "Edit1", "&Edit" }, { "Edit1", "InputMixtures3", "InputMixtures" },
        { "Edit1", "Flowmeters2", "Flowmeters" }, { "Edit1", "Calibrations4", "Calibrations" },
        { "Edit1", "OutputCells3", "&OutputCells" },
        { "MainMenu1", "FlowmeterReadings1", "Flowmeter&Readings" },
        { "MainMenu1", "Run1", "E&xecute" }, { "MainMenu1", "Se1", "&Settings" },
        { "Se1", "Linlogtoggle1", "&Lin/log toggle" },
        { "Se1", "EquilRTtoggle1", "&Equil./RT toggle" }, { "MainMenu1", "View1", "&View" },
        { "View1", "Messages1", "&Messages\u2026" }, { "View1", "FitToWindow1", "&Fit to window" },
        { "View1", "ActualSize1", "&Actual size" }, { "MainMenu1", "Help1", "Help" },
        { "Help1", "AboutMeldrix1", "About Meldrix" } };
    for (const auto& [menu, name, caption] : tree) {
        const QWidget* owner = control(QString::fromLatin1(menu));
        QVERIFY2(owner, menu);
        const QAction* item = nullptr;
        for (const QAction* candidate : owner->actions())
            if (candidate->objectName() == QLatin1StringView(name))
                item = candidate;
        QVERIFY2(item, name);
        QCOMPARE(item->text(), QString::fromUtf8(caption));
    }
}

void TForm1Test::okAndCommandsStillToComeChangeNothing()
{
    const auto before = recordsOf(rig());
    pressOk();
    for (const QString& name : { u"Linlogtoggle1"_s, u"Linlogtoggle1"_s, u"EquilRTtoggle1"_s })
        trigger(name);
    // The toggles show their state even before there is a table to show it in.
    QVERIFY(control<QAction>(u"EquilRTtoggle1"_s)->isChecked());
    QVERIFY(!control<QAction>(u"Linlogtoggle1"_s)->isChecked());
    // About shows the version, the thermodynamic data's source and the licence.
    QString about;
    m_window->setQuestionAsker([&about](QMessageBox& box) {
        about = box.text();
        return QMessageBox::Ok;
    });
    trigger(u"AboutMeldrix1"_s);
    for (const QString& part : { u"0.301"_s, u"NASA/TP-2002-211556"_s, u"Licence"_s })
        QVERIFY2(about.contains(part), qPrintable(part));
    pressOk();
    QVERIFY(*recordsOf(rig()) == *before);
    QCOMPARE(rig().EditMode, EditModes::None);
    QVERIFY(!rig().LogDisplay);
    QVERIFY(rig().EquilDisplay);
    QVERIFY(message()->isHidden());
    QVERIFY(editor()->isHidden());
    QVERIFY(m_window->isVisible());

    // Execute changes no record but the cells' EquilDone: all are fed, none has a compound.
    trigger(u"Run1"_s);
    for (int c = 1; c <= MaxCells; ++c) {
        QCOMPARE(rig().Cells[c].EquilDone, 1);
        rig().Cells[c].EquilDone = 0;
    }
    QVERIFY(*recordsOf(rig()) == *before);
    QVERIFY(message()->isHidden());
}

void TForm1Test::showsFlowmeterThreeAtStartValues()
{
    trigger(u"Flowmeters2"_s);
    QCOMPARE(spin()->value(), 1);
    spin()->stepUp();
    spin()->stepUp();
    QCOMPARE(rig().CurrentFlowmeter, 3);
    QCOMPARE(header(0), u"Flowmeter"_s);
    QCOMPARE(header(1), u"3 None"_s);
    const QStringList keys { u"Make"_s, u"Size"_s, u"Float"_s, u"Input"_s, u"Output"_s, u"FixGas"_s,
        u"FixGasType"_s, u"FixGasT"_s, u"****"_s, u"FixGasUsed"_s, u"FixGasBefore"_s };
    const QStringList values { u"None"_s, u"None"_s, u"None"_s, u"I 1"_s, u"2"_s, u"H2O"_s,
        u"Pure"_s, u"  25.0"_s, u"****"_s, u"N"_s, u"Y"_s };
    for (int row = 1; row <= EditorRowCount; ++row) {
        const bool shown = row <= keys.size();
        QCOMPARE(editor()->key(row), shown ? keys[row - 1] : QString());
        QCOMPARE(value(row), shown ? values[row - 1] : QString());
        QVERIFY(!(editor()->item(row - 1, 0)->flags() & Qt::ItemIsEditable));
    }
    QVERIFY(spin()->isVisible());
    QVERIFY(control(u"Edit2"_s)->isHidden());
    snapshot(u"flowmeters"_s);
}

void TForm1Test::stepsNoRecordOverTextNotYetTaken()
{
    trigger(u"OutputCells3"_s);
    type(2, u"750"_s);
    // The arrow as a person clicks it: the text typed into cell 1 is not dropped.
    QTest::keyClick(spin(), Qt::Key_Up);
    QCOMPARE(rig().CurrentCell, 1);
    QCOMPARE(spin()->value(), 1);
    QCOMPARE(value(2), u"750"_s);
    QVERIFY(message()->text().startsWith(
        u"Not stepped to another record: Temp.,C holds text not yet taken with OK"_s));
    // The typing undone by hand, nothing waits for OK: the message goes with the text.
    trigger(u"InputMixtures3"_s);
    auto* name = control<QLineEdit>(u"Edit2"_s);
    QTest::mouseClick(name, Qt::LeftButton);
    testsupport::pressChord(Qt::Key_End);
    testsupport::typeChords(u"X"_s);
    QTest::keyClick(spin(), Qt::Key_Up);
    QVERIFY(message()->text().startsWith(u"Not stepped to another record: the name holds"_s));
    QTest::mouseClick(name, Qt::LeftButton);
    testsupport::pressChord(Qt::Key_End);
    testsupport::pressChord(Qt::Key_Backspace);
    QVERIFY(message()->isHidden());
    QTest::keyClick(spin(), Qt::Key_Up);
    QCOMPARE(rig().CurrentInputGas, 2);
    trigger(u"OutputCells3"_s);

    // A refusal goes once OK takes the row cleanly.
    type(2, u"hot"_s);
    pressOk();
    QVERIFY(message()->text().startsWith(u"Temp.,C: \"hot\" is not a number"_s));
    type(2, u"750"_s);
    pressOk();
    QVERIFY(message()->isHidden());
    QCOMPARE(rig().Cells[1].Temp, 750.0);
    QTest::keyClick(spin(), Qt::Key_Up);
    QCOMPARE(rig().CurrentCell, 2);
}

void TForm1Test::fitsASmallScreenAndKeepsItsMessagesAtHand()
{
    // A 1366 x 768 laptop screen with a panel: the window, its frame allowed for, lies inside.
    const QRect laptop(0, 0, 1366, 740);
    m_window->fitToScreen(laptop);
    QVERIFY(laptop.contains(QRect(m_window->pos(), m_window->size() + QSize(16, 40))));
    const QRect area = m_window->centralWidget()->rect();
    QTRY_VERIFY(area.contains(control<QWidget>(u"Button1"_s)->geometry()));
    QVERIFY(control<DiagramArea>(u"MixerDiagram"_s)->scale() < 1.0);
    // The calibration editor shows whole above the message line, the curve list many rows.
    ShowMessage(rig(), "A message takes the bottom line.");
    trigger(u"Calibrations4"_s);
    QVERIFY(message()->isVisible());
    for (const char* name : { "CalGrid1", "CalCurveEdit", "Vistrel1" })
        QVERIFY2(
            message()->geometry().top() > control(QString::fromLatin1(name))->geometry().bottom()
                && control(QString::fromLatin1(name))->geometry().top() >= 0,
            name);
    auto* grid = control<QTableView>(u"CalGrid1"_s);
    QVERIFY(grid->rowAt(grid->viewport()->height() - 1) >= 7);
    snapshot(u"calibration-small-screen"_s);
    trigger(u"ActualSize1"_s);
    QCOMPARE(control<DiagramArea>(u"MixerDiagram"_s)->scale(), 1.0);
    trigger(u"FitToWindow1"_s);

    // A large screen gets a larger window, and the diagram grows with it.
    const QRect large(0, 0, 1920, 1080);
    m_window->fitToScreen(large);
    QVERIFY(large.contains(QRect(m_window->pos(), m_window->size() + QSize(16, 40))));
    QVERIFY(m_window->width() > 1200);
    QTRY_VERIFY(control<DiagramArea>(u"MixerDiagram"_s)->scale() > 1.1);
    trigger(u"ActualSize1"_s);

    // Every message is kept with its time; the line shows a long one elided in the middle.
    const QString longText = QString(u"x"_s).repeated(400) + u" the end"_s;
    trigger(u"OutputCells3"_s);
    type(2, u"hot"_s);
    pressOk();
    trigger(u"Messages1"_s);
    auto* log = m_window->findChild<QPlainTextEdit*>(u"MessagesText1"_s);
    QVERIFY(log);
    QVERIFY(log->toPlainText().contains(u"Temp.,C: \"hot\" is not a number"_s));
    // Escape closes the log as it closes a dialog.
    auto* logWindow = control<QWidget>(u"MessagesWindow"_s);
    QVERIFY(logWindow && logWindow->isVisible());
    QApplication::setActiveWindow(logWindow);
    QTest::keyClick(log, Qt::Key_Escape);
    QVERIFY(logWindow->isHidden());
    trigger(u"Messages1"_s);
    auto* line = static_cast<MessageLabel*>(message());
    type(2, longText);
    pressOk();
    QVERIFY(line->text().contains(u"the end"_s));
    QVERIFY(line->shownText().startsWith(u"Temp.,C: "_s));
    QVERIFY(line->shownText().contains(u"\u2026"_s));
    QVERIFY(line->shownText().endsWith(line->text().right(4)));
    QCOMPARE(line->toolTip(), line->text());
    QCOMPARE(log->toPlainText().count(u'\n'), 3); // the calibration editor's message first
}

void TForm1Test::wrapsTheCellEditorAround()
{
    trigger(u"OutputCells3"_s);
    QCOMPARE(header(0), u"Cell"_s);
    QCOMPARE(header(1), u"1"_s);
    spin()->stepDown();
    QCOMPARE(rig().CurrentCell, 8);
    QCOMPARE(header(1), u"8"_s);
    QCOMPARE(value(4), u"8"_s);
    spin()->stepUp();
    QCOMPARE(rig().CurrentCell, 1);
    QCOMPARE(header(1), u"1"_s);
    spin()->stepBy(4);
    QCOMPARE(value(4), u"5"_s);
    QCOMPARE(value(6), u" 1.000E-0005"_s);
    snapshot(u"cells"_s);

    // Every text is readable without widening a column: a pixel of margin each side, the grid.
    const QFontMetrics metrics(editor()->font());
    for (int row = 1; row <= 9; ++row)
        for (int column = 0; column < 2; ++column) {
            const QString text = editor()->item(row - 1, column)->text();
            QVERIFY2(metrics.horizontalAdvance(text) + 3 <= editor()->columnWidth(column),
                qPrintable(text));
        }
    QVERIFY(editor()->columnWidth(0) + editor()->columnWidth(1) <= editor()->viewport()->width());
}

void TForm1Test::readsFlowmeterTexts()
{
    trigger(u"Flowmeters2"_s);
    type(1, u"Bronkhor"_s); // a longer make is refused, not cut (see EditorRowsTest)
    type(4, u"M16"_s);
    type(5, u"12"_s);
    type(10, u"no"_s); // y, yes, n and no are taken as Y and N
    type(11, u"Y"_s);
    pressOk();
    const FlowmeterRecord& stage = rig().Flowmeters[1];
    QCOMPARE(stage.Make.view(), "Bronkhor");
    QCOMPARE(stage.Input, 32);
    QCOMPARE(stage.Output, 12);
    QCOMPARE(stage.FixGasUsed, 0);
    QCOMPARE(stage.FixGasBefore, 1);
    // The typed texts stay until the editor shows the record again.
    QCOMPARE(value(5), u"12"_s);
    trigger(u"Flowmeters2"_s);
    QCOMPARE(value(4), u"M16"_s);
    QCOMPARE(value(5), u"12"_s);

    type(4, u"I17"_s);
    type(5, u"17"_s);
    type(10, u"Y"_s);
    pressOk();
    QCOMPARE(stage.Input, 32);
    QCOMPARE(stage.Output, 12);
    QCOMPARE(stage.FixGasUsed, 1);
}

void TForm1Test::editsInputGas()
{
    trigger(u"InputMixtures3"_s);
    auto* name = control<QLineEdit>(u"Edit2"_s);
    QVERIFY(name->isVisible());
    QCOMPARE(header(0), u"Input Mix"_s);
    QCOMPARE(header(1), u"1 "_s);
    QVERIFY(editor()->item(0, 0)->flags() & Qt::ItemIsEditable);
    spin()->stepDown();
    QCOMPARE(rig().CurrentInputGas, 16);

    editor()->item(0, 0)->setText(u"N2"_s);
    type(1, u"0.79"_s);
    editor()->item(1, 0)->setText(u"Ar"_s);
    type(2, u"-0.01"_s);
    name->setText(u"Synthetic ai"_s);
    pressOk();
    const GasRecord& gas = rig().InputGases[16];
    QCOMPARE(gas.Name.view(), "Synthetic ai");
    QCOMPARE(rig().Gases[16].Name.view(), "Synthetic ai");
    QCOMPARE(gas.Components[1].Fraction, 0.79);
    QCOMPARE(gas.Components[2].Name.view(), "Ar");
    QCOMPARE(gas.Components[2].Fraction, 0.0);
    QVERIFY(isSet(gas.Defined));
    // OK shows the gas again as stored.
    QCOMPARE(header(1), u"16 Synthetic ai"_s);
    QCOMPARE(value(1), u"0.79000000"_s);
    QCOMPARE(value(2), QString());
    QCOMPARE(name->text(), u"Synthetic ai"_s);
    snapshot(u"inputgases"_s);

    type(1, u"0"_s);
    pressOk();
    QCOMPARE(value(1), QString());
    QVERIFY(!isSet(gas.Defined));
}

void TForm1Test::editsReadings()
{
    trigger(u"FlowmeterReadings1"_s);
    QCOMPARE(header(0), u"Flowmeter"_s);
    QCOMPARE(header(1), u"Readings"_s);
    QCOMPARE(editor()->key(1), u"F 1"_s);
    QCOMPARE(value(1), u"   0.0"_s);
    QCOMPARE(editor()->key(16), u"F16"_s);
    QCOMPARE(editor()->key(17), QString());
    QVERIFY(spin()->isHidden());
    QVERIFY(control(u"Edit2"_s)->isHidden());
    snapshot(u"readings"_s);

    rig().Flowmeters[4].Reading = 3.0;
    type(4, u"lots"_s);
    type(5, u"12.5"_s);
    type(6, u"-7"_s);
    pressOk();
    QCOMPARE(rig().Flowmeters[4].Reading, 3.0);
    QCOMPARE(rig().Flowmeters[5].Reading, 12.5);
    QCOMPARE(rig().Flowmeters[6].Reading, -7.0);

    // The spin box does nothing while the readings are shown.
    spin()->setValue(9);
    QCOMPARE(rig().EditMode, EditModes::FlowmeterReadings);
    QCOMPARE(rig().CurrentFlowmeter, 1);
    QCOMPARE(value(5), u"12.5"_s);
}

void TForm1Test::typedTextGoesToTheRecordShown()
{
    const auto typeIntoName = [this] {
        editor()->setCurrentCell(0, 1);
        editor()->editItem(editor()->item(0, 1));
        auto* field = qobject_cast<QLineEdit*>(editor()->indexWidget(editor()->currentIndex()));
        QVERIFY(field);
        field->selectAll();
        QTest::keyClicks(field, u"Oven 7"_s);
    };
    // The spin box does not step away from text still being typed for the cell shown.
    trigger(u"OutputCells3"_s);
    typeIntoName();
    spin()->stepUp();
    pressOk();
    QCOMPARE(rig().Cells[1].Name.view(), "Oven 7");
    QCOMPARE(rig().Cells[2].Name.view(), "None");

    // OK takes it over, even when the focus is still in the cell.
    spin()->stepUp();
    typeIntoName();
    control<QPushButton>(u"Button1"_s)->click();
    QCOMPARE(rig().Cells[2].Name.view(), "Oven 7");
}

void TForm1Test::typedTextChangesOnlyItsOwnField()
{
    for (int row = 1; row <= 12; ++row) {
        for (const QString& text : NastyTexts) {
            trigger(u"OutputCells3"_s);
            auto expected = recordsOf(rig());
            type(row, text);
            pressOk();
            copyField(expected->Cells[1], rig().Cells[1], CellFields[row]);
            QVERIFY2(*recordsOf(rig()) == *expected, qPrintable(u"cell row %1"_s.arg(row)));

            trigger(u"Flowmeters2"_s);
            expected = recordsOf(rig());
            type(row, text);
            pressOk();
            copyField(expected->Flowmeters[1], rig().Flowmeters[1], StageFields[row]);
            QVERIFY2(*recordsOf(rig()) == *expected, qPrintable(u"stage row %1"_s.arg(row)));
        }
    }

    // Names are stored as Latin-1; a character beyond it becomes '?'.
    trigger(u"OutputCells3"_s);
    type(1, u"ÄÖü"_s);
    pressOk();
    QCOMPARE(rig().Cells[1].Name.view(), "\xC4\xD6\xFC");
    trigger(u"OutputCells3"_s);
    QCOMPARE(value(1), u"ÄÖü"_s);
    type(1, u"€uro"_s);
    pressOk();
    QCOMPARE(rig().Cells[1].Name.view(), "?uro");
}

void TForm1Test::opensEditorsOnAFreshWindow()
{
    // Without start-up every current index is 0, which no record has.
    TForm1 fresh;
    for (const QString& name :
        { u"OutputCells3"_s, u"Flowmeters2"_s, u"InputMixtures3"_s, u"FlowmeterReadings1"_s }) {
        fresh.findChild<QAction*>(name)->trigger();
        fresh.findChild<QPushButton*>(u"Button1"_s)->click();
    }
    QCOMPARE(fresh.rig().CurrentCell, 1);
    QCOMPARE(fresh.rig().CurrentInputGas, 1);
    QCOMPARE(fresh.findChild<ParameterEditor*>(u"ValueListEditor1"_s)->key(16), u"F16"_s);
}

void TForm1Test::editorsHideTheCalibrationViews()
{
    const QStringList views { u"Vistrel1"_s, u"CalCurveEdit"_s, u"CalGrid1"_s };
    for (const QString& command :
        { u"OutputCells3"_s, u"Flowmeters2"_s, u"InputMixtures3"_s, u"FlowmeterReadings1"_s }) {
        for (const QString& view : views)
            control(view)->show();
        trigger(command);
        for (const QString& view : views)
            QVERIFY2(control(view)->isHidden(), qPrintable(view));
    }
}

void TForm1Test::opensFilesFromTheDataSetFolder()
{
    const std::filesystem::path folder = m_dir->path() / "Run.2";
    std::filesystem::create_directory(folder);
    const std::string base = (folder / "Rig1").string();
    writeDataSet(base, [](Rig& other) {
        other.InputGases[2].Name = "Argon";
        other.InputGases[2].Components[1].Name = "Ar";
        other.InputGases[2].Components[1].Fraction = 1.0;
        other.Flowmeters[2].Make = "Brooks";
        other.CalCurves[1000].Gas = "He";
        other.Cells[8].Name = "Last";
    });
    answerDialogsWith(QString::fromStdString(base + ".INP"));
    trigger(u"InputGases1"_s);
    QCOMPARE(m_lastDialog->objectName(), u"OpenDialog1"_s);
    QCOMPARE(m_lastDialog->directory().absolutePath(), QString::fromStdString(m_dir->path()));
    QCOMPARE(m_lastDialog->nameFilters(), QStringList { u"Input gases (*.INP)"_s });
    QCOMPARE(m_lastDialog->defaultSuffix(), u"INP"_s);
    QCOMPARE(rig().InpFileName, base + ".INP");
    QVERIFY(isSet(rig().InputGases[2].Defined));
    QCOMPARE(rig().Cells[8].Name.view(), "None"); // only the chosen file is read

    // Open All takes the base name from the file name only: the dot in "Run.2" stays.
    answerDialogsWith(QString::fromStdString(base + ".CEL"));
    trigger(u"OpenAll1"_s);
    QVERIFY(m_lastDialog->nameFilters().constFirst().contains(u"*.MIX"_s));
    QCOMPARE(rig().MixFileName, base + ".MIX");
    QCOMPARE(rig().Flowmeters[2].Make.view(), "Brooks");
    QCOMPARE(rig().CalCurves[1000].Gas.view(), "He");
    QCOMPARE(rig().Cells[8].Name.view(), "Last");
    // Nothing to report about the files: the message line holds the check's count alone.
    QCOMPARE(message()->text(), u"Check data set (Tools menu) finds nothing to report."_s);
}

void TForm1Test::reportsFileProblems()
{
    answerDialogsWith(QString::fromStdString(m_dir->file("Nowhere.MIX")));
    trigger(u"MixerOutline1"_s);
    QVERIFY(message()->isVisible());
    QVERIFY(message()->text().contains(u"Could not read the mixer file"_s));

    const std::string shortFile = m_dir->file("Short.CEL");
    testsupport::writeBytes(shortFile, std::vector<std::uint8_t>(100, 0));
    answerDialogsWith(QString::fromStdString(shortFile));
    trigger(u"OutputCells1"_s);
    QVERIFY(message()->text().contains(u"is damaged"_s));

    // Open All names every file it could not read.
    answerDialogsWith(QString::fromStdString(m_dir->file("Gone.INP")));
    trigger(u"OpenAll1"_s);
    for (const QString& kind :
        { u"input gases"_s, u"mixer"_s, u"calibrations"_s, u"output cells"_s })
        QVERIFY2(message()->text().contains(kind), qPrintable(kind));

    const std::string folder = m_dir->file("Folder.INP");
    std::filesystem::create_directory(folder);
    answerDialogsWith(QString::fromStdString(folder));
    trigger(u"InputMixtures2"_s);
    QVERIFY(message()->text().startsWith(u"Could not save the input gases file"_s));

    // A missing data set at start-up stays silent (see init()); a damaged one is reported.
    writeDataSet(m_dir->file("Default"), [](Rig& other) { other.Cells[1].Mix = 40; });
    TForm1 window;
    window.StartUp(m_dir->file("Default"));
    auto* line = window.findChild<QLabel*>(u"Message1"_s);
    QVERIFY(!line->isHidden());
    QVERIFY(line->text().contains(u"cell 1 has Mix 40"_s));
}

void TForm1Test::savesUnderChosenNames()
{
    rig().Cells[2].Name = "Saved";
    const std::string target = m_dir->file("Copy.dat");
    answerDialogsWith(QString::fromStdString(target));
    trigger(u"OutputCells2"_s);
    QCOMPARE(m_lastDialog->objectName(), u"SaveDialog1"_s);
    QCOMPARE(m_lastDialog->acceptMode(), QFileDialog::AcceptSave);
    QCOMPARE(rig().CelFileName, target);
    rig().Cells[2].Name = "Again";
    trigger(u"Cells1"_s);
    // A save that worked says so.
    QVERIFY(message()->isVisible());
    QVERIFY(message()->text().startsWith(u"Saved the "_s));
    QVERIFY(message()->text().endsWith(u" Copy.dat."_s));
    auto reread = testsupport::rigAtStartValues();
    reread->CelFileName = target;
    QVERIFY(LoadCells(*reread).read);
    QCOMPARE(reread->Cells[2].Name.view(), "Again");

    const std::filesystem::path folder = m_dir->path() / "Run.3";
    std::filesystem::create_directory(folder);
    answerDialogsWith(QString::fromStdString((folder / "Rig2.INP").string()));
    trigger(u"SaveAllAs1"_s);
    QCOMPARE(rig().CalFileName, (folder / "Rig2.CAL").string());
    rig().Flowmeters[5].Reading = 8.5;
    trigger(u"SaveAll1"_s);
    OpenAllByBase(*reread, (folder / "Rig2").string());
    QVERIFY(*recordsOf(*reread) == *recordsOf(rig()));
    QCOMPARE(
        message()->text(), u"Saved all four files: Rig2.INP, Rig2.MIX, Rig2.CAL and Rig2.CEL."_s);
    QVERIFY(message()->toolTip().contains(QString::fromStdString((folder / "Rig2.CEL").string())));
}

void TForm1Test::cancelledDialogChangesNothing()
{
    const std::string names = rig().InpFileName + rig().MixFileName + rig().CelFileName;
    for (const QString& name :
        { u"OpenAll1"_s, u"InputGases1"_s, u"InputMixtures2"_s, u"SaveAllAs1"_s })
        trigger(name);
    QCOMPARE(rig().InpFileName + rig().MixFileName + rig().CelFileName, names);
    QVERIFY(message()->isHidden());
    QVERIFY(std::filesystem::is_empty(m_dir->path()));
}

void TForm1Test::catchesAnExceptionInACommand()
{
    m_window->setFileChooser(
        [](QFileDialog&) -> std::optional<QString> { throw std::runtime_error("disk on fire"); });
    trigger(u"InputGases1"_s);
    QVERIFY(message()->isVisible());
    QCOMPARE(message()->text(), u"The command failed: disk on fire"_s);
    trigger(u"OutputCells3"_s);
    QVERIFY(editor()->isVisible());
}

void TForm1Test::paintsTheDiagramThroughItsPainter()
{
    QWidget* area = m_window->centralWidget();
    QCOMPARE(area->grab().toImage().pixelColor(400, 400), QColor(Qt::black));

    int paints = 0;
    m_window->setDiagramPainter([&paints](QPainter& painter) {
        ++paints;
        painter.fillRect(QRect(10, 300, 20, 20), Qt::green);
    });
    const QImage image = area->grab().toImage();
    QVERIFY(paints >= 1);
    QCOMPARE(image.pixelColor(15, 305), QColor(Qt::green));
    QCOMPARE(image.pixelColor(400, 400), QColor(Qt::black));
    const int before = paints;
    m_window->DrawMixer();
    QTRY_VERIFY(paints > before);

    m_window->setDiagramPainter([](QPainter&) { throw std::runtime_error("no boxes"); });
    area->grab();
    QTRY_VERIFY(message()->isVisible());
    QCOMPARE(message()->text(), u"The diagram could not be drawn: no boxes"_s);
}

void TForm1Test::exitClosesTheWindow()
{
    trigger(u"Exit1"_s);
    QVERIFY(!m_window->isVisible());
    QVERIFY(std::filesystem::is_empty(m_dir->path()));
}

} // namespace meldrix

QTEST_MAIN(meldrix::TForm1Test)
#include "TForm1Test.moc"
