#include "report/qt/ReportPdf.h"

#include "common/qt/QPainterCanvas.h"
#include "report/ReportDate.h"
#include "report/ReportHtml.h"
#include "report/ReportTables.h"
#include "report/qt/OffscreenApplication.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QHashSeed>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTimeZone>
#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace meldrix {

namespace {

constexpr double LayoutDpi = 96.0; // the report is laid out in pixels of the window's size
constexpr int Gap = 6; // [px] between blocks
constexpr int CellPad = 4; // [px] inside table cells
constexpr double HeaderHeight = 22; // [px] of the running header above each page's content
constexpr double FooterHeight = 18; // [px] of the page number below it
const QColor Grey(90, 90, 90);
const QColor Rule(170, 170, 170);

QString utf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QFont textFont(int pixels, bool bold = false)
{
    QFont font(u"DejaVu Sans"_s);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    font.setBold(bold);
    // No ligatures: text copied or extracted from the PDF reads "flow", never "\uFB02ow".
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

// Words wrap at blanks; a word wider than the room (a long folder name) wraps anywhere, so no
// text is ever cut.
int wrapFlags(const QFontMetricsF& metrics, const QString& text, double width)
{
    for (const QString& word : text.split(u' '))
        if (metrics.horizontalAdvance(word) > width)
            return Qt::TextWrapAnywhere;
    return Qt::TextWordWrap;
}

double wrappedHeight(const QFont& font, const QString& text, double width)
{
    const QFontMetricsF metrics(font);
    return metrics
        .boundingRect(
            QRectF(0, 0, width, 1e6), wrapFlags(metrics, text, width) | Qt::AlignLeft, text)
        .height();
}

using Paint = std::function<void(QPainter&)>;

// Lays blocks out one below the other on pages of the content area, starting a new page where the
// next one does not fit; each page keeps what it paints, so the pages are painted once their
// number is known.
class PageLayout {
public:
    PageLayout(double width, double height)
        : m_width(width)
        , m_height(height)
        , m_pages(1)
    {
    }

    double width() const { return m_width; }
    const std::vector<std::vector<Paint>>& pages() const { return m_pages; }

    void text(const QString& line, const QFont& font, QColor colour = Qt::black)
    {
        const double height = wrappedHeight(font, line, m_width);
        room(height);
        const QRectF box(0, m_y, m_width, height + 1);
        const int flags = wrapFlags(QFontMetricsF(font), line, m_width) | Qt::AlignLeft;
        paint([=](QPainter& painter) {
            painter.setFont(font);
            painter.setPen(colour);
            painter.drawText(box, flags, line);
        });
        m_y += height + Gap / 2.0;
    }

    //! A heading kept on one page with the `next` pixels that follow it.
    void heading(const QString& title, double next = 40)
    {
        room(40 + next);
        m_y += Gap;
        text(title, textFont(15, true));
        const double y = m_y - Gap / 2.0;
        const double width = m_width;
        paint([=](QPainter& painter) {
            painter.setPen(QPen(Qt::gray, 1));
            painter.drawLine(QPointF(0, y), QPointF(width, y));
        });
    }

    //! A table, never cut: columns too many for the page go on in further column groups, each
    //! repeating the row names; a text too wide for its column wraps; the heading row comes again
    //! at the top of every page the table runs on to. Figures are right-aligned.
    void table(const ReportTable& table)
    {
        const QFont plain = textFont(10);
        const QFont bold = textFont(10, true);
        const std::size_t columns = table.Head.empty()
            ? (table.Rows.empty() ? 0 : table.Rows.front().size())
            : table.Head.size();
        std::vector<double> widths(columns, 0.0);
        // A table without a heading row names its rows in bold.
        const auto widen = [&](const std::vector<std::string>& row, bool head) {
            for (std::size_t c = 0; c < std::min(row.size(), columns); ++c) {
                const QFont& font = head || (c == 0 && table.Head.empty()) ? bold : plain;
                widths[c] = std::max(widths[c],
                    QFontMetricsF(font).horizontalAdvance(utf8(row[c])) + 2 * CellPad + 1);
            }
        };
        widen(table.Head, true);
        for (const auto& row : table.Rows)
            widen(row, false);
        if (columns == 0)
            return;
        // The row names take at most half the page; the rest is shared out in groups.
        widths[0] = std::min(widths[0], m_width / 2);
        const double room = m_width - widths[0];
        std::vector<std::vector<std::size_t>> groups;
        double used = room;
        for (std::size_t c = 1; c < columns; ++c) {
            widths[c] = std::min(widths[c], room);
            if (used + widths[c] > room) {
                groups.emplace_back();
                used = 0;
            }
            groups.back().push_back(c);
            used += widths[c];
        }
        if (groups.empty())
            groups.emplace_back();
        for (std::size_t g = 0; g < groups.size(); ++g) {
            std::vector<std::size_t> shown { 0 };
            shown.insert(shown.end(), groups[g].begin(), groups[g].end());
            if (g > 0)
                m_y += Gap;
            group(table, shown, widths, plain, bold);
        }
        m_y += Gap;
    }

    //! A drawing at its own size, or scaled down to what `maxWidth` leaves; placed beside the one
    //! before when `beside` and it fits there.
    void drawing(const ReportDrawing& drawing, double maxWidth, bool beside = false)
    {
        const double scale = std::min(1.0, maxWidth / std::max(drawing.Area.width, 1));
        const double w = drawing.Area.width * scale;
        const double h = drawing.Area.height * scale;
        const QString caption = utf8(drawing.Caption.empty() ? drawing.Title : drawing.Caption);
        const QFont captionFont = textFont(9);
        const double captionHeight = wrappedHeight(captionFont, caption, w) + 2;
        if (beside && m_rowTop >= 0 && m_rowX + w <= m_width) {
            m_y = m_rowTop;
        } else {
            m_y = std::max(m_y, m_rowBottom);
            m_rowBottom = 0;
            room(h + captionHeight);
            m_rowX = 0;
            m_rowTop = m_y;
        }
        const double x = m_rowX;
        const double y = m_y;
        const ReportDrawing* picture = &drawing;
        const int flags = wrapFlags(QFontMetricsF(captionFont), caption, w) | Qt::AlignLeft;
        paint([=](QPainter& painter) {
            painter.save();
            painter.translate(x, y);
            painter.scale(scale, scale);
            painter.setClipRect(QRectF(0, 0, picture->Area.width, picture->Area.height));
            painter.setFont(windowFont());
            painter.setRenderHint(QPainter::Antialiasing, false);
            {
                QPainterCanvas canvas(painter);
                picture->Draw(canvas);
            }
            painter.restore();
            painter.setFont(captionFont);
            painter.setPen(QColor(51, 51, 51));
            painter.drawText(QRectF(x, y + h + 2, w, captionHeight), flags, caption);
        });
        m_rowBottom = std::max(m_rowBottom, m_y + h + captionHeight + Gap);
        m_rowX += w + 2 * Gap;
        m_y = m_rowBottom;
    }

    //! Ends a row of drawings placed side by side.
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
    void paint(Paint step) { m_pages.back().push_back(std::move(step)); }

    void room(double height)
    {
        if (m_y > 0 && m_y + height > m_height) {
            m_pages.emplace_back();
            m_y = 0;
            m_rowTop = -1;
            m_rowBottom = 0;
        }
    }

    // The columns `shown` of a table: its heading row (again on each new page), then its rows.
    void group(const ReportTable& table, const std::vector<std::size_t>& shown,
        const std::vector<double>& widths, const QFont& plain, const QFont& bold)
    {
        const auto height = [&](const std::vector<std::string>& row, const QFont& font) {
            double tallest = QFontMetricsF(font).height();
            for (const std::size_t c : shown)
                if (c < row.size())
                    tallest = std::max(
                        tallest, wrappedHeight(font, utf8(row[c]), widths[c] - 2 * CellPad));
            return tallest + 2 * CellPad;
        };
        const auto line = [&](const std::vector<std::string>& row, const QFont& font, bool head) {
            const double h = height(row, font);
            double x = 0;
            for (const std::size_t c : shown) {
                const QRectF box(x, m_y, widths[c], h);
                const QString cell = c < row.size() ? utf8(row[c]) : QString();
                const bool right = !head && c < table.Numeric.size() && table.Numeric[c];
                const bool name = c == 0 && table.Head.empty();
                const QFont face = name ? bold : font;
                const int flags = wrapFlags(QFontMetricsF(face), cell, widths[c] - 2 * CellPad)
                    | Qt::AlignTop | (right ? Qt::AlignRight : Qt::AlignLeft);
                const bool shaded = head || name;
                paint([=](QPainter& painter) {
                    if (shaded)
                        painter.fillRect(box, QColor(238, 238, 238));
                    painter.setPen(QPen(Rule, 0.5));
                    painter.drawRect(box);
                    painter.setFont(face);
                    painter.setPen(Qt::black);
                    painter.drawText(
                        box.adjusted(CellPad, CellPad, -CellPad, -CellPad), flags, cell);
                });
                x += widths[c];
            }
            m_y += h;
        };
        const bool headed = !table.Head.empty();
        const double headHeight = headed ? height(table.Head, bold) : 0;
        // A heading row is never left alone at the foot of a page.
        room(headHeight + (table.Rows.empty() ? 0 : height(table.Rows.front(), plain)));
        if (headed)
            line(table.Head, bold, true);
        for (const auto& row : table.Rows) {
            const std::size_t page = m_pages.size();
            room(height(row, plain));
            if (headed && m_pages.size() != page)
                line(table.Head, bold, true);
            line(row, plain, false);
        }
    }

    double m_width = 0;
    double m_height = 0;
    double m_y = 0;
    double m_rowX = 0;
    double m_rowTop = -1;
    double m_rowBottom = 0;
    std::vector<std::vector<Paint>> m_pages;
};

void inputs(const RunReport& report, PageLayout& page)
{
    page.heading(u"Input gases"_s);
    for (const std::string& gas : report.InputGases)
        page.text(utf8(gas), textFont(10));
    page.heading(u"Readings and flows"_s);
    if (report.Stages.empty())
        page.text(u"No stage is connected."_s, textFont(11));
    else
        page.table(StagesTable(report));
    page.heading(u"Output cells"_s);
    if (report.Cells.empty()) {
        page.text(u"No cell is fed by a mixture."_s, textFont(11));
        return;
    }
    page.table(CellsTable(report));
    page.text(u"Leakages are added to the fractions of their gases before the cell's gas is "
              "normalised."_s,
        textFont(9));
}

void results(const RunReport& report, PageLayout& page)
{
    if (!report.Cells.empty()) {
        page.heading(u"Gas of the cells"_s);
        page.table(CellGasTable(report));
        page.text(u"Mole fractions as delivered, leakages included."_s
                + (report.Uncertainties
                        ? u" "_s + utf8(ReportUncertaintyNote(*report.Uncertainties))
                        : QString()),
            textFont(9));
    }
    if (!report.Equilibria.empty()) {
        page.heading(u"Equilibrium at each cell's temperature"_s);
        page.table(EquilibriumTable(report));
        page.text(utf8(EquilibriumNote(report)), textFont(9));
    }
}

void drawings(const RunReport& report, PageLayout& page)
{
    if (report.PO2Chart) {
        page.heading(u"log10 pO2 against temperature"_s,
            PageLayout::scaledHeight(*report.PO2Chart, page.width()));
        page.drawing(*report.PO2Chart, page.width());
        page.endRow();
    }
    for (const ReportDrawing& map : report.Maps) {
        page.heading(utf8(map.Title), PageLayout::scaledHeight(map, page.width()));
        page.drawing(map, page.width());
        page.endRow();
    }
    if (!report.Curves.empty()) {
        page.heading(u"Calibration curves in use"_s,
            PageLayout::scaledHeight(report.Curves.front().Chart, page.width()));
        for (const ReportCurve& curve : report.Curves)
            page.drawing(curve.Chart, page.width(), true);
        page.endRow();
    }
}

void messages(const RunReport& report, PageLayout& page)
{
    if (!report.Notes.empty()) {
        page.heading(u"Notes"_s);
        for (const std::string& note : report.Notes)
            page.text(u"\u2022 "_s + utf8(note), textFont(10));
    }
    page.heading(u"Messages and warnings"_s);
    if (!report.RunOk)
        page.text(u"\u2022 "_s + utf8(report.RunError), textFont(10));
    for (const std::string& message : report.Messages)
        page.text(u"\u2022 "_s + utf8(message), textFont(10));
    if (report.RunOk && report.Messages.empty())
        page.text(u"None."_s, textFont(10));
}

PageLayout layOut(const RunReport& report, double width, double height)
{
    PageLayout page(width, height);
    page.text(u"Meldrix run report: "_s + utf8(report.DataSet), textFont(18, true));
    if (!report.RunOk)
        page.text(u"The run stopped with an error: "_s + utf8(report.RunError)
                + u" No results are shown; the inputs follow."_s,
            textFont(12, true), QColor(128, 0, 0));
    ReportTable facts;
    facts.Numeric = { false, false };
    for (const ReportFact& fact : report.Provenance)
        facts.Rows.push_back({ fact.Name, fact.Value });
    page.table(facts);
    inputs(report, page);
    if (report.Diagram) {
        page.heading(u"Mixer diagram"_s, PageLayout::scaledHeight(*report.Diagram, page.width()));
        page.drawing(*report.Diagram, page.width());
        page.endRow();
    }
    if (report.RunOk)
        results(report, page);
    drawings(report, page);
    messages(report, page);
    return page;
}

// Above each page the data set and the date, below it the page's number of all.
void frame(
    QPainter& painter, const RunReport& report, double width, double height, int number, int count)
{
    const QFont font = textFont(9);
    painter.setFont(font);
    painter.setPen(Grey);
    const QFontMetricsF metrics(font);
    const QString date = utf8(report.Generated);
    const double dateWidth = metrics.horizontalAdvance(date);
    const QString title = metrics.elidedText(u"Meldrix run report: "_s + utf8(report.DataSet),
        Qt::ElideMiddle, width - dateWidth - 2 * Gap);
    painter.drawText(QRectF(0, 0, width, HeaderHeight - 6), Qt::AlignLeft | Qt::AlignTop, title);
    painter.drawText(QRectF(0, 0, width, HeaderHeight - 6), Qt::AlignRight | Qt::AlignTop, date);
    painter.setPen(QPen(Rule, 0.5));
    painter.drawLine(QPointF(0, HeaderHeight - 5), QPointF(width, HeaderHeight - 5));
    painter.setPen(Grey);
    painter.drawText(QRectF(0, height - FooterHeight + 4, width, FooterHeight - 4),
        Qt::AlignHCenter | Qt::AlignBottom, u"Page %1 of %2"_s.arg(number).arg(count));
}

// The creation date Qt writes is the moment of writing; with SOURCE_DATE_EPOCH it becomes that
// time, so two runs give the same bytes. The date is in the document information near the start,
// so every object after it moves and the cross-reference table is set to match.
QByteArray withCreationDate(const QByteArray& pdf, std::int64_t epoch)
{
    static const QRegularExpression Date(u"/CreationDate \\(D:[0-9]{14}[^)]*\\)"_s);
    const QString text = QString::fromLatin1(pdf);
    const QRegularExpressionMatch found = Date.match(text);
    if (!found.hasMatch())
        return pdf;
    const QByteArray date = "/CreationDate (D:"
        + QDateTime::fromSecsSinceEpoch(epoch, QTimeZone::utc())
              .toString(u"yyyyMMddHHmmss"_s)
              .toLatin1()
        + "Z)";
    const qsizetype at = found.capturedStart();
    const qsizetype shift = date.size() - found.capturedLength();
    QByteArray fixed = pdf.left(at) + date + pdf.mid(at + found.capturedLength());
    if (shift == 0)
        return fixed;
    static const QRegularExpression StartXref(u"startxref\\s+([0-9]+)\\s+%%EOF\\s*$"_s);
    const QRegularExpressionMatch start = StartXref.match(QString::fromLatin1(fixed));
    if (!start.hasMatch())
        return pdf;
    const qsizetype xref = start.captured(1).toLongLong() + shift;
    fixed.replace(start.capturedStart(1), start.capturedLength(1), QByteArray::number(xref));
    // "xref", the subsection line, then entries of 20 bytes: a 10-digit offset, ...
    static const QRegularExpression Entry(u"([0-9]{10}) ([0-9]{5}) [nf]"_s);
    qsizetype line = fixed.indexOf('\n', fixed.indexOf('\n', xref) + 1) + 1;
    while (line > 0 && line + 20 <= fixed.size()) {
        const QRegularExpressionMatch entry = Entry.match(QString::fromLatin1(fixed.mid(line, 18)),
            0, QRegularExpression::NormalMatch, QRegularExpression::AnchorAtOffsetMatchOption);
        if (!entry.hasMatch())
            break;
        const qsizetype offset = entry.captured(1).toLongLong();
        if (offset > at)
            fixed.replace(line, 10, QByteArray::number(offset + shift).rightJustified(10, '0'));
        line += 20;
    }
    return fixed;
}

std::optional<std::string> writePdf(
    const RunReport& report, const std::string& path, ReportPaper paper)
{
    const QString target = QString::fromLocal8Bit(path.data(), static_cast<qsizetype>(path.size()));
    const QFileInfo info(target);
    if (info.exists() && !info.isFile())
        return "not a regular file";

    // The PDF engine keeps its fonts in hashes; with their seed fixed, the fonts are written in the
    // same order on every run.
    const auto epoch = SourceDateEpoch();
    if (epoch)
        QHashSeed::setDeterministicGlobalSeed();
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setPageLayout(
            QPageLayout(QPageSize(paper == ReportPaper::Letter ? QPageSize::Letter : QPageSize::A4),
                QPageLayout::Portrait, QMarginsF(15, 12, 15, 12), QPageLayout::Millimeter));
        writer.setResolution(300);
        writer.setTitle(u"Meldrix run report: "_s + utf8(report.DataSet));
        writer.setCreator(u"Meldrix "_s + utf8(report.Version));
        PaintReport(report, writer);
    }
    if (epoch)
        bytes = withCreationDate(bytes, *epoch);
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return file.errorString().toStdString();
    return std::nullopt;
}

} // namespace

void PaintReport(const RunReport& report, QPagedPaintDevice& device)
{
    QPainter painter(&device);
    const double scale = device.logicalDpiX() / LayoutDpi;
    painter.scale(scale, scale);
    const double width = device.width() / scale;
    const double height = device.height() / scale;
    const PageLayout layout = layOut(report, width, height - HeaderHeight - FooterHeight);
    const auto& pages = layout.pages();
    for (std::size_t p = 0; p < pages.size(); ++p) {
        if (p > 0)
            device.newPage();
        frame(painter, report, width, height, static_cast<int>(p + 1),
            static_cast<int>(pages.size()));
        painter.save();
        painter.translate(0, HeaderHeight);
        for (const Paint& step : pages[p])
            step(painter);
        painter.restore();
    }
}

std::optional<std::string> WriteReportPdf(
    const RunReport& report, const std::string& path, ReportPaper paper)
{
    // A PDF needs no display: without an application of its own the tool starts one offscreen.
    return WithApplication([&] { return writePdf(report, path, paper); });
}

} // namespace meldrix
