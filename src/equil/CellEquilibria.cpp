#include "equil/CellEquilibria.h"

#include <algorithm>

namespace meldrix {

namespace {

constexpr double ZeroCelsius = 273.15; // [K]

} // namespace

std::vector<FeedComponent> CellFeed(const Rig& rig, int cell)
{
    std::vector<FeedComponent> feed;
    for (const GasComponent& slot : rig.CellGases[cell])
        if (!slot.Name.view().empty() && slot.Fraction != 0.0)
            feed.push_back({ std::string(slot.Name.view()), slot.Fraction });
    return feed;
}

GibbsResult CellEquilibriumAt(const Rig& rig, int cell, double celsius, const ThermoData& data)
{
    const auto feed = CellFeed(rig, cell);
    return GibbsEquilibrium(data, feed, celsius + ZeroCelsius, rig.Cells[cell].Pressure);
}

std::vector<CellEquilibrium> CellEquilibria(const Rig& rig, const ThermoData& data)
{
    std::vector<CellEquilibrium> results;
    for (int c = 1; c <= MaxCells; ++c)
        if (isFedCell(rig.Cells[c]))
            results.push_back({ c, CellEquilibriumAt(rig, c, rig.Cells[c].Temp, data) });
    return results;
}

std::vector<std::string> SpeciesReaching(
    std::span<const GibbsResult* const> results, double least, const ThermoData& data)
{
    const auto reaches = [&](std::string_view name) {
        return std::any_of(results.begin(), results.end(), [&](const GibbsResult* result) {
            return result->Ok && result->fraction(name) >= least;
        });
    };
    std::vector<std::string> names;
    for (const ThermoSpecies& species : data.Species)
        if (!species.Condensed && reaches(species.Formula))
            names.push_back(species.Formula);
    for (const GibbsResult* result : results)
        for (const std::string& name : result->Inert)
            if (std::find(names.begin(), names.end(), name) == names.end() && reaches(name))
                names.push_back(name);
    return names;
}

} // namespace meldrix
