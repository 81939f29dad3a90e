// The improvement phase: from a start sequence, a fixed number of walks improve the schedule
// on every thread until a time or step budget runs out. Work goes in rounds; at the end of
// each, every walk goes on from the best current sequence of them all, so that a step budget
// gives the same result on any number of threads.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

#include "schedule/job_times.hpp"
#include "search/improvement_walk.hpp"

namespace zemko {

// One step is one iteration of one walk: a few jobs taken out and put back at their best
// places, then the local search around the changes.
struct ImprovementLimits {
    std::chrono::steady_clock::time_point start;  // the run's start; reported seconds count from it
    double time_limit = 0;                        // seconds from start; 0: none
    long long step_limit = 0;                     // steps over all walks; 0: none
    const std::atomic<bool>* stop = nullptr;      // set from outside (an interrupt): stop soon
};

struct ImprovementEvent {
    double seconds;  // from limits.start, when it was shared
    long long step;  // steps done over all walks when it was shared
    long long objective;
    const char* found_by;  // what found it (a string literal)
};

struct ImprovementResult {
    std::vector<int> sequence;
    long long objective;
    long long steps;  // steps done over all walks
    std::vector<ImprovementEvent> trace;
};

// How the phase runs; the defaults are the tuned ones.
struct ImprovementSettings {
    WalkSettings walk;
    int walks = 2;                 // walks, whatever the number of threads
    long long round_work = 10000;  // steps per walk and round: round_work / n, at least 1
};

// Improves `start` (a permutation of the jobs) until a limit in `limits` is reached; without
// any limit it returns `start`. Without a time limit or stop flag the result depends only on
// the inputs and the step limit. on_improvement (may be empty) is called on the caller's
// thread, at synchronisation points, in order, for every new best.
ImprovementResult improve_schedule(
    const JobTimes& times, const std::vector<int>& start, std::uint64_t seed,
    const ImprovementLimits& limits, const ParallelFor& parallel,
    const std::function<void(const ImprovementEvent&)>& on_improvement,
    const ImprovementSettings& settings = {});

}  // namespace zemko
