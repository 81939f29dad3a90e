// Pacing the beam search to end by a given time, under a time limit: after each level, the
// time per unit of work of the recent levels forecasts the time of the levels left, and the
// width of the beam is set so that they end in time, never wider than the width asked for and
// never below 1. It makes the search depend on the machine's speed, so it is used only under a
// time limit.
#pragma once

#include <optional>

#include "util/limits.hpp"

namespace zemko {

struct SearchRun;

struct BeamPace {
    std::optional<Clock::time_point> finish_by;  // when the search should be over; none: no pace
    Clock::time_point begin;                     // when the search began
    Clock::time_point level_end;                 // when the last level ended
    double seconds_per_work = 0;  // recent levels' time per parent and job left (0: none yet)
    int levels_done = 0;          // levels expanded
    int first_width = 0;          // the width asked for (as the set-up capped it)
    int narrowest = 0;            // the narrowest width set
};

// Starts pacing the run's beam search, which begins `now`, to end by `finish_by`.
void start_beam_pace(SearchRun& run, Clock::time_point now, Clock::time_point finish_by);

// Counts the level just expanded (it had `parents` parents and ended `now`) and sets the width
// for the levels left so that they end in time.
void pace_beam(SearchRun& run, int parents, Clock::time_point now);

}  // namespace zemko
