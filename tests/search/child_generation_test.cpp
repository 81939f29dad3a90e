// Child generation: completed children, bounded children and the ranking of a row.
#include <gtest/gtest.h>

#include "bounds/best_solution.hpp"
#include "schedule/node_storage.hpp"
#include "search/child_generation.hpp"
#include "search/search_fixture.hpp"

using namespace zemko;

namespace {

class ChildGeneration : public zemko_test::SearchTest {
  protected:
    // Expands the beam made of parent alone into row 0; returns the children generated.
    int expand(Node* parent) {
        push_beam_node(parent);
        int n_parents = 0;
        int generated = expand_current_beam(n_parents);
        EXPECT_EQ(n_parents, 1);
        EXPECT_FALSE(beam_not_empty());
        return generated;
    }
    std::vector<int> ranks(int row) const {
        std::vector<int> r;
        for (int k = 0; k < n_jobs && child_rank[row][k] != END_OF_ROW; ++k)
            r.push_back(child_rank[row][k]);
        return r;
    }
};

}  // namespace

TEST_F(ChildGeneration, RowsRankByScoreThenGenerationOrder) {
    prepare({{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}});
    reset_row(0);
    rank_child(0, 0, 50);
    rank_child(0, 1, 40);
    rank_child(0, 2, 50);
    rank_child(0, 3, 40);
    EXPECT_EQ(ranks(0), (std::vector<int>{1, 3, 0, 2}));
    EXPECT_EQ(child_score[0][0], 40);
    EXPECT_EQ(child_score[0][3], 50);
    EXPECT_EQ(child_rank[0][4], END_OF_ROW);
    // A real score of -1 is a score like any other, not the end of the row.
    reset_row(0);
    rank_child(0, 0, -1);
    rank_child(0, 1, -1);
    rank_child(0, 2, -5);
    EXPECT_EQ(ranks(0), (std::vector<int>{2, 0, 1}));
}

TEST_F(ChildGeneration, ScoresBlendTheBoundsWithoutOverflow) {
    prepare({{1, 1}});
    ALPHA = 100;
    EXPECT_EQ(child_score_of(7, 9), 900);
    ALPHA = 0;
    EXPECT_EQ(child_score_of(7, 9), 700);
    ALPHA = 10;
    EXPECT_EQ(child_score_of(1000000000, 1000000000), 100000000000LL);
    ALPHA = -2000000000;
    EXPECT_EQ(child_score_of(1000000000, 0), 2000000100LL * 1000000000LL);
}

TEST_F(ChildGeneration, ChildrenWithOneJobLeftAreCompletedAndReleased) {
    RecoveryStep = 0;  // completed children are recovered all the same
    prepare({{2, 5}, {4, 1}, {3, 3}, {6, 2}});
    Node* parent = node_with({2, 3});
    recoveries = 0;
    EXPECT_EQ(expand(parent), 2);
    EXPECT_EQ(child_rank[0][0], END_OF_ROW);
    EXPECT_EQ(recoveries, 4);
    EXPECT_EQ(best_level, 4);
    std::vector<int> best(best_seq, best_seq + 4);
    EXPECT_EQ(zemko_test::objective_of(best, {{2, 5}, {4, 1}, {3, 3}, {6, 2}}), best_fo);
    // The children and then the parent went back to storage, in that order.
    EXPECT_EQ(new_node(), parent);
    Node* a = new_node();
    Node* b = new_node();
    EXPECT_NE(a, parent);
    EXPECT_NE(a, b);
}

TEST_F(ChildGeneration, EqualSolutionsDoNotReplaceTheFirst) {
    prepare({{1, 1}, {1, 1}, {5, 5}});
    best_fo = 1;  // nothing can beat it
    best_seq[0] = 42;
    Node* parent = node_with({2});
    expand(parent);
    EXPECT_EQ(best_seq[0], 42);
    EXPECT_EQ(best_fo, 1);
}

TEST_F(ChildGeneration, BoundedChildrenEnterTheRowWithTheirBounds) {
    prepare({{3, 5}, {6, 2}, {4, 7}, {2, 2}, {5, 5}});
    Node* parent = node_with({});
    int generated = expand(parent);
    std::vector<int> order = ranks(0);
    ASSERT_EQ(static_cast<int>(order.size()), generated);
    for (size_t r = 0; r < order.size(); ++r) {
        Node* child = child_node(0, order[r]);
        EXPECT_EQ(child->unscheduled[child->seq[0]], 0);
        EXPECT_EQ(child->level, 1);
        EXPECT_LE(child->lb, child->ub);
        EXPECT_EQ(child_score[0][r], child_score_of(child->lb, child->ub));
        if (r > 0) {
            EXPECT_GE(child_score[0][r], child_score[0][r - 1]);
        }
    }
}
