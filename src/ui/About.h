#pragma once

#include <QString>

namespace meldrix {

//! The program's version, as the caption, --version and About show it.
inline constexpr char16_t MeldrixVersion[] = u"0.301";

//! What Help, About Meldrix shows: the version, where the thermodynamic data come from, the
//! licence (rich text).
QString AboutText();

} // namespace meldrix
