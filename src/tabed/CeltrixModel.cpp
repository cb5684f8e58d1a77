#include "tabed/CeltrixModel.h"

#include "common/NumberFormats.h"
#include "common/Rounding.h"
#include "common/TextFormat.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

namespace meldrix {

namespace {

std::size_t slot(int index)
{
    return static_cast<std::size_t>(index - 1);
}

std::string notEnoughMemory(std::string_view name)
{
    return ComponentMessage(name, "not enough memory on heap");
}

} // namespace

TCeltrixModel::TCeltrixModel(std::string name, int columns, int rows)
try : m_name(name), m_table(name + ".Table"), m_clipboard(name + ".Clipboard"),
    m_geometry(columns, rows) {
    m_table.Resize(columns, rows);
    m_precision.assign(static_cast<std::size_t>(NrOfColumns()), InitialPrecision);
    m_geometry.Resize(NrOfColumns(), NrOfRows());
    m_table.OnChange = [this](TDataTable&) { tableChanged(); };
} catch (const EQuorError&) {
    // Only the parameters are still alive here.
    throw EQuorCeltrixError(
        ComponentMessage(name, "failed to initialize table editor (out of memory)"));
} catch (const std::bad_alloc&) {
    throw EQuorCeltrixError(
        ComponentMessage(name, "failed to initialize table editor (out of memory)"));
}

void TCeltrixModel::tableChanged()
{
    if (!m_listening)
        return;
    changed();
    repaint();
}

void TCeltrixModel::repaint()
{
    if (m_updating || m_paintingSuppressed) {
        m_repaintPending = true;
        return;
    }
    m_repaintPending = false;
    if (OnRepaint)
        OnRepaint();
}

void TCeltrixModel::changed()
{
    if (OnChange)
        OnChange();
}

void TCeltrixModel::changeSetup()
{
    if (OnChangeSetup)
        OnChangeSetup();
}

void TCeltrixModel::Clear()
{
    SetPaintingSuppressed(true);
    m_table.Clear();
    std::fill(m_precision.begin(), m_precision.end(), InitialPrecision);
    SetPaintingSuppressed(false);
}

template <typename Body>
void TCeltrixModel::resizeTable(bool shrinks, Body&& body)
{
    try {
        body();
    } catch (const EQuorError&) {
        throw EQuorCeltrixError(notEnoughMemory(m_name));
    } catch (const std::bad_alloc&) {
        throw EQuorCeltrixError(notEnoughMemory(m_name));
    }
    if (shrinks)
        clampCurrent();
    changeSetup();
}

void TCeltrixModel::SetNrOfColumns(int count)
{
    count = std::max(count, 1);
    resizeTable(count < NrOfColumns(), [&] {
        CheckTableSize(count, NrOfRows()); // before the per-column vectors grow
        std::vector<int> precision = m_precision;
        TGridGeometry geometry = m_geometry;
        precision.resize(static_cast<std::size_t>(count), m_precision.back());
        geometry.Resize(count, NrOfRows());
        bulk(false, [&] { m_table.Resize(count, NrOfRows()); });
        m_precision.swap(precision);
        m_geometry = std::move(geometry);
    });
}

void TCeltrixModel::SetNrOfRows(int count)
{
    count = std::max(count, 1);
    resizeTable(count < NrOfRows(), [&] {
        CheckTableSize(NrOfColumns(), count);
        TGridGeometry geometry = m_geometry;
        geometry.Resize(NrOfColumns(), count);
        bulk(false, [&] { m_table.Resize(NrOfColumns(), count); });
        m_geometry = std::move(geometry);
    });
}

void TCeltrixModel::clampCurrent()
{
    const auto clamp = [this](std::pair<int, int>& cell) {
        cell.first = std::clamp(cell.first, 1, NrOfColumns());
        cell.second = std::clamp(cell.second, 1, NrOfRows());
    };
    clamp(m_current);
    clamp(m_anchor);
}

void TCeltrixModel::SetNumWidth(int width)
{
    if (width >= 1 && width <= 20)
        m_numWidth = width;
    repaint();
    changeSetup(); // also for a width that was refused
}

int TCeltrixModel::Precision(int column) const
{
    if (column < 1 || column > NrOfColumns())
        return 0;
    return m_precision[slot(column)];
}

void TCeltrixModel::SetPrecision(int column, int decimals)
{
    if (column < 1 || column > NrOfColumns())
        return;
    m_precision[slot(column)] = std::clamp(decimals, -1, 10);
    repaint();
    changeSetup();
}

void TCeltrixModel::SetColWidth(int column, int pixels)
{
    if (m_geometry.SetColWidth(column, pixels))
        geometryChanged();
}

void TCeltrixModel::SetRowHeight(int row, int pixels)
{
    if (m_geometry.SetRowHeight(row, pixels))
        geometryChanged();
}

void TCeltrixModel::SetDefaultColWidth(int pixels)
{
    m_geometry.SetDefaultColWidth(pixels);
    geometryChanged();
}

void TCeltrixModel::SetDefaultRowHeight(int pixels)
{
    m_geometry.SetDefaultRowHeight(pixels);
    geometryChanged();
}

void TCeltrixModel::SetColName(int column, std::string_view text)
{
    changeHeading(column, NrOfColumns(), [&] { m_table.SetColName(column, text); });
}

void TCeltrixModel::SetRowName(int row, std::string_view text)
{
    changeHeading(row, NrOfRows(), [&] { m_table.SetRowName(row, text); });
}

void TCeltrixModel::SetColAttrib(int column, std::uint8_t value)
{
    changeHeading(column, NrOfColumns(), [&] { m_table.SetColAttrib(column, value); });
}

void TCeltrixModel::SetRowAttrib(int row, std::uint8_t value)
{
    changeHeading(row, NrOfRows(), [&] { m_table.SetRowAttrib(row, value); });
}

void TCeltrixModel::SetElemState(int column, int row, std::uint8_t state)
{
    if (!m_table.InRange(column, row))
        return;
    m_table.SetElemState(column, row, state);
    repaint();
    changeSetup();
}

void TCeltrixModel::SetComment(std::string_view text)
{
    m_table.SetComment(text);
    changed();
}

void TCeltrixModel::SetPaintingSuppressed(bool suppressed)
{
    m_paintingSuppressed = suppressed;
    if (!suppressed)
        repaint();
}

void TCeltrixModel::SetAttribRowVisible(bool visible)
{
    m_geometry.SetAttribRowVisible(visible);
    geometryChanged();
}

void TCeltrixModel::SetAttribColVisible(bool visible)
{
    m_geometry.SetAttribColVisible(visible);
    geometryChanged();
}

void TCeltrixModel::SetBoldMarks(bool bold)
{
    m_boldMarks = bold;
    repaint();
    changeSetup();
}

void TCeltrixModel::SetBoldSelHeads(bool bold)
{
    m_boldSelHeads = bold;
    repaint();
    changeSetup();
}

bool TCeltrixModel::NominalColumn(int column) const
{
    const std::uint8_t level = m_table.ColScaleLevel(column);
    return level == ScaleNominal || level == ScaleOrdinal;
}

void TCeltrixModel::geometryChanged()
{
    repaint();
    changeSetup();
}

std::string_view TCeltrixModel::nominalName(int column, double value) const
{
    if (!(value >= 1 && value <= MaxNominalNames))
        return {};
    return m_table.NominalName(column, static_cast<int>(value));
}

std::string TCeltrixModel::displayText(int column, int row) const
{
    const std::uint8_t state = ElemState(column, row);
    if ((state & StateNaN) != 0)
        return "NAN";
    if ((state & StateEmpty) != 0)
        return "???";
    if ((state & StateNoValueMask) != 0)
        return {};
    const double value = Elem(column, row);
    if (!NominalColumn(column))
        return FormatCellNumber(value, m_numWidth, Precision(column));
    if (const std::string_view name = nominalName(column, value); !name.empty())
        return std::string(name);
    return std::string(ScaleLevelNames[m_table.ColScaleLevel(column)]) + "-"
        + FormatFixedOrSci(value, 1, 0);
}

TCellLook TCeltrixModel::DataCellLook(int column, int row) const
{
    TCellLook look { displayText(column, row) };
    switch (ElemState(column, row) & (StateMarkA | StateMarkB)) {
    case StateMarkA:
        look.Colour = TCellColour::MarkedA;
        break;
    case StateMarkB:
        look.Colour = TCellColour::MarkedB;
        break;
    case StateMarkA | StateMarkB:
        look.Colour = TCellColour::MarkedBoth;
        break;
    default:
        look.Colour =
            Selection().contains(column, row) ? TCellColour::Highlight : TCellColour::Normal;
        return look;
    }
    look.Bold = m_boldMarks;
    return look;
}

TCellLook TCeltrixModel::GridCellLook(int gridColumn, int gridRow) const
{
    const TGridRect selection = Selection();
    const auto heading = [this](std::string_view text, bool selected) {
        TCellLook look { std::string(text) };
        if (selected) {
            look.Colour = TCellColour::Selected;
            look.Bold = m_boldSelHeads;
        }
        return look;
    };
    switch (CellKind(gridColumn, gridRow)) {
    case TGridCellKind::Corner:
        return { CornerText() };
    case TGridCellKind::AttribLabel:
        return { "Attrib" };
    case TGridCellKind::AttributeLabel:
        return { "Attribute" };
    case TGridCellKind::AttribCross:
        return {};
    case TGridCellKind::ColHeading: {
        const int column = DataColumn(gridColumn);
        return heading(ColName(column), column == selection.Left);
    }
    case TGridCellKind::RowHeading: {
        const int row = DataRow(gridRow);
        return heading(RowName(row), row == selection.Top);
    }
    case TGridCellKind::ColAttrib:
        return { formatInt(ColAttrib(DataColumn(gridColumn))) };
    case TGridCellKind::RowAttrib:
        return { formatInt(RowAttrib(DataRow(gridRow))) };
    case TGridCellKind::Data:
        break;
    }
    return DataCellLook(DataColumn(gridColumn), DataRow(gridRow));
}

std::string TCeltrixModel::CornerText() const
{
    if (m_commentEditing)
        return "Comment:";
    return formatInt(Col()) + ":" + formatInt(Row());
}

void TCeltrixModel::SetCommentEditing(bool open)
{
    m_commentEditing = open;
    repaint();
}
} // namespace meldrix
