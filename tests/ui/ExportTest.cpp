#include "diagram/DiagramExport.h"
#include "support/KeyChords.h"
#include "support/TempDir.h"
#include "support/WindowTest.h"
#include "ui/TForm1.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace meldrix {

// File › Export diagram… and the window's command line.
class ExportTest : public testsupport::WindowTest {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        // A fixed date, so the title line is known whatever the clock says.
        qputenv("SOURCE_DATE_EPOCH", "1800000000");
        m_dir = std::make_unique<testsupport::TempDir>();
        QVERIFY(showWindow(MELDRIX_DEFAULT_BASE));
        trigger(u"Run1"_s);
    }

    void svgIsTheCoreDrawingOfTheClientArea()
    {
        const QString path = file(u"rig.svg"_s);
        exportTo(path);
        QCOMPARE(message()->text(), u"Diagram exported to "_s + path);
        QCOMPARE(m_dialog->windowTitle(), u"Export diagram"_s);
        QCOMPARE(m_dialog->nameFilters(),
            QStringList({ u"SVG pictures (*.svg)"_s, u"PNG pictures (*.png)"_s }));
        QCOMPARE(m_dialog->acceptMode(), QFileDialog::AcceptSave);

        exportTo(path);
        QFile written(path);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const std::string svg = written.readAll().toStdString();
        // Cropped to the drawing, under the data set and the date.
        QCOMPARE(svg, DiagramPictureSvg(m_window->rig(), title()));
        QVERIFY(svg.find(">Default, 2027-01-15T08:00:00+00:00<") != std::string::npos);
        const QSize area = m_window->centralWidget()->size();
        DiagramPicture picture(m_window->rig(), title());
        QVERIFY(picture.PictureSize().width < area.width());
        QVERIFY(picture.PictureSize().height < area.height());
    }

    // Below its title line the PNG holds the pixels of the client area, cropped to the drawing,
    // wherever no control lies over them.
    void pngIsWhatTheWindowShows()
    {
        const QString path = file(u"rig.PNG"_s);
        exportTo(path);
        QCOMPARE(message()->text(), u"Diagram exported to "_s + path);
        const QImage exported(path);
        QWidget* area = m_window->centralWidget();
        const QImage shown = area->grab().toImage().convertToFormat(QImage::Format_RGB32);
        DiagramPicture picture(m_window->rig(), title());
        QCOMPARE(exported.width(), picture.PictureSize().width);
        QCOMPARE(exported.height(), picture.PictureSize().height);
        const Point offset = picture.Offset();

        QRegion covered;
        for (const QWidget* child : area->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (child->isVisible())
                covered += child->geometry();
        int compared = 0;
        int drawn = 0;
        for (int y = 0; y < exported.height(); ++y) {
            for (int x = 0; x < exported.width(); ++x) {
                const QPoint at(x - offset.x, y - offset.y);
                if (y < picture.TitleHeight() || !shown.rect().contains(at) || covered.contains(at))
                    continue;
                ++compared;
                drawn += exported.pixel(x, y) != qRgb(0, 0, 0) ? 1 : 0;
                if (exported.pixel(x, y) != shown.pixel(at))
                    QFAIL(qPrintable(u"pixel %1, %2 differs"_s.arg(x).arg(y)));
            }
        }
        QVERIFY(compared > exported.width() * exported.height() / 2);
        QVERIFY(drawn > compared / 20);
    }

    void refusesWhatItCannotWrite()
    {
        exportTo(file(u"rig.jpg"_s));
        QVERIFY(message()->text().endsWith(u"the name must end in .svg or .png"_s));
        QVERIFY(!QFile::exists(file(u"rig.jpg"_s)));

        QVERIFY(QDir(m_dir->path()).mkdir(u"folder.svg"_s));
        exportTo(file(u"folder.svg"_s));
        QVERIFY(message()->text().endsWith(u"it is not a regular file"_s));

        exportTo(file(u"missing/rig.svg"_s));
        QVERIFY(message()->text().startsWith(u"The diagram could not be exported to "_s));
    }

    void cancellingChangesNothing()
    {
        const QString before = message()->text();
        m_window->setFileChooser([](QFileDialog&) { return std::nullopt; });
        trigger(u"ExportDiagram1"_s);
        QCOMPARE(message()->text(), before);
        QVERIFY(QDir(m_dir->path()).isEmpty());
    }

    void aDataSetNamedByTheUserMustBeThere()
    {
        TForm1 window;
        window.StartUp(file(u"Nothing"_s).toStdString(), true);
        // Four missing files make a short line; the tooltip names each of them.
        const QLabel* line = window.findChild<QLabel*>(u"Message1"_s);
        QVERIFY(!line->text().isEmpty());
        QVERIFY(line->toolTip().contains(u"Nothing.INP"_s));
    }

    void commandLineAnswersHelpAndVersion()
    {
        QProcess program;
        program.start(QString::fromUtf8(MELDRIX_GUI_PATH), { u"--version"_s });
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(program.readAllStandardOutput().trimmed(), QByteArray("meldrix 0.301"));

        program.start(QString::fromUtf8(MELDRIX_GUI_PATH), { u"--help"_s });
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitCode(), 0);
        const QByteArray help = program.readAllStandardOutput();
        QVERIFY(help.contains("[DATASET]"));
        QVERIFY(help.contains("--version"));

        program.start(QString::fromUtf8(MELDRIX_GUI_PATH), { u"--no-such-option"_s });
        QVERIFY(program.waitForFinished(20000));
        QVERIFY(program.exitCode() != 0);
        QVERIFY(program.readAllStandardError().contains("no-such-option"));
    }

    // File › Export report… writes the page or the PDF by the name's extension.
    void reportIsExportedAsHtmlOrPdf()
    {
        for (const QString& name : { u"run.html"_s, u"run.pdf"_s }) {
            const QString path = file(name);
            m_window->setFileChooser([path](QFileDialog& dialog) {
                dialog.selectNameFilter(path.endsWith(u"pdf"_s) ? dialog.nameFilters().last()
                                                                : dialog.nameFilters().first());
                return std::optional<QString>(path);
            });
            trigger(u"ExportReport1"_s);
            QCOMPARE(message()->text(), u"Report exported to "_s + path);
            QFile written(path);
            QVERIFY(written.open(QIODevice::ReadOnly));
            const QByteArray bytes = written.readAll();
            QVERIFY(name.endsWith(u"pdf"_s) ? bytes.startsWith("%PDF-")
                                            : bytes.contains("Meldrix run report: Default"));
        }
    }

    // A reading typed in the window and not saved is named in the report against the file.
    void reportNamesTheReadingsNotSaved()
    {
        trigger(u"FlowmeterReadings1"_s);
        editor()->setFocus();
        editor()->setCurrentCell(1, 1);
        testsupport::pressChord(Qt::Key_F2);
        testsupport::pressChord(Qt::Key_A, Qt::ControlModifier);
        testsupport::typeChords(u"30"_s);
        testsupport::pressChord(Qt::Key_Return);
        QTest::mouseClick(control<QPushButton>(u"Button1"_s), Qt::LeftButton);
        QCOMPARE(rig().Flowmeters[2].Reading, 30.0);

        const QString path = file(u"run.html"_s);
        m_window->setFileChooser([path](QFileDialog&) { return std::optional<QString>(path); });
        trigger(u"ExportReport1"_s);
        QFile written(path);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(written.readAll());
        QVERIFY(html.contains(
            u"<td>stage 2 at 30 instead of 40; the others as stored in Default.MIX</td>"_s));
        QVERIFY(html.contains(u"<td>2027-01-15T08:00:00+00:00</td>"_s));
        QVERIFY(html.contains(u"<th>Folder</th><td>/"_s));
    }

    // The report carries the "± uncertainty" answer while it is of the rig as it stands.
    void reportCarriesTheUncertaintyComputed()
    {
        const QString path = file(u"run.html"_s);
        m_window->setFileChooser([path](QFileDialog&) { return std::optional<QString>(path); });
        const auto exported = [&] {
            trigger(u"ExportReport1"_s);
            QFile written(path);
            return written.open(QIODevice::ReadOnly) ? written.readAll() : QByteArray();
        };
        QVERIFY(!exported().contains("\u00B1"));

        trigger(u"Uncertainty1"_s);
        auto* table = control<QWidget>(u"CellTabEd"_s);
        QTRY_VERIFY_WITH_TIMEOUT(table->isVisible(), 60000);
        const QByteArray html = exported();
        QVERIFY(html.contains("Uncertainties: standard deviations by linear propagation"));
        QVERIFY(html.count("\u00B1") > 4 * 6);

        // A new Execute starts another run; until it answers the old one is not this rig's.
        trigger(u"Run1"_s);
        QVERIFY(!exported().contains("\u00B1"));
        QTRY_VERIFY_WITH_TIMEOUT(table->isVisible(), 60000);
        QVERIFY(exported().contains("\u00B1"));
    }

    // The shortcuts are shown in the menus and work from the keyboard.
    void shortcutsReachTheCommands()
    {
        const std::pair<const char16_t*, QKeySequence> shown[] = {
            { u"OpenAll1", QKeySequence(Qt::CTRL | Qt::Key_O) },
            { u"SaveAll1", QKeySequence(Qt::CTRL | Qt::Key_S) },
            { u"SaveAllAs1", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S) },
            { u"Print1", QKeySequence(Qt::CTRL | Qt::Key_P) },
            { u"Exit1", QKeySequence(Qt::CTRL | Qt::Key_Q) },
        };
        for (const auto& [name, keys] : shown)
            QCOMPARE(control<QAction>(QString::fromUtf16(name))->shortcut(), keys);
        auto* run = control<QAction>(u"Run1"_s);
        QCOMPARE(run->shortcuts(),
            QList<QKeySequence>({ QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_R) }));

        int runs = 0;
        connect(run, &QAction::triggered, this, [&runs] { ++runs; });
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        QTest::keyClick(m_window.get(), Qt::Key_F5);
        QTest::keyPress(m_window.get(), Qt::Key_Control);
        QTest::keyClick(m_window.get(), Qt::Key_R, Qt::ControlModifier);
        QTest::keyRelease(m_window.get(), Qt::Key_Control);
        QCOMPARE(runs, 2);
    }

private:
    static std::string title() { return "Default, 2027-01-15T08:00:00+00:00"; }

    QString file(const QString& name) const
    {
        return QString::fromStdString((m_dir->path() / name.toStdString()).string());
    }

    void exportTo(const QString& path)
    {
        m_window->setFileChooser([this, path](QFileDialog& dialog) {
            m_dialog = &dialog;
            return std::optional<QString>(path);
        });
        trigger(u"ExportDiagram1"_s);
    }

    QFileDialog* m_dialog = nullptr;
};

} // namespace meldrix

QTEST_MAIN(meldrix::ExportTest)
#include "ExportTest.moc"
