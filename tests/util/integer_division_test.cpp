#include "util/integer_division.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

namespace zemko {
namespace {

// floor: q d <= v < (q + 1) d; ceil: (q - 1) d < v <= q d (products in 128 bits, so that the
// extremes of the range are checked too).
TEST(IntegerDivision, RoundsDownAndUpForEitherSignAndEveryDivisor) {
    std::vector<std::int64_t> values;
    for (std::int64_t v = -70; v <= 70; ++v)
        values.push_back(v);
    for (std::int64_t v :
         {std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::min() + 1,
          std::numeric_limits<std::int64_t>::max(), std::int64_t{1} << 40,
          -(std::int64_t{1} << 40) - 3})
        values.push_back(v);
    for (std::int64_t d : {1LL, 2LL, 3LL, 7LL, 16LL, 24LL, 64LL, 1LL << 40, 1LL << 62}) {
        for (std::int64_t v : values) {
            const __int128 wide = v;
            const __int128 down = floor_div(v, d), up = ceil_div(v, d);
            EXPECT_TRUE(down * d <= wide && wide < (down + 1) * d) << v << " / " << d;
            EXPECT_TRUE((up - 1) * d < wide && wide <= up * d) << v << " / " << d;
        }
    }
}

}  // namespace
}  // namespace zemko
