#include "common/qt/RecordText.h"
#include "tabed/qt/TCeltrix.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <vector>

namespace meldrix {

using namespace Qt::StringLiterals;

namespace {

const QColor CommentColour { 0, 128, 128 };
constexpr int TextLeft = 3;
constexpr int TextTop = 2;

} // namespace

QColor TCeltrix::colourOf(TCellColour colour) const
{
    switch (colour) {
    case TCellColour::Normal:
        return ColorNormal;
    case TCellColour::Highlight:
        return palette().color(QPalette::HighlightedText);
    case TCellColour::Selected:
        return ColorSelected;
    case TCellColour::MarkedA:
        return ColorMarkedA;
    case TCellColour::MarkedB:
        return ColorMarkedB;
    case TCellColour::MarkedBoth:
        return ColorMarkedBoth;
    }
    return ColorNormal;
}

void TCeltrix::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), ColorBackground);
    if (m_model.PaintingSuppressed())
        return;
    if (m_model.OptimizeRowHeight) {
        const QFontMetrics metrics(font());
        const int height =
            std::max(8, metrics.boundingRect(u"9GMg\u00dc$\u00a7[{|"_s).height() + 5);
        m_model.FitRowHeights(height);
    }
    // Only the grid lines and cells in view are visited, however large the table.
    struct Span {
        int index;
        int start;
        int size;
    };
    const auto spans = [](int fixedCount, int first, int count, int limit, auto size) {
        std::vector<Span> inView;
        int at = 0;
        for (int g = 0; g < fixedCount && at < limit; ++g) {
            inView.push_back({ g, at, size(g) });
            at += size(g);
        }
        for (int g = first; g < count && at < limit; ++g) {
            inView.push_back({ g, at, size(g) });
            at += size(g);
        }
        return inView;
    };
    const auto columns =
        spans(m_model.FixedCols(), m_model.GridColumn(m_leftCol), m_model.GridColCount(),
            viewport()->width(), [this](int g) { return m_model.GridColWidth(g); });
    const auto rows = spans(m_model.FixedRows(), m_model.GridRow(m_topRow), m_model.GridRowCount(),
        viewport()->height(), [this](int g) { return m_model.GridRowHeight(g); });
    for (const Span& column : columns)
        for (const Span& row : rows)
            paintCell(painter, column.index, row.index,
                QRect(column.start, row.start, column.size, row.size));
    if (m_outlinedCell) {
        const QRect rect = GridCellRect(m_outlinedCell->x(), m_outlinedCell->y());
        if (!rect.isEmpty()) {
            painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            painter.setPen(QPen(Qt::white, 2));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(rect.adjusted(1, 1, -2, -2));
        }
    }
}

void TCeltrix::paintCell(QPainter& painter, int gridColumn, int gridRow, QRect rect)
{
    const TGridCellKind kind = m_model.CellKind(gridColumn, gridRow);
    const bool fixed = kind != TGridCellKind::Data;
    TCellLook look = m_model.GridCellLook(gridColumn, gridRow);
    QColor background = fixed ? ColorFixed : ColorBackground;
    if (kind == TGridCellKind::Corner)
        background = m_model.CommentEditing() ? CommentColour : ColorBackground;
    const bool current = kind == TGridCellKind::Data
        && m_model.DataColumn(gridColumn) == m_model.Col()
        && m_model.DataRow(gridRow) == m_model.Row();
    if (look.Colour == TCellColour::Highlight) {
        // The current cell keeps the ordinary colours and gets a focus frame instead.
        if (current)
            look.Colour = TCellColour::Normal;
        else
            background = palette().color(QPalette::Highlight);
    } else if (kind == TGridCellKind::Data && !current
        && m_model.Selection().contains(m_model.DataColumn(gridColumn), m_model.DataRow(gridRow))) {
        // A marked cell in the selection gets a light tint, so its mark colour stays legible.
        const QColor highlight = palette().color(QPalette::Highlight);
        const QColor base = ColorBackground;
        background = QColor((highlight.red() + 3 * base.red()) / 4,
            (highlight.green() + 3 * base.green()) / 4, (highlight.blue() + 3 * base.blue()) / 4);
    }
    painter.fillRect(rect, background);

    // Grid lines: raised edges on fixed cells, thin lines between data cells.
    painter.setPen(fixed ? palette().color(QPalette::Dark) : QColor(192, 192, 192));
    painter.drawLine(rect.topRight(), rect.bottomRight());
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    if (fixed && kind != TGridCellKind::Corner) {
        painter.setPen(palette().color(QPalette::Light));
        painter.drawLine(rect.topLeft(), rect.topRight() - QPoint(1, 0));
        painter.drawLine(rect.topLeft(), rect.bottomLeft() - QPoint(0, 1));
    }
    if (current && hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Text), 1, Qt::DotLine));
        painter.drawRect(rect.adjusted(1, 1, -2, -2));
    }

    if (look.Text.empty())
        return;
    QFont font = painter.font();
    const QFont plain = font;
    font.setBold(look.Bold);
    QColor colour = colourOf(look.Colour);
    if (kind == TGridCellKind::Corner && m_model.CommentEditing())
        colour = Qt::white;
    painter.setFont(font);
    painter.setPen(colour);
    const QRect textRect = rect.adjusted(TextLeft, TextTop, -1, -1);
    painter.save();
    painter.setClipRect(textRect);
    QString text = fromRecordText(look.Text);
    const int column = m_model.DataColumn(gridColumn);
    const int row = m_model.DataRow(gridRow);
    if (kind == TGridCellKind::Data && !m_model.NominalColumn(column)
        && (m_model.ElemState(column, row) & StateNoValueMask) == 0)
        text = FitNumberText(text, QFontMetrics(font), textRect.width());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    painter.restore();
    painter.setFont(plain);
}

QString TCeltrix::FitNumberText(const QString& text, const QFontMetrics& metrics, int width)
{
    const auto fits = [&](const QString& candidate) {
        return metrics.horizontalAdvance(candidate) <= width;
    };
    if (fits(text))
        return text;
    const QString trimmed = text.trimmed();
    if (fits(trimmed))
        return trimmed;
    const qsizetype exponent = trimmed.indexOf(u'E');
    QString head = exponent >= 0 ? trimmed.left(exponent) : trimmed;
    const QString tail = exponent >= 0 ? trimmed.mid(exponent) : QString();
    const qsizetype point = head.indexOf(u'.');
    // Digits after the point give way one by one; those before it never do.
    while (point >= 0 && head.size() > point + 2) {
        head.chop(1);
        const QString candidate = head + QChar(0x2026) + tail;
        if (fits(candidate))
            return candidate;
    }
    const int hash = std::max(1, metrics.horizontalAdvance(u'#'));
    return QString(std::max(1, width / hash), u'#');
}

} // namespace meldrix
