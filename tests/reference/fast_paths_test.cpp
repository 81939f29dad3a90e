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
#include "input/settings.hpp"
#include "reference/plain_search.hpp"
#include "schedule/node_storage.hpp"
#include "search/beam_selection.hpp"
#include "search/dominance_rules.hpp"
#include "search/recovery.hpp"
#include "search/setup.hpp"
#include "search/thread_pool.hpp"
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

// Loads the instance with the given settings and builds the run's tables.
void prepare(const std::vector<std::pair<int, int>>& times, std::mt19937& rng) {
    set_default_settings();
    Perturb = rng() % 2;
    BetterUB = rng() % 2;
    Filter = rng() % 2;
    MoreLoops = rng() % 2;
    zemko_test::set_jobs(times);
    build_dominance_matrix();
    build_priority_lists();
    build_list_entries();
}

// A node with a random prefix of `level` jobs.
void random_prefix(Node* node, int level, std::mt19937& rng) {
    std::vector<int> order(n_jobs);
    for (int i = 0; i < n_jobs; ++i)
        order[i] = i;
    std::shuffle(order.begin(), order.end(), rng);
    make_root(node);
    for (int i = 0; i < level; ++i)
        append_job(node, order[i]);
}

std::vector<int> best() {
    return {best_seq, best_seq + n_jobs};
}

}  // namespace

