#pragma once

#include "cli/Commands.h"
#include "cli/TextColumns.h"
#include "common/Canvas.h"
#include "common/SvgCanvas.h"
#include "rig/Rig.h"

#include <functional>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

namespace meldrix::cli {

//! The gas delivered to the cells as CSV (RFC 4180, text fields as csvField writes them): a header
//! row "Gas" and one "OC c; Name" per cell, then one row per gas of the gas list with the cells'
//! fractions in 17 significant digits, an empty field for a cell that no mixture feeds. With
//! `logDisplay` the base-10 logarithms as the window's Lin/log toggle shows them, under
//! "Gas (log10 of fraction)", an empty field where a fraction has none.
std::string CellGasCsv(const Rig& rig, bool logDisplay = false);

//! A picture of `size` pixels drawn by `draw`, shown `scale` times larger, as the bytes of a PNG
//! file; nothing when it could not be encoded. Empty where the tool was built without Qt.
using PngEncoder = std::function<std::optional<std::string>(
    Size size, const std::function<void(Canvas&)>& draw, int scale)>;

//! Where a picture goes: `outPath` ending in .svg or .png (any case), or "-" for SVG on standard
//! output.
struct PictureOut {
    std::string path;
    PngEncoder png;
};

enum class PictureFormat { Svg, Png };

//! The kind of picture `picture.path` asks for, or nothing after one usage line on `err` naming
//! `command`.
std::optional<PictureFormat> pictureFormat(
    const PictureOut& picture, std::string_view command, std::ostream& err);

//! Writes `content` to `path` ("-": to `out`) through a temporary file renamed over the target,
//! so a failed write leaves no half-written picture; the reason on `err` when it fails.
bool writeOutput(
    const std::string& path, std::string_view content, std::ostream& out, std::ostream& err);

//! The picture as SVG or PNG, `scale` times its size, written whole or not at all; the reason on
//! `err` when it is not.
template <typename Picture>
bool writePicture(const PictureOut& target, PictureFormat format, Picture& picture, int scale,
    std::ostream& out, std::ostream& err)
{
    const Size size = picture.PictureSize();
    if (format == PictureFormat::Svg) {
        SvgCanvas canvas(size);
        canvas.setDisplaySize({ size.width * scale, size.height * scale });
        picture.Draw(canvas);
        return writeOutput(target.path, canvas.document(), out, err);
    }
    const auto png = target.png(
        size, [&picture](Canvas& canvas) { picture.Draw(canvas); }, scale);
    if (!png) {
        err << Prefix << "cannot write '" << target.path << "': the picture could not be encoded\n";
        return false;
    }
    return writeOutput(target.path, *png, out, err);
}

//! What `diagram` draws: the data set after Execute with the given readings, or as loaded.
struct DiagramRequest {
    std::string base;
    PictureOut out;
    std::span<const std::string> readings;
    bool execute = true;
    std::optional<FlowModelKind> model; //!< instead of the data set's
};

//! `diagram BASE --out FILE.svg|FILE.png [--reading N=VALUE]... [--no-execute]`: the mixer
//! diagram as the window exports it: cropped to the drawing, under a title line with the data set
//! and the date (ReportDateTime). Exit 0 when written, 1 when the run stopped with an error or the
//! file cannot be written, 2 on a bad reading, an --out of another kind or when no file of the
//! data set could be read. Nothing is written unless the picture is complete.
int runDiagram(const DiagramRequest& request, std::ostream& out, std::ostream& err);

//! `chart BASE --curve N --out FILE.svg|FILE.png [--flow-model M]`: calibration curve N (1..1000)
//! of the data set drawn as the window's calibration chart in the data set's (or `model`'s) flow
//! model, CalChartExportScale times its size. Exit 0 when written, 1 when the file cannot be
//! written, 2 on an --out of another kind or when no file of the data set could be read.
int runChart(const std::string& base, int curve, const PictureOut& picture, std::ostream& out,
    std::ostream& err, std::optional<FlowModelKind> model = std::nullopt);

//! The extension of a path's file name in lower case, without its dot; empty when it has none.
std::string lowerExtension(const std::string& path);

} // namespace meldrix::cli
