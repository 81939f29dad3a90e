// The exact search against exhaustive enumeration, on the pairwise counter-example, and under
// its limits.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "exact/exact_search.hpp"
#include "exact/exact_test_support.hpp"

using namespace zemko;
using zemko_test::random_jobs;
using zemko_test::SmallRng;

namespace {

std::vector<int> shuffled(SmallRng& rng, int n) {
    std::vector<int> order(n);
    for (int j = 0; j < n; ++j)
        order[j] = j;
    for (int k = n - 1; k > 0; --k)
        std::swap(order[k], order[rng.between(0, k)]);
    return order;
}

void expect_consistent(const JobTimes& times, const ExactResult& result) {
    EXPECT_EQ(sequence_objective(times, result.best_sequence), result.best_objective);
    EXPECT_LE(result.lower_bound, result.best_objective);
}

TEST(ExactSearch, ProvesTheOptimumOfSmallInstances) {
    SmallRng rng{5};
    constexpr int LOWS[] = {1, 0, -10};
    for (int round = 0; round < 1500; ++round) {
        const int low = LOWS[round % 3];
        const int n = round < 1450 ? rng.between(1, 8) : rng.between(9, 10);
        const JobTimes times = random_jobs(rng, n, low, low + rng.between(3, 40));
        ExactOptions options;
        options.visited_capacity = round % 2 == 0 ? 16 : 4096;  // evictions, or none
        options.move_window = round % 4;
        options.record_min_remaining = 1 + round % 3;
        const ExactResult result = exact_search(times, shuffled(rng, n), Limits{}, options);
        ASSERT_TRUE(result.proven_optimal) << "round " << round;
        ASSERT_EQ(result.best_objective, zemko_test::optimum(times)) << "round " << round;
        ASSERT_EQ(result.lower_bound, result.best_objective);
        expect_consistent(times, result);
    }
}

TEST(ExactSearch, TheDominatedPairIsNotOrderedByItsTimes) {
    // Job 4 (index 3) is no longer than job 3 (index 2) on either machine, yet every sequence
    // with job 4 before job 3 costs at least 115.
    const JobTimes times{{6, 10, 2, 2, 8}, {10, 3, 10, 7, 5}};
    const ExactResult result = exact_search(times, {0, 1, 2, 3, 4}, Limits{});
    EXPECT_TRUE(result.proven_optimal);
    EXPECT_EQ(result.best_objective, 114);
    EXPECT_EQ(result.best_sequence, (std::vector<int>{2, 1, 3, 4, 0}));
    std::vector<int> order{0, 1, 2, 3, 4};
    Cost best_with_4_first = 1 << 30;
    do {
        const auto at = [&](int job) { return std::find(order.begin(), order.end(), job); };
        if (at(3) < at(2))
            best_with_4_first = std::min(best_with_4_first, sequence_objective(times, order));
    } while (std::next_permutation(order.begin(), order.end()));
    EXPECT_EQ(best_with_4_first, 115);
}

TEST(ExactSearch, ANodeBudgetGivesTheSameResultEveryTimeAndAValidBound) {
    SmallRng rng{9};
    const JobTimes large = random_jobs(rng, 30, 1, 100);
    const std::vector<int> start = shuffled(rng, 30);
    Limits limits;
    limits.work_budget = 3000;
    const ExactResult first = exact_search(large, start, limits);
    const ExactResult second = exact_search(large, start, limits);
    EXPECT_TRUE(first.stopped);
    EXPECT_EQ(first.nodes, 3000);
    EXPECT_EQ(first.best_sequence, second.best_sequence);
    EXPECT_EQ(first.lower_bound, second.lower_bound);
    EXPECT_EQ(first.proven_optimal, second.proven_optimal);
    expect_consistent(large, first);

    // Stopped anywhere, the bound is still below the optimum.
    for (int round = 0; round < 200; ++round) {
        const JobTimes times = random_jobs(rng, 8, round % 2 == 0 ? 1 : -5, 30);
        limits.work_budget = 1 + round % 40;
        const ExactResult result = exact_search(times, shuffled(rng, 8), limits);
        ASSERT_LE(result.lower_bound, zemko_test::optimum(times)) << "round " << round;
        expect_consistent(times, result);
    }
}

TEST(ExactSearch, StopsAtOnceOnItsFlagOrDeadlineAndChecksItsIncumbent) {
    SmallRng rng{3};
    const JobTimes times = random_jobs(rng, 40, 1, 100);
    const std::vector<int> start = shuffled(rng, 40);
    std::atomic<bool> stop{true};
    Limits limits;
    limits.stop = &stop;
    const ExactResult stopped = exact_search(times, start, limits);
    EXPECT_EQ(stopped.nodes, 0);
    EXPECT_EQ(stopped.best_sequence, start);
    EXPECT_EQ(stopped.lower_bound, stopped.root_bound);
    EXPECT_FALSE(stopped.proven_optimal);

    limits.stop = nullptr;
    limits.deadline = std::chrono::steady_clock::now();
    EXPECT_LE(exact_search(times, start, limits).nodes, 1024);

    EXPECT_THROW(exact_search(times, {0, 1, 2}, Limits{}), std::invalid_argument);
    std::vector<int> repeated = start;
    repeated[0] = repeated[1];
    EXPECT_THROW(exact_search(times, repeated, Limits{}), std::invalid_argument);
}

// Workers side by side, each on a thread of its own or one after another on one thread: the
// optimum that one worker proves, and when stopped anywhere, a bound that still holds. A
// waiting worker is handed work by a busy one, and one that runs alone must not wait.
TEST(ExactSearch, WorkersSideBySideProveWhatOneProves) {
    const ParallelFor on_threads = [](int count, const std::function<void(int, int)>& body) {
        std::vector<std::thread> threads;
        for (int item = 0; item < count; ++item)
            threads.emplace_back(body, item, item);
        for (std::thread& thread : threads)
            thread.join();
    };
    const ParallelFor in_turn = [](int count, const std::function<void(int, int)>& body) {
        for (int item = 0; item < count; ++item)
            body(item, 0);
    };
    ExactOptions options;
    SmallRng rng{11};
    constexpr int LOWS[] = {1, 0, -10};
    for (int round = 0; round < 60; ++round) {
        options.parallel = round % 6 == 5 ? in_turn : on_threads;
        const int n = round % 6 == 4 ? rng.between(18, 21) : rng.between(12, 17);
        const JobTimes times = random_jobs(rng, n, LOWS[round % 3], 40);
        const std::vector<int> start = shuffled(rng, n);
        options.workers = 2 + round % 2;
        options.visited_capacity = round % 4 == 0 ? 64 : std::size_t{1} << 16;
        const ExactResult one = exact_search(times, start, Limits{});
        const ExactResult side = exact_search(times, start, Limits{}, options);
        ASSERT_TRUE(side.proven_optimal) << "round " << round;
        ASSERT_EQ(side.best_objective, one.best_objective) << "round " << round;
        expect_consistent(times, side);

        std::atomic<bool> stop{round % 10 == 0};
        Limits limits;
        limits.stop = &stop;
        std::thread stopper([&stop, delay = round % 5] {
            std::this_thread::sleep_for(std::chrono::microseconds(200 * delay));
            stop = true;
        });
        const ExactResult stopped = exact_search(times, start, limits, options);
        stopper.join();
        ASSERT_LE(stopped.lower_bound, one.best_objective) << "round " << round;
        ASSERT_TRUE(!stopped.proven_optimal || stopped.best_objective == one.best_objective);
        expect_consistent(times, stopped);
    }
}

}  // namespace
