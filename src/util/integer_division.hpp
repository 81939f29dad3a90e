// Integer division rounded up or down for numerators of any sign and positive divisors: the
// bounds scale their costs to integers and must round every quotient the safe way.
#pragma once

#include <cstdint>

namespace zemko {

// ceil(value / divisor), divisor > 0.
constexpr std::int64_t ceil_div(std::int64_t value, std::int64_t divisor) {
    const std::int64_t quotient = value / divisor;
    return value % divisor != 0 && value > 0 ? quotient + 1 : quotient;
}

// floor(value / divisor), divisor > 0.
constexpr std::int64_t floor_div(std::int64_t value, std::int64_t divisor) {
    const std::int64_t quotient = value / divisor;
    return value % divisor != 0 && value < 0 ? quotient - 1 : quotient;
}

}  // namespace zemko
