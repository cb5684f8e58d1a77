// The chart drawn onto a canvas: frame, scales, items clipped to the data area, text labels.

#include "chart/ClipSegment.h"
#include "chart/TVistrelLayer.h"

#include <algorithm>
#include <cmath>

namespace meldrix {

using namespace vistrel;

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

Extended TVistrel::pixelX(const Layer& l, double x) const
{
    const LayerMapping& m = l.mapping;
    if (!l.scaleX.Logarithmic())
        return m.kx * x + m.ox;
    return x <= LogTiny ? Extended(l.propsX.m_rangeHigh < l.propsX.m_rangeLow ? m_size.width : 0)
                        : m.kx * std::log(Extended(x)) + m.ox;
}

Extended TVistrel::pixelY(const Layer& l, double y) const
{
    const LayerMapping& m = l.mapping;
    if (!l.scaleY.Logarithmic())
        return m.ky * y + m.oy;
    return y <= LogTiny ? Extended(l.propsY.m_rangeHigh < l.propsY.m_rangeLow ? 0 : m_size.height)
                        : m.ky * std::log(Extended(y)) + m.oy;
}

void TVistrel::drawMark(Canvas& canvas, const TVistrelItem& item) const
{
    const Layer& l = layerAt(item.layer);
    const Extended x = pixelX(l, item.x1);
    const Extended y = pixelY(l, item.y1);
    // A point beyond the ranges is off the chart: no part of its mark is drawn at the edge.
    constexpr Extended HalfPixel = 0.5L;
    const Point from = dataFrom();
    const Point to = dataTo();
    if (!(x >= from.x - HalfPixel && x <= to.x + HalfPixel && y >= from.y - HalfPixel
            && y <= to.y + HalfPixel))
        return;
    const Point c { clampedPixel(x), clampedPixel(y) };
    const int half = static_cast<int>(item.extra & 0xFF) / 2;
    const auto line = [&canvas, c](int x1, int y1, int x2, int y2) {
        canvas.moveTo({ c.x + x1, c.y + y1 });
        canvas.lineTo({ c.x + x2, c.y + y2 });
    };
    switch (static_cast<TMarkShape>(item.extra >> 8)) {
    case TMarkShape::Square:
        line(-half, -half, half, -half);
        line(half, -half, half, half);
        line(half, half, -half, half);
        line(-half, half, -half, -half);
        break;
    case TMarkShape::Cross:
        line(-half, -half, half, half);
        line(-half, half, half, -half);
        break;
    case TMarkShape::Plus:
        line(-half, 0, half, 0);
        line(0, -half, 0, half);
        break;
    }
}

void TVistrel::drawLine(Canvas& canvas, const TVistrelItem& item) const
{
    const Layer& l = layerAt(item.layer);
    Extended x1 = pixelX(l, item.x1);
    Extended y1 = pixelY(l, item.y1);
    Extended x2 = pixelX(l, item.x2);
    Extended y2 = pixelY(l, item.y2);
    if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2))
        return; // a point that is not a number has no place on the chart
    // Points outside the range are cut off at the data area, whose last pixels are the ends of
    // the ranges. The cut is made in drawn pixels: whatever rounds onto an edge pixel is inside,
    // so a segment along the top or right end of a range, which maps a hair beyond its pixel, is
    // drawn rather than lost.
    const Point from = dataFrom();
    const Point to = dataTo();
    const Extended left = from.x;
    const Extended top = from.y;
    const Extended right = to.x;
    const Extended bottom = to.y;
    constexpr Extended HalfPixel = 0.5L;
    if (!ClipSegment(x1, y1, x2, y2, left - HalfPixel, top - HalfPixel, right + HalfPixel,
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
    const auto [left, top] = dataFrom();
    const auto [right, bottom] = dataTo();
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
    const Point from = dataFrom();
    const Point to = dataTo();

    // Frame picture: background, shadow, caption, frame of the data area, scales.
    canvas.setClip({ 0, 0 }, { w, h });
    canvas.setFill(WindColor);
    canvas.fillRect({ 0, 0 }, { w, h });
    if (sw > 0) {
        canvas.setFill(ShadowColor);
        canvas.fillRect({ from.x + sw, from.y + sw }, { to.x + sw, to.y + sw });
    }
    if (!Caption.empty()) {
        const Size text = canvas.textSize(Caption);
        canvas.setFill(WindColor);
        canvas.setTextColour({ 0, 0, 0 });
        canvas.textOut({ to.x + CaptionPosX - text.width, m_marginTop + CaptionPosY }, Caption);
    }
    // The frame runs just outside the data area on the left, top and right, so a curve along an
    // edge stays in sight; its bottom line is the horizontal axis, which lies on the last row.
    canvas.setPen(ChartFrameColor, 1);
    canvas.setFill(ChartColor);
    canvas.rectangle({ from.x - 1, from.y - 1 }, { to.x + 2, to.y + 1 });
    for (auto& layer : m_layers)
        if (layer->visible && layer->propsX.m_visible)
            drawScale(canvas, layer->propsX, layer->scaleX);
    for (auto& layer : m_layers)
        if (layer->visible && layer->propsY.m_visible)
            drawScale(canvas, layer->propsY, layer->scaleY);

    // Data picture: its painter, the items in list order, then the labels, none beyond the data
    // area (its last row and column are where the ranges end).
    canvas.setClip(from, { to.x + 1, to.y + 1 });
    if (OnPaintDataArea)
        OnPaintDataArea(canvas);
    bool first = true;
    Rgb pen;
    int width = 0;
    for (const TVistrelItem& item : itemList().items) {
        if (!ClassVisible(item.itemClass) || !LayerVisible(item.layer))
            continue;
        if (item.kind != ItemKindLine && item.kind != ItemKindMark)
            continue; // kinds 0, 10 and 11 draw nothing; no other kind is ever added
        if (first || item.colour != pen || item.lineWidth != width) {
            pen = item.colour;
            width = item.lineWidth;
            canvas.setPen(pen, width);
            first = false;
        }
        if (item.kind == ItemKindMark)
            drawMark(canvas, item);
        else
            drawLine(canvas, item);
    }
    for (const TTextLabel& label : m_labels)
        if (label.Mode != TTextLabelMode::tlOff && label.Visible && LayerVisible(label.Layer))
            drawLabel(canvas, label);
    canvas.resetClip();
}

} // namespace meldrix
