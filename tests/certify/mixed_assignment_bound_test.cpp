// The assignment solver against every permutation, and the mixed assignment bound against the
// optimum of small instances found by enumeration.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <numeric>

#include "certify/min_cost_assignment.hpp"
#include "certify/mixed_assignment_bound.hpp"
#include "certify/position_bounds.hpp"
#include "support/test_support.hpp"

using namespace zemko;

TEST(MinCostAssignment, FindsTheCheapestPermutation) {
    zemko_test::SmallRng rng{77};
    AssignmentWork work;  // shared across sizes, as the bound reuses it
    for (int round = 0; round < 300; ++round) {
        const int n = rng.between(1, 7);
        // Wide or narrow ranges: negative costs and many ties.
        const int spread = round % 2 == 0 ? 1000000 : 3;
        std::vector<std::int64_t> cost(static_cast<std::size_t>(n) * n);
        for (auto& c : cost)
            c = rng.between(-spread, spread);
        std::vector<int> perm(n);
        std::iota(perm.begin(), perm.end(), 0);
        std::int64_t best = INT64_MAX;
        do {
            std::int64_t total = 0;
            for (int r = 0; r < n; ++r)
                total += cost[static_cast<std::size_t>(r) * n + perm[r]];
            best = std::min(best, total);
        } while (std::next_permutation(perm.begin(), perm.end()));

        std::vector<int> column_of_row;
        const std::int64_t found = min_cost_assignment(cost, n, column_of_row, work).value();
        ASSERT_EQ(found, best) << "round " << round;
        std::vector<int> columns = column_of_row;
        std::sort(columns.begin(), columns.end());
        std::vector<int> identity(n);
        std::iota(identity.begin(), identity.end(), 0);
        ASSERT_EQ(columns, identity);
        std::int64_t total = 0;
        for (int r = 0; r < n; ++r)
            total += cost[static_cast<std::size_t>(r) * n + column_of_row[r]];
        EXPECT_EQ(total, found);
    }
}

TEST(MixedAssignmentBound, NeverExceedsTheOptimumOfSmallInstances) {
    struct Family {
        int low, high;
    };
    const Family families[] = {{1, 100}, {0, 9}, {-20, 30}, {-3, -1}, {4, 6}, {-1000000, 1000000}};
    zemko_test::SmallRng rng{4242};
    for (const Family& family : families) {
        for (int round = 0; round < 40; ++round) {
            const int n = rng.between(1, 8);
            JobTimes times;
            for (int j = 0; j < n; ++j) {
                times.p1.push_back(rng.between(family.low, family.high));
                times.p2.push_back(rng.between(family.low, family.high));
            }
            const long long optimum = zemko_test::brute_force_optimum(times);
            // Aimed at the optimum, and far above it (large steps that hit the weights' limits).
            for (std::int64_t target : {static_cast<std::int64_t>(optimum),
                                        static_cast<std::int64_t>(optimum) + 1000000000}) {
                const MixedBound bound = mixed_assignment_bound(times, 12, target);
                SCOPED_TRACE(testing::Message() << "family [" << family.low << ", " << family.high
                                                << "] round " << round);
                EXPECT_LE(bound.lower_bound, optimum);
                EXPECT_GE(bound.solves_done, 1);
            }
        }
    }
}

TEST(MixedAssignmentBound, BeatsThePositionBoundsOnLargeInstancesAndStopsWhenAsked) {
    zemko_test::SmallRng rng{9};
    JobTimes times;
    for (int j = 0; j < 300; ++j) {
        times.p1.push_back(rng.between(1, 100));
        times.p2.push_back(rng.between(1, 100));
    }
    const MixedBound bound = mixed_assignment_bound(times, 3, INT64_MAX / 4);
    EXPECT_EQ(bound.solves_done, 3);
    EXPECT_GT(bound.lower_bound, position_lower_bound(times));
    EXPECT_EQ(mixed_assignment_bound(times, 3, INT64_MAX / 4).lower_bound, bound.lower_bound);

    const std::atomic<bool> stopped{true};
    Limits limits;
    limits.stop = &stopped;
    const MixedBound at_once = mixed_assignment_bound(times, 3, INT64_MAX / 4, limits);
    EXPECT_TRUE(at_once.stopped);
    EXPECT_EQ(at_once.solves_done, 0);
}
