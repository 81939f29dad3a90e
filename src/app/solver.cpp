// The library's public interface over a run of the search.
#include <new>
#include <optional>

#include <zemko/zemko.hpp>

#include "driver/solve_pipeline.hpp"
#include "input/jobs.hpp"
#include "input/settings.hpp"
#include "sequence/job_times.hpp"
#include "util/memory_budget.hpp"
#include "util/memory_error.hpp"
#include "util/solve_context.hpp"

namespace zemko {

namespace {

// What a run takes besides its own blocks and tables, counted once at its start: the program,
// its libraries and the stacks of its threads.
constexpr size_t PROCESS_BASE_BYTES = size_t{8} << 20;

JobTable checked_table(const std::vector<Job>& jobs) {
    JobTable table;
    const JobsOutcome outcome = table_from_jobs(jobs, table);
    if (outcome != JOBS_LOADED) throw InputError(jobs_outcome_message(outcome, 0));
    return table;
}

Status status_of(const PipelineOutcome& outcome, const SolveContext& context, int n_jobs) {
    if (outcome.end == SearchEnd::refused) return Status::mixed_routes;
    if (stop_raised(context.limits)) return Status::interrupted;
    return n_jobs == 0 ? Status::no_jobs : Status::solved;
}

Result result_of(const PipelineOutcome& outcome, const SolveContext& context, int n_jobs) {
    Result result;
    result.status = status_of(outcome, context, n_jobs);
    result.objective = outcome.objective;
    result.sequence = outcome.sequence;
    result.root_lower_bound = outcome.beam.root_lb;
    result.root_upper_bound = outcome.beam.root_ub;
    result.level_found = outcome.level_found;
    result.end_level = outcome.beam.end_level;
    result.max_beam = outcome.beam.max_beam;
    result.bounds_computed = outcome.beam.bounds_computed;
    result.recoveries = outcome.beam.recoveries;
    result.better_ub_solutions = outcome.beam.better_ub_count;
    result.lost_nodes = outcome.beam.lost_nodes;
    result.peak_memory = static_cast<long long>(context.budget.peak.load());
    result.beam_complete = outcome.end != SearchEnd::stopped;
    result.beam_width = outcome.beam.width;
    const PhaseOutcome& phase = outcome.phase;
    result.improvements = phase.trace;
    result.improvement_steps = phase.steps;
    result.certified = outcome.lower_bound.has_value();
    result.certified_lower_bound = outcome.lower_bound.value_or(0);
    result.optimal = phase.certificate.optimal;
    result.proof_summary = phase.proof_summary;
    return result;
}

Result memory_error_result() {
    Result result;
    result.status = Status::memory_error;
    result.objective = NO_SOLUTION;
    return result;
}

}  // namespace

std::vector<Job> read_jobs_file(const std::string& path) {
    JobTable table;
    int bad_line = 0;
    const JobsOutcome outcome = read_jobs(path.c_str(), table, &bad_line);
    if (outcome != JOBS_LOADED) throw InputError(jobs_outcome_message(outcome, bad_line));
    return std::vector<Job>(table.jobs, table.jobs + table.n_jobs);
}

Settings read_settings_file(const std::string& path, std::ostream* messages, std::ostream* notes) {
    return read_settings(path, messages, notes);
}

Result solve(const std::vector<Job>& jobs, const Settings& settings, std::ostream* transcript) {
    Control control;
    control.transcript = transcript;
    return solve(jobs, settings, control);
}

Result solve(const std::vector<Job>& jobs, const Settings& settings, const Control& control) {
    const JobTable table = checked_table(jobs);
    SolveContext context;
    context.out = Transcript{control.transcript};
    context.limits.stop = control.stop;
    context.progress = control.progress;
    context.budget.limit = memory_limit_for_setting(settings.memory_limit);
    context.pool.resize(threads_for_setting(settings.threads));
    try {
        reserve_memory(context.budget, PROCESS_BASE_BYTES);
        Result result =
            result_of(run_solve_pipeline(context, table, settings), context, table.n_jobs);
        result.seconds = seconds_since(context.start);
        return result;
    } catch (const MemoryError&) {
    } catch (const std::bad_alloc&) {
    }
    say(context.out, "\nMemory Error\n");
    return memory_error_result();
}

long long objective(const std::vector<Job>& jobs, const std::vector<int>& sequence) {
    const JobTable table = checked_table(jobs);
    if (!is_permutation_of_jobs(sequence, table.n_jobs))
        throw InputError("The sequence is not a permutation of the jobs");
    const std::optional<JobTimes> times = machine_one_first_times(table);
    if (!times) throw InputError("This version solve flow shop problems only.");
    return sequence_objective(*times, sequence);
}

}  // namespace zemko
