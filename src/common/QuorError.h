#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace meldrix {

//! Base of the errors the component classes (table editor, chart) raise: only when memory runs
//! out or a component is misused, never for ordinary bad input.
class EQuorError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

//! "Component "NAME": WHAT", the form of every component error message.
inline std::string ComponentMessage(std::string_view name, std::string_view what)
{
    std::string text = "Component \"";
    text += name;
    text += "\": ";
    text += what;
    return text;
}

} // namespace meldrix
