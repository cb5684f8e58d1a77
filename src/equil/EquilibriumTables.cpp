#include "equil/EquilibriumTables.h"

#include <array>
#include <string_view>

namespace meldrix {

namespace {

struct ElementEntry {
    int Number;
    std::string_view Symbol;
    std::uint16_t AtomsPerMolecule;
    std::string_view State;
};

constexpr std::array<ElementEntry, 13> ElementTable { {
    { 1, "H", 2, "g" },
    { 2, "He", 1, "g" },
    { 3, "Li", 1, "s" },
    { 4, "Be", 1, "s" },
    { 5, "B", 1, "s" },
    { 6, "C", 1, "s" },
    { 7, "N", 2, "g" },
    { 8, "O", 2, "g" },
    { 9, "F", 2, "g" },
    { 10, "Ne", 1, "g" },
    { 18, "Ar", 1, "g" },
    { 122, "D", 2, "g" }, // the isotopes of hydrogen have element numbers of their own
    { 123, "T", 2, "g" },
} };

struct AtomCount {
    int Element = 0;
    double Count = 0.0;
};

struct CompoundEntry {
    std::string_view Formula;
    std::string_view Name;
    std::array<AtomCount, 2> Atoms; // unused entries have element 0
    double DeltaS; // [J/(mol K)]
    double DeltaH; // [J/mol]
};

// The elements in their reference form have both coefficients 0, so K = 1 for them. "O3" and
// "H2O" carry the same pair on purpose.
constexpr std::array<CompoundEntry, 9> CompoundTable { {
    { "H2", "Hydrogen", { { { 1, 2 } } }, 0.0, 0.0 },
    { "C", "Carbon", { { { 6, 1 } } }, 0.0, 0.0 },
    { "N2", "Nitrogen", { { { 7, 2 } } }, 0.0, 0.0 },
    { "O2", "Oxygen", { { { 8, 2 } } }, 0.0, 0.0 },
    { "Ar", "Argon", { { { 18, 1 } } }, 0.0, 0.0 },
    { "O3", "Ozone", { { { 8, 3 } } }, -60.0, 187.0 },
    { "H2O", "Water vapour", { { { 1, 2 }, { 8, 1 } } }, -60.0, 187.0 },
    { "CO", "Carbon monoxide", { { { 6, 1 }, { 8, 1 } } }, 60.0, 100.0 },
    { "CO2", "Carbon dioxide", { { { 6, 1 }, { 8, 2 } } }, 0.0, 100.0 },
} };

} // namespace

void InitElements(Rig& rig)
{
    for (ElementRecord& element : rig.Elements)
        element = ElementRecord {};
    for (const ElementEntry& entry : ElementTable) {
        ElementRecord& element = rig.Elements[entry.Number];
        element.Symbol = entry.Symbol;
        element.AtomsPerMolecule = entry.AtomsPerMolecule;
        element.State = entry.State;
    }
}

void InitCompounds(Rig& rig)
{
    for (CompoundRecord& compound : rig.Compounds)
        compound = CompoundRecord {};
    int k = 0;
    for (const CompoundEntry& entry : CompoundTable) {
        CompoundRecord& compound = rig.Compounds[++k];
        compound.Formula = entry.Formula;
        compound.Name = entry.Name;
        for (const AtomCount& atoms : entry.Atoms)
            if (atoms.Element != 0)
                compound.Atoms[atoms.Element] = atoms.Count;
        compound.DeltaS = entry.DeltaS;
        compound.DeltaH = entry.DeltaH;
    }
    rig.CompoundCount = static_cast<std::uint16_t>(k);
}

void InitEquilibriumTables(Rig& rig)
{
    InitElements(rig);
    InitCompounds(rig);
}

} // namespace meldrix
