#pragma once

#include "equil/ThermoData.h"

#include <span>
#include <string>
#include <utility>
#include <vector>

namespace meldrix {

//! One component of the gas fed to an equilibrium.
struct FeedComponent {
    std::string Name; //!< matched exactly against the species formulas
    double Fraction = 0.0; //!< any positive share; the feed is normalised to one mole
};

struct SpeciesFraction {
    std::string Name;
    double Fraction = 0.0; //!< mole fraction in the gas [-]
};

//! Equilibrium of an ideal-gas mixture with pure graphite at fixed temperature and pressure.
struct GibbsResult {
    bool Ok = false; //!< false: Message says why; the numbers below are then 0
    std::string Message; //!< empty when Ok
    double Kelvin = 0.0; //!< [K]
    double Bar = 0.0; //!< [bar]
    //! Every gas species whose elements are all in the feed, in data order, then the inert
    //! components; the fractions add up to 1.
    std::vector<SpeciesFraction> Species;
    std::vector<std::string> Inert; //!< components the data do not know; they keep their share
    double PO2 = 0.0; //!< partial pressure of O2 [bar]; 0 when the gas holds no oxygen
    double Log10PO2 = 0.0; //!< log10 of PO2 [log10 bar]; minus infinity when PO2 is 0
    double Graphite = 0.0; //!< graphite deposited [mol per mol of gas fed]
    double GraphiteActivity = 0.0; //!< 1 while graphite is present, below 1 when absent [-]
    double GasAmount = 0.0; //!< gas left [mol per mol of gas fed]
    //! Element symbol and its potential lambda/RT [-]: for every species present, its chemical
    //! potential g°/RT + ln(x P / 1 bar) is the sum of its atoms' potentials.
    std::vector<std::pair<std::string, double>> ElementPotentials;
    int Iterations = 0; //!< Newton steps on the element potentials

    //! The fraction of species `name`; 0 when it is not part of the result.
    double fraction(std::string_view name) const;
};

//! Minimises the Gibbs energy of `feed` at `kelvin` [K] and `bar` [bar] over the gases of `data`
//! whose elements the feed holds, with graphite as a phase of its own. A temperature outside the
//! data's range, a pressure that is not a positive finite number, a fraction that is negative or
//! not a number, or a feed without a known species gives Ok = false and a message, never NaN.
GibbsResult GibbsEquilibrium(
    const ThermoData& data, std::span<const FeedComponent> feed, double kelvin, double bar);

} // namespace meldrix
