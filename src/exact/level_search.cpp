// The levels: level k holds partial sequences of k jobs, each as its set of jobs, its backlog
// d = C2 - C1, the sum of its machine-2 completions so far and the prices of its jobs; C1 is
// the sum of the set's p1. A child places one more job; it is kept when its bound is within the
// target, when every job left still has a position left (the filter's last positions), and when
// no kept partial sequence of the same set has a cost and a backlog both at most its own (then
// every completion of it costs at least as much). Of two equal ones the first kept stays. The
// children of a level are made in the order of their parents and jobs, so the levels, and the
// answer, are the same on every run.
//
// Each kept partial sequence keeps its parent's index and its last job, so that a complete one
// leads back to its whole sequence.
#include "exact/level_search.hpp"

#include <algorithm>
#include <bit>

#include "exact/prefix_state.hpp"

namespace zemko {

namespace {

// The child states between two looks at the limits.
constexpr std::size_t LIMITS_INTERVAL = 4096;
constexpr std::uint32_t NO_STATE = 0xffffffffu;
// The hash table of a level has at least this many slots per state, in a power of two.
constexpr std::size_t SLOTS_PER_STATE = 2;

struct Level {
    int words = 0;
    std::vector<std::uint64_t> sets;  // [state * words + w]
    std::vector<Cost> backlog, cost, c1, priced;
    std::vector<std::uint32_t> parent;
    std::vector<std::uint16_t> job;
    std::vector<std::uint32_t> next_of_set;  // the next state of the same set, in the level
    std::vector<char> alive;                 // not dominated by a later one of its set

