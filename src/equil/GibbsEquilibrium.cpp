#include "equil/GibbsEquilibrium.h"

#include "common/Rounding.h"
#include "common/TextFormat.h"
#include "equil/GibbsMinimiser.h"
#include "equil/GibbsSystem.h"
#include "equil/NumericHelpers.h"
#include "equil/TracePolish.h"

#include <algorithm>
#include <cmath>
#include <limits>

// The element-potential method. At equilibrium every gas species j has
//     ln n_j = sum_i a_ij pi_i - c_j + ln N,   c_j = g°_j/RT + ln(P / 1 bar),
// so the amounts follow from the element potentials pi and the total gas amount N alone, and a
// species at 1e-30 is as well resolved as one at 0.5. For a fixed N the potentials maximise the
// concave function  b.pi - N sum_j exp(a_j.pi - c_j), whose gradient is the element balance; Newton
// with a line search on it always converges. N itself is the root of the monotone function
// ln sum_j x_j(N) (the mole fractions add up to 1), found by a safeguarded Newton iteration whose
// slope comes from the same Hessian. Graphite caps the carbon potential at its own g°/RT: when the
// unconstrained carbon potential would exceed it, graphite is present and takes up the rest of
// the carbon. Components the data do not know are treated as elements of their own with a single
// species, so they keep their amount and only dilute the others.

