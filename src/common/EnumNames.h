#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace meldrix {

//! One value of an enumeration and the name it is written as.
template <typename Enum>
struct EnumName {
    Enum Value;
    std::string_view Name;
};

//! The name `names` gives `value`; `fallback` for a value the table leaves out, whether left out
//! on purpose or cast from a number outside the enumerators.
template <typename Enum, std::size_t N>
constexpr std::string_view NameOf(
    Enum value, const std::array<EnumName<Enum>, N>& names, std::string_view fallback)
{
    for (const EnumName<Enum>& name : names)
        if (name.Value == value)
            return name.Name;
    return fallback;
}

} // namespace meldrix
