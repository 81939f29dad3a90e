// The strong bound's table of rests inside the exact search, as the improvement phase composes
// them: every proof checked against the exact search without the table, or against exhaustive
// enumeration up to 10 jobs, on instances of every shape; and the proof summary of a run.
#include <gtest/gtest.h>

#include "certify/strong_lower_bound.hpp"
#include "exact/exact_search.hpp"
#include "exact/exact_test_support.hpp"

using namespace zemko;
using zemko_test::SmallRng;

namespace {

// Shapes of instances: uniform, heavy ties, zeros, large times, machine 2 dwarfing machine 1
// and the other way round (as a route-2 instance is solved), negative times. Heavy ties make
// the search without the table slow past 18 jobs.
struct Shape {
    int low1, high1, low2, high2;
    int most_jobs;
};
constexpr Shape SHAPES[] = {{1, 100, 1, 100, 25},   {4, 6, 4, 6, 18},
                            {0, 9, 0, 9, 25},       {1, 1000000, 1, 1000000, 25},
                            {1, 10, 100, 1000, 25}, {100, 1000, 1, 10, 25},
                            {-20, 30, -20, 30, 25}};

JobTimes shaped_jobs(SmallRng& rng, int n, const Shape& shape) {
    JobTimes times;
    for (int j = 0; j < n; ++j) {
        times.p1.push_back(rng.between(shape.low1, shape.high1));
        times.p2.push_back(rng.between(shape.low2, shape.high2));
    }
    return times;
}

StrongBoundEffort test_effort() {
    StrongBoundEffort effort = default_strong_bound_effort(25);
    effort.iterations = 100;
    effort.assignment_solves = 2;
    return effort;
}

}  // namespace

TEST(ProofsWithTheTableOfRests, AgreeWithTheSearchWithoutItAndWithEnumeration) {
    // The search without the table is the reference where it finishes within this budget.
    constexpr long long REFERENCE_NODES = 60000;
    SmallRng rng{4242};
    int compared = 0;
    for (int round = 0; round < 40; ++round) {
        for (const Shape& shape : SHAPES) {
            const int n = round < 6 ? rng.between(3, 10) : rng.between(11, shape.most_jobs);
            const JobTimes times = shaped_jobs(rng, n, shape);
            SCOPED_TRACE(testing::Message() << "round " << round << ", " << n << " jobs, times "
                                            << shape.low1 << ".." << shape.high2);
            const StrongBound strong = strong_lower_bound(times, test_effort());
            ExactOptions options;
            options.rest_costs = &strong.rest_costs;
            const ExactResult tabled = exact_search(times, strong.best_sequence, Limits{}, options);
            ASSERT_TRUE(tabled.proven_optimal);
            EXPECT_EQ(sequence_objective(times, tabled.best_sequence), tabled.best_objective);
            EXPECT_LE(strong.lower_bound, tabled.best_objective);
            if (n <= 10) {
                EXPECT_EQ(tabled.best_objective, zemko_test::optimum(times));
            }
            Limits budget;
            budget.work_budget = REFERENCE_NODES;
            const ExactResult plain = exact_search(times, {}, budget);
            if (!plain.proven_optimal) continue;
            EXPECT_EQ(tabled.best_objective, plain.best_objective);
            if (n > 10) ++compared;
        }
    }
    EXPECT_GE(compared, 200);
}
