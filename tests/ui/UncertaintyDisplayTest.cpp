#include "chart/qt/TVistrelWidget.h"
#include "support/WindowTest.h"
#include "tabed/qt/TCeltrix.h"
#include "ui/TForm1.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace meldrix {

// The "± uncertainty" display, the meter accuracy dialog and the pO2 bands, on the shipped
// default data set.
class UncertaintyDisplayTest : public testsupport::WindowTest {
    Q_OBJECT

private Q_SLOTS:
    void showsEachValueWithItsDeviation()
    {
        QVERIFY(showWindow(MELDRIX_DEFAULT_BASE));
        auto* toggle = control<QAction>(u"Uncertainty1"_s);
        auto* table = control<TCeltrix>(u"CellTabEd"_s);
        QVERIFY(toggle && table);
        QCOMPARE(toggle->text(), u"\u00B1 &uncertainty"_s);

        toggle->trigger(); // before any run there is nothing to show, and nothing runs
        QVERIFY(toggle->isChecked());
        QVERIFY(table->isHidden());
        QVERIFY(!control<QObject>(u"UncertaintyRun"_s));

        trigger(u"Run1"_s);
        QTRY_VERIFY_WITH_TIMEOUT(table->isVisible(), 60000);
        const TCeltrixModel& model = table->Model();
        QCOMPARE(model.NrOfColumns(), 8); // four fed cells, a value and a deviation each
        QCOMPARE(model.ColName(3), "OC 2; Cell B");
        QCOMPARE(model.ColName(4), "\xB1 sd");
        QCOMPARE(model.RowName(model.NrOfRows()), "log10 pO2");
        QCOMPARE(model.RowName(4), "H2");
        // Execute's fraction of hydrogen in cell B, then its deviation at 1 % of full scale.
        QVERIFY(std::abs(model.Elem(3, 4) - 0.0214818) < 1e-7);
        QVERIFY(model.Elem(4, 4) > 1e-4 && model.Elem(4, 4) < 1e-3);
        // Its caption names it and lies above the table, whose heading row stays in sight.
        auto* caption = control<QLabel>(u"ResultsCaption1"_s);
        QVERIFY(caption->isVisible() && caption->text().startsWith(u"\u00B1 uncertainty"_s));
        QCOMPARE(table->geometry(), QRect(0, 16, 815, 132));
        QCOMPARE(table->TopRow(), model.FixedRows());
        snapshot(u"uncertainty-display"_s);

        // Lin/log keeps the display; the specified toggles leave it.
        trigger(u"Linlogtoggle1"_s);
        QCOMPARE(model.ColName(4), "\xB1 sd");
        trigger(u"EquilRTtoggle1"_s);
        QVERIFY(!toggle->isChecked());
        QCOMPARE(model.ColName(1), "OC 1; Cell A");
        QVERIFY(model.NrOfColumns() == 8 && model.ColName(2) == "OC 2; Cell B");
    }

    void meterAccuracyIsTypedInItsDialog()
    {
        auto* dialog = executeAndOpenDialog();
        QVERIFY(dialog);
        auto* fullScale = dialog->findChild<QDoubleSpinBox*>(u"FullScalePercent"_s);
        auto* method = dialog->findChild<QComboBox*>(u"Method"_s);
        auto* samples = dialog->findChild<QSpinBox*>(u"Samples"_s);
        QVERIFY(fullScale && method && samples);
        QCOMPARE(fullScale->value(), 1.0);
        QVERIFY(!samples->isEnabled());
        retype(fullScale, "2.5");
        QTest::keyClick(method, Qt::Key_Down);
        QVERIFY(samples->isEnabled());
        retype(samples, "300");
        QTest::keyClick(samples, Qt::Key_Return);
        QVERIFY(dialog->isHidden() || !dialog->isVisible());

        auto* toggle = control<QAction>(u"Uncertainty1"_s);
        auto* table = control<TCeltrix>(u"CellTabEd"_s);
        toggle->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(table->isVisible(), 60000);
        // 2.5 % of full scale on the readings moves hydrogen in cell B by more than at 1 %.
        QVERIFY(table->Model().Elem(4, 4) > 1.5e-3);

        // Cancel in the dialog changes nothing.
        dialog = openDialog();
        QVERIFY(dialog);
        retype(dialog->findChild<QDoubleSpinBox*>(u"FullScalePercent"_s), "0");
        QTest::keyClick(dialog, Qt::Key_Escape);
        QVERIFY(table->isVisible());
        QVERIFY(table->Model().Elem(4, 4) > 1.5e-3);
    }