    std::size_t size() const { return backlog.size(); }
};

// Where a level's states are found by their set: open addressing, a slot holds the first
// state of a set.
struct SetIndex {
    std::vector<std::uint32_t> slots;
    std::uint64_t mask = 0;
};

std::uint64_t set_hash(const std::uint64_t* set, int words) {
    std::uint64_t h = 0x9e3779b97f4a7c15ULL;
    for (int w = 0; w < words; ++w) {
        h ^= set[w] + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
        h *= 0xff51afd7ed558ccdULL;
    }
    return h ^ (h >> 29);
}

bool same_set(const Level& level, std::uint32_t state, const std::uint64_t* set) {
    const std::uint64_t* other = &level.sets[static_cast<std::size_t>(state) * level.words];
    return std::equal(set, set + level.words, other);
}

// The slot of `set`: where its first state is, or the free slot for it.
std::uint32_t& slot_of(SetIndex& index, const Level& level, const std::uint64_t* set) {
    std::uint64_t slot = set_hash(set, level.words) & index.mask;
    while (index.slots[slot] != NO_STATE && !same_set(level, index.slots[slot], set))
        slot = (slot + 1) & index.mask;
    return index.slots[slot];
}

// Makes the index anew with room for `states` states: each set's slot holds its latest state,
// the head of its chain.
void rebuild_index(SetIndex& index, const Level& level, std::size_t states) {
    std::size_t slots = 1024;
    while (slots < 2 * SLOTS_PER_STATE * (states + 1))
        slots *= 2;
    index.slots.assign(slots, NO_STATE);
    index.mask = slots - 1;
    for (std::uint32_t s = 0; s < level.size(); ++s)
        slot_of(index, level, &level.sets[static_cast<std::size_t>(s) * level.words]) = s;
}

// A child: the set with the job, and what the parent's state becomes.
struct Child {
    const std::uint64_t* set;
    Cost backlog, cost, c1, priced;
    std::uint32_t parent;
    std::uint16_t job;
};

// Adds the child unless a state of its set dominates it; marks the states it dominates dead.
void offer_child(Level& level, SetIndex& index, const Child& child) {
    std::uint32_t& first = slot_of(index, level, child.set);
    for (std::uint32_t s = first; s != NO_STATE; s = level.next_of_set[s]) {
        if (!level.alive[s]) continue;
        if (level.cost[s] <= child.cost && level.backlog[s] <= child.backlog) return;
        if (child.cost <= level.cost[s] && child.backlog <= level.backlog[s]) level.alive[s] = 0;
    }
    const std::uint32_t state = static_cast<std::uint32_t>(level.size());
    level.sets.insert(level.sets.end(), child.set, child.set + level.words);
    level.backlog.push_back(child.backlog);
    level.cost.push_back(child.cost);
    level.c1.push_back(child.c1);
    level.priced.push_back(child.priced);
    level.parent.push_back(child.parent);
    level.job.push_back(child.job);
    level.next_of_set.push_back(first);
    level.alive.push_back(1);
    first = state;
}

struct SearchTables {
    const JobTimes& times;
    const RestCostTable& table;
    Cost target;
    Cost all_prices = 0;
    std::vector<std::vector<std::uint64_t>> due;  // [k]: jobs whose last position is k
};

// The children of `parent` of level k, offered to the next level.
void expand_state(const SearchTables& tables, const Level& from, std::uint32_t parent, int k,
                  Level& into, SetIndex& index, std::vector<std::uint64_t>& child_set) {
    const int words = from.words;
    const std::uint64_t* set = &from.sets[static_cast<std::size_t>(parent) * words];
    const Cost c1 = from.c1[parent];
    const PrefixState state{c1, c1 + from.backlog[parent], from.cost[parent]};
    const std::uint64_t* allowed = allowed_jobs(tables.table, k, state.c1, state.c2);
    // A job whose last position is this one must take it.
    int due_left = 0, due_job = -1;
    for (int w = 0; w < words; ++w)
        if (const std::uint64_t bits = tables.due[k][w] & ~set[w]; bits != 0) {
            due_left += std::popcount(bits);
            due_job = 64 * w + std::countr_zero(bits);
        }
    if (due_left > 1) return;
    for (int w = 0; w < words; ++w) {
        std::uint64_t candidates = ~set[w] & (allowed != nullptr ? allowed[w] : ~std::uint64_t{0});
        if (64 * (w + 1) > tables.times.count())
            candidates &= (std::uint64_t{1} << (tables.times.count() - 64 * w)) - 1;
        for (; candidates != 0; candidates &= candidates - 1) {
            const int j = 64 * w + std::countr_zero(candidates);
            if (due_job >= 0 && j != due_job) continue;
            const PrefixState next = append_job(state, tables.times.p1[j], tables.times.p2[j]);
            const Cost priced =
                from.priced[parent] + (tables.table.prices.empty() ? 0 : tables.table.prices[j]);
            if (k + 1 == tables.times.count()) {
                if (next.sum > tables.target) continue;
            } else {
                // Without a rest bound (a backlog below the grid) nothing bounds the rest.
                const Cost rest = rest_cost_bound(tables.table, k + 1, next.c1, next.c2,
                                                  tables.all_prices - priced);
                if (rest != NO_REST_BOUND && next.sum + rest > tables.target) continue;
            }
            std::copy(set, set + words, child_set.begin());
            child_set[j / 64] |= std::uint64_t{1} << (j % 64);
            offer_child(into, index,
                        {child_set.data(), next.c2 - next.c1, next.sum, next.c1, priced, parent,
                         static_cast<std::uint16_t>(j)});
        }
    }
}

// The jobs due at each position: those whose last allowed position it is.
std::vector<std::vector<std::uint64_t>> due_jobs(const RestCostTable& table, int n, int words) {
    std::vector<std::vector<std::uint64_t>> due(n + 1, std::vector<std::uint64_t>(words, 0));
    if (table.words == 0) return due;
    for (int j = 0; j < n; ++j) {
        const int last = table.last_position[j];
        if (last >= 0 && last < n) due[last][j / 64] |= std::uint64_t{1} << (j % 64);
    }
    return due;
}

std::size_t level_bytes(const Level& level) {
    return level.size() * level_state_bytes(level.words * 64);
}

// Whether `bytes` fit the budget, beside what it already holds for the search.
bool fits(const MemoryBudget* memory, const MemoryReservation& held, std::size_t bytes) {
    return memory == nullptr || bytes <= held.bytes() + memory_left(*memory);
}

}  // namespace

std::size_t level_state_bytes(int jobs) {
    const std::size_t words = (static_cast<std::size_t>(jobs) + 63) / 64;
    return words * sizeof(std::uint64_t) + 4 * sizeof(Cost) + 2 * sizeof(std::uint32_t) +
           sizeof(std::uint16_t) + 1 + SLOTS_PER_STATE * 2 * sizeof(std::uint32_t);
}

LevelSearchResult level_search(const JobTimes& times, const RestCostTable& table, Cost target,
                               const Limits& limits, MemoryBudget* memory) {
    LevelSearchResult result;
    const int n = times.count();
    const int words = std::max(1, (n + 63) / 64);
    SearchTables tables{times, table, target, 0, due_jobs(table, n, words)};
    for (const Cost price : table.prices)
        tables.all_prices += price;
    // Every level's parents and jobs stay, to lead back from a complete sequence.
    std::vector<std::vector<std::uint32_t>> parents;
    std::vector<std::vector<std::uint16_t>> jobs;
    std::size_t trail_bytes = 0;  // of parents and jobs
    for (int j = 0; j < n; ++j)
        if (table.words > 0 && table.last_position[j] < 0) {
            result.complete = true;  // a job without a position: no sequence within the target
            return result;
        }
    Level current;
    current.words = words;
    current.sets.assign(words, 0);
    current.backlog = {0};
    current.cost = {0};
    current.c1 = {0};
    current.priced = {0};
    current.parent = {NO_STATE};
    current.job = {0};
    current.next_of_set = {NO_STATE};
    current.alive = {1};
    std::vector<std::uint64_t> child_set(words);
    MemoryReservation held;
    for (int k = 0; k < n; ++k) {
        if (must_stop(limits)) return result;
        Level next;
        next.words = words;
        SetIndex index;
        rebuild_index(index, next, current.size());
        std::size_t made = 0;
        for (std::uint32_t s = 0; s < current.size(); ++s) {
            if (!current.alive[s]) continue;
            expand_state(tables, current, s, k, next, index, child_set);
            if (SLOTS_PER_STATE * next.size() >= index.slots.size())
                rebuild_index(index, next, 2 * next.size());
            if (++made % LIMITS_INTERVAL == 0 &&
                (must_stop(limits) ||
                 !fits(memory, held, level_bytes(current) + level_bytes(next) + trail_bytes)))
                return result;
        }
        long long alive = 0;
        for (const char a : next.alive)
            alive += a;
        result.states.push_back(alive);
        trail_bytes += current.size() * (sizeof(std::uint32_t) + sizeof(std::uint16_t));
        parents.push_back(std::move(current.parent));
        jobs.push_back(std::move(current.job));
        current = std::move(next);
        const std::size_t bytes = level_bytes(current) + trail_bytes;
        result.peak_bytes = std::max(result.peak_bytes, bytes);
        try {
            held = MemoryReservation(memory, bytes);
        } catch (...) {
            return result;
        }
        if (alive == 0) break;
    }
    result.complete = true;
    if (current.size() == 0 || static_cast<int>(result.states.size()) < n) return result;
    std::uint32_t best = NO_STATE;
    for (std::uint32_t s = 0; s < current.size(); ++s)
        if (current.alive[s] && (best == NO_STATE || current.cost[s] < current.cost[best]))
            best = s;
    if (best == NO_STATE) return result;
    result.found = true;
    result.best_objective = current.cost[best];
    result.best_sequence.assign(n, 0);
    std::uint32_t s = best;
    for (int k = n - 1; k >= 0; --k) {
        result.best_sequence[k] = k == n - 1 ? current.job[s] : jobs[k + 1][s];
        s = k == n - 1 ? current.parent[s] : parents[k + 1][s];
    }
    return result;
}

}  // namespace zemko
