#pragma once

class QPainter;

namespace meldrix {

struct Rig;

//! Paints the mixer diagram of the rig with the painter, in the window's font. The painter's
//! state is restored afterwards. Places the mixture boxes as DrawMixer does.
void paintMixerDiagram(QPainter& painter, Rig& rig);

} // namespace meldrix
