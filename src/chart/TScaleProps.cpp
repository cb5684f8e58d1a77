// The published settings of one axis of one layer, and their range rules.

#include "chart/TVistrelLayer.h"

#include <cmath>

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
    moveRangeEnd(m_rangeLow, m_rangeHigh, v, 1.0);
}

void TScaleProps::SetRangeHigh(double v)
{
    moveRangeEnd(m_rangeHigh, m_rangeLow, v, -1.0);
}

// One end goes to v; a range that would be shorter than MinRange takes the other end along, to
// MinRange from v on the side it lay (towardsOther: +1 above, -1 below).
void TScaleProps::moveRangeEnd(double& end, double& other, double v, double towardsOther)
{
    if (std::isnan(v))
        return;
    if (std::fabs(other - v) >= m_minRange) {
        if (m_scale.Logarithmic() && v <= LogTiny)
            return;
        end = v;
    } else {
        end = v;
        other = v + towardsOther * m_minRange;
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

void TScaleProps::SetLogarithmic(bool on)
{
    if (on && (!(m_rangeLow > LogTiny) || !(m_rangeHigh > LogTiny)))
        return;
    m_scale.SetLogarithmic(on);
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
