// One solve, from the job table to the certificate: the plan of the run, the beam search (paced
// under a time limit) and its report, then, when the settings ask for it, the improvement phase
// from the better of the beam search's best and a fast construction, with the certificate.
#pragma once

#include "driver/improvement_phase.hpp"
#include "search/beam_search.hpp"
#include "search/search_run.hpp"

namespace zemko {

struct PipelineOutcome {
    SearchEnd end = SearchEnd::finished;  // how the beam search ended
    PhaseOutcome phase;                   // the improvement phase, when it ran
};

// Runs the solve on the run's job table and settings; the best sequence ends in run.best and
// the transcript in run.out. Throws MemoryError when memory runs out, after releasing
// everything and ending every thread it started.
PipelineOutcome run_solve_pipeline(SearchRun& run);

}  // namespace zemko
