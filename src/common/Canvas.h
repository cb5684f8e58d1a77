#pragma once

#include <cstdint>
#include <string_view>

namespace meldrix {

//! A colour as red, green and blue, 0..255 each.
struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    friend bool operator==(Rgb, Rgb) = default;
};

//! A pixel position, y growing downwards.
struct Point {
    int x = 0;
    int y = 0;

    friend bool operator==(Point, Point) = default;
};

//! A width and height in pixels.
struct Size {
    int width = 0;
    int height = 0;

    friend bool operator==(Size, Size) = default;
};

//! The drawing surface the diagram and the chart paint on, in pixels. Rectangles are given by two
//! opposite corners in any order and cover the pixels from the smaller corner up to, but not
//! including, the larger one. Texts are the rig's 8-bit texts (Latin-1), passed as they are; a
//! canvas shows a control character in them as a visible placeholder, never as nothing.
class Canvas {
public:
    virtual ~Canvas() = default;

    //! Colour and width [px] of the lines and outlines that follow.
    virtual void setPen(Rgb colour, int width) = 0;
    //! Colour of rectangle fills and of the background behind text.
    virtual void setFill(Rgb colour) = 0;
    //! Colour of the text that follows.
    virtual void setTextColour(Rgb colour) = 0;

    //! Fills a rectangle with the fill colour, without an outline.
    virtual void fillRect(Point corner, Point opposite) = 0;
    //! A rectangle filled with the fill colour and outlined with the pen.
    virtual void rectangle(Point corner, Point opposite) = 0;

    virtual void moveTo(Point p) = 0;
    //! A line from the current position to p, which becomes the current position.
    virtual void lineTo(Point p) = 0;

    //! Text with its top-left corner at p, on the fill colour.
    virtual void textOut(Point p, std::string_view text) = 0;
    //! The size the text takes in the canvas's font.
    virtual Size textSize(std::string_view text) const = 0;

    //! Limits everything drawn after it to a rectangle (corners as for rectangles), so a long text
    //! cannot spill over its neighbours. A new clip replaces the previous one.
    virtual void setClip(Point corner, Point opposite) = 0;
    //! Drawing is no longer limited.
    virtual void resetClip() = 0;

protected:
    //! The part of a text that shows: without its leading and trailing blanks. A canvas draws it
    //! where it stands in the whole text, so that no renderer can collapse or stretch the blanks.
    struct VisibleText {
        std::string_view lead; //!< the leading blanks
        std::string_view shown;
    };
    static VisibleText visiblePart(std::string_view text)
    {
        const auto first = text.find_first_not_of(' ');
        if (first == std::string_view::npos)
            return { text, {} };
        const auto last = text.find_last_not_of(' ');
        return { text.substr(0, first), text.substr(first, last + 1 - first) };
    }

    Canvas() = default;
    Canvas(const Canvas&) = default;
    Canvas& operator=(const Canvas&) = default;
};

} // namespace meldrix
