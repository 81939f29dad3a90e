// The improvement phase, its parts in order, and its section of the transcript.
//
// The walks come first: they soon find a sequence at or near the optimum. On an instance of at
// most EXACT_MAX_JOBS jobs they stop early, after a short warm-up, and the exact search starts
// from their best: when it proves optimality the phase ends at once. The strong lower bound
// runs beside them from the start, on a thread of its own. Under a step budget alone every part
// is bounded by work, not time (the exact search by EXACT_NODES_PER_STEP nodes per step), so
// the whole section is the same on every run and with any number of threads.
#include "search/improvement_phase.hpp"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <thread>

#include "bounds/best_solution.hpp"
#include "bounds/strong_lower_bound.hpp"
#include "search/exact_search.hpp"

namespace zemko {

namespace {

constexpr double WARM_UP_SHARE = 0.2;    // of the time left, for the walks before the exact search
constexpr double WARM_UP_SECONDS = 1.0;  // at most, at EXACT_MAX_JOBS jobs
constexpr long long EXACT_NODES_PER_STEP = 100;
constexpr int FULL_BOUND_SECONDS = 10;      // time limits below it scale the bound's effort down
constexpr size_t VISITED_ENTRY_BYTES = 64;  // a visited partial sequence in the exact search

using Clock = std::chrono::steady_clock;

JobTimes times_of(const JobTable& table) {
    JobTimes times;
    for (int j = 0; j < table.n_jobs; ++j) {
        times.p1.push_back(table.jobs[j].p1);
        times.p2.push_back(table.jobs[j].p2);
    }
    return times;
}

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

Clock::time_point after_seconds(Clock::time_point start, double seconds) {
    return start +
           std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

double percent_gap(long long objective, long long bound) {
    if (bound <= 0) return 0.0;
    return 100.0 * static_cast<double>(objective - bound) / static_cast<double>(bound);
}

// One line per better sequence. A run bounded by its steps alone prints no times, so that its
// transcript is the same on every run.
void print_improvement(const SearchRun& run, const ImprovementEvent& found) {
    if (run.settings.time_limit > 0) say(run.out, "%9.2f s  ", found.seconds);
    say(run.out, "step %10lld  FO = %lld  gap %.4f %%  (%s)\n", found.step, found.objective,
        percent_gap(found.objective, run.root_lb), found.found_by);
}

// The effort of the strong bound: all of it under a step budget or a long time limit, a share
// of it under a shorter time limit, so that the bound takes little from the walks.
StrongBoundEffort bound_effort(const Settings& settings, int n_jobs) {
    StrongBoundEffort effort = default_strong_bound_effort(n_jobs);
    if (settings.time_limit > 0 && settings.time_limit < FULL_BOUND_SECONDS) {
        effort.iterations =
            std::max(1, effort.iterations * settings.time_limit / FULL_BOUND_SECONDS);
        effort.shaped_iterations = std::min(effort.shaped_iterations, effort.iterations);
        effort.assignment_solves =
            std::max(1, effort.assignment_solves * settings.time_limit / FULL_BOUND_SECONDS);
    }
    return effort;
}

// The root's bound is valid when no time is negative; its estimate is rounded up in doubles,
// so one is taken off for the certificate.
long long root_bound_for_certificate(const SearchRun& run) {
    for (int j = 0; j < run.table.n_jobs; ++j)
        if (run.table.jobs[j].p1 < 0 || run.table.jobs[j].p2 < 0) return LLONG_MIN;
    return static_cast<long long>(run.root_lb) - 1;
}

// The walks, from `start`, until `limits` end them.
ImprovementResult run_walks(SearchRun& run, const JobTimes& times, const std::vector<int>& start,
                            const ImprovementLimits& limits, std::vector<ImprovementEvent>& trace) {
    const ParallelFor parallel = [&run](int count,
                                        const std::function<void(int item, int thread)>& body) {
        run.pool.run(count, body);
    };
    ImprovementResult result = improve_schedule(
        times, start, static_cast<std::uint64_t>(static_cast<unsigned>(run.settings.seed)), limits,
        parallel, [&](const ImprovementEvent& found) {
            print_improvement(run, found);
            trace.push_back(found);
        });
    return result;
}

}  // namespace

PhaseOutcome run_improvement_phase(SearchRun& run) {
    PhaseOutcome outcome;
    const Settings& settings = run.settings;
    const int n_jobs = run.table.n_jobs;
    if (n_jobs < 2 || run.best.fo == INT_MAX) return outcome;
    outcome.ran = true;
    const bool timed = settings.time_limit > 0;
    const Clock::time_point phase_start = Clock::now();
    const Clock::time_point end = after_seconds(run.start, settings.time_limit);

    // The section's heading: what bounds the phase, and where it starts.
    say(run.out, "\nImprovement phase:");
    if (timed) say(run.out, " TimeLimit = %d s,", settings.time_limit);
    if (settings.step_limit > 0) say(run.out, " StepLimit = %d steps,", settings.step_limit);
    say(run.out, " Seed = %d; from FO = %d", settings.seed, run.best.fo);
    if (timed) say(run.out, " at %.2f s", seconds_since(run.start));
    say(run.out, "\n");

    const JobTimes times = times_of(run.table);
    std::vector<int> best(run.best.seq, run.best.seq + n_jobs);
    long long best_objective = run.best.fo;

    // The strong lower bound, beside everything else; the interrupt stops it too.
    std::atomic<bool> bound_stop{false};
    StrongBound strong;
    std::thread bound_thread([&, known = best] {
        strong = strong_lower_bound(times, bound_effort(settings, n_jobs), known, &bound_stop);
    });

    // The walks: to the end, or on a small instance a warm-up before the exact search.
    const bool exact_tried = n_jobs <= EXACT_MAX_JOBS;
    ImprovementLimits limits;
    limits.start = run.start;
    limits.time_limit = settings.time_limit;
    limits.step_limit = settings.step_limit;
    limits.stop = run.stop_check.stop;
    if (exact_tried && timed) {
        const double left = std::chrono::duration<double>(end - phase_start).count();
        // Smaller instances need less of it: their walks settle sooner and their exact search
        // proves in milliseconds what the warm-up would take a second over.
        const double size_share = static_cast<double>(n_jobs) * n_jobs /
                                  (static_cast<double>(EXACT_MAX_JOBS) * EXACT_MAX_JOBS);
        const double warm_up =
            std::min(WARM_UP_SECONDS * size_share, WARM_UP_SHARE * std::max(0.0, left));
        limits.time_limit = seconds_since(run.start) + warm_up;
    }
    const ImprovementResult walked = run_walks(run, times, best, limits, outcome.trace);
    outcome.steps = walked.steps;
    if (walked.objective < best_objective) {
        best = walked.sequence;
        best_objective = walked.objective;
    }

    // The exact search from the walks' best.
    long long exact_bound = LLONG_MIN;
    const bool interrupted = run.stop_check.stop && run.stop_check.stop->load();
    if (exact_tried && !interrupted) {
        ExactLimits exact_limits;
        if (timed) exact_limits.deadline = end;
        if (settings.step_limit > 0)
            exact_limits.node_budget = settings.step_limit * EXACT_NODES_PER_STEP;
        exact_limits.stop = run.stop_check.stop;
        if (run.budget.limit > 0) {
            const size_t left = run.budget.limit - std::min(run.budget.limit, run.budget.reserved);
            exact_limits.visited_capacity =
                std::min(exact_limits.visited_capacity, left / 2 / VISITED_ENTRY_BYTES);
        }
        const ExactResult exact = exact_search(times, best, exact_limits);
        if (exact.best_objective < best_objective) {
            best = exact.best_sequence;
            best_objective = exact.best_objective;
            const ImprovementEvent found{seconds_since(run.start), outcome.steps, best_objective,
                                         "exact search"};
            print_improvement(run, found);
            outcome.trace.push_back(found);
        }
        exact_bound = exact.proven_optimal ? best_objective : exact.lower_bound;
        outcome.optimal = exact.proven_optimal;
    }

    // The bound is waited for under a step budget (its result must not depend on time), and
    // stopped at once otherwise.
    if (timed || outcome.optimal || (run.stop_check.stop && run.stop_check.stop->load()))
        bound_stop.store(true);
    bound_thread.join();

    if (best_objective < run.best.fo)
        offer_solution(run.best, run.table, best.data(), static_cast<int>(best_objective),
                       run.best.level);
    outcome.certified_lower_bound = std::max(
        {static_cast<long long>(strong.lower_bound), exact_bound, root_bound_for_certificate(run)});
    if (outcome.certified_lower_bound >= run.best.fo) {
        outcome.certified_lower_bound = run.best.fo;
        outcome.optimal = true;
    }

    say(run.out, "Improvement phase: FO = %d after %lld steps", run.best.fo, outcome.steps);
    if (timed) say(run.out, " in %.2f s", seconds_since(run.start));
    say(run.out, "\nCertificate: lower bound %lld, gap %.4f %%%s\n", outcome.certified_lower_bound,
        percent_gap(run.best.fo, outcome.certified_lower_bound),
        outcome.optimal ? ", optimal" : "");
    return outcome;
}

}  // namespace zemko
