#include "support/RecordingCanvas.h"

#include <string>

namespace meldrix::testsupport {

namespace {

std::string str(Point p)
{
    return std::to_string(p.x) + ' ' + std::to_string(p.y);
}

std::string str(Rgb c)
{
    return std::to_string(c.red) + ' ' + std::to_string(c.green) + ' ' + std::to_string(c.blue);
}

} // namespace

void RecordingCanvas::setPen(Rgb colour, int width)
{
    m_pen = colour;
    m_penWidth = width;
    ops.push_back("pen " + str(colour) + ' ' + std::to_string(width));
}

void RecordingCanvas::setFill(Rgb colour)
{
    m_fill = colour;
    ops.push_back("fill " + str(colour));
}

void RecordingCanvas::setTextColour(Rgb colour)
{
    m_text = colour;
    ops.push_back("textColour " + str(colour));
}

void RecordingCanvas::fillRect(Point corner, Point opposite)
{
    rectangles.push_back({ corner, opposite, m_pen, m_fill, false });
    ops.push_back("fillRect " + str(corner) + ' ' + str(opposite));
}

void RecordingCanvas::rectangle(Point corner, Point opposite)
{
    rectangles.push_back({ corner, opposite, m_pen, m_fill, true });
    ops.push_back("rectangle " + str(corner) + ' ' + str(opposite));
}

void RecordingCanvas::moveTo(Point p)
{
    m_position = p;
    ops.push_back("moveTo " + str(p));
}

void RecordingCanvas::lineTo(Point p)
{
    lines.push_back({ m_position, p, m_pen, m_penWidth });
    m_position = p;
    ops.push_back("lineTo " + str(p));
}

void RecordingCanvas::textOut(Point p, std::string_view text)
{
    texts.push_back({ p, std::string(text), m_text, m_fill, m_clip });
    ops.push_back("text " + str(p) + ' ' + std::string(text));
}

Size RecordingCanvas::textSize(std::string_view text) const
{
    return { charWidth * static_cast<int>(text.size()), lineHeight };
}

void RecordingCanvas::setClip(Point corner, Point opposite)
{
    m_clip = Clip { corner, opposite };
    ops.push_back("clip " + str(corner) + ' ' + str(opposite));
}

void RecordingCanvas::resetClip()
{
    m_clip.reset();
    ops.push_back("noClip");
}

std::vector<std::string> RecordingCanvas::textsAt(Point p) const
{
    std::vector<std::string> found;
    for (const Text& t : texts)
        if (t.at == p)
            found.push_back(t.text);
    return found;
}

int RecordingCanvas::firstOp(std::string_view prefix) const
{
    for (std::size_t i = 0; i < ops.size(); ++i)
        if (ops[i].starts_with(prefix))
            return static_cast<int>(i);
    return -1;
}

int RecordingCanvas::lastOp(std::string_view prefix) const
{
    for (std::size_t i = ops.size(); i-- > 0;)
        if (ops[i].starts_with(prefix))
            return static_cast<int>(i);
    return -1;
}

} // namespace meldrix::testsupport
