#include "common/qt/RecordText.h"
#include "tabed/qt/TCeltrix.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPixmap>
#include <algorithm>

namespace meldrix {

using namespace Qt::StringLiterals;

namespace {

// Clear, Paste, Extract from Clipboard and Toggle Empty State, counted from 0 in the data menu.
constexpr std::size_t ValueChangingItems[] = { 5, 7, 9, 11 };

// The pictures of "Edit on/off": a cross while editing is on, a check mark while it is off.
QIcon editIcon(bool editing)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    if (editing) {
        painter.setPen(QPen(QColor(192, 0, 0), 2.5));
        painter.drawLine(QPointF(4, 4), QPointF(12, 12));
        painter.drawLine(QPointF(12, 4), QPointF(4, 12));
    } else {
        painter.setPen(QPen(QColor(0, 128, 0), 2.5));
        painter.drawLine(QPointF(3, 8), QPointF(6.5, 12));
        painter.drawLine(QPointF(6.5, 12), QPointF(13, 4));
    }
    return QIcon(pixmap);
}

} // namespace

void TCeltrix::buildMenus()
{
    m_dataMenu = new QMenu(this);
    m_dataMenu->setObjectName(u"DataPopupMenu"_s);
    struct MarkMenu {
        const char* caption;
        const char* name;
        std::uint8_t mark;
        bool on;
    };
    const MarkMenu markMenus[] = {
        { "Mark as type A", "MarkAsTypeA1", StateMarkA, true },
        { "Mark as type B", "MarkAsTypeB1", StateMarkB, true },
        { "Unmark type A", "UnmarkTypeA1", StateMarkA, false },
        { "Unmark type B", "UnmarkTypeB1", StateMarkB, false },
    };
    struct Scope {
        const char* caption;
        TMarkScope scope;
    };
    const Scope scopes[] = { { "Range", TMarkScope::Range }, { "Column", TMarkScope::Column },
        { "Row", TMarkScope::Row }, { "All", TMarkScope::All } };
    for (const MarkMenu& entry : markMenus) {
        QMenu* sub = m_dataMenu->addMenu(QString::fromLatin1(entry.caption));
        sub->setObjectName(QString::fromLatin1(entry.name) + u"Menu"_s);
        sub->menuAction()->setObjectName(QString::fromLatin1(entry.name));
        for (const Scope& scope : scopes) {
            QAction* action = sub->addAction(QString::fromLatin1(scope.caption));
            action->setObjectName(
                QString::fromLatin1(entry.name) + QString::fromLatin1(scope.caption));
            connect(action, &QAction::triggered, this, [this, entry, scope] {
                guarded([&] { m_model.Mark(entry.mark, entry.on, scope.scope); });
            });
        }
    }
    const auto add = [this](const QString& caption, const QString& name, auto slot) {
        QAction* action = m_dataMenu->addAction(caption);
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, [this, slot] { guarded(slot); });
        return action;
    };
    add(u"Unmark All"_s, u"UnmarkAll1"_s, [this] { m_model.UnmarkAll(); });
    add(u"Clear"_s, u"Clear1"_s, [this] { m_model.ClearSelected(); });
    add(u"Copy"_s, u"Copy1"_s, [this] { copyToClipboard(); });
    m_pasteAction = add(u"Paste"_s, u"Paste1"_s, [this] { m_model.Paste(); });
    m_editOnOffAction = add(
        u"Edit on/off"_s, u"EditOnOff1"_s, [this] { SetEditingEnabled(!m_model.EditingEnabled); });
    m_editOnOffAction->setIcon(editIcon(m_model.EditingEnabled));
    add(u"Extract from Clipboard"_s, u"ExtractFromClipboard1"_s,
        [this] { extractFromClipboard(); });
    add(u"Select All"_s, u"SelectAll1"_s, [this] { m_model.SelectAll(); });
    add(u"Toggle Empty State"_s, u"ToggleEmptyState1"_s, [this] { m_model.ToggleEmptyState(); });
    connect(m_dataMenu, &QMenu::aboutToShow, this, [this] {
        const auto actions = m_dataMenu->actions();
        for (int i = 0; i < actions.size() && i < 12; ++i)
            actions[i]->setEnabled(m_dataMenuMask.test(static_cast<std::size_t>(i)));
        m_pasteAction->setEnabled(m_dataMenuMask.test(7) && m_model.ClipboardFilled());
        // With editing off the values are a display: nothing may change them.
        if (!m_model.EditingEnabled)
            for (const std::size_t item : ValueChangingItems)
                actions[static_cast<qsizetype>(item)]->setEnabled(false);
    });

    m_headingMenu = new QMenu(this);
    m_headingMenu->setObjectName(u"HeadingPopupMenu"_s);
    QAction* editHeading = m_headingMenu->addAction(u"Edit Heading"_s);
    editHeading->setObjectName(u"EditHeading1"_s);
    connect(editHeading, &QAction::triggered, this, [this] { openHeadingEditor(); });
    m_changePrecisionAction = m_headingMenu->addAction(u"Change Precision"_s);
    m_changePrecisionAction->setObjectName(u"ChangePrecision1"_s);
    connect(m_changePrecisionAction, &QAction::triggered, this, [this] { changePrecision(); });
    connect(m_headingMenu, &QMenu::aboutToHide, this, [this] {
        // The menu acts after it hides; the outline goes once the action has run.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!m_headingMenu->isVisible() && !m_inplace.editing(Editing::EditingHeading)) {
                    m_outlinedCell.reset();
                    viewport()->update();
                }
            },
            Qt::QueuedConnection);
    });
}

