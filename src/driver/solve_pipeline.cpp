#include "driver/solve_pipeline.hpp"

#include <climits>
#include <memory>

#include "search/final_report.hpp"
#include "sequence/construction.hpp"
#include "util/memory_budget.hpp"

namespace zemko {

namespace {

// The root's bound is valid when no time is negative; its estimate is rounded up in doubles,
// so one is taken off for the certificate.
long long root_bound_for_certificate(const JobTimes& times, int root_lb) {
    for (int j = 0; j < times.count(); ++j)
        if (times.p1[j] < 0 || times.p2[j] < 0) return LLONG_MIN;
    return static_cast<long long>(root_lb) - 1;
}

// What the plan changed in the beam search, or that the time ran out during it.
void print_beam_decisions(const SearchRun& run, SearchEnd end) {
    const BeamPace& pace = run.pace;
    if (pace.finish_by && pace.narrowest < pace.first_width)
        say(run.out,
            "\nBeam paced to end within %.2f s of TimeLimit = %s s: width %d asked, %d at the "
            "narrowest, %d at the end\n",
            seconds_between(run.context.start, *pace.finish_by),
            seconds_text(run.settings.time_limit).c_str(), pace.first_width, pace.narrowest,
            run.settings.beam);
    if (end != SearchEnd::stopped) return;
    if (stop_raised(run.context.limits))
        say(run.out, "\nInterrupted during the beam search, at level %d\n", run.end_level);
    else
        say(run.out, "\nTime limit reached during the beam search, at level %d\n", run.end_level);
}

// The better of the beam search's best sequence and the insertion construction's (the beam
// search's on a tie).
PhaseStart phase_start(const PipelineOutcome& beam, const JobTimes& times, const Limits& limits) {
    PhaseStart start;
    if (beam.objective != NO_SOLUTION) {
        start.sequence = beam.sequence;
        start.objective = beam.objective;
        start.source = "beam search";
    }
    Limits construction_limits;
    construction_limits.stop = limits.stop;
    std::vector<int> built = insertion_construction(times, construction_limits);
    const long long built_objective = sequence_objective(times, built);
    if (start.sequence.empty() || built_objective < start.objective) {
        start.sequence = std::move(built);
        start.objective = built_objective;
        start.source = "insertion";
    }
    return start;
}

// The beam search's answer and report, read off its run before the run is released.
void take_beam_results(const SearchRun& run, PipelineOutcome& outcome) {
    if (run.best.fo != INT_MAX) {
        outcome.sequence.assign(run.best.seq, run.best.seq + run.table.n_jobs);
        outcome.objective = run.best.fo;
    }
    outcome.level_found = run.best.level;
    outcome.beam = {
        run.root_lb,         run.root_ub,    run.end_level,       run.max_beam,
        run.bounds_computed, run.recoveries, run.better_ub_count, run.storage.lost_nodes,
        run.settings.beam};
}

void run_phase(SolveContext& context, const Settings& settings, const RunPlan& plan,
               const JobTimes& times, PipelineOutcome& outcome) {
    const PhaseContext phase_context{times,
                                     settings,
                                     plan,
                                     context,
                                     outcome.beam.root_lb,
                                     root_bound_for_certificate(times, outcome.beam.root_lb)};
    outcome.phase =
        run_improvement_phase(phase_context, phase_start(outcome, times, context.limits));
    if (outcome.phase.best_objective < outcome.objective) {
        outcome.sequence = outcome.phase.best;
        outcome.objective = outcome.phase.best_objective;
    }
    outcome.lower_bound = outcome.phase.certificate.lower_bound;
    print_phase_end(context.out, settings, outcome.objective, outcome.phase.steps,
                    seconds_since(context.start), outcome.phase.certificate);
}

}  // namespace

PipelineOutcome run_solve_pipeline(SolveContext& context, const JobTable& table,
                                   const Settings& settings) {
    PipelineOutcome outcome;
    const RunPlan plan = plan_run(settings, table.n_jobs, context.start);
    context.limits.deadline = plan.deadline;
    // The beam search's run is large (its tables are sized for the most jobs): it lives on the
    // heap, counted for the whole solve.
    const MemoryReservation run_bytes(&context.budget, sizeof(SearchRun));
    auto run = std::make_unique<SearchRun>(context);
    run->table = table;
    run->settings = settings;
    if (plan.beam_finish_by) start_beam_pace(*run, Clock::now(), *plan.beam_finish_by);
    outcome.end = run_beam_search(*run);
    print_final_report(*run);
    take_beam_results(*run, outcome);
    if (outcome.end == SearchEnd::refused || table.n_jobs == 0) return outcome;
    // The beam search has refused mixed routes above.
    const JobTimes times = *machine_one_first_times(table);
    if (const long long root = root_bound_for_certificate(times, outcome.beam.root_lb);
        root != LLONG_MIN)
        outcome.lower_bound = root;
    // An interrupt ends the run as a time limit would: a planned phase still gives the better
    // start and the certificate.
    if (!plan.phase) return outcome;
    print_beam_decisions(*run, outcome.end);
    run_phase(context, settings, plan, times, outcome);
    return outcome;
}

}  // namespace zemko
