// The insertion evaluation against plain re-evaluation of every candidate sequence, on random
// instances with ties, zero and negative times, and times as large as the reader accepts.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

#include "sequence/insertion.hpp"
#include "support/test_support.hpp"

using namespace zemko;

namespace {

struct TimeRange {
    int low, high;
};

JobTimes random_times(zemko_test::SmallRng& random, int n, TimeRange range) {
    JobTimes times;
    const auto draw = [&] { return random.between(range.low, range.high); };
    for (int j = 0; j < n; ++j) {
        times.p1.push_back(draw());
        times.p2.push_back(draw());
    }
    return times;
}

std::vector<int> random_sequence(zemko_test::SmallRng& random, int n) {
    std::vector<int> sequence(n);
    std::iota(sequence.begin(), sequence.end(), 0);
    for (int k = n; k > 1; --k)
        std::swap(sequence[k - 1], sequence[random.between(0, k - 1)]);
    return sequence;
}

long long plain_insertion(const JobTimes& times, std::vector<int> sequence, int job, int position) {
    sequence.insert(sequence.begin() + position, job);
    return sequence_objective(times, sequence);
}

// Ties (few distinct times), zeros, negative times, and magnitudes near the reader's limit
// (n * sum |p| <= 2^30 - 1 with n <= 40).
const TimeRange RANGES[] = {{1, 100}, {0, 3}, {-5, 5}, {-100, 20}, {-200000, 200000}};

}  // namespace

TEST(Insertion, SequenceObjectiveFollowsTheSchedulingRule) {
    const JobTimes times{{3, 4, -2}, {5, 1, 0}};
    const std::vector<int> sequence{0, 1, 2};
    // c1 = 3, 7, 5; c2 = 8, 9, 9.
    EXPECT_EQ(sequence_objective(times, sequence), 26);
    EXPECT_EQ(sequence_objective(times, sequence.data(), 0), 0);
}

TEST(Insertion, EveryPositionMatchesPlainEvaluation) {
    zemko_test::SmallRng random{11};
    InsertionWorkspace work;  // reused across sizes, as the walks reuse it
    for (const TimeRange range : RANGES) {
        for (int trial = 0; trial < 300; ++trial) {
            const int n = random.between(1, 40);
            const JobTimes times = random_times(random, n, range);
            std::vector<int> sequence = random_sequence(random, n);
            const int job = sequence.back();
            sequence.pop_back();
            std::vector<Cost> objectives(n);
            insertion_objectives(times, sequence.data(), n - 1, job, work, objectives.data());
            for (int position = 0; position < n; ++position) {
                ASSERT_EQ(objectives[position], plain_insertion(times, sequence, job, position))
                    << "range " << range.low << ".." << range.high << ", n " << n << ", position "
                    << position;
            }
            const Insertion best = best_insertion(times, sequence.data(), n - 1, job, work);
            const auto lowest = std::min_element(objectives.begin(), objectives.end());
            EXPECT_EQ(best.objective, *lowest);
            EXPECT_EQ(best.position, lowest - objectives.begin());
        }
    }
}

TEST(Insertion, BestReinsertionKeepsTheJobInPlaceUnlessStrictlyBetter) {
    zemko_test::SmallRng random{12};
    InsertionWorkspace work;
    for (const TimeRange range : RANGES) {
        for (int trial = 0; trial < 200; ++trial) {
            const int n = random.between(1, 30);
            const JobTimes times = random_times(random, n, range);
            const std::vector<int> sequence = random_sequence(random, n);
            const long long objective = sequence_objective(times, sequence);
            for (int from = 0; from < n; ++from) {
                std::vector<int> rest = sequence;
                rest.erase(rest.begin() + from);
                Cost lowest = objective;
                int lowest_position = from;
                for (int to = 0; to < n; ++to) {
                    const long long value = plain_insertion(times, rest, sequence[from], to);
                    if (value < lowest) lowest = value, lowest_position = to;
                }
                const Insertion move =
                    best_reinsertion(times, sequence.data(), n, from, objective, work);
                ASSERT_EQ(move.objective, lowest);
                ASSERT_EQ(move.position, lowest_position);
                std::vector<int> moved = sequence;
                move_job(moved, from, move.position);
                EXPECT_EQ(sequence_objective(times, moved), move.objective);
            }
        }
    }
}
