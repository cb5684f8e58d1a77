#pragma once

#include "tabed/CeltrixModel.h"
#include "tabed/qt/InplaceEditor.h"

#include <QAbstractScrollArea>
#include <QColor>
#include <QMenu>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <bitset>
#include <exception>
#include <initializer_list>
#include <optional>

class QAction;
class QFontMetrics;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;

namespace meldrix {

//! The numeric table editor: a grid over a TCeltrixModel with row and column headings, optional
//! attribute column and row, the comment in the corner cell, in-place editing, and the two
//! context menus. All content and every command live in the model; the widget paints it and
//! turns mouse, keys, menus and the system clipboard into model calls.
class TCeltrix : public QAbstractScrollArea {
    Q_OBJECT
public:
    //! `name` becomes the objectName and the component name of error messages. Throws
    //! EQuorCeltrixError when the content table cannot be created.
    explicit TCeltrix(const QString& name, QWidget* parent = nullptr);
    ~TCeltrix() override;

    TCeltrixModel& Model() { return m_model; }
    const TCeltrixModel& Model() const { return m_model; }

    // The operations the application uses (data coordinates, out-of-range indices ignored).
    void Clear() { m_model.Clear(); }
    int NrOfColumns() const { return m_model.NrOfColumns(); }
    void SetNrOfColumns(int count) { m_model.SetNrOfColumns(count); }
    int NrOfRows() const { return m_model.NrOfRows(); }
    void SetNrOfRows(int count) { m_model.SetNrOfRows(count); }
    int NumWidth() const { return m_model.NumWidth(); }
    void SetNumWidth(int width) { m_model.SetNumWidth(width); }
    int Precision(int column) const { return m_model.Precision(column); }
    void SetPrecision(int column, int decimals) { m_model.SetPrecision(column, decimals); }
    int ColWidth(int column) const { return m_model.ColWidth(column); }
    void SetColWidth(int column, int pixels) { m_model.SetColWidth(column, pixels); }
    //! Widths of the grid columns from the left, the heading and attribute columns included.
    void SetColWidths(std::initializer_list<int> gridWidths);
    int RowHeight(int row) const { return m_model.RowHeight(row); }
    void SetRowHeight(int row, int pixels) { m_model.SetRowHeight(row, pixels); }
    void SetDefaultColWidth(int pixels) { m_model.SetDefaultColWidth(pixels); }
    void SetDefaultRowHeight(int pixels) { m_model.SetDefaultRowHeight(pixels); }
    QString ColName(int column) const;
    void SetColName(int column, const QString& text);
    QString RowName(int row) const;
    void SetRowName(int row, const QString& text);
    int ColAttrib(int column) const { return m_model.ColAttrib(column); }
    void SetColAttrib(int column, std::uint8_t value) { m_model.SetColAttrib(column, value); }
    int RowAttrib(int row) const { return m_model.RowAttrib(row); }
    void SetRowAttrib(int row, std::uint8_t value) { m_model.SetRowAttrib(row, value); }
    double Elem(int column, int row) const { return m_model.Elem(column, row); }
    void SetElem(int column, int row, double value) { m_model.SetElem(column, row, value); }
    int ElemState(int column, int row) const { return m_model.ElemState(column, row); }
    void SetElemState(int column, int row, std::uint8_t state)
    {
        m_model.SetElemState(column, row, state);
    }
    QString Comment() const;
    void SetComment(const QString& text);
    bool PaintingSuppressed() const { return m_model.PaintingSuppressed(); }
    void SetPaintingSuppressed(bool suppressed) { m_model.SetPaintingSuppressed(suppressed); }
    void SetAttribRowVisible(bool visible) { m_model.SetAttribRowVisible(visible); }
    void SetAttribColVisible(bool visible) { m_model.SetAttribColVisible(visible); }

    //! The current cell in data coordinates.
    int Col() const { return m_model.Col(); }
    int Row() const { return m_model.Row(); }
    int TopRow() const { return m_topRow; }
    //! Data columns and rows wholly in view.
    int VisibleColCount() const;
    int VisibleRowCount() const;
    void SetTopRow(int row);
    //! Stores what an open cell editor holds and closes it, at once; nothing when none is open.
    void commitOpenEditor() { commitEditing(); }
    //! The grid's editing option ("Edit on/off"). While it is off no cell opens for typing, and
    //! the data menu's commands that change values are disabled.
    bool EditingEnabled() const { return m_model.EditingEnabled; }
    void SetEditingEnabled(bool enabled);
    //! A user-supplied context menu replaces the built-in ones.
    void SetPopupMenu(QMenu* menu) { m_popupMenu = menu; }
    //! Items of the data-cell menu (1..12) and the heading menu (1..2) can be disabled.
    void SetDataMenuItemEnabled(int item, bool enabled);
    void SetHeadingMenuItemEnabled(int item, bool enabled);

