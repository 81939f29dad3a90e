#include "search/beam_pace.hpp"

#include <algorithm>

#include "search/search_run.hpp"

namespace zemko {

namespace {

// Before this share of the time to the target has passed, a forecast rests on too little: the
// first levels have few parents and their times are at the clock's grain.
constexpr double FIRST_FORECAST_SHARE = 0.02;

// The work of the levels left, per unit of width: a level of w parents with m jobs left
// generates about w * m children, each bounded along the m - 1 jobs after it.
double work_left_per_width(int jobs_left) {
    const double m = jobs_left;
    return m * (m + 1) * (2 * m + 1) / 6;
}

}  // namespace

void start_beam_pace(SearchRun& run, Clock::time_point finish_by) {
    BeamPace& pace = run.pace;
    pace = BeamPace{};
    pace.finish_by = finish_by;
    pace.begin = Clock::now();
}

void pace_beam(SearchRun& run, int children) {
    BeamPace& pace = run.pace;
    if (!pace.finish_by) return;
    const int n = run.table.n_jobs;
    if (pace.levels_done == 0) pace.first_width = run.settings.beam;  // as the set-up capped it
    const int jobs_left = n - pace.levels_done - 1;  // in each node of the next beam
    pace.work_done += static_cast<double>(children) * std::max(jobs_left, 1);
    ++pace.levels_done;
    const double elapsed = seconds_since(pace.begin);
    const double allowed = std::chrono::duration<double>(*pace.finish_by - pace.begin).count();
    if (jobs_left < 2 || pace.work_done <= 0 || elapsed < FIRST_FORECAST_SHARE * allowed) return;
    int& width = run.settings.beam;
    const double forecast = elapsed / pace.work_done * width * work_left_per_width(jobs_left);
    const double left = allowed - elapsed;
    if (width <= 1 || forecast <= left) return;
    const int narrower = std::max(1, static_cast<int>(width * std::max(left, 0.0) / forecast));
    if (narrower < width) {
        width = narrower;
        pace.narrowed_at_level = pace.levels_done;
    }
}

}  // namespace zemko
