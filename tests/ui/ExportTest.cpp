#include "diagram/DiagramExport.h"
#include "support/TempDir.h"
#include "ui/TForm1.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLocale>
#include <QProcess>
#include <QTest>
#include <clocale>
#include <filesystem>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace meldrix {

// File › Export diagram… and the window's command line.
class ExportTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QLocale::setDefault(QLocale::c());
        std::setlocale(LC_NUMERIC, "C");
    }

    void init()
    {
        m_dir = std::make_unique<testsupport::TempDir>();
        m_window = std::make_unique<TForm1>();
        m_window->StartUp(MELDRIX_DEFAULT_BASE);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        m_window->findChild<QAction*>(u"Run1"_s)->trigger();
    }

    void cleanup()
    {
        m_window.reset();
        m_dir.reset();
    }

    void svgIsTheCoreDrawingOfTheClientArea()
    {
        const QString path = file(u"rig.svg"_s);
        exportTo(path);
        QCOMPARE(message(), u"Diagram exported to "_s + path);
        QCOMPARE(m_dialog->windowTitle(), u"Export diagram"_s);
        QCOMPARE(m_dialog->nameFilters(),
            QStringList({ u"SVG pictures (*.svg)"_s, u"PNG pictures (*.png)"_s }));
        QCOMPARE(m_dialog->acceptMode(), QFileDialog::AcceptSave);

        QFile written(path);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QSize area = m_window->centralWidget()->size();
        QCOMPARE(written.readAll().toStdString(),
            MixerDiagramSvg(m_window->rig(), { area.width(), area.height() }));
    }

    // The PNG holds the pixels of the client area wherever no control lies over it.
    void pngIsWhatTheWindowShows()
    {
        const QString path = file(u"rig.PNG"_s);
        exportTo(path);
        QCOMPARE(message(), u"Diagram exported to "_s + path);
        const QImage exported(path);
        QWidget* area = m_window->centralWidget();
        const QImage shown = area->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(exported.size(), area->size());

        QRegion covered;
        for (const QWidget* child : area->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (child->isVisible())
                covered += child->geometry();
        int compared = 0;
        for (int y = 0; y < shown.height(); ++y) {
            for (int x = 0; x < shown.width(); ++x) {
                if (covered.contains(QPoint(x, y)))
                    continue;
                ++compared;
                if (exported.pixel(x, y) != shown.pixel(x, y))
                    QFAIL(qPrintable(u"pixel %1, %2 differs"_s.arg(x).arg(y)));
            }
        }
        QVERIFY(compared > area->width() * area->height() / 2);
    }

    void refusesWhatItCannotWrite()
    {
        exportTo(file(u"rig.jpg"_s));
        QVERIFY(message().endsWith(u"the name must end in .svg or .png"_s));
        QVERIFY(!QFile::exists(file(u"rig.jpg"_s)));

        QVERIFY(QDir(m_dir->path()).mkdir(u"folder.svg"_s));
        exportTo(file(u"folder.svg"_s));
        QVERIFY(message().endsWith(u"it is not a regular file"_s));

        exportTo(file(u"missing/rig.svg"_s));
        QVERIFY(message().startsWith(u"The diagram could not be exported to "_s));
    }

    void cancellingChangesNothing()
    {
        const QString before = message();
        m_window->setFileChooser([](QFileDialog&) { return std::nullopt; });
        m_window->findChild<QAction*>(u"ExportDiagram1"_s)->trigger();
        QCOMPARE(message(), before);
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

private:
    QString file(const QString& name) const
    {
        return QString::fromStdString((m_dir->path() / name.toStdString()).string());
    }

    QString message() const { return m_window->findChild<QLabel*>(u"Message1"_s)->text(); }

    void exportTo(const QString& path)
    {
        m_window->setFileChooser([this, path](QFileDialog& dialog) {
            m_dialog = &dialog;
            return std::optional<QString>(path);
        });
        m_window->findChild<QAction*>(u"ExportDiagram1"_s)->trigger();
    }

    std::unique_ptr<testsupport::TempDir> m_dir;
    std::unique_ptr<TForm1> m_window;
    QFileDialog* m_dialog = nullptr;
};

} // namespace meldrix

QTEST_MAIN(meldrix::ExportTest)
#include "ExportTest.moc"
