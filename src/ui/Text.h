#pragma once

#include "common/qt/RecordText.h"

#include <QString>
#include <string>
#include <string_view>

// The places where 8-bit text of the core becomes QString and back: record texts through
// common/qt/RecordText.h, paths and messages here.

namespace meldrix {

//! A file path or a message of the core, in the system's 8-bit encoding.
QString fromSystemText(std::string_view text);

//! A chosen path or a message in the system's 8-bit encoding.
std::string toSystemText(const QString& text);

} // namespace meldrix
