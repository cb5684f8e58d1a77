// Hostile typing and failing saves through the window: whatever the operator types into an editor
// or a table cell, the records stay within their ranges, nothing crashes, and the diagram still
// draws; a failed save names the file and the reason on the message line.

#include "common/TextFormat.h"
#include "diagram/MixerDiagram.h"
#include "results/UncertaintyTable.h"
#include "rig/DataFiles.h"
#include "support/Bytes.h"
#include "support/KeyChords.h"
#include "support/RecordingCanvas.h"
#include "support/TempDir.h"
#include "support/WindowTest.h"
#include "tabed/qt/TCeltrix.h"
#include "ui/CalCurveListModel.h"
#include "ui/ParameterEditor.h"
#include "ui/TForm1.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>
#include <cmath>
#include <filesystem>
#include <memory>
#include <random>

using namespace Qt::Literals::StringLiterals;

namespace meldrix {
namespace {

QStringList hostileTexts()
{
    return { QString(), u" "_s, u"1e308"_s, u"1e309"_s, u"-1e400"_s, u"4.9e-324"_s, u"1e-400"_s,
        u"NaN"_s, u"nan"_s, u"inf"_s, u"-Infinity"_s, u"0x1p3"_s, u"1,5"_s, u"65535"_s, u"-1"_s,
        u"M16"_s, u"I 0"_s, u"M99"_s, QString(1000, u'9'), QString(1000, u'x'),
        u"-"_s + QString(400, u'9') + u".5"_s, u"\u65e5\u672c\u8a9e"_s, u"\u20ac\u03a9"_s,
        u"\u0663\u0664"_s /* Arabic-Indic digits */, u"\x01\x07\x1b"_s, u"\t\r\n"_s,
        QString(1, QChar(0)) + u"5"_s, u"\U0001F600"_s };
}

template <std::size_t N>
bool sane(const ShortString<N>& text)
{
    return text.Length <= N;
}

// What no typing may break: every number an editor stores is finite, every reference stays in
// the range the editors accept, every text within its field.
QString firstInsanity(const Rig& rig)
{
    for (int c = 1; c <= MaxCells; ++c) {
        const CellRecord& cell = rig.Cells[c];
        if (!std::isfinite(cell.Temp) || !std::isfinite(cell.Pressure)
            || !std::isfinite(cell.LeakO2) || !std::isfinite(cell.LeakN2)
            || !std::isfinite(cell.LeakH2) || !std::isfinite(cell.LeakH2O))
            return u"cell %1 holds a number that is not finite"_s.arg(c);
        if (cell.Mix > MaxMixtures || !sane(cell.Name))
            return u"cell %1 holds Mix %2"_s.arg(c).arg(cell.Mix);
    }
    for (int f = 1; f <= MaxFlowmeters; ++f) {
        const FlowmeterRecord& stage = rig.Flowmeters[f];
        if (!std::isfinite(stage.FixGasT) || !std::isfinite(stage.Reading))
            return u"stage %1 holds a number that is not finite"_s.arg(f);
        if (stage.Input < 1 || stage.Input > MaxGases || stage.Output < 1
            || stage.Output > MaxMixtures)
            return u"stage %1 holds Input %2, Output %3"_s.arg(f)
                .arg(stage.Input)
                .arg(stage.Output);
        if (!sane(stage.Make) || !sane(stage.Size) || !sane(stage.Float) || !sane(stage.FixGas)
            || !sane(stage.FixGasType))
            return u"stage %1 holds a text longer than its field"_s.arg(f);
    }
    for (int c = 1; c <= MaxCalCurves; ++c) {
        const CalCurveRecord& curve = rig.CalCurves[c];
        if (!std::isfinite(curve.Temp) || !std::isfinite(curve.Press))
            return u"curve %1 holds a number that is not finite"_s.arg(c);
        for (const CalPoint& point : curve.Points)
            if (!std::isfinite(point.Reading) || !std::isfinite(point.Flow))
                return u"curve %1 holds a point that is not finite"_s.arg(c);
        if (!sane(curve.Make) || !sane(curve.Size) || !sane(curve.Float) || !sane(curve.Gas))
            return u"curve %1 holds a text longer than its field"_s.arg(c);
    }
    for (int g = 1; g <= MaxInputGases; ++g) {
        const GasRecord& gas = rig.InputGases[g];
        if (!sane(gas.Name))
            return u"gas %1 holds a name longer than its field"_s.arg(g);
        for (const GasComponent& component : gas.Components) {
            if (!(component.Fraction >= 0) || !std::isfinite(component.Fraction)
                || !sane(component.Name))
                return u"gas %1 holds a component that is negative or not finite"_s.arg(g);
            if (component.Fraction > 0 && trimBlanksAndControls(component.Name.view()).empty())
                return u"gas %1 holds a fraction without a name"_s.arg(g);
        }
    }
    return {};
}

} // namespace

class HostileInputTest : public testsupport::WindowTest {
    Q_OBJECT
private Q_SLOTS:
    void init() { QVERIFY(showWindowInNewFolder()); }

