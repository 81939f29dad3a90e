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
        push_beam_node(run->storage, parent);
        int n_parents = 0;
        int generated = expand_current_beam(*run, n_parents);
        EXPECT_EQ(n_parents, 1);
        EXPECT_FALSE(beam_not_empty(run->storage));
        return generated;
    }
    std::vector<int> ranks(int row) const {
        std::vector<int> r;
        for (int k = 0; k < run->table.n_jobs && rank_at(row, k) != END_OF_ROW; ++k)
            r.push_back(rank_at(row, k));
        return r;
    }
    int rank_at(int row, int k) const { return run->tables.child_rank[row][k]; }
    int64_t score_at(int row, int k) const { return run->tables.child_score[row][k]; }
};

}  // namespace

TEST_F(ChildGeneration, RowsRankByScoreThenGenerationOrder) {
    prepare({{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}});
    reset_row(run->tables, 0);
    rank_child(*run, 0, 0, 50);
    rank_child(*run, 0, 1, 40);
    rank_child(*run, 0, 2, 50);
    rank_child(*run, 0, 3, 40);
    EXPECT_EQ(ranks(0), (std::vector<int>{1, 3, 0, 2}));
    EXPECT_EQ(score_at(0, 0), 40);
    EXPECT_EQ(score_at(0, 3), 50);
    EXPECT_EQ(rank_at(0, 4), END_OF_ROW);
    // A real score of -1 is a score like any other, not the end of the row.
    reset_row(run->tables, 0);
    rank_child(*run, 0, 0, -1);
    rank_child(*run, 0, 1, -1);
    rank_child(*run, 0, 2, -5);
    EXPECT_EQ(ranks(0), (std::vector<int>{2, 0, 1}));
}

TEST_F(ChildGeneration, ChildrenWithOneJobLeftAreCompletedAndReleased) {
    settings.recovery_step = 0;  // completed children are recovered all the same
    prepare({{2, 5}, {4, 1}, {3, 3}, {6, 2}});
    Node* parent = node_with({2, 3});
    EXPECT_EQ(expand(parent), 2);
    EXPECT_EQ(rank_at(0, 0), END_OF_ROW);
    EXPECT_EQ(run->recoveries, 4);
    EXPECT_EQ(run->best.level, 4);
    std::vector<int> best(run->best.seq, run->best.seq + 4);
    EXPECT_EQ(zemko_test::objective_of(best, {{2, 5}, {4, 1}, {3, 3}, {6, 2}}), run->best.fo);
    // The children and then the parent went back to storage, in that order.
    EXPECT_EQ(new_node(run->storage), parent);
    Node* a = new_node(run->storage);
    Node* b = new_node(run->storage);
    EXPECT_NE(a, parent);
    EXPECT_NE(a, b);
}

TEST_F(ChildGeneration, EqualSolutionsDoNotReplaceTheFirst) {
    prepare({{1, 1}, {1, 1}, {5, 5}});
    run->best.fo = 1;  // nothing can beat it
    run->best.seq[0] = 42;
    Node* parent = node_with({2});
    expand(parent);
    EXPECT_EQ(run->best.seq[0], 42);
    EXPECT_EQ(run->best.fo, 1);
}

TEST_F(ChildGeneration, BoundedChildrenEnterTheRowWithTheirBounds) {
    prepare({{3, 5}, {6, 2}, {4, 7}, {2, 2}, {5, 5}});
    Node* parent = node_with({});
    int generated = expand(parent);
    std::vector<int> order = ranks(0);
    ASSERT_EQ(static_cast<int>(order.size()), generated);
    for (size_t r = 0; r < order.size(); ++r) {
        Node* child = child_node(*run, 0, order[r]);
        EXPECT_EQ(child->unscheduled[child->seq[0]], 0);
        EXPECT_EQ(child->level, 1);
        EXPECT_LE(child->lb, child->ub);
        EXPECT_EQ(score_at(0, r), child_score_of(settings.alpha, child->lb, child->ub));
        if (r > 0) {
            EXPECT_GE(score_at(0, r), score_at(0, r - 1));
        }
    }
}
