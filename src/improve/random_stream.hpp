// The random numbers of the improvement phase: xoshiro256** seeded through splitmix64, with
// its own bounded draw, so that every platform and standard library draws the same numbers.
#pragma once

#include <cstdint>

namespace zemko {

struct RandomStream {
    std::uint64_t state[4];
};

inline std::uint64_t splitmix64(std::uint64_t& x) {
    x += 0x9e3779b97f4a7c15ULL;
    std::uint64_t z = x;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

// The stream of number `stream` of a run seeded with `seed`: distinct streams for distinct
// (seed, stream) pairs.
inline RandomStream make_random_stream(std::uint64_t seed, std::uint64_t stream) {
    std::uint64_t mix = seed;
    std::uint64_t key = splitmix64(mix) ^ (stream * 0xd1342543de82ef95ULL + 0x2545f4914f6cdd1dULL);
    RandomStream random;
    for (std::uint64_t& word : random.state)
        word = splitmix64(key);
    return random;
}

inline std::uint64_t next_random(RandomStream& random) {
    std::uint64_t* s = random.state;
    const std::uint64_t x = s[1] * 5;
    const std::uint64_t result = ((x << 7) | (x >> 57)) * 9;
    const std::uint64_t t = s[1] << 17;
    s[2] ^= s[0];
    s[3] ^= s[1];
    s[1] ^= s[2];
    s[0] ^= s[3];
    s[2] ^= t;
    s[3] = (s[3] << 45) | (s[3] >> 19);
    return result;
}

// A uniform draw from [0, bound), bound >= 1, without the bias of a plain modulo: draws that
// fall in the incomplete last block of 2^64 are drawn again.
inline std::uint64_t random_below(RandomStream& random, std::uint64_t bound) {
    const std::uint64_t limit = -bound % bound;  // 2^64 mod bound
    for (;;) {
        const std::uint64_t draw = next_random(random);
        if (draw >= limit) return draw % bound;
    }
}

}  // namespace zemko
