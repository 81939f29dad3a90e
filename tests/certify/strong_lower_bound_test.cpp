// The strong lower bound against exhaustive enumeration, and on cases whose optimum is known.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <thread>

#include "certify/backlog_paths.hpp"
#include "certify/min_cost_assignment.hpp"
#include "certify/position_bounds.hpp"
#include "certify/strong_lower_bound.hpp"
#include "exact/prefix_state.hpp"
#include "support/test_support.hpp"

using namespace zemko;

namespace {

// n jobs with times uniform in 1..100.
JobTimes uniform_times(std::uint64_t seed, int n) {
    zemko_test::SmallRng rng{seed};
    JobTimes times;
    for (int j = 0; j < n; ++j) {
        times.p1.push_back(rng.between(1, 100));
        times.p2.push_back(rng.between(1, 100));
    }
    return times;
}

// Small grids and few iterations: the buckets are wide and paths leave them, so every branch
// of the relaxation is exercised.
StrongBoundEffort small_effort(int buckets) {
    StrongBoundEffort effort;
    effort.iterations = 60;
    effort.shaped_iterations = 20;
    effort.max_buckets = buckets;
    effort.span_factor = 2;
    effort.assignment_solves = 4;
    return effort;
}

// Times drawn from [low, high] on both machines.
struct Family {
    int low, high;
};

JobTimes family_times(zemko_test::SmallRng& rng, int n, const Family& family) {
    JobTimes times;
    for (int j = 0; j < n; ++j) {
        times.p1.push_back(rng.between(family.low, family.high));
        times.p2.push_back(rng.between(family.low, family.high));
    }
    return times;
}

// The least sum of the machine-2 completions after `state` over the orders of the jobs not
// used, and checks the table's bound at this prefix and at every prefix below it.
std::int64_t check_rests(const JobTimes& times, const RestCostTable& table, int placed,
                         const PrefixState& state, std::vector<char>& used,
                         std::int64_t price_left) {
    const int n = times.count();
    std::int64_t best = placed == n ? 0 : INT64_MAX;
    for (int j = 0; j < n; ++j) {
        if (used[j]) continue;
        used[j] = 1;
        const PrefixState next = append_job(state, times.p1[j], times.p2[j]);
        best = std::min(best, next.c2 + check_rests(times, table, placed + 1, next, used,
                                                    price_left - table.prices[j]));
        used[j] = 0;
    }
    EXPECT_LE(rest_cost_bound(table, placed, state.c1, state.c2, price_left), best)
        << "after " << placed << " jobs";
    return best;
}

}  // namespace

TEST(StrongLowerBound, ItsTableOfRestsBoundsTheRestOfEveryPrefix) {
    const Family families[] = {{1, 100}, {0, 9}, {-20, 30}, {4, 6}, {1, 1000000}};
    zemko_test::SmallRng rng{77};
    for (const Family& family : families) {
        for (int round = 0; round < 8; ++round) {
            const int n = rng.between(2, 7);
            const JobTimes times = family_times(rng, n, family);
            for (int buckets : {3, 1024}) {
                SCOPED_TRACE(testing::Message() << "family [" << family.low << ", " << family.high
                                                << "] round " << round << " buckets " << buckets);
                StrongBoundEffort effort = small_effort(buckets);
                effort.assignment_solves = 0;
                const RestCostTable& table = strong_lower_bound(times, effort).rest_costs;
                ASSERT_EQ(table.jobs, n);
                std::int64_t prices = 0;
                for (std::int64_t price : table.prices)
                    prices += price;
                std::vector<char> used(n, 0);
                check_rests(times, table, 0, PrefixState{}, used, prices);
            }
        }
    }
}

