// The acceptance rule of the improvement walks: a worse sequence is taken with the
// probability exp(-worsening / temperature), decided with a table of exponential quantiles
// built at compile time from + - * / alone, so no libm function takes part in a decision.
#pragma once

#include <array>
#include <cstdint>

#include "improve/random_stream.hpp"
#include "util/cost.hpp"

namespace zemko {

inline constexpr int ACCEPTANCE_LEVELS = 1024;

// ln(x) for x > 0 from x = m * 2^e with m in [1, 2) and the series of atanh.
constexpr double natural_log(double x) {
    int exponent = 0;
    while (x >= 2.0)
        x /= 2.0, ++exponent;
    while (x < 1.0)
        x *= 2.0, --exponent;
    const auto log_of_mantissa = [](double m) {
        const double z = (m - 1.0) / (m + 1.0);
        const double z2 = z * z;
        double term = z, sum = 0.0;
        for (int k = 1; k < 200; k += 2) {
            sum += term / k;
            term *= z2;
        }
        return 2.0 * sum;
    };
    return exponent * log_of_mantissa(2.0) + log_of_mantissa(x);
}

// Entry r: -ln((r + 0.5) / ACCEPTANCE_LEVELS), the quantile of an exponential variable of
// mean 1 at the middle of the r-th of ACCEPTANCE_LEVELS equally likely slices.
constexpr std::array<double, ACCEPTANCE_LEVELS> make_exponential_quantiles() {
    std::array<double, ACCEPTANCE_LEVELS> quantiles{};
    for (int r = 0; r < ACCEPTANCE_LEVELS; ++r) {
        quantiles[r] = -natural_log((r + 0.5) / ACCEPTANCE_LEVELS);
    }
    return quantiles;
}

inline constexpr std::array<double, ACCEPTANCE_LEVELS> EXPONENTIAL_QUANTILES =
    make_exponential_quantiles();

// Whether a sequence `worsening` (>= 0) above the current one replaces it: P(E * temperature
// >= worsening) for E exponential of mean 1, which is exp(-worsening / temperature) up to
// the slicing of the table.
inline bool accept_worse(RandomStream& random, Cost worsening, double temperature) {
    const double quantile = EXPONENTIAL_QUANTILES[random_below(random, ACCEPTANCE_LEVELS)];
    return static_cast<double>(worsening) <= temperature * quantile;
}

}  // namespace zemko
