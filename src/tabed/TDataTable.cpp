#include "tabed/TDataTable.h"

#include "common/NumberFormats.h"
#include "common/TextFormat.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

namespace meldrix {

namespace {

constexpr std::string_view NotEnoughMemory = "not enough memory on heap";

std::size_t slot(int index)
{
    return static_cast<std::size_t>(index - 1);
}

std::string cut(std::string_view text, std::size_t length)
{
    return std::string(text.substr(0, length));
}

} // namespace

std::string DefaultHeading(std::string_view prefix, int number)
{
    return std::string(prefix) + FormatFixedOrSci(number, 1, 0);
}

TDataTable::TDataTable(std::string name)
    : NamedGrid(std::move(name))
{
    try {
        m_ownMatrix = std::make_unique<TMatrix>(m_name + ".Matrix");
        m_matrix = m_ownMatrix.get();
        initialize(1, 1);
    } catch (const std::bad_alloc&) {
        throw EQuorDataTableError(ComponentMessage(m_name, "failed to initialize (out of memory)"));
    }
    attachToMatrix();
}

TDataTable::TDataTable(std::string name, TMatrix& sharedMatrix)
    : NamedGrid(std::move(name))
    , m_matrixShared(true)
    , m_matrix(&sharedMatrix)
{
    try {
        initialize(sharedMatrix.NrOfColumns(), sharedMatrix.NrOfRows());
    } catch (const std::bad_alloc&) {
        throw EQuorDataTableError(ComponentMessage(m_name, "failed to initialize (out of memory)"));
    }
    attachToMatrix();
}

TDataTable::~TDataTable()
{
    if (m_matrixShared) {
        m_matrix->OnChange = nullptr;
        m_matrix->OnSortExchange = nullptr;
    }
}

void TDataTable::initialize(int columns, int rows)
{
    m_storage = Storage {};
    m_columns = 0;
    m_rows = 0;
    m_storage = resizedStorage(columns, rows);
    m_columns = columns;
    m_rows = rows;
}

void TDataTable::attachToMatrix()
{
    m_matrix->OnChange = [this](TMatrix&) { matrixChanged(); };
    m_matrix->OnSortExchange = [this](TMatrix&, std::uint8_t what, int index1, int index2,
                                   int first, int last) {
        matrixExchanged(what, index1, index2, first, last);
    };
}

TDataTable::Storage TDataTable::resizedStorage(int columns, int rows) const
{
    CheckTableSize(columns, rows);
    const auto newColumns = static_cast<std::size_t>(columns);
    const auto newRows = static_cast<std::size_t>(rows);
    const auto keptColumns = std::min(newColumns, static_cast<std::size_t>(m_columns));
    const auto keptRows = std::min(newRows, static_cast<std::size_t>(m_rows));

    Storage next;
    next.States.resize(newColumns);
    for (std::size_t c = 0; c < newColumns; ++c) {
        next.States[c].assign(newRows, 0);
        if (c < keptColumns)
            std::copy_n(m_storage.States[c].begin(), keptRows, next.States[c].begin());
    }
    next.ColNames.reserve(newColumns);
    for (std::size_t c = 0; c < newColumns; ++c)
        next.ColNames.push_back(c < keptColumns ? m_storage.ColNames[c]
                                                : DefaultHeading("C-", static_cast<int>(c + 1)));
    next.RowNames.reserve(newRows);
    for (std::size_t r = 0; r < newRows; ++r)
        next.RowNames.push_back(
            r < keptRows ? m_storage.RowNames[r] : DefaultHeading("R-", static_cast<int>(r + 1)));
    next.ColAttribs.assign(newColumns, 0);
    std::copy_n(m_storage.ColAttribs.begin(), keptColumns, next.ColAttribs.begin());
    next.RowAttribs.assign(newRows, 0);
    std::copy_n(m_storage.RowAttribs.begin(), keptRows, next.RowAttribs.begin());
    next.Scales.resize(newColumns);
    std::copy_n(m_storage.Scales.begin(), keptColumns, next.Scales.begin());
    return next;
}

void TDataTable::Resize(int columns, int rows)
{
    columns = std::max(columns, 1);
    rows = std::max(rows, 1);
    if (columns == m_columns && rows == m_rows)
        return;
    // Everything is built aside first and swapped in at the end, so running out of memory at
    // any step leaves the table whole and unchanged.
    Storage next;
    try {
        next = resizedStorage(columns, rows);
    } catch (const std::bad_alloc&) {
        throw EQuorDataTableError(ComponentMessage(m_name, NotEnoughMemory));
    }
    m_forwardMatrixChange = false;
    try {
        m_matrix->Resize(columns, rows);
    } catch (const EQuorMatrixError&) {
        m_forwardMatrixChange = true;
        throw EQuorDataTableError(ComponentMessage(m_name, NotEnoughMemory));
    }
    m_forwardMatrixChange = true;
    const int oldColumns = std::exchange(m_columns, columns);
    const int oldRows = std::exchange(m_rows, rows);
    m_storage = std::move(next);
    if (OnResize)
        OnResize(*this, oldColumns, oldRows, columns, rows);
}

void TDataTable::Clear()
{
    for (int c = 1; c <= m_columns; ++c)
        m_storage.ColNames[slot(c)] = DefaultHeading("C-", c);
    for (int r = 1; r <= m_rows; ++r)
        m_storage.RowNames[slot(r)] = DefaultHeading("R-", r);
    for (auto& column : m_storage.States)
        std::fill(column.begin(), column.end(), std::uint8_t { 0 });
    std::fill(m_storage.ColAttribs.begin(), m_storage.ColAttribs.end(), std::uint8_t { 0 });
    std::fill(m_storage.RowAttribs.begin(), m_storage.RowAttribs.end(), std::uint8_t { 0 });
    std::fill(m_storage.Scales.begin(), m_storage.Scales.end(), ScaleRecord {});
    m_comment.clear();
    m_matrix->Fill(0.0); // the one OnChange of a reset
}

bool TDataTable::nominalColumn(int column) const
{
    const std::uint8_t level = ColScaleLevel(column);
    return level == ScaleNominal || level == ScaleOrdinal;
}

double TDataTable::Elem(int column, int row) const
{
    if (!InRange(column, row))
        return 0.0;
    const double value = m_matrix->Elem(column, row);
    return nominalColumn(column) ? std::nearbyint(value) : value;
}

void TDataTable::SetElem(int column, int row, double value)
{
    if (!InRange(column, row))
        return;
    m_matrix->SetElem(column, row, nominalColumn(column) ? std::nearbyint(value) : value);
}

std::uint8_t& TDataTable::state(int column, int row)
{
    return m_storage.States[slot(column)][slot(row)];
}

std::uint8_t TDataTable::ElemState(int column, int row) const
{
    return InRange(column, row) ? m_storage.States[slot(column)][slot(row)] : 0;
}

void TDataTable::SetElemState(int column, int row, std::uint8_t value)
{
    if (!InRange(column, row))
        return;
    state(column, row) = value;
    changed(); // also when the state was already the same
}

bool TDataTable::IsNumber(int column, int row) const
{
    return (ElemState(column, row) & (StateNaN | StateEmpty)) == 0;
}

std::string_view TDataTable::ColName(int column) const
{
    if (column < 1 || column > m_columns)
        return {};
    return m_storage.ColNames[slot(column)];
}

void TDataTable::SetColName(int column, std::string_view text)
{
    if (column < 1 || column > m_columns)
        return;
    m_storage.ColNames[slot(column)] = cut(text, HeadingLength);
    changed();
}

std::string_view TDataTable::RowName(int row) const
{
    if (row < 1 || row > m_rows)
        return {};
    return m_storage.RowNames[slot(row)];
}

void TDataTable::SetRowName(int row, std::string_view text)
{
    if (row < 1 || row > m_rows)
        return;
    m_storage.RowNames[slot(row)] = cut(text, HeadingLength);
    changed();
}

std::uint8_t TDataTable::ColAttrib(int column) const
{
    return column >= 1 && column <= m_columns ? m_storage.ColAttribs[slot(column)] : 0;
}

void TDataTable::SetColAttrib(int column, std::uint8_t value)
{
    if (column < 1 || column > m_columns)
        return;
    m_storage.ColAttribs[slot(column)] = value;
    changed();
}

std::uint8_t TDataTable::RowAttrib(int row) const
{
    return row >= 1 && row <= m_rows ? m_storage.RowAttribs[slot(row)] : 0;
}

void TDataTable::SetRowAttrib(int row, std::uint8_t value)
{
    if (row < 1 || row > m_rows)
        return;
    m_storage.RowAttribs[slot(row)] = value;
    changed();
}

std::uint8_t TDataTable::ColScaleLevel(int column) const
{
    return column >= 1 && column <= m_columns ? m_storage.Scales[slot(column)].Level : 0;
}

void TDataTable::SetColScaleLevel(int column, std::uint8_t level)
{
    if (column < 1 || column > m_columns || level > ScaleRatio)
        return;
    m_storage.Scales[slot(column)].Level = level;
    changed();
}

std::string_view TDataTable::NominalName(int column, int k) const
{
    if (!nominalColumn(column) || k < 1 || k > MaxNominalNames)
        return {};
    const auto& names = m_storage.Scales[slot(column)].Names;
    return names.empty() ? std::string_view {} : std::string_view(names[slot(k)]);
}

void TDataTable::SetNominalName(int column, int k, std::string_view name)
{
    if (column < 1 || column > m_columns || k < 1 || k > MaxNominalNames)
        return;
    auto& names = m_storage.Scales[slot(column)].Names;
    names.resize(MaxNominalNames);
    names[slot(k)] = cut(name, NominalNameLength);
    changed();
}

int TDataTable::NominalIndex(int column, std::string_view text, bool ignoreCase) const
{
    if (!nominalColumn(column) || text.empty())
        return 0;
    const std::string wanted = ignoreCase ? upperCaseAscii(text.substr(0, NominalNameLength))
                                          : cut(text, NominalNameLength);
    for (int k = 1; k <= MaxNominalNames; ++k) {
        const std::string_view name = NominalName(column, k);
        if (ignoreCase ? upperCaseAscii(name) == wanted : name == wanted)
            return k;
    }
    return 0;
}

void TDataTable::UnmarkAll()
{
    for (auto& column : m_storage.States)
        for (std::uint8_t& s : column)
            s &= StateNoValueMask;
    changed();
}

void TDataTable::SetComment(std::string_view text)
{
    m_comment.clear();
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 32)
            m_comment += c;
}

