#include "equil/CellGibbs.h"

#include "common/TextFormat.h"
#include "equil/NumericHelpers.h"

#include <algorithm>
#include <cmath>

namespace meldrix {

namespace {

constexpr double ZeroCelsius = 273.15; // [K]
constexpr double ShownFraction = 1e-12; // the display lists species from this fraction up

} // namespace

std::vector<FeedComponent> CellFeed(const Rig& rig, int cell)
{
    std::vector<FeedComponent> feed;
    for (const GasComponent& slot : rig.CellGases[cell])
        if (!slot.Name.view().empty() && slot.Fraction != 0.0)
            feed.push_back({ std::string(slot.Name.view()), slot.Fraction });
    return feed;
}

GibbsResult CellGibbsAt(const Rig& rig, int cell, double celsius, const ThermoData& data)
{
    const auto feed = CellFeed(rig, cell);
    return GibbsEquilibrium(data, feed, celsius + ZeroCelsius, rig.Cells[cell].Pressure);
}

std::vector<CellGibbs> CellGibbsEquilibria(const Rig& rig, const ThermoData& data)
{
    std::vector<CellGibbs> results;
    for (int c = 1; c <= MaxCells; ++c)
        if (isFedCell(rig.Cells[c]))
            results.push_back({ c, CellGibbsAt(rig, c, rig.Cells[c].Temp, data) });
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

GibbsDisplay CellGibbsDisplay(const Rig& rig, bool logarithmic, const ThermoData& data)
{
    const auto results = CellGibbsEquilibria(rig, data);
    std::vector<const GibbsResult*> solved;
    for (const CellGibbs& cell : results)
        solved.push_back(&cell.Result);

    GibbsDisplay display;
    display.RowNames = SpeciesReaching(solved, ShownFraction, data);
    display.RowNames.emplace_back(Log10PO2Row);
    const std::size_t rows = display.RowNames.size();
    for (int c = 1; c <= MaxCells; ++c)
        display.Values[c].assign(rows, std::nullopt);

    for (const CellGibbs& cell : results) {
        const GibbsResult& result = cell.Result;
        if (!result.Ok) {
            display.Problems.push_back("OC " + formatInt(cell.Cell) + "; "
                + std::string(rig.Cells[cell.Cell].Name.view()) + ": " + result.Message);
            continue;
        }
        auto& values = display.Values[cell.Cell];
        for (std::size_t k = 0; k + 1 < rows; ++k) {
            const double x = result.fraction(display.RowNames[k]);
            if (!logarithmic)
                values[k] = x;
            else if (x > 0.0)
                values[k] = static_cast<double>(Log10Clamped(x));
        }
        if (std::isfinite(result.Log10PO2))
            values[rows - 1] = result.Log10PO2;
    }
    return display;
}

std::vector<PO2Curve> PO2Curves(
    const Rig& rig, double fromCelsius, double toCelsius, double stepKelvin, const ThermoData& data)
{
    std::vector<PO2Curve> curves;
    constexpr int MaxPoints = 10000; // a step far too small for the range draws no more than this
    if (!std::isfinite(fromCelsius) || !std::isfinite(toCelsius) || !(stepKelvin > 0.0)
        || toCelsius < fromCelsius)
        return curves;
    for (int c = 1; c <= MaxCells; ++c) {
        if (!isFedCell(rig.Cells[c]))
            continue;
        PO2Curve curve { c, {} };
        // Each temperature from its index, so that the last one is not lost to rounding.
        for (int i = 0;
             i < MaxPoints && fromCelsius + i * stepKelvin <= toCelsius + 1e-9 * stepKelvin; ++i) {
            const double celsius = std::min(fromCelsius + i * stepKelvin, toCelsius);
            const GibbsResult result = CellGibbsAt(rig, c, celsius, data);
            if (result.Ok && std::isfinite(result.Log10PO2))
                curve.Points.emplace_back(celsius, result.Log10PO2);
        }
        if (!curve.Points.empty())
            curves.push_back(std::move(curve));
    }
    return curves;
}

} // namespace meldrix
