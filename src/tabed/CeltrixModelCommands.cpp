#include "common/NumberFormats.h"
#include "common/Rounding.h"
#include "common/TextFormat.h"
#include "tabed/CeltrixModel.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace meldrix {

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
    if (const std::string_view name = nominalName(column, value); !name.empty())
        return std::string(name);
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
