#include "chart/TVistrel.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

namespace meldrix {

namespace {

constexpr double LogTiny = 1e-100;

bool isLayer(int layer)
{
    return layer >= 1 && layer <= MaxLayers;
}

TScaleType scaleTypeOf(TScaleLocation location)
{
    // The axis lies on the side of the scale's area that faces the data.
    switch (location) {
    case TScaleLocation::slBottom:
        return TScaleType::sctXT;
    case TScaleLocation::slTop:
        return TScaleType::sctXB;
    case TScaleLocation::slLeft:
        return TScaleType::sctYR;
    case TScaleLocation::slRight:
        break;
    }
    return TScaleType::sctYL;
}

// Factor and offset that put lo at `first` and hi at `last` pixels; ln of both on a logarithmic
// axis. A span that is empty or not finite maps everything to `middle`.
std::pair<Extended, Extended> axisMapping(
    Extended lo, Extended hi, bool logarithmic, Extended first, Extended last, Extended middle)
{
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

// Liang-Barsky: the part of the segment inside [left, right] x [top, bottom], if any.
bool clipSegment(Extended& x1, Extended& y1, Extended& x2, Extended& y2, Extended left,
    Extended top, Extended right, Extended bottom)
{
    const Extended dx = x2 - x1;
    const Extended dy = y2 - y1;
    Extended t0 = 0;
    Extended t1 = 1;
    const Extended p[4] = { -dx, dx, -dy, dy };
    const Extended q[4] = { x1 - left, right - x1, y1 - top, bottom - y1 };
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return false;
            continue;
        }
        const Extended t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
    }
    if (t0 > t1)
        return false;
    const Extended ax = x1 + t0 * dx;
    const Extended ay = y1 + t0 * dy;
    x2 = x1 + t1 * dx;
    y2 = y1 + t1 * dy;
    x1 = ax;
    y1 = ay;
    return true;
}

} // namespace

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

TScaleProps::TScaleProps(TVistrel& owner, TScale& scale, int layer, bool horizontal)
    : m_owner(owner)
    , m_scale(scale)
    , m_layer(layer)
    , m_horizontal(horizontal)
    , m_location(horizontal ? TScaleLocation::slBottom : TScaleLocation::slLeft)
{
    m_scale.SetScaleType(scaleTypeOf(m_location));
    m_scale.SetRange(m_rangeLow, m_rangeHigh);
    m_scale.Transparent = true;
}

void TScaleProps::changed()
{
    m_owner.scaleChanged(*this);
    if (OnChange)
        OnChange();
}

void TScaleProps::SetRangeLow(double v)
{
    if (std::isnan(v))
        return;
    if (std::fabs(m_rangeHigh - v) >= m_minRange) {
        if (m_scale.Logarithmic() && v <= LogTiny)
            return;
        m_rangeLow = v;
    } else {
        m_rangeLow = v;
        m_rangeHigh = v + m_minRange;
    }
    changed();
}

void TScaleProps::SetRangeHigh(double v)
{
    if (std::isnan(v))
        return;
    if (std::fabs(v - m_rangeLow) >= m_minRange) {
        if (m_scale.Logarithmic() && v <= LogTiny)
            return;
        m_rangeHigh = v;
    } else {
        m_rangeHigh = v;
        m_rangeLow = v - m_minRange;
    }
    changed();
}

void TScaleProps::SetMinRange(double m)
{
    if (!(m > 1e-100))
        return;
    m_minRange = m;
    if (std::fabs(m_rangeHigh - m_rangeLow) < m) {
        const double mid = (m_rangeLow + m_rangeHigh) / 2;
        m_rangeLow = mid - m / 2;
        m_rangeHigh = mid + m / 2;
    }
    changed();
}

int TScaleProps::MinTicks() const
{
    return m_scale.MinTicks();
}

void TScaleProps::SetMinTicks(int n)
{
    m_scale.SetMinTicks(n);
    changed();
}

