#include "exact/exact_search.hpp"

#include <algorithm>
#include <limits>
#include <stdexcept>

#include "exact/prefix_dominance.hpp"
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

namespace {

constexpr std::int64_t kNoBound = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kClockInterval = 1024;  // nodes between two looks at the clock

struct Child {
    int job = 0;
    RankedPrefix ranked;
    std::int64_t bound = 0;  // lower bound on every sequence that starts with the child
};

struct Level {
    NodeSums sums;  // of the node at this depth
    std::vector<Child> children;
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
};

bool should_stop(Search& search) {
    if (search.stopped) return true;
    const Limits& limits = search.limits;
    if (limits.work_budget > 0 && search.nodes >= limits.work_budget) search.stopped = true;
    if (stop_raised(limits)) search.stopped = true;
    if (search.nodes % kClockInterval == 0 && past_deadline(limits)) search.stopped = true;
    return search.stopped;
}

void offer(Search& search, int depth, int job, int last, std::int64_t objective) {
    if (objective >= search.best_objective) return;
    search.best_objective = objective;
    search.best_sequence.assign(search.path.begin(), search.path.begin() + depth);
    search.best_sequence.push_back(job);
    if (last >= 0) search.best_sequence.push_back(last);
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

// The larger of the completion bounds and the rests' table for the jobs after `state`, a prefix
// of `placed` jobs whose unplaced jobs' prices sum to price_left.
std::int64_t with_rest_costs(const Search& search, std::int64_t bound, int placed,
                             const PrefixState& state, std::int64_t price_left) {
    if (search.rest_costs == nullptr) return bound;
    return std::max(bound,
                    rest_cost_bound(*search.rest_costs, placed, state.c1, state.c2, price_left));
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
    if (depth == 0)
        prepare_node(search.bounds, search.scheduled, level.sums);
    else
        derive_child(search.bounds, search.levels[depth - 1].sums, search.path[depth - 1],
                     level.sums);
    level.children.clear();
    const RankedPrefix& node = search.before[depth];
    const PrefixPath path{search.path.data(), search.before.data(), depth};
    for (int j : level.sums.unscheduled) {
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
        const std::int64_t rest = with_rest_costs(
            search, child_completion_bound(search.bounds, level.sums, j, child.ranked.state),
            depth + 1, child.ranked.state,
            search.rest_costs == nullptr ? 0
                                         : search.price_left[depth] - search.rest_costs->prices[j]);
        child.bound = child.ranked.state.sum + rest;
        if (child.bound >= search.best_objective) continue;
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

void expand(Search& search, int depth, std::int64_t node_bound) {
    if (should_stop(search)) {
        search.open_bound = std::min(search.open_bound, node_bound);
        return;
    }
    ++search.nodes;
    generate_children(search, depth);
    std::vector<Child>& children = search.levels[depth].children;
    const int after_child = search.n - depth - 1;
    for (std::size_t i = 0; i < children.size(); ++i) {
        const Child& child = children[i];
        if (child.bound >= search.best_objective) break;  // so are the ones after it
        if (search.stopped) {
            search.open_bound = std::min(search.open_bound, child.bound);
            break;
        }
        schedule(search, depth, child);
        const bool dominated =
            after_child >= search.options.record_min_remaining &&
            dominated_or_recorded(search.visited, search.set.data(), search.set_hash, child.ranked,
                                  after_child, depth + 1);
        if (!dominated) expand(search, depth + 1, child.bound);
        unschedule(search, child.job);
    }
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
    {
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

    Search search(times, limits, options);
    search.n = n;
    search.bounds = make_completion_bounds(times, options.bounds);
    search.visited = make_visited_states(n, options.visited_capacity, memory);
    search.scheduled.assign(n, 0);
    search.set.assign(set_words(n), 0);
    search.path.assign(n, 0);
    search.before.assign(n + 1, RankedPrefix{});
    search.levels.resize(n + 1);
    search.best_sequence = start;
    search.best_objective = sequence_objective(times, start);
    const RestCostTable* table = options.rest_costs;
    if (table != nullptr && table->buckets > 0 && table->jobs == n) {
        search.rest_costs = table;
        search.price_left.assign(n + 1, 0);
        for (int j = 0; j < n; ++j)
            search.price_left[0] += table->prices[j];
    }

    ExactResult result;
    const std::int64_t root_bound =
        n == 0 ? 0
               : with_rest_costs(
                     search, completion_bound(search.bounds, search.scheduled, PrefixState{}), 0,
                     PrefixState{}, search.price_left.empty() ? 0 : search.price_left[0]);
    if (n > 0 && root_bound < search.best_objective) expand(search, 0, root_bound);

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
