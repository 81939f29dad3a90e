// One solve, from the job table to the certificate: the plan of the run, the beam search (paced
// under a time limit) and its report, then, when the settings ask for it, the improvement phase
// from the better of the beam search's best and a fast construction, with the certificate.
#pragma once

#include <optional>
#include <vector>

#include <zemko/zemko.hpp>

#include "driver/improvement_phase.hpp"
#include "input/jobs.hpp"
#include "search/beam_search.hpp"
#include "util/solve_context.hpp"

namespace zemko {

// What the beam search reports of itself, as its final report prints it.
struct BeamReport {
    int root_lb = 0;  // the bounds of the root
    int root_ub = 0;
    int end_level = 0;        // the level of the last node kept in a beam
    int max_beam = 0;         // the most nodes kept at any level
    int bounds_computed = 0;  // children generated over all levels
    int recoveries = 0;       // calls of the recovery step
    int better_ub_count = 0;  // bounds at which the greedy completion won
    int lost_nodes = 0;       // nodes released while the free stack was full
    int width = 0;            // the beam width at the end (capped, or narrowed by the pace)
};

struct PipelineOutcome {
    SearchEnd end = SearchEnd::finished;  // how the beam search ended
    BeamReport beam;
    // The answer of the whole solve: the better of the beam search's best and the phase's best
    // sequence (0-based job indices), NO_SOLUTION while there is none; the level is that of the
    // beam search's node that produced its best.
    std::vector<int> sequence;
    long long objective = NO_SOLUTION;
    int level_found = 0;
    // A lower bound on every sequence's objective: the certificate after a phase, else the
    // root's bound less one when no time is negative; nothing when there is none.
    std::optional<long long> lower_bound;
    PhaseOutcome phase;  // the improvement phase, when it ran
};

// Solves the job table with the settings, borrowing the context's budget, threads, limits and
// transcript. Throws MemoryError when memory runs out, after releasing everything and ending
// every thread it started.
PipelineOutcome run_solve_pipeline(SolveContext& context, const JobTable& table,
                                   const Settings& settings);

}  // namespace zemko
