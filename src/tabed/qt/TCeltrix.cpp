#include "tabed/qt/TCeltrix.h"

#include "common/qt/RecordText.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <algorithm>

namespace meldrix {

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

} // namespace meldrix
