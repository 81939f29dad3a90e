#include "exact/exact_search.hpp"

#include <algorithm>
#include <stdexcept>

#include "exact/depth_first_search.hpp"
#include "exact/exact_workers.hpp"

namespace zemko {

// The search is depth first. A node's children are bounded (completion_bounds), those whose
// bound reaches the incumbent are dropped, and so are those that the move rule finds dominated
// (prefix_dominance); the rest are searched by ascending bound, each first offered to the table
// of visited partial sequences, which drops it when a recorded one of the same set dominates it.
//
// What a stop leaves proven: let pi* be the optimal sequence with the smallest tie key. No
// prefix of pi* is ever dropped by dominance (prefix_dominance.cpp). So either pi* was reached
// (the incumbent is optimal), or a prefix of it was dropped by its bound, which is at most the
// optimum and was at least the incumbent of that time (again the incumbent is optimal), or a
// prefix of it was left open by the stop, whose bound is at most the optimum. Hence the
// optimum is at least the smaller of the incumbent and the smallest bound of an open node.
//
// With several workers the same holds: they share the incumbent, and take the partial sequences
// of a few jobs, in the order the search would reach them, as tasks; the argument above never
// needed the dominating prefix to be in the same table or on the same thread, or searched yet.
// The workers share one table of visited partial sequences. A worker that waits for a task is
// handed the untried children of another worker's shallowest node that has any: they become
// tasks, and the other worker drops them. A task left by a stop is an open node.

namespace {

// Fewer jobs than this are searched by one worker: their whole search is over at once.
constexpr int MIN_SHARED_JOBS = 12;
// The table of the root that only makes the workers' tasks.
constexpr std::size_t ROOT_TABLE_CAPACITY = 1024;

}  // namespace

std::size_t visited_entries_within(std::size_t bytes) {
    return bytes / VISITED_ENTRY_BYTES;
}

ExactResult exact_search(const JobTimes& times, const std::vector<int>& incumbent,
                         const Limits& limits, const ExactOptions& options, MemoryBudget* memory) {
    const int n = times.count();
    if (static_cast<int>(times.p2.size()) != n)
        throw std::invalid_argument("exact_search: p1 and p2 differ in length");
    std::vector<int> start = incumbent;
    if (start.empty()) {
        for (int j = 0; j < n; ++j)
            start.push_back(j);
    }
    if (!is_permutation_of_jobs(start, n))
        throw std::invalid_argument("exact_search: the incumbent is not a permutation");
    // A node budget must give the same result everywhere: it keeps to one worker.
    const int workers = options.parallel && limits.work_budget <= 0 && n >= MIN_SHARED_JOBS
                            ? std::max(options.workers, 1)
                            : 1;

    Search search(times, limits, options);
    search.reports = workers == 1;
    start_search(search, start, workers > 1 ? ROOT_TABLE_CAPACITY : options.visited_capacity,
                 memory);
    ExactResult result;
    const Cost root_bound = root_bound_of(search);
    if (n > 0 && root_bound < search.best_objective) {
        if (workers > 1)
            search_side_by_side(search, start, workers, memory);
        else
            expand(search, 0, root_bound);
    }

    result.best_sequence = search.best_sequence;
    result.best_objective = search.best_objective;
    result.nodes = search.nodes;
    result.root_bound = root_bound;
    result.stopped = search.stopped;
    result.proven_optimal = !search.stopped || search.open_bound >= search.best_objective;
    const Cost open = std::min(search.open_bound, search.best_objective);
    result.lower_bound = std::max(open, std::min(root_bound, search.best_objective));
    if (result.proven_optimal) result.lower_bound = result.best_objective;
    return result;
}

}  // namespace zemko
