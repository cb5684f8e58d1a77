#include "equil/ThermoData.h"

#include "equil/ThermoDataText.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <stdexcept>

namespace meldrix {

long double ThermoSpecies::GibbsOverRT(long double kelvin) const
{
    assert(!Intervals.empty());
    const ThermoInterval* fit = &Intervals.back();
    for (const ThermoInterval& interval : Intervals) {
        if (kelvin <= interval.THigh) {
            fit = &interval;
            break;
        }
    }
    const auto& a = fit->a;
    const long double t = kelvin;
    const long double lnT = std::log(t);
    const long double hOverRT = -a[0] / (t * t) + a[1] * lnT / t + a[2] + a[3] * t / 2
        + a[4] * t * t / 3 + a[5] * t * t * t / 4 + a[6] * t * t * t * t / 5 + fit->b[0] / t;
    const long double sOverR = -a[0] / (t * t) / 2 - a[1] / t + a[2] * lnT + a[3] * t
        + a[4] * t * t / 2 + a[5] * t * t * t / 3 + a[6] * t * t * t * t / 4 + fit->b[1];
    return hOverRT - sOverR;
}

double ThermoSpecies::atoms(std::string_view element) const
{
    for (const auto& [symbol, count] : Composition)
        if (symbol == element)
            return count;
    return 0.0;
}

const ThermoSpecies* ThermoData::find(std::string_view formula) const
{
    for (const ThermoSpecies& species : Species)
        if (species.Formula == formula)
            return &species;
    return nullptr;
}

namespace {

// Ordered, so that the species keep the order of the data file.
using Json = nlohmann::ordered_json;

// A malformed data set stops the reading with a sentence naming the species and the field.
struct BadData : std::runtime_error {
    using std::runtime_error::runtime_error;
};

double finiteNumber(const Json& value, const std::string& where)
{
    if (!value.is_number() || !std::isfinite(value.get<double>()))
        throw BadData(where + " is not a finite number");
    return value.get<double>();
}

template <std::size_t N>
std::array<double, N> numbers(const Json& value, const std::string& where)
{
    if (!value.is_array() || value.size() != N)
        throw BadData(where + " is not a list of " + std::to_string(N) + " numbers");
    std::array<double, N> result {};
    for (std::size_t i = 0; i < N; ++i)
        result[i] = finiteNumber(value[i], where);
    return result;
}

ThermoSpecies speciesFromJson(const std::string& formula, const Json& entry)
{
    ThermoSpecies species;
    species.Formula = formula;
    const std::string where = "species " + formula;
    if (!entry.is_object())
        throw BadData(where + " is not an object");
    const Json& phase = entry.value("phase", Json());
    if (phase != "gas" && phase != "condensed")
        throw BadData(where + ": phase is neither gas nor condensed");
    species.Condensed = phase == "condensed";

    const Json& composition = entry.value("composition", Json());
    if (!composition.is_object() || composition.empty())
        throw BadData(where + ": no composition");
    for (const auto& [symbol, count] : composition.items()) {
        const double atoms = finiteNumber(count, where + ": atoms of " + symbol);
        if (atoms <= 0.0)
            throw BadData(where + ": atoms of " + symbol + " not above 0");
        species.Composition.emplace_back(symbol, atoms);
    }

    // Optional: only the density correction of a curve measured for another gas needs it.
    if (entry.contains("molar_mass_g_per_mol")) {
        species.MolarMass = finiteNumber(entry["molar_mass_g_per_mol"], where + ": molar mass");
        if (species.MolarMass <= 0.0)
            throw BadData(where + ": molar mass not above 0");
    }

    const Json& intervals = entry.value("intervals", Json());
    if (!intervals.is_array() || intervals.empty())
        throw BadData(where + ": no temperature intervals");
    for (const Json& item : intervals) {
        ThermoInterval interval;
        const auto range = numbers<2>(item.value("T_range", Json()), where + ": T_range");
        interval.TLow = range[0];
        interval.THigh = range[1];
        interval.a = numbers<7>(item.value("a", Json()), where + ": a");
        interval.b = numbers<2>(item.value("b", Json()), where + ": b");
        if (!(interval.TLow > 0.0 && interval.TLow < interval.THigh))
            throw BadData(where + ": T_range is not an increasing range above 0 K");
        if (!species.Intervals.empty() && interval.TLow != species.Intervals.back().THigh)
            throw BadData(where + ": temperature intervals are not contiguous");
        species.Intervals.push_back(interval);
    }
    return species;
}

} // namespace

std::variant<ThermoData, std::string> ParseThermoData(std::string_view json)
{
    const Json document = Json::parse(json, nullptr, false);
    if (document.is_discarded())
        return std::string("the thermodynamic data are not valid JSON");
    try {
        if (!document.is_object() || !document.contains("species")
            || !document["species"].is_object() || document["species"].empty())
            throw BadData("the thermodynamic data hold no species");
        ThermoData data;
        if (document.contains("source") && document["source"].is_object())
            data.Citation = document["source"].value("citation", "");
        if (document.contains("R_J_per_mol_K")
            && finiteNumber(document["R_J_per_mol_K"], "R_J_per_mol_K") != ThermoGasConstant)
            throw BadData("the data were fitted with another gas constant");
        data.TMin = std::numeric_limits<double>::infinity();
        data.TMax = 0.0;
        for (const auto& [formula, entry] : document["species"].items()) {
            data.Species.push_back(speciesFromJson(formula, entry));
            data.TMin = std::min(data.TMin, data.Species.back().Intervals.front().TLow);
            data.TMax = std::max(data.TMax, data.Species.back().Intervals.back().THigh);
        }
        return data;
    } catch (const BadData& error) {
        return std::string(error.what());
    } catch (const Json::exception&) {
        return std::string("the thermodynamic data have a field of the wrong kind");
    }
}

const ThermoData& BuiltInThermoData()
{
    static const ThermoData data = [] {
        auto parsed = ParseThermoData(ThermoDataText);
        if (auto* error = std::get_if<std::string>(&parsed))
            throw std::runtime_error("built-in thermodynamic data: " + *error);
        return std::get<ThermoData>(std::move(parsed));
    }();
    return data;
}

} // namespace meldrix
