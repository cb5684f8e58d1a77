#pragma once

#include "report/RunReport.h"

#include <string>
#include <vector>

namespace meldrix {

//! A table of the report as both its faces (the HTML page and the PDF) set it: a heading row, then
//! rows whose first cell names the row. All texts are UTF-8 as shown, nothing escaped.
struct ReportTable {
    std::vector<std::string> Head;
    std::vector<std::vector<std::string>> Rows;
    std::vector<bool> Numeric; //!< per column: right-aligned figures
};

//! What a cell of a table holds when there is nothing to show: an en dash.
inline constexpr const char* ReportNothing = "\u2013";

//! The stages: number, meter, source, mixture, reading, flow and fix-gas stage.
ReportTable StagesTable(const RunReport& report);

//! The fed cells as they are set: mixture, temperature, pressure and the four leakages.
ReportTable CellsTable(const RunReport& report);

//! The gas each fed cell receives, one row per gas of the gas list, with the deviations of an
//! uncertainty run where the report has them.
ReportTable CellGasTable(const RunReport& report);

//! Each fed cell's equilibrium at its temperature: log10 pO2 (its band after an uncertainty run
//! by Monte Carlo), graphite and the main species.
ReportTable EquilibriumTable(const RunReport& report);

//! The sentence under the cells' gas that says what the "±" values are.
std::string ReportUncertaintyNote(const ReportUncertainties& uncertainties);

} // namespace meldrix