int TScaleProps::DecPlaces() const
{
    return m_scale.DecPlaces();
}

void TScaleProps::SetDecPlaces(int d)
{
    m_scale.SetDecPlaces(d);
    changed();
}

bool TScaleProps::ShortTicks() const
{
    return m_scale.ShortTicks;
}

void TScaleProps::SetShortTicks(bool on)
{
    m_scale.ShortTicks = on;
    changed();
}

bool TScaleProps::Logarithmic() const
{
    return m_scale.Logarithmic();
}

void TScaleProps::SetLogarithmic(bool on)
{
    if (on && (!(m_rangeLow > LogTiny) || !(m_rangeHigh > LogTiny)))
        return;
    m_scale.SetLogarithmic(on);
    changed();
}

TFigType TScaleProps::LabelType() const
{
    return m_scale.LabelType();
}

void TScaleProps::SetLabelType(TFigType type)
{
    m_scale.SetLabelType(type);
    changed();
}

const std::string& TScaleProps::ScaleInscript() const
{
    return m_scale.ScaleInscript;
}

void TScaleProps::SetScaleInscript(std::string text)
{
    m_scale.ScaleInscript = std::move(text);
    changed();
}

const std::string& TScaleProps::UserTickText() const
{
    return m_scale.UserTickText;
}

void TScaleProps::SetUserTickText(std::string text)
{
    m_scale.UserTickText = std::move(text);
    changed();
}

Rgb TScaleProps::ColorScale() const
{
    return m_scale.ColorScale;
}

void TScaleProps::SetColorScale(Rgb colour)
{
    m_scale.ColorScale = colour;
    changed();
}

void TScaleProps::SetScalePos(int pixels)
{
    m_scalePos = pixels;
    changed();
}

void TScaleProps::SetVisible(bool visible)
{
    m_visible = visible;
    changed();
}

void TScaleProps::SetScaleLocation(TScaleLocation location)
{
    const bool horizontal =
        location == TScaleLocation::slTop || location == TScaleLocation::slBottom;
    if (horizontal != m_horizontal)
        return;
    m_location = location;
    m_scale.SetScaleType(scaleTypeOf(location));
    changed();
}

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

TVistrel::TVistrel()
{
    for (int layer = 1; layer <= MaxLayers; ++layer)
        m_layers[static_cast<std::size_t>(layer - 1)] = std::make_unique<Layer>(*this, layer);
    m_layers[0]->propsX.m_visible = true;
    m_layers[0]->propsY.m_visible = true;
    recomputeMappings();
}

TVistrel::~TVistrel()
{
    // Charts showing this one's items go back to their own; this one leaves the list it shows.
    for (TVistrel* sharer : m_sharers)
        sharer->m_useDataOf = nullptr;
    if (m_useDataOf)
        std::erase(m_useDataOf->m_sharers, this);
}

TVistrel::Layer& TVistrel::layerAt(int layer)
{
    return *m_layers[static_cast<std::size_t>(isLayer(layer) ? layer - 1 : 0)];
}

const TVistrel::Layer& TVistrel::layerAt(int layer) const
{
    return *m_layers[static_cast<std::size_t>(isLayer(layer) ? layer - 1 : 0)];
}

void TVistrel::SetControlSize(Size size)
{
    m_size = size;
    recomputeMappings();
}

void TVistrel::SetMarginLeft(int pixels)
{
    m_marginLeft = pixels;
    recomputeMappings();
}

void TVistrel::SetMarginRight(int pixels)
{
    m_marginRight = pixels;
    recomputeMappings();
}

void TVistrel::SetMarginTop(int pixels)
{
    m_marginTop = pixels;
    recomputeMappings();
}

void TVistrel::SetMarginBottom(int pixels)
{
    m_marginBottom = pixels;
    recomputeMappings();
}

