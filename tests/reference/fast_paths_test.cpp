// Every fast path against the plain computation it replaces: child bounds against bound_node,
// the greedy completion of a child against greedy_completion, the listing of children against
// the three skip tests, the recovery step against its plain form, and whole searches level by
// level. Integers must be equal and doubles identical to the bit.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <random>

#include "bounds/best_solution.hpp"
#include "bounds/child_bounds.hpp"
#include "bounds/greedy_completion.hpp"
#include "bounds/list_sums.hpp"
#include "bounds/node_bounds.hpp"
#include "bounds/parent_lists.hpp"
#include "reference/plain_search.hpp"
#include "schedule/node_storage.hpp"
#include "search/beam_search.hpp"
#include "search/beam_selection.hpp"
#include "search/dominance_rules.hpp"
#include "search/recovery.hpp"
#include "search/search_fixture.hpp"
#include "support/test_support.hpp"

using namespace zemko;

namespace {

// A random instance of the kinds the solver meets: wide and narrow ranges (ties), zeros,
// negative times.
std::vector<std::pair<int, int>> instance_for(unsigned seed, int n) {
    switch (seed % 4) {
        case 0:
            return zemko_test::random_times(seed, n, 1, 100);
        case 1:
            return zemko_test::random_times(seed, n, 1, 4);
        case 2:
            return zemko_test::random_times(seed, n, 0, 9);
        default:
            return zemko_test::random_times(seed, n, -5, 30);
    }
}

// A run over the instance with random settings and its tables built.
std::unique_ptr<StandaloneRun> prepare(const std::vector<std::pair<int, int>>& times,
                                       std::mt19937& rng, int vector_form = widest_vector_form()) {
    Settings settings;
    settings.perturb = rng() % 2;
    settings.better_ub = rng() % 2;
    settings.filter = rng() % 2;
    settings.more_loops = rng() % 2;
    auto run = zemko_test::search_run_of(times, settings);
    run->vector_form = vector_form;
    build_dominance_matrix(run->table, run->dom);
    build_priority_lists(run->table, settings.perturb, run->lists);
    build_list_entries(run->table, run->lists, run->entries);
    return run;
}

// A node with a random prefix of `level` jobs.
void random_prefix(const JobTable& table, Node* node, int level, std::mt19937& rng) {
    std::vector<int> order(table.n_jobs);
    for (int i = 0; i < table.n_jobs; ++i)
        order[i] = i;
    std::shuffle(order.begin(), order.end(), rng);
    make_root(table, node);
    for (int i = 0; i < level; ++i)
        append_job(table, node, order[i]);
}

std::vector<int> best(const BoundsRun& run) {
    return {run.best.seq, run.best.seq + run.table.n_jobs};
}

}  // namespace

// Every compiled form of the walks the processor runs (SSE2, AVX2, AVX-512), each against the
// plain bounds.
class ChildBoundsInEveryVectorForm : public testing::TestWithParam<int> {
  protected:
    void SetUp() override {
        if (GetParam() > widest_vector_form()) GTEST_SKIP() << "the processor lacks this form";
    }
};

