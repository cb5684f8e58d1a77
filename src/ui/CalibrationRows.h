#pragma once

#include "rig/Rig.h"
#include "ui/EditorRows.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the curve list CalGrid1 shows for each curve and how its cells read back, as plain text
// functions, and the same for the point editor CalCurveEdit: the window only moves these in and
// out of its grids.

namespace meldrix {

class TCeltrixModel;

//! Columns of the curve list: the curve number, then the header fields of the curve.
inline constexpr int CalGridColumns = 8;
inline constexpr std::array<std::string_view, CalGridColumns> CalGridHeadings { "Curve", "Make",
    "Size", "Float", "Gas", "Temp.", "Press.", "Flowmeter" };

//! The text of column 0..7 for curve `curve`: its number, Make, Size, Float, Gas, Temp and Press
//! in width 9 with 2 decimals, Flowmeter as a whole number.
std::string CalGridText(const Rig& rig, int curve, int column);

//! A whole number as the curve list reads one: leading blanks, an optional sign and the digits
//! after it; anything else after the digits leaves the digits alone, without the sign. Empty
//! text gives 0; text without digits gives 0 too. Nothing when the digits overflow.
std::optional<long long> readWholeNumber(std::string_view text);

//! Stores the text of column 1..7 into the header field of curve `curve`. Texts are cut to their
//! field; Temp and Press take a decimal number, and Flowmeter a whole number that fits 0..65535.
//! A text that still reads as the field shows it now changes nothing. Returns the sentence that
//! says why a text was refused (the field then keeps its value).
[[nodiscard]] std::optional<std::string> ReadCalGridText(
    Rig& rig, int curve, int column, std::string_view text);

//! "Curve N P-i", the heading of point i of curve N in the point editor.
std::string CalPointHeading(int curve, int point);

//! Shows the points of curve `curve` in the point editor: headings, Reading in column 1, Flow in
//! column 2. Every element's state comes from its value alone (a number shows, anything else is
//! empty), so no mark left by another curve or a refused text stays.
void FillCalPoints(const Rig& rig, int curve, TCeltrixModel& points);

//! Stores the point editor into curve `curve`. An element that holds no value (a text that was
//! not a number) leaves its field as stored; where that field holds a number the point is
//! returned as refused, the row being the point number.
[[nodiscard]] RowRefusals ReadCalPoints(Rig& rig, int curve, const TCeltrixModel& points);

//! Curve `curve` as the point editor shows it: the stored curve with the shown points read into
//! it, as OK would store them. The rig is not changed.
CalCurveRecord ShownCalCurve(const Rig& rig, int curve, const TCeltrixModel& points);

//! The points whose shown Reading or Flow OK would store differently from the curve, or would
//! refuse: what the point editor holds that is not taken yet.
std::vector<int> PendingCalPoints(const Rig& rig, int curve, const TCeltrixModel& points);

} // namespace meldrix
