#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace meldrix {

//! Molar gas constant [J/(mol K)], the value the polynomial data were fitted with.
inline constexpr double ThermoGasConstant = 8.31451;

//! One temperature interval of a 9-coefficient fit.
struct ThermoInterval {
    double TLow = 0.0; //!< [K]
    double THigh = 0.0; //!< [K]
    std::array<double, 7> a {}; //!< Cp/R = a1 T^-2 + a2 T^-1 + a3 + a4 T + ... + a7 T^4
    std::array<double, 2> b {}; //!< integration constants of H/RT and S/R
};

//! A species of the data set: a gas of the mixture, or pure graphite.
struct ThermoSpecies {
    std::string Formula; //!< the name a gas component must carry to be this species, e.g. "H2O"
    bool Condensed = false; //!< true for a pure condensed phase (graphite)
    std::vector<std::pair<std::string, double>> Composition; //!< element symbol, atoms
    std::vector<ThermoInterval> Intervals; //!< in ascending temperature order, contiguous
    double MolarMass = 0.0; //!< [g/mol]; 0 when the data do not give it

    //! Standard Gibbs energy over RT, g°/RT = H°/RT - S°/R, at 1 bar [-] for `kelvin` [K]. Below
    //! the first interval the first fit is used, above the last the last one.
    long double GibbsOverRT(long double kelvin) const;
    //! Atoms of `element` in one formula unit; 0 when it holds none.
    double atoms(std::string_view element) const;
};

//! The thermodynamic data of every species the minimiser knows.
struct ThermoData {
    std::vector<ThermoSpecies> Species; //!< in the order of the data file
    std::string Citation; //!< where the numbers come from
    double TMin = 0.0; //!< lowest temperature any fit starts at [K]
    double TMax = 0.0; //!< highest temperature any fit reaches [K]

    //! The species whose formula is exactly `formula` (case-sensitive); null when unknown.
    const ThermoSpecies* find(std::string_view formula) const;
};

//! Reads the data set from its JSON text; the error text says what is wrong and where.
std::variant<ThermoData, std::string> ParseThermoData(std::string_view json);

//! The data set built into the programs (data/thermo/species.json), parsed on first use.
const ThermoData& BuiltInThermoData();

} // namespace meldrix
