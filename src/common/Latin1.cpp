#include "common/Latin1.h"

namespace meldrix {

std::string latin1ToUtf8(std::string_view bytes)
{
    std::string text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x80) {
            text += c;
        } else {
            text += static_cast<char>(0xC0 | (u >> 6));
            text += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return text;
}

std::optional<std::string> utf8ToLatin1(std::string_view text)
{
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto u = static_cast<unsigned char>(text[i]);
        if (u < 0x80) {
            bytes += text[i];
            continue;
        }
        // Only two-byte sequences C2..C3 encode U+0080..U+00FF.
        if ((u != 0xC2 && u != 0xC3) || i + 1 >= text.size())
            return std::nullopt;
        const auto next = static_cast<unsigned char>(text[++i]);
        if ((next & 0xC0) != 0x80)
            return std::nullopt;
        bytes += static_cast<char>(((u & 0x03) << 6) | (next & 0x3F));
    }
    return bytes;
}

} // namespace meldrix
