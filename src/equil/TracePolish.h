#pragma once

#include "equil/GibbsMinimiser.h"
#include "equil/GibbsSystem.h"

#include <cstddef>
#include <utility>
#include <vector>

namespace meldrix::gibbs {

// Trace species in a basis of the major species. The element balance holds to 1e-14 of each
// element, but in pure water the H2 and O2 that set pO2 are a difference far below that, so the
// potentials leave them as round-off. Written in a basis of the largest independent species (and
// graphite when present), the balance splits into one row per basis species; the row of a trace
// species holds only species no larger than it, and its right-hand side comes exactly from the
// feed, so Newton on these rows resolves each trace to its own precision. The total amount N
// stays as the potentials left it: the traces move it by less than its own tolerance.
class TracePolish {
public:
    TracePolish(const System& system, const Minimiser& minimiser)
        : s(system)
        , m(minimiser)
        , y(minimiser.y)
        , x(minimiser.x)
        , pi(minimiser.pi)
    {
    }

    //! False when some trace could not be resolved; the amounts are then the best found.
    bool run();

    const System& s;
    const Minimiser& m;
    std::vector<Real> y; // ln x_j of every species, inert ones as the minimiser left them
    std::vector<Real> x;
    std::vector<Real> pi; // element potentials of the real elements, then the inert ones
    Real graphite = 0.0L; // [mol per mol of feed]
    int iterations = 0;

private:
    static constexpr std::size_t Graphite = static_cast<std::size_t>(-1);
    static constexpr int MaxRounds = 3;
    static constexpr int MaxIterations = 200;

    std::vector<std::size_t> chooseBasis() const;
    bool eliminate(const std::vector<std::size_t>& basis);
    void evaluate();
    bool balanced(std::size_t k) const;
    Real logMiss(std::size_t k) const;
    bool newton();
    bool finish();

    std::size_t R = 0; // real elements
    std::vector<std::size_t> basis; // gas species index, or Graphite
    std::vector<std::vector<std::pair<std::size_t, Real>>> nu; // per gas: basis row, coefficient
    std::vector<Real> beta; // the feed in the basis [mol per mol of feed]
    std::vector<Real> inverse; // R x R: the transposed basis inverse maps mu to pi
    std::vector<Real> mu; // chemical potential / RT of each basis species
    // Row k of the balance, N (nu x)_k = beta_k, split into its positive and negative terms
    // [mol per mol of gas]; the feed's share sits on the side it balances.
    std::vector<Real> plus;
    std::vector<Real> minus;
};

} // namespace meldrix::gibbs
