#pragma once

#include "equil/GibbsSystem.h"

#include <string>
#include <vector>

namespace meldrix::gibbs {

//! The element potentials and total gas amount at which the Gibbs energy is least, to a double's
//! precision; the trace polish carries the traces further.
class Minimiser {
public:
    explicit Minimiser(const System& system)
        : s(system)
        , pi(system.E, 0.0L)
        , y(system.J, 0.0L)
        , x(system.J, 0.0L)
    {
    }

    bool solve(std::string& failure);
    Real carbonLeft() const; // carbon not in the gas, so in graphite [mol per mol of feed]

    const System& s;
    std::vector<Real> pi;
    std::vector<Real> y; // ln x_j = a_j.pi - c_j
    std::vector<Real> x;
    Real t = 1.0L; // total gas amount N of the current outer step
    bool graphite = false; // whether the carbon potential is held at graphite's
    int iterations = 0;

private:
    std::vector<std::size_t> freeRows() const;
    void evaluate();
    Real objective(const std::vector<std::size_t>& rows) const;
    std::vector<Real> gradient(const std::vector<std::size_t>& rows) const;
    std::vector<Real> hessian(const std::vector<std::size_t>& rows) const;
    bool converged(const std::vector<Real>& g, const std::vector<std::size_t>& rows) const;
    void startingPotentials();
    bool maximise();
    bool solveForAmount();
};

} // namespace meldrix::gibbs
