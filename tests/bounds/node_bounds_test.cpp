// Node bounds, the best-solution rule and the greedy completion as an upper bound.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <random>
#include <sstream>

#include "bounds/best_solution.hpp"
#include "bounds/greedy_completion.hpp"
#include "bounds/node_bounds.hpp"
#include "bounds/priority_lists.hpp"
#include "support/test_support.hpp"

using namespace zemko;

namespace {

// An instance with its lists built and a root node, with the best solution cleared.
struct Bounded {
    explicit Bounded(const std::vector<std::pair<int, int>>& times, int perturb = 1,
                     int better_ub = 0)
        : run(std::make_unique<BoundsRun>()) {
        run->table = zemko_test::table_of(times);
        run->settings.perturb = perturb;
        run->settings.better_ub = better_ub;
        run->out = Transcript{&messages};
        build_priority_lists(run->table, perturb, run->lists);
        make_root(run->table, root.get());
    }
    std::vector<int> best() const { return {run->best.seq, run->best.seq + run->table.n_jobs}; }
    int bound(Node* node, int& ub) { return bound_node(*run, node, ub); }
    int bound(int& ub) { return bound(root.get(), ub); }
    int greedy(Node* node) { return greedy_completion(*run, node); }
    void append(Node* node, int j) { append_job(run->table, node, j); }
    std::unique_ptr<BoundsRun> run;
    NodeBuffer root;
    std::ostringstream messages;
};

}  // namespace

TEST(NodeBounds, TwoJobRoot) {
    Bounded b({{3, 5}, {4, 1}}, 0);
    int ub = 0;
    EXPECT_EQ(b.bound(ub), 17);  // largest estimate 16.2, from list 16
    EXPECT_EQ(ub, 17);
    EXPECT_EQ(b.root.get()->lb, 17);
    // Every list costs 17: the completion of list 0 (by p2: job 1 first) is kept.
    EXPECT_EQ(b.run->best.fo, 17);
    EXPECT_EQ(b.best(), (std::vector<int>{1, 0}));
    EXPECT_EQ(b.run->best.level, 0);
}

TEST(NodeBounds, OneJobAndAllZeroRoots) {
    Bounded one({{3, 5}});
    int ub = 0;
    EXPECT_EQ(one.bound(ub), 8);
    EXPECT_EQ(ub, 8);
    EXPECT_EQ(one.run->best.fo, 8);
    EXPECT_EQ(one.run->best.seq[0], 0);
    EXPECT_EQ(one.run->best.level, 0);

    Bounded zeros({{0, 0}, {0, 0}, {0, 0}});
    EXPECT_EQ(zeros.bound(ub), 0);
    EXPECT_EQ(ub, 0);
}

TEST(NodeBounds, EstimatesRoundUpButDropTinyExcess) {
    EXPECT_EQ(lb_from_estimate(40, 1.00000003), 41);
    EXPECT_EQ(lb_from_estimate(41, 0.2), 42);
    EXPECT_EQ(lb_from_estimate(41, 0.0), 41);
    EXPECT_EQ(lb_from_estimate(0, 0.0), 0);
}

TEST(NodeBounds, BoundingWritesOnlyTheLb) {
    Bounded b({{6, 7}, {8, 2}, {5, 9}, {3, 3}});
    Node* node = b.root.get();
    b.append(node, 2);
    node->ub = 1234;
    int seq0 = node->seq[0], c2sum = node->c2sum, c1 = node->c1, c2 = node->c2;
    int ub = 0;
    int lb = b.bound(node, ub);
    EXPECT_EQ(node->lb, lb);
    EXPECT_EQ(node->ub, 1234);
    EXPECT_EQ(node->seq[0], seq0);
    EXPECT_EQ(node->c2sum, c2sum);
    EXPECT_EQ(node->c1, c1);
    EXPECT_EQ(node->c2, c2);
    EXPECT_EQ(node->level, 1);
    EXPECT_EQ(b.run->best.level, 1);
}

TEST(BestSolution, OnlyAStrictlySmallerObjectiveReplacesIt) {
    const JobTable table = zemko_test::table_of({{1, 1}, {2, 2}});
    BestSolution best;
    int first[] = {0, 1};
    int second[] = {1, 0};
    EXPECT_TRUE(offer_solution(best, table, first, 10, 3));
    EXPECT_FALSE(offer_solution(best, table, second, 10, 5));
    EXPECT_EQ(best.seq[0], 0);
    EXPECT_EQ(best.level, 3);
    EXPECT_TRUE(offer_solution(best, table, second, 9, 5));
    EXPECT_EQ(best.seq[0], 1);
    EXPECT_EQ(best.level, 5);
}

TEST(BetterUB, TheGreedyCompletionImprovesTheUbAndIsCounted) {
    const std::vector<std::pair<int, int>> times = {{6, 7}, {8, 2}, {5, 9}};
    Bounded off(times, 1, 0);
    int ub = 0;
    EXPECT_EQ(off.bound(ub), 55);
    EXPECT_EQ(ub, 58);
    EXPECT_EQ(off.run->better_ub_count, 0);

    Bounded on(times, 1, 1);
    EXPECT_EQ(on.bound(ub), 55);
    EXPECT_EQ(ub, 56);
    EXPECT_EQ(on.run->better_ub_count, 1);
    EXPECT_EQ(on.run->best.fo, 56);
    EXPECT_EQ(zemko_test::objective_of(on.best(), times), 56);
    EXPECT_EQ(on.messages.str(), "");  // the greedy UB is above the LB
}