TEST_P(ChildBoundsInEveryVectorForm, EqualThePlainBounds) {
    ParentLists lists;
    ListSums sums;
    NodeBuffer parent_buffer, child_buffer;
    Node* parent = parent_buffer.get();
    Node* child = child_buffer.get();
    int checked = 0;
    for (unsigned seed = 1; seed <= 150; ++seed) {
        std::mt19937 rng(seed);
        int n = 1 + static_cast<int>(seed % 45);
        auto run = prepare(instance_for(seed, n), rng, GetParam());
        const JobTable& t = run->table;
        for (int level : {0, n / 3, n / 2, n - 2, n - 1}) {
            if (level < 0 || level >= n) continue;
            random_prefix(t, parent, level, rng);
            lists.fill(*run, parent);
            sums.build(lists, run->entries, n);
            for (int j = 0; j < n; ++j) {
                if (!parent->unscheduled[j]) continue;
                SCOPED_TRACE("seed " + std::to_string(seed) + " level " + std::to_string(level) +
                             " job " + std::to_string(j));
                copy_node(t, child, parent);
                append_job(t, child, j);

                reset_best_solution(run->best);
                const ListBounds plain = compute_list_bounds(*run, child);
                std::vector<int> list_seq = best(*run);
                ChildBound fast;
                const double estimate = bound_child_by_walk(*run, lists, parent, j, fast);
                ASSERT_EQ(fast.lb, plain.lb);
                ASSERT_EQ(fast.list_ub, plain.list_ub);
                ASSERT_EQ(std::memcmp(&estimate, &plain.estimate, sizeof(double)), 0);
                ChildBound summed;
                bound_child(*run, lists, &sums, parent, j, summed);
                ASSERT_EQ(summed.lb, plain.lb);
                ASSERT_EQ(summed.list_ub, plain.list_ub);
                ASSERT_EQ(summed.best_list, fast.best_list);
                std::vector<int> fast_seq(n);
                list_completion(*run, parent, j, fast.best_list, fast_seq.data());
                ASSERT_EQ(fast_seq, list_seq);

                reset_best_solution(run->best);
                int greedy = greedy_completion(*run, child);
                ASSERT_EQ(greedy_child(*run, lists, parent, j, fast_seq.data()), greedy);
                ASSERT_EQ(fast_seq, best(*run));
                if (run->settings.better_ub) {
                    ASSERT_EQ(fast.greedy, greedy);
                }
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 3000);
}

INSTANTIATE_TEST_SUITE_P(FastPaths, ChildBoundsInEveryVectorForm, testing::Values(0, 1, 2));

// Each list's estimate for a child as the plain bound computes it, by walking the whole list.
double plain_list_estimate(const BoundsRun& run, const Node* child, int l, int start2) {
    const Job* jobs = run.table.jobs;
    int r1 = child->c1, r2 = start2;
    double estimate = 0.0;
    for (int k = 0; k < run.table.n_jobs; ++k) {
        int j = run.lists.prio_list[l][k];
        if (!child->unscheduled[j]) continue;
        r1 = r1 + jobs[j].p1;
        r2 = r2 + jobs[j].p2;
        double w = run.lists.prio_weight[l][j];
        estimate = estimate + w * (r1 + jobs[j].p2) + (1 - w) * r2;
    }
    return estimate;
}

// The estimates in closed form lie within their slack of the walked ones, and equal them where
// the slack is 0; with times up to the largest the reader accepts, where rounding is largest.
TEST(FastPaths, EstimatesInClosedFormStayWithinTheirSlack) {
    ParentLists lists;
    ListSums sums;
    NodeBuffer parent_buffer, child_buffer;
    Node* parent = parent_buffer.get();
    Node* child = child_buffer.get();
    int exact_lanes = 0, inexact_lanes = 0;
    for (unsigned seed = 1; seed <= 120; ++seed) {
        std::mt19937 rng(seed);
        const int n = 2 + static_cast<int>(seed % 70);
        const int largest = static_cast<int>(MAX_TIME_PRODUCT / (2LL * n * n));
        const int low = seed % 3 == 0 ? -largest / 8 : 0;
        auto run = prepare(zemko_test::random_times(seed, n, low, largest), rng);
        const JobTable& t = run->table;
        ASSERT_TRUE(list_sums_apply(run->entries));
        random_prefix(t, parent, static_cast<int>(rng() % (n - 1)), rng);
        lists.fill(*run, parent);
        sums.build(lists, run->entries, n);
        for (int j = 0; j < n; ++j) {
            if (!parent->unscheduled[j]) continue;
            copy_node(t, child, parent);
            append_job(t, child, j);
            int start2 = child->c2;
            for (int k = 0; k < n; ++k)
                if (child->unscheduled[run->lists.order_p1[k].job]) {
                    start2 = std::max(start2, child->c1 + run->lists.order_p1[k].key);
                    break;
                }
            SummedEstimates summed;
            sum_child_estimates(sums, lists, j, child->c1, start2, summed);
            for (int l = 0; l < NUM_LISTS; ++l) {
                SCOPED_TRACE("seed " + std::to_string(seed) + " job " + std::to_string(j) +
                             " list " + std::to_string(l));
                const double walked = plain_list_estimate(*run, child, l, start2);
                if (summed.slack[l] == 0.0) {
                    ASSERT_EQ(summed.estimate[l], walked);
                    ++exact_lanes;
                } else {
                    ASSERT_LE(std::fabs(summed.estimate[l] - walked), summed.slack[l]);
                    ++inexact_lanes;
                }
            }
        }
    }
    // Without tuning, the lists with weights 0, 1/2 and 1 are the exact ones.
    EXPECT_GT(exact_lanes, 1000);
    EXPECT_GT(inexact_lanes, 10000);
}

// Lists derived from a parent's lists give the same walks as lists filled for the child.
TEST(FastPaths, DerivedListsEqualFilledLists) {
    ParentLists parent_lists, derived, filled;
    NodeBuffer parent_buffer, child_buffer;
    Node* parent = parent_buffer.get();
    Node* child = child_buffer.get();
    for (unsigned seed = 1; seed <= 200; ++seed) {
        std::mt19937 rng(seed);
        int n = 2 + static_cast<int>(seed % 50);
        auto run = prepare(instance_for(seed, n), rng);
        const JobTable& t = run->table;
        random_prefix(t, parent, static_cast<int>(rng() % (n - 1)), rng);
        parent_lists.fill(*run, parent);
        int j = 0;
        for (int skip = static_cast<int>(rng() % (n - parent->level));
             !parent->unscheduled[j] || skip-- > 0;)
            ++j;
        copy_node(t, child, parent);
        append_job(t, child, j);
        filled.fill(*run, child);
        derived.derive(*run, parent_lists, j);
        const int m = filled.unscheduled;
        ASSERT_EQ(derived.unscheduled, m);
        const size_t cells = static_cast<size_t>(m) * LIST_LANES;
        ASSERT_TRUE(std::equal(filled.p1, filled.p1 + cells, derived.p1));
        ASSERT_TRUE(std::equal(filled.p2, filled.p2 + cells, derived.p2));
        ASSERT_TRUE(std::equal(filled.w, filled.w + cells, derived.w));
        ASSERT_TRUE(std::equal(filled.by_p1, filled.by_p1 + m, derived.by_p1));
        for (int i = 0; i < n; ++i) {
            if (!child->unscheduled[i]) continue;
            for (int l = 0; l < LIST_LANES; ++l)
                ASSERT_EQ(derived.position[i * LIST_LANES + l],
                          filled.position[i * LIST_LANES + l]);
        }
    }
}

TEST(FastPaths, ListedChildrenAreThoseTheSkipTestsLetThrough) {
    NodeBuffer buffer;
    Node* node = buffer.get();
    for (unsigned seed = 1; seed <= 400; ++seed) {
        std::mt19937 rng(seed);
        int n = 1 + static_cast<int>(seed % 60);
        auto run = prepare(instance_for(seed, n), rng);
        const JobTable& t = run->table;
        const int filter = run->settings.filter;
        random_prefix(t, node, static_cast<int>(rng() % n), rng);
        std::vector<int> plain;
        for (int j = 0; j < n; ++j)
            if (node->unscheduled[j] && !skip_by_pair_rule(t, run->dom, node, j) &&
                !skip_by_min_job_rule(t, node, j) && !skip_by_filter_rule(t, filter, node, j))
                plain.push_back(j);
        std::vector<int> fast(n);
        fast.resize(list_children(t, run->lists, filter, node, fast.data()));
        ASSERT_EQ(fast, plain) << "seed " << seed;
    }
}

TEST(FastPaths, RecoveryEqualsThePlainStep) {
    NodeBuffer a_buffer, b_buffer;
    Node* a = a_buffer.get();
    Node* b = b_buffer.get();
    int changed = 0;
    for (unsigned seed = 1; seed <= 3000; ++seed) {
        std::mt19937 rng(seed);
        int n = 2 + static_cast<int>(seed % 40);
        auto run = prepare(instance_for(seed, n), rng);
        random_prefix(run->table, a, 2 + static_cast<int>(rng() % (n - 1)), rng);
        a->lb = 7;
        a->ub = 9;
        copy_node(run->table, b, a);
        b->ub = 9;
        int plain = zemko_reference::recover_node_plain(*run, a);
        int fast = recover_in_place(run->table, run->settings.more_loops, b);
        ASSERT_EQ(fast, plain) << "seed " << seed;
        changed += plain;
        ASSERT_EQ(std::vector<int>(b->seq, b->seq + b->level),
                  std::vector<int>(a->seq, a->seq + a->level));
        ASSERT_EQ(b->c2sum, a->c2sum);
        ASSERT_EQ(b->c2, a->c2);
        ASSERT_EQ(b->c1, a->c1);
        ASSERT_EQ(b->lb, a->lb);
        ASSERT_EQ(b->ub, a->ub);
    }
    EXPECT_GT(changed, 500);
}

namespace {

struct SearchOutcome {
    std::string output;
    int best_fo, best_level, end_level, max_beam, recoveries, better_ub_count, lost_nodes;
    std::vector<int> best_seq;
    bool operator==(const SearchOutcome&) const = default;
};

// A whole search with the fast or the plain level expansion, on `threads` threads.
SearchOutcome run_search(const std::vector<std::pair<int, int>>& times, int route,
                         const Settings& settings, bool plain, int threads) {
    std::ostringstream out;
    auto run = zemko_test::search_run_of(times, settings, &out);
    for (int i = 0; i < run->table.n_jobs; ++i)
        run->table.jobs[i].route = route;
    run->context.pool.resize(threads);
    run_beam_search(*run, plain ? zemko_reference::expand_level_plain : nullptr);
    return {out.str(),     run->best.fo,    run->best.level,      run->end_level,
            run->max_beam, run->recoveries, run->better_ub_count, run->storage.lost_nodes,
            best(*run)};
}

}  // namespace

// Searches of different sizes in one process, as in tests and fuzzing: a larger instance with a
// narrow beam moves the table of the parents' lists and lays out only a few of them again; a
// wide search of the first size after it must not use the places the others had.
TEST(FastPaths, SearchesOfChangingSizesInOneProcess) {
    const std::pair<int, int> runs[] = {{30, 50}, {60, 2}, {30, 50}, {12, 50}, {45, 3}, {12, 50}};
    for (auto [n, beam] : runs) {
        auto times = zemko_test::random_times(static_cast<unsigned>(n), n, 1, 60);
        Settings settings;
        settings.beam = beam;
        SearchOutcome plain = run_search(times, 1, settings, true, 1);
        SearchOutcome fast = run_search(times, 1, settings, false, 2);
        ASSERT_TRUE(fast == plain) << "n " << n << " beam " << beam;
    }
}

TEST(FastPaths, WholeSearchesEqualThePlainSearch) {
    for (unsigned seed = 1; seed <= 120; ++seed) {
        std::mt19937 rng(seed);
        int n = static_cast<int>(rng() % 36);
        auto times = instance_for(seed, n);
        std::mt19937 settings_rng(seed * 7919);
        Settings settings;
        settings.perturb = settings_rng() % 2;
        settings.alpha = std::vector<int>{10, 0, 100, 50, -20}[settings_rng() % 5];
        settings.output = std::vector<int>{0, 1, 2}[settings_rng() % 3];
        settings.beam = std::vector<int>{50, 1, 2, 7, 20}[settings_rng() % 5];
        settings.filter = settings_rng() % 2;
        settings.pareto_beam = n <= 12 ? settings_rng() % 3 : 0;
        settings.better_ub = settings_rng() % 2;
        settings.recovery_step = settings_rng() % 4 != 0;
        settings.more_loops = settings_rng() % 2;
        int route = seed % 5 == 0 ? 2 : 1;
        SearchOutcome plain = run_search(times, route, settings, true, 1);
        for (int threads : {1, 2, 3}) {
            SearchOutcome fast = run_search(times, route, settings, false, threads);
            ASSERT_TRUE(fast == plain) << "seed " << seed << " threads " << threads << "\n"
                                       << fast.output << "\n---\n"
                                       << plain.output;
        }
    }
}
