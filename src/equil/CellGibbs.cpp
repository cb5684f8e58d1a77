#include "equil/CellGibbs.h"

#include "common/TextFormat.h"
#include "equil/NumericHelpers.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace meldrix {

namespace {

constexpr Extended ZeroCelsius = 273.15L; // [K]
const std::string Celsius = "\xB0"
                            "C"; // messages are Latin-1, as the window shows them
constexpr double ShownFraction = 1e-12; // the display lists species from this fraction up

double kelvinToCelsius(double kelvin)
{
    return static_cast<double>(static_cast<Extended>(kelvin) - ZeroCelsius);
}

} // namespace

double CelsiusToKelvin(double celsius)
{
    if (!std::isfinite(celsius))
        return celsius;
    // The decimal the operator typed (the shortest that reads back as `celsius`), not the double
    // nearest it, plus 273.15 in extended precision: the sum then rounds as the decimal sum does.
    const std::string typed = ShortestText(celsius);
    Extended decimal = celsius;
    std::from_chars(typed.data(), typed.data() + typed.size(), decimal);
    return static_cast<double>(decimal + ZeroCelsius);
}

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
    const double kelvin = CelsiusToKelvin(celsius);
    if (!(kelvin >= data.TMin && kelvin <= data.TMax)) {
        GibbsResult refused;
        refused.Kelvin = kelvin;
        refused.Bar = rig.Cells[cell].Pressure;
        refused.Message = "temperature " + ShortestText(celsius) + " " + Celsius
            + " is outside the thermodynamic data (" + ShortestText(kelvinToCelsius(data.TMin))
            + " " + Celsius + " to " + ShortestText(kelvinToCelsius(data.TMax)) + " " + Celsius
            + ")";
        return refused;
    }
    const auto feed = CellFeed(rig, cell);
    return GibbsEquilibrium(data, feed, kelvin, rig.Cells[cell].Pressure);
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
        if (!result.PO2Resolved)
            display.Problems.push_back("OC " + formatInt(cell.Cell) + "; "
                + std::string(rig.Cells[cell.Cell].Name.view()) + ": "
                + std::string(UnresolvedPO2));
        auto& values = display.Values[cell.Cell];
        for (std::size_t k = 0; k + 1 < rows; ++k) {
            const double x = result.fraction(display.RowNames[k]);
            if (!logarithmic)
                values[k] = x;
            else if (x > 0.0)
                values[k] = static_cast<double>(Log10Clamped(x));
        }
        if (std::isfinite(result.Log10PO2) && result.PO2Resolved)
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
            if (result.Ok && result.PO2Resolved && std::isfinite(result.Log10PO2))
                curve.Points.emplace_back(celsius, result.Log10PO2);
        }
        if (!curve.Points.empty())
            curves.push_back(std::move(curve));
    }
    return curves;
}

} // namespace meldrix
