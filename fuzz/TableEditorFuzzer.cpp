// The table editor's text paths: the Extract scanner over clipboard text and the commit rule of
// the in-place editor, on a table of fuzzed size, selection, number width and precision, followed
// by everything that turns the elements into text again (cells, editor text, Copy).
//
// Input: columns, rows, selection column, selection row, number width, precision, nominal names
// flag, then the text; its first line is also committed into the current cell.

#include "Check.h"
#include "tabed/CeltrixModel.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

using namespace meldrix;
using fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 7)
        return 0;
    const std::string_view text(reinterpret_cast<const char*>(data) + 7, size - 7);

    for (const auto& line : ScanNumbers(text))
        for (const double value : line)
            check(std::isfinite(value) && std::fabs(value) <= 1.7e308,
                "the scanner gives a value beyond 1.7E308");

    TCeltrixModel model("Fuzz", 1 + data[0] % 8, 1 + data[1] % 24);
    model.SetNumWidth(data[4] % 24);
    for (int column = 1; column <= model.NrOfColumns(); ++column)
        model.SetPrecision(column, static_cast<std::int8_t>(data[5]) + column);
    if (data[6] & 1) {
        model.Table().SetColScaleLevel(1, ScaleNominal);
        model.Table().SetNominalName(1, 1 + data[6] / 2 % 25, "Argon");
    }
    model.SetCurrent(1 + data[2] % 10, 1 + data[3] % 26);

    const std::string_view firstLine = text.substr(0, std::min(text.find('\n'), text.size()));
    model.CommitEditText(model.Col(), model.Row(), firstLine);
    const std::uint8_t state = model.ElemState(model.Col(), model.Row());
    check(state == 0 || state == StateEmpty, "a commit leaves a state other than 0 or empty");
    check(std::isfinite(model.Elem(model.Col(), model.Row())),
        "a commit stores a value that is not finite");

    model.ExtractFromClipboard(text);
    for (int column = 1; column <= model.NrOfColumns(); ++column)
        for (int row = 1; row <= model.NrOfRows(); ++row) {
            check(std::isfinite(model.Elem(column, row)), "an element is not finite");
            (void)model.DataCellLook(column, row);
            (void)model.EditText(column, row);
        }
    for (int gridColumn = 0; gridColumn < model.GridColCount(); ++gridColumn)
        for (int gridRow = 0; gridRow < model.GridRowCount(); ++gridRow)
            (void)model.GridCellLook(gridColumn, gridRow);
    model.SelectAll();
    (void)model.Copy();
    check(model.Paste(), "paste after copy does nothing");
    return 0;
}
