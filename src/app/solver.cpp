// The library's public interface over a run of the search.
#include <climits>
#include <memory>
#include <new>

#include <zemko/zemko.hpp>

#include "app/report.hpp"
#include "input/jobs.hpp"
#include "input/settings.hpp"
#include "schedule/node.hpp"
#include "search/beam_search.hpp"
#include "search/improvement_phase.hpp"
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

bool interrupted(const SearchRun& run) {
    return run.stop_check.stop && run.stop_check.stop->load();
}

Status status_of(SearchEnd end, const SearchRun& run) {
    if (end == SearchEnd::refused) return Status::mixed_routes;
    if (interrupted(run)) return Status::interrupted;
    return run.table.n_jobs == 0 ? Status::no_jobs : Status::solved;
}

// The phases after the beam search, when the settings ask for them: a beam search that its
// deadline ended is reported as such; otherwise the improvement phase starts from its best.
PhaseOutcome run_later_phases(SearchRun& run, SearchEnd end) {
    if (!improvement_requested(run.settings) || end == SearchEnd::refused || interrupted(run))
        return {};
    if (end == SearchEnd::stopped) {
        say(run.out,
            "\nTime limit reached during the beam search: its best sequence is the answer\n");
        return {};
    }
    return run_improvement_phase(run);
}

void fill_result(const SearchRun& run, SearchEnd end, const PhaseOutcome& phase, Result& result) {
    result.status = status_of(end, run);
    result.beam_complete = end != SearchEnd::stopped;
    result.improvement_steps = phase.steps;
    result.certified_lower_bound = phase.certified_lower_bound;
    result.optimal = phase.optimal;
    for (const ImprovementEvent& found : phase.trace)
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
    result.peak_memory = static_cast<long long>(run.budget.peak);
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
    run->stop_check.stop = control.stop;
    if (settings.time_limit > 0) {
        run->stop_check.has_deadline = true;
        run->stop_check.deadline = run->start + std::chrono::seconds(settings.time_limit);
    }
    run->progress = control.progress;
    run->budget.limit = memory_limit_for_setting(settings.memory_limit);
    run->pool.resize(threads_for_setting(settings.threads));
    Result result;
    result.objective = INT_MAX;
    try {
        reserve_memory(run->budget, PROCESS_BASE_BYTES + sizeof(SearchRun));
        const SearchEnd end = run_beam_search(*run);
        print_final_report(*run);
        const PhaseOutcome phase = run_later_phases(*run, end);
        fill_result(*run, end, phase, result);
    } catch (const MemoryError&) {
        say(run->out, "\nMemory Error\n");
        result = Result{};
        result.status = Status::memory_error;
        result.objective = INT_MAX;
    } catch (const std::bad_alloc&) {
        say(run->out, "\nMemory Error\n");
        result = Result{};
        result.status = Status::memory_error;
        result.objective = INT_MAX;
    }
    return result;
}

long long objective(const std::vector<Job>& jobs, const std::vector<int>& sequence) {
    JobTable table = checked_table(jobs);
    const int n = table.n_jobs;
    std::vector<char> seen(n, 0);
    bool permutation = static_cast<int>(sequence.size()) == n;
    for (int j : sequence) {
        if (!permutation) break;
        permutation = j >= 0 && j < n && !seen[j];
        if (permutation) seen[j] = 1;
    }
    if (!permutation) throw InputError("The sequence is not a permutation of the jobs");
    for (int i = 1; i < n; ++i)
        if (table.jobs[i].route != table.jobs[0].route)
            throw InputError("This version solve flow shop problems only.");
    if (n > 0 && table.jobs[0].route == 2)
        for (int i = 0; i < n; ++i)
            std::swap(table.jobs[i].p1, table.jobs[i].p2);
    int c1 = 0;
    int c2 = 0;
    return eval_seq(table, sequence.data(), n, c1, c2);
}

}  // namespace zemko
