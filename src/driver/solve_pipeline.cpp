#include "driver/solve_pipeline.hpp"

#include <climits>

#include "schedule/construction.hpp"
#include "search/final_report.hpp"

namespace zemko {

namespace {

bool interrupted(const SearchRun& run) {
    return stop_raised(run.limits);
}

// The root's bound is valid when no time is negative; its estimate is rounded up in doubles,
// so one is taken off for the certificate.
long long root_bound_for_certificate(const SearchRun& run) {
    for (int j = 0; j < run.table.n_jobs; ++j)
        if (run.table.jobs[j].p1 < 0 || run.table.jobs[j].p2 < 0) return LLONG_MIN;
    return static_cast<long long>(run.root_lb) - 1;
}

// What the plan changed in the beam search, or that the time ran out during it.
void print_beam_decisions(const SearchRun& run, SearchEnd end) {
    const BeamPace& pace = run.pace;
    if (pace.finish_by && pace.narrowest < pace.first_width)
        say(run.out,
            "\nBeam paced to end within %.2f s of TimeLimit = %d s: width %d asked, %d at the "
            "narrowest, %d at the end\n",
            std::chrono::duration<double>(*pace.finish_by - run.start).count(),
            run.settings.time_limit, pace.first_width, pace.narrowest, run.settings.beam);
    if (end == SearchEnd::stopped)
        say(run.out, "\nTime limit reached during the beam search, at level %d\n", run.end_level);
}

// The better of the beam search's best sequence and the insertion construction's (the beam
// search's on a tie).
PhaseStart phase_start(const SearchRun& run, const JobTimes& times) {
    PhaseStart start;
    if (run.best.fo != INT_MAX) {
        start.sequence.assign(run.best.seq, run.best.seq + run.table.n_jobs);
        start.objective = run.best.fo;
        start.source = "beam search";
    }
    Limits limits;
    limits.stop = run.limits.stop;
    std::vector<int> built = insertion_construction(times, limits);
    const long long built_objective = sequence_objective(times, built);
    if (start.sequence.empty() || built_objective < start.objective) {
        start.sequence = std::move(built);
        start.objective = built_objective;
        start.source = "insertion";
    }
    return start;
}

PhaseOutcome run_phase(SearchRun& run, const RunPlan& plan) {
    const JobTimes times = job_times_of(run.table);
    const PhaseContext context{times,       run.settings,
                               plan,        run.out,
                               run.pool,    run.budget,
                               run.start,   run.limits.stop,
                               run.root_lb, root_bound_for_certificate(run)};
    PhaseOutcome phase = run_improvement_phase(context, phase_start(run, times));
    if (phase.best_objective < run.best.fo)
        offer_solution(run.best, run.table, phase.best.data(),
                       static_cast<int>(phase.best_objective), run.best.level);
    print_phase_end(run.out, run.settings, run.best.fo, phase.steps, seconds_since(run.start),
                    phase.certificate);
    return phase;
}

}  // namespace

PipelineOutcome run_solve_pipeline(SearchRun& run) {
    PipelineOutcome outcome;
    const RunPlan plan = plan_run(run.settings, run.table.n_jobs, run.start);
    run.limits.deadline = plan.deadline;
    if (plan.beam_finish_by) start_beam_pace(run, Clock::now(), *plan.beam_finish_by);
    outcome.end = run_beam_search(run);
    print_final_report(run);
    if (!plan.phase || outcome.end == SearchEnd::refused || interrupted(run) ||
        run.table.n_jobs == 0)
        return outcome;
    print_beam_decisions(run, outcome.end);
    outcome.phase = run_phase(run, plan);
    return outcome;
}

}  // namespace zemko
