#include "tabed/qt/TCeltrix.h"

#include "common/qt/RecordText.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <algorithm>
#include <exception>
#include <vector>

namespace meldrix {

using namespace Qt::StringLiterals;

namespace {

const QColor CommentColour { 0, 128, 128 };
constexpr int TextLeft = 3;
constexpr int TextTop = 2;
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

TCeltrix::TCeltrix(const QString& name, QWidget* parent)
    : QAbstractScrollArea(parent)
    , m_model(toRecordText(name))
    , m_inplace(viewport(), this, this, [this](QKeyEvent* event) { unusedEditorKey(event); })
{
    setObjectName(name);
    ColorBackground = palette().color(QPalette::Base);
    ColorFixed = palette().color(QPalette::Button);
    m_dataMenuMask.set();
    m_headingMenuMask.set();
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(false);
    horizontalScrollBar()->setSingleStep(1);
    verticalScrollBar()->setSingleStep(1);

    m_model.OnRepaint = [this] { refresh(); };
    m_model.OnChange = [this] { Q_EMIT OnChange(); };
    m_model.OnChangeSetup = [this] { Q_EMIT OnChangeSetup(); };
    m_model.OnHeadingChanged = [this] { Q_EMIT OnHeadingChanged(); };
    buildMenus();
    updateScrollBars();
}

TCeltrix::~TCeltrix()
{
    // Editors and menus die with the widget; the model must not call back into it meanwhile.
    m_model.OnRepaint = nullptr;
    m_model.OnChange = nullptr;
    m_model.OnChangeSetup = nullptr;
    m_model.OnHeadingChanged = nullptr;
}

template <typename Command>
void TCeltrix::guarded(Command&& command)
{
    // No exception may leave an event handler or a slot.
    try {
        command();
    } catch (const std::exception& error) {
        qWarning("%s", error.what());
    }
}

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

void TCeltrix::SetColWidths(std::initializer_list<int> gridWidths)
{
    int gridColumn = 0;
    for (const int width : gridWidths) {
        if (gridColumn == 0)
            m_model.SetColWidth(0, width);
        else if (m_model.AttribRowVisible() && gridColumn == 1)
            m_model.SetColWidth(-1, width);
        else
            m_model.SetColWidth(m_model.DataColumn(gridColumn), width);
        ++gridColumn;
    }
}

QString TCeltrix::ColName(int column) const
{
    return fromRecordText(m_model.ColName(column));
}

void TCeltrix::SetColName(int column, const QString& text)
{
    m_model.SetColName(column, toRecordText(text));
}

QString TCeltrix::RowName(int row) const
{
    return fromRecordText(m_model.RowName(row));
}

void TCeltrix::SetRowName(int row, const QString& text)
{
    m_model.SetRowName(row, toRecordText(text));
}

QString TCeltrix::Comment() const
{
    return fromRecordText(m_model.Comment());
}

void TCeltrix::SetComment(const QString& text)
{
    m_model.SetComment(toRecordText(text));
}

void TCeltrix::SetTopRow(int row)
{
    m_topRow = std::clamp(row, 1, lastTopRow());
    updateScrollBars();
    placeEditor();
    viewport()->update();
}

int TCeltrix::VisibleColCount() const
{
    return m_model.Geometry().VisibleColCount(m_leftCol, viewport()->width());
}

int TCeltrix::VisibleRowCount() const
{
    return m_model.Geometry().VisibleRowCount(m_topRow, viewport()->height());
}

void TCeltrix::refresh()
{
    m_leftCol = std::clamp(m_leftCol, 1, lastLeftColumn());
    m_topRow = std::clamp(m_topRow, 1, lastTopRow());
    updateScrollBars();
    placeEditor();
    viewport()->update();
}

int TCeltrix::lastLeftColumn() const
{
    return m_model.Geometry().LastLeftColumn(viewport()->width());
}

int TCeltrix::lastTopRow() const
{
    return m_model.Geometry().LastTopRow(viewport()->height());
}

void TCeltrix::updateScrollBars()
{
    // The bars' signals must get through: the scroll area shows or hides a bar on its range
    // signal. Only the scrolling they would cause is held back.
    m_settingScrollBars = true;
    horizontalScrollBar()->setRange(0, lastLeftColumn() - 1);
    horizontalScrollBar()->setValue(m_leftCol - 1);
    horizontalScrollBar()->setPageStep(std::max(1, m_model.NrOfColumns() / 4));
    verticalScrollBar()->setRange(0, lastTopRow() - 1);
    verticalScrollBar()->setValue(m_topRow - 1);
    verticalScrollBar()->setPageStep(std::max(1, lastTopRow() > 1 ? 10 : 1));
    m_settingScrollBars = false;
}

void TCeltrix::scrollContentsBy(int, int)
{
    if (m_settingScrollBars)
        return;
    m_leftCol = horizontalScrollBar()->value() + 1;
    m_topRow = verticalScrollBar()->value() + 1;
    placeEditor(); // scrolling is no end of editing
    viewport()->update();
}

void TCeltrix::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    refresh();
}

QRect TCeltrix::GridCellRect(int gridColumn, int gridRow) const
{
    const auto rect = m_model.Geometry().CellRect(gridColumn, gridRow, m_leftCol, m_topRow);
    if (!rect)
        return {};
    return { rect->Left, rect->Top, rect->Width, rect->Height };
}

std::optional<QPoint> TCeltrix::GridCellAt(QPoint position) const
{
    const auto cell = m_model.Geometry().CellAt(position.x(), position.y(), m_leftCol, m_topRow);
    if (!cell)
        return std::nullopt;
    return QPoint(cell->first, cell->second);
}

QColor TCeltrix::colourOf(TCellColour colour) const
{
    switch (colour) {
    case TCellColour::Normal:
        return ColorNormal;
    case TCellColour::Highlight:
        return palette().color(QPalette::HighlightedText);
    case TCellColour::Selected:
        return ColorSelected;
    case TCellColour::MarkedA:
        return ColorMarkedA;
    case TCellColour::MarkedB:
        return ColorMarkedB;
    case TCellColour::MarkedBoth:
        return ColorMarkedBoth;
    }
    return ColorNormal;
}

void TCeltrix::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), ColorBackground);
    if (m_model.PaintingSuppressed())
        return;
    if (m_model.OptimizeRowHeight) {
        const QFontMetrics metrics(font());
        const int height =
            std::max(8, metrics.boundingRect(u"9GMg\u00dc$\u00a7[{|"_s).height() + 5);
        m_model.FitRowHeights(height);
    }
    // Only the grid lines and cells in view are visited, however large the table.
    struct Span {
        int index;
        int start;
        int size;
    };
    const auto spans = [](int fixedCount, int first, int count, int limit, auto size) {
        std::vector<Span> inView;
        int at = 0;
        for (int g = 0; g < fixedCount && at < limit; ++g) {
            inView.push_back({ g, at, size(g) });
            at += size(g);
        }
        for (int g = first; g < count && at < limit; ++g) {
            inView.push_back({ g, at, size(g) });
            at += size(g);
        }
        return inView;
    };
    const auto columns =
        spans(m_model.FixedCols(), m_model.GridColumn(m_leftCol), m_model.GridColCount(),
            viewport()->width(), [this](int g) { return m_model.GridColWidth(g); });
    const auto rows = spans(m_model.FixedRows(), m_model.GridRow(m_topRow), m_model.GridRowCount(),
        viewport()->height(), [this](int g) { return m_model.GridRowHeight(g); });
    for (const Span& column : columns)
        for (const Span& row : rows)
            paintCell(painter, column.index, row.index,
                QRect(column.start, row.start, column.size, row.size));
    if (m_outlinedCell) {
        const QRect rect = GridCellRect(m_outlinedCell->x(), m_outlinedCell->y());
        if (!rect.isEmpty()) {
            painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            painter.setPen(QPen(Qt::white, 2));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(rect.adjusted(1, 1, -2, -2));
        }
    }
}

