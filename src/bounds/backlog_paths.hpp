// The relaxed sequencing problem behind the strong lower bound: sequences of n positions in
// which a job may appear any number of times, costed exactly through machine 2's backlog and
// priced by one multiplier per job, and its shortest path over (position, backlog) states.
#pragma once

#include <cstdint>
#include <vector>

#include "schedule/job_times.hpp"

namespace zemko {

// The backlog d = C2 - C1 after a job is tracked in buckets: bucket b stands for every backlog
// from origin + width * b up to the next bucket, and the path is costed with that smallest
// value, which can only lower the cost since the cost and the next backlog grow with d. A step
// that leaves the buckets ends the path there with a bound on the rest (see the source).
struct BacklogGrid {
    int jobs = 0;
    int buckets = 0;
    std::int64_t origin = 0;  // backlog of bucket 0: min(0, smallest p2)
    std::int64_t width = 1;   // backlog covered by one bucket
    std::vector<std::int64_t> p1, p2;
    std::vector<int> idle_last;    // per job: last bucket whose backlog is <= p1 (-1: none)
    std::vector<int> idle_target;  // per job: bucket of the backlog p2 (may be >= buckets)
    // Jobs grouped by shift = floor((p2 - p1) / width), the bucket move of a step without idle
    // time; within a group by idle_last ascending, then index.
    std::vector<int> shift;        // per job
    std::vector<int> group_begin;  // group g holds grouped_jobs[group_begin[g], group_begin[g+1])
    std::vector<int> group_shift;
    std::vector<int> grouped_jobs;
    std::vector<int> by_p2_descending;  // job order of the tail bound, ties by index
};

// The grid of `times` with at most max_buckets buckets covering backlogs from its origin up
// to at least span_factor (2 or more) times the largest |time| (and past the largest p2).
BacklogGrid make_backlog_grid(const JobTimes& times, int max_buckets, int span_factor);

// Arrays reused from one call to the next.
struct BacklogWork {
    std::vector<double> values;  // [(level) * buckets + b]: cheapest cost of a path prefix
    std::vector<double> step_cost, prefix_min, best_into, tail;
    std::vector<int> prefix_arg;
    std::vector<double> tail_row;
    std::vector<std::uint8_t> tail_taken;
};

// The cheapest relaxed path for the integer-valued `scaled_prices` (job j's multiplier times
// `scale`): returns min over paths of scale * cost - sum of the prices of the jobs it uses,
// an exact integer held in a double, and leaves in `uses` how often the path uses each job.
// Every true sequence is such a path, so this plus the sum of all prices, divided by scale,
// is at most the objective of every sequence.
double cheapest_relaxed_path(const BacklogGrid& grid, double scale,
                             const std::vector<double>& scaled_prices, BacklogWork& work,
                             std::vector<int>& uses);

}  // namespace zemko
