#include "tabed/qt/InplaceEditor.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <algorithm>

namespace meldrix {

using namespace Qt::StringLiterals;

namespace {

const QColor CommentColour { 0, 128, 128 };
constexpr int CommentHeight = 80;

// An editor that takes every key. One the editor has no use for would otherwise travel up to
// the grid, and the grid sends keys to its open editor.
template <typename Editor>
class KeyTaking final : public Editor {
public:
    KeyTaking(QWidget* parent, TInplaceEditor::UnusedKey unusedKey)
        : Editor(parent)
        , m_unusedKey(std::move(unusedKey))
    {
    }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        Editor::keyPressEvent(event);
        if (event->isAccepted())
            return;
        event->accept();
        if (m_unusedKey)
            m_unusedKey(event);
    }
    void keyReleaseEvent(QKeyEvent* event) override
    {
        Editor::keyReleaseEvent(event);
        event->accept();
    }

private:
    TInplaceEditor::UnusedKey m_unusedKey;
};

} // namespace

TInplaceEditor::TInplaceEditor(
    QWidget* viewport, QWidget* grid, QObject* filter, UnusedKey unusedKey)
    : m_viewport(viewport)
    , m_grid(grid)
    , m_filter(filter)
    , m_unusedKey(std::move(unusedKey))
{
}

TInplaceEditor::~TInplaceEditor()
{
    // The editors are children of the viewport and die with it; only stop their events.
    if (QWidget* editor = widget())
        editor->removeEventFilter(m_filter);
}

QWidget* TInplaceEditor::widget() const
{
    if (m_line)
        return m_line;
    if (m_pick)
        return m_pick;
    if (m_comment)
        return m_comment;
    return nullptr;
}

void TInplaceEditor::open(const Request& request)
{
    finish(false);
    m_state = request.kind;
    m_cell = request.cell;
    m_offered = request.text.trimmed();
    m_picked = false;
    QWidget* editor = nullptr;
    switch (request.kind) {
    case State::Closed:
        return;
    case State::EditingCell:
        if (request.pickList) {
            // Nominal values are picked from the column's names; they cannot be typed.
            m_pick = new KeyTaking<QComboBox>(m_viewport, m_unusedKey);
            m_pick->setObjectName(u"InplacePickList"_s);
            m_pick->addItems(*request.pickList);
            m_pick->setMaxVisibleItems(request.visibleItems);
            m_pick->setCurrentIndex(m_pick->findText(m_offered));
            QObject::connect(m_pick, &QComboBox::activated, m_pick, [this] { m_picked = true; });
            editor = m_pick;
        } else {
            m_line = new KeyTaking<QLineEdit>(m_viewport, m_unusedKey);
            m_line->setObjectName(u"InplaceEdit"_s);
            m_line->setFrame(false);
            m_line->setText(request.typed.isEmpty() ? m_offered : request.typed);
            m_line->setModified(!request.typed.isEmpty());
            if (request.typed.isEmpty())
                m_line->selectAll();
            editor = m_line;
        }
        place(request.rect);
        break;
    case State::EditingHeading:
        m_line = new KeyTaking<QLineEdit>(m_viewport, {});
        m_line->setObjectName(u"HeadingEdit"_s);
        m_line->setText(request.text);
        m_line->move(request.rect.topLeft() + QPoint(30, 5));
        m_line->resize(std::max(request.rect.width(), 160), m_line->sizeHint().height());
        editor = m_line;
        break;
    case State::EditingComment: {
        m_comment = new KeyTaking<QPlainTextEdit>(m_viewport, {});
        m_comment->setObjectName(u"CommentEdit"_s);
        m_comment->setPlainText(request.text);
        QPalette colours = m_comment->palette();
        colours.setColor(QPalette::Base, CommentColour);
        colours.setColor(QPalette::Text, Qt::white);
        m_comment->setPalette(colours);
        // Beside the corner cell, as wide as there is room for within reason.
        const QRect corner = request.rect;
        const int width = std::max(160, std::min(320, m_viewport->width() - corner.right() - 1));
        m_comment->setGeometry(corner.right() + 1, corner.top(), width, CommentHeight);
        editor = m_comment;
        break;
    }
    }
    editor->installEventFilter(m_filter);
    editor->show();
    editor->setFocus();
}

std::optional<TInplaceEditor::Edit> TInplaceEditor::finish(bool store)
{
    QWidget* editor = widget();
    if (m_state == State::Closed || !editor)
        return std::nullopt;
    Edit edit { m_state, m_cell, {} };
    bool edited = true;
    if (m_comment) {
        edit.text = m_comment->toPlainText();
    } else if (m_pick) {
        edit.text = m_pick->currentText();
        edited = m_picked || edit.text != m_offered;
    } else {
        edit.text = m_line->text();
        if (m_state == State::EditingCell)
            edited = m_line->isModified() || edit.text != m_offered;
    }
    // The focus goes back to the grid before the editor hides; hiding a focused widget would
    // pass the focus on as Tab does.
    if (editor->hasFocus() || editor->isHidden())
        m_grid->setFocus();
    editor->setObjectName(QString()); // gone for findChild while it waits for deletion
    editor->removeEventFilter(m_filter);
    editor->hide();
    editor->deleteLater();
    m_state = State::Closed;
    m_line = nullptr;
    m_pick = nullptr;
    m_comment = nullptr;
    if (!store || !edited)
        return std::nullopt;
    return edit;
}

void TInplaceEditor::place(QRect rect)
{
    if (m_state != State::EditingCell)
        return;
    QWidget* editor = widget();
    if (rect.isEmpty()) {
        if (editor->isVisible()) {
            if (editor->hasFocus())
                m_grid->setFocus();
            editor->hide();
        }
        return;
    }
    if (m_line)
        m_line->setGeometry(rect.adjusted(0, 0, -1, -1));
    else
        m_pick->setGeometry(rect.left(), rect.top(), rect.width(),
            std::max(rect.height(), m_pick->sizeHint().height()));
    if (editor->isHidden()) {
        // Back in view; the focus follows when the grid has it.
        editor->show();
        if (m_grid->hasFocus())
            editor->setFocus();
    }
}

} // namespace meldrix
