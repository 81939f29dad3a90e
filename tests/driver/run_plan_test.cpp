// The plan of a run: which sizes the exact search is tried on, in full or as a trial, and when
// the strong bound's steps grow with the time limit.
#include <gtest/gtest.h>

#include "driver/run_plan.hpp"

TEST(RunPlan, TheExactSearchIsTriedByTheSizeAndTheLimits) {
    zemko::Settings timed;
    timed.time_limit = 60;
    zemko::Settings stepped;
    stepped.step_limit = 1000;
    const auto start = zemko::Clock::now();
    const auto plan = [&](const zemko::Settings& s, int n) { return zemko::plan_run(s, n, start); };

    EXPECT_TRUE(plan(timed, zemko::EXACT_MAX_JOBS).exact_tried);
    EXPECT_FALSE(plan(timed, zemko::EXACT_MAX_JOBS).exact_trial);
    EXPECT_TRUE(plan(stepped, zemko::EXACT_MAX_JOBS).exact_tried);
    // A trial needs a time to share: a step budget alone keeps the walks' whole run.
    for (int n : {zemko::EXACT_MAX_JOBS + 1, zemko::EXACT_TRIAL_MAX_JOBS}) {
        EXPECT_TRUE(plan(timed, n).exact_trial) << n;
        EXPECT_TRUE(plan(timed, n).exact_tried) << n;
        EXPECT_FALSE(plan(stepped, n).exact_tried) << n;
    }
    EXPECT_FALSE(plan(timed, zemko::EXACT_TRIAL_MAX_JOBS + 1).exact_tried);
    // Where the exact search is not tried, a long limit buys the bound more steps.
    const int n = zemko::EXACT_TRIAL_MAX_JOBS + 1;
    EXPECT_GT(plan(timed, n).bound_effort.iterations,
              zemko::default_strong_bound_effort(n).iterations);
    EXPECT_EQ(plan(timed, zemko::EXACT_TRIAL_MAX_JOBS).bound_effort.iterations,
              zemko::default_strong_bound_effort(zemko::EXACT_TRIAL_MAX_JOBS).iterations);
}
