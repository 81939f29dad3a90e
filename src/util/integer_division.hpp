// Integer division rounded up or down for numerators of any sign and positive divisors: the
// bounds scale their costs to integers and must round every quotient the safe way.
#pragma once

#include <bit>
#include <cstdint>

namespace zemko {

// A divisor that is a power of two (the prices' scale, a backlog bucket of one unit) divides
// by a shift: the exact search divides twice per child, and a hardware division is many times
// dearer. An arithmetic shift rounds down for either sign.
constexpr bool is_power_of_two(std::int64_t divisor) {
    return (divisor & (divisor - 1)) == 0;
}

constexpr int shift_of(std::int64_t divisor) {
    return std::countr_zero(static_cast<std::uint64_t>(divisor));
}

// ceil(value / divisor), divisor > 0.
constexpr std::int64_t ceil_div(std::int64_t value, std::int64_t divisor) {
    if (is_power_of_two(divisor))
        return (value >> shift_of(divisor)) + ((value & (divisor - 1)) != 0 ? 1 : 0);
    const std::int64_t quotient = value / divisor;
    return value % divisor != 0 && value > 0 ? quotient + 1 : quotient;
}

// floor(value / divisor), divisor > 0.
constexpr std::int64_t floor_div(std::int64_t value, std::int64_t divisor) {
    if (is_power_of_two(divisor)) return value >> shift_of(divisor);
    const std::int64_t quotient = value / divisor;
    return value % divisor != 0 && value < 0 ? quotient - 1 : quotient;
}

}  // namespace zemko
