#include "chart/qt/TVistrelWidget.h"
#include "plots/CalibrationChart.h"
#include "rig/DataFiles.h"
#include "support/Bytes.h"
#include "support/KeyChords.h"
#include "support/TempDir.h"
#include "support/WindowTest.h"
#include "tabed/qt/TCeltrix.h"
#include "ui/CalCurveListModel.h"
#include "ui/TForm1.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>
#include <cmath>
#include <cstring>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace meldrix {
namespace {

void setPoints(CalCurveRecord& curve, std::initializer_list<CalPoint> points)
{
    int i = 1;
    for (const CalPoint& p : points)
        curve.Points[i++] = p;
}

} // namespace

class CalibrationEditorTest : public testsupport::WindowTest {
    Q_OBJECT
private Q_SLOTS:
    void init();

    void opensWithEveryCurveListed();
    void modelPassesTheConformanceChecks();
    void doubleClickListsTheRowOnceThePointsAreTaken();
    void clickInThePointEditorRedrawsTheChart();
    void okReadsTheTypedHeaderTexts_data();
    void okReadsTheTypedHeaderTexts();
    void okTakesTheTextBeingTyped();
    void okWithoutEditsChangesNoByte();
    void spinBoxWrapsOverAllCurvesOnceTypedTextIsDropped();
    void openedCurvesReplaceWhatTheEditorShows();
    void pointMarksFollowTheCurveShown();
    void okTakesAnOpenPointCellFirst();
    void enterInThePointEditorRedrawsTheChart();
    void afterExecuteTheChartMarksThePointUsed();
    void onlyOkStoresPointsWhateverKeysArePressed();

private:
    CalGridView* grid() const { return control<CalGridView>(u"CalGrid1"_s); }
    TCeltrix* points() const { return control<TCeltrix>(u"CalCurveEdit"_s); }
    TVistrel& chart() const { return control<TVistrelWidget>(u"Vistrel1"_s)->Chart(); }
    QString cell(int row, int column) const
    {
        return grid()->model()->index(row - 1, column).data().toString();
    }
    void type(int row, int column, const QString& text)
    {
        QVERIFY(grid()->model()->setData(grid()->model()->index(row - 1, column), text));
    }
    void open() { trigger(u"Calibrations4"_s); }
    //! Clicks point `point`'s Reading (column 1) or Flow (column 2) and types `text` and Enter.
    void typePoint(int point, int column, const QString& text, bool enter = true)
    {
        points()->SetTopRow(point);
        const QRect cell = points()->GridCellRect(column, point);
        QVERIFY(!cell.isEmpty());
        QTest::mouseClick(points()->viewport(), Qt::LeftButton, {}, cell.center());
        testsupport::typeChords(text);
        if (enter)
            testsupport::pressChord(Qt::Key_Return);
    }
    bool showsValue(int column, int point) const
    {
        return points()->Model().DataCellLook(column, point).Text != "???";
    }
};

