#include "rig/DataFiles.h"
#include "rig/StartUp.h"
#include "support/Bytes.h"
#include "support/TempDir.h"
#include "support/WindowTest.h"
#include "ui/ParameterEditor.h"
#include "ui/TForm1.h"

#include <QAction>
#include <QFileDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <filesystem>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace meldrix {

// What the operator is kept from losing: files, edits and the reasons for a refusal.
class SafetyNetTest : public testsupport::WindowTest {
    Q_OBJECT
private Q_SLOTS:
    void init();

    void asksBeforeReplacingADamagedFile();
    void exitAsksOnlyWhenSomethingWouldBeLost();
    void anEditUndoneByHandAsksNothing();
    void openAsksAboutItsOwnFileOnly();
    void namesAndRedisplaysRefusedRows();
    void marksTextNotYetTakenAndExecuteSaysSo();
    void openAllOnAFileThatIsNoDataSetFitsOneLine();
    void controlsStayReachableInASmallWindow();
    void controlCharactersShowAsPlaceholdersAndStay();

private:
    void choose(const std::string& path)
    {
        m_window->setFileChooser([path](QFileDialog&) { return QString::fromStdString(path); });
    }
    void answer(QMessageBox::StandardButton button) { m_answer = button; }
    void snapshot(const QString& name) { WindowTest::snapshot(u"safety-"_s + name); }

    QMessageBox::StandardButton m_answer = QMessageBox::Cancel;
    QStringList m_questions;
    QList<QMessageBox::StandardButton> m_defaults;
};

void SafetyNetTest::init()
{
    QVERIFY(showWindowInNewFolder());
    m_questions.clear();
    m_defaults.clear();
    m_answer = QMessageBox::Cancel;
    m_window->setQuestionAsker([this](QMessageBox& question) {
        m_questions << question.text();
        m_defaults << question.standardButton(question.defaultButton());
        return m_answer;
    });
}

void SafetyNetTest::asksBeforeReplacingADamagedFile()
{
    // An output cells file opened as the mixer: loaded partly and reported, as before.
    const std::string cells = m_dir->file("Lab1.CEL");
    const auto bytes = testsupport::randomBytes(576, 12);
    testsupport::writeBytes(cells, bytes);
    choose(cells);
    trigger(u"MixerOutline1"_s);
    QVERIFY(message()->text().contains(u"is damaged"_s));
    QVERIFY(m_questions.isEmpty());

    answer(QMessageBox::No);
    trigger(u"Mixer1"_s);
    QCOMPARE(m_questions.size(), 1);
    QCOMPARE(m_questions.constLast(),
        u"Lab1.CEL was read as a damaged mixer file (576 bytes instead of 1664). Replace it?"_s);
    QCOMPARE(m_defaults.constLast(), QMessageBox::No);
    QCOMPARE(testsupport::readBytes(cells), bytes);
    QCOMPARE(message()->text(), u"Nothing was saved."_s);

    // Save All writes none of the four rather than a mixed data set.
    trigger(u"SaveAll1"_s);
    QCOMPARE(m_questions.size(), 2);
    QCOMPARE(testsupport::readBytes(cells), bytes);
    QVERIFY(!std::filesystem::exists(m_dir->file("Default.INP")));
    snapshot(u"damaged"_s);

    answer(QMessageBox::Yes);
    trigger(u"Mixer1"_s);
    QCOMPARE(std::filesystem::file_size(cells), 1664u);
    // Once written, the file is the rig's own: no more questions.
    trigger(u"Mixer1"_s);
    QCOMPARE(m_questions.size(), 3);
}

void SafetyNetTest::exitAsksOnlyWhenSomethingWouldBeLost()
{
    trigger(u"Exit1"_s);
    QVERIFY(m_questions.isEmpty());
    QVERIFY(!m_window->isVisible());

    m_window->show();
    trigger(u"FlowmeterReadings1"_s);
    type(3, u"42.5"_s);
    pressOk();
    answer(QMessageBox::Cancel);
    trigger(u"Exit1"_s);
    QCOMPARE(m_questions.size(), 1);
    QCOMPARE(m_questions.constLast(), u"The mixer file Default.MIX has unsaved changes."_s);
    QCOMPARE(m_defaults.constLast(), QMessageBox::SaveAll);
    QVERIFY(m_window->isVisible());

    answer(QMessageBox::SaveAll);
    QVERIFY(m_window->close());
    QVERIFY(!m_window->isVisible());
    auto saved = testsupport::rigAtStartValues();
    saved->MixFileName = m_dir->file("Default.MIX");
    QVERIFY(LoadMixer(*saved).read);
    QCOMPARE(saved->Flowmeters[3].Reading, 42.5);
    QVERIFY(std::filesystem::exists(m_dir->file("Default.CEL")));

    m_window->show();
    rig().Cells[2].Temp = 1.0;
    answer(QMessageBox::Discard);
    m_window->close();
    QVERIFY(!m_window->isVisible());
    QCOMPARE(m_questions.size(), 3);
    QVERIFY(m_questions.constLast().startsWith(u"The output cells file Default.CEL has"_s));
}

