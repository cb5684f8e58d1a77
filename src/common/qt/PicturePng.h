#pragma once

#include "common/Canvas.h"

#include <QByteArray>
#include <functional>

namespace meldrix {

//! A picture of `size` pixels drawn by `draw` through the QPainter canvas in the window's font,
//! without anti-aliasing as the window paints it, shown `scale` times larger, as PNG bytes; empty
//! when it could not be encoded. Needs a running application for its fonts.
QByteArray PicturePng(Size size, const std::function<void(Canvas&)>& draw, int scale = 1);

} // namespace meldrix
