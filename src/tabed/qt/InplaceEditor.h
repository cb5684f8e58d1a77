#pragma once

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QKeyEvent;

namespace meldrix {

//! The table editor's in-place editors: at most one is open, for a data cell (a line or, in a
//! nominal column, a pick list), a heading or attribute, or the comment. `open` is the one
//! place that opens an editor, `finish` the one place that closes it with what is to be stored.
//! A key an editor has no use for ends at the editor: it never goes up to the grid, which would
//! hand it back. A data cell editor passes such a key to `unusedKey` instead, once.
class TInplaceEditor {
public:
    using UnusedKey = std::function<void(QKeyEvent*)>;

    enum class State { Closed, EditingCell, EditingHeading, EditingComment };

    struct Request {
        State kind = State::EditingCell;
        //! The data cell (data coordinates) or the heading's grid cell; unused for the comment.
        QPoint cell;
        QRect rect; //!< where the editor goes in the grid's viewport
        QString text; //!< what the operator is offered
        QString typed; //!< a data cell editor opened by a typed character starts with it
        std::optional<QStringList> pickList; //!< a nominal column's names
        int visibleItems = 8;
    };

    //! What an editor held when it was finished with store requested.
    struct Edit {
        State kind = State::Closed;
        QPoint cell;
        QString text;
    };

    //! `viewport` holds the editors; `grid` takes the focus back; `filter` sees their events;
    //! `unusedKey` gets the keys a data cell editor did not take.
    TInplaceEditor(QWidget* viewport, QWidget* grid, QObject* filter, UnusedKey unusedKey);
    TInplaceEditor(const TInplaceEditor&) = delete;
    TInplaceEditor& operator=(const TInplaceEditor&) = delete;
    ~TInplaceEditor();

    State state() const { return m_state; }
    bool editing(State kind) const { return m_state == kind; }
    QPoint cell() const { return m_cell; }
    //! The open editor's widget, or null.
    QWidget* widget() const;
    QLineEdit* lineEdit() const { return m_line; }
    QComboBox* pickList() const { return m_pick; }
    QPlainTextEdit* commentEdit() const { return m_comment; }

    //! Closes whatever is open without storing, then opens the editor asked for and focuses it.
    void open(const Request& request);
    //! Closes the open editor. With `store` it hands back what to store: a heading or the comment
    //! always, a data cell only when the operator changed what was offered (the offered text is
    //! rounded, and an empty element would turn into a number).
    std::optional<Edit> finish(bool store);
    //! Moves a data cell editor to its cell; while the cell is out of view (an empty rect) the
    //! editor waits hidden with its text, and the grid keeps the focus.
    void place(QRect rect);

private:
    QWidget* m_viewport;
    QWidget* m_grid;
    QObject* m_filter;
    UnusedKey m_unusedKey;
    State m_state = State::Closed;
    QPoint m_cell;
    QString m_offered;
    bool m_picked = false; // the operator chose from the pick list
    QPointer<QLineEdit> m_line;
    QPointer<QComboBox> m_pick;
    QPointer<QPlainTextEdit> m_comment;
};

} // namespace meldrix