void SafetyNetTest::anEditUndoneByHandAsksNothing()
{
    trigger(u"OutputCells3"_s);
    const QString temp = value(2);
    type(2, u"812.5"_s);
    pressOk();
    QVERIFY(HasUnsavedChanges(rig(), DataFile::Cel));
    type(2, temp);
    pressOk();
    trigger(u"Exit1"_s);
    QVERIFY(m_questions.isEmpty());
    QVERIFY(!m_window->isVisible());
}

void SafetyNetTest::openAsksAboutItsOwnFileOnly()
{
    const auto other = testsupport::rigAtStartValues();
    SetFileNamesFromBase(*other, m_dir->file("Other"));
    other->Cells[1].Temp = 900.0;
    other->Flowmeters[1].Reading = 7.0;
    QVERIFY(!SaveAll(*other));

    rig().Flowmeters[2].Reading = 3.0; // unsaved, and not in the cells file
    choose(m_dir->file("Other.CEL"));
    trigger(u"OutputCells1"_s);
    QVERIFY(m_questions.isEmpty());
    QCOMPARE(rig().Cells[1].Temp, 900.0);

    // Open All would lose the mixer change: Cancel keeps it.
    answer(QMessageBox::Cancel);
    trigger(u"OpenAll1"_s);
    QCOMPARE(m_questions.size(), 1);
    QCOMPARE(rig().Flowmeters[2].Reading, 3.0);
    answer(QMessageBox::Discard);
    trigger(u"OpenAll1"_s);
    QCOMPARE(rig().Flowmeters[1].Reading, 7.0);
    QCOMPARE(rig().Flowmeters[2].Reading, 0.0);
}

void SafetyNetTest::namesAndRedisplaysRefusedRows()
{
    rig().Flowmeters[4].Reading = 60.0;
    trigger(u"FlowmeterReadings1"_s);
    type(4, u"abc"_s);
    pressOk();
    QCOMPARE(value(4), u"  60.0"_s);
    QCOMPARE(message()->text(), u"F 4: \"abc\" is not a number; the reading stays 60.0."_s);

    type(4, u"12,5"_s);
    type(5, u"12.5"_s);
    type(7, u"1e400"_s);
    pressOk();
    QCOMPARE(value(4), u"  60.0"_s);
    QCOMPARE(value(5), u"12.5"_s); // taken, and left as typed
    QCOMPARE(value(7), u"   0.0"_s);
    QCOMPARE(rig().Flowmeters[5].Reading, 12.5);
    QCOMPARE(message()->text(),
        u"F 4: \"12,5\" is not a number and F 7: \"1e400\" is too large; those readings stay as "
        "they were."_s);
    snapshot(u"refused"_s);

    trigger(u"Flowmeters2"_s);
    type(4, u"X3"_s);
    type(5, u"17"_s);
    pressOk();
    QCOMPARE(value(4), u"I 1"_s);
    QCOMPARE(value(5), u"1"_s);
    QCOMPARE(message()->text(),
        u"Input: \"X3\" is not I1..I16 or M1..M16 and Output: \"17\" is not a mixture 1..16; those "
        "values stay as they were."_s);

    trigger(u"OutputCells3"_s);
    type(2, u"hot"_s);
    pressOk();
    QVERIFY(message()->text().startsWith(u"Temp.,C: \"hot\" is not a number; the value stays"_s));
}

