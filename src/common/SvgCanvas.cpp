#include "common/SvgCanvas.h"

#include "common/Latin1.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>

namespace meldrix {

namespace {

std::string number(double value)
{
    std::array<char, 32> buffer {};
    const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value).ptr;
    return std::string(buffer.data(), end);
}

std::string number(int value)
{
    return std::to_string(value);
}

// The middle of pixel v: where a 1-pixel stroke must run to cover exactly that pixel.
std::string centre(int v)
{
    return number(v + 0.5);
}

std::string colour(Rgb c)
{
    std::array<char, 8> text {};
    std::snprintf(text.data(), text.size(), "#%02x%02x%02x", c.red, c.green, c.blue);
    return text.data();
}

struct Span {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// The pixels from the smaller corner up to, but not including, the larger one.
Span span(Point corner, Point opposite)
{
    const int left = std::min(corner.x, opposite.x);
    const int top = std::min(corner.y, opposite.y);
    return { left, top, std::max(corner.x, opposite.x) - left,
        std::max(corner.y, opposite.y) - top };
}

} // namespace

std::string xmlText(std::string_view latin1)
{
    return xmlEscaped(shownLatin1ToUtf8(latin1));
}

std::string xmlEscaped(std::string_view text)
{
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        if (c == '&')
            escaped += "&amp;";
        else if (c == '<')
            escaped += "&lt;";
        else if (c == '>')
            escaped += "&gt;";
        else
            escaped += c;
    }
    return escaped;
}

SvgCanvas::SvgCanvas(Size size, const SvgFont& font)
    : m_size(size)
    , m_shown(size)
    , m_font(font)
{
}

void SvgCanvas::setPen(Rgb colour, int width)
{
    m_pen = colour;
    m_penWidth = std::max(width, 1);
}

void SvgCanvas::setFill(Rgb colour)
{
    m_fill = colour;
}

void SvgCanvas::setTextColour(Rgb colour)
{
    m_text = colour;
}

void SvgCanvas::filledRect(int left, int top, int width, int height, Rgb fill)
{
    if (width <= 0 || height <= 0)
        return;
    m_body += "<rect x=\"" + number(left) + "\" y=\"" + number(top) + "\" width=\"" + number(width)
        + "\" height=\"" + number(height) + "\" fill=\"" + colour(fill) + "\"/>\n";
}

void SvgCanvas::fillRect(Point corner, Point opposite)
{
    const Span area = span(corner, opposite);
    filledRect(area.left, area.top, area.width, area.height, m_fill);
}

void SvgCanvas::rectangle(Point corner, Point opposite)
{
    const Span area = span(corner, opposite);
    if (area.width <= 0 || area.height <= 0)
        return;
    // Too thin for an inside: all of it is outline.
    if (area.width < 2 || area.height < 2) {
        filledRect(area.left, area.top, area.width, area.height, m_pen);
        return;
    }
    // The stroke runs through the middle of the outermost pixels, so the outline stays on the
    // rectangle's own pixels.
    m_body += "<rect x=\"" + centre(area.left) + "\" y=\"" + centre(area.top) + "\" width=\""
        + number(area.width - 1) + "\" height=\"" + number(area.height - 1) + "\" fill=\""
        + colour(m_fill) + "\" stroke=\"" + colour(m_pen) + "\" stroke-width=\""
        + number(m_penWidth) + "\"/>\n";
}

void SvgCanvas::moveTo(Point p)
{
    m_position = p;
}

void SvgCanvas::lineTo(Point p)
{
    // A line to where it starts covers no pixel.
    if (p != m_position) {
        m_body += "<line x1=\"" + centre(m_position.x) + "\" y1=\"" + centre(m_position.y)
            + "\" x2=\"" + centre(p.x) + "\" y2=\"" + centre(p.y) + "\" stroke=\"" + colour(m_pen)
            + "\" stroke-width=\"" + number(m_penWidth) + "\"/>\n";
    }
    m_position = p;
}

void SvgCanvas::textOut(Point p, std::string_view text)
{
    if (text.empty())
        return;
    const Size size = textSize(text);
    filledRect(p.x, p.y, size.width, size.height, m_fill);
    const VisibleText visible = visiblePart(text);
    if (visible.shown.empty())
        return;
    // A browser that draws the font wider than the window's metrics is held to the measured
    // width, so a text never runs past the box it was placed for.
    m_body += "<text x=\"" + number(p.x + textSize(visible.lead).width) + "\" y=\""
        + number(p.y + m_font.ascent) + "\" fill=\"" + colour(m_text) + "\" textLength=\""
        + number(textSize(visible.shown).width) + "\" lengthAdjust=\"spacingAndGlyphs\">"
        + xmlText(visible.shown) + "</text>\n";
}

Size SvgCanvas::textSize(std::string_view text) const
{
    // Advances and kerning add up in 1/64 pixel, and the sum is rounded once, as the window's
    // font metrics do.
    long sixtyFourths = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < m_font.advances.size())
            sixtyFourths += m_font.advances[c];
        if (i + 1 == text.size())
            continue;
        const KerningPair key { c, static_cast<std::uint8_t>(text[i + 1]), 0 };
        const auto pair = std::lower_bound(m_font.kerning.begin(), m_font.kerning.end(), key,
            [](const KerningPair& a, const KerningPair& b) {
                return a.left != b.left ? a.left < b.left : a.right < b.right;
            });
        if (pair != m_font.kerning.end() && pair->left == key.left && pair->right == key.right)
            sixtyFourths += pair->adjust;
    }
    return { static_cast<int>((std::max(sixtyFourths, 0L) + 32) / 64), m_font.height };
}

void SvgCanvas::setClip(Point corner, Point opposite)
{
    resetClip();
    const Span area = span(corner, opposite);
    const std::string id = m_idPrefix + number(++m_clips);
    // An empty clip lets nothing through, as a painter's does.
    m_body += "<clipPath id=\"" + id + "\"><rect x=\"" + number(area.left) + "\" y=\""
        + number(area.top) + "\" width=\"" + number(area.width) + "\" height=\""
        + number(area.height) + "\"/></clipPath>\n<g clip-path=\"url(#" + id + ")\">\n";
    m_clipped = true;
}

void SvgCanvas::resetClip()
{
    if (m_clipped)
        m_body += "</g>\n";
    m_clipped = false;
}

std::string SvgCanvas::document() const
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + element();
}

std::string SvgCanvas::element() const
{
    const std::string width = number(m_size.width);
    const std::string height = number(m_size.height);
    // Crisp edges keep 1-pixel lines one pixel wide; preserved spaces keep the right-aligned
    // numbers in their columns.
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\""
        + number(m_shown.width) + "\" height=\"" + number(m_shown.height) + "\" viewBox=\"0 0 "
        + width + ' ' + height
        + "\" shape-rendering=\"crispEdges\" stroke-linecap=\"square\" font-family=\""
        + std::string(m_font.family) + "\" font-stretch=\"" + std::string(m_font.stretch)
        + "\" font-size=\"" + number(m_font.pixelSize)
        + "px\" xml:space=\"preserve\" style=\"white-space:pre\">\n" + m_body
        + (m_clipped ? "</g>\n" : "") + "</svg>\n";
}

} // namespace meldrix
