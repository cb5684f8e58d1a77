#pragma once

#include "common/Canvas.h"
#include "rig/Rig.h"

#include <string>
#include <string_view>

namespace meldrix {

//! The size of the window's client area as designed, which a diagram written without the window
//! takes [px].
inline constexpr Size DesignedDiagramArea { 1067, 853 };

//! The window's client area of `area` pixels: black, with DrawMixer's picture on it.
void DrawDiagramArea(Rig& rig, Canvas& canvas, Size area);

//! The diagram as a picture of its own: a title line (the data set and the date, say) above the
//! drawing cropped to what DrawMixer draws, on black. Refers to the rig for its whole life.
class DiagramPicture {
public:
    DiagramPicture(Rig& rig, std::string title);

    Size PictureSize() const { return m_size; }
    //! The band of the title line at the top [px].
    int TitleHeight() const { return m_band; }
    //! Where the client area's pixel (0, 0) lies in the picture.
    Point Offset() const;
    void Draw(Canvas& canvas);

private:
    Rig& m_rig;
    std::string m_title;
    Point m_from; //!< the drawing's top-left pixel in the client area
    int m_band = 0; //!< height of the title line [px]
    Size m_size;
};

//! The title line of a diagram picture: the data set's file name (the base name without its
//! folder; UTF-8, or Latin-1 where it is not valid UTF-8), a comma and `dateTime`, 8-bit as a
//! canvas draws it.
std::string DiagramTitle(std::string_view baseName, std::string_view dateTime);

//! DiagramPicture as an SVG document.
std::string DiagramPictureSvg(Rig& rig, std::string title);

//! The mixer diagram as an SVG document of `area` pixels: the black client area with DrawMixer's
//! picture on it, as the window paints it. Places the mixture boxes as DrawMixer does.
std::string MixerDiagramSvg(Rig& rig, Size area = DesignedDiagramArea);

} // namespace meldrix
