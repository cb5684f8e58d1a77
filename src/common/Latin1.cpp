#include "common/Latin1.h"

#include <array>
#include <utility>

namespace meldrix {

namespace {

// The placeholder the window shows for a control character, as UTF-8; empty for any other byte.
std::string_view placeholder(unsigned char c)
{
    static constexpr std::array<const char*, 33> Pictures { "\u2400", "\u2401", "\u2402", "\u2403",
        "\u2404", "\u2405", "\u2406", "\u2407", "\u2408", "\u2409", "\u240A", "\u240B", "\u240C",
        "\u240D", "\u240E", "\u240F", "\u2410", "\u2411", "\u2412", "\u2413", "\u2414", "\u2415",
        "\u2416", "\u2417", "\u2418", "\u2419", "\u241A", "\u241B", "\u241C", "\u241D", "\u241E",
        "\u241F", "\u2421" };
    if (c < 0x20)
        return Pictures[c];
    if (c == 0x7F)
        return Pictures[32];
    if (c >= 0x80 && c < 0xA0)
        return "\uFFFD";
    return {};
}

// The character starting at `at` and its length in bytes; nothing when no valid UTF-8 starts there.
std::optional<std::pair<char32_t, std::size_t>> decodeAt(std::string_view text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return std::pair { char32_t(lead), std::size_t(1) };
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || at + length > text.size())
        return std::nullopt;
    char32_t code = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return std::nullopt;
        code = (code << 6) | (byte(i) & 0x3F);
    }
    constexpr std::array<char32_t, 5> Least { 0, 0, 0x80, 0x800, 0x10000 };
    if (code < Least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return std::nullopt;
    return std::pair { code, length };
}

} // namespace

std::string shownLatin1ToUtf8(std::string_view latin1)
{
    std::string text;
    text.reserve(latin1.size());
    for (const char c : latin1) {
        if (const std::string_view shown = placeholder(static_cast<unsigned char>(c));
            !shown.empty())
            text += shown;
        else
            text += latin1ToUtf8(std::string_view(&c, 1));
    }
    return text;
}

bool isValidUtf8(std::string_view bytes)
{
    for (std::size_t i = 0; i < bytes.size();) {
        const auto character = decodeAt(bytes, i);
        if (!character)
            return false;
        i += character->second;
    }
    return true;
}

std::string systemTextToUtf8(std::string_view bytes)
{
    return isValidUtf8(bytes) ? std::string(bytes) : latin1ToUtf8(bytes);
}

std::string utf8ToLatin1Shown(std::string_view text)
{
    if (!isValidUtf8(text))
        return std::string(text);
    std::string bytes;
    for (std::size_t i = 0; i < text.size();) {
        const auto [code, length] = *decodeAt(text, i);
        bytes += code <= 0xFF ? static_cast<char>(code) : '?';
        i += length;
    }
    return bytes;
}

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
