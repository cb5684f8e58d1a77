#pragma once

#include <array>
#include <cstddef>
#include <span>

namespace meldrix {

[[noreturn]] void indexOutOfRange(int n, std::size_t size);

//! A fixed array numbered 1..N, as the rig numbers gases, stages, cells and curves. Access is
//! always checked: numbers from files or the operator are tested with inRange() before use, so a
//! failing check is a bug and stops the program.
template <typename T, std::size_t N>
class OneBased {
public:
    using value_type = T;
    static constexpr int Count = static_cast<int>(N);

    constexpr T& operator[](int n) { return m_items[slot(n)]; }
    constexpr const T& operator[](int n) const { return m_items[slot(n)]; }
    static constexpr bool inRange(long long n) { return n >= 1 && n <= Count; }
    static constexpr int size() { return Count; }

    std::span<T, N> all() { return m_items; }
    std::span<const T, N> all() const { return m_items; }
    auto begin() { return m_items.begin(); }
    auto end() { return m_items.end(); }
    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }
    void fill(const T& value) { m_items.fill(value); }

    friend bool operator==(const OneBased&, const OneBased&) = default;

private:
    static constexpr std::size_t slot(int n)
    {
        if (!inRange(n)) [[unlikely]]
            indexOutOfRange(n, N);
        return static_cast<std::size_t>(n - 1);
    }
    std::array<T, N> m_items {};
};

} // namespace meldrix