TEST(StrongLowerBound, NeverExceedsTheOptimumOfSmallInstances) {
    // Zeros, negative times, heavy ties (three values), and times of a million.
    const Family families[] = {{1, 100}, {0, 9}, {-20, 30}, {-3, -1}, {4, 6}, {-1000000, 1000000}};
    zemko_test::SmallRng rng{2024};
    for (const Family& family : families) {
        for (int round = 0; round < 30; ++round) {
            const int n = rng.between(1, 8);
            const JobTimes times = family_times(rng, n, family);
            const std::int64_t optimum = zemko_test::brute_force_optimum(times);
            // Offered: nothing, a random order, or a list that is not a sequence of the jobs.
            std::vector<int> offered;
            if (round % 3 == 1) {
                for (int j = 0; j < n; ++j)
                    offered.push_back(j);
                for (int j = n - 1; j > 0; --j)
                    std::swap(offered[j], offered[rng.between(0, j)]);
            } else if (round % 3 == 2) {
                offered.assign(n, 0);
            }
            for (int buckets : {3, 64, 1024}) {
                const StrongBound bound = strong_lower_bound(times, small_effort(buckets), offered);
                SCOPED_TRACE(testing::Message() << "family [" << family.low << ", " << family.high
                                                << "] round " << round << " buckets " << buckets);
                EXPECT_LE(bound.position_bound, optimum);
                EXPECT_LE(bound.lower_bound, optimum);
                EXPECT_GE(bound.lower_bound, bound.position_bound);
                EXPECT_EQ(sequence_objective(times, bound.best_sequence), bound.upper_bound);
                EXPECT_GE(bound.upper_bound, optimum);
                if (round % 3 == 1) {
                    EXPECT_LE(bound.upper_bound, sequence_objective(times, offered));
                }
            }
        }
    }
}

TEST(StrongLowerBound, ReachesTheOptimumWhereItIsKnown) {
    const StrongBoundEffort effort = default_strong_bound_effort(20);
    EXPECT_EQ(strong_lower_bound(JobTimes{}, effort).lower_bound, 0);
    EXPECT_EQ(strong_lower_bound(JobTimes{{7}, {-3}}, effort).lower_bound, 4);

    // Identical jobs: every order is optimal, c2 = 5k + 3 at the k-th job.
    JobTimes identical{std::vector<int>(12, 5), std::vector<int>(12, 3)};
    EXPECT_EQ(strong_lower_bound(identical, effort).lower_bound, 5 * 78 + 12 * 3);

    // The bundled 20-job example: the bound meets the best sequence known, proving it optimal.
    JobTimes example;
    std::ifstream in(zemko_test::source_path("examples/flowshop20.txt"));
    int number, p1, p2, route;
    while (in >> number >> p1 >> p2 >> route) {
        example.p1.push_back(p1);
        example.p2.push_back(p2);
    }
    ASSERT_EQ(example.count(), 20);
    EXPECT_EQ(strong_lower_bound(example, effort).lower_bound, 10195);
}

TEST(StrongLowerBound, ItsPathsStartFromTheAssignmentBound) {
    // The first paths are priced by the assignment's duals of the jobs: they cost at least its
    // bound, short of the rounding of the prices (under 1/32 per position). Level prices, or
    // duals of the wrong sign, fall far below it.
    for (const int n : {40, 120}) {
        const JobTimes times = uniform_times(static_cast<std::uint64_t>(n), n);
        StrongBoundEffort effort = default_strong_bound_effort(n);
        effort.assignment_solves = 3;
        effort.iterations = 0;
        const std::int64_t assignment = strong_lower_bound(times, effort).lower_bound;
        effort.iterations = 1;
        const StrongBound bound = strong_lower_bound(times, effort);
        std::int64_t prices = 0;
        for (const std::int64_t price : bound.rest_costs.prices)
            prices += price;
        const std::int64_t paths = rest_cost_bound(bound.rest_costs, 0, 0, 0, prices);
        EXPECT_GE(paths, assignment - n / 32 - 1) << n << " jobs";
        EXPECT_GT(assignment, bound.position_bound) << n << " jobs";
    }
}

TEST(StrongLowerBound, NarrowsItsTablesToTheMemoryLeft) {
    const StrongBoundEffort full = default_strong_bound_effort(500);
    const std::size_t full_bytes = strong_bound_bytes(500, full);
    EXPECT_EQ(effort_within(full, 500, full_bytes).span_factor, full.span_factor);
    const StrongBoundEffort third = effort_within(full, 500, full_bytes / 3);
    EXPECT_LT(third.span_factor, full.span_factor);
    EXPECT_GE(third.span_factor, 2);
    EXPECT_LE(strong_bound_bytes(500, third), full_bytes / 3);
    EXPECT_EQ(effort_within(full, 500, 0).span_factor, 2);  // the least span, never none
}