TEST(BetterUB, AGreedyCompletionEqualToTheListUbIsNotCounted) {
    Bounded b({{3, 5}, {4, 1}}, 0, 1);
    int ub = 0;
    b.bound(ub);
    EXPECT_EQ(ub, 17);
    EXPECT_EQ(b.run->better_ub_count, 0);
    EXPECT_EQ(b.best(), (std::vector<int>{1, 0}));  // the list completion came first
}

TEST(BetterUB, AGreedyCompletionBelowTheLbIsFlagged) {
    Bounded b({{6, 7}, {8, 2}, {5, 9}}, 1, 1);
    // Weights beyond 1 inflate every estimate far above any completion.
    for (int k = 0; k < NUM_LISTS; ++k)
        for (int j = 0; j < 3; ++j)
            b.run->lists.prio_weight[k][j] = 50.0;
    int ub = 0;
    int lb = b.bound(ub);
    EXPECT_EQ(b.messages.str(), "<WARNING_LB>");
    EXPECT_GT(lb, ub);
    EXPECT_EQ(ub, 56);
    EXPECT_EQ(b.run->better_ub_count, 1);
}

TEST(GreedyCompletion, TwoJobLookAheadExamples) {
    Bounded two({{3, 5}, {4, 1}});
    EXPECT_EQ(two.greedy(two.root.get()), 17);
    EXPECT_EQ(two.best(), (std::vector<int>{0, 1}));

    Bounded swap({{1, 10}, {2, 1}});
    EXPECT_EQ(swap.greedy(swap.root.get()), 16);
    EXPECT_EQ(swap.best(), (std::vector<int>{1, 0}));

    // Job 2 challenges the current candidate (job 1), not the first one (job 0), and loses.
    Bounded three({{1, 10}, {2, 1}, {3, 1}});
    EXPECT_EQ(three.greedy(three.root.get()), 25);
    EXPECT_EQ(three.best(), (std::vector<int>{1, 2, 0}));
}

TEST(GreedyCompletion, StartsFromTheNodeAndReportsItsLevel) {
    Bounded b({{1, 10}, {2, 1}, {3, 1}, {2, 2}, {4, 3}, {1, 1}, {5, 5}});
    Node* node = b.root.get();
    for (int j : {6, 4, 3, 0, 2})
        b.append(node, j);
    int z = b.greedy(node);
    EXPECT_EQ(b.run->best.level, 5);
    EXPECT_EQ(z, b.run->best.fo);
    std::vector<int> seq = b.best();
    EXPECT_EQ(std::vector<int>(seq.begin(), seq.begin() + 5), (std::vector<int>{6, 4, 3, 0, 2}));
    EXPECT_EQ(
        zemko_test::objective_of(seq, {{1, 10}, {2, 1}, {3, 1}, {2, 2}, {4, 3}, {1, 1}, {5, 5}}),
        z);
    // A full node returns its own C2sum and still competes, but an equal one does not win.
    for (int j : {1, 5})
        b.append(node, j);
    b.run->best.level = 0;
    EXPECT_EQ(b.greedy(node), node->c2sum);
    EXPECT_EQ(b.run->best.level, node->c2sum < z ? 7 : 0);
}

// For many random small instances: the LB never exceeds the best completion of its node, and
// every UB is the objective of a sequence that extends the node.
TEST(BoundsProperty, LbIsAValidBoundAndUbsAreRealObjectives) {
    for (unsigned seed = 1; seed <= 400; ++seed) {
        int n = 1 + seed % 8;
        bool narrow = seed % 2 == 0;
        auto times = zemko_test::random_times(seed, n, narrow ? 1 : 0, narrow ? 4 : 100);
        for (int perturb : {0, 1}) {
            Bounded b(times, perturb, 1);
            Node* node = b.root.get();
            // A random prefix (often empty), then the best completion of that prefix.
            std::vector<int> order(n);
            for (int i = 0; i < n; ++i)
                order[i] = i;
            std::mt19937 rng(seed);
            std::shuffle(order.begin(), order.end(), rng);
            int prefix = seed % 3 == 0 ? static_cast<int>(seed / 3 % n) : 0;
            for (int i = 0; i < prefix; ++i)
                b.append(node, order[i]);
            long long best_tail = LLONG_MAX;
            std::sort(order.begin() + prefix, order.end());
            do {
                best_tail = std::min(best_tail, zemko_test::objective_of(order, times));
            } while (std::next_permutation(order.begin() + prefix, order.end()));

            SCOPED_TRACE("seed " + std::to_string(seed) + " perturb " + std::to_string(perturb));
            reset_best_solution(b.run->best);
            const ListBounds bounds = compute_list_bounds(*b.run, node);
            ASSERT_LE(bounds.lb, best_tail);
            ASSERT_EQ(b.run->best.fo, bounds.list_ub);
            ASSERT_EQ(zemko_test::objective_of(b.best(), times), bounds.list_ub);
            reset_best_solution(b.run->best);
            int greedy = b.greedy(node);
            ASSERT_EQ(zemko_test::objective_of(b.best(), times), greedy);
            ASSERT_GE(greedy, best_tail);
            for (int i = 0; i < prefix; ++i)
                ASSERT_EQ(b.run->best.seq[i], node->seq[i]);
        }
    }
}
