// Lower bounds on the sum of the machine-2 completions of the jobs that follow a partial
// sequence, computed for all children of a node at once: the node prepares its unscheduled
// set once, then each child's bound takes constant time.
#pragma once

#include <cstdint>
#include <vector>

#include "schedule/job_times.hpp"
#include "search/pair_relaxation.hpp"
#include "search/prefix_state.hpp"

namespace zemko {

// Which bounds are computed (the largest is used).
struct CompletionBoundOptions {
    // Weights (w1, w2) of the bounds that mix the machine-1 and machine-2 chains in one ratio
    // w1 : w2 for every job (both >= 0, not both 0).
    std::vector<std::pair<int, int>> fixed_mixes = {{1, 0}, {1, 1}, {0, 1}, {1, 2}, {2, 1}};
    // Scales mu > 0 of the bounds that mix the chains of job j in the ratio mu * p1 : p2; used
    // only when no time is negative.
    std::vector<double> job_mix_scales = {1.0};
    // The bound that sorts the two machines' times apart (each position on its own).
    bool separate_sorts = false;
    // The pair relaxation, with weights tuned by this many steps (0: not used).
    int pair_tuning_steps = 300;
};

struct FixedMix {
    int w1 = 0, w2 = 0;
    std::vector<int> order;  // jobs by w1 * p1 + w2 * p2, then index
};

struct JobMix {
    std::vector<int> order;      // jobs by mu * p1 + p2, then index
    std::vector<double> weight;  // by job: mu * p1 / (mu * p1 + p2), 1/2 when both are 0
};

struct CompletionBounds {
    const JobTimes* times = nullptr;
    bool nonnegative = true;  // no time below 0
    std::vector<int> by_p1;   // jobs by p1, then index
    std::vector<int> by_p2;   // jobs by p2, then index
    std::vector<FixedMix> fixed_mixes;
    std::vector<JobMix> job_mixes;
    bool separate_sorts = false;
    bool use_pairs = false;
    PairRelaxation pairs;
};

CompletionBounds make_completion_bounds(const JobTimes& times,
                                        const CompletionBoundOptions& options);

// What a node computes once for the bounds of its children: its unscheduled jobs in each
// order, with their positions and prefix sums.
struct FixedMixSums {
    std::vector<std::int64_t> prefix;  // prefix[m]: sum of the first m mixed times
    std::int64_t weighted = 0;         // sum over positions m (1-based) of (r - m + 1) * mixed
};

struct JobMixSums {
    std::vector<std::int64_t> p1_prefix, p2_prefix;
    std::vector<double> weight_suffix;  // weight_suffix[m]: sum of the weights after position m
    double inner = 0;  // sum over positions of w * P1(m) + (1 - w) * P2(m) + w * p2
};

struct ParentBounds {
    int remaining = 0;                       // unscheduled jobs r
    std::int64_t p2_total = 0;               // their machine-2 time
    int min_p1_job = -1;                     // the unscheduled job first by p1
    int min_p1 = 0, second_min_p1 = 0;       // the two smallest p1 (the second: 0 when r < 2)
    std::vector<std::vector<int>> position;  // by order (fixed mixes, then job mixes): 1-based
    std::vector<FixedMixSums> fixed;
    std::vector<JobMixSums> job;
    std::vector<int> p1_sorted, p2_sorted;  // separate sorts: the times ascending
    // Pair relaxation: by job, the sum of its pair costs with the other unscheduled jobs; the
    // sums of the pair costs, of the weights and of the jobs' own terms over the set.
    std::vector<std::int64_t> pair_sum;
    std::int64_t pair_total = 0, weight_total = 0, own_total = 0;
    std::vector<int> unscheduled;  // the unscheduled jobs by index
};

// Prepares `parent` for the node whose unscheduled jobs are those with scheduled[j] == 0.
void prepare_parent(const CompletionBounds& bounds, const std::vector<char>& scheduled,
                    ParentBounds& parent);

// A lower bound on the sum of the machine-2 completions of the jobs that follow the child
// that appends `job` to the prepared node; `child` is the child's state. Needs at least one
// job after the child.
std::int64_t child_completion_bound(const CompletionBounds& bounds, const ParentBounds& parent,
                                    int job, const PrefixState& child);

// The same bound for the node itself: the jobs with scheduled[j] == 0 after `state`.
std::int64_t completion_bound(const CompletionBounds& bounds, const std::vector<char>& scheduled,
                              const PrefixState& state);

}  // namespace zemko
