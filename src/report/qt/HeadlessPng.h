#pragma once

#include "common/Canvas.h"

#include <functional>
#include <optional>
#include <string>

namespace meldrix {

//! A picture of `size` pixels drawn by `draw`, `scale` times larger, as the bytes of a PNG file,
//! painted as the window paints it; with an offscreen application of its own where none runs, so
//! no display is needed. Nothing when it could not be encoded.
std::optional<std::string> HeadlessPng(
    Size size, const std::function<void(Canvas&)>& draw, int scale = 1);

} // namespace meldrix
