#include "report/qt/ReportPdf.h"

#include "common/qt/QPainterCanvas.h"
#include "report/ReportHtml.h"
#include "report/qt/OffscreenApplication.h"

#include <QBuffer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <cmath>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace meldrix {

namespace {

constexpr double LayoutDpi = 96.0; // the report is laid out in pixels of the window's size
constexpr int Gap = 6; // [px] between blocks
constexpr int CellPad = 4; // [px] inside table cells

QString latin1(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QFont textFont(int pixels, bool bold = false)
{
    QFont font(u"DejaVu Sans"_s);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

using Row = std::vector<QString>;

// Paints blocks one below the other, starting a new page where the next one does not fit.
class PageWriter {
public:
    PageWriter(QPagedPaintDevice& device, QPainter& painter)
        : m_device(device)
        , m_painter(painter)
    {
        const double scale = m_device.logicalDpiX() / LayoutDpi;
        m_painter.scale(scale, scale);
        m_width = m_device.width() / scale;
        m_height = m_device.height() / scale;
    }

    double width() const { return m_width; }

    void room(double height)
    {
        if (m_y > 0 && m_y + height > m_height) {
            m_device.newPage();
            m_y = 0;
            m_rowTop = -1;
            m_rowBottom = 0;
        }
    }

    void text(const QString& line, const QFont& font, QColor colour = Qt::black)
    {
        m_painter.setFont(font);
        const QRectF bounds = m_painter.boundingRect(
            QRectF(0, 0, m_width, 100000), Qt::TextWordWrap | Qt::AlignLeft, line);
        room(bounds.height());
        m_painter.setPen(colour);
        m_painter.drawText(
            QRectF(0, m_y, m_width, bounds.height() + 1), Qt::TextWordWrap | Qt::AlignLeft, line);
        m_y += bounds.height() + Gap / 2.0;
    }

    //! A heading kept on one page with the `next` pixels that follow it.
    void heading(const QString& title, double next = 40)
    {
        room(40 + next);
        m_y += Gap;
        text(title, textFont(15, true));
        m_painter.setPen(QPen(Qt::gray, 1));
        m_painter.drawLine(QPointF(0, m_y - Gap / 2.0), QPointF(m_width, m_y - Gap / 2.0));
    }

    // A table; numbers right-aligned. Columns too wide for the
    // page share it, and their texts are cut short with an ellipsis.
    void table(const Row& head, const std::vector<Row>& rows)
    {
        const QFont font = textFont(10);
        const QFont bold = textFont(10, true);
        std::vector<double> widths(head.size(), 0.0);
        for (std::size_t c = 0; c < head.size(); ++c) {
            widths[c] = QFontMetricsF(bold).horizontalAdvance(head[c]) + 2 * CellPad;
            for (const Row& row : rows)
                if (c < row.size())
                    widths[c] = std::max(
                        widths[c], QFontMetricsF(font).horizontalAdvance(row[c]) + 2 * CellPad);
        }
        double total = 0;
        for (const double w : widths)
            total += w;
        if (total > m_width)
            for (double& w : widths)
                w *= m_width / total;
        const double height = QFontMetricsF(font).height() + 2 * CellPad;
        const auto line = [&](const Row& cells, const QFont& face) {
            room(height);
            m_painter.setFont(face);
            double x = 0;
            for (std::size_t c = 0; c < widths.size(); ++c) {
                const QRectF box(x, m_y, widths[c], height);
                m_painter.setPen(QPen(QColor(170, 170, 170), 0.5));
                m_painter.drawRect(box);
                m_painter.setPen(Qt::black);
                const QString shown = c < cells.size() ? cells[c] : QString();
                const QRectF inside = box.adjusted(CellPad, 0, -CellPad, 0);
                const QString elided =
                    QFontMetricsF(face).elidedText(shown, Qt::ElideRight, inside.width());
                const bool number = c > 0 && !shown.isEmpty()
                    && (shown[0].isDigit() || (shown.size() > 1 && shown[0] == u'-'));
                m_painter.drawText(
                    inside, Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft), elided);
                x += widths[c];
            }
            m_y += height;
        };
        line(head, bold);
        for (const Row& row : rows)
            line(row, font);
        m_y += Gap;
    }

    // A drawing at its own size, or scaled down to what `maxWidth` leaves; placed beside the one
    // before when `beside` and it fits there.
    void drawing(
        const ReportDrawing& drawing, const QString& caption, double maxWidth, bool beside = false)
    {
        const double scale = std::min(1.0, maxWidth / std::max(drawing.Area.width, 1));
        const double w = drawing.Area.width * scale;
        const double h = drawing.Area.height * scale;
        const double captionHeight = QFontMetricsF(textFont(9)).height() * 2 + 2;
        if (beside && m_rowTop >= 0 && m_rowX + w <= m_width) {
            m_y = m_rowTop;
        } else {
            m_y = std::max(m_y, m_rowBottom);
            m_rowBottom = 0;
            room(h + captionHeight);
            m_rowX = 0;
            m_rowTop = m_y;
        }
        m_painter.save();
        m_painter.translate(m_rowX, m_y);
        m_painter.scale(scale, scale);
        m_painter.setClipRect(QRectF(0, 0, drawing.Area.width, drawing.Area.height));
        m_painter.setFont(windowFont());
        m_painter.setRenderHint(QPainter::Antialiasing, false);
        {
            QPainterCanvas canvas(m_painter);
            drawing.Draw(canvas);
        }
        m_painter.restore();
        m_painter.setFont(textFont(9));
        m_painter.setPen(QColor(51, 51, 51));
        m_painter.drawText(QRectF(m_rowX, m_y + h + 2, w, captionHeight),
            Qt::TextWordWrap | Qt::AlignLeft, caption);
        m_rowBottom = std::max(m_rowBottom, m_y + h + captionHeight + Gap);
        m_rowX += w + 2 * Gap;
        m_y = m_rowBottom;
    }

    // Ends a row of drawings placed side by side.
    void endRow()
    {
        m_rowTop = -1;
        m_rowBottom = 0;
    }

    //! The height a drawing takes when scaled to `maxWidth`.
    static double scaledHeight(const ReportDrawing& drawing, double maxWidth)
    {
        return drawing.Area.height * std::min(1.0, maxWidth / std::max(drawing.Area.width, 1));
    }

private:
    QPagedPaintDevice& m_device;
    QPainter& m_painter;
    double m_width = 0;
    double m_height = 0;
    double m_y = 0;
    double m_rowX = 0;
    double m_rowTop = -1;
    double m_rowBottom = 0;
};

QString number(double value)
{
    return latin1(ReportNumber(value));
}

QString withUncertainty(const QString& value, double u)
{
    return std::isfinite(u) ? value + u" \u00B1 "_s + latin1(ReportDeviation(u)) : value;
}

QString cellHeading(int cell, const std::string& name)
{
    return u"OC %1; "_s.arg(cell) + latin1(name);
}

void results(const RunReport& report, PageWriter& page)
{
    page.heading(u"Gas of the cells"_s);
    if (report.Cells.empty()) {
        page.text(u"No cell is fed by a mixture."_s, textFont(11));
        return;
    }
    const auto* u = report.Uncertainties ? &*report.Uncertainties : nullptr;
    Row head { u"Gas"_s };
    Row mix { u"Mixture"_s }, temp { u"Temperature [\u00B0C]"_s }, bar { u"Pressure [bar]"_s };
    for (const ReportCell& cell : report.Cells) {
        head.push_back(cellHeading(cell.Cell, cell.Name));
        mix.push_back(u"M%1"_s.arg(cell.Mix));
        temp.push_back(number(cell.Celsius));
        bar.push_back(number(cell.Bar));
    }
    std::vector<Row> rows { mix, temp, bar };
    for (std::size_t k = 0; k < report.GasList.size(); ++k) {
        Row row { latin1(report.GasList[k]) };
        for (const ReportCell& cell : report.Cells) {
            const double uk =
                u && k < u->Fractions[cell.Cell].size() ? u->Fractions[cell.Cell][k] : NAN;
            row.push_back(withUncertainty(number(cell.Fractions[k]), uk));
        }
        rows.push_back(row);
    }
    page.table(head, rows);
    page.text(u"Mole fractions as delivered, leakages included."_s
            + (u ? u" "_s + latin1(ReportUncertaintyNote(*u)) : QString()),
        textFont(9));
}

void equilibria(const RunReport& report, PageWriter& page)
{
    if (report.Equilibria.empty())
        return;
    const auto* u = report.Uncertainties ? &*report.Uncertainties : nullptr;
    page.heading(u"Equilibrium at each cell's temperature"_s);
    Row head { u"Species"_s };
    Row pO2 { u"log10 pO2 [bar]"_s }, graphite { u"Graphite [mol per mol fed]"_s };
    for (const ReportEquilibrium& row : report.Equilibria) {
        head.push_back(cellHeading(row.Cell, row.Name));
        const GibbsResult& r = row.Result;
        pO2.push_back(!r.Ok ? u"-"_s
                : std::isfinite(r.Log10PO2)
                ? withUncertainty(latin1(ReportLog10(r.Log10PO2)), u ? u->Log10PO2[row.Cell] : NAN)
                : u"no oxygen"_s);
        graphite.push_back(r.Ok ? number(r.Graphite) : u"-"_s);
    }
    std::vector<Row> rows { pO2 };
    if (HasPO2Bands(report)) {
        Row bands { latin1(ReportBandHeading) };
        for (const ReportEquilibrium& row : report.Equilibria) {
            const auto& band = u->Log10PO2Band[row.Cell];
            bands.push_back(row.Result.Ok && band ? latin1(ReportBand(*band)) : u"-"_s);
        }
        rows.push_back(bands);
    }
    rows.push_back(graphite);
    for (const std::string& species : report.EquilibriumSpecies) {
        Row line { latin1(species) };
        for (const ReportEquilibrium& row : report.Equilibria)
            line.push_back(row.Result.Ok ? number(row.Result.fraction(species)) : u"-"_s);
        rows.push_back(line);
    }
    page.table(head, rows);
}

} // namespace

void PaintReport(const RunReport& report, QPagedPaintDevice& device)
{
    QPainter painter(&device);
    PageWriter page(device, painter);
    page.text(u"Meldrix run report: "_s + latin1(report.DataSet), textFont(18, true));
    if (!report.RunOk)
        page.text(u"The run stopped with an error: "_s + latin1(report.RunError)
                + u" No results are shown; the inputs follow."_s,
            textFont(12, true), QColor(128, 0, 0));
    page.table({ u"Data set"_s, latin1(report.DataSet) },
        { { u"Folder"_s, latin1(report.Folder) }, { u"Date and time"_s, latin1(report.Generated) },
            { u"Meldrix version"_s, latin1(report.Version) } });

    page.heading(u"Input gases"_s);
    for (const std::string& gas : report.InputGases)
        page.text(latin1(gas), textFont(10));
    page.heading(u"Readings and flows"_s);
    std::vector<Row> stages;
    for (const ReportStage& stage : report.Stages)
        stages.push_back({ QString::number(stage.Stage), latin1(stage.Meter), latin1(stage.Source),
            u"M%1"_s.arg(stage.Output), number(stage.Reading), number(stage.Flow),
            latin1(stage.FixGas) });
    page.table({ u"Stage"_s, u"Meter"_s, u"Source"_s, u"Mixture"_s, u"Reading"_s, u"Flow"_s,
                   u"Fix-gas stage"_s },
        stages);

    if (report.Diagram) {
        page.heading(u"Mixer diagram"_s, PageWriter::scaledHeight(*report.Diagram, page.width()));
        page.drawing(*report.Diagram, latin1(report.Diagram->Title), page.width());
        page.endRow();
    }
    if (report.RunOk) {
        results(report, page);
        equilibria(report, page);
    }
    if (report.PO2Chart) {
        page.heading(u"log10 pO2 against temperature"_s,
            PageWriter::scaledHeight(*report.PO2Chart, page.width()));
        page.drawing(*report.PO2Chart, latin1(report.PO2Chart->Caption), page.width());
        page.endRow();
    }
    if (!report.Curves.empty()) {
        page.heading(u"Calibration curves in use"_s,
            PageWriter::scaledHeight(report.Curves.front().Chart, page.width()));
        for (const ReportCurve& curve : report.Curves)
            page.drawing(curve.Chart,
                u"Stage %1, "_s.arg(curve.Stage) + latin1(curve.Gas) + u": reading "_s
                    + number(curve.Reading) + u" gives flow "_s + number(curve.Flow),
                page.width(), true);
        page.endRow();
    }
    page.heading(u"Messages and warnings"_s);
    if (!report.RunOk)
        page.text(latin1(report.RunError), textFont(10));
    for (const std::string& message : report.Messages)
        page.text(u"\u2022 "_s + latin1(message), textFont(10));
    if (report.RunOk && report.Messages.empty())
        page.text(u"None."_s, textFont(10));
}

namespace {

std::optional<std::string> writePdf(
    const RunReport& report, const std::string& path, ReportPaper paper)
{
    const QString target = QString::fromLocal8Bit(path.data(), static_cast<qsizetype>(path.size()));
    const QFileInfo info(target);
    if (info.exists() && !info.isFile())
        return "not a regular file";

    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setPageLayout(
            QPageLayout(QPageSize(paper == ReportPaper::Letter ? QPageSize::Letter : QPageSize::A4),
                QPageLayout::Portrait, QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
        writer.setResolution(300);
        writer.setTitle(u"Meldrix run report: "_s + latin1(report.DataSet));
        writer.setCreator(u"Meldrix "_s + latin1(report.Version));
        PaintReport(report, writer);
    }
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return file.errorString().toStdString();
    return std::nullopt;
}

} // namespace

std::optional<std::string> WriteReportPdf(
    const RunReport& report, const std::string& path, ReportPaper paper)
{
    // A PDF needs no display: without an application of its own the tool starts one offscreen.
    return WithApplication([&] { return writePdf(report, path, paper); });
}

} // namespace meldrix