void TCeltrix::paintCell(QPainter& painter, int gridColumn, int gridRow, QRect rect)
{
    const TGridCellKind kind = m_model.CellKind(gridColumn, gridRow);
    const bool fixed = kind != TGridCellKind::Data;
    TCellLook look = m_model.GridCellLook(gridColumn, gridRow);
    QColor background = fixed ? ColorFixed : ColorBackground;
    if (kind == TGridCellKind::Corner)
        background = m_model.CommentEditing() ? CommentColour : ColorBackground;
    const bool current = kind == TGridCellKind::Data
        && m_model.DataColumn(gridColumn) == m_model.Col()
        && m_model.DataRow(gridRow) == m_model.Row();
    if (look.Colour == TCellColour::Highlight) {
        // The current cell keeps the ordinary colours and gets a focus frame instead.
        if (current)
            look.Colour = TCellColour::Normal;
        else
            background = palette().color(QPalette::Highlight);
    } else if (kind == TGridCellKind::Data && !current
        && m_model.Selection().contains(m_model.DataColumn(gridColumn), m_model.DataRow(gridRow))) {
        // A marked cell in the selection gets a light tint, so its mark colour stays legible.
        const QColor highlight = palette().color(QPalette::Highlight);
        const QColor base = ColorBackground;
        background = QColor((highlight.red() + 3 * base.red()) / 4,
            (highlight.green() + 3 * base.green()) / 4, (highlight.blue() + 3 * base.blue()) / 4);
    }
    painter.fillRect(rect, background);

    // Grid lines: raised edges on fixed cells, thin lines between data cells.
    painter.setPen(fixed ? palette().color(QPalette::Dark) : QColor(192, 192, 192));
    painter.drawLine(rect.topRight(), rect.bottomRight());
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    if (fixed && kind != TGridCellKind::Corner) {
        painter.setPen(palette().color(QPalette::Light));
        painter.drawLine(rect.topLeft(), rect.topRight() - QPoint(1, 0));
        painter.drawLine(rect.topLeft(), rect.bottomLeft() - QPoint(0, 1));
    }
    if (current && hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Text), 1, Qt::DotLine));
        painter.drawRect(rect.adjusted(1, 1, -2, -2));
    }

    if (look.Text.empty())
        return;
    QFont font = painter.font();
    const QFont plain = font;
    font.setBold(look.Bold);
    QColor colour = colourOf(look.Colour);
    if (kind == TGridCellKind::Corner && m_model.CommentEditing())
        colour = Qt::white;
    painter.setFont(font);
    painter.setPen(colour);
    const QRect textRect = rect.adjusted(TextLeft, TextTop, -1, -1);
    painter.save();
    painter.setClipRect(textRect);
    QString text = fromRecordText(look.Text);
    const int column = m_model.DataColumn(gridColumn);
    const int row = m_model.DataRow(gridRow);
    if (kind == TGridCellKind::Data && !m_model.NominalColumn(column)
        && (m_model.ElemState(column, row) & StateNoValueMask) == 0)
        text = FitNumberText(text, QFontMetrics(font), textRect.width());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    painter.restore();
    painter.setFont(plain);
}

QString TCeltrix::FitNumberText(const QString& text, const QFontMetrics& metrics, int width)
{
    const auto fits = [&](const QString& candidate) {
        return metrics.horizontalAdvance(candidate) <= width;
    };
    if (fits(text))
        return text;
    const QString trimmed = text.trimmed();
    if (fits(trimmed))
        return trimmed;
    const qsizetype exponent = trimmed.indexOf(u'E');
    QString head = exponent >= 0 ? trimmed.left(exponent) : trimmed;
    const QString tail = exponent >= 0 ? trimmed.mid(exponent) : QString();
    const qsizetype point = head.indexOf(u'.');
    // Digits after the point give way one by one; those before it never do.
    while (point >= 0 && head.size() > point + 2) {
        head.chop(1);
        const QString candidate = head + QChar(0x2026) + tail;
        if (fits(candidate))
            return candidate;
    }
    const int hash = std::max(1, metrics.horizontalAdvance(u'#'));
    return QString(std::max(1, width / hash), u'#');
}

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
