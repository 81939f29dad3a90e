// Beam selection: the sweep rule, the beam-width cap and whole levels.
#include <gtest/gtest.h>

#include <climits>

#include "search/beam_search.hpp"
#include "search/beam_selection.hpp"
#include "search/search_fixture.hpp"
#include "search/setup.hpp"

using namespace zemko;

namespace {

class BeamSelection : public zemko_test::SearchTest {
  protected:
    // Fills row p with the given nodes, best first.
    void fill_row(int p, const std::vector<Node*>& nodes) {
        SelectionTables& tables = run->tables;
        reset_row(tables, p);
        for (size_t a = 0; a < nodes.size(); ++a) {
            tables.child_nodes[p][a] = nodes[a];
            tables.child_rank[p][a] = static_cast<int>(a);
            tables.child_score[p][a] = static_cast<int64_t>(a);
        }
    }
};

}  // namespace

TEST_F(BeamSelection, ASweepThatKeepsNothingEndsTheSelection) {
    settings.recovery_step = 0;
    settings.beam = 10;
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
    ASSERT_EQ(select_next_beam(*run, 2, kept_nodes), 2);
    EXPECT_EQ(kept_nodes[0], x1);
    EXPECT_EQ(kept_nodes[1], x2);
    // The third-ranked children were never taken; they go back to storage now.
    release_untaken_children(*run, 2);
    Node* again[4] = {new_node(run->storage), new_node(run->storage), new_node(run->storage),
                      new_node(run->storage)};
    EXPECT_EQ(again[0], z2);
    EXPECT_EQ(again[1], z1);
    EXPECT_EQ(again[2], y2);  // released when dominated
    EXPECT_EQ(again[3], y1);
}

TEST_F(BeamSelection, SelectionStopsAtTheBeamWidth) {
    settings.recovery_step = 0;
    settings.beam = 3;
    prepare({{1, 1}, {1, 3}, {1, 2}, {1, 4}, {2, 2}});
    Node* a = node_with({0});
    Node* b = node_with({1});
    Node* c = node_with({2});
    Node* d = node_with({3});
    fill_row(0, {a, c});
    fill_row(1, {b, d});
    Node* kept_nodes[BEAM_SLOTS];
    ASSERT_EQ(select_next_beam(*run, 2, kept_nodes), 3);
    EXPECT_EQ(kept_nodes[2], c);  // second sweep, first parent
    release_untaken_children(*run, 2);
    EXPECT_EQ(new_node(run->storage), d);
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
    for (const Case& c : cases) {
        Settings settings;
        settings.beam = c.beam;
        settings.pareto_beam = c.pareto;
        std::ostringstream out;
        auto run = zemko_test::search_run_of({{1, 2}, {2, 1}}, settings, &out);
        ASSERT_EQ(setup_search(*run), 0);
        EXPECT_EQ(out.str(), "\nLB = 7, UB = 7\n" + std::string(c.message));
        EXPECT_EQ(run->settings.beam, c.expected);
        EXPECT_EQ(run->tables.rows, c.expected);
    }
}

namespace {

// A whole search on the given jobs: the run when it is over, and its transcript.
struct Searched {
    Searched(const std::vector<std::pair<int, int>>& times, const Settings& settings)
        : run(zemko_test::search_run_of(times, settings, &out)) {
        run_beam_search(*run);
    }
    // The children generated at each level, as the transcript gives them.
    std::vector<int> counts() const {
        const std::string text = out.str();
        const size_t from = text.find("UB = ");
        std::istringstream levels(text.substr(text.find('\n', from) + 1));
        std::vector<int> counts;
        int count;
        char dash;
        while (levels >> count >> dash)
            counts.push_back(count);
        return counts;
    }
    std::ostringstream out;
    std::unique_ptr<StandaloneRun> run;
};

}  // namespace

TEST(WholeLevels, BeamOfOneIsAGreedyDescent) {
    Settings settings;
    settings.beam = 1;
    auto times = zemko_test::random_times(5, 9, 1, 20);
    Searched s(times, settings);
    EXPECT_EQ(s.run->max_beam, 1);
    EXPECT_LE(static_cast<int>(s.counts().size()), 9);
    EXPECT_EQ(
        zemko_test::objective_of(std::vector<int>(s.run->best.seq, s.run->best.seq + 9), times),
        s.run->best.fo);
}

TEST(WholeLevels, AfterTheLastLevelTheBeamIsEmpty) {
    Searched s({{3, 5}, {4, 1}, {2, 2}}, Settings{});
    // Level 0: three children, bounded; level 1: each parent has two jobs left, all completed.
    ASSERT_EQ(s.counts().size(), 2u);
    EXPECT_EQ(s.run->end_level, 1);
    EXPECT_EQ(s.run->best.fo, zemko_test::brute_force_optimum({{3, 5}, {4, 1}, {2, 2}}));
}

TEST(WholeLevels, InstancesWithoutJobsOrWithOneJob) {
    Searched none({}, Settings{});
    EXPECT_EQ(none.counts(), (std::vector<int>{0}));
    EXPECT_EQ(none.run->best.fo, INT_MAX);
    Searched one({{3, 5}}, Settings{});
    EXPECT_EQ(one.counts(), (std::vector<int>{1, 0}));
    EXPECT_EQ(one.run->best.fo, 8);
    EXPECT_EQ(one.run->best.level, 1);
    EXPECT_EQ(one.run->end_level, 1);
}

TEST(WholeLevels, ChildrenThatAreNotTakenDoNotPileUp) {
    // 50 parents of up to 120 children each per level, over 120 levels: one zone suffices
    // only if the children that the selection leaves are given back.
    Searched s(zemko_test::random_times(11, 120, 1, 100), Settings{});
    EXPECT_EQ(s.out.str().find("new zone"), std::string::npos);
    EXPECT_EQ(s.run->storage.lost_nodes, 0);
}
