#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace meldrix {

//! string[N] of the data files: a length byte, then N 8-bit characters. Only the first Length
//! bytes count; the bytes after them are kept as they are so that a record saves back unchanged.
template <std::size_t N>
struct ShortString {
    static_assert(N >= 1 && N <= 255);
    static constexpr std::size_t Capacity = N;

    std::uint8_t Length = 0; // a file may hold any value here; view() never reads past N
    std::array<char, N> Chars {};

    std::string_view view() const { return { Chars.data(), std::min<std::size_t>(Length, N) }; }
    std::string str() const { return std::string(view()); }
    bool empty() const { return view().empty(); }

    //! Stores text cut to N characters; the bytes beyond the new length are left as they were.
    void assign(std::string_view text)
    {
        const std::size_t n = std::min(text.size(), N);
        std::copy_n(text.data(), n, Chars.data());
        Length = static_cast<std::uint8_t>(n);
    }
    ShortString& operator=(std::string_view text)
    {
        assign(text);
        return *this;
    }

    friend bool operator==(const ShortString& a, std::string_view b) { return a.view() == b; }
    friend bool operator==(const ShortString&, const ShortString&) = default;
};

} // namespace meldrix
