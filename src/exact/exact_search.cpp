#include "exact/exact_search.hpp"

#include <algorithm>
#include <atomic>
#include <exception>
#include <limits>
#include <mutex>
#include <stdexcept>

#include "exact/prefix_dominance.hpp"
#include "exact/task_pool.hpp"
#include "exact/visited_states.hpp"

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

constexpr std::int64_t kNoBound = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kClockInterval = 1024;  // nodes between two looks at the clock
// Fewer jobs than this are searched by one worker: their whole search is over at once.
constexpr int MIN_SHARED_JOBS = 12;
// The table of the root that only makes the workers' tasks.
constexpr std::size_t ROOT_TABLE_CAPACITY = 1024;
// The workers' tasks go down to MAX_TASK_DEPTH jobs until there are TASKS_PER_WORKER each: a
// task that holds most of the work would leave the other workers idle.
constexpr std::size_t TASKS_PER_WORKER = 64;
constexpr int MAX_TASK_DEPTH = 4;
// Children with fewer jobs after them are not handed on to a waiting worker: their searches are
// over sooner than the hand-over pays.
constexpr int MIN_HANDED_ON_JOBS = 6;

struct Child {
    int job = 0;
    RankedPrefix ranked;
    std::int64_t bound = 0;  // lower bound on every sequence that starts with the child
};

struct Level {
    NodeSums sums;  // of the node at this depth, once a child needs them
    bool sums_ready = false;
    std::vector<Child> children;
    std::size_t next = 0;  // the child being searched
};

// The incumbent of workers that search side by side, and what ends them all.
struct SharedBest {
    std::atomic<std::int64_t> objective{0};
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
    std::vector<std::int64_t> price_left;  // [k]: the rests' prices of the jobs after path[0..k)
    std::vector<Level> levels;
    std::int64_t best_objective = 0;
    std::vector<int> best_sequence;
    std::int64_t nodes = 0;
    bool stopped = false;
    std::int64_t open_bound = kNoBound;  // smallest bound of a node left open by a stop
    SharedBest* shared = nullptr;        // set when workers search side by side
    TaskPool* pool = nullptr;            // likewise
    int shared_from = 0;  // the levels from here on may hand their untried children on
};

std::int64_t incumbent_objective(const Search& search) {
    return search.shared != nullptr ? search.shared->objective.load(std::memory_order_relaxed)
                                    : search.best_objective;
}

bool should_stop(Search& search) {
    if (search.stopped) return true;
    if (search.shared != nullptr && search.shared->failed.load()) search.stopped = true;
    const Limits& limits = search.limits;
    if (limits.work_budget > 0 && search.nodes >= limits.work_budget) search.stopped = true;
    if (stop_raised(limits)) search.stopped = true;
    if (search.nodes % kClockInterval == 0 && past_deadline(limits)) search.stopped = true;
    return search.stopped;
}

void offer(Search& search, int depth, int job, int last, std::int64_t objective) {
    if (objective >= incumbent_objective(search)) return;
    std::vector<int> sequence(search.path.begin(), search.path.begin() + depth);
    sequence.push_back(job);
    if (last >= 0) sequence.push_back(last);
    if (search.shared == nullptr) {
        search.best_objective = objective;
        search.best_sequence = std::move(sequence);
        return;
    }
    SharedBest& shared = *search.shared;
    const std::lock_guard<std::mutex> lock(shared.mutex);
    if (objective >= shared.objective.load()) return;
    shared.sequence = std::move(sequence);
    shared.objective.store(objective);
}

void schedule(Search& search, int depth, const Child& child) {
    const int job = child.job;
    search.scheduled[job] = 1;
    search.set[job / 64] |= std::uint64_t{1} << (job % 64);
    search.set_hash ^= job_hash_key(job);
    search.path[depth] = job;
    search.before[depth + 1] = child.ranked;
    if (search.rest_costs != nullptr)
        search.price_left[depth + 1] = search.price_left[depth] - search.rest_costs->prices[job];
}

// The rests' table's bound on the jobs after `state`, a prefix of `placed` jobs whose unplaced
// jobs' prices sum to price_left; NO_REST_BOUND without a table.
std::int64_t table_rest(const Search& search, int placed, const PrefixState& state,
                        std::int64_t price_left) {
    if (search.rest_costs == nullptr) return NO_REST_BOUND;
    return rest_cost_bound(*search.rest_costs, placed, state.c1, state.c2, price_left);
}

