// Why the search is exact: every sequence within the target passes only kept arcs (an arc is
// deleted when even the cheapest relaxed path through it, a bound on every sequence through it,
// exceeds the target), and every prefix of it has a bound within the target. Of two partial
// sequences of the same jobs, one that ends no later on machine 2 at no greater sum is followed
// by every completion at no greater cost, so keeping it alone loses no least objective.
#include "tools/proof_levels.hpp"

#include <algorithm>
#include <limits>
#include <vector>

namespace zemko_tools {

namespace {

constexpr std::int64_t NONE = std::numeric_limits<std::int64_t>::max() / 8;
constexpr std::size_t MOST_BACKLOGS = std::size_t{1} << 26;  // states of the tables, in all
constexpr int MOST_ROUNDS = 8;

std::int64_t ceil_div(std::int64_t value, std::int64_t divisor) {
    std::int64_t q = value / divisor;
    if (value % divisor != 0 && value > 0) ++q;
    return q;
}

// The relaxed paths over backlogs [low, high[k]] at each level: the cheapest priced prefix into
// each state, the cheapest rest out of it, and which arcs (state, job) are kept.
struct Network {
    int n = 0, words = 0;
    std::int64_t low = 0;
    std::vector<std::int64_t> high;
    std::vector<std::vector<std::int64_t>> into, rest;
    std::vector<std::vector<std::uint64_t>> kept;  // [k][(d - low) * words + j / 64]
};

std::int64_t after_of(const ProofSummary& s, std::int64_t d, int j) {
    return std::max<std::int64_t>(d - s.p1[j], 0) + s.p2[j];
}

bool is_kept(const Network& net, int k, std::int64_t d, int j) {
    return (net.kept[k][static_cast<std::size_t>(d - net.low) * net.words + j / 64] >> (j % 64)) &
           1;
}

std::int64_t step_cost(const ProofSummary& s, std::int64_t scale, int k, int j,
                       std::int64_t after) {
    const int n = static_cast<int>(s.p1.size());
    return scale * (n - k) * s.p1[j] - s.prices[j] + scale * after;
}

bool make_network(const ProofSummary& s, Network& net) {
    const int n = static_cast<int>(s.p1.size());
    net.n = n;
    net.words = (n + 63) / 64;
    net.low = 0;
    for (int j = 0; j < n; ++j)
        net.low = std::min(net.low, s.p2[j]);
    net.high.assign(n + 1, 0);
    std::size_t states = 1;
    for (int k = 0; k < n; ++k) {
        std::int64_t top = net.low;
        for (int j = 0; j < n; ++j)
            top = std::max(top, after_of(s, net.high[k], j));
        net.high[k + 1] = top;
        states += static_cast<std::size_t>(top - net.low + 1);
        if (states * static_cast<std::size_t>(net.words + 2) > MOST_BACKLOGS) return false;
    }
    net.into.resize(n + 1);
    net.rest.resize(n + 1);
    net.kept.resize(n + 1);
    for (int k = 0; k <= n; ++k) {
        const std::size_t width = static_cast<std::size_t>(net.high[k] - net.low + 1);
        net.kept[k].assign(width * net.words, ~std::uint64_t{0});
    }
    return true;
}

void compute_into(const ProofSummary& s, std::int64_t scale, Network& net) {
    for (int k = 0; k <= net.n; ++k)
        net.into[k].assign(static_cast<std::size_t>(net.high[k] - net.low + 1), NONE);
    net.into[0][-net.low] = 0;
    for (int k = 0; k < net.n; ++k)
        for (std::int64_t d = net.low; d <= net.high[k]; ++d) {
            const std::int64_t here = net.into[k][d - net.low];
            if (here >= NONE) continue;
            for (int j = 0; j < net.n; ++j) {
                if (!is_kept(net, k, d, j)) continue;
                const std::int64_t after = after_of(s, d, j);
                std::int64_t& slot = net.into[k + 1][after - net.low];
                slot = std::min(slot, here + step_cost(s, scale, k, j, after));
            }
        }
}

void compute_rest(const ProofSummary& s, std::int64_t scale, Network& net) {
    net.rest[net.n].assign(static_cast<std::size_t>(net.high[net.n] - net.low + 1), 0);
    for (int k = net.n - 1; k >= 0; --k) {
        net.rest[k].assign(static_cast<std::size_t>(net.high[k] - net.low + 1), NONE);
        for (std::int64_t d = net.low; d <= net.high[k]; ++d)
            for (int j = 0; j < net.n; ++j) {
                if (!is_kept(net, k, d, j)) continue;
                const std::int64_t after = after_of(s, d, j);
                const std::int64_t next = net.rest[k + 1][after - net.low];
                if (next >= NONE) continue;
                std::int64_t& slot = net.rest[k][d - net.low];
                slot = std::min(slot, step_cost(s, scale, k, j, after) + next);
            }
    }
}

// One filtering; returns the arcs it deleted.
long long delete_arcs(const ProofSummary& s, std::int64_t scale, std::int64_t keep_at_most,
                      Network& net) {
    long long deleted = 0;
    for (int k = 0; k < net.n; ++k)
        for (std::int64_t d = net.low; d <= net.high[k]; ++d)
            for (int j = 0; j < net.n; ++j) {
                if (!is_kept(net, k, d, j)) continue;
                const std::int64_t here = net.into[k][d - net.low];
                const std::int64_t after = after_of(s, d, j);
                const std::int64_t next = net.rest[k + 1][after - net.low];
                if (here < NONE && next < NONE &&
                    here + step_cost(s, scale, k, j, after) + next <= keep_at_most)
                    continue;
                net.kept[k][static_cast<std::size_t>(d - net.low) * net.words + j / 64] &=
                    ~(std::uint64_t{1} << (j % 64));
                ++deleted;
            }
    return deleted;
}

// A partial sequence of a level.
struct Partial {
    std::int64_t c1 = 0, c2 = 0, sum = 0, price_left = 0;
    std::uint32_t same_jobs = 0;  // the next kept partial sequence of the same jobs, or NO_NEXT
    bool beaten = false;          // another of the same jobs is no worse on both
};
constexpr std::uint32_t NO_NEXT = 0xffffffffu;

// A level: its partial sequences, their sets of jobs side by side, and a table that finds the
// first of each set.
struct LevelOf {
    int words = 0;
    std::vector<Partial> partials;
    std::vector<std::uint64_t> sets;
    std::vector<std::uint32_t> first;  // open addressing by the set's hash
};

std::uint64_t hash_of(const std::uint64_t* set, int words) {
    std::uint64_t h = 1469598103934665603ULL;
    for (int w = 0; w < words; ++w) {
        h ^= set[w];
        h *= 1099511628211ULL;
        h ^= h >> 31;
    }
    return h;
}

std::uint32_t& first_of(LevelOf& level, const std::uint64_t* set) {
    const std::size_t mask = level.first.size() - 1;
    for (std::size_t slot = hash_of(set, level.words) & mask;; slot = (slot + 1) & mask) {
        const std::uint32_t at = level.first[slot];
        if (at == NO_NEXT || std::equal(set, set + level.words,
                                        &level.sets[static_cast<std::size_t>(at) * level.words]))
            return level.first[slot];
    }
}

// Keeps the table of firsts at least four times as large as the level.
void make_room(LevelOf& level) {
    if (level.first.size() >= 4 * (level.partials.size() + 1)) return;
    std::size_t size = 1024;
    while (size < 8 * (level.partials.size() + 1))
        size *= 2;
    level.first.assign(size, NO_NEXT);
    for (std::uint32_t p = 0; p < level.partials.size(); ++p)
        first_of(level, &level.sets[static_cast<std::size_t>(p) * level.words]) = p;
}

void add_partial(LevelOf& level, const std::uint64_t* set, const Partial& partial) {
    make_room(level);
    std::uint32_t& head = first_of(level, set);
    for (std::uint32_t p = head; p != NO_NEXT; p = level.partials[p].same_jobs) {
        Partial& other = level.partials[p];
        if (other.beaten) continue;
        if (other.sum <= partial.sum && other.c2 <= partial.c2) return;
        if (partial.sum <= other.sum && partial.c2 <= other.c2) other.beaten = true;
    }
    Partial added = partial;
    added.same_jobs = head;
    head = static_cast<std::uint32_t>(level.partials.size());
    level.partials.push_back(added);
    level.sets.insert(level.sets.end(), set, set + level.words);
}

}  // namespace

LevelCheck sequences_within(const ProofSummary& s, std::int64_t scale, std::int64_t target,
                            long long state_budget) {
    LevelCheck check;
    Network net;
    if (!make_network(s, net)) return check;
    const int n = net.n;
    std::int64_t price_sum = 0;
    for (const std::int64_t price : s.prices)
        price_sum += price;
    const std::int64_t keep_at_most = scale * target - price_sum;
    for (int round = 0; round < MOST_ROUNDS; ++round) {
        compute_into(s, scale, net);
        compute_rest(s, scale, net);
        if (delete_arcs(s, scale, keep_at_most, net) == 0) break;
    }
    compute_rest(s, scale, net);

    LevelOf level;
    level.words = net.words;
    std::vector<std::uint64_t> set(net.words, 0), child(net.words);
    Partial root;
    root.price_left = price_sum;
    add_partial(level, set.data(), root);
    for (int k = 0; k < n; ++k) {
        LevelOf next;
        next.words = net.words;
        for (std::uint32_t p = 0; p < level.partials.size(); ++p) {
            const Partial& from = level.partials[p];
            if (from.beaten) continue;
            const std::uint64_t* jobs = &level.sets[static_cast<std::size_t>(p) * net.words];
            const std::int64_t d = from.c2 - from.c1;
            for (int j = 0; j < n; ++j) {
                if (((jobs[j / 64] >> (j % 64)) & 1) || !is_kept(net, k, d, j)) continue;
                Partial to;
                to.c1 = from.c1 + s.p1[j];
                to.c2 = std::max(to.c1, from.c2) + s.p2[j];
                to.sum = from.sum + to.c2;
                to.price_left = from.price_left - s.prices[j];
                if (k + 1 == n) {
                    if (to.sum <= target && (!check.within || to.sum < *check.within))
                        check.within = to.sum;
                    continue;
                }
                const std::int64_t rest = net.rest[k + 1][to.c2 - to.c1 - net.low];
                if (rest >= NONE) continue;
                if (to.sum + (n - k - 1) * to.c1 + ceil_div(rest + to.price_left, scale) > target)
                    continue;
                std::copy(jobs, jobs + net.words, child.begin());
                child[j / 64] |= std::uint64_t{1} << (j % 64);
                add_partial(next, child.data(), to);
            }
            if (static_cast<long long>(next.partials.size()) > state_budget) return check;
        }
        check.most_states = std::max<long long>(check.most_states, next.partials.size());
        level = std::move(next);
    }
    check.settled = true;
    return check;
}

}  // namespace zemko_tools
