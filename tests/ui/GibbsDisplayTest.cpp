#include "chart/qt/TVistrelWidget.h"
#include "support/ChartLabels.h"
#include "support/WindowTest.h"
#include "tabed/qt/TCeltrix.h"
#include "ui/TForm1.h"

#include <QAction>
#include <QLabel>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace meldrix {

// The results table's display of the cells' equilibria, on the shipped default data set.
class GibbsDisplayTest : public testsupport::WindowTest {
    Q_OBJECT

private Q_SLOTS:
    void showsEachCellsGasAtItsTemperature()
    {
        QVERIFY(showWindow(MELDRIX_DEFAULT_BASE));
        QCOMPARE(commandText(u"CellTemperature1"_s), u"Equilibrium at cell &temperature"_s);
        auto* table = control<TCeltrix>(u"CellTabEd"_s);
        QVERIFY(table);

        trigger(u"CellTemperature1"_s); // before any run there is nothing to show
        QVERIFY(rig().GibbsDisplay);
        QVERIFY(table->isHidden());

        trigger(u"Run1"_s);
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
        snapshot(u"equilibrium-at-cell-temperature"_s);

        trigger(u"Linlogtoggle1"_s);
        QCOMPARE(model.Precision(2), 4);
        QVERIFY(model.Elem(2, h2) < -9.0 && model.Elem(2, h2) > -11.0);
        snapshot(u"equilibrium-at-cell-temperature-log"_s);

        // The specified toggle takes the table back to its own displays.
        trigger(u"EquilRTtoggle1"_s);
        QVERIFY(!rig().GibbsDisplay);
        QVERIFY(rig().EquilDisplay);
    }

    void reportsACellThatCannotBeSolved()
    {
        startWindow(MELDRIX_DEFAULT_BASE);
        rig().Cells[3].Pressure = 0.0;
        trigger(u"Run1"_s);
        trigger(u"CellTemperature1"_s);
        QCOMPARE(message()->text(),
            u"Equilibrium at cell temperature: OC 3; Cell C: pressure 0 bar is not above 0"_s);
    }

    void drawsPO2AgainstTemperatureForEveryFedCell()
    {
        startWindow(MELDRIX_DEFAULT_BASE);
        trigger(u"PO2Chart1"_s);
        QCOMPARE(message()->text(), u"No cell has received a gas yet: run Execute first."_s);
        QVERIFY(!control(u"PO2Window"_s));

        trigger(u"Run1"_s);
        trigger(u"PO2Chart1"_s);
        auto* chartWindow = control(u"PO2Window"_s);
        auto* chart = control<TVistrelWidget>(u"PO2Chart"_s);
        QVERIFY(chartWindow && chart);
        QVERIFY(QTest::qWaitForWindowExposed(chartWindow));
        // Four fed cells, 120 segments each from 300 to 1500 °C, and three marks of each cell's
        // own temperature.
        QCOMPARE(chart->Chart().ItemCount(), 4 * (120 + 3));
        QCOMPARE(chart->Chart().TextLabel(2)->Caption, "OC 2; Cell B");
        QVERIFY(chart->Chart().TextLabel(2)->Visible);
        QVERIFY(!chart->Chart().TextLabel(5)->Visible);
        testsupport::saveScreenshot(*chartWindow, u"po2-chart"_s);

        // An open chart follows the next run: cell A no longer fed, its curve goes.
        rig().Cells[1].Mix = 0;
        trigger(u"Run1"_s);
        QCOMPARE(chart->Chart().ItemCount(), 3 * (120 + 3));
        QVERIFY(!chart->Chart().TextLabel(1)->Visible);
    }

    // The names are placed again for each size of the window, never left on the lines.
    void po2NamesFollowTheWindowsSize()
    {
        startWindow(MELDRIX_DEFAULT_BASE);
        trigger(u"Run1"_s);
        trigger(u"PO2Chart1"_s);
        auto* chartWindow = control(u"PO2Window"_s);
        auto* chart = control<TVistrelWidget>(u"PO2Chart"_s);
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
            testsupport::saveScreenshot(
                *chartWindow, u"po2-chart-%1x%2"_s.arg(size.width()).arg(size.height()));
        }
    }
};

} // namespace meldrix

QTEST_MAIN(meldrix::GibbsDisplayTest)
#include "GibbsDisplayTest.moc"
