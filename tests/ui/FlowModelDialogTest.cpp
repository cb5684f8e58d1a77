#include "rig/DataFiles.h"
#include "support/KeyChords.h"
#include "support/WindowTest.h"
#include "ui/TForm1.h"

#include <QAction>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QTest>
#include <filesystem>
#include <fstream>

using namespace Qt::Literals::StringLiterals;

namespace meldrix {

// Settings › Flow model… on a copy of the shipped data set, driven by the keyboard.
class FlowModelDialogTest : public testsupport::WindowTest {
    Q_OBJECT

private Q_SLOTS:
    void theModelIsChosenNamedAndKeptWithTheDataSet()
    {
        QVERIFY(showCopyOfShippedDataSet());
        auto* caption = control<QLabel>(u"ResultsCaption1"_s);
        trigger(u"Run1"_s);
        QCOMPARE(caption->text(), u"Gas fractions \u2014 flow model: as specified"_s);
        const double specified = rig().Flowmeters[3].Flow;

        QDialog* dialog = openDialog(u"FlowModel1"_s, u"FlowModelDialog"_s);
        QVERIFY(dialog);
        auto* asSpecified = dialog->findChild<QRadioButton*>(u"AsSpecifiedModel"_s);
        QVERIFY(asSpecified->isChecked());
        QCOMPARE(QApplication::focusWidget(), asSpecified);
        testsupport::pressChord(Qt::Key_Down);
        QVERIFY(dialog->findChild<QRadioButton*>(u"PhysicalModel"_s)->isChecked());
        testsupport::pressChord(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), dialog->findChild<QLineEdit*>(u"FlowUnit"_s));
        testsupport::typeChords(u"ml/min"_s);
        testsupport::saveScreenshot(*dialog, u"flow-model-dialog"_s);
        testsupport::pressChord(Qt::Key_Return);
        QVERIFY(!dialog->isVisible());

        QCOMPARE(rig().Settings.FlowModel, FlowModelKind::Physical);
        QCOMPARE(rig().Settings.FlowUnit, std::string("ml/min"));
        QVERIFY(!rig().ResultsCurrent);
        QVERIFY(caption->text().endsWith(u"results of the previous Execute; press Execute"_s));
        QVERIFY(message()->text().startsWith(u"Flow model physical from the next Execute"_s));

        trigger(u"Run1"_s);
        QCOMPARE(caption->text(), u"Gas fractions \u2014 flow model: physical"_s);
        QVERIFY(rig().Flowmeters[3].Flow < 0.9 * specified);
        QVERIFY(message()->text().startsWith(
            u"Flow models differ: F 3: 55.85 ml/min as specified, 48.78 ml/min physical"_s));

        // The meters' accuracy is a setting of the data set too; Ctrl+S keeps both.
        dialog = openDialog(u"MeterAccuracy1"_s, u"MeterAccuracyDialog"_s);
        QVERIFY(dialog);
        auto* fullScale = dialog->findChild<QDoubleSpinBox*>(u"FullScalePercent"_s);
        fullScale->setFocus();
        testsupport::pressChord(Qt::Key_A, Qt::ControlModifier);
        testsupport::typeChords(u"0.5"_s);
        testsupport::pressChord(Qt::Key_Return);
        QCOMPARE(rig().Settings.MeterAccuracy.FullScalePercent, 0.5);
        QVERIFY(HasUnsavedSettings(rig()));
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        QTest::keyPress(m_window.get(), Qt::Key_Control);
        QTest::keyClick(m_window.get(), Qt::Key_S, Qt::ControlModifier);
        QTest::keyRelease(m_window.get(), Qt::Key_Control);
        QVERIFY(!HasUnsavedSettings(rig()));

        // A new window on the data set takes its settings; Escape leaves them as they are.
        QVERIFY(showWindow(m_dir->file("Default")));
        QCOMPARE(rig().Settings.FlowModel, FlowModelKind::Physical);
        QCOMPARE(rig().Settings.MeterAccuracy.FullScalePercent, 0.5);
        dialog = openDialog(u"FlowModel1"_s, u"FlowModelDialog"_s);
        QCOMPARE(dialog->findChild<QLineEdit*>(u"FlowUnit"_s)->text(), u"ml/min"_s);
        testsupport::pressChord(Qt::Key_Up);
        QVERIFY(dialog->findChild<QRadioButton*>(u"AsSpecifiedModel"_s)->isChecked());
        testsupport::pressChord(Qt::Key_Escape);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(rig().Settings.FlowModel, FlowModelKind::Physical);
    }

    void unsavedOrDamagedSettingsAreNamed()
    {
        QVERIFY(showCopyOfShippedDataSet());
        QDialog* dialog = openDialog(u"FlowModel1"_s, u"FlowModelDialog"_s);
        QVERIFY(dialog);
        testsupport::pressChord(Qt::Key_Down);
        testsupport::pressChord(Qt::Key_Return);
        QString asked;
        m_window->setQuestionAsker([&](QMessageBox& question) {
            asked = question.text();
            return QMessageBox::Cancel;
        });
        m_window->close();
        QCOMPARE(asked, u"The settings file Default.settings.json has unsaved changes."_s);
        QVERIFY(m_window->isVisible());

        std::ofstream(m_dir->file("Default.settings.json")) << "{\"flow_model\": \"fast\"}";
        QVERIFY(showWindow(m_dir->file("Default")));
        QCOMPARE(rig().Settings.FlowModel, FlowModelKind::AsSpecified);
        QCOMPARE(message()->text(),
            u"The settings file '%1' could not be used (flow_model is neither \"as-specified\" nor "
            "\"physical\"); the default settings are used."_s.arg(
                QString::fromStdString(m_dir->file("Default.settings.json"))));
    }

private:
    bool showCopyOfShippedDataSet()
    {
        m_dir = std::make_unique<testsupport::TempDir>();
        for (const char* extension : { ".INP", ".MIX", ".CAL", ".CEL" })
            std::filesystem::copy_file(
                std::string(MELDRIX_DEFAULT_BASE) + extension, m_dir->file("Default") + extension);
        return showWindow(m_dir->file("Default"));
    }

    QDialog* openDialog(const QString& command, const QString& name)
    {
        trigger(command);
        for (auto* dialog : m_window->findChildren<QDialog*>(name)) {
            if (!dialog->isVisible())
                continue;
            dialog->activateWindow();
            const bool active =
                QTest::qWaitFor([dialog] { return QApplication::activeWindow() == dialog; });
            return active ? dialog : nullptr;
        }
        return nullptr;
    }
};

} // namespace meldrix

QTEST_MAIN(meldrix::FlowModelDialogTest)
#include "FlowModelDialogTest.moc"