void unschedule(Search& search, int job) {
    search.scheduled[job] = 0;
    search.set[job / 64] &= ~(std::uint64_t{1} << (job % 64));
    search.set_hash ^= job_hash_key(job);
}

// The children of the node path[0..depth) that bounds and the move rule keep, in the order
// they are searched; complete sequences among them are offered instead.
void generate_children(Search& search, int depth) {
    const JobTimes& times = search.times;
    Level& level = search.levels[depth];
    const int after_child = search.n - depth - 1;
    // The completion bounds' sums are made only for a node with a child that the rests' table
    // keeps: a node whose children it drops all never makes them. A kept child's parent has them.
    level.sums_ready = false;
    const auto node_sums = [&search, &level, depth]() -> const NodeSums& {
        if (level.sums_ready) return level.sums;
        if (depth == 0)
            prepare_node(search.bounds, search.scheduled, level.sums);
        else
            derive_child(search.bounds, search.levels[depth - 1].sums, search.path[depth - 1],
                         level.sums);
        level.sums_ready = true;
        return level.sums;
    };
    level.children.clear();
    const RankedPrefix& node = search.before[depth];
    const PrefixPath path{search.path.data(), search.before.data(), depth};
    for (int j = 0; j < search.n; ++j) {
        if (search.scheduled[j]) continue;
        Child child;
        child.job = j;
        child.ranked.state = append_job(node.state, times.p1[j], times.p2[j]);
        child.ranked.tie_key = node.tie_key + tie_weight(depth, j);
        if (after_child == 0) {
            offer(search, depth, j, -1, child.ranked.state.sum);
            continue;
        }
        if (after_child == 1) {
            int last = 0;
            while (last == j || search.scheduled[last])
                ++last;
            const PrefixState end = append_job(child.ranked.state, times.p1[last], times.p2[last]);
            offer(search, depth, j, last, end.sum);
            continue;
        }
        // The table's bound drops most children on its own: the completion bounds, dearer,
        // are computed only for the rest.
        const std::int64_t sum = child.ranked.state.sum;
        const std::int64_t by_table = table_rest(
            search, depth + 1, child.ranked.state,
            search.rest_costs == nullptr ? 0
                                         : search.price_left[depth] - search.rest_costs->prices[j]);
        if (by_table != NO_REST_BOUND && sum + by_table >= incumbent_objective(search)) continue;
        child.bound = sum + std::max(by_table, child_completion_bound(search.bounds, node_sums(), j,
                                                                      child.ranked.state));
        if (child.bound >= incumbent_objective(search)) continue;
        if (search.options.move_window > 0 && depth > 0 &&
            dominated_by_moves(times, path, j, child.ranked, after_child,
                               search.options.move_window))
            continue;
        level.children.push_back(child);
    }
    std::sort(level.children.begin(), level.children.end(), [](const Child& a, const Child& b) {
        if (a.bound != b.bound) return a.bound < b.bound;
        if (a.ranked.state.sum != b.ranked.state.sum)
            return a.ranked.state.sum < b.ranked.state.sum;
        return a.job < b.job;
    });
}

// Hands the untried children of the shallowest node on path[0..depth] that has any, and
// enough jobs after them, on to the waiting workers, and drops them from this worker's search.
void hand_on(Search& search, int depth) {
    for (int d = search.shared_from; d <= depth && search.n - d - 1 >= MIN_HANDED_ON_JOBS; ++d) {
        std::vector<Child>& children = search.levels[d].children;
        const std::size_t first = search.levels[d].next + 1;
        if (first >= children.size()) continue;
        std::vector<Task> handed;
        for (std::size_t c = first; c < children.size(); ++c) {
            if (children[c].bound >= incumbent_objective(search)) break;
            Task task;
            task.prefix.assign(search.path.begin(), search.path.begin() + d);
            task.prefix.push_back(children[c].job);
            task.bound = children[c].bound;
            handed.push_back(std::move(task));
        }
        children.resize(first);
        if (handed.empty()) continue;
        hand_on_tasks(*search.pool, handed);
        return;
    }
}

void search_child(Search& search, int depth, const Child& child);

