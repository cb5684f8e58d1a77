#pragma once

#include "common/Canvas.h"

#include <string>
#include <vector>

namespace meldrix {

//! Where a scale's axis line lies in its area: a horizontal scale at the bottom or top edge, a
//! vertical one at the left or right edge.
enum class TScaleType { sctXB, sctXT, sctYL, sctYR };
enum class TFigType { ftNoFigs, ftNum, ftTime, ftDateTime, ftUserText };
enum class TFrameStyle { fsNone, fsSimple, fsLowered, fsRaised, fsEmbossed, fsEngraved };

//! The ticks of a range: the first long tick, the signed step between long ticks, and the
//! number of short intervals per long interval.
struct TickSpacing {
    double first = 0.0;
    double step = 0.0;
    int shortIntervals = 1;

    friend bool operator==(const TickSpacing&, const TickSpacing&) = default;
};

//! The tick spacing for `intervals` intervals (0, or 2..10) over lo..hi: steps of 1, 2 or 5
//! times a power of ten, the first tick the first multiple of the step not more than a
//! thousandth of a step before lo. Equal ends give {lo, 0, 1}.
TickSpacing TickSpacingFor(int intervals, double lo, double hi);

//! One tick of a drawn axis, with its label (empty for short ticks).
struct ScaleTick {
    double value = 0.0;
    int pixel = 0; //!< along the axis, in the scale's own area
    bool isLong = false;
    std::string label;
};

//! The space between an area's edges and the axis or data inside it [px].
struct Margins {
    int left = 0;
    int right = 0;
    int top = 0;
    int bottom = 0;

    friend bool operator==(Margins, Margins) = default;
};

//! The most ticks of each kind a scale draws, so that no range makes its loops run long.
inline constexpr int MaxScaleTicks = 250;

//! One numeric axis: a value range, its mapping to pixels, and the axis line with long and short
//! ticks and labels drawn onto a Canvas. Bad settings are clamped, refused or repaired, never
//! thrown.
class TScale {
public:
    TScale() { recomputeMapping(); }

    double RangeLow() const { return m_rangeLow; }
    double RangeHigh() const { return m_rangeHigh; }
    //! Stores v; equal ends are repaired by moving RangeHigh to v + 1.
    void SetRangeLow(double v);
    //! Stores v; equal ends are repaired by moving RangeLow to v + 1 (a reversed unit range).
    void SetRangeHigh(double v);
    //! Both ends at once, as a chart passes its ranges on; equal ends put RangeHigh at lo + 1.
    void SetRange(double lo, double hi);

    bool Logarithmic() const { return m_logarithmic; }
    //! On only for a range above 1e-100 at both ends and labels that are not date and time.
    void SetLogarithmic(bool on);
    int MinTicks() const { return m_minTicks; }
    //! 0 stays 0; anything else is held to 2..10.
    void SetMinTicks(int n);
    int DecPlaces() const { return m_decPlaces; }
    //! Held to -3..12; -2 and -3 choose the decimals from the range, -1 is scientific.
    void SetDecPlaces(int d);
    TFigType LabelType() const { return m_labelType; }
    void SetLabelType(TFigType type);

    TScaleType ScaleType() const { return m_scaleType; }
    void SetScaleType(TScaleType type);
    bool isHorizontal() const
    {
        return m_scaleType == TScaleType::sctXB || m_scaleType == TScaleType::sctXT;
    }

    //! Size of the scale's area [px]; a new scale is 400 x 400.
    Size AreaSize() const { return m_size; }
    void SetAreaSize(Size size);
    //! The axis runs between the margins; a new scale has 20 on every side.
    Margins margins() const { return m_margins; }
    void SetMargins(int left, int right, int top, int bottom);

    bool ShortTicks = true;
    bool ShowBaseLine = true;
    //! Draws straight onto the canvas instead of on its own background with a frame.
    bool Transparent = false;
    std::string UserTickText; //!< labels for ftUserText, separated by "|"
    std::string ScaleInscript; //!< "&" marks where the number goes; otherwise put in front
    std::string Caption;
    Rgb ColorScale { 0, 0, 0 };
    Rgb ColorBackGnd { 240, 240, 240 }; //!< also behind the labels of a transparent scale
    TFrameStyle FrameStyle = TFrameStyle::fsLowered;

    //! Pixel of a value along the axis, limited to +-2147483647 and rounded half to even; a
    //! value that is not a number gives the pixel of the axis's low end.
    int ValueToPixel(double v) const;
    double PixelToValue(int pixel) const;
    //! The mapping factor and offset: pixel = K * v + O (K * ln v + O when logarithmic).
    double K() const { return m_k; }
    double O() const { return m_o; }

    //! The ticks and labels the next drawing shows, in drawing order: short ticks first, then
    //! long ones. None for a range that is not finite.
    std::vector<ScaleTick> Ticks() const;
    //! The label text of a long tick value (the j-th long tick, from 0).
    std::string TickLabel(double v, int j) const;

    //! Draws the scale with its area's top-left corner at `offset`, and records the tick values.
    void Draw(Canvas& canvas, Point offset = {});

    //! Tick values recorded at the last drawing (at most MaxScaleTicks), and value i (1-based;
    //! 0.0 outside 1..NumTicks).
    int NumTicks() const { return static_cast<int>(m_tickValues.size()); }
    double TickValue(int i) const;

private:
    void recomputeMapping();
    int axisPosition() const;
    void drawFrame(Canvas& canvas, Point offset) const;

    double m_rangeLow = 0.0;
    double m_rangeHigh = 100.0;
    bool m_logarithmic = false;
    int m_minTicks = 3;
    int m_decPlaces = -2;
    TFigType m_labelType = TFigType::ftNum;
    TScaleType m_scaleType = TScaleType::sctXB;
    Size m_size { 400, 400 };
    Margins m_margins { 20, 20, 20, 20 };
    double m_k = 1.0;
    double m_o = 0.0;
    std::vector<double> m_tickValues;
};

//! A pixel coordinate from a floating value: limited to +-2147483647, rounded half to even; not a
//! number gives `fallback`.
int clampedPixel(long double v, int fallback = 0);

} // namespace meldrix
