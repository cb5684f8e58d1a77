// The published settings of one axis of one layer, and their range rules.

#include "chart/TVistrelLayer.h"

#include <cmath>
#include <utility>

namespace meldrix {

using namespace vistrel;

namespace {

TScaleType scaleTypeOf(TScaleLocation location)
{
    // The axis lies on the side of the scale's area that faces the data.
    switch (location) {
    case TScaleLocation::slBottom:
        return TScaleType::sctXT;
    case TScaleLocation::slTop:
        return TScaleType::sctXB;
    case TScaleLocation::slLeft:
        return TScaleType::sctYR;
    case TScaleLocation::slRight:
        break;
    }
    return TScaleType::sctYL;
}

} // namespace

TScaleProps::TScaleProps(TVistrel& owner, TScale& scale, int layer, bool horizontal)
    : m_owner(owner)
    , m_scale(scale)
    , m_layer(layer)
    , m_horizontal(horizontal)
    , m_location(horizontal ? TScaleLocation::slBottom : TScaleLocation::slLeft)
{
    m_scale.SetScaleType(scaleTypeOf(m_location));
    m_scale.SetRange(m_rangeLow, m_rangeHigh);
    m_scale.Transparent = true;
}

void TScaleProps::changed()
{
    m_owner.scaleChanged(*this);
    if (OnChange)
        OnChange();
}

void TScaleProps::SetRangeLow(double v)
{
    if (std::isnan(v))
        return;
    if (std::fabs(m_rangeHigh - v) >= m_minRange) {
        if (m_scale.Logarithmic() && v <= LogTiny)
            return;
        m_rangeLow = v;
    } else {
        m_rangeLow = v;
        m_rangeHigh = v + m_minRange;
    }
    changed();
}

void TScaleProps::SetRangeHigh(double v)
{
    if (std::isnan(v))
        return;
    if (std::fabs(v - m_rangeLow) >= m_minRange) {
        if (m_scale.Logarithmic() && v <= LogTiny)
            return;
        m_rangeHigh = v;
    } else {
        m_rangeHigh = v;
        m_rangeLow = v - m_minRange;
    }
    changed();
}

void TScaleProps::SetMinRange(double m)
{
    if (!(m > 1e-100))
        return;
    m_minRange = m;
    if (std::fabs(m_rangeHigh - m_rangeLow) < m) {
        const double mid = (m_rangeLow + m_rangeHigh) / 2;
        m_rangeLow = mid - m / 2;
        m_rangeHigh = mid + m / 2;
    }
    changed();
}

int TScaleProps::MinTicks() const
{
    return m_scale.MinTicks();
}

void TScaleProps::SetMinTicks(int n)
{
    m_scale.SetMinTicks(n);
    changed();
}

int TScaleProps::DecPlaces() const
{
    return m_scale.DecPlaces();
}

void TScaleProps::SetDecPlaces(int d)
{
    m_scale.SetDecPlaces(d);
    changed();
}

bool TScaleProps::ShortTicks() const
{
    return m_scale.ShortTicks;
}

void TScaleProps::SetShortTicks(bool on)
{
    m_scale.ShortTicks = on;
    changed();
}

bool TScaleProps::Logarithmic() const
{
    return m_scale.Logarithmic();
}

void TScaleProps::SetLogarithmic(bool on)
{
    if (on && (!(m_rangeLow > LogTiny) || !(m_rangeHigh > LogTiny)))
        return;
    m_scale.SetLogarithmic(on);
    changed();
}

TFigType TScaleProps::LabelType() const
{
    return m_scale.LabelType();
}

void TScaleProps::SetLabelType(TFigType type)
{
    m_scale.SetLabelType(type);
    changed();
}

const std::string& TScaleProps::ScaleInscript() const
{
    return m_scale.ScaleInscript;
}

void TScaleProps::SetScaleInscript(std::string text)
{
    m_scale.ScaleInscript = std::move(text);
    changed();
}

const std::string& TScaleProps::UserTickText() const
{
    return m_scale.UserTickText;
}

void TScaleProps::SetUserTickText(std::string text)
{
    m_scale.UserTickText = std::move(text);
    changed();
}

Rgb TScaleProps::ColorScale() const
{
    return m_scale.ColorScale;
}

void TScaleProps::SetColorScale(Rgb colour)
{
    m_scale.ColorScale = colour;
    changed();
}

void TScaleProps::SetScalePos(int pixels)
{
    m_scalePos = pixels;
    changed();
}

void TScaleProps::SetVisible(bool visible)
{
    m_visible = visible;
    changed();
}

void TScaleProps::SetScaleLocation(TScaleLocation location)
{
    const bool horizontal =
        location == TScaleLocation::slTop || location == TScaleLocation::slBottom;
    if (horizontal != m_horizontal)
        return;
    m_location = location;
    m_scale.SetScaleType(scaleTypeOf(location));
    changed();
}

} // namespace meldrix
