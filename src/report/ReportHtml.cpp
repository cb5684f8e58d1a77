#include "report/ReportHtml.h"

#include "common/SvgCanvas.h"
#include "report/ReportTables.h"

#include <array>
#include <cmath>

namespace meldrix {

namespace {

constexpr std::string_view Style = R"(
body { font-family: "DejaVu Sans", sans-serif; font-size: 10pt; margin: 1.5em; color: #000; }
h1 { font-size: 16pt; margin: 0 0 0.4em 0; }
h2 { font-size: 12pt; margin: 1.2em 0 0.4em 0; border-bottom: 1px solid #888; }
table { border-collapse: collapse; margin: 0.3em 0; }
th, td { border: 1px solid #aaa; padding: 2px 6px; text-align: left; vertical-align: top; }
td.n { text-align: right; font-variant-numeric: tabular-nums; white-space: nowrap; }
table.title th { background: #eee; }
.stopped { border: 2px solid #800000; background: #fbe9e9; color: #800000; padding: 0.5em;
  font-weight: bold; }
figure { margin: 0.5em 0; break-inside: avoid; page-break-inside: avoid; display: inline-block;
  vertical-align: top; }
figcaption { font-size: 9pt; color: #333; }
svg { max-width: 100%; height: auto; }
.curves figure { margin-right: 1em; }
ul.messages li { margin: 0.2em 0; }
@page { margin: 15mm; }
@media print { body { margin: 0; } h2 { break-after: avoid; page-break-after: avoid; } }
)";

// UTF-8 text as escaped HTML character data.
std::string text(std::string_view utf8)
{
    return xmlEscaped(utf8);
}

void table(const ReportTable& table, std::string_view name, std::string& html)
{
    html += "<table class=\"" + std::string(name) + "\">\n<tr>";
    for (const std::string& heading : table.Head)
        html += "<th>" + text(heading) + "</th>";
    html += "</tr>\n";
    for (const auto& row : table.Rows) {
        html += "<tr>";
        for (std::size_t c = 0; c < row.size(); ++c)
            html += (c < table.Numeric.size() && table.Numeric[c] ? "<td class=\"n\">" : "<td>")
                + text(row[c]) + "</td>";
        html += "</tr>\n";
    }
    html += "</table>\n";
}

std::string picture(const ReportDrawing& drawing, int id)
{
    SvgCanvas canvas(drawing.Area);
    canvas.setIdPrefix("p" + std::to_string(id) + "clip");
    drawing.Draw(canvas);
    return "<figure>" + canvas.element() + "<figcaption>"
        + text(drawing.Caption.empty() ? drawing.Title : drawing.Caption)
        + "</figcaption></figure>\n";
}

void list(const std::vector<std::string>& items, std::string& html)
{
    html += "<ul class=\"messages\">\n";
    for (const std::string& item : items)
        html += "<li>" + text(item) + "</li>\n";
    html += "</ul>\n";
}

void titleBlock(const RunReport& report, std::string& html)
{
    html += "<h1>Meldrix run report: " + text(report.DataSet) + "</h1>\n";
    if (!report.RunOk)
        html += "<p class=\"stopped\">The run stopped with an error: " + text(report.RunError)
            + " No results are shown; the inputs follow.</p>\n";
    html += "<table class=\"title\">\n";
    for (const ReportFact& fact : report.Provenance)
        html += "<tr><th>" + text(fact.Name) + "</th><td>" + text(fact.Value) + "</td></tr>\n";
    html += "</table>\n";
}

void inputs(const RunReport& report, std::string& html)
{
    html += "<h2>Input gases</h2>\n<ul>\n";
    for (const std::string& gas : report.InputGases)
        html += "<li>" + text(gas) + "</li>\n";
    html += "</ul>\n<h2>Readings and flows</h2>\n";
    if (report.Stages.empty())
        html += "<p>No stage is connected.</p>\n";
    else
        table(StagesTable(report), "stages", html);
    html += "<h2>Output cells</h2>\n";
    if (report.Cells.empty()) {
        html += "<p>No cell is fed by a mixture.</p>\n";
        return;
    }
    table(CellsTable(report), "cells", html);
    html += "<p>Leakages are added to the fractions of their gases before the cell's gas is "
            "normalised.</p>\n";
}

void results(const RunReport& report, std::string& html)
{
    if (report.Cells.empty())
        return;
    html += "<h2>Gas of the cells</h2>\n";
    table(CellGasTable(report), "gas", html);
    html += "<p>Mole fractions as delivered, leakages included.";
    if (report.Uncertainties)
        html += " " + text(ReportUncertaintyNote(*report.Uncertainties));
    html += "</p>\n";
}

void equilibria(const RunReport& report, std::string& html)
{
    if (report.Equilibria.empty())
        return;
    html += "<h2>Equilibrium at each cell's temperature</h2>\n";
    table(EquilibriumTable(report), "equilibrium", html);
    html += "<p>" + text(EquilibriumNote(report)) + "</p>\n";
}

} // namespace

std::string ReportHtml(const RunReport& report)
{
    std::string html = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<title>Meldrix run report: "
        + text(report.DataSet) + "</title>\n<style>" + std::string(Style)
        + "</style>\n</head>\n<body>\n";
    titleBlock(report, html);
    inputs(report, html);
    int id = 0;
    if (report.Diagram) {
        html += "<h2>Mixer diagram</h2>\n";
        html += picture(*report.Diagram, ++id);
    }
    if (report.RunOk) {
        results(report, html);
        equilibria(report, html);
    }
    if (report.PO2Chart) {
        html += "<h2>log10 pO2 against temperature</h2>\n";
        html += picture(*report.PO2Chart, ++id);
    }
    if (!report.Maps.empty()) {
        html += "<h2>Operating maps</h2>\n";
        for (const ReportDrawing& map : report.Maps)
            html += picture(map, ++id);
    }
    if (!report.Curves.empty()) {
        html += "<h2>Calibration curves in use</h2>\n<div class=\"curves\">\n";
        for (const ReportCurve& curve : report.Curves)
            html += picture(curve.Chart, ++id);
        html += "</div>\n";
    }
    if (!report.Notes.empty()) {
        html += "<h2>Notes</h2>\n";
        list(report.Notes, html);
    }
    html += "<h2>Messages and warnings</h2>\n";
    if (report.Messages.empty() && report.RunOk) {
        html += "<p>None.</p>\n";
    } else {
        std::vector<std::string> messages;
        if (!report.RunOk)
            messages.push_back(report.RunError);
        messages.insert(messages.end(), report.Messages.begin(), report.Messages.end());
        list(messages, html);
    }
    html += "</body>\n</html>\n";
    return html;
}

} // namespace meldrix
