#pragma once

#include <algorithm>

namespace meldrix {

//! Liang-Barsky: cuts the segment from (x1, y1) to (x2, y2) to its part inside [left, right] x
//! [top, bottom]. False, leaving the ends as they were, when no part of it lies inside.
template <typename Real>
bool ClipSegment(
    Real& x1, Real& y1, Real& x2, Real& y2, Real left, Real top, Real right, Real bottom)
{
    const Real dx = x2 - x1;
    const Real dy = y2 - y1;
    Real t0 = 0;
    Real t1 = 1;
    const Real p[4] = { -dx, dx, -dy, dy };
    const Real q[4] = { x1 - left, right - x1, y1 - top, bottom - y1 };
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return false;
            continue;
        }
        const Real t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
    }
    if (t0 > t1)
        return false;
    const Real ax = x1 + t0 * dx;
    const Real ay = y1 + t0 * dy;
    x2 = x1 + t1 * dx;
    y2 = y1 + t1 * dy;
    x1 = ax;
    y1 = ay;
    return true;
}

} // namespace meldrix
