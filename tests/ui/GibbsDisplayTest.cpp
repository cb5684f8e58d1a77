#include "chart/qt/TVistrelWidget.h"
#include "support/ChartLabels.h"
#include "support/ShownWindow.h"
#include "tabed/qt/TCeltrix.h"
#include "ui/TForm1.h"

#include <QAction>
#include <QLabel>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace meldrix {

// The results table's display of the cells' equilibria, on the shipped default data set.
class GibbsDisplayTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { testsupport::useCLocale(); }

    void showsEachCellsGasAtItsTemperature()
    {
        TForm1 window;
        QVERIFY(testsupport::startAndShow(window, MELDRIX_DEFAULT_BASE));
        auto* command = window.findChild<QAction*>(u"CellTemperature1"_s);
        auto* table = window.findChild<TCeltrix*>(u"CellTabEd"_s);
        QVERIFY(command && table);
        QCOMPARE(command->text(), u"Equilibrium at cell &temperature"_s);

        command->trigger(); // before any run there is nothing to show
        QVERIFY(window.rig().GibbsDisplay);
        QVERIFY(table->isHidden());

        window.findChild<QAction*>(u"Run1"_s)->trigger();
        QVERIFY(table->isVisible());
        const TCeltrixModel& model = table->Model();
        QCOMPARE(model.RowName(model.NrOfRows()), "log10 pO2");
        QCOMPARE(model.ColName(2), "OC 2; Cell B");
        int h2 = 0;
        for (int k = 1; k <= model.NrOfRows(); ++k)
            h2 = model.RowName(k) == "H2" ? k : h2;
        QVERIFY(h2 > 0);
        // Cell B burns its 2 % of hydrogen in excess oxygen at 800 °C.
        QVERIFY(model.Elem(2, h2) > 1e-11 && model.Elem(2, h2) < 1e-9);
        QVERIFY(model.ElemState(5, 1) != 0); // cell 5 is not fed
        saveScreenshot(window, u"equilibrium-at-cell-temperature"_s);

        window.findChild<QAction*>(u"Linlogtoggle1"_s)->trigger();
        QCOMPARE(model.Precision(2), 4);
        QVERIFY(model.Elem(2, h2) < -9.0 && model.Elem(2, h2) > -11.0);
        saveScreenshot(window, u"equilibrium-at-cell-temperature-log"_s);

        // The specified toggle takes the table back to its own displays.
        window.findChild<QAction*>(u"EquilRTtoggle1"_s)->trigger();
        QVERIFY(!window.rig().GibbsDisplay);
        QVERIFY(window.rig().EquilDisplay);
    }

    void reportsACellThatCannotBeSolved()
    {
        TForm1 window;
        window.StartUp(MELDRIX_DEFAULT_BASE);
        window.rig().Cells[3].Pressure = 0.0;
        window.findChild<QAction*>(u"Run1"_s)->trigger();
        window.findChild<QAction*>(u"CellTemperature1"_s)->trigger();
        auto* message = window.findChild<QLabel*>(u"Message1"_s);
        QCOMPARE(message->text(),
            u"Equilibrium at cell temperature: OC 3; Cell C: pressure 0 bar is not above 0"_s);
    }

    void drawsPO2AgainstTemperatureForEveryFedCell()
    {
        TForm1 window;
        window.StartUp(MELDRIX_DEFAULT_BASE);
        auto* command = window.findChild<QAction*>(u"PO2Chart1"_s);
        QVERIFY(command);
        command->trigger();
        QCOMPARE(window.findChild<QLabel*>(u"Message1"_s)->text(),
            u"No cell has received a gas yet: run Execute first."_s);
        QVERIFY(!window.findChild<QWidget*>(u"PO2Window"_s));

        window.findChild<QAction*>(u"Run1"_s)->trigger();
        command->trigger();
        auto* chartWindow = window.findChild<QWidget*>(u"PO2Window"_s);
        auto* chart = window.findChild<TVistrelWidget*>(u"PO2Chart"_s);
        QVERIFY(chartWindow && chart);
        QVERIFY(QTest::qWaitForWindowExposed(chartWindow));
        // Four fed cells, 120 segments each from 300 to 1500 °C, and three marks of each cell's
        // own temperature.
        QCOMPARE(chart->Chart().ItemCount(), 4 * (120 + 3));
        QCOMPARE(chart->Chart().TextLabel(2)->Caption, "OC 2; Cell B");
        QVERIFY(chart->Chart().TextLabel(2)->Visible);
        QVERIFY(!chart->Chart().TextLabel(5)->Visible);
        saveScreenshot(*chartWindow, u"po2-chart"_s);

        // An open chart follows the next run: cell A no longer fed, its curve goes.
        window.rig().Cells[1].Mix = 0;
        window.findChild<QAction*>(u"Run1"_s)->trigger();
        QCOMPARE(chart->Chart().ItemCount(), 3 * (120 + 3));
        QVERIFY(!chart->Chart().TextLabel(1)->Visible);
    }

    // The names are placed again for each size of the window, never left on the lines.
    void po2NamesFollowTheWindowsSize()
    {
        TForm1 window;
        window.StartUp(MELDRIX_DEFAULT_BASE);
        window.findChild<QAction*>(u"Run1"_s)->trigger();
        window.findChild<QAction*>(u"PO2Chart1"_s)->trigger();
        auto* chartWindow = window.findChild<QWidget*>(u"PO2Window"_s);
        auto* chart = window.findChild<TVistrelWidget*>(u"PO2Chart"_s);
        QVERIFY(QTest::qWaitForWindowExposed(chartWindow));
        for (const QSize size : { QSize(480, 330), QSize(1000, 640), QSize(640, 300) }) {
            chartWindow->resize(size);
            QTRY_COMPARE(chart->size(), size);
            QCOMPARE(chart->Chart().ControlSize().width, size.width());
            for (int c = 1; c <= 4; ++c) {
                const auto meets = testsupport::LabelMeetsLine(chart->Chart(), c);
                QVERIFY2(!meets,
                    qPrintable(
                        u"%1 at %2x%3 meets a line at %4"_s
                            .arg(QString::fromStdString(chart->Chart().TextLabel(c)->Caption))
                            .arg(size.width())
                            .arg(size.height())
                            .arg(QString::fromStdString(meets.value_or("")))));
            }
            saveScreenshot(*chartWindow, u"po2-chart-%1x%2"_s.arg(size.width()).arg(size.height()));
        }
    }

private:
    static void saveScreenshot(QWidget& window, const QString& name)
    {
        // Screenshots for a human to look at: MELDRIX_SCREENSHOT_DIR=/some/folder.
        const QString folder = qEnvironmentVariable("MELDRIX_SCREENSHOT_DIR");
        if (!folder.isEmpty())
            window.grab().save(folder + u'/' + name + u".png"_s);
    }
};

} // namespace meldrix

QTEST_MAIN(meldrix::GibbsDisplayTest)
#include "GibbsDisplayTest.moc"
