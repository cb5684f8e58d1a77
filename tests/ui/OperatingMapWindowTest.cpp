#include "support/WindowTest.h"
#include "ui/OperatingMapDialog.h"
#include "ui/TForm1.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace meldrix {

namespace {

constexpr int MapLimitMs = 120000; // only against a hang: a map takes about a second

void pressKey(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = {})
{
    if (modifiers.testFlag(Qt::AltModifier))
        QTest::keyPress(target, Qt::Key_Alt, Qt::AltModifier);
    QTest::keyPress(target, key, modifiers);
    QTest::keyRelease(target, key, modifiers);
    if (modifiers.testFlag(Qt::AltModifier))
        QTest::keyRelease(target, Qt::Key_Alt);
}

} // namespace

// Tools › Operating map… through the real window on the shipped data set.
class OperatingMapWindowTest : public testsupport::WindowTest {
    Q_OBJECT

private:
    // The dialog on cell 2, the reducing cell, opened from the keyboard.
    QPointer<OperatingMapDialog> openDialog()
    {
        if (!showWindow(MELDRIX_DEFAULT_BASE))
            return nullptr;
        QWidget* window = QApplication::activeWindow();
        if (!window)
            return nullptr;
        pressKey(window, Qt::Key_T, Qt::AltModifier);
        QTest::qWait(0);
        if (QWidget* menu = QApplication::activePopupWidget())
            pressKey(menu, Qt::Key_M);
        QPointer<OperatingMapDialog> dialog;
        if (!QTest::qWaitFor(
                [&] {
                    return !(dialog = control<OperatingMapDialog>(u"OperatingMapDialog"_s))
                                .isNull();
                },
                5000))
            return nullptr;
        if (!dialog || !QTest::qWaitForWindowExposed(dialog))
            return nullptr;
        auto* cell = dialog->findChild<QComboBox*>(u"CellBox"_s);
        cell->setFocus();
        pressKey(cell, Qt::Key_Down);
        return dialog;
    }

private Q_SLOTS:
    // The map fills in off the window's thread; hovering reads it, a click proposes its readings
    // and Apply puts them into the readings and runs Execute.
    void aClickedPointIsAppliedAndExecuted()
    {
        const QPointer<OperatingMapDialog> dialog = openDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->findChild<QComboBox*>(u"CellBox"_s)->currentText(), u"OC 2; Cell B"_s);
        // At the stored readings the air wins: its meter and F 4, which takes it to the cell,
        // move cell B's pO2 most. The map goes over the hydrogen (F 3) instead of the air.
        auto* across = dialog->findChild<QComboBox*>(u"StageXBox"_s);
        QCOMPARE(across->currentText(), u"F 2"_s);
        QCOMPARE(dialog->findChild<QComboBox*>(u"StageYBox"_s)->currentText(), u"F 4"_s);
        across->setFocus();
        pressKey(across, Qt::Key_Down);
        QCOMPARE(across->currentText(), u"F 3"_s);
        const std::array<double, MaxFlowmeters> before = [&] {
            std::array<double, MaxFlowmeters> readings {};
            for (int f = 1; f <= MaxFlowmeters; ++f)
                readings[static_cast<std::size_t>(f - 1)] = rig().Flowmeters[f].Reading;
            return readings;
        }();

        QTest::mouseClick(dialog->findChild<QPushButton*>(u"DrawButton"_s), Qt::LeftButton);
        QVERIFY(dialog->computing());
        QVERIFY(dialog->map());
        QTRY_VERIFY_WITH_TIMEOUT(!dialog->computing(), MapLimitMs);
        const OperatingMap& map = *dialog->map();
        QVERIFY(!map.Cancelled);
        QVERIFY(std::none_of(map.States.begin(), map.States.end(),
            [](MapPointState state) { return state == MapPointState::Pending; }));
        testsupport::saveScreenshot(*dialog, u"operating-map"_s);

        auto* view = dialog->findChild<MapView*>(u"MapView"_s);
        QVERIFY(view && view->picture());
        // A point low on F 4 and high on F 3: the reducing corner.
        std::optional<Point> corner;
        for (int y = MapPictureSize.height - 1; y > 0 && !corner; --y)
            for (int x = MapPictureSize.width - 1; x > 0 && !corner; --x)
                if (const auto p = view->picture()->PointAt({ x, y });
                    p && p->I == map.Grid - 3 && p->J == 2)
                    corner = Point { x, y };
        QVERIFY(corner);
        const QPoint at(corner->x, corner->y);
        // Moved over the dialog's window, as the pointer moves; the view tracks it.
        QTest::mouseMove(dialog->windowHandle(), view->mapTo(dialog.data(), at));
        const QString hover = dialog->findChild<QLabel*>(u"MapHover"_s)->text();
        QVERIFY2(hover.startsWith(u"F 3 "_s) && hover.contains(u": log10 pO2 [bar] -"_s),
            qPrintable(hover));
        QTest::mouseClick(view, Qt::LeftButton, {}, at);
        QVERIFY(dialog->proposal());
        // Nothing reaches the window's rig before Apply.
        for (int f = 1; f <= MaxFlowmeters; ++f)
            QCOMPARE(rig().Flowmeters[f].Reading, before[static_cast<std::size_t>(f - 1)]);

        const double x = map.X.at(map.Grid - 3, map.Grid);
        const double y = map.Y.at(2, map.Grid);
        const double value = map.value(map.Grid - 3, 2);
        QTest::mouseClick(dialog->findChild<QPushButton*>(u"ApplyButton"_s), Qt::LeftButton);
        QTRY_VERIFY(dialog.isNull());
        QCOMPARE(rig().Flowmeters[3].Reading, x);
        QCOMPARE(rig().Flowmeters[4].Reading, y);
        QCOMPARE(rig().EditMode, EditModes::FlowmeterReadings);
        QVERIFY(rig().GasListCount > 0); // Execute ran
        QVERIFY(value < -10.0);
    }

    // Closing while the map is computed ends its workers and changes nothing.
    void closingDuringAMapLeavesTheRigAsItWas()
    {
        const QPointer<OperatingMapDialog> dialog = openDialog();
        QVERIFY(dialog);
        const double f3 = rig().Flowmeters[3].Reading;
        QTest::mouseClick(dialog->findChild<QPushButton*>(u"DrawButton"_s), Qt::LeftButton);
        QVERIFY2(
            dialog->computing(), qPrintable(dialog->findChild<QLabel*>(u"MapStatus"_s)->text()));
        pressKey(dialog, Qt::Key_Escape);
        QTRY_VERIFY_WITH_TIMEOUT(dialog.isNull(), MapLimitMs);
        QCOMPARE(rig().Flowmeters[3].Reading, f3);
    }
};

} // namespace meldrix

QTEST_MAIN(meldrix::OperatingMapWindowTest)
#include "OperatingMapWindowTest.moc"
