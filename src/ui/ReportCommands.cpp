#include "report/ReportDate.h"
#include "report/ReportHtml.h"
#include "report/qt/ReportPdf.h"
#include "ui/TForm1.h"
#include "ui/Text.h"
#include "ui/UncertaintyRun.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>

using namespace Qt::Literals::StringLiterals;

// The report of a run: File › Export report… and File › Print….

namespace meldrix {

namespace {

const QString HtmlFilter = u"HTML pages (*.html)"_s;
const QString PdfFilter = u"PDF documents (*.pdf)"_s;

// A report of the data set as it stands, run on a copy: the window's own state stays as it is.
// `uncertainty` is the operator's last uncertainty run, when it was made of that same state.
RunReport reportOfWindow(const Rig& rig, const UncertaintyResult* uncertainty)
{
    ReportInputs inputs;
    inputs.Generated = ReportDateTime();
    inputs.Version = "0.301";
    if (uncertainty)
        AddUncertainties(inputs, *uncertainty);
    return BuildRunReport(rig, std::move(inputs));
}

} // namespace

const UncertaintyResult* TForm1::currentUncertainty() const
{
    // An uncertainty run is of the rig as the last Execute left it; a change taken since, or a
    // new setting, makes it another rig's.
    if (!m_uncertainty->Current || !m_uncertainty->Result || !m_rig->ResultsCurrent)
        return nullptr;
    return &*m_uncertainty->Result;
}

std::optional<QString> TForm1::exportReport(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"pdf"_s) {
        if (const auto failed = WriteReportPdf(
                reportOfWindow(*m_rig, currentUncertainty()), path.toStdString(), ReportPaper::A4))
            return QString::fromStdString(*failed);
        return std::nullopt;
    }
    if (suffix == u"html"_s || suffix == u"htm"_s) {
        const std::string html = ReportHtml(reportOfWindow(*m_rig, currentUncertainty()));
        return writeWhole(path, QByteArray(html.data(), static_cast<qsizetype>(html.size())));
    }
    return u"the name must end in .html or .pdf"_s;
}

void TForm1::ExportReport1Click()
{
    exportThroughDialog(
        u"report"_s, HtmlFilter, u"html"_s, PdfFilter, u"pdf"_s, &TForm1::exportReport);
}

void TForm1::Print1Click()
{
    guarded([this] {
        QPrinter printer(QPrinter::HighResolution);
        printer.setPageOrientation(QPageLayout::Portrait);
        printer.setDocName(u"Meldrix run report"_s);
        QPrintDialog dialog(&printer, this);
        dialog.setObjectName(u"PrintDialog1"_s);
        if (dialog.exec() != QDialog::Accepted)
            return;
        PaintReport(reportOfWindow(*m_rig, currentUncertainty()), printer);
        ShowMessage(*m_rig, "Report sent to the printer.");
    });
}

} // namespace meldrix
