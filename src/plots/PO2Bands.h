#pragma once

#include "chart/TVistrel.h"
#include "uncertainty/Uncertainty.h"

#include <optional>
#include <utility>

namespace meldrix {

//! The band of a cell's log10 pO2 that holds 95 % of its answers [log10 bar]: the 2.5 % and
//! 97.5 % quantiles of a Monte Carlo run, or value ∓ 1.96 sd of a linear one (the same band for a
//! normal answer). nullopt without a pO2 or a finite spread.
std::optional<std::pair<double, double>> PO2Band(const CellUncertainty& cell);

//! Adds to the pO2 chart (as ShowPO2Chart left it) each cell's band at its temperature, in the
//! cell's colour: a bar from the 2.5 % to the 97.5 % value with short caps (none at a bottom of
//! minus infinity, samples without oxygen: the bar runs open to the chart's bottom), and a wider
//! tick at the value. The vertical range grows to take every band in whole decades; cells outside
//! the chart's temperatures draw nothing. Asks for a repaint; returns the number of bands drawn.
int DrawPO2Bands(TVistrel& chart, const UncertaintyResult& result);

} // namespace meldrix