void TCeltrix::SetEditingEnabled(bool enabled)
{
    closeEditing();
    m_model.EditingEnabled = enabled;
    m_editOnOffAction->setIcon(editIcon(enabled));
}

void TCeltrix::SetDataMenuItemEnabled(int item, bool enabled)
{
    if (item >= 1 && item <= 12)
        m_dataMenuMask.set(static_cast<std::size_t>(item - 1), enabled);
}

void TCeltrix::SetHeadingMenuItemEnabled(int item, bool enabled)
{
    if (item >= 1 && item <= 2)
        m_headingMenuMask.set(static_cast<std::size_t>(item - 1), enabled);
}

void TCeltrix::showDataMenu(QPoint globalPosition)
{
    commitEditing();
    m_dataMenu->popup(globalPosition);
}

void TCeltrix::showHeadingMenu(int gridColumn, int gridRow, QPoint globalPosition)
{
    commitEditing();
    m_outlinedCell = QPoint(gridColumn, gridRow);
    // Every cell of a data column has a precision: its heading and its attribute alike.
    const TGridCellKind kind = m_model.CellKind(gridColumn, gridRow);
    const bool dataColumn = kind == TGridCellKind::ColHeading || kind == TGridCellKind::ColAttrib;
    const auto actions = m_headingMenu->actions();
    actions[0]->setEnabled(m_headingMenuMask.test(0));
    m_changePrecisionAction->setEnabled(m_headingMenuMask.test(1) && dataColumn);
    viewport()->update();
    m_headingMenu->popup(globalPosition);
}

void TCeltrix::changePrecision()
{
    if (!m_outlinedCell)
        return;
    const QPoint cell = *m_outlinedCell;
    guarded([&] { m_model.StepPrecision(m_model.DataColumn(cell.x())); });
    // Shown again beside the cell, so that repeated clicks step on.
    const QRect rect = GridCellRect(cell.x(), cell.y());
    showHeadingMenu(cell.x(), cell.y(), viewport()->mapToGlobal(rect.topLeft() + QPoint(20, 20)));
}

void TCeltrix::copyToClipboard()
{
    commitEditing();
    const std::string text = m_model.Copy();
    QGuiApplication::clipboard()->setText(fromRecordText(text));
}

void TCeltrix::extractFromClipboard()
{
    const QMimeData* content = QGuiApplication::clipboard()->mimeData();
    if (!content || !content->hasText())
        return;
    commitEditing();
    m_model.ExtractFromClipboard(content->text().toUtf8().toStdString());
}

} // namespace meldrix
