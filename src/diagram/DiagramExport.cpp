#include "diagram/DiagramExport.h"

#include "common/Latin1.h"
#include "common/ShiftedCanvas.h"
#include "common/SvgCanvas.h"
#include "diagram/MixerDiagram.h"

#include <algorithm>

namespace meldrix {

namespace {

constexpr Rgb Black { 0, 0, 0 };
constexpr Rgb White { 255, 255, 255 };
constexpr int Border = 6; // [px] of black kept around the drawing and the title

} // namespace

DiagramPicture::DiagramPicture(Rig& rig, std::string title)
    : m_rig(rig)
    , m_title(std::move(title))
{
    // Measured in the window's font, which both faces of the picture draw in.
    const SvgCanvas measure({ 0, 0 });
    ExtentCanvas extent(measure, Black);
    DrawMixer(m_rig, extent);
    const Size titleSize = measure.textSize(m_title);
    m_band = Border + titleSize.height + Border;
    const Size drawing = extent.empty()
        ? Size {}
        : Size { extent.to().x - extent.from().x, extent.to().y - extent.from().y };
    m_from = extent.from();
    m_size = { std::max(drawing.width, titleSize.width) + 2 * Border,
        m_band + drawing.height + Border };
}

Point DiagramPicture::Offset() const
{
    return { Border - m_from.x, m_band - m_from.y };
}

void DiagramPicture::Draw(Canvas& canvas)
{
    canvas.setFill(Black);
    canvas.fillRect({ 0, 0 }, { m_size.width, m_size.height });
    // DrawMixer's own black background spills over the title band; the title comes after it.
    ShiftedCanvas shifted(canvas, Offset());
    DrawMixer(m_rig, shifted);
    canvas.setFill(Black);
    canvas.setTextColour(White);
    canvas.textOut({ Border, Border }, m_title);
}

std::string DiagramTitle(std::string_view baseName, std::string_view dateTime)
{
    const auto slash = baseName.find_last_of('/');
    const std::string_view dataSet =
        slash == std::string_view::npos ? baseName : baseName.substr(slash + 1);
    // A file name is the system's UTF-8; the canvas draws 8-bit texts.
    return utf8ToLatin1Shown(dataSet) + ", " + std::string(dateTime);
}

std::string DiagramPictureSvg(Rig& rig, std::string title)
{
    DiagramPicture picture(rig, std::move(title));
    SvgCanvas canvas(picture.PictureSize());
    picture.Draw(canvas);
    return canvas.document();
}

void DrawDiagramArea(Rig& rig, Canvas& canvas, Size area)
{
    // DrawMixer's own background starts at (1, 1); the area around it is black as well.
    canvas.setFill({ 0, 0, 0 });
    canvas.fillRect({ 0, 0 }, { area.width, area.height });
    DrawMixer(rig, canvas);
}

std::string MixerDiagramSvg(Rig& rig, Size area)
{
    SvgCanvas canvas(area);
    DrawDiagramArea(rig, canvas, area);
    return canvas.document();
}

} // namespace meldrix
