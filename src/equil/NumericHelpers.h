#pragma once

#include "common/Rounding.h"

#include <string>

namespace meldrix {

//! Base-10 logarithm held inside the range of the number format: 308 from 1.0E307 up, -308 from
//! 1.0E-307 down (zero and negative arguments included).
Extended Log10Clamped(Extended x);

//! 10 to the power x, held inside the range of the number format: 1.0E307 from 308 up, 0 from
//! -308 down.
Extended Power10(Extended x);

//! base to the power exponent through logarithms; defined for positive bases only (a zero base
//! gives 0 for a positive exponent, a negative base gives NaN).
Extended Power(Extended base, Extended exponent);

//! The shortest text that reads back as `value` ("-1e-09", "199.99999999999997"), and "NaN",
//! "inf" or "-inf": the number a message quotes, as the operator typed it.
std::string ShortestText(double value);

} // namespace meldrix
