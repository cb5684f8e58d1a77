#pragma once

#include "common/OneBased.h"
#include "common/Rounding.h"
#include "common/ShortString.h"

#include <cstdint>
#include <string>

namespace meldrix {

//! Element numbers are atomic numbers; deuterium and tritium follow as 122 and 123.
inline constexpr int MaxElements = 123;
inline constexpr int MaxCompounds = 20;
//! Compounds and elements of one equilibrium system together stay within this many equations.
inline constexpr int MaxEquations = 12;

//! One chemical element of the built-in table; in memory only.
struct ElementRecord {
    ShortString<2> Symbol;
    std::uint16_t AtomsPerMolecule = 0; //!< atoms in the element's usual molecule
    ShortString<1> State; //!< "g" gaseous, "s" solid
    bool Present = false; //!< occurs in the gas of some output cell after the last run
};

//! One gaseous compound of the built-in table; in memory only.
struct CompoundRecord {
    std::string Formula; //!< the key gas components are matched by, exactly
    std::string Name;
    OneBased<double, MaxElements> Atoms; //!< atoms of each element in one molecule
    double RangeFrom = 0.0;
    double RangeTo = 9999.0;
    double DeltaS = 0.0; //!< coefficient of T in the Gibbs energy of formation [J/(mol K)]
    double DeltaH = 0.0; //!< constant term of that Gibbs energy [J/mol]
    bool Enabled = true;
    bool Available = false; //!< every element of the compound is present after the last run
};

//! An amount handed to the per-cell calculation.
struct EquilInputEntry {
    std::uint16_t Compound = 0; //!< number into Compounds
    Extended Amount = 0.0L; //!< partial pressure [bar]
};

} // namespace meldrix