void TVistrel::SetShadowWidth(int pixels)
{
    m_shadowWidth = std::max(pixels, 0);
    recomputeMappings();
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

bool TVistrel::ClassVisible(int itemClass) const
{
    return itemClass >= 0 && itemClass < 256
        && !m_hiddenClasses[static_cast<std::size_t>(itemClass)];
}

void TVistrel::SetClassVisible(int itemClass, bool visible)
{
    if (itemClass >= 0 && itemClass < 256)
        m_hiddenClasses[static_cast<std::size_t>(itemClass)] = !visible;
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
        const Extended dw = m_size.width - m_marginLeft - m_marginRight - m_shadowWidth;
        const Extended dh = m_size.height - m_marginTop - m_marginBottom - m_shadowWidth;
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
    const Extended w = m_size.width;
    const Extended h = m_size.height;
    const Extended sw = m_shadowWidth;
    const Extended dw = w - m_marginLeft - m_marginRight - sw;
    const Extended dh = h - m_marginTop - m_marginBottom - sw;
    const Size scaleArea { m_size.width - m_shadowWidth + 1, m_size.height - m_shadowWidth + 1 };
    for (auto& layer : m_layers) {
        Layer& l = *layer;
        if (dw < 1) {
            l.mapping.kx = 0;
            l.mapping.ox = w / 2;
        } else {
            std::tie(l.mapping.kx, l.mapping.ox) =
                axisMapping(l.propsX.m_rangeLow, l.propsX.m_rangeHigh, l.scaleX.Logarithmic(),
                    m_marginLeft, w - m_marginRight - sw, w / 2);
        }
        if (dh < 1) {
            l.mapping.ky = 0;
            l.mapping.oy = h / 2;
        } else {
            std::tie(l.mapping.ky, l.mapping.oy) =
                axisMapping(l.propsY.m_rangeLow, l.propsY.m_rangeHigh, l.scaleY.Logarithmic(),
                    h - m_marginBottom - sw, m_marginTop, h / 2);
        }
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

TVistrel::ItemList& TVistrel::itemList()
{
    return m_useDataOf ? m_useDataOf->itemList() : m_ownItems;
}

const TVistrel::ItemList& TVistrel::itemList() const
{
    return m_useDataOf ? m_useDataOf->itemList() : m_ownItems;
}

void TVistrel::SetUseDataOf(TVistrel* other)
{
    if (other == m_useDataOf)
        return;
    if (other == this)
        throw EQuorVistrelError("Vistrel: Cannot share data with myself");
    // A chart whose list others show could otherwise end up showing its own list round a ring.
    if (other && !m_sharers.empty())
        throw EQuorVistrelError(
            "Vistrel: Cannot use foreign data. Other Vistrels are using my own data.");
    if (other && static_cast<int>(other->m_sharers.size()) >= MaxDataShares)
        throw EQuorVistrelError("Vistrel: Max. number of data shares exceeded");
    if (m_useDataOf)
        std::erase(m_useDataOf->m_sharers, this);
    m_useDataOf = other;
    if (other)
        other->m_sharers.push_back(this);
}

void TVistrel::ClearItems()
{
    ItemList& list = itemList();
    list.items.clear();
    list.items.shrink_to_fit();
    list.capacity = 0;
    list.classCounts.fill(0);
}

void TVistrel::AddLine(double x1, double y1, double x2, double y2)
{
    ItemList& list = itemList();
    if (static_cast<int>(list.items.size()) >= list.capacity) {
        list.capacity += std::max(AllocSize, 1);
        list.items.reserve(static_cast<std::size_t>(list.capacity));
    }
    TVistrelItem item;
    item.x1 = x1;
    item.y1 = y1;
    item.x2 = x2;
    item.y2 = y2;
    item.colour = DataColor;
    item.fillColour = FillColor;
    item.penStyle = PenStyle;
    item.lineWidth = LineWidth;
    item.itemClass = ClassDefault;
    item.kind = ItemKindLine;
    item.layer = m_currentLayer;
    list.items.push_back(item);
    ++list.classCounts[ClassDefault];
}

int TVistrel::ClassCount(int itemClass) const
{
    if (itemClass < 0 || itemClass >= 256)
        return 0;
    return itemList().classCounts[static_cast<std::size_t>(itemClass)];
}

int TVistrel::AddTextLabel(Rgb colour, std::string caption, double x, double y, int templateLabel)
{
    const auto free = std::find_if(m_labels.begin(), m_labels.end(),
        [](const TTextLabel& label) { return label.Mode == TTextLabelMode::tlOff; });
    if (free == m_labels.end())
        return 0;
    TTextLabel& label = *free;
    if (const TTextLabel* model = TextLabel(templateLabel)) {
        label.AttachToData = model->AttachToData;
        label.Alignment = model->Alignment;
        label.ShadowDx = model->ShadowDx;
        label.ShadowDy = model->ShadowDy;
        label.ColorShadow = model->ColorShadow;
        label.ColorBkg = model->ColorBkg;
        label.ColorBorder = model->ColorBorder;
        label.Transparent = model->Transparent;
        label.Mode = model->Mode == TTextLabelMode::tlOff ? TTextLabelMode::tlsimple : model->Mode;
    } else {
        label.AttachToData = TLabelAttachMode::tlamBoth;
        label.Alignment = TLabelAlignment::Centre;
        label.ShadowDx = 0;
        label.ShadowDy = 0;
        label.ColorShadow = { 128, 128, 128 };
        label.ColorBkg = ChartColor;
        label.ColorBorder = ChartFrameColor;
        label.Transparent = false;
        label.Mode = TTextLabelMode::tlsimple;
    }
    label.PosX = x;
    label.PosY = y;
    label.Layer = m_currentLayer;
    label.Caption = std::move(caption);
    label.FontColor = colour;
    label.Visible = true;
    return static_cast<int>(free - m_labels.begin()) + 1;
}

TTextLabel* TVistrel::TextLabel(int i)
{
    if (i < 1 || i > MaxTextLabels)
        return nullptr;
    return &m_labels[static_cast<std::size_t>(i - 1)];
}

const TTextLabel* TVistrel::TextLabel(int i) const
{
    if (i < 1 || i > MaxTextLabels)
        return nullptr;
    return &m_labels[static_cast<std::size_t>(i - 1)];
}

void TVistrel::redraw()
{
    if (AutoRedraw && OnRedraw)
        OnRedraw();
}

void TVistrel::Repaint()
{
    if (OnRedraw)
        OnRedraw();
    for (TVistrel* sharer : m_sharers)
        sharer->Repaint();
}

void TVistrel::drawScale(Canvas& canvas, TScaleProps& props, TScale& scale)
{
    const int w = m_size.width;
    const int h = m_size.height;
    const int sw = m_shadowWidth;
    const int pos = props.m_scalePos;
    // Move the scale's axis onto the edge of the data area it belongs to.
    Point offset;
    switch (scale.ScaleType()) {
    case TScaleType::sctXT:
        offset.y = h - m_marginBottom - sw + pos - m_marginTop;
        break;
    case TScaleType::sctXB:
        offset.y = m_marginTop - 1 - pos - (h - sw - m_marginBottom);
        break;
    case TScaleType::sctYR:
        offset.x = m_marginLeft - 1 - pos - (w - sw - m_marginRight);
        break;
    case TScaleType::sctYL:
        offset.x = w - m_marginRight - sw + pos - m_marginLeft;
        break;
    }
    scale.Transparent = true;
    scale.ColorBackGnd = WindColor;
    scale.Draw(canvas, offset);
}

void TVistrel::drawLine(Canvas& canvas, const TVistrelItem& item) const
{
    const Layer& l = layerAt(item.layer);
    const LayerMapping& m = l.mapping;
    auto px = [&](double x) -> Extended {
        if (!l.scaleX.Logarithmic())
            return m.kx * x + m.ox;
        return x <= LogTiny
            ? Extended(l.propsX.m_rangeHigh < l.propsX.m_rangeLow ? m_size.width : 0)
            : m.kx * std::log(Extended(x)) + m.ox;
    };
    auto py = [&](double y) -> Extended {
        if (!l.scaleY.Logarithmic())
            return m.ky * y + m.oy;
        return y <= LogTiny
            ? Extended(l.propsY.m_rangeHigh < l.propsY.m_rangeLow ? 0 : m_size.height)
            : m.ky * std::log(Extended(y)) + m.oy;
    };
    Extended x1 = px(item.x1);
    Extended y1 = py(item.y1);
    Extended x2 = px(item.x2);
    Extended y2 = py(item.y2);
    if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2))
        return; // a point that is not a number has no place on the chart
    // Points outside the range are cut off at the data area, whose last pixels are the ends of
    // the ranges. The cut is made in drawn pixels: whatever rounds onto an edge pixel is inside,
    // so a segment along the top or right end of a range, which maps a hair beyond its pixel, is
    // drawn rather than lost.
    const Extended left = m_marginLeft;
    const Extended top = m_marginTop;
    const Extended right = m_size.width - m_marginRight - m_shadowWidth;
    const Extended bottom = m_size.height - m_marginBottom - m_shadowWidth;
    constexpr Extended HalfPixel = 0.5L;
    if (!clipSegment(x1, y1, x2, y2, left - HalfPixel, top - HalfPixel, right + HalfPixel,
            bottom + HalfPixel))
        return;
    // The outer half of an edge pixel rounds onto that pixel; ends computed from astronomically
    // long segments carry rounding far beyond a pixel.
    x1 = std::clamp(x1, left, right);
    x2 = std::clamp(x2, left, right);
    y1 = std::clamp(y1, top, bottom);
    y2 = std::clamp(y2, top, bottom);
    canvas.moveTo({ clampedPixel(x1), clampedPixel(y1) });
    canvas.lineTo({ clampedPixel(x2), clampedPixel(y2) });
}

void TVistrel::drawLabel(Canvas& canvas, const TTextLabel& label) const
{
    const bool dataX = label.AttachToData == TLabelAttachMode::tlamBoth
        || label.AttachToData == TLabelAttachMode::tlamXOnly;
    const bool dataY = label.AttachToData == TLabelAttachMode::tlamBoth
        || label.AttachToData == TLabelAttachMode::tlamYOnly;
    const Point mapped = DataToPixel(label.Layer, label.PosX, label.PosY);
    // Pixel positions count from the data area's corner.
    const Point anchor { dataX ? mapped.x : clampedPixel(m_marginLeft + Extended(label.PosX)),
        dataY ? mapped.y : clampedPixel(m_marginTop + Extended(label.PosY)) };
    const int left = m_marginLeft;
    const int top = m_marginTop;
    const int right = m_size.width - m_marginRight - m_shadowWidth;
    const int bottom = m_size.height - m_marginBottom - m_shadowWidth;
    if (anchor.x < left || anchor.x > right || anchor.y < top || anchor.y > bottom)
        return; // outside the data area, like any point beyond the ranges
    const Size text = canvas.textSize(label.Caption);
    Point at = anchor;
    if (label.Alignment == TLabelAlignment::Centre)
        at.x -= text.width / 2;
    else if (label.Alignment == TLabelAlignment::Right)
        at.x -= text.width;
    if (label.VerticalAlignment == TLabelVerticalAlignment::Centre)
        at.y -= text.height / 2;
    else if (label.VerticalAlignment == TLabelVerticalAlignment::Bottom)
        at.y -= text.height;
    // The text is kept whole inside the data area where it fits.
    at.x = std::max(std::min(at.x, right - 2 - text.width), left + 2);
    at.y = std::max(std::min(at.y, bottom - 2 - text.height), top + 2);

    const Rgb background = label.Transparent ? ChartColor : label.ColorBkg;
    const Point boxFrom { at.x - 2, at.y - 1 };
    const Point boxTo { at.x + text.width + 2, at.y + text.height + 1 };
    switch (label.Mode) {
    case TTextLabelMode::tlShadow:
        canvas.setFill(label.ColorShadow);
        canvas.fillRect({ boxFrom.x + label.ShadowDx, boxFrom.y + label.ShadowDy },
            { boxTo.x + label.ShadowDx, boxTo.y + label.ShadowDy });
        [[fallthrough]];
    case TTextLabelMode::tlBox:
        canvas.setPen(label.ColorBorder, 1);
        canvas.setFill(background);
        canvas.rectangle(boxFrom, boxTo);
        break;
    case TTextLabelMode::tlUnderline:
        canvas.setPen(label.FontColor, 1);
        canvas.moveTo({ at.x, at.y + text.height });
        canvas.lineTo({ at.x + text.width, at.y + text.height });
        break;
    case TTextLabelMode::tlsimple:
    case TTextLabelMode::tlOff:
        break;
    }
    canvas.setFill(background);
    canvas.setTextColour(label.FontColor);
    canvas.textOut(at, label.Caption);
}

void TVistrel::Render(Canvas& canvas)
{
    const int w = m_size.width;
    const int h = m_size.height;
    const int sw = m_shadowWidth;
    const Point dataFrom { m_marginLeft, m_marginTop };
    const Point dataTo { w - m_marginRight - sw, h - m_marginBottom - sw };

    // Frame picture: background, shadow, caption, frame of the data area, scales.
    canvas.setClip({ 0, 0 }, { w, h });
    canvas.setFill(WindColor);
    canvas.fillRect({ 0, 0 }, { w, h });
    if (sw > 0) {
        canvas.setFill(ShadowColor);
        canvas.fillRect({ dataFrom.x + sw, dataFrom.y + sw }, { dataTo.x + sw, dataTo.y + sw });
    }
    if (!Caption.empty()) {
        const Size text = canvas.textSize(Caption);
        canvas.setFill(WindColor);
        canvas.setTextColour({ 0, 0, 0 });
        canvas.textOut({ dataTo.x + CaptionPosX - text.width, m_marginTop + CaptionPosY }, Caption);
    }
    // The frame runs just outside the data area on the left, top and right, so a curve along an
    // edge stays in sight; its bottom line is the horizontal axis, which lies on the last row.
    canvas.setPen(ChartFrameColor, 1);
    canvas.setFill(ChartColor);
    canvas.rectangle({ dataFrom.x - 1, dataFrom.y - 1 }, { dataTo.x + 2, dataTo.y + 1 });
    for (auto& layer : m_layers)
        if (layer->visible && layer->propsX.m_visible)
            drawScale(canvas, layer->propsX, layer->scaleX);
    for (auto& layer : m_layers)
        if (layer->visible && layer->propsY.m_visible)
            drawScale(canvas, layer->propsY, layer->scaleY);

    // Data picture: the items in list order, then the labels, none of them beyond the data area
    // (its last row and column are where the ranges end).
    canvas.setClip(dataFrom, { dataTo.x + 1, dataTo.y + 1 });
    bool first = true;
    Rgb pen;
    int width = 0;
    for (const TVistrelItem& item : itemList().items) {
        if (!ClassVisible(item.itemClass) || !LayerVisible(item.layer))
            continue;
        if (item.kind != ItemKindLine)
            continue; // kinds 0, 10 and 11 draw nothing; no other kind is ever added
        if (first || item.colour != pen || item.lineWidth != width) {
            pen = item.colour;
            width = item.lineWidth;
            canvas.setPen(pen, width);
            first = false;
        }
        drawLine(canvas, item);
    }
    for (const TTextLabel& label : m_labels)
        if (label.Mode != TTextLabelMode::tlOff && label.Visible && LayerVisible(label.Layer))
            drawLabel(canvas, label);
    canvas.resetClip();
}

} // namespace meldrix
