#include "rig/DataFiles.h"
#include "support/KeyChords.h"
#include "support/SampleRigs.h"
#include "support/WindowTest.h"
#include "ui/CheckDataSetWindow.h"

#include <QApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace meldrix {

// Tools › Check data set… and the count after Open All, driven through the real window.
class CheckDataSetTest : public testsupport::WindowTest {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void openAllCountsTheFindingsAndTheWindowOpensTheirRecords();
    void aFindingWaitsForTextNotTakenWithOk();

private:
    CheckDataSetWindow* checkWindow() const
    {
        return control<CheckDataSetWindow>(u"CheckDataSetWindow"_s);
    }
    QTableWidget* findingsTable() const
    {
        return checkWindow() ? checkWindow()->findChild<QTableWidget*>(u"Findings1"_s) : nullptr;
    }

    std::string m_base;
};

void CheckDataSetTest::init()
{
    QVERIFY(showWindowInNewFolder());
    // The shipped data set with a curve of fifteen rotameter points for argon on stage 1, whose
    // polynomial overshoots, and cell 2 at no pressure.
    const auto shipped = testsupport::defaultDataSetRig();
    QVERIFY2(shipped, "the default data set is built beside the tests");
    OneBased<CalPoint, MaxCalPoints>& points = shipped->CalCurves[1].Points;
    points.fill(CalPoint {});
    for (int k = 1; k <= 15; ++k)
        points[k] = testsupport::OvershootingRotameterPoints[k - 1];
    shipped->Cells[2].Pressure = 0.0;
    m_base = m_dir->file("Overshoot");
    SetFileNamesFromBase(*shipped, m_base);
    QVERIFY(!SaveAll(*shipped));
    m_window->setFileChooser(
        [this](QFileDialog&) { return std::optional(QString::fromStdString(m_base + ".CAL")); });
}

void CheckDataSetTest::openAllCountsTheFindingsAndTheWindowOpensTheirRecords()
{
    m_window->activateWindow();
    m_window->setFocus();
    testsupport::pressChord(Qt::Key_O, Qt::ControlModifier); // Open All
    QCOMPARE(
        message()->text(), u"Check data set (Tools menu) finds 1 error, 1 warning and 3 notes."_s);

    QCOMPARE(commandText(u"CheckDataSet1"_s), u"&Check data set\u2026"_s);
    trigger(u"CheckDataSet1"_s);
    QVERIFY(checkWindow() && checkWindow()->isVisible());
    QTableWidget* table = findingsTable();
    QVERIFY(table);
    QCOMPARE(table->rowCount(), 5);
    QCOMPARE(table->item(0, 0)->text(), u"error"_s);
    QCOMPARE(table->item(0, 1)->text(), u"cell 2, Pressure"_s);
    QCOMPARE(table->item(1, 1)->text(), u"curve 1, Points"_s);
    QVERIFY(
        table->item(1, 2)->text().contains(u"the polynomial falls to 282.1 at reading 146.9"_s));

    // Down to the curve's row and Enter: the calibration editor on curve 1.
    QApplication::setActiveWindow(checkWindow());
    table->setFocus();
    testsupport::pressChord(Qt::Key_Down);
    QCOMPARE(table->currentRow(), 1);
    testsupport::pressChord(Qt::Key_Return);
    QCOMPARE(rig().EditMode, EditModes::Calibrations);
    QCOMPARE(rig().CurrentCalCurve, 1);
    QVERIFY(control<QWidget>(u"Vistrel1"_s)->isVisible());

    // A double-click on the cell's row: the cell editor on cell 2.
    const QRect cellRow = table->visualRect(table->model()->index(0, 2));
    // As a mouse sends it: the first click, then the second that makes it a double-click.
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cellRow.center());
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cellRow.center());
    QCOMPARE(rig().EditMode, EditModes::OutputCells);
    QCOMPARE(rig().CurrentCell, 2);

    // The pressure mended and taken with OK, Check again finds the error gone.
    QApplication::setActiveWindow(m_window.get());
    int pressureRow = 0;
    for (int row = 1; row <= 32 && pressureRow == 0; ++row)
        if (editor()->key(row) == u"Pressure"_s)
            pressureRow = row;
    QVERIFY(pressureRow > 0);
    type(pressureRow, u"1.013"_s);
    pressOk();
    QCOMPARE(rig().Cells[2].Pressure, 1.013);
    QTest::mouseClick(checkWindow()->findChild<QPushButton*>(u"CheckAgain1"_s), Qt::LeftButton);
    QCOMPARE(table->rowCount(), 4);
    QCOMPARE(table->item(0, 0)->text(), u"warning"_s);

    // Escape closes the window.
    QApplication::setActiveWindow(checkWindow());
    table->setFocus();
    testsupport::pressChord(Qt::Key_Escape);
    QVERIFY(!checkWindow()->isVisible());
}

void CheckDataSetTest::aFindingWaitsForTextNotTakenWithOk()
{
    trigger(u"OpenAll1"_s);
    trigger(u"OutputCells3"_s);
    type(1, u"Renamed"_s); // typed, not taken
    trigger(u"CheckDataSet1"_s);
    QTableWidget* table = findingsTable();
    QVERIFY(table && table->rowCount() > 1);
    QApplication::setActiveWindow(checkWindow());
    table->setFocus();
    testsupport::pressChord(Qt::Key_Down);
    testsupport::pressChord(Qt::Key_Return);
    // The typed name stays in the cell editor, not dropped for the curve.
    QCOMPARE(rig().EditMode, EditModes::OutputCells);
    QCOMPARE(value(1), u"Renamed"_s);
    QVERIFY(message()->text().startsWith(u"Not opened"_s));
}

} // namespace meldrix

QTEST_MAIN(meldrix::CheckDataSetTest)
#include "CheckDataSetTest.moc"
