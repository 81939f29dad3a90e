// Narrowing the beam so that the search ends by a given time: after each level, the time the
// levels took so far, against their work, forecasts the time of the levels left at the current
// width; when that would end past the target, the width is cut in proportion, never below 1.
// Used only under a time limit: it makes the search depend on the machine's speed.
#pragma once

#include <optional>

#include "util/limits.hpp"

namespace zemko {

struct SearchRun;

struct BeamPace {
    std::optional<Clock::time_point> finish_by;  // when the search should be over; none: no pace
    Clock::time_point begin;                     // when the search began
    double work_done = 0;       // over the levels expanded: children times jobs left to bound
    int levels_done = 0;        // levels expanded
    int first_width = 0;        // the width the search began with
    int narrowed_at_level = 0;  // the level at which it was last narrowed; 0: never
};

// Starts pacing the run's beam search to end by `finish_by`.
void start_beam_pace(SearchRun& run, Clock::time_point finish_by);

// Counts the level just expanded (it generated `children`) and narrows the width for the
// levels left when they would not end in time.
void pace_beam(SearchRun& run, int children);

}  // namespace zemko
