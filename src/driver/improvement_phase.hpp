// The improvement phase of a run, after the beam search: from a start sequence, the walks
// improve the schedule on the run's threads until the time limit or the step budget; on small
// instances the exact search then tries to prove the best optimal; meanwhile the strong lower
// bound is computed on a thread of its own. Prints the phase's section of the transcript,
// ending with the certificate.
#pragma once

#include <climits>
#include <string>
#include <vector>

#include <zemko/zemko.hpp>

#include "certify/certificate.hpp"
#include "driver/phase_report.hpp"
#include "driver/run_plan.hpp"
#include "sequence/job_times.hpp"
#include "util/solve_context.hpp"

namespace zemko {

// What the phase works with: the instance, the run's settings and plan, and the solve's context
// (its transcript, threads, budget, start, stop flag and progress hook).
struct PhaseContext {
    const JobTimes& times;  // machine 1 first (exchanged for route 2)
    const Settings& settings;
    const RunPlan& plan;
    SolveContext& solve;
    long long root_lower_bound = 0;                    // the beam search's, for the gap column
    long long root_bound_for_certificate = LLONG_MIN;  // LLONG_MIN where it may not be used
};

// Where the phase starts: a permutation of the jobs and what it came from.
struct PhaseStart {
    std::vector<int> sequence;
    long long objective = 0;
    const char* source = "";
};

struct PhaseOutcome {
    bool ran = false;                // the phase ran (a limit was set, two jobs or more)
    long long steps = 0;             // steps of the walks, over all walks
    std::vector<Improvement> trace;  // each better sequence, in order
    std::vector<int> best;           // the best sequence of the phase
    long long best_objective = 0;
    Certificate certificate;
    std::string proof_summary;  // of the best sequence and its certificate
};

// Runs the phase from `start`; needs two jobs or more. Throws MemoryError when memory runs out
// (every thread it started has ended by then).
PhaseOutcome run_improvement_phase(const PhaseContext& context, const PhaseStart& start);

}  // namespace zemko
