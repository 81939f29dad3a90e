// The improvement phase: the same result for a step budget whatever the threads and the
// spread of the walks, valid sequences with their exact objectives, and stopping on time.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <numeric>
#include <thread>
#include <vector>

#include "improve/random_stream.hpp"
#include "improve/walk_rounds.hpp"
#include "sequence/insertion.hpp"
#include "support/test_support.hpp"

using namespace zemko;

namespace {

JobTimes random_times(std::uint64_t seed, int n, int low, int high) {
    RandomStream random = make_random_stream(seed, 0);
    JobTimes times;
    for (int j = 0; j < n; ++j) {
        times.p1.push_back(low + static_cast<int>(random_below(random, high - low + 1)));
        times.p2.push_back(low + static_cast<int>(random_below(random, high - low + 1)));
    }
    return times;
}

std::vector<int> identity(int n) {
    std::vector<int> sequence(n);
    std::iota(sequence.begin(), sequence.end(), 0);
    return sequence;
}

void serial(int count, const std::function<void(int, int)>& body) {
    for (int item = 0; item < count; ++item)
        body(item, 0);
}

void reversed(int count, const std::function<void(int, int)>& body) {
    for (int item = count - 1; item >= 0; --item)
        body(item, 0);
}

// `threads` threads taking the items as they come free.
ParallelFor on_threads(int threads) {
    return [threads](int count, const std::function<void(int, int)>& body) {
        std::atomic<int> next{0};
        const auto work = [&](int thread) {
            for (int item = next++; item < count; item = next++)
                body(item, thread);
        };
        std::vector<std::thread> helpers;
        for (int t = 1; t < threads; ++t)
            helpers.emplace_back(work, t);
        work(0);
        for (std::thread& helper : helpers)
            helper.join();
    };
}

Limits step_limit(long long steps) {
    Limits limits;
    limits.work_budget = steps;
    return limits;
}

}  // namespace

TEST(ImprovementPhase, StepBudgetGivesTheSameResultOnAnyThreadsAndSpread) {
    const ParallelFor spreads[] = {serial, reversed, on_threads(2), on_threads(3)};
    for (const int n : {7, 40, 120}) {
        const JobTimes times = random_times(n, n, 1, 100);
        const long long steps = 4000 / n + 5;  // not a multiple of the walks or the round
        // Short rounds and three walks: many synchronisations, each with a leader to choose.
        WalkRoundsSettings settings;
        settings.walks = 3;
        settings.round_work = 200;
        std::vector<WalkRoundsResult> results;
        for (const ParallelFor& spread : spreads) {
            results.push_back(
                run_walk_rounds(times, identity(n), 99, step_limit(steps), spread, {}, settings));
        }
        for (const WalkRoundsResult& result : results) {
            EXPECT_EQ(result.steps, steps);
            EXPECT_EQ(result.sequence, results[0].sequence) << "n " << n;
            EXPECT_EQ(result.objective, results[0].objective);
            ASSERT_EQ(result.trace.size(), results[0].trace.size());
            for (std::size_t k = 0; k < result.trace.size(); ++k) {
                EXPECT_EQ(result.trace[k].objective, results[0].trace[k].objective);
                EXPECT_EQ(result.trace[k].step, results[0].trace[k].step);
            }
        }
        // The tuned settings, on two threads and on one.
        const WalkRoundsResult two =
            run_walk_rounds(times, identity(n), 7, step_limit(steps), on_threads(2), {});
        const WalkRoundsResult one =
            run_walk_rounds(times, identity(n), 7, step_limit(steps), serial, {});
        EXPECT_EQ(two.sequence, one.sequence);
        EXPECT_EQ(two.steps, steps);
    }
}

TEST(ImprovementPhase, ResultsAreValidSequencesWithTheirObjectives) {
    struct Case {
        int n, low, high;
    };
    // Ties, zero and negative times, and the smallest sizes.
    const Case cases[] = {{0, 1, 9},  {1, 1, 9},     {2, 1, 9},      {3, -5, 5},
                          {25, 0, 3}, {30, -50, 50}, {60, -100, 10}, {80, 1, 100}};
    for (const Case& c : cases) {
        const JobTimes times = random_times(c.n + 1000, c.n, c.low, c.high);
        std::vector<int> start = identity(c.n);
        std::reverse(start.begin(), start.end());
        const long long start_objective = sequence_objective(times, start);
        std::vector<WalkImprovement> reported;
        const WalkRoundsResult result =
            run_walk_rounds(times, start, 5, step_limit(300), on_threads(2),
                            {[&](const WalkImprovement& found) { reported.push_back(found); }, {}});
        ASSERT_TRUE(is_permutation_of_jobs(result.sequence, c.n)) << "n " << c.n;
        EXPECT_EQ(result.objective, sequence_objective(times, result.sequence));
        EXPECT_LE(result.objective, start_objective);
        // Each reported best is strictly better than the one before, the last is the result.
        ASSERT_EQ(reported.size(), result.trace.size());
        long long previous = start_objective;
        for (std::size_t k = 0; k < reported.size(); ++k) {
            EXPECT_LT(reported[k].objective, previous);
            EXPECT_EQ(reported[k].objective, result.trace[k].objective);
            previous = reported[k].objective;
        }
        EXPECT_EQ(previous, result.objective);
    }
}

// Runs each round on two threads; raises `stop` just before round `round` (counted from 1)
// starts, and counts the rounds begun.
ParallelFor raising_stop_before_round(int round, std::atomic<bool>& stop,
                                      std::shared_ptr<int> rounds) {
    return [round, &stop, rounds](int count, const std::function<void(int, int)>& body) {
        if (++*rounds == round) stop = true;
        on_threads(2)(count, body);
    };
}

TEST(ImprovementPhase, StopsWithinAStepPerWalkOfTheStopFlag) {
    const int n = 500;
    const JobTimes times = random_times(3, n, 1, 100);
    WalkRoundsSettings settings;  // two walks, rounds of 10000 / n steps each
    const long long round_steps = settings.walks * (settings.round_work / n);
    std::atomic<bool> stop{false};
    auto rounds = std::make_shared<int>(0);
    Limits limits;
    limits.stop = &stop;
    const WalkRoundsResult stopped = run_walk_rounds(
        times, identity(n), 1, limits, raising_stop_before_round(3, stop, rounds), {}, settings);
    // Two whole rounds before the flag; after it, each walk ends within the step it is on.
    EXPECT_EQ(*rounds, 3);
    EXPECT_GE(stopped.steps, 2 * round_steps);
    EXPECT_LE(stopped.steps, 2 * round_steps + settings.walks);
    EXPECT_EQ(stopped.objective, sequence_objective(times, stopped.sequence));
}

TEST(ImprovementPhase, KeepsToItsDeadline) {
    const int n = 500;
    const JobTimes times = random_times(3, n, 1, 100);
    const Clock::time_point start = Clock::now();
    Limits limits;
    limits.deadline = after_seconds(start, 0.3);
    const WalkRoundsResult timed =
        run_walk_rounds(times, identity(n), 1, limits, on_threads(2), {});
    const double seconds = seconds_since(start);
    EXPECT_GE(seconds, 0.3);
    EXPECT_LT(timed.objective, sequence_objective(times, identity(n)));
    // A step takes milliseconds; only a deadline that is not looked at passes 5 s. The
    // sanitizers slow a step too much for any such bound.
    if (!zemko_test::built_with_address_sanitizer()) {
        EXPECT_LT(seconds, 5.0);
    }
}
