#include "tabed/GridGeometry.h"

#include <algorithm>

namespace meldrix {

namespace {

std::size_t slot(int index)
{
    return static_cast<std::size_t>(index - 1);
}

// The offset of grid line `index` along one axis: the fixed lines first, then the lines from
// `first` on; nullopt for a line scrolled away before `first`.
template <typename Size>
std::optional<int> edge(int index, int fixedCount, int first, Size size)
{
    int at = 0;
    if (index < fixedCount) {
        for (int g = 0; g < index; ++g)
            at += size(g);
        return at;
    }
    for (int g = 0; g < fixedCount; ++g)
        at += size(g);
    if (index < first)
        return std::nullopt;
    for (int g = first; g < index; ++g)
        at += size(g);
    return at;
}

// The grid line under offset `at` along one axis, or -1.
template <typename Size>
int lineAt(int at, int fixedCount, int first, int count, Size size)
{
    if (at < 0)
        return -1;
    int end = 0;
    for (int g = 0; g < fixedCount; ++g) {
        end += size(g);
        if (at < end)
            return g;
    }
    for (int g = first; g < count; ++g) {
        end += size(g);
        if (at < end)
            return g;
    }
    return -1;
}

} // namespace

TGridGeometry::TGridGeometry(int columns, int rows)
    : m_colWidths(static_cast<std::size_t>(std::max(columns, 1)), InitialColWidth)
    , m_rowHeights(static_cast<std::size_t>(std::max(rows, 1)), InitialRowHeight)
{
}

void TGridGeometry::Resize(int columns, int rows)
{
    // Copies first, so that running out of memory leaves the sizes as they were.
    std::vector<int> widths = m_colWidths;
    std::vector<int> heights = m_rowHeights;
    widths.resize(static_cast<std::size_t>(std::max(columns, 1)), m_colWidths.back());
    heights.resize(static_cast<std::size_t>(std::max(rows, 1)), m_rowHeights.back());
    m_colWidths.swap(widths);
    m_rowHeights.swap(heights);
}

int TGridGeometry::ColWidth(int column) const
{
    if (column > NrOfColumns())
        return 0;
    if (column >= 1)
        return m_colWidths[slot(column)];
    if (column == 0)
        return m_headingColWidth;
    return m_attribRowVisible ? m_attribColWidth : 0;
}

bool TGridGeometry::SetColWidth(int column, int pixels)
{
    pixels = std::max(pixels, 0);
    if (column > NrOfColumns() || (column < 0 && !m_attribRowVisible))
        return false;
    if (column >= 1)
        m_colWidths[slot(column)] = pixels;
    else if (column == 0)
        m_headingColWidth = pixels;
    else
        m_attribColWidth = pixels;
    return true;
}

int TGridGeometry::RowHeight(int row) const
{
    if (row > NrOfRows())
        return 0;
    if (row >= 1)
        return m_rowHeights[slot(row)];
    if (row == 0)
        return m_headingRowHeight;
    return m_attribColVisible ? m_attribRowHeight : 0;
}

bool TGridGeometry::SetRowHeight(int row, int pixels)
{
    pixels = std::max(pixels, 0);
    if (row > NrOfRows() || (row < 0 && !m_attribColVisible))
        return false;
    if (row >= 1)
        m_rowHeights[slot(row)] = pixels;
    else if (row == 0)
        m_headingRowHeight = pixels;
    else
        m_attribRowHeight = pixels;
    return true;
}

void TGridGeometry::SetDefaultColWidth(int pixels)
{
    m_defaultColWidth = std::max(pixels, 0);
    std::fill(m_colWidths.begin(), m_colWidths.end(), m_defaultColWidth);
    m_headingColWidth = RowHeadingWidth;
}

void TGridGeometry::SetDefaultRowHeight(int pixels)
{
    m_defaultRowHeight = std::max(pixels, 0);
    FitRowHeights(m_defaultRowHeight);
}

void TGridGeometry::FitRowHeights(int pixels)
{
    std::fill(m_rowHeights.begin(), m_rowHeights.end(), pixels);
    m_headingRowHeight = pixels;
    m_attribRowHeight = pixels;
}

int TGridGeometry::GridColWidth(int gridColumn) const
{
    if (gridColumn == 0)
        return m_headingColWidth;
    if (m_attribRowVisible && gridColumn == 1)
        return m_attribColWidth;
    const int column = DataColumn(gridColumn);
    return column >= 1 ? m_colWidths[slot(column)] : 0;
}

int TGridGeometry::GridRowHeight(int gridRow) const
{
    if (gridRow == 0)
        return m_headingRowHeight;
    if (m_attribColVisible && gridRow == 1)
        return m_attribRowHeight;
    const int row = DataRow(gridRow);
    return row >= 1 ? m_rowHeights[slot(row)] : 0;
}

int TGridGeometry::DataColumn(int gridColumn) const
{
    const int column = gridColumn - FixedCols() + 1;
    return column >= 1 && column <= NrOfColumns() ? column : 0;
}

int TGridGeometry::DataRow(int gridRow) const
{
    const int row = gridRow - FixedRows() + 1;
    return row >= 1 && row <= NrOfRows() ? row : 0;
}

TGridCellKind TGridGeometry::CellKind(int gridColumn, int gridRow) const
{
    const bool attribColumn = m_attribRowVisible && gridColumn == 1;
    const bool attribRow = m_attribColVisible && gridRow == 1;
    if (gridColumn == 0 && gridRow == 0)
        return TGridCellKind::Corner;
    if (gridRow == 0)
        return attribColumn ? TGridCellKind::AttribLabel : TGridCellKind::ColHeading;
    if (gridColumn == 0)
        return attribRow ? TGridCellKind::AttributeLabel : TGridCellKind::RowHeading;
    if (attribColumn && attribRow)
        return TGridCellKind::AttribCross;
    if (attribColumn)
        return TGridCellKind::RowAttrib;
    if (attribRow)
        return TGridCellKind::ColAttrib;
    return TGridCellKind::Data;
}

std::optional<TPixelRect> TGridGeometry::CellRect(
    int gridColumn, int gridRow, int leftCol, int topRow) const
{
    const auto width = [this](int g) { return GridColWidth(g); };
    const auto height = [this](int g) { return GridRowHeight(g); };
    const auto x = edge(gridColumn, FixedCols(), GridColumn(leftCol), width);
    const auto y = edge(gridRow, FixedRows(), GridRow(topRow), height);
    if (!x || !y || gridColumn < 0 || gridRow < 0 || gridColumn >= GridColCount()
        || gridRow >= GridRowCount())
        return std::nullopt;
    return TPixelRect { *x, *y, width(gridColumn), height(gridRow) };
}

std::optional<std::pair<int, int>> TGridGeometry::CellAt(
    int x, int y, int leftCol, int topRow) const
{
    const int column = lineAt(x, FixedCols(), GridColumn(leftCol), GridColCount(),
        [this](int g) { return GridColWidth(g); });
    const int row = lineAt(y, FixedRows(), GridRow(topRow), GridRowCount(),
        [this](int g) { return GridRowHeight(g); });
    if (column < 0 || row < 0)
        return std::nullopt;
    return std::pair { column, row };
}

int TGridGeometry::FixedWidth() const
{
    int width = 0;
    for (int g = 0; g < FixedCols(); ++g)
        width += GridColWidth(g);
    return width;
}

int TGridGeometry::FixedHeight() const
{
    int height = 0;
    for (int g = 0; g < FixedRows(); ++g)
        height += GridRowHeight(g);
    return height;
}

int TGridGeometry::LastLeftColumn(int viewWidth) const
{
    const int room = viewWidth - FixedWidth();
    int width = 0;
    int column = NrOfColumns();
    while (column > 1 && width + ColWidth(column) + ColWidth(column - 1) <= room) {
        width += ColWidth(column);
        --column;
    }
    return column;
}

int TGridGeometry::LastTopRow(int viewHeight) const
{
    const int room = viewHeight - FixedHeight();
    int height = 0;
    int row = NrOfRows();
    while (row > 1 && height + RowHeight(row) + RowHeight(row - 1) <= room) {
        height += RowHeight(row);
        --row;
    }
    return row;
}

int TGridGeometry::VisibleColCount(int leftCol, int viewWidth) const
{
    int count = 0;
    int right = FixedWidth();
    for (int column = leftCol; column <= NrOfColumns(); ++column, ++count) {
        right += ColWidth(column);
        if (right > viewWidth)
            break;
    }
    return count;
}

int TGridGeometry::VisibleRowCount(int topRow, int viewHeight) const
{
    int count = 0;
    int bottom = FixedHeight();
    for (int row = topRow; row <= NrOfRows(); ++row, ++count) {
        bottom += RowHeight(row);
        if (bottom > viewHeight)
            break;
    }
    return count;
}

} // namespace meldrix
