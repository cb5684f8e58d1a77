#pragma once

#include "common/Canvas.h"

#include <QColor>
#include <QFont>
#include <QPen>
#include <QPoint>
#include <QRegion>

class QPainter;

namespace meldrix {

//! The window's font: the platform's sans-serif at an 11-pixel height.
QFont windowFont();

//! Draws a Canvas's calls with a QPainter, in the painter's font. Texts arrive as the rig's 8-bit
//! texts and are read as Latin-1, control characters shown as placeholders. The painter's pen and
//! brush are set by every call that uses them, so the adapter leaves them changed; its clip is
//! back as it came after resetClip().
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
    void setClip(Point corner, Point opposite) override;
    void resetClip() override;

private:
    void restoreOwnersClip();

    QPainter& m_painter;
    QPen m_pen;
    QColor m_fill;
    QColor m_text;
    QPoint m_position;
    bool m_ownerClipped;
    QRegion m_ownerClip;
};

} // namespace meldrix