TEST(StrongLowerBound, GivesTheSameResultForTheSameInput) {
    const JobTimes times = uniform_times(11, 60);
    StrongBoundEffort effort = default_strong_bound_effort(times.count());
    effort.iterations = 100;
    const StrongBound first = strong_lower_bound(times, effort);
    const StrongBound second = strong_lower_bound(times, effort);
    EXPECT_EQ(first.lower_bound, second.lower_bound);
    EXPECT_EQ(first.best_sequence, second.best_sequence);
    EXPECT_GT(first.lower_bound, first.position_bound);
}

TEST(StrongLowerBound, StopsPromptlyWhenAsked) {
    const JobTimes times = uniform_times(7, 500);
    StrongBoundEffort effort = default_strong_bound_effort(times.count());

    // Asked before it starts: the position bound and a heuristic sequence, no iteration.
    const std::atomic<bool> stopped{true};
    Limits limits;
    limits.stop = &stopped;
    const StrongBound at_once = strong_lower_bound(times, effort, {}, limits);
    EXPECT_TRUE(at_once.stopped);
    EXPECT_EQ(at_once.iterations_done, 0);
    EXPECT_EQ(at_once.lower_bound, position_lower_bound(times));
    EXPECT_EQ(sequence_objective(times, at_once.best_sequence), at_once.upper_bound);

    // Asked while it works on an effort of minutes: it stops before spending it. The flag is
    // looked at where each iteration begins, so a budget of k iterations does exactly k.
    effort.iterations = 100000;
    std::atomic<bool> stop{false};
    StrongBound bound;
    limits.stop = &stop;
    std::thread worker([&] { bound = strong_lower_bound(times, effort, {}, limits); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    stop = true;
    worker.join();
    EXPECT_TRUE(bound.stopped);
    EXPECT_LT(bound.iterations_done, effort.iterations);
    EXPECT_GE(bound.lower_bound, bound.position_bound);

    effort.iterations = 3;
    effort.assignment_solves = 1;
    const StrongBound budgeted = strong_lower_bound(times, effort);
    EXPECT_FALSE(budgeted.stopped);
    EXPECT_EQ(budgeted.iterations_done, 3);
}

// A raised flag ends each of the bound's solves within one of its rows or levels, with nothing
// half made passed on as a result; a table of rests asked for is not made after a stop.
TEST(StrongLowerBound, EverySolveStopsWithinARowOrALevel) {
    const JobTimes times = uniform_times(11, 60);
    const int n = times.count();
    const std::atomic<bool> raised{true};
    Limits stopped;
    stopped.stop = &raised;
    std::vector<Cost> costs(static_cast<std::size_t>(n) * n, 1);
    std::vector<int> columns;
    AssignmentWork assignment;
    EXPECT_FALSE(min_cost_assignment(costs, n, columns, assignment, stopped).has_value());
    EXPECT_TRUE(min_cost_assignment(costs, n, columns, assignment).has_value());

    const BacklogGrid grid = make_backlog_grid(times, 300, 4);
    const std::vector<double> prices(n, 16.0);
    BacklogWork work;
    std::vector<int> path;
    EXPECT_EQ(cheapest_relaxed_path(grid, 16.0, prices, UNREACHED, work, path, stopped), UNREACHED);
    EXPECT_TRUE(path.empty());
    EXPECT_FALSE(cheapest_relaxed_rests(grid, 16.0, prices, work, &raised));
    EXPECT_TRUE(cheapest_relaxed_rests(grid, 16.0, prices, work));

    StrongBoundEffort effort = default_strong_bound_effort(n);
    const StrongBound at_once = strong_lower_bound(times, effort, {}, stopped);
    EXPECT_EQ(at_once.rest_costs.buckets, 0);
    effort.rest_table = false;
    effort.iterations = 3;
    const StrongBound without_table = strong_lower_bound(times, effort);
    EXPECT_EQ(without_table.rest_costs.buckets, 0);
    EXPECT_GT(without_table.lower_bound, without_table.position_bound);
}
