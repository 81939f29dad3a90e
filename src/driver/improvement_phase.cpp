// The improvement phase, its parts in order.
//
// The walks come first: they soon find a sequence at or near the optimum. On an instance of at
// most EXACT_MAX_JOBS jobs they stop early, after a short warm-up, and the exact search starts
// from their best, once the strong lower bound is done, bounded by its table of rests: when it
// proves optimality the phase ends at once. On a trial (a few more jobs, under a time limit)
// the exact search has a share of the time, and the walks take the rest back if it did not
// prove. The strong lower bound runs beside the walks from
// the start, on a thread of its own. Under a step budget alone every part
// is bounded by work, not time (the exact search by EXACT_NODES_PER_STEP nodes per step, the
// bound by its effort, which is waited for), so the whole section is the same on every run and
// with any number of threads.
#include "driver/improvement_phase.hpp"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdint>
#include <limits>

#include "certify/arc_filter.hpp"
#include "certify/proof_summary.hpp"
#include "certify/strong_lower_bound.hpp"
#include "exact/exact_search.hpp"
#include "exact/level_search.hpp"
#include "improve/walk_rounds.hpp"
#include "sequence/rest_cost_table.hpp"
#include "util/joined_thread.hpp"

namespace zemko {

namespace {

// The progress hook is told at most this often.
constexpr double PROGRESS_INTERVAL_SECONDS = 0.05;

bool interrupted(const PhaseContext& context) {
    return stop_raised(context.solve.limits);
}

// Work spread over the solve's threads.
ParallelFor on_pool(const PhaseContext& context) {
    return [&context](int count, const std::function<void(int, int)>& body) {
        context.solve.pool.run(count, body);
    };
}

// What the phase shares between its parts while they run: the best objective known, which aims
// the strong bound, the bound it has proven so far, and when the progress hook was last told.
struct PhaseShared {
    explicit PhaseShared(Cost start) : best_known(start) {}
    std::atomic<Cost> best_known;
    std::atomic<Cost> proven{std::numeric_limits<Cost>::min()};
    Clock::time_point last_report{};
};

// Tells the progress hook, if any and not told a moment ago, where the phase stands.
void report_phase(const PhaseContext& context, PhaseShared& shared, long long steps, Cost best) {
    const SolveContext& solve = context.solve;
    if (!solve.progress) return;
    const Clock::time_point now = Clock::now();
    if (seconds_between(shared.last_report, now) < PROGRESS_INTERVAL_SECONDS) return;
    shared.last_report = now;
    Progress progress;
    progress.n_jobs = context.times.count();
    progress.level = progress.n_jobs;
    progress.best_objective = best;
    progress.seconds = seconds_between(solve.start, now);
    progress.memory_bytes = static_cast<long long>(solve.budget.reserved.load());
    progress.improving = true;
    progress.step = steps;
    const long long bound =
        std::max<long long>(context.root_bound_for_certificate, shared.proven.load());
    progress.certified = bound != LLONG_MIN;
    progress.lower_bound = progress.certified ? std::min<long long>(bound, best) : 0;
    solve.progress(progress);
}

// Records a better sequence of the phase and prints its line.
void record(const PhaseContext& context, PhaseOutcome& outcome, long long step, long long objective,
            FoundBy found_by) {
    const Improvement found{seconds_since(context.solve.start), step, objective, found_by};
    print_improvement(context.solve.out, context.settings, found, context.root_lower_bound);
    outcome.trace.push_back(found);
}

// The walks from the phase's best until `limits` end them. `round` counts the walks' earlier
// turns in the phase: each turn has a random stream of its own, and its steps follow theirs.
// Each better objective also goes to the shared best known.
void run_walks(const PhaseContext& context, const Limits& limits, int round, PhaseShared& shared,
               PhaseOutcome& outcome) {
    const int n = context.times.count();
    const WalkRoundsSettings settings;
    const MemoryReservation arrays(&context.solve.budget, walk_rounds_bytes(settings, n));
    const long long steps_before = outcome.steps;
    WalkReports reports;
    reports.improvement = [&](const WalkImprovement& found) {
        record(context, outcome, steps_before + found.step, found.objective,
               FoundBy::iterated_greedy);
        shared.best_known.store(found.objective, std::memory_order_relaxed);
    };
    reports.round = [&](long long steps, Cost best) {
        report_phase(context, shared, steps_before + steps, best);
    };
    const WalkRoundsResult walked = run_walk_rounds(
        context.times, outcome.best,
        static_cast<std::uint64_t>(static_cast<unsigned>(context.settings.seed)) + round, limits,
        on_pool(context), reports, settings);
    outcome.steps = steps_before + walked.steps;
    if (walked.objective < outcome.best_objective) {
        outcome.best = walked.sequence;
        outcome.best_objective = walked.objective;
    }
}

// The limits of the walks: the run's, but on a small instance under a time limit, the end of
// the warm-up before the exact search.
Limits walk_limits(const PhaseContext& context, bool warm_up) {
    Limits limits =
        part_limits(context.plan.deadline, context.solve.limits.stop, context.settings.step_limit);
    if (warm_up && context.plan.warm_up)
        limits.deadline = after_seconds(
            Clock::now(),
            exact_warm_up_seconds(context.times.count(), seconds_until(*context.plan.deadline)));
    return limits;
}

// The exact search from the phase's best. Returns its lower bound; proven tells whether it
// proved the best optimal.
long long run_exact(const PhaseContext& context, const RestCostTable& rest_costs,
                    PhaseShared& shared, PhaseOutcome& outcome, bool& proven) {
    Limits limits = part_limits(context.plan.deadline, context.solve.limits.stop,
                                context.settings.step_limit * EXACT_NODES_PER_STEP);
    if (context.plan.exact_trial)
        limits.deadline = after_seconds(
            Clock::now(), EXACT_TRIAL_SHARE * std::max(0.0, seconds_until(*context.plan.deadline)));
    ExactOptions options;
    // Half the memory left, so that the table's growth cannot starve the walks taking the time
    // back after a trial.
    options.visited_capacity = std::min(
        options.visited_capacity, visited_entries_within(memory_left(context.solve.budget) / 2));
    options.rest_costs = &rest_costs;
    // The walks are stopped by now: their threads search too.
    options.workers = context.solve.pool.size();
    options.parallel = on_pool(context);
    options.progress = [&](Cost best) { report_phase(context, shared, outcome.steps, best); };
    const ExactResult exact =
        exact_search(context.times, outcome.best, limits, options, &context.solve.budget);
    if (exact.best_objective < outcome.best_objective) {
        outcome.best = exact.best_sequence;
        outcome.best_objective = exact.best_objective;
        record(context, outcome, outcome.steps, outcome.best_objective, FoundBy::exact_search);
    }
    proven = exact.proven_optimal;
    return exact.proven_optimal ? outcome.best_objective : exact.lower_bound;
}

// One search by levels against `target`, on a table filtered for it. Returns false when it did
// not complete (the limits or the memory stopped it, or the table cannot be filtered).
bool levels_below(const PhaseContext& context, const StrongBound& strong,
                  const StrongBoundEffort& effort, Cost target, const Limits& limits,
                  LevelSearchResult& result) {
    RestCostTable filtered = strong.rest_costs;
    const MemoryReservation copy(&context.solve.budget, rest_table_bytes(filtered));
    filter_rest_costs(context.times, effort, target, filtered, limits, &context.solve.budget);
    if (filtered.words == 0) return false;
    result = level_search(context.times, filtered, target, limits, &context.solve.budget);
    return result.complete;
}

// The proof by levels, for LEVEL_SHARE of the time left. Its targets rise from halfway between
// the bound and the best less one, each halfway from the last to the best less one: a search
// that finds nothing within its target raises the bound (and is far cheaper than one against
// the best, whose states grow with the target), and the first that finds sequences within its
// target finds the optimum. Returns the bound proven (LLONG_MIN: none beyond the strong
// bound's); `proven` tells whether the best is optimal.
long long prove_by_levels(const PhaseContext& context, const StrongBound& strong,
                          const StrongBoundEffort& effort, PhaseShared& shared,
                          PhaseOutcome& outcome, bool& proven) {
    Limits limits = part_limits(context.plan.deadline, context.solve.limits.stop);
    limits.deadline = after_seconds(
        Clock::now(), LEVEL_SHARE * std::max(0.0, seconds_until(*context.plan.deadline)));
    long long proven_bound = LLONG_MIN;
    Cost lower = std::max<Cost>(strong.lower_bound, context.root_bound_for_certificate);
    while (!proven) {
        const Cost last = outcome.best_objective - 1;
        const Cost target = lower + (last - lower + 1) / 2;
        LevelSearchResult result;
        if (!levels_below(context, strong, effort, target, limits, result)) break;
        if (result.found) {
            // Every sequence within the target was searched: the least found is the optimum.
            outcome.best = result.best_sequence;
            outcome.best_objective = result.best_objective;
            record(context, outcome, outcome.steps, outcome.best_objective, FoundBy::level_search);
            proven = true;
            break;
        }
        lower = proven_bound = target + 1;
        shared.proven.store(lower, std::memory_order_relaxed);
        proven = target == last;
    }
    return proven ? outcome.best_objective : proven_bound;
}

// The proofs after the walks' warm-up, once the strong bound is done: by levels under a time
// limit, then the depth-first search where it is tried. Returns the best bound they proved.
long long prove(const PhaseContext& context, const StrongBound& strong,
                const StrongBoundEffort& effort, PhaseShared& shared, PhaseOutcome& outcome,
                bool& proven) {
    long long bound = LLONG_MIN;
    // The strong bound may have proven the best optimal on its own.
    if (strong.lower_bound >= outcome.best_objective) {
        proven = true;
        return outcome.best_objective;
    }
    // The bound's table of rests prunes both searches far deeper than their own bounds.
    const MemoryReservation table(&context.solve.budget, rest_table_bytes(strong.rest_costs));
    if (context.plan.levels_tried)
        bound = prove_by_levels(context, strong, effort, shared, outcome, proven);
    if (!proven && context.plan.exact_tried && !interrupted(context))
        bound = std::max(bound, run_exact(context, strong.rest_costs, shared, outcome, proven));
    return bound;
}

}  // namespace

PhaseOutcome run_improvement_phase(const PhaseContext& context, const PhaseStart& start) {
    PhaseOutcome outcome;
    outcome.ran = true;
    outcome.best = start.sequence;
    outcome.best_objective = start.objective;
    print_phase_heading(context.solve.out, context.settings, start.objective, start.source,
                        seconds_since(context.solve.start));

    // The strong lower bound, beside everything else, until its effort is spent or the phase
    // ends it.
    // Under a time limit the bound aims at the walks' best as they find it; under a step
    // budget at the start only, so that it does not depend on timing.
    // Where memory is short the bound narrows its tables to what is left beside the walks
    // (known before any thread starts, so the same on every run).
    std::atomic<bool> bound_stop{false};
    PhaseShared shared(start.objective);
    const std::size_t left = memory_left(context.solve.budget);
    const std::size_t walk_bytes = walk_rounds_bytes(WalkRoundsSettings{}, context.times.count());
    const StrongBoundEffort bound_effort =
        effort_within(context.plan.bound_effort, context.times.count(),
                      left > walk_bytes ? left - walk_bytes : 0);
    StrongBound strong;
    const auto bound_work = [&context, &strong, &bound_stop, &shared, &bound_effort,
                             known = start.sequence] {
        BoundShares shares;
        shares.better_known = context.plan.timed ? &shared.best_known : nullptr;
        shares.proven = &shared.proven;
        strong = strong_lower_bound(context.times, bound_effort, known,
                                    part_limits(context.plan.deadline, &bound_stop),
                                    &context.solve.budget, shares);
    };
    JoinedThread bound_thread(bound_stop, bound_work);
    bool bound_finished = false;
    const auto finish_bound = [&] {
        if (bound_finished) return;
        bound_finished = true;
        if (bound_thread.started()) {
            bound_thread.join();
        } else {
            bound_work();
        }
    };

    run_walks(context, walk_limits(context, true), 0, shared, outcome);
    long long exact_bound = LLONG_MIN;
    bool proven = false;
    if ((context.plan.exact_tried || context.plan.levels_tried) && !interrupted(context)) {
        finish_bound();
        if (!interrupted(context))
            exact_bound = prove(context, strong, bound_effort, shared, outcome, proven);
    }
    if (context.plan.warm_up && !proven && !interrupted(context))
        run_walks(context, walk_limits(context, false), 1, shared, outcome);

    // The bound is waited for under a step budget (its result must not depend on time), and
    // stopped at once otherwise.
    if (context.plan.timed || proven || interrupted(context)) bound_stop.store(true);
    finish_bound();
    outcome.certificate = certify_answer(
        outcome.best_objective,
        {strong.lower_bound, exact_bound, context.root_bound_for_certificate}, proven);
    outcome.proof_summary = proof_summary_text(context.times, outcome.best, outcome.best_objective,
                                               outcome.certificate, strong.rest_costs);
    return outcome;
}

}  // namespace zemko
