#pragma once

#include "common/Canvas.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace meldrix::testsupport {

//! A canvas that records its calls, for tests that assert on what was drawn rather than pixels.
//! Every call lands in `ops` as one line ("pen 255 255 255 1", "rectangle 2 401 44 521",
//! "moveTo 24 694", "lineTo 24 521", "text 3 403 FM 1", "clip 3 402 43 520", "noClip", ...);
//! lines, rectangles and texts are also kept with the colours in force when they were drawn, texts
//! with their clip too.
class RecordingCanvas final : public Canvas {
public:
    struct Line {
        Point from;
        Point to;
        Rgb colour;
        int width = 0;
    };
    struct Rectangle {
        Point corner;
        Point opposite;
        Rgb pen;
        Rgb fill;
        bool outlined = false; //!< false for fillRect
    };
    struct Clip {
        Point corner;
        Point opposite;
    };
    struct Text {
        Point at;
        std::string text;
        Rgb colour;
        Rgb background;
        std::optional<Clip> clip; //!< the clip in force when it was drawn
    };

    std::vector<std::string> ops;
    std::vector<Line> lines;
    std::vector<Rectangle> rectangles;
    std::vector<Text> texts;

    //! Metrics of the pretend font: every character is this wide, every text this high.
    int charWidth = 6;
    int lineHeight = 11;

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

    //! Texts drawn at exactly this point, in drawing order.
    std::vector<std::string> textsAt(Point p) const;
    //! Index in `ops` of the first and last entry starting with `prefix`; -1 when there is none.
    int firstOp(std::string_view prefix) const;
    int lastOp(std::string_view prefix) const;

private:
    Rgb m_pen;
    int m_penWidth = 1;
    Rgb m_fill { 255, 255, 255 };
    Rgb m_text;
    Point m_position;
    std::optional<Clip> m_clip;
};

} // namespace meldrix::testsupport
