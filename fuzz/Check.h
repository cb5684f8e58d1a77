#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace meldrix::fuzz {

//! Ends the run as a finding when `condition` fails, naming the property and, when given, what
//! it failed on; libFuzzer then keeps the input.
inline void check(bool condition, const char* what, std::string_view detail = {})
{
    if (condition)
        return;
    std::fprintf(stderr, "broken: %s\n", what);
    if (!detail.empty())
        std::fprintf(stderr, "%.*s\n", static_cast<int>(detail.size()), detail.data());
    std::abort();
}

} // namespace meldrix::fuzz