void CalibrationEditorTest::init()
{
    m_dir = std::make_unique<testsupport::TempDir>();
    startWindow(m_dir->file("Default"));
    CalCurveRecord& three = rig().CalCurves[3];
    three.Make = "Rotalab";
    three.Gas = "Ar";
    three.Temp = 20.126;
    three.Press = 1.013;
    three.Flowmeter = 4;
    setPoints(three, { { 1, 10 }, { 2, 20 }, { 3, 40 } });
    setPoints(rig().CalCurves[7], { { 10, 8 }, { 150, 191.2 } });
    setPoints(rig().CalCurves[8], { { -1.7e308, 5 }, { 1.7e308, std::nan("") }, { 3, 1e300 } });
    MarkAllUnchanged(rig()); // as if loaded: opening another file asks nothing
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void CalibrationEditorTest::opensWithEveryCurveListed()
{
    QCOMPARE(rig().CurrentCalCurve, 0);
    open();
    QCOMPARE(rig().EditMode, EditModes::Calibrations);
    QCOMPARE(rig().CurrentCalCurve, 1);
    QCOMPARE(spin()->value(), 1);
    QCOMPARE(spin()->maximum(), 1000);
    for (const char* name : { "CalGrid1", "CalCurveEdit", "Vistrel1", "SpinEdit1" })
        QVERIFY2(control(QString::fromLatin1(name))->isVisible(), name);
    QVERIFY(control(u"ValueListEditor1"_s)->isHidden());

    QCOMPARE(grid()->model()->rowCount(), 1000);
    const QStringList headings { u"Curve"_s, u"Make"_s, u"Size"_s, u"Float"_s, u"Gas"_s, u"Temp."_s,
        u"Press."_s, u"Flowmeter"_s };
    for (int column = 0; column < 8; ++column)
        QCOMPARE(grid()->model()->headerData(column, Qt::Horizontal).toString(), headings[column]);
    QCOMPARE(cell(1000, 0), u"1000"_s);
    QCOMPARE(cell(3, 1), u"Rotalab"_s);
    QCOMPARE(cell(3, 5), u"    20.13"_s);
    QCOMPARE(cell(3, 6), u"     1.01"_s);
    QCOMPARE(cell(3, 7), u"4"_s);
    QCOMPARE(points()->ColName(1), u"Reading"_s);
    QCOMPARE(points()->ColName(2), u"Flow"_s);
    QCOMPARE(points()->RowName(3), u"Curve 1 P-3"_s);
    QCOMPARE(chart().TextLabel(1)->Caption, std::string("Calibration curve 1"));
}

void CalibrationEditorTest::modelPassesTheConformanceChecks()
{
    open();
    QAbstractItemModelTester tester(
        grid()->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    type(5, 2, u"R6-15"_s);
    pressOk();
    QCOMPARE(rig().CalCurves[5].Size.str(), std::string("R6-15"));
}

void CalibrationEditorTest::doubleClickListsTheRowOnceThePointsAreTaken()
{
    open();
    spin()->setValue(3);
    QCOMPARE(rig().CurrentCalCurve, 3);
    QCOMPARE(points()->RowName(1), u"Curve 3 P-1"_s);
    points()->SetElem(2, 3, 45.5);

    const QModelIndex row7 = grid()->model()->index(6, 1);
    const QPoint at = grid()->visualRect(row7).center();
    QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, {}, at);
    // The point typed is neither stored nor dropped: the curve stays, and the line says why.
    QCOMPARE(rig().CalCurves[3].Points[3].Flow, 40.0);
    QCOMPARE(rig().CurrentCalCurve, 3);
    QCOMPARE(points()->Elem(2, 3), 45.5);
    QVERIFY(message()->text().startsWith(
        u"Not switched to curve 7: Curve 3 P-3 holds text not yet taken with OK"_s));

    pressOk();
    QCOMPARE(rig().CalCurves[3].Points[3].Flow, 45.5);
    QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(rig().CalCurves[3].Points[1].Flow, 10.0);
    QCOMPARE(rig().CurrentCalCurve, 7);
    QCOMPARE(spin()->value(), 7); // the spin box shows the curve the list chose
    QCOMPARE(points()->RowName(20), u"Curve 7 P-20"_s);
    QCOMPARE(points()->Elem(2, 2), 191.2);
    QCOMPARE(chart().TextLabel(1)->Caption, std::string("Calibration curve 7"));
    QCOMPARE(chart().ClassCount(CalSegmentClass), 1);
    QCOMPARE(rig().CalCurves[7].Points[2].Flow, 191.2);
    spin()->stepUp();
    QCOMPARE(rig().CurrentCalCurve, 8);
    snapshot(u"calibration-curve-7"_s);
}

void CalibrationEditorTest::clickInThePointEditorRedrawsTheChart()
{
    // A curve beyond all numbers shows without hanging.
    open();
    spin()->setValue(8);
    QCOMPARE(chart().ClassCount(CalSegmentClass), 2);
    control(u"Vistrel1"_s)->repaint();
    snapshot(u"calibration-curve-8"_s);

    open();
    spin()->setValue(3);
    QCOMPARE(chart().ClassCount(CalSegmentClass), 2);
    points()->SetElem(1, 4, 4);
    points()->SetElem(2, 4, 55);
    // A click on another cell of the point editor draws the points shown; OK stores them.
    const QRect target = points()->GridCellRect(2, 5);
    QVERIFY(!target.isEmpty());
    QTest::mouseClick(points()->viewport(), Qt::LeftButton, {}, target.center());
    QCOMPARE(rig().CalCurves[3].Points[4].Flow, 0.0);
    QCOMPARE(chart().ClassCount(CalSegmentClass), 3);
    QCOMPARE(chart().Items()[2].x2, 4.0);
    QCOMPARE(chart().Scale1Y().RangeHigh(), 55.0);
    pressOk();
    QCOMPARE(rig().CalCurves[3].Points[4].Flow, 55.0);
}

void CalibrationEditorTest::okReadsTheTypedHeaderTexts_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown"); // after OK
    QTest::addColumn<bool>("refused");
    QTest::newRow("decimal Temp") << 5 << u"20.75"_s << u"    20.75"_s << false;
    QTest::newRow("whole Temp") << 5 << u"25.00"_s << u"    25.00"_s << false;
    QTest::newRow("Temp not a number") << 5 << u"hot"_s << u"    20.13"_s << true;
    QTest::newRow("Temp overflows") << 6 << u"1e400"_s << u"     1.01"_s << true;
    QTest::newRow("negative Press") << 6 << u"-0.5"_s << u"    -0.50"_s << false;
    QTest::newRow("Flowmeter") << 7 << u"12"_s << u"12"_s << false;
    QTest::newRow("Flowmeter digits first") << 7 << u"9.5"_s << u"9"_s << false;
    QTest::newRow("Flowmeter too large") << 7 << u"70000"_s << u"4"_s << true;
    QTest::newRow("Flowmeter negative") << 7 << u"-3"_s << u"4"_s << true;
    QTest::newRow("Flowmeter empty") << 7 << QString() << u"0"_s << false;
    QTest::newRow("Make cut to 8") << 1 << u"ABCDEFGHIJ"_s << u"ABCDEFGH"_s << false;
    QTest::newRow("Gas cut to 12") << 4 << u"Argon 5.0 ultra"_s << u"Argon 5.0 ul"_s << false;
}

