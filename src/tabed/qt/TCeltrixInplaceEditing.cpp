#include "common/qt/RecordText.h"
#include "tabed/qt/TCeltrix.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <algorithm>

namespace meldrix {

void TCeltrix::startEditing(const QString& typed)
{
    if (!m_model.EditingEnabled || m_inplace.editing(Editing::EditingHeading)
        || m_inplace.editing(Editing::EditingComment))
        return;
    closeEditing();
    const int column = m_model.Col();
    const int row = m_model.Row();
    const int gridColumn = m_model.GridColumn(column);
    const int gridRow = m_model.GridRow(row);
    scrollToCurrent();
    TInplaceEditor::Request request;
    request.kind = Editing::EditingCell;
    request.cell = QPoint(column, row);
    request.rect = GridCellRect(gridColumn, gridRow);
    if (request.rect.isEmpty())
        return;
    request.text = fromRecordText(m_model.EditText(column, row));
    Q_EMIT OnGetEditText(gridColumn, gridRow, request.text);
    request.typed = typed;
    if (m_model.NominalColumn(column)) {
        QStringList names;
        for (const std::string& name : m_model.PickList(column))
            names << fromRecordText(name);
        request.pickList = names;
        request.visibleItems = m_model.NomEditDropDownCount;
    }
    m_inplace.open(request);
    if (QComboBox* list = m_inplace.pickList())
        connect(list, &QComboBox::activated, this, [this] { commitEditing(); });
}

void TCeltrix::openHeadingEditor()
{
    if (!m_outlinedCell || m_inplace.editing(Editing::EditingComment))
        return;
    commitEditing();
    const QPoint cell = *m_outlinedCell;
    TInplaceEditor::Request request;
    request.kind = Editing::EditingHeading;
    request.cell = cell;
    request.rect = GridCellRect(cell.x(), cell.y());
    request.text = fromRecordText(m_model.HeadingEditText(cell.x(), cell.y()));
    m_inplace.open(request);
}

void TCeltrix::openCommentEditor()
{
    if (m_inplace.editing(Editing::EditingComment) || m_inplace.editing(Editing::EditingHeading))
        return;
    commitEditing(); // what was typed into a cell is not lost
    TInplaceEditor::Request request;
    request.kind = Editing::EditingComment;
    request.rect = GridCellRect(0, 0);
    request.text = Comment();
    m_inplace.open(request);
    m_model.SetCommentEditing(true);
}

void TCeltrix::finishEditing(bool store)
{
    const Editing kind = m_inplace.state();
    const auto edit = m_inplace.finish(store);
    if (kind == Editing::EditingComment)
        m_model.SetCommentEditing(false);
    if (kind == Editing::EditingHeading) {
        m_outlinedCell.reset();
        viewport()->update();
    }
    if (!edit)
        return;
    const QPoint cell = edit->cell;
    switch (edit->kind) {
    case Editing::EditingCell:
        guarded([&] { m_model.CommitEditText(cell.x(), cell.y(), toRecordText(edit->text)); });
        Q_EMIT OnSetEditText(m_model.GridColumn(cell.x()), m_model.GridRow(cell.y()), edit->text);
        break;
    case Editing::EditingHeading:
        guarded([&] { m_model.CommitHeadingEdit(cell.x(), cell.y(), toRecordText(edit->text)); });
        break;
    case Editing::EditingComment:
        SetComment(edit->text);
        break;
    case Editing::Closed:
        break;
    }
}

void TCeltrix::commitEditing()
{
    if (m_inplace.editing(Editing::EditingCell))
        finishEditing(true);
}

void TCeltrix::closeEditing()
{
    if (m_inplace.editing(Editing::EditingCell))
        finishEditing(false);
}

void TCeltrix::placeEditor()
{
    if (!m_inplace.editing(Editing::EditingCell))
        return;
    const QPoint cell = m_inplace.cell();
    m_inplace.place(GridCellRect(m_model.GridColumn(cell.x()), m_model.GridRow(cell.y())));
}

bool TCeltrix::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_inplace.widget() || !m_inplace.widget())
        return QAbstractScrollArea::eventFilter(watched, event);
    if (m_inplace.editing(Editing::EditingCell))
        return cellEditorEvent(event);
    if (event->type() == QEvent::KeyPress) {
        // Heading and comment: Enter stores, Esc leaves everything as it was.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter) {
            finishEditing(key != Qt::Key_Escape);
            return true;
        }
    }
    return false;
}

bool TCeltrix::cellEditorEvent(QEvent* event)
{
    if (event->type() == QEvent::KeyRelease) {
        int key = static_cast<QKeyEvent*>(event)->key();
        Q_EMIT OnKeyUp(key, static_cast<QKeyEvent*>(event)->modifiers());
        return key == 0;
    }
    if (event->type() == QEvent::FocusOut) {
        // A drop-down list takes the focus while open, and the grid takes it while the edited
        // cell is scrolled out of view; neither ends the editing. Focus leaving the grid does.
        const QComboBox* list = m_inplace.pickList();
        if (!(list && list->view()->isVisible()))
            QMetaObject::invokeMethod(
                this,
                [this] {
                    const QWidget* focus = QApplication::focusWidget();
                    if (focus != this && !(focus && isAncestorOf(focus)))
                        commitEditing();
                },
                Qt::QueuedConnection);
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    QChar character;
    if (!raiseKeyDown(key, character))
        return true;
    if (!character.isNull() && character != key->text().at(0)) {
        if (QLineEdit* line = m_inplace.lineEdit())
            line->insert(QString(character));
        return true;
    }
    switch (key->key()) {
    case Qt::Key_Escape:
        closeEditing();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        commitEditing();
        if (m_model.AutoAdvance)
            guarded([&] { moveCurrent(m_model.Col(), m_model.Row() + 1, false); });
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (m_inplace.lineEdit()) {
            const int step = key->key() == Qt::Key_Up ? -1 : 1;
            guarded([&] { moveCurrent(m_model.Col(), m_model.Row() + step, false); });
            return true;
        }
        return false;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: {
        const int step = key->key() == Qt::Key_Tab ? 1 : -1;
        guarded([&] { moveCurrent(m_model.Col() + step, m_model.Row(), false); });
        return true;
    }
    default:
        return false;
    }
}

} // namespace meldrix
