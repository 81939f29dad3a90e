// The exact search's bounds and dominance rule against exhaustive enumeration on small random
// instances, with times that are positive, zero or negative and often tied.
#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <vector>

#include "exact/completion_bounds.hpp"
#include "exact/exact_test_support.hpp"
#include "exact/prefix_dominance.hpp"
#include "exact/visited_states.hpp"

using namespace zemko;
using zemko_test::best_completion;
using zemko_test::random_jobs;
using zemko_test::SmallRng;

namespace {

struct TimeRange {
    int low, high;
};
// Positive; zeros and ties; negative; large.
constexpr TimeRange RANGES[] = {{1, 20}, {0, 3}, {-10, 10}, {0, 900000}};

CompletionBoundOptions every_bound() {
    CompletionBoundOptions options;
    options.fixed_mixes = {{1, 0}, {1, 1}, {0, 1}, {1, 3}};
    options.pair_tuning_steps = 60;
    options.pair_backlogs = {0, 40};
    return options;
}

std::vector<int> random_prefix(SmallRng& rng, int n, int length) {
    std::vector<int> jobs(n);
    for (int j = 0; j < n; ++j)
        jobs[j] = j;
    for (int k = 0; k < length; ++k)
        std::swap(jobs[k], jobs[rng.between(k, n - 1)]);
    jobs.resize(length);
    return jobs;
}

TEST(CompletionBounds, NeverExceedTheBestCompletionHoweverTheyAreComputed) {
    SmallRng rng{11};
    const CompletionBoundOptions options = every_bound();
    for (int round = 0; round < 3000; ++round) {
        const TimeRange range = RANGES[round % 4];
        const int n = rng.between(2, 9);
        const JobTimes times = random_jobs(rng, n, range.low, range.high);
        const CompletionBounds bounds = make_completion_bounds(times, options);
        const std::vector<int> prefix = random_prefix(rng, n, rng.between(0, n - 2));
        std::vector<char> scheduled(n, 0);
        for (int job : prefix)
            scheduled[job] = 1;
        const PrefixState state = state_of(times, prefix);
        const std::int64_t bound = state.sum + completion_bound(bounds, scheduled, state);
        ASSERT_LE(bound, best_completion(times, prefix)) << "round " << round;

        NodeSums prepared, derived, next;
        prepare_node(bounds, scheduled, prepared);
        prepare_node(bounds, std::vector<char>(n, 0), derived);
        for (int job : prefix) {
            derive_child(bounds, derived, job, next);
            std::swap(derived, next);
        }
        for (int j = 0; j < n; ++j) {
            if (scheduled[j]) continue;
            const PrefixState child = append_job(state, times.p1[j], times.p2[j]);
            const std::int64_t from_node = child_completion_bound(bounds, prepared, j, child);
            ASSERT_EQ(child_completion_bound(bounds, derived, j, child), from_node);
            scheduled[j] = 1;
            ASSERT_EQ(completion_bound(bounds, scheduled, child), from_node);
            scheduled[j] = 0;
            std::vector<int> longer = prefix;
            longer.push_back(j);
            ASSERT_LE(child.sum + from_node, best_completion(times, longer)) << "round " << round;
        }
    }
}

// The tree of all partial sequences shorter than n; node 0 is the empty one.
struct PrefixTree {
    std::vector<RankedPrefix> ranked;
    std::vector<std::int64_t> best;  // best completion
    std::vector<std::vector<int>> children;
    std::map<unsigned, std::vector<int>> by_set;  // set bits -> nodes (the empty set left out)
};

// Adds the node for `ranked` with set `set` and its subtree; returns the node.
int grow(const JobTimes& times, const RankedPrefix& ranked, unsigned set, int length,
         PrefixTree& tree) {
    const int n = times.count();
    const int node = static_cast<int>(tree.ranked.size());
    tree.ranked.push_back(ranked);
    tree.best.push_back(0);
    tree.children.emplace_back();
    if (set != 0) tree.by_set[set].push_back(node);
    std::int64_t best = std::numeric_limits<std::int64_t>::max();
    for (int j = 0; j < n; ++j) {
        if (set & (1u << j)) continue;
        const RankedPrefix next{append_job(ranked.state, times.p1[j], times.p2[j]),
                                ranked.tie_key + tie_weight(length, j)};
        if (length + 1 == n) {
            best = std::min(best, next.state.sum);
            continue;
        }
        const int child = grow(times, next, set | (1u << j), length + 1, tree);
        tree.children[node].push_back(child);
        best = std::min(best, tree.best[child]);
    }
    tree.best[node] = best;
    return node;
}

// The best completion that passes only through nodes not marked dominated.
std::int64_t best_kept(const PrefixTree& tree, const std::vector<char>& dominated, int node) {
    if (tree.children[node].empty()) return tree.best[node];
    std::int64_t best = std::numeric_limits<std::int64_t>::max();
    for (int child : tree.children[node])
        if (!dominated[child]) best = std::min(best, best_kept(tree, dominated, child));
    return best;
}

TEST(PrefixDominance, AppliedToEveryPairItKeepsAnOptimalSequence) {
    SmallRng rng{23};
    for (int round = 0; round < 3000; ++round) {
        const TimeRange range = RANGES[round % 3];
        const int n = rng.between(2, round % 10 == 0 ? 7 : 6);
        const JobTimes times = random_jobs(rng, n, range.low, range.high);
        PrefixTree tree;
        grow(times, RankedPrefix{}, 0, 0, tree);
        std::vector<char> dominated(tree.ranked.size(), 0);
        for (const auto& [set, members] : tree.by_set) {
            const int remaining = n - __builtin_popcount(set);
            for (int a : members)
                for (int b : members)
                    if (a != b && prefix_dominates(tree.ranked[a], tree.ranked[b], remaining)) {
                        dominated[b] = 1;
                        ASSERT_LE(tree.best[a], tree.best[b]) << "round " << round;
                    }
        }
        ASSERT_EQ(best_kept(tree, dominated, 0), tree.best[0]) << "round " << round;
    }
}

TEST(PrefixDominance, EqualStatesKeepExactlyOne) {
    const RankedPrefix a{{5, 9, 20}, 7}, b{{5, 9, 20}, 8};
    EXPECT_TRUE(prefix_dominates(a, b, 3));
    EXPECT_FALSE(prefix_dominates(b, a, 3));
    // A later machine-2 end costs every remaining job: 20 + 3 * 2 is not below 25.
    const RankedPrefix later{{5, 11, 20}, 0}, costlier{{5, 9, 25}, 1};
    EXPECT_FALSE(prefix_dominates(later, costlier, 3));
    EXPECT_TRUE(prefix_dominates(later, costlier, 2));
}

}  // namespace

