// The improvement phase: from a start sequence, a fixed number of walks improve the schedule
// on every thread until a time or step budget runs out. Work goes in rounds; at the end of
// each, every walk goes on from the best current sequence of them all, so that a step budget
// gives the same result on any number of threads.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "improve/improvement_walk.hpp"
#include "schedule/job_times.hpp"
#include "util/limits.hpp"

namespace zemko {

// A better sequence, as the walks share it at the end of a round.
struct ImprovementEvent {
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

// Improves `start` (a permutation of the jobs) until `limits` stop it: its work budget counts
// steps, one step being one iteration of one walk (a few jobs taken out and put back at their
// best places, then the local search around the changes). Without any limit it returns
// `start`. Without a deadline or stop flag the result depends only on the inputs and the
// budget. on_improvement (may be empty) is called on the caller's thread, at synchronisation
// points, in order, for every new best.
ImprovementResult improve_schedule(
    const JobTimes& times, const std::vector<int>& start, std::uint64_t seed, const Limits& limits,
    const ParallelFor& parallel, const std::function<void(const ImprovementEvent&)>& on_improvement,
    const ImprovementSettings& settings = {});

}  // namespace zemko
