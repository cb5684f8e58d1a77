#include "common/qt/QPainterCanvas.h"

#include "common/qt/RecordText.h"

#include <QFontMetrics>
#include <QPainter>
#include <QRect>
#include <QString>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace meldrix {

namespace {

QColor toQt(Rgb colour)
{
    return QColor(colour.red, colour.green, colour.blue);
}

QPoint toQt(Point p)
{
    return { p.x, p.y };
}

// The pixels from the smaller corner up to, but not including, the larger one.
QRect span(Point corner, Point opposite)
{
    const int left = std::min(corner.x, opposite.x);
    const int top = std::min(corner.y, opposite.y);
    return QRect(
        left, top, std::max(corner.x, opposite.x) - left, std::max(corner.y, opposite.y) - top);
}

} // namespace

QFont windowFont()
{
    // The diagram's boxes are 42 pixels wide and were laid out for a narrow 8-point font; a
    // condensed face keeps an 8-character meter name inside its box.
    QFont font(u"DejaVu Sans"_s);
    font.setStyleHint(QFont::SansSerif);
    font.setStretch(QFont::Condensed);
    font.setPixelSize(11);
    return font;
}

QPainterCanvas::QPainterCanvas(QPainter& painter)
    : m_painter(painter)
    , m_pen(Qt::black, 1)
    , m_fill(Qt::white)
    , m_text(Qt::black)
    , m_ownerClipped(painter.hasClipping())
    , m_ownerClip(painter.clipRegion())
{
}

void QPainterCanvas::setPen(Rgb colour, int width)
{
    m_pen = QPen(toQt(colour), std::max(width, 1));
}

void QPainterCanvas::setFill(Rgb colour)
{
    m_fill = toQt(colour);
}

void QPainterCanvas::setTextColour(Rgb colour)
{
    m_text = toQt(colour);
}

void QPainterCanvas::fillRect(Point corner, Point opposite)
{
    m_painter.fillRect(span(corner, opposite), m_fill);
}

void QPainterCanvas::rectangle(Point corner, Point opposite)
{
    const QRect area = span(corner, opposite);
    if (area.isEmpty())
        return;
    // A 1-pixel pen around QRect(x, y, w, h) covers w + 1 columns; the outline here stays on the
    // rectangle's own pixels.
    if (area.width() < 2 || area.height() < 2) {
        m_painter.fillRect(area, m_pen.color());
        return;
    }
    m_painter.fillRect(area, m_fill);
    m_painter.setPen(m_pen);
    m_painter.setBrush(Qt::NoBrush);
    m_painter.drawRect(area.adjusted(0, 0, -1, -1));
}

void QPainterCanvas::moveTo(Point p)
{
    m_position = toQt(p);
}

void QPainterCanvas::lineTo(Point p)
{
    const QPoint to = toQt(p);
    // A line to where it starts covers no pixel.
    if (to != m_position) {
        m_painter.setPen(m_pen);
        m_painter.drawLine(m_position, to);
    }
    m_position = to;
}

void QPainterCanvas::textOut(Point p, std::string_view text)
{
    const QFontMetrics metrics(m_painter.font());
    m_painter.fillRect(QRect(p.x, p.y, textSize(text).width, metrics.height()), m_fill);
    const VisibleText visible = visiblePart(text);
    if (visible.shown.empty())
        return;
    m_painter.setPen(m_text);
    m_painter.drawText(QPoint(p.x + textSize(visible.lead).width, p.y + metrics.ascent()),
        shownRecordText(visible.shown));
}

Size QPainterCanvas::textSize(std::string_view text) const
{
    const QFontMetrics metrics(m_painter.font());
    return { metrics.horizontalAdvance(shownRecordText(text)), metrics.height() };
}

void QPainterCanvas::setClip(Point corner, Point opposite)
{
    // The clip the painter came with (a partial repaint, say) still holds inside the new one.
    restoreOwnersClip();
    m_painter.setClipRect(
        span(corner, opposite), m_ownerClipped ? Qt::IntersectClip : Qt::ReplaceClip);
}

void QPainterCanvas::resetClip()
{
    restoreOwnersClip();
}

void QPainterCanvas::restoreOwnersClip()
{
    if (m_ownerClipped)
        m_painter.setClipRegion(m_ownerClip);
    else
        m_painter.setClipping(false);
}

} // namespace meldrix
