// Lower bounds on the sum of the machine-2 completions of the jobs that follow a partial
// sequence, computed for all children of a node at once: a node's sums over its unscheduled
// jobs are derived from its parent's, then each child's bound takes constant time.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "exact/pair_relaxation.hpp"
#include "exact/prefix_state.hpp"
#include "sequence/job_times.hpp"
#include "util/cost.hpp"

namespace zemko {

// Which bounds are computed (the largest is used).
struct CompletionBoundOptions {
    // Weights (w1, w2) of the bounds that mix the machine-1 and machine-2 chains in one ratio
    // w1 : w2 for every job (both >= 0, not both 0).
    std::vector<std::pair<int, int>> fixed_mixes;
    // Pair relaxations, with weights tuned by this many steps (0: none; fewer above 258 jobs),
    // one for each backlog of machine 2 over machine 1 they are tuned for.
    int pair_tuning_steps = 300;
    std::vector<int> pair_backlogs = {0};
};

struct FixedMix {
    int w1 = 0, w2 = 0;
    std::vector<int> order;  // jobs by w1 * p1 + w2 * p2, then index
};

struct CompletionBounds {
    const JobTimes* times = nullptr;
    std::vector<FixedMix> fixed_mixes;
    std::vector<PairRelaxation> pairs;
};

CompletionBounds make_completion_bounds(const JobTimes& times,
                                        const CompletionBoundOptions& options);

// A fixed mix over the unscheduled jobs in its order.
struct FixedMixSums {
    std::vector<int> position;  // by job: 1-based position in the order
    std::vector<Cost> prefix;   // prefix[m]: sum of the first m mixed times
    Cost weighted = 0;          // sum over positions m of (r - m + 1) * mixed time
};

// A pair relaxation over the unscheduled jobs: by job, the sum of its pair costs with the
// others; the sums of the pair costs, of the weights and of the jobs' own terms.
struct PairSums {
    std::vector<Cost> by_job;
    Cost pairs = 0, weights = 0, own = 0;
};

// What a node computes once for the bounds of its children.
struct NodeSums {
    std::vector<int> unscheduled;  // by index
    std::vector<char> in_set;      // by job: 1 when unscheduled
    Cost p2_total = 0;
    int min_p1_job = -1;                // the unscheduled job first by p1, then index
    int min_p1 = 0, second_min_p1 = 0;  // the two smallest p1 (the second: 0 when r < 2)
    std::vector<FixedMixSums> fixed;
    std::vector<PairSums> pair;  // by relaxation of the bounds
    int remaining() const { return static_cast<int>(unscheduled.size()); }
};

// The sums of the node whose unscheduled jobs are those with scheduled[j] == 0.
void prepare_node(const CompletionBounds& bounds, const std::vector<char>& scheduled,
                  NodeSums& node);

// The sums of the child that appends `job` to the node of `parent`.
void derive_child(const CompletionBounds& bounds, const NodeSums& parent, int job, NodeSums& child);

// A lower bound on the sum of the machine-2 completions of the jobs that follow the child
// that appends `job` to the prepared node; `child` is the child's state.
Cost child_completion_bound(const CompletionBounds& bounds, const NodeSums& node, int job,
                            const PrefixState& child);

// The same bound for the node itself: the jobs with scheduled[j] == 0 after `state`.
Cost completion_bound(const CompletionBounds& bounds, const std::vector<char>& scheduled,
                      const PrefixState& state);

}  // namespace zemko
