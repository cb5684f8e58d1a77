#include "tabed/qt/TCeltrix.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>

namespace meldrix {

void TCeltrix::moveCurrent(int column, int row, bool extend)
{
    commitEditing();
    const bool moved = column != m_model.Col() || row != m_model.Row();
    m_model.SetCurrent(column, row, extend);
    scrollToCurrent();
    if (moved)
        Q_EMIT OnClick();
}

void TCeltrix::scrollToCurrent()
{
    const int column = m_model.Col();
    const int row = m_model.Row();
    if (column < m_leftCol)
        m_leftCol = column;
    while (m_leftCol < column && GridCellRect(m_model.GridColumn(column), 0).isEmpty())
        ++m_leftCol;
    while (m_leftCol < column
        && GridCellRect(m_model.GridColumn(column), 0).right() >= viewport()->width())
        ++m_leftCol;
    if (row < m_topRow)
        m_topRow = row;
    while (m_topRow < row && GridCellRect(0, m_model.GridRow(row)).bottom() >= viewport()->height())
        ++m_topRow;
    refresh();
}

void TCeltrix::mousePressEvent(QMouseEvent* event)
{
    if (m_inplace.editing(Editing::EditingHeading))
        return; // an open heading editor takes no clicks in the grid
    handleMousePress(event);
    const QPoint at = event->position().toPoint();
    Q_EMIT OnMouseDown(event->button(), event->modifiers(), at.x(), at.y());
}

void TCeltrix::handleMousePress(QMouseEvent* event)
{
    const auto cell = GridCellAt(event->position().toPoint());
    if (!cell)
        return;
    const TGridCellKind kind = m_model.CellKind(cell->x(), cell->y());
    if (kind == TGridCellKind::Corner && m_inplace.editing(Editing::EditingComment)) {
        finishEditing(false);
        return;
    }
    if (event->button() == Qt::RightButton) {
        if (m_popupMenu) {
            m_popupMenu->popup(event->globalPosition().toPoint());
            return;
        }
        if (m_model.BlockInternalPopup)
            return;
        setFocus();
        if (kind == TGridCellKind::Corner) {
            if (m_model.CommentEditingAllowed)
                openCommentEditor();
            return;
        }
        if (kind == TGridCellKind::Data) {
            const int column = m_model.DataColumn(cell->x());
            const int row = m_model.DataRow(cell->y());
            if (!m_model.Selection().contains(column, row))
                moveCurrent(column, row, false);
            showDataMenu(event->globalPosition().toPoint());
        } else if (m_model.HeadingEditable(cell->x(), cell->y())) {
            showHeadingMenu(cell->x(), cell->y(), event->globalPosition().toPoint());
        }
        return;
    }
    if (event->button() != Qt::LeftButton || kind != TGridCellKind::Data)
        return;
    const int column = m_model.DataColumn(cell->x());
    const int row = m_model.DataRow(cell->y());
    if (m_inplace.editing(Editing::EditingCell) && m_inplace.cell() == QPoint(column, row))
        return; // the click belongs to the cell's own editor
    setFocus();
    const bool extend = event->modifiers().testFlag(Qt::ShiftModifier);
    const bool moved = column != m_model.Col() || row != m_model.Row();
    guarded([&] { moveCurrent(column, row, extend); });
    m_selecting = true;
    if (!moved)
        Q_EMIT OnClick(); // a click on the current cell is a click too
}

void TCeltrix::mouseReleaseEvent(QMouseEvent* event)
{
    m_selecting = false;
    event->accept();
    const QPoint at = event->position().toPoint();
    Q_EMIT OnMouseUp(event->button(), event->modifiers(), at.x(), at.y());
}

void TCeltrix::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_selecting || !(event->buttons() & Qt::LeftButton)) {
        m_selecting = false;
        return;
    }
    const auto cell = GridCellAt(event->position().toPoint());
    if (!cell || m_model.CellKind(cell->x(), cell->y()) != TGridCellKind::Data)
        return;
    const int column = m_model.DataColumn(cell->x());
    const int row = m_model.DataRow(cell->y());
    if (column != m_model.Col() || row != m_model.Row())
        m_model.SetCurrent(column, row, true);
}