void CalibrationEditorTest::okReadsTheTypedHeaderTexts()
{
    QFETCH(int, column);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(bool, refused);
    open();
    type(3, column, typed);
    pressOk();
    QCOMPARE(cell(3, column), shown);
    QCOMPARE(message()->isVisible(), refused);
    if (refused)
        QVERIFY2(message()->text().startsWith(u"Curve 3, "_s), qPrintable(message()->text()));
    if (column == 5 && typed == u"20.75"_s)
        QCOMPARE(rig().CalCurves[3].Temp, 20.75);
    if (refused && column == 5)
        QCOMPARE(rig().CalCurves[3].Temp, 20.126);
}

void CalibrationEditorTest::okTakesTheTextBeingTyped()
{
    open();
    const QModelIndex temp = grid()->model()->index(2, 5);
    grid()->setCurrentIndex(temp);
    grid()->edit(temp);
    auto* editor = qobject_cast<QLineEdit*>(grid()->indexWidget(temp));
    QVERIFY(editor);
    editor->setText(u"20.75"_s);
    pressOk();
    QCOMPARE(rig().CalCurves[3].Temp, 20.75);
}

void CalibrationEditorTest::okWithoutEditsChangesNoByte()
{
    rig().CalCurves[9].Make.Chars[7] = 'x'; // a byte beyond the length byte survives too
    const auto before = std::make_unique<OneBased<CalCurveRecord, MaxCalCurves>>(rig().CalCurves);
    open();
    spin()->setValue(3);
    type(3, 5, u"    20.13"_s); // typed back as shown: no change
    pressOk();
    for (int c = 1; c <= MaxCalCurves; ++c)
        QVERIFY2(std::memcmp(&rig().CalCurves[c], &(*before)[c], sizeof(CalCurveRecord)) == 0,
            qPrintable(QString::number(c)));
    QVERIFY(message()->isHidden());
}

void CalibrationEditorTest::spinBoxWrapsOverAllCurvesOnceTypedTextIsDropped()
{
    open();
    type(3, 5, u"99"_s);
    spin()->stepDown();
    QCOMPARE(rig().CurrentCalCurve, 1);
    QCOMPARE(spin()->value(), 1);
    QVERIFY(message()->text().startsWith(
        u"Not stepped to another record: the curve list holds text not yet taken"_s));
    open(); // drops what was typed
    QCOMPARE(cell(3, 5), u"    20.13"_s);
    spin()->stepDown();
    QCOMPARE(rig().CurrentCalCurve, 1000);
    QCOMPARE(points()->RowName(1), u"Curve 1000 P-1"_s);
    spin()->stepUp();
    QCOMPARE(rig().CurrentCalCurve, 1);
    pressOk();
    QCOMPARE(rig().CalCurves[3].Temp, 20.126);
}

