#include "common/qt/PicturePng.h"
#include "diagram/DiagramExport.h"
#include "report/ReportDate.h"
#include "ui/DiagramArea.h"
#include "ui/TForm1.h"
#include "ui/Text.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QSaveFile>

using namespace Qt::Literals::StringLiterals;

namespace meldrix {

namespace {

const QString SvgFilter = u"SVG pictures (*.svg)"_s;
const QString PngFilter = u"PNG pictures (*.png)"_s;

} // namespace

std::optional<QString> TForm1::writeWhole(const QString& path, const QByteArray& bytes)
{
    const QFileInfo target(path);
    if (target.exists() && !target.isFile())
        return u"it is not a regular file"_s;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return file.errorString();
    return std::nullopt;
}

void TForm1::exportThroughDialog(const QString& what, const QString& firstFilter,
    const QString& firstSuffix, const QString& secondFilter, const QString& secondSuffix,
    std::optional<QString> (TForm1::*write)(const QString& path))
{
    guarded([&] {
        SaveDialog1->setWindowTitle(u"Export "_s + what);
        SaveDialog1->setDirectory(dataSetFolder());
        SaveDialog1->setNameFilters({ firstFilter, secondFilter });
        SaveDialog1->selectNameFilter(firstFilter);
        SaveDialog1->setDefaultSuffix(firstSuffix);
        const auto connection =
            connect(SaveDialog1, &QFileDialog::filterSelected, this, [&](const QString& filter) {
                SaveDialog1->setDefaultSuffix(filter == secondFilter ? secondSuffix : firstSuffix);
            });
        const std::optional<QString> path = chooseFile(*SaveDialog1);
        disconnect(connection);
        SaveDialog1->setDefaultSuffix(QString());
        if (!path)
            return;
        if (const auto error = (this->*write)(*path)) {
            ShowMessage(*m_rig,
                toSystemText(u"The %1 could not be exported to %2: %3"_s.arg(what, *path, *error)));
        } else {
            QString done = what;
            done[0] = done[0].toUpper();
            ShowMessage(*m_rig, toSystemText(u"%1 exported to %2"_s.arg(done, *path)));
        }
    });
}

std::optional<QString> TForm1::exportDiagram(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    // The picture stands on its own: cropped to the drawing, under the data set's name and the
    // date.
    const std::string title = DiagramTitle(m_rig->BaseName, ReportDateTime());
    QByteArray bytes;
    if (suffix == u"svg"_s) {
        const std::string svg = DiagramPictureSvg(*m_rig, title);
        bytes = QByteArray(svg.data(), static_cast<qsizetype>(svg.size()));
    } else if (suffix == u"png"_s) {
        DiagramPicture picture(*m_rig, title);
        bytes =
            PicturePng(picture.PictureSize(), [&picture](Canvas& canvas) { picture.Draw(canvas); });
        if (bytes.isEmpty())
            return u"the picture could not be encoded"_s;
    } else {
        return u"the name must end in .svg or .png"_s;
    }
    return writeWhole(path, bytes);
}

void TForm1::ExportDiagram1Click()
{
    exportThroughDialog(
        u"diagram"_s, SvgFilter, u"svg"_s, PngFilter, u"png"_s, &TForm1::exportDiagram);
}

} // namespace meldrix