namespace {

// Records `count` random sets of 60 jobs, then offers each again with a worse prefix; returns
// how many of those the table still rejects.
int recalled(VisitedStates& table, int count) {
    SmallRng rng{77};
    std::vector<std::uint64_t> sets;
    for (int k = 0; k < count; ++k)
        sets.push_back(rng.next() & ((std::uint64_t{1} << 60) - 1));
    auto hash_of = [](std::uint64_t set) {
        std::uint64_t hash = 0;
        for (int j = 0; j < 60; ++j)
            if (set >> j & 1) hash ^= job_hash_key(j);
        return hash;
    };
    const RankedPrefix good{{0, 10, 100}, 5}, worse{{0, 10, 101}, 5};
    for (std::uint64_t set : sets)
        EXPECT_FALSE(dominated_or_recorded(table, &set, hash_of(set), good, 4, 30));
    int rejected = 0;
    for (std::uint64_t set : sets)
        rejected += dominated_or_recorded(table, &set, hash_of(set), worse, 4, 30);
    return rejected;
}

TEST(VisitedStates, GrowsWithoutLosingPrefixesUpToItsCapacityAndNoFurther) {
    VisitedStates roomy = make_visited_states(60, 1 << 16);
    const std::size_t first_slots = roomy.hashes.size();
    // A bucket may fill and drop a prefix before half of all slots are taken: a few only.
    EXPECT_GT(recalled(roomy, 20000), 19500);
    EXPECT_GT(roomy.hashes.size(), first_slots);

    VisitedStates small = make_visited_states(60, 4096);
    EXPECT_LT(recalled(small, 20000), 4096);
    EXPECT_LE(small.hashes.size(), 4096u);
}

}  // namespace
