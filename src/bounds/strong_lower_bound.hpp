// The strong lower bound on C2sum of an instance: the Lagrangian bound of the relaxed
// (position, backlog) paths, its multipliers tuned by subgradient steps for a fixed effort,
// never below the position bounds. Computed once per instance, on one thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "schedule/job_times.hpp"

namespace zemko {

// How much work the bound does. The result depends only on the times and these numbers.
struct StrongBoundEffort {
    int iterations = 0;         // shortest-path solves (subgradient steps)
    int shaped_iterations = 0;  // first steps moved within a few smooth functions of the times
    int max_buckets = 0;        // backlog buckets of the grid
    int span_factor = 0;        // the buckets cover this many times the largest |time|
};

// The default effort for n jobs, sized for about one second of one core at 100 jobs.
StrongBoundEffort default_strong_bound_effort(int jobs);

struct StrongBound {
    std::int64_t lower_bound = 0;     // at most the objective of every sequence
    std::int64_t position_bound = 0;  // the position bounds alone
    std::int64_t upper_bound = 0;     // objective of best_sequence (a heuristic one)
    std::vector<int> best_sequence;
    int iterations_done = 0;
    bool stopped = false;  // `stop` was seen before the effort was spent
};

// The bound of `times` (any signs, 0 to 501 jobs). When *stop becomes true it returns within
// one iteration, with the best bound found so far.
StrongBound strong_lower_bound(const JobTimes& times, const StrongBoundEffort& effort,
                               const std::atomic<bool>* stop = nullptr);

}  // namespace zemko
