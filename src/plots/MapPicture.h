#pragma once

#include "chart/TVistrel.h"
#include "common/Canvas.h"
#include "map/OperatingMap.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace meldrix {

//! The size an operating map is drawn at when nothing else asks for one [px].
inline constexpr Size MapPictureSize { 800, 600 };

//! The chi-square quantile that makes an ellipse of two independent normal readings hold 95 % of
//! them: its half-axes are this many standard deviations.
inline constexpr double Ellipse95 = 2.4477468306808161;

//! Grid lines of an operating map: i along X, j along Y.
struct MapGridPoint {
    int I = 0;
    int J = 0;
};

//! An operating map as a picture: a colour map of the values with a legend and contour lines
//! (whole decades for log10 pO2), the axes titled with their stages, gases and curve ranges, the
//! present readings as a cross inside the ellipse that holds 95 % of them under the meter
//! accuracy, a target's proposed readings when given, and points without a value hatched, never
//! coloured. The same drawing for the window, SVG, PNG and the report.
class MapPicture {
public:
    //! `proposed`: readings of X and Y a target search proposed, marked with a diamond.
    MapPicture(OperatingMap map, Size size = MapPictureSize,
        std::optional<std::pair<double, double>> proposed = std::nullopt);

    Size PictureSize() const { return m_size; }
    void Draw(Canvas& canvas);

    const OperatingMap& Map() const { return m_map; }
    //! The grid point nearest to a pixel of the data area; nothing outside it.
    std::optional<MapGridPoint> PointAt(Point pixel) const;
    //! The contour levels drawn.
    const std::vector<double>& Levels() const { return m_levels; }
    //! The values the colours run from and to; equal when every value is the same.
    std::pair<double, double> ColourRange() const { return { m_low, m_high }; }
    //! The colour of a value: along the colour scale, clamped to its ends.
    Rgb ColourOf(double value) const;

private:
    void layOut();
    void addItems(std::optional<std::pair<double, double>> proposed);
    void paintValues(Canvas& canvas) const;
    void drawTitles(Canvas& canvas) const;
    void drawLegend(Canvas& canvas) const;
    //! The pixel edges of the grid's cells along one axis: grid + 1 of them.
    std::vector<int> cellEdges(const MapAxis& axis, bool horizontal) const;

    OperatingMap m_map;
    Size m_size;
    TVistrel m_chart;
    int m_band = 0; //!< the title lines' height above the chart [px]
    std::vector<std::string> m_titleLines;
    std::string m_xTitle;
    std::string m_yTitle;
    double m_low = 0.0;
    double m_high = 0.0;
    std::vector<double> m_levels;
    bool m_proposed = false;
};

//! "OC 2; Cell B at 800 °C: log10 pO2 [bar]": what a map shows, with "; flow model: physical"
//! for a model other than the specified one (8-bit).
std::string MapTitle(const OperatingMap& map);

} // namespace meldrix
