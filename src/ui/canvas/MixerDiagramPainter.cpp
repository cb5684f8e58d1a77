#include "ui/canvas/MixerDiagramPainter.h"

#include "common/qt/QPainterCanvas.h"
#include "diagram/DiagramExport.h"
#include "diagram/MixerDiagram.h"

#include <QPainter>
#include <QSize>
#include <functional>

namespace meldrix {

namespace {

void paintWith(QPainter& painter, const std::function<void(Canvas&)>& draw)
{
    painter.save();
    painter.setFont(windowFont());
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPainterCanvas canvas(painter);
    draw(canvas);
    painter.restore();
}

} // namespace

void paintMixerDiagram(QPainter& painter, Rig& rig)
{
    paintWith(painter, [&rig](Canvas& canvas) { DrawMixer(rig, canvas); });
}

void paintMixerDiagramArea(QPainter& painter, Rig& rig, const QSize& area)
{
    paintWith(painter, [&](Canvas& canvas) {
        DrawDiagramArea(rig, canvas, { area.width(), area.height() });
    });
}

} // namespace meldrix
