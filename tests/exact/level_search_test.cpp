// The search by levels: against the filtered table and without a filter, it finds the optimum
// when the target reaches it, and nothing when the target is below it (enumeration up to 9 jobs,
// the depth-first search beyond), with ties, zeros and negative times; and it leads back to a
// sequence of the objective it reports.
#include <gtest/gtest.h>

#include <numeric>

#include "certify/arc_filter.hpp"
#include "exact/exact_search.hpp"
#include "exact/exact_test_support.hpp"
#include "exact/level_search.hpp"
#include "sequence/construction.hpp"

using namespace zemko;

namespace {

StrongBoundEffort level_effort() {
    StrongBoundEffort effort;
    effort.iterations = 40;
    effort.shaped_iterations = 10;
    effort.max_buckets = 4000;
    effort.span_factor = 4;
    return effort;
}

// The optimum by enumeration up to 9 jobs, else by the depth-first search.
Cost optimum_of(const JobTimes& times, const RestCostTable& table) {
    if (times.count() <= 9) return zemko_test::optimum(times);
    ExactOptions options;
    options.rest_costs = &table;
    const ExactResult exact = exact_search(times, insertion_construction(times, {}), {}, options);
    EXPECT_TRUE(exact.proven_optimal);
    return exact.best_objective;
}

}  // namespace

TEST(LevelSearch, FindsTheOptimumWithinItsTargetAndNothingBelowIt) {
    zemko_test::SmallRng rng{4242};
    const int lows[] = {1, 0, -10};
    for (int round = 0; round < 90; ++round) {
        const int n = round % 3 == 2 ? rng.between(11, 22) : rng.between(1, 9);
        const JobTimes times = zemko_test::random_jobs(rng, n, lows[round % 3], 30);
        SCOPED_TRACE(testing::Message() << "round " << round << ", " << n << " jobs");
        const RestCostTable plain = strong_lower_bound(times, level_effort()).rest_costs;
        const Cost best = optimum_of(times, plain);
        for (const Cost target : {best, best - 1}) {
            RestCostTable filtered = plain;
            filter_rest_costs(times, level_effort(), target, filtered);
            for (const RestCostTable* table :
                 {&plain, static_cast<const RestCostTable*>(&filtered)}) {
                const LevelSearchResult result = level_search(times, *table, target);
                ASSERT_TRUE(result.complete);
                ASSERT_EQ(result.found, target >= best) << "target " << target;
                if (!result.found) continue;
                EXPECT_EQ(result.best_objective, best);
                ASSERT_TRUE(is_permutation_of_jobs(result.best_sequence, n));
                EXPECT_EQ(sequence_objective(times, result.best_sequence), best);
            }
        }
    }
}
