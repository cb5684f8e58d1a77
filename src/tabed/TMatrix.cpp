#include "tabed/TMatrix.h"

#include <algorithm>
#include <new>
#include <utility>

namespace meldrix {

void CheckTableSize(int columns, int rows)
{
    if (static_cast<long long>(columns) * rows > MaxTableElements)
        throw std::bad_alloc();
}

TMatrix::TMatrix(std::string name)
    : NamedGrid(std::move(name))
    , m_values(1, std::vector<double>(1, 0.0))
{
}

void TMatrix::Resize(int columns, int rows)
{
    columns = std::max(columns, 1);
    rows = std::max(rows, 1);
    if (columns == m_columns && rows == m_rows)
        return;
    // Built aside and swapped in, so a failure leaves the old values in place.
    std::vector<std::vector<double>> values;
    try {
        CheckTableSize(columns, rows);
        values.reserve(static_cast<std::size_t>(columns));
        for (int c = 1; c <= columns; ++c) {
            std::vector<double>& column = values.emplace_back(static_cast<std::size_t>(rows), 0.0);
            if (c <= m_columns)
                std::copy_n(m_values[static_cast<std::size_t>(c - 1)].begin(),
                    std::min(rows, m_rows), column.begin());
        }
    } catch (const std::bad_alloc&) {
        throw EQuorMatrixError(ComponentMessage(m_name, "not enough memory on heap"));
    }
    m_values.swap(values);
    m_columns = columns;
    m_rows = rows;
    changed();
}

double TMatrix::Elem(int column, int row) const
{
    if (!InRange(column, row))
        return 0.0;
    return m_values[static_cast<std::size_t>(column - 1)][static_cast<std::size_t>(row - 1)];
}

void TMatrix::SetElem(int column, int row, double value)
{
    if (!InRange(column, row))
        return;
    m_values[static_cast<std::size_t>(column - 1)][static_cast<std::size_t>(row - 1)] = value;
    changed();
}

void TMatrix::Fill(double value)
{
    for (auto& column : m_values)
        std::fill(column.begin(), column.end(), value);
    changed();
}

void TMatrix::ExchangeColumns(int column1, int column2, int first, int last)
{
    first = std::max(first, 1);
    last = std::min(last, m_rows);
    if (column1 < 1 || column1 > m_columns || column2 < 1 || column2 > m_columns || first > last)
        return;
    auto& a = m_values[static_cast<std::size_t>(column1 - 1)];
    auto& b = m_values[static_cast<std::size_t>(column2 - 1)];
    std::swap_ranges(a.begin() + (first - 1), a.begin() + last, b.begin() + (first - 1));
    if (OnSortExchange)
        OnSortExchange(*this, SortExchangeColumns, column1, column2, first, last);
    changed();
}

bool TMatrix::exchangeRows(int row1, int row2, int first, int last)
{
    first = std::max(first, 1);
    last = std::min(last, m_columns);
    if (row1 < 1 || row1 > m_rows || row2 < 1 || row2 > m_rows || first > last)
        return false;
    for (int c = first; c <= last; ++c) {
        auto& column = m_values[static_cast<std::size_t>(c - 1)];
        std::swap(
            column[static_cast<std::size_t>(row1 - 1)], column[static_cast<std::size_t>(row2 - 1)]);
    }
    if (OnSortExchange)
        OnSortExchange(*this, SortExchangeRows, row1, row2, first, last);
    return true;
}

void TMatrix::ExchangeRows(int row1, int row2, int first, int last)
{
    if (exchangeRows(row1, row2, first, last))
        changed();
}

void TMatrix::SortRows(int keyColumn, int first, int last, bool ascending)
{
    first = std::max(first, 1);
    last = std::min(last, m_rows);
    if (keyColumn < 1 || keyColumn > m_columns || first >= last)
        return;
    // Selection sort: at most one exchange per row, each reported to the listener.
    for (int r = first; r < last; ++r) {
        int best = r;
        for (int s = r + 1; s <= last; ++s) {
            const double candidate = Elem(keyColumn, s);
            const double current = Elem(keyColumn, best);
            if (ascending ? candidate < current : candidate > current)
                best = s;
        }
        if (best != r)
            exchangeRows(r, best, 1, m_columns);
    }
    changed();
}

void TMatrix::changed()
{
    if (OnChange)
        OnChange(*this);
}

} // namespace meldrix