void TDataTable::matrixChanged()
{
    if (m_forwardMatrixChange)
        changed();
}

void TDataTable::matrixExchanged(std::uint8_t what, int index1, int index2, int first, int last)
{
    if (what == SortExchangeColumns) {
        if (index1 < 1 || index1 > m_columns || index2 < 1 || index2 > m_columns)
            return;
        auto& a = m_storage.States[slot(index1)];
        auto& b = m_storage.States[slot(index2)];
        for (int r = std::max(first, 1); r <= std::min(last, m_rows); ++r)
            std::swap(a[slot(r)], b[slot(r)]);
        if (m_headingsFollowSorting) {
            std::swap(m_storage.ColNames[slot(index1)], m_storage.ColNames[slot(index2)]);
            std::swap(m_storage.ColAttribs[slot(index1)], m_storage.ColAttribs[slot(index2)]);
            std::swap(m_storage.Scales[slot(index1)], m_storage.Scales[slot(index2)]);
        }
    } else {
        if (index1 < 1 || index1 > m_rows || index2 < 1 || index2 > m_rows)
            return;
        for (int c = std::max(first, 1); c <= std::min(last, m_columns); ++c)
            std::swap(state(c, index1), state(c, index2));
        if (m_headingsFollowSorting) {
            std::swap(m_storage.RowNames[slot(index1)], m_storage.RowNames[slot(index2)]);
            std::swap(m_storage.RowAttribs[slot(index1)], m_storage.RowAttribs[slot(index2)]);
        }
    }
    if (OnSortExchange)
        OnSortExchange(*this, what, index1, index2, first, last);
}

void TDataTable::changed()
{
    if (OnChange)
        OnChange(*this);
}

} // namespace meldrix
