// The library's public interface over a run of the search.
#include <climits>
#include <memory>
#include <new>

#include <zemko/zemko.hpp>

#include "driver/solve_pipeline.hpp"
#include "input/jobs.hpp"
#include "input/settings.hpp"
#include "schedule/job_times.hpp"
#include "search/search_run.hpp"
#include "util/memory_budget.hpp"
#include "util/memory_error.hpp"

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

Status status_of(const PipelineOutcome& outcome, const SearchRun& run) {
    if (outcome.end == SearchEnd::refused) return Status::mixed_routes;
    if (stop_raised(run.limits)) return Status::interrupted;
    return run.table.n_jobs == 0 ? Status::no_jobs : Status::solved;
}

void fill_result(const SearchRun& run, const PipelineOutcome& outcome, Result& result) {
    const PhaseOutcome& phase = outcome.phase;
    result.status = status_of(outcome, run);
    result.beam_complete = outcome.end != SearchEnd::stopped;
    result.beam_width = run.settings.beam;
    result.improvement_steps = phase.steps;
    result.certified_lower_bound = phase.certificate.lower_bound;
    result.optimal = phase.certificate.optimal;
    result.proof_summary = phase.proof_summary;
    for (const PhaseImprovement& found : phase.trace)
        result.improvements.push_back({found.seconds, found.step, found.objective, found.found_by});
    result.objective = run.best.fo;
    if (run.best.fo != INT_MAX)
        result.sequence.assign(run.best.seq, run.best.seq + run.table.n_jobs);
    result.root_lower_bound = run.root_lb;
    result.root_upper_bound = run.root_ub;
    result.level_found = run.best.level;
    result.end_level = run.end_level;
    result.max_beam = run.max_beam;
    result.bounds_computed = run.bounds_computed;
    result.recoveries = run.recoveries;
    result.better_ub_solutions = run.better_ub_count;
    result.lost_nodes = run.storage.lost_nodes;
    result.peak_memory = static_cast<long long>(run.budget.peak.load());
}

Result memory_error_result() {
    Result result;
    result.status = Status::memory_error;
    result.objective = INT_MAX;
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

Settings read_settings_file(const std::string& path, std::ostream* messages) {
    return read_settings(path, messages);
}

Result solve(const std::vector<Job>& jobs, const Settings& settings, std::ostream* transcript) {
    Control control;
    control.transcript = transcript;
    return solve(jobs, settings, control);
}

Result solve(const std::vector<Job>& jobs, const Settings& settings, const Control& control) {
    // The run is large (its tables are sized for the most jobs): it lives on the heap.
    auto run = std::make_unique<SearchRun>();
    run->table = checked_table(jobs);
    run->settings = settings;
    run->out = Transcript{control.transcript};
    run->limits.stop = control.stop;
    run->progress = control.progress;
    run->budget.limit = memory_limit_for_setting(settings.memory_limit);
    run->pool.resize(threads_for_setting(settings.threads));
    Result result;
    try {
        reserve_memory(run->budget, PROCESS_BASE_BYTES + sizeof(SearchRun));
        fill_result(*run, run_solve_pipeline(*run), result);
    } catch (const MemoryError&) {
        say(run->out, "\nMemory Error\n");
        result = memory_error_result();
    } catch (const std::bad_alloc&) {
        say(run->out, "\nMemory Error\n");
        result = memory_error_result();
    }
    return result;
}

long long objective(const std::vector<Job>& jobs, const std::vector<int>& sequence) {
    JobTable table = checked_table(jobs);
    const int n = table.n_jobs;
    if (!is_permutation_of_jobs(sequence, n))
        throw InputError("The sequence is not a permutation of the jobs");
    for (int i = 1; i < n; ++i)
        if (table.jobs[i].route != table.jobs[0].route)
            throw InputError("This version solve flow shop problems only.");
    if (n > 0 && table.jobs[0].route == 2)
        for (int i = 0; i < n; ++i)
            std::swap(table.jobs[i].p1, table.jobs[i].p2);
    return sequence_objective(job_times_of(table), sequence);
}

}  // namespace zemko
