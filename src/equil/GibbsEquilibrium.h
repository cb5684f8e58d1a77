#pragma once

#include "equil/ThermoData.h"

#include <span>
#include <string>
#include <string_view>
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
    //! partial pressure of O2 [bar]; 0 when the gas holds no oxygen (or when it is below the
    //! range of double, as at 1e-300 bar: Log10PO2 still holds it)
    double PO2 = 0.0;
    //! log10 of the partial pressure of O2 [log10 bar], from its extended-precision logarithm;
    //! minus infinity when the gas holds no oxygen
    double Log10PO2 = 0.0;
    double Graphite = 0.0; //!< graphite deposited [mol per mol of gas fed]
    double GraphiteActivity = 0.0; //!< 1 while graphite is present, below 1 when absent [-]
    double GasAmount = 0.0; //!< gas left [mol per mol of gas fed]
    //! Element symbol and its potential lambda/RT [-]: for every species present, its chemical
    //! potential g°/RT + ln(x P / 1 bar) is the sum of its atoms' potentials.
    std::vector<std::pair<std::string, double>> ElementPotentials;
    int Iterations = 0; //!< Newton steps on the element potentials, the traces' polish included
    //! false: the trace species that set pO2 (and the trace fractions) could not be resolved;
    //! Log10PO2 is then the best estimate, not a result, and UnresolvedPO2 says why
    bool PO2Resolved = true;
    //! Notes on a result that is Ok, one line each: species taken below their data's lower
    //! temperature limit, so extrapolated
    std::vector<std::string> Warnings;

    //! The fraction of species `name`; 0 when it is not part of the result.
    double fraction(std::string_view name) const;
};

//! Why a result has PO2Resolved false.
inline constexpr std::string_view UnresolvedPO2 =
    "the trace species that set pO2 could not be resolved";

//! Minimises the Gibbs energy of `feed` at `kelvin` [K] and `bar` [bar] over the gases of `data`
//! whose elements the feed holds, with graphite as a phase of its own. A temperature outside the
//! data's range, a pressure that is not a positive finite number, a fraction that is negative or
//! not a number, or an empty feed gives Ok = false and a message, never NaN. A feed of gases the
//! data do not know alone is Ok and stays as it is. Trace species are resolved to their own
//! precision, so that the pO2 of an unbuffered gas (water, CO2) follows from the data.
GibbsResult GibbsEquilibrium(
    const ThermoData& data, std::span<const FeedComponent> feed, double kelvin, double bar);

} // namespace meldrix