void SafetyNetTest::marksTextNotYetTakenAndExecuteSaysSo()
{
    trigger(u"FlowmeterReadings1"_s);
    type(4, u"25"_s);
    QTableWidgetItem* cell = editor()->item(3, 1);
    QVERIFY(cell->font().bold());
    QCOMPARE(cell->background().color(), ParameterEditor::pendingTint());
    QVERIFY(!editor()->item(4, 1)->font().bold());
    snapshot(u"untaken"_s);

    rig().Gases[17].Flow = -1.0; // every Execute starts mixture M1 from 0
    trigger(u"Run1"_s);
    QCOMPARE(rig().Gases[17].Flow, -1.0);
    QVERIFY(message()->text().startsWith(u"Not executed: F 4 holds text not yet taken with OK"_s));

    // Typing the shown text back is no change; OK takes the rest and the marks go.
    type(4, u"   0.0"_s);
    QVERIFY(!cell->font().bold());
    type(6, u"2"_s);
    pressOk();
    QVERIFY(!editor()->item(5, 1)->font().bold());
    QVERIFY(editor()->pendingRows().empty());
    trigger(u"Run1"_s);
    QVERIFY(rig().Gases[17].Flow != -1.0);

    // Text still in the open cell editor counts as well.
    trigger(u"FlowmeterReadings1"_s);
    editor()->setCurrentCell(2, 1);
    editor()->editItem(editor()->item(2, 1));
    auto* open = editor()->viewport()->findChild<QLineEdit*>();
    QVERIFY(open);
    open->setText(u"9"_s);
    rig().Gases[17].Flow = -1.0;
    trigger(u"Run1"_s);
    QCOMPARE(rig().Gases[17].Flow, -1.0);
    QVERIFY(message()->text().startsWith(u"Not executed: F 3 holds"_s));

    // A name typed into Edit2 counts as well.
    trigger(u"InputMixtures3"_s);
    auto* name = control<QLineEdit>(u"Edit2"_s);
    name->setText(u"Argon 5.0"_s);
    QVERIFY(name->font().bold());
    trigger(u"Run1"_s);
    QVERIFY(message()->text().startsWith(u"Not executed: the name holds"_s));
}

void SafetyNetTest::openAllOnAFileThatIsNoDataSetFitsOneLine()
{
    const std::string notes = m_dir->file("notes.txt");
    testsupport::writeBytes(notes, { 'a', 'b', 'c' });
    choose(notes);
    trigger(u"OpenAll1"_s);
    QVERIFY(message()->isVisible());
    QCOMPARE(message()->text(),
        u"Could not read the input gases, mixer, calibrations and output cells files of notes: No "
        "such file or directory."_s);
    QVERIFY(message()->fontMetrics().horizontalAdvance(message()->text()) <= message()->width());
    QCOMPARE(message()->toolTip().count(u"Could not read"_s), 4);
    snapshot(u"openall"_s);

    // One problem alone is told whole.
    choose(m_dir->file("Nowhere.MIX"));
    trigger(u"MixerOutline1"_s);
    QVERIFY(message()->text().startsWith(u"Could not read the mixer file '"_s));
    QCOMPARE(message()->toolTip(), message()->text());
}

void SafetyNetTest::controlsStayReachableInASmallWindow()
{
    trigger(u"FlowmeterReadings1"_s);
    m_window->resize(700, 500);
    QTRY_COMPARE(m_window->width(), 700);
    const QRect area = m_window->centralWidget()->rect();
    for (const QString& name : { u"SpinEdit1"_s, u"Button1"_s, u"Edit2"_s }) {
        const QRect place = control(name)->geometry();
        QVERIFY2(area.contains(place), qPrintable(name));
        QVERIFY2(!place.intersects(editor()->geometry()), qPrintable(name));
    }
    trigger(u"InputMixtures3"_s);
    snapshot(u"small"_s);

    m_window->resize(200, 150);
    QVERIFY(m_window->width() >= 480);
    QVERIFY(m_window->centralWidget()->height() >= 320);
}

void SafetyNetTest::controlCharactersShowAsPlaceholdersAndStay()
{
    const std::string name("Oven\x01"
                           "A\x85",
        7);
    rig().Cells[1].Name = name;
    rig().InputGases[1].Name = name;
    trigger(u"OutputCells3"_s);
    QCOMPARE(value(1), u"Oven\u2401A\uFFFD"_s);
    type(2, u"30"_s);
    pressOk();
    QCOMPARE(rig().Cells[1].Name.str(), name);
    QCOMPARE(rig().Cells[1].Temp, 30.0);

    trigger(u"InputMixtures3"_s);
    auto* edit = control<QLineEdit>(u"Edit2"_s);
    QCOMPARE(edit->text(), u"Oven\u2401A\uFFFD"_s);
    QVERIFY(!edit->font().bold());
    pressOk();
    QCOMPARE(rig().InputGases[1].Name.str(), name);
}

} // namespace meldrix

QTEST_MAIN(meldrix::SafetyNetTest)
#include "SafetyNetTest.moc"
