// The improvement phase and its section of the transcript.
#include "search/improvement_phase.hpp"

#include <chrono>

#include "bounds/best_solution.hpp"

namespace zemko {

namespace {

JobTimes times_of(const JobTable& table) {
    JobTimes times;
    for (int j = 0; j < table.n_jobs; ++j) {
        times.p1.push_back(table.jobs[j].p1);
        times.p2.push_back(table.jobs[j].p2);
    }
    return times;
}

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The gap of an objective to the root's lower bound, in percent.
double gap_to_root(const SearchRun& run, long long objective) {
    if (run.root_lb <= 0) return 0.0;
    return 100.0 * static_cast<double>(objective - run.root_lb) / run.root_lb;
}

// One line per better sequence. A run bounded by its steps alone prints no times, so that its
// transcript is the same on every run.
void print_improvement(const SearchRun& run, const ImprovementEvent& found) {
    if (run.settings.time_limit > 0) say(run.out, "%9.2f s  ", found.seconds);
    say(run.out, "step %10lld  FO = %lld  gap %.4f %%  (%s)\n", found.step, found.objective,
        gap_to_root(run, found.objective), found.found_by);
}

}  // namespace

PhaseOutcome run_improvement_phase(SearchRun& run) {
    PhaseOutcome outcome;
    const Settings& settings = run.settings;
    const int n_jobs = run.table.n_jobs;
    if (n_jobs < 2 || run.best.fo == INT_MAX) return outcome;
    outcome.ran = true;

    // The section's heading: what bounds the phase, and where it starts.
    say(run.out, "\nImprovement phase:");
    if (settings.time_limit > 0) say(run.out, " TimeLimit = %d s,", settings.time_limit);
    if (settings.step_limit > 0) say(run.out, " StepLimit = %d steps,", settings.step_limit);
    say(run.out, " Seed = %d; from FO = %d", settings.seed, run.best.fo);
    if (settings.time_limit > 0) say(run.out, " at %.2f s", seconds_since(run.start));
    say(run.out, "\n");

    const JobTimes times = times_of(run.table);
    const std::vector<int> start(run.best.seq, run.best.seq + n_jobs);
    ImprovementLimits limits;
    limits.start = run.start;
    limits.time_limit = settings.time_limit;
    limits.step_limit = settings.step_limit;
    limits.stop = run.stop_check.stop;
    const ParallelFor parallel = [&run](int count,
                                        const std::function<void(int item, int thread)>& body) {
        run.pool.run(count, body);
    };
    const ImprovementResult improved = improve_schedule(
        times, start, static_cast<std::uint64_t>(static_cast<unsigned>(settings.seed)), limits,
        parallel, [&run](const ImprovementEvent& found) { print_improvement(run, found); });
    outcome.steps = improved.steps;
    outcome.trace = improved.trace;
    // The phase's best replaces the beam's only when it is strictly better; it keeps the level
    // of the beam's.
    if (improved.objective < run.best.fo)
        offer_solution(run.best, run.table, improved.sequence.data(),
                       static_cast<int>(improved.objective), run.best.level);

    say(run.out, "Improvement phase: FO = %d after %lld steps", run.best.fo, outcome.steps);
    if (settings.time_limit > 0) say(run.out, " in %.2f s", seconds_since(run.start));
    say(run.out, "\n");
    return outcome;
}

}  // namespace zemko
