// The relaxed sequencing problem behind the strong lower bound: sequences of n positions in
// which a job may appear any number of times, costed exactly through machine 2's backlog and
// priced by one multiplier per job, and its shortest path over (position, backlog) states.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "sequence/job_times.hpp"
#include "util/cost.hpp"
#include "util/limits.hpp"

namespace zemko {

// The value of a state no relaxed path reaches, and the threshold below which a value is a
// path's.
inline constexpr double UNREACHED = 1e300;
inline constexpr double REACHED_BELOW = 1e299;

// The backlog d = C2 - C1 after a job is tracked in buckets: bucket b stands for every backlog
// from origin + width * b up to the next bucket, and the path is costed with that smallest
// value, which can only lower the cost since the cost and the next backlog grow with d. A step
// that leaves the buckets ends the path there with a bound on the rest (see the source).
struct BacklogGrid {
    int jobs = 0;
    int buckets = 0;
    Cost origin = 0;  // backlog of bucket 0: min(0, smallest p2)
    Cost width = 1;   // backlog covered by one bucket
    std::vector<Cost> p1, p2;
    std::vector<int> idle_last;    // per job: last bucket whose backlog is <= p1 (-1: none)
    std::vector<int> idle_target;  // per job: bucket of the backlog p2 (may be >= buckets)
    // Jobs grouped by shift = floor((p2 - p1) / width), the bucket move of a step without idle
    // time; within a group by idle_last ascending, then index.
    std::vector<int> shift;        // per job
    std::vector<int> group_begin;  // group g holds grouped_jobs[group_begin[g], group_begin[g+1])
    std::vector<int> group_shift;
    std::vector<int> grouped_jobs;
    // Per tail mix a (0..TAIL_MIXES-1): jobs by a * p2 + (4 - a) * p1 descending, ties by index.
    std::vector<std::vector<int>> tail_orders;
};

// The bounds on the rest of a path that leaves the buckets mix two bounds on each later
// backlog with weights a/4 and (4 - a)/4, a = 0..4 (see the source).
inline constexpr int TAIL_MIXES = 5;

// The grid of `times` with at most max_buckets buckets covering backlogs from its origin up
// to at least span_factor (2 or more) times the largest |time| (and past the largest p2).
BacklogGrid make_backlog_grid(const JobTimes& times, int max_buckets, int span_factor);

// Arrays reused from one call to the next.
struct BacklogWork {
    std::vector<double> values;  // [(level) * buckets + b]: cheapest cost of a path prefix
    std::vector<double> step_cost, prefix_min, best_into;
    std::vector<double> arrive;  // backwards, per bucket: its backlog and the rest from it
    std::vector<double> tails;   // [mix * (jobs + 1) + T]: the bound on a rest of T positions
    std::vector<int> prefix_arg;
    std::vector<std::uint8_t> tail_taken;
};

// The cheapest relaxed path for the integer-valued `scaled_prices` (job j's multiplier times
// `scale`, a multiple of 4 so that the tail mixes stay integers): returns min over paths of
// scale * cost - the prices of the jobs it uses, an exact integer held in a double, and leaves
// the path's job at each position in `path` (empty if the path could not be walked back, which
// its construction rules out). Every true sequence is such a path, so this plus
// the sum of all prices, divided by scale, is at most the objective of every sequence.
//
// `ceiling`, when finite, must be scale times the objective of a true sequence minus the sum
// of all prices: a state whose value plus a bound on the cost of any sequence of distinct jobs
// after it exceeds the ceiling is dropped. No sequence at least as good as that one passes
// through such a state, so the result still bounds the best sequence.
// When `limits` stop it between two levels, it returns UNREACHED with an empty path.
double cheapest_relaxed_path(const BacklogGrid& grid, double scale,
                             const std::vector<double>& scaled_prices, double ceiling,
                             BacklogWork& work, std::vector<int>& path, const Limits& limits = {});

// The same relaxation read backwards, for the rests of paths: leaves in work.values[m * buckets
// + b] the least scale * cost - prices over the relaxed paths that fill positions m..n-1 from a
// backlog in bucket b, with each position weighted as in a whole path and the backlog of the
// start not counted (an exact integer in a double). Each entry is at most the value of every
// such rest whose starting backlog lies in the bucket.
// A raised `stop` (when given) ends it between two levels: it then returns false, and the
// values are not those rests.
bool cheapest_relaxed_rests(const BacklogGrid& grid, double scale,
                            const std::vector<double>& scaled_prices, BacklogWork& work,
                            const std::atomic<bool>* stop = nullptr);

// The arcs (position k, bucket b, job j) of the relaxation that are kept: a bit per job for
// every state, [(k * buckets + b) * words + j / 64].
struct ArcMasks {
    int words = 0;
    std::vector<std::uint64_t> allowed;
};

// Every arc kept.
ArcMasks all_arcs(const BacklogGrid& grid);

// One round of filtering by reduced cost: with the cheapest prefix into each state and the
// cheapest rest out of it over the kept arcs, an arc whose cheapest whole path through it
// (scale * cost - prices, as cheapest_relaxed_path counts it) exceeds keep_at_most is deleted,
// and so is every arc of a state no kept path reaches. Each path of a true sequence whose
// relaxed value is at most keep_at_most keeps all its arcs. Leaves in work.values the rests
// over the arcs kept after the round (as cheapest_relaxed_rests leaves them; UNREACHED for a
// state with no kept arc); returns the arcs deleted.
long long filter_relaxed_arcs(const BacklogGrid& grid, double scale,
                              const std::vector<double>& scaled_prices, double keep_at_most,
                              ArcMasks& masks, BacklogWork& work);

}  // namespace zemko
