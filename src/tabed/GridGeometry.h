#pragma once

#include <optional>
#include <vector>

namespace meldrix {

//! What a grid cell shows. Grid coordinates are 0-based: column 0 holds the row headings, row 0
//! the column headings; the attribute column and row follow them when shown.
enum class TGridCellKind {
    Corner, // position of the current cell, or "Comment:"
    AttribLabel, // "Attrib" above the row attributes
    AttributeLabel, // "Attribute" beside the column attributes
    AttribCross, // where the attribute row meets the attribute column
    ColHeading,
    RowHeading,
    ColAttrib,
    RowAttrib,
    Data
};

//! A cell's place in a view [pixels].
struct TPixelRect {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    friend bool operator==(const TPixelRect&, const TPixelRect&) = default;
};

//! The table editor's grid without its window: the widths of its columns and heights of its rows
//! [pixels], which grid column or row shows which data column or row, and where a cell lies in a
//! view whose first scrolled data column and row are `leftCol` and `topRow` (the fixed columns
//! and rows always show first). Indices are data coordinates (1-based) unless called grid ones.
class TGridGeometry {
public:
    static constexpr int RowHeadingWidth = 80;
    static constexpr int InitialAttribWidth = 32;
    static constexpr int InitialColWidth = 64;
    static constexpr int InitialRowHeight = 24;

    TGridGeometry(int columns, int rows);

    int NrOfColumns() const { return static_cast<int>(m_colWidths.size()); }
    int NrOfRows() const { return static_cast<int>(m_rowHeights.size()); }
    //! New columns take the width of the previously last column, new rows its height.
    void Resize(int columns, int rows);

    bool AttribRowVisible() const { return m_attribRowVisible; }
    void SetAttribRowVisible(bool visible) { m_attribRowVisible = visible; }
    bool AttribColVisible() const { return m_attribColVisible; }
    void SetAttribColVisible(bool visible) { m_attribColVisible = visible; }

    //! column >= 1: data column; 0: row headings; negative: row attributes (0 while hidden).
    int ColWidth(int column) const;
    //! False, and nothing changed, for a column that does not exist or is hidden.
    bool SetColWidth(int column, int pixels);
    //! row >= 1: data row; 0: column headings; negative: column attributes (0 while hidden).
    int RowHeight(int row) const;
    bool SetRowHeight(int row, int pixels);
    int DefaultColWidth() const { return m_defaultColWidth; }
    //! Every data column takes the width; the row headings go back to their own.
    void SetDefaultColWidth(int pixels);
    int DefaultRowHeight() const { return m_defaultRowHeight; }
    void SetDefaultRowHeight(int pixels);
    //! Every row, headings and attributes included, takes the height.
    void FitRowHeights(int pixels);

    int FixedCols() const { return m_attribRowVisible ? 2 : 1; }
    int FixedRows() const { return m_attribColVisible ? 2 : 1; }
    int GridColCount() const { return NrOfColumns() + FixedCols(); }
    int GridRowCount() const { return NrOfRows() + FixedRows(); }
    int GridColWidth(int gridColumn) const;
    int GridRowHeight(int gridRow) const;
    TGridCellKind CellKind(int gridColumn, int gridRow) const;
    //! The data column or row of a grid column or row; 0 for the fixed ones.
    int DataColumn(int gridColumn) const;
    int DataRow(int gridRow) const;
    int GridColumn(int column) const { return column + FixedCols() - 1; }
    int GridRow(int row) const { return row + FixedRows() - 1; }

    //! Where a grid cell lies in the view; nullopt when it is scrolled away or does not exist.
    std::optional<TPixelRect> CellRect(int gridColumn, int gridRow, int leftCol, int topRow) const;
    //! The grid cell (column, row) under a view position, if any.
    std::optional<std::pair<int, int>> CellAt(int x, int y, int leftCol, int topRow) const;
    int FixedWidth() const;
    int FixedHeight() const;
    //! The largest first column that still shows the last column in full in `viewWidth`.
    int LastLeftColumn(int viewWidth) const;
    int LastTopRow(int viewHeight) const;
    //! Data columns (rows) from `leftCol` (`topRow`) on that show in full in the view.
    int VisibleColCount(int leftCol, int viewWidth) const;
    int VisibleRowCount(int topRow, int viewHeight) const;

private:
    enum class Axis { Columns, Rows };
    //! Where the size of data column (row) `index` is kept, 0 the heading's and below 0 the
    //! attribute one's while it shows; nothing past the end.
    const int* sizeSlot(Axis axis, int index) const;
    int* sizeSlot(Axis axis, int index);

    std::vector<int> m_colWidths;
    std::vector<int> m_rowHeights;
    int m_defaultColWidth = InitialColWidth;
    int m_defaultRowHeight = InitialRowHeight;
    int m_headingColWidth = RowHeadingWidth;
    int m_attribColWidth = InitialAttribWidth;
    int m_headingRowHeight = InitialRowHeight;
    int m_attribRowHeight = InitialRowHeight;
    bool m_attribRowVisible = true;
    bool m_attribColVisible = false;
};

} // namespace meldrix