void CalibrationEditorTest::openedCurvesReplaceWhatTheEditorShows()
{
    auto other = testsupport::rigAtStartValues();
    setPoints(other->CalCurves[3], { { 5, 50 }, { 6, 66 } });
    other->CalCurves[3].Temp = 30.5;
    const std::string base = m_dir->file("Other");
    SetFileNamesFromBase(*other, base);
    QVERIFY(!SaveAll(*other));
    m_window->setFileChooser([&](QFileDialog&) {
        return std::optional<QString>(QString::fromStdString(base + ".CAL"));
    });

    open();
    spin()->setValue(3);
    control<QAction>(u"Calibrations1"_s)->trigger();
    QCOMPARE(points()->Elem(2, 2), 66.0);
    QCOMPARE(cell(3, 5), u"    30.50"_s);
    QCOMPARE(chart().Items()[0].x1, 5.0);
    pressOk();
    QCOMPARE(rig().CalCurves[3].Points[1].Flow, 50.0);
    QCOMPARE(rig().CalCurves[3].Points[3].Flow, 0.0);
    QCOMPARE(rig().CalCurves[3].Temp, 30.5);
}

void CalibrationEditorTest::pointMarksFollowTheCurveShown()
{
    rig().CalCurves[1].Points[8].Flow = 260;
    open();
    typePoint(8, 2, u"abc"_s);
    QVERIFY(!showsValue(2, 8));
    QVERIFY(points()->toolTip().startsWith(u"??? = a text that is not a number"_s));
    QCOMPARE(rig().CalCurves[1].Points[8].Flow, 260.0);
    snapshot(u"calibration-refused-curve-1"_s);
    // A "???" waiting for OK is not dropped by a step without a word.
    spin()->stepUp();
    QCOMPARE(rig().CurrentCalCurve, 1);
    QVERIFY(message()->text().contains(u"Curve 1 P-8 holds text not yet taken with OK"_s));
    QVERIFY(!showsValue(2, 8));

    // Another curve shows its own values, and so does the first one again.
    open();
    spin()->setValue(2);
    for (int i = 1; i <= MaxCalPoints; ++i)
        QVERIFY2(showsValue(1, i) && showsValue(2, i), qPrintable(QString::number(i)));
    snapshot(u"calibration-refused-curve-2"_s);
    spin()->setValue(1000);
    QVERIFY(showsValue(2, 8));
    // Both columns and the longest heading in view, without scrolling sideways.
    QTRY_VERIFY(!points()->horizontalScrollBar()->isVisible());
    QCOMPARE(points()->VisibleColCount(), 2);
    QVERIFY(QFontMetrics(points()->font()).horizontalAdvance(u"Curve 1000 P-20"_s)
        < points()->ColWidth(0) - 3);
    snapshot(u"calibration-refused-curve-1000"_s);
    spin()->setValue(1);
    QVERIFY(showsValue(2, 8));
    QCOMPARE(points()->Elem(2, 8), 260.0);

    // OK keeps the stored value, shows it again and says why.
    typePoint(8, 2, u"1E5E"_s);
    QVERIFY(!showsValue(2, 8));
    pressOk();
    QVERIFY(showsValue(2, 8));
    QCOMPARE(points()->Elem(2, 8), 260.0);
    QCOMPARE(rig().CalCurves[1].Points[8].Flow, 260.0);
    QCOMPARE(message()->text(), u"Curve 1 P-8 Flow is not a number; the value stays 260.000."_s);
    snapshot(u"calibration-refused-after-ok"_s);

    // A value the file holds that is no number shows as empty, and OK does not call it refused.
    rig().CalCurves[8].Points[2].Flow = std::nan("");
    spin()->setValue(8);
    QVERIFY(!showsValue(2, 2));
    pressOk();
    QVERIFY(std::isnan(rig().CalCurves[8].Points[2].Flow));
    QVERIFY(!message()->text().contains(u"Curve 8"_s));
}

void CalibrationEditorTest::okTakesAnOpenPointCellFirst()
{
    open();
    spin()->setValue(3);
    typePoint(2, 2, u"77"_s, false);
    // Press and release together, as from a busy window: the editor still has the focus.
    pressOk();
    QCOMPARE(rig().CalCurves[3].Points[2].Flow, 77.0);
    QCOMPARE(points()->Elem(2, 2), 77.0);
}

void CalibrationEditorTest::enterInThePointEditorRedrawsTheChart()
{
    open();
    spin()->setValue(3);
    QCOMPARE(chart().Scale1Y().RangeHigh(), 40.0);
    typePoint(3, 2, u"90"_s);
    QCOMPARE(chart().Scale1Y().RangeHigh(), 90.0);
    QCOMPARE(chart().Items()[1].y2, 90.0);
    QCOMPARE(rig().CalCurves[3].Points[3].Flow, 40.0);
    control(u"Vistrel1"_s)->repaint();
    snapshot(u"calibration-after-enter"_s);
    pressOk();
    QCOMPARE(rig().CalCurves[3].Points[3].Flow, 90.0);
}

