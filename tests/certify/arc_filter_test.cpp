// The filter of the relaxed paths against a target: it never deletes an arc of a sequence within
// the target (enumeration up to 8 jobs, the boundary included), its table still bounds every
// rest, and the exact search with it proves what the search without it proves.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "certify/arc_filter.hpp"
#include "exact/exact_search.hpp"
#include "exact/exact_test_support.hpp"
#include "exact/prefix_state.hpp"
#include "sequence/construction.hpp"

using namespace zemko;

namespace {

// Enough buckets that a step of the grid is exact, and a few steps of each bound.
StrongBoundEffort filter_effort() {
    StrongBoundEffort effort;
    effort.iterations = 40;
    effort.shaped_iterations = 10;
    effort.max_buckets = 4000;
    effort.span_factor = 10;       // the buckets hold every backlog of these small instances
    effort.assignment_solves = 0;  // the paths always run, and make the table
    return effort;
}

struct Family {
    int low1, high1, low2, high2;
};

// Times of ties, zeros, negative values, one machine dwarfing the other, and a million.
constexpr Family FAMILIES[] = {{1, 30, 1, 30},  {0, 4, 0, 4},   {-10, 20, -10, 20},
                               {1, 5, 50, 100}, {60, 99, 1, 3}, {1, 1000000, 1, 1000000}};

JobTimes family_times(zemko_test::SmallRng& rng, int n, const Family& family) {
    JobTimes times;
    for (int j = 0; j < n; ++j) {
        times.p1.push_back(rng.between(family.low1, family.high1));
        times.p2.push_back(rng.between(family.low2, family.high2));
    }
    return times;
}

// Walks `sequence` through the filtered table: every job is allowed where it stands, and the
// table's rest never exceeds what the sequence's rest costs.
void expect_kept(const JobTimes& times, const RestCostTable& table,
                 const std::vector<int>& sequence) {
    const Cost objective = sequence_objective(times, sequence);
    Cost price_left = std::accumulate(table.prices.begin(), table.prices.end(), Cost{0});
    PrefixState state;
    for (int k = 0; k < times.count(); ++k) {
        const int job = sequence[k];
        const std::uint64_t* allowed = allowed_jobs(table, k, state.c1, state.c2);
        ASSERT_TRUE(allowed == nullptr || ((allowed[job / 64] >> (job % 64)) & 1)) << k;
        ASSERT_GE(table.last_position[job], k);
        ASSERT_LE(state.sum + rest_cost_bound(table, k, state.c1, state.c2, price_left), objective);
        state = append_job(state, times.p1[job], times.p2[job]);
        price_left -= table.prices[job];
    }
}

}  // namespace

TEST(ArcFilter, KeepsEverySequenceWithinItsTarget) {
    zemko_test::SmallRng rng{2027};
    for (const Family& family : FAMILIES) {
        for (int round = 0; round < 12; ++round) {
            const int n = rng.between(2, 8);
            const JobTimes times = family_times(rng, n, family);
            SCOPED_TRACE(testing::Message() << "times [" << family.low1 << ", " << family.high2
                                            << "] round " << round << ", " << n << " jobs");
            const Cost best = zemko_test::optimum(times);
            RestCostTable table = strong_lower_bound(times, filter_effort()).rest_costs;
            // The boundary: a sequence whose objective is the target itself keeps its arcs.
            const FilterCounts counts = filter_rest_costs(times, filter_effort(), best, table);
            if (family.high1 == 1000000) {
                EXPECT_EQ(table.words, 0) << "the wide buckets of large times are not filtered";
                continue;
            }
            ASSERT_GT(table.words, 0) << "no kept arc leaves a grid this wide";
            EXPECT_LE(counts.kept, counts.arcs);
            std::vector<int> order(n);
            std::iota(order.begin(), order.end(), 0);
            do {
                if (sequence_objective(times, order) <= best) expect_kept(times, table, order);
            } while (std::next_permutation(order.begin(), order.end()));
        }
    }
}

// Backlogs that outgrow the grid: sequences within the target leave it, and could come back to
// states whose kept arcs say nothing of them, so the table is left unfiltered.
TEST(ArcFilter, LeavesAGridThatTheSequencesLeaveUnfiltered) {
    const JobTimes climbing{{1, 2, 1, 3, 2, 1}, {90, 80, 95, 85, 99, 70}};
    StrongBoundEffort narrow = filter_effort();
    narrow.span_factor = 2;
    RestCostTable table = strong_lower_bound(climbing, narrow).rest_costs;
    ASSERT_GT(table.buckets, 0);
    filter_rest_costs(climbing, narrow, zemko_test::optimum(climbing), table);
    EXPECT_EQ(table.words, 0);
}

TEST(ArcFilter, TheSearchWithItProvesWhatTheSearchWithoutItProves) {
    zemko_test::SmallRng rng{77};
    for (int round = 0; round < 200; ++round) {
        const int n = rng.between(11, 25);
        const Family& family = FAMILIES[round % 5];
        const JobTimes times = family_times(rng, n, family);
        const std::vector<int> start = insertion_construction(times, {});
        const StrongBound strong = strong_lower_bound(times, filter_effort(), start);
        ExactOptions options;
        options.rest_costs = &strong.rest_costs;
        const ExactResult plain = exact_search(times, start, {}, options);
        RestCostTable filtered = strong.rest_costs;
        filter_rest_costs(times, filter_effort(), sequence_objective(times, start) - 1, filtered);
        options.rest_costs = &filtered;
        const ExactResult with_filter = exact_search(times, start, {}, options);
        ASSERT_TRUE(plain.proven_optimal && with_filter.proven_optimal) << "round " << round;
        EXPECT_EQ(with_filter.best_objective, plain.best_objective) << "round " << round;
        EXPECT_LE(with_filter.nodes, plain.nodes) << "round " << round;
    }
}
