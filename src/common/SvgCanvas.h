#pragma once

#include "common/Canvas.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace meldrix {

//! Two characters that stand closer (or wider) than their advances say.
struct KerningPair {
    std::uint8_t left = 0;
    std::uint8_t right = 0;
    std::int16_t adjust = 0; //!< [1/64 px]
};

//! A font as an SVG document names it, with the metrics the window measures for it, so that texts
//! take the same room in the document as in the window.
struct SvgFont {
    std::string_view family; //!< CSS font-family list
    std::string_view stretch; //!< CSS font-stretch
    int pixelSize = 0; //!< [px]
    int ascent = 0; //!< baseline below the top of a text line [px]
    int height = 0; //!< height of a text line [px]
    std::span<const std::int16_t> advances; //!< of the Latin-1 characters 0..255 [1/64 px]
    std::span<const KerningPair> kerning; //!< sorted by left, then right character
};

//! The window's diagram font (condensed sans-serif, 11 pixels) with the metrics Qt gives it.
const SvgFont& windowSvgFont();

//! A Canvas that writes an SVG document whose pixels are those a QPainter-backed canvas paints:
//! 1-pixel lines between pixel centres, outlines on the rectangle's own pixels, texts at the same
//! baseline on a background as wide as the text, clipped to the same rectangles. Texts are the
//! rig's Latin-1 bytes; the document is UTF-8, with control characters shown by the placeholders
//! the window shows.
class SvgCanvas final : public Canvas {
public:
    //! A document `size` pixels large, drawn in `font`.
    explicit SvgCanvas(Size size, const SvgFont& font = windowSvgFont());

    void setPen(Rgb colour, int width) override;
    void setFill(Rgb colour) override;
    void setTextColour(Rgb colour) override;
    void fillRect(Point corner, Point opposite) override;
    void rectangle(Point corner, Point opposite) override;
    void moveTo(Point p) override;
    void lineTo(Point p) override;
    void textOut(Point p, std::string_view text) override;
    Size textSize(std::string_view text) const override;
    void setClip(Point corner, Point opposite) override;
    void resetClip() override;

    //! The whole document, closed.
    [[nodiscard]] std::string document() const;
    //! The <svg> element alone, for a page that holds several pictures.
    [[nodiscard]] std::string element() const;

    //! Shows the picture `shown` pixels large, scaled as a whole rather than drawn anew.
    void setDisplaySize(Size shown) { m_shown = shown; }
    //! Starts the ids of the document's clip paths, so that pictures on one page keep theirs.
    void setIdPrefix(std::string prefix) { m_idPrefix = std::move(prefix); }

private:
    void filledRect(int left, int top, int width, int height, Rgb colour);

    Size m_size;
    Size m_shown;
    std::string m_idPrefix = "clip";
    const SvgFont& m_font;
    std::string m_body;
    Rgb m_pen;
    int m_penWidth = 1;
    Rgb m_fill { 255, 255, 255 };
    Rgb m_text;
    Point m_position;
    int m_clips = 0;
    bool m_clipped = false;
};

//! `text` (Latin-1) as UTF-8 character data for XML: markup characters escaped, control
//! characters 0..31 and 127 as their control pictures (U+2400..U+241F, U+2421) and 128..159 as
//! U+FFFD, as the window shows them.
std::string xmlText(std::string_view latin1);

//! UTF-8 text as XML character data: the markup characters escaped.
std::string xmlEscaped(std::string_view text);

} // namespace meldrix
