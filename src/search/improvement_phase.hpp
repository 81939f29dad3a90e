// The improvement phase of a run, after the beam search: from the run's best sequence, the
// walks improve the schedule on every thread until the time limit or the step budget; on small
// instances the exact search then tries to prove the best optimal; meanwhile the strong lower
// bound is computed on a thread of its own. Prints the phase's section of the transcript,
// ending with the certificate: a lower bound and the gap of the answer to it.
#pragma once

#include <vector>

#include "search/improvement.hpp"
#include "search/search_run.hpp"

namespace zemko {

// The exact search is tried on instances of at most this many jobs.
inline constexpr int EXACT_MAX_JOBS = 60;

struct PhaseOutcome {
    bool ran = false;                     // the phase ran (a limit was set, a sequence found)
    long long steps = 0;                  // steps of the walks, over all walks
    std::vector<ImprovementEvent> trace;  // each better sequence, in order
    long long certified_lower_bound = 0;  // no sequence costs less
    bool optimal = false;                 // the answer is proven optimal
};

// True when the settings ask for the phase.
inline bool improvement_requested(const Settings& settings) {
    return settings.time_limit > 0 || settings.step_limit > 0;
}

// Runs the phase on the run's best sequence (in the run's job table, machines exchanged for
// route 2) and leaves the best in run.best; prints its section. Needs a sequence of two jobs or
// more.
PhaseOutcome run_improvement_phase(SearchRun& run);

}  // namespace zemko