// Stage 1 meters argon on curve 7; a reading above the top point takes the top point's flow.
void CalibrationEditorTest::afterExecuteTheChartMarksThePointUsed()
{
    const auto label = [this](int n) {
        const TTextLabel& text = *chart().TextLabel(n);
        return text.Visible ? QString::fromStdString(text.Caption) : QString();
    };
    GasRecord& argon = rig().InputGases[1];
    argon.Components[1].Name = "Ar";
    argon.Components[1].Fraction = 1.0;
    CalCurveRecord& seven = rig().CalCurves[7];
    const FlowmeterRecord& stage = rig().Flowmeters[1];
    seven.Make = stage.Make.view();
    seven.Size = stage.Size.view();
    seven.Float = stage.Float.view();
    seven.Gas = "Ar";
    seven.Flowmeter = 1;
    rig().Flowmeters[1].Reading = 1e6;
    open();
    spin()->setValue(7);
    QCOMPARE(label(2), QString());
    trigger(u"Run1"_s);
    QVERIFY2(rig().ResultsCurrent, qPrintable(message()->text()));
    open();
    spin()->setValue(7);
    QCOMPARE(label(2), u"reading 1e+06"_s);
    QCOMPARE(chart().TextLabel(2)->PosX, 150.0);
    QCOMPARE(chart().TextLabel(2)->PosY, 191.2);
    QCOMPARE(label(4), QString());

    // A higher top point typed moves the point used onto it, marked as not taken.
    typePoint(3, 1, u"160"_s);
    typePoint(3, 2, u"999"_s);
    QCOMPARE(chart().TextLabel(2)->PosX, 160.0);
    QCOMPARE(chart().TextLabel(2)->PosY, 999.0);
    QCOMPARE(label(4), QString::fromLatin1(NotTakenNote));
    control(u"Vistrel1"_s)->repaint();
    snapshot(u"calibration-used-point-not-taken"_s);
    pressOk();
    QCOMPARE(label(4), QString());
    // Stored, the curve is no longer the one the results were computed with: nothing is marked.
    QVERIFY(!rig().ResultsCurrent);
    QCOMPARE(label(2), QString());
}

// Enter, the Page keys and a lone Alt in the point editor leave the curves and the results as
// they are; Execute waits for OK too, and a cell left open as the editor hides draws no chart.
void CalibrationEditorTest::onlyOkStoresPointsWhateverKeysArePressed()
{
    trigger(u"Run1"_s);
    QVERIFY(rig().ResultsCurrent);
    open();
    spin()->setValue(3);
    const auto before = std::make_unique<OneBased<CalCurveRecord, MaxCalCurves>>(rig().CalCurves);
    typePoint(2, 2, u"33"_s);
    // A lone Alt goes to the menu bar, and Escape leaves it.
    for (const Qt::Key key : { Qt::Key_Return, Qt::Key_Enter, Qt::Key_PageDown, Qt::Key_PageUp,
             Qt::Key_Down, Qt::Key_Up, Qt::Key_Alt, Qt::Key_Escape })
        testsupport::pressChord(key);
    QVERIFY(std::memcmp(&rig().CalCurves, before.get(), sizeof(*before)) == 0);
    QVERIFY(rig().ResultsCurrent);
    typePoint(4, 1, u"5"_s, false);
    testsupport::pressChord(Qt::Key_F5);
    QVERIFY(message()->text().startsWith(u"Not executed: Curve 3 P-2 and Curve 3 P-4 hold"_s));
    QVERIFY(rig().ResultsCurrent);

    pressOk();
    QVERIFY(!rig().ResultsCurrent);
    QCOMPARE(rig().CalCurves[3].Points[2].Flow, 33.0);
    // A cell left open with the value it shows closes as Execute hides the editor: nothing
    // shows the chart again over the diagram.
    typePoint(5, 2, u"0"_s, false);
    testsupport::pressChord(Qt::Key_F5);
    QVERIFY(rig().ResultsCurrent);
    for (const char* name : { "Vistrel1", "CalCurveEdit", "CalGrid1" })
        QVERIFY2(control(QString::fromLatin1(name))->isHidden(), name);
}

} // namespace meldrix

QTEST_MAIN(meldrix::CalibrationEditorTest)
#include "CalibrationEditorTest.moc"
