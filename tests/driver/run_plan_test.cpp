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

TEST(RunPlan, TheProofByLevelsIsTriedUnderLongEnoughLimitsOnly) {
    zemko::Settings timed;
    timed.time_limit = zemko::LEVEL_MIN_TIME_LIMIT;
    zemko::Settings short_limit;
    short_limit.time_limit = 10;
    zemko::Settings stepped;
    stepped.step_limit = 1000;
    const auto start = zemko::Clock::now();
    const auto plan = [&](const zemko::Settings& s, int n) { return zemko::plan_run(s, n, start); };
    for (int n : {2, zemko::EXACT_TRIAL_MAX_JOBS, zemko::LEVEL_MAX_JOBS}) {
        EXPECT_TRUE(plan(timed, n).levels_tried && plan(timed, n).warm_up) << n;
        EXPECT_TRUE(plan(timed, n).bound_effort.rest_table) << n;
        EXPECT_FALSE(plan(stepped, n).levels_tried) << n;
    }
    EXPECT_TRUE(plan(short_limit, zemko::EXACT_TRIAL_MAX_JOBS).levels_tried);
    // A short limit leaves larger instances' walks all their time, with no table to make.
    const int n = zemko::EXACT_TRIAL_MAX_JOBS + 1;
    EXPECT_FALSE(plan(short_limit, n).levels_tried || plan(short_limit, n).warm_up);
    EXPECT_FALSE(plan(short_limit, n).bound_effort.rest_table);
    EXPECT_FALSE(plan(timed, zemko::LEVEL_MAX_JOBS + 1).levels_tried);
}
