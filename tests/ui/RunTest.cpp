#include "rig/StartUp.h"
#include "ui/TForm1.h"

#include <QAction>
#include <QLabel>
#include <QLocale>
#include <QTest>
#include <clocale>

using namespace Qt::Literals::StringLiterals;

namespace meldrix {

// Execute through the real window, on the shipped default data set.
class RunTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QLocale::setDefault(QLocale::c());
        std::setlocale(LC_NUMERIC, "C");
    }

    void executeSolvesTheDefaultRigAndRedrawsTheDiagram()
    {
        TForm1 window;
        window.StartUp(MELDRIX_DEFAULT_BASE);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* run = window.findChild<QAction*>(u"Run1"_s);
        auto* message = window.findChild<QLabel*>(u"Message1"_s);
        QVERIFY(run && message);
        QCOMPARE(run->text(), u"E&xecute"_s);

        const QImage before = window.grab().toImage();
        run->trigger();
        QVERIFY(message->isHidden());
        const Rig& rig = window.rig();
        QCOMPARE(rig.GasListCount, 6);
        QVERIFY(rig.Gases[17].Flow > 100.0); // argon and synthetic air into M1
        QVERIFY(rig.Flowmeters[6].Flow > 300.0);
        QTRY_VERIFY(window.grab().toImage() != before); // the new flows are drawn
        saveScreenshot(window, u"after-execute"_s);
        for (const QString& editor :
            { u"Flowmeters2"_s, u"OutputCells3"_s, u"InputMixtures3"_s, u"FlowmeterReadings1"_s }) {
            window.findChild<QAction*>(editor)->trigger();
            saveScreenshot(window, editor);
        }
    }

    void executeReportsALoopOfMixturesAndBeeps()
    {
        TForm1 window;
        window.StartUp(MELDRIX_DEFAULT_BASE);
        window.rig().Flowmeters[1].Input = 18; // M2 feeds M1, which feeds M2 through stage 4
        window.findChild<QAction*>(u"Run1"_s)->trigger();
        auto* message = window.findChild<QLabel*>(u"Message1"_s);
        QVERIFY(message->isVisible() || !window.isVisible());
        QCOMPARE(message->text(), u"Non-converging mixer! Check for iterating loops!"_s);
        QVERIFY(!isSet(window.rig().Gases[17].Defined));
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

QTEST_MAIN(meldrix::RunTest)
#include "RunTest.moc"
