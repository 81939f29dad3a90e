#include "search/beam_pace.hpp"

#include <algorithm>

#include "search/search_run.hpp"

namespace zemko {

namespace {

// The first levels are left out of the forecast: the root's level has few parents and pays for
// the first touch of the run's memory, so its time says little about the levels after it.
constexpr int UNMEASURED_LEVELS = 3;
// The weight of the last level in the recent levels' time per unit of work.
constexpr double LAST_LEVEL_WEIGHT = 0.25;

// The work of the levels left, per unit of width. The skip tests keep about as many children
// of a parent at every level, and a child costs about the same at every level, but a parent's
// lists and its recovery step grow with the jobs left: measured on 100 to 500 jobs, a level of
// w parents with m jobs left takes a time close to w * m.
double work_left_per_width(int jobs_left) {
    const double m = jobs_left;
    return m * (m + 1) / 2;
}

}  // namespace

void start_beam_pace(SearchRun& run, Clock::time_point now, Clock::time_point finish_by) {
    BeamPace& pace = run.pace;
    pace = BeamPace{};
    pace.finish_by = finish_by;
    pace.begin = pace.level_end = now;
}

void pace_beam(SearchRun& run, int parents, Clock::time_point now) {
    BeamPace& pace = run.pace;
    if (!pace.finish_by) return;
    int& width = run.settings.beam;
    if (pace.levels_done == 0) pace.first_width = pace.narrowest = width;  // as set up
    const int jobs_left = run.table.n_jobs - pace.levels_done;  // in the parents just expanded
    ++pace.levels_done;
    const double level_seconds = seconds_between(pace.level_end, now);
    pace.level_end = now;
    if (pace.levels_done <= UNMEASURED_LEVELS || parents <= 0 || jobs_left < 2) return;
    const double rate = level_seconds / (static_cast<double>(parents) * jobs_left);
    pace.seconds_per_work =
        pace.seconds_per_work > 0
            ? (1 - LAST_LEVEL_WEIGHT) * pace.seconds_per_work + LAST_LEVEL_WEIGHT * rate
            : rate;
    const double left = seconds_between(now, *pace.finish_by);
    const double per_width = pace.seconds_per_work * work_left_per_width(jobs_left - 1);
    const double fitting = per_width > 0 ? std::max(left, 0.0) / per_width : pace.first_width;
    width = static_cast<int>(std::clamp(fitting, 1.0, static_cast<double>(pace.first_width)));
    pace.narrowest = std::min(pace.narrowest, width);
}

}  // namespace zemko