    void typingAnythingIntoTheRecordEditorsKeepsRecordsSane_data();
    void typingAnythingIntoTheRecordEditorsKeepsRecordsSane();
    void typingAnythingIntoTheTableEditorsKeepsElementsSane();
    void typingAnythingIntoTheCalibrationEditorKeepsCurvesSane();
    void aFailedSaveAllNamesTheFileAndTheReason();
    void randomEventsLeaveTheWindowAliveAndTheRigSane_data();
    void randomEventsLeaveTheWindowAliveAndTheRigSane();

private:
    void expectTheDiagramStillDraws();
};

void HostileInputTest::expectTheDiagramStillDraws()
{
    testsupport::RecordingCanvas canvas;
    DrawMixer(rig(), canvas);
    QVERIFY(!canvas.rectangles.empty());
    const QImage image = m_window->centralWidget()->grab().toImage();
    QVERIFY(!message()->text().startsWith(u"The diagram could not"_s));
    bool drawn = false;
    for (int y = 0; y < image.height() && !drawn; y += 4)
        for (int x = 0; x < image.width() && !drawn; x += 4)
            drawn = image.pixelColor(x, y) != QColor(Qt::black);
    QVERIFY2(drawn, "the diagram area stays black");
}

void HostileInputTest::typingAnythingIntoTheRecordEditorsKeepsRecordsSane_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("keysToo");
    QTest::newRow("cells") << u"OutputCells3"_s << false;
    QTest::newRow("flowmeters") << u"Flowmeters2"_s << false;
    QTest::newRow("input gases") << u"InputMixtures3"_s << true;
    QTest::newRow("readings") << u"FlowmeterReadings1"_s << false;
}

void HostileInputTest::typingAnythingIntoTheRecordEditorsKeepsRecordsSane()
{
    QFETCH(QString, command);
    QFETCH(bool, keysToo);
    for (const QString& text : hostileTexts()) {
        trigger(command);
        for (int row = 0; row < editor()->rowCount(); ++row) {
            editor()->item(row, 1)->setText(text);
            if (keysToo)
                editor()->item(row, 0)->setText(text);
        }
        control<QLineEdit>(u"Edit2"_s)->setText(text);
        pressOk();
        const QString insanity = firstInsanity(rig());
        QVERIFY2(insanity.isEmpty(), qPrintable(insanity + u" after typing "_s + text.left(40)));
        trigger(u"Run1"_s);
        for (const Composition& cell : rig().CellGases)
            for (const GasComponent& slot : cell)
                QVERIFY2(std::isfinite(slot.Fraction), qPrintable(text.left(40)));
        expectTheDiagramStillDraws();
    }
}

