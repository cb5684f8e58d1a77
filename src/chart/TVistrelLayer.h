#pragma once

// What the chart's own source files share about its layers; not part of its interface.

#include "chart/TVistrel.h"

namespace meldrix {

namespace vistrel {

inline constexpr double LogTiny = 1e-100;

inline bool isLayer(int layer)
{
    return layer >= 1 && layer <= MaxLayers;
}

} // namespace vistrel

struct TVistrel::Layer {
    Layer(TVistrel& owner, int number)
        : propsX(owner, scaleX, number, true)
        , propsY(owner, scaleY, number, false)
    {
    }
    TScale scaleX;
    TScale scaleY;
    TScaleProps propsX;
    TScaleProps propsY;
    LayerMapping mapping;
    bool visible = true;
};

} // namespace meldrix
