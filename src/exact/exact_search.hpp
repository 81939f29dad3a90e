// The exact search: a depth-first branch and bound over partial sequences from an incumbent,
// which proves the best sequence optimal or, when stopped, how close to optimal it is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "exact/completion_bounds.hpp"
#include "sequence/job_times.hpp"
#include "sequence/rest_cost_table.hpp"
#include "util/cost.hpp"
#include "util/limits.hpp"
#include "util/memory_budget.hpp"
#include "util/parallel_for.hpp"

namespace zemko {

// How the search prunes, and on how many workers; the defaults are the fastest measured.
struct ExactOptions {
    CompletionBoundOptions bounds;
    // Partial sequences the table of visited ones holds at most (memory: about 52 bytes each
    // up to 63 jobs, 8 more per further 64 jobs; the table grows to it only when it fills, and
    // only as far as the memory budget allows).
    std::size_t visited_capacity = std::size_t{1} << 22;
    int move_window = 3;           // positions tried by the move rule (0: off)
    int record_min_remaining = 3;  // visited partial sequences are recorded with this many jobs
                                   // left or more
    // Rests of the priced relaxation (not owned; null or empty: none), a further bound on every
    // completion; it must be made for these times.
    const RestCostTable* rest_costs = nullptr;
    // Workers that search side by side through `parallel` (empty: one), sharing the incumbent
    // and the table of visited partial sequences. Which of several optimal sequences comes back,
    // and the nodes, then depend on timing: a search under a node budget keeps to one worker.
    int workers = 1;
    ParallelFor parallel;
    // Told the incumbent's objective now and then, on the caller's thread (may be empty); it
    // only watches.
    std::function<void(Cost best)> progress;
};

// Partial sequences the table of visited ones may hold within `bytes` of memory, each counted
// at the most its entry takes at up to 63 jobs, with room for the table's growth.
std::size_t visited_entries_within(std::size_t bytes);

struct ExactResult {
    bool proven_optimal = false;
    std::vector<int> best_sequence;
    Cost best_objective = 0;
    std::int64_t nodes = 0;  // nodes expanded
    Cost lower_bound = 0;    // proven: no sequence costs less
    Cost root_bound = 0;     // the bound of the empty sequence
    bool stopped = false;    // a limit ended the search before it was complete
};

// Searches from `incumbent` (a permutation of the jobs; empty: the jobs in index order) until
// `limits` stop it; their work budget counts the nodes expanded, and the same budget gives the
// same result everywhere. The table of visited partial sequences is counted in `memory` (when
// given) as it grows. Throws std::invalid_argument when the incumbent is not a permutation.
ExactResult exact_search(const JobTimes& times, const std::vector<int>& incumbent,
                         const Limits& limits, const ExactOptions& options = {},
                         MemoryBudget* memory = nullptr);

}  // namespace zemko
