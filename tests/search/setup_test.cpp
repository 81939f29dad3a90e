// Search set-up: the route check, the machine exchange and the root's bounds.
#include <gtest/gtest.h>

#include <climits>

#include "search/search_fixture.hpp"
#include "search/setup.hpp"

using namespace zemko;

namespace {

// The set-up of a run over the given jobs and routes; returns its transcript.
std::string setup_output(std::unique_ptr<StandaloneRun>& run,
                         const std::vector<std::pair<int, int>>& times,
                         const std::vector<int>& routes, int output, int* result) {
    Settings settings;
    settings.output = output;
    std::ostringstream out;
    run = zemko_test::search_run_of(times, settings, &out);
    for (size_t i = 0; i < routes.size(); ++i)
        run->table.jobs[i].route = routes[i];
    *result = setup_search(*run);
    return out.str();
}

}  // namespace

TEST(Setup, MachineTwoFirstInstancesAreExchanged) {
    std::unique_ptr<StandaloneRun> run;
    int result = -1;
    EXPECT_EQ(setup_output(run, {{3, 5}, {4, 1}}, {2, 2}, 1, &result),
              "FlowShop problem detected(Switched machine 1 and 2)\n\n\nLB = 14, UB = 14\n");
    EXPECT_EQ(result, 0);
    EXPECT_EQ(run->table.jobs[0].p1, 5);
    EXPECT_EQ(run->table.jobs[0].p2, 3);
    EXPECT_EQ(run->table.jobs[1].number, 2);
    EXPECT_EQ(run->best.fo, INT_MAX);
}

TEST(Setup, OnlyTheBoundLinesWithoutOutput) {
    std::unique_ptr<StandaloneRun> run;
    int result = -1;
    EXPECT_EQ(setup_output(run, {{3, 5}, {4, 1}}, {}, 0, &result), "\nLB = 17, UB = 17\n");
    EXPECT_EQ(result, 0);
    EXPECT_EQ(run->best.fo, INT_MAX);
    EXPECT_EQ(run->table.jobs[0].p1, 3);
}

TEST(Setup, MixedRoutesAreRefused) {
    for (int output : {0, 2}) {
        std::unique_ptr<StandaloneRun> run;
        int result = -1;
        EXPECT_EQ(
            setup_output(run, {{3, 5}, {4, 1}, {2, 2}}, {1, 2, 1}, output, &result),
            std::string(output ? "\n\n" : "") + "This version solve flow shop problems only.\n");
        EXPECT_EQ(result, 1);
        EXPECT_EQ(run->best.fo, INT_MAX);
    }
}
