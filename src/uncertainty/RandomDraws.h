#pragma once

#include <cstdint>

namespace meldrix {

//! A portable random stream (xoshiro256**, seeded through splitmix64) with normal draws of its
//! own, so that a seed gives the same numbers with any compiler and standard library.
class RandomDraws {
public:
    //! The stream of sample `index` of a run seeded with `seed`: every sample has a stream of its
    //! own, so its draws do not depend on how many numbers the samples before it took.
    RandomDraws(std::uint64_t seed, std::uint64_t index);

    std::uint64_t next();
    //! Uniform in [0, 1), 53 random bits.
    double uniform();
    //! Standard normal (Marsaglia's polar method; the second value of a pair is kept).
    double normal();

private:
    std::uint64_t m_state[4] {};
    double m_spare = 0.0;
    bool m_hasSpare = false;
};

//! One step of splitmix64 on `state`: the seeding generator, also used to mix seeds.
std::uint64_t SplitMix64(std::uint64_t& state);

} // namespace meldrix
