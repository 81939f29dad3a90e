// The strong lower bound on C2sum of an instance: the larger of the mixed assignment bound and
// the Lagrangian bound of the relaxed (position, backlog) paths, each tuned by subgradient steps
// for a fixed effort, never below the position bounds. Computed once per instance, on one thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sequence/job_times.hpp"
#include "sequence/rest_cost_table.hpp"
#include "util/cost.hpp"
#include "util/limits.hpp"
#include "util/memory_budget.hpp"

namespace zemko {

// How much work the bound does. The result depends only on the times, these numbers and the
// sequence offered to it.
struct StrongBoundEffort {
    int iterations = 0;         // shortest-path solves (subgradient steps)
    int shaped_iterations = 0;  // first steps, moved within smooth functions of the times
    int max_buckets = 0;        // backlog buckets of the grid
    int span_factor = 0;        // the buckets cover this many times the largest |time|
    int assignment_solves = 0;  // solves of the mixed assignment bound, before the paths
    bool rest_table = true;     // the table of rests is made (for the exact search, the summary)
};

// The default effort for n jobs: about 1 s of one core at 100 jobs, 1.5 s at 200, 9 s at 500
// (times uniform in 1..100, a current x86 core).
StrongBoundEffort default_strong_bound_effort(int jobs);

struct StrongBound {
    Cost lower_bound = 0;            // at most the objective of every sequence
    Cost position_bound = 0;         // the position bounds alone
    Cost upper_bound = 0;            // objective of best_sequence
    std::vector<int> best_sequence;  // the best sequence seen (offered, or from the paths)
    int iterations_done = 0;
    bool stopped = false;  // `stop` was seen before the effort was spent
    // The relaxed paths' rests under the prices of the best path bound, when the effort asks for
    // them and they were made before a stop (else empty): a bound on every completion of a
    // prefix, for the exact search, and at the empty prefix the paths' bound of the proof
    // summary.
    RestCostTable rest_costs;
};

// What the bound shares with the parts of a run that go on beside it; either may be null.
struct BoundShares {
    // The objective of the best sequence found meanwhile by others (say the walks): read
    // between steps, it aims them, so that the result then depends on timing.
    const std::atomic<Cost>* better_known = nullptr;
    // Told the bound each time it rises, for whoever reports the run's progress.
    std::atomic<Cost>* proven = nullptr;
};

// The bound of `times` (any signs, 0 to 501 jobs). `known`, when not empty, is a sequence of all
// the jobs (say the solver's best): its objective aims the steps, which then converge faster;
// the bound is valid whatever it is. When `limits` stop it (their flag or deadline; the effort
// is its work) the call returns within one iteration with the best bound found so far. Its
// tables are counted in `memory` when given (MemoryError when they do not fit).
StrongBound strong_lower_bound(const JobTimes& times, const StrongBoundEffort& effort,
                               const std::vector<int>& known = {}, const Limits& limits = {},
                               MemoryBudget* memory = nullptr, const BoundShares& shares = {});

// The bytes of the bound's tables for `jobs` jobs and this effort.
std::size_t strong_bound_bytes(int jobs, const StrongBoundEffort& effort);

// The effort with the paths' span of backlogs halved until its tables take at most `bytes`, or
// down to a span of twice the largest time: a weaker bound rather than none where memory is
// short.
StrongBoundEffort effort_within(StrongBoundEffort effort, int jobs, std::size_t bytes);

}  // namespace zemko
