#pragma once

#include <string>

namespace meldrix {

//! The library's general number text. With `decimals` other than -2: fixed notation with that
//! many decimals right-aligned in at least |width| characters. With -2: scientific notation in
//! |width| characters with a two-digit exponent and |width| - 6 significant digits (2..18); a
//! value whose exponent needs three or more digits comes out as a row of "*". A negative `width`
//! pads with zeros instead of blanks, a minus sign moving to the front: (-12, -5, 0) is "-0012".
std::string FormatFixedOrSci(double value, int width, int decimals);

//! The text of a number cell of the table editor: fixed notation with `decimals` decimals in
//! `width` characters while the number fits in nine characters of digits and point at that
//! precision (zero always fits), otherwise scientific notation with `width` significant digits.
//! `decimals` -1, 9 and 10 always give the scientific form.
std::string FormatCellNumber(double value, int width, int decimals);

} // namespace meldrix
