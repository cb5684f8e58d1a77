#include "ui/canvas/MixerDiagramPainter.h"

#include "common/qt/QPainterCanvas.h"
#include "diagram/MixerDiagram.h"

#include <QPainter>

namespace meldrix {

void paintMixerDiagram(QPainter& painter, Rig& rig)
{
    painter.save();
    painter.setFont(windowFont());
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPainterCanvas canvas(painter);
    DrawMixer(rig, canvas);
    painter.restore();
}

} // namespace meldrix
