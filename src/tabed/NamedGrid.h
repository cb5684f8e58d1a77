#pragma once

#include <string>
#include <utility>

namespace meldrix {

//! The name and size of a grid numbered [column, row] from 1, as TMatrix and TDataTable keep
//! them; `Grid` itself says how it resizes (Grid::Resize(columns, rows)).
template <typename Grid>
class NamedGrid {
public:
    const std::string& Name() const { return m_name; }
    void SetName(std::string name) { m_name = std::move(name); }

    int NrOfColumns() const { return m_columns; }
    int NrOfRows() const { return m_rows; }
    void SetNrOfColumns(int columns) { static_cast<Grid&>(*this).Resize(columns, m_rows); }
    void SetNrOfRows(int rows) { static_cast<Grid&>(*this).Resize(m_columns, rows); }

    bool InRange(int column, int row) const
    {
        return column >= 1 && column <= m_columns && row >= 1 && row <= m_rows;
    }

protected:
    explicit NamedGrid(std::string name)
        : m_name(std::move(name))
    {
    }
    ~NamedGrid() = default;
    NamedGrid(const NamedGrid&) = delete;
    NamedGrid& operator=(const NamedGrid&) = delete;

    std::string m_name;
    int m_columns = 1;
    int m_rows = 1;
};

} // namespace meldrix
