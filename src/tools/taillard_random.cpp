// Taillard's portable random generator.
#include "tools/taillard_random.hpp"

#include <cmath>

namespace zemko_tools {

int taillard_unif(std::int32_t& seed, int low, int high) {
    // Schrage: a * seed mod m = a * (seed mod q) - r * (seed / q), plus m when negative.
    std::int32_t k = seed / SCHRAGE_QUOTIENT;
    seed = LCG_MULTIPLIER * (seed % SCHRAGE_QUOTIENT) - k * SCHRAGE_REMAINDER;
    if (seed < 0) seed += LCG_MODULUS;
    double value_0_1 = seed / static_cast<double>(LCG_MODULUS);
    // The width is taken in double: high - low + 1 may not fit an int.
    double width = static_cast<double>(high) - static_cast<double>(low) + 1.0;
    return static_cast<int>(low + std::floor(value_0_1 * width));
}

}  // namespace zemko_tools
