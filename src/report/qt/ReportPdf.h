#pragma once

#include "report/RunReport.h"

#include <optional>
#include <string>

class QPagedPaintDevice;

namespace meldrix {

enum class ReportPaper { A4, Letter };

//! Lays the report out on the pages of `device` (a PDF writer or a printer), portrait, its
//! drawings painted by the same drawing code as the window's, scaled down where a page is too
//! narrow for them.
void PaintReport(const RunReport& report, QPagedPaintDevice& device);

//! The report as a PDF file at `path`, written whole or not at all; the reason when it could not
//! be written. Without a running application one is started on the offscreen platform, so no
//! display is needed.
std::optional<std::string> WriteReportPdf(
    const RunReport& report, const std::string& path, ReportPaper paper);

} // namespace meldrix
