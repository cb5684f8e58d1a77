#pragma once

#include "common/Canvas.h"

#include <algorithm>

namespace meldrix {

//! Passes every call on to another canvas with all positions moved by an offset, so a picture
//! drawn from (0, 0) can be placed anywhere in a larger one.
class ShiftedCanvas final : public Canvas {
public:
    ShiftedCanvas(Canvas& target, Point offset)
        : m_target(target)
        , m_offset(offset)
    {
    }

    void setPen(Rgb colour, int width) override { m_target.setPen(colour, width); }
    void setFill(Rgb colour) override { m_target.setFill(colour); }
    void setTextColour(Rgb colour) override { m_target.setTextColour(colour); }
    void fillRect(Point corner, Point opposite) override
    {
        m_target.fillRect(moved(corner), moved(opposite));
    }
    void rectangle(Point corner, Point opposite) override
    {
        m_target.rectangle(moved(corner), moved(opposite));
    }
    void moveTo(Point p) override { m_target.moveTo(moved(p)); }
    void lineTo(Point p) override { m_target.lineTo(moved(p)); }
    void textOut(Point p, std::string_view text) override { m_target.textOut(moved(p), text); }
    Size textSize(std::string_view text) const override { return m_target.textSize(text); }
    void setClip(Point corner, Point opposite) override
    {
        m_target.setClip(moved(corner), moved(opposite));
    }
    void resetClip() override { m_target.resetClip(); }

private:
    Point moved(Point p) const { return { p.x + m_offset.x, p.y + m_offset.y }; }

    Canvas& m_target;
    Point m_offset;
};

//! Draws nothing and records the smallest rectangle holding everything drawn that is not a fill
//! in `background`, with texts as large as `measure` makes them.
class ExtentCanvas final : public Canvas {
public:
    ExtentCanvas(const Canvas& measure, Rgb background)
        : m_measure(measure)
        , m_background(background)
    {
    }

    void setPen(Rgb, int width) override { m_penWidth = width; }
    void setFill(Rgb colour) override { m_fill = colour; }
    void setTextColour(Rgb) override { }
    void fillRect(Point corner, Point opposite) override
    {
        if (m_fill != m_background)
            cover(corner, opposite);
    }
    void rectangle(Point corner, Point opposite) override { cover(corner, opposite); }
    void moveTo(Point p) override { m_position = p; }
    void lineTo(Point p) override
    {
        cover(m_position, { p.x + m_penWidth, p.y + m_penWidth });
        cover(p, { m_position.x + m_penWidth, m_position.y + m_penWidth });
        m_position = p;
    }
    void textOut(Point p, std::string_view text) override
    {
        const Size size = textSize(text);
        if (size.width > 0)
            cover(p, { p.x + size.width, p.y + size.height });
    }
    Size textSize(std::string_view text) const override { return m_measure.textSize(text); }
    void setClip(Point, Point) override { }
    void resetClip() override { }

    //! Whether anything was drawn.
    bool empty() const { return m_empty; }
    //! The top-left pixel of what was drawn.
    Point from() const { return m_from; }
    //! The first pixel right of and below what was drawn.
    Point to() const { return m_to; }

private:
    void cover(Point a, Point b)
    {
        const Point low { std::min(a.x, b.x), std::min(a.y, b.y) };
        const Point high { std::max(a.x, b.x), std::max(a.y, b.y) };
        m_from = m_empty ? low : Point { std::min(m_from.x, low.x), std::min(m_from.y, low.y) };
        m_to = m_empty ? high : Point { std::max(m_to.x, high.x), std::max(m_to.y, high.y) };
        m_empty = false;
    }

    const Canvas& m_measure;
    Rgb m_background;
    Rgb m_fill;
    int m_penWidth = 1;
    Point m_position;
    bool m_empty = true;
    Point m_from;
    Point m_to;
};

} // namespace meldrix
