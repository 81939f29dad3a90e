// Job orders, priority lists and the tuned weights.
#include <gtest/gtest.h>

#include "bounds/priority_lists.hpp"
#include "support/test_support.hpp"

using namespace zemko;

namespace {

// The lists of the last build.
PriorityLists lists;
int n_jobs = 0;

std::vector<int> list_of(int k) {
    return {lists.prio_list[k], lists.prio_list[k] + n_jobs};
}
std::vector<double> weights_of(int k) {
    return {lists.prio_weight[k], lists.prio_weight[k] + n_jobs};
}

void build(const std::vector<std::pair<int, int>>& times, int perturb) {
    const JobTable table = zemko_test::table_of(times);
    n_jobs = table.n_jobs;
    build_priority_lists(table, perturb, lists);
}

}  // namespace

TEST(PriorityLists, ComparisonsUseTheToleranceOnlyForRealKeys) {
    JobKey a{0, 3}, b{1, 4};
    EXPECT_EQ(compare_job_keys(&a, &b), -1);
    EXPECT_EQ(compare_job_keys(&b, &a), 1);
    EXPECT_EQ(compare_job_keys(&a, &a), 0);
    JobRealKey x{0, 10.0}, near{1, 10.0 + 0.5e-7}, apart{2, 10.0 + 2e-7};
    EXPECT_EQ(compare_real_keys(&x, &near), 0);
    EXPECT_EQ(compare_real_keys(&near, &x), 0);
    EXPECT_EQ(compare_real_keys(&x, &apart), -1);
    EXPECT_EQ(compare_real_keys(&apart, &x), 1);
    // A difference of exactly 1e-7 is not a tie.
    JobRealKey zero{0, 0.0}, eps{1, KEY_EPS}, minus_eps{2, -KEY_EPS};
    EXPECT_EQ(compare_real_keys(&eps, &zero), 1);
    EXPECT_EQ(compare_real_keys(&minus_eps, &zero), -1);
}

TEST(PriorityLists, WorkedExampleWithTuning) {
    build({{3, 5}, {6, 2}, {4, 7}}, 1);
    EXPECT_EQ(lists.order_p1[0].job, 0);
    EXPECT_EQ(lists.order_p1[1].job, 2);
    EXPECT_EQ(lists.order_p1[2].job, 1);
    EXPECT_EQ(lists.order_p1[2].key, 6);
    EXPECT_EQ(list_of(0), (std::vector<int>{1, 0, 2}));
    EXPECT_EQ(list_of(20), (std::vector<int>{0, 2, 1}));
    EXPECT_EQ(list_of(10), (std::vector<int>{0, 1, 2}));  // keys 4, 4, 5.5
    EXPECT_EQ(weights_of(0), (std::vector<double>{0.25, 1.0, 0.5}));
    EXPECT_EQ(weights_of(20), (std::vector<double>{1.0, 1.0, 0.5}));
}

TEST(PriorityLists, WithoutTuningEveryWeightIsTheListsOwn) {
    build({{3, 5}, {6, 2}, {4, 7}}, 0);
    for (int k = 0; k < NUM_LISTS; ++k)
        for (int j = 0; j < 3; ++j)
            EXPECT_EQ(lists.prio_weight[k][j], k * 0.05);
    EXPECT_EQ(weights_of(0), (std::vector<double>{0.0, 0.0, 0.0}));
    EXPECT_EQ(weights_of(20), (std::vector<double>{1.0, 1.0, 1.0}));
}

TEST(PriorityLists, EqualKeysKeepAscendingJobIndex) {
    // Jobs 1 and 3 share p1; jobs 0 and 2 are identical; every list has ties.
    build({{4, 4}, {2, 7}, {4, 4}, {2, 9}, {1, 1}}, 0);
    EXPECT_EQ(lists.order_p1[0].job, 4);
    EXPECT_EQ(lists.order_p1[1].job, 1);
    EXPECT_EQ(lists.order_p1[2].job, 3);
    EXPECT_EQ(lists.order_p1[3].job, 0);
    EXPECT_EQ(lists.order_p1[4].job, 2);
    EXPECT_EQ(list_of(0), (std::vector<int>{4, 0, 2, 1, 3}));
    EXPECT_EQ(list_of(20), (std::vector<int>{4, 1, 3, 0, 2}));
    // List 10 (p1 + p2): 8, 9, 8, 11, 2; its keys 0.5*p2 + 0.5*p1 are computed with rounding.
    EXPECT_EQ(list_of(10), (std::vector<int>{4, 0, 2, 1, 3}));
}

TEST(PriorityLists, OneJobKeepsItsWeightsAndNoJobWritesNothing) {
    build({{3, 5}}, 1);
    for (int k = 0; k < NUM_LISTS; ++k) {
        EXPECT_EQ(lists.prio_list[k][0], 0);
        EXPECT_EQ(lists.prio_weight[k][0], k * 0.05);
    }
    lists.prio_list[3][0] = 77;
    build({}, 1);
    EXPECT_EQ(lists.prio_list[3][0], 77);
}

TEST(PriorityLists, TunedWeightsStayInTheUnitIntervalAndListsAreUnchanged) {
    for (unsigned seed = 1; seed <= 60; ++seed) {
        int n = 1 + seed % 25;
        auto times = zemko_test::random_times(seed, n, seed % 2 ? 1 : -3, seed % 3 ? 9 : 1000);
        build(times, 0);
        std::vector<std::vector<int>> untuned;
        for (int k = 0; k < NUM_LISTS; ++k)
            untuned.push_back(list_of(k));
        build(times, 1);
        for (int k = 0; k < NUM_LISTS; ++k) {
            ASSERT_EQ(list_of(k), untuned[k]);
            for (int j = 0; j < n; ++j) {
                ASSERT_GE(lists.prio_weight[k][j], 0.0);
                ASSERT_LE(lists.prio_weight[k][j], 1.0);
            }
        }
    }
}
