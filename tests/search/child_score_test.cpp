// The score of a child, ALPHA*UB + (100-ALPHA)*LB, over the whole range of ALPHA.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

#include "search/child_generation.hpp"

using namespace zemko;

TEST(ChildScore, HoldsForEveryAlphaTheSettingsFileCanGive) {
    struct Case {
        int alpha, lb, ub;
        int64_t score;
    };
    const int64_t two_to_31 = int64_t{1} << 31;
    const Case cases[] = {
        {10, 7, 9, 10 * 9 + 90 * 7},
        {100, 7, 9, 900},
        {0, -7, 9, -700},
        // At the ends of 32 bits 100 - ALPHA no longer fits 32 bits, but the score must be exact.
        {INT_MIN, 3, 5, -two_to_31 * 5 + (100 + two_to_31) * 3},
        {INT_MIN + 99, 3, 5, (99 - two_to_31) * 5 + (1 + two_to_31) * 3},
        {INT_MAX, 1073741823, 1073741823, int64_t{100} * 1073741823},
    };
    for (const Case& c : cases)
        EXPECT_EQ(child_score_of(c.alpha, c.lb, c.ub), c.score) << "ALPHA " << c.alpha;
}
