#include "rig/StartUp.h"
#include "support/WindowTest.h"
#include "ui/FindReadingsDialog.h"
#include "ui/TForm1.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <cmath>
#include <stdexcept>

using namespace Qt::Literals::StringLiterals;

namespace meldrix {

namespace {

constexpr int SearchLimitMs = 60000; // only against a hang: a search takes milliseconds

// Each character as the keyboard sends it, to whatever has the focus at that moment.
void typeKeys(const QString& text)
{
    for (const QChar ch : text) {
        Qt::Key key = Qt::Key_unknown;
        if (ch.isDigit())
            key = static_cast<Qt::Key>(Qt::Key_0 + ch.digitValue());
        else if (ch == u'.')
            key = Qt::Key_Period;
        else if (ch == u'-')
            key = Qt::Key_Minus;
        else if (ch.isLetter())
            key = static_cast<Qt::Key>(Qt::Key_A + (ch.toLower().unicode() - u'a'));
        QWidget* target = QApplication::focusWidget();
        QVERIFY(target);
        QTest::keyPress(target, key);
        QTest::keyRelease(target, key);
    }
}

void pressKey(QWidget* target, Qt::Key key)
{
    QTest::keyPress(target, key);
    QTest::keyRelease(target, key);
}

} // namespace

// "Find readings…" through the real window on the shipped data set.
class FindReadingsTest : public testsupport::WindowTest {
    Q_OBJECT

private:
    QPointer<FindReadingsDialog> reopenDialog()
    {
        trigger(u"FindReadings1"_s);
        auto* dialog = control<FindReadingsDialog>(u"FindReadingsDialog"_s);
        if (!dialog || !QTest::qWaitForWindowExposed(dialog))
            return nullptr;
        return dialog;
    }

    // The dialog on cell 2, the reducing cell, with its hydrogen (F 3) and air (F 4) stages free:
    // every stage that feeds it feeds another cell too, so none is ticked at first.
    QPointer<FindReadingsDialog> openDialog()
    {
        if (!showWindow(MELDRIX_DEFAULT_BASE))
            return nullptr;
        trigger(u"Run1"_s);
        const QPointer<FindReadingsDialog> dialog = reopenDialog();
        if (!dialog)
            return nullptr;
        auto* cell = dialog->findChild<QComboBox*>(u"CellBox"_s);
        cell->setFocus();
        pressKey(cell, Qt::Key_Down); // one step down from the first fed cell
        if (!dialog->findChild<QLabel*>(u"FreeNote"_s)
                 ->text()
                 .startsWith(u"No stage feeds cell 2 alone"_s))
            return nullptr;
        for (const QString& stage : { u"FreeF3"_s, u"FreeF4"_s })
            QTest::mouseClick(dialog->findChild<QCheckBox*>(stage), Qt::LeftButton);
        return dialog;
    }

