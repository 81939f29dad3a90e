#include "exact/depth_first_search.hpp"

#include <algorithm>

namespace zemko {

namespace {

constexpr std::int64_t CLOCK_INTERVAL = 1024;  // nodes between two looks at the clock
// Children with fewer jobs after them are not handed on to a waiting worker: their searches are
// over sooner than the hand-over pays.
constexpr int MIN_HANDED_ON_JOBS = 6;

void offer(Search& search, int depth, int job, int last, Cost objective) {
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

// The rests' table's bound on the jobs after `state`, a prefix of `placed` jobs whose unplaced
// jobs' prices sum to price_left; NO_REST_BOUND without a table.
Cost table_rest(const Search& search, int placed, const PrefixState& state, Cost price_left) {
    if (search.rest_costs == nullptr) return NO_REST_BOUND;
    return rest_cost_bound(*search.rest_costs, placed, state.c1, state.c2, price_left);
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

// What the rests' filter leaves the node path[0..depth) of `state`: the jobs it allows next
// (null: any), and a job whose last position is this one (-1: none). False when a job left has
// no position left, or two must take this one: no sequence within the filter's target starts
// so.
bool filtered_choice(const Search& search, int depth, const PrefixState& state,
                     const std::uint64_t*& allowed, int& forced) {
    const RestCostTable* table = search.rest_costs;
    if (table == nullptr || table->words == 0) return true;
    for (int j = 0; j < search.n; ++j) {
        if (search.scheduled[j] || table->last_position[j] > depth) continue;
        if (table->last_position[j] < depth || forced >= 0) return false;
        forced = j;
    }
    allowed = allowed_jobs(*table, depth, state.c1, state.c2);
    return true;
}

}  // namespace

Cost incumbent_objective(const Search& search) {
    return search.shared != nullptr ? search.shared->objective.load(std::memory_order_relaxed)
                                    : search.best_objective;
}

bool should_stop(Search& search) {
    if (search.stopped) return true;
    if (search.shared != nullptr && search.shared->failed.load()) search.stopped = true;
    const Limits& limits = search.limits;
    if (limits.work_budget > 0 && search.nodes >= limits.work_budget) search.stopped = true;
    if (stop_raised(limits)) search.stopped = true;
    if (search.nodes % CLOCK_INTERVAL == 0) {
        if (past_deadline(limits)) search.stopped = true;
        if (search.reports && search.options.progress)
            search.options.progress(incumbent_objective(search));
    }
    return search.stopped;
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

void unschedule(Search& search, int job) {
    search.scheduled[job] = 0;
    search.set[job / 64] &= ~(std::uint64_t{1} << (job % 64));
    search.set_hash ^= job_hash_key(job);
}

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
    const std::uint64_t* allowed = nullptr;
    int forced = -1;
    if (!filtered_choice(search, depth, node.state, allowed, forced)) return;
    for (int j = 0; j < search.n; ++j) {
        if (search.scheduled[j]) continue;
        if ((forced >= 0 && j != forced) ||
            (allowed != nullptr && ((allowed[j / 64] >> (j % 64)) & 1) == 0))
            continue;
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
        const Cost sum = child.ranked.state.sum;
        const Cost by_table = table_rest(
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

void expand(Search& search, int depth, Cost node_bound) {
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

Cost root_bound_of(Search& search) {
    if (search.n == 0) return 0;
    return std::max(
        completion_bound(search.bounds, search.scheduled, PrefixState{}),
        table_rest(search, 0, PrefixState{}, search.price_left.empty() ? 0 : search.price_left[0]));
}

}  // namespace zemko
