#include "tabed/GridGeometry.h"

#include <algorithm>
#include <utility>

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

// Where the size of column or row `index` along one axis is kept.
const int* sizeOf(int index, const std::vector<int>& sizes, const int& heading, const int& attrib,
    bool attribShown)
{
    if (index > static_cast<int>(sizes.size()) || (index < 0 && !attribShown))
        return nullptr;
    if (index >= 1)
        return &sizes[slot(index)];
    return index == 0 ? &heading : &attrib;
}

int sizeOr0(const int* size)
{
    return size ? *size : 0;
}

// False, changing nothing, where there is no size to set.
bool setSize(int* size, int pixels)
{
    if (size)
        *size = std::max(pixels, 0);
    return size != nullptr;
}

// The size of grid line `grid` along one axis: the heading, the attribute line while it shows,
// then the data lines, 0 for a grid line that shows no data line.
template <typename Size>
int gridSize(int grid, int heading, int attrib, bool attribShown, int data, Size size)
{
    if (grid == 0)
        return heading;
    if (attribShown && grid == 1)
        return attrib;
    return data >= 1 ? size(data) : 0;
}

template <typename Size>
int sizeBefore(int index, Size size)
{
    int sum = 0;
    for (int g = 0; g < index; ++g)
        sum += size(g);
    return sum;
}

// The first data line from which the lines to the last fit in `room` pixels (at least the last).
template <typename Size>
int lastFirstLine(int count, int room, Size size)
{
    int used = 0;
    int line = count;
    while (line > 1 && used + size(line) + size(line - 1) <= room) {
        used += size(line);
        --line;
    }
    return line;
}

// How many data lines from `first` on fit whole before `view`, after `start` pixels.
template <typename Size>
int wholeLinesFrom(int first, int count, int start, int view, Size size)
{
    int lines = 0;
    int end = start;
    for (int line = first; line <= count; ++line, ++lines) {
        end += size(line);
        if (end > view)
            break;
    }
    return lines;
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

const int* TGridGeometry::sizeSlot(Axis axis, int index) const
{
    if (axis == Axis::Columns)
        return sizeOf(index, m_colWidths, m_headingColWidth, m_attribColWidth, m_attribRowVisible);
    return sizeOf(index, m_rowHeights, m_headingRowHeight, m_attribRowHeight, m_attribColVisible);
}

int* TGridGeometry::sizeSlot(Axis axis, int index)
{
    return const_cast<int*>(std::as_const(*this).sizeSlot(axis, index));
}

int TGridGeometry::ColWidth(int column) const
{
    return sizeOr0(sizeSlot(Axis::Columns, column));
}

bool TGridGeometry::SetColWidth(int column, int pixels)
{
    return setSize(sizeSlot(Axis::Columns, column), pixels);
}

int TGridGeometry::RowHeight(int row) const
{
    return sizeOr0(sizeSlot(Axis::Rows, row));
}

bool TGridGeometry::SetRowHeight(int row, int pixels)
{
    return setSize(sizeSlot(Axis::Rows, row), pixels);
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
    return gridSize(gridColumn, m_headingColWidth, m_attribColWidth, m_attribRowVisible,
        DataColumn(gridColumn), [this](int column) { return m_colWidths[slot(column)]; });
}

int TGridGeometry::GridRowHeight(int gridRow) const
{
    return gridSize(gridRow, m_headingRowHeight, m_attribRowHeight, m_attribColVisible,
        DataRow(gridRow), [this](int row) { return m_rowHeights[slot(row)]; });
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
    return sizeBefore(FixedCols(), [this](int g) { return GridColWidth(g); });
}

int TGridGeometry::FixedHeight() const
{
    return sizeBefore(FixedRows(), [this](int g) { return GridRowHeight(g); });
}

int TGridGeometry::LastLeftColumn(int viewWidth) const
{
    return lastFirstLine(
        NrOfColumns(), viewWidth - FixedWidth(), [this](int column) { return ColWidth(column); });
}

int TGridGeometry::LastTopRow(int viewHeight) const
{
    return lastFirstLine(
        NrOfRows(), viewHeight - FixedHeight(), [this](int row) { return RowHeight(row); });
}

int TGridGeometry::VisibleColCount(int leftCol, int viewWidth) const
{
    return wholeLinesFrom(leftCol, NrOfColumns(), FixedWidth(), viewWidth,
        [this](int column) { return ColWidth(column); });
}

int TGridGeometry::VisibleRowCount(int topRow, int viewHeight) const
{
    return wholeLinesFrom(
        topRow, NrOfRows(), FixedHeight(), viewHeight, [this](int row) { return RowHeight(row); });
}

} // namespace meldrix
