// Search set-up: the route check, the machine exchange and the root's bounds.
#include <gtest/gtest.h>

#include <climits>

#include "bounds/best_solution.hpp"
#include "input/jobs.hpp"
#include "input/settings.hpp"
#include "schedule/node_storage.hpp"
#include "search/setup.hpp"
#include "support/test_support.hpp"

using namespace zemko;

namespace {

std::string setup_output(int* result) {
    testing::internal::CaptureStdout();
    *result = setup_search();
    std::string out = testing::internal::GetCapturedStdout();
    testing::internal::CaptureStdout();
    release_all_memory();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    return out;
}

void set_routes(const std::vector<int>& routes) {
    for (size_t i = 0; i < routes.size(); ++i)
        jobs[i].route = routes[i];
}

}  // namespace

TEST(Setup, MachineTwoFirstInstancesAreExchanged) {
    set_default_settings();
    OUTPUT = 1;
    zemko_test::set_jobs({{3, 5}, {4, 1}});
    set_routes({2, 2});
    int result = -1;
    EXPECT_EQ(setup_output(&result),
              "FlowShop problem detected(Switched machine 1 and 2)\n\n\nLB = 14, UB = 14\n");
    EXPECT_EQ(result, 0);
    EXPECT_EQ(jobs[0].p1, 5);
    EXPECT_EQ(jobs[0].p2, 3);
    EXPECT_EQ(jobs[1].id, 2);
    EXPECT_EQ(best_fo, INT_MAX);
}

TEST(Setup, OnlyTheBoundLinesWithoutOutput) {
    set_default_settings();
    zemko_test::set_jobs({{3, 5}, {4, 1}});
    int result = -1;
    EXPECT_EQ(setup_output(&result), "\nLB = 17, UB = 17\n");
    EXPECT_EQ(result, 0);
    EXPECT_EQ(best_fo, INT_MAX);
    EXPECT_EQ(jobs[0].p1, 3);
}

TEST(Setup, MixedRoutesAreRefused) {
    set_default_settings();
    for (int output : {0, 2}) {
        OUTPUT = output;
        zemko_test::set_jobs({{3, 5}, {4, 1}, {2, 2}});
        set_routes({1, 2, 1});
        int result = -1;
        EXPECT_EQ(setup_output(&result), std::string(output ? "\n\n" : "") +
                                             "This version solve flow shop problems only.\n");
        EXPECT_EQ(result, 1);
        EXPECT_EQ(best_fo, INT_MAX);
    }
}