void expand(Search& search, int depth, std::int64_t node_bound) {
    if (should_stop(search)) {
        search.open_bound = std::min(search.open_bound, node_bound);
        return;
    }
    ++search.nodes;
    generate_children(search, depth);
    std::vector<Child>& children = search.levels[depth].children;
    for (std::size_t i = 0; i < children.size(); ++i) {
        const Child& child = children[i];
        if (child.bound >= incumbent_objective(search)) break;  // so are the ones after it
        if (search.stopped) {
            search.open_bound = std::min(search.open_bound, child.bound);
            break;
        }
        search.levels[depth].next = i;
        if (search.pool != nullptr && search.pool->hungry.load(std::memory_order_relaxed))
            hand_on(search, depth);
        search_child(search, depth, child);
    }
}

// Schedules `child` after path[0..depth) and searches below it unless the table of visited
// partial sequences drops it.
void search_child(Search& search, int depth, const Child& child) {
    schedule(search, depth, child);
    const int after_child = search.n - depth - 1;
    bool dominated = false;
    if (after_child >= search.options.record_min_remaining) {
        dominated =
            search.shared_visited != nullptr
                ? dominated_or_recorded(*search.shared_visited, search.set.data(), search.set_hash,
                                        child.ranked, after_child, depth + 1)
                : dominated_or_recorded(search.visited, search.set.data(), search.set_hash,
                                        child.ranked, after_child, depth + 1);
    }
    if (!dominated) expand(search, depth + 1, child.bound);
    unschedule(search, child.job);
}

void check_permutation(const std::vector<int>& start, int n) {
    std::vector<char> seen(n, 0);
    bool permutation = static_cast<int>(start.size()) == n;
    for (int job : start) {
        if (!permutation) break;
        if (job < 0 || job >= n || seen[job])
            permutation = false;
        else
            seen[job] = 1;
    }
    if (!permutation)
        throw std::invalid_argument("exact_search: the incumbent is not a permutation");
}

// A search of `times` from the sequence `start`, its table of visited partial sequences holding
// at most `capacity`.
void start_search(Search& search, const std::vector<int>& start, std::size_t capacity,
                  MemoryBudget* memory) {
    const int n = search.times.count();
    search.n = n;
    search.bounds = make_completion_bounds(search.times, search.options.bounds);
    search.visited = make_visited_states(n, capacity, memory);
    search.scheduled.assign(n, 0);
    search.set.assign(set_words(n), 0);
    search.path.assign(n, 0);
    search.before.assign(n + 1, RankedPrefix{});
    search.levels.resize(n + 1);
    search.best_sequence = start;
    search.best_objective = sequence_objective(search.times, start);
    const RestCostTable* table = search.options.rest_costs;
    if (table != nullptr && table->buckets > 0 && table->jobs == n) {
        search.rest_costs = table;
        search.price_left.assign(n + 1, 0);
        for (int j = 0; j < n; ++j)
            search.price_left[0] += table->prices[j];
    }
}

std::int64_t root_bound_of(Search& search) {
    if (search.n == 0) return 0;
    return std::max(
        completion_bound(search.bounds, search.scheduled, PrefixState{}),
        table_rest(search, 0, PrefixState{}, search.price_left.empty() ? 0 : search.price_left[0]));
}

// Appends the partial sequences of `depth` jobs below path[0..level) that the bounds keep, in
// the order the search would reach them.
void collect_tasks(Search& root, int level, int depth, std::vector<Task>& tasks) {
    ++root.nodes;
    generate_children(root, level);
    // Deeper levels never write this one.
    const std::vector<Child>& children = root.levels[level].children;
    for (const Child& child : children) {
        if (child.bound >= incumbent_objective(root)) break;
        if (level + 1 == depth) {
            Task task;
            task.prefix.assign(root.path.begin(), root.path.begin() + level);
            task.prefix.push_back(child.job);
            task.bound = child.bound;
            tasks.push_back(std::move(task));
            continue;
        }
        schedule(root, level, child);
        collect_tasks(root, level + 1, depth, tasks);
        unschedule(root, child.job);
    }
}

// The tasks of `workers` workers: the shallowest partial sequences (from two jobs on) that
// are enough of them to keep every worker busy.
std::vector<Task> make_tasks(Search& root, int workers) {
    std::vector<Task> tasks;
    for (int depth = 2;; ++depth) {
        tasks.clear();
        collect_tasks(root, 0, depth, tasks);
        if (tasks.size() >= TASKS_PER_WORKER * static_cast<std::size_t>(workers) ||
            depth >= MAX_TASK_DEPTH || depth + 3 > root.n)
            return tasks;
    }
}

const Child* find_child(const std::vector<Child>& children, int job) {
    for (const Child& child : children)
        if (child.job == job) return &child;
    return nullptr;
}

