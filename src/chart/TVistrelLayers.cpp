// The chart's layers: their scales, ranges, joins and the mapping of data onto pixels.

#include "chart/TVistrelLayer.h"

#include <cmath>
#include <string>
#include <tuple>
#include <utility>

namespace meldrix {

using namespace vistrel;

namespace {

// Factor and offset that put lo at `first` and hi at `last` pixels; ln of both on a logarithmic
// axis. A span that is empty or not finite maps everything to `middle`.
std::pair<Extended, Extended> axisMapping(Extended extent, Extended lo, Extended hi,
    bool logarithmic, Extended first, Extended last, Extended middle)
{
    if (extent < 1) // a data area less than a pixel wide shows everything at its middle
        return { 0, middle };
    if (logarithmic) {
        if (!(lo > 0) || !(hi > 0))
            return { 0, middle };
        lo = std::log(lo);
        hi = std::log(hi);
    }
    const Extended span = hi - lo;
    const Extended k = (last - first) / span;
    const Extended o = (first * hi - last * lo) / span;
    if (span == 0 || !std::isfinite(k) || !std::isfinite(o))
        return { 0, middle };
    return { k, o };
}

} // namespace

TJointLayers::TJointLayers(TVistrel& owner)
    : m_owner(owner)
{
    for (int layer = 1; layer <= MaxLayers; ++layer) {
        m_x[static_cast<std::size_t>(layer - 1)] = layer;
        m_y[static_cast<std::size_t>(layer - 1)] = layer;
    }
}

int TJointLayers::XControlledBy(int layer) const
{
    return isLayer(layer) ? m_x[static_cast<std::size_t>(layer - 1)] : 0;
}

int TJointLayers::YControlledBy(int layer) const
{
    return isLayer(layer) ? m_y[static_cast<std::size_t>(layer - 1)] : 0;
}

void TJointLayers::SetXControlledBy(int layer, int controller)
{
    join(m_x, layer, controller);
}

void TJointLayers::SetYControlledBy(int layer, int controller)
{
    join(m_y, layer, controller);
}

void TJointLayers::join(std::array<int, MaxLayers>& controlledBy, int layer, int controller)
{
    if (!isLayer(layer))
        return;
    const auto slot = [](int l) { return static_cast<std::size_t>(l - 1); };
    if (controller != layer) {
        if (!isLayer(controller))
            throw EQuorVistrelError(
                "Destination layer " + std::to_string(controller) + " is out of range");
        // One level only: a range passed on once is never passed on again.
        if (controlledBy[slot(controller)] != controller)
            throw EQuorVistrelError(
                "Destination layer " + std::to_string(controller) + " is already joined");
        std::string joined;
        for (int other = 1; other <= MaxLayers; ++other)
            if (other != layer && controlledBy[slot(other)] == layer)
                joined += (joined.empty() ? "" : ", ") + std::to_string(other);
        if (!joined.empty())
            throw EQuorVistrelError(
                "Layer " + std::to_string(layer) + " is joined by other layers (" + joined + ")");
    }
    controlledBy[slot(layer)] = controller;
    m_owner.passOnRanges(controller);
    m_owner.recomputeMappings();
    m_owner.redraw();
}

TVistrel::Layer& TVistrel::layerAt(int layer)
{
    return *m_layers[static_cast<std::size_t>(isLayer(layer) ? layer - 1 : 0)];
}

const TVistrel::Layer& TVistrel::layerAt(int layer) const
{
    return *m_layers[static_cast<std::size_t>(isLayer(layer) ? layer - 1 : 0)];
}

void TVistrel::SetCurrentLayer(int layer)
{
    if (isLayer(layer))
        m_currentLayer = layer;
}

bool TVistrel::LayerVisible(int layer) const
{
    return isLayer(layer) && m_layers[static_cast<std::size_t>(layer - 1)]->visible;
}

void TVistrel::SetLayerVisible(int layer, bool visible)
{
    if (isLayer(layer))
        m_layers[static_cast<std::size_t>(layer - 1)]->visible = visible;
}

TScaleProps& TVistrel::LayerScaleX(int layer)
{
    return layerAt(layer).propsX;
}

TScaleProps& TVistrel::LayerScaleY(int layer)
{
    return layerAt(layer).propsY;
}

const TScale& TVistrel::ScaleX(int layer) const
{
    return layerAt(layer).scaleX;
}

const TScale& TVistrel::ScaleY(int layer) const
{
    return layerAt(layer).scaleY;
}

void TVistrel::scaleChanged(TScaleProps& props)
{
    props.m_scale.SetRange(props.m_rangeLow, props.m_rangeHigh);
    passOnRanges(props.m_layer);
    recomputeMappings();
    redraw();
}

void TVistrel::passOnRanges(int layer)
{
    const Layer& from = layerAt(layer);
    for (int other = 1; other <= MaxLayers; ++other) {
        if (other == layer)
            continue;
        Layer& to = layerAt(other);
        if (m_joint.XControlledBy(other) == layer) {
            to.propsX.m_rangeLow = from.propsX.m_rangeLow;
            to.propsX.m_rangeHigh = from.propsX.m_rangeHigh;
            to.scaleX.SetRange(to.propsX.m_rangeLow, to.propsX.m_rangeHigh);
        }
        if (m_joint.YControlledBy(other) == layer) {
            to.propsY.m_rangeLow = from.propsY.m_rangeLow;
            to.propsY.m_rangeHigh = from.propsY.m_rangeHigh;
            to.scaleY.SetRange(to.propsY.m_rangeLow, to.propsY.m_rangeHigh);
        }
    }
}

void TVistrel::SetLayerRanges(int layer, Extended xl, Extended yl, Extended xh, Extended yh)
{
    if (layer == 0) {
        for (int l = 1; l <= MaxLayers; ++l)
            SetLayerRanges(l, xl, yl, xh, yh);
        return;
    }
    if (!isLayer(layer))
        return;
    Layer& target = layerAt(layer);
    if (xl == xh) {
        xl -= target.propsX.m_minRange / 2;
        xh += target.propsX.m_minRange / 2;
    }
    if (yl == yh) {
        yl -= target.propsY.m_minRange / 2;
        yh += target.propsY.m_minRange / 2;
    }
    if (m_isometric) {
        const Extended dw = Extended(dataTo().x) - dataFrom().x;
        const Extended dh = Extended(dataTo().y) - dataFrom().y;
        if (dw >= 1)
            yh = yl + (xh - xl) * dh / dw;
    }
    // A joined axis keeps its controller's range whatever it is given.
    if (const Layer& controller = layerAt(m_joint.XControlledBy(layer)); &controller != &target) {
        xl = controller.propsX.m_rangeLow;
        xh = controller.propsX.m_rangeHigh;
    }
    if (const Layer& controller = layerAt(m_joint.YControlledBy(layer)); &controller != &target) {
        yl = controller.propsY.m_rangeLow;
        yh = controller.propsY.m_rangeHigh;
    }
    target.propsX.m_rangeLow = static_cast<double>(xl);
    target.propsX.m_rangeHigh = static_cast<double>(xh);
    target.propsY.m_rangeLow = static_cast<double>(yl);
    target.propsY.m_rangeHigh = static_cast<double>(yh);
    target.scaleX.SetRange(target.propsX.m_rangeLow, target.propsX.m_rangeHigh);
    target.scaleY.SetRange(target.propsY.m_rangeLow, target.propsY.m_rangeHigh);
    passOnRanges(layer);
    recomputeMappings();
    redraw();
}

void TVistrel::recomputeMappings()
{
    const Point from = dataFrom();
    const Point to = dataTo();
    const Extended dw = Extended(to.x) - from.x;
    const Extended dh = Extended(to.y) - from.y;
    const Size scaleArea { m_size.width - m_shadowWidth + 1, m_size.height - m_shadowWidth + 1 };
    for (auto& layer : m_layers) {
        Layer& l = *layer;
        std::tie(l.mapping.kx, l.mapping.ox) = axisMapping(dw, l.propsX.m_rangeLow,
            l.propsX.m_rangeHigh, l.scaleX.Logarithmic(), from.x, to.x, Extended(m_size.width) / 2);
        std::tie(l.mapping.ky, l.mapping.oy) =
            axisMapping(dh, l.propsY.m_rangeLow, l.propsY.m_rangeHigh, l.scaleY.Logarithmic(), to.y,
                from.y, Extended(m_size.height) / 2);
        // The scales span the control with the chart's margins, so that their ticks meet the
        // data area's pixels.
        for (TScale* scale : { &l.scaleX, &l.scaleY }) {
            scale->SetAreaSize(scaleArea);
            scale->SetMargins(m_marginLeft, m_marginRight, m_marginTop, m_marginBottom);
        }
    }
}

LayerMapping TVistrel::Mapping(int layer) const
{
    return layerAt(layer).mapping;
}

Point TVistrel::DataToPixel(int layer, double x, double y) const
{
    const Layer& l = layerAt(layer);
    const LayerMapping& m = l.mapping;
    const bool reversedX = l.propsX.m_rangeHigh < l.propsX.m_rangeLow;
    const bool reversedY = l.propsY.m_rangeHigh < l.propsY.m_rangeLow;
    Point p;
    if (l.scaleX.Logarithmic() && x <= LogTiny)
        p.x = reversedX ? m_size.width : 0;
    else
        p.x = clampedPixel(m.kx * (l.scaleX.Logarithmic() ? std::log(Extended(x)) : x) + m.ox);
    if (l.scaleY.Logarithmic() && y <= LogTiny)
        p.y = reversedY ? 0 : m_size.height;
    else
        p.y = clampedPixel(m.ky * (l.scaleY.Logarithmic() ? std::log(Extended(y)) : y) + m.oy);
    return p;
}

void UsePlainScales(TVistrel& chart, int minTicks, double minRange)
{
    for (int layer = 1; layer <= MaxLayers; ++layer) {
        for (TScaleProps* scale : { &chart.LayerScaleX(layer), &chart.LayerScaleY(layer) }) {
            scale->SetMinTicks(minTicks);
            scale->SetDecPlaces(-2);
            scale->SetShortTicks(true);
            scale->SetMinRange(minRange);
            scale->SetRangeHigh(1.0);
            scale->SetLabelType(TFigType::ftNum);
            scale->SetLogarithmic(false);
            scale->SetVisible(layer == 1);
        }
        chart.LayerScaleX(layer).SetScaleLocation(TScaleLocation::slBottom);
        chart.LayerScaleY(layer).SetScaleLocation(TScaleLocation::slLeft);
    }
}

} // namespace meldrix