void HostileInputTest::typingAnythingIntoTheTableEditorsKeepsElementsSane()
{
    for (const QString& name : { u"CellTabEd"_s, u"CalCurveEdit"_s }) {
        auto* grid = control<TCeltrix>(name);
        QVERIFY(grid);
        grid->show();
        grid->raise();
        if (!grid->EditingEnabled())
            grid->findChild<QAction*>(u"EditOnOff1"_s)->trigger(); // as an operator switches it on
        const QStringList texts = hostileTexts();
        for (int i = 0; i < texts.size(); ++i) {
            const int gridRow = 1 + i % grid->Model().NrOfRows();
            const int gridColumn = grid->Model().FixedCols();
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                grid->GridCellRect(gridColumn, gridRow).center());
            QTest::keyClicks(grid, u"1"_s);
            auto* field = grid->findChild<QLineEdit*>(u"InplaceEdit"_s);
            QVERIFY2(field && field->isVisible(), qPrintable(name));
            field->setText(texts[i]);
            QTest::keyClick(field, Qt::Key_Return);
            const int column = grid->Model().DataColumn(gridColumn);
            const int row = grid->Model().DataRow(gridRow);
            const std::uint8_t state = grid->Model().ElemState(column, row);
            QVERIFY2(
                state == 0 || state == StateEmpty, qPrintable(name + u" "_s + texts[i].left(40)));
            QVERIFY2(state != 0 || std::isfinite(grid->Model().Elem(column, row)),
                qPrintable(name + u" stores "_s + texts[i].left(40)));
            grid->grab(); // paints every cell, the one just typed included
        }
    }
    QVERIFY(firstInsanity(rig()).isEmpty());
    expectTheDiagramStillDraws();
}

void HostileInputTest::typingAnythingIntoTheCalibrationEditorKeepsCurvesSane()
{
    auto* grid = control<CalGridView>(u"CalGrid1"_s);
    auto* points = control<TCeltrix>(u"CalCurveEdit"_s);
    for (const QString& text : hostileTexts()) {
        trigger(u"Calibrations4"_s);
        QVERIFY(grid && grid->isVisible() && points->isVisible());
        for (int row = 0; row < 3; ++row)
            for (int column = 1; column < 8; ++column)
                grid->model()->setData(grid->model()->index(row, column), text);
        for (int gridRow = 1; gridRow <= 2; ++gridRow) {
            const int gridColumn = points->Model().FixedCols() + gridRow - 1;
            QTest::mouseClick(points->viewport(), Qt::LeftButton, {},
                points->GridCellRect(gridColumn, gridRow).center());
            QTest::keyClicks(points, u"1"_s);
            auto* field = points->findChild<QLineEdit*>(u"InplaceEdit"_s);
            QVERIFY(field && field->isVisible());
            field->setText(text);
            QTest::keyClick(field, Qt::Key_Return);
        }
        pressOk();
        const QString insanity = firstInsanity(rig());
        QVERIFY2(insanity.isEmpty(), qPrintable(insanity + u" after typing "_s + text.left(40)));
        control(u"Vistrel1"_s)->grab();
    }
    trigger(u"Run1"_s);
    expectTheDiagramStillDraws();
}

void HostileInputTest::aFailedSaveAllNamesTheFileAndTheReason()
{
    const std::string base = m_dir->file("Set");
    SetFileNamesFromBase(rig(), base);
    trigger(u"SaveAll1"_s);
    QVERIFY(message()->text().startsWith(u"Saved all four files: Set.INP"_s));
    const auto before = testsupport::readBytes(base + ".INP");

    std::filesystem::remove(base + ".CAL");
    std::filesystem::create_directory(base + ".CAL");
    rig().InputGases[1].Name = "Changed";
    trigger(u"SaveAll1"_s);
    QVERIFY(message()->isVisible());
    QCOMPARE(message()->text(),
        u"Could not save the calibrations file '%1.CAL': it is not a regular file."_s.arg(
            QString::fromStdString(base)));
    QCOMPARE(testsupport::readBytes(base + ".INP"), before);
}