void TCeltrix::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (m_inplace.editing(Editing::EditingHeading))
        return;
    const auto cell = GridCellAt(event->position().toPoint());
    if (!cell || event->button() != Qt::LeftButton)
        return;
    Q_EMIT OnDblClick();
    if (m_model.CellKind(cell->x(), cell->y()) != TGridCellKind::Data)
        return;
    const int column = m_model.DataColumn(cell->x());
    const int row = m_model.DataRow(cell->y());
    if (m_inplace.editing(Editing::EditingCell) && m_inplace.cell() == QPoint(column, row))
        return;
    guarded([&] { moveCurrent(column, row, false); });
    startEditing();
}

bool TCeltrix::focusNextPrevChild(bool next)
{
    // Tab moves between cells, as in any grid.
    if (m_inplace.state() != Editing::Closed)
        return QAbstractScrollArea::focusNextPrevChild(next);
    guarded([&] { moveCurrent(m_model.Col() + (next ? 1 : -1), m_model.Row(), false); });
    return true;
}

void TCeltrix::keyPressEvent(QKeyEvent* event)
{
    if (m_inplace.editing(Editing::EditingCell)) {
        // Keys that reach the grid while a cell is edited (its editor waits out of view, or the
        // key was sent to the grid) belong to the editor. It takes every key, so none comes back.
        QCoreApplication::sendEvent(m_inplace.widget(), event);
        return;
    }
    QChar character;
    if (!raiseKeyDown(event, character))
        return;
    if (navigate(event))
        return;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (m_model.AutoAdvance)
            guarded([&] { moveCurrent(m_model.Col(), m_model.Row() + 1, false); });
        else
            startEditing(); // the second Enter, in the editor, commits
        return;
    case Qt::Key_F2:
        startEditing();
        return;
    default:
        if (character.isPrint() && !event->modifiers().testFlag(Qt::ControlModifier)) {
            startEditing(QString(character));
            return;
        }
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
}

bool TCeltrix::navigate(const QKeyEvent* event)
{
    const bool extend = event->modifiers().testFlag(Qt::ShiftModifier);
    const bool control = event->modifiers().testFlag(Qt::ControlModifier);
    int column = m_model.Col();
    int row = m_model.Row();
    const int page = std::max(1, VisibleRowCount() - 1);
    switch (event->key()) {
    case Qt::Key_Left:
        --column;
        break;
    case Qt::Key_Right:
        ++column;
        break;
    case Qt::Key_Up:
        --row;
        break;
    case Qt::Key_Down:
        ++row;
        break;
    case Qt::Key_PageUp:
        row -= page;
        break;
    case Qt::Key_PageDown:
        row += page;
        break;
    case Qt::Key_Home:
        column = 1;
        if (control)
            row = 1;
        break;
    case Qt::Key_End:
        column = m_model.NrOfColumns();
        if (control)
            row = m_model.NrOfRows();
        break;
    default:
        return false;
    }
    guarded([&] { moveCurrent(column, row, extend); });
    return true;
}

void TCeltrix::unusedEditorKey(QKeyEvent* event)
{
    // A moving key the cell editor has no use for (a page key, an arrow at the end of its text)
    // moves on as in the grid, taking the text; any other key ends at the editor.
    navigate(event);
}

void TCeltrix::keyReleaseEvent(QKeyEvent* event)
{
    if (m_inplace.editing(Editing::EditingCell)) {
        QCoreApplication::sendEvent(m_inplace.widget(), event);
        return;
    }
    int key = event->key();
    Q_EMIT OnKeyUp(key, event->modifiers());
    if (key != 0)
        QAbstractScrollArea::keyReleaseEvent(event);
}

bool TCeltrix::raiseKeyDown(QKeyEvent* event, QChar& character)
{
    int key = event->key();
    Q_EMIT OnKeyDown(key, event->modifiers());
    if (key == 0)
        return false;
    character = event->text().isEmpty() ? QChar() : event->text().at(0);
    if (character.isNull())
        return true;
    Q_EMIT OnKeyPress(character);
    return !character.isNull();
}

} // namespace meldrix
