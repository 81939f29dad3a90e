// The three skip tests of child generation and the dominance test between kept nodes.
#include <gtest/gtest.h>

#include <algorithm>

#include "input/jobs.hpp"
#include "search/beam_selection.hpp"
#include "search/dominance_rules.hpp"
#include "search/search_fixture.hpp"
#include "support/test_support.hpp"

using namespace zemko;

namespace {

// A root over the given jobs with the dominance matrix built.
struct Root {
    explicit Root(const std::vector<std::pair<int, int>>& times, int filter = 0)
        : filter(filter), table(zemko_test::table_of(times)), dom(new DominanceMatrix) {
        build_dominance_matrix(table, *dom);
        make_root(table, buffer.get());
    }
    // Jobs that no test skips from the node.
    std::vector<int> branched(const Node* node) const {
        std::vector<int> jobs_kept;
        for (int j = 0; j < table.n_jobs; ++j)
            if (node->unscheduled[j] && !pair_skips(node, j) && !min_job_skips(node, j) &&
                !filter_skips(node, j))
                jobs_kept.push_back(j);
        return jobs_kept;
    }
    int pair_skips(const Node* node, int j) const {
        return skip_by_pair_rule(table, *dom, node, j);
    }
    int min_job_skips(const Node* node, int j) const {
        return skip_by_min_job_rule(table, node, j);
    }
    int filter_skips(const Node* node, int j) const {
        return skip_by_filter_rule(table, filter, node, j);
    }
    void append(int j) { append_job(table, node(), j); }
    Node* node() { return buffer.get(); }
    int filter;
    JobTable table;
    std::unique_ptr<DominanceMatrix> dom;
    NodeBuffer buffer;
};

}  // namespace

TEST(SkipTests, DominanceMatrix) {
    Root r({{3, 5}, {3, 5}, {4, 1}, {2, 6}});
    EXPECT_EQ(r.dom->matrix[0][1], 1);  // identical jobs dominate each other
    EXPECT_EQ(r.dom->matrix[1][0], 1);
    EXPECT_EQ(r.dom->matrix[0][0], 0);
    EXPECT_EQ(r.dom->matrix[0][2], 1);
    EXPECT_EQ(r.dom->matrix[2][0], 0);
    EXPECT_EQ(r.dom->matrix[3][0], 1);
    EXPECT_EQ(r.dom->matrix[0][3], 0);
}

TEST(SkipTests, OfIdenticalJobsOnlyTheLowestIndexIsBranchedOn) {
    Root r({{5, 3}, {4, 6}, {5, 3}, {5, 3}, {6, 7}});
    EXPECT_EQ(r.branched(r.node()), (std::vector<int>{0, 1, 4}));
    r.append(0);
    EXPECT_EQ(r.branched(r.node()), (std::vector<int>{1, 2, 4}));
}

TEST(SkipTests, PairRuleComparesTheNextCompletionTimes) {
    // Job 0 is no longer on machine 1 and no shorter on machine 2 than job 1.
    Root r({{2, 3}, {4, 2}, {1, 30}});
    EXPECT_EQ(r.pair_skips(r.node(), 1), 1);  // A(0) = 5 <= A(1) = 6
    r.append(2);                              // machine 2 busy until 31
    EXPECT_EQ(r.pair_skips(r.node(), 1), 0);  // A(0) = 34 > A(1) = 33
    EXPECT_EQ(r.pair_skips(r.node(), 0), 0);  // job 1 does not dominate job 0
}

TEST(SkipTests, MinJobRule) {
    Root r({{2, 3}, {4, 5}});
    EXPECT_EQ(r.min_job_skips(r.node(), 1), 1);
    EXPECT_EQ(r.min_job_skips(r.node(), 0), 0);
    Root s({{4, 3}, {5, 6}});  // job 0 has both minima but is longer on machine 1
    EXPECT_EQ(s.min_job_skips(s.node(), 1), 0);
    Root t({{2, 3}, {2, 3}, {9, 9}});  // equal minima: the lowest index is the job kept
    EXPECT_EQ(t.min_job_skips(t.node(), 1), 1);
    EXPECT_EQ(t.min_job_skips(t.node(), 0), 0);
}

TEST(SkipTests, FilterRuleOnlyWhenSwitchedOn) {
    Root off({{3, 2}, {4, 5}}, 0);
    EXPECT_EQ(off.branched(off.node()), (std::vector<int>{0, 1}));
    Root on({{3, 2}, {4, 5}}, 1);
    EXPECT_EQ(on.branched(on.node()), (std::vector<int>{0}));
    EXPECT_EQ(on.filter_skips(on.node(), 0), 0);  // a job never filters itself
}

// The unscheduled job with the smallest p1, then p2, then index is never skipped.
TEST(SkipTests, SomeJobAlwaysSurvives) {
    for (unsigned seed = 1; seed <= 300; ++seed) {
        int n = 1 + seed % 12;
        auto times = zemko_test::random_times(seed, n, seed % 2 ? 1 : -2, seed % 4 ? 3 : 40);
        Root r(times, seed % 3 == 0);
        Node* node = r.node();
        for (int level = 0; level < n; ++level) {
            std::vector<int> kept = r.branched(node);
            ASSERT_FALSE(kept.empty()) << "seed " << seed << " level " << level;
            int z = -1;
            for (int j = 0; j < n; ++j)
                if (node->unscheduled[j] &&
                    (z < 0 || std::make_pair(times[j].first, times[j].second) <
                                  std::make_pair(times[z].first, times[z].second)))
                    z = j;
            ASSERT_NE(std::find(kept.begin(), kept.end(), z), kept.end());
            append_job(r.table, node, kept[seed % kept.size()]);
        }
    }
}

TEST(NodeDominance, SameSetRuleAndBoundRule) {
    auto run = zemko_test::search_run_of({{1, 1}, {1, 3}, {2, 2}}, Settings{});
    const JobTable& t = run->table;
    NodeBuffer a, b, c;
    for (NodeBuffer* x : {&a, &b, &c})
        make_root(t, x->get());
    append_job(t, a.get(), 0);
    append_job(t, a.get(), 1);  // 7 and 5
    append_job(t, b.get(), 1);
    append_job(t, b.get(), 0);  // 9 and 5
    append_job(t, c.get(), 2);
    append_job(t, c.get(), 0);  // other jobs
    a.get()->lb = 10, a.get()->ub = 20;
    b.get()->lb = 9, b.get()->ub = 30;
    c.get()->lb = 11, c.get()->ub = 20;
    for (int pareto : {0, 2}) {
        run->settings.pareto_beam = pareto;
        EXPECT_EQ(node_dominates(*run, b.get(), a.get()), 1);
        EXPECT_EQ(node_dominates(*run, a.get(), b.get()), 0);
        EXPECT_EQ(node_dominates(*run, a.get(), a.get()), 1);  // the later of equals is dominated
        EXPECT_EQ(node_dominates(*run, c.get(), a.get()), 0);  // the bound rule is off
    }
    run->settings.pareto_beam = 1;
    EXPECT_EQ(node_dominates(*run, c.get(), a.get()), 1);  // lb worse, ub equal
    EXPECT_EQ(node_dominates(*run, a.get(), c.get()), 0);
    EXPECT_EQ(node_dominates(*run, b.get(), c.get()), 0);  // better lb, worse ub: neither
    c.get()->lb = 10;
    EXPECT_EQ(node_dominates(*run, c.get(), a.get()), 0);  // equal pairs do not dominate by bounds
}
