#pragma once

#include "common/QuorError.h"
#include "tabed/NamedGrid.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace meldrix {

class EQuorMatrixError : public EQuorError {
public:
    using EQuorError::EQuorError;
};

//! What a sort exchange swapped: two columns, or (any other value) two rows.
inline constexpr std::uint8_t SortExchangeColumns = 1;
inline constexpr std::uint8_t SortExchangeRows = 2;

//! Largest number of elements a table may hold; a larger request counts as out of memory rather
//! than being left to the operating system, which would rather kill the program than refuse.
inline constexpr long long MaxTableElements = 1LL << 22;

//! Throws std::bad_alloc when a columns x rows table would exceed MaxTableElements.
void CheckTableSize(int columns, int rows);

//! A resizable matrix of doubles numbered [column, row] from 1, columns outer. Indices out of
//! range are ignored by writers and read as 0.0.
class TMatrix : public NamedGrid<TMatrix> {
public:
    using ChangeEvent = std::function<void(TMatrix& sender)>;
    //! sender, what (SortExchangeColumns or rows), the two indices swapped, and the first and last
    //! index of the other dimension over which they were swapped.
    using SortExchangeEvent = std::function<void(
        TMatrix& sender, std::uint8_t what, int index1, int index2, int first, int last)>;

    explicit TMatrix(std::string name = "Matrix");
    TMatrix(const TMatrix&) = delete;
    TMatrix& operator=(const TMatrix&) = delete;

    //! Keeps every value at its [column, row]; new elements are 0.0; sizes below 1 count as 1.
    //! Throws EQuorMatrixError, leaving the matrix as it was, when memory runs out.
    void Resize(int columns, int rows);

    double Elem(int column, int row) const;
    void SetElem(int column, int row, double value);
    void Fill(double value);

    //! Swaps two columns over rows first..last (clamped to the matrix).
    void ExchangeColumns(int column1, int column2, int first, int last);
    //! Swaps two rows over columns first..last (clamped to the matrix).
    void ExchangeRows(int row1, int row2, int first, int last);
    //! Orders rows first..last by the values of one column, exchanging whole rows.
    void SortRows(int keyColumn, int first, int last, bool ascending);

    ChangeEvent OnChange;
    SortExchangeEvent OnSortExchange;

private:
    void changed();
    bool exchangeRows(int row1, int row2, int first, int last);

    std::vector<std::vector<double>> m_values;
};

} // namespace meldrix