    void aLongRunShowsProgressAndCancels()
    {
        auto* dialog = executeAndOpenDialog();
        QVERIFY(dialog);
        QTest::keyClick(dialog->findChild<QComboBox*>(u"Method"_s), Qt::Key_Down);
        auto* samples = dialog->findChild<QSpinBox*>(u"Samples"_s);
        retype(samples, "100000");
        QTest::keyClick(samples, Qt::Key_Return);

        auto* toggle = control<QAction>(u"Uncertainty1"_s);
        toggle->trigger();
        const auto progress = [this] { return control<QWidget>(u"UncertaintyProgress"_s); };
        QTRY_VERIFY_WITH_TIMEOUT(progress() && progress()->isVisible(), 30000);
        // The strip leaves the window in use: the menus open from the keyboard.
        QVERIFY(!QApplication::activeModalWidget());
        QApplication::setActiveWindow(m_window.get());
        QTest::keyPress(m_window.get(), Qt::Key_Alt);
        QTest::keyClick(m_window.get(), Qt::Key_F, Qt::AltModifier);
        QTest::keyRelease(m_window.get(), Qt::Key_Alt);
        QTRY_VERIFY(QApplication::activePopupWidget()
            && QApplication::activePopupWidget()->objectName() == u"File1"_s);
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
        QTRY_VERIFY(!QApplication::activePopupWidget());

        // Opening a data set drops the run: its answer would be of the data set replaced.
        m_window->setFileChooser([](QFileDialog&) {
            return std::optional<QString>(QStringLiteral(MELDRIX_DEFAULT_BASE ".MIX"));
        });
        m_window->setQuestionAsker([](QMessageBox&) { return QMessageBox::Discard; });
        trigger(u"OpenAll1"_s);
        QTRY_VERIFY(!control<QObject>(u"UncertaintyRun"_s) && !progress());
        QVERIFY(control<TCeltrix>(u"CellTabEd"_s)->isHidden());
        QVERIFY(toggle->isChecked());

        // The meter accuracy is the data set's: the one opened, without settings, has the linear
        // estimate again, and Monte Carlo is chosen anew.
        auto* again = openDialog();
        QVERIFY(again);
        auto* method = again->findChild<QComboBox*>(u"Method"_s);
        QCOMPARE(method->currentIndex(), 0);
        QTest::keyClick(method, Qt::Key_Down);
        samples = again->findChild<QSpinBox*>(u"Samples"_s);
        retype(samples, "100000");
        QTest::keyClick(samples, Qt::Key_Return);

        // Execute computes afresh; Cancel ends that run.
        trigger(u"Run1"_s);
        QTRY_VERIFY_WITH_TIMEOUT(progress() && progress()->isVisible(), 30000);
        auto* cancel = progress()->findChild<QPushButton*>(u"CancelUncertainty1"_s);
        QVERIFY(cancel);
        QTest::mouseClick(cancel, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(
            message()->text(), u"The uncertainty run was cancelled."_s, 30000);
        QVERIFY(!toggle->isChecked());
        auto* table = control<TCeltrix>(u"CellTabEd"_s);
        QVERIFY(table->isVisible()); // back to the gases as mixed
        QCOMPARE(table->Model().ColName(2), "OC 2; Cell B");
    }

    void po2ChartDrawsEachCellsBand()
    {
        QVERIFY(showWindow(MELDRIX_DEFAULT_BASE));
        trigger(u"Run1"_s);
        trigger(u"PO2Chart1"_s);
        auto* chart = control<TVistrelWidget>(u"PO2Chart"_s);
        QVERIFY(chart);
        QCOMPARE(chart->Chart().ItemCount(), 4 * (120 + 3));

        trigger(u"Uncertainty1"_s);
        // Four curves of 120 segments with three temperature marks each, then a bar, two caps and a
        // tick per cell.
        QTRY_COMPARE_WITH_TIMEOUT(chart->Chart().ItemCount(), 4 * (120 + 3) + 4 * 4, 60000);
        testsupport::saveScreenshot(*control(u"PO2Window"_s), u"po2-chart-bands"_s);

        // The next run's bands replace these once it has its answer; the curves come at once.
        trigger(u"Run1"_s);
        QCOMPARE(chart->Chart().ItemCount(), 4 * (120 + 3));
        QTRY_COMPARE_WITH_TIMEOUT(chart->Chart().ItemCount(), 4 * (120 + 3) + 4 * 4, 60000);
        // Without the display the bands go, and come back with it.
        trigger(u"Uncertainty1"_s);
        QCOMPARE(chart->Chart().ItemCount(), 4 * (120 + 3));
        trigger(u"Uncertainty1"_s);
        QCOMPARE(chart->Chart().ItemCount(), 4 * (120 + 3) + 4 * 4);
    }

private:
    QDialog* openDialog()
    {
        trigger(u"MeterAccuracy1"_s);
        for (auto* dialog : m_window->findChildren<QDialog*>(u"MeterAccuracyDialog"_s))
            if (dialog->isVisible())
                return dialog;
        return nullptr;
    }

    // The meter accuracy dialog on the shipped data set, after its first Execute.
    QDialog* executeAndOpenDialog()
    {
        if (!showWindow(MELDRIX_DEFAULT_BASE))
            return nullptr;
        trigger(u"Run1"_s);
        return openDialog();
    }

    // Selects the field's text with Ctrl+A and types `text` key by key, as a person does.
    static void retype(QWidget* field, const char* text)
    {
        field->setFocus();
        QTest::keyPress(field, Qt::Key_Control);
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyRelease(field, Qt::Key_Control);
        for (const char* c = text; *c; ++c) {
            const auto key = *c == '.' ? Qt::Key_Period : Qt::Key(Qt::Key_0 + (*c - '0'));
            QTest::keyClick(field, key, Qt::NoModifier);
        }
    }
};

} // namespace meldrix

QTEST_MAIN(meldrix::UncertaintyDisplayTest)
#include "UncertaintyDisplayTest.moc"