// One worker: takes tasks until none is left, and searches below each. A task's prefix is
// replayed from the part it shares with the worker's last one; a task it cannot search any
// more is left open.
void run_tasks(Search& worker, TaskPool& pool) {
    int placed = 0;      // jobs of the prefix scheduled now
    int generated = -1;  // levels[0..generated] hold the children of the current prefix's nodes
    for (Task task; take_task(pool, task);) {
        const TaskInHand in_hand(pool);
        if (should_stop(worker)) {
            worker.open_bound = std::min(worker.open_bound, task.bound);
            continue;
        }
        const int last = static_cast<int>(task.prefix.size()) - 1;
        int keep = 0;
        while (keep < placed && keep < last && worker.path[keep] == task.prefix[keep])
            ++keep;
        while (placed > keep)
            unschedule(worker, worker.path[--placed]);
        generated = std::min(generated, keep);
        const Child* child = nullptr;
        for (int k = placed;; ++k) {
            if (generated < k) {
                ++worker.nodes;
                generate_children(worker, k);
                generated = k;
            }
            child = find_child(worker.levels[k].children, task.prefix[k]);
            if (child == nullptr || child->bound >= incumbent_objective(worker)) {
                child = nullptr;
                break;
            }
            if (k == last) break;
            schedule(worker, k, *child);
            ++placed;
        }
        worker.shared_from = last + 1;
        if (child != nullptr) search_child(worker, last, *child);
    }
    while (placed > 0)
        unschedule(worker, worker.path[--placed]);
}

// The search by `workers` workers side by side; fills the search's best, nodes, stop and open
// bound as one search would.
void search_side_by_side(Search& root, const std::vector<int>& start, int workers,
                         MemoryBudget* memory) {
    SharedBest shared;
    shared.objective.store(root.best_objective);
    shared.sequence = root.best_sequence;
    root.shared = &shared;
    if (should_stop(root)) {
        root.open_bound = std::min(root.open_bound, root_bound_of(root));
        root.shared = nullptr;
        return;
    }
    TaskPool pool;
    for (Task& task : make_tasks(root, workers))
        pool.tasks.push_back(std::move(task));
    SharedVisitedStates visited(make_visited_states(root.n, root.options.visited_capacity, memory));
    std::vector<std::int64_t> nodes(workers, 0), open(workers, kNoBound);
    std::vector<char> stopped(workers, 0);
    std::vector<std::exception_ptr> failures(workers);
    root.options.parallel(workers, [&](int item, int) {
        try {
            Search worker(root.times, root.limits, root.options);
            start_search(worker, start, 1, memory);  // a table of one bucket, never used
            worker.shared_visited = &visited;
            worker.shared = &shared;
            worker.pool = &pool;
            run_tasks(worker, pool);
            nodes[item] = worker.nodes;
            open[item] = worker.open_bound;
            stopped[item] = worker.stopped;
        } catch (...) {
            failures[item] = std::current_exception();
            shared.failed.store(true);
        }
    });
    for (const std::exception_ptr& failure : failures)
        if (failure) std::rethrow_exception(failure);
    // Every worker empties the pool before it ends; tasks that none took would be open.
    for (const Task& task : pool.tasks) {
        root.open_bound = std::min(root.open_bound, task.bound);
        root.stopped = true;
    }
    for (int w = 0; w < workers; ++w) {
        root.nodes += nodes[w];
        root.open_bound = std::min(root.open_bound, open[w]);
        root.stopped = root.stopped || stopped[w];
    }
    root.best_objective = shared.objective.load();
    root.best_sequence = shared.sequence;
    root.shared = nullptr;
}

}  // namespace

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
    check_permutation(start, n);
    // A node budget must give the same result everywhere: it keeps to one worker.
    const int workers = options.parallel && limits.work_budget <= 0 && n >= MIN_SHARED_JOBS
                            ? std::max(options.workers, 1)
                            : 1;

    Search search(times, limits, options);
    start_search(search, start, workers > 1 ? ROOT_TABLE_CAPACITY : options.visited_capacity,
                 memory);
    ExactResult result;
    const std::int64_t root_bound = root_bound_of(search);
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
    const std::int64_t open = std::min(search.open_bound, search.best_objective);
    result.lower_bound = std::max(open, std::min(root_bound, search.best_objective));
    if (result.proven_optimal) result.lower_bound = result.best_objective;
    return result;
}

}  // namespace zemko
