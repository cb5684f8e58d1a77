#pragma once

class QPainter;
class QSize;

namespace meldrix {

struct Rig;

//! Paints the mixer diagram of the rig with the painter, in the window's font. The painter's
//! state is restored afterwards. Places the mixture boxes as DrawMixer does.
void paintMixerDiagram(QPainter& painter, Rig& rig);

//! Paints the window's whole client area of `area` pixels: black, with the mixer diagram on it,
//! exactly as the diagram's SVG export draws it.
void paintMixerDiagramArea(QPainter& painter, Rig& rig, const QSize& area);

} // namespace meldrix
