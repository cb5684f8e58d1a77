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

void TCeltrixModel::SetNrOfColumns(int count)
{
    count = std::max(count, 1);
    const int old = NrOfColumns();
    try {
        CheckTableSize(count, NrOfRows()); // before the per-column vectors grow
        std::vector<int> precision = m_precision;
        TGridGeometry geometry = m_geometry;
        precision.resize(static_cast<std::size_t>(count), m_precision.back());
        geometry.Resize(count, NrOfRows());
        bulk(false, [&] { m_table.Resize(count, NrOfRows()); });
        m_precision.swap(precision);
        m_geometry = std::move(geometry);
    } catch (const EQuorError&) {
        throw EQuorCeltrixError(notEnoughMemory(m_name));
    } catch (const std::bad_alloc&) {
        throw EQuorCeltrixError(notEnoughMemory(m_name));
    }
    if (count < old)
        clampCurrent();
    changeSetup();
}

void TCeltrixModel::SetNrOfRows(int count)
{
    count = std::max(count, 1);
    const int old = NrOfRows();
    try {
        CheckTableSize(NrOfColumns(), count);
        TGridGeometry geometry = m_geometry;
        geometry.Resize(NrOfColumns(), count);
        bulk(false, [&] { m_table.Resize(NrOfColumns(), count); });
        m_geometry = std::move(geometry);
    } catch (const EQuorError&) {
        throw EQuorCeltrixError(notEnoughMemory(m_name));
    } catch (const std::bad_alloc&) {
        throw EQuorCeltrixError(notEnoughMemory(m_name));
    }
    if (count < old)
        clampCurrent();
    changeSetup();
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
    if (!m_geometry.SetColWidth(column, pixels))
        return;
    repaint();
    changeSetup();
}

void TCeltrixModel::SetRowHeight(int row, int pixels)
{
    if (!m_geometry.SetRowHeight(row, pixels))
        return;
    repaint();
    changeSetup();
}

void TCeltrixModel::SetDefaultColWidth(int pixels)
{
    m_geometry.SetDefaultColWidth(pixels);
    repaint();
    changeSetup();
}

void TCeltrixModel::SetDefaultRowHeight(int pixels)
{
    m_geometry.SetDefaultRowHeight(pixels);
    repaint();
    changeSetup();
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
    repaint();
    changeSetup();
}

