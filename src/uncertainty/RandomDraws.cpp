#include "uncertainty/RandomDraws.h"

#include <cmath>

namespace meldrix {

namespace {

constexpr std::uint64_t rotl(std::uint64_t x, int k)
{
    return (x << k) | (x >> (64 - k));
}

} // namespace

std::uint64_t SplitMix64(std::uint64_t& state)
{
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

RandomDraws::RandomDraws(std::uint64_t seed, std::uint64_t index)
{
    // The seed is mixed before the index is added, so that seed 1 sample 2 and seed 2 sample 1
    // do not share a stream.
    std::uint64_t mixed = seed;
    std::uint64_t state = SplitMix64(mixed) ^ (index * 0xD1B54A32D192ED03ULL);
    for (std::uint64_t& word : m_state)
        word = SplitMix64(state);
}

std::uint64_t RandomDraws::next()
{
    const std::uint64_t result = rotl(m_state[1] * 5, 7) * 9;
    const std::uint64_t t = m_state[1] << 17;
    m_state[2] ^= m_state[0];
    m_state[3] ^= m_state[1];
    m_state[1] ^= m_state[2];
    m_state[0] ^= m_state[3];
    m_state[2] ^= t;
    m_state[3] = rotl(m_state[3], 45);
    return result;
}

double RandomDraws::uniform()
{
    return static_cast<double>(next() >> 11) * 0x1.0p-53;
}

double RandomDraws::normal()
{
    if (m_hasSpare) {
        m_hasSpare = false;
        return m_spare;
    }
    double u = 0.0;
    double v = 0.0;
    double s = 0.0;
    do {
        u = 2.0 * uniform() - 1.0;
        v = 2.0 * uniform() - 1.0;
        s = u * u + v * v;
    } while (s >= 1.0 || s == 0.0);
    const double factor = std::sqrt(-2.0 * std::log(s) / s);
    m_spare = v * factor;
    m_hasSpare = true;
    return u * factor;
}

} // namespace meldrix
