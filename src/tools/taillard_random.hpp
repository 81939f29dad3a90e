// Taillard's portable random generator: the linear congruential generator
// seed' = 16807 * seed mod (2^31 - 1), computed by Schrage's method so that no intermediate
// value leaves 32 bits, and his unif(seed, low, high). Any machine gives the same numbers.
#pragma once

#include <cstdint>

namespace zemko_tools {

inline constexpr std::int32_t LCG_MODULUS = 2147483647;  // 2^31 - 1
inline constexpr std::int32_t LCG_MULTIPLIER = 16807;
inline constexpr std::int32_t SCHRAGE_QUOTIENT = 127773;  // LCG_MODULUS / LCG_MULTIPLIER
inline constexpr std::int32_t SCHRAGE_REMAINDER = 2836;   // LCG_MODULUS % LCG_MULTIPLIER

// Smallest and largest seeds for which the sequence never reaches 0.
inline constexpr std::int32_t MIN_SEED = 1;
inline constexpr std::int32_t MAX_SEED = LCG_MODULUS - 1;

// Advances seed by one step of the generator and returns low + floor(seed / m * (high - low
// + 1)), an integer uniform in [low, high]. seed must be in [MIN_SEED, MAX_SEED]; it stays there.
int taillard_unif(std::int32_t& seed, int low, int high);

}  // namespace zemko_tools
