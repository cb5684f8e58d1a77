#pragma once

#include <QString>
#include <string>
#include <string_view>

// The only place where the 8-bit texts of the records (names, meter texts, headings) become
// QString and back. Every Qt layer shows them through these two.

namespace meldrix {

//! A record text as shown: its bytes are Latin-1.
QString fromRecordText(std::string_view bytes);

//! Typed text back into record bytes; a character beyond Latin-1 becomes '?'.
std::string toRecordText(const QString& text);

} // namespace meldrix
