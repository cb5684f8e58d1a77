#pragma once

#include <QString>
#include <string>
#include <string_view>

// The only place where the 8-bit texts of the records (names, meter texts, headings) become
// QString and back. Every Qt layer shows them through these two.

namespace meldrix {

//! A record text as shown: its bytes are Latin-1.
QString fromRecordText(std::string_view bytes);

//! A record text as the operator sees it: Latin-1, with every control character shown as a visible
//! placeholder (the control pictures for 0..31 and 127, a replacement mark for 128..159).
QString shownRecordText(std::string_view bytes);

//! Typed text back into record bytes; a control picture becomes its control character again and
//! any other character beyond Latin-1 becomes '?'.
std::string toRecordText(const QString& text);

} // namespace meldrix
