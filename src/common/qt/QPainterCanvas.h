#pragma once

#include "common/Canvas.h"

#include <QColor>
#include <QFont>
#include <QPen>
#include <QPoint>

class QPainter;

namespace meldrix {

//! The window's font: the platform's sans-serif at an 11-pixel height.
QFont windowFont();

//! Draws a Canvas's calls with a QPainter, in the painter's font. Texts arrive as the rig's 8-bit
//! texts and are read as Latin-1. The painter's pen and brush are set by every call that uses them,
//! so the adapter leaves them changed.
class QPainterCanvas final : public Canvas {
public:
    explicit QPainterCanvas(QPainter& painter);

    void setPen(Rgb colour, int width) override;
    void setFill(Rgb colour) override;
    void setTextColour(Rgb colour) override;
    void fillRect(Point corner, Point opposite) override;
    void rectangle(Point corner, Point opposite) override;
    void moveTo(Point p) override;
    void lineTo(Point p) override;
    void textOut(Point p, std::string_view text) override;
    Size textSize(std::string_view text) const override;

private:
    QPainter& m_painter;
    QPen m_pen;
    QColor m_fill;
    QColor m_text;
    QPoint m_position;
};

} // namespace meldrix