    QColor ColorBackground;
    QColor ColorFixed;
    QColor ColorNormal { 0, 32, 0 };
    QColor ColorSelected { 255, 0, 0 };
    QColor ColorMarkedA { 255, 0, 0 };
    QColor ColorMarkedB { 0, 0, 255 };
    QColor ColorMarkedBoth { 187, 0, 204 };

    //! A number text shortened to `width` pixels without misleading the reader: padding goes
    //! first, then trailing digits of the mantissa or decimals give way to "…" (the exponent
    //! always stays), and a number that still does not fit shows as "#".
    static QString FitNumberText(const QString& text, const QFontMetrics& metrics, int width);

    //! The grid cell under a viewport position, if any.
    std::optional<QPoint> GridCellAt(QPoint position) const;
    //! The viewport rectangle of a grid cell; empty when it is scrolled out of view.
    QRect GridCellRect(int gridColumn, int gridRow) const;

Q_SIGNALS:
    void OnChange();
    void OnChangeSetup();
    void OnHeadingChanged();
    void OnClick();
    void OnDblClick();
    //! The text offered to the in-place editor; a handler may change it.
    void OnGetEditText(int gridColumn, int gridRow, QString& text);
    void OnSetEditText(int gridColumn, int gridRow, const QString& text);
    //! A mouse button went down or up in the grid (viewport coordinates), after the grid acted.
    void OnMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void OnMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    //! A key went down in the grid or its cell editor, before either acts on it; a handler that
    //! sets `key` to 0 takes the key away.
    void OnKeyDown(int& key, Qt::KeyboardModifiers shift);
    //! The character of a key, before the grid or its cell editor uses it; a handler may change
    //! it, and a null character takes it away.
    void OnKeyPress(QChar& key);
    void OnKeyUp(int& key, Qt::KeyboardModifiers shift);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void buildMenus();
    void refresh();
    void updateScrollBars();
    int lastLeftColumn() const;
    int lastTopRow() const;
    void scrollToCurrent();
    void moveCurrent(int column, int row, bool extend);
    void paintCell(class QPainter& painter, int gridColumn, int gridRow, QRect rect);
    QColor colourOf(TCellColour colour) const;

    void showDataMenu(QPoint globalPosition);
    void showHeadingMenu(int gridColumn, int gridRow, QPoint globalPosition);
    using Editing = TInplaceEditor::State;
    void startEditing(const QString& typed = {});
    void openHeadingEditor();
    void openCommentEditor();
    //! The one place that stores what an in-place editor held (with `store`) and closes it.
    void finishEditing(bool store);
    //! Store or drop a data cell's edit; headings and the comment stay open.
    void commitEditing();
    void closeEditing();
    void placeEditor();
    bool cellEditorEvent(QEvent* event);
    void handleMousePress(QMouseEvent* event);
    //! Raises OnKeyDown and OnKeyPress; false when a handler took the key away. `character` is
    //! the character to use, changed or not.
    bool raiseKeyDown(QKeyEvent* event, QChar& character);
    //! Moves the current cell for the arrow, page, Home and End keys; false for other keys.
    bool navigate(const QKeyEvent* event);
    void unusedEditorKey(QKeyEvent* event);
    void copyToClipboard();
    void extractFromClipboard();
    void changePrecision();
    // No exception may leave an event handler or a slot.
    template <typename Command>
    static void guarded(Command&& command)
    {
        try {
            command();
        } catch (const std::exception& error) {
            qWarning("%s", error.what());
        }
    }

    TCeltrixModel m_model;
    int m_leftCol = 1;
    int m_topRow = 1;
    bool m_selecting = false;
    bool m_settingScrollBars = false;
    QPointer<QMenu> m_popupMenu;
    QMenu* m_dataMenu = nullptr;
    QMenu* m_headingMenu = nullptr;
    QAction* m_pasteAction = nullptr;
    QAction* m_editOnOffAction = nullptr;
    QAction* m_changePrecisionAction = nullptr;
    std::bitset<12> m_dataMenuMask;
    std::bitset<2> m_headingMenuMask;
    std::optional<QPoint> m_outlinedCell; // grid cell the heading menu acts on
    TInplaceEditor m_inplace;
};

} // namespace meldrix
