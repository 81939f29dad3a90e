// The exact search: a depth-first branch and bound over partial sequences from an incumbent,
// which proves the best sequence optimal or, when stopped, how close to optimal it is.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "schedule/job_times.hpp"
#include "search/completion_bounds.hpp"

namespace zemko {

struct ExactLimits {
    // Nodes expanded at most (0: no limit). The same budget gives the same result everywhere.
    std::int64_t node_budget = 0;
    std::optional<std::chrono::steady_clock::time_point> deadline;
    const std::atomic<bool>* stop = nullptr;  // the search ends soon after it turns true
    // Partial sequences the table of visited ones holds at most (memory: about 52 bytes each
    // up to 63 jobs, 8 more per further 64 jobs; the table grows to it only when it fills).
    std::size_t visited_capacity = std::size_t{1} << 22;
};

// How the search prunes; the defaults are the fastest measured.
struct ExactOptions {
    CompletionBoundOptions bounds;
    int move_window = 3;           // positions tried by the move rule (0: off)
    int record_min_remaining = 3;  // visited partial sequences are recorded with this many jobs
                                   // left or more
};

struct ExactResult {
    bool proven_optimal = false;
    std::vector<int> best_sequence;
    std::int64_t best_objective = 0;
    std::int64_t nodes = 0;        // nodes expanded
    std::int64_t lower_bound = 0;  // proven: no sequence costs less
    std::int64_t root_bound = 0;   // the bound of the empty sequence
    bool stopped = false;          // a limit ended the search before it was complete
};

// Searches from `incumbent` (a permutation of the jobs; empty: the jobs in index order).
// Throws std::invalid_argument when the incumbent is not a permutation.
ExactResult exact_search(const JobTimes& times, const std::vector<int>& incumbent,
                         const ExactLimits& limits, const ExactOptions& options = {});

}  // namespace zemko
