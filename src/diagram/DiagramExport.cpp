#include "diagram/DiagramExport.h"

#include "common/SvgCanvas.h"
#include "diagram/MixerDiagram.h"

namespace meldrix {

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
