#include "report/ReportHtml.h"

#include "common/Latin1.h"
#include "common/SvgCanvas.h"
#include "common/TextFormat.h"

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

std::string significant(double value, int digits)
{
    if (!std::isfinite(value))
        return "-";
    return formatSignificant(value, digits);
}

// Latin-1 text as escaped HTML character data.
std::string text(std::string_view latin1)
{
    return xmlText(latin1);
}

std::string cellHeading(int cell, const std::string& name)
{
    return text("OC " + formatInt(cell) + "; " + name);
}

std::string numberCell(const std::string& shown)
{
    return "<td class=\"n\">" + shown + "</td>";
}

std::string withUncertainty(const std::string& value, double u)
{
    if (!std::isfinite(u))
        return value;
    return value + " \u00B1 " + ReportDeviation(u);
}

std::string picture(const ReportDrawing& drawing, int id, std::string_view caption = {})
{
    SvgCanvas canvas(drawing.Area);
    canvas.setIdPrefix("p" + std::to_string(id) + "clip");
    drawing.Draw(canvas);
    return "<figure>" + canvas.element() + "<figcaption>"
        + text(caption.empty() ? drawing.Title : caption) + "</figcaption></figure>\n";
}

void titleBlock(const RunReport& report, std::string& html)
{
    html += "<h1>Meldrix run report: " + text(report.DataSet) + "</h1>\n";
    if (!report.RunOk)
        html += "<p class=\"stopped\">The run stopped with an error: " + text(report.RunError)
            + " No results are shown; the inputs follow.</p>\n";
    html += "<table class=\"title\">\n<tr><th>Data set</th><td>" + text(report.DataSet)
        + "</td></tr>\n<tr><th>Folder</th><td>" + text(report.Folder)
        + "</td></tr>\n<tr><th>Date and time</th><td>" + text(report.Generated)
        + "</td></tr>\n<tr><th>Meldrix version</th><td>" + text(report.Version)
        + "</td></tr>\n<tr><th>Flow model</th><td>" + text(report.FlowModel)
        + "</td></tr>\n</table>\n";
}

void inputs(const RunReport& report, std::string& html)
{
    html += "<h2>Input gases</h2>\n<ul>\n";
    for (const std::string& gas : report.InputGases)
        html += "<li>" + text(gas) + "</li>\n";
    html += "</ul>\n<h2>Readings and flows</h2>\n";
    if (report.Stages.empty()) {
        html += "<p>No stage is connected.</p>\n";
        return;
    }
    html += "<table class=\"stages\">\n<tr><th>Stage</th><th>Meter</th><th>Source</th>"
            "<th>Mixture</th><th>Reading</th><th>Flow"
        + (report.FlowUnit.empty() ? std::string() : " [" + text(report.FlowUnit) + "]")
        + "</th><th>Fix-gas stage</th></tr>\n";
    for (const ReportStage& stage : report.Stages)
        html += "<tr>" + numberCell(std::to_string(stage.Stage)) + "<td>" + text(stage.Meter)
            + "</td><td>" + text(stage.Source) + "</td><td>M" + std::to_string(stage.Output)
            + "</td>" + numberCell(ReportNumber(stage.Reading))
            + numberCell(std::isfinite(stage.Flow) ? ReportNumber(stage.Flow) : "&#8211;") + "<td>"
            + text(stage.FixGas) + "</td></tr>\n";
    html += "</table>\n";
}

void results(const RunReport& report, std::string& html)
{
    html += "<h2>Gas of the cells</h2>\n";
    if (report.Cells.empty()) {
        html += "<p>No cell is fed by a mixture.</p>\n";
        return;
    }
    const auto* u = report.Uncertainties ? &*report.Uncertainties : nullptr;
    html += "<table class=\"cells\">\n<tr><th>Gas</th>";
    for (const ReportCell& cell : report.Cells)
        html += "<th>" + cellHeading(cell.Cell, cell.Name) + "</th>";
    html += "</tr>\n<tr><td>Mixture</td>";
    for (const ReportCell& cell : report.Cells)
        html += numberCell("M" + std::to_string(cell.Mix));
    html += "</tr>\n<tr><td>Temperature [&#176;C]</td>";
    for (const ReportCell& cell : report.Cells)
        html += numberCell(ReportNumber(cell.Celsius));
    html += "</tr>\n<tr><td>Pressure [bar]</td>";
    for (const ReportCell& cell : report.Cells)
        html += numberCell(ReportNumber(cell.Bar));
    html += "</tr>\n";
    for (std::size_t k = 0; k < report.GasList.size(); ++k) {
        html += "<tr><td>" + text(report.GasList[k]) + "</td>";
        for (const ReportCell& cell : report.Cells) {
            const std::vector<double>* spread = u ? &u->Fractions[cell.Cell] : nullptr;
            const double uk = spread && k < spread->size() ? (*spread)[k] : NAN;
            html += numberCell(withUncertainty(ReportNumber(cell.Fractions[k]), uk));
        }
        html += "</tr>\n";
    }
    html += "</table>\n<p>Mole fractions as delivered, leakages included.";
    if (u)
        html += " " + text(ReportUncertaintyNote(*u));
    html += "</p>\n";
}

