#pragma once

#include "tabed/TMatrix.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace meldrix {

class EQuorDataTableError : public EQuorError {
public:
    using EQuorError::EQuorError;
};

//! Bits of an element state. Bits 2..5 are further states without a value (shown blank).
inline constexpr std::uint8_t StateNaN = 1;
inline constexpr std::uint8_t StateEmpty = 2;
inline constexpr std::uint8_t StateNoValueMask = 63;
inline constexpr std::uint8_t StateMarkA = 64;
inline constexpr std::uint8_t StateMarkB = 128;

//! Scale levels of a column; nominal and ordinal columns hold whole numbers 1..25 that stand for
//! the column's nominal names.
inline constexpr std::uint8_t ScaleUnknown = 0;
inline constexpr std::uint8_t ScaleNominal = 1;
inline constexpr std::uint8_t ScaleOrdinal = 2;
inline constexpr std::uint8_t ScaleInterval = 3;
inline constexpr std::uint8_t ScaleRatio = 4;
inline constexpr std::array<std::string_view, 5> ScaleLevelNames { "Unknown", "Nominal", "Ordinal",
    "Interval", "Ratio" };

inline constexpr int MaxNominalNames = 25;
inline constexpr std::size_t NominalNameLength = 10;
inline constexpr std::size_t HeadingLength = 50;

//! The store behind a table editor: values [column, row] numbered from 1 (columns outer), with
//! headings, attributes, element states, scale levels with nominal names, and a comment. Indices
//! out of range are ignored by writers and read as a neutral value; only running out of memory
//! raises EQuorDataTableError.
class TDataTable : public NamedGrid<TDataTable> {
public:
    using ChangeEvent = std::function<void(TDataTable& sender)>;
    using ResizeEvent = std::function<void(
        TDataTable& sender, int OldColumns, int OldRows, int NewColumns, int NewRows)>;
    using SortExchangeEvent = std::function<void(
        TDataTable& sender, std::uint8_t what, int index1, int index2, int first, int last)>;

    explicit TDataTable(std::string name = "DataTable");
    //! A table over a matrix that someone else owns; the table takes over its size and never
    //! frees it.
    TDataTable(std::string name, TMatrix& sharedMatrix);
    ~TDataTable();
    TDataTable(const TDataTable&) = delete;
    TDataTable& operator=(const TDataTable&) = delete;

    //! Keeps values, states, headings and attributes at their places; new columns are headed
    //! C-n, new rows R-n. Raises OnResize only, never OnChange. Out of memory: the table stays
    //! as it was and EQuorDataTableError is raised.
    void Resize(int columns, int rows);
    //! Headings back to C-n and R-n, states, attributes and comment cleared, every column
    //! Interval, every value 0.0; raises OnChange once.
    void Clear();

    //! A nominal or ordinal column reads and stores its values rounded to whole numbers.
    double Elem(int column, int row) const;
    void SetElem(int column, int row, double value);
    std::uint8_t ElemState(int column, int row) const;
    void SetElemState(int column, int row, std::uint8_t state);
    //! True when the element holds a number (neither not-a-number nor empty); true out of range.
    bool IsNumber(int column, int row) const;

    std::string_view ColName(int column) const;
    void SetColName(int column, std::string_view text);
    std::string_view RowName(int row) const;
    void SetRowName(int row, std::string_view text);
    std::uint8_t ColAttrib(int column) const;
    void SetColAttrib(int column, std::uint8_t value);
    std::uint8_t RowAttrib(int row) const;
    void SetRowAttrib(int row, std::uint8_t value);

    std::uint8_t ColScaleLevel(int column) const;
    //! Levels above Ratio are ignored.
    void SetColScaleLevel(int column, std::uint8_t level);
    //! Empty unless the column is nominal or ordinal.
    std::string_view NominalName(int column, int k) const;
    void SetNominalName(int column, int k, std::string_view name);
    //! The first k whose nominal name equals the text (cut to 10 characters first); 0 when none,
    //! for an empty text, and unless the column is nominal or ordinal.
    int NominalIndex(int column, std::string_view text, bool ignoreCase) const;

    //! Clears both marks of every element, keeping the other state bits.
    void UnmarkAll();

    const std::string& Comment() const { return m_comment; }
    //! Stored without control characters.
    void SetComment(std::string_view text);

    //! When on, exchanges by the matrix also exchange headings, attributes and scale records.
    bool HeadingsFollowSorting() const { return m_headingsFollowSorting; }
    void SetHeadingsFollowSorting(bool on) { m_headingsFollowSorting = on; }
    bool MatrixShared() const { return m_matrixShared; }
    TMatrix& Matrix() { return *m_matrix; }
    const TMatrix& Matrix() const { return *m_matrix; }

    ChangeEvent OnChange;
    ResizeEvent OnResize;
    SortExchangeEvent OnSortExchange;

private:
    struct ScaleRecord {
        std::uint8_t Level = ScaleInterval;
        std::vector<std::string> Names; // MaxNominalNames entries once one is set
    };
    struct Storage {
        std::vector<std::vector<std::uint8_t>> States;
        std::vector<std::string> ColNames;
        std::vector<std::string> RowNames;
        std::vector<std::uint8_t> ColAttribs;
        std::vector<std::uint8_t> RowAttribs;
        std::vector<ScaleRecord> Scales;
    };

    void initialize(int columns, int rows);
    Storage resizedStorage(int columns, int rows) const;
    void attachToMatrix();
    void matrixChanged();
    void matrixExchanged(std::uint8_t what, int index1, int index2, int first, int last);
    bool nominalColumn(int column) const;
    std::uint8_t& state(int column, int row);
    void changed();

    std::string m_comment;
    Storage m_storage;
    bool m_headingsFollowSorting = false;
    bool m_matrixShared = false;
    bool m_forwardMatrixChange = true;
    std::unique_ptr<TMatrix> m_ownMatrix;
    TMatrix* m_matrix = nullptr;
};

//! The default heading of a column or row: prefix and the number, "C-4".
std::string DefaultHeading(std::string_view prefix, int number);

} // namespace meldrix