namespace meldrix {

double GibbsResult::fraction(std::string_view name) const
{
    for (const SpeciesFraction& species : Species)
        if (species.Name == name)
            return species.Fraction;
    return 0.0;
}

namespace {

using gibbs::Minimiser;
using gibbs::Real;
using gibbs::System;
using gibbs::TracePolish;

GibbsResult failed(GibbsResult result, std::string message)
{
    GibbsResult bare;
    bare.PO2Resolved = false; // no pO2 was found, so none is resolved
    bare.Kelvin = result.Kelvin;
    bare.Bar = result.Bar;
    bare.Inert = std::move(result.Inert);
    bare.Message = std::move(message);
    return bare;
}

// One note per lower limit: the gases (and graphite) of the result whose fits start above the
// temperature, so that their values there are extrapolated.
std::vector<std::string> belowRangeNotes(std::span<const ThermoSpecies* const> used, double kelvin)
{
    std::vector<std::pair<double, std::vector<std::string>>> groups;
    for (const ThermoSpecies* species : used) {
        const double limit = species->Intervals.front().TLow;
        if (!(kelvin < limit))
            continue;
        auto group = std::find_if(
            groups.begin(), groups.end(), [&](const auto& known) { return known.first == limit; });
        if (group == groups.end())
            groups.push_back({ limit, { species->Formula } });
        else
            group->second.push_back(species->Formula);
    }
    std::vector<std::string> notes;
    for (const auto& [limit, names] : groups)
        notes.push_back("taken below the lower limit of their data, " + ShortestText(limit)
            + " K: " + listed(names));
    return notes;
}

} // namespace

GibbsResult GibbsEquilibrium(
    const ThermoData& data, std::span<const FeedComponent> feed, double kelvin, double bar)
{
    GibbsResult result;
    result.Kelvin = kelvin;
    result.Bar = bar;
    if (!(kelvin >= data.TMin && kelvin <= data.TMax))
        return failed(result,
            "temperature " + ShortestText(kelvin) + " K is outside the thermodynamic data ("
                + ShortestText(data.TMin) + " K to " + ShortestText(data.TMax) + " K)");
    if (!std::isfinite(bar) || bar <= 0.0)
        return failed(result, "pressure " + ShortestText(bar) + " bar is not above 0");

    // Merge repeated names; a share of 0 takes no part.
    std::vector<FeedComponent> merged;
    for (const FeedComponent& component : feed) {
        if (!std::isfinite(component.Fraction) || component.Fraction < 0.0)
            return failed(result,
                "the fraction " + ShortestText(component.Fraction) + " of " + component.Name
                    + " is not a number of 0 or more");
        if (component.Fraction == 0.0)
            continue;
        auto same = std::find_if(merged.begin(), merged.end(),
            [&](const FeedComponent& known) { return known.Name == component.Name; });
        if (same == merged.end())
            merged.push_back(component);
        else
            same->Fraction += component.Fraction;
    }
    long double feedTotal = 0.0L;
    for (const FeedComponent& component : merged)
        feedTotal += component.Fraction;

    System system;
    system.feedTotal = feedTotal;
    std::vector<std::pair<const ThermoSpecies*, long double>> known;
    std::vector<std::pair<std::string, long double>> inert;
    for (const FeedComponent& component : merged) {
        const ThermoSpecies* species = data.find(component.Name);
        const long double share = component.Fraction / feedTotal;
        if (species)
            known.emplace_back(species, share);
        else
            inert.emplace_back(component.Name, share);
    }
    for (const auto& [name, share] : inert)
        result.Inert.push_back(name);
    if (merged.empty())
        return failed(result, "the gas holds no species of the thermodynamic data");
    if (known.empty()) {
        // Gases the data do not know stay as they are.
        for (const auto& [name, share] : inert)
            result.Species.push_back({ name, static_cast<double>(share) });
        result.Log10PO2 = -std::numeric_limits<double>::infinity();
        result.GasAmount = 1.0;
        result.Ok = true;
        return result;
    }

    // Elements in the order the data first name them, so results list them alike every time.
    for (const ThermoSpecies& species : data.Species)
        for (const auto& part : species.Composition) {
            const std::string& symbol = part.first;
            const bool fed = std::any_of(known.begin(), known.end(),
                [&](const auto& entry) { return entry.first->atoms(symbol) > 0.0; });
            if (fed
                && std::find(system.elements.begin(), system.elements.end(), symbol)
                    == system.elements.end())
                system.elements.push_back(symbol);
        }
    system.realElements = system.elements.size();
    for (const auto& [name, share] : inert)
        system.elements.push_back(name);
    system.E = system.elements.size();

    std::vector<const ThermoSpecies*> gases;
    std::vector<const ThermoSpecies*> used;
    const ThermoSpecies* graphite = nullptr;
    for (const ThermoSpecies& species : data.Species) {
        const bool covered = std::all_of(
            species.Composition.begin(), species.Composition.end(), [&](const auto& part) {
                return std::find(system.elements.begin(),
                           system.elements.begin() + static_cast<long>(system.realElements),
                           part.first)
                    != system.elements.begin() + static_cast<long>(system.realElements);
            });
        if (!covered)
            continue;
        if (!species.Condensed)
            gases.push_back(&species);
        else if (species.Composition.size() == 1 && species.Composition.front().first == "C")
            graphite = &species;
        else
            continue;
        used.push_back(&species);
    }
    system.gases = gases.size();
    system.J = gases.size() + inert.size();
    if (system.J == 0)
        return failed(result, "the feed is graphite alone, with no gas to balance");
    system.a.assign(system.E * system.J, 0.0L);
    system.c.assign(system.J, 0.0L);
    system.b.assign(system.E, 0.0L);
    const long double lnP = std::log(static_cast<long double>(bar));
    for (std::size_t j = 0; j < gases.size(); ++j) {
        system.species.push_back(gases[j]->Formula);
        system.c[j] = gases[j]->GibbsOverRT(kelvin) + lnP;
        for (std::size_t i = 0; i < system.realElements; ++i)
            system.a[i * system.J + j] = gases[j]->atoms(system.elements[i]);
    }
    for (std::size_t k = 0; k < inert.size(); ++k) {
        const std::size_t i = system.realElements + k;
        const std::size_t j = gases.size() + k;
        system.species.push_back(inert[k].first);
        system.c[j] = lnP;
        system.a[i * system.J + j] = 1.0L;
        system.b[i] = inert[k].second;
    }
    for (std::size_t i = 0; i < system.realElements; ++i) {
        for (const auto& [species, share] : known)
            system.b[i] += share * species->atoms(system.elements[i]);
        if (system.elements[i] == "C")
            system.carbon = static_cast<int>(i);
    }
    for (const FeedComponent& component : merged)
        if (const ThermoSpecies* species = data.find(component.Name)) {
            std::vector<Real> atoms(system.realElements);
            for (std::size_t i = 0; i < system.realElements; ++i)
                atoms[i] = species->atoms(system.elements[i]);
            system.fed.emplace_back(std::move(atoms), component.Fraction);
        }
    if (system.carbon >= 0 && graphite) {
        system.graphiteKnown = true;
        system.gGraphite = graphite->GibbsOverRT(kelvin);
        system.graphiteFed = std::any_of(
            known.begin(), known.end(), [&](const auto& entry) { return entry.first == graphite; });
    }

    system.index();
    Minimiser minimiser(system);
    std::string failure;
    if (!minimiser.solve(failure))
        return failed(result, failure);
    TracePolish polish(system, minimiser);
    result.PO2Resolved = polish.run();

    Real sum = 0.0L;
    for (std::size_t j = 0; j < system.J; ++j)
        sum += polish.x[j];
    const Real lnSum = std::log(sum);
    for (std::size_t j = 0; j < system.J; ++j)
        result.Species.push_back(
            { system.species[j], static_cast<double>(std::exp(polish.y[j] - lnSum)) });
    result.PO2 = result.fraction("O2") * bar;
    result.Log10PO2 = -std::numeric_limits<double>::infinity();
    for (std::size_t j = 0; j < gases.size(); ++j)
        if (gases[j]->Formula == "O2")
            // From the logarithm itself, which neither underflows nor loses digits at any P.
            result.Log10PO2 = static_cast<double>((polish.y[j] - lnSum + lnP) / std::log(10.0L));
    if (system.carbon >= 0 && system.graphiteKnown) {
        const auto c = static_cast<std::size_t>(system.carbon);
        result.Graphite = minimiser.graphite ? static_cast<double>(polish.graphite) : 0.0;
        result.GraphiteActivity = minimiser.graphite
            ? 1.0
            : static_cast<double>(std::exp(polish.pi[c] - system.gGraphite));
    }
    result.GasAmount = static_cast<double>(minimiser.t * sum);
    for (std::size_t i = 0; i < system.realElements; ++i)
        result.ElementPotentials.emplace_back(
            system.elements[i], static_cast<double>(polish.pi[i]));
    result.Iterations = minimiser.iterations + polish.iterations;
    result.Warnings = belowRangeNotes(used, kelvin);

    const bool finite = std::all_of(result.Species.begin(), result.Species.end(),
                            [](const SpeciesFraction& f) { return std::isfinite(f.Fraction); })
        && std::isfinite(result.Graphite) && std::isfinite(result.GasAmount);
    if (!finite)
        return failed(result, "the equilibrium gave a number out of range");
    result.Ok = true;
    return result;
}

} // namespace meldrix