void equilibria(const RunReport& report, std::string& html)
{
    if (report.Equilibria.empty())
        return;
    const auto* u = report.Uncertainties ? &*report.Uncertainties : nullptr;
    html += "<h2>Equilibrium at each cell's temperature</h2>\n<table class=\"equilibrium\">\n"
            "<tr><th>Species</th>";
    for (const ReportEquilibrium& row : report.Equilibria)
        html += "<th>" + cellHeading(row.Cell, row.Name) + "</th>";
    html += "</tr>\n";
    const auto line = [&](const std::string& heading, auto shown) {
        html += "<tr><td>" + heading + "</td>";
        for (const ReportEquilibrium& row : report.Equilibria)
            html += row.Result.Ok ? numberCell(shown(row)) : "<td>&#8211;</td>";
        html += "</tr>\n";
    };
    line("log10 pO2 [bar]", [&](const ReportEquilibrium& row) {
        if (!std::isfinite(row.Result.Log10PO2))
            return std::string("no oxygen");
        return withUncertainty(ReportLog10(row.Result.Log10PO2), u ? u->Log10PO2[row.Cell] : NAN);
    });
    if (HasPO2Bands(report))
        line(std::string(ReportBandHeading), [&](const ReportEquilibrium& row) {
            const auto& band = u->Log10PO2Band[row.Cell];
            return band ? ReportBand(*band) : std::string("&#8211;");
        });
    line("Graphite [mol per mol fed]",
        [](const ReportEquilibrium& row) { return ReportNumber(row.Result.Graphite); });
    for (const std::string& species : report.EquilibriumSpecies)
        line(text(species), [&species](const ReportEquilibrium& row) {
            return ReportNumber(row.Result.fraction(species));
        });
    html += "</table>\n<p>Main species: mole fractions of at least 1e-6 in some cell.";
    for (const ReportEquilibrium& row : report.Equilibria)
        if (!row.Result.Ok)
            html += " " + cellHeading(row.Cell, row.Name) + ": " + text(row.Result.Message) + ".";
    html += "</p>\n";
}

} // namespace

std::string ReportNumber(double value)
{
    return significant(value, 7);
}

std::string ReportDeviation(double value)
{
    return significant(value, 3);
}

std::string ReportLog10(double value)
{
    return std::string(trimBlanks(formatFixed(value, 0, 4)));
}

std::string ReportUncertaintyNote(const ReportUncertainties& uncertainties)
{
    return "Uncertainties: " + uncertainties.Method + ".";
}

std::string ReportBand(const std::array<double, 2>& band)
{
    return ReportLog10(band[0]) + " to " + ReportLog10(band[1]);
}

bool HasPO2Bands(const RunReport& report)
{
    if (!report.Uncertainties)
        return false;
    for (const ReportEquilibrium& row : report.Equilibria)
        if (row.Result.Ok && report.Uncertainties->Log10PO2Band[row.Cell])
            return true;
    return false;
}

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
        html += picture(*report.PO2Chart, ++id, report.PO2Chart->Caption);
    }
    if (!report.Curves.empty()) {
        html += "<h2>Calibration curves in use</h2>\n<div class=\"curves\">\n";
        for (const ReportCurve& curve : report.Curves)
            html += picture(curve.Chart, ++id,
                "Stage " + formatInt(curve.Stage) + ", " + curve.Gas + ": reading "
                    + ReportNumber(curve.Reading) + " gives flow " + ReportNumber(curve.Flow));
        html += "</div>\n";
    }
    html += "<h2>Messages and warnings</h2>\n";
    if (report.Messages.empty() && report.RunOk) {
        html += "<p>None.</p>\n";
    } else {
        html += "<ul class=\"messages\">\n";
        if (!report.RunOk)
            html += "<li>" + text(report.RunError) + "</li>\n";
        for (const std::string& message : report.Messages)
            html += "<li>" + text(message) + "</li>\n";
        html += "</ul>\n";
    }
    html += "</body>\n</html>\n";
    return html;
}

} // namespace meldrix
