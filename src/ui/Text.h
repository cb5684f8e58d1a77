#pragma once

#include <QString>
#include <string>
#include <string_view>

// The only places where 8-bit text of the core becomes QString and back.

namespace meldrix {

//! A record text (names, meter texts) as shown: its bytes are Latin-1.
QString fromRecordText(std::string_view bytes);

//! Typed text back into record bytes; a character beyond Latin-1 becomes '?'.
std::string toRecordText(const QString& text);

//! A file path or a message of the core, in the system's 8-bit encoding.
QString fromSystemText(std::string_view text);

//! A chosen path or a message in the system's 8-bit encoding.
std::string toSystemText(const QString& text);

} // namespace meldrix
