#pragma once

#include <cmath>
#include <nlohmann/json.hpp>
#include <optional>

namespace meldrix {

//! A number for the JSON the commands print: null where it is not finite or not known, since
//! JSON has no NaN or infinity.
inline nlohmann::ordered_json JsonNumber(double value)
{
    if (!std::isfinite(value))
        return nullptr;
    return value;
}

inline nlohmann::ordered_json JsonNumber(const std::optional<double>& value)
{
    return value ? JsonNumber(*value) : nlohmann::ordered_json();
}

} // namespace meldrix