void HostileInputTest::randomEventsLeaveTheWindowAliveAndTheRigSane_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("opener"); // the command that shows the widget
    QTest::addColumn<int>("firstSeed");
    QTest::newRow("results table") << u"CellTabEd"_s << QString() << 1000;
    QTest::newRow("curve list") << u"CalGrid1"_s << u"Calibrations4"_s << 2000;
    QTest::newRow("point editor") << u"CalCurveEdit"_s << u"Calibrations4"_s << 3000;
    QTest::newRow("parameter editor") << u"ValueListEditor1"_s << u"InputMixtures3"_s << 4000;
    QTest::newRow("spin box") << u"SpinEdit1"_s << u"Flowmeters2"_s << 5000;
    QTest::newRow("gas name") << u"Edit2"_s << u"InputMixtures3"_s << 6000;
    QTest::newRow("input-gas editor") << u"ValueListEditor1"_s << u"InputMixtures3"_s << 7000;
    QTest::newRow("uncertainty display") << u"CellTabEd"_s << u"Uncertainty1"_s << 8000;
}

void HostileInputTest::randomEventsLeaveTheWindowAliveAndTheRigSane()
{
    // Keys with and without modifiers (and modifiers alone), clicks, double-clicks, wheel and
    // scroll bars, context-menu commands, OK and Execute, in seeded sequences. A sequence is
    // replayed alone with MELDRIX_RANDOM_SEED=n; the seed of each is printed before it runs, so
    // the last one printed names a sequence that ends the process.
    QFETCH(QString, name);
    QFETCH(QString, opener);
    QFETCH(int, firstSeed);
    m_window->setFileChooser([](QFileDialog&) { return std::optional<QString>(); });
    m_window->setQuestionAsker([](QMessageBox&) { return QMessageBox::Cancel; });
    constexpr int Sequences = 8;
    constexpr int EventsPerSequence = 300;
    const Qt::Key keys[] = { Qt::Key_Shift, Qt::Key_Control, Qt::Key_Alt, Qt::Key_Return,
        Qt::Key_Enter, Qt::Key_Escape, Qt::Key_F2, Qt::Key_Tab, Qt::Key_Backtab, Qt::Key_Left,
        Qt::Key_Right, Qt::Key_Up, Qt::Key_Down, Qt::Key_Home, Qt::Key_End, Qt::Key_PageUp,
        Qt::Key_PageDown, Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_Space, Qt::Key_Period,
        Qt::Key_Comma, Qt::Key_Minus, Qt::Key_0, Qt::Key_1, Qt::Key_5, Qt::Key_9, Qt::Key_E,
        Qt::Key_A, Qt::Key_C, Qt::Key_V, Qt::Key_X, Qt::Key_Z, Qt::Key_F, Qt::Key_F5 };
    const QStringList displays { u"Uncertainty1"_s, u"Linlogtoggle1"_s, u"EquilRTtoggle1"_s,
        u"CellTemperature1"_s, u"PO2Chart1"_s };
    auto* uncertainty = control<QAction>(u"Uncertainty1"_s);
    const bool replay = qEnvironmentVariableIsSet("MELDRIX_RANDOM_SEED");
    const int first = replay ? qEnvironmentVariableIntValue("MELDRIX_RANDOM_SEED") : firstSeed;
    const int last = replay ? first : firstSeed + Sequences - 1;
    for (int seed = first; seed <= last; ++seed) {
        qDebug("%s: seed %d", qPrintable(name), seed);
        std::mt19937 random(static_cast<std::mt19937::result_type>(seed));
        const auto below = [&](int n) {
            return std::uniform_int_distribution<int>(0, n - 1)(random);
        };
        QWidget* target = control(name);
        QVERIFY(target);
        for (int event = 0; event < EventsPerSequence; ++event) {
            if (!target->isVisible()) {
                // The results table hides while its display waits for an answer; the display
                // toggles are among the events instead.
                if (opener.isEmpty() || name == u"CellTabEd"_s)
                    target->show();
                else
                    trigger(opener);
            }
            auto* area = qobject_cast<QAbstractScrollArea*>(target);
            QWidget* surface = area ? area->viewport() : target;
            const QPoint at(
                below(std::max(1, surface->width())), below(std::max(1, surface->height())));
            Qt::KeyboardModifiers modifiers;
            if (below(4) == 0)
                modifiers |= Qt::ShiftModifier;
            if (below(8) == 0)
                modifiers |= Qt::ControlModifier;
            if (below(12) == 0)
                modifiers |= Qt::AltModifier;
            const int kind = below(100);
            if (kind < 50) {
                if (!QApplication::focusWidget()
                    || !m_window->isAncestorOf(QApplication::focusWidget()))
                    target->setFocus();
                testsupport::pressChord(keys[below(std::size(keys))], modifiers);
            } else if (kind < 68) {
                const Qt::MouseButton button = below(5) == 0 ? Qt::RightButton : Qt::LeftButton;
                if (below(4) == 0)
                    QTest::mouseDClick(surface, button, modifiers, at);
                else
                    QTest::mouseClick(surface, button, modifiers, at);
                if (QWidget* popup = QApplication::activePopupWidget()) {
                    // A command of the context menu, one of its sub-menus' when it has any.
                    QList<QAction*> actions;
                    for (QAction* action : popup->actions()) {
                        if (QMenu* sub = action->menu())
                            actions += sub->actions();
                        else if (!action->isSeparator())
                            actions += action;
                    }
                    popup->close();
                    if (!actions.isEmpty())
                        actions[below(static_cast<int>(actions.size()))]->trigger();
                }
            } else if (kind < 78) {
                QWheelEvent wheel(at, surface->mapToGlobal(at), {},
                    QPoint(0, (below(2) ? 120 : -120) * (1 + below(3))), Qt::NoButton, modifiers,
                    Qt::NoScrollPhase, false);
                QCoreApplication::sendEvent(surface, &wheel);
            } else if (kind < 86) {
                if (area) {
                    QScrollBar* bar =
                        below(2) ? area->verticalScrollBar() : area->horizontalScrollBar();
                    bar->setValue(bar->minimum() + below(bar->maximum() - bar->minimum() + 1));
                }
            } else if (kind < 93) {
                QTest::mouseClick(control(u"Button1"_s), Qt::LeftButton);
            } else if (kind < 96) {
                trigger(u"Run1"_s);
            } else if (opener == u"Uncertainty1"_s && kind < 99) {
                // The displays that share the results table and the pO2 chart with it.
                trigger(displays[below(int(displays.size()))]);
            } else {
                below(2) ? spin()->stepUp() : spin()->stepDown();
            }
            // Menus and dialogs opened by a chord (Alt and a menu's letter) go away unused.
            while (QWidget* popup = QApplication::activePopupWidget())
                popup->close();
            while (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
        }
        const QString insanity = firstInsanity(rig());
        QVERIFY2(insanity.isEmpty(), qPrintable(u"seed %1: "_s.arg(seed) + insanity));
        QVERIFY2(m_window->isVisible(), qPrintable(u"seed %1: the window closed"_s.arg(seed)));
        trigger(u"Run1"_s);
        // Once its run has its answer, the table shows the display the toggles say, never the
        // answer of another run or another display's table.
        QTRY_VERIFY_WITH_TIMEOUT(!control<QObject>(u"UncertaintyRun"_s), 60000);
        const auto* table = control<TCeltrix>(u"CellTabEd"_s);
        const bool sdShown = table->Model().NrOfColumns() >= 2
            && table->Model().ColName(2) == SdColumnName && table->isVisible();
        QVERIFY2(sdShown == (uncertainty->isChecked() && rig().GasListCount > 0),
            qPrintable(u"seed %1: the \u00B1 display and its table disagree"_s.arg(seed)));
        for (const Composition& cell : rig().CellGases)
            for (const GasComponent& slot : cell)
                QVERIFY2(std::isfinite(slot.Fraction), qPrintable(u"seed %1"_s.arg(seed)));
        QVERIFY(!m_window->grab().isNull());
    }
    expectTheDiagramStillDraws();
}

} // namespace meldrix

QTEST_MAIN(meldrix::HostileInputTest)
#include "HostileInputTest.moc"