// Every compiled form of the walks the processor runs (SSE2, AVX2, AVX-512), each against the
// plain bounds.
class ChildBoundsInEveryVectorForm : public testing::TestWithParam<int> {
  protected:
    void SetUp() override {
        if (GetParam() > widest_vector_form()) GTEST_SKIP() << "the processor lacks this form";
        use_vector_level(GetParam());
    }
    void TearDown() override { use_vector_level(widest_vector_form()); }
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
        prepare(instance_for(seed, n), rng);
        for (int level : {0, n / 3, n / 2, n - 2, n - 1}) {
            if (level < 0 || level >= n) continue;
            random_prefix(parent, level, rng);
            lists.fill(parent);
            sums.build(lists);
            for (int j = 0; j < n; ++j) {
                if (!parent->unscheduled[j]) continue;
                SCOPED_TRACE("seed " + std::to_string(seed) + " level " + std::to_string(level) +
                             " job " + std::to_string(j));
                copy_node(child, parent);
                append_job(child, j);

                reset_best_solution();
                int lb = compute_list_bounds(child);
                std::vector<int> list_seq = best();
                ChildBound fast;
                const double estimate = bound_child_by_walk(lists, parent, j, fast);
                ASSERT_EQ(fast.lb, lb);
                ASSERT_EQ(fast.list_ub, list_ub);
                ASSERT_EQ(std::memcmp(&estimate, &list_estimate, sizeof(double)), 0);
                ChildBound summed;
                bound_child(lists, &sums, parent, j, summed);
                ASSERT_EQ(summed.lb, lb);
                ASSERT_EQ(summed.list_ub, list_ub);
                ASSERT_EQ(summed.best_list, fast.best_list);
                std::vector<int> fast_seq(n);
                list_completion(parent, j, fast.best_list, fast_seq.data());
                ASSERT_EQ(fast_seq, list_seq);

                reset_best_solution();
                int greedy = greedy_completion(child);
                ASSERT_EQ(greedy_child(lists, parent, j, fast_seq.data()), greedy);
                ASSERT_EQ(fast_seq, best());
                if (BetterUB) {
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
double plain_list_estimate(const Node* child, int l, int start2) {
    int r1 = child->c1, r2 = start2;
    double estimate = 0.0;
    for (int k = 0; k < n_jobs; ++k) {
        int j = prio_list[l][k];
        if (!child->unscheduled[j]) continue;
        r1 = r1 + jobs[j].p1;
        r2 = r2 + jobs[j].p2;
        double w = prio_weight[l][j];
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
        prepare(zemko_test::random_times(seed, n, low, largest), rng);
        ASSERT_TRUE(list_sums_apply());
        random_prefix(parent, static_cast<int>(rng() % (n - 1)), rng);
        lists.fill(parent);
        sums.build(lists);
        for (int j = 0; j < n; ++j) {
            if (!parent->unscheduled[j]) continue;
            copy_node(child, parent);
            append_job(child, j);
            int start2 = child->c2;
            for (int k = 0; k < n; ++k)
                if (child->unscheduled[order_p1[k].job]) {
                    start2 = std::max(start2, child->c1 + order_p1[k].key);
                    break;
                }
            SummedEstimates summed;
            sum_child_estimates(sums, lists, j, child->c1, start2, summed);
            for (int l = 0; l < NUM_LISTS; ++l) {
                SCOPED_TRACE("seed " + std::to_string(seed) + " job " + std::to_string(j) +
                             " list " + std::to_string(l));
                const double walked = plain_list_estimate(child, l, start2);
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
        prepare(instance_for(seed, n), rng);
        random_prefix(parent, static_cast<int>(rng() % (n - 1)), rng);
        parent_lists.fill(parent);
        int j = 0;
        for (int skip = static_cast<int>(rng() % (n - parent->level));
             !parent->unscheduled[j] || skip-- > 0;)
            ++j;
        copy_node(child, parent);
        append_job(child, j);
        filled.fill(child);
        derived.derive(parent_lists, j);
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
        prepare(instance_for(seed, n), rng);
        random_prefix(node, static_cast<int>(rng() % n), rng);
        std::vector<int> plain;
        for (int j = 0; j < n; ++j)
            if (node->unscheduled[j] && !skip_by_pair_rule(node, j) &&
                !skip_by_min_job_rule(node, j) && !skip_by_filter_rule(node, j))
                plain.push_back(j);
        std::vector<int> fast(n);
        fast.resize(list_children(node, fast.data()));
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
        prepare(instance_for(seed, n), rng);
        random_prefix(a, 2 + static_cast<int>(rng() % (n - 1)), rng);
        a->lb = 7;
        a->ub = 9;
        copy_node(b, a);
        b->ub = 9;
        int plain = zemko_reference::recover_node_plain(a);
        int fast = recover_in_place(b);
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
    std::vector<int> counts;
    bool operator==(const SearchOutcome&) const = default;
};

SearchOutcome run_search(const std::vector<std::pair<int, int>>& times, int route, bool plain) {
    zemko_test::set_jobs(times);
    for (int i = 0; i < n_jobs; ++i)
        jobs[i].route = route;
    reset_best_solution();
    SearchOutcome o;
    testing::internal::CaptureStdout();
    if (setup_search() == 0) {
        do
            o.counts.push_back(plain ? zemko_reference::expand_level_plain() : expand_level());
        while (beam_not_empty());
    }
    o.best_fo = best_fo;
    o.best_level = best_level;
    o.end_level = end_level;
    o.max_beam = max_beam;
    o.recoveries = recoveries;
    o.better_ub_count = better_ub_count;
    o.lost_nodes = lost_nodes;
    o.best_seq = best();
    release_all_memory();
    o.output = testing::internal::GetCapturedStdout();
    return o;
}

}  // namespace

// Searches of different sizes in one process, as in tests and fuzzing: a larger instance with a
// narrow beam moves the table of the parents' lists and lays out only a few of them again; a
// wide search of the first size after it must not use the places the others had.
TEST(FastPaths, SearchesOfChangingSizesInOneProcess) {
    set_worker_threads(2);
    const std::pair<int, int> runs[] = {{30, 50}, {60, 2}, {30, 50}, {12, 50}, {45, 3}, {12, 50}};
    for (auto [n, beam] : runs) {
        auto times = zemko_test::random_times(static_cast<unsigned>(n), n, 1, 60);
        set_default_settings();
        Beam = beam;
        SearchOutcome plain = run_search(times, 1, true);
        set_default_settings();
        Beam = beam;
        SearchOutcome fast = run_search(times, 1, false);
        ASSERT_TRUE(fast == plain) << "n " << n << " beam " << beam;
    }
    set_worker_threads(1);
}

TEST(FastPaths, WholeSearchesEqualThePlainSearch) {
    for (unsigned seed = 1; seed <= 120; ++seed) {
        std::mt19937 rng(seed);
        int n = static_cast<int>(rng() % 36);
        auto times = instance_for(seed, n);
        auto configure = [&] {
            std::mt19937 settings_rng(seed * 7919);
            set_default_settings();
            Perturb = settings_rng() % 2;
            ALPHA = std::vector<int>{10, 0, 100, 50, -20}[settings_rng() % 5];
            OUTPUT = std::vector<int>{0, 1, 2}[settings_rng() % 3];
            Beam = std::vector<int>{50, 1, 2, 7, 20}[settings_rng() % 5];
            Filter = settings_rng() % 2;
            ParetoBeam = n <= 12 ? settings_rng() % 3 : 0;
            BetterUB = settings_rng() % 2;
            RecoveryStep = settings_rng() % 4 != 0;
            MoreLoops = settings_rng() % 2;
        };
        configure();
        int route = seed % 5 == 0 ? 2 : 1;
        SearchOutcome plain = run_search(times, route, true);
        for (int threads : {1, 2, 3}) {
            configure();
            set_worker_threads(threads);
            SearchOutcome fast = run_search(times, route, false);
            ASSERT_TRUE(fast == plain) << "seed " << seed << " threads " << threads << "\n"
                                       << fast.output << "\n---\n"
                                       << plain.output;
        }
        set_worker_threads(1);
    }
}
