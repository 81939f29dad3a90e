// The exact search's depth-first search below partial sequences, as one search or as one of
// several workers side by side: its state, and the steps that schedule a job, bound a node's
// children and search below them.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <mutex>
#include <vector>

#include "exact/completion_bounds.hpp"
#include "exact/exact_search.hpp"
#include "exact/prefix_dominance.hpp"
#include "exact/task_pool.hpp"
#include "exact/visited_states.hpp"
#include "util/cost.hpp"

namespace zemko {

// The open bound of a search that no stop has cut.
inline constexpr Cost NO_OPEN_BOUND = std::numeric_limits<Cost>::max();

struct Child {
    int job = 0;
    RankedPrefix ranked;
    Cost bound = 0;  // lower bound on every sequence that starts with the child
};

struct Level {
    NodeSums sums;  // of the node at this depth, once a child needs them
    bool sums_ready = false;
    std::vector<Child> children;
    std::size_t next = 0;  // the child being searched
};

// The incumbent of workers that search side by side, and what ends them all.
struct SharedBest {
    std::atomic<Cost> objective{0};
    std::mutex mutex;  // guards sequence
    std::vector<int> sequence;
    std::atomic<bool> failed{false};  // a worker failed: the others stop
};

struct Search {
    Search(const JobTimes& times_in, const Limits& limits_in, const ExactOptions& options_in)
        : times(times_in), limits(limits_in), options(options_in) {}
    const JobTimes& times;
    const Limits& limits;
    const ExactOptions& options;
    int n = 0;
    CompletionBounds bounds;
    VisitedStates visited;
    SharedVisitedStates* shared_visited = nullptr;  // the workers' table, instead of visited
    std::vector<char> scheduled;
    std::vector<std::uint64_t> set;
    std::uint64_t set_hash = 0;
    std::vector<int> path;
    std::vector<RankedPrefix> before;  // before[k]: the first k jobs of path
    const RestCostTable* rest_costs = nullptr;
    std::vector<Cost> price_left;  // [k]: the rests' prices of the jobs after path[0..k)
    std::vector<Level> levels;
    Cost best_objective = 0;
    std::vector<int> best_sequence;
    std::int64_t nodes = 0;
    bool stopped = false;
    Cost open_bound = NO_OPEN_BOUND;  // smallest bound of a node left open by a stop
    SharedBest* shared = nullptr;     // set when workers search side by side
    TaskPool* pool = nullptr;         // likewise
    int shared_from = 0;              // the levels from here on may hand their untried children on
    bool reports = false;  // runs on the caller's thread, and tells the options' progress hook
};

Cost incumbent_objective(const Search& search);

// True when a limit, or another worker's failure, ends the search; it then stays stopped.
bool should_stop(Search& search);

// Appends `child` after path[0..depth), or takes job back off the end.
void schedule(Search& search, int depth, const Child& child);
void unschedule(Search& search, int job);

// The children of the node path[0..depth) that bounds and the move rule keep, in the order
// they are searched, into levels[depth]; complete sequences among them are offered instead.
void generate_children(Search& search, int depth);

// Searches below the node path[0..depth) of bound `node_bound`.
void expand(Search& search, int depth, Cost node_bound);

// Schedules `child` after path[0..depth) and searches below it unless the table of visited
// partial sequences drops it.
void search_child(Search& search, int depth, const Child& child);

// A search of `times` from the sequence `start`, its table of visited partial sequences holding
// at most `capacity`.
void start_search(Search& search, const std::vector<int>& start, std::size_t capacity,
                  MemoryBudget* memory);

// The bound of the empty sequence.
Cost root_bound_of(Search& search);

}  // namespace zemko
