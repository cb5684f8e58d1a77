#pragma once

#include "common/Canvas.h"
#include "rig/Rig.h"

#include <string>

namespace meldrix {

//! The size of the window's client area as designed, which a diagram written without the window
//! takes [px].
inline constexpr Size DesignedDiagramArea { 1067, 853 };

//! The window's client area of `area` pixels: black, with DrawMixer's picture on it.
void DrawDiagramArea(Rig& rig, Canvas& canvas, Size area);

//! The mixer diagram as an SVG document of `area` pixels: the black client area with DrawMixer's
//! picture on it, as the window paints it. Places the mixture boxes as DrawMixer does.
std::string MixerDiagramSvg(Rig& rig, Size area = DesignedDiagramArea);

} // namespace meldrix
