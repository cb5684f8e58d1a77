#pragma once

#include "chart/TScale.h"
#include "common/Canvas.h"

#include <functional>
#include <string>

namespace meldrix {

class TVistrel;

enum class TScaleLocation { slTop, slBottom, slLeft, slRight };

//! The published settings of one axis of one layer. Every accepted change is passed on to the
//! layer's TScale and the chart's mapping is recomputed.
class TScaleProps {
public:
    TScaleProps(const TScaleProps&) = delete;
    TScaleProps& operator=(const TScaleProps&) = delete;

    double RangeLow() const { return m_rangeLow; }
    //! Stores v; a range shorter than MinRange moves RangeHigh to v + MinRange; a v at or below
    //! 1e-100 is refused on a logarithmic axis. Not a number is refused.
    void SetRangeLow(double v);
    double RangeHigh() const { return m_rangeHigh; }
    //! Symmetric to SetRangeLow: a too short range moves RangeLow to v - MinRange.
    void SetRangeHigh(double v);
    double MinRange() const { return m_minRange; }
    //! Accepted above 1e-100; a range shorter than m is then widened about its middle.
    void SetMinRange(double m);

    int MinTicks() const;
    void SetMinTicks(int n);
    int DecPlaces() const;
    void SetDecPlaces(int d);
    bool ShortTicks() const;
    void SetShortTicks(bool on);
    bool Logarithmic() const;
    void SetLogarithmic(bool on);
    TFigType LabelType() const;
    void SetLabelType(TFigType type);
    const std::string& ScaleInscript() const;
    void SetScaleInscript(std::string text);
    const std::string& UserTickText() const;
    void SetUserTickText(std::string text);
    Rgb ColorScale() const;
    void SetColorScale(Rgb colour);

    //! Distance of the axis from the data area [px].
    int ScalePos() const { return m_scalePos; }
    void SetScalePos(int pixels);
    bool Visible() const { return m_visible; }
    void SetVisible(bool visible);
    TScaleLocation ScaleLocation() const { return m_location; }
    //! slTop or slBottom on a horizontal axis, slLeft or slRight on a vertical one; others are
    //! ignored.
    void SetScaleLocation(TScaleLocation location);

    std::function<void()> OnChange;

private:
    friend class TVistrel;
    TScaleProps(TVistrel& owner, TScale& scale, int layer, bool horizontal);
    void changed();

    TVistrel& m_owner;
    TScale& m_scale;
    int m_layer;
    bool m_horizontal;
    double m_rangeLow = 0.0;
    double m_rangeHigh = 1.0;
    double m_minRange = 1e-10;
    int m_scalePos = 0;
    bool m_visible = false;
    TScaleLocation m_location;
};

} // namespace meldrix