void TCeltrixModel::SetAttribColVisible(bool visible)
{
    m_geometry.SetAttribColVisible(visible);
    repaint();
    changeSetup();
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
    if (value >= 1 && value <= MaxNominalNames) {
        const std::string_view name = m_table.NominalName(column, static_cast<int>(value));
        if (!name.empty())
            return std::string(name);
    }
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

TGridRect TCeltrixModel::Selection() const
{
    return { std::min(m_current.first, m_anchor.first), std::min(m_current.second, m_anchor.second),
        std::max(m_current.first, m_anchor.first), std::max(m_current.second, m_anchor.second) };
}

void TCeltrixModel::SetCurrent(int column, int row, bool extend)
{
    m_current = { std::clamp(column, 1, NrOfColumns()), std::clamp(row, 1, NrOfRows()) };
    if (!extend)
        m_anchor = m_current;
    repaint();
}

void TCeltrixModel::SetSelection(TGridRect block)
{
    m_current = { block.Left, block.Top };
    m_anchor = { block.Right, block.Bottom };
    clampCurrent();
    repaint();
}

void TCeltrixModel::Mark(std::uint8_t mark, bool on, TMarkScope scope)
{
    TGridRect reach = Selection();
    if (scope == TMarkScope::Column || scope == TMarkScope::All)
        reach.Top = 1, reach.Bottom = NrOfRows();
    if (scope == TMarkScope::Row || scope == TMarkScope::All)
        reach.Left = 1, reach.Right = NrOfColumns();
    // The change listener stays attached: every element that changes raises OnChange.
    bulk(false, [&] {
        for (int c = reach.Left; c <= reach.Right; ++c)
            for (int r = reach.Top; r <= reach.Bottom; ++r) {
                const std::uint8_t state = ElemState(c, r);
                const auto marked = static_cast<std::uint8_t>(on ? state | mark : state & ~mark);
                if (marked != state)
                    m_table.SetElemState(c, r, marked);
            }
    });
    changeSetup();
}

void TCeltrixModel::UnmarkAll()
{
    bulk(false, [&] { m_table.UnmarkAll(); });
    changeSetup();
}

void TCeltrixModel::ClearSelected()
{
    const TGridRect selection = Selection();
    bulk(true, [&] {
        for (int c = selection.Left; c <= selection.Right; ++c)
            for (int r = selection.Top; r <= selection.Bottom; ++r) {
                m_table.SetElem(c, r, 0.0);
                m_table.SetElemState(c, r, 0);
            }
    });
    changed();
}

std::string TCeltrixModel::copyText(int column, int row) const
{
    if (!m_table.IsNumber(column, row))
        return " ####";
    const double value = Elem(column, row);
    if (ClipboardUseFullPrec)
        return " " + formatScientific(value, 22); // 14 significant digits
    const int decimals = Precision(column);
    if (decimals < 0)
        return " " + std::string(trimBlanks(formatScientific(value, 10)));
    return " " + formatFixed(value, 0, decimals);
}

std::string TCeltrixModel::Copy()
{
    const TGridRect selection = Selection();
    m_clipboard.Resize(selection.Right - selection.Left + 1, selection.Bottom - selection.Top + 1);
    std::string text;
    for (int r = selection.Top; r <= selection.Bottom; ++r) {
        for (int c = selection.Left; c <= selection.Right; ++c) {
            const int i = c - selection.Left + 1;
            const int j = r - selection.Top + 1;
            m_clipboard.SetElem(i, j, Elem(c, r));
            m_clipboard.SetElemState(i, j, ElemState(c, r));
            text += copyText(c, r);
        }
        text += "\r\n";
    }
    m_clipboardFilled = true;
    return text;
}

bool TCeltrixModel::Paste()
{
    if (!m_clipboardFilled)
        return false;
    const TGridRect selection = Selection();
    const int right = std::min(NrOfColumns(), selection.Left + m_clipboard.NrOfColumns() - 1);
    const int bottom = std::min(NrOfRows(), selection.Top + m_clipboard.NrOfRows() - 1);
    bulk(true, [&] {
        for (int c = selection.Left; c <= right; ++c)
            for (int r = selection.Top; r <= bottom; ++r) {
                const int i = c - selection.Left + 1;
                const int j = r - selection.Top + 1;
                m_table.SetElem(c, r, m_clipboard.Elem(i, j));
                m_table.SetElemState(c, r, m_clipboard.ElemState(i, j));
            }
        SetSelection({ selection.Left, selection.Top, right, bottom });
    });
    changed();
    return true;
}

void TCeltrixModel::ExtractFromClipboard(std::string_view text)
{
    const TGridRect selection = Selection();
    const auto lines = ScanNumbers(text);
    TGridRect block { selection.Left, selection.Top, selection.Left, selection.Top };
    bulk(true, [&] {
        int row = selection.Top;
        for (const auto& numbers : lines) {
            int column = selection.Left;
            for (const double value : numbers) {
                if (m_table.InRange(column, row)) {
                    m_table.SetElem(column, row, value);
                    block.Right = std::max(block.Right, column);
                    block.Bottom = std::max(block.Bottom, row);
                }
                ++column;
            }
            ++row;
        }
        SetSelection(block);
    });
    changed();
}

void TCeltrixModel::SelectAll()
{
    SetSelection({ 1, 1, NrOfColumns(), NrOfRows() });
}

void TCeltrixModel::ToggleEmptyState()
{
    const TGridRect selection = Selection();
    bulk(true, [&] {
        for (int c = selection.Left; c <= selection.Right; ++c)
            for (int r = selection.Top; r <= selection.Bottom; ++r)
                m_table.SetElemState(c, r, static_cast<std::uint8_t>(ElemState(c, r) ^ StateEmpty));
    });
    changed();
}

std::string TCeltrixModel::EditText(int column, int row) const
{
    const double value = Elem(column, row);
    if (!NominalColumn(column))
        return FormatCellNumber(value, m_numWidth, Precision(column));
    if (value >= 1 && value <= MaxNominalNames) {
        const std::string_view name = m_table.NominalName(column, static_cast<int>(value));
        if (!name.empty())
            return std::string(name);
    }
    return FormatFixedOrSci(value, 1, 0);
}

std::vector<std::string> TCeltrixModel::PickList(int column) const
{
    std::vector<std::string> names;
    for (int k = 1; k <= MaxNominalNames; ++k)
        if (const std::string_view name = m_table.NominalName(column, k); !name.empty())
            names.emplace_back(name);
    return names;
}

void TCeltrixModel::CommitEditText(int column, int row, std::string_view text)
{
    if (!m_table.InRange(column, row))
        return;
    if (NominalColumn(column)) {
        const int k = m_table.NominalIndex(column, text, true);
        if (k == 0) {
            m_table.SetElemState(column, row, StateEmpty);
            return;
        }
        m_table.SetElem(column, row, k);
        m_table.SetElemState(column, row, 0);
        return;
    }
    std::string number(text);
    std::replace(number.begin(), number.end(), ',', '.');
    if (const auto value = parseNumber(trimBlanks(number))) {
        m_table.SetElem(column, row, *value);
        m_table.SetElemState(column, row, 0);
    } else {
        m_table.SetElemState(column, row, StateEmpty);
    }
}

bool TCeltrixModel::HeadingEditable(int gridColumn, int gridRow) const
{
    switch (CellKind(gridColumn, gridRow)) {
    case TGridCellKind::ColHeading:
    case TGridCellKind::ColAttrib:
        return DataColumn(gridColumn) >= 1;
    case TGridCellKind::RowHeading:
    case TGridCellKind::RowAttrib:
        return DataRow(gridRow) >= 1;
    default:
        return false;
    }
}

std::string TCeltrixModel::HeadingEditText(int gridColumn, int gridRow) const
{
    switch (CellKind(gridColumn, gridRow)) {
    case TGridCellKind::ColHeading:
        return std::string(ColName(DataColumn(gridColumn)));
    case TGridCellKind::RowHeading:
        return std::string(RowName(DataRow(gridRow)));
    case TGridCellKind::ColAttrib:
        return formatInt(ColAttrib(DataColumn(gridColumn)));
    case TGridCellKind::RowAttrib:
        return formatInt(RowAttrib(DataRow(gridRow)));
    default:
        return {};
    }
}

void TCeltrixModel::CommitHeadingEdit(int gridColumn, int gridRow, std::string_view text)
{
    const int column = DataColumn(gridColumn);
    const int row = DataRow(gridRow);
    // An attribute is a byte: a text that is no number, or a number beyond 0..255, is ignored
    // rather than wrapped round.
    const auto attribute = [&]() -> std::optional<std::uint8_t> {
        const auto value = parseNumber(trimBlanks(text));
        if (!value || !(std::fabs(*value) <= 1e9))
            return std::nullopt;
        const long long rounded = roundHalfEven(*value);
        if (rounded < 0 || rounded > 255)
            return std::nullopt;
        return static_cast<std::uint8_t>(rounded);
    };
    switch (CellKind(gridColumn, gridRow)) {
    case TGridCellKind::ColHeading:
        SetColName(column, text);
        break;
    case TGridCellKind::RowHeading:
        SetRowName(row, text);
        if (row >= 1 && OnHeadingChanged)
            OnHeadingChanged();
        break;
    case TGridCellKind::ColAttrib:
        if (const auto value = attribute())
            SetColAttrib(column, *value);
        break;
    case TGridCellKind::RowAttrib:
        if (const auto value = attribute())
            SetRowAttrib(row, *value);
        break;
    default:
        break;
    }
}

void TCeltrixModel::StepPrecision(int column)
{
    const int decimals = Precision(column) - 1;
    SetPrecision(column, decimals < -1 ? 10 : decimals);
}

} // namespace meldrix
