// The walks in rounds: from a start sequence, a fixed number of iterated-greedy walks improve
// the schedule on every thread until a time or step budget runs out. At the end of each round
// every walk goes on from the best current sequence of them all, so that a step budget gives
// the same result on any number of threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "improve/iterated_greedy_walk.hpp"
#include "sequence/job_times.hpp"
#include "util/limits.hpp"
#include "util/parallel_for.hpp"

namespace zemko {

// A better sequence, as the walks share it at the end of a round.
struct WalkImprovement {
    long long step;  // steps done over all walks when it was shared
    long long objective;
};

// What the walks tell their caller, on the caller's thread, at the end of a round (either may
// be empty): each new best, in order, and the steps done with the best objective so far.
struct WalkReports {
    std::function<void(const WalkImprovement&)> improvement;
    std::function<void(long long steps, Cost best)> round;
};

struct WalkRoundsResult {
    std::vector<int> sequence;
    long long objective;
    long long steps;  // steps done over all walks
    std::vector<WalkImprovement> trace;
};

// How the phase runs; the defaults are the tuned ones.
struct WalkRoundsSettings {
    WalkSettings walk;
    int walks = 2;                 // walks, whatever the number of threads
    long long round_work = 10000;  // steps per walk and round: round_work / n, at least 1
};

// The bytes the walks' sequences and working arrays take on `n_jobs` jobs, for the memory
// budget.
std::size_t walk_rounds_bytes(const WalkRoundsSettings& settings, int n_jobs);

// Improves `start` (a permutation of the jobs) until `limits` stop it: its work budget counts
// steps, one step being one iteration of one walk (a few jobs taken out and put back at their
// best places, then the local search around the changes). Without any limit it returns
// `start`. Without a deadline or stop flag the result depends only on the inputs and the
// budget; the reports only watch.
WalkRoundsResult run_walk_rounds(const JobTimes& times, const std::vector<int>& start,
                                 std::uint64_t seed, const Limits& limits,
                                 const ParallelFor& parallel, const WalkReports& reports = {},
                                 const WalkRoundsSettings& settings = {});

}  // namespace zemko
