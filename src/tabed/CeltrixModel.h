#pragma once

#include "tabed/GridGeometry.h"
#include "tabed/NumberScanner.h"
#include "tabed/TDataTable.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace meldrix {

class EQuorCeltrixError : public EQuorError {
public:
    using EQuorError::EQuorError;
};

//! A block of data cells, inclusive, in data coordinates.
struct TGridRect {
    int Left = 1;
    int Top = 1;
    int Right = 1;
    int Bottom = 1;
    bool contains(int column, int row) const
    {
        return column >= Left && column <= Right && row >= Top && row <= Bottom;
    }
    friend bool operator==(const TGridRect&, const TGridRect&) = default;
};

//! Which elements a mark command reaches: the selected cells, all rows of the selected columns,
//! all columns of the selected rows, or every element.
enum class TMarkScope { Range, Column, Row, All };

//! Colour roles of cell text; the widget maps them onto its colour properties.
enum class TCellColour {
    Normal, // ColorNormal
    Highlight, // the toolkit's highlight colours of a selected cell
    Selected, // ColorSelected: headings of the selection's top row and left column
    MarkedA,
    MarkedB,
    MarkedBoth
};

struct TCellLook {
    std::string Text;
    TCellColour Colour = TCellColour::Normal;
    bool Bold = false;
};

//! The table editor without its window: content table, internal clipboard, per-column number
//! formats, column widths and row heights, the current cell and selection, and every command of
//! the context menus. Indices are data coordinates (1-based) unless they are called grid ones.
class TCeltrixModel {
public:
    using Notify = std::function<void()>;

    static constexpr int InitialPrecision = 3;
    static constexpr int RowHeadingWidth = TGridGeometry::RowHeadingWidth;
    static constexpr int InitialAttribWidth = TGridGeometry::InitialAttribWidth;

    //! Throws EQuorCeltrixError when the content table cannot be created.
    explicit TCeltrixModel(std::string name = "Celtrix", int columns = 3, int rows = 4);
    TCeltrixModel(const TCeltrixModel&) = delete;
    TCeltrixModel& operator=(const TCeltrixModel&) = delete;

    const std::string& Name() const { return m_name; }
    TDataTable& Table() { return m_table; }
    const TDataTable& Table() const { return m_table; }
    const TDataTable& ClipboardTable() const { return m_clipboard; }
    bool ClipboardFilled() const { return m_clipboardFilled; }

    // The operations the application uses.
    void Clear();
    int NrOfColumns() const { return m_table.NrOfColumns(); }
    int NrOfRows() const { return m_table.NrOfRows(); }
    //! Throw EQuorCeltrixError, leaving the editor as it was, when memory runs out.
    void SetNrOfColumns(int count);
    void SetNrOfRows(int count);
    int NumWidth() const { return m_numWidth; }
    void SetNumWidth(int width);
    int Precision(int column) const;
    void SetPrecision(int column, int decimals);
    //! column >= 1: data column; 0: row headings; negative: row attributes (0 while hidden).
    int ColWidth(int column) const { return m_geometry.ColWidth(column); }
    void SetColWidth(int column, int pixels);
    //! row >= 1: data row; 0: column headings; negative: column attributes (0 while hidden).
    int RowHeight(int row) const { return m_geometry.RowHeight(row); }
    void SetRowHeight(int row, int pixels);
    int DefaultColWidth() const { return m_geometry.DefaultColWidth(); }
    void SetDefaultColWidth(int pixels);
    int DefaultRowHeight() const { return m_geometry.DefaultRowHeight(); }
    void SetDefaultRowHeight(int pixels);
    std::string_view ColName(int column) const { return m_table.ColName(column); }
    void SetColName(int column, std::string_view text);
    std::string_view RowName(int row) const { return m_table.RowName(row); }
    void SetRowName(int row, std::string_view text);
    std::uint8_t ColAttrib(int column) const { return m_table.ColAttrib(column); }
    void SetColAttrib(int column, std::uint8_t value);
    std::uint8_t RowAttrib(int row) const { return m_table.RowAttrib(row); }
    void SetRowAttrib(int row, std::uint8_t value);
    double Elem(int column, int row) const { return m_table.Elem(column, row); }
    void SetElem(int column, int row, double value) { m_table.SetElem(column, row, value); }
    std::uint8_t ElemState(int column, int row) const { return m_table.ElemState(column, row); }
    void SetElemState(int column, int row, std::uint8_t state);
    const std::string& Comment() const { return m_table.Comment(); }
    void SetComment(std::string_view text);
    bool PaintingSuppressed() const { return m_paintingSuppressed; }
    void SetPaintingSuppressed(bool suppressed);

    // Settings.
    bool AttribRowVisible() const { return m_geometry.AttribRowVisible(); }
    void SetAttribRowVisible(bool visible);
    bool AttribColVisible() const { return m_geometry.AttribColVisible(); }
    void SetAttribColVisible(bool visible);
    bool BoldMarks() const { return m_boldMarks; }
    void SetBoldMarks(bool bold);
    bool BoldSelHeads() const { return m_boldSelHeads; }
    void SetBoldSelHeads(bool bold);
    bool AutoAdvance = false;
    bool BlockInternalPopup = false;
    bool CommentEditingAllowed = true;
    bool ClipboardUseFullPrec = true;
    bool OptimizeRowHeight = false;
    int NomEditDropDownCount = 8;
    //! The grid's editing option, switched by "Edit on/off".
    bool EditingEnabled = true;

