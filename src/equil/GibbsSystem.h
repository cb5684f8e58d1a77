#pragma once

#include "common/Rounding.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

// What the minimiser and its trace polish share: the element balance they solve, and the step
// limit and exponentials both take.
namespace meldrix::gibbs {

using Real = Extended;

constexpr Real ElementTolerance = 1e-14L; // relative, per element
constexpr Real MaxPotentialStep = 8.0L; // per Newton step; keeps exp() finite far from the answer

struct System {
    std::vector<std::string> elements; // real elements first, then one per inert component
    std::size_t realElements = 0;
    std::vector<std::string> species; // gas species, then the inert components
    std::size_t E = 0;
    std::size_t J = 0;
    std::vector<Real> a; // E x J, row-major: atoms of element i in species j
    std::vector<Real> c; // g°/RT + ln P of each species
    std::vector<Real> b; // element amounts per mole of feed
    std::size_t gases = 0; // the first `gases` species are the data's; the inert ones follow
    // The known components as fed: atoms of each real element, and the share before it is
    // divided by feedTotal, so that a stoichiometric feed stays exactly stoichiometric.
    std::vector<std::pair<std::vector<Real>, double>> fed;
    Real feedTotal = 1.0L;
    int carbon = -1; // row of carbon, -1 when the feed holds none
    bool graphiteKnown = false;
    bool graphiteFed = false;
    Real gGraphite = 0.0L;

    std::vector<std::vector<std::pair<std::size_t, Real>>> parts; // per species: element, atoms
    std::vector<std::vector<std::pair<std::size_t, Real>>> holders; // per element: species, atoms

    Real atoms(std::size_t i, std::size_t j) const { return a[i * J + j]; }
    void index()
    {
        parts.assign(J, {});
        holders.assign(E, {});
        for (std::size_t i = 0; i < E; ++i)
            for (std::size_t j = 0; j < J; ++j)
                if (atoms(i, j) != 0.0L) {
                    parts[j].emplace_back(i, atoms(i, j));
                    holders[i].emplace_back(j, atoms(i, j));
                }
    }
};

// The extended exp(): a trace species is only as exact as its exponential.
inline Real exponential(Real y)
{
    return std::exp(y);
}

// The main iterations only need a double's precision, and the double exp() is several times
// faster; the polish that follows them carries the trace species' precision.
inline Real quickExponential(Real y)
{
    constexpr Real DoubleRange = 700.0L;
    return std::fabs(y) < DoubleRange ? static_cast<Real>(std::exp(static_cast<double>(y)))
                                      : std::exp(y);
}

// Scales a Newton step down to the largest potential step the solvers allow; false when the step
// is not finite.
inline bool limitStep(std::vector<Real>& delta)
{
    Real largest = 0.0L;
    for (const Real d : delta)
        largest = std::max(largest, std::fabs(d));
    if (!std::isfinite(largest))
        return false;
    if (largest > MaxPotentialStep)
        for (Real& d : delta)
            d *= MaxPotentialStep / largest;
    return true;
}

} // namespace meldrix::gibbs
