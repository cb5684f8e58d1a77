#pragma once

#include "chart/TScale.h"
#include "common/Canvas.h"

#include <functional>
#include <string>
#include <utility>

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

    int MinTicks() const { return m_scale.MinTicks(); }
    void SetMinTicks(int n) { changeThrough(&TScale::SetMinTicks, n); }
    int DecPlaces() const { return m_scale.DecPlaces(); }
    void SetDecPlaces(int d) { changeThrough(&TScale::SetDecPlaces, d); }
    bool ShortTicks() const { return m_scale.ShortTicks; }
    void SetShortTicks(bool on) { change(m_scale.ShortTicks, on); }
    bool Logarithmic() const { return m_scale.Logarithmic(); }
    //! Refused while either end of the range is at or below 1e-100.
    void SetLogarithmic(bool on);
    TFigType LabelType() const { return m_scale.LabelType(); }
    void SetLabelType(TFigType type) { changeThrough(&TScale::SetLabelType, type); }
    const std::string& ScaleInscript() const { return m_scale.ScaleInscript; }
    void SetScaleInscript(std::string text) { change(m_scale.ScaleInscript, std::move(text)); }
    const std::string& UserTickText() const { return m_scale.UserTickText; }
    void SetUserTickText(std::string text) { change(m_scale.UserTickText, std::move(text)); }
    Rgb ColorScale() const { return m_scale.ColorScale; }
    void SetColorScale(Rgb colour) { change(m_scale.ColorScale, colour); }

    //! Distance of the axis from the data area [px].
    int ScalePos() const { return m_scalePos; }
    void SetScalePos(int pixels) { change(m_scalePos, pixels); }
    bool Visible() const { return m_visible; }
    void SetVisible(bool visible) { change(m_visible, visible); }
    TScaleLocation ScaleLocation() const { return m_location; }
    //! slTop or slBottom on a horizontal axis, slLeft or slRight on a vertical one; others are
    //! ignored.
    void SetScaleLocation(TScaleLocation location);

    std::function<void()> OnChange;

private:
    friend class TVistrel;
    TScaleProps(TVistrel& owner, TScale& scale, int layer, bool horizontal);
    void changed();
    // Every accepted change goes the same way: stored, or handed to the scale's own setter, and
    // then passed on to the chart.
    template <typename T>
    void change(T& setting, T value)
    {
        setting = std::move(value);
        changed();
    }
    template <typename T>
    void changeThrough(void (TScale::*setter)(T), T value)
    {
        (m_scale.*setter)(value);
        changed();
    }
    void moveRangeEnd(double& end, double& other, double v, double towardsOther);

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
