// Beam selection: the sweep rule, the beam-width cap and whole levels.
#include <gtest/gtest.h>

#include "search/beam_selection.hpp"
#include "search/search_fixture.hpp"
#include "search/setup.hpp"

using namespace zemko;

namespace {

class BeamSelection : public zemko_test::SearchTest {
  protected:
    // Fills row p with the given nodes, best first.
    void fill_row(int p, const std::vector<Node*>& nodes) {
        reset_row(p);
        for (size_t a = 0; a < nodes.size(); ++a) {
            child_nodes[p][a] = nodes[a];
            child_rank[p][a] = static_cast<int>(a);
            child_score[p][a] = static_cast<int64_t>(a);
        }
    }
};

}  // namespace

TEST_F(BeamSelection, ASweepThatKeepsNothingEndsTheSelection) {
    RecoveryStep = 0;
    Beam = 10;
    // [1,0] is dominated by [0,1] and [3,2] by [2,3]: same jobs, later and costlier.
    prepare({{1, 1}, {1, 3}, {1, 1}, {1, 3}, {2, 2}});
    Node* x1 = node_with({0, 1});
    Node* y1 = node_with({3, 2});
    Node* z1 = node_with({0, 4});
    Node* x2 = node_with({2, 3});
    Node* y2 = node_with({1, 0});
    Node* z2 = node_with({2, 4});
    fill_row(0, {x1, y1, z1});
    fill_row(1, {x2, y2, z2});
    Node* kept_nodes[BEAM_SLOTS];
    ASSERT_EQ(select_next_beam(2, kept_nodes), 2);
    EXPECT_EQ(kept_nodes[0], x1);
    EXPECT_EQ(kept_nodes[1], x2);
    // The third-ranked children were never taken; they go back to storage now.
    release_untaken_children(2);
    Node* again[4] = {new_node(), new_node(), new_node(), new_node()};
    EXPECT_EQ(again[0], z2);
    EXPECT_EQ(again[1], z1);
    EXPECT_EQ(again[2], y2);  // released when dominated
    EXPECT_EQ(again[3], y1);
}

TEST_F(BeamSelection, SelectionStopsAtTheBeamWidth) {
    RecoveryStep = 0;
    Beam = 3;
    prepare({{1, 1}, {1, 3}, {1, 2}, {1, 4}, {2, 2}});
    Node* a = node_with({0});
    Node* b = node_with({1});
    Node* c = node_with({2});
    Node* d = node_with({3});
    fill_row(0, {a, c});
    fill_row(1, {b, d});
    Node* kept_nodes[BEAM_SLOTS];
    ASSERT_EQ(select_next_beam(2, kept_nodes), 3);
    EXPECT_EQ(kept_nodes[2], c);  // second sweep, first parent
    release_untaken_children(2);
    EXPECT_EQ(new_node(), d);
}

TEST(BeamCap, BeamWidthIsCappedAndRaised) {
    struct Case {
        int beam, pareto, expected;
        const char* message;
    } cases[] = {
        {5000, 0, 5000, ""},
        {5001, 0, 4999, ""},
        {10, 2, 4999, ""},
        {10, 1, 4999, ""},
        {0, 0, 1, "\nWarning : Beam must be at least 1, using 1\n"},
        {-7, 0, 1, "\nWarning : Beam must be at least 1, using 1\n"},
    };
    zemko_test::set_jobs({{1, 2}, {2, 1}});
    for (const Case& c : cases) {
        set_default_settings();
        Beam = c.beam;
        ParetoBeam = c.pareto;
        testing::internal::CaptureStdout();
        alloc_selection_tables();
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.message);
        EXPECT_EQ(Beam, c.expected);
        EXPECT_EQ(selection_rows, c.expected);
        free_selection_tables();
    }
}

namespace {

// Runs a whole search on the given jobs with the current settings; returns the levels' counts.
std::vector<int> search(const std::vector<std::pair<int, int>>& times,
                        int* zones_at_end = nullptr) {
    zemko_test::set_jobs(times);
    reset_best_solution();
    testing::internal::CaptureStdout();
    std::vector<int> counts;
    if (setup_search() == 0) {
        do
            counts.push_back(expand_level());
        while (beam_not_empty());
    }
    if (zones_at_end) *zones_at_end = zones_live;
    release_all_memory();
    testing::internal::GetCapturedStdout();
    return counts;
}

}  // namespace

TEST(WholeLevels, BeamOfOneIsAGreedyDescent) {
    set_default_settings();
    Beam = 1;
    auto times = zemko_test::random_times(5, 9, 1, 20);
    std::vector<int> counts = search(times);
    EXPECT_EQ(max_beam, 1);
    EXPECT_LE(static_cast<int>(counts.size()), 9);
    EXPECT_EQ(zemko_test::objective_of(std::vector<int>(best_seq, best_seq + 9), times), best_fo);
}

TEST(WholeLevels, AfterTheLastLevelTheBeamIsEmpty) {
    set_default_settings();
    std::vector<int> counts = search({{3, 5}, {4, 1}, {2, 2}});
    // Level 0: three children, bounded; level 1: each parent has two jobs left, all completed.
    ASSERT_EQ(counts.size(), 2u);
    EXPECT_EQ(end_level, 1);
    EXPECT_EQ(best_fo, zemko_test::brute_force_optimum({{3, 5}, {4, 1}, {2, 2}}));
}

TEST(WholeLevels, InstancesWithoutJobsOrWithOneJob) {
    set_default_settings();
    EXPECT_EQ(search({}), (std::vector<int>{0}));
    EXPECT_EQ(best_fo, INT_MAX);
    EXPECT_EQ(search({{3, 5}}), (std::vector<int>{1, 0}));
    EXPECT_EQ(best_fo, 8);
    EXPECT_EQ(best_level, 1);
    EXPECT_EQ(end_level, 1);
}

TEST(WholeLevels, ChildrenThatAreNotTakenDoNotPileUp) {
    // 50 parents of up to 120 children each per level, over 120 levels: one zone suffices
    // only if the children that the selection leaves are given back.
    set_default_settings();
    int zones = 0;
    search(zemko_test::random_times(11, 120, 1, 100), &zones);
    EXPECT_EQ(zones, 1);
    EXPECT_EQ(lost_nodes, 0);
}
