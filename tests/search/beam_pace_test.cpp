// Pacing the beam search to a time: on levels whose time grows with their parents and the jobs
// left (as the search's do), the widths it sets end the levels close to the target, not past
// it, within the width asked for and never below 1.
#include <gtest/gtest.h>

#include <algorithm>

#include "search/beam_pace.hpp"
#include "search/search_fixture.hpp"

using namespace zemko;

namespace {

// Runs the levels of an instance of n jobs, each taking `per_work` seconds per parent and job
// left, paced to end `allowed` seconds after the start; returns the seconds they took.
double paced_levels(SearchRun& run, int n, double per_work, double allowed) {
    run.table.n_jobs = n;
    const Clock::time_point begin{};
    start_beam_pace(run, begin, after_seconds(begin, allowed));
    double seconds = 0;
    for (int level = 0; level < n - 1; ++level) {
        const int parents = std::min(run.settings.beam, level == 0 ? 1 : n);
        seconds += per_work * parents * (n - level);
        pace_beam(run, parents, after_seconds(begin, seconds));
        EXPECT_GE(run.settings.beam, 1);
        EXPECT_LE(run.settings.beam, 50);
    }
    return seconds;
}

}  // namespace

TEST(BeamPace, LevelsEndCloseToTheTargetWithinTheWidthAsked) {
    for (const int n : {60, 200, 500}) {
        for (const double allowed : {0.05, 0.3, 1.0}) {
            SCOPED_TRACE("n " + std::to_string(n) + ", " + std::to_string(allowed) + " s");
            auto run = std::make_unique<StandaloneRun>();
            run->settings.beam = 50;
            // At the full width the levels would take four times the time allowed.
            const double per_work = 4 * allowed / (50.0 * n * (n + 1) / 2);
            const double seconds = paced_levels(*run, n, per_work, allowed);
            EXPECT_LE(seconds, allowed * 1.05);
            EXPECT_GE(seconds, allowed * 0.75);
            EXPECT_LT(run->pace.narrowest, 50);
        }
    }
    // Levels that fit keep the width asked for.
    auto run = std::make_unique<StandaloneRun>();
    run->settings.beam = 50;
    paced_levels(*run, 200, 1e-9, 1.0);
    EXPECT_EQ(run->settings.beam, 50);
    EXPECT_EQ(run->pace.narrowest, 50);
}