    // Grid geometry.
    const TGridGeometry& Geometry() const { return m_geometry; }
    int FixedCols() const { return m_geometry.FixedCols(); }
    int FixedRows() const { return m_geometry.FixedRows(); }
    int GridColCount() const { return m_geometry.GridColCount(); }
    int GridRowCount() const { return m_geometry.GridRowCount(); }
    int GridColWidth(int gridColumn) const { return m_geometry.GridColWidth(gridColumn); }
    int GridRowHeight(int gridRow) const { return m_geometry.GridRowHeight(gridRow); }
    //! Sets a row height without raising OnChangeSetup, as the optimised row height does.
    void FitRowHeights(int pixels) { m_geometry.FitRowHeights(pixels); }
    TGridCellKind CellKind(int gridColumn, int gridRow) const
    {
        return m_geometry.CellKind(gridColumn, gridRow);
    }
    //! The data column or row of a grid column or row; 0 for the fixed ones.
    int DataColumn(int gridColumn) const { return m_geometry.DataColumn(gridColumn); }
    int DataRow(int gridRow) const { return m_geometry.DataRow(gridRow); }
    int GridColumn(int column) const { return m_geometry.GridColumn(column); }
    int GridRow(int row) const { return m_geometry.GridRow(row); }

    // What is drawn.
    TCellLook DataCellLook(int column, int row) const;
    TCellLook GridCellLook(int gridColumn, int gridRow) const;
    std::string CornerText() const;
    bool CommentEditing() const { return m_commentEditing; }
    void SetCommentEditing(bool open);

    // The current cell and the selection.
    int Col() const { return m_current.first; }
    int Row() const { return m_current.second; }
    TGridRect Selection() const;
    //! Moves the current cell (clamped to the table); with `extend` the selection reaches from
    //! its anchor to the new cell, otherwise it is the new cell alone.
    void SetCurrent(int column, int row, bool extend = false);
    //! Selects a block; the current cell becomes its top-left cell.
    void SetSelection(TGridRect block);

    // The commands of the data-cell menu.
    void Mark(std::uint8_t mark, bool on, TMarkScope scope);
    void UnmarkAll();
    void ClearSelected();
    //! Fills the internal clipboard and returns the text for the system clipboard.
    std::string Copy();
    //! False (and nothing done) until a Copy has filled the internal clipboard.
    bool Paste();
    void ExtractFromClipboard(std::string_view text);
    void SelectAll();
    void ToggleEmptyState();

    // In-place editing.
    bool NominalColumn(int column) const;
    std::string EditText(int column, int row) const;
    //! The non-empty nominal names of a column, in order.
    std::vector<std::string> PickList(int column) const;
    //! A numeric text (comma taken as point) stores the value with state 0, anything else makes
    //! the element empty; a nominal column looks the text up among its names.
    void CommitEditText(int column, int row, std::string_view text);
    //! Whether a grid cell has a heading or attribute to edit.
    bool HeadingEditable(int gridColumn, int gridRow) const;
    std::string HeadingEditText(int gridColumn, int gridRow) const;
    void CommitHeadingEdit(int gridColumn, int gridRow, std::string_view text);
    //! 3, 2, 1, 0, -1, then round again from 10.
    void StepPrecision(int column);

    Notify OnChange;
    Notify OnChangeSetup;
    Notify OnHeadingChanged;
    //! The widget repaints; held back while painting is suppressed or a bulk update runs.
    Notify OnRepaint;

private:
    //! Runs a bulk update: table changes raise nothing while it runs; one repaint afterwards.
    template <typename Body>
    void bulk(bool detachChange, Body&& body);
    void tableChanged();
    void repaint();
    void changed();
    void changeSetup();
    //! Grows or shrinks the table in `body`, which either changes all or throws and changes
    //! nothing; out of memory becomes the editor's error.
    template <typename Body>
    void resizeTable(bool shrinks, Body&& body);
    //! The grid's sizes or visible headings changed: repaint and tell the owner.
    void geometryChanged();
    //! The name a nominal column's value stands for; empty when it stands for none.
    std::string_view nominalName(int column, double value) const;
    //! A heading's name or attribute set through `change` when `index` is 1..`count`; others are
    //! ignored, as a heading outside the table has nothing to hold them.
    template <typename Change>
    void changeHeading(int index, int count, Change change)
    {
        if (index < 1 || index > count)
            return;
        change();
        changed();
        repaint();
    }
    void clampCurrent();
    std::string displayText(int column, int row) const;
    std::string copyText(int column, int row) const;

    std::string m_name;
    TDataTable m_table;
    TDataTable m_clipboard;
    bool m_clipboardFilled = false;
    std::vector<int> m_precision;
    TGridGeometry m_geometry;
    int m_numWidth = 1;
    bool m_boldMarks = true;
    bool m_boldSelHeads = true;
    bool m_paintingSuppressed = false;
    bool m_updating = false;
    bool m_listening = true;
    bool m_repaintPending = false;
    bool m_commentEditing = false;
    std::pair<int, int> m_current { 1, 1 };
    std::pair<int, int> m_anchor { 1, 1 };
};

template <typename Body>
void TCeltrixModel::bulk(bool detachChange, Body&& body)
{
    const bool wasListening = m_listening;
    m_updating = true;
    if (detachChange)
        m_listening = false;
    try {
        body();
    } catch (...) {
        m_listening = wasListening;
        m_updating = false;
        throw;
    }
    m_listening = wasListening;
    m_updating = false;
    repaint();
}

} // namespace meldrix
