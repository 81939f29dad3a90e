// The recovery step: its moves, the acceptance test and the repeated passes.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "input/jobs.hpp"
#include "search/recovery.hpp"
#include "search/search_fixture.hpp"
#include "support/test_support.hpp"

using namespace zemko;

namespace {

// Jobs A (1, 5) and B (2, 1) scheduled in that order, with `remaining` further jobs unscheduled.
struct PairNode {
    PairNode(std::pair<int, int> a, std::pair<int, int> b, int remaining) {
        std::vector<std::pair<int, int>> times = {a, b};
        for (int i = 0; i < remaining; ++i)
            times.push_back({7, 7});
        table = zemko_test::table_of(times);
        make_root(table, buffer.get());
        append_job(table, buffer.get(), 0);
        append_job(table, buffer.get(), 1);
        buffer.get()->lb = 99;
        buffer.get()->ub = 123;
    }
    Node* node() { return buffer.get(); }
    int recover(int more_loops = 0) { return recover_in_place(table, more_loops, node()); }
    JobTable table;
    NodeBuffer buffer;
};

}  // namespace

TEST(Recovery, ExchangeIsAcceptedWhileTheGainCoversTheDelay) {
    for (int remaining = 0; remaining <= 3; ++remaining) {
        SCOPED_TRACE("remaining jobs " + std::to_string(remaining));
        PairNode pair({1, 5}, {2, 1}, remaining);  // A,B: 13 and 7; B,A: 11 and 8
        ASSERT_EQ(pair.node()->c2sum, 13);
        int changed = pair.recover();
        if (remaining <= 2) {
            EXPECT_EQ(changed, 1);
            EXPECT_EQ(pair.node()->seq[0], 1);
            EXPECT_EQ(pair.node()->seq[1], 0);
            EXPECT_EQ(pair.node()->c2sum, 11);
            EXPECT_EQ(pair.node()->c2, 8);
            EXPECT_EQ(pair.node()->lb, 0);
            EXPECT_EQ(pair.node()->ub, 123);
            EXPECT_EQ(pair.node()->level, 2);
            EXPECT_EQ(pair.node()->c1, 3);
            EXPECT_EQ(pair.node()->unscheduled[0], 0);
        } else {
            EXPECT_EQ(changed, 0);
            EXPECT_EQ(pair.node()->seq[0], 0);
            EXPECT_EQ(pair.node()->lb, 99);
        }
    }
}

TEST(Recovery, AnEqualObjectiveIsNeverAccepted) {
    // (2, 2) and (2, 2) in either order give the same C2sum; B finishing earlier does not help.
    PairNode same({2, 2}, {2, 2}, 0);
    EXPECT_EQ(same.recover(), 0);
    // (3, 5), (4, 1): both orders cost 17, the exchange ends machine 2 later.
    PairNode tie({3, 5}, {4, 1}, 1);
    EXPECT_EQ(tie.recover(), 0);
    EXPECT_EQ(tie.node()->seq[0], 0);
}

TEST(Recovery, AGainEqualToTheDelayEndsAfterOnePass) {
    PairNode pair({1, 5}, {2, 2}, 1);  // A,B: 14 and 8; B,A: 13 and 9
    EXPECT_EQ(pair.recover(1), 1);
    EXPECT_EQ(pair.node()->c2sum, 13);
    EXPECT_EQ(pair.node()->c2, 9);
}

TEST(Recovery, CompleteSequenceTakesTheBestAcceptedMove) {
    for (int more_loops : {0, 1}) {
        Settings settings;
        settings.more_loops = more_loops;
        auto run = zemko_test::search_run_of({{1, 1}, {1, 4}, {1, 2}}, settings);
        NodeBuffer buffer;
        Node* node = buffer.get();
        make_root(run->table, node);
        for (int j : {0, 1, 2})
            append_job(run->table, node, j);
        ASSERT_EQ(node->c2sum, 16);
        EXPECT_EQ(recover_node(*run, node), 1);
        EXPECT_EQ(run->recoveries, 1);  // one call, however many passes
        EXPECT_EQ(node->seq[0], 0);
        EXPECT_EQ(node->seq[1], 2);
        EXPECT_EQ(node->seq[2], 1);
        EXPECT_EQ(node->c2sum, 14);
        EXPECT_EQ(node->c2, 8);
    }
}

TEST(Recovery, ShortNodesAreUntouchedButCounted) {
    auto run = zemko_test::search_run_of({{5, 1}, {1, 5}}, Settings{});
    NodeBuffer buffer;
    Node* node = buffer.get();
    make_root(run->table, node);
    EXPECT_EQ(recover_node(*run, node), 0);
    append_job(run->table, node, 0);
    EXPECT_EQ(recover_node(*run, node), 0);
    EXPECT_EQ(node->seq[0], 0);
    EXPECT_EQ(run->recoveries, 2);
}

// A pass applies one move of the sequence at its start; with MoreLoops further passes may
// lower C2sum more, and every accepted result keeps the same scheduled jobs and objective.
TEST(Recovery, ResultsAreConsistentNodes) {
    for (unsigned seed = 1; seed <= 200; ++seed) {
        const int more_loops = seed % 2;
        int n = 3 + seed % 9;
        auto times = zemko_test::random_times(seed, n, 1, seed % 3 ? 9 : 60);
        const JobTable table = zemko_test::table_of(times);
        NodeBuffer buffer;
        Node* node = buffer.get();
        make_root(table, node);
        int level = 2 + seed % (n - 1);
        std::vector<int> order(n);
        for (int j = 0; j < n; ++j)
            order[j] = j;
        std::shuffle(order.begin(), order.end(), std::mt19937(seed));
        for (int j = 0; j < level; ++j)
            append_job(table, node, order[j]);
        std::vector<int> scheduled(order.begin(), order.begin() + level);
        std::sort(scheduled.begin(), scheduled.end());
        int before = node->c2sum;
        int c1 = node->c1;
        int changed = recover_in_place(table, more_loops, node);
        std::vector<int> seq(node->seq, node->seq + level);
        std::vector<int> sorted = seq;
        std::sort(sorted.begin(), sorted.end());
        ASSERT_EQ(sorted, scheduled);
        ASSERT_EQ(node->c1, c1);
        if (changed)
            ASSERT_LT(node->c2sum, before);
        else
            ASSERT_EQ(node->c2sum, before);
        ASSERT_EQ(zemko_test::objective_of(seq, times), node->c2sum);
    }
}