    static void find(FindReadingsDialog& dialog)
    {
        QTest::mouseClick(dialog.findChild<QPushButton*>(u"FindButton"_s), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(dialog.outcome().has_value(), SearchLimitMs);
    }

    static void typeInto(QLineEdit* edit, const QString& text)
    {
        QTest::mouseClick(edit, Qt::LeftButton);
        typeKeys(text);
    }

private Q_SLOTS:
    void applyPutsTheProposedReadingsInAndRunsExecute()
    {
        const QPointer<FindReadingsDialog> dialog = openDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->findChild<QComboBox*>(u"CellBox"_s)->currentText(), u"OC 2; Cell B"_s);
        auto* fractions = dialog->findChild<QTableWidget*>(u"FractionTable"_s);
        const auto rows = fractions->findItems(u"H2"_s, Qt::MatchExactly);
        QCOMPARE(rows.size(), 1);
        const int row = rows.front()->row();
        QCOMPARE(fractions->item(row, 1)->text(), u"0.02148175"_s); // what Execute gave
        QTest::mouseClick(fractions->viewport(), Qt::LeftButton, {},
            fractions->visualRect(fractions->model()->index(row, 2)).center());
        typeKeys(u"0.03"_s);
        pressKey(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_COMPARE(fractions->item(row, 2)->text(), u"0.03"_s); // the delegate commits queued

        find(*dialog);
        QVERIFY(!dialog->searching());
        QVERIFY(dialog->findChild<QLabel*>(u"StatusLabel"_s)->text().startsWith(u"Reached: "_s));
        const TargetOutcome outcome = *dialog->outcome();
        // M2 goes on to cell 4: its changes are listed beside the proposal.
        auto* effects = dialog->findChild<QTableWidget*>(u"SideEffectsTable"_s);
        QVERIFY(effects->isVisible());
        QCOMPARE(effects->rowCount(), static_cast<int>(outcome.SideEffects.size()));
        QCOMPARE(effects->item(0, 0)->text(), u"OC 4; Cell D"_s);
        QVERIFY(
            !dialog->findChild<QTableWidget*>(u"AchievedTable"_s)->item(0, 3)->text().isEmpty());
        testsupport::saveScreenshot(*dialog, u"find-readings"_s);
        // Nothing reaches the window's rig before Apply.
        const Rig& rig = m_window->rig();
        for (int f = 1; f <= MaxFlowmeters; ++f)
            QCOMPARE(rig.Flowmeters[f].Reading, outcome.Readings[f].Was);

        QTest::mouseClick(dialog->findChild<QPushButton*>(u"ApplyButton"_s), Qt::LeftButton);
        QTRY_VERIFY(dialog.isNull());
        snapshot(u"find-readings-applied"_s);
        for (int f = 1; f <= MaxFlowmeters; ++f)
            QCOMPARE(rig.Flowmeters[f].Reading, outcome.Readings[f].Reading);
        QCOMPARE(rig.EditMode, EditModes::FlowmeterReadings);
        QCOMPARE(rig.CellGases[2][4].Name.view(), "H2");
        QCOMPARE(rig.CellGases[2][4].Fraction, *outcome.Targets[0].Achieved);
        QVERIFY(std::abs(rig.CellGases[2][4].Fraction - 0.03) <= FractionTolerance);
    }

    void aBadNumberStartsNoSearch()
    {
        const QPointer<FindReadingsDialog> dialog = openDialog();
        QVERIFY(dialog);
        auto* pO2 = dialog->findChild<QLineEdit*>(u"PO2Edit"_s);
        QTest::mouseClick(pO2, Qt::LeftButton);
        QTest::keyPress(pO2, Qt::Key_Shift);
        QTest::keyPress(pO2, 'X', Qt::ShiftModifier);
        QTest::keyRelease(pO2, 'X', Qt::ShiftModifier);
        QTest::keyRelease(pO2, Qt::Key_Shift);
        typeKeys(u"15"_s);
        pressKey(pO2, Qt::Key_Return); // the default button: Find
        QCOMPARE(dialog->findChild<QLabel*>(u"StatusLabel"_s)->text(),
            u"The wanted log10 pO2, \u201CX15\u201D, is not a number."_s);
        QVERIFY(!dialog->searching());
        QVERIFY(!dialog->outcome());
    }

    void closingDuringASearchLeavesTheRigAsItWas()
    {
        const QPointer<FindReadingsDialog> dialog = openDialog();
        QVERIFY(dialog);
        std::array<double, MaxFlowmeters> before {};
        for (int f = 1; f <= MaxFlowmeters; ++f)
            before[static_cast<std::size_t>(f - 1)] = rig().Flowmeters[f].Reading;
        typeInto(dialog->findChild<QLineEdit*>(u"PO2Edit"_s), u"-19"_s);
        QTest::mouseClick(dialog->findChild<QPushButton*>(u"FindButton"_s), Qt::LeftButton);
        QVERIFY(dialog->searching());
        QTest::mouseClick(dialog->findChild<QPushButton*>(u"CancelButton"_s), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!dialog->searching(), SearchLimitMs);
        QVERIFY(dialog->outcome());

        // A second search, closed with Escape while it runs.
        QTest::mouseClick(dialog->findChild<QPushButton*>(u"FindButton"_s), Qt::LeftButton);
        pressKey(dialog, Qt::Key_Escape);
        QTRY_VERIFY_WITH_TIMEOUT(dialog.isNull(), SearchLimitMs);
        for (int f = 1; f <= MaxFlowmeters; ++f)
            QCOMPARE(rig().Flowmeters[f].Reading, before[static_cast<std::size_t>(f - 1)]);
    }

    void aClosestAnswerSaysClosestOnce()
    {
        const QPointer<FindReadingsDialog> dialog = openDialog();
        QVERIFY(dialog);
        // 5 % H2 in argon is the richest gas on hand.
        typeInto(dialog->findChild<QLineEdit*>(u"FlowEdit"_s), u"1"_s);
        find(*dialog);
        const QString status = dialog->findChild<QLabel*>(u"StatusLabel"_s)->text();
        QVERIFY2(status.startsWith(u"Closest: F 3 stops at its"_s), qPrintable(status));
        QCOMPARE(status.count(u"Closest"_s), 1);
    }

    void theDialogOpensAgainOnTheCellAndTargetsLastAsked()
    {
        QPointer<FindReadingsDialog> dialog = openDialog();
        QVERIFY(dialog);
        typeInto(dialog->findChild<QLineEdit*>(u"PO2Edit"_s), u"-12"_s);
        auto* fractions = dialog->findChild<QTableWidget*>(u"FractionTable"_s);
        const int row = fractions->findItems(u"H2"_s, Qt::MatchExactly).front()->row();
        QTest::mouseClick(fractions->viewport(), Qt::LeftButton, {},
            fractions->visualRect(fractions->model()->index(row, 2)).center());
        typeKeys(u"0.02"_s);
        pressKey(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_COMPARE(fractions->item(row, 2)->text(), u"0.02"_s);
        QTest::mouseClick(dialog->findChild<QPushButton*>(u"CloseButton"_s), Qt::LeftButton);
        QTRY_VERIFY(dialog.isNull());

        dialog = reopenDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->findChild<QComboBox*>(u"CellBox"_s)->currentText(), u"OC 2; Cell B"_s);
        QCOMPARE(dialog->findChild<QLineEdit*>(u"PO2Edit"_s)->text(), u"-12"_s);
        fractions = dialog->findChild<QTableWidget*>(u"FractionTable"_s);
        QCOMPARE(fractions->item(row, 2)->text(), u"0.02"_s);
        QVERIFY(dialog->findChild<QCheckBox*>(u"FreeF3"_s)->isChecked());
        QVERIFY(dialog->findChild<QCheckBox*>(u"FreeF4"_s)->isChecked());
        QVERIFY(!dialog->findChild<QCheckBox*>(u"FreeF1"_s)->isChecked());
        pressKey(dialog, Qt::Key_Escape);
        QTRY_VERIFY(dialog.isNull());
    }

    void aFailedSearchIsToldInTheCoresOwnText()
    {
        // The core's texts are 8-bit: a name with a degree sign reads as itself.
        const QString named =
            SearchFailure(std::make_exception_ptr(std::runtime_error("Cell \xB0"
                                                                     "C could not be found")));
        QCOMPARE(named, u"Cell \u00B0C could not be found"_s);
        QCOMPARE(
            SearchFailure(std::make_exception_ptr(42)), u"an error the search could not name"_s);
    }
};

} // namespace meldrix

QTEST_MAIN(meldrix::FindReadingsTest)
#include "FindReadingsTest.moc"
