#include "exact/exact_workers.hpp"

#include <algorithm>
#include <exception>

namespace zemko {

namespace {

// The workers' tasks go down to MAX_TASK_DEPTH jobs until there are TASKS_PER_WORKER each: a
// task that holds most of the work would leave the other workers idle. Nor do they go deeper
// than leaves MIN_JOBS_BELOW_TASK jobs below a task.
constexpr std::size_t TASKS_PER_WORKER = 64;
constexpr int MAX_TASK_DEPTH = 4;
constexpr int MIN_JOBS_BELOW_TASK = 2;

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
            depth >= MAX_TASK_DEPTH || depth + 1 + MIN_JOBS_BELOW_TASK > root.n)
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

}  // namespace

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
    std::vector<std::int64_t> nodes(workers, 0);
    std::vector<Cost> open(workers, NO_OPEN_BOUND);
    std::vector<char> stopped(workers, 0);
    std::vector<std::exception_ptr> failures(workers);
    root.options.parallel(workers, [&](int item, int thread) {
        try {
            Search worker(root.times, root.limits, root.options);
            start_search(worker, start, 1, memory);  // a table of one bucket, never used
            worker.shared_visited = &visited;
            worker.shared = &shared;
            worker.pool = &pool;
            worker.reports = thread == 0;
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

}  // namespace zemko
